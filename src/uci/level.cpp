// Playing levels (UCI_LimitStrength, UCI_Elo): a node budget per move and a
// random choice among the best root lines within a margin of the best score,
// both by Elo. The search only sees its node limit and its number of lines.
#include <algorithm>
#include <cmath>

#include "uci/uci.h"

bool level_limited = false;
int level_elo = LEVEL_MAX_ELO;

namespace {

// Nodes a move and the margin in centipawns, by Elo on stockfish's
// UCI_Elo scale: first settings, measured by tools/calibrate/calibrate
// (calibration/results.md) but not yet tuned by it.
// Between rows: nodes on a log scale, margins in a straight line.
constexpr struct {
    int elo;
    double nodes;
    int margin;
} LEVELS[] = {
    {800, 40, 300},
    {1000, 120, 190},
    {1200, 350, 120},
    {1350, 800, 80},
    {1600, 9500, 22},
    {1800, 44000, 10},
    {LEVEL_MAX_ELO, 1000000, 0},
};
constexpr int LEVEL_LINES = 4; // root lines a limited search finds to choose from
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
    return {std::uint64_t(nodes), int(std::lround(low.margin + t * (high.margin - low.margin))),
            LEVEL_LINES};
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
