// Root search of one iteration and the thinking line.
#include <algorithm>
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
void (*report_iteration)(int depth) = nullptr;
void (*report_root_move)(int depth, Move m, int number) = nullptr;

std::int32_t multi_pv = 1;
Move search_moves[MAX_MOVES];
std::int32_t search_move_count = 0;
RootLine root_lines[MAX_LINES];
std::int32_t root_line_count = 0;
std::int32_t line_index = 0;
std::int32_t sel_depth = 0;

namespace {

// A move the root leaves out: a line already found in this iteration, or
// one outside the moves it was given.
bool root_move_skipped(Move m) {
    for (int i = 0; i < line_index; i++)
        if (root_lines[i].pv[0] == m) return true;
    return search_move_count && std::find(search_moves, search_moves + search_move_count, m) ==
                                    search_moves + search_move_count;
}

int root_move_total() {
    Move list[MAX_MOVES];
    const Move* end = legal_moves(search_positions[0], list);
    int total = 0;
    for (const Move* m = list; m != end; m++) total += !root_move_skipped(*m);
    return total;
}

} // namespace

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
    // A root that leaves moves out neither takes nor stores the root's score.
    const bool filtered = line_index > 0 || search_move_count > 0;
    if (bound == EXACT && !filtered) {
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
        if (filtered && root_move_skipped(m)) continue;
        if (!make_child(0, m, exposing)) continue;
        if (report_root_move) report_root_move(depth, m, moves_searched + 1);
        const int child_depth = extend_checks(0, depth);
        int v;
        if (moves_searched == 0) {
            v = -search(1, child_depth, -INFINITY_SCORE, -best, 1, PV_NODE);
        } else {
            v = -search(1, child_depth, -best - 1, -best, 1, ZERO_WINDOW_NODE);
            if (abort_search) return best;
            if (v > best) {
                // announce the candidate before its re-search
                if (!line_index) root_score = v;
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
            best = v;
            if (!line_index) root_score = v;
            copy_pv(0, m);
            report_line(depth, v, pv_table[0]);
        }
    }

    // 6. no legal move, or store the result
    if (!moves_searched) {
        if (!pondering && !filtered) error_report("Error: mate or stalemate found at root!");
        return in_check[0] ? -MATE_SCORE : 0;
    }
    if (!filtered) hash_store(root, 0, depth, best, EXACT, pv_table[0][0]);
    return best;
}

int search_root_lines(int depth) {
    sel_depth = line_index = 0;
    // One line of every move is the plain search.
    const int lines =
        multi_pv == 1 && !search_move_count ? 1 : std::min(int(multi_pv), root_move_total());
    int first = 0, found = 0;
    for (line_index = 0; line_index < lines; line_index++) {
        const int score = search_root(depth);
        if (abort_search) break;
        if (!line_index) first = score;
        root_lines[line_index].score = score;
        std::memcpy(root_lines[line_index].pv, pv_table[0], sizeof root_lines[0].pv);
        found++;
    }
    line_index = 0;
    if (lines == 1) {
        if (found) root_line_count = 1;
        return first;
    }
    // the search's answer is the first line's
    if (found) std::memcpy(pv_table[0], root_lines[0].pv, sizeof root_lines[0].pv);
    if (abort_search) return first;
    // each line below the first is the best outside those above it, but a
    // later search may score higher: in order of score, stable
    for (int i = 2; i < found; i++)
        for (int j = i; j > 1 && root_lines[j - 1].score < root_lines[j].score; j--)
            std::swap(root_lines[j - 1], root_lines[j]);
    root_line_count = found;
    return first;
}
