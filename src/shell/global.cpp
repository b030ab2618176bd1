// The engine's settings and the game position, shared by every subsystem.
#include "shell/shell.h"

std::FILE* log_file = nullptr;
std::FILE* error_file = nullptr;
std::int32_t time_left = 12000;
std::int32_t increment = 0;
std::int32_t force_mode = 0;
std::int32_t engine_colour = 0;
std::int32_t plies_played = 0;
std::int32_t quit_requested = 0;
std::int32_t xboard_mode = 0;
std::int32_t autodisplay = 0;
std::int32_t ponder_enabled = 0;
Position game_position;

void new_game() {
    setup_start_position(game_position, key_history);
    force_mode = 0;
    engine_colour = 0;
    plies_played = 0;
}
