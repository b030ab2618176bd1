// Time and game control: the clock and time allocation, polling of the
// clock and of standard input during a search, and the game record.
#pragma once

#include <cstdint>

#include "board/board.h"

// ---- clock ----
// Bound of the clock in centiseconds (about 115 days): far enough from the
// 32-bit limits that the clock arithmetic never overflows.
constexpr std::int32_t CLOCK_LIMIT = 1000000000;

extern std::uint32_t clock_start;
extern std::int32_t target_time;
extern std::int32_t max_time;
extern std::uint32_t poll_interval;
extern std::int32_t poll_countdown;

void start_clock();
void allocate_time();
void stop_clock();
int time_check();
int input_check();

// ---- operating system ----
std::uint32_t tick_count();       // milliseconds, wrapping 32-bit
std::uint64_t process_clock_ms(); // processor time of the process

// ---- game record ----
int play_move(Move m);
void record_move(Move m);
int game_end_state(const Position& pos);
int game_draw_check(Position& pos);
