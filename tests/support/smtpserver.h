#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server on a free port of 127.0.0.1 while the object lives: smtpserver.py next to
// this file, on Debian's aiosmtpd, run by /usr/bin/python3. It keeps every message it accepts.
class SmtpServer
{
public:
    enum class Security { None, StartTls, ImplicitTls };

    struct Options {
        Security security = Security::None;
        QString certificateFile; // PEM certificate and key for StartTls and ImplicitTls
        QString keyFile;
        QByteArray user; // non-empty: AUTH is offered and only these credentials pass
        QByteArray password;
        bool authBeforeTls = false; // offer AUTH on a connection without TLS as well
        // The server answers `command` ("." for the end of the data) with `reply` instead of
        // carrying it out. Unless the reply refuses (4xx, 5xx), or when there is none, the
        // connection then hangs: the server neither reads from it nor writes to it again.
        QByteArray command;
        QByteArray reply;
    };

    // One accepted message.
    struct Message {
        QByteArray raw; // as received, after SMTP dot-unstuffing
        QString mailFrom;
        QStringList rcptTo;
        bool tls = false; // the message came over TLS (STARTTLS or implicit)
        QString authUser; // empty when the client did not authenticate
        // What Python's email package reads from `raw`:
        QString subject;
        QString body;        // decoded content, line ends as they are
        QStringList defects; // empty for a well-formed message
    };

    // Starts the server (by default plain: no TLS, no AUTH) and waits up to 10 s until it
    // listens; the server stops with the object.
    explicit SmtpServer(const Options& options);
    SmtpServer() : SmtpServer(Options{}) {}
    ~SmtpServer();

    bool isRunning() const { return m_port != 0; }
    QString errorString() const { return m_error; } // why it isn't running; empty when it is
    quint16 port() const { return m_port; }
    // The messages accepted so far, oldest first.
    QList<Message> messages() const;

private:
    QTemporaryDir m_captureDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
