// Precomputed tables and random keys: known answers and brute-force
// cross-checks of every table against a direct square-by-square walk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <set>
#include <vector>

#include "board/board.h"
#include "test_util.h"

namespace {

// Attack set of a slider on (r, f) along (dr, df) in both directions;
// occupied(rr, ff) says whether a square stops the walk.
template <typename Occupied>
Bitboard walk(int r, int f, int dr, int df, Occupied occupied) {
    Bitboard b = 0;
    for (int sign : {-1, 1}) {
        for (int rr = r + sign * dr, ff = f + sign * df; on_board(rr, ff);
             rr += sign * dr, ff += sign * df) {
            b |= Bitboard(1) << (rr * 8 + ff);
            if (occupied(rr, ff)) break;
        }
    }
    return b;
}

TEST(RandomGenerator, FirstNumbersFromTheSeedTable) {
    rand_reset();
    EXPECT_EQ(rand_next32(), 0x039B11BFu);
    EXPECT_EQ(rand_next32(), 0x4890D6A4u);
    for (int i = 3; i < 25; i++) rand_next32();
    EXPECT_EQ(rand_next32(), 0xABF131AAu); // 25th: first read of a word already updated
    for (int i = 26; i < 55; i++) rand_next32();
    EXPECT_EQ(rand_next32(), 0x29E3C6EAu); // 55th
    EXPECT_EQ(rand_next32(), 0xAB76533Du); // 56th: both indices have wrapped
    for (int i = 57; i < 1000; i++) rand_next32();
    EXPECT_EQ(rand_next32(), 0xB6121D22u);

    rand_reset();
    EXPECT_EQ(rand_next64(), 0x4890D6A4039B11BFull); // low half drawn first
    init_tables();
}

TEST(RandomKeys, DrawnInTheFixedOrder) {
    rand_reset();
    std::vector<std::uint64_t> draws(64 * 13 + 6);
    for (auto& d : draws) d = rand_next64();
    init_tables(); // redraws the same keys and leaves the generator as start-up does

    // Values worked out by hand from the generator.
    EXPECT_EQ(piece_keys[1][PAWN][0], 0x4890D6A4039B11BFull);
    EXPECT_EQ(piece_keys[0][KING][0], 0x32E60A2983D1C843ull);
    EXPECT_EQ(ep_keys[0], 0x3C3CF99DABF131AAull);
    EXPECT_EQ(piece_keys[1][PAWN][1], 0xD83283085553E1FDull);
    EXPECT_EQ(piece_keys[1][KING][sq("e1")], 0x7063DDB8332AD23Eull);
    EXPECT_EQ(ep_keys[sq("e3")], 0x350E0DD9BE966D1Full);
    EXPECT_EQ(castle_keys[0], 0x8D8F124FF900103Cull);
    EXPECT_EQ(castle_keys[3], 0x0405077EFB9DE9E5ull);
    EXPECT_EQ(repetition_key, 0xF09E5EFD02768135ull);
    EXPECT_EQ(side_key, 0x8FDC91EE2D536CE9ull); // the last draw

    // Every key in drawing order: per square white 1..6, black 1..6, en passant.
    std::size_t i = 0;
    for (int s = 0; s < 64; s++) {
        for (int colour : {1, 0})
            for (int type = PAWN; type <= KING; type++)
                EXPECT_EQ(piece_keys[colour][type][s], draws[i++]) << colour << type << s;
        EXPECT_EQ(ep_keys[s], draws[i++]) << s;
    }
    for (int c = 0; c < 4; c++) EXPECT_EQ(castle_keys[c], draws[i++]);
    EXPECT_EQ(repetition_key, draws[i++]);
    EXPECT_EQ(side_key, draws[i++]);
    EXPECT_EQ(i, draws.size());

    const std::set<std::uint64_t> distinct(draws.begin(), draws.end());
    EXPECT_EQ(distinct.size(), draws.size());
}

TEST(Masks, SquaresRanksFiles) {
    for (int s = 0; s < 64; s++) {
        EXPECT_EQ(square_mask[s], Bitboard(1) << s);
        EXPECT_TRUE(rank_mask[s >> 3] & square_mask[s]);
        EXPECT_TRUE(file_mask[s & 7] & square_mask[s]);
    }
    EXPECT_EQ(rank_mask[0], 0xFFull);
    EXPECT_EQ(rank_mask[7], 0xFF00000000000000ull);
    EXPECT_EQ(file_mask[0], 0x0101010101010101ull);
    EXPECT_EQ(file_mask[7], 0x8080808080808080ull);
}

TEST(StepAttacks, KnownSquares) {
    EXPECT_EQ(knight_attacks[sq("a1")], squares({"b3", "c2"}));
    EXPECT_EQ(knight_attacks[sq("e4")], squares({"d2", "f2", "c3", "g3", "c5", "g5", "d6", "f6"}));
    EXPECT_EQ(king_attacks[sq("a1")], squares({"a2", "b1", "b2"}));
    EXPECT_EQ(king_attacks[sq("h8")], squares({"g8", "g7", "h7"}));
    EXPECT_EQ(white_pawn_attacks[sq("h1")], squares({"g2"}));
    EXPECT_EQ(white_pawn_attacks[sq("a1")], squares({"b2"}));
    EXPECT_EQ(white_pawn_attacks[sq("e4")], squares({"d5", "f5"}));
    EXPECT_EQ(black_pawn_attacks[sq("a1")], 0u);
    EXPECT_EQ(black_pawn_attacks[sq("h8")], squares({"g7"}));
    EXPECT_EQ(black_pawn_attacks[sq("e5")], squares({"d4", "f4"}));
}

TEST(StepAttacks, MatchGeometryOnEverySquare) {
    for (int s = 0; s < 64; s++) {
        for (int t = 0; t < 64; t++) {
            const int dr = (t >> 3) - (s >> 3), df = (t & 7) - (s & 7);
            const int ar = std::abs(dr), af = std::abs(df);
            const Bitboard bit = Bitboard(1) << t;
            EXPECT_EQ((knight_attacks[s] & bit) != 0, (ar == 1 && af == 2) || (ar == 2 && af == 1))
                << s << " " << t;
            EXPECT_EQ((king_attacks[s] & bit) != 0, std::max(ar, af) == 1) << s << " " << t;
            EXPECT_EQ((white_pawn_attacks[s] & bit) != 0, dr == 1 && af == 1) << s << " " << t;
            EXPECT_EQ((black_pawn_attacks[s] & bit) != 0, dr == -1 && af == 1) << s << " " << t;
        }
    }
}

TEST(SlidingAttacks, KnownEntries) {
    EXPECT_EQ(rank_attacks[sq("a1")][0b00000001],
              squares({"b1", "c1", "d1", "e1", "f1", "g1", "h1"}));
    EXPECT_EQ(rank_attacks[sq("a1")][0b00001001], squares({"b1", "c1", "d1"}));
    // e1, e4 and e7 occupied: ranks 0, 3 and 6 of the e-file.
    EXPECT_EQ(file_attacks[sq("e4")][0b01001001], squares({"e1", "e2", "e3", "e5", "e6", "e7"}));
    // Only e4 itself on its a8-h1 diagonal (bit of file e), or nothing at all.
    const Bitboard long_diagonal = squares({"h1", "g2", "f3", "d5", "c6", "b7", "a8"});
    EXPECT_EQ(diag_a8h1_attacks[sq("e4")][0b00010000], long_diagonal);
    EXPECT_EQ(diag_a8h1_attacks[sq("e4")][0], long_diagonal);
    // A blocker on c6 (file c) stops the walk there; h1's side stays open.
    EXPECT_EQ(diag_a8h1_attacks[sq("e4")][0b00010100], squares({"h1", "g2", "f3", "d5", "c6"}));
    EXPECT_EQ(diag_a1h8_attacks[sq("e4")][0], squares({"b1", "c2", "d3", "f5", "g6", "h7"}));
    EXPECT_EQ(diag_a1h8_attacks[sq("a1")][0b00000001],
              squares({"b2", "c3", "d4", "e5", "f6", "g7", "h8"}));
    // h1 alone on its a1-h8 diagonal: no squares at all.
    EXPECT_EQ(diag_a1h8_attacks[sq("h1")][0b10000000], 0u);
}

// Every square, every index byte, all four tables: bits of the byte that
// name squares off the line (short diagonals) and the square's own bit
// are never looked at.
TEST(SlidingAttacks, MatchWalkForEverySquareAndOccupancy) {
    int mismatches = 0;
    for (int s = 0; s < 64; s++) {
        const int r = s >> 3, f = s & 7;
        for (int byte = 0; byte < 256; byte++) {
            auto by_file = [byte](int, int ff) { return (byte >> ff) & 1; };
            auto by_rank = [byte](int rr, int) { return (byte >> rr) & 1; };
            const Bitboard rank = walk(r, f, 0, 1, by_file);
            const Bitboard file = walk(r, f, 1, 0, by_rank);
            const Bitboard a1h8 = walk(r, f, 1, 1, by_file);
            const Bitboard a8h1 = walk(r, f, 1, -1, by_file);
            mismatches += rank_attacks[s][byte] != rank;
            mismatches += file_attacks[s][byte] != file;
            mismatches += diag_a1h8_attacks[s][byte] != a1h8;
            mismatches += diag_a8h1_attacks[s][byte] != a8h1;
            if (mismatches && mismatches < 5) {
                ADD_FAILURE() << "square " << s << " byte " << byte;
                mismatches = 5;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Directions, KnownPairsAndRays) {
    EXPECT_EQ(direction_between[sq("a1")][sq("h8")], 3);
    EXPECT_EQ(direction_between[sq("h8")][sq("a1")], 6);
    EXPECT_EQ(direction_between[sq("a1")][sq("b3")], 0);
    EXPECT_EQ(direction_between[sq("e4")][sq("e8")], 2);
    EXPECT_EQ(direction_between[sq("e4")][sq("a4")], 4);
    EXPECT_EQ(direction_between[sq("e4")][sq("h1")], 8);
    EXPECT_EQ(direction_between[sq("e4")][sq("b7")], 1);
    EXPECT_EQ(ray_mask[3][sq("a1")], squares({"b2", "c3", "d4", "e5", "f6", "g7", "h8"}));
    EXPECT_EQ(ray_mask[7][sq("c3")], squares({"c2", "c1"}));
    EXPECT_EQ(ray_mask[5][sq("h4")], 0u);
}

TEST(Directions, MatchGeometryOnEveryPair) {
    // Code -> (rank step, file step), reading order of the 3x3 neighbourhood.
    const int step[9][2] = {{0, 0}, {1, -1},  {1, 0},  {1, 1}, {0, -1},
                            {0, 1}, {-1, -1}, {-1, 0}, {-1, 1}};
    for (int s = 0; s < 64; s++) {
        EXPECT_EQ(direction_between[s][s], 0);
        Bitboard all_rays = 0;
        for (int code = 1; code <= 8; code++) {
            Bitboard ray = 0;
            int r = (s >> 3) + step[code][0], f = (s & 7) + step[code][1];
            for (; on_board(r, f); r += step[code][0], f += step[code][1]) {
                ray |= Bitboard(1) << (r * 8 + f);
                EXPECT_EQ(direction_between[s][r * 8 + f], code) << s;
                EXPECT_EQ(direction_between[r * 8 + f][s], 9 - code) << s;
            }
            EXPECT_EQ(ray_mask[code][s], ray) << code << " " << s;
            all_rays |= ray;
        }
        for (int t = 0; t < 64; t++) {
            if (!(all_rays & square_mask[t])) {
                EXPECT_EQ(direction_between[s][t], 0);
            }
        }
    }
}

TEST(KingShelter, OnlyBackRankWings) {
    EXPECT_EQ(white_king_shelter[sq("g1")], squares({"f2", "g2", "h2"}));
    EXPECT_EQ(white_king_shelter[sq("a1")], squares({"a2", "b2"}));
    EXPECT_EQ(white_king_shelter[sq("h1")], squares({"g2", "h2"}));
    EXPECT_EQ(white_king_shelter[sq("b1")], squares({"a2", "b2", "c2"}));
    EXPECT_EQ(white_king_shelter[sq("d1")], 0u);
    EXPECT_EQ(white_king_shelter[sq("e1")], 0u);
    EXPECT_EQ(white_king_shelter[sq("g2")], 0u);
    EXPECT_EQ(black_king_shelter[sq("g8")], squares({"f7", "g7", "h7"}));
    EXPECT_EQ(black_king_shelter[sq("a8")], squares({"a7", "b7"}));
    EXPECT_EQ(black_king_shelter[sq("d8")], 0u);
    EXPECT_EQ(black_king_shelter[sq("e8")], 0u);
    EXPECT_EQ(black_king_shelter[sq("g1")], 0u);
    for (int s = 8; s < 64; s++) EXPECT_EQ(white_king_shelter[s], 0u) << s;
    for (int s = 0; s < 56; s++) EXPECT_EQ(black_king_shelter[s], 0u) << s;
}

TEST(PawnMasks, KnownSquares) {
    EXPECT_EQ(white_passed_mask[sq("e4")],
              squares({"d5", "d6", "d7", "d8", "e5", "e6", "e7", "e8", "f5", "f6", "f7", "f8"}));
    EXPECT_EQ(black_passed_mask[sq("a5")],
              squares({"a1", "a2", "a3", "a4", "b1", "b2", "b3", "b4"}));
    EXPECT_EQ(adjacent_files_mask[sq("a3")], file_mask[1]);
    EXPECT_EQ(adjacent_files_mask[sq("h6")], file_mask[6]);
    EXPECT_EQ(adjacent_files_mask[sq("d4")], file_mask[2] | file_mask[4]);
    EXPECT_EQ(white_front_span[sq("e4")], squares({"e5", "e6", "e7", "e8"}));
    EXPECT_EQ(black_front_span[sq("e4")], squares({"e3", "e2", "e1"}));
}

TEST(PawnMasks, MatchGeometryOnEverySquare) {
    for (int s = 0; s < 64; s++) {
        const int r = s >> 3, f = s & 7;
        Bitboard wf = 0, bf = 0, wp = 0, bp = 0, adj = 0;
        for (int t = 0; t < 64; t++) {
            const int tr = t >> 3, tf = t & 7;
            const Bitboard bit = Bitboard(1) << t;
            if (tf == f && tr > r) wf |= bit;
            if (tf == f && tr < r) bf |= bit;
            if (std::abs(tf - f) <= 1 && tr > r) wp |= bit;
            if (std::abs(tf - f) <= 1 && tr < r) bp |= bit;
            if (std::abs(tf - f) == 1) adj |= bit;
        }
        EXPECT_EQ(white_front_span[s], wf) << s;
        EXPECT_EQ(black_front_span[s], bf) << s;
        EXPECT_EQ(white_passed_mask[s], wp) << s;
        EXPECT_EQ(black_passed_mask[s], bp) << s;
        EXPECT_EQ(adjacent_files_mask[s], adj) << s;
    }
}

} // namespace
