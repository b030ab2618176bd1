// The engine's clock: time allocation per move and the time check that
// stops a running search.
#include <algorithm>
#include <cstdio>

#include "game/game.h"

std::uint32_t clock_start = 0;
std::int32_t target_time = 0;
std::int32_t max_time = 0;
std::uint32_t poll_interval = 100000;
std::int32_t poll_countdown = 0;

namespace {

// Clock times in centiseconds.
constexpr std::int32_t ONE_SECOND = 100, TEN_SECONDS = 1000, ONE_MINUTE = 6000;
constexpr std::int32_t TWO_MINUTES = 12000;
constexpr std::int32_t CLOCK_RESERVE = 50; // never think into the last half second
// Score drops (centipawns, against the last finished iteration) that buy time.
constexpr int SMALL_DROP = 25, LARGE_DROP = 60;
constexpr int WINNING = 350; // above this a drop of up to LARGE_DROP buys nothing

std::uint32_t elapsed_centiseconds() { return (tick_count() - clock_start) / 10; }

} // namespace

void allocate_time_for(std::int32_t increment_cs, int moves_to_go) {
    int divisor = plies_played > 60 ? 20 : (100 - plies_played) / 2;
    if (moves_to_go > 0 && moves_to_go < divisor) divisor = moves_to_go;
    target_time = (time_left / divisor) / 2 + 3 * increment_cs / 4;
    max_time = time_left / 2;
    if (increment_cs == 0 && time_left < TWO_MINUTES) max_time = (2 * time_left) / divisor;
    if (time_left < TEN_SECONDS && moves_to_go == 0) {
        // sudden death nearly over: live on the increment (a control that
        // ends after a known number of moves gives the time back instead)
        if (increment_cs != 0) {
            max_time = 4 * increment_cs / 5;
            target_time = increment_cs / 2;
        } else {
            max_time = target_time = 0;
        }
    }
}

void allocate_time() { allocate_time_for(ONE_SECOND * increment, 0); }

void start_clock() {
    clock_start = tick_count();
    if (time_left < ONE_SECOND)
        poll_interval = nps_estimate >> 3;
    else if (time_left < ONE_MINUTE)
        poll_interval = nps_estimate >> 2;
    else if (time_left < TWO_MINUTES)
        poll_interval = increment > 1 ? nps_estimate >> 1 : nps_estimate >> 2;
    else
        poll_interval = nps_estimate >> 1;
    // With little time left the first poll must come early: about 1/60 of
    // the time left at the measured node rate, and never less than 1000 nodes.
    const std::int64_t left = std::max<std::int64_t>(time_left, 0);
    const std::int64_t cap =
        std::max<std::int64_t>(1000, std::int64_t(nps_estimate) * left / ONE_MINUTE);
    poll_interval = std::uint32_t(std::min<std::int64_t>(poll_interval, cap));
    poll_countdown = std::int32_t(std::min<std::uint32_t>(poll_interval, INT32_MAX));
    allocate_time();
    if (console_mode()) std::printf("Start clock at %0.2f\n", time_left * 0.01);
}

void stop_clock() {
    const std::int64_t elapsed = elapsed_centiseconds();
    const std::int64_t left =
        std::int64_t(time_left) + ONE_SECOND * std::int64_t(increment) - elapsed;
    time_left = std::int32_t(std::clamp<std::int64_t>(left, -CLOCK_LIMIT, CLOCK_LIMIT));
    if (console_mode()) std::printf("Stop clock, time remaining %0.2f\n", time_left * 0.01);
}

int time_check() {
    const std::uint32_t elapsed = elapsed_centiseconds();
    poll_countdown = std::int32_t(std::min<std::uint32_t>(poll_interval, INT32_MAX));
    if (pondering) return 0;
    if (elapsed > std::uint32_t(max_time)) return 1;
    if (elapsed < std::uint32_t(target_time)) return 0;
    if (!root_move_done) return 1;
    if (root_score >= last_iteration_score - SMALL_DROP) return 1;
    if (root_score > WINNING && root_score >= last_iteration_score - LARGE_DROP) return 1;
    const bool reserve_left = std::int32_t(elapsed) + CLOCK_RESERVE < time_left;
    if (double(elapsed) < 2.5 * target_time && reserve_left) return 0;
    if (root_score >= last_iteration_score - LARGE_DROP) return 1;
    if (elapsed >= 6 * std::uint32_t(target_time)) return 1;
    return reserve_left ? 0 : 1;
}
