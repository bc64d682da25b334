#pragma once

#include <string>

namespace mailer
{

// The caller's arguments to one send, by reference; lives no longer than that call.
struct MailRequest {
    const std::string& server;
    int port;
    const std::string& from;
    const std::string& to;
    const std::string& subject;
    const std::string& body;
    bool useAuth;
    const std::string& user;
    const std::string& password;
};

} // namespace mailer
