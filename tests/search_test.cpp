// Search: the transposition table's entries, pinned fixed-depth searches
// (node counts show any change of behaviour), the draw and mate rules of a
// node, and the two ways a running search is stopped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "search/node.h"
#include "shell/shell.h"
#include "support.h"

namespace {

TEST(Search, TableEntries) {
    struct Row {
        int bound, score, store_ply, store_depth, probe_ply, probe_depth;
        int found, found_score;
    };
    const Row rows[] = {
        {EXACT, 9997, 3, 7, 5, 9, EXACT, 9995},  // a mate keeps its distance across plies
        {EXACT, 9997, 3, 4, 5, 20, EXACT, 9995}, // whatever the depth
        {EXACT, -9997, 3, 7, 1, 5, EXACT, -9999},
        {EXACT, 9000, 3, 5, 3, 6, SHALLOW, 9000}, // 9000 is no mate score
        {EXACT, 9000, 3, 5, 3, 5, EXACT, 9000},
        {EXACT, -9000, 3, 5, 3, 6, SHALLOW, -9000},
        {LOWER, 50, 2, 4, 1, 4, NONE, 50}, // too shallow
        {LOWER, 50, 2, 4, 1, 3, LOWER, 50},
        {UPPER, 50, 2, 4, 1, 4, SHALLOW, 50},
        {UPPER, 50, 2, 4, 1, 3, UPPER, 50},
        {LOWER, 9990, 2, 4, 1, 3, LOWER, 9990}, // bounds are never adjusted
    };
    Position pos = play("e2e4");
    for (const Row& r : rows) {
        clear_hash();
        hash_store(pos, r.store_ply, r.store_depth, r.score, r.bound, 5900);
        int score = 0;
        Move move = 0;
        EXPECT_EQ(hash_probe(pos, r.probe_ply, r.probe_depth, &score, &move), r.found) << &r - rows;
        EXPECT_EQ(score, r.found_score) << &r - rows;
        EXPECT_EQ(move, 5900u);
    }
    // A position met before is stored apart: another key, another slot.
    int score = 1;
    Move move = 1;
    pos.repetition = 1;
    EXPECT_EQ(hash_probe(pos, 1, 3, &score, &move), NONE);
    EXPECT_EQ(score + move, 0u);
    hash_store(pos, 1, 3, 77, EXACT, 0);
    pos.repetition = 0;
    EXPECT_EQ(hash_probe(pos, 1, 3, &score, &move), LOWER);
}

// UCI's Hash: the largest power of two of entries that fits, a cleared table;
// the same size is kept as it is.
TEST(Search, TableSizes) {
    clear_hash();
    for (const auto& [megabytes, entries, moved] :
         {std::tuple{1u, 1u << 16, 1}, {100, 1 << 22, 1}, {127, 1 << 22, 0}}) {
        const HashEntry* before = transposition_table;
        transposition_table[hash_mask].score = 5;
        EXPECT_EQ(set_hash_megabytes(megabytes), 1);
        EXPECT_EQ(hash_mask + 1, std::uint32_t(entries)) << megabytes;
        EXPECT_EQ(transposition_table[hash_mask].score == 0, moved == 1) << megabytes;
        EXPECT_EQ(transposition_table != before, moved == 1);
    }
    set_hash_megabytes(64);
}

// The bench signature; its first position's lines are pinned in the UCI tests.
TEST(Search, BenchIsPinned) {
    const std::string out = bench("search 5").second;
    EXPECT_NE(out.find("\ntotal nodes 936512 time_ms "), std::string::npos);
    // Every thinking line of the 51 searches, candidates for a new best move included.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : out.substr(0, out.rfind("total nodes")))
        hash = (hash ^ std::uint8_t(c)) * 1099511628211ull;
    EXPECT_EQ(hash, 0xBCEFCC2A831EAB3Eull);
}

// Positions chosen for what their trees reach.
TEST(Search, PinnedSearches) {
    const char* positions[] = {
        // a repeated position: stored apart, and a draw when met again
        "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5",
        // promotion with capture
        "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 f4g6 "
        "d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5",
        // a mate in one
        "f2f3 e7e5 g2g4",
        // en passant at the root
        "e2e4 a7a6 e4e5 d7d5",
        // an open middlegame: null moves, checks, captures both ways
        "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 c7c6 "
        "b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7",
    };
    char path[] = "/tmp/bench-positions-XXXXXX";
    close(mkstemp(path));
    std::ofstream file(path);
    file << "# comment lines are skipped\n";
    for (const char* p : positions) file << p << "\n";
    file.close();
    const std::string out = bench(std::string("search 7 ") + path).second;
    unlink(path);
    Lines results;
    for (std::size_t at = 0; (at = out.find("\nbestmove ", at)) != std::string::npos; at++)
        results.push_back(out.substr(at + 1, out.find('\n', at + 1) - at - 1));
    EXPECT_EQ(
        results,
        (Lines{"bestmove f4e5 ponder f7f6 nodes 236464", "bestmove b7a8q ponder d8e7 nodes 390048",
               "bestmove d8h4 ponder 0 nodes 34", "bestmove e5d6 ponder e7d6 nodes 171368",
               "bestmove b1d2 ponder c7b6 nodes 703315"}));
    EXPECT_NE(out.find("\n  1 9999 0 15 d8h4\nbestmove"), std::string::npos) << "mate found";
}

class Node : public testing::Test {
  protected:
    void SetUp() override {
        clear_hash();
        poll_interval = poll_countdown = INT32_MAX;
        abort_search = abort_by_input = pondering = 0;
    }
    // One alpha-beta node at ply 3 of a search to depth 7.
    static int node(const Position& pos, int alpha = -INFINITY_SCORE, int beta = INFINITY_SCORE) {
        search_positions[3] = pos;
        in_check[3] = side_in_check(pos);
        return search(3, 7, alpha, beta, 1, PV_NODE);
    }
};

TEST_F(Node, MatesAndDrawsByRule) {
    EXPECT_EQ(node(play("f2f3 e7e5 g2g4 d8h4")), 3 - MATE_SCORE);
    EXPECT_EQ(node(fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1")), 0);
    // Knights out and back twice: the start position for the third time.
    const char* dance = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8";
    for (int engine : {0, 1}) {
        const Position third = play(dance);
        engine_colour = engine;
        EXPECT_EQ(node(third), engine ? -30 : 30);
    }
    // Once before is no draw, but the node is marked and stored apart.
    const Position once = play("g1f3 g8f6 f3g1 f6g8");
    EXPECT_NE(std::abs(node(once)), 30);
    EXPECT_EQ(search_positions[3].repetition, 1);
    // More than 100 keys in the window: a draw before the table is asked.
    Position long_window = play("");
    long_window.history_end = long_window.history_start + 101;
    hash_store(long_window, 3, 7, 500, EXACT, 5900);
    engine_colour = 1;
    EXPECT_EQ(node(long_window), -30);
    long_window.history_end--;
    EXPECT_EQ(node(long_window), 500);
    // A stored move that is no move here is reported and the node searched.
    const Position black = play("e2e4");
    hash_store(black, 3, 7, 10, EXACT, 5900);
    EXPECT_EQ(output_of([&] { node(black); }).substr(0, 35),
              "Bad EXACT hash move found! (ply=3)\n");
}

// Frontier and quiescence nodes count a child that stands pat at once without
// making it: made and searched, such a child is one node and scores -alpha.
TEST_F(Node, ChildrenThatStandPatAtOnce) {
    int told = 0;
    for (const char* text :
         {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
          "4k3/8/8/3q4/8/2N5/1B6/4K3 b - - 0 1", "4k3/6P1/8/8/8/8/1r6/4K3 w - - 0 1",
          "4k3/8/8/8/3p4/8/8/B3K3 w - - 0 1", "4k3/8/8/8/8/8/8/B3K2n w - - 0 1"}) {
        const Position pos = fen(text);
        Move list[MAX_MOVES];
        const Move* end = legal_moves(pos, list);
        for (int alpha = -1500; alpha <= 1500; alpha += 50)
            for (const Move* m = list; m != end; m++) {
                if (!child_stands_pat(pos, *m, alpha)) continue;
                told++;
                search_positions[4] = pos;
                make_move(search_positions[4], *m);
                const std::uint64_t before = node_count;
                EXPECT_EQ(quiesce(4, -INFINITY_SCORE, -alpha), -alpha) << text << " " << *m;
                EXPECT_EQ(node_count, before + 1);
            }
    }
    EXPECT_GT(told, 1000);
}

// White to move while Black is in check (a side-to-move command gets there):
// taking the king is no move.
TEST_F(Node, AKingEnPriseIsNeverTaken) {
    play("e2e4 f7f6 d1h5");
    set_side_to_move(game_position, 1);
    EXPECT_EQ(legal_move(game_position, "h5e8"), 0u);
    EXPECT_EQ(move_is_valid(game_position, parse_move(game_position, "h5e8")), 0);
    max_iteration_depth = 3;
    const Move best = iterate(game_position, 0);
    max_iteration_depth = PLY_LIMIT;
    EXPECT_TRUE(best && move_captured(best) != KING) << best;
}

TEST_F(Node, NodeRateIsMeasuredAndPrinted) {
    xboard_mode = 0;
    max_iteration_depth = 6;
    const std::string out = output_of([] { iterate(play(""), 0); });
    max_iteration_depth = PLY_LIMIT;
    EXPECT_NE(out.find("New NPS value: " + std::to_string(nps_estimate)), std::string::npos);
    EXPECT_GT(nps_estimate, 10000u) << "far below any machine's rate";
}

TEST_F(Node, NoTimeLeftStopsAtTheFirstPollWithAMove) {
    StdinPipe quiet; // nothing waiting
    nps_estimate = 8000;
    time_left = 500;
    increment = plies_played = 0;
    output_of(start_clock);
    EXPECT_EQ(target_time + max_time, 0);
    EXPECT_EQ(poll_interval, 1000u);
    const Position& pos = play("");
    Move best = 0;
    output_of([&] { best = iterate(pos, 0); });
    EXPECT_TRUE(move_is_legal(pos, best));
    EXPECT_EQ(abort_search - abort_by_input, 1);
    EXPECT_TRUE(node_count >= 1000 && node_count < 1100) << node_count;
}

TEST_F(Node, WaitingInputStopsASearchWithoutAMove) {
    StdinPipe in;
    in.write("g"); // not even a whole line
    poll_interval = poll_countdown = 500;
    clock_start = tick_count();
    target_time = max_time = 1000000;
    Move best = 1;
    const std::string out = output_of([&] { best = iterate(play(""), 0); });
    EXPECT_EQ(best, 0u);
    EXPECT_EQ(abort_by_input, 1);
    EXPECT_TRUE(node_count >= 500 && node_count < 600) << node_count;
    char c = 0;
    EXPECT_EQ(read(0, &c, 1), 1) << "the input is left for the interpreter";
    EXPECT_EQ(input_check(), 0);
    in.close_input();
    EXPECT_NE(input_check(), 0) << "the end of input counts as input";
}

} // namespace
