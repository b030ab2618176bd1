// Move words to text and back: coordinate notation, castling names,
// promotion letters and rejection of malformed text.
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

std::string text(Move m) {
    char buffer[6];
    return move_text(m, buffer);
}

std::string coordinates(Move m) {
    char buffer[6];
    return coordinate_text(m, buffer);
}

TEST(MoveText, WordsAndCastlingNames) {
    EXPECT_EQ(text(5900), "e2e4");
    EXPECT_EQ(coordinates(5900), "e2e4");
    EXPECT_EQ(text(0), "a1a1");
    EXPECT_EQ(text(24964), "O-O");
    EXPECT_EQ(text(28604), "O-O");
    EXPECT_EQ(text(24708), "O-O-O");
    EXPECT_EQ(text(28348), "O-O-O");
    EXPECT_EQ(coordinates(24964), "e1g1");
    EXPECT_EQ(coordinates(28604), "e8g8");
    EXPECT_EQ(coordinates(24708), "e1c1");
    EXPECT_EQ(coordinates(28348), "e8c8");
    // The names need the whole word: any other bit set gives coordinates.
    EXPECT_EQ(text(24964 | ROOK << 15), "e1g1");
    EXPECT_EQ(text(24964 | 1u << 21), "e1g1");
    EXPECT_EQ(text(word("e1", "g1", QUEEN)), "e1g1");
    EXPECT_EQ(text(word("h8", "a1", BISHOP)), "h8a1");
}

TEST(MoveText, PromotionLettersAndArbitraryNumbers) {
    EXPECT_EQ(text(word("b7", "b8", PAWN, 0, QUEEN)), "b7b8q");
    EXPECT_EQ(text(word("b7", "b8", PAWN, 0, ROOK)), "b7b8r");
    EXPECT_EQ(text(word("b7", "b8", PAWN, 0, KNIGHT)), "b7b8n");
    EXPECT_EQ(coordinates(word("g2", "h1", PAWN, ROOK, BISHOP)), "g2h1b");
    // Field values that name no promotion piece write no letter.
    EXPECT_EQ(text(word("b7", "b8", PAWN, 0, KING)), "b7b8");
    EXPECT_EQ(text(word("b7", "b8", PAWN, 0, 7)), "b7b8");
    // Any 32-bit number prints; bits above the promotion field are ignored.
    EXPECT_EQ(text(0xFFFFFFFFu), "h8h8");
    EXPECT_EQ(text(5900 | 0xFFE00000u), "e2e4");
}

TEST(ParseMove, BuildsTheWordFromTheBoard) {
    const Position pos = start();
    EXPECT_EQ(parse_move(pos, "e2e4"), 5900u);
    EXPECT_EQ(parse_move(pos, "g1f3"), word("g1", "f3", KNIGHT));
    // Colour and possibility are not looked at.
    EXPECT_EQ(parse_move(pos, "e7e5"), word("e7", "e5", PAWN));
    EXPECT_EQ(parse_move(pos, "d1d7"), word("d1", "d7", QUEEN, PAWN));
    EXPECT_EQ(parse_move(pos, "e4e5"), word("e4", "e5", EMPTY));
    EXPECT_EQ(parse_move(pos, "a1a1"), word("a1", "a1", ROOK, ROOK)); // well-formed, impossible
}

TEST(ParseMove, CastlingOnlyAsTheKingsStep) {
    const Position white = from_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(parse_move(white, "e1g1"), 24964u);
    EXPECT_EQ(parse_move(white, "e1c1"), 24708u);
    EXPECT_EQ(parse_move(white, "O-O"), 0u);
    EXPECT_EQ(parse_move(white, "0-0"), 0u);
    const Position black = from_fen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_EQ(parse_move(black, "e8g8"), 28604u);
    EXPECT_EQ(parse_move(black, "e8c8"), 28348u);
    EXPECT_EQ(move_is_legal(black, 28348), 1);
}

TEST(ParseMove, MalformedTextGivesZero) {
    const Position pos = from_fen("4k3/4P3/8/8/8/8/4P3/4K3 w - - 0 1");
    const char* const bad[] = {"", "e2", "e2e", "e2e4qq", "O-O-O", "E2E4", "e2E4", " e2e4", "e2e4 ",
                               "e2-e4", "e7e8Q", "e7e8k", "e7e8p", "e7e8x", "i2i4", "a0a1", "a1a9",
                               "h8i8", "`1a1", "e2e:",
                               // bytes outside ASCII, signed or not
                               "\xc3\xa9"
                               "2e4",
                               "e2\xff"
                               "4",
                               "e7e8\xe9"};
    for (const char* t : bad) EXPECT_EQ(parse_move(pos, t), 0u) << '"' << t << '"';
    EXPECT_NE(parse_move(pos, "e7e8q"), 0u);
}

TEST(ParseMove, PromotionLetters) {
    const Position pos = from_fen("1k6/4P3/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(parse_move(pos, "e7e8q"), word("e7", "e8", PAWN, 0, QUEEN));
    EXPECT_EQ(parse_move(pos, "e7e8r"), word("e7", "e8", PAWN, 0, ROOK));
    EXPECT_EQ(parse_move(pos, "e7e8n"), word("e7", "e8", PAWN, 0, KNIGHT));
    EXPECT_EQ(parse_move(pos, "e7e8b"), word("e7", "e8", PAWN, 0, BISHOP));
    // Without a letter: a word no legal move has.
    EXPECT_EQ(parse_move(pos, "e7e8"), word("e7", "e8", PAWN));
    EXPECT_EQ(move_is_legal(pos, parse_move(pos, "e7e8")), 0);
    // A letter on a move that is no promotion is parsed, and refused by legality.
    const Move odd = parse_move(pos, "e1e2q");
    EXPECT_EQ(odd, word("e1", "e2", KING, 0, QUEEN));
    EXPECT_EQ(move_is_legal(pos, odd), 0);
}

TEST(ParseMove, EnPassantGetsACapturedPawn) {
    // Only a pawn gets it.
    const Position knight = from_fen("4k3/8/8/3pP3/2N5/8/8/4K3 w - d6 0 2");
    EXPECT_EQ(parse_move(knight, "c4d6"), word("c4", "d6", KNIGHT));
    EXPECT_EQ(parse_move(knight, "e5d6"), word("e5", "d6", PAWN, PAWN));
    // A plain pawn step to an empty square next to it is not en passant.
    EXPECT_EQ(parse_move(knight, "e5e6"), word("e5", "e6", PAWN));
}

// Every legal move of a few positions survives the trip to text and back.
TEST(ParseMove, RoundTripOfLegalMoves) {
    const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "4k3/8/8/2PpP3/8/8/8/4K3 w - d6 0 2",
    };
    for (const char* fen : fens) {
        const Position root = from_fen(fen);
        Move list[MAX_MOVES];
        Move* end = legal_moves(root, list);
        for (Move* m = list; m != end; m++) {
            // One ply deeper too, for the other colour.
            Position child = root;
            make_move(child, *m);
            Move replies[MAX_MOVES];
            Move* reply_end = legal_moves(child, replies);
            for (Move* r = replies; r != reply_end; r++)
                EXPECT_EQ(parse_move(child, coordinates(*r).c_str()), *r) << fen;
            EXPECT_EQ(parse_move(root, coordinates(*m).c_str()), *m) << fen;
            const std::string shown = text(*m);
            if (shown[0] != 'O') {
                EXPECT_EQ(shown, coordinates(*m));
            }
        }
    }
}

} // namespace
