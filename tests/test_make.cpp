// make_move: the incremental updates of every field, checked against known
// answers and against the position recomputed from its board.
#include <gtest/gtest.h>

#include <vector>

#include "board/board.h"
#include "test_util.h"

namespace {

std::uint64_t pk(int colour, int type, const char* square) {
    return piece_keys[colour][type][sq(square)];
}

// Every byte of the record but the history pointers, compared field by field.
bool same_position(const Position& a, const Position& b) {
    for (int s = 0; s < 64; s++)
        if (a.board[s] != b.board[s]) return false;
    for (int i = 0; i < 15; i++)
        if (a.diag_a8h1_occupancy[i] != b.diag_a8h1_occupancy[i] ||
            a.diag_a1h8_occupancy[i] != b.diag_a1h8_occupancy[i])
            return false;
    for (int i = 0; i < 8; i++)
        if (a.file_occupancy[i] != b.file_occupancy[i] ||
            a.rank_occupancy[i] != b.rank_occupancy[i])
            return false;
    return a.occupied == b.occupied && a.white_pieces == b.white_pieces &&
           a.black_pieces == b.black_pieces && a.white_queens == b.white_queens &&
           a.black_queens == b.black_queens && a.white_knights == b.white_knights &&
           a.black_knights == b.black_knights && a.white_rooks == b.white_rooks &&
           a.black_rooks == b.black_rooks && a.white_bishops == b.white_bishops &&
           a.black_bishops == b.black_bishops && a.white_pawns == b.white_pawns &&
           a.black_pawns == b.black_pawns && a.white_diagonal_sliders == b.white_diagonal_sliders &&
           a.black_diagonal_sliders == b.black_diagonal_sliders &&
           a.white_straight_sliders == b.white_straight_sliders &&
           a.black_straight_sliders == b.black_straight_sliders &&
           a.white_king_square == b.white_king_square &&
           a.black_king_square == b.black_king_square && a.ep_target == b.ep_target &&
           a.ep_square == b.ep_square && a.white_material == b.white_material &&
           a.black_material == b.black_material && a.white_nonpawn_count == b.white_nonpawn_count &&
           a.black_nonpawn_count == b.black_nonpawn_count &&
           a.castle_white_short == b.castle_white_short &&
           a.castle_white_long == b.castle_white_long &&
           a.castle_black_short == b.castle_black_short &&
           a.castle_black_long == b.castle_black_long && a.unmoved == b.unmoved && a.key == b.key &&
           a.pawn_key == b.pawn_key && a.repetition == b.repetition &&
           a.white_to_move == b.white_to_move;
}

TEST(MakeMove, DoubleStepFromTheStart) {
    Position pos = start();
    const Position before = pos;
    make_move(pos, word("e2", "e4", PAWN));
    EXPECT_EQ(pos.ep_square, sq("e3"));
    EXPECT_EQ(pos.ep_target, square_mask[sq("e3")]);
    EXPECT_EQ(pos.white_to_move, 0);
    EXPECT_EQ(pos.key,
              before.key ^ pk(1, PAWN, "e2") ^ pk(1, PAWN, "e4") ^ ep_keys[sq("e3")] ^ side_key);
    EXPECT_EQ(pos.pawn_key, before.pawn_key ^ pk(1, PAWN, "e2") ^ pk(1, PAWN, "e4"));
    EXPECT_EQ(pos.history_start, before.history_end); // a pawn move restarts the window
    EXPECT_EQ(pos.history_end, before.history_end + 1);
    EXPECT_EQ(*pos.history_start, pos.key);
    EXPECT_EQ(pos.unmoved, before.unmoved & ~square_mask[sq("e2")] & ~square_mask[sq("e4")]);
    EXPECT_EQ(pos.board[sq("e2")], 0);
    EXPECT_EQ(pos.board[sq("e4")], PAWN);
    EXPECT_EQ(pos.rank_occupancy[1], 0xEF);
    EXPECT_EQ(pos.rank_occupancy[3], 0x10);
    EXPECT_EQ(pos.file_occupancy[4], 0xC9);     // e1, e4, e7, e8
    EXPECT_EQ(pos.diag_a8h1_occupancy[5], 32);  // f1 left, e2 gone
    EXPECT_EQ(pos.diag_a8h1_occupancy[7], 211); // a8, b7, g2, h1 and now e4
    EXPECT_EQ(pos.diag_a1h8_occupancy[10], 8);  // d1 left, e2 gone
    EXPECT_EQ(pos.diag_a1h8_occupancy[8], 150); // b1, c2, h7 and now e4
    EXPECT_EQ(position_is_ok(pos), 1);
}

TEST(MakeMove, EnPassantKeyIsReplacedOrRemoved) {
    Position pos = start();
    make_move(pos, word("e2", "e4", PAWN));
    Position reply = pos;
    make_move(reply, word("e7", "e5", PAWN));
    EXPECT_EQ(reply.ep_square, sq("e6"));
    EXPECT_EQ(reply.key, pos.key ^ ep_keys[sq("e3")] ^ pk(0, PAWN, "e7") ^ pk(0, PAWN, "e5") ^
                             ep_keys[sq("e6")] ^ side_key);
    EXPECT_EQ(position_is_ok(reply), 1);

    Position knight = pos;
    make_move(knight, word("g8", "f6", KNIGHT));
    EXPECT_EQ(knight.ep_square, -1);
    EXPECT_EQ(knight.ep_target, 0u);
    EXPECT_EQ(knight.key,
              pos.key ^ ep_keys[sq("e3")] ^ pk(0, KNIGHT, "g8") ^ pk(0, KNIGHT, "f6") ^ side_key);
    // A knight move keeps the window: it only grows.
    EXPECT_EQ(knight.history_start, pos.history_start);
    EXPECT_EQ(knight.history_end, pos.history_end + 1);
    EXPECT_EQ(position_is_ok(knight), 1);

    // A double step with no enemy pawn beside it still sets the square.
    Position lone = from_fen("4k3/8/8/8/8/8/P7/4K3 w - - 0 1");
    make_move(lone, word("a2", "a4", PAWN));
    EXPECT_EQ(lone.ep_square, sq("a3"));
}

TEST(MakeMove, ReturningKnightsRepeatTheStartKey) {
    Position pos = start();
    for (Move m : {word("g1", "f3", KNIGHT), word("g8", "f6", KNIGHT), word("f3", "g1", KNIGHT),
                   word("f6", "g8", KNIGHT)})
        make_move(pos, m);
    EXPECT_EQ(pos.key, test_keys[0]);
    EXPECT_EQ(pos.history_start, test_keys);
    EXPECT_EQ(pos.history_end, test_keys + 5);
    EXPECT_EQ(test_keys[4], test_keys[0]);
    EXPECT_NE(test_keys[2], test_keys[0]);
    EXPECT_EQ(pos.unmoved, start().unmoved & ~square_mask[sq("g1")] & ~square_mask[sq("g8")] &
                               ~square_mask[sq("f3")] & ~square_mask[sq("f6")]);
}

TEST(MakeMove, EnPassantCaptureRemovesThePawnBehind) {
    Position pos = start();
    for (Move m : {word("e2", "e4", PAWN), word("a7", "a6", PAWN), word("e4", "e5", PAWN),
                   word("d7", "d5", PAWN)})
        make_move(pos, m);
    const Position before = pos;
    make_move(pos, word("e5", "d6", PAWN, PAWN));
    EXPECT_EQ(pos.board[sq("d5")], 0);
    EXPECT_EQ(pos.board[sq("e5")], 0);
    EXPECT_EQ(pos.board[sq("d6")], PAWN);
    EXPECT_FALSE(pos.black_pawns & square_mask[sq("d5")]);
    EXPECT_FALSE(pos.black_pieces & square_mask[sq("d5")]);
    EXPECT_FALSE(pos.occupied & square_mask[sq("d5")]);
    EXPECT_EQ(pos.rank_occupancy[4], 0);   // both pawns left the fifth rank
    EXPECT_EQ(pos.rank_occupancy[5], 9);   // a6 and d6
    EXPECT_EQ(pos.file_occupancy[3], 163); // d1, d2, d6, d8
    EXPECT_EQ(pos.black_material, 3800);
    EXPECT_EQ(pos.white_material, 3900);
    EXPECT_EQ(pos.key, before.key ^ pk(1, PAWN, "e5") ^ pk(1, PAWN, "d6") ^ pk(0, PAWN, "d5") ^
                           ep_keys[sq("d6")] ^ side_key);
    EXPECT_EQ(pos.pawn_key,
              before.pawn_key ^ pk(1, PAWN, "e5") ^ pk(1, PAWN, "d6") ^ pk(0, PAWN, "d5"));
    EXPECT_EQ(pos.ep_square, -1);
    EXPECT_EQ(pos.history_start, before.history_end);
    EXPECT_EQ(position_is_ok(pos), 1);

    Position black = from_fen("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1");
    make_move(black, word("e4", "d3", PAWN, PAWN));
    EXPECT_EQ(black.board[sq("d4")], 0);
    EXPECT_EQ(black.board[sq("d3")], -PAWN);
    EXPECT_EQ(black.white_material, 0);
    EXPECT_EQ(black.white_pawns, 0u);
    EXPECT_EQ(black.pawn_key, pk(0, PAWN, "d3"));
    EXPECT_EQ(black.unmoved, square_mask[sq("e8")] | square_mask[sq("e1")]);
    EXPECT_EQ(position_is_ok(black), 1);
}

TEST(MakeMove, CastlingMovesTheRookAndDropsBothRights) {
    struct Case {
        const char* fen;
        Move move;
        const char *king_to, *rook_from, *rook_to;
    };
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", WHITE_SHORT_CASTLE, "g1", "h1", "f1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", WHITE_LONG_CASTLE, "c1", "a1", "d1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", BLACK_SHORT_CASTLE, "g8", "h8", "f8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", BLACK_LONG_CASTLE, "c8", "a8", "d8"},
    };
    for (const Case& c : cases) {
        Position pos = from_fen(c.fen);
        const Position before = pos;
        const int white = pos.white_to_move;
        const int colour = white ? 1 : 0;
        const char* king_from = white ? "e1" : "e8";
        make_move(pos, c.move);
        const int code = white ? 1 : -1;
        EXPECT_EQ(pos.board[sq(king_from)], 0) << c.move;
        EXPECT_EQ(pos.board[sq(c.king_to)], code * KING) << c.move;
        EXPECT_EQ(pos.board[sq(c.rook_from)], 0) << c.move;
        EXPECT_EQ(pos.board[sq(c.rook_to)], code * ROOK) << c.move;
        EXPECT_EQ(white ? pos.white_king_square : pos.black_king_square, sq(c.king_to));
        const std::uint64_t rights =
            white ? castle_keys[0] ^ castle_keys[1] : castle_keys[2] ^ castle_keys[3];
        EXPECT_EQ(pos.key, before.key ^ pk(colour, KING, king_from) ^ pk(colour, KING, c.king_to) ^
                               pk(colour, ROOK, c.rook_from) ^ pk(colour, ROOK, c.rook_to) ^
                               rights ^ side_key)
            << c.move;
        EXPECT_EQ(pos.castle_white_short, white ? 0 : 1);
        EXPECT_EQ(pos.castle_white_long, white ? 0 : 1);
        EXPECT_EQ(pos.castle_black_short, white ? 1 : 0);
        EXPECT_EQ(pos.castle_black_long, white ? 1 : 0);
        EXPECT_EQ(pos.unmoved,
                  before.unmoved & ~square_mask[sq(king_from)] & ~square_mask[sq(c.rook_from)]);
        EXPECT_EQ(pos.history_start, before.history_end) << c.move;
        EXPECT_EQ(pos.pawn_key, before.pawn_key);
        EXPECT_EQ(position_is_ok(pos), 1) << c.move;
    }
}

TEST(MakeMove, KingMoveDropsRightsForGood) {
    Position pos = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    make_move(pos, word("e1", "f1", KING));
    EXPECT_EQ(pos.castle_white_short, 0);
    EXPECT_EQ(pos.castle_white_long, 0);
    EXPECT_EQ(pos.castle_black_short, 1);
    make_move(pos, word("a8", "b8", ROOK));
    EXPECT_EQ(pos.castle_black_long, 0);
    EXPECT_EQ(pos.castle_black_short, 1);
    make_move(pos, word("f1", "e1", KING));
    make_move(pos, word("b8", "a8", ROOK));
    EXPECT_EQ(pos.castle_white_short, 0);
    EXPECT_EQ(pos.castle_white_long, 0);
    EXPECT_EQ(pos.castle_black_long, 0);
    EXPECT_EQ(pos.castle_black_short, 1);
    EXPECT_EQ(pos.key, compute_key(pos));
    // King and rook moves are reversible: the window kept growing.
    EXPECT_EQ(pos.history_start, test_keys);
    EXPECT_EQ(pos.history_end, test_keys + 5);

    // A rook leaving a square other than its corner touches no right.
    Position other = from_fen("4k3/8/8/8/8/8/8/R2RK2R w KQ - 0 1");
    make_move(other, word("d1", "d4", ROOK));
    EXPECT_EQ(other.castle_white_short, 1);
    EXPECT_EQ(other.castle_white_long, 1);
    EXPECT_EQ(position_is_ok(other), 1);
}

TEST(MakeMove, CapturedCornerRookTakesItsRight) {
    Position pos = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const Position before = pos;
    make_move(pos, word("h1", "h8", ROOK, ROOK));
    EXPECT_EQ(pos.castle_white_short, 0); // own rook left its corner
    EXPECT_EQ(pos.castle_white_long, 1);
    EXPECT_EQ(pos.castle_black_short, 0); // enemy rook taken on its corner
    EXPECT_EQ(pos.castle_black_long, 1);
    EXPECT_EQ(pos.black_material, before.black_material - 500);
    EXPECT_EQ(pos.black_nonpawn_count, before.black_nonpawn_count - 1);
    EXPECT_EQ(pos.key, before.key ^ pk(1, ROOK, "h1") ^ pk(1, ROOK, "h8") ^ pk(0, ROOK, "h8") ^
                           castle_keys[0] ^ castle_keys[2] ^ side_key);
    EXPECT_EQ(pos.history_start, before.history_end);
    EXPECT_EQ(position_is_ok(pos), 1);

    // The right follows the captured rook, whatever takes it.
    Position bishop = from_fen("r3k2r/8/8/8/8/8/1B6/4K3 w kq - 0 1");
    make_move(bishop, word("b2", "h8", BISHOP, ROOK));
    EXPECT_EQ(bishop.castle_black_short, 0);
    EXPECT_EQ(bishop.castle_black_long, 1);
    EXPECT_EQ(position_is_ok(bishop), 1);

    Position black = from_fen("r3k3/8/8/8/8/8/8/R3K2R b KQq - 0 1");
    make_move(black, word("a8", "a1", ROOK, ROOK));
    EXPECT_EQ(black.castle_white_long, 0);
    EXPECT_EQ(black.castle_white_short, 1);
    EXPECT_EQ(black.castle_black_long, 0);
    EXPECT_EQ(black.white_material, 500);
    EXPECT_EQ(position_is_ok(black), 1);
}

TEST(MakeMove, PromotionWithCapture) {
    Position pos = from_fen("r3k3/1P6/8/8/8/8/8/4K3 w q - 0 1");
    const Position before = pos;
    make_move(pos, word("b7", "a8", PAWN, ROOK, KNIGHT));
    EXPECT_EQ(pos.board[sq("a8")], KNIGHT);
    EXPECT_EQ(pos.board[sq("b7")], 0);
    EXPECT_EQ(pos.black_material, before.black_material - 500);
    EXPECT_EQ(pos.white_material, before.white_material + 300 - 100);
    EXPECT_EQ(pos.white_nonpawn_count, before.white_nonpawn_count + 1);
    EXPECT_EQ(pos.black_nonpawn_count, before.black_nonpawn_count - 1);
    EXPECT_EQ(pos.castle_black_long, 0);
    EXPECT_EQ(pos.white_knights, square_mask[sq("a8")]);
    EXPECT_EQ(pos.white_pawns, 0u);
    EXPECT_EQ(pos.black_rooks, 0u);
    EXPECT_EQ(pos.pawn_key, 0u);
    EXPECT_EQ(pos.key, before.key ^ pk(1, PAWN, "b7") ^ pk(0, ROOK, "a8") ^ pk(1, KNIGHT, "a8") ^
                           castle_keys[3] ^ side_key);
    EXPECT_EQ(position_is_ok(pos), 1);

    // Each promotion piece by a straight step, both colours.
    const int types[] = {QUEEN, ROOK, KNIGHT, BISHOP};
    const int values[] = {900, 500, 300, 300};
    for (int i = 0; i < 4; i++) {
        Position w = from_fen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
        make_move(w, word("b7", "b8", PAWN, 0, types[i]));
        EXPECT_EQ(w.board[sq("b8")], types[i]);
        EXPECT_EQ(w.white_material, values[i]);
        EXPECT_EQ(w.white_nonpawn_count, 1);
        EXPECT_EQ(position_is_ok(w), 1) << types[i];
        Position b = from_fen("4k3/8/8/8/8/8/6p1/4K3 b - - 0 1");
        make_move(b, word("g2", "g1", PAWN, 0, types[i]));
        EXPECT_EQ(b.board[sq("g1")], -types[i]);
        EXPECT_EQ(b.black_material, values[i]);
        EXPECT_EQ(position_is_ok(b), 1) << types[i];
    }
}

TEST(MakeMove, RepetitionFlagIsLeftAlone) {
    for (int flag : {0, 1}) {
        Position pos = start();
        pos.repetition = flag;
        make_move(pos, word("g1", "f3", KNIGHT));
        EXPECT_EQ(pos.repetition, flag);
        make_move(pos, word("e7", "e5", PAWN));
        EXPECT_EQ(pos.repetition, flag);
    }
}

TEST(MakeMove, CopiesAreIndependent) {
    Position parent = start();
    make_move(parent, word("g1", "f3", KNIGHT));
    const Position saved = parent;
    std::uint64_t* const end = parent.history_end;

    Position first = parent;
    make_move(first, word("d7", "d5", PAWN));
    EXPECT_TRUE(same_position(parent, saved));
    EXPECT_EQ(parent.history_end, end);
    EXPECT_EQ(*end, first.key);

    // A sibling overwrites the entry the first child wrote: the history is a stack.
    Position second = parent;
    make_move(second, word("g8", "f6", KNIGHT));
    EXPECT_EQ(*end, second.key);
    EXPECT_EQ(second.history_end, end + 1);
    EXPECT_TRUE(same_position(parent, saved));
    EXPECT_EQ(position_is_ok(parent), 1);
    EXPECT_EQ(position_is_ok(second), 1);
    EXPECT_FALSE(same_position(first, second));
}

struct WalkTally {
    long moves = 0, failures = 0;
};

bool irreversible(Move m) {
    return move_piece(m) == PAWN || move_captured(m) != 0 || m == WHITE_SHORT_CASTLE ||
           m == WHITE_LONG_CASTLE || m == BLACK_SHORT_CASTLE || m == BLACK_LONG_CASTLE;
}

// Makes every pseudo-legal move of every node (the search makes moves that
// leave the king attacked too) and recurses on the legal ones.
void walk(const Position& pos, int depth, WalkTally& tally, const char* fen) {
    Move list[MAX_MOVES];
    Move* end = generate_quiet(pos, generate_captures(pos, list));
    for (Move* m = list; m != end; m++) {
        Position child = pos;
        make_move(child, *m);
        tally.moves++;
        const Bitboard touched = square_mask[move_from(*m)] | square_mask[move_to(*m)];
        const bool ok =
            position_is_ok(child) && child.history_end[-1] == child.key &&
            child.history_end == pos.history_end + 1 &&
            child.history_start == (irreversible(*m) ? pos.history_end : pos.history_start) &&
            child.white_to_move == 1 - pos.white_to_move && child.repetition == pos.repetition &&
            (child.unmoved & ~(pos.unmoved & ~touched)) == 0 && child.board[move_to(*m)] != 0;
        if (!ok && tally.failures++ < 10) ADD_FAILURE() << "move " << *m << " from " << fen;
        if (depth > 1 && !mover_in_check(child)) walk(child, depth - 1, tally, fen);
    }
}

TEST(MakeMove, InvariantsHoldThroughoutDepthThree) {
    const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    };
    for (const char* fen : fens) {
        WalkTally tally;
        walk(from_fen(fen), 3, tally, fen);
        EXPECT_EQ(tally.failures, 0) << fen;
        EXPECT_GT(tally.moves, 1000) << fen;
    }
}

} // namespace
