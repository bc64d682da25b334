#include "base64.h"

namespace mailer
{

std::string base64(std::string_view data)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const unsigned long group = (static_cast<unsigned char>(data[i]) << 16) |
                                    (static_cast<unsigned char>(data[i + 1]) << 8) |
                                    static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += kAlphabet[group & 63];
    }
    const std::size_t rest = data.size() - i;
    if (rest > 0) {
        unsigned long group = static_cast<unsigned char>(data[i]) << 16;
        if (rest == 2)
            group |= static_cast<unsigned char>(data[i + 1]) << 8;
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace mailer
