// Playing levels (UCI_LimitStrength, UCI_Elo): a node budget per move and a
// random choice among the best root lines within a margin of the best score,
// both by Elo. The search only sees its node limit and its number of lines.
#include <algorithm>
#include <cmath>

#include "uci/uci.h"

bool level_limited = false;
int level_elo = LEVEL_MAX_ELO;

namespace {

// Nodes a move, the margin in centipawns and the root lines to choose
// from, by Elo on stockfish's UCI_Elo scale, set by the matches of
// tools/calibrate/calibrate (calibration/results.md). Between rows: nodes
// on a log scale, margins and lines in a straight line. The low levels lose
// most by their margin and their lines: below a few hundred nodes a smaller
// budget hardly weakens the search.
constexpr struct {
    int elo;
    double nodes;
    int margin, lines;
} LEVELS[] = {
    {800, 30, 600, 8},
    {1000, 60, 400, 6},
    {1200, 200, 200, 5},
    {1350, 300, 160, 4},
    {1600, 9500, 22, 4},
    {1800, 44000, 10, 4},
    {LEVEL_MAX_ELO, 1000000, 0, 4},
};
constexpr int THINK_MS = 150,
              THINK_SPREAD_MS = 250; // a move takes at least this, and up to the spread more

std::uint64_t draws = 0; // a counter under the clock: no two seeds alike

} // namespace

Level level_of(int elo) {
    if (!level_limited || elo >= LEVEL_MAX_ELO) return {NO_NODE_LIMIT, 0, 1};
    elo = std::max(elo, LEVEL_MIN_ELO);
    int i = 1;
    while (LEVELS[i].elo < elo) i++;
    const auto &low = LEVELS[i - 1], &high = LEVELS[i];
    const double t = double(elo - low.elo) / double(high.elo - low.elo);
    const double nodes =
        std::exp(std::log(low.nodes) + t * (std::log(high.nodes) - std::log(low.nodes)));
    const auto line = [t](int a, int b) { return int(std::lround(a + t * (b - a))); };
    return {std::uint64_t(nodes), line(low.margin, high.margin), line(low.lines, high.lines)};
}

std::uint64_t level_seed() { return (std::uint64_t(tick_count()) << 32) ^ ++draws; }

std::uint64_t level_random(std::uint64_t& state) { // splitmix64
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

int level_pick(const RootLine* lines, int count, int margin, std::uint64_t seed) {
    // a mate is never let go; otherwise each line's score gains a random
    // part of the margin, and the highest sum is played: no line worse than
    // the best by more than the margin
    if (count < 2 || margin <= 0 || lines[0].score > MATE_THRESHOLD) return 0;
    const auto noise = [&] { return long(level_random(seed) % std::uint64_t(margin + 1)); };
    int pick = 0;
    long best = lines[0].score + noise();
    for (int k = 1; k < count; k++) {
        const long v = lines[k].score + noise();
        if (lines[k].score >= lines[0].score - margin && v > best) {
            pick = k;
            best = v;
        }
    }
    return pick;
}

std::uint32_t level_think_ms(std::uint64_t seed) {
    return level_limited ? THINK_MS + std::uint32_t(level_random(seed) % THINK_SPREAD_MS) : 0;
}
