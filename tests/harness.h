// End-to-end test harness: runs the engine binary behind pipes in a
// directory of its own and lets a test talk to it line by line.
//
//     EngineProcess engine;                    // fresh temp dir, started
//     engine.send("display");
//     ASSERT_TRUE(engine.expect_line("   a  b  c  d  e  f  g  h")) << engine.transcript();
//     engine.close_input();
//     EXPECT_EQ(engine.wait_exit(), 0);
//
// The destructor closes the input, kills the engine if it does not exit,
// and removes the temporary directory (set HARNESS_KEEP_DIR to keep it).
//
// Every wait has a time limit; nothing here knows the engine's internals.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef ENGINE_PATH
#define ENGINE_PATH "engine"
#endif

// Generous: sanitizer builds and a loaded machine are slow, and a hang
// should still fail the test instead of stalling the suite.
constexpr int HARNESS_TIMEOUT_MS = 10000;

struct EngineOptions {
    // Working directory; empty means a fresh temporary directory that is
    // removed again when the process object goes away.
    std::string dir;
    // Files written into the working directory before the start.
    std::vector<std::pair<std::string, std::string>> files;
    // Start at once; when false, call start() (e.g. after preparing dir()).
    bool start = true;
    // Merge the engine's standard error into the standard output stream.
    bool merge_stderr = false;
    std::string binary = ENGINE_PATH;
    std::vector<std::string> args;
};

class EngineProcess {
  public:
    EngineProcess();
    explicit EngineProcess(EngineOptions options);
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Fork and exec the binary in dir(). False if it is already running or
    // could not be started.
    bool start();
    bool running() const { return pid_ > 0 && !exited_; }
    pid_t pid() const { return pid_; }

    // Input. send() appends "\n"; send_raw() writes the bytes as given.
    // Both return false when the engine no longer reads its input.
    bool send(const std::string& line);
    bool send_raw(const std::string& bytes);
    void close_input();

    // Waiting for output. Lines are matched from the read cursor on; a match
    // moves the cursor past the matched line, so consecutive expects follow
    // the output in order. On timeout the cursor stays where it was.
    bool expect(const std::string& substring, int timeout_ms = HARNESS_TIMEOUT_MS);
    bool expect_line(const std::string& exact, int timeout_ms = HARNESS_TIMEOUT_MS);
    std::optional<std::string> wait_for_line(const std::function<bool(const std::string&)>& match,
                                             int timeout_ms = HARNESS_TIMEOUT_MS);
    // Wait until at least count complete lines lie past the cursor, return
    // them and move the cursor past them. Fewer lines on timeout or exit.
    std::vector<std::string> next_lines(size_t count, int timeout_ms = HARNESS_TIMEOUT_MS);
    // Collect output for ms milliseconds (less if the engine closes its
    // output) and return what arrived in that time.
    std::string read_available(int ms);

    // Wait for the exit (input stays open: call close_input() first to test
    // the end of input) and return the exit code; 128 + signal number if
    // killed by a signal, -1 on timeout.
    int wait_exit(int timeout_ms = HARNESS_TIMEOUT_MS);
    void kill_now();
    void send_signal(int sig);

    // Everything printed so far (standard output; standard error too when
    // merged), as raw text and as complete lines without their "\n".
    const std::string& transcript() const { return transcript_; }
    const std::vector<std::string>& lines() const { return lines_; }
    const std::string& stderr_text() const { return stderr_; }
    size_t cursor() const { return cursor_; }
    void skip_to_end() { cursor_ = lines_.size(); }
    std::vector<std::string> lines_since(size_t index) const;

    // The working directory and its files.
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const;
    bool write_file(const std::string& name, const std::string& content) const;
    std::string file(const std::string& name) const; // empty if missing
    bool file_exists(const std::string& name) const;

    // A fresh directory under $TMPDIR (or /tmp); empty string on failure.
    static std::string make_temp_dir();

  private:
    // Read whatever is ready, waiting at most timeout_ms; false once both
    // output streams are closed and nothing more can come.
    bool pump(int timeout_ms);
    void take(int fd, const char* data, size_t size);
    void reap(bool block);

    EngineOptions options_;
    std::string dir_;
    bool own_dir_ = false;
    pid_t pid_ = -1;
    bool exited_ = false;
    int exit_code_ = -1;
    int in_fd_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    std::string transcript_;
    std::string partial_;
    std::string stderr_;
    std::vector<std::string> lines_;
    size_t cursor_ = 0;
};
