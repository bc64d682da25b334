#pragma once

#include <string>

// Symbols of this shared library that callers may use; everything else stays inside it.
#define LIBMAILER_API __attribute__((visibility("default")))

// What libSendMail returns, as an int.
enum class MailStatus : int {
    Ok = 0,               // the server accepted the message
    InvalidInput = 1,     // refused before any connection: server name, port, address,
                          // control character or invalid UTF-8 in the subject, ...
    ConnectionFailed = 2, // the server could not be resolved or reached, or the exchange broke off
    TlsFailed = 3,        // TLS could not be set up: handshake or certificate check failed, or
                          // STARTTLS is required (authentication on) and the server lacks it
    AuthFailed = 4,       // the server rejected the credentials or offers no authentication
    Refused = 5,       // the server answered the sender, a recipient or the message with an error
    TimedOut = 6,      // the connect bound (10 s) or the whole-exchange bound (30 s) ran out
    InternalError = 7, // libcurl could not be set up, or memory ran out
};

// Sends one plain-text message over SMTP. Returns 0 when the server accepted the message,
// otherwise one of the MailStatus values above; `errorText` receives a one-line reason.
//
// Port 465 uses implicit TLS; any other port upgrades with STARTTLS whenever the server offers
// it, and insists on it when `useAuth` is set unless the server is a loopback host. The
// subject and body are UTF-8; the library composes the headers itself. `user` and `password`
// are used only when `useAuth` is set and never appear in `errorText`. Blocks for at most
// 30 s, whatever the server does; only a server that took the message and then hangs at QUIT
// may hold it up to a second longer (the message went out: the result is 0). Safe to call from
// several threads at once.
LIBMAILER_API int libSendMail(const std::string& server, int port, const std::string& from,
                              const std::string& to, const std::string& subject,
                              const std::string& body, std::string& errorText, bool useAuth,
                              const std::string& user, const std::string& password);

// True when libSendMail takes `server` as its SMTP server: a host name or an IP address (IPv6
// without brackets) and nothing else, so no white space, port, URL scheme or non-ASCII letter.
// libSendMail refuses any other server with MailStatus::InvalidInput before it connects.
LIBMAILER_API bool libMailAcceptsServer(const std::string& server);

// True when libSendMail takes `address` as its sender or recipient: one plain address
// local@domain in ASCII (an RFC 5321 Mailbox with a dot-atom local part), so no display name,
// angle brackets, white space or second address. libSendMail refuses any other address with
// MailStatus::InvalidInput before it connects.
LIBMAILER_API bool libMailAcceptsAddress(const std::string& address);
