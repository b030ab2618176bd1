// engine-bench: its modes, and the positions the search and eval modes share.
#pragma once

#include <cstddef>

int bench_search(int argc, char** argv);
int bench_eval(int argc, char** argv);

// Positions from real games, each the moves from the initial position.
extern const char* const builtin_positions[];
extern const std::size_t builtin_position_count;
