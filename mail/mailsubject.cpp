#include "mailsubject.h"

#include "base64.h"
#include "utf8.h"

namespace mailer
{
namespace
{

constexpr std::string_view kField = "Subject:";
// RFC 5322 2.1.1 asks for lines of at most 78 characters; we stay below that.
constexpr std::size_t kMaxLine = 77;
// "=?UTF-8?B?" + base64 of 42 bytes (56 characters) + "?=" is 68 characters, so even the
// first line, "Subject: " plus one word, is 77 characters long.
constexpr std::size_t kBytesPerWord = 42;

bool isPrintableAscii(const std::string& text)
{
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// Text that a reader takes back exactly as written: decoders would read "=?" as the start of
// an encoded-word, and drop white space at the ends.
bool canStandPlain(const std::string& subject)
{
    return isPrintableAscii(subject) && subject.find("=?") == std::string::npos &&
           subject.front() != ' ' && subject.back() != ' ' &&
           kField.size() + 1 + subject.size() <= kMaxLine;
}

} // namespace

std::string subjectHeader(const std::string& subject)
{
    std::string header(kField);
    if (subject.empty())
        return header + "\r\n";
    if (canStandPlain(subject))
        return header + " " + subject + "\r\n";
    // Folding white space between two encoded-words is not part of the text (RFC 2047, 6.2).
    for (const std::string_view piece : splitUtf8(subject, kBytesPerWord))
        header += " =?UTF-8?B?" + base64(piece) + "?=\r\n";
    return header;
}

} // namespace mailer
