// SHA-224 and SHA-256 (FIPS 180-4, section 6.2 and 6.3).
#include "sha-private.h"
#include "sha.h"
#include "sha2-rounds.h"

#include <cstdint>

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

// The rotation amounts of FIPS 180-4, 4.1.2, and the round count of 6.2.2.
struct Sha256Traits {
    using Word = std::uint32_t;
    static constexpr int rounds = 64;
    static constexpr ShaPrivate::BigSigma bigSigma0{2, 13, 22};
    static constexpr ShaPrivate::BigSigma bigSigma1{6, 11, 25};
    static constexpr ShaPrivate::SmallSigma smallSigma0{7, 18, 3};
    static constexpr ShaPrivate::SmallSigma smallSigma1{17, 19, 10};
};

void SHA224_256ProcessMessageBlock(SHA256Context* context)
{
    ShaPrivate::Sha2Compression<Sha256Traits>::processBlock(context, roundConstants);
}

} // namespace

int SHA224Reset(SHA256Context* context)
{
    return ShaPrivate::reset(context, sha224InitialHash);
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
    return ShaPrivate::result<SHA224_256ProcessMessageBlock>(context, Message_Digest,
                                                             SHA224HashSize);
}

int SHA256Reset(SHA256Context* context)
{
    return ShaPrivate::reset(context, sha256InitialHash);
}

int SHA256Input(SHA256Context* context, unsigned char const* bytes, unsigned int bytecount)
{
    return ShaPrivate::input<SHA224_256ProcessMessageBlock>(context, bytes, bytecount);
}

int SHA256FinalBits(SHA256Context* context, unsigned char bits, unsigned int bit_count)
{
    return ShaPrivate::finalBits<SHA224_256ProcessMessageBlock>(context, bits, bit_count);
}

int SHA256Result(SHA256Context* context, unsigned char Message_Digest[SHA256HashSize])
{
    return ShaPrivate::result<SHA224_256ProcessMessageBlock>(context, Message_Digest,
                                                             SHA256HashSize);
}
