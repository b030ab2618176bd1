// Board and moves: the position record, move words and their text, precomputed
// tables, random keys, attack tests, move generation, make move and legality.
// The lowest layer: it includes nothing of the engine's own.
#pragma once

#include <bit>
#include <cstdint>

using Bitboard = std::uint64_t;
using Square = std::int32_t;
using PieceCode = std::int32_t;
using Move = std::uint32_t;

enum PieceType : int { EMPTY = 0, PAWN = 1, BISHOP = 2, KNIGHT = 3, ROOK = 4, QUEEN = 5, KING = 6 };

// Whole castling words (the king's two-square move, nothing captured).
enum CastleWord : Move {
    WHITE_SHORT_CASTLE = 24964, // e1g1
    WHITE_LONG_CASTLE = 24708,  // e1c1
    BLACK_SHORT_CASTLE = 28604, // e8g8
    BLACK_LONG_CASTLE = 28348,  // e8c8
};

// 1024 keys for the game's window (compacted before it grows past them) and
// 32 for the keys a search appends after it.
constexpr int KEY_HISTORY_SIZE = 1056;
constexpr int MAX_MOVES = 256; // more than any legal position can have

// By piece type: none, pawn, bishop, knight, rook, queen, king. The king's
// value only matters to the exchange evaluation; material counts no king.
constexpr std::int32_t piece_value[7] = {0, 100, 300, 300, 500, 900, 4500};

constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard FILE_H = FILE_A << 7;
constexpr Bitboard RANK_1 = 0xFFULL;
constexpr Bitboard RANK_2 = RANK_1 << 8;
constexpr Bitboard RANK_7 = RANK_1 << 48;
constexpr Bitboard RANK_8 = RANK_1 << 56;

// Narrow fields after the sets: the search copies the whole record for every
// move it makes (copy-make), so its size is time. On cache-line boundaries a
// copy touches five lines, not six.
struct alignas(64) Position {
    Bitboard occupied;
    Bitboard white_pieces, black_pieces;
    Bitboard white_queens, black_queens;
    Bitboard white_knights, black_knights;
    Bitboard white_rooks, black_rooks;
    Bitboard white_bishops, black_bishops;
    Bitboard white_pawns, black_pawns;
    Bitboard white_diagonal_sliders, black_diagonal_sliders;
    Bitboard white_straight_sliders, black_straight_sliders;
    Bitboard ep_target;
    Bitboard unmoved;
    std::uint64_t key;
    std::uint64_t pawn_key;
    std::uint64_t* history_start;
    std::uint64_t* history_end;
    std::int16_t white_material, black_material;
    std::int8_t white_king_square, black_king_square;
    std::int8_t ep_square;
    std::int8_t white_nonpawn_count, black_nonpawn_count;
    std::int8_t castle_white_short, castle_white_long, castle_black_short, castle_black_long;
    std::int8_t repetition;
    std::int8_t white_to_move;
    std::int8_t board[64];
    std::uint8_t diag_a8h1_occupancy[15];
    std::uint8_t diag_a1h8_occupancy[15];
    std::uint8_t file_occupancy[8];
    std::uint8_t rank_occupancy[8];
};

// ---- move words ----
constexpr Square move_from(Move m) { return Square(m & 63); }
constexpr Square move_to(Move m) { return Square((m >> 6) & 63); }
constexpr int move_piece(Move m) { return int((m >> 12) & 7); }
constexpr int move_captured(Move m) { return int((m >> 15) & 7); }
constexpr int move_promotion(Move m) { return int((m >> 18) & 7); }
constexpr Move make_move_word(Square from, Square to, int piece, int captured = 0,
                              int promotion = 0) {
    return Move(from) | Move(to) << 6 | Move(piece) << 12 | Move(captured) << 15 |
           Move(promotion) << 18;
}

// ---- move text: coordinates, castling printed as O-O and O-O-O ----
constexpr int MOVE_TEXT_SIZE = 6; // five characters and the end
char* move_text(Move m, char* buffer);
char* coordinate_text(Move m, char* buffer); // castling as the king's step
// The word a legal move with this text would have, or 0 for malformed text.
Move parse_move(const Position& pos, const char* text);
// The legal move of the position with this text, or 0.
Move legal_move(const Position& pos, const char* text);

// ---- bit operations ----
inline int popcount(Bitboard b) { return std::popcount(b); }
inline Square lowest_bit(Bitboard b) { return std::countr_zero(b); }
inline Square highest_bit(Bitboard b) { return 63 - std::countl_zero(b); }
inline Bitboard clear_lowest_bit(Bitboard b) { return b & (b - 1); }

// ---- precomputed tables ----
extern Bitboard square_mask[64];
extern Bitboard rank_mask[8];
extern Bitboard file_mask[8];
extern Bitboard knight_attacks[64];
extern Bitboard king_attacks[64];
extern Bitboard white_pawn_attacks[64];
extern Bitboard black_pawn_attacks[64];
// Sliding attacks by square and the line's occupancy byte, indexed by the
// whole byte: the four tables (512 KiB) are bigger than they need be (the end
// squares of a line never change what is attacked), but every lookup saves
// the shift and mask, and only the patterns that occur are ever loaded.
extern Bitboard rank_attacks[64][256];
extern Bitboard file_attacks[64][256];
extern Bitboard diag_a1h8_attacks[64][256];
extern Bitboard diag_a8h1_attacks[64][256];
extern std::int8_t direction_between[64][64];
extern Bitboard ray_mask[9][64];
extern Bitboard between_mask[64][64]; // squares strictly between two squares on a line
extern Bitboard white_king_shelter[64];
extern Bitboard black_king_shelter[64];
extern Bitboard white_front_span[64];
extern Bitboard black_front_span[64];
extern Bitboard white_passed_mask[64];
extern Bitboard black_passed_mask[64];
extern Bitboard adjacent_files_mask[64];

// piece_keys[colour][type][square], colour 1 white and 0 black, type 1..6.
extern std::uint64_t piece_keys[2][7][64];
extern std::uint64_t ep_keys[64];
extern std::uint64_t castle_keys[4]; // white short, white long, black short, black long
extern std::uint64_t repetition_key;
extern std::uint64_t side_key;

// The key history shared by the game position and every search copy.
extern std::uint64_t key_history[KEY_HISTORY_SIZE];

void init_tables();
std::uint32_t rand_next32();
std::uint64_t rand_next64();
void rand_reset(); // restart the generator from its seed table

// ---- setup ----
void setup_start_position(Position& pos, std::uint64_t* history);
void rebuild_occupancy(Position& pos);
void set_side_to_move(Position& pos, int side);
// Keys of a position computed from the board by their definitions.
std::uint64_t compute_key(const Position& pos);
std::uint64_t compute_pawn_key(const Position& pos);
// General setup from a FEN string, with the two counters when wanted (they
// may be left out: 0 and 1). Returns 0 on malformed text or an impossible
// position, and then changes nothing.
int setup_from_fen(Position& pos, const char* fen, std::uint64_t* history,
                   int* halfmove_clock = nullptr, int* move_number = nullptr);
// Every invariant of the record; returns 1 when all hold.
int position_is_ok(const Position& pos);

// ---- attacks ----
// Unsigned arithmetic on the square: no sign extension before the indexing.
inline Bitboard diagonal_attacks(const Position& pos, Square s) {
    const std::uint64_t q = std::uint32_t(s), r = q >> 3, f = q & 7;
    return diag_a1h8_attacks[q][pos.diag_a1h8_occupancy[f - r + 7]] |
           diag_a8h1_attacks[q][pos.diag_a8h1_occupancy[r + f]];
}
inline Bitboard straight_attacks(const Position& pos, Square s) {
    const std::uint64_t q = std::uint32_t(s), r = q >> 3, f = q & 7;
    return rank_attacks[q][pos.rank_occupancy[r]] | file_attacks[q][pos.file_occupancy[f]];
}
Bitboard attacks_from(const Position& pos, Square s);
[[gnu::always_inline]] inline int is_attacked(const Position& pos, Square target, int by_white) {
    if (by_white) {
        if (black_pawn_attacks[target] & pos.white_pawns) return 1;
        if (knight_attacks[target] & pos.white_knights) return 1;
        if (diagonal_attacks(pos, target) & pos.white_diagonal_sliders) return 1;
        if (straight_attacks(pos, target) & pos.white_straight_sliders) return 1;
        return (king_attacks[target] & square_mask[pos.white_king_square]) != 0;
    }
    if (white_pawn_attacks[target] & pos.black_pawns) return 1;
    if (knight_attacks[target] & pos.black_knights) return 1;
    if (diagonal_attacks(pos, target) & pos.black_diagonal_sliders) return 1;
    if (straight_attacks(pos, target) & pos.black_straight_sliders) return 1;
    return (king_attacks[target] & square_mask[pos.black_king_square]) != 0;
}
// Is the side to move in check?
inline int side_in_check(const Position& pos) {
    return pos.white_to_move ? is_attacked(pos, pos.white_king_square, 0)
                             : is_attacked(pos, pos.black_king_square, 1);
}
// After a move: is the king of the side that just moved attacked?
inline int mover_in_check(const Position& pos) {
    return pos.white_to_move ? is_attacked(pos, pos.black_king_square, 1)
                             : is_attacked(pos, pos.white_king_square, 0);
}

// ---- castling ----
// What each castling needs: its right, empty squares between king and rook
// (b1 and b8 may be attacked), and no attack on the king's way, from its
// square over the square it crosses to its target, tested in that order.
struct Castling {
    Move word;
    std::int8_t Position::*right;
    Bitboard empty;
    Square king_path[3];
    Square rook_from, rook_to;
};
// By colour (1 white, 0 black), king side first.
constexpr Castling castlings[2][2] = {
    {{BLACK_SHORT_CASTLE, &Position::castle_black_short, 0x60ULL << 56, {60, 61, 62}, 63, 61},
     {BLACK_LONG_CASTLE, &Position::castle_black_long, 0x0EULL << 56, {60, 59, 58}, 56, 59}},
    {{WHITE_SHORT_CASTLE, &Position::castle_white_short, 0x60ULL, {4, 5, 6}, 7, 5},
     {WHITE_LONG_CASTLE, &Position::castle_white_long, 0x0EULL, {4, 3, 2}, 0, 3}},
};
inline int castling_allowed(const Position& pos, const Castling& c) {
    const int them = 1 - pos.white_to_move;
    return pos.*c.right && !(pos.occupied & c.empty) && !is_attacked(pos, c.king_path[0], them) &&
           !is_attacked(pos, c.king_path[1], them) && !is_attacked(pos, c.king_path[2], them);
}

// ---- moves that may leave the own king attacked ----
// Pieces of either colour that alone stand between the king's square and
// one of the given sliders.
Bitboard sole_blockers(const Position& pos, Square king, Bitboard diagonal, Bitboard straight);
Bitboard pinned_pieces(const Position& pos);
// The squares a move must start from to expose the own king: any square
// when in check, else the king's and those of pinned pieces.
Bitboard exposing_squares(const Position& pos, int in_check);
// Only these moves need the own-king test after making them; en passant
// takes a pawn off another square and is always tested.
inline bool may_expose_king(const Position& pos, Bitboard exposing, Move m) {
    return (exposing & square_mask[move_from(m)]) ||
           (move_piece(m) == PAWN && move_to(m) == pos.ep_square);
}

// Where the side to move's pieces would give check: the target squares by
// piece type, and the own pieces that uncover a check by leaving their line.
struct CheckTargets {
    Bitboard direct[7];
    Bitboard uncovering;
};
void find_check_targets(const Position& pos, CheckTargets& targets);
// Does m give check? Castling, promotions and en passant captures are not
// worked out: they count as checks. The other side must not be in check
// already, as in every position a legal move leads to.
inline int may_give_check(const Position& pos, const CheckTargets& targets, Move m) {
    const Square from = move_from(m), to = move_to(m);
    const int piece = move_piece(m);
    if (move_promotion(m) || (piece == PAWN && to == pos.ep_square) ||
        (piece == KING && (to - from == 2 || from - to == 2)))
        return 1;
    if (targets.direct[piece] & square_mask[to]) return 1;
    const Square king = pos.white_to_move ? pos.black_king_square : pos.white_king_square;
    return (targets.uncovering & square_mask[from]) &&
           direction_between[king][to] != direction_between[king][from];
}

// Legality where it is known without making the move: 1 legal, 0 not, -1
// unknown (make it and test). A move that cannot expose the king is legal.
// Out of check no slider looks through the king's square, so a king step is
// legal when its target is not attacked, and a pinned piece must stay on the
// line from the king through it; en passant is always made and tested.
[[gnu::always_inline]] inline int known_legality(const Position& pos, Bitboard exposing,
                                                 int in_check, Move m) {
    if (!may_expose_king(pos, exposing, m)) return 1;
    const Square from = move_from(m), to = move_to(m);
    if (in_check || to == pos.ep_square) return -1;
    const Square king = pos.white_to_move ? pos.white_king_square : pos.black_king_square;
    return from == king ? !is_attacked(pos, to, !pos.white_to_move)
                        : direction_between[king][to] == direction_between[king][from];
}

// ---- generation, make, legality ----
Move* generate_captures(const Position& pos, Move* list);
Move* generate_quiet(const Position& pos, Move* list);
void make_move(Position& pos, Move m);
Move* legal_moves(const Position& pos, Move* list);
int move_is_legal(const Position& pos, Move m);
int move_is_valid(const Position& pos, Move m);
