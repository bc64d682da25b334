#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server on a free port of 127.0.0.1 while the object lives: smtpserver.py next to
// this file, on Debian's aiosmtpd, run by /usr/bin/python3. Every message it accepts is kept
// and can be read back with messages().
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
        QString rejectRecipient;    // RCPT TO this address is answered with 550
        bool silent = false;        // accept connections and never send a byte
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
        QString body;                   // decoded content, line ends as they are
        QDateTime date;                 // invalid when the Date header is missing or bad
        QMap<QString, QString> headers; // lower-case name -> value
        QStringList defects;            // empty for a well-formed message
    };

    // Starts the server and waits (up to 10 s) until it listens.
    explicit SmtpServer(const Options& options);
    // A plain server: no TLS, no AUTH.
    SmtpServer();
    // Stops the server.
    ~SmtpServer();
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    QString errorString() const { return m_error; } // why it isn't running
    quint16 port() const { return m_port; }
    // The messages accepted so far, oldest first.
    QList<Message> messages() const;

private:
    QStringList arguments(const Options& options) const;
    bool waitUntilReady();

    QTemporaryDir m_captureDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
