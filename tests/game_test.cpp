// The command interpreter's effect on the settings, the game record with its
// results and draw rules, and the clock: allocation, the time check, the
// poll interval and charging the time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "shell/shell.h"
#include "support.h"

namespace {

void reset_settings() {
    default_settings();
    new_game();
}

// time left, increment, force mode, engine colour, ponder, autodisplay, xboard, side to move
std::string settings() {
    char s[100];
    std::snprintf(s, sizeof s, "t%d i%d f%d c%d p%d a%d x%d %c", time_left, increment, force_mode,
                  engine_colour, ponder_enabled, autodisplay, xboard_mode,
                  game_position.white_to_move ? 'w' : 'b');
    return s;
}

TEST(Game, CommandsAndTheirResults) {
    struct Step {
        const char *line, *settings, *output;
        int resume, result;
    };
    const Step steps[] = {
        {"level 40 5 0", "t30000 i0 f0 c0 p0 a0 x0 w", "", 1, 1},
        {"level 0 2 12", "t12000 i12 f0 c0 p0 a0 x0 w", "", 0, 0},
        {"level 40 5", "t12000 i12 f0 c0 p0 a0 x0 w", "", 1, 1},
        {"level\t40 5:30 -3", "t30000 i0 f0 c0 p0 a0 x0 w", "", 1, 1},
        {"timeout 5", "t5 i0 f0 c0 p0 a0 x0 w", "", 0, 0},
        {"time 6000", "t6000 i0 f0 c0 p0 a0 x0 w", "", 1, 1},
        {"otim 100", "t6000 i0 f0 c0 p0 a0 x0 w", "", 1, 1},
        {"hard", "t6000 i0 f0 c0 p1 a0 x0 w", "", 1, 1},
        {"easy", "t6000 i0 f0 c0 p0 a0 x0 w", "", 0, 0},
        {"autodisplay", "t6000 i0 f0 c0 p0 a1 x0 w", "", 1, 1},
        {"autodisplay", "t6000 i0 f0 c0 p0 a0 x0 w", "", 0, 0},
        {"force", "t6000 i0 f1 c0 p0 a0 x0 w", "", 1, 0},
        {"e2e4", "t6000 i0 f1 c0 p0 a0 x0 b", "", 0, 0},
        {"go", "t6000 i0 f0 c0 p0 a0 x0 b", "", 0, 1},
        {"white", "t6000 i0 f1 c0 p0 a0 x0 w", "", 1, 0},
        {"go", "t6000 i0 f0 c1 p0 a0 x0 w", "", 0, 1},
        {"black", "t6000 i0 f1 c1 p0 a0 x0 b", "", 1, 0},
        {"e7e5", "t6000 i0 f1 c1 p0 a0 x0 w", "", 1, 0},
        {"go", "t6000 i0 f0 c1 p0 a0 x0 w", "", 1, 1},
        {"g1f3", "t6000 i0 f0 c1 p0 a0 x0 b", "", 0, 1},
        {"e7e5", "t6000 i0 f0 c1 p0 a0 x0 b", "Illegal move: e7e5\n", 1, 1},
        {"force now", "t6000 i0 f0 c1 p0 a0 x0 b", "Error (unknown command): force now\n", 0, 0},
        {"", "t6000 i0 f0 c1 p0 a0 x0 b", "Error (unknown command): \n", 1, 1},
        {"eval", "t6000 i0 f0 c1 p0 a0 x0 b", "Evaluation of current positon: 0.08\n", 1, 1},
        {"printmove 5900", "t6000 i0 f0 c1 p0 a0 x0 b", "e2e4\n", 1, 1},
        {"printmove", "t6000 i0 f0 c1 p0 a0 x0 b", "", 1, 1},
        {"tracepv b8c6 f1b5 a7a6", "t6000 i0 f0 c1 p0 a0 x0 b", "", 1, 1},
        {"tracepv b8c6 f1b6 a7a6", "t6000 i0 f0 c1 p0 a0 x0 b", "Invalid move: f1b6\n", 1, 1},
        {"xboard", "t6000 i0 f0 c1 p0 a0 x1 b", "\n", 0, 0},
    };
    reset_settings();
    StdinPipe in;
    for (const Step& s : steps) {
        in.write(std::string(s.line) + "\n");
        int result = -1;
        EXPECT_EQ(output_of([&] { result = interpret_command(s.resume); }), s.output) << s.line;
        EXPECT_EQ(result, s.result) << s.line;
        EXPECT_EQ(settings(), s.settings) << s.line;
    }
    in.write("quit\n");
    EXPECT_EQ(interpret_command(1) + quit_requested, 1);
    quit_requested = 0;
    in.close_input(); // the end of input is a quit
    EXPECT_EQ(interpret_command(1) + quit_requested, 1);
    reset_settings();
}

// Searches to a fixed depth, never polled: the statistics are known answers.
TEST(Game, TestgameSumsItsSearches) {
    char path[] = "/tmp/testgame-XXXXXX";
    const int file = mkstemp(path);
    write_all(file, "e2e4\ne7e5\ng1f3\ng8f6\n"); // Black's moves are the engine's choices
    close(file);
    reset_settings();
    clear_hash();
    xboard_mode = 1;
    max_iteration_depth = 3;
    poll_interval = poll_countdown = INT32_MAX;
    StdinPipe in;
    in.write(std::string("testgame ") + path + "\n");
    const std::string out = output_of([] { interpret_command(0); });
    unlink(path);
    max_iteration_depth = PLY_LIMIT;
    reset_settings();
    EXPECT_EQ(out.substr(out.find("\nTotal")),
              "\nTotal: 2155 nodes, leaf nodes 63.90%, real quiet nodes: 22.09%, nodes/leaf: 1.35\n"
              "Fail high nodes: 12.16%, of which first 48.09%, hash 1.53%, null 41.98%\n"
              "Average branch factor: 3.64\n");
}

std::string play_line(const std::string& moves) {
    std::string out;
    for (std::size_t at = 0; at < moves.size(); at += 5)
        out +=
            output_of([&] { play_move(parse_move(game_position, moves.substr(at, 4).c_str())); });
    return out;
}

// A result puts the engine in force mode; mate and stalemate go before the 50-move rule.
TEST(Game, Results) {
    struct Case {
        const char* fen; // nullptr: the start
        int keys;        // in the window before the moves
        const char* moves;
        const char* result;
    };
    const char *back_rank = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
               *draw = "1/2-1/2 (Draw by repetition)\n";
    const Case cases[] = {
        {nullptr, 1, "e2e3 g8f6 g1f3 f6g8 f3g1 g8f6 g1f3 f6g8 f3g1", draw}, // after a pawn move
        {back_rank, 100, "a1a8", "1-0 (White mates)\n"},
        {back_rank, 100, "g1f1", draw},
        {back_rank, 99, "g1f1", ""},
        {"7k/8/6Q1/8/8/8/8/K7 w - - 0 1", 100, "g6f7", "1/2-1/2 (Stalemate)\n"},
    };
    for (const Case& c : cases) {
        reset_settings();
        if (c.fen) setup_from_fen(game_position, c.fen, key_history);
        for (int i = 0; i + 1 < c.keys; i++) key_history[i] = i + 1; // no repetition
        game_position.history_end = key_history + c.keys;
        game_position.history_end[-1] = game_position.key;
        EXPECT_EQ(play_line(c.moves), c.result) << c.moves;
        EXPECT_EQ(force_mode, *c.result != 0) << c.moves;
    }
}

// A FEN's counters: the move number gives the plies played, the halfmove
// clock keys that count towards the fifty-move rule; a bad FEN changes nothing.
TEST(Game, NewGameFromFen) {
    const struct {
        const char* fen;
        int ok, plies, keys, drawn;
    } rows[] = {
        {"8/8/8/4k3/8/8/8/R3K3 w - -", 1, 0, 1, 0},
        {"8/8/8/4k3/8/8/8/R3K3 b - - 7 40", 1, 79, 8, 0},
        {"8/8/8/4k3/8/8/8/R3K3 w - - 150 3", 1, 4, 101, 1},
        {"8/8/8/4k3/8/8/8/R3K3 w - - 0 x", 0, 4, 101, 1},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(new_game_from_fen(r.fen), r.ok) << r.fen;
        EXPECT_EQ(plies_played, r.plies) << r.fen;
        EXPECT_EQ(game_position.history_end - game_position.history_start, r.keys) << r.fen;
        EXPECT_EQ(game_draw_check(game_position), r.drawn) << r.fen;
    }
    reset_settings();
}

// Knights that never touch a pawn: a position comes back only every 30
// moves, so the fifty-move rule draws first, and the game goes on.
TEST(Game, TwelveHundredReversiblePliesStayInsideTheKeyHistory) {
    const char* white[] = {"g1f3", "f3h4", "b1c3", "h4f3", "f3g1", "c3b1"};
    const char* black[] = {"g8f6", "f6d5", "b8c6", "c6e5", "e5g6",
                           "d5f6", "f6g8", "g6e5", "e5c6", "c6b8"};
    reset_settings();
    long highest = 0;
    for (int ply = 0; ply < 1200; ply++) {
        const std::string out = play_line(ply % 2 ? black[ply / 2 % 10] : white[ply / 2 % 6]);
        ASSERT_EQ(out, ply >= 99 ? "1/2-1/2 (Draw by repetition)\n" : "") << ply;
        highest = std::max(highest, long(game_position.history_end - key_history));
    }
    EXPECT_GE(highest, 1000);
    EXPECT_LE(highest + KEY_HISTORY_RESERVE, KEY_HISTORY_SIZE); // room for a search
    // A pawn move starts the window over.
    EXPECT_EQ(play_line("a2a3"), "");
    EXPECT_EQ(game_position.history_end - game_position.history_start, 1);
    reset_settings();
}

class Clock : public testing::Test {
  protected:
    void SetUp() override { reset_settings(); }
    void TearDown() override { reset_settings(); }
    // time_check with exactly this many centiseconds on the clock; a call
    // that straddles a centisecond (a preempted test) is repeated.
    static int check_at(std::uint32_t elapsed) {
        for (;;) {
            const std::uint32_t before = tick_count();
            clock_start = before - elapsed * 10 - 5;
            const int stop = time_check();
            if (tick_count() - before <= 4) return stop;
        }
    }
};

TEST_F(Clock, Allocation) {
    const std::int32_t rows[][5] = {
        // time left, increment, plies played -> target, maximum
        {12000, 0, 0, 120, 6000},   {11999, 0, 0, 119, 479},  {30000, 0, 0, 300, 15000},
        {12000, 12, 0, 1020, 6000}, {6000, 0, 40, 100, 400},  {6000, 1, 0, 135, 3000},
        {500, 2, 0, 100, 160},      {500, 0, 0, 0, 0},        {999, 0, 0, 0, 0},
        {1000, 0, 0, 10, 40},       {-250, 0, 0, 0, 0},       {-250, 1, 0, 50, 80},
        {12000, 0, 1, 122, 6000},   {8000, 0, 58, 190, 761},  {8000, 0, 59, 200, 800},
        {8000, 0, 61, 200, 800},    {8000, 0, 300, 200, 800},
    };
    for (const auto& r : rows) {
        time_left = r[0], increment = r[1], plies_played = r[2];
        allocate_time();
        EXPECT_EQ(target_time, r[3]) << r[0] << " " << r[1] << " " << r[2];
        EXPECT_EQ(max_time, r[4]) << r[0] << " " << r[1] << " " << r[2];
    }
}

TEST_F(Clock, TimeCheck) {
    // In groups: the score holds (or no root move is done): stop at the target; a drop of
    // 26 to 60 buys two and a half targets, not above 350; a drop of more than 60 six; never
    // past the maximum, nor into the last half second; no time at all: the first poll.
    // clang-format off
    const std::int32_t rows[][8] = {
        // target, max, left, last score, root score, root move done, elapsed -> stop
        {300, 15000, 30000, 125, 100, 1, 299, 0}, {300, 15000, 30000, 125, 100, 1, 300, 1},
        {300, 15000, 30000, 125, 400, 1, 300, 1}, {300, 15000, 30000, 125, 0, 0, 299, 0},
        {300, 15000, 30000, 125, 0, 0, 300, 1},   {300, 15000, 30000, 126, 100, 1, 300, 0},
        {300, 15000, 30000, 140, 100, 1, 749, 0}, {300, 15000, 30000, 140, 100, 1, 750, 1},
        {300, 15000, 30000, 160, 100, 1, 750, 1}, {300, 15000, 30000, 440, 400, 1, 300, 1},
        {300, 15000, 30000, 460, 400, 1, 300, 1}, {300, 15000, 30000, 161, 100, 1, 750, 0},
        {300, 15000, 30000, 461, 400, 1, 750, 0}, {300, 15000, 30000, 200, 100, 1, 1799, 0},
        {300, 15000, 30000, 200, 100, 1, 1800, 1},{300, 1000, 30000, 200, 100, 1, 1000, 0},
        {300, 1000, 30000, 200, 100, 1, 1001, 1}, {300, 15000, 800, 200, 100, 1, 749, 0},
        {300, 15000, 800, 200, 100, 1, 750, 1},   {300, 15000, 700, 140, 100, 1, 649, 0},
        {300, 15000, 700, 140, 100, 1, 650, 1},   {0, 0, 500, 200, 100, 1, 0, 1},
        {0, 0, 500, 200, 100, 0, 0, 1},
    };
    // clang-format on
    for (const auto& r : rows) {
        target_time = r[0], max_time = r[1], time_left = r[2];
        last_iteration_score = r[3], root_score = r[4], root_move_done = r[5];
        EXPECT_EQ(check_at(std::uint32_t(r[6])), r[7]) << "row " << &r - rows;
    }
    pondering = 1; // only input ends a ponder search
    EXPECT_EQ(check_at(100000), 0);
    pondering = 0;
    poll_interval = 1234; // every check rearms the countdown
    check_at(10);
    EXPECT_EQ(poll_countdown, 1234);
}

TEST_F(Clock, StartAndStop) {
    const std::uint32_t rows[][4] = {
        // node rate, time left, increment -> poll interval
        {1000, 99, 0, 125},
        {1000, 100, 0, 250},
        {1000, 6000, 1, 250},
        {1000, 6000, 2, 500},
        {1000, 11999, 0, 250},
        {1000, 12000, 0, 500},
        {4000000, 300, 0, 200000},
        {4000000, 1500, 0, 1000000},
        {4000000, 0, 0, 1000},
        {20000, 10, 0, 1000},
        {4000000000u, 100000, 0, 2000000000},
    };
    for (const auto& r : rows) {
        nps_estimate = r[0], time_left = std::int32_t(r[1]), increment = std::int32_t(r[2]);
        output_of(start_clock);
        EXPECT_EQ(poll_interval, r[3]) << r[0] << " " << r[1];
        EXPECT_EQ(poll_countdown, std::int32_t(r[3]));
    }
    for (;;) {
        time_left = 12000, increment = 2;
        const std::uint32_t before = tick_count();
        clock_start = before - 3456;
        const std::string out = output_of(stop_clock);
        if (tick_count() - before > 3) continue; // straddled a centisecond
        EXPECT_EQ(out, "Stop clock, time remaining 118.55\n");
        break;
    }
    time_left = CLOCK_LIMIT - 50, increment = 1000000; // credits never overflow
    stop_clock();
    EXPECT_EQ(time_left, CLOCK_LIMIT);
}

// Zeroes exactly its range: aligned whole lines by streaming stores, anything
// else the plain way.
TEST(Platform, ClearMemory) {
    alignas(64) unsigned char buffer[512];
    const std::size_t ranges[][2] = {{64, 256}, {64, 100}, {16, 128}, {0, 512}};
    for (const auto& r : ranges) {
        std::fill(std::begin(buffer), std::end(buffer), 0xAB);
        clear_memory(buffer + r[0], r[1]);
        for (std::size_t i = 0; i < sizeof buffer; i++)
            ASSERT_EQ(buffer[i], i >= r[0] && i < r[0] + r[1] ? 0 : 0xAB) << r[0] << "+" << r[1];
    }
}

} // namespace
