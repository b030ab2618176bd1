// Builds every lookup table and draws the random keys, once at start-up.
#include "board/board.h"

Bitboard square_mask[64];
Bitboard rank_mask[8];
Bitboard file_mask[8];
Bitboard knight_attacks[64];
Bitboard king_attacks[64];
Bitboard white_pawn_attacks[64];
Bitboard black_pawn_attacks[64];
Bitboard white_king_shelter[64];
Bitboard black_king_shelter[64];
Bitboard white_front_span[64];
Bitboard black_front_span[64];
Bitboard white_passed_mask[64];
Bitboard black_passed_mask[64];
Bitboard adjacent_files_mask[64];
std::uint64_t piece_keys[2][7][64];
std::uint64_t ep_keys[64];
std::uint64_t castle_keys[4];
std::uint64_t repetition_key;
std::uint64_t side_key;
std::uint64_t key_history[KEY_HISTORY_SIZE];

void init_directions();
void init_sliding_tables();

namespace {

Bitboard step_set(int r, int f, const int (*offsets)[2], int count) {
    Bitboard b = 0;
    for (int i = 0; i < count; i++) {
        const int rr = r + offsets[i][0], ff = f + offsets[i][1];
        if (rr >= 0 && rr < 8 && ff >= 0 && ff < 8) b |= Bitboard(1) << (rr * 8 + ff);
    }
    return b;
}

void init_masks() {
    for (int s = 0; s < 64; s++) square_mask[s] = Bitboard(1) << s;
    for (int i = 0; i < 8; i++) {
        rank_mask[i] = RANK_1 << (8 * i);
        file_mask[i] = FILE_A << i;
    }
}

void init_step_attacks() {
    constexpr int knight_steps[8][2] = {{1, 2},  {2, 1},  {-1, 2},  {-2, 1},
                                        {1, -2}, {2, -1}, {-1, -2}, {-2, -1}};
    constexpr int king_steps[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                      {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    constexpr int white_pawn_steps[2][2] = {{1, -1}, {1, 1}};
    constexpr int black_pawn_steps[2][2] = {{-1, -1}, {-1, 1}};
    for (int s = 0; s < 64; s++) {
        const int r = s >> 3, f = s & 7;
        knight_attacks[s] = step_set(r, f, knight_steps, 8);
        king_attacks[s] = step_set(r, f, king_steps, 8);
        white_pawn_attacks[s] = step_set(r, f, white_pawn_steps, 2);
        black_pawn_attacks[s] = step_set(r, f, black_pawn_steps, 2);
    }
}

void init_evaluation_masks() {
    for (int s = 0; s < 64; s++) {
        const int r = s >> 3, f = s & 7;
        white_king_shelter[s] = black_king_shelter[s] = 0;
        if (f != 3 && f != 4) {
            if (r == 0)
                white_king_shelter[s] = square_mask[s + 8] | (f > 0 ? square_mask[s + 7] : 0) |
                                        (f < 7 ? square_mask[s + 9] : 0);
            if (r == 7)
                black_king_shelter[s] = square_mask[s - 8] | (f > 0 ? square_mask[s - 9] : 0) |
                                        (f < 7 ? square_mask[s - 7] : 0);
        }
        const Bitboard adjacent = (f > 0 ? file_mask[f - 1] : 0) | (f < 7 ? file_mask[f + 1] : 0);
        Bitboard above = 0, below = 0;
        for (int rr = r + 1; rr < 8; rr++) above |= rank_mask[rr];
        for (int rr = r - 1; rr >= 0; rr--) below |= rank_mask[rr];
        white_front_span[s] = file_mask[f] & above;
        black_front_span[s] = file_mask[f] & below;
        white_passed_mask[s] = (file_mask[f] | adjacent) & above;
        black_passed_mask[s] = (file_mask[f] | adjacent) & below;
        adjacent_files_mask[s] = adjacent;
    }
}

void draw_keys() {
    for (int s = 0; s < 64; s++) {
        for (int colour = 1; colour >= 0; colour--)
            for (int type = 1; type <= 6; type++) piece_keys[colour][type][s] = rand_next64();
        ep_keys[s] = rand_next64();
    }
    for (auto& k : castle_keys) k = rand_next64();
    repetition_key = rand_next64();
    side_key = rand_next64();
}

} // namespace

void init_tables() {
    init_masks();
    init_step_attacks();
    init_evaluation_masks();
    rand_reset();
    draw_keys();
    init_directions();
    init_sliding_tables();
}
