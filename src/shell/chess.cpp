// Entry point: start-up and the main loop.
#include <csignal>

#include "shell/shell.h"

namespace {

void start_up() {
    error_file = std::fopen("error.txt", "a");
    log_file = std::fopen("log.txt", "w");
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN); // a vanished interface must not kill us mid-write
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    init_tables();
    time_left = 12000;
    increment = 0;
    setup_start_position(game_position, key_history);
    force_mode = 0;
    engine_colour = 0;
    plies_played = 0;
}

} // namespace

int engine_main() {
    start_up();
    int resume_search = 0;
    for (;;) {
        int was_resuming = 0;
        do {
            if (quit_requested) break;
            was_resuming = resume_search;
            resume_search = interpret_command(was_resuming);
        } while (!resume_search && !quit_requested);
        if (quit_requested) break;
        resume_search = 1; // no search yet: nothing to play
    }
    if (error_file) std::fclose(error_file);
    return 0;
}
