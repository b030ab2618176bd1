// Position setup, keys from scratch, side-to-move setter, FEN setup and
// the invariant check that the other board tests rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "test_util.h"

namespace {

std::uint64_t other_history[KEY_HISTORY_SIZE];

constexpr PieceCode start_board[64] = {
    4, 3, 2, 5, 6,  2,  3,  4,  1,  1,  1,  1,  1,  1,  1,  1,  0,  0,  0,  0, 0, 0,
    0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0,
    0, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -4, -3, -2, -5, -6, -2, -3, -4};

// Every field but the two history pointers.
void expect_same_board_state(const Position& a, const Position& b) {
    for (int s = 0; s < 64; s++) EXPECT_EQ(a.board[s], b.board[s]) << s;
#define SAME(field) EXPECT_EQ(a.field, b.field) << #field
    SAME(occupied);
    SAME(white_pieces);
    SAME(black_pieces);
    SAME(white_queens);
    SAME(black_queens);
    SAME(white_knights);
    SAME(black_knights);
    SAME(white_rooks);
    SAME(black_rooks);
    SAME(white_bishops);
    SAME(black_bishops);
    SAME(white_pawns);
    SAME(black_pawns);
    SAME(white_diagonal_sliders);
    SAME(black_diagonal_sliders);
    SAME(white_straight_sliders);
    SAME(black_straight_sliders);
    SAME(white_king_square);
    SAME(black_king_square);
    SAME(ep_target);
    SAME(ep_square);
    SAME(white_material);
    SAME(black_material);
    SAME(white_nonpawn_count);
    SAME(black_nonpawn_count);
    SAME(castle_white_short);
    SAME(castle_white_long);
    SAME(castle_black_short);
    SAME(castle_black_long);
    SAME(unmoved);
    SAME(key);
    SAME(pawn_key);
    SAME(repetition);
    SAME(white_to_move);
#undef SAME
    for (int i = 0; i < 15; i++) {
        EXPECT_EQ(a.diag_a8h1_occupancy[i], b.diag_a8h1_occupancy[i]) << i;
        EXPECT_EQ(a.diag_a1h8_occupancy[i], b.diag_a1h8_occupancy[i]) << i;
    }
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(a.file_occupancy[i], b.file_occupancy[i]) << i;
        EXPECT_EQ(a.rank_occupancy[i], b.rank_occupancy[i]) << i;
    }
}

TEST(StartPosition, BoardBitboardsAndCounters) {
    Position pos;
    setup_start_position(pos, test_keys);
    for (int s = 0; s < 64; s++) EXPECT_EQ(pos.board[s], start_board[s]) << s;
    EXPECT_EQ(pos.white_pawns, rank_mask[1]);
    EXPECT_EQ(pos.black_pawns, rank_mask[6]);
    EXPECT_EQ(pos.white_knights, squares({"b1", "g1"}));
    EXPECT_EQ(pos.black_knights, squares({"b8", "g8"}));
    EXPECT_EQ(pos.white_bishops, squares({"c1", "f1"}));
    EXPECT_EQ(pos.black_bishops, squares({"c8", "f8"}));
    EXPECT_EQ(pos.white_rooks, squares({"a1", "h1"}));
    EXPECT_EQ(pos.black_rooks, squares({"a8", "h8"}));
    EXPECT_EQ(pos.white_queens, squares({"d1"}));
    EXPECT_EQ(pos.black_queens, squares({"d8"}));
    EXPECT_EQ(pos.white_diagonal_sliders, squares({"c1", "d1", "f1"}));
    EXPECT_EQ(pos.black_diagonal_sliders, squares({"c8", "d8", "f8"}));
    EXPECT_EQ(pos.white_straight_sliders, squares({"a1", "d1", "h1"}));
    EXPECT_EQ(pos.black_straight_sliders, squares({"a8", "d8", "h8"}));
    EXPECT_EQ(pos.white_pieces, 0xFFFFull);
    EXPECT_EQ(pos.black_pieces, 0xFFFF000000000000ull);
    EXPECT_EQ(pos.occupied, 0xFFFF00000000FFFFull);
    EXPECT_EQ(pos.white_king_square, 4);
    EXPECT_EQ(pos.black_king_square, 60);
    EXPECT_EQ(pos.ep_target, 0u);
    EXPECT_EQ(pos.ep_square, -1);
    EXPECT_EQ(pos.white_material, 3900);
    EXPECT_EQ(pos.black_material, 3900);
    EXPECT_EQ(pos.white_nonpawn_count, 7);
    EXPECT_EQ(pos.black_nonpawn_count, 7);
    EXPECT_EQ(pos.castle_white_short, 1);
    EXPECT_EQ(pos.castle_white_long, 1);
    EXPECT_EQ(pos.castle_black_short, 1);
    EXPECT_EQ(pos.castle_black_long, 1);
    EXPECT_EQ(pos.unmoved, pos.occupied);
    EXPECT_EQ(pos.repetition, 0);
    EXPECT_EQ(pos.white_to_move, 1);
    EXPECT_EQ(position_is_ok(pos), 1);
}

TEST(StartPosition, OccupancyArrays) {
    Position pos;
    setup_start_position(pos, test_keys);
    const std::int32_t diagonals[15] = {1,   3,  6,  12, 24, 48,  97, 195,
                                        134, 12, 24, 48, 96, 192, 128};
    for (int i = 0; i < 15; i++) {
        EXPECT_EQ(pos.diag_a8h1_occupancy[i], diagonals[i]) << i;
        EXPECT_EQ(pos.diag_a1h8_occupancy[i], diagonals[i]) << i;
    }
    const std::int32_t ranks[8] = {255, 255, 0, 0, 0, 0, 255, 255};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(pos.file_occupancy[i], 195) << i;
        EXPECT_EQ(pos.rank_occupancy[i], ranks[i]) << i;
    }
}

TEST(StartPosition, KeysAndHistory) {
    Position pos;
    setup_start_position(pos, test_keys);
    std::uint64_t key = 0, pawn_key = 0;
    for (int s = 0; s < 64; s++) {
        const PieceCode code = start_board[s];
        if (code > 0) key ^= piece_keys[1][code][s];
        if (code < 0) key ^= piece_keys[0][-code][s];
        if (code == PAWN) pawn_key ^= piece_keys[1][PAWN][s];
        if (code == -PAWN) pawn_key ^= piece_keys[0][PAWN][s];
    }
    for (int c = 0; c < 4; c++) key ^= castle_keys[c];
    key ^= side_key;
    EXPECT_EQ(pos.key, key);
    EXPECT_EQ(pos.pawn_key, pawn_key);
    EXPECT_EQ(compute_key(pos), pos.key);
    EXPECT_EQ(compute_pawn_key(pos), pos.pawn_key);
    EXPECT_EQ(pos.history_start, test_keys);
    EXPECT_EQ(pos.history_end, test_keys + 1);
    EXPECT_EQ(test_keys[0], pos.key);
}

TEST(StartPosition, OverwritesEveryField) {
    Position clean;
    setup_start_position(clean, test_keys);
    Position dirty;
    std::memset(&dirty, 0xA5, sizeof dirty);
    setup_start_position(dirty, other_history);
    expect_same_board_state(dirty, clean);
    EXPECT_EQ(dirty.history_start, other_history);
    EXPECT_EQ(dirty.history_end, other_history + 1);
    EXPECT_EQ(other_history[0], clean.key);
    EXPECT_EQ(position_is_ok(dirty), 1);
}

TEST(SideToMove, SetterTogglesOnlyTheSideTerm) {
    Position pos;
    setup_start_position(pos, test_keys);
    const std::uint64_t white_key = pos.key;

    set_side_to_move(pos, 1); // already white: nothing changes
    EXPECT_EQ(pos.key, white_key);
    EXPECT_EQ(pos.white_to_move, 1);

    set_side_to_move(pos, 0);
    EXPECT_EQ(pos.white_to_move, 0);
    EXPECT_EQ(pos.key, white_key ^ side_key);
    EXPECT_EQ(pos.key, compute_key(pos));
    EXPECT_EQ(pos.ep_square, -1);
    EXPECT_EQ(pos.history_end, test_keys + 1); // no entry appended
    EXPECT_EQ(test_keys[0], white_key);

    set_side_to_move(pos, 0);
    EXPECT_EQ(pos.key, white_key ^ side_key);
    set_side_to_move(pos, 1);
    EXPECT_EQ(pos.key, white_key);
    EXPECT_EQ(pos.white_to_move, 1);
}

TEST(FenSetup, StartPositionMatchesTheFixedSetup) {
    Position fixed, parsed;
    setup_start_position(fixed, test_keys);
    ASSERT_EQ(setup_from_fen(parsed, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                             other_history),
              1);
    expect_same_board_state(parsed, fixed);
    EXPECT_EQ(parsed.history_start, other_history);
    EXPECT_EQ(parsed.history_end, other_history + 1);
    EXPECT_EQ(other_history[0], parsed.key);
    // Move counters are optional.
    ASSERT_EQ(
        setup_from_fen(parsed, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", test_keys),
        1);
    expect_same_board_state(parsed, fixed);
}

TEST(FenSetup, RightsEnPassantAndCounters) {
    Position pos;
    ASSERT_EQ(setup_from_fen(pos, "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b Kq e3 0 3",
                             test_keys),
              1);
    EXPECT_EQ(pos.white_to_move, 0);
    EXPECT_EQ(pos.castle_white_short, 1);
    EXPECT_EQ(pos.castle_white_long, 0);
    EXPECT_EQ(pos.castle_black_short, 0);
    EXPECT_EQ(pos.castle_black_long, 1);
    EXPECT_EQ(pos.ep_square, sq("e3"));
    EXPECT_EQ(pos.ep_target, square_mask[sq("e3")]);
    EXPECT_EQ(pos.white_material, 8 * 100 + 2 * 300 + 2 * 300 + 2 * 500 + 900);
    EXPECT_EQ(pos.black_material, 8 * 100 + 2 * 300 + 2 * 300 + 2 * 500 + 900);
    EXPECT_EQ(pos.white_nonpawn_count, 7);
    EXPECT_EQ(pos.black_nonpawn_count, 7);
    EXPECT_EQ(pos.white_king_square, sq("e1"));
    EXPECT_EQ(pos.black_king_square, sq("e8"));
    EXPECT_EQ(pos.board[sq("d4")], -PAWN);
    EXPECT_EQ(pos.board[sq("e4")], PAWN);
    EXPECT_EQ(pos.board[sq("e2")], 0);
    EXPECT_EQ(pos.board[sq("d8")], -QUEEN);
    EXPECT_EQ(pos.board[sq("g8")], -KNIGHT);
    EXPECT_EQ(pos.board[sq("c1")], BISHOP);
    EXPECT_EQ(pos.unmoved, pos.occupied);
    EXPECT_EQ(pos.repetition, 0);
    EXPECT_EQ(pos.key, compute_key(pos));
    EXPECT_EQ(pos.pawn_key, compute_pawn_key(pos));
    std::uint64_t key = 0;
    for (int s = 0; s < 64; s++) {
        if (pos.board[s] > 0) key ^= piece_keys[1][pos.board[s]][s];
        if (pos.board[s] < 0) key ^= piece_keys[0][-pos.board[s]][s];
    }
    key ^= castle_keys[0] ^ castle_keys[3] ^ ep_keys[sq("e3")]; // black to move: no side term
    EXPECT_EQ(pos.key, key);
    EXPECT_EQ(position_is_ok(pos), 1);
}

TEST(FenSetup, MalformedTextIsRejected) {
    const char* const bad[] = {
        "",
        "garbage",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",          // no side
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq -", // bad side
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -",          // seven ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w - -",  // nine ranks
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", // nine files
        "rnbqkbnrp/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",  // short rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq -", // unknown piece
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -",   // no black king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNK w - -",    // two white kings
        "4k3/8/8/8/8/8/8/P3K3 w - -",                           // pawn on the first rank
        "4k3/8/8/8/8/8/8/4K3 w K -",                            // right without the rook
        "4k3/8/8/8/8/8/8/4K2R w X -",                           // unknown right
        "4k3/8/8/8/8/8/8/4K3 w - e4",                           // en passant on rank 4
        "4k3/8/8/3p4/8/8/8/4K3 w - e6",                         // no pawn in front of e6
        "4k3/8/8/8/8/8/8/4K3 w - z3",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq e3", // e2 not empty
        "4k2R/8/8/8/8/8/8/4K3 w - -", // black, not to move, stands in check
    };
    for (const char* fen : bad) {
        Position pos;
        EXPECT_EQ(setup_from_fen(pos, fen, test_keys), 0) << fen;
    }
    // The side to move may be in check.
    Position pos;
    EXPECT_EQ(setup_from_fen(pos, "4k3/8/8/8/8/8/8/4K2r w - -", test_keys), 1);
}

TEST(PositionCheck, NoticesCorruption) {
    Position good;
    setup_start_position(good, test_keys);
    ASSERT_EQ(position_is_ok(good), 1);

    Position p = good;
    p.white_pawns ^= square_mask[sq("e2")];
    EXPECT_EQ(position_is_ok(p), 0) << "pawn bitboard";
    p = good;
    p.board[sq("e4")] = PAWN;
    EXPECT_EQ(position_is_ok(p), 0) << "mailbox";
    p = good;
    p.file_occupancy[4] ^= 1 << 3;
    EXPECT_EQ(position_is_ok(p), 0) << "file occupancy";
    p = good;
    p.diag_a1h8_occupancy[7] ^= 1 << 3;
    EXPECT_EQ(position_is_ok(p), 0) << "diagonal occupancy";
    p = good;
    p.white_material -= 100;
    EXPECT_EQ(position_is_ok(p), 0) << "material";
    p = good;
    p.black_nonpawn_count = 6;
    EXPECT_EQ(position_is_ok(p), 0) << "count";
    p = good;
    p.key ^= 1;
    EXPECT_EQ(position_is_ok(p), 0) << "key";
    p = good;
    p.pawn_key ^= 1;
    EXPECT_EQ(position_is_ok(p), 0) << "pawn key";
    p = good;
    p.castle_white_short = 0; // key still holds the right
    EXPECT_EQ(position_is_ok(p), 0) << "castling flag";
    p = good;
    p.black_king_square = sq("d8");
    EXPECT_EQ(position_is_ok(p), 0) << "king square";
    p = good;
    p.ep_square = sq("e3"); // without the matching bit and key
    EXPECT_EQ(position_is_ok(p), 0) << "en passant square";
    p = good;
    p.unmoved |= square_mask[sq("e4")];
    EXPECT_EQ(position_is_ok(p), 0) << "unmoved";
}

} // namespace
