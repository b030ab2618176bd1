// End-to-end test harness: see harness.h.
#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadline_after(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

int ms_left(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void set_nonblocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

} // namespace

EngineProcess::EngineProcess() : EngineProcess(EngineOptions{}) {}

EngineProcess::EngineProcess(EngineOptions options) : options_(std::move(options)) {
    dir_ = options_.dir;
    if (dir_.empty()) {
        dir_ = make_temp_dir();
        own_dir_ = !dir_.empty();
    }
    for (const auto& [name, content] : options_.files) write_file(name, content);
    if (options_.start) start();
}

EngineProcess::~EngineProcess() {
    if (running()) {
        // Closing the input is the polite way to end it; kill if it lingers.
        close_input();
        if (wait_exit(1000) == -1) kill_now();
    }
    close_fd(in_fd_);
    close_fd(out_fd_);
    close_fd(err_fd_);
    if (own_dir_) {
        if (std::getenv("HARNESS_KEEP_DIR")) {
            std::fprintf(stderr, "harness: kept %s\n", dir_.c_str());
            return;
        }
        // Tests may have made directories read-only; give them back first.
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(dir_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(dir_, ec);
    }
}

std::string EngineProcess::make_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/engine-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!::mkdtemp(buffer.data())) return "";
    return buffer.data();
}

bool EngineProcess::start() {
    if (pid_ > 0 || dir_.empty()) return false;
    // A write to an engine that has gone must fail, not kill the test run.
    ::signal(SIGPIPE, SIG_IGN);

    int in_pipe[2], out_pipe[2], err_pipe[2] = {-1, -1};
    if (::pipe2(in_pipe, O_CLOEXEC) != 0) return false;
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        ::close(in_pipe[0]);
        ::close(in_pipe[1]);
        return false;
    }
    if (!options_.merge_stderr && ::pipe2(err_pipe, O_CLOEXEC) != 0) {
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) ::close(fd);
        return false;
    }

    std::vector<std::string> args;
    args.push_back(options_.binary);
    args.insert(args.end(), options_.args.begin(), options_.args.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            if (fd >= 0) ::close(fd);
        return false;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls from here to exec.
        // Lift the pipe ends above 2 first: when the test runs with a
        // standard descriptor closed, a pipe may sit on 0..2 already.
        const int in = ::fcntl(in_pipe[0], F_DUPFD, 3);
        const int out = ::fcntl(out_pipe[1], F_DUPFD, 3);
        const int err = options_.merge_stderr ? out : ::fcntl(err_pipe[1], F_DUPFD, 3);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::signal(SIGPIPE, SIG_DFL);
        if (::chdir(dir_.c_str()) != 0) {
            const char msg[] = "harness: cannot enter the working directory\n";
            (void)!::write(2, msg, sizeof msg - 1);
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        const char msg[] = "harness: cannot execute the engine\n";
        (void)!::write(2, msg, sizeof msg - 1);
        ::_exit(127);
    }

    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    if (err_pipe[1] >= 0) ::close(err_pipe[1]);
    pid_ = pid;
    in_fd_ = in_pipe[1];
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
    set_nonblocking(in_fd_);
    set_nonblocking(out_fd_);
    if (err_fd_ >= 0) set_nonblocking(err_fd_);
    return true;
}

bool EngineProcess::send(const std::string& line) { return send_raw(line + "\n"); }

bool EngineProcess::send_raw(const std::string& bytes) {
    size_t done = 0;
    const auto deadline = deadline_after(HARNESS_TIMEOUT_MS);
    while (done < bytes.size()) {
        if (in_fd_ < 0) return false;
        const ssize_t n = ::write(in_fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            // The pipe is full: keep reading so that the engine can go on.
            if (ms_left(deadline) == 0) return false;
            pump(10);
        } else {
            return false; // EPIPE: the engine has closed its input
        }
    }
    return true;
}

void EngineProcess::close_input() { close_fd(in_fd_); }

void EngineProcess::take(int fd, const char* data, size_t size) {
    if (fd != out_fd_) {
        stderr_.append(data, size);
        return;
    }
    transcript_.append(data, size);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines_.push_back(partial_);
            partial_.clear();
        } else {
            partial_.push_back(data[i]);
        }
    }
}

bool EngineProcess::pump(int timeout_ms) {
    pollfd fds[2];
    int count = 0;
    for (int fd : {out_fd_, err_fd_})
        if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    if (count == 0) return false;
    const int ready = ::poll(fds, static_cast<nfds_t>(count), timeout_ms);
    if (ready <= 0) return true;
    for (int i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                take(fds[i].fd, buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                // End of this stream; an unterminated last line still counts.
                if (fds[i].fd == out_fd_) {
                    if (!partial_.empty()) lines_.push_back(partial_);
                    partial_.clear();
                    close_fd(out_fd_);
                } else {
                    close_fd(err_fd_);
                }
            }
            break;
        }
    }
    return out_fd_ >= 0 || err_fd_ >= 0;
}

std::optional<std::string>
EngineProcess::wait_for_line(const std::function<bool(const std::string&)>& match, int timeout_ms) {
    const auto deadline = deadline_after(timeout_ms);
    size_t next = cursor_;
    for (;;) {
        for (; next < lines_.size(); ++next) {
            if (match(lines_[next])) {
                cursor_ = next + 1;
                return lines_[next];
            }
        }
        const int left = ms_left(deadline);
        if (left == 0 || !pump(left)) break;
    }
    // Lines that arrived with the last read.
    for (; next < lines_.size(); ++next) {
        if (match(lines_[next])) {
            cursor_ = next + 1;
            return lines_[next];
        }
    }
    return std::nullopt;
}

bool EngineProcess::expect(const std::string& substring, int timeout_ms) {
    return wait_for_line(
               [&](const std::string& line) { return line.find(substring) != std::string::npos; },
               timeout_ms)
        .has_value();
}

bool EngineProcess::expect_line(const std::string& exact, int timeout_ms) {
    return wait_for_line([&](const std::string& line) { return line == exact; }, timeout_ms)
        .has_value();
}

std::vector<std::string> EngineProcess::next_lines(size_t count, int timeout_ms) {
    const auto deadline = deadline_after(timeout_ms);
    while (lines_.size() - cursor_ < count) {
        const int left = ms_left(deadline);
        if (left == 0 || !pump(left)) break;
    }
    const size_t end = std::min(lines_.size(), cursor_ + count);
    std::vector<std::string> result(lines_.begin() + static_cast<long>(cursor_),
                                    lines_.begin() + static_cast<long>(end));
    cursor_ = end;
    return result;
}

std::string EngineProcess::read_available(int ms) {
    const size_t before = transcript_.size();
    const auto deadline = deadline_after(ms);
    for (;;) {
        const int left = ms_left(deadline);
        if (left == 0 || !pump(left)) break;
    }
    return transcript_.substr(before);
}

std::vector<std::string> EngineProcess::lines_since(size_t index) const {
    if (index >= lines_.size()) return {};
    return {lines_.begin() + static_cast<long>(index), lines_.end()};
}

void EngineProcess::reap(bool block) {
    if (pid_ <= 0 || exited_) return;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r != pid_) return;
    exited_ = true;
    if (WIFEXITED(status))
        exit_code_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        exit_code_ = 128 + WTERMSIG(status);
}

int EngineProcess::wait_exit(int timeout_ms) {
    if (pid_ <= 0) return -1;
    const auto deadline = deadline_after(timeout_ms);
    for (;;) {
        reap(false);
        if (exited_) break;
        const int left = ms_left(deadline);
        if (left == 0) return -1;
        // Keep draining so that the engine never blocks on a full pipe.
        if (!pump(std::min(left, 20))) ::usleep(5000);
    }
    // Collect what was still in the pipes when it exited.
    const auto drain_deadline = deadline_after(1000);
    while (ms_left(drain_deadline) > 0 && pump(ms_left(drain_deadline))) {}
    return exit_code_;
}

void EngineProcess::kill_now() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    reap(true);
}

void EngineProcess::send_signal(int sig) {
    if (running()) ::kill(pid_, sig);
}

std::string EngineProcess::path(const std::string& name) const { return dir_ + "/" + name; }

bool EngineProcess::write_file(const std::string& name, const std::string& content) const {
    std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

std::string EngineProcess::file(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    if (!in) return "";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool EngineProcess::file_exists(const std::string& name) const {
    struct stat st;
    return ::stat(path(name).c_str(), &st) == 0;
}
