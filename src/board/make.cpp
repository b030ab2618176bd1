// Make move on a position copy: every redundant view is updated
// incrementally; there is no unmake.
#include "board/board.h"

#ifdef ENGINE_DEBUG_CHECKS
#include <cassert>
#endif

namespace {

inline void occupancy_clear(Position& p, Square s) {
    const int r = s >> 3, f = s & 7;
    p.diag_a8h1_occupancy[r + f] &= ~(1 << f);
    p.diag_a1h8_occupancy[f - r + 7] &= ~(1 << f);
    p.file_occupancy[f] &= ~(1 << r);
    p.rank_occupancy[r] &= ~(1 << f);
}

inline void occupancy_set(Position& p, Square s) {
    const int r = s >> 3, f = s & 7;
    p.diag_a8h1_occupancy[r + f] |= 1 << f;
    p.diag_a1h8_occupancy[f - r + 7] |= 1 << f;
    p.file_occupancy[f] |= 1 << r;
    p.rank_occupancy[r] |= 1 << f;
}

template <bool White>
void make_side(Position& p, Move m) {
    constexpr int us = White ? 1 : 0, them = White ? 0 : 1;
    constexpr int sign = White ? 1 : -1;
    const Square from = move_from(m), to = move_to(m);
    const int piece = move_piece(m), captured = move_captured(m), promotion = move_promotion(m);
    const Bitboard from_bb = square_mask[from], to_bb = square_mask[to];
    const Bitboard fromto = from_bb | to_bb;

    Bitboard& own_pieces = White ? p.white_pieces : p.black_pieces;
    Bitboard& own_pawns = White ? p.white_pawns : p.black_pawns;
    Bitboard& own_knights = White ? p.white_knights : p.black_knights;
    Bitboard& own_bishops = White ? p.white_bishops : p.black_bishops;
    Bitboard& own_rooks = White ? p.white_rooks : p.black_rooks;
    Bitboard& own_queens = White ? p.white_queens : p.black_queens;
    Bitboard& own_diagonal = White ? p.white_diagonal_sliders : p.black_diagonal_sliders;
    Bitboard& own_straight = White ? p.white_straight_sliders : p.black_straight_sliders;
    auto& own_material = White ? p.white_material : p.black_material;
    auto& own_count = White ? p.white_nonpawn_count : p.black_nonpawn_count;
    auto& own_short = White ? p.castle_white_short : p.castle_black_short;
    auto& own_long = White ? p.castle_white_long : p.castle_black_long;
    constexpr int own_short_key = White ? 0 : 2, own_long_key = White ? 1 : 3;
    constexpr Square own_long_corner = White ? 0 : 56, own_short_corner = White ? 7 : 63;

    Bitboard& enemy_pieces = White ? p.black_pieces : p.white_pieces;
    Bitboard& enemy_pawns = White ? p.black_pawns : p.white_pawns;
    Bitboard& enemy_knights = White ? p.black_knights : p.white_knights;
    Bitboard& enemy_bishops = White ? p.black_bishops : p.white_bishops;
    Bitboard& enemy_rooks = White ? p.black_rooks : p.white_rooks;
    Bitboard& enemy_queens = White ? p.black_queens : p.white_queens;
    Bitboard& enemy_diagonal = White ? p.black_diagonal_sliders : p.white_diagonal_sliders;
    Bitboard& enemy_straight = White ? p.black_straight_sliders : p.white_straight_sliders;
    auto& enemy_material = White ? p.black_material : p.white_material;
    auto& enemy_count = White ? p.black_nonpawn_count : p.white_nonpawn_count;
    auto& enemy_short = White ? p.castle_black_short : p.castle_white_short;
    auto& enemy_long = White ? p.castle_black_long : p.castle_white_long;
    constexpr int enemy_short_key = White ? 2 : 0, enemy_long_key = White ? 3 : 1;
    constexpr Square enemy_long_corner = White ? 56 : 0, enemy_short_corner = White ? 63 : 7;

    // 1. occupancy
    p.occupied = (p.occupied & ~from_bb) | to_bb;
    occupancy_clear(p, from);
    occupancy_set(p, to);
    p.unmoved &= ~fromto;

    // 2. the moving piece
    switch (piece) {
    case QUEEN:
        own_queens ^= fromto;
        own_diagonal ^= fromto;
        own_straight ^= fromto;
        p.key ^= piece_keys[us][QUEEN][from] ^ piece_keys[us][QUEEN][to];
        break;
    case KING:
        (White ? p.white_king_square : p.black_king_square) = to;
        p.key ^= piece_keys[us][KING][from] ^ piece_keys[us][KING][to];
        if (own_short) {
            own_short = 0;
            p.key ^= castle_keys[own_short_key];
        }
        if (own_long) {
            own_long = 0;
            p.key ^= castle_keys[own_long_key];
        }
        break;
    case ROOK:
        own_rooks ^= fromto;
        own_straight ^= fromto;
        p.key ^= piece_keys[us][ROOK][from] ^ piece_keys[us][ROOK][to];
        if (from == own_long_corner && own_long) {
            own_long = 0;
            p.key ^= castle_keys[own_long_key];
        }
        if (from == own_short_corner && own_short) {
            own_short = 0;
            p.key ^= castle_keys[own_short_key];
        }
        break;
    case BISHOP:
        own_bishops ^= fromto;
        own_diagonal ^= fromto;
        p.key ^= piece_keys[us][BISHOP][from] ^ piece_keys[us][BISHOP][to];
        break;
    case KNIGHT:
        own_knights ^= fromto;
        p.key ^= piece_keys[us][KNIGHT][from] ^ piece_keys[us][KNIGHT][to];
        break;
    case PAWN: {
        own_pawns ^= fromto;
        const std::uint64_t k = piece_keys[us][PAWN][from] ^ piece_keys[us][PAWN][to];
        p.key ^= k;
        p.pawn_key ^= k;
        p.history_start = p.history_end;
        break;
    }
    }
    own_pieces ^= fromto;
    p.board[from] = 0;
    p.board[to] = sign * piece;

    // 3. the capture
    if (captured) {
        p.history_start = p.history_end;
        switch (captured) {
        case QUEEN:
            enemy_queens ^= to_bb;
            enemy_diagonal ^= to_bb;
            enemy_straight ^= to_bb;
            enemy_pieces ^= to_bb;
            enemy_material -= piece_value[QUEEN];
            enemy_count -= 1;
            p.key ^= piece_keys[them][QUEEN][to];
            break;
        case ROOK:
            enemy_rooks ^= to_bb;
            enemy_straight ^= to_bb;
            enemy_pieces ^= to_bb;
            enemy_material -= piece_value[ROOK];
            enemy_count -= 1;
            p.key ^= piece_keys[them][ROOK][to];
            if (to == enemy_long_corner && enemy_long) {
                enemy_long = 0;
                p.key ^= castle_keys[enemy_long_key];
            }
            if (to == enemy_short_corner && enemy_short) {
                enemy_short = 0;
                p.key ^= castle_keys[enemy_short_key];
            }
            break;
        case BISHOP:
            enemy_bishops ^= to_bb;
            enemy_diagonal ^= to_bb;
            enemy_pieces ^= to_bb;
            enemy_material -= piece_value[BISHOP];
            enemy_count -= 1;
            p.key ^= piece_keys[them][BISHOP][to];
            break;
        case KNIGHT:
            enemy_knights ^= to_bb;
            enemy_pieces ^= to_bb;
            enemy_material -= piece_value[KNIGHT];
            enemy_count -= 1;
            p.key ^= piece_keys[them][KNIGHT][to];
            break;
        case PAWN:
            enemy_material -= piece_value[PAWN];
            if (to == p.ep_square) {
                const Square victim = White ? to - 8 : to + 8;
                const Bitboard victim_bb = square_mask[victim];
                p.board[victim] = 0;
                enemy_pawns ^= victim_bb;
                enemy_pieces ^= victim_bb;
                p.occupied ^= victim_bb;
                occupancy_clear(p, victim);
                p.unmoved &= ~victim_bb;
                p.key ^= piece_keys[them][PAWN][victim];
                p.pawn_key ^= piece_keys[them][PAWN][victim];
            } else {
                enemy_pawns ^= to_bb;
                enemy_pieces ^= to_bb;
                p.key ^= piece_keys[them][PAWN][to];
                p.pawn_key ^= piece_keys[them][PAWN][to];
            }
            break;
        }
    }

    // 4. the promotion
    if (promotion) {
        own_pawns ^= to_bb;
        own_material += piece_value[promotion] - piece_value[PAWN];
        p.key ^= piece_keys[us][PAWN][to];
        p.pawn_key ^= piece_keys[us][PAWN][to];
        own_count += 1;
        p.board[to] = sign * promotion;
        p.key ^= piece_keys[us][promotion][to];
        switch (promotion) {
        case QUEEN:
            own_queens ^= to_bb;
            own_diagonal ^= to_bb;
            own_straight ^= to_bb;
            break;
        case ROOK:
            own_rooks ^= to_bb;
            own_straight ^= to_bb;
            break;
        case KNIGHT:
            own_knights ^= to_bb;
            break;
        case BISHOP:
            own_bishops ^= to_bb;
            own_diagonal ^= to_bb;
            break;
        }
    }

    // 5. castling: the rook jumps over the king
    const Castling(&own)[2] = castlings[White];
    if (m == own[0].word || m == own[1].word) {
        const Castling& c = own[m == own[1].word];
        const Bitboard rook_bb = square_mask[c.rook_from] | square_mask[c.rook_to];
        // The castling rights are gone for good: no earlier position can repeat.
        p.history_start = p.history_end;
        p.board[c.rook_from] = 0;
        p.board[c.rook_to] = sign * ROOK;
        own_rooks ^= rook_bb;
        own_straight ^= rook_bb;
        own_pieces ^= rook_bb;
        p.occupied ^= rook_bb;
        occupancy_clear(p, c.rook_from);
        occupancy_set(p, c.rook_to);
        p.unmoved &= ~rook_bb;
        p.key ^= piece_keys[us][ROOK][c.rook_from] ^ piece_keys[us][ROOK][c.rook_to];
    }

    // 6. en passant state
    if (p.ep_target) {
        p.key ^= ep_keys[p.ep_square];
        p.ep_target = 0;
        p.ep_square = -1;
    }
    if (piece == PAWN && (White ? to - from : from - to) == 16) {
        p.ep_square = White ? from + 8 : to + 8;
        p.ep_target = square_mask[p.ep_square];
        p.key ^= ep_keys[p.ep_square];
    }

    // 7. side to move
    p.white_to_move = 1 - p.white_to_move;
    p.key ^= side_key;

    // 8. key history
    *p.history_end++ = p.key;
}

} // namespace

void make_move(Position& pos, Move m) {
    if (pos.white_to_move)
        make_side<true>(pos, m);
    else
        make_side<false>(pos, m);
#ifdef ENGINE_DEBUG_CHECKS
    assert(position_is_ok(pos));
#endif
}
