// Search: transposition table, move picker, alpha-beta and quiescence
// search, root search with thinking output, iterative deepening.
#pragma once

#include <cstdint>

#include "board/board.h"

constexpr int MATE_SCORE = 10000;
constexpr int MATE_THRESHOLD = 9000;
constexpr int INFINITY_SCORE = 20000;
constexpr int MAX_PLY = 21;   // per-ply storage 0..20
constexpr int PLY_LIMIT = 19; // no full-width search at or beyond this ply
constexpr int MOVE_LIST_SIZE = 1000;
constexpr int PV_LENGTH = 23;
constexpr Move PV_MARKER = Move(-2);

// ---- transposition table ----
enum Bound : int { NONE = 0, EXACT = 1, LOWER = 2, UPPER = 3, SHALLOW = 4 };

struct HashEntry {
    std::uint32_t word0; // bound | remaining depth << 2 | move << 8
    std::int32_t score;
    std::uint32_t key_low;
    std::uint32_t key_high;
};
static_assert(sizeof(HashEntry) == 16, "a table entry is four 32-bit words");

constexpr std::uint32_t HASH_ENTRIES = 0x400000;
constexpr std::uint32_t hash_mask = 0x3FFFFF;
extern HashEntry transposition_table[HASH_ENTRIES];

void clear_hash();
int hash_probe(const Position& pos, int ply, int depth, int* score, Move* move);
void hash_store(const Position& pos, int ply, int depth, int score, int bound, Move move);

// ---- search state, indexed by ply ----
extern Position search_positions[MAX_PLY + 1];
extern Move pv_table[MAX_PLY][PV_LENGTH];
extern Move hash_move[MAX_PLY];
extern std::int32_t move_phase[MAX_PLY];
extern Move move_list[MAX_PLY][MOVE_LIST_SIZE];
extern Move* list_next[MAX_PLY];
extern Move* list_end[MAX_PLY];
extern std::int32_t good_capture_count[MAX_PLY];
extern std::int32_t in_check[MAX_PLY + 1];
extern Move current_move[MAX_PLY];
extern Move killer1[MAX_PLY];
extern Move killer2[MAX_PLY];
extern std::int32_t history[4096];
extern std::int32_t capture_scores[MOVE_LIST_SIZE];

// ---- search control and statistics ----
extern std::int32_t abort_search;
extern std::int32_t abort_by_input;
extern std::int32_t pondering;
extern std::int32_t root_move_done;
extern std::int32_t root_score;
extern std::int32_t last_iteration_score;
extern std::int32_t iteration_depth;
extern std::int32_t max_iteration_depth; // the last depth iterate searches (19)
extern Move ponder_move;
extern std::uint32_t nps_estimate;
extern double branch_factor;
extern std::uint32_t node_count;
extern std::uint32_t quiescence_node_count;
extern std::uint32_t horizon_count;
extern std::uint32_t fail_high_count;
extern std::uint32_t fail_high_first_count;
extern std::uint32_t hash_fail_high_count;
extern std::uint32_t null_fail_high_count;
extern std::uint32_t hash_hit_count;

Move next_move(const Position& pos, int ply);
int quiesce(int ply, int alpha, int beta);
int search(int ply, int depth, int alpha, int beta, int null_ok, int node_type);
void repetition_check(Position& pos);
int search_root(int depth);
void print_pv(int depth, int score, const Move* line);
Move iterate(const Position& pos, int ponder);
void update_nps(std::uint32_t nps);
