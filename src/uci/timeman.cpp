// The clock of a UCI game (go wtime btime winc binc movestogo): how long the
// move may take, and after each iteration whether to go on. Console and
// xboard mode keep their own clock (game/time.cpp).
#include <algorithm>

#include "uci/uci.h"

namespace {

// The constants, and the matches that set them, are in the README's
// "Tuning the clock".
// Each move costs the overhead and up to a poll of the search's clock.
constexpr long long POLL_LAG = 5, FLOOR_LAGS = 30;
// Sudden death: plan the time as if this many moves were left at the start,
// one fewer every HORIZON_PLIES plies, and never fewer than LATE_HORIZON.
constexpr long long MOVES_HORIZON = 50, LATE_HORIZON = 20, HORIZON_PLIES = 4;
// The maximum keeps back a tenth of the clock, less one increment but at
// least a fiftieth (the increment comes only after the move), besides the
// overhead; and it is at most STRETCH optimum times, and half the clock.
constexpr long long RESERVE_SHARE = 10, LEAST_RESERVE_SHARE = 50, STRETCH = 5;
// The optimum grows by CHANGE_WEIGHT for a new best move (the count halves
// every iteration), shrinks to STABLE_SCALE after STABLE_ITERATIONS with
// the same move, and doubles for a drop of DROP_SCALE centipawns.
constexpr double CHANGE_WEIGHT = 0.6, STABLE_SCALE = 0.7;
constexpr int STABLE_ITERATIONS = 4, DROP_SCALE = 100, DROP_CAP = 150;
// The next iteration takes between these multiples of the last one, and is
// started only when it should end within FINISH optimums (scaled).
constexpr double MIN_GROWTH = 1.5, MAX_GROWTH = 6.0, FINISH = 1.5;

MoveTime budget;
bool clocked = false;     // a move on the clock, not depth, nodes or movetime
bool only_move = false;   // one legal move: the first iteration answers
std::uint32_t start_tick; // when go arrived
std::uint32_t iteration_start;
std::uint32_t last_iteration_ms;
std::uint64_t last_iteration_nodes, nodes_before;
Move last_best;
int last_score, same_best;
double changes, scale;

std::uint32_t elapsed_ms() { return tick_count() - start_tick; }

} // namespace

MoveTime move_time(long long time_ms, long long increment_ms, long long moves_to_go,
                   long long overhead_ms, int plies) {
    const long long increment = std::max(increment_ms, 0LL);
    const long long lag = std::max(overhead_ms, 0LL) + POLL_LAG;
    const long long available = std::max(time_ms - lag, 0LL);
    const long long reserve =
        lag + std::max(available / RESERVE_SHARE - increment, available / LEAST_RESERVE_SHARE);
    const long long spendable = std::max(available - reserve, 0LL);
    if (moves_to_go == 1) return {spendable, spendable}; // the clock is refilled after it
    long long horizon = std::max(MOVES_HORIZON - plies / HORIZON_PLIES, LATE_HORIZON);
    if (moves_to_go > 1) horizon = std::min(horizon, moves_to_go);
    // never more than half of the clock: the control may end sooner than planned
    const long long most = std::min(spendable, available / 2);
    // Below a floor of some lags the moves spend a shrinking share of the
    // increment, so that the clock grows back whatever the real lag.
    const long long floor = lag * FLOOR_LAGS;
    const long long share = increment * std::min(available, floor) / floor;
    const long long planned = std::max(available - floor, 0LL) + share * (horizon - 1);
    const long long optimum = std::min(planned / horizon, most);
    return {optimum, std::min(optimum * STRETCH, most)};
}

void start_move_time(const MoveTime& limits, bool on_clock, std::uint32_t go_tick, int moves) {
    budget = limits;
    clocked = on_clock;
    only_move = moves == 1;
    start_tick = iteration_start = go_tick;
    last_iteration_ms = 0;
    last_iteration_nodes = nodes_before = 0;
    last_best = 0;
    last_score = same_best = 0;
    changes = 0.0;
    scale = 1.0;
}

void run_move_clock(bool running) { clocked = running; }

bool move_time_over() { return clocked && elapsed_ms() >= budget.maximum; }

bool optimum_spent() { return clocked && elapsed_ms() >= budget.optimum * scale; }

bool move_time_spent(int depth, int score, Move best) {
    const std::uint32_t now = tick_count();
    const std::uint64_t nodes = node_count - nodes_before;
    const double growth =
        last_iteration_nodes
            ? std::clamp(double(nodes) / double(last_iteration_nodes), MIN_GROWTH, MAX_GROWTH)
            : MAX_GROWTH;
    last_iteration_ms = now - iteration_start;
    last_iteration_nodes = nodes;
    nodes_before = node_count;
    iteration_start = now;

    changes *= 0.5;
    if (depth > 1 && best != last_best) {
        changes += 1.0;
        same_best = 0;
    } else {
        same_best++;
    }
    const int drop = depth > 1 ? std::clamp(last_score - score, 0, DROP_CAP) : 0;
    last_best = best;
    last_score = score;
    scale = (1.0 + CHANGE_WEIGHT * changes) * (1.0 + double(drop) / DROP_SCALE);
    if (same_best >= STABLE_ITERATIONS) scale *= STABLE_SCALE;
    scale = std::min(scale, double(STRETCH));

    if (!clocked) return false;
    if (only_move) return true;
    const double elapsed = double(now - start_tick), optimum = double(budget.optimum) * scale;
    const double next_end = elapsed + last_iteration_ms * growth;
    return elapsed >= optimum || next_end > optimum * FINISH || next_end > double(budget.maximum);
}
