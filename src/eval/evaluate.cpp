// Static evaluation: material, a handful of hand-set positional terms and
// the pawn structure, from the side to move's point of view.
#include "eval/eval.h"

namespace {

// Material this far outside the window settles which side of it the score
// is reported on, without the positional terms.
constexpr int lazy_margin = 100;
constexpr Bitboard CENTRE = 0x0000001818000000ULL;
constexpr Bitboard WHITE_WING = 0xE7ULL;
constexpr Bitboard BLACK_WING = 0xE7ULL << 56;
constexpr Bitboard WHITE_MINOR_HOME = 0x66ULL;
constexpr Bitboard BLACK_MINOR_HOME = 0x66ULL << 56;
constexpr Bitboard WHITE_QUEEN_HOME = 0x08ULL;
constexpr Bitboard BLACK_QUEEN_HOME = 0x08ULL << 56;
constexpr Square centre_squares[4] = {27, 35, 28, 36}; // d4 d5 e4 e5

inline int count(Bitboard b) { return popcount(b); }

int positional_terms(const Position& p) {
    const Bitboard wp = p.white_pawns, bp = p.black_pawns;
    int s = 0;

    // centre occupation
    s += 5 * count(wp & CENTRE) + 7 * count(p.white_knights & CENTRE);
    s -= 5 * count(bp & CENTRE) + 7 * count(p.black_knights & CENTRE);

    // centre control by bishops, rooks and queens
    for (const Square c : centre_squares) {
        const Bitboard diagonal = diagonal_attacks(p, c), straight = straight_attacks(p, c);
        s += 4 *
             count((diagonal & p.white_diagonal_sliders) | (straight & p.white_straight_sliders));
        s -= 4 *
             count((diagonal & p.black_diagonal_sliders) | (straight & p.black_straight_sliders));
    }

    // mobility of bishops and rooks; rook co-operation and back-rank rooks
    for (Bitboard b = p.white_bishops; b; b = clear_lowest_bit(b))
        s += count(diagonal_attacks(p, lowest_bit(b)));
    for (Bitboard b = p.black_bishops; b; b = clear_lowest_bit(b))
        s -= count(diagonal_attacks(p, lowest_bit(b)));
    for (Bitboard b = p.white_rooks; b; b = clear_lowest_bit(b)) {
        const Square sq = lowest_bit(b);
        const Bitboard attacks = straight_attacks(p, sq);
        s += count(attacks) + 8 * count(attacks & p.white_straight_sliders);
        if (p.black_bishops && sq < 8) s += 4 * count(white_pawn_attacks[sq] & wp);
    }
    for (Bitboard b = p.black_rooks; b; b = clear_lowest_bit(b)) {
        const Square sq = lowest_bit(b);
        const Bitboard attacks = straight_attacks(p, sq);
        s -= count(attacks) + 8 * count(attacks & p.black_straight_sliders);
        if (p.white_bishops && sq >= 56) s -= 4 * count(black_pawn_attacks[sq] & bp);
    }

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
    if (!(pos.white_pawns | pos.black_pawns) && pos.white_material <= 300 &&
        pos.black_material <= 300)
        return draw_score(pos); // bare minor pieces cannot mate
    const int side_material = pos.white_to_move ? material : -material;
    if (side_material < alpha - lazy_margin) return alpha;
    if (side_material > beta + lazy_margin) return beta;
    const int score = material + positional_terms(pos) + evaluate_pawns(pos);
    return pos.white_to_move ? score : -score;
}
