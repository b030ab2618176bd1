// Quiescence search: stand pat, the material margin, even exchanges, king
// safety of captures, the ply limit and the line it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "eval/eval.h"
#include "game/game.h"
#include "search/search.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

constexpr Move SENTINEL = 0xDEADBEEF;

// Black to move, 205 below its material on the static score. Captures:
// e4xf3 (pawn takes knight, 200), Nd4xb3 (takes a loose pawn, exchange
// value 100), Nd4xf3 (knight for knight, 0).
constexpr const char* MARGIN = "1nb2bnk/P1P5/8/8/3np3/1P3N2/5PPP/3RR1K1 b - - 0 1";
// Black to move with two even pawn and knight captures on d4.
constexpr const char* SCOTCH = "r1bqkbnr/pppp1ppp/2n5/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq d3 0 3";
// The knight that could take the queen is pinned to its king.
constexpr const char* PINNED = "k3r3/8/8/8/3q4/8/4N3/4K3 w - - 0 1";
// White is checkmated and has no capture.
constexpr const char* MATED = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
// The only capture takes a queen for nothing.
constexpr const char* FREE_QUEEN = "4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1";
// The only capture gives the queen for a pawn.
constexpr const char* GUARDED_PAWN = "4k3/4p3/8/8/7Q/8/8/4K3 w - - 0 1";

Position after(const Position& pos, const char* move) {
    Position child = pos;
    const Move m = parse_move(pos, move);
    EXPECT_NE(m, 0u) << move;
    make_move(child, m);
    return child;
}

class Quiesce : public ::testing::Test {
  protected:
    static constexpr int PLY = 4;

    void SetUp() override {
        engine_colour = 1;
        clear_pawn_hash();
    }

    // Runs quiesce on pos at ply with fresh counters.
    int run(const Position& pos, int ply, int alpha, int beta) {
        search_positions[ply] = pos;
        node_count = quiescence_node_count = 0;
        poll_countdown = 1000;
        return quiesce(ply, alpha, beta);
    }

    static int static_score(const Position& pos) { return evaluate(pos, -20000, 20000); }

    const SavedGlobals saved;
};

TEST_F(Quiesce, StandPatAtOrAboveBetaReturnsWithoutGenerating) {
    const Position pos = from_fen(SCOTCH);
    const int e = static_score(pos);
    std::fill(std::begin(move_list[PLY]), std::end(move_list[PLY]), SENTINEL);
    pv_table[PLY][0] = SENTINEL;

    EXPECT_EQ(run(pos, PLY, e - 20, e), e);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(quiescence_node_count, 1u);
    EXPECT_EQ(poll_countdown, 999);
    EXPECT_EQ(pv_table[PLY][0], 0u);
    EXPECT_EQ(run(pos, PLY, e - 50, e - 10), e);
    EXPECT_EQ(node_count, 1u);
    EXPECT_TRUE(std::all_of(std::begin(move_list[PLY]), std::end(move_list[PLY]),
                            [](Move m) { return m == SENTINEL; }));
}

TEST_F(Quiesce, MarginDropsCapturesThatCannotReachAlpha) {
    const Position pos = from_fen(MARGIN);
    const int e = static_score(pos);
    const int alpha = e + 250; // margin 150
    ASSERT_EQ(evaluate(pos, alpha, 20000), e) << "the stand pat must not be cut short";

    run(pos, PLY, alpha, 20000);
    // Only the knight capture by the pawn passes: the loose pawn (100) is
    // below the margin and the knight trade is not a gain.
    EXPECT_EQ(search_positions[PLY + 1].key, after(pos, "e4f3").key);
    EXPECT_GT(quiescence_node_count, 1u);
}

TEST_F(Quiesce, EvenExchangesOnlyWhenTheStaticScoreIsBelowAlpha) {
    const Position pos = from_fen(MARGIN);
    const int e = static_score(pos);

    // 50 below alpha: margin -50, the knight trade is searched last.
    ASSERT_EQ(evaluate(pos, e + 50, 20000), e);
    run(pos, PLY, e + 50, 20000);
    EXPECT_EQ(search_positions[PLY + 1].key, after(pos, "d4f3").key);

    // Above alpha: the stand pat raises alpha and the trade is dropped.
    ASSERT_EQ(evaluate(pos, e - 50, 20000), e);
    run(pos, PLY, e - 50, 20000);
    EXPECT_EQ(search_positions[PLY + 1].key, after(pos, "d4b3").key);

    // An evaluation cut short to exactly alpha leaves the margin at -100:
    // every capture passes, the trade included.
    const int high = (pos.black_material - pos.white_material) + 101;
    ASSERT_EQ(evaluate(pos, high, 20000), high);
    run(pos, PLY, high, 20000);
    EXPECT_EQ(search_positions[PLY + 1].key, after(pos, "d4f3").key);
}

TEST_F(Quiesce, LosingCaptureIsNeverSearched) {
    const Position pos = from_fen(GUARDED_PAWN);
    const int e = static_score(pos);
    EXPECT_EQ(run(pos, PLY, -20000, 20000), e);
    EXPECT_EQ(node_count, 1u);
}

TEST_F(Quiesce, CaptureLeavingTheOwnKingAttackedIsSkipped) {
    const Position pos = from_fen(PINNED);
    Move list[MAX_MOVES];
    ASSERT_EQ(generate_captures(pos, list) - list, 1);
    const int e = static_score(pos);
    EXPECT_EQ(run(pos, PLY, -20000, 20000), e);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(pv_table[PLY][0], 0u);
}

TEST_F(Quiesce, WinningCaptureBecomesTheLine) {
    const Position pos = from_fen(FREE_QUEEN);
    const Position child = after(pos, "e4d5");
    const int v = run(pos, PLY, -20000, 20000);
    EXPECT_EQ(v, -static_score(child));
    EXPECT_EQ(node_count, 2u);
    EXPECT_EQ(quiescence_node_count, 2u);
    EXPECT_EQ(pv_table[PLY][0], parse_move(pos, "e4d5"));
    EXPECT_EQ(pv_table[PLY][1], 0u);
}

TEST_F(Quiesce, CheckWithoutCapturesIsNotAMate) {
    const Position pos = from_fen(MATED);
    const int e = static_score(pos);
    ASSERT_GT(e, -MATE_THRESHOLD);
    EXPECT_EQ(run(pos, PLY, -20000, 20000), e);
    EXPECT_EQ(node_count, 1u);
}

TEST_F(Quiesce, PlyLimitReturnsTheStaticScoreOrAlpha) {
    const Position pos = from_fen(SCOTCH);
    const int e = static_score(pos);
    std::fill(std::begin(move_list[PLY_LIMIT]), std::end(move_list[PLY_LIMIT]), SENTINEL);
    const std::uint64_t beyond = search_positions[PLY_LIMIT + 1].key ^ 1;
    search_positions[PLY_LIMIT + 1].key = beyond;

    EXPECT_EQ(run(pos, PLY_LIMIT, e - 30, e + 30), e);
    EXPECT_EQ(run(pos, PLY_LIMIT, e + 20, e + 30), e + 20);
    EXPECT_EQ(run(pos, PLY_LIMIT, e - 30, e - 5), e);
    EXPECT_EQ(node_count, 1u);
    EXPECT_TRUE(std::all_of(std::begin(move_list[PLY_LIMIT]), std::end(move_list[PLY_LIMIT]),
                            [](Move m) { return m == SENTINEL; }));
    EXPECT_EQ(search_positions[PLY_LIMIT + 1].key, beyond);

    // One ply earlier the (even) captures are searched.
    run(pos, PLY_LIMIT - 1, e + 50, e + 80);
    EXPECT_GT(node_count, 1u);
}

} // namespace
