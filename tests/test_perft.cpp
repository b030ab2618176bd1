// Perft: leaf counts of the legal-move tree against published totals, and
// the perft mode of engine-bench run as a separate program.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

// Sanitizer builds run some ten times slower; the shallower trees already
// reach every kind of move there.
#ifdef ENGINE_DEBUG_CHECKS
constexpr std::uint64_t LEAF_LIMIT = 1000000;
#else
constexpr std::uint64_t LEAF_LIMIT = ~std::uint64_t(0);
#endif

std::uint64_t perft(const Position& pos, int depth) {
    Move list[MAX_MOVES];
    const Move* end = legal_moves(pos, list);
    if (depth == 1) return std::uint64_t(end - list);
    std::uint64_t leaves = 0;
    for (const Move* m = list; m != end; m++) {
        Position child = pos;
        make_move(child, *m);
        leaves += perft(child, depth - 1);
    }
    return leaves;
}

void expect_counts(const char* fen, const std::vector<std::uint64_t>& counts) {
    Position pos;
    ASSERT_EQ(setup_from_fen(pos, fen, test_keys), 1) << fen;
    for (std::size_t d = 0; d < counts.size() && counts[d] <= LEAF_LIMIT; d++)
        EXPECT_EQ(perft(pos, int(d + 1)), counts[d]) << fen << " depth " << d + 1;
}

const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

TEST(Perft, InitialPosition) {
    Position pos = start();
    const std::uint64_t counts[] = {20, 400, 8902, 197281, 4865609};
    for (int d = 1; d <= 5 && counts[d - 1] <= LEAF_LIMIT; d++)
        EXPECT_EQ(perft(pos, d), counts[d - 1]) << "depth " << d;
}

TEST(Perft, Kiwipete) { expect_counts(KIWIPETE, {48, 2039, 97862, 4085603}); }

TEST(Perft, RookEndgame) {
    expect_counts("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                  {14, 191, 2812, 43238, 674624, 11030083});
}

TEST(Perft, PromotionsAndChecks) {
    expect_counts("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                  {6, 264, 9467, 422333, 15833292});
    // The same position with colours swapped gives the same counts.
    expect_counts("r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
                  {6, 264, 9467, 422333});
}

TEST(Perft, PromotionWithDiscoveredCheck) {
    expect_counts("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
                  {44, 1486, 62379, 2103487});
}

TEST(Perft, SymmetricMiddlegame) {
    expect_counts("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
                  {46, 2079, 89890, 3894594});
    // Without the black bishop on g4.
    expect_counts("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
                  {47, 1845, 81467, 3065277});
}

TEST(Perft, EnPassantCornerCases) {
    // The capturing pawn would expose its king along the rank.
    expect_counts("8/8/8/K2pP2r/8/8/8/7k w - d6 0 2", {6, 78, 528});
    expect_counts("8/8/8/8/kpP4Q/8/8/4K3 b - c3 0 1", {4, 92, 403});
}

// ---- engine-bench ----

struct BenchRun {
    int status; // exit code, -1 when the program did not exit normally
    std::string output;
};

// Runs engine-bench with the given arguments; redirect decides which
// streams are captured.
BenchRun bench(const std::string& args, const char* redirect = "") {
    const std::string command = std::string(BENCH_PATH) + " " + args + " " + redirect;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, ""};
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string quoted(const char* fen) { return std::string("'") + fen + "'"; }

TEST(BenchPerft, CountsFromTheInitialPosition) {
    const BenchRun run = bench("perft 3", "2>&1");
    EXPECT_EQ(run.status, 0);
    // One line: count, time with two decimals, speed with one.
    unsigned long long nodes = 0;
    double seconds = -1, mnps = -1;
    ASSERT_EQ(std::sscanf(run.output.c_str(), "perft 3: %llu nodes, %lf s, %lf Mnps", &nodes,
                          &seconds, &mnps),
              3)
        << run.output;
    EXPECT_EQ(nodes, 8902u);
    EXPECT_GE(seconds, 0);
    EXPECT_GE(mnps, 0);
    char line[128];
    std::snprintf(line, sizeof line, "perft 3: 8902 nodes, %.2f s, %.1f Mnps\n", seconds, mnps);
    EXPECT_EQ(run.output, line);
}

TEST(BenchPerft, DivideListsEveryRootMove) {
    const BenchRun run = bench("perft 2 --divide", "2>&1");
    EXPECT_EQ(run.status, 0);
    std::string expected;
    Position pos = start();
    Move list[MAX_MOVES];
    const Move* end = legal_moves(pos, list);
    for (const Move* m = list; m != end; m++) {
        char text[6];
        Position child = pos;
        make_move(child, *m);
        expected +=
            std::string(coordinate_text(*m, text)) + ": " + std::to_string(perft(child, 1)) + "\n";
    }
    ASSERT_GT(run.output.size(), expected.size());
    EXPECT_EQ(run.output.substr(0, expected.size()), expected);
    EXPECT_EQ(run.output.substr(0, 8), "b1a3: 20");
    EXPECT_EQ(run.output.compare(expected.size(), 17, "perft 2: 400 node"), 0) << run.output;
}

TEST(BenchPerft, FenAndPlayedMoves) {
    BenchRun run = bench("perft 2 --fen " + quoted(KIWIPETE));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("perft 2: 2039 nodes,", 0), 0u) << run.output;

    // Castling typed as the king's step, then a black reply.
    Position pos;
    ASSERT_EQ(setup_from_fen(pos, KIWIPETE, test_keys), 1);
    for (const char* t : {"e1g1", "e8c8"}) make_move(pos, parse_move(pos, t));
    run = bench("perft 2 --fen " + quoted(KIWIPETE) + " e1g1 e8c8");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("perft 2: " + std::to_string(perft(pos, 2)) + " nodes,", 0), 0u)
        << run.output;

    Position open = start();
    for (const char* t : {"e2e4", "d7d5", "e4e5", "f7f5"}) make_move(open, parse_move(open, t));
    run = bench("perft 3 e2e4 d7d5 --divide e4e5 f7f5");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("e5f6: "), std::string::npos) << run.output; // en passant
    EXPECT_NE(run.output.find("perft 3: " + std::to_string(perft(open, 3)) + " nodes,"),
              std::string::npos)
        << run.output;
}

TEST(BenchPerft, BadInputExitsWithTwo) {
    const char* const cases[] = {"",
                                 "frobnicate 3",
                                 "perft",
                                 "perft abc",
                                 "perft 0",
                                 "perft 13",
                                 "perft 2x",
                                 "perft 99999999999999999999",
                                 "perft 1 --fen",
                                 "perft 1 --fen garbage",
                                 "perft 1 --fen '8/8/8/8/8/8/8/8 w - - 0 1'",
                                 "perft 1 --depth 3",
                                 "perft 1 e2e5",
                                 "perft 1 e2e4 e2e4",
                                 "perft 1 O-O",
                                 "perft 1 ''"};
    for (const char* args : cases) {
        const BenchRun errors = bench(args, "2>&1 >/dev/null");
        EXPECT_EQ(errors.status, 2) << args;
        EXPECT_FALSE(errors.output.empty()) << args;
        const BenchRun out = bench(args, "2>/dev/null");
        EXPECT_EQ(out.output, "") << args;
    }
}

} // namespace

// ---- fixed-depth search bench: the total is pinned, so that any change of
// search behaviour shows (and is quoted as "Bench: N") ----

static std::string last_line(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

TEST(BenchSearch, DepthFiveTotalIsPinned) {
    const BenchRun run = bench("search 5", "2>/dev/null");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(last_line(run.output).rfind("total nodes 936512 time_ms ", 0), 0u)
        << last_line(run.output);
}

TEST(BenchSearch, OutputIsTheSameOnEveryRun) {
    const BenchRun first = bench("search 4", "2>/dev/null");
    const BenchRun second = bench("search 4", "2>/dev/null");
    ASSERT_EQ(first.status, 0);
    const std::string a = first.output.substr(0, first.output.rfind("total nodes"));
    const std::string b = second.output.substr(0, second.output.rfind("total nodes"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.rfind("position 1: \n  1 ", 0), 0u) << a.substr(0, 200);
    std::size_t positions = 0;
    for (std::size_t at = 0; (at = a.find("\nbestmove ", at)) != std::string::npos; at++)
        positions++;
    EXPECT_EQ(positions, 51u);
}

TEST(BenchSearch, EvalModeAndBadArguments) {
    const BenchRun run = bench("eval 1", "2>/dev/null");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("evaluations 1591 positions 1591 checksum ", 0), 0u) << run.output;
    EXPECT_EQ(bench("eval 0", "2>/dev/null").status, 2);
    EXPECT_EQ(bench("search 0", "2>/dev/null").status, 2);
    EXPECT_EQ(bench("search 20", "2>/dev/null").status, 2);
    EXPECT_EQ(bench("search 3 /nonexistent/file", "2>/dev/null").status, 2);
}
