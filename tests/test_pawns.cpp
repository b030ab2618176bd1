// Pawn-structure score (White's view) and its cache keyed by the pawn key.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "eval/eval.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

PawnHashEntry& entry_of(const Position& pos) {
    return pawn_hash[pos.pawn_key & (PAWN_HASH_SIZE - 1)];
}

class EvalPawns : public ::testing::Test {
  protected:
    void SetUp() override { clear_pawn_hash(); }
    void TearDown() override { clear_pawn_hash(); }
};

struct PawnCase {
    const char* fen;
    int score;
};

} // namespace

TEST_F(EvalPawns, StartPositionScoresZero) {
    Position pos = start();
    EXPECT_EQ(evaluate_pawns(pos), 0);
    EXPECT_EQ(evaluate_pawns(pos), 0); // and again from the cache
}

TEST_F(EvalPawns, KnownStructures) {
    const PawnCase cases[] = {
        // e2 doubled and isolated (-5), e3 passed on rank 2 and isolated (+10)
        {"4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1", 5},
        // seventh rank +10, passed 6 x 6, isolated -2
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", 44},
        // the mirror for Black on h2
        {"4k3/8/8/8/8/8/7p/4K3 w - - 0 1", -44},
        // both passed (18 + 24), e5 defended by d4 (+2)
        {"4k3/8/8/4P3/3P4/8/8/4K3 w - - 0 1", 44},
        // d4 defends c5 and e5: the chain counts twice; 18 + 24 + 24 + 4
        {"4k3/8/8/2P1P3/3P4/8/8/4K3 w - - 0 1", 70},
        {"4k3/8/8/3p4/2p1p3/8/8/4K3 w - - 0 1", -70},
        // a2 and a3 doubled (-6), a4 not passed because of b7 (+3), three isolated (-6);
        // b7 not passed (-1) and isolated (+2)
        {"4k3/1p6/8/8/P7/P7/P7/4K3 w - - 0 1", -8},
        // e4 held up by d6 (+3 - 2); d6 held up by e4 (-2 + 2)
        {"4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", 1},
        // black h2: second rank -10, passed -36; g3: passed -30, h2 diagonally in front -2
        {"4k3/8/8/8/8/6p1/7p/K7 w - - 0 1", -10 - 36 - 30 - 2},
        // blocked on the same file: neither passed, both isolated
        {"4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1", 0},
    };
    for (const PawnCase& c : cases) {
        clear_pawn_hash();
        const Position pos = from_fen(c.fen);
        EXPECT_EQ(evaluate_pawns(pos), c.score) << c.fen;
    }
}

TEST_F(EvalPawns, StructureAfterMovesFromTheStart) {
    Position pos = start();
    play_moves(pos, "e2e4 a7a6 d2d4");
    // White: six pawns on rank 1 (+1 each), d4 and e4 (+3 each). Black: a6 (-2), seven
    // pawns on rank 6 (-1 each), and b7 has a6 diagonally in front of it (-2).
    EXPECT_EQ(evaluate_pawns(pos), 6 + 3 + 3 - 2 - 7 - 2);
}

TEST_F(EvalPawns, NoPawnsScoresZeroFromTheEmptyEntry) {
    const Position pos = from_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    ASSERT_EQ(pos.pawn_key, 0u);
    EXPECT_EQ(evaluate_pawns(pos), 0);
    // Nothing is computed for the empty structure: the zeroed entry 0 already matches.
    pawn_hash[0].score = 123;
    EXPECT_EQ(evaluate_pawns(pos), 123);
}

TEST_F(EvalPawns, MissStoresKeyAndScore) {
    Position pos = start();
    play_moves(pos, "e2e4");
    ASSERT_NE(pos.pawn_key, 0u);
    EXPECT_EQ(entry_of(pos).key, 0u);
    EXPECT_EQ(evaluate_pawns(pos), 2);
    EXPECT_EQ(entry_of(pos).key, pos.pawn_key);
    EXPECT_EQ(entry_of(pos).score, 2);
}

TEST_F(EvalPawns, SamePawnsWithOtherPiecesAreServedFromTheCache) {
    // Same pawns, different pieces: one entry serves both.
    const Position a = from_fen("r3k3/pp6/8/3P4/8/8/5PPP/4K2R w - - 0 1");
    const Position b = from_fen("4k1n1/pp6/8/3P4/8/2Q5/5PPP/6K1 b - - 0 1");
    ASSERT_EQ(a.pawn_key, b.pawn_key);
    const int score = evaluate_pawns(a);
    EXPECT_EQ(evaluate_pawns(b), score);
    // Prove that the second position is not recomputed: a changed entry is what it gets.
    entry_of(a).score = score + 1000;
    EXPECT_EQ(evaluate_pawns(b), score + 1000);
    EXPECT_EQ(evaluate_pawns(a), score + 1000);
    clear_pawn_hash();
    EXPECT_EQ(evaluate_pawns(b), score);
}

TEST_F(EvalPawns, OtherKeyOnTheSameIndexIsReplaced) {
    const Position pos = from_fen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    PawnHashEntry& entry = entry_of(pos);
    // Same low 19 bits, different full key: a stale result must not be trusted.
    entry.key = pos.pawn_key ^ (std::uint64_t(1) << 40);
    entry.score = -999;
    EXPECT_EQ(evaluate_pawns(pos), 44);
    EXPECT_EQ(entry.key, pos.pawn_key);
    EXPECT_EQ(entry.score, 44);
}

TEST_F(EvalPawns, ColourMirrorNegatesTheScore) {
    const char* const fens[] = {
        "4k3/pp3p1p/2p1p1p1/3p4/3P4/2P1P3/PP3PPP/4K3 w - - 0 1",
        "4k3/p5pp/1p6/2pP4/8/P1P5/1P3PPP/4K3 w - - 0 1",
        "4k3/1P4p1/8/p1p4P/8/2P5/3p2P1/4K3 w - - 0 1",
    };
    for (const char* const original : fens) {
        // The colour mirror: ranks reversed, case swapped.
        const std::string fen(original);
        const std::string placement = fen.substr(0, fen.find(' '));
        std::string ranks[8];
        int r = 0;
        for (char ch : placement) {
            if (ch == '/')
                r++;
            else
                ranks[r] += char(std::isalpha(static_cast<unsigned char>(ch)) ? ch ^ 0x20 : ch);
        }
        std::string mirrored;
        for (int i = 7; i >= 0; i--) mirrored += ranks[i] + (i ? "/" : "");
        mirrored += " b - - 0 1";
        clear_pawn_hash();
        const int score = evaluate_pawns(from_fen(original));
        EXPECT_NE(score, 0) << original;
        clear_pawn_hash();
        EXPECT_EQ(evaluate_pawns(from_fen(mirrored.c_str())), -score) << original;
    }
}
