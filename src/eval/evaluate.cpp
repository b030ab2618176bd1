// Static evaluation: material, a handful of hand-set positional terms and
// the pawn structure, from the side to move's point of view.
#include "eval/eval.h"

namespace {

constexpr Bitboard CENTRE = 0x0000001818000000ULL;
constexpr Bitboard WHITE_WING = 0xE7ULL;
constexpr Bitboard BLACK_WING = 0xE7ULL << 56;
constexpr Bitboard WHITE_MINOR_HOME = 0x66ULL;
constexpr Bitboard BLACK_MINOR_HOME = 0x66ULL << 56;
constexpr Bitboard WHITE_QUEEN_HOME = 0x08ULL;
constexpr Bitboard BLACK_QUEEN_HOME = 0x08ULL << 56;

inline int count(Bitboard b) { return popcount(b); }

inline Bitboard queen_attacks(const Position& p, Square s) {
    return diagonal_attacks(p, s) | straight_attacks(p, s);
}

int positional_terms(const Position& p) {
    const Bitboard wp = p.white_pawns, bp = p.black_pawns;
    int s = 0;

    // centre occupation
    s += 5 * count(wp & CENTRE) + 7 * count(p.white_knights & CENTRE);
    s -= 5 * count(bp & CENTRE) + 7 * count(p.black_knights & CENTRE);

    // Mobility of bishops and rooks, rook co-operation and back-rank rooks, and
    // centre control: each attack of a bishop, rook or queen on a centre square.
    // (Counted from the pieces, so that the mobility lookups serve twice.)
    for (Bitboard b = p.white_bishops; b; b = clear_lowest_bit(b)) {
        const Bitboard attacks = diagonal_attacks(p, lowest_bit(b));
        s += count(attacks) + 4 * count(attacks & CENTRE);
    }
    for (Bitboard b = p.black_bishops; b; b = clear_lowest_bit(b)) {
        const Bitboard attacks = diagonal_attacks(p, lowest_bit(b));
        s -= count(attacks) + 4 * count(attacks & CENTRE);
    }
    for (Bitboard b = p.white_rooks; b; b = clear_lowest_bit(b)) {
        const Square sq = lowest_bit(b);
        const Bitboard attacks = straight_attacks(p, sq);
        s += count(attacks) + 8 * count(attacks & p.white_straight_sliders) +
             4 * count(attacks & CENTRE);
        if (p.black_bishops && sq < 8) s += 4 * count(white_pawn_attacks[sq] & wp);
    }
    for (Bitboard b = p.black_rooks; b; b = clear_lowest_bit(b)) {
        const Square sq = lowest_bit(b);
        const Bitboard attacks = straight_attacks(p, sq);
        s -= count(attacks) + 8 * count(attacks & p.black_straight_sliders) +
             4 * count(attacks & CENTRE);
        if (p.white_bishops && sq >= 56) s -= 4 * count(black_pawn_attacks[sq] & bp);
    }
    for (Bitboard b = p.white_queens; b; b = clear_lowest_bit(b))
        s += 4 * count(queen_attacks(p, lowest_bit(b)) & CENTRE);
    for (Bitboard b = p.black_queens; b; b = clear_lowest_bit(b))
        s -= 4 * count(queen_attacks(p, lowest_bit(b)) & CENTRE);

    // king shelter
    s += 8 * count(wp & white_king_shelter[p.white_king_square]);
    s -= 8 * count(bp & black_king_shelter[p.black_king_square]);

    // early queen and development
    const Bitboard u = p.unmoved;
    if ((u & (WHITE_MINOR_HOME | WHITE_QUEEN_HOME)) == WHITE_MINOR_HOME) s -= 15;
    if ((u & (BLACK_MINOR_HOME | BLACK_QUEEN_HOME)) == BLACK_MINOR_HOME) s += 15;
    if (!(u & WHITE_QUEEN_HOME) && (u & WHITE_MINOR_HOME)) s -= 15;
    if (!(u & BLACK_QUEEN_HOME) && (u & BLACK_MINOR_HOME)) s += 15;
    s += 7 * count(WHITE_MINOR_HOME & ~u) - 7 * count(BLACK_MINOR_HOME & ~u);

    // castling rights and king placement
    s += 15 * (p.castle_white_short + p.castle_white_long);
    s -= 15 * (p.castle_black_short + p.castle_black_long);
    if (square_mask[p.white_king_square] & WHITE_WING) s += 10;
    if (square_mask[p.black_king_square] & BLACK_WING) s -= 10;
    return s;
}

} // namespace

int evaluate(const Position& pos, int alpha, int beta) {
    const int material = pos.white_material - pos.black_material;
    if (!(pos.white_pawns | pos.black_pawns) && pos.white_material <= BARE_MINOR_MATERIAL &&
        pos.black_material <= BARE_MINOR_MATERIAL)
        return draw_score(pos); // bare minor pieces cannot mate
    const int side_material = pos.white_to_move ? material : -material;
    if (side_material < alpha - LAZY_MARGIN) return alpha;
    if (side_material > beta + LAZY_MARGIN) return beta;
    const int score = material + positional_terms(pos) + evaluate_pawns(pos);
    return pos.white_to_move ? score : -score;
}
