#pragma once

#include <string>
#include <string_view>

namespace mailer
{

// True when `host` is a DNS host name: dot-separated labels of 1 to 63 letters, digits,
// hyphens or underscores, no label starting or ending with a hyphen, 253 characters at most.
// Dotted IPv4 addresses pass as well.
bool isHostName(std::string_view host);

// True when `host` is a host name or an IPv6 address (without brackets). Like every check
// here, it reads the whole of `host`: a NUL anywhere makes it no host at all.
bool isServerHost(std::string_view host);

// True when `host` can only mean this machine: "localhost" and "*.localhost" (which libcurl
// resolves to the loopback address without asking DNS), 127.0.0.0/8 and ::1. Other names
// count as remote even when they happen to resolve to a loopback address.
bool isLoopbackHost(std::string_view host);

// `host` as the authority of a URL: IPv6 addresses in brackets.
std::string hostForUrl(const std::string& host);

} // namespace mailer
