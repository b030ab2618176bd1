// Entry point: start-up and the main loop (read, think, announce, ponder).
#include <csignal>

#include "eval/eval.h"
#include "shell/shell.h"

void default_settings() {
    time_left = START_TIME;
    increment = 0;
    quit_requested = uci_requested = xboard_mode = uci_mode = autodisplay = ponder_enabled = 0;
}

void init_engine() {
    init_tables();
    clear_hash();
    clear_pawn_hash();
    default_settings();
    new_game();
}

void start_up() {
    error_file = std::fopen("error.txt", "ab");
    log_file = std::fopen("log.txt", "wb");
    std::signal(SIGINT, SIG_IGN);
    // Windows has no SIGPIPE: a write to a closed pipe just fails there.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a vanished interface must not kill us mid-write
#endif
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    init_engine();
}

namespace {

void ponder() {
    if (!ponder_move || !ponder_enabled || force_mode) return;
    if (!move_is_valid(game_position, ponder_move)) {
        error_report("Pondermove is not valid in this position");
        return;
    }
    char text[MOVE_TEXT_SIZE];
    std::printf(xboard_mode ? "Hint: %s\n" : "Pondering move %s\n", move_text(ponder_move, text));
    Position after = game_position;
    make_move(after, ponder_move);
    iterate(after, 1);
}

} // namespace

int think_and_play(int resuming) {
    // a search stopped by input resumes on the same clock
    if (!resuming) start_clock();
    const Move move = iterate(game_position, 0);
    if (!move) return 1;

    // announce and play
    char text[MOVE_TEXT_SIZE];
    std::printf("move %s\n", move_text(move, text));
    stop_clock();
    play_move(move);
    if (!xboard_mode && autodisplay) display_board(game_position);

    // think on the expected reply until the next line arrives
    if (!ponder_move) ponder_move = expected_reply(game_position);
    ponder();
    return 0;
}

void console_loop() {
    int resume_search = 0;
    for (;;) {
        // commands until one asks to think
        int was_resuming = 0;
        do {
            if (quit_requested || uci_requested) return;
            was_resuming = resume_search;
            resume_search = interpret_command(was_resuming);
        } while (!resume_search && !quit_requested && !uci_requested);
        if (quit_requested || uci_requested) return;
        resume_search = think_and_play(was_resuming);
    }
}

void shut_down() {
    if (log_file) std::fclose(log_file);
    if (error_file) std::fclose(error_file);
    log_file = error_file = nullptr;
}
