#pragma once

#include <string>
#include <string_view>

namespace mailer
{

// Base64 of `data` (RFC 4648 alphabet, "=" padded) as one unbroken line.
std::string base64(std::string_view data);

} // namespace mailer
