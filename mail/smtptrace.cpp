#include "smtptrace.h"

#include <algorithm>

namespace mailer
{
namespace
{

constexpr size_t kMaxReply = 300;

bool startsWithAuth(const char* data, size_t size)
{
    static constexpr char kAuth[] = "AUTH ";
    constexpr size_t length = sizeof kAuth - 1;
    if (size < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = data[i];
        if ((c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c) != kAuth[i])
            return false;
    }
    return true;
}

// A reply line of RFC 5321, 4.2, whose code says the command failed.
bool isNegativeReply(const char* data, size_t size)
{
    return size >= 3 && (data[0] == '4' || data[0] == '5') && data[1] >= '0' && data[1] <= '9' &&
           data[2] >= '0' && data[2] <= '9';
}

} // namespace

int SmtpTrace::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* trace)
{
    auto* self = static_cast<SmtpTrace*>(trace);
    if (type == CURLINFO_HEADER_IN)
        self->noteReply(data, size);
    else if (type == CURLINFO_HEADER_OUT)
        self->noteCommand(data, size);
    return 0;
}

int SmtpTrace::onConnected(void* trace, char*, char*, int, int)
{
    auto* self = static_cast<SmtpTrace*>(trace);
    self->m_authSkipped = self->m_authRequired && !self->m_authSent;
    return self->m_authSkipped ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

void SmtpTrace::noteReply(const char* data, size_t size)
{
    if (!isNegativeReply(data, size))
        return;
    // No exception may cross libcurl; on allocation failure the reply is just not kept.
    try {
        std::string line(data, std::min(size, kMaxReply));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::replace_if(
            line.begin(), line.end(), [](char c) { return c >= 0 && c < 0x20; }, ' ');
        m_lastNegativeReply = std::move(line);
    } catch (...) {
        m_lastNegativeReply.clear();
    }
}

void SmtpTrace::noteCommand(const char* data, size_t size)
{
    if (startsWithAuth(data, size))
        m_authSent = true;
}

} // namespace mailer
