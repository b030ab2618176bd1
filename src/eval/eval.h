// Evaluation: static evaluation, pawn structure with its hash, and the
// static exchange evaluation.
#pragma once

#include <cstdint>

#include "game/game.h"

// An entry of all zeros is a valid one: key 0 is the position without
// pawns, whose structure scores 0, so a cleared table needs no marker.
struct PawnHashEntry {
    std::int32_t score;
    std::uint64_t key;
};

constexpr int PAWN_HASH_SIZE = 1 << 19;
extern PawnHashEntry pawn_hash[PAWN_HASH_SIZE];

int evaluate(const Position& pos, int alpha, int beta);
int evaluate_pawns(const Position& pos);
int tradeoff(const Position& pos, Move m);
void clear_pawn_hash();
