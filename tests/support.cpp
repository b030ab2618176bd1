#include "support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/shell.h"

namespace {

struct Tables : testing::Environment {
    void SetUp() override { init_tables(); }
};
[[maybe_unused]] testing::Environment* const tables = testing::AddGlobalTestEnvironment(new Tables);

std::uint64_t fen_keys[KEY_HISTORY_SIZE];

} // namespace

Position fen(const char* text) {
    Position pos{};
    EXPECT_TRUE(setup_from_fen(pos, text, fen_keys)) << text;
    return pos;
}

const Position& play(const std::string& moves) {
    new_game();
    EXPECT_EQ(play_moves(moves.c_str()), nullptr) << moves;
    return game_position;
}

std::string output_of(const std::function<void()>& f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

StdinPipe::StdinPipe() {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    saved = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    input = fds[1];
}

StdinPipe::~StdinPipe() {
    close_input();
    dup2(saved, 0);
    close(saved);
}

void write_all(int fd, const std::string& bytes) {
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
}

void StdinPipe::close_input() {
    if (input >= 0) close(input);
    input = -1;
}

std::pair<int, std::string> run(const char* path, const std::string& args) {
    std::FILE* pipe = popen((std::string(path) + " " + args + " 2>/dev/null").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

const char* engine_command() {
    const char* command = std::getenv("GYRE_ENGINE");
    return command && *command ? command : ENGINE_PATH;
}

Engine::Engine(const std::vector<std::pair<std::string, std::string>>& files, bool read_only) {
    char pattern[] = "/tmp/engine-test-XXXXXX";
    dir = mkdtemp(pattern);
    for (const auto& [name, content] : files) std::ofstream(dir + "/" + name) << content;
    if (read_only) {
        // Root writes through permission bits: directories in the files'
        // places make their opening fail either way.
        mkdir((dir + "/log.txt").c_str(), 0755);
        mkdir((dir + "/error.txt").c_str(), 0755);
        chmod(dir.c_str(), 0555);
    }
    signal(SIGPIPE, SIG_IGN);
    int in[2], from[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC) | pipe2(from, O_CLOEXEC), 0);
    // exec: the engine is the child itself, so that kill reaches it
    const std::string command = std::string("exec ") + engine_command();
    pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(from[1], 1);
        if (chdir(dir.c_str()) == 0) execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    close(in[0]);
    close(from[1]);
    input = in[1];
    output = from[0];
}

Engine::~Engine() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (input >= 0) close(input);
    close(output);
    chmod(dir.c_str(), 0755);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

bool Engine::read_more(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{output, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(output, buffer, sizeof buffer);
    ended = n <= 0;
    if (ended) return false;
    out.append(buffer, std::size_t(n));
    for (std::size_t nl; (nl = out.find('\n')) != std::string::npos; out.erase(0, nl + 1))
        lines.push_back(out.substr(0, nl));
    return true;
}

std::string Engine::wait(const std::function<bool(const std::string&)>& match) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WAIT_MS);
    do {
        for (; seen < lines.size(); seen++)
            if (match(lines[seen])) return lines[seen++];
    } while (read_more(deadline));
    ADD_FAILURE() << "no awaited line; the engine printed:\n"
                  << testing::PrintToString(Lines(lines.begin() + long(seen), lines.end()));
    return "<timeout>";
}

Lines Engine::talk(const Lines& sent) {
    for (const auto& line : sent) send(line);
    send(marker);
    const std::size_t from = seen;
    wait([&](const std::string& l) { return l == marker_answer; });
    return Lines(lines.begin() + long(from), lines.begin() + long(seen) - 1);
}

Lines Engine::uci() {
    marker = "isready";
    marker_answer = "readyok";
    return talk({"uci"});
}

Lines Engine::until(const std::string& head) {
    const std::size_t from = seen;
    wait_for(head);
    return Lines(lines.begin() + long(from), lines.begin() + long(seen));
}

int Engine::finish() {
    close(input);
    input = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WAIT_MS);
    while (read_more(deadline)) {}
    if (!ended) return -1; // still running: a hang
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Engine::file(const std::string& name) const {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
