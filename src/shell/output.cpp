// Error reports, the move log and the board diagram.
#include <cstdarg>
#include <ctime>

#include "shell/shell.h"

void error_report(const char* format, ...) {
    char message[1000];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    const char* form = uci_mode ? "info string %s\n" : xboard_mode ? "tellusererror %s\n" : "%s\n";
    std::printf(form, message);

    char stamp[99];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    if (error_file) {
        std::fprintf(error_file, "%s : %s\n", stamp, message);
        std::fflush(error_file);
    }
}

void log_print(const char* format, ...) {
    if (!log_file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log_file, format, args);
    va_end(args);
    std::fflush(log_file);
}

void display_board(const Position& pos) {
    static const char letters[] = " pBNRQK";
    std::printf("   a  b  c  d  e  f  g  h\n");
    for (int rank = 7; rank >= 0; rank--) {
        std::printf(" ");
        for (int i = 0; i < 8; i++) std::printf("+--");
        std::printf("+\n%c", '1' + rank);
        for (int file = 0; file < 8; file++) {
            const PieceCode code = pos.board[rank * 8 + file];
            std::printf("|%c%c", code < 0 ? '*' : ' ', letters[code < 0 ? -code : code]);
        }
        std::printf("|%c\n", '1' + rank);
    }
    std::printf(" ");
    for (int i = 0; i < 8; i++) std::printf("+--");
    std::printf("+\n");
    std::printf("   a  b  c  d  e  f  g  h\n");
}
