// Iterative deepening, the node-rate estimate and the search statistics.
#include <cstdio>

#include "search/picker.h"

std::int32_t abort_search = 0;
std::int32_t abort_by_input = 0;
std::int32_t pondering = 0;
std::int32_t root_move_done = 0;
std::int32_t root_score = 0;
std::int32_t last_iteration_score = 0;
std::int32_t iteration_depth = 0;
std::int32_t max_iteration_depth = PLY_LIMIT;
std::uint64_t node_limit = NO_NODE_LIMIT;
Move ponder_move = 0;
std::uint32_t nps_estimate = 1000;
double branch_factor = 0.0;
std::uint64_t node_count = 0;
std::uint64_t quiescence_node_count = 0;
std::uint64_t horizon_count = 0;
std::uint64_t fail_high_count = 0;
std::uint64_t fail_high_first_count = 0;
std::uint64_t hash_fail_high_count = 0;
std::uint64_t null_fail_high_count = 0;
std::uint64_t hash_hit_count = 0;

namespace {

InputVerdict stop_for_input() { return STOP_FOR_INPUT; }
bool search_on(int, int, Move) { return false; }

} // namespace

InputVerdict (*answer_input)() = stop_for_input;
int (*clock_says_stop)() = time_check;
bool (*iteration_ends_search)(int depth, int score, Move best) = search_on;

namespace {

std::uint64_t nps_sum = 0;
std::uint32_t nps_samples = 0;

void reset_search_state() {
    iteration_depth = 1;
    node_count = quiescence_node_count = horizon_count = hash_hit_count = 0;
    fail_high_count = fail_high_first_count = hash_fail_high_count = null_fail_high_count = 0;
    abort_search = abort_by_input = 0;
    root_score = last_iteration_score = 0;
    clear_move_ordering();
    pv_table[0][0] = 0;
    ponder_move = 0;
}

void update_nps(std::uint32_t nps) {
    if (nps != 0) {
        nps_sum += nps;
        nps_samples++;
        nps_estimate = std::uint32_t(nps_sum / nps_samples);
    }
    if (console_mode()) std::printf("New NPS value: %lu\n", (unsigned long)nps_estimate);
}

} // namespace

bool poll_stops_search() {
    if (clock_says_stop() || node_count >= node_limit) {
        abort_search = 1;
        return true;
    }
    // Poll again exactly when the limit is reached, so that a node-limited
    // search stops at the same node whatever the node rate.
    if (node_limit - node_count < std::uint64_t(poll_countdown))
        poll_countdown = std::int32_t(node_limit - node_count);
    if (!input_check()) return false;
    switch (answer_input()) {
    case GO_ON:
        return false;
    case STOP_WITH_MOVE:
        abort_search = 1;
        return true;
    default:
        abort_search = abort_by_input = 1;
        return true;
    }
}

Move expected_reply(Position& pos) {
    repetition_check(pos);
    int score;
    Move stored;
    hash_probe(pos, 0, MAX_PLY - 1, &score, &stored); // only the move is used
    return move_is_valid(pos, stored) ? stored : 0;
}

double ratio(double numerator, double denominator) {
    return denominator != 0.0 ? numerator / denominator : 0.0;
}

Move iterate(const Position& pos, int ponder) {
    reset_search_state();
    std::uint64_t cpu_start = 0;
    std::uint32_t wall_start = 0;
    if (ponder) {
        pondering = 1;
    } else {
        pondering = 0;
        cpu_start = process_clock_ms();
        wall_start = tick_count();
    }
    in_check[0] = side_in_check(pos);
    search_positions[0] = pos;

    std::uint64_t previous_nodes = 0;
    while (iteration_depth <= max_iteration_depth) {
        if (iteration_depth > 1) root_score = last_iteration_score;
        const std::uint64_t nodes_before = node_count;
        const int score = search_root_lines(iteration_depth);
        if (abort_search) break;
        if (report_iteration) report_iteration(iteration_depth);
        last_iteration_score = score;
        if (score > MATE_THRESHOLD) break;
        if (score < iteration_depth - MATE_SCORE) break;
        if (iteration_ends_search(iteration_depth, score, pv_table[0][0])) break;
        const std::uint64_t nodes = node_count - nodes_before;
        if (iteration_depth >= 2) branch_factor = ratio(double(nodes), double(previous_nodes));
        previous_nodes = nodes;
        iteration_depth++;
    }

    if (pondering) abort_by_input = 1;
    pondering = 0;
    if (abort_by_input || ponder) {
        if (console_mode() && abort_by_input) std::printf("Search aborted\n");
        return 0;
    }

    const std::uint64_t cpu_ms = process_clock_ms() - cpu_start;
    const std::uint32_t wall_ms = tick_count() - wall_start;
    const double cpu_seconds = double(cpu_ms) * 0.001;
    if (wall_ms != 0) update_nps(std::uint32_t(node_count * 1000 / wall_ms));
    if (console_mode()) {
        const double nodes = double(node_count);
        std::printf("Nodes: %llu  CPU seconds: %.2f  Nodes/csecond: %.2f  Cpu=%0.2f%%\n",
                    (unsigned long long)node_count, cpu_seconds, ratio(nodes, cpu_seconds),
                    ratio(cpu_seconds * 100000, double(wall_ms)));
        std::printf("Hashtable hits: %llu (%0.2f%%), branch factor: %.2lf\n",
                    (unsigned long long)hash_hit_count,
                    ratio(100.0 * double(hash_hit_count), nodes), branch_factor);
        std::printf("Fail-high: %.2f%%, fail-high-first: %.2f%% (quotient=%.2f%%), quiet: %.2f%%\n",
                    ratio(100.0 * double(fail_high_count), nodes),
                    ratio(100.0 * double(fail_high_first_count), nodes),
                    ratio(100.0 * double(fail_high_first_count), double(fail_high_count)),
                    ratio(100.0 * double(quiescence_node_count), nodes));
    }
    if (pv_table[0][0]) ponder_move = pv_table[0][1];
    return pv_table[0][0];
}
