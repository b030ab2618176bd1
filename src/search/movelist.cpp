// The staged move picker: hash move, good captures, killers, history
// picks, then the rest. Quiet moves are generated only when needed.
#include <algorithm>
#include <cstring>

#include "search/picker.h"

Move move_list[MAX_PLY][MOVE_LIST_SIZE];
Move* list_next[MAX_PLY];
Move* list_end[MAX_PLY];
PickerStage move_phase[MAX_PLY];
std::int32_t good_capture_count[MAX_PLY];
Move killer1[MAX_PLY];
Move killer2[MAX_PLY];
std::int32_t history[HISTORY_SIZE];
std::int32_t capture_scores[MOVE_LIST_SIZE];

namespace {

// Sorts a hash move that is a capture behind every other capture, so that
// it is neither handed out twice nor counted as a good capture.
constexpr std::int32_t HASH_CAPTURE_SCORE = -100000;

// Highest positive history value in the range, first one met among equals.
Move* best_history(Move* begin, Move* end) {
    Move* best = nullptr;
    std::int32_t best_value = 0;
    for (Move* m = begin; m != end; m++) {
        const std::int32_t value = history[history_index(*m)];
        if (value > best_value) {
            best_value = value;
            best = m;
        }
    }
    return best;
}

// The history picks of a ply: its moves with positive history, greatest
// first and in list order among equals, which is the order rescans would
// give as long as no history value changes (most picks, near the leaves,
// where children are quiescence nodes and credit nothing).
std::uint32_t history_changes = 0; // credits so far
Move* history_order[MAX_PLY][MOVE_LIST_SIZE];
int history_order_size[MAX_PLY], history_order_next[MAX_PLY];
std::uint32_t history_order_changes[MAX_PLY];

void order_history_picks(int ply) {
    Move** order = history_order[ply];
    std::int32_t values[MOVE_LIST_SIZE]; // beside the order: no lookup per comparison
    // The moves with positive history, gathered without a branch (which one
    // is has no pattern to predict), then sorted stably.
    int n = 0;
    for (Move* m = list_next[ply]; m != list_end[ply]; m++) {
        const std::int32_t value = history[history_index(*m)];
        order[n] = m;
        values[n] = value;
        n += value > 0;
    }
    sort_by_score(order, values, n);
    history_order_size[ply] = n;
    history_order_next[ply] = 0;
    history_order_changes[ply] = history_changes;
}

Move* next_history_pick(int ply) {
    if (history_order_changes[ply] != history_changes)
        return best_history(list_next[ply], list_end[ply]); // values changed: rescan
    const int next = history_order_next[ply];
    if (next == history_order_size[ply]) return nullptr;
    history_order_next[ply] = next + 1;
    return history_order[ply][next];
}

// The rest of the list comes out in its order: the moves handed out already
// (zeros) are squeezed out once, without a branch, so that a plain walk follows.
void start_remainder(int ply) {
    Move* kept = list_next[ply];
    for (Move* m = list_next[ply]; m != list_end[ply]; m++) {
        *kept = *m;
        kept += *m != 0;
    }
    list_end[ply] = kept;
    move_phase[ply] = STAGE_REMAINDER;
}

Move take(Move* slot) {
    const Move m = *slot;
    *slot = 0;
    return m;
}

} // namespace

void start_moves(int ply) {
    move_phase[ply] = STAGE_HASH_MOVE;
    list_next[ply] = list_end[ply] = move_list[ply];
}

void clear_move_ordering() {
    std::memset(killer1, 0, sizeof killer1);
    std::memset(killer2, 0, sizeof killer2);
    std::memset(history, 0, sizeof history);
}

void credit_quiet_move(int ply, int depth, Move m) {
    if (m != killer1[ply]) {
        killer2[ply] = killer1[ply];
        killer1[ply] = m;
    }
    history_changes++;
    // saturate: a very long ponder search must not overflow the counter
    std::int32_t& h = history[history_index(m)];
    h = std::int32_t(std::min<std::int64_t>(std::int64_t(h) + depth * depth, INT32_MAX));
}

Move peek_next_move(int ply) {
    switch (move_phase[ply]) {
    case STAGE_GOOD_CAPTURES:
        return good_capture_count[ply] > 0 ? *list_next[ply] : killer1[ply];
    case STAGE_KILLER1:
        return killer1[ply];
    case STAGE_KILLER2:
        return killer2[ply];
    case STAGE_HISTORY_PICKS: {
        const int next = history_order_next[ply];
        if (history_order_changes[ply] != history_changes || next == history_order_size[ply])
            return 0;
        return *history_order[ply][next];
    }
    case STAGE_REMAINDER:
        return list_next[ply] != list_end[ply] ? *list_next[ply] : 0;
    default:
        return 0;
    }
}

Move next_move(const Position& pos, int ply) {
    for (;;) {
        switch (move_phase[ply]) {
        case STAGE_HASH_MOVE:
            move_phase[ply] = STAGE_GENERATE_CAPTURES;
            if (!hash_move[ply]) continue;
            if (move_is_valid(pos, hash_move[ply])) return hash_move[ply];
            error_report("Bad hash move at ply %d", ply);
            hash_move[ply] = 0;
            continue;
        case STAGE_GENERATE_CAPTURES: {
            move_phase[ply] = STAGE_GOOD_CAPTURES;
            Move* begin = list_next[ply];
            list_end[ply] = generate_captures(pos, list_end[ply]);
            const int n = int(list_end[ply] - begin);
            good_capture_count[ply] = 0;
            for (int i = 0; i < n; i++) {
                const std::int32_t s =
                    begin[i] == hash_move[ply] ? HASH_CAPTURE_SCORE : capture_score(pos, begin[i]);
                capture_scores[i] = s;
                if (s >= 0) good_capture_count[ply]++;
            }
            sort_by_score(begin, capture_scores, n);
            continue;
        }
        case STAGE_GOOD_CAPTURES:
            if (good_capture_count[ply] > 0) {
                good_capture_count[ply]--;
                return *list_next[ply]++;
            }
            move_phase[ply] = STAGE_KILLER1;
            continue;
        case STAGE_KILLER1:
            move_phase[ply] = STAGE_KILLER2;
            if (killer1[ply] && move_is_valid(pos, killer1[ply])) return killer1[ply];
            continue;
        case STAGE_KILLER2:
            move_phase[ply] = STAGE_GENERATE_QUIET;
            if (killer2[ply] && move_is_valid(pos, killer2[ply])) return killer2[ply];
            continue;
        case STAGE_GENERATE_QUIET: { // drop what was handed out already, first history pick
            list_end[ply] = generate_quiet(pos, list_end[ply]);
            const Move h = hash_move[ply], k1 = killer1[ply], k2 = killer2[ply];
            for (Move* m = list_next[ply]; m != list_end[ply]; m++)
                if (*m == h || *m == k1 || *m == k2) *m = 0;
            order_history_picks(ply);
            Move* pick = next_history_pick(ply);
            if (pick) {
                move_phase[ply] = STAGE_HISTORY_PICKS;
                return take(pick);
            }
            start_remainder(ply);
            continue;
        }
        case STAGE_HISTORY_PICKS: {
            Move* pick = next_history_pick(ply);
            if (pick) return take(pick);
            start_remainder(ply);
            continue;
        }
        case STAGE_REMAINDER:
            if (list_next[ply] == list_end[ply]) return 0;
            return *list_next[ply]++;
        default:
            error_report("Error: Illegal move_phase[ply].");
            return 0;
        }
    }
}
