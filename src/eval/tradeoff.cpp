// Static exchange evaluation: both sides capture on the target square with
// their least valuable attacker; either side may stop when it would lose.
#include "eval/eval.h"

namespace {

// By direction code: does the ray run along a diagonal, and towards higher squares?
constexpr bool diagonal_direction[9] = {false, true, false, true, false, false, true, false, true};
constexpr bool rising_direction[9] = {false, true, true, true, false, true, false, false, false};

// The slider behind q, seen from the target: the first piece beyond q on the
// ray away from the target, if it moves along that line. The occupancy is
// not updated: only the square just vacated is seen through.
inline Bitboard uncovered(const Position& p, Square q, Square to) {
    const int towards = direction_between[q][to];
    if (!towards) return 0;
    const int away = 9 - towards;
    const Bitboard beyond = ray_mask[away][q] & p.occupied;
    if (!beyond) return 0;
    const Square first = rising_direction[away] ? lowest_bit(beyond) : highest_bit(beyond);
    const Bitboard sliders = diagonal_direction[away]
                                 ? p.white_diagonal_sliders | p.black_diagonal_sliders
                                 : p.white_straight_sliders | p.black_straight_sliders;
    return square_mask[first] & sliders;
}

} // namespace

int tradeoff(const Position& p, Move m) {
    const Square from = move_from(m), to = move_to(m);
    const int moving = move_piece(m), captured = move_captured(m), promotion = move_promotion(m);

    Bitboard attackers =
        (black_pawn_attacks[to] & p.white_pawns) | (white_pawn_attacks[to] & p.black_pawns) |
        (knight_attacks[to] & (p.white_knights | p.black_knights)) |
        (diagonal_attacks(p, to) & (p.white_diagonal_sliders | p.black_diagonal_sliders)) |
        (straight_attacks(p, to) & (p.white_straight_sliders | p.black_straight_sliders));
    if (king_attacks[to] & square_mask[p.white_king_square])
        attackers |= square_mask[p.white_king_square];
    if (king_attacks[to] & square_mask[p.black_king_square])
        attackers |= square_mask[p.black_king_square];

    int gain = piece_value[captured];
    int standing = piece_value[moving];
    if (promotion) {
        gain += piece_value[promotion] - piece_value[moving];
        standing = piece_value[promotion];
    }
    attackers = (attackers & ~square_mask[from]) | uncovered(p, from, to);
    int side = 1 - p.white_to_move;
    if (!(attackers & (side ? p.white_pieces : p.black_pieces))) return gain; // no recapture

    // The pieces of both sides by kind, least valuable first (a knight before
    // a bishop); the side's attackers pick out its own.
    const Bitboard kinds[6] = {p.white_pawns | p.black_pawns,
                               p.white_knights | p.black_knights,
                               p.white_bishops | p.black_bishops,
                               p.white_rooks | p.black_rooks,
                               p.white_queens | p.black_queens,
                               square_mask[p.white_king_square] | square_mask[p.black_king_square]};
    constexpr int kind_value[6] = {piece_value[PAWN], piece_value[KNIGHT], piece_value[BISHOP],
                                   piece_value[ROOK], piece_value[QUEEN],  piece_value[KING]};

    std::int32_t swap_list[33];
    swap_list[0] = gain;
    int n = 1;
    for (;;) {
        // the side's least valuable attacker, of its kind the one on the highest square
        const Bitboard own = attackers & (side ? p.white_pieces : p.black_pieces);
        if (!own) break;
        int kind = 0;
        while (!(own & kinds[kind])) kind++; // every attacker is of some kind
        const Square s = highest_bit(own & kinds[kind]);
        swap_list[n] = standing - swap_list[n - 1];
        n++;
        standing = kind_value[kind];
        attackers = (attackers & ~square_mask[s]) | uncovered(p, s, to);
        side = 1 - side;
    }
    for (int i = n - 1; i >= 1; i--)
        if (swap_list[i] > -swap_list[i - 1]) swap_list[i - 1] = -swap_list[i];
    return swap_list[0];
}
