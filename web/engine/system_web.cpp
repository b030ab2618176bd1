// The platform layer of the browser build. The engine runs in a Web Worker;
// its standard input is a byte ring in a SharedArrayBuffer that the page
// writes (layout in ../js/ring.js): a read waits with Atomics.wait while the
// ring is empty, the poll only looks.
#include <emscripten.h>

#include <cstdio>
#include <cstring>

#include "game/game.h"

// Words of the ring's header: bytes written, bytes read, closed, wake-ups.
EM_JS(int, ring_read_byte, (), {
    const ring = Module.inputRing;
    for (;;) {
        const wakeups = Atomics.load(ring.header, 3);
        const written = Atomics.load(ring.header, 0), read = ring.header[1];
        if (written != read) {
            const byte = ring.data[read & (ring.data.length - 1)];
            Atomics.store(ring.header, 1, (read + 1) | 0);
            return byte;
        }
        if (Atomics.load(ring.header, 2)) return -1;
        Atomics.wait(ring.header, 3, wakeups);
    }
});

EM_JS(int, ring_waiting, (), {
    const header = Module.inputRing.header;
    return Atomics.load(header, 0) != header[1] || Atomics.load(header, 2) ? 1 : 0;
});

std::uint32_t tick_count() { return std::uint32_t(std::uint64_t(emscripten_get_now())); }

// The worker's one thread does nothing but the engine: its wall time
// stands in for the processor time, which the browser does not tell.
std::uint64_t process_clock_ms() { return std::uint64_t(emscripten_get_now()); }

int input_byte() { return ring_read_byte(); }

int input_check() { return ring_waiting(); }

int replace_file(const char* from, const char* to) { return std::rename(from, to); }

void use_huge_pages(void*, std::size_t) {}

