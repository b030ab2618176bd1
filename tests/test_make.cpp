// make_move: every move of several positions checked against the position
// recomputed from its board, plus the updates such a recomputation cannot
// see (castling rights, the key history, the repetition flag).
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "test_util.h"

namespace {

bool irreversible(Move m) {
    return move_piece(m) == PAWN || move_captured(m) != 0 || m == WHITE_SHORT_CASTLE ||
           m == WHITE_LONG_CASTLE || m == BLACK_SHORT_CASTLE || m == BLACK_LONG_CASTLE;
}

// Makes every pseudo-legal move of every node (the search makes moves that
// leave the king attacked too) and recurses on the legal ones.
void walk(const Position& pos, int depth, long& moves, long& failures, const char* fen) {
    Move list[MAX_MOVES];
    Move* end = generate_quiet(pos, generate_captures(pos, list));
    for (Move* m = list; m != end; m++) {
        Position child = pos;
        make_move(child, *m);
        moves++;
        const Bitboard touched = square_mask[move_from(*m)] | square_mask[move_to(*m)];
        const bool ok =
            position_is_ok(child) && child.history_end[-1] == child.key &&
            child.history_end == pos.history_end + 1 &&
            child.history_start == (irreversible(*m) ? pos.history_end : pos.history_start) &&
            child.white_to_move == 1 - pos.white_to_move && child.repetition == pos.repetition &&
            (child.unmoved & ~(pos.unmoved & ~touched)) == 0 && child.board[move_to(*m)] != 0;
        if (!ok && failures++ < 10) ADD_FAILURE() << "move " << *m << " from " << fen;
        if (depth > 1 && !mover_in_check(child)) walk(child, depth - 1, moves, failures, fen);
    }
}

TEST(MakeMove, InvariantsHoldThroughoutDepthThree) {
    for (const char* fen : walk_positions) {
        long moves = 0, failures = 0;
        walk(from_fen(fen), 3, moves, failures, fen);
        EXPECT_EQ(failures, 0) << fen;
        EXPECT_GT(moves, 1000) << fen;
    }
}

TEST(MakeMove, DoubleStepSetsTheSquareEvenWithoutAnEnemyPawn) {
    Position pos = from_fen("4k3/8/8/8/8/8/P7/4K3 w - - 0 1");
    make_move(pos, word("a2", "a4", PAWN));
    EXPECT_EQ(pos.ep_square, sq("a3"));
    EXPECT_EQ(pos.key, compute_key(pos));
}

TEST(MakeMove, EnPassantRemovesThePawnBehindForBothColours) {
    Position pos = start();
    play_moves(pos, "e2e4 a7a6 e4e5 d7d5 e5d6");
    EXPECT_EQ(pos.board[sq("d5")], 0);
    EXPECT_EQ(pos.board[sq("d6")], PAWN);
    EXPECT_EQ(pos.black_material, 3800);
    EXPECT_EQ(position_is_ok(pos), 1);

    Position black = from_fen("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1");
    make_move(black, word("e4", "d3", PAWN, PAWN));
    EXPECT_EQ(black.board[sq("d4")], 0);
    EXPECT_EQ(black.board[sq("d3")], -PAWN);
    EXPECT_EQ(black.white_material, 0);
    EXPECT_EQ(position_is_ok(black), 1);
}

TEST(MakeMove, CastlingMovesTheRookAndDropsBothRights) {
    struct Case {
        char side;
        Move move;
        const char *king_from, *king_to, *rook_from, *rook_to;
    };
    const Case cases[] = {
        {'w', WHITE_SHORT_CASTLE, "e1", "g1", "h1", "f1"},
        {'w', WHITE_LONG_CASTLE, "e1", "c1", "a1", "d1"},
        {'b', BLACK_SHORT_CASTLE, "e8", "g8", "h8", "f8"},
        {'b', BLACK_LONG_CASTLE, "e8", "c8", "a8", "d8"},
    };
    for (const Case& c : cases) {
        const std::string fen = std::string("r3k2r/8/8/8/8/8/8/R3K2R ") + c.side + " KQkq - 0 1";
        Position pos = from_fen(fen.c_str());
        make_move(pos, c.move);
        const int code = c.side == 'w' ? 1 : -1;
        EXPECT_EQ(pos.board[sq(c.king_from)], 0) << c.move;
        EXPECT_EQ(pos.board[sq(c.king_to)], code * KING) << c.move;
        EXPECT_EQ(pos.board[sq(c.rook_from)], 0) << c.move;
        EXPECT_EQ(pos.board[sq(c.rook_to)], code * ROOK) << c.move;
        EXPECT_EQ(pos.castle_white_short + pos.castle_white_long, code > 0 ? 0 : 2) << c.move;
        EXPECT_EQ(pos.castle_black_short + pos.castle_black_long, code > 0 ? 2 : 0) << c.move;
        EXPECT_EQ(position_is_ok(pos), 1) << c.move;
    }
}

TEST(MakeMove, KingMoveDropsRightsForGood) {
    Position pos = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    make_move(pos, word("e1", "f1", KING));
    EXPECT_EQ(pos.castle_white_short + pos.castle_white_long, 0);
    make_move(pos, word("a8", "b8", ROOK));
    EXPECT_EQ(pos.castle_black_long, 0);
    make_move(pos, word("f1", "e1", KING));
    make_move(pos, word("b8", "a8", ROOK));
    EXPECT_EQ(pos.castle_white_short + pos.castle_white_long + pos.castle_black_long, 0);
    EXPECT_EQ(pos.castle_black_short, 1);
    EXPECT_EQ(pos.key, compute_key(pos));

    // A rook leaving a square other than its corner touches no right.
    Position other = from_fen("4k3/8/8/8/8/8/8/R2RK2R w KQ - 0 1");
    make_move(other, word("d1", "d4", ROOK));
    EXPECT_EQ(other.castle_white_short + other.castle_white_long, 2);
}

TEST(MakeMove, CapturedCornerRookTakesItsRight) {
    Position pos = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    make_move(pos, word("h1", "h8", ROOK, ROOK));
    EXPECT_EQ(pos.castle_white_short, 0); // own rook left its corner
    EXPECT_EQ(pos.castle_white_long, 1);
    EXPECT_EQ(pos.castle_black_short, 0); // enemy rook taken on its corner
    EXPECT_EQ(pos.castle_black_long, 1);

    // The right follows the captured rook, whatever takes it, for both colours.
    Position bishop = from_fen("r3k2r/8/8/8/8/8/1B6/4K3 w kq - 0 1");
    make_move(bishop, word("b2", "h8", BISHOP, ROOK));
    EXPECT_EQ(bishop.castle_black_short, 0);
    EXPECT_EQ(bishop.castle_black_long, 1);
    Position black = from_fen("r3k3/8/8/8/8/8/8/R3K2R b KQq - 0 1");
    make_move(black, word("a8", "a1", ROOK, ROOK));
    EXPECT_EQ(black.castle_white_long, 0);
    EXPECT_EQ(black.castle_white_short, 1);
    EXPECT_EQ(black.castle_black_long, 0);
}

TEST(MakeMove, EveryPromotionPieceForBothColours) {
    Position capture = from_fen("r3k3/1P6/8/8/8/8/8/4K3 w q - 0 1");
    make_move(capture, word("b7", "a8", PAWN, ROOK, KNIGHT));
    EXPECT_EQ(capture.board[sq("a8")], KNIGHT);
    EXPECT_EQ(capture.castle_black_long, 0);
    EXPECT_EQ(position_is_ok(capture), 1);
    for (const int type : {QUEEN, ROOK, KNIGHT, BISHOP}) {
        Position w = from_fen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
        make_move(w, word("b7", "b8", PAWN, 0, type));
        EXPECT_EQ(w.board[sq("b8")], type);
        EXPECT_EQ(position_is_ok(w), 1) << type;
        Position b = from_fen("4k3/8/8/8/8/8/6p1/4K3 b - - 0 1");
        make_move(b, word("g2", "g1", PAWN, 0, type));
        EXPECT_EQ(b.board[sq("g1")], -type);
        EXPECT_EQ(position_is_ok(b), 1) << type;
    }
}

TEST(MakeMove, RepetitionFlagIsLeftAlone) {
    Position pos = start();
    pos.repetition = 1;
    play_moves(pos, "g1f3 e7e5");
    EXPECT_EQ(pos.repetition, 1);
}

TEST(MakeMove, CopiesAreIndependentAndTheHistoryIsAStack) {
    Position parent = start();
    make_move(parent, word("g1", "f3", KNIGHT));
    const Position saved = parent;
    std::uint64_t* const end = parent.history_end;

    Position first = parent;
    make_move(first, word("d7", "d5", PAWN));
    EXPECT_EQ(*end, first.key);
    // A sibling overwrites the entry the first child wrote.
    Position second = parent;
    make_move(second, word("g8", "f6", KNIGHT));
    EXPECT_EQ(*end, second.key);
    EXPECT_EQ(second.history_end, end + 1);
    EXPECT_TRUE(same_state(parent, saved));
    EXPECT_EQ(parent.history_end, end);
}

} // namespace
