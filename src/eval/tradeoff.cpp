// Static exchange evaluation: both sides capture on the target square with
// their least valuable attacker; either side may stop when it would lose.
#include "eval/eval.h"

namespace {

std::int32_t swap_list[33];

// The slider found behind q, looking away from the target, on the
// unchanged occupancy: only the square just vacated is seen through.
inline Bitboard uncovered(const Position& p, Square q, Square to) {
    const int d = direction_between[q][to];
    if (!d) return 0;
    const int r = q >> 3, f = q & 7;
    Bitboard line, sliders;
    switch (d) {
    case 1:
    case 8:
        line = diag_a8h1_attacks[q][p.diag_a8h1_occupancy[r + f]];
        sliders = p.white_diagonal_sliders | p.black_diagonal_sliders;
        break;
    case 3:
    case 6:
        line = diag_a1h8_attacks[q][p.diag_a1h8_occupancy[f - r + 7]];
        sliders = p.white_diagonal_sliders | p.black_diagonal_sliders;
        break;
    case 2:
    case 7:
        line = file_attacks[q][p.file_occupancy[f]];
        sliders = p.white_straight_sliders | p.black_straight_sliders;
        break;
    default:
        line = rank_attacks[q][p.rank_occupancy[r]];
        sliders = p.white_straight_sliders | p.black_straight_sliders;
        break;
    }
    return line & ray_mask[9 - d][q] & sliders;
}

// Least valuable attacker of one side in the set: by kind, highest square first.
inline Square least_valuable(const Position& p, Bitboard attackers, int white) {
    const Bitboard kinds[5] = {
        white ? p.white_pawns : p.black_pawns,     white ? p.white_knights : p.black_knights,
        white ? p.white_bishops : p.black_bishops, white ? p.white_rooks : p.black_rooks,
        white ? p.white_queens : p.black_queens,
    };
    for (const Bitboard kind : kinds)
        if (attackers & kind) return highest_bit(attackers & kind);
    const Square king = white ? p.white_king_square : p.black_king_square;
    if (attackers & square_mask[king]) return king;
    return -1;
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
    swap_list[0] = gain;
    attackers = (attackers & ~square_mask[from]) | uncovered(p, from, to);

    int side = 1 - p.white_to_move;
    int n = 1;
    for (;;) {
        const Square s = least_valuable(p, attackers, side);
        if (s < 0) break;
        swap_list[n] = standing - swap_list[n - 1];
        n++;
        const int type = p.board[s] < 0 ? -p.board[s] : p.board[s];
        standing = piece_value[type];
        attackers = (attackers & ~square_mask[s]) | uncovered(p, s, to);
        side = 1 - side;
    }
    for (int i = n - 1; i >= 1; i--)
        if (swap_list[i] > -swap_list[i - 1]) swap_list[i - 1] = -swap_list[i];
    return swap_list[0];
}
