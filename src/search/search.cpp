// Alpha-beta search of the nodes below the root: draw rules, table probe,
// null move, internal deepening, check extension and PVS.
#include <algorithm>
#include <cstring>

#include "game/game.h"
#include "search/picker.h"
#include "shell/shell.h"

Position search_positions[MAX_PLY + 1];
Move pv_table[MAX_PLY][PV_LENGTH];
std::int32_t in_check[MAX_PLY + 1];
Move current_move[MAX_PLY];

int draw_score(const Position& pos) { return pos.white_to_move == engine_colour ? -30 : 30; }

void repetition_check(Position& pos) { pos.repetition = earlier_occurrences(pos, 1); }

namespace {

void credit_quiet_move(int ply, int depth, Move m) {
    if (m != killer1[ply]) {
        killer2[ply] = killer1[ply];
        killer1[ply] = m;
    }
    // saturate: a very long ponder search must not overflow the counter
    std::int32_t& h = history[m & 4095];
    h = std::int32_t(std::min<std::int64_t>(std::int64_t(h) + depth * depth, INT32_MAX));
}

inline void copy_pv(int ply, Move m) {
    pv_table[ply][0] = m;
    std::memcpy(&pv_table[ply][1], pv_table[ply + 1], sizeof(Move) * (21 - ply));
}

} // namespace

int search(int ply, int depth, int alpha, int beta, int null_ok, int node_type) {
    // 1. horizon
    if (ply >= depth || ply >= PLY_LIMIT) {
        horizon_count++;
        return quiesce(ply, alpha, beta);
    }
    const int alpha0 = alpha;
    Position& pos = search_positions[ply];

    // 2. bookkeeping
    node_count++;
    int best = -INFINITY_SCORE;
    pv_table[ply][0] = 0;

    // 3. poll the clock and the input
    if (--poll_countdown <= 0) {
        if (time_check()) {
            abort_search = 1;
            return alpha0;
        }
        if (input_check()) {
            abort_search = 1;
            abort_by_input = 1;
            return alpha0;
        }
    }

    // 4. fifty-move rule
    const long window = long(pos.history_end - pos.history_start);
    if (window > 100) {
        pos.repetition = 0;
        return draw_score(pos);
    }

    // 5. repetitions: once is marked, twice is a draw
    const int occurrences = earlier_occurrences(pos, 2);
    pos.repetition = occurrences > 0;
    if (occurrences == 2) return draw_score(pos);

    // 6. table probe
    int hash_score;
    Move stored;
    const int bound = hash_probe(pos, ply, depth, &hash_score, &stored);
    hash_move[ply] = stored;
    bool try_null = true;
    switch (bound) {
    case EXACT:
        if (!move_is_valid(pos, stored)) {
            error_report("Bad EXACT hash move found! (ply=%d)", ply);
            hash_move[ply] = 0;
        } else if (alpha < hash_score && hash_score < beta) {
            pv_table[ply][0] = stored;
            pv_table[ply][1] = 0;
            pv_table[ply][2] = PV_MARKER;
            hash_hit_count++;
            return hash_score;
        }
        break;
    case LOWER:
        if (hash_score >= beta) {
            hash_hit_count++;
            fail_high_count++;
            hash_fail_high_count++;
            return hash_score;
        }
        break;
    case UPPER:
        if (hash_score <= alpha) {
            hash_hit_count++;
            return hash_score;
        }
        if (hash_score < beta) try_null = false;
        break;
    case SHALLOW:
        if (hash_score < beta) try_null = false;
        break;
    default:
        break;
    }

    // 7. null move
    const int pieces = pos.white_to_move ? pos.white_nonpawn_count : pos.black_nonpawn_count;
    if (try_null && null_ok && !in_check[ply] && pieces > 1) {
        Position& child = search_positions[ply + 1];
        child = pos;
        if (child.ep_target) {
            child.key ^= ep_keys[child.ep_square];
            child.ep_target = 0;
            child.ep_square = -1;
        }
        child.white_to_move ^= 1;
        child.key ^= side_key;
        *child.history_end++ = child.key;
        current_move[ply] = 0;
        in_check[ply + 1] = 0;
        const int v = -search(ply + 1, depth - 2, -beta, -beta + 1, 0, 2);
        if (abort_search) return alpha0;
        if (v >= beta) {
            fail_high_count++;
            null_fail_high_count++;
            hash_store(pos, ply, depth, v, LOWER, 0);
            return v;
        }
    }

    // 8. internal deepening when a PV node has no move to try first
    if (!hash_move[ply] && node_type == 0 && depth - ply > 2) {
        current_move[ply] = 0;
        const int r = search(ply, depth - 2, alpha, beta, 1, 0);
        if (abort_search) return alpha0;
        if (r >= beta)
            hash_move[ply] = current_move[ply];
        else if (r > alpha)
            hash_move[ply] = pv_table[ply][0];
    }

    // 9. move loop
    int moves_searched = 0;
    move_phase[ply] = 0;
    list_next[ply] = list_end[ply] = move_list[ply];
    current_move[ply] = 0;
    for (Move m; (m = next_move(pos, ply));) {
        Position& child = search_positions[ply + 1];
        child = pos;
        make_move(child, m);
        if (mover_in_check(child)) continue;
        current_move[ply] = m;
        const int gives_check = side_in_check(child);
        in_check[ply + 1] = gives_check;
        const int child_depth = depth + gives_check;
        int v;
        if (moves_searched == 0) {
            v = -search(ply + 1, child_depth, -beta, -alpha, 1, node_type);
        } else {
            v = -search(ply + 1, child_depth, -alpha - 1, -alpha, 1, 1);
            if (abort_search) return alpha;
            if (alpha < v && v < beta)
                v = -search(ply + 1, child_depth, -beta, -alpha, 1, node_type);
        }
        if (abort_search) return alpha;
        moves_searched++;
        if (v > best) {
            if (v <= alpha) {
                best = v;
            } else if (v < beta) {
                alpha = best = v;
                copy_pv(ply, m);
            } else {
                if (!move_captured(m) && !move_promotion(m)) credit_quiet_move(ply, depth, m);
                fail_high_count++;
                if (moves_searched == 1) fail_high_first_count++;
                hash_store(pos, ply, depth, v, LOWER, m);
                return v;
            }
        }
    }

    // 10. mate, stalemate or the result of the loop
    if (!moves_searched) return in_check[ply] ? ply - MATE_SCORE : 0;
    if (alpha > alpha0) {
        hash_store(pos, ply, depth, alpha, EXACT, pv_table[ply][0]);
        return alpha;
    }
    hash_store(pos, ply, depth, best, UPPER, 0);
    return alpha0;
}
