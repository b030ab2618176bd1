// Legal move list, legality of one move word, and the cheap validity test
// of a stored move (hash move, killer) in a position it was not made for.
#include "board/board.h"

Bitboard sole_blockers(const Position& pos, Square king, Bitboard diagonal, Bitboard straight) {
    // Only sliders on an empty-board line through the king count.
    const Bitboard rook_lines = rank_attacks[king][0] | file_attacks[king][0];
    const Bitboard bishop_lines = diag_a1h8_attacks[king][0] | diag_a8h1_attacks[king][0];
    Bitboard sliders = (straight & rook_lines) | (diagonal & bishop_lines);
    Bitboard blockers = 0;
    for (; sliders; sliders = clear_lowest_bit(sliders)) {
        const Bitboard between = between_mask[king][lowest_bit(sliders)] & pos.occupied;
        if (between && !clear_lowest_bit(between)) blockers |= between;
    }
    return blockers;
}

Bitboard pinned_pieces(const Position& pos) {
    return pos.white_to_move ? sole_blockers(pos, pos.white_king_square, pos.black_diagonal_sliders,
                                             pos.black_straight_sliders) &
                                   pos.white_pieces
                             : sole_blockers(pos, pos.black_king_square, pos.white_diagonal_sliders,
                                             pos.white_straight_sliders) &
                                   pos.black_pieces;
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
    for (const Move* m = pseudo; m != end; m++) {
        // Only a side-to-move command can leave a king en prise; taking it
        // is still no move.
        if (move_captured(*m) == KING) continue;
        const int known = known_legality(pos, exposing, in_check, *m);
        if (known >= 0) {
            if (known) *list++ = *m;
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
