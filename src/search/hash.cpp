// Transposition table: one always-replaced entry per index. Its memory
// layout is also the image written by dumphash.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "search/search.h"

HashEntry* transposition_table = nullptr;
std::uint32_t hash_mask = 0;

int resize_hash(std::uint32_t entries) {
    // Huge pages need the table on a 2 MiB boundary; a smaller table is
    // aligned on its own size.
    const std::size_t bytes = std::size_t(entries) * sizeof(HashEntry);
    const std::size_t huge_page = std::size_t(2) << 20;
#ifdef _WIN32 // no aligned_alloc in Microsoft's C library
    void* memory = _aligned_malloc(bytes, bytes < huge_page ? bytes : huge_page);
    if (!memory) return 0;
    _aligned_free(transposition_table);
#else
    void* memory = std::aligned_alloc(bytes < huge_page ? bytes : huge_page, bytes);
    if (!memory) return 0;
    std::free(transposition_table);
#endif
    transposition_table = static_cast<HashEntry*>(memory);
    hash_mask = entries - 1;
    use_huge_pages(memory, bytes); // before the first touch
    clear_memory(memory, bytes);
    return 1;
}

int set_hash_megabytes(std::uint32_t megabytes) {
    std::uint64_t entries = 1;
    while (entries * 2 * sizeof(HashEntry) <= std::uint64_t(megabytes) << 20 && entries < 1u << 31)
        entries *= 2;
    return entries == std::uint64_t(hash_mask) + 1 || resize_hash(std::uint32_t(entries));
}

void clear_hash() {
    if (!transposition_table) {
        if (resize_hash(HASH_ENTRIES)) return;
        std::fputs("gyre: no memory for the transposition table\n", stderr);
        std::exit(1);
    }
    clear_memory(transposition_table, (std::size_t(hash_mask) + 1) * sizeof(HashEntry));
}

int hash_permille() {
    // the index is the key's low bits: the first entries fill as the rest do
    const std::uint32_t sample = std::min<std::uint32_t>(1000, hash_mask + 1);
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < sample; i++) {
        const HashEntry& e = transposition_table[i];
        used += (e.word0 | e.key_low | e.key_high) != 0;
    }
    return int(used * 1000 / sample);
}

namespace {

// A position met before in the game or on the path is one step from a draw
// by repetition, so its score differs from the same position met the first
// time: it is stored under a key of its own.
std::uint64_t lookup_key(const Position& pos) {
    return pos.repetition ? pos.key ^ repetition_key : pos.key;
}

} // namespace

// Mate scores count plies from the root; the table holds them counted from
// the node instead (stored + ply, probed - ply), so that a mate found below
// one node keeps its distance when the position is met at another ply.
int hash_probe(const Position& pos, int ply, int depth, int* score, Move* move) {
    const std::uint64_t key = lookup_key(pos);
    const HashEntry& e = transposition_table[std::uint32_t(key) & hash_mask];
    if (e.key_low != std::uint32_t(key) || e.key_high != std::uint32_t(key >> 32)) {
        *score = 0;
        *move = 0;
        return NONE;
    }
    const int bound = int(e.word0 & 3);
    const int remaining = int((e.word0 >> 2) & 63);
    *move = e.word0 >> 8;
    if (bound == EXACT && e.score < -MATE_THRESHOLD) {
        *score = e.score + ply;
        return EXACT;
    }
    if (bound == EXACT && e.score > MATE_THRESHOLD) {
        *score = e.score - ply;
        return EXACT;
    }
    *score = e.score;
    if (remaining >= depth - ply) return bound;
    return bound == LOWER ? NONE : SHALLOW;
}

void hash_store(const Position& pos, int ply, int depth, int score, int bound, Move move) {
    const std::uint64_t key = lookup_key(pos);
    HashEntry& e = transposition_table[std::uint32_t(key) & hash_mask];
    if (bound == EXACT) {
        if (score > MATE_THRESHOLD) score += ply;
        if (score < -MATE_THRESHOLD) score -= ply;
    }
    e.score = score;
    e.key_low = std::uint32_t(key);
    e.key_high = std::uint32_t(key >> 32);
    e.word0 =
        std::uint32_t(bound) + 4 * ((std::uint32_t(depth - ply) & 63) + 64 * (move & 0xFFFFFF));
}
