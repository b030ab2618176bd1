// Engine shell: start-up and the main loop, the command interpreter, output
// and error reports, the table file commands. The top layer: only the tools
// and the tests sit above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "search/search.h"

// ---- engine state (the settings lower layers read are declared with the game) ----
extern std::FILE* log_file;
extern std::FILE* error_file;
extern std::int32_t quit_requested;
extern std::int32_t uci_requested; // the console read "uci": the run goes on in UCI
extern std::int32_t autodisplay;
extern std::int32_t ponder_enabled;

// The settings of a fresh start: two minutes, no increment, console mode,
// no pondering.
void default_settings();
// Tables, cleared hash tables, the default settings and a new game: all of
// the start-up but the files, signals and standard streams.
void init_engine();
// The files, signals, unbuffered standard streams, then init_engine.
void start_up();
// Reads and executes lines, thinks and plays, until quit, the end of input
// or the line "uci".
void console_loop();
void shut_down(); // closes the files

// ---- bench ----
// Positions from real games, each the moves from the initial position.
extern const char* const builtin_positions[];
extern const std::size_t builtin_position_count;
constexpr int BENCH_DEPTH = 8; // the depth of the signature: gyre bench
// Searches each position to the depth in a fresh game (cleared tables),
// printing the thinking lines and each best move; nodes and ms total the
// searches. 2 after a message on stderr when a position has an illegal move.
int bench_positions(const char* const* positions, std::size_t count, int depth,
                    std::uint64_t* nodes, std::uint32_t* ms);
// gyre bench: the built-in positions at BENCH_DEPTH; the last line is
// "N nodes R nps", N being the signature.
int run_bench();
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
