// Secure hash algorithms of FIPS 180-4 (SHA-1, SHA-224, SHA-256, SHA-384, SHA-512),
// a unified interface over them and HMAC (RFC 2104), in the calling scheme of RFC 4634/6234:
// plain functions over caller-owned records, no allocation, no exceptions, no mutable globals.
#pragma once

#include <cstdint>

// Result codes shared by every operation of the module. The value 2 is never produced.
enum {
    shaSuccess = 0,
    shaNull = 1,       // null pointer argument; also the code a length overflow leaves behind
    shaStateError = 3, // input after the digest was computed, or FinalBits with 8 or more bits
    shaBadParam = 4    // SHAversion outside 0..4 (unified interface only)
};

// The fixed underlying type lets callers pass any int, as the unified interface must answer
// values outside 0..4 too.
enum SHAversion : int { SHA1 = 0, SHA224 = 1, SHA256 = 2, SHA384 = 3, SHA512 = 4 };

enum {
    SHA1_Message_Block_Size = 64,
    SHA224_Message_Block_Size = 64,
    SHA256_Message_Block_Size = 64,
    SHA384_Message_Block_Size = 128,
    SHA512_Message_Block_Size = 128,
    USHA_Max_Message_Block_Size = SHA512_Message_Block_Size,

    SHA1HashSize = 20,
    SHA224HashSize = 28,
    SHA256HashSize = 32,
    SHA384HashSize = 48,
    SHA512HashSize = 64,
    USHAMaxHashSize = SHA512HashSize,
};

struct SHA1Context {
    std::uint32_t Intermediate_Hash[SHA1HashSize / 4];
    std::uint32_t Length_Low;
    std::uint32_t Length_High;
    std::int_least16_t Message_Block_Index;
    std::uint8_t Message_Block[SHA1_Message_Block_Size];
    int Computed;
    int Corrupted;
};

// Serves SHA-224 and SHA-256.
struct SHA256Context {
    std::uint32_t Intermediate_Hash[SHA256HashSize / 4];
    std::uint32_t Length_Low;
    std::uint32_t Length_High;
    std::int_least16_t Message_Block_Index;
    std::uint8_t Message_Block[SHA256_Message_Block_Size];
    int Computed;
    int Corrupted;
};

// Serves SHA-384 and SHA-512.
struct SHA512Context {
    std::uint64_t Intermediate_Hash[SHA512HashSize / 8];
    std::uint64_t Length_Low;
    std::uint64_t Length_High;
    std::int_least16_t Message_Block_Index;
    std::uint8_t Message_Block[SHA512_Message_Block_Size];
    int Computed;
    int Corrupted;
};

struct USHAContext {
    int whichSha; // the SHAversion given to the last USHAReset, valid or not
    union {
        SHA1Context sha1Context;
        SHA256Context sha224Context;
        SHA256Context sha256Context;
        SHA512Context sha384Context;
        SHA512Context sha512Context;
    } ctx;
};

struct HMACContext {
    int whichSha;
    int hashSize;
    int blockSize;
    USHAContext shaContext;
    unsigned char k_opad[USHA_Max_Message_Block_Size];
};

// Per algorithm: Reset starts a message; Input appends bytes; FinalBits appends the 1..7
// high-order bits of a byte and computes the digest; Result computes (if needed) and writes
// the digest into a buffer of the algorithm's digest size.
int SHA1Reset(SHA1Context*);
int SHA1Input(SHA1Context*, unsigned char const* bytes, unsigned int bytecount);
int SHA1FinalBits(SHA1Context*, unsigned char bits, unsigned int bit_count);
int SHA1Result(SHA1Context*, unsigned char Message_Digest[SHA1HashSize]);

int SHA224Reset(SHA256Context*);
int SHA224Input(SHA256Context*, unsigned char const* bytes, unsigned int bytecount);
int SHA224FinalBits(SHA256Context*, unsigned char bits, unsigned int bit_count);
int SHA224Result(SHA256Context*, unsigned char Message_Digest[SHA224HashSize]);

int SHA256Reset(SHA256Context*);
int SHA256Input(SHA256Context*, unsigned char const* bytes, unsigned int bytecount);
int SHA256FinalBits(SHA256Context*, unsigned char bits, unsigned int bit_count);
int SHA256Result(SHA256Context*, unsigned char Message_Digest[SHA256HashSize]);

int SHA384Reset(SHA512Context*);
int SHA384Input(SHA512Context*, unsigned char const* bytes, unsigned int bytecount);
int SHA384FinalBits(SHA512Context*, unsigned char bits, unsigned int bit_count);
int SHA384Result(SHA512Context*, unsigned char Message_Digest[SHA384HashSize]);

int SHA512Reset(SHA512Context*);
int SHA512Input(SHA512Context*, unsigned char const* bytes, unsigned int bytecount);
int SHA512FinalBits(SHA512Context*, unsigned char bits, unsigned int bit_count);
int SHA512Result(SHA512Context*, unsigned char Message_Digest[SHA512HashSize]);

// Unified interface: the algorithm is chosen by the SHAversion given to USHAReset.
int USHAReset(USHAContext*, SHAversion whichSha);
int USHAInput(USHAContext*, unsigned char const* bytes, unsigned int bytecount);
int USHAFinalBits(USHAContext*, unsigned char bits, unsigned int bit_count);
int USHAResult(USHAContext*, unsigned char Message_Digest[USHAMaxHashSize]);
// Sizes in bytes (bits for USHAHashSizeBits); any value but 0..3 gets the SHA-512 row.
int USHABlockSize(SHAversion whichSha);
int USHAHashSize(SHAversion whichSha);
int USHAHashSizeBits(SHAversion whichSha);

// HMAC (RFC 2104). hmacReset, hmacResult and hmac return only shaSuccess or 1.
int hmac(SHAversion whichSha, unsigned char const* text, int text_len, unsigned char const* key,
         int key_len, std::uint8_t digest[USHAMaxHashSize]);
int hmacReset(HMACContext*, SHAversion whichSha, unsigned char const* key, int key_len);
int hmacInput(HMACContext*, unsigned char const* text, int text_len);
int hmacFinalBits(HMACContext*, unsigned char bits, unsigned int bit_count);
int hmacResult(HMACContext*, std::uint8_t digest[USHAMaxHashSize]);
