// Start-up, end of the run and the files the engine keeps, through the binary.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "harness.h"
#include "test_util.h"

namespace {

const std::vector<std::string> start_diagram = {
    "   a  b  c  d  e  f  g  h",   " +--+--+--+--+--+--+--+--+",  "8|*R|*N|*B|*Q|*K|*B|*N|*R|8",
    " +--+--+--+--+--+--+--+--+",  "7|*p|*p|*p|*p|*p|*p|*p|*p|7", " +--+--+--+--+--+--+--+--+",
    "6|  |  |  |  |  |  |  |  |6", " +--+--+--+--+--+--+--+--+",  "5|  |  |  |  |  |  |  |  |5",
    " +--+--+--+--+--+--+--+--+",  "4|  |  |  |  |  |  |  |  |4", " +--+--+--+--+--+--+--+--+",
    "3|  |  |  |  |  |  |  |  |3", " +--+--+--+--+--+--+--+--+",  "2| p| p| p| p| p| p| p| p|2",
    " +--+--+--+--+--+--+--+--+",  "1| R| N| B| Q| K| B| N| R|1", " +--+--+--+--+--+--+--+--+",
    "   a  b  c  d  e  f  g  h",
};

std::string diagram_text() {
    std::string text;
    for (const auto& line : start_diagram) text += line + "\n";
    return text;
}

// The engine has finished its start-up once it answers a command.
void expect_display_works(EngineProcess& engine) {
    engine.send("display");
    EXPECT_EQ(engine.next_lines(start_diagram.size()), start_diagram) << engine.transcript();
}

} // namespace

TEST(Startup, PrintsNothingUntilACommandAndQuitExitsWithZero) {
    EngineProcess engine;
    EXPECT_EQ(engine.read_available(300), "");
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0); // input still open: quit alone ends it
    EXPECT_EQ(engine.transcript(), "");
    EXPECT_EQ(engine.stderr_text(), "");
}

TEST(Startup, DisplayThenEndOfInputPrintsTheDiagramAndExitsWithZero) {
    EngineProcess engine;
    expect_display_works(engine);
    expect_display_works(engine);
    finish(engine);
    EXPECT_EQ(engine.transcript(), diagram_text() + diagram_text());

    // An interface that dies in the middle of a line.
    EngineProcess cut_short;
    cut_short.send_raw("displ");
    finish(cut_short);
}

TEST(Startup, ErrorFileKeepsEarlierRunsAndLogStartsEmpty) {
    const std::string earlier = "08:15:00 : report of an earlier run\n";
    EngineOptions options;
    options.files = {{"error.txt", earlier}, {"log.txt", "e2e4\ne7e5\n"}};
    EngineProcess first(options);
    expect_display_works(first);
    // log.txt holds the current game only: empty right after start-up.
    EXPECT_TRUE(first.file_exists("log.txt"));
    EXPECT_EQ(first.file("log.txt"), "");
    first.send("quit");
    EXPECT_EQ(first.wait_exit(), 0);
    EXPECT_EQ(first.file("error.txt"), earlier);
}

// In a read-only directory the engine runs and reports to standard output
// only. Root writes through the permission bits: directories in the places
// of the two files make their opening fail either way.
TEST(Startup, RunsInAReadOnlyDirectory) {
    EngineOptions options;
    options.start = false;
    EngineProcess engine(options);
    ASSERT_EQ(::mkdir(engine.path("log.txt").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(engine.path("error.txt").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(engine.dir().c_str(), 0555), 0);
    ASSERT_TRUE(engine.start());
    expect_display_works(engine);
    engine.send("foo");
    EXPECT_TRUE(engine.expect_line("Error (unknown command): foo")) << engine.transcript();
    finish(engine);
    EXPECT_EQ(engine.transcript(), diagram_text() + "Error (unknown command): foo\n");
    EXPECT_TRUE(is_directory(engine.path("log.txt")));
    EXPECT_TRUE(is_directory(engine.path("error.txt")));
}
