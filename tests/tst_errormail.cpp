#include "apputil.h"
#include "recordingmailer.h"

#include <QtTest>

namespace
{
const std::string GeneralSubject = "Sorvel Quorvane for Unity execution error";

int send(const std::string& code, const std::string& server = "smtp.example.com", int port = 25,
         const std::string& from = "unity@example.com", const std::string& to = "dev@example.com",
         bool useAuth = false, const std::string& user = "", const std::string& password = "")
{
    return AppUtil::MirrelSendErrorMail(code, server, port, from, to, useAuth, user, password);
}
} // namespace

class TestErrorMail : public QObject
{
    Q_OBJECT

private slots:
    void init() { MailRecorder::reset(); }

    void guardStopsIncompleteSettings_data();
    void guardStopsIncompleteSettings();
    void passesSettingsUnchanged_data();
    void passesSettingsUnchanged();
    void composesMailForCode_data();
    void composesMailForCode();
    void testCodeGivesAnnouncedMail();
};

void TestErrorMail::guardStopsIncompleteSettings_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");

    QTest::newRow("port 0") << "smtp.example.com" << 0 << "a@example.com"
                            << "b@example.com";
    QTest::newRow("no server") << "" << 25 << "a@example.com"
                               << "b@example.com";
    QTest::newRow("no sender") << "smtp.example.com" << 25 << ""
                               << "b@example.com";
    QTest::newRow("no recipient") << "smtp.example.com" << 25 << "a@example.com"
                                  << "";
}

void TestErrorMail::guardStopsIncompleteSettings()
{
    QFETCH(QString, server);
    QFETCH(int, port);
    QFETCH(QString, from);
    QFETCH(QString, to);
    MailRecorder::reset(7);

    QCOMPARE(send("3", server.toStdString(), port, from.toStdString(), to.toStdString()), 0);
    QCOMPARE(MailRecorder::calls().size(), std::size_t(0));
}

void TestErrorMail::passesSettingsUnchanged_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("useAuth");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("libraryResult");

    QTest::newRow("auth on, empty credentials") << 587 << true << ""
                                                << "" << 0;
    QTest::newRow("auth off, credentials still passed") << 25 << false << "me"
                                                        << "p@ss" << 0;
    QTest::newRow("negative port reaches the library") << -1 << false << ""
                                                       << "" << 5;
    QTest::newRow("non-ASCII password, failure passed back") << 465 << true << "ユーザー"
                                                             << "パスワード" << -2;
}

void TestErrorMail::passesSettingsUnchanged()
{
    QFETCH(int, port);
    QFETCH(bool, useAuth);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, libraryResult);
    MailRecorder::reset(libraryResult);

    const int result = send("1234", "mail.example.org", port, "from@example.org", "to@example.org",
                            useAuth, user.toStdString(), password.toStdString());

    QCOMPARE(result, libraryResult);
    QCOMPARE(MailRecorder::calls().size(), std::size_t(1));
    const RecordedMail& mail = MailRecorder::calls().front();
    QCOMPARE(mail.server, std::string("mail.example.org"));
    QCOMPARE(mail.port, port);
    QCOMPARE(mail.from, std::string("from@example.org"));
    QCOMPARE(mail.to, std::string("to@example.org"));
    QVERIFY(mail.errorTextEmptyOnEntry);
    QCOMPARE(mail.useAuth, useAuth);
    QCOMPARE(mail.user, user.toStdString());
    QCOMPARE(mail.password, password.toStdString());
}

void TestErrorMail::composesMailForCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("ownMail");

    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("unknown code") << "99" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("beyond int") << "99999999999999999999" << false;
    QTest::newRow("value before a colon") << "12:34" << false;
    QTest::newRow("known code") << "3" << true;
    QTest::newRow("blanks and trailing letters") << "  3x" << true;
    QTest::newRow("plus sign") << "+5" << true;
    QTest::newRow("minus sign") << "-3" << false;
    QTest::newRow("hex prefix is no number") << "0x3" << false;
    QTest::newRow("leading zero is decimal") << "010" << false;
}

void TestErrorMail::composesMailForCode()
{
    QFETCH(QString, code);
    QFETCH(bool, ownMail);

    send(code.toStdString());

    QCOMPARE(MailRecorder::calls().size(), std::size_t(1));
    const RecordedMail& mail = MailRecorder::calls().front();
    QCOMPARE(mail.subject.compare(0, GeneralSubject.size(), GeneralSubject), 0);
    QCOMPARE(mail.subject != GeneralSubject, ownMail);
    QVERIFY(mail.subject.find_first_of("\r\n") == std::string::npos);
    // The first line repeats the subject; the code text stands whole at the end.
    QCOMPARE(mail.body.compare(0, mail.subject.size() + 2, mail.subject + "\r\n"), 0);
    const std::string tail = "\r\nError code : " + code.toStdString();
    QVERIFY(mail.body.size() >= tail.size());
    QCOMPARE(mail.body.substr(mail.body.size() - tail.size()), tail);
    for (std::size_t i = 0; i < mail.body.size(); ++i)
        if (mail.body[i] == '\n')
            QVERIFY2(i > 0 && mail.body[i - 1] == '\r', "bare LF in the body");
}

void TestErrorMail::testCodeGivesAnnouncedMail()
{
    send("1234");

    QCOMPARE(MailRecorder::calls().size(), std::size_t(1));
    QCOMPARE(MailRecorder::calls().front().subject, GeneralSubject);
    QCOMPARE(MailRecorder::calls().front().body, GeneralSubject + "\r\nError code : 1234");
}

QTEST_GUILESS_MAIN(TestErrorMail)
#include "tst_errormail.moc"
