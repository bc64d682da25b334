// SHA-1 (FIPS 180-4, section 6.1).
#include "sha-private.h"
#include "sha.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace
{

constexpr std::uint32_t initialHash[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                          0xC3D2E1F0};

// One constant per group of 20 rounds.
constexpr std::uint32_t roundConstants[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

constexpr int lengthFieldOffset = SHA1_Message_Block_Size - 8;

inline std::uint32_t rotl(std::uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t loadBigEndian(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
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
        w[t] = loadBigEndian(context->Message_Block + 4 * t);
    }
    for (int t = 16; t < 80; ++t) {
        w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    std::uint32_t* const hash = context->Intermediate_Hash;
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
    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
    context->Message_Block_Index = 0;
}

std::uint64_t bitCount(const SHA1Context* context)
{
    return (std::uint64_t{context->Length_High} << 32) | context->Length_Low;
}

void setBitCount(SHA1Context* context, std::uint64_t bits)
{
    context->Length_Low = static_cast<std::uint32_t>(bits);
    context->Length_High = static_cast<std::uint32_t>(bits >> 32);
}

// Adds bits to the message length; a wrap past 2^64 - 1 marks the context.
void addBits(SHA1Context* context, std::uint64_t bits)
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
unsigned int takeBytes(SHA1Context* context, const std::uint8_t* bytes, unsigned int length)
{
    const unsigned int room = SHA1_Message_Block_Size - context->Message_Block_Index;
    unsigned int count = std::min(length, room);
    const std::uint64_t bytesBeforeWrap = ~bitCount(context) / 8;
    if (count > bytesBeforeWrap) {
        count = static_cast<unsigned int>(bytesBeforeWrap) + 1;
    }
    std::memcpy(context->Message_Block + context->Message_Block_Index, bytes, count);
    context->Message_Block_Index =
        static_cast<std::int_least16_t>(context->Message_Block_Index + count);
    addBits(context, 8 * std::uint64_t{count});
    if (!context->Corrupted && context->Message_Block_Index == SHA1_Message_Block_Size) {
        SHA1ProcessMessageBlock(context);
    }
    return count;
}

// Closes the message with padByte, which holds any final message bits followed by the
// padding's leading 1 bit, then the zero fill and the 64-bit big-endian bit count.
void SHA1Finalize(SHA1Context* context, std::uint8_t padByte)
{
    std::uint8_t* const block = context->Message_Block;
    const int padIndex = context->Message_Block_Index;
    block[padIndex] = padByte;
    int index = padIndex + 1;
    if (padIndex >= lengthFieldOffset) {
        std::fill(block + index, block + SHA1_Message_Block_Size, std::uint8_t{0});
        SHA1ProcessMessageBlock(context);
        index = 0;
    }
    std::fill(block + index, block + lengthFieldOffset, std::uint8_t{0});
    const std::uint64_t bits = bitCount(context);
    for (int i = 0; i < 8; ++i) {
        block[lengthFieldOffset + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    SHA1ProcessMessageBlock(context);

    std::fill(block, block + SHA1_Message_Block_Size, std::uint8_t{0});
    context->Length_Low = 0;
    context->Length_High = 0;
    context->Computed = 1;
}

} // namespace

int SHA1Reset(SHA1Context* context)
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

int SHA1Input(SHA1Context* context, unsigned char const* bytes, unsigned int bytecount)
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

int SHA1FinalBits(SHA1Context* context, unsigned char bits, unsigned int bit_count)
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
    SHA1Finalize(context, static_cast<std::uint8_t>((bits & ShaPrivate::finalBitsMask[bit_count]) |
                                                    ShaPrivate::finalBitsMark[bit_count]));
    return shaSuccess;
}

int SHA1Result(SHA1Context* context, unsigned char Message_Digest[SHA1HashSize])
{
    if (!context || !Message_Digest) {
        return shaNull;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    if (!context->Computed) {
        SHA1Finalize(context, 0x80);
    }
    for (int i = 0; i < SHA1HashSize; ++i) {
        Message_Digest[i] =
            static_cast<std::uint8_t>(context->Intermediate_Hash[i >> 2] >> 8 * (3 - (i & 3)));
    }
    return shaSuccess;
}
