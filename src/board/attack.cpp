// Squares attacked by whatever stands on a square.
#include "board/board.h"

Bitboard attacks_from(const Position& pos, Square s) {
    switch (pos.board[s]) {
    case PAWN:
        return white_pawn_attacks[s];
    case -PAWN:
        return black_pawn_attacks[s];
    case BISHOP:
    case -BISHOP:
        return diagonal_attacks(pos, s);
    case KNIGHT:
    case -KNIGHT:
        return knight_attacks[s];
    case ROOK:
    case -ROOK:
        return straight_attacks(pos, s);
    case QUEEN:
    case -QUEEN:
        return diagonal_attacks(pos, s) | straight_attacks(pos, s);
    case KING:
    case -KING:
        return king_attacks[s];
    default:
        return 0;
    }
}
