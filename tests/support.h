// What the tests share: positions and games in process, standard input on a
// pipe, and the engine and bench binaries run behind pipes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"

using Lines = std::vector<std::string>;

Position fen(const char* text); // a bad FEN fails the test
// The game position after the moves (coordinates, separated by spaces) from
// a new game; an illegal move fails the test.
const Position& play(const std::string& moves);
// Runs f with standard output captured and returns what it printed.
std::string output_of(const std::function<void()>& f);

void write_all(int fd, const std::string& bytes); // all of it, or the test fails

// Standard input replaced by a pipe while the object lives.
struct StdinPipe {
    StdinPipe();
    ~StdinPipe();
    void write(const std::string& bytes) const { write_all(input, bytes); }
    void close_input();
    int saved = -1, input = -1;
};

constexpr int WAIT_MS = 60000; // sanitizer builds on a loaded machine are slow

// A program with the arguments (shell words): exit code and standard output.
std::pair<int, std::string> run(const char* path, const std::string& args);
// The engine the sessions run: $GYRE_ENGINE (a shell command, such as
// "wine /abs/path/gyre.exe"; it runs in a directory of its own) when set,
// else the engine of this build.
const char* engine_command();
inline std::pair<int, std::string> bench(const std::string& args) { return run(BENCH_PATH, args); }

// The engine in a temporary directory of its own, behind pipes.
struct Engine {
    explicit Engine(const std::vector<std::pair<std::string, std::string>>& files = {},
                    bool read_only = false);
    ~Engine();
    void send(const std::string& line) const { write_all(input, line + "\n"); }
    // The next unread line that satisfies match; "<timeout>" after WAIT_MS.
    std::string wait(const std::function<bool(const std::string&)>& match);
    std::string wait_for(const std::string& head) { // the next line starting with head
        return wait([&](const std::string& l) { return l.rfind(head, 0) == 0; });
    }
    // Sends the lines, then a marker command, and returns every line printed
    // before the marker's answer.
    Lines talk(const Lines& lines);
    Lines uci(); // switches to UCI (isready is then the marker); the handshake
    // Every line up to and including the next that starts with head.
    Lines until(const std::string& head);
    int finish(); // closes the input; the exit code once the engine has ended
    std::string file(const std::string& name) const;

    bool read_more(std::chrono::steady_clock::time_point deadline); // false at the end or deadline

    // Answered with h8h8, which nothing else prints.
    std::string marker = "printmove 4095", marker_answer = "h8h8";
    std::string dir, out;
    Lines lines;
    std::size_t seen = 0;
    bool ended = false; // the engine has closed its output
    pid_t pid = -1;
    int input = -1, output = -1;
};
