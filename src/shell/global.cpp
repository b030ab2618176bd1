// The engine's settings, shared by every layer.
#include "shell/shell.h"

std::FILE* log_file = nullptr;
std::FILE* error_file = nullptr;
std::int32_t time_left = START_TIME;
std::int32_t increment = 0;
std::int32_t force_mode = 0;
std::int32_t engine_colour = 0;
std::int32_t quit_requested = 0;
std::int32_t uci_requested = 0;
std::int32_t xboard_mode = 0;
std::int32_t uci_mode = 0;
std::int32_t autodisplay = 0;
std::int32_t ponder_enabled = 0;
