// UCI: one function per command, the search's lines in UCI's form, and the
// lines that arrive while a search runs (read from inside the search, which
// goes on, or stops with its best move so far).
#include "uci/uci.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "eval/eval.h"

#ifndef GYRE_VERSION
#define GYRE_VERSION "dev"
#endif

namespace {

// A position line holds the whole game: room for the longest games.
constexpr std::size_t LINE_SIZE = 1 << 18;
constexpr std::size_t FEN_SIZE = 128;
constexpr int DEFAULT_HASH_MB = 64, MAX_HASH_MB = 4096;
constexpr int DEFAULT_OVERHEAD_MS = 10, MAX_OVERHEAD_MS = 5000;
constexpr std::int32_t NEVER = CLOCK_LIMIT; // a clock limit no search reaches
constexpr std::uint32_t MIN_POLL_NODES = 1000;
// Polls about every 4 ms at the measured rate: stop and isready are
// answered at once, and a short clock is watched closely.
constexpr int POLL_SHIFT = 8;
constexpr std::uint32_t CURRMOVE_MS = 1000; // no root moves shown before

enum Command : int {
    UNKNOWN,
    UCI,
    ISREADY,
    UCINEWGAME,
    POSITION,
    GO,
    STOP,
    PONDERHIT,
    SETOPTION,
    QUIT,
    DEBUG,
    REGISTER
};

constexpr struct {
    std::string_view word;
    Command command;
} commands[] = {
    {"uci", UCI},   {"isready", ISREADY}, {"ucinewgame", UCINEWGAME}, {"position", POSITION},
    {"go", GO},     {"stop", STOP},       {"ponderhit", PONDERHIT},   {"setoption", SETOPTION},
    {"quit", QUIT}, {"debug", DEBUG},     {"register", REGISTER}};

// What go asked for. Times in milliseconds, by colour (1 white, 0 black);
// -1: not given.
struct GoLimits {
    long long time[2], increment[2], movetime;
    long long moves_to_go, depth, mate, nodes;
    bool infinite, ponder;
    bool restricted; // searchmoves: the root considers only the legal ones in moves
    int move_count;
    Move moves[MAX_MOVES];
};

// The last line of the first root line that was printed, and whether it is
// still the last info line: bestmove's own line comes last.
struct ShownLine {
    int depth, score, bound;
    Move pv[LINE_LENGTH];
};

char line[LINE_SIZE];
bool line_pending = false; // a line read during a search, to be executed after it
bool quitting = false;

int overhead_ms = DEFAULT_OVERHEAD_MS;

// The search in progress.
GoLimits limits;
std::uint32_t go_tick;      // when go arrived: the time of the info lines
bool waiting_for_ponderhit; // go ponder: no clock until ponderhit
bool stop_requested;
ShownLine shown;
bool shown_last;
int shown_lines = 1; // MultiPV: a level may search more lines than it shows

// ---- reading ----

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Reads one line into `line`, without its end and trailing white space;
// false at the end of input. A line too long for the buffer is dropped.
bool read_command() {
    std::size_t n = 0;
    bool too_long = false;
    for (;;) {
        const int c = input_byte();
        if (c < 0) {
            if (n == 0 && !too_long) return false;
            break;
        }
        if (c == '\n') break;
        if (n < LINE_SIZE - 1)
            line[n++] = char(c);
        else
            too_long = true;
    }
    while (n > 0 && is_space(line[n - 1])) n--;
    line[n] = 0;
    if (too_long) {
        std::printf("info string line longer than %zu characters ignored\n", LINE_SIZE - 1);
        line[0] = 0;
    }
    return true;
}

// The next word at `at`; empty at the end of the line.
std::string_view next_word(const char*& at) {
    while (is_space(*at)) at++;
    const char* start = at;
    while (*at && !is_space(*at)) at++;
    return {start, std::size_t(at - start)};
}

// The first command word of the line (words before it are skipped, as the
// protocol asks), with `at` after it.
Command find_command(const char*& at) {
    for (std::string_view w; !(w = next_word(at)).empty();)
        for (const auto& c : commands)
            if (w == c.word) return c.command;
    return UNKNOWN;
}

// A decimal number (an optional minus sign, digits, and a fraction that is
// dropped), clamped to +-10^15; false for anything else.
bool parse_number(std::string_view w, long long* value) {
    const bool negative = !w.empty() && w[0] == '-';
    if (negative) w.remove_prefix(1);
    const std::size_t point = w.find('.');
    const std::string_view whole = w.substr(0, point);
    const std::string_view fraction = point == w.npos ? "" : w.substr(point + 1);
    const auto digits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !digits(whole) || !digits(fraction)) return false;
    long long n = 0;
    for (const char c : whole) n = std::min(n * 10 + (c - '0'), 1000000000000000LL);
    *value = negative ? -n : n;
    return true;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

// ---- output ----

void print_identity() {
    std::printf("id name gyre " GYRE_VERSION "\n"
                "id author the gyre developers\n"
                "option name Hash type spin default %d min 1 max %d\n"
                "option name Threads type spin default 1 min 1 max 1\n"
                "option name Ponder type check default false\n"
                "option name Move Overhead type spin default %d min 0 max %d\n"
                "option name MultiPV type spin default 1 min 1 max %d\n"
                "option name Clear Hash type button\n"
                "option name UCI_LimitStrength type check default false\n"
                "option name UCI_Elo type spin default %d min %d max %d\n"
                "uciok\n",
                DEFAULT_HASH_MB, MAX_HASH_MB, DEFAULT_OVERHEAD_MS, MAX_OVERHEAD_MS, MAX_LINES,
                LEVEL_MAX_ELO, LEVEL_MIN_ELO, LEVEL_MAX_ELO);
}

// Mate scores in moves, negative when the engine is being mated.
int score_text(int score, char* buffer, std::size_t size) {
    if (score > MATE_THRESHOLD)
        return std::snprintf(buffer, size, "mate %d", (MATE_SCORE - score + 1) / 2);
    if (score < -MATE_THRESHOLD)
        return std::snprintf(buffer, size, "mate %d", -(MATE_SCORE + score) / 2);
    return std::snprintf(buffer, size, "cp %d", score);
}

// One root line; bound is EXACT, LOWER or UPPER (the score is only a bound).
void print_line(int depth, int multipv, int score, int bound, const Move* pv) {
    char text[512], score_buffer[32];
    score_text(score, score_buffer, sizeof score_buffer);
    const std::uint32_t ms = tick_count() - go_tick;
    const char* bound_word = bound == LOWER ? " lowerbound" : bound == UPPER ? " upperbound" : "";
    int used =
        std::snprintf(text, sizeof text,
                      "info depth %d seldepth %d multipv %d score %s%s nodes %llu nps %llu "
                      "hashfull %d time %u pv",
                      depth, std::max(depth, int(sel_depth)), multipv, score_buffer, bound_word,
                      (unsigned long long)node_count,
                      (unsigned long long)(ms ? node_count * 1000 / ms : 0), hash_permille(), ms);
    // a line has at most MAX_PLY + 1 moves of 5 characters: it always fits
    int n = 0;
    for (; n < MAX_PLY + 1 && pv[n] && used < int(sizeof text) - MOVE_TEXT_SIZE; n++) {
        char move[MOVE_TEXT_SIZE];
        used += std::snprintf(text + used, sizeof text - std::size_t(used), " %s",
                              coordinate_text(pv[n], move));
    }
    std::printf("%s\n", text);
    shown_last = multipv == 1;
    if (!shown_last) return;
    shown = {depth, score, bound, {}};
    std::copy(pv, pv + n, shown.pv);
}

// A new best move during an iteration: the root's score is at least this.
void print_info(int depth, int score, const Move* pv) {
    if (line_index < shown_lines) print_line(depth, line_index + 1, score, LOWER, pv);
}

void print_iteration(int depth) {
    for (int i = 0; i < std::min(int(root_line_count), shown_lines); i++)
        print_line(depth, i + 1, root_lines[i].score, EXACT, root_lines[i].pv);
}

// Which root move is searched, once the search has run a second.
void print_root_move(int depth, Move m, int number) {
    if (tick_count() - go_tick < CURRMOVE_MS) return;
    char text[MOVE_TEXT_SIZE];
    std::printf("info depth %d currmove %s currmovenumber %d\n", depth, coordinate_text(m, text),
                number);
    shown_last = false;
}

// ---- clock ----

std::int32_t centiseconds(long long ms) {
    return std::int32_t(std::clamp(ms / 10, -(long long)CLOCK_LIMIT, (long long)CLOCK_LIMIT));
}

// A move on the clock: the time manager decides. The clock of the move runs
// from go, so that time spent pondering counts.
bool on_clock() {
    return limits.time[game_position.white_to_move] != -1 && limits.movetime < 0 &&
           !limits.infinite;
}

// The clock's limits for the search (none while pondering).
void start_uci_clock() {
    clock_start = go_tick;
    time_left = target_time = max_time = NEVER; // depth, nodes, the time manager, or nothing
    if (!waiting_for_ponderhit && !limits.infinite && limits.movetime >= 0) {
        time_left = std::max(centiseconds(limits.movetime - overhead_ms), 0);
        target_time = max_time = time_left;
    }
    run_move_clock(on_clock() && !waiting_for_ponderhit);
}

int clock_or_move_time_says_stop() { return time_check() || move_time_over(); }

// ---- lines during a search ----

// Reads a waiting line while a search runs (or waits to be stopped).
InputVerdict answer_line() {
    if (!read_command()) {
        quitting = true;
        return STOP_WITH_MOVE;
    }
    const char* at = line;
    switch (find_command(at)) {
    case ISREADY:
        std::printf("readyok\n");
        shown_last = false;
        return GO_ON;
    case UCI:
        print_identity();
        shown_last = false;
        return GO_ON;
    case PONDERHIT:
        if (waiting_for_ponderhit) {
            // the expected move came: the clock that started at go applies
            waiting_for_ponderhit = false;
            start_uci_clock();
            if (optimum_spent()) return STOP_WITH_MOVE; // pondered long enough
        }
        return GO_ON;
    case STOP:
        stop_requested = true;
        return STOP_WITH_MOVE;
    case QUIT:
        quitting = true;
        return STOP_WITH_MOVE;
    case POSITION:
    case GO:
    case UCINEWGAME:
    case SETOPTION:
        line_pending = true; // only after this search's bestmove
        return STOP_WITH_MOVE;
    default:
        return GO_ON;
    }
}

// ---- commands ----

void new_uci_game() {
    clear_hash();
    clear_pawn_hash();
    new_game();
}

// position startpos|fen FEN [moves M...]: all of it or nothing.
void set_position(const char* at) {
    static std::uint64_t saved_keys[KEY_HISTORY_SIZE];
    const Position saved = game_position;
    const std::int32_t saved_plies = plies_played;
    std::memcpy(saved_keys, key_history, sizeof key_history);
    auto refuse = [&](const char* what, std::string_view text) {
        std::printf("info string %s: %.*s\n", what, int(text.size()), text.data());
        game_position = saved;
        plies_played = saved_plies;
        std::memcpy(key_history, saved_keys, sizeof key_history);
    };

    const std::string_view kind = next_word(at);
    if (kind == "startpos") {
        new_game();
    } else if (kind == "fen") {
        // the FEN's words up to "moves"
        char fen[FEN_SIZE];
        std::size_t used = 0;
        for (const char* word_start = at;; word_start = at) {
            const std::string_view w = next_word(at);
            if (w.empty() || w == "moves") {
                at = word_start;
                break;
            }
            if (used + w.size() + 1 >= FEN_SIZE)
                return refuse("bad FEN", {word_start, std::strlen(word_start)});
            if (used) fen[used++] = ' ';
            std::memcpy(fen + used, w.data(), w.size());
            used += w.size();
        }
        fen[used] = 0;
        if (!new_game_from_fen(fen)) return refuse("bad FEN", fen);
    } else {
        return refuse("position needs startpos or fen", line);
    }

    std::string_view w;
    while (!(w = next_word(at)).empty() && w != "moves") {}
    while (!(w = next_word(at)).empty()) {
        char text[MOVE_TEXT_SIZE] = {};
        if (w.size() < MOVE_TEXT_SIZE) w.copy(text, w.size());
        const Move m = legal_move(game_position, text);
        if (!m) return refuse("illegal move", w);
        record_move(m);
    }
}

// A legal move of searchmoves, once; anything else is left out.
void add_search_move(GoLimits& g, std::string_view w) {
    char text[MOVE_TEXT_SIZE] = {};
    if (w.size() >= MOVE_TEXT_SIZE) return;
    w.copy(text, w.size());
    const Move m = legal_move(game_position, text);
    if (m && std::find(g.moves, g.moves + g.move_count, m) == g.moves + g.move_count)
        g.moves[g.move_count++] = m;
}

GoLimits parse_go(const char* at) {
    GoLimits g{{-1, -1}, {0, 0}, -1, 0, 0, 0, 0, false, false, false, 0, {}};
    const struct {
        std::string_view word;
        long long* value;
    } numbers[] = {
        {"wtime", &g.time[1]},     {"btime", &g.time[0]},         {"winc", &g.increment[1]},
        {"binc", &g.increment[0]}, {"movestogo", &g.moves_to_go}, {"movetime", &g.movetime},
        {"depth", &g.depth},       {"nodes", &g.nodes},           {"mate", &g.mate}};
    bool moves_follow = false; // searchmoves' moves run up to the next word of go
    for (std::string_view w; !(w = next_word(at)).empty();) {
        if (w == "infinite") g.infinite = true;
        if (w == "ponder") g.ponder = true;
        bool keyword = w == "infinite" || w == "ponder";
        if (w == "searchmoves") {
            moves_follow = g.restricted = true;
            continue;
        }
        for (const auto& n : numbers) {
            if (w != n.word) continue;
            keyword = true;
            const char* after = at;
            long long value;
            if (parse_number(next_word(after), &value)) {
                *n.value = value;
                at = after;
            }
        }
        moves_follow = moves_follow && !keyword;
        if (moves_follow) add_search_move(g, w);
    }
    return g;
}

// The search's own limits: depth (mate N as 2N - 1 plies) and nodes.
void set_search_limits() {
    long long depth = PLY_LIMIT;
    if (limits.depth > 0) depth = std::min(depth, limits.depth);
    if (limits.mate > 0) depth = std::min(depth, 2 * limits.mate - 1);
    max_iteration_depth = int(depth);
    node_limit = limits.nodes > 0 ? std::uint64_t(limits.nodes) : NO_NODE_LIMIT;
    poll_interval = std::max(MIN_POLL_NODES, nps_estimate >> POLL_SHIFT);
    poll_countdown = std::int32_t(std::min<std::uint64_t>(poll_interval, node_limit));
}

// A search stopped before its first iteration had a move: that iteration
// without limits, a few thousand nodes at most.
Move first_iteration_move() {
    max_iteration_depth = 1;
    node_limit = NO_NODE_LIMIT;
    target_time = max_time = time_left = NEVER;
    run_move_clock(false);
    poll_countdown = INT32_MAX;
    return iterate(game_position, 0);
}

void print_bestmove(Move best) {
    char text[MOVE_TEXT_SIZE], reply_text[MOVE_TEXT_SIZE];
    Position after = game_position;
    make_move(after, best);
    Move reply = ponder_move ? ponder_move : expected_reply(after);
    if (!move_is_legal(after, reply)) reply = 0;
    // the line of bestmove and ponder comes last
    if (!shown_last || shown.pv[0] != best || (reply && shown.pv[1] != reply)) {
        if (shown.pv[0] != best) shown = {shown.depth, shown.score, shown.bound, {best}};
        if (reply && shown.pv[1] != reply) {
            shown.pv[1] = reply;
            shown.pv[2] = 0;
        }
        print_line(shown.depth, 1, shown.score, shown.bound, shown.pv);
    }
    if (reply)
        std::printf("bestmove %s ponder %s\n", coordinate_text(best, text),
                    coordinate_text(reply, reply_text));
    else
        std::printf("bestmove %s\n", coordinate_text(best, text));
}

// A level plays one of its root lines, with that line's score and reply.
Move level_move(Move best, const Level& level) {
    const int k = level_pick(root_lines, root_line_count, level.margin, level_seed());
    if (!k) return best;
    ponder_move = root_lines[k].pv[1];
    shown = {shown.depth, root_lines[k].score, EXACT, {}};
    std::copy(root_lines[k].pv, root_lines[k].pv + LINE_LENGTH, shown.pv);
    shown_last = false;
    return root_lines[k].pv[0];
}

void go(const char* at) {
    limits = parse_go(at);
    Move list[MAX_MOVES];
    const int moves =
        limits.restricted ? limits.move_count : int(legal_moves(game_position, list) - list);
    if (moves == 0) {
        std::printf("info depth 0 score %s\nbestmove 0000\n",
                    side_in_check(game_position) ? "mate 0" : "cp 0");
        return;
    }
    engine_colour = game_position.white_to_move;
    go_tick = tick_count();
    waiting_for_ponderhit = limits.ponder;
    stop_requested = false;
    const int us = game_position.white_to_move;
    const MoveTime clock = on_clock() ? move_time(limits.time[us], limits.increment[us],
                                                  limits.moves_to_go, overhead_ms, plies_played)
                                      : MoveTime{0, 0};
    start_move_time(clock, false, go_tick, moves);
    shown_last = false;
    shown = {};
    search_move_count = limits.move_count;
    std::copy(limits.moves, limits.moves + limits.move_count, search_moves);
    start_uci_clock();
    set_search_limits();
    const Level level = level_of(level_elo);
    shown_lines = multi_pv;
    multi_pv = std::max(int(multi_pv), level.lines);
    node_limit = std::min(node_limit, level.nodes);
    Move best = iterate(game_position, 0);
    // infinite and ponder searches end only when told
    while (!stop_requested && !quitting && !line_pending &&
           (limits.infinite || waiting_for_ponderhit))
        answer_line();
    if (!best) best = first_iteration_move();
    best = level_move(best, level);
    // a level's move takes some time, the clock permitting
    std::uint64_t seed = level_seed();
    const long long think = std::min<long long>(
        level_think_ms(seed), on_clock()             ? clock.optimum
                              : limits.movetime >= 0 ? limits.movetime - overhead_ms
                                                     : LLONG_MAX);
    while (!stop_requested && !quitting && !line_pending && tick_count() - go_tick < think)
        if (input_check())
            answer_line();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    multi_pv = shown_lines;
    search_move_count = 0;
    max_iteration_depth = PLY_LIMIT;
    node_limit = NO_NODE_LIMIT;
    print_bestmove(best);
}

void set_option(const char* at) {
    // setoption name N... [value V...]: names may have spaces
    std::string_view w;
    while (!(w = next_word(at)).empty() && w != "name") {}
    const char* name_start = at + std::strspn(at, " \t");
    const char* name_end = name_start;
    const char* value = "";
    while (!(w = next_word(at)).empty()) {
        if (w == "value") {
            value = at + std::strspn(at, " \t");
            break;
        }
        name_end = at;
    }
    const std::string_view name(name_start, std::size_t(name_end - name_start));
    long long number = 0;
    const bool numeric = parse_number(value, &number);
    if (same_name(name, "Hash")) {
        if (!numeric) return (void)std::printf("info string Hash needs a number of MiB\n");
        const long long megabytes = std::clamp(number, 1LL, (long long)MAX_HASH_MB);
        if (!set_hash_megabytes(std::uint32_t(megabytes)))
            std::printf("info string no memory for a table of %lld MiB\n", megabytes);
    } else if (same_name(name, "Threads")) {
        if (!numeric || number != 1) std::printf("info string gyre searches on 1 thread\n");
    } else if (same_name(name, "Ponder")) {
        // the interface decides when to ponder (go ponder)
    } else if (same_name(name, "MultiPV")) {
        if (!numeric) return (void)std::printf("info string MultiPV needs a number of lines\n");
        multi_pv = std::int32_t(std::clamp(number, 1LL, (long long)MAX_LINES));
    } else if (same_name(name, "UCI_LimitStrength")) {
        level_limited = same_name(value, "true");
    } else if (same_name(name, "UCI_Elo")) {
        if (!numeric) return (void)std::printf("info string UCI_Elo needs a number\n");
        level_elo = int(std::clamp(number, (long long)LEVEL_MIN_ELO, (long long)LEVEL_MAX_ELO));
        if (level_elo != number) std::printf("info string UCI_Elo set to %d\n", level_elo);
    } else if (same_name(name, "Clear Hash")) {
        clear_hash();
        clear_pawn_hash();
    } else if (same_name(name, "Move Overhead")) {
        if (!numeric) return (void)std::printf("info string Move Overhead needs milliseconds\n");
        overhead_ms = int(std::clamp(number, 0LL, (long long)MAX_OVERHEAD_MS));
    } else {
        std::printf("info string unknown option: %.*s\n", int(name.size()), name.data());
    }
}

} // namespace

void uci_loop() {
    uci_mode = 1;
    quitting = line_pending = false;
    report_line = print_info;
    report_iteration = print_iteration;
    report_root_move = print_root_move;
    answer_input = answer_line;
    clock_says_stop = clock_or_move_time_says_stop;
    iteration_ends_search = move_time_spent;
    print_identity();
    while (!quitting) {
        if (!line_pending && !read_command()) return; // the end of input: quit
        line_pending = false;
        const char* at = line;
        switch (find_command(at)) {
        case UCI:
            print_identity();
            break;
        case ISREADY:
            std::printf("readyok\n");
            break;
        case UCINEWGAME:
            new_uci_game();
            break;
        case POSITION:
            set_position(at);
            break;
        case GO:
            go(at);
            break;
        case SETOPTION:
            set_option(at);
            break;
        case QUIT:
            return;
        default:
            break; // stop and ponderhit without a search, debug, register, unknown lines
        }
    }
}
