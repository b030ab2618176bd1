// The game record: every move of the game enters here, is logged, and is
// tested for mate, stalemate and the draw rules.
#include <cstring>

#include "game/game.h"
#include "shell/shell.h"

namespace {

// Room kept free after the game's window for the deepest search path
// (one key per ply, null moves included) and a ponder move.
constexpr int SEARCH_RESERVE = 32;
// How many of the newest keys survive when the window must be compacted.
constexpr int KEYS_KEPT = 512;

} // namespace

void record_move(Move m) {
    Position& pos = game_position;
    make_move(pos, m);
    plies_played++;
    if (pos.history_end - pos.history_start == 1) {
        // an irreversible move: the window starts again at the front
        key_history[0] = pos.history_start[0];
        pos.history_start = key_history;
        pos.history_end = key_history + 1;
    } else if (pos.history_end - key_history > KEY_HISTORY_SIZE - SEARCH_RESERVE) {
        // A game played on long past the fifty-move draw: keep the newest
        // keys, which are all the draw tests can still tell apart.
        std::memmove(key_history, pos.history_end - KEYS_KEPT, KEYS_KEPT * sizeof(std::uint64_t));
        pos.history_start = key_history;
        pos.history_end = key_history + KEYS_KEPT;
    }
}

int game_end_state(const Position& pos) {
    Move list[MAX_MOVES];
    if (legal_moves(pos, list) != list) return 0;
    return side_in_check(pos) ? 1 : 2;
}

int game_draw_check(Position& pos) {
    if (pos.history_end - pos.history_start > 100) {
        pos.repetition = 0;
        return 1;
    }
    // a position seen once before is marked, the third occurrence is a draw
    const int occurrences = earlier_occurrences(pos, 2);
    pos.repetition = occurrences > 0;
    return occurrences == 2;
}

int play_move(Move m) {
    record_move(m);
    char text[6];
    log_print("%s\n", coordinate_text(m, text));
    const int state = game_end_state(game_position);
    if (state == 1) {
        std::printf(game_position.white_to_move ? "0-1 (Black mates)\n" : "1-0 (White mates)\n");
        force_mode = 1;
        return 1;
    }
    if (state == 2) {
        std::printf("1/2-1/2 (Stalemate)\n");
        force_mode = 1;
        return 1;
    }
    if (game_draw_check(game_position)) {
        std::printf("1/2-1/2 (Draw by repetition)\n");
        force_mode = 1;
        return 1;
    }
    return 0;
}
