// Additive lagged-Fibonacci generator (lags 24 and 55) that draws the
// Zobrist keys. The sequence is fixed so that saved table images stay usable.
#include "board/board.h"

namespace {

constexpr std::uint32_t random_seed_table[55] = {
    1410651636, 3012776752, 3497475623, 2892145026, 1571949714, 3253082284, 3489895018, 387949491,
    2597396737, 1981903553, 3160251843, 129444464,  1851443344, 4156445905, 224604922,  1455067070,
    3953493484, 1460937157, 2528362617, 317430674,  3229354360, 117491133,  832845075,  1961600170,
    1321557429, 747750121,  545747446,  810476036,  503334515,  4088144633, 2824216555, 3738252341,
    3493754131, 3672533954, 29494241,   1180928407, 4213624418, 33062851,   3221315737, 1145213552,
    2957984897, 4078668503, 2262661702, 65478801,   2527208841, 1960622036, 315685891,  1196037864,
    804614524,  1421733266, 2017105031, 3882325900, 810735053,  384606609,  2393861397};

std::uint32_t y[55];
int j_index = 0, k_index = 0;
int not_started = 1;

} // namespace

void rand_reset() { not_started = 1; }

std::uint32_t rand_next32() {
    if (not_started) {
        for (int i = 0; i < 55; i++) y[i] = random_seed_table[i];
        j_index = 23;
        k_index = 54;
        not_started = 0;
    }
    y[k_index] += y[j_index];
    const std::uint32_t result = y[k_index];
    if (--j_index < 0) j_index = 54;
    if (--k_index < 0) k_index = 54;
    return result;
}

std::uint64_t rand_next64() {
    const std::uint64_t low = rand_next32();
    const std::uint64_t high = rand_next32();
    return low | high << 32;
}
