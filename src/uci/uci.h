// UCI front end: the protocol of most of today's interfaces, testers and
// bots, on the same engine core as the console and xboard shell.
#pragma once

#include "search/search.h"

// Speaks UCI on standard input and output until quit or the end of input.
// The console has read the line "uci" that switches to it; the answer to
// that line comes first.
void uci_loop();

// ---- the clock of a move (milliseconds) ----
// The time the move should take and the most it may take, from the time
// left, the increment, the moves to the next control (0: none given), the
// overhead of each move and the plies played so far.
struct MoveTime {
    long long optimum, maximum;
};
MoveTime move_time(long long time_ms, long long increment_ms, long long moves_to_go,
                   long long overhead_ms, int plies);
// A new move's search from go's tick; `moves`: its number of legal moves.
// A move off the clock (pondering, depth, nodes) only keeps the statistics.
void start_move_time(const MoveTime& limits, bool on_clock, std::uint32_t go_tick, int moves);
void run_move_clock(bool running); // ponderhit: the clock runs from go
bool move_time_over();             // polled within an iteration
bool optimum_spent();
// After each iteration: true when the search should end with its move.
bool move_time_spent(int depth, int score, Move best);

// ---- levels (UCI_LimitStrength, UCI_Elo) ----
constexpr int LEVEL_MIN_ELO = 800, LEVEL_MAX_ELO = 1900; // the top is full strength
extern bool level_limited;
extern int level_elo;
// A move's node budget and the margin in centipawns within which a root line
// may be played instead of the best, out of `lines` root lines; at full
// strength no limit, no margin, one line.
struct Level {
    std::uint64_t nodes;
    int margin, lines;
};
Level level_of(int elo);
std::uint64_t level_seed(); // from the clock and a counter
std::uint64_t level_random(std::uint64_t& state);
// The line to play, best first, by the seed: 0 without a margin or at a mate.
int level_pick(const RootLine* lines, int count, int margin, std::uint64_t seed);
// The least time a limited move takes, clock permitting (0 unlimited).
std::uint32_t level_think_ms(std::uint64_t seed);
