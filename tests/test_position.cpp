// Position setup, keys from scratch, side-to-move setter, FEN setup and
// the invariant check that the other board tests rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

#include "board/board.h"
#include "test_util.h"

namespace {

std::uint64_t other_history[KEY_HISTORY_SIZE];

constexpr PieceCode start_board[64] = {
    4, 3, 2, 5, 6,  2,  3,  4,  1,  1,  1,  1,  1,  1,  1,  1,  0,  0,  0,  0, 0, 0,
    0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 0, 0,
    0, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -4, -3, -2, -5, -6, -2, -3, -4};

// The key by its definition, from the board and the flags.
std::uint64_t key_by_hand(const Position& pos) {
    std::uint64_t key = 0;
    for (int s = 0; s < 64; s++) {
        if (pos.board[s] > 0) key ^= piece_keys[1][pos.board[s]][s];
        if (pos.board[s] < 0) key ^= piece_keys[0][-pos.board[s]][s];
    }
    const int rights[4] = {pos.castle_white_short, pos.castle_white_long, pos.castle_black_short,
                           pos.castle_black_long};
    for (int c = 0; c < 4; c++)
        if (rights[c]) key ^= castle_keys[c];
    if (pos.ep_square >= 0) key ^= ep_keys[pos.ep_square];
    return pos.white_to_move ? key ^ side_key : key;
}

// The derived fields (bitboards, material, counts) are compared with a
// recomputation from the board by position_is_ok, and the attack cross-check
// of the generator tests reads them on every node: here only the board, the
// required counts and the values no recomputation can vouch for.
TEST(StartPosition, BoardCountsOccupancyAndKeys) {
    const Position pos = start();
    EXPECT_EQ(std::memcmp(pos.board, start_board, sizeof start_board), 0);
    EXPECT_EQ(pos.white_material, 3900);
    EXPECT_EQ(pos.black_material, 3900);
    EXPECT_EQ(pos.white_nonpawn_count, 7);
    EXPECT_EQ(pos.black_nonpawn_count, 7);
    EXPECT_EQ(pos.ep_square, -1);
    EXPECT_EQ(pos.castle_white_short + pos.castle_white_long + pos.castle_black_short +
                  pos.castle_black_long,
              4);
    EXPECT_EQ(pos.unmoved, pos.occupied);
    EXPECT_EQ(pos.white_to_move, 1);
    EXPECT_EQ(position_is_ok(pos), 1);

    const std::int32_t diagonals[15] = {1,   3,  6,  12, 24, 48,  97, 195,
                                        134, 12, 24, 48, 96, 192, 128};
    const std::int32_t ranks[8] = {255, 255, 0, 0, 0, 0, 255, 255};
    for (int i = 0; i < 15; i++) {
        EXPECT_EQ(pos.diag_a8h1_occupancy[i], diagonals[i]) << i;
        EXPECT_EQ(pos.diag_a1h8_occupancy[i], diagonals[i]) << i;
    }
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(pos.file_occupancy[i], 195) << i;
        EXPECT_EQ(pos.rank_occupancy[i], ranks[i]) << i;
    }

    std::uint64_t pawn_key = 0;
    for (int f = 0; f < 8; f++)
        pawn_key ^= piece_keys[1][PAWN][8 + f] ^ piece_keys[0][PAWN][48 + f];
    EXPECT_EQ(pos.key, key_by_hand(pos));
    EXPECT_EQ(pos.pawn_key, pawn_key);
    EXPECT_EQ(compute_key(pos), pos.key);
    EXPECT_EQ(compute_pawn_key(pos), pos.pawn_key);
    EXPECT_EQ(pos.history_start, test_keys);
    EXPECT_EQ(pos.history_end, test_keys + 1);
    EXPECT_EQ(test_keys[0], pos.key);
}

TEST(StartPosition, OverwritesEveryField) {
    const Position clean = start();
    Position dirty;
    std::memset(&dirty, 0xA5, sizeof dirty);
    setup_start_position(dirty, other_history);
    EXPECT_TRUE(same_state(dirty, clean));
    EXPECT_EQ(dirty.history_start, other_history);
    EXPECT_EQ(dirty.history_end, other_history + 1);
    EXPECT_EQ(other_history[0], clean.key);
}

TEST(SideToMove, SetterTogglesOnlyTheSideTerm) {
    Position pos = start();
    const std::uint64_t white_key = pos.key;
    set_side_to_move(pos, 1); // already white: nothing changes
    EXPECT_EQ(pos.key, white_key);

    set_side_to_move(pos, 0);
    EXPECT_EQ(pos.white_to_move, 0);
    EXPECT_EQ(pos.key, white_key ^ side_key);
    EXPECT_EQ(pos.key, compute_key(pos));
    EXPECT_EQ(pos.history_end, test_keys + 1); // no entry appended
    set_side_to_move(pos, 0);
    EXPECT_EQ(pos.key, white_key ^ side_key);
    set_side_to_move(pos, 1);
    EXPECT_EQ(pos.key, white_key);
    EXPECT_EQ(pos.white_to_move, 1);
}

TEST(FenSetup, StartPositionMatchesTheFixedSetup) {
    const Position fixed = start();
    Position parsed;
    // Move counters are optional.
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"}) {
        ASSERT_EQ(setup_from_fen(parsed, fen, other_history), 1);
        EXPECT_TRUE(same_state(parsed, fixed)) << fen;
        EXPECT_EQ(parsed.history_start, other_history);
        EXPECT_EQ(parsed.history_end, other_history + 1);
        EXPECT_EQ(other_history[0], parsed.key);
    }
}

TEST(FenSetup, RightsEnPassantAndKeys) {
    const Position pos = from_fen("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b Kq e3 0 3");
    EXPECT_EQ(pos.white_to_move, 0);
    EXPECT_EQ(pos.castle_white_short, 1);
    EXPECT_EQ(pos.castle_white_long, 0);
    EXPECT_EQ(pos.castle_black_short, 0);
    EXPECT_EQ(pos.castle_black_long, 1);
    EXPECT_EQ(pos.ep_square, sq("e3"));
    EXPECT_EQ(pos.board[sq("d4")], -PAWN);
    EXPECT_EQ(pos.board[sq("e4")], PAWN);
    EXPECT_EQ(pos.board[sq("g8")], -KNIGHT);
    EXPECT_EQ(pos.unmoved, pos.occupied);
    EXPECT_EQ(pos.key, key_by_hand(pos));
    EXPECT_EQ(pos.pawn_key, compute_pawn_key(pos));
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
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",  // short rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq -", // unknown piece
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -",   // no black king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNK w - -",    // two white kings
        "4k3/8/8/8/8/8/8/P3K3 w - -",                           // pawn on the first rank
        "4k3/8/8/8/8/8/8/4K3 w K -",                            // right without the rook
        "4k3/8/8/8/8/8/8/4K2R w X -",                           // unknown right
        "4k3/8/8/8/8/8/8/4K3 w - e4",                           // en passant on rank 4
        "4k3/8/8/3p4/8/8/8/4K3 w - e6",                         // no pawn in front of e6
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
    const Position good = start();
    ASSERT_EQ(position_is_ok(good), 1);
    const std::pair<const char*, std::function<void(Position&)>> faults[] = {
        {"pawn bitboard", [](Position& p) { p.white_pawns ^= square_mask[sq("e2")]; }},
        {"mailbox", [](Position& p) { p.board[sq("e4")] = PAWN; }},
        {"diagonal occupancy", [](Position& p) { p.diag_a1h8_occupancy[7] ^= 1 << 3; }},
        {"material", [](Position& p) { p.white_material -= 100; }},
        {"key", [](Position& p) { p.key ^= 1; }},
        {"pawn key", [](Position& p) { p.pawn_key ^= 1; }},
        {"castling flag", [](Position& p) { p.castle_white_short = 0; }}, // key keeps the right
        {"king square", [](Position& p) { p.black_king_square = sq("d8"); }},
        {"en passant square", [](Position& p) { p.ep_square = sq("e3"); }},
        {"unmoved", [](Position& p) { p.unmoved |= square_mask[sq("e4")]; }},
    };
    for (const auto& [what, corrupt] : faults) {
        Position p = good;
        corrupt(p);
        EXPECT_EQ(position_is_ok(p), 0) << what;
    }
}

} // namespace
