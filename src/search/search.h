// Search: the transposition table, iterative deepening and what a search
// leaves behind (its move, the expected reply, its statistics). The nodes
// and the move picker have headers of their own inside this folder.
#pragma once

#include <cstdint>

#include "game/game.h"

constexpr int MATE_SCORE = 10000;     // a side mated at ply p scores p - MATE_SCORE
constexpr int MATE_THRESHOLD = 9000;  // beyond this a score is a mate score
constexpr int INFINITY_SCORE = 20000; // the widest window
constexpr int MAX_PLY = 21;           // per-ply storage 0..20
constexpr int PLY_LIMIT = 19;         // no full-width search at or beyond this ply

// ---- transposition table ----
// What a probe found. SHALLOW: an exact or upper bound searched less deep
// than asked; it cannot answer the node, but its score may still tell that a
// null move would not cut. A lower bound too shallow comes back as NONE.
enum Bound : int { NONE = 0, EXACT = 1, LOWER = 2, UPPER = 3, SHALLOW = 4 };

// The table's memory is also the image dumphash writes: four little-endian words.
struct HashEntry {
    std::uint32_t word0; // bound | remaining depth << 2 | move << 8
    std::int32_t score;
    std::uint32_t key_low;
    std::uint32_t key_high;
};
static_assert(sizeof(HashEntry) == 16, "a table entry is four 32-bit words");

// The table is allocated at start-up with HASH_ENTRIES entries, the size of
// the image file; UCI's Hash option may give it another power of two.
constexpr std::uint32_t HASH_ENTRIES = 0x400000;
extern HashEntry* transposition_table;
extern std::uint32_t hash_mask; // entries - 1

// Clears the table, allocating the default one the first time.
void clear_hash();
// A cleared table of the given number of entries (a power of two); 0 when
// the memory cannot be had, and the old table stays.
int resize_hash(std::uint32_t entries);
// The largest table of a power of two entries that fits the megabytes (at
// least 1), unless the table has that size already; 0 as resize_hash.
int set_hash_megabytes(std::uint32_t megabytes);
// Per mille of the table in use, from a sample of its first entries.
int hash_permille();
int hash_probe(const Position& pos, int ply, int depth, int* score, Move* move);
void hash_store(const Position& pos, int ply, int depth, int score, int bound, Move move);
// Starts loading the entry a node with this key will probe: the table is
// far larger than the caches, and the load would otherwise stall the probe.
inline void prefetch_hash(std::uint64_t key) {
    __builtin_prefetch(&transposition_table[std::uint32_t(key) & hash_mask]);
}

// ---- search control and statistics ----
extern std::int32_t abort_search;
extern std::int32_t abort_by_input;
extern std::int32_t iteration_depth;
extern std::int32_t max_iteration_depth; // the last depth iterate searches (PLY_LIMIT)
constexpr std::uint64_t NO_NODE_LIMIT = ~std::uint64_t(0);
extern std::uint64_t node_limit; // a search stops with its move once it has counted this many
extern Move ponder_move;
extern double branch_factor;
// 64 bits: a long ponder search passes four billion nodes.
extern std::uint64_t node_count;
extern std::uint64_t quiescence_node_count;
extern std::uint64_t horizon_count;
extern std::uint64_t fail_high_count;
extern std::uint64_t fail_high_first_count;
extern std::uint64_t hash_fail_high_count;
extern std::uint64_t null_fail_high_count;
extern std::uint64_t hash_hit_count;

// What a running search does about a waiting line. The console's main loop
// reads the line itself, so the search stops without a move; a front end
// that reads it from inside the search may go on, or stop with the best
// move so far.
enum InputVerdict : int { STOP_FOR_INPUT = 0, GO_ON = 1, STOP_WITH_MOVE = 2 };
extern InputVerdict (*answer_input)();

// A front end with a clock of its own may put its checks in place: the one
// polled during the search (the console's is time_check), and the one asked
// after each finished iteration, true to end the search with its move.
extern int (*clock_says_stop)();
extern bool (*iteration_ends_search)(int depth, int score, Move best);

// Prints the line of a new best move at the root; a front end may put its
// own form in place (the console's is print_pv).
extern void (*report_line)(int depth, int score, const Move* line);
void print_pv(int depth, int score, const Move* line);

// ---- analysis: several lines at the root, a root limited to some moves ----
constexpr int MAX_LINES = MAX_MOVES;
constexpr int LINE_LENGTH = MAX_PLY + 2; // a line, 0 ended
struct RootLine {
    std::int32_t score;
    Move pv[LINE_LENGTH];
};
extern std::int32_t multi_pv;          // the root lines a search finds, 1 to MAX_LINES
extern Move search_moves[MAX_MOVES];   // the root considers only these ...
extern std::int32_t search_move_count; // ... when there are any
extern RootLine root_lines[MAX_LINES]; // best first; line k the best move outside 0..k-1
extern std::int32_t root_line_count;   // the lines of the last finished iteration
extern std::int32_t line_index;        // the line being searched
extern std::int32_t sel_depth;         // the deepest ply of this iteration, quiescence included
// After each finished iteration (none in the console); as each root move is
// taken, with its number from 1.
extern void (*report_iteration)(int depth);
extern void (*report_root_move)(int depth, Move m, int number);

// The best move for the position (0 when stopped by input, when pondering or
// without a legal move); ponder_move is then the reply it expects.
Move iterate(const Position& pos, int ponder);
// The reply the table expects in the position, if it is a valid move there.
Move expected_reply(Position& pos);
// A quotient for the statistics lines: 0 where there is nothing to divide by.
double ratio(double numerator, double denominator);
