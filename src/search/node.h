// Inside the search: the state of the nodes by ply and the steps that the
// root, the alpha-beta nodes and the quiescence search share.
#pragma once

#include <algorithm>
#include <cstring>

#include "eval/eval.h"
#include "search/search.h"

constexpr int PV_LENGTH = LINE_LENGTH;
// Follows the 0 that ends a line cut short by an exact table hit.
constexpr Move PV_MARKER = Move(-2);
constexpr int NULL_MOVE_REDUCTION = 2; // the null move's child searches this much less deep
constexpr int DEEPENING_REDUCTION = 2; // internal deepening searches this much less deep
constexpr int DEEPENING_MIN_DEPTH = 3; // remaining depth from which a node deepens

// Only whether a node is PV_NODE is ever tested.
enum NodeType : int { PV_NODE = 0, ZERO_WINDOW_NODE = 1, NULL_MOVE_CHILD = 2 };

extern Position search_positions[MAX_PLY + 1];
extern Move pv_table[MAX_PLY][PV_LENGTH];
extern Move hash_move[MAX_PLY];
extern std::int32_t in_check[MAX_PLY + 1];
extern Move current_move[MAX_PLY];

int search_root(int depth);
// The root's lines of one iteration (multi_pv of them, or fewer moves); the
// score of the first, which is left in the first row of pv_table.
int search_root_lines(int depth);
int search(int ply, int depth, int alpha, int beta, int null_ok, NodeType node_type);
int quiesce(int ply, int alpha, int beta);

// The clock, the node limit and the input; true when the search must stop.
bool poll_stops_search();

// Counts down to the next look at the clock and the input; true when the
// search must stop now.
inline bool poll_says_stop() { return --poll_countdown <= 0 && poll_stops_search(); }

// Makes m on a copy of the ply's position in the next ply's slot; false when
// it leaves the mover's king attacked. Only a move from an exposing square
// (or en passant) is tested: the others cannot.
inline bool make_child(int ply, Move m, Bitboard exposing = ~Bitboard(0)) {
    Position& child = search_positions[ply + 1];
    child = search_positions[ply];
    make_move(child, m);
    return !may_expose_king(search_positions[ply], exposing, m) || !mover_in_check(child);
}

// What a quiescence node counts on entry.
inline void count_quiescence_node(int ply) {
    node_count++;
    quiescence_node_count++;
    poll_countdown--;
    sel_depth = std::max(sel_depth, ply);
    pv_table[ply][0] = 0;
}

// Would a quiescence node after m stand pat at once, below a parent whose
// lower bound is alpha? Its evaluation settles above the child's window
// (-beta, -alpha) from material alone when the mover stays that far behind
// alpha, and the mover's material rules out the bare-minor draw. Such a
// child is only counted, not made: it would return -alpha and change nothing.
inline bool child_stands_pat(const Position& pos, Move m, int alpha) {
    const int white = pos.white_to_move, promotion = move_promotion(m);
    const int own = (white ? pos.white_material : pos.black_material) +
                    (promotion ? piece_value[promotion] - piece_value[PAWN] : 0);
    const int other =
        (white ? pos.black_material : pos.white_material) - piece_value[move_captured(m)];
    return own > BARE_MINOR_MATERIAL && other - own > -alpha + LAZY_MARGIN;
}

// A node's check targets, found the first time they are asked for.
inline const CheckTargets& check_targets(const Position& pos, CheckTargets& targets, bool& found) {
    if (!found) {
        find_check_targets(pos, targets);
        found = true;
    }
    return targets;
}

// The key after m, for a prefetch only: castling, promotion and en passant
// captures are left out, as a wrong guess merely loads a line for nothing.
inline std::uint64_t guess_key_after(const Position& pos, Move m) {
    const int us = pos.white_to_move;
    const Square from = move_from(m), to = move_to(m);
    const int piece = move_piece(m);
    std::uint64_t key = pos.key ^ side_key ^ piece_keys[us][piece][from] ^
                        piece_keys[us][piece][to] ^ piece_keys[1 - us][move_captured(m)][to];
    if (pos.ep_target) key ^= ep_keys[pos.ep_square];
    if (piece == PAWN && (to - from == 16 || from - to == 16)) key ^= ep_keys[(from + to) / 2];
    return key;
}

// The child's depth limit: a move that gives check is searched a ply deeper.
inline int extend_checks(int ply, int depth) {
    in_check[ply + 1] = side_in_check(search_positions[ply + 1]);
    return depth + in_check[ply + 1];
}

// The line of ply: m, then the child's line (words past it are never read).
inline void copy_pv(int ply, Move m) {
    pv_table[ply][0] = m;
    std::memcpy(&pv_table[ply][1], pv_table[ply + 1], sizeof(Move) * (PV_LENGTH - 2 - ply));
}

// An exact table hit answers the node: its move, cut short and marked.
inline void hash_hit_pv(int ply, Move m) {
    pv_table[ply][0] = m;
    pv_table[ply][1] = 0;
    pv_table[ply][2] = PV_MARKER;
}
