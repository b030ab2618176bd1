// The transposition-table image through the binary: dumphash and loadhash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "test_util.h"

namespace {

constexpr size_t IMAGE_SIZE = 67108864; // 4,194,304 entries of 16 bytes

// dumphash and loadhash print nothing when they succeed; writing or reading
// the whole image may take a while on a loaded machine.
constexpr int FILE_TIMEOUT_MS = 20000;

bool all_zero(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

// A short search from the initial position leaves entries in the table.
void fill_table(EngineProcess& engine) {
    engine.send("time 3000");
    engine.send("go");
    ASSERT_TRUE(engine.wait_for_line([](const std::string& l) { return starts_with(l, "move "); }))
        << engine.transcript();
    ASSERT_TRUE(engine.expect("Stop clock, time remaining")) << engine.transcript();
}

TEST(HashFile, DumpLoadDumpGivesTheSameImageAndAShortImageLoadsWhatItCovers) {
    EngineProcess engine;
    fill_table(engine);
    engine.send("dumphash");
    expect_silence(engine, FILE_TIMEOUT_MS);
    const std::string full = engine.file("hash");
    ASSERT_EQ(full.size(), IMAGE_SIZE);
    EXPECT_FALSE(all_zero(full)) << "the search stored nothing";
    engine.send("loadhash");
    engine.send("dumphash");
    expect_silence(engine, FILE_TIMEOUT_MS);
    EXPECT_TRUE(engine.file("hash") == full) << "loading the image changed the table";
    EXPECT_FALSE(engine.file_exists("hash.tmp"));

    // Two entries of our own; the rest of the table keeps its contents. This
    // also shows that loading does something, which the round trip cannot.
    std::string patch;
    for (int i = 0; i < 32; i++) patch.push_back(char(0xA0 + i));
    ASSERT_TRUE(engine.write_file("hash", patch));
    engine.send("loadhash");
    engine.send("dumphash");
    expect_silence(engine, FILE_TIMEOUT_MS);
    const std::string after = engine.file("hash");
    ASSERT_EQ(after.size(), IMAGE_SIZE);
    EXPECT_EQ(after.substr(0, 32), patch);
    EXPECT_TRUE(after.compare(32, std::string::npos, full, 32, std::string::npos) == 0);
    finish(engine);
}

TEST(HashFile, LoadWithoutAFileSaysSoAndTheStartUpTableIsZero) {
    EngineProcess engine;
    engine.send("loadhash");
    EXPECT_EQ(engine.next_lines(1), std::vector<std::string>{"File not found: hash"});
    engine.send("dumphash");
    expect_silence(engine, FILE_TIMEOUT_MS);
    const std::string image = engine.file("hash");
    EXPECT_EQ(image.size(), IMAGE_SIZE);
    EXPECT_TRUE(all_zero(image));
    EXPECT_FALSE(engine.file_exists("hash.tmp"));
    finish(engine);
}

// A dump that cannot write says so and keeps the old image: as root,
// permissions do not stop a write, but a directory in the way of the
// temporary file does, and a full device fails half-way.
TEST(HashFile, DumpThatCannotWriteSaysSoAndKeepsTheOldImage) {
    EngineProcess engine;
    ASSERT_TRUE(engine.write_file("hash", "a good image"));
    ASSERT_EQ(::mkdir(engine.path("hash.tmp").c_str(), 0755), 0);
    engine.send("dumphash");
    EXPECT_EQ(engine.next_lines(1), std::vector<std::string>{"File not found: hash"})
        << engine.transcript();
    EXPECT_EQ(engine.file("hash"), "a good image");
    EXPECT_TRUE(is_directory(engine.path("hash.tmp")));

    struct stat st;
    if (::stat("/dev/full", &st) == 0) {
        ASSERT_EQ(::rmdir(engine.path("hash.tmp").c_str()), 0);
        ASSERT_EQ(::symlink("/dev/full", engine.path("hash.tmp").c_str()), 0);
        engine.send("dumphash");
        EXPECT_EQ(engine.next_lines(1, FILE_TIMEOUT_MS),
                  std::vector<std::string>{"File not found: hash"})
            << engine.transcript();
        EXPECT_EQ(engine.file("hash"), "a good image");
        EXPECT_NE(::lstat(engine.path("hash.tmp").c_str(), &st), 0) << "temporary file left";
    }
    expect_silence(engine, FILE_TIMEOUT_MS); // still alive and usable
    finish(engine);
}

// Both commands end a search they interrupt instead of resuming it.
TEST(HashFile, DumpDuringASearchEndsTheSearch) {
    EngineProcess engine;
    engine.send("time 3000");
    engine.send("go");
    ASSERT_TRUE(engine.expect_line("Start clock at 30.00")) << engine.transcript();
    engine.send("dumphash");
    ASSERT_TRUE(engine.expect_line("Search aborted")) << engine.transcript();
    expect_silence(engine, FILE_TIMEOUT_MS);
    EXPECT_EQ(engine.file("hash").size(), IMAGE_SIZE);
    // no move comes without a new go, which starts the clock again
    EXPECT_EQ(engine.read_available(500).find("move "), std::string::npos);
    engine.send("go");
    ASSERT_TRUE(engine.wait_for_line([](const std::string& l) { return starts_with(l, "move "); }))
        << engine.transcript();
    int clock_starts = 0;
    for (const auto& line : engine.lines())
        if (starts_with(line, "Start clock at")) clock_starts++;
    EXPECT_EQ(clock_starts, 2) << engine.transcript();
    finish(engine);
}

} // namespace
