// Whole sessions of the engine binary through its pipes: exact output,
// log.txt and error.txt, bad input, the file commands, the table image, and
// searches that input stops, resumes or ends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "support.h"

namespace {

// The board as display prints it, from a8 to h1 ('.' empty, black lower case).
Lines diagram(const std::string& board) {
    const std::string border = " +--+--+--+--+--+--+--+--+", files = "   a  b  c  d  e  f  g  h";
    Lines out = {files};
    for (int r = 0; r < 8; r++) {
        std::string row(1, char('8' - r));
        for (const char c : board.substr(std::size_t(8 * r), 8))
            row += c == '.' ? std::string("|  ")
                            : std::string("|") + (c >= 'a' ? '*' : ' ') +
                                  (char(c | 0x20) == 'p' ? 'p' : char(c & ~0x20));
        out.insert(out.end(), {border, row + "|" + char('8' - r)});
    }
    out.insert(out.end(), {border, files});
    return out;
}

const Lines START = diagram("rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR");

bool starts(const std::string& line, const char* head) { return line.rfind(head, 0) == 0; }

std::string unknown(const std::string& line) { return "Error (unknown command): " + line; }

TEST(Session, StartsSilentlyKeepsErrorsAndEmptiesTheLog) {
    Engine e({{"error.txt", "08:15:00 : earlier\n"}, {"log.txt", "e2e4\n"}});
    EXPECT_EQ(e.talk({}), Lines{}) << "nothing before a command";
    EXPECT_EQ(e.file("log.txt"), "");
    EXPECT_EQ(e.talk({"display"}), START);
    EXPECT_EQ(
        e.talk({"eval", "force", "e2e4", "eval"}),
        (Lines{"Evaluation of current positon: 0.00", "Evaluation of current positon: 0.11"}));
    EXPECT_EQ(e.talk({"e7e5", "f1c4", "b8c6", "d1h5", "g8f6", "h5f7"}), Lines{"1-0 (White mates)"});
    // Reports go to the screen bare in console mode, after xboard to the
    // interface, and to error.txt with the time of day in both.
    e.send("go");
    e.wait_for("Error: mate or stalemate found at root!");
    e.talk({"force"}); // a search without a move would start again after each line
    EXPECT_EQ(e.talk({"xboard", "go", "force"}),
              (Lines{"", "tellusererror Error: mate or stalemate found at root!"}));
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
    EXPECT_EQ(e.file("log.txt"), "e2e4\ne7e5\nf1c4\nb8c6\nd1h5\ng8f6\nh5f7\n");
    EXPECT_TRUE(std::regex_match(
        e.file("error.txt"), std::regex("08:15:00 : earlier\n(\\d\\d:\\d\\d:\\d\\d : Error: mate "
                                        "or stalemate found at root!\n){2}")))
        << e.file("error.txt");
}

TEST(Session, BadInputIsAnsweredAndChangesNothing) {
    Engine e;
    e.send("force");
    e.send("\n \t\r\n\v\f\n" + std::string("e2\0e4\n\x01\xff\n", 9) + "e2e4\xc3\xa9");
    e.send(std::string(1000, 'x')); // read in pieces of 998 characters
    e.send(std::string(998, 'y') + "e2e4");
    e.send("e2e4\r\ne7e5\t\r\n\tg1f3");
    const Lines replies = e.talk({"E2E4", "e2e5", "e7e8Q", "O-O", "force now", "protover 2",
                                  "level 40 5", "time abc", "e2e4"});
    EXPECT_EQ(replies,
              (Lines{unknown(""), unknown(""), unknown(""), unknown("e2"), unknown("\x01\xff"),
                     unknown("e2e4\xc3\xa9"), unknown(std::string(998, 'x')), unknown("xx"),
                     unknown(std::string(998, 'y')), "Illegal move: e2e4", unknown("\tg1f3"),
                     unknown("E2E4"), "Illegal move: e2e5", unknown("e7e8Q"), unknown("O-O"),
                     unknown("force now"), unknown("protover 2"), "Illegal move: e2e4"}));
    EXPECT_EQ(e.talk({"display"}),
              diagram("rnbqkbnrpppp.ppp............p.......P...........PPPP.PPPRNBQKBNR"));
    EXPECT_EQ(e.file("log.txt"), "e2e4\ne7e5\n");
    EXPECT_EQ(e.finish(), 0) << "the end of input ends the run";
}

TEST(Session, FileCommands) {
    Engine e({{"mate.txt", "f2f3\r\ne7e5\n\ng2g4\nd8h4\n"},
              {"bad.txt", "e2e4\ne7e6 \n"},
              {"game.txt", "e2e4\ne7e5\n"}});
    EXPECT_EQ(e.talk({"read", "read nothing.txt", "testgame nothing.txt", "read mate.txt"}),
              (Lines{"file not found", "file not found", "0-1 (Black mates)"}));
    EXPECT_EQ(e.talk({"new", "readme bad.txt", "tracepv e7e5 g1f3", "tracepv e7e5 e7e5",
                      "printmove 24964", "printmove 28348"}),
              (Lines{"Illegal move: e7e6 ", "Invalid move: e7e5", "O-O", "O-O-O"}));
    EXPECT_EQ(e.file("log.txt"), "e2e4\n") << "read stops at the bad line, tracepv plays nothing";
    // At start-up the clock has run out, so testgame's search stops at once.
    e.talk({"xboard"});
    const Lines run = e.talk({"testgame game.txt"});
    ASSERT_EQ(run.size(), 5u) << testing::PrintToString(run);
    EXPECT_EQ(run[0], "Difference found: e7e5");
    EXPECT_TRUE(starts(run[1], "NPS=")) << run[1];
    EXPECT_EQ(Lines(run.begin() + 2, run.end()),
              (Lines{"Total: 0 nodes, leaf nodes 0.00%, real quiet nodes: 0.00%, nodes/leaf: 0.00",
                     "Fail high nodes: 0.00%, of which first 0.00%, hash 0.00%, null 0.00%",
                     "Average branch factor: 0.00"}));
    EXPECT_EQ(e.finish(), 0);
}

TEST(Session, TableImageRoundTripAndFailedWrites) {
    constexpr std::size_t SIZE = 67108864; // 4,194,304 entries of 16 bytes
    Engine e;
    EXPECT_EQ(e.talk({"loadhash", "dumphash"}), Lines{"File not found: hash"});
    const std::string empty = e.file("hash");
    EXPECT_EQ(empty, std::string(SIZE, '\0'));
    e.send("time 500");
    e.send("go");
    e.wait_for("Stop clock, time remaining ");
    EXPECT_EQ(e.talk({"dumphash"}), Lines{});
    const std::string full = e.file("hash");
    ASSERT_EQ(full.size(), SIZE);
    EXPECT_NE(full, empty) << "the search stored nothing";
    // A short image loads the entries it covers; the rest stay.
    const std::string patch(32, '\xA5');
    std::ofstream(e.dir + "/hash", std::ios::binary) << patch;
    EXPECT_EQ(e.talk({"loadhash", "dumphash"}), Lines{});
    EXPECT_EQ(e.file("hash"), patch + full.substr(32));
    // A full disk, or a directory where the image goes: said, old image kept.
    symlink("/dev/full", (e.dir + "/hash.tmp").c_str());
    EXPECT_EQ(e.talk({"dumphash"}), Lines{"File not found: hash"});
    mkdir((e.dir + "/hash.tmp").c_str(), 0755);
    EXPECT_EQ(e.talk({"dumphash"}), Lines{"File not found: hash"});
    EXPECT_EQ(e.file("hash"), patch + full.substr(32));
    EXPECT_EQ(e.finish(), 0);
    Engine read_only({}, true);
    EXPECT_EQ(read_only.talk({"foo"}), Lines{unknown("foo")});
    EXPECT_EQ(read_only.talk({"display"}), START) << "runs where it cannot write its files";
    EXPECT_EQ(read_only.finish(), 0);
}

// An image saved by an earlier build is used (the keys are drawn in a fixed
// order): the start position's entry answers the search with a mate, and the
// expected reply comes from the table as the line is cut short.
TEST(Session, LoadedEntriesAnswerTheSearchAndGiveThePonderMove) {
    Engine e;
    std::ofstream image(e.dir + "/hash", std::ios::binary);
    const auto put = [&](std::uint64_t key, int bound, Move move, int score) {
        const std::uint32_t entry[4] = {bound + 4 * (19 + 64 * move), std::uint32_t(score),
                                        std::uint32_t(key), std::uint32_t(key >> 32)};
        image.seekp(long(key & 0x3FFFFF) * 16);
        image.write(reinterpret_cast<const char*>(entry), sizeof entry);
    };
    put(0xB37ACACED69CB8A6, 1, 5900, 9999); // the start: exact, e2e4, mate in one
    put(0xE48F2A906893AFCA, 2, 6452, 0);    // after e2e4: lower bound, e7e5
    image.close();
    e.send("loadhash");
    e.send("hard");
    e.send("go");
    EXPECT_EQ(e.wait_for("  1 "), "  1 9999 0 1 e2e4 !");
    EXPECT_EQ(e.wait_for("move "), "move e2e4");
    EXPECT_EQ(e.wait_for("Pondering move "), "Pondering move e7e5");
    EXPECT_EQ(e.finish(), 0);
}

TEST(Session, ConsoleGameWithPondering) {
    Engine e;
    e.send("hard");
    e.send("autodisplay");
    e.send("time 500"); // under ten seconds: a move after the first poll
    e.send("e2e4");
    EXPECT_EQ(e.wait_for("Start clock at "), "Start clock at 5.00");
    e.wait_for("  1 ");
    e.wait_for("Fail-high: "); // the last statistics line
    const std::string reply = e.wait_for("move ").substr(5);
    e.wait_for("Stop clock, time remaining ");
    EXPECT_EQ(e.wait_for("   a  b  c  d  e  f  g  h"), "   a  b  c  d  e  f  g  h");
    const std::string expected = e.wait_for("Pondering move ").substr(15);
    // The expected reply ends the ponder search and is answered on a new clock.
    e.send(expected);
    e.wait_for("Search aborted");
    e.wait_for("Start clock at ");
    e.wait_for("move ");
    e.send("quit"); // also while pondering
    EXPECT_EQ(e.finish(), 0);
    EXPECT_TRUE(starts(e.file("log.txt"), ("e2e4\n" + reply + "\n" + expected + "\n").c_str()))
        << e.file("log.txt");
}

TEST(Session, InputDuringASearch) {
    Engine e;
    e.send("level 40 30 0");
    e.send("d2d4");
    e.wait_for("  1 ");
    // A line that leaves the game alone stops the search, is answered, and
    // the search starts again on the same clock.
    e.send("display");
    e.wait_for("Search aborted");
    Lines board;
    for (int i = 0; i < 19; i++) board.push_back(e.wait([](auto&) { return true; }));
    EXPECT_EQ(board, diagram("rnbqkbnrpppppppp...................P............PPP.PPPPRNBQKBNR"));
    e.send("time 180000");
    e.wait_for("Search aborted");
    e.wait_for("  1 ");
    e.send("quit");
    EXPECT_EQ(e.finish(), 0);
    EXPECT_EQ(std::count_if(e.lines.begin(), e.lines.end(),
                            [](auto& l) { return starts(l, "Start clock") || starts(l, "move"); }),
              1);

    Engine x; // an interface sees the move, the hint and thinking lines, no console chatter
    for (const char* line : {"xboard", "hard", "time 500", "go"}) x.send(line);
    x.wait_for("move ");
    x.wait_for("Hint: ");
    x.send("quit"); // while pondering
    EXPECT_EQ(x.finish(), 0);
    for (const std::string& l : x.lines)
        EXPECT_TRUE(l.empty() || starts(l, "  ") || starts(l, "move ") || starts(l, "Hint: ")) << l;
}

} // namespace
