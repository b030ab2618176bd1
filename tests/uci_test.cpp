// UCI sessions through the binary: the handshake and options, positions
// that are taken whole or not at all, every limit of go, the lines that
// arrive during a search, and the same search as the console's.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <regex>

#include "shell/shell.h"
#include "support.h"
#include "uci/uci.h"

namespace {

const std::regex
    LEGAL_BESTMOVE("bestmove [a-h][1-8][a-h][1-8][qrbn]?( ponder [a-h][1-8][a-h][1-8][qrbn]?)?");

// An info line in the console's form ("  depth score 0 nodes moves"): the
// speed (nps, time) varies, the rest is the search's.
std::string console_form(const std::string& info) {
    static const std::regex form(
        "info depth (\\d+) score cp (-?\\d+) nodes (\\d+) nps \\d+ time \\d+ pv(.*)");
    std::smatch m;
    if (!std::regex_match(info, m, form)) return info;
    return "  " + m.str(1) + " " + m.str(2) + " 0 " + m.str(3) + m.str(4);
}

Lines console_forms(const Lines& lines) {
    Lines out;
    for (const auto& l : lines) out.push_back(console_form(l));
    return out;
}

long count_starting(const Lines& lines, const std::string& head) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(head, 0) == 0; });
}

// The thinking lines of the first position of engine-bench search 8.
const Lines FIRST_BENCH_POSITION = {"  1 8 0 2 b1a3",
                                    "  1 9 0 9 d2d3",
                                    "  1 9 0 10 d2d3",
                                    "  1 10 0 18 d2d4",
                                    "  1 15 0 19 d2d4",
                                    "  2 0 0 48 d2d4 d7d5",
                                    "  3 15 0 226 d2d4 d7d5 c1f4",
                                    "  4 0 0 478 d2d4 d7d5 c1f4 c8f5",
                                    "  5 15 0 3857 d2d4 e7e6 c1e3 f8b4 b1c3 d7d5",
                                    "  6 0 0 17712 d2d4 d7d5 c1f4 c8f5 b1a3 b8c6",
                                    "  6 1 0 30790 e2e4",
                                    "  6 3 0 36609 e2e4 e7e5 g1f3 g8f6 f1c4 f8d6",
                                    "  7 15 0 92061 e2e4 g8f6 e4e5 f6g8 d2d4 d7d6 g1f3 d6e5 f3e5",
                                    "  8 5 0 325306 e2e4 b8c6 d2d4 d7d5 e4d5 d8d5 c1e3 c8f5",
                                    "  8 6 0 383810 d2d4"};

// The lines of one go, up to its bestmove.
Lines search(Engine& e, const Lines& lines) {
    for (const auto& l : lines) e.send(l);
    return e.until("bestmove");
}

TEST(Uci, HandshakeOptionsAndUnknownLines) {
    Engine e;
    const Lines handshake = e.uci();
    ASSERT_EQ(handshake.size(), 7u);
    EXPECT_TRUE(std::regex_match(handshake[0], std::regex("id name gyre \\d+\\.\\d+\\.\\d+")));
    EXPECT_EQ(Lines(handshake.begin() + 1, handshake.end()),
              (Lines{"id author the gyre developers",
                     "option name Hash type spin default 64 min 1 max 4096",
                     "option name Threads type spin default 1 min 1 max 1",
                     "option name Ponder type check default false",
                     "option name Move Overhead type spin default 10 min 0 max 5000", "uciok"}));
    // Console commands mean nothing now; unknown words before a command are skipped.
    EXPECT_EQ(e.talk({"xboard", "display", "e2e4", "", "stop", "ponderhit", "debug on"}), Lines{});
    e.send("joho isready");
    EXPECT_EQ(e.wait_for("readyok"), "readyok");
    EXPECT_EQ(
        e.talk({"setoption name Threads value 4", "setoption name Style value wild",
                "setoption name Hash value lots", "setoption name hash value 1",
                "setoption name Move Overhead value 100", "setoption name Ponder value true"}),
        (Lines{"info string gyre searches on 1 thread", "info string unknown option: Style",
               "info string Hash needs a number of MiB"}));
    // A one-MiB table searches as well.
    EXPECT_TRUE(
        std::regex_match(search(e, {"position startpos", "go depth 5"}).back(), LEGAL_BESTMOVE));
    EXPECT_EQ(e.talk({"setoption name Hash value 0"}), Lines{}); // 1 MiB at least
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
    EXPECT_EQ(e.file("log.txt"), "");
}

TEST(Uci, OnlyTheConsoleSwitches) {
    Engine e;
    EXPECT_EQ(e.talk({"xboard", "uci"}), (Lines{"", "Error (unknown command): uci"}));
}

TEST(Uci, SearchesAsTheConsoleDoes) {
    Engine e;
    e.uci();
    Lines expected = FIRST_BENCH_POSITION;
    expected.push_back("bestmove d2d4 ponder d7d5"); // the reply from the table
    EXPECT_EQ(console_forms(search(e, {"position startpos", "go depth 8"})), expected);
}

TEST(Uci, PositionsAreTakenWholeOrNotAtAll) {
    Engine e;
    e.uci();
    const std::string mate_in_one = "position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    e.talk({mate_in_one});
    const struct {
        std::string line, answer;
    } bad[] = {
        {"position", "info string position needs startpos or fen: position"},
        {"position fen", "info string bad FEN: "},
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1",
         "info string bad FEN: 8/8/8/8/8/8/8/8 w - - 0 1"},
        {"position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1 x",
         "info string bad FEN: 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1 x"},
        {"position fen 6k1/5ppp/8/8/8/8/8/R5K1 x - - 0 1 moves a1a8",
         "info string bad FEN: 6k1/5ppp/8/8/8/8/8/R5K1 x - - 0 1"},
        {"position startpos moves e2e4 e7e5 e1e2 e8e9", "info string illegal move: e8e9"},
        {"position startpos moves e2e4 e7e5 e1g1", "info string illegal move: e1g1"},
        {"position startpos moves e2e4 e7e5q", "info string illegal move: e7e5q"},
        {"position startpos moves e2e4 e7e5e7e5", "info string illegal move: e7e5e7e5"},
        {mate_in_one + " moves a1a8 g8f8", "info string illegal move: g8f8"},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(e.talk({b.line}), Lines{b.answer}) << b.line;
        // the position before the command stays
        EXPECT_EQ(search(e, {"go depth 1"}).back(), "bestmove a1a8") << b.line;
    }
    // Counters may be left out; the halfmove clock counts towards the
    // fifty-move rule: at 99, every move draws, a rook up or not.
    const auto score = [&](const std::string& fen) {
        const Lines got = search(e, {"position fen " + fen, "go depth 3"});
        return std::stoi(console_form(got[got.size() - 2]).substr(4));
    };
    EXPECT_GT(score("8/8/8/4k3/8/8/8/R3K3 w - -"), 300);
    e.send("ucinewgame"); // the table's key knows no halfmove clock
    EXPECT_EQ(score("8/8/8/4k3/8/8/8/R3K3 w - - 99 80"), -30);
    // An empty move list; then 1,000 plies of knights and a pawn move that
    // starts the window over: the same search as after one round of them.
    EXPECT_EQ(search(e, {"position startpos moves", "go depth 1"}).back(), "bestmove d2d4");
    std::string dance;
    for (int i = 0; i < 250; i++) dance += " g1f3 g8f6 f3g1 f6g8";
    const Lines after_dance =
        search(e, {"ucinewgame", "position startpos moves" + dance + " e2e4", "go depth 6"});
    EXPECT_EQ(
        console_forms(after_dance),
        console_forms(search(
            e, {"ucinewgame", "position startpos moves g1f3 g8f6 f3g1 f6g8 e2e4", "go depth 6"})));
}

TEST(Uci, EveryGoEndsWithOneBestmove) {
    Engine e;
    e.uci();
    const struct {
        Lines lines;
        Lines expected; // empty: a legal bestmove, nothing more is known
    } cases[] = {
        // no legal move: mated, stalemated
        {{"position startpos moves f2f3 e7e5 g2g4 d8h4", "go"},
         {"info depth 0 score mate 0", "bestmove 0000"}},
        {{"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go depth 5"},
         {"info depth 0 score cp 0", "bestmove 0000"}},
        // stopped before a move: the first iteration is finished
        {{"ucinewgame", "position startpos", "go nodes 1"}, {}},
        {{"go movetime 1"}, {}},
        {{"go wtime 1 btime 1"}, {}},
        {{"go wtime 300.7 btime 300.7 junk winc"}, {}},
        {{"go wtime -500 btime 500 movestogo 1"}, {}},
        {{"go btime 0 wtime 200 winc 10 binc 10"}, {}},
        // castling and promotion as coordinates, mate in moves
        {{"ucinewgame", "position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1", "go depth 3"}, {}},
        {{"position startpos", "go mate 2"}, {}}, // three plies
        {{"position fen r3k2r/pPpppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1", "go mate 1"}, {}},
    };
    Lines stopped_at_once;
    for (const auto& c : cases) {
        const Lines got = search(e, c.lines);
        if (c.lines.back() == "go nodes 1") stopped_at_once = got;
        if (c.lines.back() == "go mate 2") {
            EXPECT_EQ(got[got.size() - 2].substr(0, 13), "info depth 3 ");
        }
        EXPECT_EQ(count_starting(got, "bestmove"), 1);
        if (!c.expected.empty()) {
            EXPECT_EQ(console_forms(got), console_forms(c.expected)) << c.lines.back();
        } else {
            EXPECT_TRUE(std::regex_match(got.back(), LEGAL_BESTMOVE)) << got.back();
            EXPECT_TRUE(got.size() >= 2 &&
                        got[got.size() - 2].find(" score ") != std::string::npos);
        }
    }
    Lines first_iteration(FIRST_BENCH_POSITION.begin(), FIRST_BENCH_POSITION.begin() + 5);
    first_iteration.push_back("bestmove d2d4");
    EXPECT_EQ(console_forms(stopped_at_once), first_iteration) << "the first iteration finished";
    EXPECT_EQ(e.lines[e.lines.size() - 2].substr(0, 32), "info depth 1 score mate 1 nodes ");
    EXPECT_EQ(e.lines.back(), "bestmove b7a8q");
    EXPECT_EQ(count_starting(e.lines, "bestmove e1g1 "), 1);
    // A node limit stops at the same node whatever the speed.
    const Lines limited = search(e, {"ucinewgame", "position startpos", "go nodes 20000"});
    EXPECT_EQ(console_forms(limited), console_forms(search(e, {"ucinewgame", "go nodes 20000"})));
    EXPECT_EQ(console_form(limited[limited.size() - 2]),
              "  6 0 0 17712 d2d4 d7d5 c1f4 c8f5 b1a3 b8c6");
}

TEST(Uci, LinesDuringASearch) {
    Engine e;
    e.uci();
    // isready is answered during the search, stop ends it with its move
    e.send("position startpos");
    e.send("go infinite");
    e.wait_for("info depth 5 ");
    const Lines during = e.talk({"uci"});
    EXPECT_EQ(count_starting(during, "bestmove"), 0);
    EXPECT_EQ(count_starting(during, "uciok"), 1);
    Lines got = search(e, {"stop"});
    EXPECT_EQ(count_starting(got, "bestmove"), 1);
    EXPECT_TRUE(std::regex_match(got.back(), LEGAL_BESTMOVE));
    // an infinite search that has found the mate waits for stop
    EXPECT_EQ(
        count_starting(e.talk({"position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go infinite"}),
                       "bestmove"),
        0);
    EXPECT_EQ(search(e, {"stop"}).back(), "bestmove a1a8");
    // pondering goes on until ponderhit, then plays on its clock
    e.send("position startpos moves e2e4 e7e5");
    e.send("go ponder wtime 1000 btime 1000");
    e.wait_for("info depth 4 ");
    EXPECT_EQ(count_starting(e.talk({}), "bestmove"), 0);
    got = search(e, {"ponderhit"});
    EXPECT_TRUE(std::regex_match(got.back(), LEGAL_BESTMOVE));
    // a new position during a search: its bestmove first, then the new one
    e.send("go infinite");
    e.wait_for("info depth 3 ");
    got = search(e, {"position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go depth 2"});
    EXPECT_TRUE(std::regex_match(got.back(), LEGAL_BESTMOVE));
    EXPECT_EQ(search(e, {}).back(), "bestmove a1a8");
    // quit during a search
    e.send("position startpos");
    e.send("go infinite");
    e.wait_for("info depth 3 ");
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
}

TEST(Uci, BenchSignature) {
    auto other = std::async(std::launch::async, [] { return run(ENGINE_PATH, "bench"); });
    const auto first = run(ENGINE_PATH, "bench"), second = other.get();
    const auto last_line = [](const std::string& out) {
        return out.substr(out.rfind('\n', out.size() - 2) + 1);
    };
    EXPECT_EQ(first.first, 0);
    EXPECT_TRUE(std::regex_match(last_line(first.second), std::regex("27070429 nodes \\d+ nps\n")))
        << last_line(first.second);
    EXPECT_EQ(last_line(second.second).substr(0, 15), "27070429 nodes ");
    EXPECT_EQ(run(ENGINE_PATH, "bench more"), std::make_pair(2, std::string()));
}

// The engine's rule on UCI's clocks (ms), the overhead kept back, never more
// than half of what is left: target and limit in centiseconds.
TEST(Uci, TimeAllocation) {
    const long long rows[][7] = {
        // time, increment, moves to go, overhead, plies played -> target, limit
        {60000, 1000, 0, 10, 2, 136, 2999}, // 49 moves expected
        {1000, 10, 0, 10, 0, 0, 0},         // sudden death: live on the increment
        {5000, 1000, 0, 0, 0, 50, 80},      {5000, 1000, 0, 0, 61, 50, 80},
        {1000, 1000, 0, 0, 0, 50, 50}, // half of what is left
        {10000, 0, 40, 10, 0, 12, 49}, // a control of 40 moves
        {500, 0, 1, 10, 0, 24, 24},         {-100, 0, 1, 10, 0, 0, 0},
        {100, 0, 0, 200, 0, 0, 0},
    };
    for (const auto& r : rows) {
        plies_played = std::int32_t(r[4]);
        allocate_uci_time(r[0], r[1], r[2], r[3]);
        EXPECT_EQ(target_time, r[5]) << r[0] << " " << r[1] << " " << r[2] << " " << r[4];
        EXPECT_EQ(max_time, r[6]) << r[0] << " " << r[1] << " " << r[2] << " " << r[4];
    }
    plies_played = 0;
}

TEST(Uci, ErrorReportsAreInfoStrings) {
    uci_mode = 1;
    EXPECT_EQ(output_of([] { error_report("Bad hash move at ply %d", 3); }),
              "info string Bad hash move at ply 3\n");
    uci_mode = 0;
}

} // namespace
