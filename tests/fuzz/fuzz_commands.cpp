// libFuzzer target: arbitrary bytes as command lines, with the position and
// the key history checked after every line. The bytes are also the files
// "game" and "hash", for read, testgame and loadhash.
//
// Built three times: fuzz_commands ignores requests to think and so explores
// the interpreter fast; fuzz_search (FUZZ_SEARCH=1) thinks, plays and
// ponders as the main loop would; fuzz_uci (FUZZ_UCI=1) gives the bytes to
// the UCI front end, which searches and reads lines during its searches.
//
// The platform layer is replaced: time passes MS_PER_NODE per node searched
// and the next line is waiting once a search has gone INPUT_NODES nodes, so
// every search ends after a small, fixed amount of work, the same for the
// same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/shell.h"
#include "uci/uci.h"

#ifndef FUZZ_SEARCH
#define FUZZ_SEARCH 0
#endif
#ifndef FUZZ_UCI
#define FUZZ_UCI 0
#endif

namespace {

// The measured rate is then exactly 1000 / MS_PER_NODE nodes a second, and
// the default clock allows about 240 nodes a move, polled every 100.
constexpr std::uint32_t MS_PER_NODE = 5;
constexpr std::uint32_t INPUT_NODES = 1500;
// Engine turns per input: keeps the slowest input far inside the time limit.
constexpr int MAX_TURNS = 200;

std::uint32_t fake_ms = 0;
std::uint64_t nodes_seen = 0;

void write_file(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// Without a table file loaded, a search that reports a bad table move or
// ponder move has met a position the interpreter should not have built.
void check_reports(const std::uint8_t* data, std::size_t size) {
    char line[1100];
    std::rewind(error_file);
    while (std::fgets(line, sizeof line, error_file))
        if ((std::strstr(line, "Bad") || std::strstr(line, "Illegal") ||
             std::strstr(line, "Pondermove")) &&
            !memmem(data, size, "loadhash", 8))
            std::abort();
}

void check_game() {
    if (!position_is_ok(game_position)) std::abort();
    if (game_position.history_start < key_history ||
        game_position.history_end - key_history > KEY_HISTORY_SIZE - KEY_HISTORY_RESERVE)
        std::abort();
}

} // namespace

std::uint32_t tick_count() {
    if (node_count < nodes_seen) nodes_seen = 0; // a new search counts from 0
    fake_ms += std::uint32_t(node_count - nodes_seen) * MS_PER_NODE;
    nodes_seen = node_count;
    return fake_ms;
}

std::uint64_t process_clock_ms() { return tick_count(); }

int input_check() { return node_count >= INPUT_NODES; }

int input_byte() {
    unsigned char c;
    return read(0, &c, 1) == 1 ? c : -1;
}

void use_huge_pages(void*, std::size_t) {}

int replace_file(const char* from, const char* to) { return std::rename(from, to); }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/engine-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    error_file = std::fopen("error.txt", "w+");
    if (!error_file) std::abort();
    init_engine(); // the pawn hash holds pure functions of its keys: kept between inputs
    nps_estimate = 1000 / MS_PER_NODE; // the only rate ever measured, so the mean stays put
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0; // the pipe below must hold it all
    // UCI: a table of gigabytes (setoption name Hash) only changes the mask;
    // a long input holds many searches. Clear Hash is kept.
    std::string lower(data, data + size);
    for (char& c : lower) c = char(c | 0x20);
    for (std::size_t at; (at = lower.find("clear hash")) != std::string::npos;) lower[at + 6] = '-';
    if (FUZZ_UCI && (size > 1024 || lower.find("hash") != std::string::npos)) return 0;
    write_file("game", data, size);
    write_file("hash", data, size);

    int fds[2];
    if (pipe(fds) != 0) std::abort();
    if (size && write(fds[1], data, size) != ssize_t(size)) std::abort();
    close(fds[1]);
    const int saved_stdin = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);

    std::rewind(error_file);
    if (ftruncate(fileno(error_file), 0) != 0) std::abort();
    // A freshly started engine, except that the clock polls early.
    if (FUZZ_SEARCH || FUZZ_UCI) clear_hash();
    default_settings();
    multi_pv = 1;
    level_limited = false;
    level_elo = LEVEL_MAX_ELO;
    new_game();
    fake_ms = clock_start = 0;
    nodes_seen = node_count;
    target_time = max_time = 0;
    poll_interval = FUZZ_SEARCH ? 100 : 1; // testgame alone stops at the first node
    poll_countdown = 0;
    if (FUZZ_UCI) {
        uci_loop();
        check_game();
        uci_mode = 0;
    }
    int resume = 0, turns = 0;
    for (int lines = 0; !FUZZ_UCI && !quit_requested && lines < 1000; lines++) {
        const int was_resuming = resume;
        resume = interpret_command(was_resuming);
        check_game();
        if (!resume || quit_requested) continue;
        resume = FUZZ_SEARCH && turns++ < MAX_TURNS ? think_and_play(was_resuming) : 0;
        check_game();
    }
    check_reports(data, size);
    if (log_file) {
        std::fclose(log_file);
        log_file = nullptr;
    }
    dup2(saved_stdin, 0);
    close(saved_stdin);
    return 0;
}
