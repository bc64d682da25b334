// SHA-384 and SHA-512 (FIPS 180-4, section 6.4 and 6.5).
#include "sha-private.h"
#include "sha.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace
{

constexpr std::uint64_t sha384InitialHash[8] = {
    0xCBBB9D5DC1059ED8, 0x629A292A367CD507, 0x9159015A3070DD17, 0x152FECD8F70E5939,
    0x67332667FFC00B31, 0x8EB44A8768581511, 0xDB0C2E0D64F98FA7, 0x47B5481DBEFA4FA4};

constexpr std::uint64_t sha512InitialHash[8] = {
    0x6A09E667F3BCC908, 0xBB67AE8584CAA73B, 0x3C6EF372FE94F82B, 0xA54FF53A5F1D36F1,
    0x510E527FADE682D1, 0x9B05688C2B3E6C1F, 0x1F83D9ABFB41BD6B, 0x5BE0CD19137E2179};

constexpr std::uint64_t roundConstants[80] = {
    0x428A2F98D728AE22, 0x7137449123EF65CD, 0xB5C0FBCFEC4D3B2F, 0xE9B5DBA58189DBBC,
    0x3956C25BF348B538, 0x59F111F1B605D019, 0x923F82A4AF194F9B, 0xAB1C5ED5DA6D8118,
    0xD807AA98A3030242, 0x12835B0145706FBE, 0x243185BE4EE4B28C, 0x550C7DC3D5FFB4E2,
    0x72BE5D74F27B896F, 0x80DEB1FE3B1696B1, 0x9BDC06A725C71235, 0xC19BF174CF692694,
    0xE49B69C19EF14AD2, 0xEFBE4786384F25E3, 0x0FC19DC68B8CD5B5, 0x240CA1CC77AC9C65,
    0x2DE92C6F592B0275, 0x4A7484AA6EA6E483, 0x5CB0A9DCBD41FBD4, 0x76F988DA831153B5,
    0x983E5152EE66DFAB, 0xA831C66D2DB43210, 0xB00327C898FB213F, 0xBF597FC7BEEF0EE4,
    0xC6E00BF33DA88FC2, 0xD5A79147930AA725, 0x06CA6351E003826F, 0x142929670A0E6E70,
    0x27B70A8546D22FFC, 0x2E1B21385C26C926, 0x4D2C6DFC5AC42AED, 0x53380D139D95B3DF,
    0x650A73548BAF63DE, 0x766A0ABB3C77B2A8, 0x81C2C92E47EDAEE6, 0x92722C851482353B,
    0xA2BFE8A14CF10364, 0xA81A664BBC423001, 0xC24B8B70D0F89791, 0xC76C51A30654BE30,
    0xD192E819D6EF5218, 0xD69906245565A910, 0xF40E35855771202A, 0x106AA07032BBD1B8,
    0x19A4C116B8D2D0C8, 0x1E376C085141AB53, 0x2748774CDF8EEB99, 0x34B0BCB5E19B48A8,
    0x391C0CB3C5C95A63, 0x4ED8AA4AE3418ACB, 0x5B9CCA4F7763E373, 0x682E6FF3D6B2B8A3,
    0x748F82EE5DEFB2FC, 0x78A5636F43172F60, 0x84C87814A1F0AB72, 0x8CC702081A6439EC,
    0x90BEFFFA23631E28, 0xA4506CEBDE82BDE9, 0xBEF9A3F7B2C67915, 0xC67178F2E372532B,
    0xCA273ECEEA26619C, 0xD186B8C721C0C207, 0xEADA7DD6CDE0EB1E, 0xF57D4F7FEE6ED178,
    0x06F067AA72176FBA, 0x0A637DC5A2C898A6, 0x113F9804BEF90DAE, 0x1B710B35131C471B,
    0x28DB77F523047D84, 0x32CAAB7B40C72493, 0x3C9EBE0A15C9BEBC, 0x431D67C49C100D4C,
    0x4CC5D4BECB3E42B6, 0x597F299CFC657E2A, 0x5FCB6FAB3AD6FAEC, 0x6C44198C4A475817};

constexpr int lengthFieldOffset = SHA512_Message_Block_Size - 16;

inline std::uint64_t rotr(std::uint64_t x, int n)
{
    return (x >> n) | (x << (64 - n));
}

inline std::uint64_t bigSigma0(std::uint64_t x)
{
    return rotr(x, 28) ^ rotr(x, 34) ^ rotr(x, 39);
}

inline std::uint64_t bigSigma1(std::uint64_t x)
{
    return rotr(x, 14) ^ rotr(x, 18) ^ rotr(x, 41);
}

inline std::uint64_t smallSigma0(std::uint64_t x)
{
    return rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7);
}

inline std::uint64_t smallSigma1(std::uint64_t x)
{
    return rotr(x, 19) ^ rotr(x, 61) ^ (x >> 6);
}

inline std::uint64_t choose(std::uint64_t x, std::uint64_t y, std::uint64_t z)
{
    return z ^ (x & (y ^ z));
}

// Written so that y ^ z here is the previous round's x ^ y, which the compiler then reuses.
inline std::uint64_t majority(std::uint64_t x, std::uint64_t y, std::uint64_t z)
{
    return y ^ ((x ^ y) & (y ^ z));
}

inline std::uint64_t loadBigEndian(const std::uint8_t* p)
{
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i) {
        word = (word << 8) | p[i];
    }
    return word;
}

inline void storeBigEndian(std::uint64_t word, std::uint8_t* p)
{
    for (int i = 0; i < 8; ++i) {
        p[i] = static_cast<std::uint8_t>(word >> (56 - 8 * i));
    }
}

// Extends the message schedule (FIPS 180-4, 6.4.2 step 1) in a ring of the last 16 words:
// slot i turns from word t - 16 into word t.
inline std::uint64_t extendSchedule(std::uint64_t (&w)[16], int i)
{
    w[i] += smallSigma1(w[(i + 14) & 15]) + w[(i + 9) & 15] + smallSigma0(w[(i + 1) & 15]);
    return w[i];
}

template <bool Extend>
inline std::uint64_t scheduleWord(std::uint64_t (&w)[16], int i)
{
    return Extend ? extendSchedule(w, i) : w[i];
}

// One round. The caller rotates the roles of the working variables instead of moving their
// values, so only d and h change here.
inline void compressionRound(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t& d,
                             std::uint64_t e, std::uint64_t f, std::uint64_t g, std::uint64_t& h,
                             std::uint64_t constantPlusWord)
{
    const std::uint64_t t1 = h + bigSigma1(e) + choose(e, f, g) + constantPlusWord;
    d += t1;
    h = t1 + bigSigma0(a) + majority(a, b, c);
}

// Sixteen rounds, fully unrolled so that every schedule index is a constant and the roles of
// the working variables come back to where they started.
template <bool Extend>
inline void sixteenRounds(std::uint64_t& a, std::uint64_t& b, std::uint64_t& c, std::uint64_t& d,
                          std::uint64_t& e, std::uint64_t& f, std::uint64_t& g, std::uint64_t& h,
                          std::uint64_t (&w)[16], const std::uint64_t* k)
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

void SHA384_512ProcessMessageBlock(SHA512Context* context)
{
    std::uint64_t w[16];
    for (int i = 0; i < 16; ++i) {
        w[i] = loadBigEndian(context->Message_Block + 8 * i);
    }
    std::uint64_t* const hash = context->Intermediate_Hash;
    std::uint64_t a = hash[0], b = hash[1], c = hash[2], d = hash[3];
    std::uint64_t e = hash[4], f = hash[5], g = hash[6], h = hash[7];
    sixteenRounds<false>(a, b, c, d, e, f, g, h, w, roundConstants);
    for (int t = 16; t < 80; t += 16) {
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

// Adds bits to the 128-bit message length; a wrap past 2^128 - 1 marks the context.
void addBits(SHA512Context* context, std::uint64_t bits)
{
    context->Length_Low += bits;
    if (context->Length_Low < bits && ++context->Length_High == 0) {
        context->Corrupted = ShaPrivate::lengthOverflow;
    }
}

// Stores message bytes up to the end of the block, processing the block once it is full.
// Returns how many bytes it took. The byte that makes the bit count wrap is still stored and
// counted, but the block is then left unprocessed and nothing after that byte is taken.
unsigned int takeBytes(SHA512Context* context, const std::uint8_t* bytes, unsigned int length)
{
    const unsigned int room = SHA512_Message_Block_Size - context->Message_Block_Index;
    unsigned int count = std::min(length, room);
    if (context->Length_High == UINT64_MAX) {
        const std::uint64_t bytesBeforeWrap = ~context->Length_Low / 8;
        if (count > bytesBeforeWrap) {
            count = static_cast<unsigned int>(bytesBeforeWrap) + 1;
        }
    }
    std::memcpy(context->Message_Block + context->Message_Block_Index, bytes, count);
    context->Message_Block_Index =
        static_cast<std::int_least16_t>(context->Message_Block_Index + count);
    addBits(context, 8 * std::uint64_t{count});
    if (!context->Corrupted && context->Message_Block_Index == SHA512_Message_Block_Size) {
        SHA384_512ProcessMessageBlock(context);
    }
    return count;
}

// Closes the message with padByte, which holds any final message bits followed by the
// padding's leading 1 bit, then the zero fill and the 128-bit big-endian bit count.
void SHA384_512Finalize(SHA512Context* context, std::uint8_t padByte)
{
    std::uint8_t* const block = context->Message_Block;
    const int padIndex = context->Message_Block_Index;
    block[padIndex] = padByte;
    int index = padIndex + 1;
    if (padIndex >= lengthFieldOffset) {
        std::fill(block + index, block + SHA512_Message_Block_Size, std::uint8_t{0});
        SHA384_512ProcessMessageBlock(context);
        index = 0;
    }
    std::fill(block + index, block + lengthFieldOffset, std::uint8_t{0});
    storeBigEndian(context->Length_High, block + lengthFieldOffset);
    storeBigEndian(context->Length_Low, block + lengthFieldOffset + 8);
    SHA384_512ProcessMessageBlock(context);

    std::fill(block, block + SHA512_Message_Block_Size, std::uint8_t{0});
    context->Length_Low = 0;
    context->Length_High = 0;
    context->Computed = 1;
}

int SHA384_512Reset(SHA512Context* context, const std::uint64_t (&initialHash)[8])
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

int SHA384_512ResultN(SHA512Context* context, std::uint8_t* digest, int hashSize)
{
    if (!context || !digest) {
        return shaNull;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    if (!context->Computed) {
        SHA384_512Finalize(context, 0x80);
    }
    for (int i = 0; i < hashSize; ++i) {
        digest[i] =
            static_cast<std::uint8_t>(context->Intermediate_Hash[i >> 3] >> 8 * (7 - (i & 7)));
    }
    return shaSuccess;
}

} // namespace

int SHA384Reset(SHA512Context* context)
{
    return SHA384_512Reset(context, sha384InitialHash);
}

int SHA384Input(SHA512Context* context, unsigned char const* bytes, unsigned int bytecount)
{
    return SHA512Input(context, bytes, bytecount);
}

int SHA384FinalBits(SHA512Context* context, unsigned char bits, unsigned int bit_count)
{
    return SHA512FinalBits(context, bits, bit_count);
}

int SHA384Result(SHA512Context* context, unsigned char Message_Digest[SHA384HashSize])
{
    return SHA384_512ResultN(context, Message_Digest, SHA384HashSize);
}

int SHA512Reset(SHA512Context* context)
{
    return SHA384_512Reset(context, sha512InitialHash);
}

int SHA512Input(SHA512Context* context, unsigned char const* bytes, unsigned int bytecount)
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

int SHA512FinalBits(SHA512Context* context, unsigned char bits, unsigned int bit_count)
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
    SHA384_512Finalize(context,
                       static_cast<std::uint8_t>((bits & ShaPrivate::finalBitsMask[bit_count]) |
                                                 ShaPrivate::finalBitsMark[bit_count]));
    return shaSuccess;
}

int SHA512Result(SHA512Context* context, unsigned char Message_Digest[SHA512HashSize])
{
    return SHA384_512ResultN(context, Message_Digest, SHA512HashSize);
}
