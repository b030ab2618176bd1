// Position setup: the initial position, a general setup from FEN, keys from
// scratch and the invariant check.
#include <cstddef>
#include <cstring>

#include "board/board.h"

namespace {

constexpr std::int8_t initial_board[64] = {4,  3,  2,  5,  6,  2,  3,  4,  //
                                           1,  1,  1,  1,  1,  1,  1,  1,  //
                                           0,  0,  0,  0,  0,  0,  0,  0,  //
                                           0,  0,  0,  0,  0,  0,  0,  0,  //
                                           0,  0,  0,  0,  0,  0,  0,  0,  //
                                           0,  0,  0,  0,  0,  0,  0,  0,  //
                                           -1, -1, -1, -1, -1, -1, -1, -1, //
                                           -4, -3, -2, -5, -6, -2, -3, -4};

// Everything that follows from the mailbox board: bitboards, king squares,
// material, counts and the occupancy arrays.
void derive_from_board(Position& pos) {
    Position& p = pos;
    p.occupied = p.white_pieces = p.black_pieces = 0;
    p.white_queens = p.black_queens = p.white_knights = p.black_knights = 0;
    p.white_rooks = p.black_rooks = p.white_bishops = p.black_bishops = 0;
    p.white_pawns = p.black_pawns = 0;
    p.white_king_square = p.black_king_square = -1;
    p.white_material = p.black_material = 0;
    p.white_nonpawn_count = p.black_nonpawn_count = 0;
    for (int s = 0; s < 64; s++) {
        const PieceCode code = p.board[s];
        if (!code) continue;
        const Bitboard b = square_mask[s];
        const int white = code > 0;
        const int type = white ? code : -code;
        p.occupied |= b;
        (white ? p.white_pieces : p.black_pieces) |= b;
        switch (type) {
        case PAWN:
            (white ? p.white_pawns : p.black_pawns) |= b;
            break;
        case BISHOP:
            (white ? p.white_bishops : p.black_bishops) |= b;
            break;
        case KNIGHT:
            (white ? p.white_knights : p.black_knights) |= b;
            break;
        case ROOK:
            (white ? p.white_rooks : p.black_rooks) |= b;
            break;
        case QUEEN:
            (white ? p.white_queens : p.black_queens) |= b;
            break;
        case KING:
            (white ? p.white_king_square : p.black_king_square) = s;
            break;
        }
        if (type != KING) (white ? p.white_material : p.black_material) += piece_value[type];
        if (type >= BISHOP && type <= QUEEN)
            (white ? p.white_nonpawn_count : p.black_nonpawn_count) += 1;
    }
    p.white_diagonal_sliders = p.white_bishops | p.white_queens;
    p.black_diagonal_sliders = p.black_bishops | p.black_queens;
    p.white_straight_sliders = p.white_rooks | p.white_queens;
    p.black_straight_sliders = p.black_rooks | p.black_queens;
    rebuild_occupancy(p);
}

// A castling right needs its king and rook on their start squares.
bool castling_pieces_home(const Position& pos) {
    for (int white = 0; white < 2; white++) {
        const int sign = white ? 1 : -1;
        for (const Castling& c : castlings[white])
            if (pos.*c.right &&
                (pos.board[c.king_path[0]] != sign * KING || pos.board[c.rook_from] != sign * ROOK))
                return false;
    }
    return true;
}

void start_history(Position& pos, std::uint64_t* history) {
    pos.history_start = history;
    history[0] = pos.key;
    pos.history_end = history + 1;
}

} // namespace

void rebuild_occupancy(Position& pos) {
    std::memset(pos.diag_a8h1_occupancy, 0, sizeof pos.diag_a8h1_occupancy);
    std::memset(pos.diag_a1h8_occupancy, 0, sizeof pos.diag_a1h8_occupancy);
    std::memset(pos.file_occupancy, 0, sizeof pos.file_occupancy);
    std::memset(pos.rank_occupancy, 0, sizeof pos.rank_occupancy);
    for (int s = 0; s < 64; s++) {
        if (!(pos.occupied & square_mask[s])) continue;
        const int r = s >> 3, f = s & 7;
        pos.diag_a8h1_occupancy[r + f] |= 1 << f;
        pos.diag_a1h8_occupancy[f - r + 7] |= 1 << f;
        pos.file_occupancy[f] |= 1 << r;
        pos.rank_occupancy[r] |= 1 << f;
    }
}

std::uint64_t compute_pawn_key(const Position& pos) {
    std::uint64_t k = 0;
    for (int s = 0; s < 64; s++) {
        if (pos.board[s] == PAWN) k ^= piece_keys[1][PAWN][s];
        if (pos.board[s] == -PAWN) k ^= piece_keys[0][PAWN][s];
    }
    return k;
}

std::uint64_t compute_key(const Position& pos) {
    std::uint64_t k = 0;
    for (int s = 0; s < 64; s++) {
        const PieceCode code = pos.board[s];
        if (code > 0) k ^= piece_keys[1][code][s];
        if (code < 0) k ^= piece_keys[0][-code][s];
    }
    if (pos.castle_white_short) k ^= castle_keys[0];
    if (pos.castle_white_long) k ^= castle_keys[1];
    if (pos.castle_black_short) k ^= castle_keys[2];
    if (pos.castle_black_long) k ^= castle_keys[3];
    if (pos.ep_target) k ^= ep_keys[pos.ep_square];
    if (pos.white_to_move) k ^= side_key;
    return k;
}

void setup_start_position(Position& pos, std::uint64_t* history) {
    static_assert(sizeof initial_board == sizeof pos.board);
    std::memcpy(pos.board, initial_board, sizeof pos.board);
    derive_from_board(pos);
    pos.ep_target = 0;
    pos.ep_square = -1;
    pos.repetition = 0;
    pos.castle_white_short = pos.castle_white_long = 1;
    pos.castle_black_short = pos.castle_black_long = 1;
    pos.unmoved = pos.occupied;
    pos.white_to_move = 1;
    pos.pawn_key = compute_pawn_key(pos);
    pos.key = compute_key(pos);
    start_history(pos, history);
}

void set_side_to_move(Position& pos, int side) {
    if (pos.white_to_move == side) return;
    pos.white_to_move = 1 - pos.white_to_move;
    pos.key ^= side_key;
    // The skipped square belongs to the side that just lost the move: left
    // in place it would let the other side take a pawn that is not there.
    if (pos.ep_target) {
        pos.key ^= ep_keys[pos.ep_square];
        pos.ep_target = 0;
        pos.ep_square = -1;
    }
}

namespace {

// An optional counter of a FEN: spaces, then digits; false for anything else.
bool fen_counter(const char*& c, int* value) {
    while (*c == ' ') c++;
    if (!*c) return true;
    if (*c < '0' || *c > '9') return false;
    long n = 0;
    for (; *c >= '0' && *c <= '9'; c++) n = n < 1000000 ? n * 10 + (*c - '0') : n;
    if (*c && *c != ' ') return false;
    if (value) *value = int(n);
    return true;
}

} // namespace

int setup_from_fen(Position& pos, const char* fen, std::uint64_t* history, int* halfmove_clock,
                   int* move_number) {
    Position p{};
    const char* c = fen;
    while (*c == ' ') c++;
    int rank = 7, file = 0;
    for (; *c && *c != ' '; c++) {
        if (*c == '/') {
            if (file != 8 || rank == 0) return 0;
            rank--;
            file = 0;
        } else if (*c >= '1' && *c <= '8') {
            file += *c - '0';
            if (file > 8) return 0;
        } else {
            static const char letters[] = "pbnrqk";
            int type = 0;
            for (int i = 0; i < 6; i++)
                if ((*c | 0x20) == letters[i]) type = i + 1;
            if (!type || file > 7) return 0;
            p.board[rank * 8 + file] = (*c >= 'a') ? -type : type;
            file++;
        }
    }
    if (rank != 0 || file != 8) return 0;
    while (*c == ' ') c++;
    if (*c != 'w' && *c != 'b') return 0;
    p.white_to_move = *c++ == 'w';
    if (*c != ' ') return 0;
    while (*c == ' ') c++;
    if (*c == '-') {
        c++;
    } else {
        for (; *c && *c != ' '; c++) {
            switch (*c) {
            case 'K':
                p.castle_white_short = 1;
                break;
            case 'Q':
                p.castle_white_long = 1;
                break;
            case 'k':
                p.castle_black_short = 1;
                break;
            case 'q':
                p.castle_black_long = 1;
                break;
            default:
                return 0;
            }
        }
    }
    while (*c == ' ') c++;
    p.ep_square = -1;
    if (*c == '-') {
        c++;
    } else if (c[0] >= 'a' && c[0] <= 'h' && (c[1] == '3' || c[1] == '6')) {
        p.ep_square = (c[1] - '1') * 8 + (c[0] - 'a');
        c += 2;
    } else {
        return 0;
    }
    if (*c && *c != ' ') return 0;
    int halfmoves = 0, moves = 1;
    if (!fen_counter(c, &halfmoves) || !fen_counter(c, &moves)) return 0;
    while (*c == ' ') c++;
    if (*c) return 0;

    derive_from_board(p);
    if (popcount(p.white_pieces) > 16 || popcount(p.black_pieces) > 16) return 0;
    int kings_w = 0, kings_b = 0;
    for (int s = 0; s < 64; s++) {
        kings_w += p.board[s] == KING;
        kings_b += p.board[s] == -KING;
    }
    if (kings_w != 1 || kings_b != 1) return 0;
    if ((p.white_pawns | p.black_pawns) & (RANK_1 | RANK_8)) return 0;
    if (!castling_pieces_home(p)) return 0;
    if (p.ep_square >= 0) {
        // The square a pawn of the side not to move skipped: empty, with that pawn in front.
        const int s = p.ep_square;
        const int pawn_sq = p.white_to_move ? s - 8 : s + 8;
        const int from_sq = p.white_to_move ? s + 8 : s - 8;
        if ((s >> 3) != (p.white_to_move ? 5 : 2) || p.board[s] ||
            p.board[pawn_sq] != (p.white_to_move ? -PAWN : PAWN) || p.board[from_sq])
            return 0;
        p.ep_target = square_mask[s];
    }
    if (mover_in_check(p)) return 0; // the side not to move cannot be in check
    p.unmoved = p.occupied;
    p.repetition = 0;
    p.pawn_key = compute_pawn_key(p);
    p.key = compute_key(p);
    pos = p;
    start_history(pos, history);
    if (halfmove_clock) *halfmove_clock = halfmoves;
    if (move_number) *move_number = moves;
    return 1;
}

int position_is_ok(const Position& pos) {
    Position fresh = pos;
    derive_from_board(fresh);
    // every field, but not the padding at the end, which copies need not keep
    constexpr std::size_t fields = offsetof(Position, rank_occupancy) + sizeof pos.rank_occupancy;
    if (std::memcmp(&fresh, &pos, fields) != 0) return 0;
    if ((pos.white_pieces & pos.black_pieces) != 0) return 0;
    if (pos.board[pos.white_king_square] != KING || pos.board[pos.black_king_square] != -KING)
        return 0;
    if (pos.ep_target == 0) {
        if (pos.ep_square != -1) return 0;
    } else {
        if (pos.ep_square < 0 || pos.ep_square > 63 || pos.ep_target != square_mask[pos.ep_square])
            return 0;
        // the skipped square is behind a pawn the side to move may take
        const int r = pos.ep_square >> 3;
        if (r != (pos.white_to_move ? 5 : 2)) return 0;
        if (pos.board[pos.white_to_move ? pos.ep_square - 8 : pos.ep_square + 8] !=
            (pos.white_to_move ? -PAWN : PAWN))
            return 0;
    }
    if (!castling_pieces_home(pos)) return 0;
    if ((pos.unmoved & ~pos.occupied) != 0) return 0;
    if (pos.key != compute_key(pos) || pos.pawn_key != compute_pawn_key(pos)) return 0;
    // The key history is not looked at: the side-to-move setter changes the
    // key without appending to it.
    return pos.history_end > pos.history_start;
}
