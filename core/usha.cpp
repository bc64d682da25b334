// The unified interface: one context and one set of calls for all five SHA algorithms.
#include "sha.h"

namespace
{

// The direct operations of one algorithm over its context record.
template <typename Context>
struct Algorithm {
    int (*reset)(Context*);
    int (*input)(Context*, unsigned char const*, unsigned int);
    int (*finalBits)(Context*, unsigned char, unsigned int);
    int (*result)(Context*, unsigned char*);
};

constexpr Algorithm<SHA1Context> sha1{SHA1Reset, SHA1Input, SHA1FinalBits, SHA1Result};
constexpr Algorithm<SHA256Context> sha224{SHA224Reset, SHA224Input, SHA224FinalBits, SHA224Result};
constexpr Algorithm<SHA256Context> sha256{SHA256Reset, SHA256Input, SHA256FinalBits, SHA256Result};
constexpr Algorithm<SHA512Context> sha384{SHA384Reset, SHA384Input, SHA384FinalBits, SHA384Result};
constexpr Algorithm<SHA512Context> sha512{SHA512Reset, SHA512Input, SHA512FinalBits, SHA512Result};

// Calls `operation` with the union member and the operations that whichSha selects. A version
// outside 0..4 gives shaBadParam before any argument is looked at.
template <typename Operation>
int withAlgorithm(USHAContext* context, Operation&& operation)
{
    switch (context->whichSha) {
    case SHA1:
        return operation(sha1, &context->ctx.sha1Context);
    case SHA224:
        return operation(sha224, &context->ctx.sha224Context);
    case SHA256:
        return operation(sha256, &context->ctx.sha256Context);
    case SHA384:
        return operation(sha384, &context->ctx.sha384Context);
    case SHA512:
        return operation(sha512, &context->ctx.sha512Context);
    default:
        return shaBadParam;
    }
}

struct Sizes {
    int block;
    int hash;
};

constexpr Sizes sizeTable[] = {{SHA1_Message_Block_Size, SHA1HashSize},
                               {SHA224_Message_Block_Size, SHA224HashSize},
                               {SHA256_Message_Block_Size, SHA256HashSize},
                               {SHA384_Message_Block_Size, SHA384HashSize},
                               {SHA512_Message_Block_Size, SHA512HashSize}};

// RFC 6234 answers every value but 0..3 with the SHA-512 row, negative ones included.
const Sizes& sizesOf(SHAversion whichSha)
{
    return whichSha >= SHA1 && whichSha <= SHA384 ? sizeTable[whichSha] : sizeTable[SHA512];
}

} // namespace

int USHAReset(USHAContext* context, SHAversion whichSha)
{
    if (!context) {
        return shaNull;
    }
    // Stored before the check, so that the later calls also answer shaBadParam.
    context->whichSha = whichSha;
    return withAlgorithm(context, [](const auto& sha, auto* ctx) { return sha.reset(ctx); });
}

int USHAInput(USHAContext* context, unsigned char const* bytes, unsigned int bytecount)
{
    if (!context) {
        return shaNull;
    }
    return withAlgorithm(
        context, [&](const auto& sha, auto* ctx) { return sha.input(ctx, bytes, bytecount); });
}

int USHAFinalBits(USHAContext* context, unsigned char bits, unsigned int bit_count)
{
    if (!context) {
        return shaNull;
    }
    return withAlgorithm(
        context, [&](const auto& sha, auto* ctx) { return sha.finalBits(ctx, bits, bit_count); });
}

int USHAResult(USHAContext* context, unsigned char Message_Digest[USHAMaxHashSize])
{
    if (!context) {
        return shaNull;
    }
    return withAlgorithm(
        context, [&](const auto& sha, auto* ctx) { return sha.result(ctx, Message_Digest); });
}

int USHABlockSize(SHAversion whichSha)
{
    return sizesOf(whichSha).block;
}

int USHAHashSize(SHAversion whichSha)
{
    return sizesOf(whichSha).hash;
}

int USHAHashSizeBits(SHAversion whichSha)
{
    return USHAHashSize(whichSha) * 8;
}
