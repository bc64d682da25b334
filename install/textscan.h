#pragma once

#include <cstddef>

// Whether `text` (at least 2 bytes) occurs in `data` at a start position 0..lastStart; bytes up to
// lastStart + textSize - 1 must be readable. Positions are tried in rising order, and one is
// compared in full only when its first two bytes equal the first two of `text`.
bool containsText(const char* data, std::size_t lastStart, const char* text, std::size_t textSize);
