// The staged move picker: hash move, good captures, killers, history
// picks, then the rest. Quiet moves are generated only when needed.
#include <utility>

#include "eval/eval.h"
#include "search/picker.h"
#include "shell/shell.h"

Move move_list[MAX_PLY][MOVE_LIST_SIZE];
Move* list_next[MAX_PLY];
Move* list_end[MAX_PLY];
std::int32_t move_phase[MAX_PLY];
std::int32_t good_capture_count[MAX_PLY];
Move hash_move[MAX_PLY];
Move killer1[MAX_PLY];
Move killer2[MAX_PLY];
std::int32_t history[4096];
std::int32_t capture_scores[MOVE_LIST_SIZE];

namespace {

// Highest positive history value in the range, first one met among equals.
Move* best_history(Move* begin, Move* end) {
    Move* best = nullptr;
    std::int32_t best_value = 0;
    for (Move* m = begin; m != end; m++) {
        const std::int32_t value = history[*m & 4095];
        if (value > best_value) {
            best_value = value;
            best = m;
        }
    }
    return best;
}

Move take(Move* slot) {
    const Move m = *slot;
    *slot = 0;
    return m;
}

} // namespace

// Stable sort of a move range by score, highest first: adjacent swaps
// until a pass swaps nothing.
void sort_by_score(Move* moves, std::int32_t* scores, int n) {
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int i = 0; i + 1 < n; i++) {
            if (scores[i] < scores[i + 1]) {
                std::swap(scores[i], scores[i + 1]);
                std::swap(moves[i], moves[i + 1]);
                swapped = true;
            }
        }
    }
}

int capture_score(const Position& pos, Move m) {
    const int s = piece_value[move_captured(m)] - piece_value[move_piece(m)];
    return s < 0 ? tradeoff(pos, m) : s;
}

Move next_move(const Position& pos, int ply) {
    for (;;) {
        switch (move_phase[ply]) {
        case 0: // hash move
            if (!hash_move[ply]) {
                move_phase[ply] = 1;
                continue;
            }
            move_phase[ply] = 1;
            if (move_is_valid(pos, hash_move[ply])) return hash_move[ply];
            error_report("Bad hash move at ply %d", ply);
            hash_move[ply] = 0;
            continue;
        case 1: { // generate and sort captures
            move_phase[ply] = 2;
            Move* begin = list_next[ply];
            list_end[ply] = generate_captures(pos, list_end[ply]);
            const int n = int(list_end[ply] - begin);
            good_capture_count[ply] = 0;
            for (int i = 0; i < n; i++) {
                const std::int32_t s =
                    begin[i] == hash_move[ply] ? -100000 : capture_score(pos, begin[i]);
                capture_scores[i] = s;
                if (s >= 0) good_capture_count[ply]++;
            }
            sort_by_score(begin, capture_scores, n);
            continue;
        }
        case 2: // good captures
            if (good_capture_count[ply] > 0) {
                good_capture_count[ply]--;
                return *list_next[ply]++;
            }
            move_phase[ply] = 3;
            continue;
        case 3: // killer 1
            move_phase[ply] = 4;
            if (killer1[ply] && move_is_valid(pos, killer1[ply])) return killer1[ply];
            continue;
        case 4: // killer 2
            move_phase[ply] = 5;
            if (killer2[ply] && move_is_valid(pos, killer2[ply])) return killer2[ply];
            continue;
        case 5: { // generate quiet moves, drop duplicates, first history pick
            list_end[ply] = generate_quiet(pos, list_end[ply]);
            const Move h = hash_move[ply], k1 = killer1[ply], k2 = killer2[ply];
            for (Move* m = list_next[ply]; m != list_end[ply]; m++)
                if (*m == h || *m == k1 || *m == k2) *m = 0;
            Move* pick = best_history(list_next[ply], list_end[ply]);
            if (pick) {
                move_phase[ply] = 6;
                return take(pick);
            }
            move_phase[ply] = 7;
            continue;
        }
        case 6: { // further history picks
            Move* pick = best_history(list_next[ply], list_end[ply]);
            if (pick) return take(pick);
            move_phase[ply] = 7;
            continue;
        }
        case 7: // the rest in list order
            while (list_next[ply] != list_end[ply] && !*list_next[ply]) list_next[ply]++;
            if (list_next[ply] == list_end[ply]) return 0;
            return *list_next[ply]++;
        default:
            error_report("Error: Illegal move_phase[ply].");
            return 0;
        }
    }
}
