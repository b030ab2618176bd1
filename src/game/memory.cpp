// Clearing the large tables, the same on every system.
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "game/game.h"

void clear_memory(void* start, std::size_t size) {
#if defined(__SSE2__)
    // Streaming stores: the lines of a table that the last search wrote all
    // over are not read back from memory only to be overwritten.
    if (std::uintptr_t(start) % 64 == 0 && size % 64 == 0) {
        const __m128i zero = _mm_setzero_si128();
        char* const end = static_cast<char*>(start) + size;
        for (char* line = static_cast<char*>(start); line != end; line += 64)
            for (int i = 0; i < 64; i += 16)
                _mm_stream_si128(reinterpret_cast<__m128i*>(line + i), zero);
        _mm_sfence();
        return;
    }
#endif
    std::memset(start, 0, size);
}
