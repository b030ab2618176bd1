// The platform layer of the Windows build (swapped for system.cpp by CMake).
// Standard input may be a console, a pipe from a GUI or a redirected file,
// and none of Windows' ways to ask "is a byte waiting?" works for all three
// (under wine, PeekNamedPipe fails even on a pipe). So a thread reads it into
// a ring that the poll only looks at.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "game/game.h"

namespace {

constexpr std::uint32_t RING_SIZE = 1 << 16; // a power of two

// Guarded by ring_lock: bytes written and read so far (wrapping), the end.
unsigned char ring[RING_SIZE];
std::uint32_t ring_written = 0, ring_read = 0;
bool ring_closed = false;
SRWLOCK ring_lock = SRWLOCK_INIT;
CONDITION_VARIABLE ring_changed = CONDITION_VARIABLE_INIT;
INIT_ONCE reader_started = INIT_ONCE_STATIC_INIT;

DWORD WINAPI read_standard_input(void*) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    static unsigned char chunk[4096];
    for (;;) {
        DWORD got = 0;
        // A broken pipe, a closed console or a file's end all end the input.
        const bool ok = input != INVALID_HANDLE_VALUE && input != nullptr &&
                        ReadFile(input, chunk, sizeof chunk, &got, nullptr) && got > 0;
        AcquireSRWLockExclusive(&ring_lock);
        for (DWORD i = 0; ok && i < got; i++) {
            while (ring_written - ring_read == RING_SIZE)
                SleepConditionVariableSRW(&ring_changed, &ring_lock, INFINITE, 0);
            ring[ring_written++ & (RING_SIZE - 1)] = chunk[i];
        }
        ring_closed = !ok;
        WakeAllConditionVariable(&ring_changed);
        ReleaseSRWLockExclusive(&ring_lock);
        if (!ok) return 0;
    }
}

BOOL CALLBACK start_reader(INIT_ONCE*, void*, void**) {
    const HANDLE thread = CreateThread(nullptr, 0, read_standard_input, nullptr, 0, nullptr);
    if (!thread) {
        AcquireSRWLockExclusive(&ring_lock);
        ring_closed = true;
        ReleaseSRWLockExclusive(&ring_lock);
        return TRUE;
    }
    CloseHandle(thread);
    return TRUE;
}

void ensure_reader() { InitOnceExecuteOnce(&reader_started, start_reader, nullptr, nullptr); }

// Before main: the standard streams carry bytes as on Linux (a GUI's CR LF
// is read as today, and "\n" is written as "\n").
const int binary_streams = [] {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return 0;
}();

std::uint64_t counter_frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return std::uint64_t(f.QuadPart);
}

} // namespace

std::uint32_t tick_count() {
    static const std::uint64_t frequency = counter_frequency();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::uint64_t t = std::uint64_t(now.QuadPart);
    return std::uint32_t(t / frequency * 1000 + t % frequency * 1000 / frequency);
}

std::uint64_t process_clock_ms() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) { // 100 ns units
        return std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;
}

int input_byte() {
    ensure_reader();
    AcquireSRWLockExclusive(&ring_lock);
    while (ring_written == ring_read && !ring_closed)
        SleepConditionVariableSRW(&ring_changed, &ring_lock, INFINITE, 0);
    int c = -1;
    if (ring_written != ring_read) {
        c = ring[ring_read++ & (RING_SIZE - 1)];
        WakeAllConditionVariable(&ring_changed);
    }
    ReleaseSRWLockExclusive(&ring_lock);
    return c;
}

int input_check() {
    ensure_reader();
    AcquireSRWLockShared(&ring_lock);
    const int waiting = ring_written != ring_read || ring_closed;
    ReleaseSRWLockShared(&ring_lock);
    return waiting;
}

int replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
}

void use_huge_pages(void*, std::size_t) {} // large pages need a privilege few accounts have
