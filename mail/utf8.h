#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace mailer
{

// True when `text` is well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// True when well-formed UTF-8 `text` holds a C0 or C1 control character or DEL.
bool hasControlCharacter(std::string_view text);

// Cuts well-formed UTF-8 `text` into pieces of at most `maxBytes` bytes, never inside a
// character. `maxBytes` must be at least 4. Empty text gives no pieces.
std::vector<std::string_view> splitUtf8(std::string_view text, std::size_t maxBytes);

} // namespace mailer
