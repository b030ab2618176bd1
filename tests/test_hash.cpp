// Transposition table: what a probe answers for each bound and depth, mate
// distances across plies, slot sharing, the repetition twist and the entry
// layout that the table file also uses.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "search/search.h"
#include "test_util.h"

namespace {

// Italian game after 3 moves: an ordinary position with a nonzero key.
constexpr const char* ITALIAN = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";

struct Answer {
    int bound;
    int score;
    Move move;
};

Answer probe(const Position& pos, int ply, int depth) {
    Answer a{-1, 12345, 777};
    a.bound = hash_probe(pos, ply, depth, &a.score, &a.move);
    return a;
}

std::uint64_t lookup_key(const Position& pos) {
    return pos.repetition ? pos.key ^ repetition_key : pos.key;
}

class HashTable : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_hash();
        pos = from_fen(ITALIAN);
        knight_move = make_move_word(sq("g8"), sq("f6"), KNIGHT);
    }
    Position pos{};
    Move knight_move = 0;
};

TEST_F(HashTable, LayoutIsSixteenBytesPerEntryInAFixedTable) {
    EXPECT_EQ(sizeof(HashEntry), 16u);
    EXPECT_EQ(offsetof(HashEntry, word0), 0u);
    EXPECT_EQ(offsetof(HashEntry, score), 4u);
    EXPECT_EQ(offsetof(HashEntry, key_low), 8u);
    EXPECT_EQ(offsetof(HashEntry, key_high), 12u);
    EXPECT_EQ(HASH_ENTRIES, 4194304u);
    EXPECT_EQ(hash_mask, 0x3FFFFFu);
    EXPECT_EQ(sizeof transposition_table, std::size_t(64) << 20);
}

TEST_F(HashTable, NeverWrittenSlotAnswersNothing) {
    ASSERT_NE(pos.key, 0u);
    const Answer a = probe(pos, 0, 5);
    EXPECT_EQ(a.bound, NONE);
    EXPECT_EQ(a.score, 0);
    EXPECT_EQ(a.move, 0u);
}

TEST_F(HashTable, StoreWritesTheWordsOfTheEntry) {
    // UPPER at ply 2 with depth limit 9: remaining depth 7.
    hash_store(pos, 2, 9, -41, UPPER, knight_move);
    const HashEntry& e = slot(pos.key);
    EXPECT_EQ(e.word0, 3u + 4u * (7u + 64u * knight_move));
    EXPECT_EQ(e.score, -41);
    EXPECT_EQ(e.key_low, std::uint32_t(pos.key));
    EXPECT_EQ(e.key_high, std::uint32_t(pos.key >> 32));

    // Remaining depth is kept modulo 64, the move in 24 bits.
    hash_store(pos, 1, 71, 5, LOWER, 0x7ABCDEFu);
    EXPECT_EQ(slot(pos.key).word0, 2u + 4u * (6u + 64u * 0xABCDEFu));
    EXPECT_EQ(probe(pos, 0, 0).move, 0xABCDEFu);
}

TEST_F(HashTable, ProbeAnswersByBoundAndRemainingDepth) {
    // Remaining depth 2 stored (ply 1, depth limit 3).
    hash_store(pos, 1, 3, 50, LOWER, knight_move);
    Answer a = probe(pos, 1, 3);
    EXPECT_EQ(a.bound, LOWER);
    EXPECT_EQ(a.score, 50);
    EXPECT_EQ(a.move, knight_move);
    EXPECT_EQ(probe(pos, 4, 5).bound, LOWER); // needs only 1
    a = probe(pos, 1, 4);                     // needs 3: too shallow
    EXPECT_EQ(a.bound, NONE);
    EXPECT_EQ(a.score, 50);
    EXPECT_EQ(a.move, knight_move); // the move is lent whatever the depth

    hash_store(pos, 1, 3, -70, UPPER, knight_move);
    a = probe(pos, 1, 3);
    EXPECT_EQ(a.bound, UPPER);
    EXPECT_EQ(a.score, -70);
    a = probe(pos, 1, 4);
    EXPECT_EQ(a.bound, SHALLOW);
    EXPECT_EQ(a.score, -70);
    EXPECT_EQ(a.move, knight_move);

    hash_store(pos, 1, 3, 12, EXACT, knight_move);
    EXPECT_EQ(probe(pos, 1, 3).bound, EXACT);
    a = probe(pos, 0, 3);
    EXPECT_EQ(a.bound, SHALLOW);
    EXPECT_EQ(a.score, 12);
}

TEST_F(HashTable, MateScoresKeepTheirDistanceAcrossPlies) {
    // A mate found 3 plies below a node at ply 3: 10000 - 6 seen from the root.
    hash_store(pos, 3, 5, 9994 + 3, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 10000);
    // Met again at ply 5, with a depth the entry does not have.
    Answer a = probe(pos, 5, 20);
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, 9995);
    EXPECT_EQ(a.move, knight_move);
    EXPECT_EQ(probe(pos, 0, 20).score, 10000);

    // Being mated: stored one ply further from zero, probed nearer the root.
    hash_store(pos, 4, 6, -9996, EXACT, 0);
    EXPECT_EQ(slot(pos.key).score, -10000);
    a = probe(pos, 2, 19);
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, -9998);
    EXPECT_EQ(a.move, 0u);
}

TEST_F(HashTable, ScoreOfExactlyNineThousandIsNotAMateScore) {
    hash_store(pos, 4, 6, 9000, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9000);
    Answer a = probe(pos, 2, 4); // needs 2, has 2
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, 9000);
    a = probe(pos, 2, 5); // needs 3
    EXPECT_EQ(a.bound, SHALLOW);
    EXPECT_EQ(a.score, 9000);

    hash_store(pos, 4, 6, -9000, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, -9000);
    EXPECT_EQ(probe(pos, 2, 5).bound, SHALLOW);

    hash_store(pos, 4, 6, 9001, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9005);
    a = probe(pos, 2, 5);
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, 9003);
}

TEST_F(HashTable, BoundMateScoresAreStoredAsTheyAre) {
    hash_store(pos, 3, 5, 9995, LOWER, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9995);
    Answer a = probe(pos, 5, 7);
    EXPECT_EQ(a.bound, LOWER);
    EXPECT_EQ(a.score, 9995);
    EXPECT_EQ(probe(pos, 5, 8).bound, NONE);

    hash_store(pos, 3, 5, -9995, UPPER, 0);
    EXPECT_EQ(slot(pos.key).score, -9995);
    a = probe(pos, 1, 3);
    EXPECT_EQ(a.bound, UPPER);
    EXPECT_EQ(a.score, -9995);
}

TEST_F(HashTable, OnlyTheLastOfTwoPositionsSharingAnIndexStays) {
    Position other = pos;
    other.key ^= 0x0123456700000000ULL; // same low half
    Position third = pos;
    third.key ^= 0x00C00000ULL; // same low 22 bits, different low half
    ASSERT_EQ(std::uint32_t(other.key) & hash_mask, std::uint32_t(pos.key) & hash_mask);
    ASSERT_EQ(std::uint32_t(third.key) & hash_mask, std::uint32_t(pos.key) & hash_mask);

    hash_store(pos, 0, 10, 33, EXACT, knight_move);
    hash_store(other, 0, 1, -8, UPPER, 0);
    Answer a = probe(pos, 0, 1);
    EXPECT_EQ(a.bound, NONE);
    EXPECT_EQ(a.score, 0);
    EXPECT_EQ(a.move, 0u);
    a = probe(other, 0, 1);
    EXPECT_EQ(a.bound, UPPER);
    EXPECT_EQ(a.score, -8);

    hash_store(third, 0, 2, 7, LOWER, knight_move);
    EXPECT_EQ(probe(other, 0, 1).bound, NONE);
    EXPECT_EQ(probe(third, 0, 1).bound, LOWER);
}

TEST_F(HashTable, StoreAlwaysReplacesEvenADeeperEntry) {
    hash_store(pos, 0, 12, 40, EXACT, knight_move);
    hash_store(pos, 0, 1, -3, UPPER, 0);
    const Answer a = probe(pos, 0, 1);
    EXPECT_EQ(a.bound, UPPER);
    EXPECT_EQ(a.score, -3);
    EXPECT_EQ(a.move, 0u);
    EXPECT_EQ(probe(pos, 0, 2).bound, SHALLOW);
}

TEST_F(HashTable, RepeatedPositionIsKeptApartFromTheUnrepeatedOne) {
    Position repeated = pos;
    repeated.repetition = 1;
    ASSERT_NE(std::uint32_t(lookup_key(pos)) & hash_mask,
              std::uint32_t(lookup_key(repeated)) & hash_mask);

    hash_store(pos, 0, 4, 15, EXACT, knight_move);
    EXPECT_EQ(probe(repeated, 0, 4).bound, NONE);
    hash_store(repeated, 0, 4, -30, EXACT, 0);

    Answer a = probe(pos, 0, 4);
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, 15);
    EXPECT_EQ(a.move, knight_move);
    a = probe(repeated, 0, 4);
    EXPECT_EQ(a.bound, EXACT);
    EXPECT_EQ(a.score, -30);
    EXPECT_EQ(a.move, 0u);

    const HashEntry& e = slot(pos.key ^ repetition_key);
    EXPECT_EQ(e.key_low, std::uint32_t(pos.key ^ repetition_key));
    EXPECT_EQ(e.key_high, std::uint32_t((pos.key ^ repetition_key) >> 32));
}

TEST_F(HashTable, ClearEmptiesEveryEntry) {
    hash_store(pos, 0, 3, 1, EXACT, knight_move);
    transposition_table[HASH_ENTRIES - 1].word0 = 5;
    clear_hash();
    static const HashEntry zero{};
    for (std::uint32_t i = 0; i < HASH_ENTRIES; i++)
        ASSERT_EQ(std::memcmp(&transposition_table[i], &zero, sizeof zero), 0) << i;
    EXPECT_EQ(probe(pos, 0, 0).bound, NONE);
}

} // namespace
