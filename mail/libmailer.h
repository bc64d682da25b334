#pragma once

#include <string>

// Sends one plain-text message over SMTP. Returns 0 when the server accepted the message,
// otherwise one of the MailStatus values below; `errorText` receives a one-line reason.
int libSendMail(const std::string& server, int port, const std::string& from,
                const std::string& to, const std::string& subject, const std::string& body,
                std::string& errorText, bool useAuth, const std::string& user,
                const std::string& password);
