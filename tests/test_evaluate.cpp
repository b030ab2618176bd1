// Static evaluation: whole scores of hand-checked positions, the bare-minor
// draw, the material-only early exit, and the eval command's output.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "board/board.h"
#include "eval/eval.h"
#include "harness.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

constexpr int WIDE = 20000;

Position after(const char* moves) {
    Position pos = start();
    play_moves(pos, moves);
    return pos;
}

int full(const Position& pos) { return evaluate(pos, -WIDE, WIDE); }

class StaticEval : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_pawn_hash();
        engine_colour = 0;
    }
    void TearDown() override { clear_pawn_hash(); }
    const SavedGlobals saved;
};

struct EvalCase {
    const char* fen;
    int score; // side to move's view
};

void expect_scores(const EvalCase* begin, const EvalCase* end) {
    for (const EvalCase* c = begin; c != end; c++)
        EXPECT_EQ(full(from_fen(c->fen)), c->score) << c->fen;
}

} // namespace

TEST_F(StaticEval, StartPositionIsZero) {
    for (const int colour : {0, 1}) {
        engine_colour = colour;
        const Position pos = after("");
        EXPECT_EQ(full(pos), 0);
        EXPECT_EQ(evaluate(pos, -50, 50), 0);
    }
}

TEST_F(StaticEval, AfterKingPawnOpening) {
    // e4 in the centre +5, the freed f1 bishop +4 squares, e4 advanced two ranks +2.
    EXPECT_EQ(full(after("e2e4")), -11);
    // The symmetric reply cancels everything.
    EXPECT_EQ(full(after("e2e4 e7e5")), 0);
}

TEST_F(StaticEval, KingShelterAndWingPlacement) {
    Position g1 = from_fen("4k3/8/8/8/8/8/5PPP/4K3 w - - 0 1");
    // From e1 only material and the passed pawns count: 300 + 3 x 6; the
    // development terms (four empty minor home squares each side) cancel.
    EXPECT_EQ(full(g1), 318);
    play_moves(g1, "e1f1 e8d8 f1g1 d8e8");
    EXPECT_EQ(full(g1), 318 + 24 + 10);
}

TEST_F(StaticEval, EarlyQueenBeforeAnyMinorMoved) {
    // Qh5 attacks e5 (+4) and leaves d1 with all four minors at home (-30);
    // everything else is symmetric. Black to move sees +26.
    EXPECT_EQ(full(after("e2e4 e7e5 d1h5")), 26);
}

TEST_F(StaticEval, EarlyQueenAfterOneMinorMoved) {
    // -15 for the queen; Nf3 and Nf6 (+7 -7) cancel; the queen on e2 shortens the
    // f1 bishop and the g1 square opens for the h1 rook: mobility 9 against 13.
    EXPECT_EQ(full(after("e2e3 e7e6 g1f3 g8f6 d1e2")), 15 + 4);
}

TEST_F(StaticEval, BackRankRookAndPawnOnlyAgainstABishop) {
    const EvalCase cases[] = {
        // Ra1: mobility 11; b2 passed and isolated +4; no black bishop, no rook bonus.
        {"4k3/8/8/8/8/8/1P6/R3K3 w - - 0 1", 615},
        // A black bishop on h6 (mobility 7) switches the bonus on: +4.
        {"4k3/8/7b/8/8/8/1P6/R3K3 w - - 0 1", 600 - 300 + 11 - 7 + 4 + 4},
        // A knight instead does not.
        {"4k3/8/7n/8/8/8/1P6/R3K3 w - - 0 1", 600 - 300 + 11 + 4},
        // The same for Black, seen by Black.
        {"r3k3/1p6/8/8/8/7B/8/4K3 b - - 0 1", 600 - 300 + 11 - 7 + 4 + 4},
    };
    expect_scores(std::begin(cases), std::end(cases));
}

TEST_F(StaticEval, RooksSeeingEachOther) {
    const EvalCase cases[] = {
        // Two rooks on the first rank: mobility 14 each, 8 for each seeing the other.
        {"4k3/8/8/8/8/8/4K3/R6R w - - 0 1", 1000 + 28 + 16},
        // A knight between them: no co-operation, mobility 10 + 11.
        {"4k3/8/8/8/8/8/4K3/R2N3R w - - 0 1", 1300 + 21},
        // Black rooks on the eighth rank, seen by White to move.
        {"r6r/4k3/8/8/8/8/8/4K3 w - - 0 1", -(1000 + 28 + 16)},
    };
    expect_scores(std::begin(cases), std::end(cases));
}

TEST_F(StaticEval, BareMinorPiecesAreADrawAgainstTheEngine) {
    const char* const draws[] = {
        "4k3/8/8/8/8/8/8/2B1K1n1 w - - 0 1", // bishop against knight
        "4k3/8/8/8/8/8/8/4K3 w - - 0 1",     // bare kings
    };
    for (const char* fen : draws) {
        Position pos = from_fen(fen);
        for (const int colour : {0, 1}) {
            engine_colour = colour;
            for (const int side : {0, 1}) {
                set_side_to_move(pos, side);
                const int expected = side == colour ? -30 : 30;
                EXPECT_EQ(full(pos), expected) << fen << " engine " << colour << " side " << side;
                // Decided before the early exit: a window far away changes nothing.
                EXPECT_EQ(evaluate(pos, 500, 600), expected) << fen;
                EXPECT_EQ(evaluate(pos, -600, -500), expected) << fen;
            }
        }
    }
}

TEST_F(StaticEval, EarlyExitIsFailHardAndNotAtTheBoundary) {
    // White is a queen up (material 900, full score 930).
    const Position white = from_fen("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(evaluate(white, 1001, 1100), 1001); // 900 < 1001 - 100
    EXPECT_EQ(evaluate(white, 1000, 1100), 930);  // 900 = 1000 - 100: no exit
    EXPECT_EQ(evaluate(white, -WIDE, 799), 799);  // 900 > 799 + 100
    EXPECT_EQ(evaluate(white, -WIDE, 800), 930);  // 900 = 800 + 100: no exit

    const Position black = from_fen("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(evaluate(black, -799, WIDE), -799);
    EXPECT_EQ(evaluate(black, -800, WIDE), -930);
    EXPECT_EQ(evaluate(black, -1100, -1001), -1001);
    EXPECT_EQ(evaluate(black, -1100, -1000), -930);
}

TEST(EvalCommand, PrintsWhitesViewInPawns) {
    EngineProcess engine;
    const std::string prefix = "Evaluation of current positon: ";
    engine.send("eval");
    EXPECT_TRUE(engine.expect_line(prefix + "0.00")) << engine.transcript();
    engine.send("force");
    engine.send("e2e4");
    engine.send("eval");
    EXPECT_TRUE(engine.expect_line(prefix + "0.11")) << engine.transcript();
    engine.send("e7e5");
    engine.send("d1h5");
    engine.send("eval");
    EXPECT_TRUE(engine.expect_line(prefix + "-0.26")) << engine.transcript();
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}
