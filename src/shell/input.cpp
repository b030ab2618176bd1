// The command interpreter: one line of input per call.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shell/shell.h"

namespace {

bool is_trailing_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

int read_line(char* buffer) {
    // Byte by byte from the descriptor, so that nothing is read ahead of
    // what the input poll can see.
    int length = 0;
    while (length < LINE_BUFFER_SIZE - 1) {
        char c;
        const ssize_t got = ::read(0, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (length == 0) {
                buffer[0] = 0;
                return 0;
            }
            break;
        }
        buffer[length++] = c;
        if (c == '\n') break;
    }
    buffer[length] = 0;
    while (length > 0 && is_trailing_space(buffer[length - 1])) buffer[--length] = 0;
    return 1;
}

int interpret_command(int resume) {
    char line[LINE_BUFFER_SIZE];
    if (!read_line(line)) {
        // End of input: as quit.
        if (log_file) std::fclose(log_file);
        log_file = nullptr;
        quit_requested = 1;
        return 0;
    }
    if (!std::strcmp(line, "xboard")) {
        xboard_mode = 1;
        std::printf("\n");
        return resume;
    }
    if (!std::strcmp(line, "quit")) {
        if (log_file) std::fclose(log_file);
        log_file = nullptr;
        quit_requested = 1;
        return 0;
    }
    if (!std::strcmp(line, "display")) {
        display_board(game_position);
        return resume;
    }
    std::printf("Error (unknown command): %s\n", line);
    return resume;
}
