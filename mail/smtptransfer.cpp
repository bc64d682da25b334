#include "smtptransfer.h"

#include "curlglobal.h"
#include "curlhandles.h"
#include "mailstatus.h"
#include "serverhost.h"
#include "smtptrace.h"
#include "transfersettings.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

namespace mailer
{
namespace
{

constexpr int kImplicitTlsPort = 465; // RFC 8314, 7.3

using Clock = std::chrono::steady_clock;

// Sets options one after another and keeps the first failure; later ones are then skipped.
class OptionSetter
{
public:
    explicit OptionSetter(CURL* handle) : m_handle(handle) {}

    template <typename T>
    OptionSetter& operator()(CURLoption option, T value)
    {
        if (m_result == CURLE_OK)
            m_result = curl_easy_setopt(m_handle, option, value);
        return *this;
    }
    CURLcode result() const { return m_result; }

private:
    CURL* m_handle;
    CURLcode m_result = CURLE_OK;
};

// The part of the message libcurl has not read yet.
size_t readMessage(char* buffer, size_t size, size_t count, void* rest)
{
    auto* unread = static_cast<std::string_view*>(rest);
    const size_t length = std::min(size * count, unread->size());
    std::memcpy(buffer, unread->data(), length);
    unread->remove_prefix(length);
    return length;
}

std::string smtpUrl(const MailRequest& request)
{
    const char* scheme = request.port == kImplicitTlsPort ? "smtps://" : "smtp://";
    return scheme + hostForUrl(request.server) + ":" + std::to_string(request.port);
}

// Credentials never travel in clear to another machine: with authentication on, a server
// that offers no STARTTLS is refused. Without credentials, or on loopback, TLS is still used
// whenever the server offers it.
long tlsLevel(const MailRequest& request)
{
    const bool required = request.useAuth && !isLoopbackHost(request.server);
    return required ? CURLUSESSL_ALL : CURLUSESSL_TRY;
}

// The deadline of one exchange, and the sockets libcurl opens for it. libcurl applies
// CURLOPT_TIMEOUT_MS to every reply but the one to QUIT: that one it awaits for up to two
// minutes, looking only at the transfer callback once a second, and it sends QUIT whenever it
// closes the connection, even after the reply to the end of the data failed to come. Past the
// deadline the callback therefore ends the transfer and stops reading from the server, so that
// the wait for a reply to QUIT ends at once.
class ExchangeDeadline
{
public:
    void start(std::chrono::milliseconds bound)
    {
        m_bound = bound;
        m_deadline = Clock::now() + bound;
    }
    std::chrono::milliseconds bound() const { return m_bound; }
    bool passed() const { return Clock::now() >= m_deadline; }

    // CURLOPT_OPENSOCKETFUNCTION, CURLOPT_CLOSESOCKETFUNCTION and CURLOPT_XFERINFOFUNCTION, each
    // with this object as its data.
    static curl_socket_t onOpen(void* deadline, curlsocktype, curl_sockaddr* address);
    static int onClose(void* deadline, curl_socket_t socket);
    static int onProgress(void* deadline, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

private:
    std::chrono::milliseconds m_bound{};
    Clock::time_point m_deadline;
    std::vector<curl_socket_t> m_sockets;
};

curl_socket_t ExchangeDeadline::onOpen(void* deadline, curlsocktype, curl_sockaddr* address)
{
    auto* self = static_cast<ExchangeDeadline*>(deadline);
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    if (socket == CURL_SOCKET_BAD)
        return socket;
    // No exception may cross libcurl: without memory to track it the socket is not used.
    try {
        self->m_sockets.push_back(socket);
    } catch (...) {
        ::close(socket);
        return CURL_SOCKET_BAD;
    }
    return socket;
}

int ExchangeDeadline::onClose(void* deadline, curl_socket_t socket)
{
    auto* self = static_cast<ExchangeDeadline*>(deadline);
    self->m_sockets.erase(std::remove(self->m_sockets.begin(), self->m_sockets.end(), socket),
                          self->m_sockets.end());
    return ::close(socket) == 0 ? 0 : 1;
}

int ExchangeDeadline::onProgress(void* deadline, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* self = static_cast<const ExchangeDeadline*>(deadline);
    if (!self->passed())
        return 0;
    for (const curl_socket_t socket : self->m_sockets)
        ::shutdown(socket, SHUT_RD);
    return 1;
}

struct TransferParts {
    ExchangeDeadline deadline;
    std::string url;
    std::string mailFrom;
    CurlList recipients;
    CurlList connectTo;
    std::string_view unread;
    char errorBuffer[CURL_ERROR_SIZE] = "";
};

// False when memory ran out.
bool buildParts(const MailRequest& request, const std::string& message,
                const TransferSettings& settings, TransferParts& parts)
{
    parts.deadline.start(settings.totalTimeout);
    parts.url = smtpUrl(request);
    parts.mailFrom = "<" + request.from + ">";
    parts.unread = message;
    if (!appendTo(parts.recipients, ("<" + request.to + ">").c_str()))
        return false;
    for (const std::string& entry : settings.connectTo) {
        if (!appendTo(parts.connectTo, entry.c_str()))
            return false;
    }
    return true;
}

CURLcode configure(CURL* handle, const MailRequest& request, const TransferSettings& settings,
                   TransferParts& parts, SmtpTrace& trace)
{
    OptionSetter set(handle);
    set(CURLOPT_ERRORBUFFER, parts.errorBuffer);
    set(CURLOPT_URL, parts.url.c_str());
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectTimeout.count()));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(settings.totalTimeout.count()));
    set(CURLOPT_OPENSOCKETFUNCTION, &ExchangeDeadline::onOpen);
    set(CURLOPT_OPENSOCKETDATA, &parts.deadline);
    set(CURLOPT_CLOSESOCKETFUNCTION, &ExchangeDeadline::onClose);
    set(CURLOPT_CLOSESOCKETDATA, &parts.deadline);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &ExchangeDeadline::onProgress);
    set(CURLOPT_XFERINFODATA, &parts.deadline);
    // The connection, and with it QUIT, ends within curl_easy_perform() and so within the bound,
    // not later in curl_easy_cleanup().
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_USE_SSL, tlsLevel(request));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.caFile.empty())
        set(CURLOPT_CAINFO, settings.caFile.c_str());
    if (parts.connectTo)
        set(CURLOPT_CONNECT_TO, parts.connectTo.get());
    set(CURLOPT_MAIL_FROM, parts.mailFrom.c_str());
    set(CURLOPT_MAIL_RCPT, parts.recipients.get());
    set(CURLOPT_UPLOAD, 1L);
    set(CURLOPT_READFUNCTION, &readMessage);
    set(CURLOPT_READDATA, &parts.unread);
    if (request.useAuth) {
        set(CURLOPT_USERNAME, request.user.c_str());
        set(CURLOPT_PASSWORD, request.password.c_str());
    }
    // The trace goes to our callback only: nothing reaches stderr.
    set(CURLOPT_VERBOSE, 1L);
    set(CURLOPT_DEBUGFUNCTION, &SmtpTrace::onDebug);
    set(CURLOPT_DEBUGDATA, &trace);
    set(CURLOPT_PREREQFUNCTION, &SmtpTrace::onConnected);
    set(CURLOPT_PREREQDATA, &trace);
    return set.result();
}

// libcurl's own words for `result`, preferring the detailed message of the error buffer.
std::string curlReason(CURLcode result, const char* errorBuffer)
{
    std::string reason = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(result);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return reason;
}

MailStatus finish(CURL* handle, CURLcode result, const TransferParts& parts, const SmtpTrace& trace,
                  std::string& errorText)
{
    if (trace.authSkipped())
        return fail(MailStatus::AuthFailed, "the server offers no authentication", errorText);
    long replyCode = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &replyCode) != CURLE_OK)
        replyCode = 0;
    const bool late = result == CURLE_ABORTED_BY_CALLBACK && parts.deadline.passed();
    const MailStatus status = late ? MailStatus::TimedOut : statusOfTransfer(result, replyCode);
    if (status == MailStatus::Ok)
        return status;
    std::string reason =
        late ? "no reply within " + std::to_string(parts.deadline.bound().count()) + " ms"
             : curlReason(result, parts.errorBuffer);
    if (result == CURLE_USE_SSL_FAILED)
        reason = "STARTTLS is required to send credentials: " + reason;
    if (!trace.lastNegativeReply().empty())
        reason += "; server replied: " + trace.lastNegativeReply();
    return fail(status, reason, errorText);
}

} // namespace

MailStatus sendOverSmtp(const MailRequest& request, const std::string& message,
                        std::string& errorText)
{
    const CURLcode init = initCurlOnce();
    if (init != CURLE_OK)
        return fail(MailStatus::InternalError, curl_easy_strerror(init), errorText);
    const TransferSettings settings = currentTransferSettings();
    TransferParts parts;
    const CurlEasy handle(curl_easy_init());
    if (!handle || !buildParts(request, message, settings, parts))
        return fail(MailStatus::InternalError, "libcurl could not be set up", errorText);
    SmtpTrace trace(request.useAuth);
    const CURLcode setup = configure(handle.get(), request, settings, parts, trace);
    if (setup != CURLE_OK)
        return fail(MailStatus::InternalError, curlReason(setup, parts.errorBuffer), errorText);
    const CURLcode result = curl_easy_perform(handle.get());
    return finish(handle.get(), result, parts, trace, errorText);
}

} // namespace mailer
