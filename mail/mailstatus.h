#pragma once

#include "libmailer.h"

#include <curl/curl.h>

#include <string>

namespace mailer
{

// The status of a finished transfer from libcurl's result and the last SMTP reply code
// (0 when the server never answered).
MailStatus statusOfTransfer(CURLcode result, long replyCode);

// Puts the one-line error text of a failed send (what failed, then `reason`) into `errorText`
// and returns `status`.
MailStatus fail(MailStatus status, const std::string& reason, std::string& errorText);

} // namespace mailer
