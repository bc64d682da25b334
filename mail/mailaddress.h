#pragma once

#include <string_view>

namespace mailer
{

// True when `address` is one plain address "local@domain" (RFC 5321 / 5322 mailbox) in ASCII: a
// dot-atom local part of at most 64 characters and a domain of host-name labels, nothing
// else (no display name, angle brackets, comments, quoting, white space or second address).
bool isPlainAddress(std::string_view address);

// The domain part of an address that passed isPlainAddress().
std::string_view addressDomain(std::string_view address);

} // namespace mailer
