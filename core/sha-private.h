// The steps that every SHA family takes in the same way (RFC 6234's Reset, Input, FinalBits,
// Result and the closing of the message); internal to the digest module. Each template works
// on one family's context record and reads the block size and the width of the length words
// off it; the family supplies its block function as the template argument, so the calls bind
// at compile time.
#pragma once

#include "sha.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace ShaPrivate
{

// Indexed by the number n (0..7) of message bits in the final byte: the mask keeps its n
// high-order bits, the mark is the padding's leading 1 bit right after them.
inline constexpr std::uint8_t finalBitsMask[8] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
inline constexpr std::uint8_t finalBitsMark[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// The code a context keeps once its message grows past the longest length the bit count can
// hold. RFC 4634 reuses the value of shaNull here, and callers may compare against it.
inline constexpr int lengthOverflow = shaNull;

// The hash and length word: 32 bits for SHA-1, SHA-224 and SHA-256, 64 for SHA-384/512.
template <typename Context>
using Word = decltype(Context::Length_Low);

template <typename Context>
inline constexpr int blockSize = sizeof(Context::Message_Block);

// Where the bit count (Length_High, then Length_Low) stands in the last block.
template <typename Context>
inline constexpr int lengthFieldOffset = blockSize<Context> - 2 * sizeof(Word<Context>);

// Spelt out as shifts, which compilers turn into one byte-swapping load. In other forms (a
// loop, a fold expression) the SHA-256 block function came out several percent slower.
inline std::uint32_t loadBigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline std::uint64_t loadBigEndian64(const std::uint8_t* p)
{
    return (std::uint64_t{loadBigEndian32(p)} << 32) | loadBigEndian32(p + 4);
}

template <typename W>
inline void storeBigEndian(W word, std::uint8_t* p)
{
    for (std::size_t i = 0; i < sizeof(W); ++i) {
        p[i] = static_cast<std::uint8_t>(word >> 8 * (sizeof(W) - 1 - i));
    }
}

// Adds the working variables of a finished block into the intermediate hash, word by word
// (FIPS 180-4, the last step of each block in 6.1.2, 6.2.2 and 6.4.2). They come as separate
// arguments because gathered into an array first they went through memory, which made SHA-512
// about a tenth slower.
template <typename W, std::size_t N, typename... Working>
inline void addToHash(W (&hash)[N], Working... working)
{
    static_assert(sizeof...(Working) == N);
    std::size_t i = 0;
    ((hash[i++] += working), ...);
}

// Starts a new message from the family's initial hash value; Message_Block is not cleared.
template <typename Context, std::size_t N>
int reset(Context* context, const Word<Context> (&initialHash)[N])
{
    static_assert(N * sizeof(Word<Context>) == sizeof(Context::Intermediate_Hash));
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

// Adds bits (at most one block's worth) to the message length; a carry out of Length_High
// means the message outgrew the count and marks the context.
template <typename Context>
void addBits(Context* context, unsigned int bits)
{
    context->Length_Low += bits;
    if (context->Length_Low < bits && ++context->Length_High == 0) {
        context->Corrupted = lengthOverflow;
    }
}

// Stores message bytes up to the end of the block, processing the block once it is full.
// Returns how many bytes it took. The byte that makes the bit count wrap is still stored and
// counted, but the block is then left unprocessed and nothing after that byte is taken.
template <auto ProcessBlock, typename Context>
unsigned int takeBytes(Context* context, const std::uint8_t* bytes, unsigned int length)
{
    using W = Word<Context>;
    const unsigned int room = blockSize<Context> - context->Message_Block_Index;
    unsigned int count = std::min(length, room);
    if (context->Length_High == static_cast<W>(~W{0})) {
        const W bytesBeforeWrap = static_cast<W>(~context->Length_Low) / 8;
        if (count > bytesBeforeWrap) {
            count = static_cast<unsigned int>(bytesBeforeWrap) + 1;
        }
    }
    // A whole block gets a copy of fixed size, which compilers inline; through the general
    // call SHA-1 ran 5 to 10% slower.
    if (count == blockSize<Context>) {
        std::memcpy(context->Message_Block, bytes, blockSize<Context>);
    } else {
        std::memcpy(context->Message_Block + context->Message_Block_Index, bytes, count);
    }
    context->Message_Block_Index =
        static_cast<std::int_least16_t>(context->Message_Block_Index + count);
    addBits(context, 8 * count);
    if (!context->Corrupted && context->Message_Block_Index == blockSize<Context>) {
        ProcessBlock(context);
    }
    return count;
}

// Input: the checks in their fixed order, then the bytes. An overflow of the bit count ends
// the input quietly; the next call on the context reports it.
template <auto ProcessBlock, typename Context>
int input(Context* context, const std::uint8_t* bytes, unsigned int length)
{
    if (length == 0) {
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
    while (length > 0 && !context->Corrupted) {
        const unsigned int taken = takeBytes<ProcessBlock>(context, bytes, length);
        bytes += taken;
        length -= taken;
    }
    return shaSuccess;
}

// Closes the message with padByte, which holds any final message bits followed by the
// padding's leading 1 bit, then the zero fill and the big-endian bit count.
template <auto ProcessBlock, typename Context>
void finalize(Context* context, std::uint8_t padByte)
{
    constexpr int lengthAt = lengthFieldOffset<Context>;
    std::uint8_t* const block = context->Message_Block;
    const int padIndex = context->Message_Block_Index;
    block[padIndex] = padByte;
    int index = padIndex + 1;
    if (padIndex >= lengthAt) {
        std::fill(block + index, block + blockSize<Context>, std::uint8_t{0});
        ProcessBlock(context);
        index = 0;
    }
    std::fill(block + index, block + lengthAt, std::uint8_t{0});
    storeBigEndian(context->Length_High, block + lengthAt);
    storeBigEndian(context->Length_Low, block + lengthAt + sizeof(Word<Context>));
    ProcessBlock(context);

    std::fill(block, block + blockSize<Context>, std::uint8_t{0});
    context->Length_Low = 0;
    context->Length_High = 0;
    context->Computed = 1;
}

// FinalBits: appends the high-order bitCount bits of `bits` and closes the message. Even when
// those bits overflow the count the message is closed; the context then keeps the error.
template <auto ProcessBlock, typename Context>
int finalBits(Context* context, std::uint8_t bits, unsigned int bitCount)
{
    if (bitCount == 0) {
        return shaSuccess;
    }
    if (!context) {
        return shaNull;
    }
    if (bitCount >= 8 || context->Computed) {
        context->Corrupted = shaStateError;
        return shaStateError;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    addBits(context, bitCount);
    finalize<ProcessBlock>(context, static_cast<std::uint8_t>((bits & finalBitsMask[bitCount]) |
                                                              finalBitsMark[bitCount]));
    return shaSuccess;
}

// Result: closes the message if needed and writes the first hashSize bytes of the hash
// (a whole number of words) big-endian; a failed context writes nothing.
template <auto ProcessBlock, typename Context>
int result(Context* context, std::uint8_t* digest, int hashSize)
{
    if (!context || !digest) {
        return shaNull;
    }
    if (context->Corrupted) {
        return context->Corrupted;
    }
    if (!context->Computed) {
        finalize<ProcessBlock>(context, 0x80);
    }
    constexpr int wordSize = sizeof(Word<Context>);
    for (int i = 0; i < hashSize / wordSize; ++i) {
        storeBigEndian(context->Intermediate_Hash[i], digest + i * wordSize);
    }
    return shaSuccess;
}

} // namespace ShaPrivate
