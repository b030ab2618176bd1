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
alignas(64) extern PawnHashEntry pawn_hash[PAWN_HASH_SIZE];

// Two shortcuts of the evaluation, which the search relies on too: with no
// pawns and neither side above a minor piece in material, the position is a
// draw (bare minor pieces cannot mate); otherwise material this far outside
// the window settles which side of it the score is reported on.
constexpr int BARE_MINOR_MATERIAL = 300;
constexpr int LAZY_MARGIN = 100;
int evaluate(const Position& pos, int alpha, int beta);
int evaluate_pawns(const Position& pos);
int tradeoff(const Position& pos, Move m);
// True when the capture surely loses material: a pawn or knight guards the
// target and the capturer is worth more than its victim and that guard. The
// guard, the cheapest recapture there is, takes back first, and the capturer
// can at best win the guard, so tradeoff would be negative; this says so for
// a few instructions.
inline bool guarded_loss(const Position& p, Move m) {
    const int excess = piece_value[move_piece(m)] - piece_value[move_captured(m)];
    if (excess <= piece_value[PAWN] || move_promotion(m)) return false;
    const Square to = move_to(m);
    const Bitboard pawns = p.white_to_move ? white_pawn_attacks[to] & p.black_pawns
                                           : black_pawn_attacks[to] & p.white_pawns;
    const Bitboard knights =
        knight_attacks[to] & (p.white_to_move ? p.black_knights : p.white_knights);
    return pawns || (knights && excess > piece_value[KNIGHT]);
}
void clear_pawn_hash();
