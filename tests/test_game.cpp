// The game record (results, draw rules, the key history) and the command
// interpreter, in process: what a run of the binary cannot show, the result
// values and the state behind them. The interpreter reads file descriptor 0,
// which the tests point at a pipe. Whole games through the binary are in
// test_commands_e2e.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

// A run without standard input would give descriptor 0 to the next file
// opened (a log, a pipe), and the tests here swap descriptor 0 around.
[[maybe_unused]] const int standard_input_open = [] {
    if (::fcntl(0, F_GETFD) < 0) return ::open("/dev/null", O_RDONLY) == 0 ? 1 : 0;
    return 1;
}();

long window_size(const Position& pos) { return long(pos.history_end - pos.history_start); }

// Resets everything the tests touch to the values of a fresh start.
void fresh_engine_state() {
    xboard_mode = quit_requested = autodisplay = ponder_enabled = 0;
    time_left = 12000;
    increment = 0;
    new_game();
}

class GameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log_file = std::tmpfile();
        ASSERT_NE(log_file, nullptr);
        fresh_engine_state();
    }
    void TearDown() override {
        if (log_file) std::fclose(log_file);
        log_file = nullptr;
        fresh_engine_state();
    }

    // Plays a move given as text through play_move; returns its result, or
    // -1 when the move is not legal. What it printed goes to *printed.
    static int play(const std::string& text, std::string* printed = nullptr) {
        const Move m = parse_move(game_position, text.c_str());
        if (!m || !move_is_legal(game_position, m)) {
            ADD_FAILURE() << "not a legal move here: " << text;
            return -1;
        }
        ::testing::internal::CaptureStdout();
        const int result = play_move(m);
        const std::string out = ::testing::internal::GetCapturedStdout();
        if (printed) *printed = out;
        return result;
    }

    static void play_quietly(const std::vector<std::string>& moves) {
        for (const auto& text : moves) {
            std::string out;
            ASSERT_EQ(play(text, &out), 0) << text;
            ASSERT_EQ(out, "") << text;
        }
    }

    static std::string log_text() {
        std::fflush(log_file);
        std::rewind(log_file);
        std::string text;
        char buffer[256];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, log_file)) > 0;)
            text.append(buffer, n);
        std::fseek(log_file, 0, SEEK_END);
        return text;
    }
};

using GameRecord = GameTest;

TEST_F(GameRecord, GameEndStates) {
    EXPECT_EQ(game_end_state(game_position), 0);
    play_quietly({"e2e4", "f7f6", "d1h5"}); // in check with a way out
    EXPECT_TRUE(side_in_check(game_position));
    EXPECT_EQ(game_end_state(game_position), 0);

    new_game();
    play_quietly({quick_stalemate.begin(), quick_stalemate.end() - 1});
    EXPECT_EQ(play(quick_stalemate.back()), 1);
    EXPECT_EQ(game_end_state(game_position), 2);
    EXPECT_EQ(force_mode, 1);

    new_game();
    play_quietly({fools_mate.begin(), fools_mate.end() - 1});
    EXPECT_EQ(play(fools_mate.back()), 1);
    EXPECT_EQ(game_end_state(game_position), 1);
}

// Puts a window of `count` keys in front of the game position, as if that
// many minus one reversible plies had led to it without a repetition.
void fake_reversible_plies(int count) {
    for (int i = 0; i < count - 1; i++) key_history[i] = 0x9e3779b97f4a7c15ULL * (i + 1);
    key_history[count - 1] = game_position.key;
    game_position.history_start = key_history;
    game_position.history_end = key_history + count;
}

TEST_F(GameRecord, MateAndStalemateComeBeforeTheFiftyMoveRule) {
    struct Case {
        const char* fen;
        int window;
        const char* move;
        const char* result;
    };
    const char* back_rank = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    const Case cases[] = {
        {back_rank, 100, "a1a8", "1-0 (White mates)\n"}, // mate on the hundredth ply
        {back_rank, 100, "g1f1", "1/2-1/2 (Draw by repetition)\n"},
        {back_rank, 99, "g1f1", ""}, // one ply earlier: not yet
        {"7k/8/6Q1/8/8/8/8/K7 w - - 0 1", 100, "g6f7", "1/2-1/2 (Stalemate)\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(setup_from_fen(game_position, c.fen, key_history), 1);
        fake_reversible_plies(c.window);
        std::string out;
        EXPECT_EQ(play(c.move, &out), *c.result ? 1 : 0) << c.move;
        EXPECT_EQ(out, c.result) << c.move;
    }
}

TEST_F(GameRecord, IrreversibleMovesRestartTheWindowAtTheFront) {
    struct Step {
        const char* move;
        long window; // keys in the window afterwards
    };
    // pawn moves, captures and castling each start over
    const Step steps[] = {{"g1f3", 2}, {"g8f6", 3}, {"e2e4", 1}, {"b8c6", 2}, {"f1c4", 3},
                          {"f6e4", 1}, {"e1g1", 1}, {"e4f6", 2}, {"d2d4", 1}, {"d7d5", 1},
                          {"b1c3", 2}, {"c8f5", 3}, {"d1e2", 4}, {"d8d7", 5}, {"c1e3", 6},
                          {"e8c8", 1}, {"a2a3", 1}, {"d5c4", 1}, {"e2c4", 1}, {"e7e5", 1}};
    std::uint64_t previous = game_position.key;
    for (const Step& s : steps) {
        ASSERT_EQ(play(s.move), 0) << s.move;
        EXPECT_EQ(window_size(game_position), s.window) << s.move;
        EXPECT_EQ(game_position.history_end[-1], game_position.key) << s.move;
        if (s.window == 1) {
            EXPECT_EQ(game_position.history_start, key_history) << s.move;
        } else {
            EXPECT_EQ(game_position.history_end[-2], previous) << s.move;
        }
        previous = game_position.key;
    }
    EXPECT_EQ(plies_played, 20);
}

TEST_F(GameRecord, NewGameResetsTheRecordButKeepsTheSettings) {
    play_quietly({"e2e4", "e7e5", "g1f3"});
    force_mode = engine_colour = 1;
    time_left = 4321;
    increment = 7;
    xboard_mode = ponder_enabled = autodisplay = 1;
    new_game();
    const Position fresh = start();
    EXPECT_TRUE(same_state(game_position, fresh));
    EXPECT_EQ(game_position.history_start, key_history);
    EXPECT_EQ(game_position.history_end, key_history + 1);
    EXPECT_EQ(key_history[0], fresh.key);
    EXPECT_EQ(force_mode + engine_colour + plies_played, 0);
    EXPECT_EQ(time_left, 4321);
    EXPECT_EQ(increment, 7);
    EXPECT_EQ(xboard_mode + ponder_enabled + autodisplay, 3);
}

TEST_F(GameRecord, DrawCheckOnAHandMadeWindow) {
    // Keys of the same side to move stand two apart; the walk starts at the
    // third key from the end.
    const std::uint64_t k = game_position.key;
    const std::uint64_t a = 0x1111, b = 0x2222, c = 0x3333;
    auto window = [&](std::vector<std::uint64_t> keys, int skipped = 0) {
        for (std::size_t i = 0; i < keys.size(); i++) key_history[i] = keys[i];
        game_position.history_start = key_history + skipped;
        game_position.history_end = key_history + keys.size();
        game_position.repetition = 7;
        return game_draw_check(game_position);
    };
    EXPECT_EQ(window({k}), 0);
    EXPECT_EQ(game_position.repetition, 0);
    EXPECT_EQ(window({k, a, k}), 0);
    EXPECT_EQ(game_position.repetition, 1);
    // An equal key an odd number of plies back is the other side to move.
    EXPECT_EQ(window({k, a, b, k}), 0);
    EXPECT_EQ(game_position.repetition, 0);
    EXPECT_EQ(window({k, a, k, b, k}), 1);
    EXPECT_EQ(window({k, c, a, k, b, c, k}), 0);
    EXPECT_EQ(game_position.repetition, 1);
    EXPECT_EQ(window({k, a, b, c, k, a, k}), 1);
    // Keys before the window's start do not count.
    EXPECT_EQ(window({k, a, k, b, k}, 1), 0);
    EXPECT_EQ(game_position.repetition, 1);
}

// A game continued in force mode long after the fifty-move draw: the key
// history must stay inside its array and keep the newest keys in order.
TEST_F(GameRecord, ShufflingLongPastTheFiftyMoveDrawStaysInsideTheArray) {
    std::vector<std::uint64_t> keys = {game_position.key};
    long highest_end = 0;
    int compactions = 0;
    constexpr int plies = 1200;
    for (int ply = 1; ply <= plies; ply++) {
        const long end_before = game_position.history_end - key_history;
        ASSERT_EQ(play(shuffle_move(ply - 1)), ply >= 100 ? 1 : 0) << "ply " << ply;
        keys.push_back(game_position.key);
        const long end = game_position.history_end - key_history;
        compactions += end < end_before;
        highest_end = std::max(highest_end, end);
        ASSERT_EQ(game_position.history_start, key_history) << "ply " << ply;
        const long n = window_size(game_position);
        ASSERT_LE(std::size_t(n), keys.size());
        for (long i = 0; i < n; i++)
            ASSERT_EQ(game_position.history_start[i], keys[keys.size() - n + i])
                << "ply " << ply << " entry " << i;
        if (ply >= 100) {
            ASSERT_GT(n, 100) << "ply " << ply;
        }
    }
    EXPECT_GT(compactions, 0) << "the game never came near the end of the array";
    EXPECT_GE(highest_end, 1000);
    // The room behind the window is enough for the deepest search path.
    EXPECT_LE(highest_end + 32, KEY_HISTORY_SIZE);

    // A pawn move starts the window over, and repetitions are found again.
    force_mode = 0;
    ASSERT_EQ(play("a2a3"), 0);
    EXPECT_EQ(window_size(game_position), 1);
    static_assert(plies % 60 == 0, "both knight cycles must be complete: the knights are home");
    play_quietly({"g8f6", "g1f3", "f6g8", "f3g1", "g8f6", "g1f3", "f6g8"});
    std::string out;
    EXPECT_EQ(play("f3g1", &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
}

// ---- the command interpreter, reading from a pipe on descriptor 0 ----

// Runs fn with descriptor 0 reading the given bytes (then end of input),
// and returns what it printed.
std::string with_input(const std::string& bytes, const std::function<void()>& fn) {
    // Descriptor 0 may be closed (a run without standard input): then the
    // pipe itself lands on it.
    const int saved = ::dup(0);
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "pipe";
        return "";
    }
    // The pipe holds 64 KiB; the tests stay far below.
    EXPECT_EQ(::write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fds[1]);
    if (fds[0] != 0) {
        ::dup2(fds[0], 0);
        ::close(fds[0]);
    }
    ::testing::internal::CaptureStdout();
    fn();
    const std::string out = ::testing::internal::GetCapturedStdout();
    if (saved >= 0) {
        ::dup2(saved, 0);
        ::close(saved);
    } else {
        ::close(0);
    }
    return out;
}

struct Answer {
    int result;
    std::string printed;
};

Answer command(const std::string& line, int resume = 0) {
    Answer a{-1, ""};
    a.printed = with_input(line + "\n", [&] { a.result = interpret_command(resume); });
    return a;
}

std::string unknown(const std::string& line) { return "Error (unknown command): " + line + "\n"; }

using Commands = GameTest;

TEST_F(Commands, LevelSetsBaseTimeAndIncrementTogether) {
    struct Case {
        const char* line;
        std::int32_t time, inc;
    };
    const Case cases[] = {
        {"level 40 5 0", 30000, 0},
        {"level 0 2 12", 12000, 12},
        {"level 40 5:30 0", 30000, 0}, // minutes:seconds counts the whole minutes
        {"level\t0\t\t1 3", 6000, 3},  // tabs separate as well
        {"levels 1 2 3", 12000, 3},    // prefix match
        // Far too large numbers are clamped, so the clock arithmetic (times
        // 6000, plus 100 times the increment) cannot overflow.
        {"level 40 99999999999 0", 166666 * 6000, 0},
        {"level 40 -99999999999 99999999999", -166666 * 6000, 1000000},
        {"level 40 1 -5", 6000, 0}, // a negative increment counts as none
        {"level abc x y", 0, 0},
    };
    for (const Case& c : cases) {
        for (int resume : {0, 1}) {
            time_left = increment = 1;
            const Answer a = command(c.line, resume);
            EXPECT_EQ(a.result, resume) << c.line;
            EXPECT_EQ(a.printed, "") << c.line;
            EXPECT_EQ(time_left, c.time) << c.line;
            EXPECT_EQ(increment, c.inc) << c.line;
        }
    }
    // Without all three arguments nothing changes.
    for (const char* line : {"level 40 5", "level", "level   ", "level\t40\t5"}) {
        time_left = 777;
        increment = 5;
        const Answer a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, "") << line;
        EXPECT_EQ(time_left + increment, 782) << line;
    }
}

TEST_F(Commands, TimeSetsCentisecondsOtimIsIgnored) {
    struct Case {
        const char* line;
        int expected;
    };
    const Case cases[] = {
        {"time 6000", 6000},
        {"time -5", -5},
        {"time abc", 0},
        {"time 12abc", 12},
        {"timeout 5", 5},
        {"time 0x10", 0},
        {"time", 4242}, // a missing argument leaves the clock alone
        {"times 7 8", 7},
        {"time 99999999999", 1000000000},
        {"time -99999999999", -1000000000},
    };
    for (const Case& c : cases) {
        time_left = 4242;
        const Answer a = command(c.line, 1);
        EXPECT_EQ(a.result, 1) << c.line;
        EXPECT_EQ(a.printed, "") << c.line;
        EXPECT_EQ(time_left, c.expected) << c.line;
    }
    time_left = 4242;
    for (const char* line : {"otim 100", "otim", "otimx 99999999999"}) {
        const Answer a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, "") << line;
        EXPECT_EQ(time_left, 4242) << line;
    }
}

TEST_F(Commands, ForceWhiteBlackAndGoSetModeAndSides) {
    EXPECT_EQ(command("force", 1).result, 0);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(command("go", 0).result, 1);
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(engine_colour, 1); // White to move: the engine takes White

    const std::uint64_t white_key = game_position.key;
    Answer a = command("black", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "");
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(engine_colour, 1);
    EXPECT_EQ(game_position.white_to_move, 0);
    EXPECT_EQ(game_position.key, white_key ^ side_key);
    EXPECT_EQ(command("go", 1).result, 1);
    EXPECT_EQ(engine_colour, 0); // Black to move now

    EXPECT_EQ(command("white", 1).result, 0);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(engine_colour, 0);
    EXPECT_EQ(game_position.white_to_move, 1);
    EXPECT_EQ(game_position.key, white_key);

    // As an interface starts the engine as White: black, white, go.
    command("black");
    command("white");
    EXPECT_EQ(command("go").result, 1);
    EXPECT_EQ(game_position.key, white_key);
    EXPECT_EQ(engine_colour, 1);

    // after black a move for Black is only recorded
    command("black");
    a = command("e7e5");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "");
    EXPECT_EQ(game_position.board[sq("e5")], -PAWN);
    EXPECT_EQ(log_text(), "e7e5\n");
}

// Unknown lines, whole-line keywords with more words among them, get the
// whole line back, keep the result value and change nothing.
TEST_F(Commands, UnknownLinesAreAnsweredWithTheWholeLine) {
    const Position before = game_position;
    for (const char* line :
         {"force now", "go now", "new game", "quit now",      "white 1",        "black b",
          "xboard 2",  "hard 1", "easy!",    "display board", "autodisplay on", " force",
          "FORCE",     "Go",     "",         "protover 2",    "post",           "O-O",
          "e2",        "E2E4",   "e7e8Q",    "\te2e4"}) {
        for (int resume : {0, 1}) {
            const Answer a = command(line, resume);
            EXPECT_EQ(a.result, resume) << line;
            EXPECT_EQ(a.printed, unknown(line)) << line;
        }
    }
    EXPECT_EQ(force_mode + quit_requested + xboard_mode + ponder_enabled + autodisplay, 0);
    EXPECT_EQ(std::memcmp(&before, &game_position, sizeof before), 0);
    EXPECT_EQ(log_text(), "");
}

TEST_F(Commands, MovesAreAnsweredOnlyOutsideForceMode) {
    Answer a = command("e2e5", 1);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.printed, "Illegal move: e2e5\n");
    a = command("e7e5");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "Illegal move: e7e5\n"); // not White's pawn
    EXPECT_EQ(log_text(), "");

    a = command("e2e4");
    EXPECT_EQ(a.result, 1); // the engine answers
    EXPECT_EQ(a.printed, "");
    EXPECT_EQ(plies_played, 1);

    command("force");
    a = command("e7e5", 1);
    EXPECT_EQ(a.result, 0); // only recorded
    EXPECT_EQ(log_text(), "e2e4\ne7e5\n");

    // A move that ends the game is not answered, and force mode follows.
    new_game();
    for (const char* m : {"force", "f2f3", "e7e5", "g2g4", "go"}) command(m);
    ASSERT_EQ(force_mode, 0);
    a = command("d8h4", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "0-1 (Black mates)\n");
    EXPECT_EQ(force_mode, 1);
}

TEST_F(Commands, HardEasyAutodisplayXboardDisplayAndQuit) {
    EXPECT_EQ(command("hard", 1).result, 1);
    EXPECT_EQ(ponder_enabled, 1);
    EXPECT_EQ(command("easy", 0).result, 0);
    EXPECT_EQ(ponder_enabled, 0);
    EXPECT_EQ(command("autodisplay", 1).result, 1);
    EXPECT_EQ(autodisplay, 1);
    EXPECT_EQ(command("autodisplay").result, 0);
    EXPECT_EQ(autodisplay, 0);
    Answer a = command("xboard", 1);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.printed, "\n");
    EXPECT_EQ(xboard_mode, 1);
    a = command("display", 1);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.printed.substr(0, 26), "   a  b  c  d  e  f  g  h\n");
    // read and testgame without a file name do nothing
    for (const char* line : {"read", "readme", "test", "testing"}) {
        a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, "") << line;
    }
    // quit closes the log
    EXPECT_EQ(command("quit", 1).result, 0);
    EXPECT_EQ(quit_requested, 1);
    EXPECT_EQ(log_file, nullptr);
}

TEST_F(Commands, EndOfInputActsLikeQuit) {
    int result = -1;
    with_input("", [&] { result = interpret_command(1); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(quit_requested, 1);
    EXPECT_EQ(log_file, nullptr);
}

} // namespace
