// The mail layer against a real SMTP server on 127.0.0.1 and a listener that never answers.
#include "libmailer.h"
#include "libmailer_testing.h"
#include "smtpserver.h"
#include "testcertificate.h"
#include "waitwatchdog.h"

#include <QTcpServer>
#include <QtTest>

#include <unistd.h>

namespace
{

// Not loopback as far as the library can tell; the test door sends it to 127.0.0.1.
const QString kRemote = QStringLiteral("mail.quorvane.test");
const QByteArray kUser = "mailer";
const QByteArray kPassword = "pässwörd-日本";
// Shortened, so that waiting for a server that hangs keeps the suite fast. A send may take its
// bound and a second more at QUIT: twice that is its limit, with room for a loaded machine.
constexpr std::chrono::milliseconds kBound(1500), kListenerBound(800), kQuitGrace(1000);
// Far beyond any limit, far below CTest's time-out: a send that hangs fails with its row.
constexpr std::chrono::seconds kWatchdog(20);

struct Mail {
    QString server = QStringLiteral("127.0.0.1");
    int port = -1; // -1: the port of the test's own server
    QByteArray from = "notifier@quorvane.test";
    QByteArray to = "developer@example.org";
    QByteArray subject =
        "テクスチャの変換に失敗しました：画像が設定した最大サイズ（2048×2048）を超えています";
    // Lines SMTP would dot-stuff, and enough text for several lines of base64.
    QByteArray body = "本文は\r\n.\r\n.x\r\nです。変換できなかった画像：Assets/Textures/hero.png";
    QByteArray user = kUser;
    QByteArray password; // non-empty: authentication on
};

// The reason of a time-out, as a pattern. Whichever notices the bound first words it: the
// library's deadline, or libcurl's own time-out with the time it measured.
QString timedOut(std::chrono::milliseconds bound)
{
    return QString("^the SMTP server did not answer in time: (no reply within %1 ms|Operation "
                   "timed out after \\d+ milliseconds\\b.*)$")
        .arg(bound.count());
}

int send(const Mail& m, std::string& errorText)
{
    const WaitWatchdog watchdog(kWatchdog,
                                "libSendMail to return; " + std::string(QTest::currentDataTag()));
    return libSendMail(m.server.toStdString(), m.port, m.from.toStdString(), m.to.toStdString(),
                       m.subject.toStdString(), m.body.toStdString(), errorText,
                       !m.password.isEmpty(), m.user.toStdString(), m.password.toStdString());
}

} // namespace

Q_DECLARE_METATYPE(Mail)
Q_DECLARE_METATYPE(SmtpServer::Security)
Q_DECLARE_METATYPE(MailStatus)

class TestLibMailer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() // see initTestCase()
    {
        m_stderr.seek(0);
        QVERIFY2(m_stderr.size() == 0, m_stderr.readAll().constData());
    }
    void sends_data();
    void sends();
    void silentListener_data();
    void silentListener();
    void accepts_data();
    void accepts();

private:
    TestCertificate m_cert{QStringList{"DNS:" + kRemote}};
    QTemporaryFile m_stderr;
};

// Whatever the library writes to stderr, in any case, lands in a file that must stay empty.
void TestLibMailer::initTestCase()
{
    QVERIFY(m_stderr.open() && ::dup2(m_stderr.handle(), STDERR_FILENO) >= 0);
}

void TestLibMailer::sends_data()
{
    using S = SmtpServer::Security;
    QTest::addColumn<S>("security");
    QTest::addColumn<bool>("serverAuth");     // the server offers AUTH and takes kUser, kPassword
    QTest::addColumn<QByteArray>("password"); // non-empty: authentication on
    QTest::addColumn<MailStatus>("status");
    QTest::addColumn<QString>("reason"); // a pattern the error text matches
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("subjectLine"); // how the header starts; empty: not checked
    QTest::addColumn<QByteArray>("command");     // the server answers it with `reply` alone, or
    QTest::addColumn<QByteArray>("reply");       // hangs (see SmtpServer::Options)
    const auto row = [](const char* name, S security, bool serverAuth, const QByteArray& password,
                        MailStatus status, const char* reason = "",
                        const QByteArray& subject = Mail().subject,
                        const QByteArray& subjectLine = "") {
        QTest::newRow(name) << security << serverAuth << password << status << QString(reason)
                            << subject << subjectLine << QByteArray() << QByteArray();
    };
    const auto subject = [&row](const char* name, const QByteArray& text,
                                const QByteArray& line = "") {
        row(name, S::None, false, "", MailStatus::Ok, "", text, line);
    };
    // A refusal must reach the error text; hanging at any step must end at the bound.
    const auto scripted = [](const char* name, const char* command, const QByteArray& reply,
                             MailStatus status, S security = S::None,
                             const QByteArray& password = "") {
        QString reason = status == MailStatus::TimedOut ? timedOut(kBound) : QString();
        if (status == MailStatus::Refused)
            reason = "server replied: " + QRegularExpression::escape(reply.left(300)) + "$";
        QTest::newRow(name) << security << !password.isEmpty() << password << status << reason
                            << Mail().subject << QByteArray() << QByteArray(command) << reply;
    };
    const QByteArray encoded = "Subject: =?UTF-8?B?";
    row("plain", S::None, false, "", MailStatus::Ok);
    row("STARTTLS when offered", S::StartTls, false, "", MailStatus::Ok);
    row("untrusted certificate", S::StartTls, false, "", MailStatus::TlsFailed, "certificate");
    row("AUTH PLAIN over STARTTLS", S::StartTls, true, kPassword, MailStatus::Ok);
    row("wrong password", S::StartTls, true, kPassword + "x", MailStatus::AuthFailed, "535");
    row("auth on, no STARTTLS", S::None, true, kPassword, MailStatus::TlsFailed, "STARTTLS");
    row("auth on, no AUTH offered", S::StartTls, false, kPassword, MailStatus::AuthFailed,
        "offers no authentication");
    row("implicit TLS on 465", S::ImplicitTls, false, "", MailStatus::Ok);
    subject("ASCII subject", "Texture conversion failed", "Subject: Texture conversion failed\r");
    subject("ASCII subject, blanks at the ends", "  Texture conversion failed ", encoded);
    subject("68 ASCII characters stand plain", QByteArray(68, 'x'), "Subject: x");
    subject("69 ASCII characters are encoded", QByteArray(69, 'x'), encoded);
    subject("U+0020, U+007E, U+00A0 in subject", "a b~\xc2\xa0!");
    subject("E0 A0, ED 9F, F4 8F in subject", "\xe0\xa0\x80\xed\x9f\xbf\xf4\x8f\xbf\xbf");
    scripted("hangs at EHLO", "EHLO", "", MailStatus::TimedOut);
    scripted("hangs at STARTTLS", "STARTTLS", "", MailStatus::TimedOut, S::StartTls);
    scripted("hangs in the TLS handshake", "STARTTLS", "220 2.0.0 Ready to start TLS",
             MailStatus::TimedOut, S::StartTls);
    scripted("hangs at AUTH", "AUTH", "", MailStatus::TimedOut, S::StartTls, kPassword);
    scripted("hangs at MAIL", "MAIL", "", MailStatus::TimedOut);
    scripted("hangs at RCPT", "RCPT", "", MailStatus::TimedOut);
    scripted("hangs at DATA", "DATA", "", MailStatus::TimedOut);
    scripted("hangs at the end of the data", ".", "", MailStatus::TimedOut, S::StartTls, kPassword);
    // RFC 5321, 6.1: with its 250 to the end of the data the server took the message over.
    scripted("hangs at QUIT, message taken", "QUIT", "", MailStatus::Ok, S::StartTls, kPassword);
    scripted("sender refused", "MAIL", "550 5.7.1 Sender rejected", MailStatus::Refused);
    scripted("sender deferred", "MAIL", "451 4.3.0 Try again later", MailStatus::Refused);
    scripted("recipient refused", "RCPT", "550 5.1.1 No such user", MailStatus::Refused);
    scripted("recipient deferred", "RCPT", "450 4.2.1 Mailbox busy", MailStatus::Refused);
    scripted("message refused", ".", "554 5.6.0 Message rejected", MailStatus::Refused);
    scripted("message deferred", ".", "451 4.3.0 Try again later", MailStatus::Refused);
    scripted("reply of 300 kept", "MAIL", "550 " + QByteArray(296, 'x'), MailStatus::Refused);
    scripted("reply of 301 cut", "MAIL", "550 " + QByteArray(297, 'x'), MailStatus::Refused);
}

void TestLibMailer::sends()
{
    QFETCH(SmtpServer::Security, security);
    QFETCH(bool, serverAuth);
    QFETCH(QByteArray, password);
    QFETCH(MailStatus, status);
    QFETCH(QString, reason);
    QFETCH(QByteArray, subject);
    QFETCH(QByteArray, subjectLine);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    // Without TLS the server offers AUTH in clear: refusing it is up to the library.
    SmtpServer server({security, m_cert.certificateFile(), m_cert.keyFile(),
                       serverAuth ? kUser : QByteArray(), kPassword,
                       security == SmtpServer::Security::None, command, reply});
    QVERIFY2(server.isRunning(), qPrintable(server.errorString() + m_cert.errorString()));
    Mail mail;
    mail.server = kRemote;
    mail.password = password;
    mail.subject = subject;
    mail.port = security == SmtpServer::Security::ImplicitTls ? 465 : server.port();
    mailer::TransferSettings door; // the test certificate is trusted unless TLS is meant to fail
    door.totalTimeout = kBound;
    if (status != MailStatus::TlsFailed)
        door.caFile = m_cert.certificateFile().toStdString();
    door.connectTo = {
        (kRemote + ":%1:127.0.0.1:%2").arg(mail.port).arg(server.port()).toStdString()};
    setMailerTestSettings(door);

    std::string errorText;
    QElapsedTimer clock;
    clock.start();
    const int result = send(mail, errorText);
    const qint64 took = clock.elapsed();
    const QString error = QString::fromStdString(errorText);
    QVERIFY2(result == int(status), qPrintable(QString::number(result) + " " + error));
    QVERIFY2(took < 2 * (kBound + kQuitGrace).count(), qPrintable(QString("took %1 ms").arg(took)));
    QVERIFY2(error.isEmpty() == (status == MailStatus::Ok) &&
                 error.contains(QRegularExpression(reason)) && !error.contains('\n') &&
                 !error.contains(QString::fromUtf8(kPassword)),
             qPrintable(error));
    const QList<SmtpServer::Message> messages = server.messages();
    QCOMPARE(messages.size(), status == MailStatus::Ok ? 1 : 0);
    if (messages.isEmpty())
        return;
    const SmtpServer::Message& message = messages.first();
    QCOMPARE(message.tls, security != SmtpServer::Security::None);
    QCOMPARE(message.authUser, mail.password.isEmpty() ? QString() : QString(kUser));
    QCOMPARE(message.mailFrom, QString(mail.from));
    QCOMPARE(message.rcptTo, QStringList{mail.to});
    QCOMPARE(message.subject, QString::fromUtf8(mail.subject));
    QCOMPARE(message.body, QString::fromUtf8(mail.body));
    // Python's reader found every header it needs and no defect.
    QCOMPARE(message.defects, QStringList());
    QVERIFY2(message.raw.contains("\r\nFrom: " + mail.from + "\r\nTo: " + mail.to + "\r\n") &&
                 message.raw.contains("\r\n" + subjectLine),
             message.raw.constData());
    // English names, and the time and UTC offset of this environment.
    const QString date = QString(message.raw).section("Date: ", 1, 1).section('\r', 0, 0);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime sent = QDateTime::fromString(date, Qt::RFC2822Date);
    QVERIFY2(sent.isValid() && qAbs(sent.secsTo(now)) < 60 &&
                 date.endsWith(now.toString(Qt::RFC2822Date).right(5)),
             qPrintable(date));
    // CR LF only, short lines, none SMTP could take for its end-of-data dot, and base64 lines
    // of 76 characters but the last.
    QVERIFY(message.raw.endsWith("\r\n"));
    const QList<QByteArray> lines = message.raw.chopped(1).split('\n');
    for (const QByteArray& line : lines)
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1 && line.size() <= 78 &&
                     !line.startsWith('.'),
                 line.constData());
    const QList<QByteArray> base64 = lines.mid(lines.indexOf("\r") + 1);
    for (int i = 0; i < base64.size(); ++i)
        QVERIFY2(base64[i].size() == 77 || (i == base64.size() - 1 && base64[i].size() < 77),
                 base64[i].constData());
}

// The kernel completes each connection to a listener that never accepts, and nobody ever says a
// word on it. A good mail waits for the shortened bound; bad input must not even connect.
void TestLibMailer::silentListener_data()
{
    QTest::addColumn<Mail>("mail");
    QTest::addColumn<MailStatus>("status");
    QTest::addColumn<QString>("reason"); // a pattern the error text matches
    // With authentication on, a loopback server would waive STARTTLS.
    const auto row = [](const char* name, const QString& reason, auto Mail::*field,
                        const auto& value, bool auth = false,
                        MailStatus status = MailStatus::InvalidInput) {
        Mail mail;
        mail.*field = value;
        if (auth)
            mail.password = kPassword;
        QTest::newRow(name) << mail << status << reason;
    };
    const QString late = timedOut(kListenerBound);
    row("good mail meets the bound", late, &Mail::port, Mail().port, false, MailStatus::TimedOut);
    row("port 1", late, &Mail::port, 1, false, MailStatus::TimedOut);
    row("port 65535", late, &Mail::port, 65535, false, MailStatus::TimedOut);
    // The listener takes IPv4 alone.
    row("nothing listens on ::1", "^no connection to the SMTP server: .*::1", &Mail::server,
        QString("::1"), false, MailStatus::ConnectionFailed);
    row("no server", "no SMTP server", &Mail::server, "");
    row("CR LF in recipient", "recipient is not", &Mail::to, "a@b.test\r\nRCPT TO:<evil@b.test>");
    row("LF in sender", "sender is not", &Mail::from, "a@b.test\nDATA");
    row("CR LF in subject", "subject contains", &Mail::subject, "Hi\r\nBcc: evil@b.test");
    row("NUL in subject", "subject contains", &Mail::subject, QByteArray("Hi\0x", 4));
    row("NUL in IPv6 server, auth on", "server is not", &Mail::server,
        "::1" + QString(QChar(0)) + "evil", true);
    row("NUL in recipient", "recipient is not", &Mail::to, QByteArray("dev\0x@b.test", 12));
    row("U+001F in subject", "subject contains", &Mail::subject, "Hi\x1fthere");
    row("U+0085 in subject", "subject contains", &Mail::subject, "Hi\xc2\x85there");
    row("U+009F in subject", "subject contains", &Mail::subject, "Hi\xc2\x9fthere");
    row("DEL in subject", "subject contains", &Mail::subject, "Hi\x7fthere");
    row("U+0085 in sender", "sender is not", &Mail::from, "a\xc2\x85@b.test");
    row("DEL in recipient", "recipient is not", &Mail::to, "a\x7f@b.test");
    row("port 0", "port 0 is outside", &Mail::port, 0);
    row("port 65536", "port 65536 is outside", &Mail::port, 65536);
    row("auth on, empty user", "user name is empty", &Mail::user, QByteArray(), true);
    row("display name", "recipient is not", &Mail::to, "Dev <dev@b.test>");
    row("two recipients", "recipient is not", &Mail::to, "a@b.test,c@d.test");
    row("invalid UTF-8 in subject", "subject is not valid", &Mail::subject, "\xff");
    row("E0 9F in subject", "subject is not valid", &Mail::subject, "\xe0\x9f\xbf");
    row("F4 90 in subject", "subject is not valid", &Mail::subject, "\xf4\x90\x80\x80");
    row("surrogate in body", "body is not valid", &Mail::body, "\xed\xa0\x80");
}

void TestLibMailer::silentListener()
{
    QFETCH(Mail, mail);
    QFETCH(MailStatus, status);
    QFETCH(QString, reason);
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    mailer::TransferSettings door; // every port of 127.0.0.1 leads to the listener
    door.totalTimeout = kListenerBound;
    door.connectTo = {"127.0.0.1::127.0.0.1:" + std::to_string(listener.serverPort())};
    setMailerTestSettings(door);
    if (mail.port == Mail().port)
        mail.port = listener.serverPort();

    std::string errorText;
    const QDeadlineTimer bound(2 * (kListenerBound + kQuitGrace).count());
    QCOMPARE(send(mail, errorText), int(status));
    QVERIFY2(!bound.hasExpired(), "the send outlasted its bound");
    QVERIFY2(QString::fromStdString(errorText).contains(QRegularExpression(reason)),
             errorText.c_str());
    QVERIFY(!errorText.empty() && errorText.find_first_of("\r\n") == std::string::npos);
    // Only a send that connected left a connection waiting in the listen queue.
    QCOMPARE(listener.waitForNewConnection(20), status == MailStatus::TimedOut);
}

// What the settings dialog asks before it saves: each rule, and both sides of every limit.
void TestLibMailer::accepts_data()
{
    QTest::addColumn<bool>("isServer"); // libMailAcceptsServer, else libMailAcceptsAddress
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    const auto server = [](const char* name, const QByteArray& text, bool accepted) {
        QTest::newRow(name) << true << text << accepted;
    };
    const auto address = [](const char* name, const QByteArray& text, bool accepted) {
        QTest::newRow(name) << false << text << accepted;
    };
    const QByteArray local(64, 'a');
    const QByteArray label(63, 'l');
    const QByteArray host = label + '.' + label + '.' + label + '.' + label.left(61); // 253
    address("local part of 64", local + "@b.test", true);
    address("local part of 65", local + "a@b.test", false);
    address("address of 254", local + '@' + host.left(189), true);
    address("address of 255", local + '@' + host.left(190), false);
    address("every atext character, inner dot", "!#$%&'*+-/=?^_`{|}~.a@b.test", true);
    address("leading dot", ".a@b.test", false);
    address("trailing dot", "a.@b.test", false);
    address("doubled dot", "a..b@b.test", false);
    address("quoted string", "\"a\"@b.test", false);
    address("comment", "a(c)@b.test", false);
    address("empty local part", "@b.test", false);
    address("no @", "a.b.test", false);
    address("two @", "a@b@b.test", false);
    address("empty label", "a@b..test", false);
    address("hyphen ends a label", "a@b-.test", false);
    address("IP literal", "a@[127.0.0.1]", false);
    server("label of 63", label + ".test", true);
    server("label of 64", label + "l.test", false);
    server("host name of 253", host, true);
    server("host name of 254", host + 'l', false);
    server("inner hyphen, underscore", "smtp-1_a.b.test", true);
    server("bracketed IPv6", "[2001:db8::1]", false);
    server("port", "smtp.b.test:25", false);
    server("scheme", "smtp://smtp.b.test", false);
    server("white space", "smtp.b.test ", false);
    server("non-ASCII", "smtp.bü.test", false);
}

void TestLibMailer::accepts()
{
    QFETCH(bool, isServer);
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE((isServer ? libMailAcceptsServer : libMailAcceptsAddress)(text.toStdString()),
             accepted);
}

QTEST_GUILESS_MAIN(TestLibMailer)
#include "tst_libmailer.moc"
