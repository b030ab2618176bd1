// Shared between the move picker and the quiescence search.
#pragma once

#include "search/search.h"

void sort_by_score(Move* moves, std::int32_t* scores, int n);
int capture_score(const Position& pos, Move m);
int draw_score(const Position& pos);
