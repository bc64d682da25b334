#pragma once

#include "mailrequest.h"

#include <string>

namespace mailer
{

// Checks what must hold before a connection is made: a server host, a port in 1..65535,
// plain sender and recipient addresses, a subject of UTF-8 without control characters (so no
// header can be injected), a UTF-8 body and a user name when authentication is on. Returns
// an empty string when all hold, otherwise the first broken rule in words. The reason never
// quotes the input.
std::string findInputProblem(const MailRequest& request);

} // namespace mailer
