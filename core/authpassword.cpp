#include "apputil.h"
#include "settinglimits.h"
#include "sha.h"
#include "utf8bytes.h"
#include "utility.h"

#include <array>
#include <cstddef>

namespace
{

using ScrambleKey = std::array<unsigned char, SHA256HashSize>;

// The salt of the key and the end marker of the scrambled block. Assembled one character at a
// time so it never stands as one literal in the binary. Stored passwords depend on it: the
// value must never change.
void appendScrambleConstant(std::string& bytes)
{
    bytes += 'q';
    bytes += 'V';
    bytes += '7';
    bytes += '#';
    bytes += 'm';
    bytes += 'R';
    bytes += '2';
    bytes += '!';
    bytes += 'x';
    bytes += 'L';
    bytes += '9';
    bytes += '@';
    bytes += 'w';
    bytes += 'K';
}

// SHA-256 of the user name's bytes followed by the constant.
ScrambleKey deriveKey(const QString& user)
{
    std::string material = utf8UpToNul(user);
    appendScrambleConstant(material);
    SHA256Context context;
    ScrambleKey key;
    SHA256Reset(&context);
    SHA256Input(&context, reinterpret_cast<const unsigned char*>(material.data()),
                static_cast<unsigned int>(material.size()));
    SHA256Result(&context, key.data());
    return key;
}

void applyKey(unsigned char* bytes, std::size_t length, const ScrambleKey& key)
{
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] ^= key[i % key.size()];
}

} // namespace

bool AppUtil::EncodeAuthPassword(const QString& user, const QString& password, QString& out)
{
    const ScrambleKey key = deriveKey(user);
    std::string block = utf8UpToNul(password);
    appendScrambleConstant(block);
    applyKey(reinterpret_cast<unsigned char*>(block.data()), block.size(), key);

    std::string text;
    const bool encoded = Utility::Base64Encode(reinterpret_cast<const unsigned char*>(block.data()),
                                               block.size(), text);
    if (encoded)
        out = QString::fromStdString(text);
    return encoded;
}

bool AppUtil::DecodeAuthPassword(const QString& user, const QString& text, QString& out)
{
    unsigned char block[ScrambledBlockLimit] = {};
    unsigned long length = ScrambledBlockLimit;
    if (!Utility::Base64Decode(utf8UpToNul(text), block, length) || length <= ScrambleMarkerLength)
        return false;

    applyKey(block, length, deriveKey(user));
    std::string marker;
    appendScrambleConstant(marker);
    const std::size_t passwordLength = length - ScrambleMarkerLength;
    if (marker.compare(0, ScrambleMarkerLength,
                       reinterpret_cast<const char*>(block) + passwordLength,
                       ScrambleMarkerLength) != 0)
        return false;

    // The clear password ends at its first NUL, as it did when it was scrambled.
    const char* clear = reinterpret_cast<const char*>(block);
    out = QString::fromUtf8(clear, static_cast<int>(qstrnlen(clear, passwordLength)));
    return true;
}
