#pragma once

#include <string>

namespace mailer
{

// The whole "Subject:" header field for a UTF-8 subject without control characters, ending in
// CR LF. A short plain-ASCII subject stands as it is; any other is written as RFC 2047 "B"
// encoded-words of whole UTF-8 characters, one per line, every line under 78 characters.
std::string subjectHeader(const std::string& subject);

} // namespace mailer
