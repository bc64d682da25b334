#include "smtptransfer.h"

#include "curlglobal.h"
#include "curlhandles.h"
#include "mailstatus.h"
#include "serverhost.h"
#include "smtptrace.h"
#include "transfersettings.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace mailer
{
namespace
{

constexpr int kImplicitTlsPort = 465; // RFC 8314, 7.3

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

struct TransferParts {
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
    const MailStatus status = statusOfTransfer(result, replyCode);
    if (status == MailStatus::Ok)
        return status;
    std::string reason = curlReason(result, parts.errorBuffer);
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
