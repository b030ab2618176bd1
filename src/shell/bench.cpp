// The search bench: fixed-depth searches of positions from real games, for
// node counts (the same on every machine) and speed.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "eval/eval.h"
#include "shell/shell.h"

// Positions reached by real games: openings, middlegames, endgames with
// checks, promotions and repeated positions.
const char* const builtin_positions[] = {
    "",
    "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6",
    "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 c7c6 "
    "b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7",
    "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 c7c6 "
    "b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7 b1d2 c7b6 a2a3 b6a7 e1g1 b8e5 c4a2 c8a6 "
    "a2f7 e8f7 f1e1 e5c5 b4c5 a7c5 d2b3 a4b3 c2b3",
    "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 c7c6 "
    "b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7 b1d2 c7b6 a2a3 b6a7 e1g1 b8e5 c4a2 c8a6 "
    "a2f7 e8f7 f1e1 e5c5 b4c5 a7c5 d2b3 a4b3 c2b3 c5d4 a1d1 d4b2 d1d7 f7e6 d7c7 b2a3 c7c6 e6d7 "
    "c6c3 a3b4 e1d1 b4d6 c3c2 a6b7 c2d2 a8a6 d2d5 b7d5 e4d5 h8b8 d1e1 a6a5 e1d1 b8b3 g1f1 d6h2 "
    "g2g3 a5a2 d1e1 b3b2",
    "e2e4 e7e5 g1f3 b8c6 f1b5 f8d6 d2d4 c6d4 f3d4 e5d4 d1d4 f7f6 c1e3 d6e5 d4b4 a7a5 b4b3 c7c6 "
    "b5c4 a5a4 b3b4 b7b6 c4g8 d8c7 e3b6 c7b8 g8c4 e5c7 b1d2 c7b6 a2a3 b6a7 e1g1 b8e5 c4a2 c8a6 "
    "a2f7 e8f7 f1e1 e5c5 b4c5 a7c5 d2b3 a4b3 c2b3 c5d4 a1d1 d4b2 d1d7 f7e6 d7c7 b2a3 c7c6 e6d7 "
    "c6c3 a3b4 e1d1 b4d6 c3c2 a6b7 c2d2 a8a6 d2d5 b7d5 e4d5 h8b8 d1e1 a6a5 e1d1 b8b3 g1f1 d6h2 "
    "g2g3 a5a2 d1e1 b3b2 f1g2 b2f2 g2h3 f2f3 h3h4 f3g3 e1e4 a2g2 e4e3 g3e3 d5d6",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 f4g6 "
    "d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 f4g6 "
    "d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5 h2h3 b8c6 b7a8q d8c7 c3b5 c7b6 a8h8 g6h8 "
    "b5c3 c5a3 b2b4 a3b2 c3a4 b6c7 a4b2 c6b4 a1c1 c7b8 a2a3 b4a2 c1c5 f7f6 f1d3",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 f4g6 "
    "d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5 h2h3 b8c6 b7a8q d8c7 c3b5 c7b6 a8h8 g6h8 "
    "b5c3 c5a3 b2b4 a3b2 c3a4 b6c7 a4b2 c6b4 a1c1 c7b8 a2a3 b4a2 c1c5 f7f6 f1d3 h8g6 g1f3 e6g8 "
    "h3h4 h7h6 e4e5 g6e5 c5b5 b8c8 f3e5 f6e5 d3f5 c8c7 b5e5 c7d6 e5e8 g8f7 e8e3 g7g6 e3f3 g6f5 "
    "f3f5 f7d5 f2f3 d6d7 f5d5 d7c8 d5h5 c8c7 e1d2 c7b8 h1a1 b8c7 h5h6 a7a5 a1a2 c7b7 d2d1",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1f4 f6h5 f4c1 h5f6 c1f4 f6h5 c4d5 h5f4 e2e4 c7c6 g2g3 f4g6 "
    "d5e6 c8e6 d4d5 e8d7 d5c6 d7c7 d1d8 c7d8 c6b7 f8c5 h2h3 b8c6 b7a8q d8c7 c3b5 c7b6 a8h8 g6h8 "
    "b5c3 c5a3 b2b4 a3b2 c3a4 b6c7 a4b2 c6b4 a1c1 c7b8 a2a3 b4a2 c1c5 f7f6 f1d3 h8g6 g1f3 e6g8 "
    "h3h4 h7h6 e4e5 g6e5 c5b5 b8c8 f3e5 f6e5 d3f5 c8c7 b5e5 c7d6 e5e8 g8f7 e8e3 g7g6 e3f3 g6f5 "
    "f3f5 f7d5 f2f3 d6d7 f5d5 d7c8 d5h5 c8c7 e1d2 c7b8 h1a1 b8c7 h5h6 a7a5 a1a2 c7b7 d2d1 b7a7 "
    "h6h8 a7b7 b2c4 a5a4 a2b2 b7c6 h8c8 c6d5 b2e2 d5d4",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5 g5f6 g7f6 d4f3 c8e6 c3d5 b8d7 "
    "a2a3 d7c5 f1d3 f8e7 e1g1 e6g4 d1e2 c5d3 e2d3 g4f3",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5 g5f6 g7f6 d4f3 c8e6 c3d5 b8d7 "
    "a2a3 d7c5 f1d3 f8e7 e1g1 e6g4 d1e2 c5d3 e2d3 g4f3 d3f3 e8g8 f1d1 a8c8",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5 g5f6 g7f6 d4f3 c8e6 c3d5 b8d7 "
    "a2a3 d7c5 f1d3 f8e7 e1g1 e6g4 d1e2 c5d3 e2d3 g4f3 d3f3 e8g8 f1d1 a8c8 f3b3 c8a8 b3b7 f8e8 "
    "b7c6 a8c8 d5e7 d8e7 c6a6 c8c2 d1d6 c2b2 d6f6 b2d2 f6f3 e8d8 f3g3 g8h8 a1e1",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1g5 e7e5 g5f6 g7f6 d4f3 c8e6 c3d5 b8d7 "
    "a2a3 d7c5 f1d3 f8e7 e1g1 e6g4 d1e2 c5d3 e2d3 g4f3 d3f3 e8g8 f1d1 a8c8 f3b3 c8a8 b3b7 f8e8 "
    "b7c6 a8c8 d5e7 d8e7 c6a6 c8c2 d1d6 c2b2 d6f6 b2d2 f6f3 e8d8 f3g3 g8h8 a1e1 e7h4 e1e2 d8f8 "
    "e2d2 f8b8 a6d3 h4e7 a3a4 b8a8 d3d5 e7b7",
    "c2c4 e7e5 b1c3 g8f6 g2g3 b8a6 g1f3 f8d6 f1h3 b7b6 d1c2 d6a3",
    "c2c4 e7e5 b1c3 g8f6 g2g3 b8a6 g1f3 f8d6 f1h3 b7b6 d1c2 d6a3 b2a3 d7d6 h3c8 d8c8 c3a4 e8g8 "
    "c1b2 c8b7 e1g1 a8b8 a1c1 f8e8 g1h1 e5e4 f3g5 e4e3",
    "c2c4 e7e5 b1c3 g8f6 g2g3 b8a6 g1f3 f8d6 f1h3 b7b6 d1c2 d6a3 b2a3 d7d6 h3c8 d8c8 c3a4 e8g8 "
    "c1b2 c8b7 e1g1 a8b8 a1c1 f8e8 g1h1 e5e4 f3g5 e4e3 h1g1 b8c8 b2f6",
    "c2c4 e7e5 b1c3 g8f6 g2g3 b8a6 g1f3 f8d6 f1h3 b7b6 d1c2 d6a3 b2a3 d7d6 h3c8 d8c8 c3a4 e8g8 "
    "c1b2 c8b7 e1g1 a8b8 a1c1 f8e8 g1h1 e5e4 f3g5 e4e3 h1g1 b8c8 b2f6 e3f2 f1f2 g7g6 d2d3 c8b8 "
    "f6c3 a6c5 a4c5 b6c5 f2f7 e8e3 f7g7 g8f8 g5h7 f8e8 g7e7 e3e7 h7f6",
    "c2c4 e7e5 b1c3 g8f6 g2g3 b8a6 g1f3 f8d6 f1h3 b7b6 d1c2 d6a3 b2a3 d7d6 h3c8 d8c8 c3a4 e8g8 "
    "c1b2 c8b7 e1g1 a8b8 a1c1 f8e8 g1h1 e5e4 f3g5 e4e3 h1g1 b8c8 b2f6 e3f2 f1f2 g7g6 d2d3 c8b8 "
    "f6c3 a6c5 a4c5 b6c5 f2f7 e8e3 f7g7 g8f8 g5h7 f8e8 g7e7 e3e7 h7f6 e8f8 c3d2 a7a6 f6d5 e7e5 "
    "c1f1 e5f5 f1f5 f8g8 d5e7 g8g7",
    "e2e4 e7e6 d2d4 d7d5 b1c3 f8b4 f1d3 d5e4 d3e4 f7f5 e4f3 g8f6",
    "e2e4 e7e6 d2d4 d7d5 b1c3 f8b4 f1d3 d5e4 d3e4 f7f5 e4f3 g8f6 c1f4 b4c3 e1f1 c3d4 c2c3 d4c5 "
    "d1d8 e8d8 a1d1 b8d7 g1h3 f6e4 f3e4 f5e4 h3g5 h8e8",
    "e2e4 e7e6 d2d4 d7d5 b1c3 f8b4 f1d3 d5e4 d3e4 f7f5 e4f3 g8f6 c1f4 b4c3 e1f1 c3d4 c2c3 d4c5 "
    "d1d8 e8d8 a1d1 b8d7 g1h3 f6e4 f3e4 f5e4 h3g5 h8e8 g5e4 e6e5 f4g5 c5e7 g5f4 e5f4 f1g1 b7b6",
    "e2e4 e7e6 d2d4 d7d5 b1c3 f8b4 f1d3 d5e4 d3e4 f7f5 e4f3 g8f6 c1f4 b4c3 e1f1 c3d4 c2c3 d4c5 "
    "d1d8 e8d8 a1d1 b8d7 g1h3 f6e4 f3e4 f5e4 h3g5 h8e8 g5e4 e6e5 f4g5 c5e7 g5f4 e5f4 f1g1 b7b6 "
    "a2a4 c8b7 e4d2 e7f6 d2b1 d8c8 b2b4 e8e1 d1e1 d7e5 b1d2 f4f3 g2g3 g7g6 b4b5 a7a6 b5a6 a8a6 "
    "d2e4 f6h8 e4g5 h7h5",
    "e2e4 e7e6 d2d4 d7d5 b1c3 f8b4 f1d3 d5e4 d3e4 f7f5 e4f3 g8f6 c1f4 b4c3 e1f1 c3d4 c2c3 d4c5 "
    "d1d8 e8d8 a1d1 b8d7 g1h3 f6e4 f3e4 f5e4 h3g5 h8e8 g5e4 e6e5 f4g5 c5e7 g5f4 e5f4 f1g1 b7b6 "
    "a2a4 c8b7 e4d2 e7f6 d2b1 d8c8 b2b4 e8e1 d1e1 d7e5 b1d2 f4f3 g2g3 g7g6 b4b5 a7a6 b5a6 a8a6 "
    "d2e4 f6h8 e4g5 h7h5 g5e6 a6a4 e6d4 e5d3 e1b1 h8d4 c3d4 b7c6 d4d5 c6d5 b1b6",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6 c1g5 f6g8 f1e2 c8d7",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6 c1g5 f6g8 f1e2 c8d7 d4d5 b8a6 g1f3 g7c3 b2c3 a6c5 "
    "g5e3 c5e4 d1b1 h7h6 b1e4 g8f6 e4b1 b7b6 e1g1 e7e5",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6 c1g5 f6g8 f1e2 c8d7 d4d5 b8a6 g1f3 g7c3 b2c3 a6c5 "
    "g5e3 c5e4 d1b1 h7h6 b1e4 g8f6 e4b1 b7b6 e1g1 e7e5 a2a4 c7c5 f1d1 f6g4 b1d3 d7f5",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6 c1g5 f6g8 f1e2 c8d7 d4d5 b8a6 g1f3 g7c3 b2c3 a6c5 "
    "g5e3 c5e4 d1b1 h7h6 b1e4 g8f6 e4b1 b7b6 e1g1 e7e5 a2a4 c7c5 f1d1 f6g4 b1d3 d7f5 d3d2 g4e3 "
    "d2e3 f5c2 d1c1 c2f5 f3e5 d6e5 g2g4 f5c8 e3e5 e8d7 c1e1 c8b7 e5f4 h8h7 e2f3 d8h8 e1e5 a8d8 "
    "a1d1",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6 c1g5 f6g8 f1e2 c8d7 d4d5 b8a6 g1f3 g7c3 b2c3 a6c5 "
    "g5e3 c5e4 d1b1 h7h6 b1e4 g8f6 e4b1 b7b6 e1g1 e7e5 a2a4 c7c5 f1d1 f6g4 b1d3 d7f5 d3d2 g4e3 "
    "d2e3 f5c2 d1c1 c2f5 f3e5 d6e5 g2g4 f5c8 e3e5 e8d7 c1e1 c8b7 e5f4 h8h7 e2f3 d8h8 e1e5 a8d8 "
    "a1d1 g6g5 f4e4 h8f6 e4h7 d7d6 e5f5 f6g6 f5f7 g6h7 f7h7 d8c8",
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5 c1f4 b8d7 h2h3 e7e6 b1c3 f8b4",
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5 c1f4 b8d7 h2h3 e7e6 b1c3 f8b4 a2a3 b4a3 b2a3 g8e7 g2g4 d8a5 "
    "f4d2 f5g6 c3b5 a5b6 b5d6 e8f8 d2c1 b6a5 c1d2 a5a4",
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5 c1f4 b8d7 h2h3 e7e6 b1c3 f8b4 a2a3 b4a3 b2a3 g8e7 g2g4 d8a5 "
    "f4d2 f5g6 c3b5 a5b6 b5d6 e8f8 d2c1 b6a5 c1d2 a5a4 d2c3 f8g8 f1g2 c6c5 d1e2 c5d4 c3b2 g6c2",
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5 c1f4 b8d7 h2h3 e7e6 b1c3 f8b4 a2a3 b4a3 b2a3 g8e7 g2g4 d8a5 "
    "f4d2 f5g6 c3b5 a5b6 b5d6 e8f8 d2c1 b6a5 c1d2 a5a4 d2c3 f8g8 f1g2 c6c5 d1e2 c5d4 c3b2 g6c2 "
    "d6b7 d4d3 e2e3 a8b8 g1f3 b8b7 b2d4 b7b3 f3d2 b3a3 e1g1 a3c3 a1a4 d7b8 e3f3 c2a4 d4c3 a4b5 "
    "f1b1 a7a6 f3d3 e7g6 d3c4",
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5 c1f4 b8d7 h2h3 e7e6 b1c3 f8b4 a2a3 b4a3 b2a3 g8e7 g2g4 d8a5 "
    "f4d2 f5g6 c3b5 a5b6 b5d6 e8f8 d2c1 b6a5 c1d2 a5a4 d2c3 f8g8 f1g2 c6c5 d1e2 c5d4 c3b2 g6c2 "
    "d6b7 d4d3 e2e3 a8b8 g1f3 b8b7 b2d4 b7b3 f3d2 b3a3 e1g1 a3c3 a1a4 d7b8 e3f3 c2a4 d4c3 a4b5 "
    "f1b1 a7a6 f3d3 e7g6 d3c4 d5c4 d2c4 g6f4 g2f1 f7f5 e5f6 f4d3 f6g7 d3b2 g7h8q g8f7",
    "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6",
    "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6 c1f4 e8g8 f3e5 b6a5 d1d3 b8a6 "
    "f4g5 h7h5 g2f3 a6b4 d3d1 d8d6 a2a3 b4a6 c3a4 b7b5",
    "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6 c1f4 e8g8 f3e5 b6a5 d1d3 b8a6 "
    "f4g5 h7h5 g2f3 a6b4 d3d1 d8d6 a2a3 b4a6 c3a4 b7b5 a4c3 a5c3 b2c3 c8b7 g5f6 g7f6 e5d3 e6e5 "
    "f3h5 f8e8 d1d2 d6e7 f2f4 e5d4 c3d4 e7b4 c2c3 b4b1 f1e1 b1b3 e1d1 a6b8 d1b1 b3a4 d3c5 a4a5 "
    "c5b7 a5c7 b7c5 e8f8 d2e3 c7d8 b1d1 f8e8 e3d3 a7a6 e2e4 d5e4 c5b3 e4d3 d1d3 d8d5 h5d1 e8e1 "
    "g1f2 d5d4 b3d4 e1h1 h2h4 g8f8 a3a4 c6c5 d4e2 b5a4 d3d8",
    "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6 c1f4 e8g8 f3e5 b6a5 d1d3 b8a6 "
    "f4g5 h7h5 g2f3 a6b4 d3d1 d8d6 a2a3 b4a6 c3a4 b7b5 a4c3 a5c3 b2c3 c8b7 g5f6 g7f6 e5d3 e6e5 "
    "f3h5 f8e8 d1d2 d6e7 f2f4 e5d4 c3d4 e7b4 c2c3 b4b1 f1e1 b1b3 e1d1 a6b8 d1b1 b3a4 d3c5 a4a5 "
    "c5b7 a5c7 b7c5 e8f8 d2e3 c7d8 b1d1 f8e8 e3d3 a7a6 e2e4 d5e4 c5b3 e4d3 d1d3 d8d5 h5d1 e8e1 "
    "g1f2 d5d4 b3d4 e1h1 h2h4 g8f8 a3a4 c6c5 d4e2 b5a4 d3d8 f8e7 d8d5 e7f8 f2g2 h1f1 d1a4 f1a1 "
    "d5d8 f8e7 d8e8 e7d6 a4b3 f6f5 b3d1 d6d7 e8e5 a1d1 e5f5 a6a5 f5f7 d7e6 f7g7 a5a4 g7g6 e6f7 "
    "h4h5 b8a6 g3g4 d1d2 g2f1 d2d1 f1f2 d1b1 f4f5 a4a3 g4g5 b1d1 g6f6 f7g8 f6g6 g8h8 g6h6 h8g7 "
    "h6g6 g7f8 g6f6 f8g7 e2d4 d1h1 d4e6 g7g8 f2e2 g8h8 e6d8 a8d8 f6h6 h8g8 h6g6 g8f8 g6f6 f8g8 "
    "f6g6 g8h8 g6h6 h8g7 h6g6 g7f8 g6f6 f8e7 f6e6",
    "g1f3 d7d5 g2g3 g8f6 f1g2 e7e6 e1g1 f8c5 d2d4 c5b6 b1c3 c7c6 c1f4 e8g8 f3e5 b6a5 d1d3 b8a6 "
    "f4g5 h7h5 g2f3 a6b4 d3d1 d8d6 a2a3 b4a6 c3a4 b7b5 a4c3 a5c3 b2c3 c8b7 g5f6 g7f6 e5d3 e6e5 "
    "f3h5 f8e8 d1d2 d6e7 f2f4 e5d4 c3d4 e7b4 c2c3 b4b1 f1e1 b1b3 e1d1 a6b8 d1b1 b3a4 d3c5 a4a5 "
    "c5b7 a5c7 b7c5 e8f8 d2e3 c7d8 b1d1 f8e8 e3d3 a7a6 e2e4 d5e4 c5b3 e4d3 d1d3 d8d5 h5d1 e8e1 "
    "g1f2 d5d4 b3d4 e1h1 h2h4 g8f8 a3a4 c6c5 d4e2 b5a4 d3d8 f8e7 d8d5 e7f8 f2g2 h1f1 d1a4 f1a1 "
    "d5d8 f8e7 d8e8 e7d6 a4b3 f6f5 b3d1 d6d7 e8e5 a1d1 e5f5 a6a5 f5f7 d7e6 f7g7 a5a4 g7g6 e6f7 "
    "h4h5 b8a6 g3g4 d1d2 g2f1 d2d1 f1f2 d1b1 f4f5 a4a3 g4g5 b1d1 g6f6 f7g8 f6g6 g8h8 g6h6 h8g7 "
    "h6g6 g7f8 g6f6 f8g7 e2d4 d1h1 d4e6 g7g8 f2e2 g8h8 e6d8 a8d8 f6h6 h8g8 h6g6 g8f8 g6f6 f8g8 "
    "f6g6 g8h8 g6h6 h8g7 h6g6 g7f8 g6f6 f8e7 f6e6 e7f7 e6f6 f7e8 f6e6 e8d7 e6a6 a3a2 a6a2 h1h2 "
    "e2f1 h2a2",
    "e2e4 e7e5 f2f4 e5f4 g1f3 g8f6 d2d3 f6h5 c1d2 b8a6 b1c3 f8d6",
    "e2e4 e7e5 f2f4 e5f4 g1f3 g8f6 d2d3 f6h5 c1d2 b8a6 b1c3 f8d6 e4e5 d6e7 f3g1 h8g8 d1h5 e7h4 "
    "e1d1 h7h6 d2f4 h4g5 f4g5 d8g5 h5g5 h6g5 d1c1 d7d6",
    "e2e4 e7e5 f2f4 e5f4 g1f3 g8f6 d2d3 f6h5 c1d2 b8a6 b1c3 f8d6 e4e5 d6e7 f3g1 h8g8 d1h5 e7h4 "
    "e1d1 h7h6 d2f4 h4g5 f4g5 d8g5 h5g5 h6g5 d1c1 d7d6 e5d6 c7d6 c3e4 e8e7 c1d1 f7f6 d3d4 c8f5 "
    "f1d3",
    "e2e4 e7e5 f2f4 e5f4 g1f3 g8f6 d2d3 f6h5 c1d2 b8a6 b1c3 f8d6 e4e5 d6e7 f3g1 h8g8 d1h5 e7h4 "
    "e1d1 h7h6 d2f4 h4g5 f4g5 d8g5 h5g5 h6g5 d1c1 d7d6 e5d6 c7d6 c3e4 e8e7 c1d1 f7f6 d3d4 c8f5 "
    "f1d3 d6d5 g1e2 f5e4 d3e4 d5e4 d1c1 g8d8 e2g3 e4e3 h1e1 e7f8 a2a4 d8d4 h2h3 d4g4 h3g4 a8e8 "
    "a1a3 e8e4 g3e4 e3e2 e1e2 b7b6 e4d6",
    "e2e4 e7e5 f2f4 e5f4 g1f3 g8f6 d2d3 f6h5 c1d2 b8a6 b1c3 f8d6 e4e5 d6e7 f3g1 h8g8 d1h5 e7h4 "
    "e1d1 h7h6 d2f4 h4g5 f4g5 d8g5 h5g5 h6g5 d1c1 d7d6 e5d6 c7d6 c3e4 e8e7 c1d1 f7f6 d3d4 c8f5 "
    "f1d3 d6d5 g1e2 f5e4 d3e4 d5e4 d1c1 g8d8 e2g3 e4e3 h1e1 e7f8 a2a4 d8d4 h2h3 d4g4 h3g4 a8e8 "
    "a1a3 e8e4 g3e4 e3e2 e1e2 b7b6 e4d6 g7g6 a3f3 f6f5 g4f5 g5g4 e2e8 f8g7 f5f6 g7h7 d6f7 g6g5",
    "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8",
    "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 e7e6 "
    "a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3",
    "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 e7e6 "
    "a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3 c2d3 b8c8 c3b5 a7a5 b4a5 d6b8 d3d4 f6e4 "
    "f2f3 e4d2 f1c1 d2b3 c1c8 d7c8 a1b1 b3a5 b1a1 h8d8 a1c1 a5c4 a3a4 c8d7 c1c3 c4b2 c3a3 d7c8 "
    "a3c3 c8d7 c3a3 b2c4 a3c3 c4b6 c3a3 d7c8 e3e4 b6c4 a3d3 b8f4 e4e5 f7f6 h2h4 f4h2",
    "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 e7e6 "
    "a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3 c2d3 b8c8 c3b5 a7a5 b4a5 d6b8 d3d4 f6e4 "
    "f2f3 e4d2 f1c1 d2b3 c1c8 d7c8 a1b1 b3a5 b1a1 h8d8 a1c1 a5c4 a3a4 c8d7 c1c3 c4b2 c3a3 d7c8 "
    "a3c3 c8d7 c3a3 b2c4 a3c3 c4b6 c3a3 d7c8 e3e4 b6c4 a3d3 b8f4 e4e5 f7f6 h2h4 f4h2 g1h2 d8f8 "
    "b5d6 c8b8 d6b7 b8b7 e5f6 f8f6 h2h1 f6f3 d3f3 c4d6 a4a5 d6f5 g2g4 f5d4 f3f7 b7a6 f7g7 d4b3 "
    "g7h7 a6a5 h7b7 b3a1 b7a7 a5b4 a7a1 e6e5 g4g5 e5e4 g5g6 b4b3 g6g7 b3b2 a1g1 d5d4 g7g8q b2c3 "
    "g8d5 e4e3 g1g6 e3e2 g6g3 c3b2 d5b5 b2c1 b5b3 e2e1q g3g1 e1g1 h1g1 c1d2 g1f1 d2c1 b3c4 c1b1 "
    "h4h5",
    "d2d4 d7d5 c1f4 g8f6 e2e3 c7c5 d4c5 d8a5 b1c3 c8e6 f4b8 a8b8 f1b5 e6d7 b5d7 e8d7 g1e2 e7e6 "
    "a2a3 a5c5 b2b4 c5c4 e1g1 f8d6 d1d4 c4e2 d4d3 e2d3 c2d3 b8c8 c3b5 a7a5 b4a5 d6b8 d3d4 f6e4 "
    "f2f3 e4d2 f1c1 d2b3 c1c8 d7c8 a1b1 b3a5 b1a1 h8d8 a1c1 a5c4 a3a4 c8d7 c1c3 c4b2 c3a3 d7c8 "
    "a3c3 c8d7 c3a3 b2c4 a3c3 c4b6 c3a3 d7c8 e3e4 b6c4 a3d3 b8f4 e4e5 f7f6 h2h4 f4h2 g1h2 d8f8 "
    "b5d6 c8b8 d6b7 b8b7 e5f6 f8f6 h2h1 f6f3 d3f3 c4d6 a4a5 d6f5 g2g4 f5d4 f3f7 b7a6 f7g7 d4b3 "
    "g7h7 a6a5 h7b7 b3a1 b7a7 a5b4 a7a1 e6e5 g4g5 e5e4 g5g6 b4b3 g6g7 b3b2 a1g1 d5d4 g7g8q b2c3 "
    "g8d5 e4e3 g1g6 e3e2 g6g3 c3b2 d5b5 b2c1 b5b3 e2e1q g3g1 e1g1 h1g1 c1d2 g1f1 d2c1 b3c4 c1b1 "
    "h4h5 d4d3 c4d3 b1a1 h5h6 a1a2 h6h7 a2a1 h7h8q a1a2 h8c8 a2a1"};

const std::size_t builtin_position_count = std::size(builtin_positions);

int bench_positions(const char* const* positions, std::size_t count, int depth,
                    std::uint64_t* nodes, std::uint32_t* ms) {
    init_engine();
    xboard_mode = 1; // thinking lines only
    max_iteration_depth = depth;
    *nodes = 0;
    *ms = 0; // the searches alone, not the table clears between them
    for (std::size_t i = 0; i < count; i++) {
        clear_hash();
        clear_pawn_hash();
        new_game();
        if (const char* bad = play_moves(positions[i])) {
            std::fprintf(stderr, "position %zu: illegal move %.*s\n", i + 1,
                         int(std::strcspn(bad, " \t")), bad);
            return 2;
        }
        engine_colour = game_position.white_to_move;
        // never poll: no time limit, no input
        poll_interval = INT32_MAX;
        poll_countdown = INT32_MAX;
        std::printf("position %zu: %s\n", i + 1, positions[i]);
        const std::uint32_t start = tick_count();
        const Move best = iterate(game_position, 0);
        *ms += tick_count() - start;
        char best_text[MOVE_TEXT_SIZE], ponder_text[MOVE_TEXT_SIZE];
        std::printf("bestmove %s ponder %s nodes %llu\n", best ? move_text(best, best_text) : "0",
                    ponder_move ? move_text(ponder_move, ponder_text) : "0",
                    (unsigned long long)node_count);
        *nodes += node_count;
    }
    max_iteration_depth = PLY_LIMIT;
    return 0;
}

int run_bench() {
    std::uint64_t nodes;
    std::uint32_t ms;
    if (bench_positions(builtin_positions, builtin_position_count, BENCH_DEPTH, &nodes, &ms))
        return 2;
    std::printf("%llu nodes %llu nps\n", (unsigned long long)nodes,
                (unsigned long long)(ms ? nodes * 1000 / ms : 0));
    return 0;
}
