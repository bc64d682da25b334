#pragma once

#include "mailrequest.h"

#include <ctime>
#include <string>

namespace mailer
{

// The message as sent: Date (from `when`), From, To, Subject, Message-ID, MIME-Version,
// Content-Type text/plain UTF-8 and a base64 body, every line ending in CR LF. The body's
// line ends become CR LF before encoding (the canonical form of text, RFC 2045 6.8). Because
// the body is base64, no line of the message begins with a dot or holds a bare CR or LF.
// Expects input that passed findInputProblem().
std::string composeMessage(const MailRequest& request, std::time_t when);

} // namespace mailer
