// Engine shell: settings, the command interpreter, output and error
// reports, move notation, table file commands and the entry point.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/board.h"

// ---- engine state ----
extern std::FILE* log_file;
extern std::FILE* error_file;
extern std::int32_t time_left; // centiseconds
extern std::int32_t increment; // whole seconds
extern std::int32_t force_mode;
extern std::int32_t engine_colour; // 1 white, 0 black
extern std::int32_t plies_played;
extern std::int32_t quit_requested;
extern std::int32_t xboard_mode;
extern std::int32_t autodisplay;
extern std::int32_t ponder_enabled;
extern Position game_position;

void new_game();
int engine_main();
// One turn of the engine: think on the game position, announce and play the
// move, ponder on the reply. Returns 1 when the search ended without a move
// (a line is waiting, or there was no legal move).
int think_and_play(int resuming);

// ---- output ----
void error_report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void log_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void display_board(const Position& pos);

// ---- move notation ----
char* move_text(Move m, char* buffer);
char* coordinate_text(Move m, char* buffer);
Move parse_move(const Position& pos, const char* text);

// ---- commands ----
constexpr int LINE_BUFFER_SIZE = 999;
// Reads one line; returns 0 at the end of input (nothing read).
int read_line(char* buffer);
int interpret_command(int resume);
int dumphash(const char* name);
int loadhash(const char* name);
