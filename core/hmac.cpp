// HMAC (RFC 2104) over any of the SHA algorithms, through the unified interface.
#include "sha.h"

#include <cstdint>

namespace
{

constexpr std::uint8_t innerPad = 0x36;
constexpr std::uint8_t outerPad = 0x5c;

// hmacReset, hmacResult and hmac fold every failure into this one code.
constexpr int hmacFailure = 1;

} // namespace

int hmacReset(HMACContext* context, SHAversion whichSha, unsigned char const* key, int key_len)
{
    if (!context) {
        return shaNull;
    }
    const int blockSize = context->blockSize = USHABlockSize(whichSha);
    const int hashSize = context->hashSize = USHAHashSize(whichSha);
    context->whichSha = whichSha;

    // RFC 2104, section 2: a key longer than the block is replaced by its digest.
    std::uint8_t hashedKey[USHAMaxHashSize];
    if (key_len > blockSize) {
        USHAContext keyContext;
        if (USHAReset(&keyContext, whichSha) != shaSuccess ||
            USHAInput(&keyContext, key, static_cast<unsigned int>(key_len)) != shaSuccess ||
            USHAResult(&keyContext, hashedKey) != shaSuccess) {
            return hmacFailure;
        }
        key = hashedKey;
        key_len = hashSize;
    }

    std::uint8_t k_ipad[USHA_Max_Message_Block_Size];
    int i = 0;
    for (; i < key_len; ++i) {
        k_ipad[i] = key[i] ^ innerPad;
        context->k_opad[i] = key[i] ^ outerPad;
    }
    for (; i < blockSize; ++i) {
        k_ipad[i] = innerPad;
        context->k_opad[i] = outerPad;
    }

    if (USHAReset(&context->shaContext, whichSha) != shaSuccess ||
        USHAInput(&context->shaContext, k_ipad, static_cast<unsigned int>(blockSize)) !=
            shaSuccess) {
        return hmacFailure;
    }
    return shaSuccess;
}

int hmacInput(HMACContext* context, unsigned char const* text, int text_len)
{
    if (!context) {
        return shaNull;
    }
    return USHAInput(&context->shaContext, text, static_cast<unsigned int>(text_len));
}

int hmacFinalBits(HMACContext* context, unsigned char bits, unsigned int bit_count)
{
    if (!context) {
        return shaNull;
    }
    return USHAFinalBits(&context->shaContext, bits, bit_count);
}

int hmacResult(HMACContext* context, std::uint8_t digest[USHAMaxHashSize])
{
    if (!context) {
        return shaNull;
    }
    // The caller's buffer holds the inner digest until the outer hash overwrites it.
    USHAContext* const sha = &context->shaContext;
    const auto whichSha = static_cast<SHAversion>(context->whichSha);
    if (USHAResult(sha, digest) != shaSuccess || USHAReset(sha, whichSha) != shaSuccess ||
        USHAInput(sha, context->k_opad, static_cast<unsigned int>(context->blockSize)) !=
            shaSuccess ||
        USHAInput(sha, digest, static_cast<unsigned int>(context->hashSize)) != shaSuccess ||
        USHAResult(sha, digest) != shaSuccess) {
        return hmacFailure;
    }
    return shaSuccess;
}

int hmac(SHAversion whichSha, unsigned char const* text, int text_len, unsigned char const* key,
         int key_len, std::uint8_t digest[USHAMaxHashSize])
{
    HMACContext context;
    if (hmacReset(&context, whichSha, key, key_len) != shaSuccess ||
        USHAInput(&context.shaContext, text, static_cast<unsigned int>(text_len)) != shaSuccess ||
        hmacResult(&context, digest) != shaSuccess) {
        return hmacFailure;
    }
    return shaSuccess;
}
