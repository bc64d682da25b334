#include "textscan.h"

#include <cstdint>
#include <cstring>

namespace
{
// 16 bytes compared at once. GCC's and Clang's vector types become SSE2 or NEON as the target
// has them, so the same code serves x86-64 and arm64 Macs.
typedef signed char Bytes __attribute__((vector_size(16)));
const std::size_t BytesSize = sizeof(Bytes);
const std::size_t BlockSize = 4 * BytesSize;

Bytes load(const char* at)
{
    Bytes bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
}

bool anySet(Bytes bytes)
{
    std::uint64_t halves[2];
    std::memcpy(halves, &bytes, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// Lanes set where a position of the 16 starting at `at` begins with the pair first, second.
Bytes pairsAt(const char* at, Bytes first, Bytes second)
{
    return (load(at) == first) & (load(at + 1) == second);
}

bool matchesAt(const char* at, const char* text, std::size_t textSize)
{
    return at[0] == text[0] && at[1] == text[1] && std::memcmp(at + 2, text + 2, textSize - 2) == 0;
}

bool containsTextOneByOne(const char* data, std::size_t from, std::size_t to, const char* text,
                          std::size_t textSize)
{
    for (std::size_t at = from; at < to; ++at)
        if (matchesAt(data + at, text, textSize))
            return true;
    return false;
}
} // namespace

bool containsText(const char* data, std::size_t lastStart, const char* text, std::size_t textSize)
{
    // Executables are full of either byte alone (0x50 is x86's push), seldom of the pair, so the
    // pair filters blocks of 64 start positions before any position is looked at one by one.
    const Bytes first = Bytes{} + static_cast<signed char>(text[0]);
    const Bytes second = Bytes{} + static_cast<signed char>(text[1]);
    const std::size_t positions = lastStart + 1;
    std::size_t at = 0;
    for (; at + BlockSize <= positions; at += BlockSize) {
        const char* block = data + at;
        const Bytes pairs = pairsAt(block, first, second) |
                            pairsAt(block + BytesSize, first, second) |
                            pairsAt(block + 2 * BytesSize, first, second) |
                            pairsAt(block + 3 * BytesSize, first, second);
        if (anySet(pairs) && containsTextOneByOne(data, at, at + BlockSize, text, textSize))
            return true;
    }
    return containsTextOneByOne(data, at, positions, text, textSize);
}
