// Helpers shared by the test files. Linking test_util.cpp also registers
// an environment that builds the tables once before the first test.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "board/board.h"
#include "harness.h"

struct HashEntry;

// ---- positions ----

// Key history of the positions the tests set up.
extern std::uint64_t test_keys[KEY_HISTORY_SIZE];

constexpr Square sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }
Bitboard squares(std::initializer_list<const char*> names);
bool on_board(int r, int f);

Move word(const char* from, const char* to, int piece, int captured = 0, int promotion = 0);

// A failed setup is a test failure; the position is returned anyway.
Position from_fen(const char* fen);
Position start();
// The standard perft positions (initial, kiwipete, rook endgame, promotions
// both ways, discovered checks, a symmetric middlegame) for tree walks.
extern const char* const walk_positions[7];
// Makes the moves, separated by spaces; an illegal one fails the test and
// ends the list there.
void play_moves(Position& pos, const char* moves);
// Every field but the two history pointers is the same.
bool same_state(const Position& a, const Position& b);

// ---- engine state ----

// Snapshot of the engine's settings, clock and search flags that tests
// change; the destructor puts every one of them back.
class SavedGlobals {
  public:
    SavedGlobals();
    ~SavedGlobals();
    SavedGlobals(const SavedGlobals&) = delete;
    SavedGlobals& operator=(const SavedGlobals&) = delete;

  private:
    std::vector<std::function<void()>> restore_;
};

// ---- search ----

const HashEntry& slot(std::uint64_t key);
// Killers and history counters back to zero.
void clear_move_ordering();
// Prepares the move picker for a fresh node at ply.
void start_node(int ply, Move hash);

// ---- games ----

extern const std::vector<std::string> fools_mate;
extern const std::vector<std::string> knights_dance;
// The quickest known stalemate: 1.e3 a5 2.Qh5 Ra6 3.Qxa5 h5 4.h4 Rah6
// 5.Qxc7 f6 6.Qxd7+ Kf7 7.Qxb7 Qd3 8.Qxb8 Qh7 9.Qxc8 Kg6 10.Qe6.
extern const std::vector<std::string> quick_stalemate;
// Knight shuffles that never touch a pawn: White runs through six placements
// of its two knights, Black through ten, so a position comes back only every
// 30 moves and none is seen three times within 100 plies.
std::string shuffle_move(int ply);

// ---- the engine binary ----

bool starts_with(const std::string& text, const std::string& head);
void send_all(EngineProcess& engine, const std::vector<std::string>& lines);
// Ends the session with the end of input, which must end the run cleanly.
void finish(EngineProcess& engine);
bool is_directory(const std::string& path);
// For a command that prints nothing: the answer to the "printmove 5900"
// sent after it must then be the very next line.
void expect_silence(EngineProcess& engine, int timeout_ms = HARNESS_TIMEOUT_MS);
