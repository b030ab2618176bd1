// The game record (moves played into the game, the log, results, draw
// rules, the key history) and the command interpreter, in process. The
// interpreter reads file descriptor 0, which the tests point at a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
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
long window_end(const Position& pos) { return long(pos.history_end - key_history); }

// Resets everything the tests touch to the values of a fresh start.
void fresh_engine_state() {
    xboard_mode = 0;
    quit_requested = 0;
    autodisplay = 0;
    ponder_enabled = 0;
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

    // Plays moves that must not end the game and print nothing.
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
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, log_file)) > 0) text.append(buffer, n);
        std::fseek(log_file, 0, SEEK_END);
        return text;
    }

    static std::string lines(const std::vector<std::string>& moves) {
        std::string text;
        for (const auto& m : moves) text += m + "\n";
        return text;
    }
};

using GameRecord = GameTest;

TEST_F(GameRecord, FoolsMateIsAnnouncedLoggedAndSetsForceMode) {
    play_quietly({fools_mate.begin(), fools_mate.end() - 1});
    EXPECT_EQ(force_mode, 0);
    std::string out;
    EXPECT_EQ(play("d8h4", &out), 1);
    EXPECT_EQ(out, "0-1 (Black mates)\n");
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(game_end_state(game_position), 1);
    EXPECT_EQ(plies_played, 4);
    // The mating move is in the log too.
    EXPECT_EQ(log_text(), lines(fools_mate));
}

TEST_F(GameRecord, WhiteMateIsAnnouncedForWhite) {
    play_quietly({"e2e4", "e7e5", "f1c4", "b8c6", "d1h5", "g8f6"});
    std::string out;
    EXPECT_EQ(play("h5f7", &out), 1);
    EXPECT_EQ(out, "1-0 (White mates)\n");
    EXPECT_EQ(force_mode, 1);
}

TEST_F(GameRecord, StalemateEndsTheGame) {
    play_quietly({quick_stalemate.begin(), quick_stalemate.end() - 1});
    std::string out;
    EXPECT_EQ(play(quick_stalemate.back(), &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Stalemate)\n");
    EXPECT_EQ(game_end_state(game_position), 2);
    EXPECT_FALSE(side_in_check(game_position));
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(log_text(), lines(quick_stalemate));
}

TEST_F(GameRecord, GameEndStateOfOrdinaryPositions) {
    EXPECT_EQ(game_end_state(game_position), 0);
    // In check but with a way out: not mate.
    play_quietly({"e2e4", "f7f6", "d1h5"});
    EXPECT_TRUE(side_in_check(game_position));
    EXPECT_EQ(game_end_state(game_position), 0);
}

TEST_F(GameRecord, KnightsDanceDrawsOnTheThirdOccurrenceOnly) {
    for (int i = 0; i < 7; i++) {
        std::string out;
        ASSERT_EQ(play(knights_dance[i], &out), 0) << i;
        ASSERT_EQ(out, "") << i;
        // The start position (with White to move) stands for the second
        // time after the fourth move: only the flag tells.
        EXPECT_EQ(game_position.repetition, i >= 3 ? 1 : 0) << i;
    }
    std::string out;
    EXPECT_EQ(play(knights_dance[7], &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(game_draw_check(game_position), 1);
    EXPECT_EQ(log_text(), lines(knights_dance));

    // Moves after the end are still recorded and tested: the position after
    // g1f3 is there for the third time as well.
    force_mode = 0;
    EXPECT_EQ(play("g1f3", &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
    EXPECT_EQ(force_mode, 1);
}

TEST_F(GameRecord, HundredReversiblePliesDrawWithoutARepetition) {
    std::map<std::uint64_t, int> seen;
    seen[game_position.key]++;
    for (int ply = 0; ply < 99; ply++) {
        std::string out;
        ASSERT_EQ(play(shuffle_move(ply), &out), 0) << "ply " << ply + 1;
        ASSERT_EQ(out, "") << "ply " << ply + 1;
        ASSERT_LE(++seen[game_position.key], 2) << "ply " << ply + 1;
    }
    EXPECT_EQ(window_size(game_position), 100);
    std::string out;
    EXPECT_EQ(play(shuffle_move(99), &out), 1);
    EXPECT_LE(++seen[game_position.key], 2);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
    EXPECT_EQ(window_size(game_position), 101);
    EXPECT_EQ(game_position.repetition, 0);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(plies_played, 100);

    // Every further reversible move is a draw again.
    force_mode = 0;
    EXPECT_EQ(play(shuffle_move(100), &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
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
    // A back-rank mate given on the hundredth reversible ply.
    const char* back_rank = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    ASSERT_EQ(setup_from_fen(game_position, back_rank, key_history), 1);
    fake_reversible_plies(100);
    std::string out;
    EXPECT_EQ(play("a1a8", &out), 1);
    EXPECT_EQ(out, "1-0 (White mates)\n");

    // The same ply without the mate is the draw.
    ASSERT_EQ(setup_from_fen(game_position, back_rank, key_history), 1);
    fake_reversible_plies(100);
    EXPECT_EQ(play("g1f1", &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");

    // One ply earlier it is not a draw yet.
    ASSERT_EQ(setup_from_fen(game_position, back_rank, key_history), 1);
    fake_reversible_plies(99);
    EXPECT_EQ(play("g1f1", &out), 0);
    EXPECT_EQ(out, "");

    // A stalemate on the hundredth ply.
    ASSERT_EQ(setup_from_fen(game_position, "7k/8/6Q1/8/8/8/8/K7 w - - 0 1", key_history), 1);
    fake_reversible_plies(100);
    EXPECT_EQ(play("g6f7", &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Stalemate)\n");
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
            EXPECT_EQ(key_history[0], game_position.key) << s.move;
        } else {
            EXPECT_EQ(game_position.history_end[-2], previous) << s.move;
        }
        previous = game_position.key;
    }
    // castling is logged as the king's move
    const std::string log = log_text();
    EXPECT_NE(log.find("e1g1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("e8c8\n"), std::string::npos) << log;
    EXPECT_EQ(plies_played, 20);
}

TEST_F(GameRecord, EnPassantAndPromotionsAreIrreversibleAndLogged) {
    play_quietly({"e2e4", "a7a6", "e4e5", "d7d5"});
    ASSERT_EQ(play("e5d6"), 0); // en passant
    EXPECT_EQ(window_size(game_position), 1);
    EXPECT_EQ(game_position.board[35], 0); // d5 emptied
    EXPECT_EQ(game_position.board[43], PAWN);
    play_quietly({"g8f6", "d6c7", "f6g8"});
    ASSERT_EQ(play("c7b8n"), 0);
    EXPECT_EQ(game_position.board[57], KNIGHT);
    EXPECT_EQ(window_size(game_position), 1);
    EXPECT_EQ(log_text(),
              lines({"e2e4", "a7a6", "e4e5", "d7d5", "e5d6", "g8f6", "d6c7", "f6g8", "c7b8n"}));
}

TEST_F(GameRecord, NewGameResetsTheRecordButKeepsTheSettings) {
    play_quietly({"e2e4", "e7e5", "g1f3"});
    force_mode = 1;
    engine_colour = 1;
    time_left = 4321;
    increment = 7;
    xboard_mode = 1;
    ponder_enabled = 1;
    autodisplay = 1;
    new_game();
    Position start;
    std::uint64_t keys[4];
    setup_start_position(start, keys);
    EXPECT_EQ(game_position.key, start.key);
    EXPECT_EQ(std::memcmp(game_position.board, start.board, sizeof start.board), 0);
    EXPECT_EQ(game_position.history_start, key_history);
    EXPECT_EQ(game_position.history_end, key_history + 1);
    EXPECT_EQ(key_history[0], start.key);
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(engine_colour, 0);
    EXPECT_EQ(plies_played, 0);
    EXPECT_EQ(time_left, 4321);
    EXPECT_EQ(increment, 7);
    EXPECT_EQ(xboard_mode, 1);
    EXPECT_EQ(ponder_enabled, 1);
    EXPECT_EQ(autodisplay, 1);
}

TEST_F(GameRecord, DrawCheckOnAHandMadeWindow) {
    // Keys of the same side to move stand two apart; the walk starts at the
    // third key from the end.
    const std::uint64_t k = game_position.key;
    const std::uint64_t a = 0x1111, b = 0x2222, c = 0x3333;
    auto window = [&](std::vector<std::uint64_t> keys) {
        for (std::size_t i = 0; i < keys.size(); i++) key_history[i] = keys[i];
        game_position.history_start = key_history;
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
    key_history[0] = k;
    key_history[1] = a;
    key_history[2] = k;
    key_history[3] = b;
    key_history[4] = k;
    game_position.history_start = key_history + 1;
    game_position.history_end = key_history + 5;
    EXPECT_EQ(game_draw_check(game_position), 0);
    EXPECT_EQ(game_position.repetition, 1);
}

// ---- the key history in a game that goes on and on ----

using KeyHistory = GameTest;

TEST_F(KeyHistory, ShufflingLongPastTheFiftyMoveDrawStaysInsideTheArray) {
    std::vector<std::uint64_t> keys = {game_position.key};
    long highest_end = 0;
    int compactions = 0;
    constexpr int plies = 1200;
    for (int ply = 0; ply < plies; ply++) {
        const long end_before = window_end(game_position);
        const int result = play(shuffle_move(ply));
        keys.push_back(game_position.key);
        ASSERT_EQ(result, ply + 1 >= 100 ? 1 : 0) << "ply " << ply + 1;
        const long end = window_end(game_position);
        if (end < end_before) compactions++;
        highest_end = std::max(highest_end, end);
        ASSERT_LT(end, KEY_HISTORY_SIZE - 20) << "ply " << ply + 1;
        ASSERT_EQ(game_position.history_start, key_history) << "ply " << ply + 1;
        ASSERT_EQ(game_position.history_end[-1], game_position.key) << "ply " << ply + 1;
        // The window holds the newest keys of the game, in order.
        const long n = window_size(game_position);
        ASSERT_GT(n, 0);
        ASSERT_LE(std::size_t(n), keys.size());
        for (long i = 0; i < n; i++)
            ASSERT_EQ(game_position.history_start[i], keys[keys.size() - n + i])
                << "ply " << ply + 1 << " entry " << i;
        if (ply + 1 >= 100) {
            ASSERT_EQ(game_draw_check(game_position), 1) << "ply " << ply + 1;
            ASSERT_GT(n, 100);
        }
    }
    EXPECT_EQ(plies_played, plies);
    EXPECT_GT(compactions, 0) << "the game never came near the end of the array";
    EXPECT_GE(highest_end, 1000);
    // The room behind the window is enough for the deepest search path.
    EXPECT_LE(highest_end + 32, KEY_HISTORY_SIZE);

    // A pawn move starts the window over, and repetitions are found again.
    force_mode = 0;
    ASSERT_EQ(play("a2a3"), 0);
    EXPECT_EQ(window_size(game_position), 1);
    EXPECT_EQ(game_position.history_start, key_history);
    static_assert(plies % 60 == 0, "both knight cycles must be complete: the knights are home");
    const std::vector<std::string> dance_from_here = {"g8f6", "g1f3", "f6g8", "f3g1",
                                                      "g8f6", "g1f3", "f6g8", "f3g1"};
    for (int i = 0; i < 7; i++) {
        std::string out;
        ASSERT_EQ(play(dance_from_here[i], &out), 0) << i;
        EXPECT_EQ(out, "");
    }
    std::string out;
    EXPECT_EQ(play(dance_from_here[7], &out), 1);
    EXPECT_EQ(out, "1/2-1/2 (Draw by repetition)\n");
    EXPECT_EQ(window_size(game_position), 9);
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
    const ssize_t written = ::write(fds[1], bytes.data(), bytes.size());
    EXPECT_EQ(written, ssize_t(bytes.size()));
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
    for (int resume : {0, 1}) {
        time_left = 1;
        increment = 1;
        Answer a = command("level 40 5 0", resume);
        EXPECT_EQ(a.result, resume);
        EXPECT_EQ(a.printed, "");
        EXPECT_EQ(time_left, 30000);
        EXPECT_EQ(increment, 0);
    }
    EXPECT_EQ(command("level 0 2 12").result, 0);
    EXPECT_EQ(time_left, 12000);
    EXPECT_EQ(increment, 12);
    // minutes:seconds counts the whole minutes
    command("level 40 5:30 0");
    EXPECT_EQ(time_left, 30000);
    EXPECT_EQ(increment, 0);
    // tabs separate as well, and the moves per control do not matter
    command("level\t0\t\t1 3");
    EXPECT_EQ(time_left, 6000);
    EXPECT_EQ(increment, 3);
    // prefix match: anything may follow the first five letters
    command("levels 1 2 3");
    EXPECT_EQ(time_left, 12000);
    EXPECT_EQ(increment, 3);
}

TEST_F(Commands, LevelWithoutAllThreeArgumentsChangesNothing) {
    time_left = 777;
    increment = 5;
    for (const char* line : {"level 40 5", "level 40", "level", "level   ", "level\t40\t5"}) {
        Answer a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, "") << line;
        EXPECT_EQ(time_left, 777) << line;
        EXPECT_EQ(increment, 5) << line;
    }
}

TEST_F(Commands, LevelAndTimeValuesAreKeptWithinSafeBounds) {
    // Far too large numbers are clamped, so the clock arithmetic (times 6000,
    // plus 100 times the increment) cannot overflow.
    command("level 40 99999999999 0");
    EXPECT_EQ(time_left, 166666 * 6000);
    EXPECT_EQ(increment, 0);
    command("level 40 -99999999999 99999999999");
    EXPECT_EQ(time_left, -166666 * 6000);
    EXPECT_EQ(increment, 1000000);
    command("level 40 1 -99999999999");
    EXPECT_EQ(time_left, 6000);
    EXPECT_EQ(increment, 0); // a negative increment counts as none
    command("level 40 1 -5");
    EXPECT_EQ(increment, 0);
    command("time 99999999999");
    EXPECT_EQ(time_left, 1000000000);
    command("time -99999999999");
    EXPECT_EQ(time_left, -1000000000);
    command("level abc x y");
    EXPECT_EQ(time_left, 0);
    EXPECT_EQ(increment, 0);
}

TEST_F(Commands, TimeSetsCentisecondsOtimIsIgnored) {
    struct Case {
        const char* line;
        int expected;
    };
    const Case cases[] = {
        {"time 6000", 6000}, {"time -5", -5},  {"time abc", 0},  {"time 12abc", 12},
        {"time\t250", 250},  {"timeout 5", 5}, {"time +40", 40}, {"time 0x10", 0},
        {"time", 0},         {"times 7 8", 7},
    };
    for (const Case& c : cases) {
        time_left = 4242;
        const int before = time_left;
        Answer a = command(c.line, 1);
        EXPECT_EQ(a.result, 1) << c.line;
        EXPECT_EQ(a.printed, "") << c.line;
        // a missing argument leaves the clock alone
        EXPECT_EQ(time_left, std::strcmp(c.line, "time") == 0 ? before : c.expected) << c.line;
    }
    time_left = 4242;
    for (const char* line : {"otim 100", "otim", "otim -5", "otimx 99999999999"}) {
        Answer a = command(line, 1);
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
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(engine_colour, 0); // Black to move now

    a = command("white", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(engine_colour, 0);
    EXPECT_EQ(game_position.white_to_move, 1);
    EXPECT_EQ(game_position.key, white_key);

    // white when White is already to move changes only mode and colour
    engine_colour = 1;
    force_mode = 0;
    EXPECT_EQ(command("white").result, 0);
    EXPECT_EQ(game_position.white_to_move, 1);
    EXPECT_EQ(game_position.key, white_key);
    EXPECT_EQ(engine_colour, 0);
    EXPECT_EQ(force_mode, 1);

    // after black a move for Black is only recorded
    EXPECT_EQ(command("black").result, 0);
    a = command("e7e5");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "");
    EXPECT_EQ(game_position.board[36], -PAWN);
    EXPECT_EQ(game_position.white_to_move, 1);
    EXPECT_EQ(log_text(), "e7e5\n");
}

TEST_F(Commands, WholeLineKeywordsWithMoreWordsAreUnknown) {
    for (const char* line :
         {"force now", "go now", "new game", "quit now", "white 1", "black b", "xboard 2", "hard 1",
          "easy!", "display board", "autodisplay on", " force", "FORCE", "Go"}) {
        Answer a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, unknown(line)) << line;
        EXPECT_EQ(force_mode, 0) << line;
        EXPECT_EQ(quit_requested, 0) << line;
        EXPECT_EQ(xboard_mode, 0) << line;
        EXPECT_EQ(ponder_enabled, 0) << line;
        EXPECT_EQ(autodisplay, 0) << line;
        EXPECT_EQ(game_position.white_to_move, 1) << line;
    }
}

TEST_F(Commands, UnknownLinesAreAnsweredWithTheWholeLine) {
    const Position before = game_position;
    for (const char* line : {"", "protover 2", "post", "?", "accepted setboard", "ping 1", "O-O",
                             "e2", "e2e4e5", "E2E4", "e7e8Q", "\te2e4", "   e2e4"}) {
        for (int resume : {0, 1}) {
            Answer a = command(line, resume);
            EXPECT_EQ(a.result, resume) << line;
            EXPECT_EQ(a.printed, unknown(line)) << line;
        }
    }
    EXPECT_EQ(std::memcmp(&before, &game_position, sizeof before), 0);
    EXPECT_EQ(log_text(), "");
    // Lines of white space only are empty once the trailing part is gone.
    for (const char* line : {"   ", "\t", " \t \r", "\v\f"})
        EXPECT_EQ(command(line).printed, unknown(""));
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
    EXPECT_EQ(game_position.board[28], PAWN);
    EXPECT_EQ(plies_played, 1);

    command("force");
    a = command("e7e5", 1);
    EXPECT_EQ(a.result, 0); // only recorded
    EXPECT_EQ(a.printed, "");
    EXPECT_EQ(log_text(), "e2e4\ne7e5\n");

    // carriage return and other trailing white space are stripped
    a = command("g1f3\r");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(game_position.board[21], KNIGHT);
    EXPECT_EQ(log_text(), "e2e4\ne7e5\ng1f3\n");
}

TEST_F(Commands, AMoveThatEndsTheGameIsNotAnswered) {
    command("force");
    for (const char* m : {"f2f3", "e7e5", "g2g4"}) command(m);
    command("go");
    ASSERT_EQ(force_mode, 0);
    Answer a = command("d8h4", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.printed, "0-1 (Black mates)\n");
    EXPECT_EQ(force_mode, 1);
}

TEST_F(Commands, HardEasyAutodisplayAndXboard) {
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
    // Unknown lines keep their own answer in xboard mode.
    EXPECT_EQ(command("post").printed, unknown("post"));
    EXPECT_EQ(xboard_mode, 1);
}

TEST_F(Commands, DisplayAndTestCommandsWithoutAFileKeepTheFlag) {
    Answer a = command("display", 1);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.printed.substr(0, 26), "   a  b  c  d  e  f  g  h\n");
    // read, readme, test, testing without a file name do nothing
    for (const char* line : {"read", "readme", "test", "testing"}) {
        a = command(line, 1);
        EXPECT_EQ(a.result, 1) << line;
        EXPECT_EQ(a.printed, "") << line;
    }
}

TEST_F(Commands, NewReopensTheLogAndStartsAFreshGame) {
    char dir_template[] = "/tmp/game-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir_template), nullptr);
    char old_dir[4096];
    ASSERT_NE(::getcwd(old_dir, sizeof old_dir), nullptr);
    ASSERT_EQ(::chdir(dir_template), 0);

    command("force");
    command("e2e4");
    command("level 0 3 4");
    command("xboard");
    Answer a = command("new", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_NE(log_file, nullptr);
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(plies_played, 0);
    EXPECT_EQ(game_position.board[12], PAWN);
    EXPECT_EQ(time_left, 18000);
    EXPECT_EQ(increment, 4);
    EXPECT_EQ(xboard_mode, 1);
    command("force");
    command("d2d4");
    std::fflush(log_file);
    std::FILE* f = std::fopen("log.txt", "r");
    ASSERT_NE(f, nullptr);
    char buffer[64] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buffer, n), "d2d4\n");

    // quit closes the log
    a = command("quit", 1);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(quit_requested, 1);
    EXPECT_EQ(log_file, nullptr);

    std::remove("log.txt");
    EXPECT_EQ(::chdir(old_dir), 0);
    ::rmdir(dir_template);
}

TEST_F(Commands, EndOfInputActsLikeQuit) {
    int result = -1;
    with_input("", [&] { result = interpret_command(1); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(quit_requested, 1);
    EXPECT_EQ(log_file, nullptr);
}

TEST_F(Commands, ReadLineStripsTheEndAndSplitsLongLines) {
    std::vector<std::string> got;
    std::vector<int> results;
    const std::string long_line(1000, 'x');
    const std::string exact(998, 'y');
    const std::string input = "e2e4\r\n  lead and trail \t\v\f\r\n\n" + long_line + "\n" + exact +
                              "\n" + std::string("a\0b", 3) + "\nlast";
    with_input(input, [&] {
        char buffer[LINE_BUFFER_SIZE];
        for (int i = 0; i < 9; i++) {
            std::memset(buffer, '#', sizeof buffer);
            results.push_back(read_line(buffer));
            got.emplace_back(buffer);
        }
    });
    const std::vector<std::string> expected = {
        "e2e4", "  lead and trail",
        "",     std::string(998, 'x'),
        "xx", // the rest of the long line
        exact,
        "", // its newline did not fit any more
        "a",    "last",
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(results, std::vector<int>(9, 1));
    // and then the end of input
    int at_end = -1;
    with_input("", [&] {
        char buffer[LINE_BUFFER_SIZE];
        at_end = read_line(buffer);
    });
    EXPECT_EQ(at_end, 0);
}

} // namespace
