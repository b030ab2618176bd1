// Sliding-attack tables indexed by the rotated line occupancy, and the
// direction codes and rays used by the exchange evaluation.
#include "board/board.h"

Bitboard rank_attacks[64][256];
Bitboard file_attacks[64][256];
Bitboard diag_a1h8_attacks[64][256];
Bitboard diag_a8h1_attacks[64][256];
std::int8_t direction_between[64][64];
Bitboard ray_mask[9][64];
Bitboard between_mask[64][64];

namespace {

// Direction codes 1..8 in reading order of the 3x3 neighbourhood.
constexpr int dir_rank[9] = {0, 1, 1, 1, 0, 0, -1, -1, -1};
constexpr int dir_file[9] = {0, -1, 0, 1, -1, 1, -1, 0, 1};

bool on_board(int r, int f) { return r >= 0 && r < 8 && f >= 0 && f < 8; }

// Walk from (r, f) both ways along (dr, df); occupancy bit of a square is
// found by index_bit(r, f). Blockers are included.
template <typename IndexBit>
Bitboard walk_line(int r, int f, int dr, int df, int pattern, IndexBit index_bit) {
    Bitboard result = 0;
    for (int sign = -1; sign <= 1; sign += 2) {
        int rr = r + sign * dr, ff = f + sign * df;
        while (on_board(rr, ff)) {
            result |= square_mask[rr * 8 + ff];
            if (pattern & (1 << index_bit(rr, ff))) break;
            rr += sign * dr;
            ff += sign * df;
        }
    }
    return result;
}

} // namespace

void init_directions() {
    for (auto& row : direction_between)
        for (auto& d : row) d = 0;
    for (int s = 0; s < 64; s++) {
        for (int code = 1; code <= 8; code++) {
            ray_mask[code][s] = 0;
            int r = (s >> 3) + dir_rank[code], f = (s & 7) + dir_file[code];
            Bitboard passed = 0;
            while (on_board(r, f)) {
                const int t = r * 8 + f;
                ray_mask[code][s] |= square_mask[t];
                direction_between[s][t] = code;
                between_mask[s][t] = passed;
                passed |= square_mask[t];
                r += dir_rank[code];
                f += dir_file[code];
            }
        }
    }
}

void init_sliding_tables() {
    for (int s = 0; s < 64; s++) {
        const int r = s >> 3, f = s & 7;
        for (int pattern = 0; pattern < 256; pattern++) {
            rank_attacks[s][pattern] =
                walk_line(r, f, 0, 1, pattern, [](int, int ff) { return ff; });
            file_attacks[s][pattern] =
                walk_line(r, f, 1, 0, pattern, [](int rr, int) { return rr; });
            diag_a1h8_attacks[s][pattern] =
                walk_line(r, f, 1, 1, pattern, [](int, int ff) { return ff; });
            diag_a8h1_attacks[s][pattern] =
                walk_line(r, f, 1, -1, pattern, [](int, int ff) { return ff; });
        }
    }
}
