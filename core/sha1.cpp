// SHA-1 (FIPS 180-4, section 6.1).
#include "sha-private.h"
#include "sha.h"

#include <cstdint>

namespace
{

constexpr std::uint32_t initialHash[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                          0xC3D2E1F0};

// One constant per group of 20 rounds.
constexpr std::uint32_t roundConstants[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

inline std::uint32_t rotl(std::uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// The round function f_t of FIPS 180-4, 4.1.1: Ch, Parity, Maj, Parity by groups of 20.
inline std::uint32_t roundFunction(int t, std::uint32_t b, std::uint32_t c, std::uint32_t d)
{
    if (t < 20) {
        return d ^ (b & (c ^ d));
    }
    if (t >= 40 && t < 60) {
        return (b & c) | (d & (b | c));
    }
    return b ^ c ^ d;
}

void SHA1ProcessMessageBlock(SHA1Context* context)
{
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
        w[t] = ShaPrivate::loadBigEndian32(context->Message_Block + 4 * t);
    }
    for (int t = 16; t < 80; ++t) {
        w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    const std::uint32_t* const hash = context->Intermediate_Hash;
    std::uint32_t a = hash[0], b = hash[1], c = hash[2], d = hash[3], e = hash[4];
    for (int t = 0; t < 80; ++t) {
        const std::uint32_t temp =
            rotl(a, 5) + roundFunction(t, b, c, d) + e + roundConstants[t / 20] + w[t];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = temp;
    }
    ShaPrivate::addToHash(context->Intermediate_Hash, a, b, c, d, e);
    context->Message_Block_Index = 0;
}

} // namespace

int SHA1Reset(SHA1Context* context)
{
    return ShaPrivate::reset(context, initialHash);
}

int SHA1Input(SHA1Context* context, unsigned char const* bytes, unsigned int bytecount)
{
    return ShaPrivate::input<SHA1ProcessMessageBlock>(context, bytes, bytecount);
}

int SHA1FinalBits(SHA1Context* context, unsigned char bits, unsigned int bit_count)
{
    return ShaPrivate::finalBits<SHA1ProcessMessageBlock>(context, bits, bit_count);
}

int SHA1Result(SHA1Context* context, unsigned char Message_Digest[SHA1HashSize])
{
    return ShaPrivate::result<SHA1ProcessMessageBlock>(context, Message_Digest, SHA1HashSize);
}
