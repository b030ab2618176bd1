// Whole sessions through the engine binary: what only a run shows (autodisplay,
// the error file, the log), games played to their end in force mode, and bad
// input. The command table with its result values is tested in process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "test_util.h"

namespace {

using Lines = std::vector<std::string>;

// Board rows from rank 8 down to rank 1 with FEN letters, '.' for empty.
using Rows = std::vector<std::string>;

const Rows start_rows = {"rnbqkbnr", "pppppppp", "........", "........",
                         "........", "........", "PPPPPPPP", "RNBQKBNR"};

// The display command's diagram of a board.
Lines diagram(const Rows& rows) {
    const std::string files = "   a  b  c  d  e  f  g  h";
    const std::string rule = " +--+--+--+--+--+--+--+--+";
    Lines out = {files};
    for (int r = 0; r < 8; r++) {
        const char rank = char('8' - r);
        out.push_back(rule);
        std::string line(1, rank);
        for (char c : rows[r]) {
            line += '|';
            if (c == '.') {
                line += "  ";
            } else {
                const bool black = c >= 'a';
                const char upper = char(black ? c - 32 : c);
                line += black ? '*' : ' ';
                line += upper == 'P' ? 'p' : upper;
            }
        }
        line += '|';
        line += rank;
        out.push_back(line);
    }
    out.push_back(rule);
    out.push_back(files);
    return out;
}

Lines board(EngineProcess& engine) {
    engine.send("display");
    return engine.next_lines(19);
}

// Everything the engine prints from the cursor up to the answer to a marker
// line, which it rejects as an unknown command once all before it is done.
Lines output_until_sync(EngineProcess& engine) {
    static int count = 0;
    const std::string marker = "sync-" + std::to_string(++count);
    const std::size_t from = engine.cursor();
    engine.send(marker);
    if (!engine.expect_line("Error (unknown command): " + marker)) {
        ADD_FAILURE() << "no answer to " << marker << "; transcript:\n" << engine.transcript();
        return {};
    }
    Lines out = engine.lines_since(from);
    while (!out.empty() && out.back() != "Error (unknown command): " + marker) out.pop_back();
    if (!out.empty()) out.pop_back();
    return out;
}

std::string joined(const Lines& moves) {
    std::string text;
    for (const auto& m : moves) text += m + "\n";
    return text;
}

std::string unknown(const std::string& line) { return "Error (unknown command): " + line; }

// ---- sessions ----

TEST(CommandSession, AutodisplayShowsTheBoardAfterTheEngineMoves) {
    EngineProcess engine;
    send_all(engine, {"autodisplay", "time 100", "go"});
    ASSERT_TRUE(engine.expect("move ")) << engine.transcript();
    ASSERT_TRUE(engine.expect("Stop clock, time remaining ")) << engine.transcript();
    const Lines shown = engine.next_lines(19);
    ASSERT_EQ(shown.size(), 19u) << engine.transcript();
    EXPECT_EQ(shown.front(), "   a  b  c  d  e  f  g  h");
    EXPECT_EQ(shown[2], "8|*R|*N|*B|*Q|*K|*B|*N|*R|8"); // Black has not moved
    EXPECT_EQ(shown.back(), shown.front());
    // A second autodisplay switches it off again.
    send_all(engine, {"autodisplay", "go"});
    ASSERT_TRUE(engine.expect("Stop clock, time remaining ")) << engine.transcript();
    for (const auto& line : output_until_sync(engine)) EXPECT_NE(line, shown.front());
    finish(engine);
}

TEST(CommandSession, XboardModeReportsErrorsToTheInterfaceAndTheErrorFile) {
    EngineProcess engine;
    engine.send("xboard");
    EXPECT_EQ(engine.next_lines(1), Lines{""});
    send_all(engine, {"force", "f2f3", "e7e5", "g2g4", "go"});
    ASSERT_TRUE(engine.expect_line("move d8h4")) << engine.transcript();
    ASSERT_TRUE(engine.expect_line("0-1 (Black mates)")) << engine.transcript();
    // A search in a mated position is an internal error report.
    engine.send("go");
    EXPECT_TRUE(engine.expect_line("tellusererror Error: mate or stalemate found at root!"))
        << engine.transcript();
    finish(engine);
    const std::string errors = engine.file("error.txt");
    EXPECT_TRUE(std::regex_search(
        errors, std::regex("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] : Error: mate or stalemate found "
                           "at root!\n")))
        << errors;
}

TEST(CommandSession, NewEmptiesTheLogAndQuitEndsTheRun) {
    EngineProcess engine;
    send_all(engine, {"force", "e2e4", "e7e5", "g1f3"});
    output_until_sync(engine);
    EXPECT_EQ(engine.file("log.txt"), "e2e4\ne7e5\ng1f3\n");
    engine.send("new");
    output_until_sync(engine);
    EXPECT_EQ(engine.file("log.txt"), "");
    EXPECT_EQ(board(engine), diagram(start_rows));
    send_all(engine, {"force", "d2d4"});
    output_until_sync(engine);
    EXPECT_EQ(engine.file("log.txt"), "d2d4\n");
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0); // input still open
    EXPECT_EQ(engine.file("log.txt"), "d2d4\n");
}

TEST(CommandSession, NewCarriesOnWhenTheLogCannotBeReopened) {
    EngineProcess engine;
    output_until_sync(engine);
    // A directory in the log's place makes the reopening fail.
    ASSERT_EQ(std::remove(engine.path("log.txt").c_str()), 0);
    ASSERT_EQ(::mkdir(engine.path("log.txt").c_str(), 0755), 0);
    engine.send("new");
    engine.send("force");
    send_all(engine, fools_mate);
    EXPECT_EQ(output_until_sync(engine), Lines{"0-1 (Black mates)"});
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0) << engine.transcript();
}

// ---- whole games in force mode ----

// Each result exactly on the last move of its game, one game after another
// in the same run, each with a log of its own.
TEST(GameSession, StalemateHundredReversiblePliesAndFoolsMate) {
    Lines hundred;
    for (int ply = 0; ply < 100; ply++) hundred.push_back(shuffle_move(ply));
    const std::pair<Lines, std::string> games[] = {
        {quick_stalemate, "1/2-1/2 (Stalemate)"},
        {hundred, "1/2-1/2 (Draw by repetition)"},
        {fools_mate, "0-1 (Black mates)"},
    };
    EngineProcess engine;
    for (const auto& [moves, result] : games) {
        send_all(engine, {"new", "force"});
        send_all(engine, {moves.begin(), moves.end() - 1});
        EXPECT_EQ(output_until_sync(engine), Lines{}) << "a result before the end: " << result;
        engine.send(moves.back());
        EXPECT_EQ(output_until_sync(engine), Lines{result});
        EXPECT_EQ(engine.file("log.txt"), joined(moves)) << result;
    }
    // After the mate nothing can be played.
    engine.send("e2e4");
    EXPECT_EQ(output_until_sync(engine), Lines{"Illegal move: e2e4"});
    finish(engine);
}

TEST(GameSession, KnightsDanceIsDrawnOnTheEighthMoveAndForceModeFollows) {
    EngineProcess engine;
    engine.send("force");
    send_all(engine, {knights_dance.begin(), knights_dance.end() - 1});
    EXPECT_EQ(output_until_sync(engine), Lines{}) << "a result before the eighth move";
    // Leave force mode with a long search and stop it at once with the
    // drawing move, so the draw is what switches force mode back on.
    engine.send("level 40 5 0");
    engine.send_raw("go\n" + knights_dance.back() + "\n");
    EXPECT_TRUE(engine.expect_line("Search aborted")) << engine.transcript();
    EXPECT_TRUE(engine.expect_line("1/2-1/2 (Draw by repetition)")) << engine.transcript();
    // The position after g1f3 now comes a third time as well, and a move to
    // a new position is only recorded: the draw switched force mode on.
    engine.send("g1f3");
    EXPECT_EQ(output_until_sync(engine), Lines{"1/2-1/2 (Draw by repetition)"});
    engine.send("e7e5");
    EXPECT_EQ(output_until_sync(engine), Lines{}) << engine.transcript();
    for (const auto& line : engine.lines()) EXPECT_NE(line.rfind("move ", 0), 0u) << line;
    EXPECT_EQ(engine.file("log.txt"), joined(knights_dance) + "g1f3\ne7e5\n");
    finish(engine);
}

TEST(GameSession, CastlingOnBothWingsIsTypedAndLoggedAsAKingMove) {
    EngineProcess engine;
    engine.send("force");
    const Lines moves = {"d2d4", "g8f6", "c1f4", "e7e6", "b1c3", "f8e7"};
    send_all(engine, moves);
    // Not yet: the queen still stands between king and rook.
    send_all(engine, {"e1c1", "O-O-O", "0-0"});
    EXPECT_EQ(output_until_sync(engine),
              (Lines{"Illegal move: e1c1", unknown("O-O-O"), unknown("0-0")}));
    send_all(engine, {"d1d2", "e8g8", "e1c1"});
    EXPECT_EQ(output_until_sync(engine), Lines{});
    EXPECT_EQ(board(engine), diagram({"rnbq.rk.", "ppppbppp", "....pn..", "........", "...P.B..",
                                      "..N.....", "PPPQPPPP", "..KR.BNR"}));
    EXPECT_EQ(engine.file("log.txt"), joined(moves) + "d1d2\ne8g8\ne1c1\n");
    // The castled king has no second castling.
    engine.send("e8c8");
    EXPECT_EQ(output_until_sync(engine), Lines{"Illegal move: e8c8"});
    finish(engine);
}

TEST(GameSession, EnPassantForBothSidesAndOnlyAtOnce) {
    EngineProcess engine;
    engine.send("force");
    send_all(engine, {"e2e4", "a7a6", "e4e5", "d7d5", "e5d6", "e7e5", "a2a3", "e5e4", "d2d4"});
    engine.send("e4d3");
    EXPECT_EQ(output_until_sync(engine), Lines{});
    EXPECT_EQ(board(engine), diagram({"rnbqkbnr", ".pp..ppp", "p..P....", "........", "........",
                                      "P..p....", ".PP..PPP", "RNBQKBNR"}));
    EXPECT_EQ(engine.file("log.txt"),
              "e2e4\na7a6\ne4e5\nd7d5\ne5d6\ne7e5\na2a3\ne5e4\nd2d4\ne4d3\n");

    // One move later the right is gone.
    engine.send("new");
    engine.send("force");
    send_all(engine, {"e2e4", "a7a6", "e4e5", "d7d5", "b1c3", "a6a5", "e5d6"});
    EXPECT_EQ(output_until_sync(engine), Lines{"Illegal move: e5d6"});
    finish(engine);
}

TEST(GameSession, AllFourPromotionsAndABlackOne) {
    EngineProcess engine;
    const Lines before = {"a2a4", "b7b5", "a4b5", "a7a6", "b5a6", "g8f6", "a6a7", "f6g8"};
    for (const char piece : {'q', 'r', 'b', 'n'}) {
        engine.send("new");
        engine.send("force");
        send_all(engine, before);
        // without a letter, with a capital or with a king: not a promotion
        send_all(engine, {"a7b8", "a7b8Q", "a7b8k", "a7a8q"});
        EXPECT_EQ(output_until_sync(engine), (Lines{"Illegal move: a7b8", unknown("a7b8Q"),
                                                    unknown("a7b8k"), "Illegal move: a7a8q"}));
        const std::string promotion = std::string("a7b8") + piece;
        engine.send(promotion);
        EXPECT_EQ(output_until_sync(engine), Lines{}) << promotion;
        std::string rank8 = "r?bqkbnr";
        rank8[1] = char(piece - 32);
        EXPECT_EQ(board(engine), diagram({rank8, "..pppppp", "........", "........", "........",
                                          "........", ".PPPPPPP", "RNBQKBNR"}))
            << promotion;
        EXPECT_EQ(engine.file("log.txt"), joined(before) + promotion + "\n");
    }
    engine.send("new");
    engine.send("force");
    const Lines black = {"g1f3", "a7a5", "b2b4", "a5b4", "a2a3", "b4a3", "f3g1", "a3a2", "g1f3"};
    send_all(engine, black);
    engine.send("a2b1n");
    EXPECT_EQ(output_until_sync(engine), Lines{});
    EXPECT_EQ(board(engine), diagram({"rnbqkbnr", ".ppppppp", "........", "........", "........",
                                      ".....N..", "..PPPPPP", "RnBQKB.R"}));
    EXPECT_EQ(engine.file("log.txt"), joined(black) + "a2b1n\n");
    finish(engine);
}

TEST(GameSession, IllegalMovesChangeNothing) {
    EngineProcess engine;
    // outside force mode too: an illegal move starts no search
    for (const char* line : {"e2e5", "e7e5", "e1e2", "g1g3", "a1a1", "e2e4q"}) engine.send(line);
    EXPECT_EQ(output_until_sync(engine),
              (Lines{"Illegal move: e2e5", "Illegal move: e7e5", "Illegal move: e1e2",
                     "Illegal move: g1g3", "Illegal move: a1a1", "Illegal move: e2e4q"}));
    EXPECT_EQ(board(engine), diagram(start_rows));
    EXPECT_EQ(engine.file("log.txt"), "");
    finish(engine);
}

// ---- bad input ----

// Plays e2e4 in force mode and checks that it arrived on the board.
void expect_still_playing(EngineProcess& engine) {
    engine.send("e2e4");
    EXPECT_EQ(output_until_sync(engine), Lines{}) << engine.transcript();
    EXPECT_EQ(board(engine), diagram({"rnbqkbnr", "pppppppp", "........", "........", "....P...",
                                      "........", "PPPP.PPP", "RNBQKBNR"}));
    EXPECT_EQ(engine.file("log.txt"), "e2e4\n");
}

TEST(BadInput, BlankBinaryAndNonAsciiLinesAreUnknown) {
    EngineProcess engine;
    engine.send("force");
    engine.send_raw("\n   \n\t\n \t \r\n\r\n\v\f\n");
    engine.send_raw(std::string("\0\n", 2));
    engine.send_raw(std::string("e2\0e4\n", 6)); // the line ends at the NUL
    const Lines odd = {"\x01\x02\x7f\xff\xfe",
                       "\x1b[A\x1b[B",
                       "\xc3\xa9",
                       "e2e4\xc3\xa9",
                       "\xef\xbd\x85\xef\xbc\x92\xef\xbd\x85\xef\xbc\x94",
                       "\xe2\x99\x9e"
                       "f3"};
    send_all(engine, odd);
    Lines expected(7, unknown(""));
    expected.push_back(unknown("e2"));
    for (const auto& l : odd) expected.push_back(unknown(l));
    EXPECT_EQ(output_until_sync(engine), expected);
    expect_still_playing(engine);
    finish(engine);
}

TEST(BadInput, LongLinesAreReadIn998CharacterPieces) {
    EngineProcess engine;
    engine.send("force");
    engine.send(std::string(1000, 'x'));
    // The rest of an overlong line is a line of its own, here a move.
    engine.send(std::string(998, 'y') + "e2e4");
    const std::string exact(998, 'z');
    engine.send(exact);
    const std::string huge(3 * 998 + 5, 'w');
    engine.send(huge);
    EXPECT_EQ(
        output_until_sync(engine),
        (Lines{unknown(std::string(998, 'x')), unknown("xx"), unknown(std::string(998, 'y')),
               // its newline no longer fits and comes as an empty line
               unknown(exact), unknown(""), unknown(std::string(998, 'w')),
               unknown(std::string(998, 'w')), unknown(std::string(998, 'w')), unknown("wwwww")}));
    EXPECT_EQ(engine.file("log.txt"), "e2e4\n");
    engine.send("e7e5");
    EXPECT_EQ(output_until_sync(engine), Lines{});
    EXPECT_EQ(engine.file("log.txt"), "e2e4\ne7e5\n");
    finish(engine);
}

TEST(BadInput, CarriageReturnsAndTabs) {
    EngineProcess engine;
    engine.send_raw("force\r\ne2e4\r\ne7e5\t\r\n\tg1f3\r\ng1f3 \t\r\n");
    EXPECT_EQ(output_until_sync(engine), Lines{unknown("\tg1f3")});
    engine.send_raw("display\r\n");
    EXPECT_EQ(engine.next_lines(19), diagram({"rnbqkbnr", "pppp.ppp", "........", "....p...",
                                              "....P...", ".....N..", "PPPP.PPP", "RNBQKB.R"}));
    // a keyword with its arguments split by tabs
    engine.send_raw("level\t40\t5\t0\r\n");
    EXPECT_EQ(output_until_sync(engine), Lines{});
    EXPECT_EQ(engine.file("log.txt"), "e2e4\ne7e5\ng1f3\n");
    finish(engine);
}

TEST(BadInput, BadClockNumbersStillLetTheEnginePlay) {
    EngineProcess engine;
    // Far too much time, then a negative time and a time that is no
    // number: the engine moves at once on the last two.
    send_all(engine, {"level 40 99999999999 0", "time -5", "go"});
    EXPECT_TRUE(engine.expect_line("Start clock at -0.05")) << engine.transcript();
    const auto first =
        engine.wait_for_line([](const std::string& l) { return l.rfind("move ", 0) == 0; });
    ASSERT_TRUE(first.has_value()) << engine.transcript();
    send_all(engine, {"time abc", "go"});
    EXPECT_TRUE(engine.expect_line("Start clock at 0.00")) << engine.transcript();
    const auto second =
        engine.wait_for_line([](const std::string& l) { return l.rfind("move ", 0) == 0; });
    ASSERT_TRUE(second.has_value()) << engine.transcript();
    output_until_sync(engine);
    EXPECT_EQ(engine.file("log.txt"), first->substr(5) + "\n" + second->substr(5) + "\n");
    finish(engine);
}

TEST(BadInput, ForceNowAndTimeout) {
    EngineProcess engine;
    engine.send("force now");
    engine.send("timeout 5"); // a time command: five centiseconds
    EXPECT_EQ(output_until_sync(engine), Lines{unknown("force now")});
    // Still not in force mode: the engine answers at once with its tiny clock.
    engine.send("e2e4");
    EXPECT_TRUE(engine.expect_line("Start clock at 0.05")) << engine.transcript();
    EXPECT_TRUE(engine.expect("move ")) << engine.transcript();
    finish(engine);
}

} // namespace
