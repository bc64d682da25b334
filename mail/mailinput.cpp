#include "mailinput.h"

#include "libmailer.h"
#include "mailaddress.h"
#include "serverhost.h"
#include "utf8.h"

bool libMailAcceptsServer(const std::string& server)
{
    return mailer::isServerHost(server);
}

bool libMailAcceptsAddress(const std::string& address)
{
    return mailer::isPlainAddress(address);
}

namespace mailer
{

std::string findInputProblem(const MailRequest& request)
{
    if (request.server.empty())
        return "no SMTP server is set";
    if (!libMailAcceptsServer(request.server))
        return "the SMTP server is not a host name or IP address";
    if (request.port < 1 || request.port > 65535)
        return "the SMTP port " + std::to_string(request.port) + " is outside 1 to 65535";
    if (!libMailAcceptsAddress(request.from))
        return "the sender is not one plain address local@domain";
    if (!libMailAcceptsAddress(request.to))
        return "the recipient is not one plain address local@domain";
    if (!isValidUtf8(request.subject))
        return "the subject is not valid UTF-8";
    if (hasControlCharacter(request.subject))
        return "the subject contains a line break or another control character";
    if (!isValidUtf8(request.body))
        return "the body is not valid UTF-8";
    if (request.useAuth && request.user.empty())
        return "authentication is on but the user name is empty";
    return {};
}

} // namespace mailer
