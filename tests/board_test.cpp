// Board and moves: perft counts with the position record, legality and checks
// checked at every inner node, the invariant check itself, stored-move validity and move text.
#include <gtest/gtest.h>

#include <cstddef>

#include "shell/shell.h"
#include "support.h"

namespace {

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* KIWIPETE =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// What is told without making a move agrees with making it: legality where
// known, and every check (only the special moves may be called checks wrongly).
void check_shortcuts(const Position& pos) {
    Move list[MAX_MOVES];
    const Move* end = generate_quiet(pos, generate_captures(pos, list));
    const int in_check = side_in_check(pos);
    const Bitboard exposing = exposing_squares(pos, in_check);
    CheckTargets targets;
    find_check_targets(pos, targets);
    for (const Move* m = list; m != end; m++) {
        if (move_captured(*m) == KING) continue;
        Position child = pos;
        make_move(child, *m);
        const int legal = !mover_in_check(child), check = side_in_check(child);
        const int known = known_legality(pos, exposing, in_check, *m);
        if (known >= 0 && known != legal) ADD_FAILURE() << "legality of move word " << *m;
        const bool special = move_promotion(*m) ||
                             (move_piece(*m) == PAWN && move_to(*m) == pos.ep_square) ||
                             *m == castlings[pos.white_to_move][0].word ||
                             *m == castlings[pos.white_to_move][1].word;
        const int told = may_give_check(pos, targets, *m);
        if (special ? told < check : told != check) ADD_FAILURE() << "check by move word " << *m;
    }
}

std::uint64_t perft(const Position& pos, int depth) {
    Move list[MAX_MOVES];
    const Move* end = legal_moves(pos, list);
    if (depth == 1) return std::uint64_t(end - list);
    check_shortcuts(pos);
    std::uint64_t leaves = 0;
    for (const Move* m = list; m != end; m++) {
        Position child = pos;
        make_move(child, *m);
        // every redundant view against the board, keys recomputed from scratch
        if (!position_is_ok(child)) ADD_FAILURE() << "move word " << *m << " breaks the record";
        leaves += perft(child, depth - 1);
    }
    return leaves;
}

TEST(Board, PerftCounts) {
    struct Case {
        const char* fen;
        std::vector<std::uint64_t> counts;
    };
    const Case cases[] = {
        {START, {20, 400, 8902, 197281, 4865609}},
        {KIWIPETE, {48, 2039, 97862, 4085603}},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238, 674624}},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
         {6, 264, 9467, 422333}},
        {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
         {6, 264, 9467, 422333}},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379, 2103487}},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
         {46, 2079, 89890, 3894594}},
        // en passant that would expose the own king along the rank
        {"8/8/8/K2pP2r/8/8/8/7k w - d6 0 2", {6, 78, 528}},
        {"8/8/8/8/kpP4Q/8/8/4K3 b - c3 0 1", {4, 92, 403}},
    };
    for (const Case& c : cases) {
        const Position pos = fen(c.fen);
        for (std::size_t d = 0; d < c.counts.size(); d++) {
#ifdef ENGINE_DEBUG_CHECKS
            if (c.counts[d] > 500000) break; // ten times slower; the small trees reach every move
#endif
            EXPECT_EQ(perft(pos, int(d + 1)), c.counts[d]) << c.fen << " depth " << d + 1;
        }
    }
}

TEST(Board, BenchPerftTakesFenMovesAndDivide) {
    EXPECT_EQ(bench("perft 3 --fen '" + std::string(KIWIPETE) + "' e1g1 e8c8").second.substr(0, 23),
              "perft 3: 93449 nodes, 0");
    const std::string divided = bench("perft 3 e2e4 d7d5 --divide e4e5 f7f5").second;
    EXPECT_EQ(divided.substr(0, 20), "e5f6: 908\nb1a3: 717\n") << "en passant first";
    EXPECT_NE(divided.find("\nperft 3: 21637 nodes, "), std::string::npos) << divided;
    for (const char* args :
         {"", "frob 3", "perft", "perft 0", "perft 13", "perft 2x", "perft 1 --fen",
          "perft 1 --fen 'K7/8/8/8/8/8/8/8 w - -'", "perft 1 --fen 'k7/8/K7 w - -'",
          "perft 1 --fen 'Pk6/8/8/8/8/8/8/K7 w - -'",
          "perft 1 --fen 'r3k2r/8/8/8/8/8/8/R3K3 w K -'",
          "perft 1 --fen 'k7/8/8/8/8/8/8/K7 w - -x'", "perft 1 --fen 'k7/8/8/8/8/8/8/K7 w - x3'",
          "perft 1 --fen 'k7/8/8/8/8/8/8/K7 w - e6'", "perft 1 --depth 3", "perft 1 e2e5",
          "perft 1 e2e4 e2e4", "perft 1 O-O"})
        EXPECT_EQ(bench(args), std::make_pair(2, std::string())) << args;
}

// One bit flipped in one field: a piece, a set, an occupancy line, the
// material, a count, a king square, a key, the en passant square, unmoved.
TEST(Board, PositionCheckNoticesCorruption) {
    // clang-format off
    const std::size_t bytes[] = {
        offsetof(Position, board) + 12, offsetof(Position, white_pawns) + 2,
        offsetof(Position, black_rooks) + 7, offsetof(Position, occupied) + 2,
        offsetof(Position, diag_a1h8_occupancy) + 7, offsetof(Position, file_occupancy) + 3,
        offsetof(Position, black_material), offsetof(Position, white_nonpawn_count),
        offsetof(Position, black_king_square), offsetof(Position, key),
        offsetof(Position, pawn_key), offsetof(Position, ep_square), offsetof(Position, unmoved) + 3};
    // clang-format on
    EXPECT_TRUE(position_is_ok(play("")));
    for (const std::size_t byte : bytes) {
        Position p = play("");
        reinterpret_cast<unsigned char*>(&p)[byte] ^= 1;
        EXPECT_FALSE(position_is_ok(p)) << byte;
    }
    Position no_rook = fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"); // a right without its rook
    no_rook.castle_white_short = 1;
    no_rook.key ^= castle_keys[0];
    EXPECT_FALSE(position_is_ok(no_rook));
}

// Stored moves (table, killers) are tested against a position they were not made in.
TEST(Board, ValidityOfStoredMoveWords) {
    struct Case {
        const char* fen;
        Move move;
        int valid;
    };
    const auto w = [](const char* from, const char* to, int piece, int captured = 0,
                      int promotion = 0) {
        return make_move_word((from[1] - '1') * 8 + from[0] - 'a', (to[1] - '1') * 8 + to[0] - 'a',
                              piece, captured, promotion);
    };
    const char* castles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* black_castles = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    const Case cases[] = {
        {START, w("e2", "e4", PAWN), 1},
        {START, w("e7", "e5", PAWN), 0},                               // not the side to move
        {START, w("e2", "e4", KNIGHT), 0},                             // wrong piece on e2
        {START, w("g1", "g3", KNIGHT), 0},                             // not a knight's step
        {START, w("f1", "c4", BISHOP), 0},                             // path blocked
        {START, w("e2", "e4", PAWN) | 1u << 21, 0},                    // bits no generator sets
        {"4k3/8/8/8/4p3/8/4P3/4K3 w - - 0 1", w("e2", "e4", PAWN), 0}, // blocked on e4
        {"4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", w("e2", "e4", PAWN), 0}, // blocked on e3
        {"4k3/8/8/8/8/3n4/4P3/4K3 w - - 0 1", w("e2", "d3", PAWN, KNIGHT), 1},
        {"4k3/8/8/8/8/3n4/4P3/4K3 w - - 0 1", w("e2", "d3", PAWN, BISHOP), 0}, // wrong victim
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", w("e2", "d3", PAWN), 0},           // nothing to take
        {"4k3/8/8/8/8/n7/4P3/4K3 w - - 0 1", w("e2", "a3", PAWN, KNIGHT), 0},  // no pawn's step
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", w("e5", "d6", PAWN, PAWN), 1},   // en passant
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", w("e5", "d6", PAWN, PAWN), 0},    // too late
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", w("a7", "a8", PAWN, 0, QUEEN), 1},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", w("a7", "a8", PAWN), 0}, // no promotion
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", w("a7", "a8", PAWN, 0, KING), 0},
        {"4k3/8/P7/8/8/8/8/4K3 w - - 0 1", w("a6", "a7", PAWN, 0, QUEEN), 0}, // not the last rank
        {castles, WHITE_SHORT_CASTLE, 1},
        {castles, WHITE_LONG_CASTLE, 1},
        {castles, BLACK_SHORT_CASTLE, 0},
        {black_castles, BLACK_LONG_CASTLE, 1},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", WHITE_SHORT_CASTLE, 0},    // no right
        {"r3k2r/8/8/8/8/8/p7/R3K2R w KQkq - 0 1", WHITE_LONG_CASTLE, 1},   // b1 attacked
        {"r3k2r/3P4/8/8/8/8/8/R3K2R b KQkq - 0 1", BLACK_SHORT_CASTLE, 0}, // in check
        // a black king that a game brought to e1: the white castling word is no move
        {"8/8/8/8/8/8/8/4k2K b - - 0 1", WHITE_SHORT_CASTLE, 0},
        {"8/8/8/8/8/8/8/4k2K b - - 0 1", w("e1", "g1", KING), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(move_is_valid(fen(c.fen), c.move), c.valid) << c.fen << " " << c.move;
}

TEST(Board, MoveTextBothWays) {
    char buffer[6];
    const std::pair<Move, const char*> printed[] = {
        {5900, "e2e4"},
        {0, "a1a1"},
        {WHITE_SHORT_CASTLE, "O-O"},
        {BLACK_SHORT_CASTLE, "O-O"},
        {WHITE_LONG_CASTLE, "O-O-O"},
        {BLACK_LONG_CASTLE, "O-O-O"},
        {4095, "h8h8"},
        {WHITE_SHORT_CASTLE | 1u << 15, "e1g1"}, // only the whole word is a castling
        {make_move_word(48, 56, PAWN, 0, QUEEN), "a7a8q"},
        {make_move_word(48, 57, PAWN, ROOK, ROOK), "a7b8r"},
        {make_move_word(8, 0, PAWN, 0, KNIGHT), "a2a1n"},
        {make_move_word(8, 0, PAWN, 0, BISHOP), "a2a1b"},
        {make_move_word(8, 0, PAWN, 0, KING), "a2a1"}};
    for (const auto& [m, s] : printed) EXPECT_STREQ(move_text(m, buffer), s) << m;
    EXPECT_STREQ(coordinate_text(BLACK_LONG_CASTLE, buffer), "e8c8");

    const Position start = fen(START), promoting = fen("1r2k3/P7/8/3pP3/8/8/8/4K2R w K d6 0 1");
    const std::pair<const char*, Move> parsed[] = {
        {"e1g1", WHITE_SHORT_CASTLE},
        {"e5d6", make_move_word(36, 43, PAWN, PAWN)}, // en passant
        {"a7b8q", make_move_word(48, 57, PAWN, ROOK, QUEEN)},
        {"a7a8n", make_move_word(48, 56, PAWN, 0, KNIGHT)},
        {"a7a8r", make_move_word(48, 56, PAWN, 0, ROOK)},
        {"a7a8b", make_move_word(48, 56, PAWN, 0, BISHOP)},
        {"a7a8", make_move_word(48, 56, PAWN)}, // no legal move has this word
        {"e1e2", make_move_word(4, 12, KING)}};
    for (const auto& [t, m] : parsed) EXPECT_EQ(parse_move(promoting, t), m) << t;
    EXPECT_EQ(parse_move(start, "e2e4"), 5900u);
    EXPECT_EQ(parse_move(start, "e3e4"), make_move_word(20, 28, EMPTY)) << "legality decides";
    new_game();
    EXPECT_STREQ(play_moves("e2e4 e7e5 e2e4qq"), "e2e4qq") << "the first that is no move";
    for (const char* bad : {"a7a8Q", "a7a8k", "O-O", "O-O-O", "E2E4", " e2e4", "e2e4 ", "e2e",
                            "e2e4qq", "i2e4", "e0e4", "e2e9", "e2`4", ""})
        EXPECT_EQ(parse_move(promoting, bad), 0u) << bad;
}

} // namespace
