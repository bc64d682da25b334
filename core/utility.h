#pragma once

#include <QString>
#include <string>
#include <vector>

// Encoding, path and locale helpers shared by the subsystems. Static functions only.
class Utility
{
public:
    Utility() = delete;

    // Standard Base64 (RFC 4648, "=" padded, no line breaks). Replaces `out`; always true.
    static bool Base64Encode(const std::vector<unsigned char>& data, std::string& out);
    static bool Base64Encode(const unsigned char* data, unsigned long size, std::string& out);
    // True: the decoded bytes replace `out`. False: `out` is untouched.
    static bool Base64Decode(const std::string& text, std::vector<unsigned char>& out);
    // `size` is the capacity of `buf` on entry and the decoded length on success.
    // False (bad text, or more bytes than the capacity): neither `buf` nor `size` is touched.
    static bool Base64Decode(const std::string& text, unsigned char* buf, unsigned long& size);

    // The platform's Documents folder, unchanged (empty when the platform reports none).
    static QString getDocumentPath();
    // Makes the folder holding `filePath` (one level) when nothing stands there. True when the
    // folder is there or was made; false only when it appeared meanwhile. Other file-system
    // errors throw boost::filesystem::filesystem_error.
    static bool createAppDirectory(const QString& filePath);

    // "ja" when the system locale's name begins with "ja", otherwise "en".
    static std::string GetProcessLanguage();
};
