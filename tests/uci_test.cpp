// UCI sessions through the binary: the handshake and options, positions
// that are taken whole or not at all, every limit of go, the lines that
// arrive during a search, and the same search as the console's.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "shell/shell.h"
#include "support.h"
#include "uci/uci.h"

namespace {

// The thinking lines of the first position of engine-bench search 8.
// clang-format off
const Lines FIRST_BENCH_POSITION = {
    "  1 8 0 2 b1a3", "  1 9 0 9 d2d3", "  1 9 0 10 d2d3", "  1 10 0 18 d2d4", "  1 15 0 19 d2d4",
    "  2 0 0 48 d2d4 d7d5", "  3 15 0 226 d2d4 d7d5 c1f4", "  4 0 0 478 d2d4 d7d5 c1f4 c8f5",
    "  5 15 0 3857 d2d4 e7e6 c1e3 f8b4 b1c3 d7d5", "  6 0 0 17712 d2d4 d7d5 c1f4 c8f5 b1a3 b8c6",
    "  6 1 0 30790 e2e4", "  6 3 0 36609 e2e4 e7e5 g1f3 g8f6 f1c4 f8d6",
    "  7 15 0 92061 e2e4 g8f6 e4e5 f6g8 d2d4 d7d6 g1f3 d6e5 f3e5",
    "  8 5 0 325306 e2e4 b8c6 d2d4 d7d5 e4d5 d8d5 c1e3 c8f5", "  8 6 0 383810 d2d4"};
// clang-format on

// The lines of new best moves in the console's form ("  depth score 0 nodes
// moves"): the speed (nps, time) and the table's fill vary, the rest is the
// search's. The lines that end an iteration repeat one of them: left out.
Lines console_forms(const Lines& lines) {
    static const std::regex info("info depth (\\d+) seldepth \\d+ multipv 1 score cp (-?\\d+) "
                                 "lowerbound nodes (\\d+) nps \\d+ hashfull \\d+ time \\d+ pv");
    Lines out;
    for (const auto& l : lines)
        if (std::regex_search(l, info) || l.rfind("info ", 0) != 0)
            out.push_back(std::regex_replace(l, info, "  $1 $2 0 $3"));
    return out;
}

// The lines of one go, up to its bestmove.
Lines go(Engine& e, const Lines& lines) {
    for (const auto& l : lines) e.send(l);
    return e.until("bestmove");
}

long bestmoves(const Lines& lines) {
    return std::count_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("bestmove", 0) == 0; });
}

// One bestmove, the last line, a legal move; the line before it, if any was
// printed since the last look, has a score.
bool ends_well(const Lines& got) {
    static const std::regex bestmove(
        "bestmove [a-h][1-8][a-h][1-8][qrbn]?( ponder [a-h][1-8][a-h][1-8][qrbn]?)?");
    return bestmoves(got) == 1 && std::regex_match(got.back(), bestmove) &&
           (got.size() < 2 || got[got.size() - 2].find(" score ") != std::string::npos);
}

// A line of the search, or false; the score in centipawns, mates beyond.
struct Info {
    long depth, seldepth, multipv, score, hashfull;
    std::string bound;
    Lines pv;
};
bool read_info(const std::string& line, Info& i) {
    static const std::regex form("info depth (\\d+) seldepth (\\d+) multipv (\\d+) score (cp|mate) "
                                 "(-?\\d+)( lowerbound| upperbound)? nodes \\d+ nps \\d+ hashfull "
                                 "(\\d+) time \\d+ pv((?: [a-h][1-8][a-h][1-8][qrbn]?)+)");
    std::smatch m;
    if (!std::regex_match(line, m, form)) return false;
    const auto number = [&](int k) { return std::stol(m[k]); };
    const long n = number(5), mate = n > 0 ? 100000 - n : -100000 - n;
    i = {number(1), number(2), number(3), m[4] == "cp" ? n : mate, number(7), m[6], {}};
    std::istringstream moves(m[8]);
    for (std::string w; moves >> w;) i.pv.push_back(w);
    return i.seldepth >= i.depth && i.hashfull <= 1000;
}

// The lines of a go from the position: each reads and its moves are legal;
// the one before bestmove holds bestmove and ponder. The exact lines by
// depth and number: each starts with another move, best first.
std::map<long, std::map<long, Info>> check_analysis(const Lines& got, const std::string& position) {
    std::map<long, std::map<long, Info>> exact;
    Info i{0, 0, 0, 0, 0, "", {"none"}};
    for (std::size_t n = 0; n + 1 < got.size(); n++) {
        EXPECT_TRUE(read_info(got[n], i)) << got[n];
        Position pos = fen(position.c_str());
        for (const std::string& m : i.pv) {
            const Move move = legal_move(pos, m.c_str());
            EXPECT_NE(move, 0u) << got[n];
            if (move) make_move(pos, move);
        }
        if (!i.bound.empty()) continue;
        for (const auto& [k, line] : exact[i.depth])
            EXPECT_TRUE(k == i.multipv ||
                        (line.pv[0] != i.pv[0] &&
                         (k < i.multipv ? line.score >= i.score : line.score <= i.score)))
                << got[n];
        exact[i.depth][i.multipv] = i;
    }
    const std::string ponder = i.pv.size() > 1 ? " ponder " + i.pv[1] : "";
    EXPECT_EQ(got.back(), ("bestmove " + i.pv[0] + ponder).substr(0, got.back().size()));
    EXPECT_EQ(i.multipv, 1);
    return exact;
}

// White takes the rook; the queen's capture loses to a mate on the back rank.
const std::string THREE_LINES = "6k1/5ppp/8/3r3n/1qB5/8/2N2PPP/3Q2K1 w - - 0 1";
const std::string TOP = std::to_string(LEVEL_MAX_ELO); // the top level, full strength

TEST(Uci, SeveralLinesRestrictedRootsAndClearHash) {
    Engine e;
    e.uci();
    const Lines single =
        go(e, {"setoption name Hash value 1", "position fen " + THREE_LINES, "go depth 6"});
    const auto one = check_analysis(single, THREE_LINES);
    const std::tuple<const char*, std::string, std::string, std::size_t> rows[] = {
        // MultiPV, go, the legal moves of searchmoves (all if none), lines
        {"3", "go depth 6", "", 3},
        {"1", "go depth 5 searchmoves c2b4", "c2b4", 1}, // mated: the only move given
        {"1", "go searchmoves zz c2b4 e7e5 d1f1 d1f1 depth 4", "c2b4 d1f1", 1},
        {"3", "go depth 4 searchmoves d1f1 c2b4", "c2b4 d1f1", 2},
        {"64", "go depth 2", "", 35}, // every move
    };
    for (const auto& [multipv, go_line, moves, count] : rows) {
        const Lines got =
            go(e, {"ucinewgame", std::string("setoption name MultiPV value ") + multipv,
                   "position fen " + THREE_LINES, go_line});
        for (const auto& [depth, lines] : check_analysis(got, THREE_LINES)) {
            EXPECT_EQ(lines.size(), count) << go_line;
            for (const auto& [k, line] : lines)
                EXPECT_NE(moves.find(moves.empty() ? "" : line.pv[0]), moves.npos) << go_line;
            if (count == 3) { // the first line is the search of one line
                EXPECT_EQ(std::make_pair(lines.at(1).pv[0], lines.at(1).score),
                          std::make_pair(one.at(depth).at(1).pv[0], one.at(depth).at(1).score));
            }
        }
    }
    EXPECT_EQ(go(e, {"go depth 4 searchmoves e7e5 a1a1"}),
              (Lines{"info depth 0 score cp 0", "bestmove 0000"}));
    // Clear Hash: the same search as in a new engine, on a table that fills
    const Lines again = go(e, {"setoption name MultiPV value 1", "setoption name Clear Hash",
                               "position fen " + THREE_LINES, "go depth 6"});
    EXPECT_EQ(console_forms(again), console_forms(single));
    Info first;
    EXPECT_TRUE(read_info(again[0], first) && first.hashfull == 0 &&
                check_analysis(again, THREE_LINES).at(6).at(1).hashfull > 20);
}

TEST(Uci, HandshakeOptionsAndUnknownLines) {
    Engine console;
    EXPECT_EQ(console.talk({"xboard", "uci"}), (Lines{"", "Error (unknown command): uci"}));
    Engine e;
    Lines handshake = e.uci();
    ASSERT_EQ(handshake.size(), 11u);
    EXPECT_TRUE(std::regex_match(handshake[0], std::regex("id name gyre \\d+\\.\\d+\\.\\d+")));
    EXPECT_EQ(
        Lines(handshake.begin() + 1, handshake.end()),
        (Lines{"id author the gyre developers",
               "option name Hash type spin default 64 min 1 max 4096",
               "option name Threads type spin default 1 min 1 max 1",
               "option name Ponder type check default false",
               "option name Move Overhead type spin default 10 min 0 max 5000",
               "option name MultiPV type spin default 1 min 1 max 256",
               "option name Clear Hash type button",
               "option name UCI_LimitStrength type check default false",
               "option name UCI_Elo type spin default " + TOP + " min 800 max " + TOP, "uciok"}));
    // Console commands mean nothing now; unknown words before a command are skipped.
    EXPECT_EQ(e.talk({"xboard", "display", "e2e4", "", "stop", "ponderhit", "debug on"}), Lines{});
    e.send("joho isready");
    EXPECT_EQ(e.wait_for("readyok"), "readyok");
    EXPECT_EQ(
        e.talk({"setoption name Threads value 4", "setoption name Style value wild",
                "setoption name Hash value lots", "setoption name hash value 0",
                "setoption name Move Overhead value 100", "setoption name Ponder value true",
                "setoption name MultiPV value all", "setoption name multipv value 0",
                "setoption name UCI_Elo value 700",
                "setoption name UCI_Elo value " + std::to_string(LEVEL_MAX_ELO + 1),
                "setoption name UCI_Elo value 1500", "setoption name UCI_Elo value high"}),
        (Lines{"info string gyre searches on 1 thread", "info string unknown option: Style",
               "info string Hash needs a number of MiB",
               "info string MultiPV needs a number of lines", "info string UCI_Elo set to 800",
               "info string UCI_Elo set to " + TOP, "info string UCI_Elo needs a number"}));
    EXPECT_TRUE(ends_well(go(e, {"position startpos", "go depth 5"}))) << "in a table of 1 MiB";
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
    EXPECT_EQ(e.file("log.txt"), "");
}

TEST(Uci, SearchesAsTheConsoleDoes) {
    Engine e;
    e.uci();
    Lines expected = FIRST_BENCH_POSITION;
    expected.push_back("bestmove d2d4 ponder d7d5"); // the reply from the table
    // a level turned off, or at its top, is full strength
    for (const char* limited : {"false", "true"})
        EXPECT_EQ(
            console_forms(go(e, {"setoption name UCI_Elo value 900",
                                 std::string("setoption name UCI_LimitStrength value ") + limited,
                                 "setoption name UCI_Elo value " + TOP, "ucinewgame",
                                 "position startpos", "go depth 8"})),
            expected);
}

// A level plays one of its root lines within the margin of the best, by
// the seed alone; several seeds choose several lines; a mate is played.
TEST(Uci, LevelsChooseWithinTheirMargin) {
    level_limited = true;
    EXPECT_EQ(level_of(LEVEL_MAX_ELO).nodes, NO_NODE_LIMIT);
    for (int elo = LEVEL_MIN_ELO; elo < LEVEL_MAX_ELO; elo += 50)
        EXPECT_TRUE(level_of(elo).nodes < level_of(elo + 50).nodes &&
                    level_of(elo).margin >= level_of(elo + 50).margin &&
                    level_of(elo).lines >= level_of(elo + 50).lines && level_of(elo).lines >= 4)
            << elo;
    level_limited = false;
    EXPECT_EQ(level_of(LEVEL_MIN_ELO).margin, 0);
    const std::tuple<std::vector<int>, int, int> rows[] = {
        // scores best first, margin, the last line that may be played
        {{30, 20, -100, -400}, 50, 1},
        {{30, 29, 28, -400}, 250, 2},
        {{MATE_SCORE - 3, 0, 0}, 250, 0},
        {{30, 20}, 0, 0}};
    for (const auto& [scores, margin, last] : rows) {
        RootLine lines[4] = {};
        for (std::size_t k = 0; k < scores.size(); k++) lines[k].score = scores[k];
        std::set<int> picks;
        for (std::uint64_t seed = 0; seed < 40; seed++) {
            const int k = level_pick(lines, int(scores.size()), margin, seed);
            EXPECT_EQ(k, level_pick(lines, int(scores.size()), margin, seed));
            picks.insert(k);
        }
        EXPECT_EQ(*picks.rbegin(), last) << margin;
        EXPECT_EQ(picks.size(), std::size_t(last + 1)) << margin;
    }
}

// A weak level ends each go with one legal move, stops an infinite search
// at once, shows one line, and chooses more than one move from a start.
TEST(Uci, LevelsPlayOnEveryLimit) {
    Engine e;
    e.uci();
    e.talk({"setoption name UCI_LimitStrength value true", "setoption name UCI_Elo value 800"});
    std::set<std::string> moves;
    for (int i = 0; i < 6; i++) {
        const Lines got = go(e, {"ucinewgame", "position startpos", "go nodes 5000"});
        for (const std::string& l : got) EXPECT_EQ(l.find("multipv 2"), l.npos) << l;
        EXPECT_TRUE(ends_well(got));
        moves.insert(got.back().substr(9, 4));
    }
    EXPECT_GT(moves.size(), 1u);
    for (const char* limit : {"go depth 5", "go wtime 2000 btime 2000 winc 20 binc 20",
                              "go movetime 50", "go ponder wtime 2000 btime 2000"})
        EXPECT_TRUE(ends_well(go(e, {"position startpos moves e2e4", limit, "ponderhit"})))
            << limit;
    e.send("go infinite");
    e.wait_for("info depth 1 ");
    EXPECT_EQ(0, bestmoves(e.talk({})));
    EXPECT_TRUE(ends_well(go(e, {"stop"})));
}

TEST(Uci, PositionsAreTakenWholeOrNotAtAll) {
    Engine e;
    e.uci();
    const std::string mate_in_one = "position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    e.talk({mate_in_one});
    const std::pair<std::string, std::string> bad[] = {
        {"position", "position needs startpos or fen: position"},
        {"position fen", "bad FEN: "},
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1", "bad FEN: 8/8/8/8/8/8/8/8 w - - 0 1"},
        {mate_in_one + " x", "bad FEN: 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1 x"},
        {"position fen 6k1/5ppp/8/8/8/8/8/R5K1 x - - moves a1a8",
         "bad FEN: 6k1/5ppp/8/8/8/8/8/R5K1 x - -"},
        {"position startpos moves e2e4 e7e5 e1e2 e8e9", "illegal move: e8e9"},
        {"position startpos moves e2e4 e7e5 e1g1", "illegal move: e1g1"},
        {"position startpos moves e2e4 e7e5e7e5", "illegal move: e7e5e7e5"},
        {mate_in_one + " moves a1a8 g8f8", "illegal move: g8f8"},
    };
    for (const auto& [line, answer] : bad) {
        EXPECT_EQ(e.talk({line}), Lines{"info string " + answer}) << line;
        EXPECT_EQ(go(e, {"go depth 1"}).back(), "bestmove a1a8") << "the position before stays";
    }
    // Counters may be left out; the halfmove clock counts towards the
    // fifty-move rule: at 99, every move draws, a rook up or not.
    const auto score = [&](const std::string& fen) {
        const Lines got = console_forms(go(e, {"position fen " + fen, "go depth 3"}));
        return std::stoi(got[got.size() - 2].substr(4));
    };
    EXPECT_GT(score("8/8/8/4k3/8/8/8/R3K3 w - -"), 300);
    e.send("ucinewgame"); // the table's key knows no halfmove clock
    EXPECT_EQ(score("8/8/8/4k3/8/8/8/R3K3 w - - 99 80"), -30);
    // An empty move list; then 1,000 plies of knights and a pawn move that
    // starts the window over: the same search as after one round of them.
    EXPECT_EQ(go(e, {"position startpos moves", "go depth 1"}).back(), "bestmove d2d4");
    std::string dance;
    for (int i = 0; i < 250; i++) dance += " g1f3 g8f6 f3g1 f6g8";
    EXPECT_EQ(console_forms(
                  go(e, {"ucinewgame", "position startpos moves" + dance + " e2e4", "go depth 6"})),
              console_forms(go(e, {"ucinewgame", "position startpos moves g1f3 g8f6 f3g1 f6g8 e2e4",
                                   "go depth 6"})));
}

TEST(Uci, EveryGoEndsWithOneBestmove) {
    Engine e;
    e.uci();
    // no legal move: mated, stalemated
    EXPECT_EQ(go(e, {"position startpos moves f2f3 e7e5 g2g4 d8h4", "go"}),
              (Lines{"info depth 0 score mate 0", "bestmove 0000"}));
    EXPECT_EQ(go(e, {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go depth 5"}),
              (Lines{"info depth 0 score cp 0", "bestmove 0000"}));
    // stopped before a move: the first iteration is finished
    Lines got, first_iteration(FIRST_BENCH_POSITION.begin(), FIRST_BENCH_POSITION.begin() + 5);
    first_iteration.push_back("bestmove d2d4");
    EXPECT_EQ(console_forms(go(e, {"ucinewgame", "position startpos", "go nodes 1"})),
              first_iteration);
    for (const char* limit :
         {"go movetime 1", "go wtime 1 btime 1", "go wtime 300.7 btime 300.7 junk winc",
          "go wtime -500 btime 500 movestogo 1", "go btime 0 wtime 200 winc 10 binc 10"})
        EXPECT_TRUE(ends_well(go(e, {limit}))) << limit;
    // on a clock a single legal move is played after the first iteration
    got = go(e, {"position fen 7k/8/P7/8/8/8/5q2/7K w - - 0 1", "go wtime 600000 btime 600000"});
    EXPECT_EQ(got[got.size() - 2].substr(0, 13), "info depth 1 ");
    EXPECT_EQ(got.back(), "bestmove a6a7 ponder f2a7");
    // castling and promotion as coordinates; mate N as a depth of 2N - 1
    got = go(e, {"ucinewgame", "position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1", "go depth 3"});
    EXPECT_EQ(got.back().substr(0, 14), "bestmove e1g1 ");
    got = go(e, {"position fen r3k2r/pPpppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1", "go mate 1"});
    EXPECT_TRUE(std::regex_match(
        got[got.size() - 2], std::regex("info depth 1 seldepth \\d+ multipv 1 score mate 1 .*")));
    EXPECT_EQ(got.back(), "bestmove b7a8q");
    got = go(e, {"position startpos", "go mate 2"});
    EXPECT_EQ(got[got.size() - 2].substr(0, 13), "info depth 3 ");
    // A node limit stops at that very node whatever the speed: depth 6 ends
    // on node 17,712, so one node less keeps depth 5 as the last line.
    const Lines exact = console_forms(go(e, {"ucinewgame", "position startpos", "go nodes 17712"}));
    EXPECT_EQ(exact[exact.size() - 2], FIRST_BENCH_POSITION[9]);
    const Lines short_one = console_forms(go(e, {"ucinewgame", "go nodes 17711"}));
    EXPECT_EQ(short_one[short_one.size() - 2], FIRST_BENCH_POSITION[8]);
}

TEST(Uci, LinesDuringASearch) {
    Engine e;
    e.uci();
    // uci and isready are answered during the search, stop ends it with its
    // move; the root's moves are shown once it has run a second
    e.send("position startpos");
    e.send("go infinite");
    EXPECT_TRUE(std::regex_match(
        e.wait([](const std::string& l) { return l.find(" currmove ") != l.npos; }),
        std::regex(
            "info depth \\d+ currmove [a-h][1-8][a-h][1-8] currmovenumber ([1-9]|1\\d|20)")));
    const Lines during = e.talk({"uci"});
    EXPECT_EQ(0, bestmoves(during));
    EXPECT_EQ(during.back(), "uciok");
    EXPECT_TRUE(ends_well(go(e, {"stop"})));
    // an infinite search that has found the mate waits for stop
    EXPECT_EQ(0,
              bestmoves(e.talk({"position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go infinite"})));
    EXPECT_EQ(go(e, {"stop"}).back(), "bestmove a1a8");
    // pondering goes on until ponderhit, then plays on its clock
    e.send("position startpos moves e2e4 e7e5");
    e.send("go ponder wtime 1000 btime 1000");
    e.wait_for("info depth 4 ");
    EXPECT_EQ(0, bestmoves(e.talk({})));
    EXPECT_TRUE(ends_well(go(e, {"ponderhit"})));
    // a new position during a search: its bestmove first, then the new one
    e.send("go infinite");
    e.wait_for("info depth 3 ");
    EXPECT_TRUE(ends_well(go(e, {"position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go depth 2"})));
    EXPECT_EQ(go(e, {}).back(), "bestmove a1a8");
    // quit during a search
    e.send("position startpos");
    e.send("go infinite");
    e.wait_for("info depth 3 ");
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
}

TEST(Uci, BenchSignature) {
    auto other = std::async(std::launch::async, [] { return run(engine_command(), "bench"); });
    const auto first = run(engine_command(), "bench"), second = other.get();
    for (const std::string& out : {first.second, second.second}) // the last line
        EXPECT_TRUE(std::regex_match(out.substr(out.rfind('\n', out.size() - 2) + 1),
                                     std::regex("27070429 nodes \\d+ nps\n")));
    EXPECT_EQ(first.first + second.first, 0);
    EXPECT_EQ(run(engine_command(), "bench more"), std::make_pair(2, std::string()));
}

// The move's limits on UCI's clocks (ms), for sudden death, increments,
// controls of 1 to 40 moves, clocks below the overhead and extreme values:
// never more than is left after the overhead, the maximum never below the
// optimum, and more time or a larger increment never buys less.
TEST(Uci, TimeAllocation) {
    const long long times[] = {-5000, 0, 5, 50, 200, 1000, 10000, 60000, 3600000, 1000000000000000};
    const long long increments[] = {0, 10, 100, 1000, 30000};
    const long long moves[] = {0, 1, 2, 10, 40};
    for (const long long overhead : {0LL, 10LL, 100LL, 5000LL})
        for (const int plies : {0, 80, 400})
            for (const long long mtg : moves)
                for (const long long inc : increments) {
                    MoveTime before{0, 0};
                    for (const long long t : times) {
                        const MoveTime m = move_time(t, inc, mtg, overhead, plies);
                        const auto where = ::testing::Message()
                                           << t << "+" << inc << " mtg " << mtg << " overhead "
                                           << overhead << " plies " << plies;
                        EXPECT_LE(0, m.optimum) << where;
                        EXPECT_LE(m.optimum, m.maximum) << where;
                        EXPECT_LE(m.maximum, std::max(t - overhead, 0LL)) << where;
                        EXPECT_LE(before.optimum, m.optimum) << where;
                        EXPECT_LE(before.maximum, m.maximum) << where;
                        const long long left = std::max(t - overhead, 0LL);
                        EXPECT_TRUE(mtg == 1 || m.maximum <= left / 2) << where;
                        EXPECT_LE(m.maximum, left - left / 50) << where; // a reserve is kept
                        before = m;
                        const MoveTime more = move_time(t, inc * 2 + 1, mtg, overhead, plies);
                        EXPECT_LE(m.optimum, more.optimum) << where;
                    }
                }
    // the whole remainder is at stake before the control, less the reserve
    EXPECT_EQ(move_time(10000, 0, 1, 10, 0).maximum, 10000 - 2 * 15 - 998);
    // 10 s + 0.1 s at the start: 50 moves planned above a floor of 30 lags
    const MoveTime start = move_time(10000, 100, 0, 10, 0);
    EXPECT_EQ(start.optimum, (9985 - 450 + 49 * 100) / 50);
    EXPECT_EQ(start.maximum, 5 * start.optimum);
}

// After each iteration, on a clock that started `ago` ms before: a settled
// search stops once the optimum is spent, an unsettled one (a new best move,
// a falling score) goes on, one that cannot finish the next iteration in
// time stops early, and a single legal move or pondering is answered at once
// or never.
TEST(Uci, MoveClockBetweenIterations) {
    const Move a = 1, b = 2;
    const auto after = [](std::uint32_t ago, int moves, bool running, const MoveTime& limits,
                          std::initializer_list<std::pair<int, Move>> iterations) {
        start_move_time(limits, running, tick_count() - ago, moves);
        bool stop = false;
        int depth = 1;
        for (const auto& [score, best] : iterations) stop = move_time_spent(depth++, score, best);
        return stop;
    };
    const MoveTime limits{1000, 20000};
    EXPECT_TRUE(after(2000, 20, true, limits, {{10, a}, {12, a}}));
    EXPECT_FALSE(after(500, 20, true, limits, {{10, a}, {12, a}}));
    EXPECT_FALSE(after(2000, 20, true, limits, {{10, a}, {-60, b}})); // unsettled
    EXPECT_TRUE(after(2000, 20, true, limits, {{10, a}, {0, a}, {-60, b}, {-60, b}, {-60, b}}));
    EXPECT_TRUE(after(0, 1, true, limits, {{10, a}}));                // the only move
    EXPECT_FALSE(after(2000, 20, false, limits, {{10, a}, {12, a}})); // pondering
    EXPECT_TRUE(optimum_spent() == false && move_time_over() == false);
    run_move_clock(true); // ponderhit: the time pondered counts
    EXPECT_TRUE(optimum_spent() && !move_time_over());
    // the next iteration would end too long after the optimum, or past the maximum
    EXPECT_TRUE(after(800, 20, true, limits, {{10, a}}));
    EXPECT_TRUE(after(4000, 20, true, {10000, 20000}, {{10, a}}));
    EXPECT_FALSE(after(1000, 20, true, {10000, 20000}, {{10, a}}));
    EXPECT_TRUE(after(21000, 20, true, {10000, 20000}, {}) || move_time_over());
}

TEST(Uci, ErrorReportsAreInfoStrings) {
    uci_mode = 1;
    EXPECT_EQ(output_of([] { error_report("Bad hash move at ply %d", 3); }),
              "info string Bad hash move at ply 3\n");
    uci_mode = 0;
}

} // namespace
