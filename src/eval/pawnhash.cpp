// Pawn structure, cached by pawn key: it depends on the pawns alone.
#include "eval/eval.h"

alignas(64) PawnHashEntry pawn_hash[PAWN_HASH_SIZE];

void clear_pawn_hash() { clear_memory(pawn_hash, sizeof pawn_hash); }

namespace {

int pawn_structure(Bitboard white, Bitboard black) {
    int score = 10 * popcount(white & RANK_7) - 10 * popcount(black & RANK_2);
    // chains: pawns with an own pawn diagonally in front
    score += 2 * popcount(white & ~FILE_A & (white >> 7));
    score += 2 * popcount(white & ~FILE_H & (white >> 9));
    score -= 2 * popcount(black & ~FILE_A & (black << 9));
    score -= 2 * popcount(black & ~FILE_H & (black << 7));
    for (Bitboard b = white; b; b = clear_lowest_bit(b)) {
        const Square p = lowest_bit(b);
        const int r = p >> 3;
        if (white_front_span[p] & white)
            score -= 3;
        else if (!(white_passed_mask[p] & black))
            score += 6 * r;
        else
            score += r;
        if (!(adjacent_files_mask[p] & white)) score -= 2;
    }
    for (Bitboard b = black; b; b = clear_lowest_bit(b)) {
        const Square p = lowest_bit(b);
        const int r = 7 - (p >> 3);
        if (black_front_span[p] & black)
            score += 3;
        else if (!(black_passed_mask[p] & white))
            score -= 6 * r;
        else
            score -= r;
        if (!(adjacent_files_mask[p] & black)) score += 2;
    }
    return score;
}

} // namespace

int evaluate_pawns(const Position& pos) {
    PawnHashEntry& entry = pawn_hash[pos.pawn_key & (PAWN_HASH_SIZE - 1)];
    if (entry.key == pos.pawn_key) return entry.score;
    entry.score = pawn_structure(pos.white_pawns, pos.black_pawns);
    entry.key = pos.pawn_key;
    return entry.score;
}
