#pragma once

#include "libmailer.h"
#include "mailrequest.h"

#include <string>

namespace mailer
{

// Sends the composed `message` for `request` over one fresh libcurl handle: implicit TLS on
// port 465, otherwise STARTTLS whenever offered (required when authenticating to a host that
// is not loopback), certificates checked, bounded in time. Fills `errorText` with one line
// when the result is not Ok. Expects input that passed findInputProblem().
MailStatus sendOverSmtp(const MailRequest& request, const std::string& message,
                        std::string& errorText);

} // namespace mailer
