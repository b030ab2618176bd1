// Move words to text: coordinates, with the castling names for output.
#include "board/board.h"

char* coordinate_text(Move m, char* buffer) {
    static const char promotion_letter[8] = {0, 0, 'b', 'n', 'r', 'q', 0, 0};
    const Square from = move_from(m), to = move_to(m);
    buffer[0] = char('a' + (from & 7));
    buffer[1] = char('1' + (from >> 3));
    buffer[2] = char('a' + (to & 7));
    buffer[3] = char('1' + (to >> 3));
    buffer[4] = promotion_letter[move_promotion(m)];
    buffer[5] = 0;
    return buffer;
}

char* move_text(Move m, char* buffer) {
    if (m == WHITE_SHORT_CASTLE || m == BLACK_SHORT_CASTLE) {
        buffer[0] = 'O', buffer[1] = '-', buffer[2] = 'O', buffer[3] = 0;
        return buffer;
    }
    if (m == WHITE_LONG_CASTLE || m == BLACK_LONG_CASTLE) {
        buffer[0] = 'O', buffer[1] = '-', buffer[2] = 'O', buffer[3] = '-', buffer[4] = 'O';
        buffer[5] = 0;
        return buffer;
    }
    return coordinate_text(m, buffer);
}
