// Alpha-beta, root search and iterative deepening: mates, draws by rule,
// the table inside a node, null-move conditions, killers and history, stop
// requests, the thinking lines, and pinned node counts of fixed-depth
// searches that catch any change in search behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "eval/eval.h"
#include "game/game.h"
#include "search/search.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

// White mates with Ra8; with Black to move, Black is mated at ply 2.
constexpr const char* BOX_WHITE = "7k/1p3K1p/7P/8/8/8/8/R7 w - - 0 1";
constexpr const char* BOX_BLACK = "7k/1p3K1p/7P/8/8/8/8/R7 b - - 0 1";
// Black to move is stalemated.
constexpr const char* STALEMATE = "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";
// White, far ahead with two pieces, against a bare king.
constexpr const char* TWO_PIECES = "7k/8/8/8/8/1Q6/8/R5K1 w - - 0 1";
// The same with one piece only.
constexpr const char* ONE_PIECE = "7k/8/8/8/8/1Q6/8/6K1 w - - 0 1";
// Two pieces, but in check from a knight.
constexpr const char* TWO_PIECES_IN_CHECK = "7k/8/8/8/8/1Q3n2/8/R5K1 w - - 0 1";
// White to move with two pieces; Black is far ahead.
constexpr const char* BLACK_AHEAD = "3r2k1/8/8/8/2qq4/8/5PPP/1RB3K1 w - - 0 1";
// Only quiet moves for White (rook first in generation order: a1b1).
constexpr const char* QUIET_ONLY = "4k3/8/8/8/8/8/8/R3K3 w - - 0 1";
// White's first move is the capture Ra1xa2.
constexpr const char* ROOK_TAKES = "4k3/8/8/8/8/8/r7/R3K3 w - - 0 1";
// An open middlegame with captures on both sides.
constexpr const char* SCOTCH = "r1bqkbnr/pppp1ppp/2n5/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq d3 0 3";

// The game position after a move sequence from the initial position.
Position play(const std::string& moves) {
    new_game();
    std::istringstream in(moves);
    for (std::string t; in >> t;) {
        const Move m = parse_move(game_position, t.c_str());
        EXPECT_TRUE(m && move_is_legal(game_position, m)) << t;
        if (!m) break;
        record_move(m);
    }
    return game_position;
}

std::string text(Move m) {
    char buffer[6];
    return m ? move_text(m, buffer) : "0";
}

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool slot_holds(std::uint64_t key) {
    const HashEntry& e = slot(key);
    return e.key_low == std::uint32_t(key) && e.key_high == std::uint32_t(key >> 32);
}

struct Outcome {
    Move best;
    Move ponder;
    std::uint32_t nodes;
    int score;
    int depth;
    std::string output;
};

class Search : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_hash();
        clear_pawn_hash();
        xboard_mode = 1;
        engine_colour = 1;
        never_poll();
        clear_move_ordering();
        abort_search = abort_by_input = 0;
        pondering = 0;
    }

    static void never_poll() {
        poll_interval = INT32_MAX;
        poll_countdown = INT32_MAX;
    }

    // The next poll, after `nodes` more nodes, finds the time used up.
    static void stop_at_poll(int nodes) {
        poll_interval = INT32_MAX;
        poll_countdown = nodes;
        pondering = 0;
        target_time = max_time = 0;
        clock_start = tick_count() - 100000;
    }

    static Outcome think(const Position& pos, int depth, int ponder = 0) {
        max_iteration_depth = depth;
        testing::internal::CaptureStdout();
        const Move best = iterate(pos, ponder);
        Outcome o{best,
                  ponder_move,
                  node_count,
                  last_iteration_score,
                  iteration_depth,
                  testing::internal::GetCapturedStdout()};
        max_iteration_depth = 19;
        return o;
    }

    static void reset_counters() {
        node_count = quiescence_node_count = horizon_count = hash_hit_count = 0;
        fail_high_count = fail_high_first_count = hash_fail_high_count = 0;
        null_fail_high_count = 0;
        abort_search = abort_by_input = 0;
    }

    // One alpha-beta node on pos at ply, as its parent would call it.
    static int node(const Position& pos, int ply, int depth, int alpha, int beta, int null_ok,
                    int node_type) {
        search_positions[ply] = pos;
        in_check[ply] = side_in_check(pos);
        reset_counters();
        return search(ply, depth, alpha, beta, null_ok, node_type);
    }

    const SavedGlobals saved;
};

// ---- mates and draws ----

TEST_F(Search, MateInOneStopsAfterTheFirstIteration) {
    branch_factor = 1.25;
    const Outcome o = think(from_fen(BOX_WHITE), 8);
    EXPECT_EQ(text(o.best), "a1a8");
    EXPECT_EQ(o.score, MATE_SCORE - 1);
    EXPECT_EQ(o.depth, 1);
    for (const auto& line : lines_of(o.output)) EXPECT_EQ(line.rfind("  1 ", 0), 0u) << line;
    EXPECT_EQ(branch_factor, 1.25); // one iteration leaves it alone
}

TEST_F(Search, MatedAtPlyTwoStopsFromDepthThree) {
    const Outcome o = think(from_fen(BOX_BLACK), 8);
    EXPECT_EQ(o.score, 2 - MATE_SCORE);
    EXPECT_EQ(o.depth, 3);
    EXPECT_TRUE(text(o.best) == "b7b6" || text(o.best) == "b7b5") << text(o.best);
    EXPECT_NE(o.output.find("\n  3 "), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find("  4 "), std::string::npos) << o.output;
}

TEST_F(Search, CheckmatedSideAtPlyThreeScoresMateDistance) {
    const Position mated = play("f2f3 e7e5 g2g4 d8h4");
    EXPECT_EQ(node(mated, 3, 7, -20000, 20000, 1, 0), 3 - MATE_SCORE);
    EXPECT_FALSE(slot_holds(mated.key)); // nothing is stored
    EXPECT_EQ(node(from_fen(STALEMATE), 3, 7, -20000, 20000, 1, 0), 0);
}

TEST_F(Search, CheckmatedRootIsReportedAndScoresMinusTenThousand) {
    const Position mated = play("f2f3 e7e5 g2g4 d8h4");
    xboard_mode = 0;
    Outcome o = think(mated, 6);
    EXPECT_EQ(o.best, 0u);
    EXPECT_EQ(o.score, -MATE_SCORE);
    EXPECT_EQ(o.depth, 1);
    const auto lines = lines_of(o.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Error: mate or stalemate found at root!");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), lines[0]), 1);

    // Directly: the root search scores the mate.
    search_positions[0] = mated;
    in_check[0] = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(search_root(1), -MATE_SCORE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: mate or stalemate found at root!\n");

    // While pondering nothing is reported.
    pondering = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(search_root(1), -MATE_SCORE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    pondering = 0;
    xboard_mode = 1;
    o = think(mated, 6, 1);
    EXPECT_EQ(o.best, 0u);
    EXPECT_EQ(o.output, "");
}

TEST_F(Search, StalematedRootIsReportedInEveryIteration) {
    const Outcome o = think(from_fen(STALEMATE), 3);
    EXPECT_EQ(o.best, 0u);
    EXPECT_EQ(o.score, 0);
    EXPECT_EQ(o.output, "tellusererror Error: mate or stalemate found at root!\n"
                        "tellusererror Error: mate or stalemate found at root!\n"
                        "tellusererror Error: mate or stalemate found at root!\n");
}

TEST_F(Search, SecondRepetitionIsADrawForTheSideToMove) {
    const std::string shuffle = "g1f3 g8f6 f3g1 f6g8 ";
    const Position twice = play(shuffle + shuffle); // third occurrence
    engine_colour = 1;                              // engine to move
    EXPECT_EQ(node(twice, 1, 4, -100, 100, 1, 0), -30);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(hash_hit_count, 0u);
    engine_colour = 0;
    EXPECT_EQ(node(twice, 1, 4, -100, 100, 1, 0), 30);
    EXPECT_FALSE(slot_holds(twice.key));
    EXPECT_FALSE(slot_holds(twice.key ^ repetition_key));
}

TEST_F(Search, FirstRepetitionIsSearchedAndStoredApart) {
    const Position once = play("g1f3 g8f6 f3g1 f6g8"); // second occurrence
    ASSERT_NE(std::uint32_t(once.key) & hash_mask,
              std::uint32_t(once.key ^ repetition_key) & hash_mask);
    node(once, 1, 4, -100, 100, 1, 0);
    EXPECT_GT(node_count, 100u);
    EXPECT_EQ(search_positions[1].repetition, 1);
    EXPECT_TRUE(slot_holds(once.key ^ repetition_key));
    EXPECT_FALSE(slot_holds(once.key));
}

TEST_F(Search, MoreThanHundredKeysInTheWindowIsADrawBeforeTheProbe) {
    static std::uint64_t window[128];
    Position pos = from_fen(SCOTCH);
    for (int i = 0; i < 101; i++) window[i] = 0x9E3779B97F4A7C15ULL * std::uint64_t(i + 1);
    window[100] = pos.key;
    pos.history_start = window;
    pos.history_end = window + 101;
    pos.repetition = 1;
    // A table entry that would answer the node at once.
    const Move reply = parse_move(pos, "e5d4");
    hash_store(pos, 1, 10, 555, EXACT, reply);
    Position plain = pos;
    plain.repetition = 0;
    hash_store(plain, 1, 10, 555, EXACT, reply);

    engine_colour = 0; // Black, the engine, is to move
    EXPECT_EQ(node(pos, 1, 3, -1000, 1000, 1, 0), -30);
    EXPECT_EQ(hash_hit_count, 0u);
    EXPECT_EQ(search_positions[1].repetition, 0);

    pos.history_start = window + 1; // 100 keys: not yet
    EXPECT_EQ(node(pos, 1, 3, -1000, 1000, 1, 0), 555);
    EXPECT_EQ(hash_hit_count, 1u);
    EXPECT_EQ(pv_table[1][0], reply);
    EXPECT_EQ(pv_table[1][1], 0u);
    EXPECT_EQ(pv_table[1][2], PV_MARKER);
}

TEST_F(Search, HorizonNodeGoesToQuiescence) {
    const Position pos = from_fen(SCOTCH);
    node(pos, 2, 2, -20000, 20000, 1, 0);
    EXPECT_EQ(horizon_count, 1u);
    EXPECT_EQ(node_count, quiescence_node_count);
    node(pos, PLY_LIMIT, 25, -20000, 20000, 1, 0); // the ply limit whatever the depth
    EXPECT_EQ(horizon_count, 1u);
    EXPECT_EQ(node_count, quiescence_node_count);
}

// ---- the table inside a node ----

TEST_F(Search, ExactEntryInsideTheWindowAnswersTheNode) {
    const Position pos = from_fen(SCOTCH);
    const Move m = parse_move(pos, "e5d4");
    hash_store(pos, 2, 5, 40, EXACT, m);
    EXPECT_EQ(node(pos, 2, 5, 0, 100, 1, 0), 40);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(hash_hit_count, 1u);
    EXPECT_EQ(pv_table[2][0], m);
    EXPECT_EQ(pv_table[2][1], 0u);
    EXPECT_EQ(pv_table[2][2], PV_MARKER);

    // Outside the window the node is searched.
    hash_store(pos, 2, 5, 40, EXACT, m);
    node(pos, 2, 5, 50, 100, 1, 1);
    EXPECT_GT(node_count, 1u);
}

TEST_F(Search, ExactEntryWithABadMoveIsReportedAndIgnored) {
    const Position pos = from_fen(SCOTCH);
    hash_store(pos, 2, 5, 40, EXACT, make_move_word(sq("a1"), sq("a5"), ROOK));
    testing::internal::CaptureStdout();
    node(pos, 2, 4, -20000, 20000, 1, 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("tellusererror Bad EXACT hash move found! (ply=2)\n", 0), 0u) << out;
    EXPECT_GT(node_count, 1u);
}

TEST_F(Search, BoundEntriesCutOnlyOnTheirSide) {
    const Position pos = from_fen(SCOTCH);
    hash_store(pos, 2, 5, 120, LOWER, 0);
    EXPECT_EQ(node(pos, 2, 5, 0, 100, 1, 0), 120);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(hash_hit_count, 1u);
    EXPECT_EQ(fail_high_count, 1u);
    EXPECT_EQ(hash_fail_high_count, 1u);

    hash_store(pos, 2, 5, -20, UPPER, 0);
    EXPECT_EQ(node(pos, 2, 5, 0, 100, 1, 0), -20);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(hash_hit_count, 1u);
    EXPECT_EQ(fail_high_count, 0u);

    hash_store(pos, 2, 5, 20, LOWER, 0); // below beta: searched
    node(pos, 2, 5, 0, 100, 1, 1);
    EXPECT_GT(node_count, 1u);
}

// ---- null move ----

// A node at ply 1 one ply above the horizon: only the node itself could
// make a null move.
TEST_F(Search, NullMoveCutsWhenAllowed) {
    const Position pos = from_fen(TWO_PIECES);
    const int v = node(pos, 1, 2, -100, -99, 1, 1);
    EXPECT_GE(v, -99);
    EXPECT_EQ(null_fail_high_count, 1u);
    EXPECT_EQ(fail_high_count, 1u);
    int score = 0;
    Move move = 1;
    EXPECT_EQ(hash_probe(pos, 1, 2, &score, &move), LOWER);
    EXPECT_EQ(move, 0u);
    EXPECT_EQ(score, v);
}

TEST_F(Search, NoNullMoveWithOnePieceInCheckOrWhenNotAllowed) {
    node(from_fen(ONE_PIECE), 1, 2, -100, -99, 1, 1);
    EXPECT_EQ(null_fail_high_count, 0u);
    EXPECT_GE(fail_high_count, 1u); // a real move cuts instead
    node(from_fen(TWO_PIECES_IN_CHECK), 1, 2, -100, -99, 1, 1);
    EXPECT_EQ(null_fail_high_count, 0u);
    node(from_fen(TWO_PIECES), 1, 2, -100, -99, 0, 1);
    EXPECT_EQ(null_fail_high_count, 0u);
}

TEST_F(Search, NoNullMoveDirectlyBelowANullMove) {
    // The null move of the root node leaves Black, far ahead, to move with
    // remaining depth 1. A null move there would cut at once and store no
    // move; searching its moves stores the refutation.
    const Position pos = from_fen(BLACK_AHEAD);
    node(pos, 1, 5, -1, 0, 1, 1);
    Position flipped = pos;
    flipped.white_to_move = 0;
    flipped.key ^= side_key;
    int score = 0;
    Move move = 0;
    ASSERT_EQ(hash_probe(flipped, 2, 3, &score, &move), LOWER);
    EXPECT_NE(move, 0u);
}

TEST_F(Search, UpperOrShallowEntryInsideTheWindowForbidsTheNullMove) {
    const Position pos = from_fen(TWO_PIECES);
    hash_store(pos, 1, 2, -200, UPPER, 0);
    node(pos, 1, 2, -300, -99, 1, 1);
    EXPECT_EQ(null_fail_high_count, 0u);
    EXPECT_GT(node_count, 1u);

    clear_hash();
    hash_store(pos, 1, 1, -200, UPPER, 0); // too shallow: SHALLOW
    node(pos, 1, 2, -300, -99, 1, 1);
    EXPECT_EQ(null_fail_high_count, 0u);

    clear_hash();
    hash_store(pos, 1, 1, 500, UPPER, 0); // SHALLOW at or above beta
    node(pos, 1, 2, -300, -99, 1, 1);
    EXPECT_EQ(null_fail_high_count, 1u);
}

// ---- killers and history ----

TEST_F(Search, QuietFailHighBecomesKillerAndEarnsDepthSquared) {
    const Position pos = from_fen(QUIET_ONLY);
    const Move first = parse_move(pos, "a1b1");
    const Move stale = make_move_word(sq("h2"), sq("h4"), PAWN); // not valid here
    killer1[1] = stale;
    node(pos, 1, 2, -20000, -19999, 0, 1);
    EXPECT_EQ(killer1[1], first);
    EXPECT_EQ(killer2[1], stale);
    EXPECT_EQ(history[first & 4095], 4); // depth limit 2, not the remaining 1

    // Already the first killer: killers stay, history grows by 3 * 3.
    killer2[1] = 0;
    node(pos, 1, 3, -20000, -19999, 0, 1);
    EXPECT_EQ(killer1[1], first);
    EXPECT_EQ(killer2[1], 0u);
    EXPECT_EQ(history[first & 4095], 4 + 9);

    // The counter saturates.
    clear_hash(); // else the stored cutoff answers the node
    history[first & 4095] = INT32_MAX - 1;
    node(pos, 1, 3, -20000, -19999, 0, 1);
    EXPECT_EQ(history[first & 4095], INT32_MAX);
}

TEST_F(Search, CaptureFailHighEarnsNothing) {
    const Position pos = from_fen(ROOK_TAKES);
    const Move capture = parse_move(pos, "a1a2");
    node(pos, 1, 2, -20000, -19999, 0, 1);
    EXPECT_EQ(current_move[1], capture);
    EXPECT_EQ(killer1[1], 0u);
    EXPECT_EQ(killer2[1], 0u);
    EXPECT_EQ(history[capture & 4095], 0);
    EXPECT_EQ(fail_high_first_count, 1u);
}

// ---- stop requests ----

TEST_F(Search, StopDuringTheNullMoveReturnsAtOnceWithoutStoring) {
    const Position pos = from_fen(TWO_PIECES);
    stop_at_poll(2); // this node, then the null-move child polls
    EXPECT_EQ(node(pos, 1, 5, -100, -99, 1, 1), -100);
    EXPECT_EQ(abort_search, 1);
    EXPECT_EQ(abort_by_input, 0);
    EXPECT_EQ(node_count, 2u);
    EXPECT_FALSE(slot_holds(pos.key));
}

TEST_F(Search, StopDuringInternalDeepeningReturnsAtOnceWithoutStoring) {
    const Position pos = from_fen(SCOTCH);
    stop_at_poll(2); // this node, then the reduced search of the same node
    EXPECT_EQ(node(pos, 1, 5, -100, 100, 0, 0), -100);
    EXPECT_EQ(abort_search, 1);
    EXPECT_EQ(node_count, 2u);
    EXPECT_FALSE(slot_holds(pos.key));
}

TEST_F(Search, StopInAZeroWindowSearchIsNotReSearched) {
    const Position pos = from_fen(SCOTCH);
    // The first move the node will search and its subtree on its own.
    start_node(1, 0);
    Position first_child{};
    for (Move m; (m = next_move(pos, 1));) {
        first_child = pos;
        make_move(first_child, m);
        if (!mover_in_check(first_child)) break;
    }
    const int check = side_in_check(first_child);
    const int first_score = -node(first_child, 2, 3 + check, -20000, 20000, 1, 0);
    const std::uint32_t first_nodes = node_count;
    ASSERT_GE(first_nodes, 2u);

    clear_hash();
    clear_move_ordering();
    // This node, the first child, then a quiescence node: the second
    // child's zero-window search polls and stops.
    stop_at_poll(3);
    EXPECT_EQ(node(pos, 1, 3, -20000, 20000, 0, 0), first_score);
    EXPECT_EQ(abort_search, 1);
    EXPECT_EQ(node_count, 1 + first_nodes + 1);
    EXPECT_FALSE(slot_holds(pos.key));
}

TEST_F(Search, ClockStopReturnsTheBestMoveSoFar) {
    const Position start = play("");
    max_iteration_depth = 19;
    stop_at_poll(50000);
    testing::internal::CaptureStdout();
    const Move best = iterate(start, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(abort_search, 1);
    EXPECT_EQ(abort_by_input, 0);
    EXPECT_TRUE(move_is_legal(start, best)) << text(best);
    EXPECT_GE(node_count, 50000u);
    EXPECT_EQ(iteration_depth, 7); // depths 1-6 take fewer nodes
}

TEST_F(Search, StopDuringTheFirstRootMoveLeavesNoScore) {
    const Position start = play("");
    search_positions[0] = start;
    in_check[0] = 0;
    reset_counters();
    stop_at_poll(2); // the root, then its first child polls
    EXPECT_EQ(search_root(3), -INFINITY_SCORE);
    EXPECT_EQ(root_move_done, 0);
    EXPECT_EQ(abort_search, 1);
    EXPECT_FALSE(slot_holds(start.key));
}

// ---- root search and thinking lines ----

TEST_F(Search, ThinkingLineFormat) {
    const Position start = play("");
    const Move e2e4 = parse_move(start, "e2e4");
    const Move e7e5 = make_move_word(sq("e7"), sq("e5"), PAWN);
    const Move g1f3 = make_move_word(sq("g1"), sq("f3"), KNIGHT);
    const Move promotion = make_move_word(sq("e7"), sq("e8"), PAWN, 0, QUEEN);
    const Move long_line[PV_LENGTH] = {e2e4, e7e5, g1f3, 0};
    const Move hit[PV_LENGTH] = {e2e4, 0, PV_MARKER};
    const Move castles[PV_LENGTH] = {WHITE_SHORT_CASTLE, BLACK_LONG_CASTLE, promotion, 0};
    const Move empty[PV_LENGTH] = {0};

    testing::internal::CaptureStdout();
    node_count = 1000;
    print_pv(5, 34, long_line);
    node_count = 7;
    print_pv(3, -12, hit);
    node_count = 5;
    print_pv(2, 0, castles);
    node_count = 0;
    print_pv(1, -20000, empty);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  5 34 0 1000 e2e4 e7e5 g1f3\n"
                                                      "  3 -12 0 7 e2e4 !\n"
                                                      "  2 0 0 5 O-O O-O-O e7e8q\n"
                                                      "  1 -20000 0 0\n");
}

TEST_F(Search, ExactRootEntryAnswersEachIterationWithAMarkedLine) {
    const Position start = play("");
    const Outcome first = think(start, 4);
    ASSERT_NE(first.best, 0u);

    const Outcome again = think(start, 4); // the table is not cleared
    const std::string m = text(first.best), s = std::to_string(first.score);
    EXPECT_EQ(again.output, "  1 " + s + " 0 1 " + m + " !\n" + "  2 " + s + " 0 2 " + m + " !\n" +
                                "  3 " + s + " 0 3 " + m + " !\n" + "  4 " + s + " 0 4 " + m +
                                " !\n");
    EXPECT_EQ(again.best, first.best);
    EXPECT_EQ(again.ponder, 0u);
    EXPECT_EQ(again.nodes, 4u);
    EXPECT_EQ(hash_hit_count, 4u);

    // Console statistics of that search: nothing failed high, so the
    // quotient with no divisor prints 0.00.
    xboard_mode = 0;
    const Outcome console = think(start, 2);
    EXPECT_NE(console.output.find("Hashtable hits: 2 (100.00%), branch factor: 1.00\n"),
              std::string::npos)
        << console.output;
    EXPECT_NE(console.output.find("Fail-high: 0.00%, fail-high-first: 0.00% (quotient=0.00%), "
                                  "quiet: 0.00%\n"),
              std::string::npos)
        << console.output;
    EXPECT_NE(console.output.find("Nodes: 2  CPU seconds: "), std::string::npos);
}

TEST_F(Search, BadExactRootEntryIsReportedThenDroppedByThePicker) {
    const Position start = play("");
    hash_store(start, 0, 10, 5, EXACT, make_move_word(sq("e4"), sq("e5"), PAWN));
    const Outcome o = think(start, 1);
    const auto lines = lines_of(o.output);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "tellusererror Bad EXACT hash move found at root!");
    EXPECT_EQ(lines[1], "tellusererror Bad hash move at ply 0");
    EXPECT_EQ(lines[2].rfind("  1 ", 0), 0u);
    EXPECT_TRUE(move_is_legal(start, o.best));
}

TEST_F(Search, NodeRateEstimateIsAMeanOfMeasuredRates) {
    xboard_mode = 0;
    const std::uint32_t before = nps_estimate;
    testing::internal::CaptureStdout();
    update_nps(0); // nothing measured: unchanged, still announced
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "New NPS value: " + std::to_string(before) + "\n");
    EXPECT_EQ(nps_estimate, before);

    // Each further sample of the same rate brings the mean closer to it.
    const long long rate = 5000000;
    testing::internal::CaptureStdout();
    update_nps(std::uint32_t(rate));
    long long distance = std::llabs(nps_estimate - rate);
    for (int i = 0; i < 3; i++) {
        update_nps(std::uint32_t(rate));
        const long long now = std::llabs(nps_estimate - rate);
        EXPECT_LE(now, distance);
        distance = now;
    }
    const std::string announced = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(announced.begin(), announced.end(), '\n'), 4);

    xboard_mode = 1;
    testing::internal::CaptureStdout();
    update_nps(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Search, ThinkingLinesOfTheInitialPosition) {
    const Outcome o = think(play(""), 4);
    EXPECT_EQ(o.output, "  1 8 0 2 b1a3\n"
                        "  1 9 0 9 d2d3\n"
                        "  1 9 0 10 d2d3\n"
                        "  1 10 0 18 d2d4\n"
                        "  1 15 0 19 d2d4\n"
                        "  2 0 0 48 d2d4 d7d5\n"
                        "  3 15 0 226 d2d4 d7d5 c1f4\n"
                        "  4 0 0 478 d2d4 d7d5 c1f4 c8f5\n");
}

// ---- pinned fixed-depth searches ----

struct Pinned {
    const char* name;
    const char* moves;
    int depth;
    const char* best;
    const char* ponder;
    std::uint32_t nodes;
    int score;
};

const Pinned pinned[] = {
    {"initial", "", 7, "e2e4", "g8f6", 121052, 15},
    {"initial", "", 5, "d2d4", "e7e6", 5625, 15},
    {"open middlegame",
     "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 "
     "c7c6 b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7",
     6, "b1c3", "c7b6", 141967, 124},
    {"Sicilian middlegame",
     "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5 g5f6 g7f6 d4f3 c8e6 c3d5 "
     "b8d7 a2a3 d7c5 f1d3 f8e7 e1g1 e6g4 d1e2 c5d3 e2d3 g4f3",
     7, "d3f3", "O-O", 107804, 41},
    {"rook endgame",
     "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 "
     "c7c6 b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7 b1d2 c7b6 a2a3 b6a7 e1g1 b8e5 "
     "c4a2 c8a6 a2f7 e8f7 f1e1 e5c5 b4c5 a7c5 d2b3 a4b3 c2b3 c5d4 a1d1 d4b2 d1d7 f7e6 d7c7 "
     "b2a3 c7c6 e6d7 c6c3 a3b4 e1d1 b4d6 c3c2 a6b7 c2d2 a8a6 d2d5 b7d5 e4d5 h8b8 d1e1 a6a5 "
     "e1d1 b8b3 g1f1 d6h2 g2g3 a5a2 d1e1 b3b2",
     7, "f1g2", "b2f2", 201321, -1038},
    {"mating checks",
     "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 "
     "c7c6 b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7 b1d2 c7b6 a2a3 b6a7 e1g1 b8e5 "
     "c4a2 c8a6 a2f7 e8f7 f1e1 e5c5 b4c5 a7c5 d2b3 a4b3 c2b3 c5d4 a1d1 d4b2 d1d7 f7e6 d7c7 "
     "b2a3 c7c6 e6d7 c6c3 a3b4 e1d1 b4d6 c3c2 a6b7 c2d2 a8a6 d2d5 b7d5 e4d5 h8b8 d1e1 a6a5 "
     "e1d1 b8b3 g1f1 d6h2 g2g3 a5a2 d1e1 b3b2 f1g2 b2f2 g2h3 f2f3 h3h4 f3g3 e1e4 a2g2 e4e3 "
     "g3e3 d5d6",
     7, "g7g5", "h4h5", 416, 9997},
    {"repeated bishop and knight", "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5", 7,
     "f4e5", "f7f6", 236464, 20},
    {"promotion with capture",
     "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 "
     "f4g6 d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5",
     7, "b7a8q", "d8e7", 390048, 1326},
    {"king shuffle",
     "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6 c1f4 e8g8 f3e5 b6a5 d1d3 "
     "b8a6 f4g5 h7h5 g2f3 a6b4 d3d1 d8d6 a2a3 b4a6 c3a4 b7b5 a4c3 a5c3 b2c3 c8b7 g5f6 g7f6 "
     "e5d3 e6e5 f3h5 f8e8 d1d2 d6e7 f2f4 e5d4 c3d4 e7b4 c2c3 b4b1 f1e1 b1b3 e1d1 a6b8 d1b1 "
     "b3a4 d3c5 a4a5 c5b7 a5c7 b7c5 e8f8 d2e3 c7d8 b1d1 f8e8 e3d3 a7a6 e2e4 d5e4 c5b3 e4d3 "
     "d1d3 d8d5 h5d1 e8e1 g1f2 d5d4 b3d4 e1h1 h2h4 g8f8 a3a4 c6c5 d4e2 b5a4 d3d8 f8e7 d8d5 "
     "e7f8 f2g2 h1f1 d1a4 f1a1 d5d8 f8e7 d8e8 e7d6 a4b3 f6f5 b3d1 d6d7 e8e5 a1d1 e5f5 a6a5 "
     "f5f7 d7e6 f7g7 a5a4 g7g6 e6f7 h4h5 b8a6 g3g4 d1d2 g2f1 d2d1 f1f2 d1b1 f4f5 a4a3 g4g5 "
     "b1d1 g6f6 f7g8 f6g6 g8h8 g6h6 h8g7 h6g6 g7f8 g6f6 f8g7 e2d4 d1h1 d4e6 g7g8 f2e2 g8h8 "
     "e6d8 a8d8 f6h6 h8g8 h6g6 g8f8 g6f6 f8g8 f6g6 g8h8 g6h6 h8g7 h6g6 g7f8 g6f6 f8e7 f6e6",
     7, "e7d7", "e6a6", 94644, 631},
    {"promotion race",
     "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 "
     "e7e6 a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3 c2d3 b8c8 c3b5 a7a5 b4a5 d6b8 "
     "d3d4 f6e4 f2f3 e4d2 f1c1 d2b3 c1c8 d7c8 a1b1 b3a5 b1a1 h8d8 a1c1 a5c4 a3a4 c8d7 c1c3 "
     "c4b2 c3a3 d7c8 a3c3 c8d7 c3a3 b2c4 a3c3 c4b6 c3a3 d7c8 e3e4 b6c4 a3d3 b8f4 e4e5 f7f6 "
     "h2h4 f4h2 g1h2 d8f8 b5d6 c8b8 d6b7 b8b7 e5f6 f8f6 h2h1 f6f3 d3f3 c4d6 a4a5 d6f5 g2g4 "
     "f5d4 f3f7 b7a6 f7g7 d4b3 g7h7 a6a5 h7b7 b3a1 b7a7 a5b4 a7a1 e6e5 g4g5 e5e4 g5g6 b4b3 "
     "g6g7 b3b2 a1g1 d5d4 g7g8q b2c3 g8d5 e4e3 g1g6 e3e2 g6g3 c3b2 d5b5 b2c1 b5b3 e2e1q "
     "g3g1 e1g1 h1g1 c1d2 g1f1 d2c1 b3c4 c1b1 h4h5",
     7, "d4d3", "c4d3", 87337, -1830},
    {"queen against king",
     "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 "
     "e7e6 a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3 c2d3 b8c8 c3b5 a7a5 b4a5 d6b8 "
     "d3d4 f6e4 f2f3 e4d2 f1c1 d2b3 c1c8 d7c8 a1b1 b3a5 b1a1 h8d8 a1c1 a5c4 a3a4 c8d7 c1c3 "
     "c4b2 c3a3 d7c8 a3c3 c8d7 c3a3 b2c4 a3c3 c4b6 c3a3 d7c8 e3e4 b6c4 a3d3 b8f4 e4e5 f7f6 "
     "h2h4 f4h2 g1h2 d8f8 b5d6 c8b8 d6b7 b8b7 e5f6 f8f6 h2h1 f6f3 d3f3 c4d6 a4a5 d6f5 g2g4 "
     "f5d4 f3f7 b7a6 f7g7 d4b3 g7h7 a6a5 h7b7 b3a1 b7a7 a5b4 a7a1 e6e5 g4g5 e5e4 g5g6 b4b3 "
     "g6g7 b3b2 a1g1 d5d4 g7g8q b2c3 g8d5 e4e3 g1g6 e3e2 g6g3 c3b2 d5b5 b2c1 b5b3 e2e1q "
     "g3g1 e1g1 h1g1 c1d2 g1f1 d2c1 b3c4 c1b1 h4h5 d4d3 c4d3 b1a1 h5h6 a1a2 h6h7 a2a1 "
     "h7h8q a1a2 h8c8 a2a1",
     7, "d3a3", "a1b1", 811, 9997},
};

TEST_F(Search, PinnedNodeCountsOfFixedDepthSearches) {
    for (const Pinned& p : pinned) {
        SCOPED_TRACE(std::string(p.name) + " depth " + std::to_string(p.depth));
        clear_hash();
        clear_pawn_hash();
        const Position pos = play(p.moves);
        engine_colour = pos.white_to_move;
        never_poll();
        const Outcome o = think(pos, p.depth);
        EXPECT_EQ(text(o.best), p.best);
        EXPECT_EQ(text(o.ponder), p.ponder);
        EXPECT_EQ(o.nodes, p.nodes);
        EXPECT_EQ(o.score, p.score);
    }
}

} // namespace
