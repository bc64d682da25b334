#include "mailmessage.h"

#include "base64.h"
#include "mailaddress.h"
#include "maildate.h"
#include "mailsubject.h"

#include <cstdio>
#include <random>

namespace mailer
{
namespace
{

constexpr std::size_t kBase64LineLength = 76; // RFC 2045, 6.8

std::string withCrLfLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string base64Lines(const std::string& data)
{
    const std::string encoded = base64(data);
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); i += kBase64LineLength)
        out += encoded.substr(i, kBase64LineLength) + "\r\n";
    return out;
}

// A globally unique id (RFC 5322, 3.6.4): 128 random bits and the time, at the sender's domain.
std::string messageId(const std::string& from, std::time_t when)
{
    std::random_device random;
    std::string id = "<";
    char hex[24];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(random()));
        id += hex;
    }
    std::snprintf(hex, sizeof hex, ".%llx", static_cast<unsigned long long>(when));
    id += hex;
    return id + "@" + std::string(addressDomain(from)) + ">";
}

} // namespace

std::string composeMessage(const MailRequest& request, std::time_t when)
{
    return "Date: " + formatMailDate(when) + "\r\n" + "From: " + request.from + "\r\n" +
           "To: " + request.to + "\r\n" + subjectHeader(request.subject) +
           "Message-ID: " + messageId(request.from, when) + "\r\n" +
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           base64Lines(withCrLfLineEnds(request.body));
}

} // namespace mailer
