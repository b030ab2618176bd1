// engine-bench search: fixed-depth searches of a list of positions, for
// node counts (deterministic) and speed (the last line).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench.h"
#include "shell/shell.h"

int bench_search(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine-bench search DEPTH [FILE]\n");
        return 2;
    }
    char* end = nullptr;
    const long depth = std::strtol(argv[2], &end, 10);
    if (*end || depth < 1 || depth > PLY_LIMIT) {
        std::fprintf(stderr, "engine-bench: depth must be a number from 1 to %d\n", PLY_LIMIT);
        return 2;
    }
    std::vector<std::string> positions;
    if (argc > 3) {
        std::FILE* file = std::fopen(argv[3], "r");
        if (!file) {
            std::fprintf(stderr, "engine-bench: cannot open %s\n", argv[3]);
            return 2;
        }
        char line[4096];
        while (std::fgets(line, sizeof line, file)) {
            std::string s(line);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
            if (!s.empty() && s[0] == '#') continue;
            positions.push_back(s);
        }
        std::fclose(file);
    } else {
        positions.assign(builtin_positions, builtin_positions + builtin_position_count);
    }

    std::vector<const char*> texts;
    for (const std::string& p : positions) texts.push_back(p.c_str());
    std::uint64_t total;
    std::uint32_t ms;
    if (bench_positions(texts.data(), texts.size(), int(depth), &total, &ms)) return 2;
    std::printf("total nodes %llu time_ms %u nps %llu\n", (unsigned long long)total, ms,
                (unsigned long long)(ms ? total * 1000 / ms : 0));
    return 0;
}
