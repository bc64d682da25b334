// Values shared by the SHA families; internal to the digest module.
#pragma once

#include "sha.h"

#include <cstdint>

namespace ShaPrivate
{

// Indexed by the number n (0..7) of message bits in the final byte: the mask keeps its n
// high-order bits, the mark is the padding's leading 1 bit right after them.
inline constexpr std::uint8_t finalBitsMask[8] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
inline constexpr std::uint8_t finalBitsMark[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// The code a context keeps once its message grows past the longest length the bit count can
// hold. RFC 4634 reuses the value of shaNull here, and callers may compare against it.
inline constexpr int lengthOverflow = shaNull;

} // namespace ShaPrivate
