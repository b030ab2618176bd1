// The game record: every move of the game enters here, is logged, and is
// tested for mate, stalemate and the draw rules.
#include <cstdio>
#include <cstring>

#include "game/game.h"

Position game_position;
std::int32_t plies_played = 0;

namespace {

// How many of the newest keys survive when the window must be compacted:
// far more than the draw rules look at.
constexpr int KEYS_KEPT = 512;
constexpr int MAX_PLIES_PLAYED = 100000; // a move number from a FEN can say anything
static_assert(KEYS_KEPT > FIFTY_MOVE_KEYS && KEYS_KEPT < KEY_HISTORY_SIZE - KEY_HISTORY_RESERVE);

} // namespace

void new_game() {
    setup_start_position(game_position, key_history);
    force_mode = 0;
    engine_colour = 0;
    plies_played = 0;
}

int new_game_from_fen(const char* fen) {
    Position pos;
    int halfmoves, move_number;
    if (!setup_from_fen(pos, fen, key_history, &halfmoves, &move_number)) return 0;
    // The window holds the plies since the last irreversible move; those
    // before the set-up position are keys that no position has.
    const int filler = halfmoves < FIFTY_MOVE_KEYS ? halfmoves : int(FIFTY_MOVE_KEYS);
    for (int i = 0; i < filler; i++) key_history[i] = 0;
    key_history[filler] = pos.key;
    pos.history_end = key_history + filler + 1;
    game_position = pos;
    force_mode = 0;
    engine_colour = 0;
    const int plies = 2 * (move_number - 1) + !pos.white_to_move;
    plies_played = plies < 0 ? 0 : plies > MAX_PLIES_PLAYED ? MAX_PLIES_PLAYED : plies;
    return 1;
}

void record_move(Move m) {
    Position& pos = game_position;
    make_move(pos, m);
    plies_played++;
    if (pos.history_end - pos.history_start == 1) {
        // an irreversible move: the window starts again at the front
        key_history[0] = pos.history_start[0];
        pos.history_start = key_history;
        pos.history_end = key_history + 1;
    } else if (pos.history_end - key_history > KEY_HISTORY_SIZE - KEY_HISTORY_RESERVE) {
        // A game played on long past the fifty-move draw: keep the newest
        // keys, which are all the draw tests can still tell apart.
        std::memmove(key_history, pos.history_end - KEYS_KEPT, KEYS_KEPT * sizeof(std::uint64_t));
        pos.history_start = key_history;
        pos.history_end = key_history + KEYS_KEPT;
    }
}

GameEnd game_end_state(const Position& pos) {
    Move list[MAX_MOVES];
    if (legal_moves(pos, list) != list) return GAME_GOES_ON;
    return side_in_check(pos) ? CHECKMATE : STALEMATE;
}

int play_move(Move m) {
    record_move(m);
    char text[MOVE_TEXT_SIZE];
    log_print("%s\n", coordinate_text(m, text));
    const GameEnd end = game_end_state(game_position);
    if (end == CHECKMATE)
        std::printf(game_position.white_to_move ? "0-1 (Black mates)\n" : "1-0 (White mates)\n");
    else if (end == STALEMATE)
        std::printf("1/2-1/2 (Stalemate)\n");
    else if (game_draw_check(game_position))
        std::printf("1/2-1/2 (Draw by repetition)\n");
    else
        return 0;
    force_mode = 1;
    return 1;
}
