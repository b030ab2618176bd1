// Alpha-beta search of the nodes below the root: draw rules, table probe,
// null move, internal deepening, check extension and PVS.
#include <algorithm>

#include "search/picker.h"

Position search_positions[MAX_PLY + 1];
Move pv_table[MAX_PLY][PV_LENGTH];
Move hash_move[MAX_PLY];
std::int32_t in_check[MAX_PLY + 1];
Move current_move[MAX_PLY];

// Every ply of the deepest path appends a key, a null move included, and
// the ponder move appends one before its search.
static_assert(KEY_HISTORY_RESERVE >= MAX_PLY + 1, "the game leaves too little key history");

int search(int ply, int depth, int alpha, int beta, int null_ok, NodeType node_type) {
    // 1. horizon
    if (ply >= depth || ply >= PLY_LIMIT) {
        horizon_count++;
        return quiesce(ply, alpha, beta);
    }
    const int alpha0 = alpha;
    Position& pos = search_positions[ply];

    // 2. bookkeeping
    node_count++;
    sel_depth = std::max(sel_depth, ply);
    int best = -INFINITY_SCORE;
    pv_table[ply][0] = 0;

    // 3. poll the clock and the input
    if (poll_says_stop()) return alpha0;

    // 4-5. the fifty-move rule; repetitions: once is marked, twice is a draw
    if (game_draw_check(pos)) return draw_score(pos);

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
            hash_hit_pv(ply, stored);
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
    case SHALLOW: // too shallow to decide, but below beta: a null move would not cut
        if (hash_score < beta) try_null = false;
        break;
    default:
        break;
    }

    // 7. null move, for a side with more than one piece besides pawns and king
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
        prefetch_hash(child.key);
        *child.history_end++ = child.key;
        current_move[ply] = 0;
        in_check[ply + 1] = 0;
        const int v =
            -search(ply + 1, depth - NULL_MOVE_REDUCTION, -beta, -beta + 1, 0, NULL_MOVE_CHILD);
        if (abort_search) return alpha0;
        if (v >= beta) {
            fail_high_count++;
            null_fail_high_count++;
            hash_store(pos, ply, depth, v, LOWER, 0);
            return v;
        }
    }

    // 8. internal deepening when a PV node has no move to try first
    if (!hash_move[ply] && node_type == PV_NODE && depth - ply >= DEEPENING_MIN_DEPTH) {
        current_move[ply] = 0;
        const int r = search(ply, depth - DEEPENING_REDUCTION, alpha, beta, 1, PV_NODE);
        if (abort_search) return alpha0;
        if (r >= beta)
            hash_move[ply] = current_move[ply];
        else if (r > alpha)
            hash_move[ply] = pv_table[ply][0];
    }

    // 9. move loop
    int moves_searched = 0;
    start_moves(ply);
    current_move[ply] = 0;
    const Bitboard exposing = exposing_squares(pos, in_check[ply]);
    // At the frontier a child that gives no check is a quiescence node: one
    // that stands pat at once is counted, not made.
    const bool frontier = ply + 1 >= depth;
    CheckTargets checks;
    bool checks_found = false;
    for (Move m; (m = next_move(pos, ply));) {
        if (frontier && child_stands_pat(pos, m, alpha) &&
            known_legality(pos, exposing, in_check[ply], m) == 1 &&
            !may_give_check(pos, check_targets(pos, checks, checks_found), m)) {
            current_move[ply] = m;
            in_check[ply + 1] = 0;
            horizon_count++;
            count_quiescence_node(ply + 1);
            moves_searched++;
            best = std::max(best, alpha); // the child's score
            continue;
        }
        if (!make_child(ply, m, exposing)) continue;
        current_move[ply] = m;
        const int child_depth = extend_checks(ply, depth);
        if (ply + 1 < child_depth) prefetch_hash(search_positions[ply + 1].key);
        // The next sibling probes too: most often its entry loads while this
        // child's subtree is searched.
        if (ply + 1 < depth)
            if (const Move next = peek_next_move(ply)) prefetch_hash(guess_key_after(pos, next));
        int v;
        if (moves_searched == 0) {
            v = -search(ply + 1, child_depth, -beta, -alpha, 1, node_type);
        } else {
            v = -search(ply + 1, child_depth, -alpha - 1, -alpha, 1, ZERO_WINDOW_NODE);
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
