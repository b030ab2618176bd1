// libFuzzer target: arbitrary bytes as input lines to the command
// interpreter, in force mode, with the position checked after every line.
// The same bytes are also written to the files "game" and "hash" so that
// read, testgame and loadhash read fuzzer data too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/shell.h"

namespace {

void write_file(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/engine-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    init_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0; // the pipe below must hold it all
    write_file("game", data, size);
    write_file("hash", data, size);

    int fds[2];
    if (pipe(fds) != 0) std::abort();
    if (size && write(fds[1], data, size) != ssize_t(size)) std::abort();
    close(fds[1]);
    const int saved_stdin = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);

    default_settings();
    new_game();
    force_mode = 1;
    // A search started by testgame stops at its first node.
    poll_interval = 1;
    poll_countdown = 0;
    target_time = max_time = 0;
    clock_start = tick_count() - 100000;
    for (int lines = 0; !quit_requested && lines < 1000; lines++) {
        interpret_command(0); // a request to think is not acted on here
        if (!position_is_ok(game_position)) std::abort();
        if (game_position.history_end - key_history > KEY_HISTORY_SIZE - 20) std::abort();
    }
    if (log_file) {
        std::fclose(log_file);
        log_file = nullptr;
    }
    dup2(saved_stdin, 0);
    close(saved_stdin);
    return 0;
}
