// The platform layer of the browser build. The engine runs in a Web Worker
// that gives it its standard input as Module.input (../js/engine-worker.js):
// next() returns a byte, waiting until one comes, or -1 at the end; waiting()
// tells whether a line is there to be read during a search.
#include <emscripten.h>

#include <cstdio>
#include <cstring>

#include "game/game.h"

EM_JS(int, next_input_byte, (), { return Module.input.next(); });

EM_JS(int, input_is_waiting, (), { return Module.input.waiting() ? 1 : 0; });

std::uint32_t tick_count() { return std::uint32_t(std::uint64_t(emscripten_get_now())); }

// The worker's one thread does nothing but the engine: its wall time
// stands in for the processor time, which the browser does not tell.
std::uint64_t process_clock_ms() { return std::uint64_t(emscripten_get_now()); }

int input_byte() { return next_input_byte(); }

int input_check() { return input_is_waiting(); }

int replace_file(const char* from, const char* to) { return std::rename(from, to); }

void use_huge_pages(void*, std::size_t) {}
