// Pawn-structure score (White's view) and its cache keyed by the pawn key.
#include <gtest/gtest.h>

#include <cstdint>

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
    };
    for (const PawnCase& c : cases) {
        clear_pawn_hash();
        const Position pos = from_fen(c.fen);
        EXPECT_EQ(evaluate_pawns(pos), c.score) << c.fen;
    }
}

TEST_F(EvalPawns, NoPawnsScoresZeroFromTheEmptyEntry) {
    const Position pos = from_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    ASSERT_EQ(pos.pawn_key, 0u);
    EXPECT_EQ(evaluate_pawns(pos), 0);
    // Nothing is computed for the empty structure: the zeroed entry 0 already matches.
    pawn_hash[0].score = 123;
    EXPECT_EQ(evaluate_pawns(pos), 123);
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
