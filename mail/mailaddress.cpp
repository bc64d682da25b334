#include "mailaddress.h"

#include "serverhost.h"

#include <cstring>

namespace mailer
{
namespace
{

constexpr std::size_t kMaxLocalPart = 64; // RFC 5321, 4.5.3.1.1
constexpr std::size_t kMaxAddress = 254;  // RFC 5321 path limit minus the angle brackets

// "atext" of RFC 5322, 3.2.3.
bool isAtext(char c)
{
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alnum || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool isDotAtom(std::string_view text)
{
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    char previous = '\0';
    for (const char c : text) {
        if (!(isAtext(c) || (c == '.' && previous != '.')))
            return false;
        previous = c;
    }
    return true;
}

} // namespace

bool isPlainAddress(std::string_view address)
{
    const std::size_t at = address.find('@');
    if (at == std::string_view::npos || address.size() > kMaxAddress)
        return false;
    const std::string_view local = address.substr(0, at);
    const std::string_view domain = address.substr(at + 1);
    return local.size() <= kMaxLocalPart && isDotAtom(local) && isHostName(domain);
}

std::string_view addressDomain(std::string_view address)
{
    return address.substr(address.find('@') + 1);
}

} // namespace mailer
