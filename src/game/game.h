// Time and game control: the engine's settings as the lower layers read them,
// the draw rules that the game record and the search share, the clock with
// the polling of standard input, and the game record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/board.h"

// ---- settings and reports (defined by the shell, which sets them) ----
extern std::int32_t time_left;     // centiseconds
extern std::int32_t increment;     // whole seconds
extern std::int32_t force_mode;    // moves are only recorded, never answered
extern std::int32_t engine_colour; // 1 white, 0 black: who a draw is bad for
extern std::int32_t xboard_mode;   // xboard is listening: its wording, no console chatter
extern std::int32_t uci_mode;      // a UCI interface is listening: the protocol's lines only
// A person reads the output: clock lines, statistics and the like are for them.
inline bool console_mode() { return !xboard_mode && !uci_mode; }
void error_report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void log_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---- draw rules ----
constexpr int CONTEMPT = 30;          // the engine avoids draws by this much
constexpr long FIFTY_MOVE_KEYS = 100; // more keys than this in the window: drawn

// A draw from the side to move's point of view.
inline int draw_score(const Position& pos) {
    return pos.white_to_move == engine_colour ? -CONTEMPT : CONTEMPT;
}

// How often the position's key occurs earlier in its repetition window with
// the same side to move, counting up to `enough`.
inline int earlier_occurrences(const Position& pos, int enough) {
    int found = 0;
    for (long i = long(pos.history_end - pos.history_start) - 3; i >= 0; i -= 2)
        if (pos.history_start[i] == pos.key && ++found == enough) break;
    return found;
}

// Drawn by the fifty-move rule or by a third occurrence? A position met once
// before is marked, so that the table keeps it apart.
inline int game_draw_check(Position& pos) {
    if (pos.history_end - pos.history_start > FIFTY_MOVE_KEYS) {
        pos.repetition = 0;
        return 1;
    }
    const int occurrences = earlier_occurrences(pos, 2);
    pos.repetition = occurrences > 0;
    return occurrences == 2;
}

inline void repetition_check(Position& pos) { pos.repetition = earlier_occurrences(pos, 1); }

// ---- clock ----
constexpr std::int32_t START_TIME = 12000; // two minutes, in centiseconds
// Bound of the clock in centiseconds (about 115 days): far enough from the
// 32-bit limits that the clock arithmetic never overflows.
constexpr std::int32_t CLOCK_LIMIT = 1000000000;

extern std::uint32_t clock_start;
extern std::int32_t target_time;
extern std::int32_t max_time;
extern std::uint32_t poll_interval;
extern std::int32_t poll_countdown;

// What the search tells the clock (defined by the search).
extern std::int32_t pondering;            // never stopped by the clock
extern std::int32_t root_move_done;       // a root move of this iteration is finished
extern std::int32_t root_score;           // the best score of this iteration so far
extern std::int32_t last_iteration_score; // the score of the last finished iteration
extern std::uint32_t nps_estimate;        // nodes per second, mean of the searches so far

void start_clock();
void allocate_time();
// The limits of one move from time_left, an increment in centiseconds and,
// when the interface tells it, the moves left to the next time control.
void allocate_time_for(std::int32_t increment_cs, int moves_to_go);
void stop_clock();
int time_check();  // the search must stop now
int input_check(); // a line (or the end of input) is waiting

// ---- operating system ----
std::uint32_t tick_count();       // milliseconds, wrapping 32-bit
std::uint64_t process_clock_ms(); // processor time of the process
int input_byte();                 // the next byte of standard input (waits); -1 at its end
// Moves the file from over to, replacing an existing file; 0 when done.
int replace_file(const char* from, const char* to);
// For a big table probed at random: with small pages nearly every probe also
// misses the address translation cache. start is 2 MiB aligned.
void use_huge_pages(void* start, std::size_t size);
// Zeroes a table too big for the caches, without loading it first.
void clear_memory(void* start, std::size_t size);

// ---- game record ----
// Room the game keeps free after its window for the keys a search appends:
// one a ply, null moves included, and one for the ponder move.
constexpr int KEY_HISTORY_RESERVE = 32;

enum GameEnd : int { GAME_GOES_ON = 0, CHECKMATE = 1, STALEMATE = 2 };

extern Position game_position;
extern std::int32_t plies_played;

void new_game();
// A new game from a FEN; the plies of its halfmove clock count towards the
// fifty-move rule. 0 for a bad FEN, and the game is left as it was.
int new_game_from_fen(const char* fen);
int play_move(Move m);
void record_move(Move m);
GameEnd game_end_state(const Position& pos);
