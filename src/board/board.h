// Board and moves: the position record, move words, precomputed tables,
// random keys, attack tests, move generation, make move and legality.
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

constexpr int KEY_HISTORY_SIZE = 1056;
constexpr int MAX_MOVES = 256; // more than any legal position can have

struct Position {
    std::int32_t board[64];
    Bitboard occupied;
    Bitboard white_pieces, black_pieces;
    Bitboard white_queens, black_queens;
    Bitboard white_knights, black_knights;
    Bitboard white_rooks, black_rooks;
    Bitboard white_bishops, black_bishops;
    Bitboard white_pawns, black_pawns;
    Bitboard white_diagonal_sliders, black_diagonal_sliders;
    Bitboard white_straight_sliders, black_straight_sliders;
    Square white_king_square, black_king_square;
    Bitboard ep_target;
    std::int32_t ep_square;
    std::int32_t white_material, black_material;
    std::int32_t white_nonpawn_count, black_nonpawn_count;
    std::int32_t castle_white_short, castle_white_long, castle_black_short, castle_black_long;
    Bitboard unmoved;
    std::uint64_t key;
    std::uint64_t pawn_key;
    std::uint64_t* history_start;
    std::uint64_t* history_end;
    std::int32_t repetition;
    std::int32_t white_to_move;
    std::int32_t diag_a8h1_occupancy[15];
    std::int32_t diag_a1h8_occupancy[15];
    std::int32_t file_occupancy[8];
    std::int32_t rank_occupancy[8];
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
extern Bitboard rank_attacks[64][256];
extern Bitboard file_attacks[64][256];
extern Bitboard diag_a1h8_attacks[64][256];
extern Bitboard diag_a8h1_attacks[64][256];
// By piece type: none, pawn, bishop, knight, rook, queen, king.
constexpr std::int32_t piece_value[7] = {0, 100, 300, 300, 500, 900, 4500};
extern std::int32_t direction_between[64][64];
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
// General setup from a FEN string (bench and tests only). Returns 0 on malformed text.
int setup_from_fen(Position& pos, const char* fen, std::uint64_t* history);
// Every invariant of the record; returns 1 when all hold.
int position_is_ok(const Position& pos);

// ---- attacks ----
inline Bitboard diagonal_attacks(const Position& pos, Square s) {
    const int r = s >> 3, f = s & 7;
    return diag_a1h8_attacks[s][pos.diag_a1h8_occupancy[f - r + 7]] |
           diag_a8h1_attacks[s][pos.diag_a8h1_occupancy[r + f]];
}
inline Bitboard straight_attacks(const Position& pos, Square s) {
    const int r = s >> 3, f = s & 7;
    return rank_attacks[s][pos.rank_occupancy[r]] | file_attacks[s][pos.file_occupancy[f]];
}
Bitboard attacks_from(const Position& pos, Square s);
inline int is_attacked(const Position& pos, Square target, int by_white) {
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

// How often the position's key occurs earlier in its repetition window with
// the same side to move, counting up to `enough`.
inline int earlier_occurrences(const Position& pos, int enough) {
    int found = 0;
    for (long i = long(pos.history_end - pos.history_start) - 3; i >= 0; i -= 2)
        if (pos.history_start[i] == pos.key && ++found == enough) break;
    return found;
}

// ---- generation, make, legality ----
Move* generate_captures(const Position& pos, Move* list);
Move* generate_quiet(const Position& pos, Move* list);
void make_move(Position& pos, Move m);
Move* legal_moves(const Position& pos, Move* list);
int move_is_legal(const Position& pos, Move m);
int move_is_valid(const Position& pos, Move m);
