// The test commands through the binary: testgame, read, tracepv, printmove.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "test_util.h"

namespace {

EngineOptions with_files(std::vector<std::pair<std::string, std::string>> files) {
    EngineOptions options;
    options.files = std::move(files);
    return options;
}

// The four statistics lines of testgame, waited for in order.
struct TestgameStatistics {
    std::string nps, total, fail_high, branch;
};

TestgameStatistics wait_statistics(EngineProcess& engine) {
    TestgameStatistics s;
    auto take = [&](const std::string& head) {
        const auto line =
            engine.wait_for_line([&](const std::string& l) { return starts_with(l, head); }, 20000);
        return line.value_or("");
    };
    s.nps = take("NPS=");
    s.total = take("Total: ");
    s.fail_high = take("Fail high nodes: ");
    s.branch = take("Average branch factor: ");
    return s;
}

const char* const rank_4_after_e2e4 = "4|  |  |  |  | p|  |  |  |4";
const char* const rank_5_after_e7e5 = "5|  |  |  |  |*p|  |  |  |5";
const char* const rank_7_at_start = "7|*p|*p|*p|*p|*p|*p|*p|*p|7";

// The board's rows as display prints them (19 lines).
std::vector<std::string> display(EngineProcess& engine) {
    engine.send("display");
    return engine.next_lines(19);
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

// ---- testgame ----

TEST(TestCommandTestgame, TwoMoveFileRunsOneSearchAndPrintsTheStatistics) {
    EngineProcess engine(with_files({{"game.txt", "e2e4\ne7e5\n"}}));
    engine.send("testgame game.txt");
    const TestgameStatistics s = wait_statistics(engine);
    EXPECT_TRUE(std::regex_match(s.nps, std::regex(R"(NPS=\d+, cpu time used: \d+\.\d\d)")))
        << s.nps;
    EXPECT_TRUE(std::regex_match(
        s.total, std::regex(R"(Total: \d+ nodes, leaf nodes \d+\.\d\d%, real quiet nodes: )"
                            R"(-?\d+\.\d\d%, nodes/leaf: \d+\.\d\d)")))
        << s.total;
    EXPECT_TRUE(std::regex_match(s.fail_high,
                                 std::regex(R"(Fail high nodes: \d+\.\d\d%, of which first )"
                                            R"(\d+\.\d\d%, hash \d+\.\d\d%, null \d+\.\d\d%)")))
        << s.fail_high;
    EXPECT_TRUE(std::regex_match(s.branch, std::regex(R"(Average branch factor: \d+\.\d\d)")))
        << s.branch;

    // One search ran, for Black's reply: either it chose e7e5 and its nodes
    // count, or it chose another move and the file's move is named.
    bool differs = false;
    int searches = 0;
    for (const auto& line : engine.lines()) {
        if (starts_with(line, "Difference found: ")) {
            EXPECT_EQ(line, "Difference found: e7e5");
            differs = true;
        }
        if (starts_with(line, "Nodes: ")) searches++;
        EXPECT_FALSE(starts_with(line, "Illegal move")) << line;
        EXPECT_FALSE(starts_with(line, "move ")) << line;
    }
    EXPECT_EQ(searches, 1) << engine.transcript();
    if (differs) {
        EXPECT_EQ(s.total, "Total: 0 nodes, leaf nodes 0.00%, real quiet nodes: 0.00%, "
                           "nodes/leaf: 0.00");
    } else {
        EXPECT_FALSE(starts_with(s.total, "Total: 0 nodes")) << s.total;
    }

    // The replay is the game now: e2e4 played, e7e5 too unless it differed.
    const auto board = display(engine);
    EXPECT_TRUE(contains(board, rank_4_after_e2e4)) << engine.transcript();
    EXPECT_EQ(contains(board, rank_5_after_e7e5), !differs) << engine.transcript();
    finish(engine);
}

// testgame starts no clock: its searches run under the limits of the last
// one started, here a move's worth of 60 s (target 0.6 s) cut short by force.
TEST(TestCommandTestgame, SearchesUnderTheLastClockStarted) {
    EngineProcess engine(with_files({{"game.txt", "e2e4\ne7e5\n"}}));
    send_all(engine, {"time 6000", "go"});
    ASSERT_TRUE(engine.expect_line("Start clock at 60.00")) << engine.transcript();
    engine.send("force");
    ASSERT_TRUE(engine.expect_line("Search aborted")) << engine.transcript();
    engine.send("testgame game.txt");
    ASSERT_FALSE(wait_statistics(engine).branch.empty()) << engine.transcript();
    int thinking = 0;
    for (const auto& line : engine.lines()) thinking += starts_with(line, "  ");
    EXPECT_GT(thinking, 1) << "a real search: " << engine.transcript();
    finish(engine);
}

TEST(TestCommandTestgame, IllegalFirstMovePrintsStatisticsOfNoSearch) {
    EngineProcess engine(with_files({{"bad.txt", "e2e5\ne7e5\n"}, {"junk.txt", "hello\n"}}));
    for (const char* command : {"testgame bad.txt", "testgame junk.txt"}) {
        engine.send(command);
        const std::string first = std::string(command) == "testgame bad.txt" ? "e2e5" : "hello";
        const auto lines = engine.next_lines(5);
        ASSERT_EQ(lines.size(), 5u) << engine.transcript();
        EXPECT_EQ(lines[0], "Illegal move: " + first);
        EXPECT_TRUE(starts_with(lines[1], "NPS=1000, cpu time used: ")) << lines[1];
        EXPECT_EQ(lines[2], "Total: 0 nodes, leaf nodes 0.00%, real quiet nodes: 0.00%, "
                            "nodes/leaf: 0.00");
        EXPECT_EQ(lines[3], "Fail high nodes: 0.00%, of which first 0.00%, hash 0.00%, null 0.00%");
        EXPECT_EQ(lines[4], "Average branch factor: 0.00");
    }
    // the game is the initial position again
    EXPECT_TRUE(contains(display(engine), rank_7_at_start));
    finish(engine);
}

TEST(TestCommandTestgame, MissingFileOrNameChangesNothing) {
    EngineProcess engine;
    engine.send("time 300");
    engine.send("e2e4");
    // the engine answers for Black; wait for it before the next command
    ASSERT_TRUE(engine.expect("move ")) << engine.transcript();
    engine.skip_to_end();
    engine.send("testgame nowhere.txt");
    EXPECT_TRUE(engine.expect_line("file not found")) << engine.transcript();
    engine.send("testgame");
    engine.send("testing");
    expect_silence(engine);
    // the game was not reset
    EXPECT_TRUE(contains(display(engine), rank_4_after_e2e4)) << engine.transcript();
    finish(engine);
}

// ---- read ----

TEST(TestCommandRead, FoolsMateFileAnnouncesTheResult) {
    EngineProcess engine(with_files({{"fool.txt", "f2f3\ne7e5\ng2g4\nd8h4\n"}}));
    engine.send("read fool.txt");
    const auto lines = engine.next_lines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "0-1 (Black mates)");
    // the game is over: nothing is legal any more
    engine.send("e2e4");
    EXPECT_TRUE(engine.expect_line("Illegal move: e2e4")) << engine.transcript();
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_EQ(engine.file("log.txt"), "f2f3\ne7e5\ng2g4\nd8h4\n");
    EXPECT_EQ(engine.transcript(), "0-1 (Black mates)\nIllegal move: e2e4\n");
}

TEST(TestCommandRead, MovesContinueTheGameInForceMode) {
    // Lines ending in carriage return and newline read like plain ones.
    EngineProcess engine(with_files({{"opening.txt", "e2e4\r\n\r\ne7e5\r\n"}}));
    engine.send("read opening.txt");
    engine.send("g1f3");
    // force mode: recorded, not answered
    EXPECT_EQ(engine.read_available(300), "");
    const auto board = display(engine);
    EXPECT_TRUE(contains(board, rank_4_after_e2e4)) << engine.transcript();
    EXPECT_TRUE(contains(board, rank_5_after_e7e5)) << engine.transcript();
    EXPECT_TRUE(contains(board, "3|  |  |  |  |  | N|  |  |3")) << engine.transcript();
    // go hands the move to the engine, which plays Black
    engine.send("time 300");
    engine.send("go");
    const auto move =
        engine.wait_for_line([](const std::string& l) { return starts_with(l, "move "); });
    ASSERT_TRUE(move) << engine.transcript();
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    EXPECT_EQ(engine.file("log.txt").substr(0, 15), "e2e4\ne7e5\ng1f3\n");
}

TEST(TestCommandRead, IllegalLineStopsTheFileAndKeepsWhatCameBefore) {
    EngineProcess engine(
        with_files({{"broken.txt", "e2e4\ne2e4\nd7d5\n"}, {"space.txt", "e7e5 \n"}}));
    engine.send("read broken.txt");
    EXPECT_TRUE(engine.expect_line("Illegal move: e2e4")) << engine.transcript();
    // a trailing space makes the move malformed
    engine.send("read space.txt");
    EXPECT_TRUE(engine.expect_line("Illegal move: e7e5 ")) << engine.transcript();
    engine.send("read nowhere.txt");
    EXPECT_TRUE(engine.expect_line("file not found")) << engine.transcript();
    engine.send("read");
    engine.send("readme");
    expect_silence(engine);
    const auto board = display(engine);
    EXPECT_TRUE(contains(board, rank_4_after_e2e4)) << engine.transcript();
    EXPECT_TRUE(contains(board, rank_7_at_start)) << engine.transcript();
    finish(engine);
    EXPECT_EQ(engine.file("log.txt"), "e2e4\n");
}

// ---- tracepv and printmove ----

TEST(TestCommandTracepv, LegalLinePrintsNothingAndBadMoveIsNamed) {
    EngineProcess engine;
    engine.send("tracepv e2e4 e7e5 g1f3 b8c6 f1b5 a7a6");
    expect_silence(engine);
    engine.send("tracepv e2e4 e2e4");
    EXPECT_EQ(engine.next_lines(1), std::vector<std::string>{"Invalid move: e2e4"});
    engine.send("tracepv e2e4\te7e5 g1f3 xyz d2d4");
    EXPECT_EQ(engine.next_lines(1), std::vector<std::string>{"Invalid move: xyz"});
    engine.send("tracepv");
    expect_silence(engine);
    // the game was not touched: e2e4 is still White's move to make
    engine.send("force");
    engine.send("e2e4");
    expect_silence(engine);
    EXPECT_TRUE(contains(display(engine), rank_7_at_start));
    finish(engine);
    EXPECT_EQ(engine.file("log.txt"), "e2e4\n");
}

TEST(TestCommandPrintmove, PrintsTheTextOfAMoveWord) {
    EngineProcess engine;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"printmove 24964", "O-O"}, {"printmove 28348", "O-O-O"},   {"printmove 1318708", "e7e8q"},
        {"printmove abc", "a1a1"},  {"printmove\t5900xyz", "e2e4"},
    };
    for (const auto& [command, text] : cases) {
        engine.send(command);
        EXPECT_EQ(engine.next_lines(1), std::vector<std::string>{text}) << command;
    }
    engine.send("printmove");
    expect_silence(engine);
    finish(engine);
}

} // namespace
