// Transposition table: what a probe answers for each bound and depth, mate
// distances across plies, slot sharing, the repetition twist and the entry
// layout that the table file also uses.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <tuple>

#include "search/search.h"
#include "test_util.h"

namespace {

// Italian game after 3 moves: an ordinary position with a nonzero key.
constexpr const char* ITALIAN = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";

// Bound, score and move a probe answers.
std::tuple<int, int, Move> probe(const Position& pos, int ply, int depth) {
    int score = 12345;
    Move move = 777;
    const int bound = hash_probe(pos, ply, depth, &score, &move);
    return {bound, score, move};
}

class HashTable : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_hash();
        pos = from_fen(ITALIAN);
        knight_move = make_move_word(sq("g8"), sq("f6"), KNIGHT);
    }
    using Answer = std::tuple<int, int, Move>;
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

TEST_F(HashTable, StoreWritesTheWordsOfTheEntry) {
    EXPECT_EQ(probe(pos, 0, 5), Answer(NONE, 0, 0)); // never written
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
    EXPECT_EQ(std::get<2>(probe(pos, 0, 0)), 0xABCDEFu);
}

TEST_F(HashTable, ProbeAnswersByBoundAndRemainingDepth) {
    // Remaining depth 2 stored (ply 1, depth limit 3).
    hash_store(pos, 1, 3, 50, LOWER, knight_move);
    EXPECT_EQ(probe(pos, 1, 3), Answer(LOWER, 50, knight_move));
    EXPECT_EQ(probe(pos, 4, 5), Answer(LOWER, 50, knight_move)); // needs only 1
    // Needs 3: too shallow, but the move is lent whatever the depth.
    EXPECT_EQ(probe(pos, 1, 4), Answer(NONE, 50, knight_move));

    hash_store(pos, 1, 3, -70, UPPER, knight_move);
    EXPECT_EQ(probe(pos, 1, 3), Answer(UPPER, -70, knight_move));
    EXPECT_EQ(probe(pos, 1, 4), Answer(SHALLOW, -70, knight_move));

    hash_store(pos, 1, 3, 12, EXACT, knight_move);
    EXPECT_EQ(probe(pos, 1, 3), Answer(EXACT, 12, knight_move));
    EXPECT_EQ(probe(pos, 0, 3), Answer(SHALLOW, 12, knight_move));
}

TEST_F(HashTable, MateScoresKeepTheirDistanceAcrossPlies) {
    // A mate found 3 plies below a node at ply 3: 10000 - 6 seen from the root.
    hash_store(pos, 3, 5, 9994 + 3, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 10000);
    // Met again at ply 5, with a depth the entry does not have.
    EXPECT_EQ(probe(pos, 5, 20), Answer(EXACT, 9995, knight_move));
    EXPECT_EQ(std::get<1>(probe(pos, 0, 20)), 10000);

    // Being mated: stored one ply further from zero, probed nearer the root.
    hash_store(pos, 4, 6, -9996, EXACT, 0);
    EXPECT_EQ(slot(pos.key).score, -10000);
    EXPECT_EQ(probe(pos, 2, 19), Answer(EXACT, -9998, 0));

    // Bounds are stored as they are, with the usual depth rule.
    hash_store(pos, 3, 5, 9995, LOWER, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9995);
    EXPECT_EQ(probe(pos, 5, 7), Answer(LOWER, 9995, knight_move));
    EXPECT_EQ(std::get<0>(probe(pos, 5, 8)), NONE);
    hash_store(pos, 3, 5, -9995, UPPER, 0);
    EXPECT_EQ(probe(pos, 1, 3), Answer(UPPER, -9995, 0));
}

TEST_F(HashTable, ScoreOfExactlyNineThousandIsNotAMateScore) {
    hash_store(pos, 4, 6, 9000, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9000);
    EXPECT_EQ(probe(pos, 2, 4), Answer(EXACT, 9000, knight_move));   // needs 2, has 2
    EXPECT_EQ(probe(pos, 2, 5), Answer(SHALLOW, 9000, knight_move)); // needs 3

    hash_store(pos, 4, 6, -9000, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, -9000);
    EXPECT_EQ(std::get<0>(probe(pos, 2, 5)), SHALLOW);

    hash_store(pos, 4, 6, 9001, EXACT, knight_move);
    EXPECT_EQ(slot(pos.key).score, 9005);
    EXPECT_EQ(probe(pos, 2, 5), Answer(EXACT, 9003, knight_move));
}

TEST_F(HashTable, StoreAlwaysReplacesTheSlotEvenForAnotherPosition) {
    Position other = pos;
    other.key ^= 0x0123456700000000ULL; // same low half
    Position third = pos;
    third.key ^= 0x00C00000ULL; // same low 22 bits, different low half
    ASSERT_EQ(std::uint32_t(other.key) & hash_mask, std::uint32_t(pos.key) & hash_mask);
    ASSERT_EQ(std::uint32_t(third.key) & hash_mask, std::uint32_t(pos.key) & hash_mask);

    hash_store(pos, 0, 12, 40, EXACT, knight_move);
    hash_store(pos, 0, 1, -3, UPPER, 0); // a shallower entry replaces a deeper one
    EXPECT_EQ(probe(pos, 0, 1), Answer(UPPER, -3, 0));
    hash_store(other, 0, 1, -8, UPPER, 0);
    EXPECT_EQ(probe(pos, 0, 1), Answer(NONE, 0, 0));
    EXPECT_EQ(probe(other, 0, 1), Answer(UPPER, -8, 0));
    hash_store(third, 0, 2, 7, LOWER, knight_move);
    EXPECT_EQ(std::get<0>(probe(other, 0, 1)), NONE);
    EXPECT_EQ(std::get<0>(probe(third, 0, 1)), LOWER);
}

TEST_F(HashTable, RepeatedPositionIsKeptApartFromTheUnrepeatedOne) {
    Position repeated = pos;
    repeated.repetition = 1;
    const std::uint64_t twisted = pos.key ^ repetition_key;
    ASSERT_NE(std::uint32_t(pos.key) & hash_mask, std::uint32_t(twisted) & hash_mask);

    hash_store(pos, 0, 4, 15, EXACT, knight_move);
    EXPECT_EQ(std::get<0>(probe(repeated, 0, 4)), NONE);
    hash_store(repeated, 0, 4, -30, EXACT, 0);
    EXPECT_EQ(probe(pos, 0, 4), Answer(EXACT, 15, knight_move));
    EXPECT_EQ(probe(repeated, 0, 4), Answer(EXACT, -30, 0));
    EXPECT_EQ(slot(twisted).key_low, std::uint32_t(twisted));
    EXPECT_EQ(slot(twisted).key_high, std::uint32_t(twisted >> 32));
}

TEST_F(HashTable, ClearEmptiesEveryEntry) {
    hash_store(pos, 0, 3, 1, EXACT, knight_move);
    transposition_table[HASH_ENTRIES - 1].word0 = 5;
    clear_hash();
    static const HashEntry zero{};
    for (std::uint32_t i = 0; i < HASH_ENTRIES; i++)
        ASSERT_EQ(std::memcmp(&transposition_table[i], &zero, sizeof zero), 0) << i;
    EXPECT_EQ(std::get<0>(probe(pos, 0, 0)), NONE);
}

} // namespace
