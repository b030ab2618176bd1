// Attack detection, the two generators (groups and order), the legal list
// and the validity test of stored moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <vector>

#include "board/board.h"
#include "test_util.h"

namespace {

using Moves = std::vector<Move>;

Moves captures(const Position& pos) {
    Move list[MAX_MOVES];
    return Moves(list, generate_captures(pos, list));
}

Moves quiet(const Position& pos) {
    Move list[MAX_MOVES];
    return Moves(list, generate_quiet(pos, list));
}

Moves legal(const Position& pos) {
    Move list[MAX_MOVES];
    return Moves(list, legal_moves(pos, list));
}

bool contains(const Moves& moves, Move m) {
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

// Squares attacked by the piece on s, found on the mailbox board alone.
Bitboard mailbox_attacks(const Position& pos, Square s) {
    const PieceCode code = pos.board[s];
    const int type = std::abs(code), r = s >> 3, f = s & 7;
    Bitboard b = 0;
    auto add = [&](int rr, int ff) {
        if (on_board(rr, ff)) b |= Bitboard(1) << (rr * 8 + ff);
    };
    auto slide = [&](int dr, int df) {
        for (int rr = r + dr, ff = f + df; on_board(rr, ff); rr += dr, ff += df) {
            add(rr, ff);
            if (pos.board[rr * 8 + ff]) break;
        }
    };
    switch (type) {
    case PAWN:
        add(r + (code > 0 ? 1 : -1), f - 1);
        add(r + (code > 0 ? 1 : -1), f + 1);
        break;
    case KNIGHT:
        for (int dr : {-2, -1, 1, 2})
            for (int df : {-2, -1, 1, 2})
                if (std::abs(dr) != std::abs(df)) add(r + dr, f + df);
        break;
    case KING:
        for (int dr : {-1, 0, 1})
            for (int df : {-1, 0, 1})
                if (dr || df) add(r + dr, f + df);
        break;
    default:
        if (type == BISHOP || type == QUEEN)
            for (int dr : {-1, 1})
                for (int df : {-1, 1}) slide(dr, df);
        if (type == ROOK || type == QUEEN) {
            slide(1, 0), slide(-1, 0), slide(0, 1), slide(0, -1);
        }
    }
    return b;
}

// ---- generation order ----

TEST(Generation, InitialPositionForBothColours) {
    Position pos = start();
    for (const int white : {1, 0}) {
        const char* b = white ? "b1" : "b8";
        const char* g = white ? "g1" : "g8";
        const int rank2 = white ? 8 : 48, step = white ? 8 : -8;
        Moves expected = {
            word(b, white ? "a3" : "a6", KNIGHT), word(b, white ? "c3" : "c6", KNIGHT),
            word(g, white ? "f3" : "f6", KNIGHT), word(g, white ? "h3" : "h6", KNIGHT)};
        for (int f = 0; f < 8; f++)
            expected.push_back(make_move_word(rank2 + f, rank2 + step + f, PAWN));
        for (int f = 0; f < 8; f++)
            expected.push_back(make_move_word(rank2 + f, rank2 + 2 * step + f, PAWN));
        EXPECT_TRUE(captures(pos).empty());
        EXPECT_EQ(quiet(pos), expected);
        EXPECT_EQ(legal(pos), expected);
        if (white) make_move(pos, word("e2", "e4", PAWN));
    }
}

TEST(Generation, PromotionsSplitBetweenTheLists) {
    const Position pos = from_fen("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(captures(pos),
              (Moves{word("b7", "a8", PAWN, ROOK, QUEEN), word("b7", "b8", PAWN, 0, QUEEN)}));
    EXPECT_EQ(quiet(pos),
              (Moves{word("b7", "a8", PAWN, ROOK, ROOK), word("b7", "a8", PAWN, ROOK, KNIGHT),
                     word("b7", "a8", PAWN, ROOK, BISHOP), word("b7", "b8", PAWN, 0, ROOK),
                     word("b7", "b8", PAWN, 0, KNIGHT), word("b7", "b8", PAWN, 0, BISHOP),
                     word("e1", "d1", KING), word("e1", "f1", KING), word("e1", "d2", KING),
                     word("e1", "e2", KING), word("e1", "f2", KING)}));
}

TEST(Generation, BlackPromotions) {
    const Position pos = from_fen("4k3/8/8/8/8/8/6p1/4KN1R b - - 0 1");
    EXPECT_EQ(captures(pos),
              (Moves{word("g2", "f1", PAWN, KNIGHT, QUEEN), word("g2", "h1", PAWN, ROOK, QUEEN),
                     word("g2", "g1", PAWN, 0, QUEEN)}));
    EXPECT_EQ(
        quiet(pos),
        (Moves{word("g2", "f1", PAWN, KNIGHT, ROOK), word("g2", "f1", PAWN, KNIGHT, KNIGHT),
               word("g2", "f1", PAWN, KNIGHT, BISHOP), word("g2", "h1", PAWN, ROOK, ROOK),
               word("g2", "h1", PAWN, ROOK, KNIGHT), word("g2", "h1", PAWN, ROOK, BISHOP),
               word("g2", "g1", PAWN, 0, ROOK), word("g2", "g1", PAWN, 0, KNIGHT),
               word("g2", "g1", PAWN, 0, BISHOP), word("e8", "d7", KING), word("e8", "e7", KING),
               word("e8", "f7", KING), word("e8", "d8", KING), word("e8", "f8", KING)}));
}

TEST(Generation, EnPassantCapturesCarryAPawn) {
    EXPECT_EQ(captures(from_fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2")),
              (Moves{word("e5", "d6", PAWN, PAWN)}));
    EXPECT_EQ(captures(from_fen("4k3/8/8/8/4pP2/8/8/4K3 b - f3 0 1")),
              (Moves{word("e4", "f3", PAWN, PAWN)}));
    // Both capture groups, each in ascending order of origin.
    EXPECT_EQ(captures(from_fen("4k3/8/1n3n2/2PpP3/8/8/8/4K3 w - d6 0 2")),
              (Moves{word("c5", "b6", PAWN, KNIGHT), word("e5", "d6", PAWN, PAWN),
                     word("c5", "d6", PAWN, PAWN), word("e5", "f6", PAWN, KNIGHT)}));
}

TEST(Generation, PawnCapturesDoNotWrap) {
    EXPECT_EQ(captures(from_fen("4k3/p7/6p1/1p5P/P6p/8/8/4K3 w - - 0 1")),
              (Moves{word("h5", "g6", PAWN, PAWN), word("a4", "b5", PAWN, PAWN)}));
    EXPECT_EQ(captures(from_fen("4k3/8/8/p7/PP5p/6PP/8/4K3 b - - 0 1")),
              (Moves{word("h4", "g3", PAWN, PAWN), word("a5", "b4", PAWN, PAWN)}));
}

TEST(Generation, PieceGroupsInOrder) {
    // One capture by each kind of piece: listed pawn, knight, bishop, rook, queen, king.
    const Position pos = from_fen("4k3/p7/8/3p2rb/2Pn4/QN6/3B1n2/4K2R w - - 0 1");
    EXPECT_EQ(captures(pos),
              (Moves{word("c4", "d5", PAWN, PAWN), word("b3", "d4", KNIGHT, KNIGHT),
                     word("d2", "g5", BISHOP, ROOK), word("h1", "h5", ROOK, BISHOP),
                     word("a3", "a7", QUEEN, PAWN), word("e1", "f2", KING, KNIGHT)}));
    // Quiet moves: knight, bishop, rook, queen, pawn, king; each by ascending origin and target.
    const Moves q = quiet(pos);
    std::vector<int> pieces;
    for (Move m : q)
        if (pieces.empty() || pieces.back() != move_piece(m)) pieces.push_back(move_piece(m));
    EXPECT_EQ(pieces, (std::vector<int>{KNIGHT, BISHOP, ROOK, QUEEN, PAWN, KING}));
    for (std::size_t i = 1; i < q.size(); i++)
        if (move_piece(q[i]) == move_piece(q[i - 1]) && move_piece(q[i]) != PAWN) {
            EXPECT_LT(move_from(q[i - 1]) * 64 + move_to(q[i - 1]),
                      move_from(q[i]) * 64 + move_to(q[i]));
        }
}

TEST(Castling, BothSidesInOrder) {
    const Moves w = quiet(from_fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    const auto ws = std::find(w.begin(), w.end(), Move(WHITE_SHORT_CASTLE));
    ASSERT_NE(ws, w.end());
    ASSERT_NE(ws + 1, w.end());
    EXPECT_EQ(*(ws + 1), Move(WHITE_LONG_CASTLE));
    // Castling comes after the rook moves and before the king moves.
    EXPECT_EQ(move_piece(*(ws - 1)), ROOK);
    EXPECT_EQ(move_piece(*(ws + 2)), KING);

    const Moves b = quiet(from_fen("r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1"));
    ASSERT_GE(b.size(), 7u);
    EXPECT_EQ(Moves(b.end() - 7, b.end()),
              (Moves{Move(BLACK_SHORT_CASTLE), Move(BLACK_LONG_CASTLE), word("e8", "d7", KING),
                     word("e8", "e7", KING), word("e8", "f7", KING), word("e8", "d8", KING),
                     word("e8", "f8", KING)}));
}

TEST(Castling, AttackedAndBlockedSquares) {
    struct Case {
        const char* fen;
        Move move;
        bool allowed;
        const char* why;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/n7/8/R3K3 w Q - 0 1", WHITE_LONG_CASTLE, true, "b1 attacked"},
        {"3rk3/8/8/8/8/8/8/R3K3 w Q - 0 1", WHITE_LONG_CASTLE, false, "d1 attacked"},
        {"2r1k3/8/8/8/8/8/8/R3K3 w Q - 0 1", WHITE_LONG_CASTLE, false, "c1 attacked"},
        {"4r1k1/8/8/8/8/8/8/R3K3 w Q - 0 1", WHITE_LONG_CASTLE, false, "in check"},
        {"4k3/8/8/8/8/8/8/RN2K3 w Q - 0 1", WHITE_LONG_CASTLE, false, "b1 occupied"},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", WHITE_LONG_CASTLE, false, "no right"},
        {"4k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1", WHITE_SHORT_CASTLE, false, "g1 attacked"},
        {"4k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1", WHITE_LONG_CASTLE, true, "g1 attacked, long"},
        {"4kr2/8/8/8/8/8/8/4K2R w K - 0 1", WHITE_SHORT_CASTLE, false, "f1 attacked"},
        {"4k3/8/8/8/8/8/8/4K1nR w K - 0 1", WHITE_SHORT_CASTLE, false, "g1 enemy piece"},
        {"4k3/8/8/8/8/8/8/4KB1R w K - 0 1", WHITE_SHORT_CASTLE, false, "f1 own piece"},
        {"r3k3/8/N7/8/8/8/8/4K3 b q - 0 1", BLACK_LONG_CASTLE, true, "b8 attacked"},
        {"r3k3/8/8/8/8/8/8/3RK3 b q - 0 1", BLACK_LONG_CASTLE, false, "d8 attacked"},
    };
    for (const Case& c : cases) {
        const Position pos = from_fen(c.fen);
        EXPECT_EQ(contains(quiet(pos), c.move), c.allowed) << c.why;
        EXPECT_EQ(move_is_valid(pos, c.move), c.allowed ? 1 : 0) << c.why;
    }
}

// ---- the legal list ----

TEST(LegalMoves, WholeWordMatch) {
    const Position pos = start();
    const Move e2e4 = make_move_word(12, 28, PAWN);
    EXPECT_EQ(e2e4, 5900u);
    EXPECT_EQ(move_is_legal(pos, e2e4), 1);
    EXPECT_EQ(move_is_legal(pos, e2e4 | 1u << 15), 0); // captured 1
    EXPECT_EQ(move_is_legal(pos, e2e4 | 5u << 18), 0); // promotion
    EXPECT_EQ(move_is_legal(pos, 0), 0);
    EXPECT_EQ(move_is_legal(pos, word("e7", "e5", PAWN)), 0); // black's move
}

// Reference legal list: both generators, then make on a copy and test the
// mover's king, keeping generation order.
Moves reference_legal(const Position& pos) {
    Moves all = captures(pos), out;
    const Moves q = quiet(pos);
    all.insert(all.end(), q.begin(), q.end());
    for (Move m : all) {
        Position child = pos;
        make_move(child, m);
        const int attacked = child.white_to_move ? is_attacked(child, child.black_king_square, 1)
                                                 : is_attacked(child, child.white_king_square, 0);
        if (!attacked) out.push_back(m);
    }
    return out;
}

bool geometry_ok(Move m) {
    const int from = move_from(m), to = move_to(m);
    const int dr = (to >> 3) - (from >> 3), df = (to & 7) - (from & 7);
    switch (move_piece(m)) {
    case PAWN:
        if (move_captured(m)) return std::abs(df) == 1 && std::abs(dr) == 1;
        return df == 0 && (std::abs(dr) == 1 || std::abs(dr) == 2);
    case KNIGHT:
        return std::abs(dr * df) == 2;
    case BISHOP:
        return std::abs(dr) == std::abs(df) && dr != 0;
    case ROOK:
        return (dr == 0) != (df == 0);
    case QUEEN:
        return (std::abs(dr) == std::abs(df) && dr != 0) || ((dr == 0) != (df == 0));
    case KING:
        return (std::max(std::abs(dr), std::abs(df)) == 1) || m == WHITE_SHORT_CASTLE ||
               m == WHITE_LONG_CASTLE || m == BLACK_SHORT_CASTLE || m == BLACK_LONG_CASTLE;
    }
    return false;
}

struct WalkTally {
    long nodes = 0, failures = 0;
};

void check_node(const Position& pos, WalkTally& tally, const char* fen) {
    tally.nodes++;
    auto fail = [&](const char* what, Move m) {
        if (tally.failures++ < 10) ADD_FAILURE() << what << " move " << m << " from " << fen;
    };
    const Moves c = captures(pos), q = quiet(pos);
    std::set<Move> seen;
    const Bitboard own = pos.white_to_move ? pos.white_pieces : pos.black_pieces;
    for (Move m : c) {
        // Captures list: real captures that are not under-promotions, and queen promotions.
        const int promo = move_promotion(m);
        if (!(promo == QUEEN || (move_captured(m) && promo == 0))) fail("capture list", m);
    }
    for (Move m : q) {
        const int promo = move_promotion(m);
        if (!(promo == 0 && move_captured(m) == 0) && !(promo >= BISHOP && promo <= ROOK))
            fail("quiet list", m);
    }
    for (const Moves* list : {&c, &q}) {
        for (Move m : *list) {
            if (!seen.insert(m).second) fail("duplicate", m);
            if (!geometry_ok(m)) fail("geometry", m);
            if (m >> 21) fail("stray bits", m);
            if (!(own & square_mask[move_from(m)])) fail("origin", m);
            if (own & square_mask[move_to(m)]) fail("own target", m);
            const int victim = std::abs(pos.board[move_to(m)]);
            if (move_captured(m) != victim &&
                !(move_piece(m) == PAWN && move_captured(m) == PAWN && move_to(m) == pos.ep_square))
                fail("captured type", m);
            if (!move_is_valid(pos, m)) fail("not valid", m);
        }
    }
    if (legal(pos) != reference_legal(pos)) fail("legal list", 0);

    // Attack test against the mailbox board, every square and both colours.
    Bitboard by_colour[2] = {0, 0};
    for (int s = 0; s < 64; s++) {
        if (!pos.board[s]) continue;
        const Bitboard a = mailbox_attacks(pos, s);
        if (attacks_from(pos, s) != a) fail("attacks_from", Move(s));
        by_colour[pos.board[s] > 0] |= a;
    }
    for (int s = 0; s < 64; s++)
        for (int colour : {0, 1})
            if (is_attacked(pos, s, colour) != int((by_colour[colour] >> s) & 1))
                fail("is_attacked", Move(s));
}

void walk(const Position& pos, int depth, WalkTally& tally, const char* fen) {
    check_node(pos, tally, fen);
    if (depth == 0) return;
    for (Move m : legal(pos)) {
        Position child = pos;
        make_move(child, m);
        walk(child, depth - 1, tally, fen);
    }
}

TEST(Generation, ConsistentThroughoutShallowTrees) {
    std::vector<const char*> fens(std::begin(walk_positions), std::end(walk_positions));
    fens.push_back("4k3/8/8/2PpP3/8/8/8/4K3 w - d6 0 2"); // en passant both ways
    fens.push_back("4k3/8/8/8/2pPp3/8/8/4K3 b - d3 0 2");
    for (const char* fen : fens) {
        WalkTally tally;
        walk(from_fen(fen), 2, tally, fen);
        EXPECT_EQ(tally.failures, 0) << fen;
        EXPECT_GT(tally.nodes, 1) << fen;
    }
}

// ---- validity of stored moves ----

// Generated moves are all valid (checked on every node above); these are
// the stored words a position must refuse.
TEST(MoveValidity, StoredWordsAgainstThePosition) {
    struct Case {
        const char* fen;
        Move move;
        int valid;
        const char* why;
    };
    const char* const EMPTY = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";
    const char* const BLACK_TO_MOVE = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    const Case cases[] = {
        {BLACK_TO_MOVE, word("g1", "f3", KNIGHT), 0, "White's knight, Black to move"},
        {"4k3/8/8/8/8/5P2/8/4K1N1 w - - 0 1", word("g1", "f3", KNIGHT), 0, "own piece on target"},
        {EMPTY, word("g1", "f3", KNIGHT), 0, "no knight"},
        {"4k3/8/8/8/8/5p2/8/4K1N1 w - - 0 1", word("g1", "f3", KNIGHT), 0, "capture not recorded"},
        {"4k3/8/8/8/8/5p2/8/4K1N1 w - - 0 1", word("g1", "f3", KNIGHT, KNIGHT), 0, "wrong victim"},
        {"4k3/8/8/8/8/5p2/8/4K1N1 w - - 0 1", word("g1", "f3", KNIGHT, PAWN), 1, "capture"},
        {"4k3/8/8/8/8/8/3P4/2B1K3 w - - 0 1", word("c1", "g5", BISHOP), 0, "own blocker"},
        {"4k3/8/8/8/8/4p3/8/2B1K3 w - - 0 1", word("c1", "g5", BISHOP), 0, "enemy blocker"},
        {"4k3/8/8/8/p7/8/8/R3K3 w - - 0 1", word("a1", "a8", ROOK), 0, "rook blocked"},
        {"4k3/8/8/8/3Q4/8/8/4K3 w - - 0 1", word("d4", "h8", QUEEN), 1, "open diagonal"},
        {"4k3/8/8/8/3Q4/8/8/4K3 w - - 0 1", word("d4", "e6", QUEEN), 0, "not on a line"},
        {"4k3/8/8/8/4n3/8/4P3/4K3 w - - 0 1", word("e2", "e4", PAWN), 0,
         "double step onto a piece"},
        {"4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", word("e2", "e4", PAWN), 0, "double step blocked"},
        {EMPTY, word("e2", "d3", PAWN), 0, "pawn capture of nothing"},
        {"4k3/4p3/3P4/8/8/8/8/4K3 b - - 0 1", word("e7", "d6", PAWN, KNIGHT), 0, "wrong victim"},
        // A king on e1 of the side to move with the other side's castling
        // word: no two-square king jump.
        {"K7/8/8/8/8/8/8/4k3 b - - 0 1", WHITE_SHORT_CASTLE, 0, "black king, white word"},
        {"K7/8/8/8/8/8/8/4k3 b - - 0 1", WHITE_LONG_CASTLE, 0, "black king, white word"},
        {"4K3/8/8/8/8/8/8/k7 w - - 0 1", BLACK_SHORT_CASTLE, 0, "white king, black word"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", BLACK_SHORT_CASTLE, 0, "not Black's turn"},
    };
    for (const Case& c : cases) EXPECT_EQ(move_is_valid(from_fen(c.fen), c.move), c.valid) << c.why;
}

TEST(MoveValidity, CastlingNeedsTheRightEvenWhenTheKingIsBack) {
    Position pos = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(move_is_valid(pos, WHITE_SHORT_CASTLE), 1);
    play_moves(pos, "e1f1 a8b8 f1e1 b8a8");
    ASSERT_EQ(pos.board[sq("e1")], KING);
    EXPECT_EQ(move_is_valid(pos, WHITE_SHORT_CASTLE), 0);
    EXPECT_EQ(move_is_valid(pos, WHITE_LONG_CASTLE), 0);
}

TEST(MoveValidity, EnPassantOnlyWhileTheSquareIsCurrent) {
    Position pos = start();
    play_moves(pos, "e2e4 a7a6 e4e5 d7d5");
    const Move e5d6 = word("e5", "d6", PAWN, PAWN);
    EXPECT_EQ(move_is_valid(pos, e5d6), 1);
    play_moves(pos, "g1f3 g8f6");
    EXPECT_EQ(move_is_valid(pos, e5d6), 0);
}

} // namespace

TEST(MoveValidity, WhiteCastlingWordIsNoMoveForABlackKingOnE1) {
    // A game in which the black king walks to e1 (it takes the queen on b3).
    Position pos = start();
    play_moves(pos, "f2f4 e7e5 e1f2 e8e7 c2c3 f7f6 f2f3 e7e6 a2a4 e6d5 a1a2 d5c4 d1b3 c4b3 "
                    "c3c4 b3c2 g1h3 c2d1 f3e3 d1e1 e3e4");
    ASSERT_EQ(pos.board[sq("e1")], -KING);
    ASSERT_EQ(pos.white_to_move, 0);
    // e1g1 as a killer from another line: a two-square king jump, never valid.
    EXPECT_EQ(move_is_valid(pos, WHITE_SHORT_CASTLE), 0);
    EXPECT_EQ(move_is_valid(pos, WHITE_LONG_CASTLE), 0);
    EXPECT_EQ(move_is_legal(pos, WHITE_SHORT_CASTLE), 0);
    EXPECT_EQ(move_is_valid(pos, word("e1", "f1", KING, BISHOP)), 1); // the ordinary step
}
