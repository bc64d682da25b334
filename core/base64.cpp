// Standard Base64 of RFC 4648: the table 1 alphabet, "=" padding, no line breaks.
#include "utility.h"

#include <cstddef>
#include <cstring>

namespace
{

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char pad = '=';

// The 6-bit value of an alphabet character, or -1 for any other byte.
int sextet(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

// Looks up the first `count` characters of a group; false when one is outside the alphabet.
bool lookUpGroup(const char* group, int count, int (&values)[4])
{
    for (int i = 0; i < count; ++i) {
        values[i] = sextet(group[i]);
        if (values[i] < 0) {
            return false;
        }
    }
    return true;
}

// Appends the `count` bytes (1..3) that the group's sextets carry. Bits after the last
// whole byte are dropped unexamined.
void appendBytes(const int (&v)[4], int count, std::vector<unsigned char>& out)
{
    out.push_back(static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)));
    if (count > 1) {
        out.push_back(static_cast<unsigned char>(((v[1] & 0x0F) << 4) | (v[2] >> 2)));
    }
    if (count > 2) {
        out.push_back(static_cast<unsigned char>(((v[2] & 0x03) << 6) | v[3]));
    }
}

} // namespace

bool Utility::Base64Encode(const std::vector<unsigned char>& data, std::string& out)
{
    std::string text;
    text.reserve((data.size() + 2) / 3 * 4);
    const std::size_t n = data.size();
    for (std::size_t i = 0; i < n; i += 3) {
        const unsigned b0 = data[i];
        const unsigned b1 = i + 1 < n ? data[i + 1] : 0;
        const unsigned b2 = i + 2 < n ? data[i + 2] : 0;
        text += alphabet[b0 >> 2];
        text += alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        text += i + 1 < n ? alphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : pad;
        text += i + 2 < n ? alphabet[b2 & 0x3F] : pad;
    }
    out.swap(text);
    return true;
}

bool Utility::Base64Encode(const unsigned char* data, unsigned long size, std::string& out)
{
    return Base64Encode(std::vector<unsigned char>(data, data + size), out);
}

bool Utility::Base64Decode(const std::string& text, std::vector<unsigned char>& out)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t p = 0; p < text.size(); p += 4) {
        const char* group = text.data() + p;
        if (group[0] == pad || group[1] == pad) {
            return false;
        }
        // A pad ends the text: whatever follows it, in this group or later ones, is not read.
        const int dataBytes = group[2] == pad ? 1 : group[3] == pad ? 2 : 3;
        int values[4] = {};
        if (!lookUpGroup(group, dataBytes + 1, values)) {
            return false;
        }
        appendBytes(values, dataBytes, bytes);
        if (dataBytes < 3) {
            break;
        }
    }
    out.swap(bytes);
    return true;
}

bool Utility::Base64Decode(const std::string& text, unsigned char* buf, unsigned long& size)
{
    std::vector<unsigned char> bytes;
    if (!Base64Decode(text, bytes) || bytes.size() > size) {
        return false;
    }
    if (!bytes.empty()) {
        std::memcpy(buf, bytes.data(), bytes.size());
    }
    size = bytes.size();
    return true;
}
