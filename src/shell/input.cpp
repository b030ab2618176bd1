// The command interpreter (one line per call) and the test commands.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "eval/eval.h"
#include "shell/shell.h"

namespace {

constexpr int FILE_LINE_SIZE = 100; // a line of a move file: 99 characters at most
constexpr int LEVEL_MINUTE = 6000;  // centiseconds

// Clock values are kept far from the 32-bit limits (CLOCK_LIMIT) so that
// the clock arithmetic can never overflow, whatever an interface sends.
constexpr long INCREMENT_LIMIT = 1000000; // seconds

bool is_trailing_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

long clamp(long value, long limit) {
    return value > limit ? limit : value < -limit ? -limit : value;
}

long number(const char* token) { return std::strtol(token, nullptr, 10); }

void close_log() {
    if (log_file) std::fclose(log_file);
    log_file = nullptr;
}

// One line of a move file: at most 99 characters, the newline (and a
// carriage return before it) dropped. Returns 0 at the end of the file.
int read_file_line(std::FILE* file, char* buffer) {
    for (;;) {
        if (!std::fgets(buffer, FILE_LINE_SIZE, file)) return 0;
        std::size_t n = std::strlen(buffer);
        if (n > 0 && buffer[n - 1] == '\n') {
            buffer[--n] = 0;
            if (n > 0 && buffer[n - 1] == '\r') buffer[--n] = 0;
        }
        if (n > 0) return 1;
    }
}

int command_level(int token_count, char** tokens) {
    if (token_count < 4) return 0;
    const long base = clamp(number(tokens[2]), CLOCK_LIMIT / LEVEL_MINUTE);
    time_left = std::int32_t(base * LEVEL_MINUTE);
    // A negative increment would make the time limits negative, and the
    // clock would then never stop a search.
    const long seconds = clamp(number(tokens[3]), INCREMENT_LIMIT);
    increment = std::int32_t(seconds < 0 ? 0 : seconds);
    return 1;
}

void command_time(int token_count, char** tokens) {
    if (token_count < 2) return;
    time_left = std::int32_t(clamp(number(tokens[1]), CLOCK_LIMIT));
}

void command_printmove(int token_count, char** tokens) {
    if (token_count < 2) return;
    char text[MOVE_TEXT_SIZE];
    std::printf("%s\n", move_text(Move(number(tokens[1])), text));
}

void command_tracepv(int token_count, char** tokens) {
    Position scratch = game_position;
    // A private key history: the line may be longer than the room left in
    // the game's, and no draw rule is looked at here.
    std::uint64_t keys[4];
    for (int i = 1; i < token_count; i++) {
        keys[0] = scratch.key;
        scratch.history_start = keys;
        scratch.history_end = keys + 1;
        const Move m = legal_move(scratch, tokens[i]);
        if (!m) {
            std::printf("Invalid move: %s\n", tokens[i]);
            return;
        }
        make_move(scratch, m);
    }
}

std::FILE* open_move_file(int token_count, char** tokens) {
    if (token_count < 2) return nullptr;
    std::FILE* file = std::fopen(tokens[1], "rb");
    if (!file) std::printf("file not found\n");
    return file;
}

int command_read(int token_count, char** tokens, int resume) {
    std::FILE* file = open_move_file(token_count, tokens);
    if (!file) return resume;
    force_mode = 1;
    char text[FILE_LINE_SIZE];
    while (read_file_line(file, text)) {
        const Move m = legal_move(game_position, text);
        if (!m) {
            std::printf("Illegal move: %s\n", text);
            break;
        }
        play_move(m);
    }
    std::fclose(file);
    return 0;
}

int command_testgame(int token_count, char** tokens, int resume) {
    std::FILE* file = open_move_file(token_count, tokens);
    if (!file) return resume;
    new_game();
    std::uint64_t n = 0, q = 0, h = 0, f = 0, ff = 0, hf = 0, nf = 0;
    double branch_sum = 0.0;
    int branch_samples = 0;
    int engine_turn = 0;
    const std::uint64_t cpu_start = process_clock_ms();
    char text[FILE_LINE_SIZE];
    while (read_file_line(file, text)) {
        const Move m = legal_move(game_position, text);
        if (!m) {
            std::printf("Illegal move: %s\n", text);
            break;
        }
        if (engine_turn) {
            const Move r = iterate(game_position, 0);
            if (r != m) {
                std::printf("Difference found: %s\n", text);
                break;
            }
            n += node_count;
            q += quiescence_node_count;
            h += horizon_count;
            f += fail_high_count;
            ff += fail_high_first_count;
            hf += hash_fail_high_count;
            nf += null_fail_high_count;
            if (branch_factor < 20.0) {
                branch_sum += branch_factor;
                branch_samples++;
            }
        }
        play_move(m);
        engine_turn = 1 - engine_turn;
    }
    const double cpu = double(process_clock_ms() - cpu_start) * 0.001;
    const double N = double(n), Q = double(q), H = double(h), F = double(f);
    std::printf("NPS=%lu, cpu time used: %.2f\n", (unsigned long)nps_estimate, cpu);
    std::printf("Total: %lld nodes, leaf nodes %.2lf%%, real quiet nodes: %.2lf%%, "
                "nodes/leaf: %.2lf\n",
                (long long)n, ratio(100.0 * H, N), ratio(100.0 * (Q - H), N), ratio(Q, H));
    std::printf("Fail high nodes: %.2lf%%, of which first %.2lf%%, hash %.2lf%%, null %.2lf%%\n",
                ratio(100.0 * F, N), ratio(100.0 * double(ff), F), ratio(100.0 * double(hf), F),
                ratio(100.0 * double(nf), F));
    std::printf("Average branch factor: %.2lf\n", ratio(branch_sum, branch_samples));
    std::fclose(file);
    return 0;
}

int command_move(const char* line, int resume) {
    const Move m = legal_move(game_position, line);
    if (!m) {
        const char* answer =
            parse_move(game_position, line) ? "Illegal move" : "Error (unknown command)";
        std::printf("%s: %s\n", answer, line);
        return resume;
    }
    if (play_move(m)) return 0;
    return force_mode ? 0 : 1;
}

} // namespace

namespace {

// Moves `at` to the next token (tokens are separated by spaces and tabs) and
// returns its length, 0 at the end of the text.
std::size_t next_token(const char*& at) {
    at += std::strspn(at, " \t");
    return std::strcspn(at, " \t");
}

} // namespace

int split(const char* line, char* copy, char** tokens) {
    int n = 0;
    for (const char* at = line; n < MAX_TOKENS;) {
        const std::size_t length = next_token(at);
        if (!length) break;
        char* token = copy + (at - line);
        std::memcpy(token, at, length);
        token[length] = 0;
        tokens[n++] = token;
        at += length;
    }
    return n;
}

const char* play_moves(const char* moves) {
    char text[MOVE_TEXT_SIZE];
    for (const char* at = moves;;) {
        const std::size_t length = next_token(at);
        if (!length) return nullptr;
        if (length >= MOVE_TEXT_SIZE) return at;
        std::memcpy(text, at, length);
        text[length] = 0;
        const Move m = legal_move(game_position, text);
        if (!m) return at;
        record_move(m);
        at += length;
    }
}

int read_line(char* buffer) {
    int length = 0;
    while (length < LINE_BUFFER_SIZE - 1) {
        const int c = input_byte();
        if (c < 0) {
            if (length == 0) {
                buffer[0] = 0;
                return 0;
            }
            break;
        }
        buffer[length++] = char(c);
        if (c == '\n') break;
    }
    buffer[length] = 0;
    while (length > 0 && is_trailing_space(buffer[length - 1])) buffer[--length] = 0;
    return 1;
}

int interpret_command(int resume) {
    char line[LINE_BUFFER_SIZE];
    if (!read_line(line)) {
        // the end of input ends the program like quit
        close_log();
        quit_requested = 1;
        return 0;
    }
    char copy[LINE_BUFFER_SIZE];
    char* tokens[MAX_TOKENS];
    const int token_count = split(line, copy, tokens);
    auto whole = [&](const char* keyword) { return std::strcmp(line, keyword) == 0; };
    auto prefix = [&](const char* keyword, std::size_t n) {
        return std::strncmp(line, keyword, n) == 0;
    };

    if (whole("xboard")) {
        xboard_mode = 1;
        std::printf("\n");
        return resume;
    }
    if (whole("uci") && !xboard_mode) {
        // the rest of the run speaks UCI; a pending search is dropped
        uci_requested = 1;
        return 0;
    }
    if (whole("new")) {
        close_log();
        log_file = std::fopen("log.txt", "wb");
        new_game();
        return 0;
    }
    if (whole("quit")) {
        close_log();
        quit_requested = 1;
        return 0;
    }
    if (whole("force")) {
        force_mode = 1;
        return 0;
    }
    if (whole("white") || whole("black")) {
        // that side to move, the engine plays the other
        const int white = whole("white");
        force_mode = 1;
        set_side_to_move(game_position, white);
        engine_colour = 1 - white;
        return 0;
    }
    if (whole("display")) {
        display_board(game_position);
        return resume;
    }
    if (prefix("level", 5)) {
        command_level(token_count, tokens);
        return resume;
    }
    if (prefix("time", 4)) {
        command_time(token_count, tokens);
        return resume;
    }
    if (prefix("otim", 4)) return resume;
    if (prefix("printmove", 9)) {
        command_printmove(token_count, tokens);
        return resume;
    }
    if (prefix("tracepv", 7)) {
        command_tracepv(token_count, tokens);
        return resume;
    }
    if (prefix("read", 4)) return command_read(token_count, tokens, resume);
    if (prefix("test", 4)) return command_testgame(token_count, tokens, resume);
    if (whole("go")) {
        force_mode = 0;
        engine_colour = game_position.white_to_move;
        return 1;
    }
    if (whole("hard")) {
        ponder_enabled = 1;
        return resume;
    }
    if (whole("easy")) {
        ponder_enabled = 0;
        return resume;
    }
    if (whole("loadhash")) {
        loadhash("hash");
        return 0;
    }
    if (whole("dumphash")) {
        dumphash("hash");
        return 0;
    }
    if (whole("eval")) {
        const int score = evaluate(game_position, -INFINITY_SCORE, INFINITY_SCORE);
        const int white_view = game_position.white_to_move ? score : -score;
        std::printf("Evaluation of current positon: %0.2f\n", white_view * 0.01);
        return resume;
    }
    if (whole("autodisplay")) {
        autodisplay = !autodisplay;
        return resume;
    }
    return command_move(line, resume);
}
