#pragma once

#include <ctime>
#include <string>

namespace mailer
{

// `when` as an RFC 5322 date-time in local time with its UTC offset, e.g.
// "Tue, 04 Mar 2025 09:05:07 +0900". Day and month names are English whatever the locale.
std::string formatMailDate(std::time_t when);

} // namespace mailer
