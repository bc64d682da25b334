// The unified interface: one context and one set of calls for all five SHA algorithms.
#include "sha.h"

int USHAReset(USHAContext* context, SHAversion whichSha)
{
    if (!context) {
        return shaNull;
    }
    // Stored before the check, so that the later calls also answer shaBadParam.
    context->whichSha = whichSha;
    switch (whichSha) {
    case SHA1:
        return SHA1Reset(&context->ctx.sha1Context);
    case SHA224:
        return SHA224Reset(&context->ctx.sha224Context);
    case SHA256:
        return SHA256Reset(&context->ctx.sha256Context);
    case SHA384:
        return SHA384Reset(&context->ctx.sha384Context);
    case SHA512:
        return SHA512Reset(&context->ctx.sha512Context);
    default:
        return shaBadParam;
    }
}

int USHAInput(USHAContext* context, unsigned char const* bytes, unsigned int bytecount)
{
    if (!context) {
        return shaNull;
    }
    switch (context->whichSha) {
    case SHA1:
        return SHA1Input(&context->ctx.sha1Context, bytes, bytecount);
    case SHA224:
        return SHA224Input(&context->ctx.sha224Context, bytes, bytecount);
    case SHA256:
        return SHA256Input(&context->ctx.sha256Context, bytes, bytecount);
    case SHA384:
        return SHA384Input(&context->ctx.sha384Context, bytes, bytecount);
    case SHA512:
        return SHA512Input(&context->ctx.sha512Context, bytes, bytecount);
    default:
        return shaBadParam;
    }
}

int USHAFinalBits(USHAContext* context, unsigned char bits, unsigned int bit_count)
{
    if (!context) {
        return shaNull;
    }
    switch (context->whichSha) {
    case SHA1:
        return SHA1FinalBits(&context->ctx.sha1Context, bits, bit_count);
    case SHA224:
        return SHA224FinalBits(&context->ctx.sha224Context, bits, bit_count);
    case SHA256:
        return SHA256FinalBits(&context->ctx.sha256Context, bits, bit_count);
    case SHA384:
        return SHA384FinalBits(&context->ctx.sha384Context, bits, bit_count);
    case SHA512:
        return SHA512FinalBits(&context->ctx.sha512Context, bits, bit_count);
    default:
        return shaBadParam;
    }
}

int USHAResult(USHAContext* context, unsigned char Message_Digest[USHAMaxHashSize])
{
    if (!context) {
        return shaNull;
    }
    switch (context->whichSha) {
    case SHA1:
        return SHA1Result(&context->ctx.sha1Context, Message_Digest);
    case SHA224:
        return SHA224Result(&context->ctx.sha224Context, Message_Digest);
    case SHA256:
        return SHA256Result(&context->ctx.sha256Context, Message_Digest);
    case SHA384:
        return SHA384Result(&context->ctx.sha384Context, Message_Digest);
    case SHA512:
        return SHA512Result(&context->ctx.sha512Context, Message_Digest);
    default:
        return shaBadParam;
    }
}

int USHABlockSize(SHAversion whichSha)
{
    switch (whichSha) {
    case SHA1:
        return SHA1_Message_Block_Size;
    case SHA224:
        return SHA224_Message_Block_Size;
    case SHA256:
        return SHA256_Message_Block_Size;
    case SHA384:
        return SHA384_Message_Block_Size;
    default:
        return SHA512_Message_Block_Size;
    }
}

int USHAHashSize(SHAversion whichSha)
{
    switch (whichSha) {
    case SHA1:
        return SHA1HashSize;
    case SHA224:
        return SHA224HashSize;
    case SHA256:
        return SHA256HashSize;
    case SHA384:
        return SHA384HashSize;
    default:
        return SHA512HashSize;
    }
}

int USHAHashSizeBits(SHAversion whichSha)
{
    return USHAHashSize(whichSha) * 8;
}
