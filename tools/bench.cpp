// Benchmarks: perft and fixed-depth searches.
#include <cstdio>

int main(int, char**) {
    std::printf("usage: engine-bench perft DEPTH [--fen \"FEN\"] [--divide] [MOVE ...]\n");
    return 2;
}
