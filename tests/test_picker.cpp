// The staged move picker: the order in which one node's moves come out on
// hand-made positions, duplicates, bad stored moves and the end of supply.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "search/search.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

using Texts = std::vector<std::string>;

// White to move. Captures: e4xd5 (pawn takes queen, 800), h4xh6 (queen takes
// a loose knight: exchange value 300), a3xb5 and f1xb5 (minor takes rook,
// 200 each, knight generated first), c1xc6 (rook takes a pawn-guarded
// knight, -200), h4xe7 (queen takes a king-guarded pawn, -800).
constexpr const char* MIXED = "4k3/1p2p3/2n4n/1r1q4/4P2Q/N7/8/2R2B1K w - - 0 1";

// The quiet moves of MIXED in generation order.
const Texts MIXED_QUIET = {"a3b1", "a3c2", "a3c4", "f1e2", "f1g2", "f1d3", "f1h3", "f1c4",
                           "c1a1", "c1b1", "c1d1", "c1e1", "c1c2", "c1c3", "c1c4", "c1c5",
                           "h4e1", "h4f2", "h4h2", "h4g3", "h4h3", "h4f4", "h4g4", "h4g5",
                           "h4h5", "h4f6", "e4e5", "h1g1", "h1g2", "h1h2"};

// Only quiet moves for White.
constexpr const char* QUIET_ONLY = "4k3/8/8/8/8/8/8/R3K3 w - - 0 1";

Move word(const Position& pos, const char* text) {
    const Move m = parse_move(pos, text);
    EXPECT_NE(m, 0u) << text;
    return m;
}

std::string text(Move m) {
    char buffer[6];
    return coordinate_text(m, buffer);
}

Texts without(Texts list, const Texts& removed) {
    for (const auto& r : removed) list.erase(std::remove(list.begin(), list.end(), r), list.end());
    return list;
}

Texts join(std::initializer_list<Texts> parts) {
    Texts all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Picker : public ::testing::Test {
  protected:
    static constexpr int PLY = 3;

    void SetUp() override {
        xboard_mode = 0;
        clear_move_ordering();
        pos = from_fen(MIXED);
    }

    // Every move of the node, then three more calls that must give 0.
    Texts drain() {
        Texts out;
        for (Move m; (m = next_move(pos, PLY));) {
            out.push_back(text(m));
            if (out.size() > 200) break;
        }
        for (int i = 0; i < 3; i++) EXPECT_EQ(next_move(pos, PLY), 0u);
        return out;
    }

    void set_history(const char* move, std::int32_t value) {
        history[word(pos, move) & 4095] = value;
    }

    Position pos{};
    const SavedGlobals saved;
};

TEST_F(Picker, StagesComeOutInOrder) {
    start_node(PLY, word(pos, "f1d3"));
    killer1[PLY] = word(pos, "c1c3");
    killer2[PLY] = word(pos, "h1g1");
    set_history("f1g2", 80);
    set_history("h4e7", 60); // a losing capture with history is a history pick
    set_history("a3c2", 50);
    set_history("h4g4", 50);  // equal to a3c2, later in the list
    set_history("f1d3", 200); // the hash move and a killer are not handed again
    set_history("c1c3", 100);

    const Texts expected = join({
        {"f1d3"},                         // hash move
        {"e4d5", "h4h6", "a3b5", "f1b5"}, // good captures, best first, stable
        {"c1c3", "h1g1"},                 // killers
        {"f1g2", "h4e7", "a3c2", "h4g4"}, // history, highest first
        {"c1c6"},                         // the losing capture left
        without(MIXED_QUIET, {"f1d3", "c1c3", "h1g1", "f1g2", "a3c2", "h4g4"}),
    });
    EXPECT_EQ(drain(), expected);
}

TEST_F(Picker, WithoutHistoryLosingCapturesPrecedeQuietMovesInGenerationOrder) {
    start_node(PLY, 0);
    const Texts expected = join({{"e4d5", "h4h6", "a3b5", "f1b5", "c1c6", "h4e7"}, MIXED_QUIET});
    EXPECT_EQ(drain(), expected);
}

TEST_F(Picker, HashCaptureIsHandedOutOnce) {
    start_node(PLY, word(pos, "h4h6"));
    const Texts expected = join({{"h4h6", "e4d5", "a3b5", "f1b5", "c1c6", "h4e7"}, MIXED_QUIET});
    EXPECT_EQ(drain(), expected);
}

TEST_F(Picker, HashMoveEqualToTheFirstKillerIsHandedOutTwice) {
    const Move m = word(pos, "c1c3");
    start_node(PLY, m);
    killer1[PLY] = m;
    const Texts out = drain();
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(out[0], "c1c3");
    EXPECT_EQ(out[5], "c1c3"); // after the four good captures
    EXPECT_EQ(std::count(out.begin(), out.end(), "c1c3"), 2);
    EXPECT_EQ(out.size(), 6u + 2u + MIXED_QUIET.size() - 1u);
}

TEST_F(Picker, InvalidHashMoveIsReportedAndSkipped) {
    // A word for a pawn that is not there.
    const Move bad = make_move_word(14, 30, PAWN);
    start_node(PLY, bad);
    testing::internal::CaptureStdout();
    const Move first = next_move(pos, PLY);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Bad hash move at ply 3\n");
    EXPECT_EQ(text(first), "e4d5");
    EXPECT_EQ(hash_move[PLY], 0u);
    // The rest of the node is as without a hash move.
    const Texts rest = drain();
    EXPECT_EQ(rest.size(), 5u + MIXED_QUIET.size());
}

TEST_F(Picker, InvalidKillersAreSkippedSilently) {
    start_node(PLY, 0);
    killer1[PLY] = make_move_word(14, 30, PAWN); // no such pawn
    killer2[PLY] = word(pos, "h1g2");
    testing::internal::CaptureStdout();
    const Texts out = drain();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const Texts expected = join(
        {{"e4d5", "h4h6", "a3b5", "f1b5", "h1g2", "c1c6", "h4e7"}, without(MIXED_QUIET, {"h1g2"})});
    EXPECT_EQ(out, expected);
}

TEST_F(Picker, NodeWithoutCapturesGoesStraightToTheKillers) {
    pos = from_fen(QUIET_ONLY);
    start_node(PLY, 0);
    killer1[PLY] = word(pos, "a1a7");
    set_history("e1f2", 9);
    const Texts out = drain();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "a1a7");
    EXPECT_EQ(out[1], "e1f2");
    EXPECT_EQ(out[2], "a1b1"); // then generation order: rook first
    EXPECT_EQ(move_phase[PLY], 7);
}

TEST_F(Picker, IllegalStageIsReported) {
    start_node(PLY, 0);
    move_phase[PLY] = 8;
    testing::internal::CaptureStdout();
    EXPECT_EQ(next_move(pos, PLY), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: Illegal move_phase[ply].\n");
    move_phase[PLY] = -1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(next_move(pos, PLY), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: Illegal move_phase[ply].\n");
}

TEST_F(Picker, PliesKeepTheirOwnState) {
    // Interleaving two nodes at different plies changes neither.
    start_node(PLY, 0);
    const Position other = from_fen(QUIET_ONLY);
    move_phase[PLY + 1] = 0;
    list_next[PLY + 1] = list_end[PLY + 1] = move_list[PLY + 1];
    hash_move[PLY + 1] = 0;
    Texts mine, theirs;
    for (int i = 0; i < 100; i++) {
        const Move a = next_move(pos, PLY);
        const Move b = next_move(other, PLY + 1);
        if (a) mine.push_back(text(a));
        if (b) theirs.push_back(text(b));
        if (!a && !b) break;
    }
    EXPECT_EQ(mine, join({{"e4d5", "h4h6", "a3b5", "f1b5", "c1c6", "h4e7"}, MIXED_QUIET}));
    EXPECT_EQ(theirs.size(), 15u); // 10 rook moves, 5 king moves
}

} // namespace
