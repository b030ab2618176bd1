// Legal move list, legality of one move word, and the cheap validity test
// of a stored move (hash move, killer) in a position it was not made for.
#include "board/board.h"

// Own pieces that alone stand between the own king and an enemy slider.
Bitboard pinned_pieces(const Position& pos) {
    const int white = pos.white_to_move;
    const Square king = white ? pos.white_king_square : pos.black_king_square;
    const Bitboard own = white ? pos.white_pieces : pos.black_pieces;
    const Bitboard diagonal = white ? pos.black_diagonal_sliders : pos.white_diagonal_sliders;
    const Bitboard straight = white ? pos.black_straight_sliders : pos.white_straight_sliders;
    // Only sliders on an empty-board line through the king can pin.
    const Bitboard rook_lines = rank_attacks[king][0] | file_attacks[king][0];
    const Bitboard bishop_lines = diag_a1h8_attacks[king][0] | diag_a8h1_attacks[king][0];
    Bitboard pinners = (straight & rook_lines) | (diagonal & bishop_lines);
    Bitboard pinned = 0;
    for (; pinners; pinners = clear_lowest_bit(pinners)) {
        const Bitboard between = between_mask[king][lowest_bit(pinners)] & pos.occupied;
        if (between && !clear_lowest_bit(between)) pinned |= between & own;
    }
    return pinned;
}

Bitboard exposing_squares(const Position& pos, int in_check) {
    if (in_check) return ~Bitboard(0);
    const Square king = pos.white_to_move ? pos.white_king_square : pos.black_king_square;
    return pinned_pieces(pos) | square_mask[king];
}

Move* legal_moves(const Position& pos, Move* list) {
    // Filtered in place: the kept moves never overtake the one read.
    Move* const pseudo = list;
    Move* const end = generate_quiet(pos, generate_captures(pos, pseudo));
    if (end == pseudo) return list;
    const int in_check = side_in_check(pos);
    const Bitboard exposing = exposing_squares(pos, in_check);
    const Square king = pos.white_to_move ? pos.white_king_square : pos.black_king_square;
    for (const Move* m = pseudo; m != end; m++) {
        // Only a side-to-move command can leave a king en prise; taking it
        // is still no move.
        if (move_captured(*m) == KING) continue;
        // A move that cannot expose the king needs no test.
        if (!may_expose_king(pos, exposing, *m)) {
            *list++ = *m;
            continue;
        }
        const Square from = move_from(*m), to = move_to(*m);
        if (!in_check && to != pos.ep_square) {
            // Out of check no slider looks through the king's square, so a
            // king step is safe when its target is; a pinned piece must stay
            // on the line from the king through it.
            const bool safe = from == king
                                  ? !is_attacked(pos, to, !pos.white_to_move)
                                  : direction_between[king][to] == direction_between[king][from];
            if (safe) *list++ = *m;
            continue;
        }
        Position scratch = pos;
        make_move(scratch, *m);
        if (!mover_in_check(scratch)) *list++ = *m;
    }
    return list;
}

int move_is_legal(const Position& pos, Move m) {
    Move list[MAX_MOVES];
    const Move* end = legal_moves(pos, list);
    for (const Move* p = list; p != end; p++)
        if (*p == m) return 1;
    return 0;
}

int move_is_valid(const Position& pos, Move m) {
    const int white = pos.white_to_move;
    const Square from = move_from(m), to = move_to(m);
    const int piece = move_piece(m), captured = move_captured(m);
    if (pos.board[from] != (white ? piece : -piece)) return 0;
    // Stored words can come from a table file: refuse any word that no
    // generator produces, and king captures, so that make_move never sees one.
    if ((m >> 21) || piece == EMPTY || piece > KING || captured == KING) return 0;
    const bool last_rank = piece == PAWN && (to >> 3) == (white ? 7 : 0);
    const int promotion = move_promotion(m);
    if (last_rank ? promotion < BISHOP || promotion > QUEEN : promotion != 0) return 0;
    switch (piece) {
    case PAWN: {
        const int d = white ? to - from : from - to;
        if (d == 8) return pos.board[to] == 0;
        if (d == 16) return pos.board[white ? from + 8 : to + 8] == 0 && pos.board[to] == 0;
        if (!((white ? white_pawn_attacks : black_pawn_attacks)[from] & square_mask[to])) return 0;
        if (captured == PAWN && to == pos.ep_square) return 1;
        if (captured == 0) return 0;
        break;
    }
    case KING: {
        // A two-file jump is only ever a castling of the side to move.
        for (const Castling& c : castlings[white])
            if (m == c.word) return castling_allowed(pos, c);
        if (!(king_attacks[from] & square_mask[to])) return 0;
        break;
    }
    case KNIGHT:
        if (!(knight_attacks[from] & square_mask[to])) return 0;
        break;
    default: // bishop, rook, queen: the way must be open
        if (!(attacks_from(pos, from) & square_mask[to])) return 0;
        break;
    }
    return pos.board[to] == (white ? -captured : captured);
}
