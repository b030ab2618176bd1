// Evaluation: a pinned checksum over many positions, the draw of bare minor
// pieces and the static exchange evaluation.
#include <gtest/gtest.h>

#include "eval/eval.h"
#include "shell/shell.h"
#include "support.h"

namespace {

constexpr int WIDE = 20000;

// Every term of the evaluation shows in this sum over 1,591 positions.
TEST(Eval, ChecksumOverTheBenchPositions) {
    EXPECT_EQ(bench("eval 1").second.substr(0, 49),
              "evaluations 1591 positions 1591 checksum -323101 ");
}

TEST(Eval, BareMinorPiecesAreADrawAgainstTheEngine) {
    for (const char* text :
         {"4k3/8/8/8/8/8/8/2B1K1n1 w - - 0 1", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"}) {
        Position pos = fen(text);
        for (const int engine : {0, 1}) {
            engine_colour = engine;
            for (const int side : {0, 1}) {
                set_side_to_move(pos, side);
                const int draw = side == engine ? -30 : 30;
                EXPECT_EQ(evaluate(pos, -WIDE, WIDE), draw) << text;
                EXPECT_EQ(evaluate(pos, 500, 600), draw) << "before the early exit";
            }
        }
    }
}

TEST(Eval, ExchangesOnOneSquare) {
    struct Case {
        const char* fen;
        const char* move;
        int value; // for the side making the capture
    };
    const Case cases[] = {
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", 800},
        {"4r1k1/4r3/8/8/4R3/8/8/4R1K1 w - - 0 1", "e4e7", 500},    // doubled rooks
        {"8/8/8/4k3/3p4/8/2N1N3/4K3 w - - 0 1", "e2d4", 100},      // king may not retake
        {"8/8/8/4k3/3p4/8/4N3/4K3 w - - 0 1", "e2d4", -200},       // king retakes
        {"4k3/8/8/8/8/1n6/3n4/4K3 w - - 0 1", "e1d2", 300 - 4500}, // king takes a covered knight
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q", 1300},
        {"4r1k1/8/8/4n3/3Q4/8/1B6/4K3 w - - 0 1", "d4e5", -100}, // bishop behind the queen
        {"3r2k1/3q4/8/8/3P4/5N2/8/4K3 b - - 0 1", "d7d4", -500}, // rook behind the queen
        {"4k3/8/8/4n3/4R3/8/7K/4r3 w - - 0 1", "e4e5", -200},    // an enemy rook uncovered
        {"3br1k1/4r3/8/8/4R3/8/4Q3/4R1K1 w - - 0 1", "e4e7", 0}, // the queen must go first
        {"4r1k1/8/5p2/4n3/3B4/2Q5/8/4K3 w - - 0 1", "d4e5", 0},  // the mover stops
        {"6k1/8/5p2/4n3/3B4/2Q5/8/4K3 w - - 0 1", "d4e5", 100},
        {"3qk3/8/8/3p4/8/8/6B1/3RK3 w - - 0 1", "d1d5", 100},         // the defender stops
        {"b2r3k/1q6/8/3r4/2Q2N2/1B1Q4/8/6K1 w - - 0 1", "f4d5", 500}, // queens by square
    };
    for (const Case& c : cases) {
        const Position pos = fen(c.fen);
        EXPECT_EQ(tradeoff(pos, parse_move(pos, c.move)), c.value) << c.fen << " " << c.move;
    }
}

} // namespace
