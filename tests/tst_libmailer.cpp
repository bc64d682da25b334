#include "libmailer.h"
#include "libmailer_testing.h"
#include "smtpserver.h"
#include "testcertificate.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTemporaryFile>
#include <QtTest>

#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

namespace
{

const QString kLoopback = QStringLiteral("127.0.0.1");
// A name that is not loopback as far as the library can tell; the test door sends it to
// 127.0.0.1. The test certificate is made out to it.
const QString kRemoteName = QStringLiteral("mail.quorvane.test");
const QByteArray kFrom = "notifier@quorvane.test";
const QByteArray kTo = "developer@example.org";
const QByteArray kUser = "mailer";
const QByteArray kPassword = "pässwörd-日本";

struct Mail {
    QString server = kLoopback;
    int port = 0;
    QByteArray from = kFrom;
    QByteArray to = kTo;
    QByteArray subject = "Sorvel Quorvane for Unity execution error";
    QByteArray body = "Sorvel Quorvane for Unity execution error\r\nError code : 1234";
    bool useAuth = false;
    QByteArray user;
    QByteArray password;
};

} // namespace

Q_DECLARE_METATYPE(Mail)
Q_DECLARE_METATYPE(SmtpServer::Security)
Q_DECLARE_METATYPE(MailStatus)

namespace
{

int send(const Mail& mail, std::string& errorText)
{
    return libSendMail(mail.server.toStdString(), mail.port, mail.from.toStdString(),
                       mail.to.toStdString(), mail.subject.toStdString(), mail.body.toStdString(),
                       errorText, mail.useAuth, mail.user.toStdString(),
                       mail.password.toStdString());
}

// While it lives, whatever this process writes to stderr lands in a file instead.
class StderrCapture
{
public:
    StderrCapture()
    {
        if (m_file.open()) {
            std::fflush(stderr);
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

// Test door settings for one test; the defaults come back afterwards.
class DoorSettings
{
public:
    explicit DoorSettings(const mailer::TransferSettings& settings)
    {
        setMailerTestSettings(settings);
    }
    ~DoorSettings() { resetMailerTestSettings(); }
};

QString utcOffsetText(const QDateTime& local)
{
    const int minutes = local.offsetFromUtc() / 60;
    return QStringLiteral("%1%2%3")
        .arg(minutes < 0 ? '-' : '+')
        .arg(qAbs(minutes) / 60, 2, 10, QChar('0'))
        .arg(qAbs(minutes) % 60, 2, 10, QChar('0'));
}

} // namespace

class TestLibMailer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void concurrentFirstSends();
    void composesMessage_data();
    void composesMessage();
    void transportSecurity_data();
    void transportSecurity();
    void refusedRecipientGivesServerReply();
    void silentServerEndsWithinBound_data();
    void silentServerEndsWithinBound();
    void closedPortIsConnectionFailure();
    void rejectsBadInputWithoutConnecting_data();
    void rejectsBadInputWithoutConnecting();

private:
    std::unique_ptr<TestCertificate> m_certificate;
};

void TestLibMailer::initTestCase()
{
    m_certificate = std::make_unique<TestCertificate>(
        QStringList{"DNS:localhost", "IP:127.0.0.1", "DNS:" + kRemoteName});
    QVERIFY2(m_certificate->isValid(), qPrintable(m_certificate->errorString()));
}

// Runs first, so these are the process's first sends: curl's global set-up happens under
// concurrent callers.
void TestLibMailer::concurrentFirstSends()
{
    SmtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    constexpr int kThreads = 4;
    int results[kThreads];
    std::string errors[kThreads];
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            Mail mail;
            mail.port = server.port();
            results[i] = send(mail, errors[i]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < kThreads; ++i)
        QVERIFY2(results[i] == 0, errors[i].c_str());

    const QList<SmtpServer::Message> messages = server.messages();
    QCOMPARE(messages.size(), kThreads);
    QSet<QString> ids;
    for (const SmtpServer::Message& message : messages)
        ids.insert(message.headers.value("message-id"));
    QCOMPARE(ids.size(), kThreads);
}

void TestLibMailer::composesMessage_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expectedBody");

    const QByteArray mailBody = "Sorvel Quorvane for Unity execution error\r\nError code : 3";
    QTest::newRow("test mail") << kFrom << kTo
                               << QByteArray("Sorvel Quorvane for Unity execution error")
                               << mailBody << mailBody;
    const QByteArray japanese = "テクスチャの変換に失敗しました：画像が設定した最大サイズ"
                                "（2048×2048）を超えています。エラーコード 3";
    QTest::newRow("japanese subject over several encoded-words")
        << kFrom << kTo << japanese << QByteArray("本文も日本語です。\r\n以上")
        << QByteArray("本文も日本語です。\r\n以上");
    const QByteArray fourByte = "A😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀";
    QTest::newRow("four-byte characters at word ends")
        << kFrom << kTo << fourByte << QByteArray("x") << QByteArray("x");
    const QByteArray dots = ".\r\n.x\r\n..\r\n. \r\nend";
    QTest::newRow("body lines with dots") << kFrom << kTo << QByteArray("dots") << dots << dots;
    QTest::newRow("bare LF and CR become CR LF")
        << kFrom << kTo << QByteArray("line ends") << QByteArray("a\nb\rc\r\n\nd")
        << QByteArray("a\r\nb\r\nc\r\n\r\nd");
    QTest::newRow("long ascii subject") << kFrom << kTo << QByteArray(120, 'q').replace(60, 1, " ")
                                        << QByteArray("x") << QByteArray("x");
    QTest::newRow("subject that looks like an encoded-word")
        << kFrom << kTo << QByteArray("=?UTF-8?B?SGk=?= stays") << QByteArray("x")
        << QByteArray("x");
    QTest::newRow("subject with blanks at both ends")
        << kFrom << kTo << QByteArray("  padded  ") << QByteArray("x") << QByteArray("x");
    QTest::newRow("empty subject and body")
        << kFrom << kTo << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("unusual but plain addresses")
        << QByteArray("first.last+tag@mail-1.quorvane.test")
        << QByteArray("o'brien_{x}@dev.example.co.jp") << QByteArray("addresses") << QByteArray("x")
        << QByteArray("x");
}

void TestLibMailer::composesMessage()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, subject);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expectedBody);

    SmtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    Mail mail;
    mail.port = server.port();
    mail.from = from;
    mail.to = to;
    mail.subject = subject;
    mail.body = body;
    std::string errorText;
    const QDateTime before = QDateTime::currentDateTime();
    QCOMPARE(send(mail, errorText), 0);
    QCOMPARE(QString::fromStdString(errorText), QString());

    const QList<SmtpServer::Message> messages = server.messages();
    QCOMPARE(messages.size(), 1);
    const SmtpServer::Message& message = messages.first();
    QCOMPARE(message.defects, QStringList());
    QCOMPARE(message.mailFrom, QString::fromUtf8(from));
    QCOMPARE(message.rcptTo, QStringList{QString::fromUtf8(to)});
    QCOMPARE(message.headers.value("from"), QString::fromUtf8(from));
    QCOMPARE(message.headers.value("to"), QString::fromUtf8(to));
    QCOMPARE(message.subject, QString::fromUtf8(subject));
    QCOMPARE(message.body, QString::fromUtf8(expectedBody));
    QCOMPARE(message.headers.value("mime-version"), QStringLiteral("1.0"));
    QVERIFY(message.raw.contains("\r\nContent-Type: text/plain; charset=UTF-8\r\n"));
    QVERIFY(QRegularExpression(
                "^<[^<>@\\s]+@" +
                QRegularExpression::escape(QString::fromUtf8(from.mid(from.indexOf('@') + 1))) +
                ">$")
                .match(message.headers.value("message-id"))
                .hasMatch());
    QVERIFY2(message.date.isValid() && qAbs(message.date.secsTo(before)) <= 60,
             qPrintable(message.headers.value("date")));

    // The raw form: CR LF everywhere, short lines, English date in local time.
    const QList<QByteArray> lines = message.raw.split('\n');
    QCOMPARE(lines.last(), QByteArray());
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, line.constData());
        QVERIFY2(line.size() - 1 < 78, line.constData());
        QVERIFY2(!line.startsWith('.'), line.constData());
    }
    const QRegularExpression dateLine("^Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                                      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                                      "\\d\\d:\\d\\d:\\d\\d ([+-]\\d{4})\r$");
    const QRegularExpressionMatch date = dateLine.match(QString::fromLatin1(lines.first()));
    QVERIFY2(date.hasMatch(), lines.first().constData());
    QCOMPARE(date.captured(3), utcOffsetText(before));
}

void TestLibMailer::transportSecurity_data()
{
    using Security = SmtpServer::Security;
    QTest::addColumn<Security>("security");
    QTest::addColumn<bool>("serverAuth");    // server offers AUTH and knows kUser/kPassword
    QTest::addColumn<bool>("authBeforeTls"); // ... even without TLS
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("port465"); // client uses 465, which the door sends on
    QTest::addColumn<bool>("trustCa");
    QTest::addColumn<bool>("useAuth");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<MailStatus>("status");
    QTest::addColumn<bool>("tls"); // of the delivered message
    QTest::addColumn<QString>("errorMentions");

    const QString other = QStringLiteral("other.quorvane.test");
    QTest::newRow("no TLS offered, no auth")
        << Security::None << false << false << kLoopback << false << false << false << QByteArray()
        << MailStatus::Ok << false << QString();
    QTest::newRow("STARTTLS used when offered")
        << Security::StartTls << false << false << kLoopback << false << true << false
        << QByteArray() << MailStatus::Ok << true << QString();
    QTest::newRow("STARTTLS, certificate not trusted")
        << Security::StartTls << false << false << kLoopback << false << false << false
        << QByteArray() << MailStatus::TlsFailed << false << QString();
    QTest::newRow("STARTTLS, certificate for another name")
        << Security::StartTls << false << false << other << false << true << false << QByteArray()
        << MailStatus::TlsFailed << false << QString();
    QTest::newRow("AUTH PLAIN over STARTTLS, non-ASCII password")
        << Security::StartTls << true << false << kRemoteName << false << true << true << kPassword
        << MailStatus::Ok << true << QString();
    QTest::newRow("wrong password")
        << Security::StartTls << true << false << kRemoteName << false << true << true
        << QByteArray("pässwörd-日本x") << MailStatus::AuthFailed << false << "535";
    QTest::newRow("auth on, remote server without STARTTLS")
        << Security::None << true << true << kRemoteName << false << false << true << kPassword
        << MailStatus::TlsFailed << false << "STARTTLS is required";
    QTest::newRow("auth on, loopback server without STARTTLS")
        << Security::None << true << true << kLoopback << false << false << true << kPassword
        << MailStatus::Ok << false << QString();
    QTest::newRow("auth on, localhost without STARTTLS")
        << Security::None << true << true << QString("localhost") << false << false << true
        << kPassword << MailStatus::Ok << false << QString();
    QTest::newRow("auth on, server offers no AUTH")
        << Security::StartTls << false << false << kRemoteName << false << true << true << kPassword
        << MailStatus::AuthFailed << false << QString();
    QTest::newRow("auth off, credentials ignored")
        << Security::StartTls << true << false << kRemoteName << false << true << false << kPassword
        << MailStatus::Ok << true << QString();
    QTest::newRow("implicit TLS on 465")
        << Security::ImplicitTls << false << false << kRemoteName << true << true << false
        << QByteArray() << MailStatus::Ok << true << QString();
    QTest::newRow("implicit TLS on 465 with AUTH")
        << Security::ImplicitTls << true << false << kRemoteName << true << true << true
        << kPassword << MailStatus::Ok << true << QString();
    QTest::newRow("implicit TLS, certificate not trusted")
        << Security::ImplicitTls << false << false << kRemoteName << true << false << false
        << QByteArray() << MailStatus::TlsFailed << false << QString();
}

void TestLibMailer::transportSecurity()
{
    QFETCH(SmtpServer::Security, security);
    QFETCH(bool, serverAuth);
    QFETCH(bool, authBeforeTls);
    QFETCH(QString, host);
    QFETCH(bool, port465);
    QFETCH(bool, trustCa);
    QFETCH(bool, useAuth);
    QFETCH(QByteArray, password);
    QFETCH(MailStatus, status);
    QFETCH(bool, tls);
    QFETCH(QString, errorMentions);

    SmtpServer::Options options;
    options.security = security;
    options.certificateFile = m_certificate->certificateFile();
    options.keyFile = m_certificate->keyFile();
    if (serverAuth) {
        options.user = kUser;
        options.password = kPassword;
    }
    options.authBeforeTls = authBeforeTls;
    SmtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));

    Mail mail;
    mail.server = host;
    mail.port = port465 ? 465 : server.port();
    mail.useAuth = useAuth;
    mail.user = kUser;
    mail.password = password;
    mailer::TransferSettings settings;
    if (trustCa)
        settings.caFile = m_certificate->certificateFile().toStdString();
    if (host != kLoopback)
        settings.connectTo.push_back(QStringLiteral("%1:%2:127.0.0.1:%3")
                                         .arg(host)
                                         .arg(mail.port)
                                         .arg(server.port())
                                         .toStdString());
    const DoorSettings door(settings);

    std::string errorText;
    StderrCapture stderrCapture;
    const int result = send(mail, errorText);
    const QByteArray stderrText = stderrCapture.text();

    const QString error = QString::fromStdString(errorText);
    QVERIFY2(result == int(status), qPrintable(QString::number(result) + " " + error));
    QCOMPARE(error.isEmpty(), status == MailStatus::Ok);
    QVERIFY2(!error.contains('\n') && !error.contains('\r'), qPrintable(error));
    QVERIFY2(!error.contains(QString::fromUtf8(password)) || password.isEmpty(), qPrintable(error));
    QVERIFY2(error.contains(errorMentions), qPrintable(error));
    QCOMPARE(stderrText, QByteArray());

    const QList<SmtpServer::Message> messages = server.messages();
    if (status != MailStatus::Ok) {
        QCOMPARE(messages.size(), 0);
        return;
    }
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().tls, tls);
    QCOMPARE(messages.first().authUser, useAuth ? QString::fromUtf8(kUser) : QString());
}

void TestLibMailer::refusedRecipientGivesServerReply()
{
    SmtpServer::Options options;
    options.rejectRecipient = QString::fromUtf8(kTo);
    SmtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    Mail mail;
    mail.port = server.port();
    std::string errorText;
    QCOMPARE(send(mail, errorText), int(MailStatus::Refused));
    const QString error = QString::fromStdString(errorText);
    QVERIFY2(error.contains("550 5.1.1 <developer@example.org>: Recipient address rejected"),
             qPrintable(error));
    QCOMPARE(server.messages().size(), 0);
}

// The bounds are shortened to 800 ms one at a time; the other keeps its default.
void TestLibMailer::silentServerEndsWithinBound_data()
{
    QTest::addColumn<bool>("shortenConnect");
    QTest::newRow("greeting waits count against the connect bound") << true;
    QTest::newRow("whole exchange bound") << false;
}

void TestLibMailer::silentServerEndsWithinBound()
{
    QFETCH(bool, shortenConnect);
    SmtpServer::Options options;
    options.silent = true;
    SmtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    mailer::TransferSettings settings;
    (shortenConnect ? settings.connectTimeout : settings.totalTimeout) =
        std::chrono::milliseconds(800);
    const DoorSettings door(settings);

    Mail mail;
    mail.port = server.port();
    std::string errorText;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(send(mail, errorText), int(MailStatus::TimedOut));
    QVERIFY2(timer.elapsed() >= 700 && timer.elapsed() < 3000,
             qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!errorText.empty());
}

void TestLibMailer::closedPortIsConnectionFailure()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    Mail mail;
    mail.port = probe.serverPort();
    probe.close();
    std::string errorText;
    QCOMPARE(send(mail, errorText), int(MailStatus::ConnectionFailed));
    QVERIFY(!errorText.empty());
}

void TestLibMailer::rejectsBadInputWithoutConnecting_data()
{
    QTest::addColumn<Mail>("mail"); // port 0 stands for the listener's port

    // Each row breaks one thing in an otherwise good mail.
    const auto row = [](const char* name, const std::function<void(Mail&)>& breakIt) {
        Mail mail;
        breakIt(mail);
        QTest::newRow(name) << mail;
    };
    row("empty server", [](Mail& m) { m.server.clear(); });
    row("server with a path", [](Mail& m) { m.server = "127.0.0.1/x"; });
    row("server with user info", [](Mail& m) { m.server = "u@127.0.0.1"; });
    row("server with CR LF", [](Mail& m) { m.server = "127.0.0.1\r\n"; });
    row("port above 65535", [](Mail& m) { m.port = 65536; });
    row("negative port", [](Mail& m) { m.port = -25; });
    row("CR LF in recipient", [](Mail& m) { m.to = "a@b.test\r\nRCPT TO:<evil@b.test>"; });
    row("LF in sender", [](Mail& m) { m.from = "a@b.test\nDATA"; });
    row("angle bracket in sender", [](Mail& m) { m.from = "a@b.test> SIZE=1"; });
    row("display name", [](Mail& m) { m.to = "Dev <dev@b.test>"; });
    row("two recipients", [](Mail& m) { m.to = "a@b.test,c@d.test"; });
    row("no at sign", [](Mail& m) { m.to = "developer"; });
    row("two at signs", [](Mail& m) { m.to = "a@b@c.test"; });
    row("empty local part", [](Mail& m) { m.to = "@b.test"; });
    row("empty domain", [](Mail& m) { m.to = "a@"; });
    row("double dot", [](Mail& m) { m.to = "a..b@c.test"; });
    row("domain label ending in a hyphen", [](Mail& m) { m.to = "a@b-.test"; });
    row("space in address", [](Mail& m) { m.from = "a b@c.test"; });
    row("non-ASCII address", [](Mail& m) { m.to = "開発@b.test"; });
    row("CR LF in subject", [](Mail& m) { m.subject = "Hi\r\nBcc: evil@b.test"; });
    row("LF in subject", [](Mail& m) { m.subject = "Hi\nthere"; });
    row("tab in subject", [](Mail& m) { m.subject = "Hi\tthere"; });
    row("NUL in subject", [](Mail& m) { m.subject = QByteArray("Hi\0x", 4); });
    row("DEL in subject", [](Mail& m) { m.subject = "Hi\x7f"; });
    row("C1 NEL in subject", [](Mail& m) { m.subject = "Hi\xc2\x85"; });
    row("invalid UTF-8 in subject", [](Mail& m) { m.subject = "\xff"; });
    row("overlong UTF-8 in body", [](Mail& m) { m.body = "\xc0\xaf"; });
    row("surrogate in body", [](Mail& m) { m.body = "\xed\xa0\x80"; });
    row("truncated character in body", [](Mail& m) { m.body = "ab\xe3\x81"; });
    row("auth without user", [](Mail& m) {
        m.useAuth = true;
        m.password = kPassword;
    });
}

void TestLibMailer::rejectsBadInputWithoutConnecting()
{
    QFETCH(Mail, mail);

    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    if (mail.port == 0)
        mail.port = listener.serverPort();
    std::string errorText;
    QCOMPARE(send(mail, errorText), int(MailStatus::InvalidInput));
    const QString error = QString::fromStdString(errorText);
    QVERIFY(!error.isEmpty() && !error.contains('\n') && !error.contains('\r'));
    // A connection made during the call would wait in the listen queue by now.
    QVERIFY2(!listener.waitForNewConnection(20), "a connection was made");
}

QTEST_GUILESS_MAIN(TestLibMailer)
#include "tst_libmailer.moc"
