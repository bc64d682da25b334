#include "serverhost.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace mailer
{
namespace
{

constexpr std::size_t kMaxHostName = 253; // RFC 1035, 2.3.4, without the final dot
constexpr std::size_t kMaxLabel = 63;

bool isLabel(std::string_view label)
{
    if (label.empty() || label.size() > kMaxLabel || label.front() == '-' || label.back() == '-')
        return false;
    for (const char c : label) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!(alnum || c == '-' || c == '_'))
            return false;
    }
    return true;
}

// inet_pton (POSIX) reads a C string, so it would never see what follows a NUL.
bool parseAddress(int family, std::string_view host, void* address)
{
    if (host.find('\0') != std::string_view::npos)
        return false;
    const std::string text(host);
    return inet_pton(family, text.c_str(), address) == 1;
}

bool parseIpv6(std::string_view host, in6_addr& address)
{
    return parseAddress(AF_INET6, host, &address);
}

bool isIpv4Loopback(std::string_view host)
{
    in_addr address{};
    return parseAddress(AF_INET, host, &address) && (ntohl(address.s_addr) >> 24) == 127;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// "localhost" or a name under it (RFC 6761, 6.3).
bool isLocalhostName(std::string_view host)
{
    constexpr std::string_view suffix = ".localhost";
    return isHostName(host) &&
           (equalsIgnoringCase(host, "localhost") ||
            (host.size() > suffix.size() &&
             equalsIgnoringCase(host.substr(host.size() - suffix.size()), suffix)));
}

} // namespace

bool isHostName(std::string_view host)
{
    if (host.empty() || host.size() > kMaxHostName)
        return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        if (!isLabel(host.substr(start, dot - start)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

bool isServerHost(std::string_view host)
{
    in6_addr address{};
    return isHostName(host) || parseIpv6(host, address);
}

bool isLoopbackHost(std::string_view host)
{
    in6_addr address{};
    return isLocalhostName(host) || isIpv4Loopback(host) ||
           (parseIpv6(host, address) && IN6_IS_ADDR_LOOPBACK(&address));
}

std::string hostForUrl(const std::string& host)
{
    in6_addr address{};
    return parseIpv6(host, address) ? "[" + host + "]" : host;
}

} // namespace mailer
