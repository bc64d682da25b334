// SHA-1 (FIPS 180-4, section 6.1).
#include "sha-private.h"
#include "sha.h"

#include <cstdint>

namespace
{

constexpr std::uint32_t initialHash[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                          0xC3D2E1F0};

// K_t of FIPS 180-4, 4.2.1: one constant per group of 20 rounds.
constexpr std::uint32_t roundConstants[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

inline std::uint32_t rotl(std::uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// The round function f_t of FIPS 180-4, 4.1.1 for one group of 20 rounds: Ch, Parity, Maj,
// Parity. In Maj the two terms never share a set bit, so + stands for | and the compiler may
// add them into e one at a time.
template <int Group>
std::uint32_t roundFunction(std::uint32_t b, std::uint32_t c, std::uint32_t d)
{
    if constexpr (Group == 0) {
        return d ^ (b & (c ^ d));
    } else if constexpr (Group == 2) {
        return (b & c) + (d & (b ^ c));
    } else {
        return b ^ c ^ d;
    }
}

// Word T of the message schedule (step 1 of the hash computation), kept in a ring of the last
// 16 words: the first 16 are loaded from the block as their rounds come, and from T = 16 on
// slot T mod 16 turns from word T - 16 into word T. Loaded in a loop ahead of the rounds
// instead, they made SHA-1 about 3% slower at -O2.
template <int T>
std::uint32_t scheduleWord(std::uint32_t (&w)[16], const std::uint8_t* block)
{
    constexpr int i = T & 15;
    if constexpr (T < 16) {
        w[i] = ShaPrivate::loadBigEndian32(block + 4 * T);
    } else {
        w[i] = rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i], 1);
    }
    return w[i];
}

// Round T. The caller rotates the roles of the working variables instead of moving their
// values, so only b and e change here: e becomes the new a, b the new c.
template <int T>
void oneRound(std::uint32_t a, std::uint32_t& b, std::uint32_t c, std::uint32_t d, std::uint32_t& e,
              std::uint32_t (&w)[16], const std::uint8_t* block)
{
    constexpr int group = T / 20;
    e += rotl(a, 5) + roundFunction<group>(b, c, d) + roundConstants[group] +
         scheduleWord<T>(w, block);
    b = rotl(b, 30);
}

// Five rounds from round T, after which the roles are back where they started.
template <int T>
void fiveRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                std::uint32_t& e, std::uint32_t (&w)[16], const std::uint8_t* block)
{
    oneRound<T>(a, b, c, d, e, w, block);
    oneRound<T + 1>(e, a, b, c, d, w, block);
    oneRound<T + 2>(d, e, a, b, c, w, block);
    oneRound<T + 3>(c, d, e, a, b, w, block);
    oneRound<T + 4>(b, c, d, e, a, w, block);
}

// The 20 rounds of one group, which share their round function and constant.
template <int Group>
void twentyRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                  std::uint32_t& e, std::uint32_t (&w)[16], const std::uint8_t* block)
{
    fiveRounds<20 * Group>(a, b, c, d, e, w, block);
    fiveRounds<20 * Group + 5>(a, b, c, d, e, w, block);
    fiveRounds<20 * Group + 10>(a, b, c, d, e, w, block);
    fiveRounds<20 * Group + 15>(a, b, c, d, e, w, block);
}

// The 80 rounds are spelt out here, on working variables of this function, so that the
// compiler inlines every group into it. Split into a function of its own, the rounds were left
// out of line at -O3 once this one was inlined into its callers, and they then kept the
// working variables in memory: SHA-1 ran at about 60% of its speed.
void SHA1ProcessMessageBlock(SHA1Context* context)
{
    const std::uint8_t* const block = context->Message_Block;
    std::uint32_t w[16];
    const std::uint32_t* const hash = context->Intermediate_Hash;
    std::uint32_t a = hash[0], b = hash[1], c = hash[2], d = hash[3], e = hash[4];
    twentyRounds<0>(a, b, c, d, e, w, block);
    twentyRounds<1>(a, b, c, d, e, w, block);
    twentyRounds<2>(a, b, c, d, e, w, block);
    twentyRounds<3>(a, b, c, d, e, w, block);
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
