// Text in coordinate notation to a move word shaped by the board. Legality
// is a separate question: the word is compared with the legal moves.
#include <cstring>

#include "board/board.h"

Move parse_move(const Position& pos, const char* text) {
    const std::size_t length = std::strlen(text);
    if (length != 4 && length != 5) return 0;
    const int from_file = text[0] - 'a', from_rank = text[1] - '1';
    const int to_file = text[2] - 'a', to_rank = text[3] - '1';
    if (from_file < 0 || from_file > 7 || from_rank < 0 || from_rank > 7 || to_file < 0 ||
        to_file > 7 || to_rank < 0 || to_rank > 7)
        return 0;
    const Square from = from_rank * 8 + from_file, to = to_rank * 8 + to_file;
    const int piece = pos.board[from] < 0 ? -pos.board[from] : pos.board[from];
    int captured = pos.board[to] < 0 ? -pos.board[to] : pos.board[to];
    if (piece == PAWN && square_mask[to] == pos.ep_target) captured = PAWN;
    int promotion = 0;
    if (length == 5) {
        switch (text[4]) {
        case 'b':
            promotion = BISHOP;
            break;
        case 'n':
            promotion = KNIGHT;
            break;
        case 'r':
            promotion = ROOK;
            break;
        case 'q':
            promotion = QUEEN;
            break;
        default:
            return 0;
        }
    }
    return make_move_word(from, to, piece, captured, promotion);
}

Move legal_move(const Position& pos, const char* text) {
    const Move m = parse_move(pos, text);
    return m && move_is_legal(pos, m) ? m : 0;
}
