#include "utf8.h"

namespace mailer
{
namespace
{

// Length of the sequence a lead byte starts, 0 for a byte that can't lead one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The allowed range of the byte after the lead byte (RFC 3629, section 4); the later
// continuation bytes are always 0x80..0xBF.
bool secondByteFits(unsigned char lead, unsigned char second)
{
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0; // overlong
    else if (lead == 0xED)
        high = 0x9F; // surrogates
    else if (lead == 0xF0)
        low = 0x90; // overlong
    else if (lead == 0xF4)
        high = 0x8F; // above U+10FFFF
    return second >= low && second <= high;
}

bool isContinuation(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || text.size() - i < length)
            return false;
        if (length > 1 && !secondByteFits(lead, static_cast<unsigned char>(text[i + 1])))
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (!isContinuation(static_cast<unsigned char>(text[i + k])))
                return false;
        }
        i += length;
    }
    return true;
}

bool hasControlCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F)
            return true;
        // U+0080..U+009F are encoded as C2 80..C2 9F.
        if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

std::vector<std::string_view> splitUtf8(std::string_view text, std::size_t maxBytes)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[end]));
        if (end + length - start > maxBytes) {
            pieces.push_back(text.substr(start, end - start));
            start = end;
        }
        end += length;
    }
    if (end > start)
        pieces.push_back(text.substr(start));
    return pieces;
}

} // namespace mailer
