// Root search of one iteration and the thinking line.
#include <cstdio>
#include <cstring>

#include "search/picker.h"

void print_pv(int depth, int score, const Move* line) {
    char head[64];
    char moves[250];
    std::snprintf(head, sizeof head, "  %d %d 0 %llu", depth, score,
                  (unsigned long long)node_count);
    std::size_t used = 0;
    moves[0] = 0;
    int i = 0;
    for (; i < PV_LENGTH && line[i]; i++) {
        char text[MOVE_TEXT_SIZE];
        const int n =
            std::snprintf(moves + used, sizeof moves - used, " %s", move_text(line[i], text));
        if (n < 0 || used + std::size_t(n) >= sizeof moves) break;
        used += std::size_t(n);
    }
    if (i + 1 < PV_LENGTH && !line[i] && line[i + 1] == PV_MARKER && used + 2 < sizeof moves)
        std::strcat(moves, " !");
    std::printf("%s%s\n", head, moves);
}

void (*report_line)(int depth, int score, const Move* line) = print_pv;

int search_root(int depth) {
    Position& root = search_positions[0];

    // 1. poll
    node_count++;
    if (poll_says_stop()) return -INFINITY_SCORE;

    // 2-4. repetition flag, then the table
    repetition_check(root);
    int hash_score;
    Move stored;
    const int bound = hash_probe(root, 0, depth, &hash_score, &stored);
    hash_move[0] = stored;
    if (bound == EXACT) {
        if (!move_is_valid(root, stored)) {
            error_report("Bad EXACT hash move found at root!");
        } else if (hash_score > -INFINITY_SCORE && hash_score < INFINITY_SCORE) {
            hash_hit_pv(0, stored);
            report_line(depth, hash_score, pv_table[0]);
            hash_hit_count++;
            return hash_score;
        }
    }

    // 5. move loop with a window that only has a lower edge
    int moves_searched = 0;
    int best = -INFINITY_SCORE;
    root_move_done = 0;
    start_moves(0);
    const Bitboard exposing = exposing_squares(root, in_check[0]);
    for (Move m; (m = next_move(root, 0));) {
        // white and black can hand the move to the side giving check
        if (move_captured(m) == KING) continue;
        if (!make_child(0, m, exposing)) continue;
        const int child_depth = extend_checks(0, depth);
        int v;
        if (moves_searched == 0) {
            v = -search(1, child_depth, -INFINITY_SCORE, -best, 1, PV_NODE);
        } else {
            v = -search(1, child_depth, -best - 1, -best, 1, ZERO_WINDOW_NODE);
            if (abort_search) return best;
            if (v > best) {
                // announce the candidate before its re-search
                root_score = v;
                pv_table[0][0] = m;
                pv_table[0][1] = 0;
                pv_table[0][2] = 0;
                report_line(depth, v, pv_table[0]);
                v = -search(1, child_depth, -INFINITY_SCORE, -best, 1, PV_NODE);
            }
        }
        if (abort_search) return best;
        root_move_done = 1;
        moves_searched++;
        if (v > best) {
            best = root_score = v;
            copy_pv(0, m);
            report_line(depth, v, pv_table[0]);
        }
    }

    // 6. no legal move, or store the result
    if (!moves_searched) {
        if (!pondering) error_report("Error: mate or stalemate found at root!");
        return in_check[0] ? -MATE_SCORE : 0;
    }
    hash_store(root, 0, depth, best, EXACT, pv_table[0][0]);
    return best;
}
