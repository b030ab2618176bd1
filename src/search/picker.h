// The move picker: the stages a node's moves come out in, the move lists by
// ply, killers and history, and the capture scores it sorts by.
#pragma once

#include "eval/eval.h"
#include "search/node.h"

enum PickerStage : int {
    STAGE_HASH_MOVE,
    STAGE_GENERATE_CAPTURES,
    STAGE_GOOD_CAPTURES,
    STAGE_KILLER1,
    STAGE_KILLER2,
    STAGE_GENERATE_QUIET,
    STAGE_HISTORY_PICKS,
    STAGE_REMAINDER,
};

constexpr int MOVE_LIST_SIZE = 1000;
constexpr int HISTORY_SIZE = 4096; // indexed by from and to, the word's 12 low bits
inline int history_index(Move m) { return int(m & (HISTORY_SIZE - 1)); }

extern Move move_list[MAX_PLY][MOVE_LIST_SIZE];
extern Move* list_next[MAX_PLY];
extern Move* list_end[MAX_PLY];
extern PickerStage move_phase[MAX_PLY];
extern std::int32_t good_capture_count[MAX_PLY];
extern Move killer1[MAX_PLY];
extern Move killer2[MAX_PLY];
extern std::int32_t history[HISTORY_SIZE];
extern std::int32_t capture_scores[MOVE_LIST_SIZE]; // scratch, valid during one sort

// A node's first call comes after start_moves; 0 when it has no more moves.
void start_moves(int ply);
Move next_move(const Position& pos, int ply);
// The move next_move would most likely hand out next, without changing
// anything; 0 when it is not known before a generation.
Move peek_next_move(int ply);
void clear_move_ordering(); // killers and history, before every search
// A quiet move that failed high at a node with this depth limit.
void credit_quiet_move(int ply, int depth, Move m);
// A capture's worth for ordering: the exchange evaluation where the victim is
// worth less than the capturer, else the difference (inline: most captures
// need no more).
inline int capture_score(const Position& pos, Move m) {
    const int s = piece_value[move_captured(m)] - piece_value[move_piece(m)];
    return s < 0 ? tradeoff(pos, m) : s;
}
// Stable sort of a range (moves, or pointers to them) by score, highest
// first, equal scores in their order: insertion, as the lists are short.
// Always inlined, like the attack test and the legality shortcut: GCC's
// heuristics otherwise call them out of line from the search's hot loops.
template <class Item>
[[gnu::always_inline]] inline void sort_by_score(Item* items, std::int32_t* scores, int n) {
    for (int i = 1; i < n; i++) {
        const std::int32_t score = scores[i];
        const Item item = items[i];
        int j = i;
        for (; j > 0 && scores[j - 1] < score; j--) {
            scores[j] = scores[j - 1];
            items[j] = items[j - 1];
        }
        scores[j] = score;
        items[j] = item;
    }
}
