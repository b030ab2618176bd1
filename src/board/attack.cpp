// Squares attacked by whatever stands on a square, and whether a move gives check.
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

void find_check_targets(const Position& pos, CheckTargets& targets) {
    const int white = pos.white_to_move;
    const Square king = white ? pos.black_king_square : pos.white_king_square;
    // On the occupancy before the move: had a piece stood between its target
    // and the king, it would have given check already.
    const Bitboard diagonal = diagonal_attacks(pos, king), straight = straight_attacks(pos, king);
    targets.direct[EMPTY] = targets.direct[KING] = 0;
    targets.direct[PAWN] = white ? black_pawn_attacks[king] : white_pawn_attacks[king];
    targets.direct[KNIGHT] = knight_attacks[king];
    targets.direct[BISHOP] = diagonal;
    targets.direct[ROOK] = straight;
    targets.direct[QUEEN] = diagonal | straight;
    targets.uncovering =
        white ? sole_blockers(pos, king, pos.white_diagonal_sliders, pos.white_straight_sliders) &
                    pos.white_pieces
              : sole_blockers(pos, king, pos.black_diagonal_sliders, pos.black_straight_sliders) &
                    pos.black_pieces;
}
