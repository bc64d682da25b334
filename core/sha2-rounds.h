// The SHA-2 compression function (FIPS 180-4, 6.2.2 and 6.4.2), which SHA-224/256 and
// SHA-384/512 share but for the word size, the rotation amounts and the number of rounds;
// internal to the digest module. A family names those in a traits struct: Word, rounds, and
// the amounts bigSigma0, bigSigma1 (BigSigma) and smallSigma0, smallSigma1 (SmallSigma).
#pragma once

#include "sha-private.h"

#include <cstdint>
#include <type_traits>

namespace ShaPrivate
{

// The three rotation amounts of Σ0 or Σ1 (FIPS 180-4, 4.1.2 and 4.1.3).
struct BigSigma {
    int rotate1;
    int rotate2;
    int rotate3;
};

// The two rotation amounts and the shift of σ0 or σ1 (FIPS 180-4, 4.1.2 and 4.1.3).
struct SmallSigma {
    int rotate1;
    int rotate2;
    int shift;
};

template <typename Traits>
class Sha2Compression
{
public:
    using W = typename Traits::Word;

    // Compresses the context's full message block into its intermediate hash, using the
    // family's round constants K, and empties the block.
    template <typename Context>
    static void processBlock(Context* context, const W (&roundConstants)[Traits::rounds]);

private:
    static W loadWord(const std::uint8_t* p)
    {
        if constexpr (sizeof(W) == 4) {
            return loadBigEndian32(p);
        } else {
            return loadBigEndian64(p);
        }
    }

    static W rotr(W x, int n) { return (x >> n) | (x << (8 * sizeof(W) - n)); }

    static W bigSigma(W x, BigSigma amounts)
    {
        return rotr(x, amounts.rotate1) ^ rotr(x, amounts.rotate2) ^ rotr(x, amounts.rotate3);
    }

    static W smallSigma(W x, SmallSigma amounts)
    {
        return rotr(x, amounts.rotate1) ^ rotr(x, amounts.rotate2) ^ (x >> amounts.shift);
    }

    static W choose(W x, W y, W z) { return z ^ (x & (y ^ z)); }

    // Written so that y ^ z here is the previous round's x ^ y, which the compiler then reuses.
    static W majority(W x, W y, W z) { return y ^ ((x ^ y) & (y ^ z)); }

    // Extends the message schedule (step 1 of the hash computation) in a ring of the last 16
    // words: slot i turns from word t - 16 into word t.
    static W extendSchedule(W (&w)[16], int i)
    {
        w[i] += smallSigma(w[(i + 14) & 15], Traits::smallSigma1) + w[(i + 9) & 15] +
                smallSigma(w[(i + 1) & 15], Traits::smallSigma0);
        return w[i];
    }

    template <bool Extend>
    static W scheduleWord(W (&w)[16], int i)
    {
        return Extend ? extendSchedule(w, i) : w[i];
    }

    // One round. The caller rotates the roles of the working variables instead of moving
    // their values, so only d and h change here.
    static void compressionRound(W a, W b, W c, W& d, W e, W f, W g, W& h, W constantPlusWord)
    {
        const W t1 = h + bigSigma(e, Traits::bigSigma1) + choose(e, f, g) + constantPlusWord;
        d += t1;
        h = t1 + bigSigma(a, Traits::bigSigma0) + majority(a, b, c);
    }

    // Sixteen rounds, fully unrolled so that every schedule index is a constant and the roles
    // of the working variables come back to where they started.
    template <bool Extend>
    static void sixteenRounds(W& a, W& b, W& c, W& d, W& e, W& f, W& g, W& h, W (&w)[16],
                              const W* k)
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
};

// Defined outside the class so that it is not implicitly inline. Inlined into each caller
// (Input and the close of the message), it grew them past the point where the compiler still
// inlines sixteenRounds, and SHA-256 ran about a third slower.
template <typename Traits>
template <typename Context>
void Sha2Compression<Traits>::processBlock(Context* context,
                                           const W (&roundConstants)[Traits::rounds])
{
    static_assert(std::is_same_v<W, Word<Context>>);
    static_assert(Traits::rounds % 16 == 0);
    W w[16];
    for (int i = 0; i < 16; ++i) {
        w[i] = loadWord(context->Message_Block + sizeof(W) * i);
    }
    const W* const hash = context->Intermediate_Hash;
    W a = hash[0], b = hash[1], c = hash[2], d = hash[3];
    W e = hash[4], f = hash[5], g = hash[6], h = hash[7];
    sixteenRounds<false>(a, b, c, d, e, f, g, h, w, roundConstants);
    for (int t = 16; t < Traits::rounds; t += 16) {
        sixteenRounds<true>(a, b, c, d, e, f, g, h, w, roundConstants + t);
    }
    addToHash(context->Intermediate_Hash, a, b, c, d, e, f, g, h);
    context->Message_Block_Index = 0;
}

} // namespace ShaPrivate
