// The engine's clock: time allocation, charging the time, the poll
// interval, the time check with its overrun rules, and input waiting on
// standard input stopping a search.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "eval/eval.h"
#include "game/game.h"
#include "search/search.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

// Standard input replaced by a pipe for the lifetime of the object.
class StdinPipe {
  public:
    StdinPipe() {
        int fds[2];
        ok_ = ::pipe(fds) == 0;
        if (!ok_) return;
        saved_ = ::dup(0);
        ::dup2(fds[0], 0);
        ::close(fds[0]);
        write_end_ = fds[1];
    }
    ~StdinPipe() {
        close_write_end();
        if (saved_ >= 0) {
            ::dup2(saved_, 0);
            ::close(saved_);
        }
    }
    StdinPipe(const StdinPipe&) = delete;
    StdinPipe& operator=(const StdinPipe&) = delete;

    bool ok() const { return ok_ && saved_ >= 0; }
    bool write(const std::string& bytes) const {
        return ::write(write_end_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    void close_write_end() {
        if (write_end_ >= 0) ::close(write_end_);
        write_end_ = -1;
    }
    static std::string read_some() {
        char buffer[64];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    }

  private:
    bool ok_ = false;
    int saved_ = -1;
    int write_end_ = -1;
};

class Clock : public ::testing::Test {
  protected:
    void SetUp() override {
        xboard_mode = 1;
        pondering = 0;
        root_move_done = 1;
    }
    // time_check with exactly elapsed_cs centiseconds on the clock; the
    // clock start sits 5 ms before a centisecond boundary, and a call
    // that straddles it (a preempted test) is repeated.
    static int check_at(std::uint32_t elapsed_cs) {
        for (;;) {
            const std::uint32_t before = tick_count();
            clock_start = before - elapsed_cs * 10 - 5;
            const int stop = time_check();
            if (tick_count() - before <= 4) return stop;
        }
    }

    static std::uint32_t poll_for(std::uint32_t nps, std::int32_t left, std::int32_t inc = 0) {
        nps_estimate = nps;
        time_left = left;
        increment = inc;
        plies_played = 0;
        start_clock();
        return poll_interval;
    }

    static Position initial() {
        new_game();
        return game_position;
    }

    const SavedGlobals saved;
};

// ---- allocation ----

struct Allocation {
    std::int32_t time_left, increment, plies, target, max;
};

TEST_F(Clock, AllocationExamples) {
    const Allocation cases[] = {
        {12000, 0, 0, 120, 6000},   // the defaults
        {11999, 0, 0, 119, 479},    // under two minutes the maximum is 2/divisor
        {30000, 0, 0, 300, 15000},  // level 40 5 0
        {12000, 12, 0, 1020, 6000}, // three quarters of the increment on top
        {6000, 0, 40, 100, 400},    // divisor 30
        {6000, 1, 0, 135, 3000},    // with an increment the maximum stays half
        {500, 2, 0, 100, 160},      // under ten seconds: from the increment
        {500, 0, 0, 0, 0},          // nothing
        {999, 0, 0, 0, 0},          {1000, 0, 0, 10, 40},     {-250, 0, 0, 0, 0}, // overstepped
        {-250, 1, 0, 50, 80},       {12000, 0, 1, 122, 6000},                     // divisor 49
        {8000, 0, 58, 190, 761},                                                  // divisor 21
        {8000, 0, 59, 200, 800}, // divisor 20 from here on
        {8000, 0, 60, 200, 800},    {8000, 0, 61, 200, 800},  {8000, 0, 300, 200, 800},
    };
    for (const Allocation& c : cases) {
        SCOPED_TRACE(std::to_string(c.time_left) + " cs, increment " + std::to_string(c.increment) +
                     ", ply " + std::to_string(c.plies));
        time_left = c.time_left;
        increment = c.increment;
        plies_played = c.plies;
        allocate_time();
        EXPECT_EQ(target_time, c.target);
        EXPECT_EQ(max_time, c.max);
    }
}

TEST_F(Clock, StartClockAllocatesAndAnnouncesInConsoleMode) {
    nps_estimate = 1000;
    time_left = 12000;
    increment = 0;
    plies_played = 0;
    xboard_mode = 0;
    testing::internal::CaptureStdout();
    const std::uint32_t before = tick_count();
    start_clock();
    const std::uint32_t after = tick_count();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Start clock at 120.00\n");
    EXPECT_LE(clock_start - before, after - before);
    EXPECT_EQ(target_time, 120);
    EXPECT_EQ(max_time, 6000);
    EXPECT_EQ(poll_countdown, std::int32_t(poll_interval));

    xboard_mode = 1;
    testing::internal::CaptureStdout();
    start_clock();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Clock, PollIntervalFollowsTheTimeLeft) {
    // At the start-up rate of 1000 nodes per second the cap never bites.
    EXPECT_EQ(poll_for(1000, 99), 125u);
    EXPECT_EQ(poll_for(1000, 100), 250u);
    EXPECT_EQ(poll_for(1000, 6000, 1), 250u);
    EXPECT_EQ(poll_for(1000, 6000, 2), 500u);
    EXPECT_EQ(poll_for(1000, 11999), 250u);
    EXPECT_EQ(poll_for(1000, 12000), 500u);
    EXPECT_EQ(poll_countdown, 500);
}

TEST_F(Clock, PollIntervalIsCappedWhenLittleTimeIsLeft) {
    // About a sixtieth of the time left at the measured rate, at least 1000.
    EXPECT_EQ(poll_for(4000000, 300), 200000u);            // table 1000000
    EXPECT_EQ(poll_for(4000000, 50), 33333u);              // table 500000
    EXPECT_EQ(poll_for(4000000, 1499), 999333u);           // table 1000000
    EXPECT_EQ(poll_for(4000000, 1500), 1000000u);          // the table value
    EXPECT_EQ(poll_for(4000000, 12000), 2000000u);         // the table value
    EXPECT_EQ(poll_for(4000000, 0), 1000u);                // floor
    EXPECT_EQ(poll_for(4000000, -400), 1000u);             // overstepped counts as 0
    EXPECT_EQ(poll_for(20000, 10), 1000u);                 // floor above the table's 2500
    EXPECT_EQ(poll_for(4000000000u, 100000), 2000000000u); // no 32-bit overflow
    EXPECT_EQ(poll_for(4000000000u, 3000), 1000000000u);
    EXPECT_EQ(poll_countdown, 1000000000);
}

TEST_F(Clock, StopClockChargesTheElapsedTimeAndAddsTheIncrement) {
    xboard_mode = 0;
    for (;;) {
        time_left = 12000;
        increment = 2;
        const std::uint32_t before = tick_count();
        clock_start = before - 3456;
        testing::internal::CaptureStdout();
        stop_clock();
        const std::string out = testing::internal::GetCapturedStdout();
        if (tick_count() - before > 3) continue; // straddled a centisecond
        EXPECT_EQ(time_left, 12000 + 200 - 345);
        EXPECT_EQ(out, "Stop clock, time remaining 118.55\n");
        break;
    }
    xboard_mode = 1;
    time_left = 100;
    increment = 0;
    clock_start = tick_count() - 5000;
    testing::internal::CaptureStdout();
    stop_clock();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_LE(time_left, -400); // overstepping goes below zero

    // Increments credited move after move never overflow the clock.
    time_left = CLOCK_LIMIT - 50;
    increment = 1000000;
    clock_start = tick_count();
    stop_clock();
    EXPECT_EQ(time_left, CLOCK_LIMIT);
}

// ---- time check ----

TEST_F(Clock, TimeCheckStopsAtTheTargetUnlessTheScoreDrops) {
    struct Case {
        std::int32_t target, max, left, last_score, root_score, root_move_done;
        std::uint32_t elapsed;
        int stop;
    };
    const Case cases[] = {
        // The score holds (a drop of 25 does not count) or rises: stop at the target.
        {300, 15000, 30000, 125, 100, 1, 0, 0},
        {300, 15000, 30000, 125, 100, 1, 299, 0},
        {300, 15000, 30000, 125, 100, 1, 300, 1},
        {300, 15000, 30000, 125, 400, 1, 300, 1},
        // No root move of this iteration has finished: stop even after a drop.
        {300, 15000, 30000, 125, 0, 0, 299, 0},
        {300, 15000, 30000, 125, 0, 0, 300, 1},
        // A drop of 40 buys two and a half targets, not above 350.
        {300, 15000, 30000, 140, 100, 1, 749, 0},
        {300, 15000, 30000, 140, 100, 1, 750, 1},
        {300, 15000, 30000, 440, 400, 1, 300, 1},
        {300, 15000, 30000, 460, 400, 1, 300, 1},
        // A drop of 100 buys six targets, above 350 as well.
        {300, 15000, 30000, 200, 100, 1, 1799, 0},
        {300, 15000, 30000, 200, 100, 1, 1800, 1},
        {300, 15000, 30000, 500, 400, 1, 1799, 0},
        {300, 15000, 30000, 500, 400, 1, 1800, 1},
        // Never past the maximum, nor into the last half second.
        {300, 1000, 30000, 200, 100, 1, 1000, 0},
        {300, 1000, 30000, 200, 100, 1, 1001, 1},
        {300, 15000, 800, 200, 100, 1, 749, 0},
        {300, 15000, 800, 200, 100, 1, 750, 1},
        {300, 15000, 700, 140, 100, 1, 649, 0},
        {300, 15000, 700, 140, 100, 1, 650, 1},
        // No time at all: stop at the first poll.
        {0, 0, 500, 200, 100, 1, 0, 1},
        {0, 0, 500, 200, 100, 0, 0, 1},
    };
    for (const Case& c : cases) {
        target_time = c.target;
        max_time = c.max;
        time_left = c.left;
        last_iteration_score = c.last_score;
        root_score = c.root_score;
        root_move_done = c.root_move_done;
        EXPECT_EQ(check_at(c.elapsed), c.stop)
            << "target " << c.target << " max " << c.max << " left " << c.left << " scores "
            << c.last_score << " -> " << c.root_score << " at " << c.elapsed;
    }
    // Every check rearms the poll countdown.
    poll_interval = 1234;
    poll_countdown = -7;
    check_at(10);
    EXPECT_EQ(poll_countdown, 1234);
}

TEST_F(Clock, PonderingIsNeverStoppedByTheClock) {
    target_time = max_time = 0;
    time_left = 0;
    pondering = 1;
    root_move_done = 0;
    EXPECT_EQ(check_at(100000), 0);
    EXPECT_EQ(check_at(0), 0);

    // A whole ponder search with the time used up and no input polls
    // many times and runs to its last iteration.
    StdinPipe in;
    ASSERT_TRUE(in.ok());
    const Position start = initial();
    clear_hash();
    clear_pawn_hash();
    max_iteration_depth = 4;
    poll_interval = INT32_MAX;
    poll_countdown = INT32_MAX;
    testing::internal::CaptureStdout();
    ASSERT_NE(iterate(start, 0), 0u);
    testing::internal::GetCapturedStdout();
    const std::uint32_t full = node_count;

    clear_hash();
    xboard_mode = 0;
    poll_interval = 100;
    poll_countdown = 100;
    clock_start = tick_count() - 1000000;
    testing::internal::CaptureStdout();
    EXPECT_EQ(iterate(start, 1), 0u);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(node_count, full);
    EXPECT_EQ(iteration_depth, 5);
    EXPECT_EQ(pondering, 0);
    EXPECT_EQ(abort_by_input, 1);
    EXPECT_EQ(out.substr(out.size() - 15), "Search aborted\n") << out;
    EXPECT_EQ(out.find("Nodes:"), std::string::npos);
}

// ---- input ----

TEST_F(Clock, InputCheckSeesWaitingBytesWithoutReadingThem) {
    StdinPipe in;
    ASSERT_TRUE(in.ok());
    EXPECT_EQ(input_check(), 0);
    ASSERT_TRUE(in.write("g")); // not even a whole line
    EXPECT_NE(input_check(), 0);
    EXPECT_NE(input_check(), 0);
    EXPECT_EQ(StdinPipe::read_some(), "g");
    EXPECT_EQ(input_check(), 0);
    in.close_write_end(); // the end of input counts as waiting input
    EXPECT_NE(input_check(), 0);
}

TEST_F(Clock, LineArrivingDuringADeepSearchStopsIt) {
    StdinPipe in;
    ASSERT_TRUE(in.ok());
    const Position start = initial();
    clear_hash();
    clear_pawn_hash();
    clock_start = tick_count();
    target_time = max_time = 1000000;
    poll_interval = 1000;
    poll_countdown = 1000;
    std::thread writer([&in] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        in.write("quit\n");
    });
    testing::internal::CaptureStdout();
    const Move m = iterate(start, 0); // depth 19: only the input can end it
    testing::internal::GetCapturedStdout();
    writer.join();
    EXPECT_EQ(m, 0u);
    EXPECT_EQ(abort_by_input, 1);
    EXPECT_EQ(StdinPipe::read_some(), "quit\n");
}

TEST_F(Clock, SearchWithoutTimeStopsAtTheFirstPollWithAMove) {
    StdinPipe in; // no input
    ASSERT_TRUE(in.ok());
    const Position start = initial();
    clear_hash();
    clear_pawn_hash();
    nps_estimate = 8000;
    time_left = 500;
    increment = 0;
    plies_played = 0;
    start_clock();
    EXPECT_EQ(target_time, 0);
    EXPECT_EQ(max_time, 0);
    EXPECT_EQ(poll_interval, 1000u);
    testing::internal::CaptureStdout();
    const Move m = iterate(start, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(move_is_legal(start, m));
    EXPECT_EQ(abort_search, 1);
    EXPECT_EQ(abort_by_input, 0);
    EXPECT_GE(node_count, 1000u);
    EXPECT_LT(node_count, 1100u);
}

} // namespace
