// The mail layer against a real SMTP server on 127.0.0.1 and a listener that never answers.
#include "libmailer.h"
#include "libmailer_testing.h"
#include "smtpserver.h"
#include "testcertificate.h"

#include <QTcpServer>
#include <QtTest>

#include <unistd.h>

namespace
{

// Not loopback as far as the library can tell; the test door sends it to 127.0.0.1.
const QString kRemote = QStringLiteral("mail.quorvane.test");
const QByteArray kUser = "mailer";
const QByteArray kPassword = "pässwörd-日本";
// Shortened, so that waiting for a server that hangs keeps the suite fast.
constexpr std::chrono::milliseconds kBound(1500);

struct Mail {
    QString server = QStringLiteral("127.0.0.1");
    int port = -1; // -1: the port of the test's own server
    QByteArray from = "notifier@quorvane.test";
    QByteArray to = "developer@example.org";
    QByteArray subject =
        "テクスチャの変換に失敗しました：画像が設定した最大サイズ（2048×2048）を超えています";
    QByteArray body = "本文は\r\n.\r\n.x\r\nです。"; // lines SMTP would dot-stuff
    QByteArray user = kUser;
    QByteArray password; // non-empty: authentication on
};

int send(const Mail& m, std::string& errorText)
{
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
    void cleanupTestCase() { QCOMPARE(m_stderr.size(), qint64(0)); } // see initTestCase()
    void sends_data();
    void sends();
    void silentListener_data();
    void silentListener();

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
    QTest::addColumn<QString>("errorMentions");
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("command"); // the server answers it with `reply` alone, or
    QTest::addColumn<QByteArray>("reply");   // hangs (see SmtpServer::Options)
    const auto row = [](const char* name, S security, bool serverAuth, const QByteArray& password,
                        MailStatus status, const char* mentions = "",
                        const QByteArray& subject = Mail().subject) {
        QTest::newRow(name) << security << serverAuth << password << status << QString(mentions)
                            << subject << QByteArray() << QByteArray();
    };
    // A refusal must reach the error text; hanging at any step must end at the bound.
    const auto scripted = [](const char* name, const char* command, const char* reply,
                             MailStatus status, S security = S::None,
                             const QByteArray& password = "") {
        QTest::newRow(name) << security << !password.isEmpty() << password << status
                            << QString(status == MailStatus::Refused ? reply : "") << Mail().subject
                            << QByteArray(command) << QByteArray(reply);
    };
    row("plain", S::None, false, "", MailStatus::Ok);
    row("STARTTLS when offered", S::StartTls, false, "", MailStatus::Ok);
    row("untrusted certificate", S::StartTls, false, "", MailStatus::TlsFailed);
    row("AUTH PLAIN over STARTTLS", S::StartTls, true, kPassword, MailStatus::Ok);
    row("wrong password", S::StartTls, true, kPassword + "x", MailStatus::AuthFailed, "535");
    row("auth on, no STARTTLS", S::None, true, kPassword, MailStatus::TlsFailed, "STARTTLS");
    row("auth on, no AUTH offered", S::StartTls, false, kPassword, MailStatus::AuthFailed);
    row("implicit TLS on 465", S::ImplicitTls, false, "", MailStatus::Ok);
    row("ASCII subject", S::None, false, "", MailStatus::Ok, "", "Texture conversion failed");
    row("ASCII subject, blanks at the ends", S::None, false, "", MailStatus::Ok, "",
        "  Texture conversion failed ");
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
}

void TestLibMailer::sends()
{
    QFETCH(SmtpServer::Security, security);
    QFETCH(bool, serverAuth);
    QFETCH(QByteArray, password);
    QFETCH(MailStatus, status);
    QFETCH(QString, errorMentions);
    QFETCH(QByteArray, subject);
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
    QVERIFY2(took < kBound.count() + 1000, qPrintable(QString("took %1 ms").arg(took)));
    QVERIFY2(error.isEmpty() == (status == MailStatus::Ok) && error.contains(errorMentions) &&
                 !error.contains('\n') && !error.contains(QString::fromUtf8(kPassword)),
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
    // Python's reader found every header it needs and no defect (an English Date among them).
    QCOMPARE(message.defects, QStringList());
    const QString raw = QString::fromLatin1(message.raw);
    QVERIFY2(raw.contains(
                 QRegularExpression("^Date: .+ \\+0900\r$", QRegularExpression::MultilineOption)) &&
                 raw.contains("\r\nFrom: " + mail.from + "\r\nTo: " + mail.to + "\r\n"),
             message.raw.constData()); // local time: the test runs with TZ=JST-9
    // CR LF only, short lines, and none SMTP could take for its end-of-data dot.
    QVERIFY(message.raw.endsWith("\r\n"));
    for (const QByteArray& line : message.raw.chopped(1).split('\n'))
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1 && line.size() <= 78 &&
                     !line.startsWith('.'),
                 line.constData());
}

// The kernel completes each connection to a listener that never accepts, and nobody ever says a
// word on it. A good mail waits for the shortened bound; bad input must not even connect.
void TestLibMailer::silentListener_data()
{
    QTest::addColumn<Mail>("mail");
    QTest::addColumn<MailStatus>("status");
    // With authentication on, a loopback server would waive STARTTLS.
    const auto bad = [](const char* name, auto Mail::*field, const auto& value, bool auth = false) {
        Mail mail;
        mail.*field = value;
        if (auth)
            mail.password = kPassword;
        QTest::newRow(name) << mail << MailStatus::InvalidInput;
    };
    QTest::newRow("good mail meets the bound") << Mail() << MailStatus::TimedOut;
    bad("CR LF in recipient", &Mail::to, "a@b.test\r\nRCPT TO:<evil@b.test>");
    bad("LF in sender", &Mail::from, "a@b.test\nDATA");
    bad("CR LF in subject", &Mail::subject, "Hi\r\nBcc: evil@b.test");
    bad("NUL in subject", &Mail::subject, QByteArray("Hi\0x", 4));
    bad("NUL in IPv6 server, auth on", &Mail::server, "::1" + QString(QChar(0)) + "evil", true);
    bad("NUL in recipient", &Mail::to, QByteArray("dev\0x@b.test", 12));
    bad("U+0085 in subject", &Mail::subject, "Hi\xc2\x85there");
    bad("DEL in subject", &Mail::subject, "Hi\x7fthere");
    bad("U+0085 in sender", &Mail::from, "a\xc2\x85@b.test");
    bad("DEL in recipient", &Mail::to, "a\x7f@b.test");
    bad("port 0", &Mail::port, 0);
    bad("port 65536", &Mail::port, 65536);
    bad("auth on, empty user", &Mail::user, QByteArray(), true);
    bad("display name", &Mail::to, "Dev <dev@b.test>");
    bad("two recipients", &Mail::to, "a@b.test,c@d.test");
    bad("invalid UTF-8 in subject", &Mail::subject, "\xff");
    bad("surrogate in body", &Mail::body, "\xed\xa0\x80");
}

void TestLibMailer::silentListener()
{
    QFETCH(Mail, mail);
    QFETCH(MailStatus, status);
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    mailer::TransferSettings door;
    door.totalTimeout = std::chrono::milliseconds(800);
    setMailerTestSettings(door);
    if (mail.port == Mail().port)
        mail.port = listener.serverPort();

    std::string errorText;
    const QDeadlineTimer bound(3000);
    QCOMPARE(send(mail, errorText), int(status));
    QVERIFY2(!bound.hasExpired(), "the send outlasted its bound");
    QVERIFY(!errorText.empty() && errorText.find_first_of("\r\n") == std::string::npos);
    // Only a send that connected left a connection waiting in the listen queue.
    QCOMPARE(listener.waitForNewConnection(20), status == MailStatus::TimedOut);
}

QTEST_GUILESS_MAIN(TestLibMailer)
#include "tst_libmailer.moc"
