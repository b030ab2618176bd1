// engine-bench eval: evaluations per second, and a checksum of the scores
// that changes with any term of the evaluation.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench.h"
#include "eval/eval.h"
#include "shell/shell.h"

// Evaluations per second over the built-in positions and every position one
// legal move away from them; the pawn hash is warm after the first round.
int bench_eval(int argc, char** argv) {
    long rounds = 2000;
    if (argc > 2) {
        char* end = nullptr;
        rounds = std::strtol(argv[2], &end, 10);
        if (*end || rounds < 1 || rounds > 1000000) {
            std::fprintf(stderr, "engine-bench: rounds must be a number from 1 to 1000000\n");
            return 2;
        }
    }
    init_engine();
    std::vector<Position> positions;
    for (std::size_t i = 0; i < builtin_position_count; i++) {
        new_game();
        if (play_moves(builtin_positions[i])) return 2;
        positions.push_back(game_position);
        Move list[MAX_MOVES];
        const Move* end = legal_moves(game_position, list);
        for (const Move* m = list; m != end; m++) {
            Position child = game_position;
            make_move(child, *m);
            positions.push_back(child);
        }
    }
    std::int64_t checksum = 0;
    const std::uint32_t start = tick_count();
    for (long r = 0; r < rounds; r++)
        for (const Position& p : positions)
            checksum += evaluate(p, -INFINITY_SCORE, INFINITY_SCORE);
    const std::uint32_t ms = tick_count() - start;
    const std::uint64_t count = std::uint64_t(rounds) * positions.size();
    std::printf("evaluations %llu positions %zu checksum %lld time_ms %u evals_per_second %llu\n",
                (unsigned long long)count, positions.size(), (long long)checksum, ms,
                (unsigned long long)(ms ? count * 1000 / ms : 0));
    return 0;
}
