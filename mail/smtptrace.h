#pragma once

#include <curl/curl.h>

#include <string>

namespace mailer
{

// What a send learns from libcurl's protocol trace (its debug callback): the server's last
// negative reply and whether an AUTH command went out. Outgoing lines are never stored, since
// they carry the credentials.
class SmtpTrace
{
public:
    // Whether the send must have authenticated before the mail transaction begins.
    explicit SmtpTrace(bool authRequired) : m_authRequired(authRequired) {}

    // CURLOPT_DEBUGFUNCTION with this object as CURLOPT_DEBUGDATA.
    static int onDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* trace);
    // CURLOPT_PREREQFUNCTION with this object as CURLOPT_PREREQDATA. libcurl calls it once the
    // connection is set up (greeting, EHLO, STARTTLS, AUTH) and before MAIL FROM. Aborts the
    // transfer when authentication was asked for but libcurl skipped it because the server
    // offers none.
    static int onConnected(void* trace, char* primaryIp, char* localIp, int primaryPort,
                           int localPort);

    // The last line with a 4xx or 5xx reply code the server sent, without its line end and with
    // control characters blanked; empty when there was none.
    const std::string& lastNegativeReply() const { return m_lastNegativeReply; }
    // True when onConnected() stopped the send for want of authentication.
    bool authSkipped() const { return m_authSkipped; }

private:
    void noteReply(const char* data, size_t size);
    void noteCommand(const char* data, size_t size);

    bool m_authRequired;
    bool m_authSent = false;
    bool m_authSkipped = false;
    std::string m_lastNegativeReply;
};

} // namespace mailer
