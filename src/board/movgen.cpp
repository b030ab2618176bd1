// Pseudo-legal move generation: captures with queen promotions, and quiet
// moves with under-promotions and castling. The order of the groups and of
// the squares inside them is the order the search sees equal moves in.
#include "board/board.h"

namespace {

inline int type_on(const Position& pos, Square s) {
    const int c = pos.board[s];
    return c < 0 ? -c : c;
}

// Pawn moves whose origin is target - shift (shift may be negative).
inline Move* pawn_moves(const Position& pos, Move* list, Bitboard targets, int shift,
                        int promotion) {
    for (; targets; targets = clear_lowest_bit(targets)) {
        const Square to = lowest_bit(targets);
        *list++ = make_move_word(to - shift, to, PAWN, type_on(pos, to), promotion);
    }
    return list;
}

inline Move* under_promotions(const Position& pos, Move* list, Bitboard targets, int shift) {
    for (; targets; targets = clear_lowest_bit(targets)) {
        const Square to = lowest_bit(targets);
        const int captured = type_on(pos, to);
        *list++ = make_move_word(to - shift, to, PAWN, captured, ROOK);
        *list++ = make_move_word(to - shift, to, PAWN, captured, KNIGHT);
        *list++ = make_move_word(to - shift, to, PAWN, captured, BISHOP);
    }
    return list;
}

template <int Type>
inline Bitboard piece_attacks(const Position& pos, Square s) {
    if constexpr (Type == KNIGHT) return knight_attacks[s];
    if constexpr (Type == BISHOP) return diagonal_attacks(pos, s);
    if constexpr (Type == ROOK) return straight_attacks(pos, s);
    if constexpr (Type == QUEEN) return diagonal_attacks(pos, s) | straight_attacks(pos, s);
    return king_attacks[s]; // KING
}

// Captures look up their victim; quiet targets are empty.
template <int Type, bool Captures>
inline Move* piece_moves(const Position& pos, Move* list, Bitboard pieces, Bitboard targets) {
    for (; pieces; pieces = clear_lowest_bit(pieces)) {
        const Square from = lowest_bit(pieces);
        for (Bitboard t = piece_attacks<Type>(pos, from) & targets; t; t = clear_lowest_bit(t)) {
            const Square to = lowest_bit(t);
            *list++ = make_move_word(from, to, Type, Captures ? type_on(pos, to) : 0);
        }
    }
    return list;
}

// Knights, bishops, rooks and queens, in that order.
template <bool White, bool Captures>
inline Move* officer_moves(const Position& pos, Move* list, Bitboard targets) {
    list = piece_moves<KNIGHT, Captures>(pos, list, White ? pos.white_knights : pos.black_knights,
                                         targets);
    list = piece_moves<BISHOP, Captures>(pos, list, White ? pos.white_bishops : pos.black_bishops,
                                         targets);
    list =
        piece_moves<ROOK, Captures>(pos, list, White ? pos.white_rooks : pos.black_rooks, targets);
    return piece_moves<QUEEN, Captures>(pos, list, White ? pos.white_queens : pos.black_queens,
                                        targets);
}

// The sets both generators start from, for the side to move.
struct Sides {
    Bitboard enemy, empty, promoting, others; // pawns split by the promotion rank
};

template <bool White>
inline Sides sides_of(const Position& pos) {
    const Bitboard pawns = White ? pos.white_pawns : pos.black_pawns;
    const Bitboard rank = White ? RANK_7 : RANK_2;
    return {White ? pos.black_pieces : pos.white_pieces, ~pos.occupied, pawns & rank,
            pawns & ~rank};
}

constexpr Bitboard shift(Bitboard b, int n) { return n > 0 ? b << n : b >> -n; }

template <bool White>
Move* captures_for(const Position& pos, Move* list) {
    const auto [enemy, empty, promoting, others] = sides_of<White>(pos);
    // shifts from origin to target: towards the a-file, towards the h-file, forward
    constexpr int left = White ? 7 : -9, right = White ? 9 : -7, up = White ? 8 : -8;

    list = pawn_moves(pos, list, shift(promoting & ~FILE_A, left) & enemy, left, QUEEN);
    list = pawn_moves(pos, list, shift(promoting & ~FILE_H, right) & enemy, right, QUEEN);
    list = pawn_moves(pos, list, shift(promoting, up) & empty, up, QUEEN);
    const Bitboard victims = enemy | pos.ep_target;
    for (int pass = 0; pass < 2; pass++) {
        const int n = pass ? right : left;
        Bitboard t = shift(others & ~(pass ? FILE_H : FILE_A), n) & victims;
        for (; t; t = clear_lowest_bit(t)) {
            const Square to = lowest_bit(t);
            const int captured = type_on(pos, to);
            *list++ = make_move_word(to - n, to, PAWN, captured ? captured : PAWN);
        }
    }
    list = officer_moves<White, true>(pos, list, enemy);
    return piece_moves<KING, true>(
        pos, list, square_mask[White ? pos.white_king_square : pos.black_king_square], enemy);
}

template <bool White>
Move* quiet_for(const Position& pos, Move* list) {
    const auto [enemy, empty, promoting, others] = sides_of<White>(pos);
    const Bitboard pawns = promoting | others;
    constexpr int left = White ? 7 : -9, right = White ? 9 : -7, up = White ? 8 : -8;

    list = officer_moves<White, false>(pos, list, empty);
    list = under_promotions(pos, list, shift(promoting & ~FILE_A, left) & enemy, left);
    list = under_promotions(pos, list, shift(promoting & ~FILE_H, right) & enemy, right);
    list = under_promotions(pos, list, shift(promoting, up) & empty, up);
    list = pawn_moves(pos, list, shift(others, up) & empty, up, 0);
    const Bitboard single = shift(pawns & (White ? RANK_2 : RANK_7), up) & empty;
    list = pawn_moves(pos, list, shift(single, up) & empty, 2 * up, 0);

    for (const Castling& c : castlings[White])
        if (castling_allowed(pos, c)) *list++ = c.word;
    return piece_moves<KING, false>(
        pos, list, square_mask[White ? pos.white_king_square : pos.black_king_square], empty);
}

} // namespace

Move* generate_captures(const Position& pos, Move* list) {
    return pos.white_to_move ? captures_for<true>(pos, list) : captures_for<false>(pos, list);
}

Move* generate_quiet(const Position& pos, Move* list) {
    return pos.white_to_move ? quiet_for<true>(pos, list) : quiet_for<false>(pos, list);
}
