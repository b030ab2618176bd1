// Saving and loading the whole transposition table as a raw image.
#include <bit>
#include <cstdio>
#include <cstring>

#include "shell/shell.h"

// The image is the table's memory; the file format is little-endian.
static_assert(std::endian::native == std::endian::little, "the table image is little-endian");
static_assert(sizeof(HashEntry) * HASH_ENTRIES == 67108864, "the table image is 64 MiB");

int dumphash(const char* name) {
    // Write beside the old file and replace it only when all went well.
    char temporary[256];
    std::snprintf(temporary, sizeof temporary, "%s.tmp", name);
    std::FILE* file = std::fopen(temporary, "wb");
    if (!file) {
        std::printf("File not found: %s\n", name);
        return 0;
    }
    const bool written =
        std::fwrite(transposition_table, sizeof(HashEntry), HASH_ENTRIES, file) == HASH_ENTRIES;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || replace_file(temporary, name) != 0) {
        std::remove(temporary);
        std::printf("File not found: %s\n", name);
        return 0;
    }
    return 1;
}

int loadhash(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) {
        std::printf("File not found: %s\n", name);
        return 0;
    }
    // A short file overwrites only the entries it covers.
    const std::size_t got = std::fread(transposition_table, sizeof(HashEntry), HASH_ENTRIES, file);
    std::fclose(file);
    return got > 0;
}
