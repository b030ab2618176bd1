// Engine shell: start-up and the main loop, the command interpreter, output
// and error reports, the table file commands. The top layer: only the tools
// and the tests sit above it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "search/search.h"

// ---- engine state (the settings lower layers read are declared with the game) ----
extern std::FILE* log_file;
extern std::FILE* error_file;
extern std::int32_t quit_requested;
extern std::int32_t autodisplay;
extern std::int32_t ponder_enabled;

// The settings of a fresh start: two minutes, no increment, console mode,
// no pondering.
void default_settings();
// Tables, cleared hash tables, the default settings and a new game: all of
// the start-up but the files, signals and standard streams.
void init_engine();
int engine_main();
// One turn of the engine: think on the game position, announce and play the
// move, ponder on the reply. Returns 1 when the search ended without a move
// (a line is waiting, or there was no legal move).
int think_and_play(int resuming);

// ---- output ----
void display_board(const Position& pos);

// ---- commands ----
constexpr int LINE_BUFFER_SIZE = 999;
constexpr int MAX_TOKENS = 500;
// Reads one line; returns 0 at the end of input (nothing read).
int read_line(char* buffer);
// Executes one line; 1 when the engine is to think now, else 0 (or, for a
// command that leaves the game alone, the resume flag it was given).
int interpret_command(int resume);
// Splits a copy of the line at spaces and tabs; returns the number of tokens.
int split(const char* line, char* copy, char** tokens);
// Plays coordinate moves, separated by spaces or tabs, into the game without
// a word of output. Returns nullptr, or where the first move that is not
// legal begins (the moves before it are played).
const char* play_moves(const char* moves);
int dumphash(const char* name);
int loadhash(const char* name);
