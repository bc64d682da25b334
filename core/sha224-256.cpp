// SHA-224 and SHA-256 (FIPS 180-4, section 6.2 and 6.3).
#include "sha-private.h"
#include "sha.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace
{

constexpr std::uint32_t sha224InitialHash[8] = {0xC1059ED8, 0x367CD507, 0x3070DD17, 0xF70E5939,
                                                0xFFC00B31, 0x68581511, 0x64F98FA7, 0xBEFA4FA4};

constexpr std::uint32_t sha256InitialHash[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                                0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr std::uint32_t roundConstants[64] = {
    0x428A2F98, 0x71374491, 0xB5C0FBCF, 0xE9B5DBA5, 0x3956C25B, 0x59F111F1, 0x923F82A4, 0xAB1C5ED5,
    0xD807AA98, 0x12835B01, 0x243185BE, 0x550C7DC3, 0x72BE5D74, 0x80DEB1FE, 0x9BDC06A7, 0xC19BF174,
    0xE49B69C1, 0xEFBE4786, 0x0FC19DC6, 0x240CA1CC, 0x2DE92C6F, 0x4A7484AA, 0x5CB0A9DC, 0x76F988DA,
    0x983E5152, 0xA831C66D, 0xB00327C8, 0xBF597FC7, 0xC6E00BF3, 0xD5A79147, 0x06CA6351, 0x14292967,
    0x27B70A85, 0x2E1B2138, 0x4D2C6DFC, 0x53380D13, 0x650A7354, 0x766A0ABB, 0x81C2C92E, 0x92722C85,
    0xA2BFE8A1, 0xA81A664B, 0xC24B8B70, 0xC76C51A3, 0xD192E819, 0xD6990624, 0xF40E3585, 0x106AA070,
    0x19A4C116, 0x1E376C08, 0x2748774C, 0x34B0BCB5, 0x391C0CB3, 0x4ED8AA4A, 0x5B9CCA4F, 0x682E6FF3,
    0x748F82EE, 0x78A5636F, 0x84C87814, 0x8CC70208, 0x90BEFFFA, 0xA4506CEB, 0xBEF9A3F7, 0xC67178F2};

constexpr int lengthFieldOffset = SHA256_Message_Block_Size - 8;

inline std::uint32_t rotr(std::uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

inline std::uint32_t bigSigma0(std::uint32_t x)
{
    return rotr(x, 2) ^ rotr(x, 13) ^ rotr(x, 22);
}

inline std::uint32_t bigSigma1(std::uint32_t x)
{
    return rotr(x, 6) ^ rotr(x, 11) ^ rotr(x, 25);
}

inline std::uint32_t smallSigma0(std::uint32_t x)
{
    return rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3);
}

inline std::uint32_t smallSigma1(std::uint32_t x)
{
    return rotr(x, 17) ^ rotr(x, 19) ^ (x >> 10);
}

inline std::uint32_t choose(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    return z ^ (x & (y ^ z));
}

// Written so that y ^ z here is the previous round's x ^ y, which the compiler then reuses.
inline std::uint32_t majority(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    return y ^ ((x ^ y) & (y ^ z));
}

inline std::uint32_t loadBigEndian(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Extends the message schedule (FIPS 180-4, 6.2.2 step 1) in a ring of the last 16 words:
// slot i turns from word t - 16 into word t.
inline std::uint32_t extendSchedule(std::uint32_t (&w)[16], int i)
{
    w[i] += smallSigma1(w[(i + 14) & 15]) + w[(i + 9) & 15] + smallSigma0(w[(i + 1) & 15]);
    return w[i];
}

template <bool Extend>
inline std::uint32_t scheduleWord(std::uint32_t (&w)[16], int i)
{
    return Extend ? extendSchedule(w, i) : w[i];
}

// One round. The caller rotates the roles of the working variables instead of moving their
// values, so only d and h change here.
inline void compressionRound(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t& d,
                             std::uint32_t e, std::uint32_t f, std::uint32_t g, std::uint32_t& h,
                             std::uint32_t constantPlusWord)
{
    const std::uint32_t t1 = h + bigSigma1(e) + choose(e, f, g) + constantPlusWord;
    d += t1;
    h = t1 + bigSigma0(a) + majority(a, b, c);
}

// Sixteen rounds, fully unrolled so that every schedule index is a constant and the roles of
// the working variables come back to where they started.
template <bool Extend>
inline void sixteenRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                          std::uint32_t& e, std::uint32_t& f, std::uint32_t& g, std::uint32_t& h,
                          std::uint32_t (&w)[16], const std::uint32_t* k)
{
    compressionRound(a, b, c, d, e, f, g, h, k[0] + scheduleWord<Extend>(w, 0));
    compressionRound(h, a, b, c, d, e, f, g, k[1] + scheduleWord<Extend>(w, 1));
    compressionRound(g, h, a, b, c, d, e, f, k[2] + scheduleWord<Extend>(w, 2));
    compressionRound(f, g, h, a, b, c, d, e, k[3] + scheduleWord<Extend>(w, 3));
    compressionRound(e, f, g, h, a, b, c, d, k[4] + scheduleWord<Extend>(w, 4));
    compressionRound(d, e, f, g, h, a, b, c, k[5] + scheduleWord<Extend>(w, 5));
    compressionRound(c, d, e, f, g, h, a, b, k[6] + scheduleWord<Extend>(w, 6));
    compressionRound(b, c, d, e, f, g, h, a, k[7] + scheduleWord<Extend>(w, 7));
    compressionRound(a, b, c, d, e, f, g, h, k[8] + scheduleWord<Extend>(w, 8));
    compressionRound(h, a, b, c, d, e, f, g, k[9] + scheduleWord<Extend>(w, 9));
    compressionRound(g, h, a, b, c, d, e, f, k[10] + scheduleWord<Extend>(w, 10));
    compressionRound(f, g, h, a, b, c, d, e, k[11] + scheduleWord<Extend>(w, 11));
    compressionRound(e, f, g, h, a, b, c, d, k[12] + scheduleWord<Extend>(w, 12));
    compressionRound(d, e, f, g, h, a, b, c, k[13] + scheduleWord<Extend>(w, 13));
    compressionRound(c, d, e, f, g, h, a, b, k[14] + scheduleWord<Extend>(w, 14));
    compressionRound(b, c, d, e, f, g, h, a, k[15] + scheduleWord<Extend>(w, 15));
}

void SHA224_256ProcessMessageBlock(SHA256Context* context)
{
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) {
        w[i] = loadBigEndian(context->Message_Block + 4 * i);
    }
    std::uint32_t* const hash = context->Intermediate_Hash;
    std::uint32_t a = hash[0], b = hash[1], c = hash[2], d = hash[3];
    std::uint32_t e = hash[4], f = hash[5], g = hash[6], h = hash[7];
    sixteenRounds<false>(a, b, c, d, e, f, g, h, w, roundConstants);
    for (int t = 16; t < 64; t += 16) {
        sixteenRounds<true>(a, b, c, d, e, f, g, h, w, roundConstants + t);
    }
    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
    hash[5] += f;
    hash[6] += g;
    hash[7] += h;
    context->Message_Block_Index = 0;
}

std::uint64_t bitCount(const SHA256Context* context)
{
    return (std::uint64_t{context->Length_High} << 32) | context->Length_Low;
}

void setBitCount(SHA256Context* context, std::uint64_t bits)
{
    context->Length_Low = static_cast<std::uint32_t>(bits);
    context->Length_High = static_cast<std::uint32_t>(bits >> 32);
}

// Adds bits to the message length; a wrap past 2^64 - 1 marks the context.
void addBits(SHA256Context* context, std::uint64_t bits)
{
    const std::uint64_t before = bitCount(context);
    setBitCount(context, before + bits);
    if (before + bits < before) {
        context->Corrupted = ShaPrivate::lengthOverflow;
    }
}

// Stores message bytes up to the end of the block, processing the block once it is full.
// Returns how many bytes it took. The byte that makes the bit count wrap is still stored and
// counted, but the block is then left unprocessed and nothing after that byte is taken.
unsigned int takeBytes(SHA256Context* context, const std::uint8_t* bytes, unsigned int length)
{
    const unsigned int room = SHA256_Message_Block_Size - context->Message_Block_Index;
    unsigned int count = std::min(length, room);
    const std::uint64_t bytesBeforeWrap = ~bitCount(context) / 8;
    if (count > bytesBeforeWrap) {
        count = static_cast<unsigned int>(bytesBeforeWrap) + 1;
    }
    std::memcpy(context->Message_Block + context->Message_Block_Index, bytes, count);
    context->Message_Block_Index =
        static_cast<std::int_least16_t>(context->Message_Block_Index + count);
    addBits(context, 8 * std::uint64_t{count});
    if (!context->Corrupted && context->Message_Block_Index == SHA256_Message_Block_Size) {
        SHA224_256ProcessMessageBlock(context);
    }
    return count;
}

// Closes the message with padByte, which holds any final message bits followed by the
// padding's leading 1 bit, then the zero fill and the 64-bit big-endian bit count.
void SHA224_256Finalize(SHA256Context* context, std::uint8_t padByte)
{
    std::uint8_t* const block = context->Message_Block;
    const int padIndex = context->Message_Block_Index;
    block[padIndex] = padByte;
    int index = padIndex + 1;
    if (padIndex >= lengthFieldOffset) {
        std::fill(block + index, block + SHA256_Message_Block_Size, std::uint8_t{0});
        SHA224_256ProcessMessageBlock(context);
        index = 0;
    }
    std::fill(block + index, block + lengthFieldOffset, std::uint8_t{0});
    const std::uint64_t bits = bitCount(context);
    for (int i = 0; i < 8; ++i) {
        block[lengthFieldOffset + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    SHA224_256ProcessMessageBlock(context);

    std::fill(block, block + SHA256_Message_Block_Size, std::uint8_t{0});
    context->Length_Low = 0;
    context->Length_High = 0;
    context->Computed = 1;
}

int SHA224_256Reset(SHA256Context* context, const std::uint32_t (&initialHash)[8])
{
    if (!context) {
        return shaNull;
    }
    std::copy(std::begin(initialHash), std::end(initialHash), context->Intermediate_Hash);
    context->Length_Low = 0;
    context->Length_High = 0;
    context->Message_Block_Index = 0;
    context->Computed = 0;
    context->Corrupted = 0;
    return shaSuccess;
}

int SHA224_256ResultN(SHA256Context* context, std::uint8_t* digest, int hashSize)
{
    if (!context || !digest) {
        return shaNull;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    if (!context->Computed) {
        SHA224_256Finalize(context, 0x80);
    }
    for (int i = 0; i < hashSize; ++i) {
        digest[i] =
            static_cast<std::uint8_t>(context->Intermediate_Hash[i >> 2] >> 8 * (3 - (i & 3)));
    }
    return shaSuccess;
}

} // namespace

int SHA224Reset(SHA256Context* context)
{
    return SHA224_256Reset(context, sha224InitialHash);
}

int SHA224Input(SHA256Context* context, unsigned char const* bytes, unsigned int bytecount)
{
    return SHA256Input(context, bytes, bytecount);
}

int SHA224FinalBits(SHA256Context* context, unsigned char bits, unsigned int bit_count)
{
    return SHA256FinalBits(context, bits, bit_count);
}

int SHA224Result(SHA256Context* context, unsigned char Message_Digest[SHA224HashSize])
{
    return SHA224_256ResultN(context, Message_Digest, SHA224HashSize);
}

int SHA256Reset(SHA256Context* context)
{
    return SHA224_256Reset(context, sha256InitialHash);
}

int SHA256Input(SHA256Context* context, unsigned char const* bytes, unsigned int bytecount)
{
    if (bytecount == 0) {
        return shaSuccess;
    }
    if (!context || !bytes) {
        return shaNull;
    }
    if (context->Computed) {
        context->Corrupted = shaStateError;
        return shaStateError;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    // An overflow of the bit count ends the input quietly; the next call reports it.
    while (bytecount > 0 && !context->Corrupted) {
        const unsigned int taken = takeBytes(context, bytes, bytecount);
        bytes += taken;
        bytecount -= taken;
    }
    return shaSuccess;
}

int SHA256FinalBits(SHA256Context* context, unsigned char bits, unsigned int bit_count)
{
    if (bit_count == 0) {
        return shaSuccess;
    }
    if (!context) {
        return shaNull;
    }
    if (bit_count >= 8 || context->Computed) {
        context->Corrupted = shaStateError;
        return shaStateError;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    addBits(context, bit_count);
    SHA224_256Finalize(context,
                       static_cast<std::uint8_t>((bits & ShaPrivate::finalBitsMask[bit_count]) |
                                                 ShaPrivate::finalBitsMark[bit_count]));
    return shaSuccess;
}

int SHA256Result(SHA256Context* context, unsigned char Message_Digest[SHA256HashSize])
{
    return SHA224_256ResultN(context, Message_Digest, SHA256HashSize);
}
