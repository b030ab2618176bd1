// The platform layer: the millisecond tick, processor time, standard input
// (read and polled) and the table's memory. A port swaps this file alone.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <ctime>

#include "game/game.h"

std::uint32_t tick_count() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::uint32_t(std::uint64_t(t.tv_sec) * 1000 + std::uint64_t(t.tv_nsec) / 1000000);
}

std::uint64_t process_clock_ms() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::uint64_t(t.tv_sec) * 1000 + std::uint64_t(t.tv_nsec) / 1000000;
}

int input_byte() {
    // One byte a call, so that nothing is read ahead of what the poll sees.
    for (;;) {
        unsigned char c;
        const ssize_t got = ::read(0, &c, 1);
        if (got == 1) return c;
        if (got < 0 && errno == EINTR) continue;
        return -1;
    }
}

int input_check() {
    // Readable, closed or broken all count as waiting input: the main
    // loop will read it (or find the end of input).
    pollfd fd{0, POLLIN, 0};
    const int ready = ::poll(&fd, 1, 0);
    if (ready < 0) return 0;
    return ready > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ? 1 : 0;
}

int replace_file(const char* from, const char* to) { return std::rename(from, to); }

void use_huge_pages(void* start, std::size_t size) {
    // whole pages only; the kernel backs every aligned 2 MiB stretch inside
    const std::uintptr_t page = 4096, first = (std::uintptr_t(start) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (std::uintptr_t(start) + size) & ~(page - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}
