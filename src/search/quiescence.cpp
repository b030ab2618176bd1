// Quiescence search: captures only, with stand pat, a material margin and
// exchange evaluation to drop hopeless and losing captures.
#include "eval/eval.h"
#include "search/picker.h"

namespace {

// A capture that cannot lift the score to alpha by this much is dropped.
constexpr int QUIESCENCE_MARGIN = 100;

} // namespace

int quiesce(int ply, int alpha, int beta) {
    count_quiescence_node(ply);
    const Position& pos = search_positions[ply];

    // stand pat
    const int static_score = evaluate(pos, alpha, beta);
    int margin;
    if (static_score > alpha) {
        if (static_score >= beta) return static_score;
        alpha = static_score;
        margin = 0;
    } else {
        margin = alpha - static_score - QUIESCENCE_MARGIN;
    }
    if (ply >= PLY_LIMIT) return alpha;

    // keep captures that can matter, best first
    Move* list = move_list[ply];
    const Move* end = generate_captures(pos, list);
    int n = 0;
    for (const Move* m = list; m != end; m++) {
        if (piece_value[move_captured(*m)] < margin || guarded_loss(pos, *m)) continue;
        const int s = capture_score(pos, *m);
        if (s > 0 || (s == 0 && margin < 0)) {
            capture_scores[n] = s;
            list[n++] = *m;
        }
    }
    sort_by_score(list, capture_scores, n);

    // A child that stands pat at once is counted, not made, when it is known
    // to be legal; the squares that may expose the king are found for the first.
    Bitboard exposing = 0;
    int exposing_found = 0, in_check_here = 0;
    for (int i = 0; i < n; i++) {
        if (child_stands_pat(pos, list[i], alpha)) {
            if (!exposing_found) {
                in_check_here = side_in_check(pos);
                exposing = exposing_squares(pos, in_check_here);
                exposing_found = 1;
            }
            if (known_legality(pos, exposing, in_check_here, list[i]) == 1) {
                count_quiescence_node(ply + 1);
                continue;
            }
        }
        if (!make_child(ply, list[i])) continue;
        const int v = -quiesce(ply + 1, -beta, -alpha);
        if (v > alpha) {
            if (v >= beta) return v;
            alpha = v;
            copy_pv(ply, list[i]);
        }
    }
    return alpha;
}
