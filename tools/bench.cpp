// engine-bench: fixed workloads for checking the engine and timing it.
//   engine-bench perft DEPTH [--fen "FEN"] [--divide] [MOVE ...]
//   engine-bench search DEPTH [FILE]
//   engine-bench eval [ROUNDS]
// Each mode gets the whole command line (argv[1] is the mode name). Bad
// arguments print a message on stderr and exit with code 2.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bench.h"
#include "shell/shell.h"

namespace {

constexpr int MAX_PERFT_DEPTH = 12;
// Played moves and the tree both append to the key history.
constexpr int MAX_PLAYED_MOVES = KEY_HISTORY_SIZE - MAX_PERFT_DEPTH - 2;

Position perft_positions[MAX_PERFT_DEPTH + 1];
Move perft_moves[MAX_PERFT_DEPTH + 1][MAX_MOVES];

void usage() {
    std::fprintf(stderr, "usage: engine-bench perft DEPTH [--fen \"FEN\"] [--divide] [MOVE ...]\n"
                         "       engine-bench search DEPTH [FILE]\n"
                         "       engine-bench eval [ROUNDS]\n");
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A whole decimal number in [low, high], or -1.
int parse_number(const char* text, int low, int high) {
    if (!*text) return -1;
    long value = 0;
    for (const char* c = text; *c; c++) {
        if (*c < '0' || *c > '9') return -1;
        value = value * 10 + (*c - '0');
        if (value > high) return -1;
    }
    return value < low ? -1 : int(value);
}

// Leaves of the legal-move tree of the given depth below the position of
// this ply; the last ply is counted by the size of its legal list.
std::uint64_t perft(int ply, int depth) {
    Move* const list = perft_moves[ply];
    const Move* const end = legal_moves(perft_positions[ply], list);
    if (depth == 1) return std::uint64_t(end - list);
    std::uint64_t leaves = 0;
    for (const Move* m = list; m != end; m++) {
        perft_positions[ply + 1] = perft_positions[ply];
        make_move(perft_positions[ply + 1], *m);
        leaves += perft(ply + 1, depth - 1);
    }
    return leaves;
}

// argv[2] is the depth; options and moves follow in any order, the moves
// being played in the order given from the (FEN) start position.
int perft_mode(int argc, char** argv) {
    if (argc < 3) {
        usage();
        return 2;
    }
    const int depth = parse_number(argv[2], 1, MAX_PERFT_DEPTH);
    if (depth < 0) {
        std::fprintf(stderr, "engine-bench: bad depth '%s' (a number from 1 to %d)\n", argv[2],
                     MAX_PERFT_DEPTH);
        return 2;
    }
    init_tables();
    const char* fen = nullptr;
    int divide = 0;
    for (int i = 3; i < argc; i++) {
        if (std::strcmp(argv[i], "--fen") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "engine-bench: --fen needs a FEN string\n");
                return 2;
            }
            fen = argv[++i];
        } else if (std::strcmp(argv[i], "--divide") == 0) {
            divide = 1;
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "engine-bench: unknown option '%s'\n", argv[i]);
            usage();
            return 2;
        }
    }

    Position& root = perft_positions[0];
    if (!fen) {
        setup_start_position(root, key_history);
    } else if (!setup_from_fen(root, fen, key_history)) {
        std::fprintf(stderr, "engine-bench: malformed FEN '%s'\n", fen);
        return 2;
    }
    int played = 0;
    for (int i = 3; i < argc; i++) {
        if (std::strcmp(argv[i], "--fen") == 0) {
            i++;
            continue;
        }
        if (std::strcmp(argv[i], "--divide") == 0) continue;
        const Move m = legal_move(root, argv[i]);
        if (!m) {
            std::fprintf(stderr, "engine-bench: illegal move '%s'\n", argv[i]);
            return 2;
        }
        if (++played > MAX_PLAYED_MOVES) {
            std::fprintf(stderr, "engine-bench: more than %d moves\n", MAX_PLAYED_MOVES);
            return 2;
        }
        make_move(root, m);
    }

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t nodes = 0;
    if (divide) {
        Move root_moves[MAX_MOVES];
        const Move* const end = legal_moves(root, root_moves);
        for (const Move* m = root_moves; m != end; m++) {
            std::uint64_t count = 1;
            if (depth > 1) {
                perft_positions[1] = root;
                make_move(perft_positions[1], *m);
                count = perft(1, depth - 1);
            }
            char text[MOVE_TEXT_SIZE];
            std::printf("%s: %llu\n", coordinate_text(*m, text), (unsigned long long)count);
            nodes += count;
        }
    } else {
        nodes = perft(0, depth);
    }
    const double seconds = seconds_since(start);
    const double mnps = seconds > 0 ? double(nodes) / seconds / 1e6 : 0.0;
    std::printf("perft %d: %llu nodes, %.2f s, %.1f Mnps\n", depth, (unsigned long long)nodes,
                seconds, mnps);
    return 0;
}

struct Mode {
    const char* name;
    int (*run)(int argc, char** argv);
};

constexpr Mode modes[] = {
    {"perft", perft_mode},
    {"search", bench_search},
    {"eval", bench_eval},
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    for (const Mode& mode : modes) {
        if (std::strcmp(argv[1], mode.name) == 0) return mode.run(argc, argv);
    }
    std::fprintf(stderr, "engine-bench: unknown mode '%s'\n", argv[1]);
    usage();
    return 2;
}
