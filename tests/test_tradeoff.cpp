// Static exchange evaluation on hand-checked positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "board/board.h"
#include "eval/eval.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

struct ExchangeCase {
    const char* fen;
    const char* move;
    int value; // for the side making the move
    const char* why;
};

void expect_exchanges(const ExchangeCase* begin, const ExchangeCase* end) {
    for (const ExchangeCase* c = begin; c != end; c++) {
        Position pos;
        std::memset(&pos, 0, sizeof pos);
        ASSERT_TRUE(setup_from_fen(pos, c->fen, test_keys)) << c->fen;
        const Move m = parse_move(pos, c->move);
        // Legality is not asked for (a king may step into cover), only a generated move.
        Move list[MAX_MOVES];
        const Move* end = generate_quiet(pos, generate_captures(pos, list));
        ASSERT_NE(std::find(static_cast<const Move*>(list), end, m), end)
            << c->fen << " " << c->move;
        EXPECT_EQ(tradeoff(pos, m), c->value) << c->why << ": " << c->fen << " " << c->move;
    }
}

} // namespace

// The exchange evaluation is checked against a brute-force exchange on
// thousands of positions (test_eval_crosscheck.cpp); these are the known
// answers and one case of each rule.
TEST(Tradeoff, KnownExchanges) {
    const ExchangeCase cases[] = {
        {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 300, "pawn takes an undefended knight"},
        {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", -800, "queen takes a defended pawn"},
        {"4k3/8/2p5/3n4/8/4N3/8/4K3 w - - 0 1", "e3d5", 0, "knight for knight"},
        {"4k3/8/8/3p4/8/8/5N2/4K3 w - - 0 1", "f2e4", -300, "knight to a pawn-covered square"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", 800, "safe queen promotion"},
        {"4k3/8/8/q7/8/2P5/3P4/4K3 b - - 0 1", "a5c3", -800, "black queen takes a defended pawn"},
        // Re4xe7 uncovers Re1: RxR, RxR, RxR.
        {"4r1k1/4r3/8/8/4R3/8/8/4R1K1 w - - 0 1", "e4e7", 500, "doubled rooks"},
        // Only the king defends d4, a second knight covers it: Kxd4 would lose the king.
        {"8/8/8/4k3/3p4/8/2N1N3/4K3 w - - 0 1", "e2d4", 100, "king recapture refuted"},
        {"8/8/8/4k3/3p4/8/4N3/4K3 w - - 0 1", "e2d4", -200, "king recapture"},
        {"4k3/8/8/8/8/1n6/3n4/4K3 w - - 0 1", "e1d2", 300 - 4500, "king takes a covered knight"},
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", -100, "covered queen promotion"},
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q", 1300, "capture promotion"},
        {"4k3/8/8/8/8/8/6pK/8 b - - 0 1", "g2g1q", -100, "covered black promotion"},
    };
    expect_exchanges(std::begin(cases), std::end(cases));
}

TEST(Tradeoff, XRaysAndStoppingEarly) {
    const ExchangeCase cases[] = {
        // Qxe5 Rxe5 Bxe5: the bishop behind the queen recovers a rook.
        {"4r1k1/8/8/4n3/3Q4/8/1B6/4K3 w - - 0 1", "d4e5", 300 - 900 + 500, "bishop behind queen"},
        // Black: Qxd4 Nxd4 Rxd4 through the square the queen left.
        {"3r2k1/3q4/8/8/3P4/5N2/8/4K3 b - - 0 1", "d7d4", 100 - 900 + 300, "rook behind queen"},
        {"4k3/8/5n2/3p4/4P3/5B2/8/4K3 w - - 0 1", "e4d5", 100, "bishop behind pawn"},
        // A black rook behind the white one joins for Black.
        {"4k3/8/8/4n3/4R3/8/7K/4r3 w - - 0 1", "e4e5", -200, "enemy rook uncovered"},
        // Rxe7 Bxe7, then the queen on e2 must go first; the rook on e1 only follows it.
        {"3br1k1/4r3/8/8/4R3/8/4Q3/4R1K1 w - - 0 1", "e4e7", 0, "queen in front of rook"},
        {"3br1k1/4r3/8/8/4R3/8/4R3/4Q1K1 w - - 0 1", "e4e7", 300, "rook in front of queen"},
        // Bxe5 fxe5, and White keeps the queen on c3 at home: Qxe5 Rxe5 would lose it.
        {"4r1k1/8/5p2/4n3/3B4/2Q5/8/4K3 w - - 0 1", "d4e5", 0, "mover stops"},
        {"6k1/8/5p2/4n3/3B4/2Q5/8/4K3 w - - 0 1", "d4e5", 100, "mover goes on"},
        // Rxd5: Black's queen could take back, but Bxd5 would follow.
        {"3qk3/8/8/3p4/8/8/6B1/3RK3 w - - 0 1", "d1d5", 100, "defender stops"},
        // Nxd5 Rxd5, then White's queens: c4 (higher square, the b3 bishop behind it)
        // goes before d3, and Black has nothing worth recapturing with.
        {"b2r3k/1q6/8/3r4/2Q2N2/1B1Q4/8/6K1 w - - 0 1", "f4d5", 500, "queens by square"},
    };
    expect_exchanges(std::begin(cases), std::end(cases));
}
