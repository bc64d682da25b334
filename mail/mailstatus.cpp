#include "mailstatus.h"

namespace mailer
{
namespace
{

bool isTlsFailure(CURLcode result)
{
    switch (result) {
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return true;
    default:
        return false;
    }
}

bool isUnreachable(CURLcode result)
{
    return result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_RESOLVE_PROXY ||
           result == CURLE_COULDNT_CONNECT;
}

} // namespace

MailStatus statusOfTransfer(CURLcode result, long replyCode)
{
    if (result == CURLE_OK)
        return MailStatus::Ok;
    if (result == CURLE_OPERATION_TIMEDOUT)
        return MailStatus::TimedOut;
    if (isTlsFailure(result))
        return MailStatus::TlsFailed;
    if (result == CURLE_LOGIN_DENIED || result == CURLE_AUTH_ERROR)
        return MailStatus::AuthFailed;
    if (isUnreachable(result))
        return MailStatus::ConnectionFailed;
    // libcurl reports a refused sender, recipient or message as a send error or an odd reply;
    // the reply code tells a refusal from a broken connection.
    if (replyCode >= 400)
        return MailStatus::Refused;
    if (result == CURLE_OUT_OF_MEMORY || result == CURLE_FAILED_INIT)
        return MailStatus::InternalError;
    return MailStatus::ConnectionFailed;
}

namespace
{

const char* describe(MailStatus status)
{
    switch (status) {
    case MailStatus::Ok:
        return "sent";
    case MailStatus::InvalidInput:
        return "invalid input";
    case MailStatus::ConnectionFailed:
        return "no connection to the SMTP server";
    case MailStatus::TlsFailed:
        return "TLS failed";
    case MailStatus::AuthFailed:
        return "SMTP authentication failed";
    case MailStatus::Refused:
        return "refused by the SMTP server";
    case MailStatus::TimedOut:
        return "the SMTP server did not answer in time";
    case MailStatus::InternalError:
        return "internal error";
    }
    return "unknown error";
}

} // namespace

MailStatus fail(MailStatus status, const std::string& reason, std::string& errorText)
{
    errorText = std::string(describe(status)) + ": " + reason;
    return status;
}

} // namespace mailer
