// The mail and the handler run against a libSendMail defined here, in place of the mail library's;
// each command line runs in a process of its own, this test as a probe of checkSendMail.
#include "apputil.h"
#include "libmailer.h"
#include "modalboxdriver.h"
#include "smtpserver.h"
#include "tempdocuments.h"
#include "utility.h"
#include "xvfbserver.h"

#include <QScreen>
#include <QtTest>

Q_DECLARE_METATYPE(ErrorMailSetting)

namespace
{
const QString General = QStringLiteral("Sorvel Quorvane for Unity execution error");
const ErrorMailSetting Complete{true, "m.test", 2525, "u@x.jp", "d@x.jp", false, "ユーザー", "pä"};
QList<QStringList> mails; // what each call of libSendMail was given

// libSendMail's arguments but the error text.
QStringList mail(const ErrorMailSetting& m, const QString& subject, const QString& body)
{
    return QStringList() << m.ErrorMailServer << QString::number(m.ErrorMailPort) << m.ErrorMailFrom
                         << m.ErrorMailTo << subject << body << QString::number(m.ErrorMailAuthUse)
                         << m.ErrorMailAuthName << m.ErrorMailAuthPass;
}

int send(const QString& code, const ErrorMailSetting& m = Complete)
{
    return AppUtil::MirrelSendErrorMail(
        code.toStdString(), m.ErrorMailServer.toStdString(), m.ErrorMailPort,
        m.ErrorMailFrom.toStdString(), m.ErrorMailTo.toStdString(), m.ErrorMailAuthUse,
        m.ErrorMailAuthName.toStdString(), m.ErrorMailAuthPass.toStdString());
}

} // namespace

// Records the call and fails, so that the tests see the result passed back.
int libSendMail(const std::string& server, int port, const std::string& from, const std::string& to,
                const std::string& subject, const std::string& body, std::string&, bool useAuth,
                const std::string& user, const std::string& password)
{
    const auto q = &QString::fromStdString;
    mails.append(mail({true, q(server), port, q(from), q(to), useAuth, q(user), q(password)},
                      q(subject), q(body)));
    return -2;
}

class TestErrorNotify : public QObject
{
    Q_OBJECT
    TempDocuments m_documents;

private slots:
    void init() { mails.clear(); }

    void sendsMail_data()
    {
        QTest::addColumn<ErrorMailSetting>("m");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("reading"); // atoi's, which picks the mail; empty: none is sent
        QTest::addColumn<QString>("reason");  // behind the general subject; empty: none
        QTest::addColumn<QString>("advice");  // how the line between subject and code begins
        const auto row = [](auto name, const ErrorMailSetting& m, auto code, auto reading,
                            QString reason = {}, QString advice = {}) {
            QTest::newRow(name) << m << code << reading << reason << advice;
        };
        row("port 0", {true, "s", 0, "f", "t", false, "u", "p"}, "1", "");
        row("no server", {true, "", 25, "f", "t", false, "u", "p"}, "1", "");
        row("no sender", {true, "s", 25, "", "t", false, "u", "p"}, "1", "");
        row("no recipient", {true, "s", 25, "f", "", false, "u", "p"}, "1", "");
        row("auth off, credentials passed", {true, "s", -1, "f", "t", false, "ü", "p"}, "12", "12");
        row("auth on, empty credentials", {true, "s", 65535, "f", "t", true, "", ""}, "0", "0");
        row("minus sign", Complete, "-3", "0");
        row("1", Complete, "1", "1", "settings unreadable", "settings.xml could not be read.");
        row("2", Complete, "2", "2", "Unity's original tool missing", "PVRTexTool_org is missing");
        row("3, blanks and a tail", Complete, "  3x", "3", "texture conversion failed",
            "The Quorvane converter failed");
        row("4", Complete, "4", "4", "out of memory", "There was not enough memory");
        row("5, plus sign", Complete, "+5", "5", "image larger than the target size",
            "A texture larger than the chosen target size");
        row("6", Complete, "6", "6", "Unity's original tool failed", "PVRTexTool_org ended");
        row("7", Complete, "7", "7", "image unreadable", "The image handed over by Unity");
        row("8", Complete, "8", "8", "output not written", "The converted texture could not");
    }
    // The code's reading selects the mail; the code stands whole at the end of the body.
    void sendsMail()
    {
        QFETCH(ErrorMailSetting, m);
        QFETCH(QString, code);
        QFETCH(QString, reading);
        QFETCH(QString, reason);
        QFETCH(QString, advice);
        QCOMPARE(send(code, m), reading.isEmpty() ? 0 : -2);
        if (reading.isEmpty())
            return;
        send(reading, m);
        const QString subject = mails[1][4], body = mails[1][5];
        QCOMPARE(mails[0], mail(m, subject, body.chopped(reading.size()) + code));
        QCOMPARE(subject, reason.isEmpty() ? General : General + ": " + reason);
        const QStringList lines = body.split("\r\n");
        QCOMPARE(lines.size(), reason.isEmpty() ? 2 : 3);
        QCOMPARE(lines.first() + '|' + lines.last(), subject + "|Error code : " + reading);
        QVERIFY2(reason.isEmpty() || lines[1].startsWith(advice), qPrintable(lines[1]));
    }

    void notifies_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("mailOn");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::addColumn<QString>("text");
        // Keys without "ErrorNotify" in front and "Heading" or "Detail" behind; no detail: no row.
        // `shown`: the code in the suffix when it isn't the code itself.
        const auto row = [](const QString& code, bool mailOn, QMessageBox::Icon icon,
                            QString heading, QString detail = {}, bool suffix = true,
                            const QString& shown = {}) {
            heading = AppUtil::IDS("ErrorNotify" + heading + "Heading") + "\n\n";
            detail = detail.isEmpty() ? "" : AppUtil::IDS("ErrorNotify" + detail + "Detail");
            detail += suffix ? "\n(Error code: " + (shown.isNull() ? code : shown) + ')' : "";
            const QString name =
                code.size() > 8 ? QString("%1 digits").arg(code.size()) : '"' + code + '"';
            QTest::addRow("%s", qPrintable(name)) << code << mailOn << icon << heading + detail;
        };
        const QMessageBox::Icon warning = QMessageBox::Warning, critical = QMessageBox::Critical;
        row("1", true, warning, "Settings", "Settings");
        row("2", false, critical, "OriginalMissing", "OriginalMissing");
        row(" 3", true, critical, "", "ConvertFailed");
        row("4", false, critical, "OutOfMemory", "OutOfMemory");
        row("5", true, warning, "TooLarge", "TooLarge", false);
        row("6", false, critical, "OriginalFailed", "OriginalFailed");
        row("7", true, warning, "ImageUnreadable", "ImageUnreadable");
        row("8", true, critical, "Output", "Output");
        row("abc", true, critical, "");
        row("", true, critical, "");
        row("12:34", false, critical, "");
        // Far longer than any the converter sends: cut in the box, whole in the mail.
        const QString digits = QString("1234567890").repeated(30);
        row(digits.left(32), true, critical, "");
        row(digits.left(33), true, critical, "", {}, true, digits.left(32) + "…");
        row(digits, true, critical, "", {}, true, digits.left(32) + "…");
    }
    // The mail, when on, goes with the saved settings and the code as received before the box,
    // which stays within the screen.
    void notifies()
    {
        QFETCH(QString, code);
        QFETCH(bool, mailOn);
        QFETCH(QMessageBox::Icon, icon);
        QFETCH(QString, text);
        Setting setting;
        (setting.ErrorMail = Complete).ErrorMailUse = mailOn;
        QVERIFY(AppUtil::saveSetting(setting));
        ModalBoxDriver driver;
        int mailsWhenShown = -1, width = 0;
        driver.answerWith([&](QWidget* box) {
            mailsWhenShown = mails.size(), width = box->frameGeometry().width(), box->close();
        });

        AppUtil::MirrelNotifyError(nullptr, code);

        QCOMPARE(mailsWhenShown, int(mailOn));
        QCOMPARE(mails.size(), int(mailOn));
        send(code);
        QCOMPARE(mails.first(), mails.last());
        QCOMPARE(driver.seen().size(), 1);
        const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
        QVERIFY2(width <= screenWidth, qPrintable(QString("%1 > %2").arg(width).arg(screenWidth)));
        const SeenBox box = driver.seen().first();
        QCOMPARE(box.title + ": " + box.text, "Sorvel Quorvane for Unity: " + text);
        QCOMPARE(box.icon, icon);
        QVERIFY(!box.text.contains("(nullptr)"));
        const QRegularExpression japanese("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]");
        QCOMPARE(box.text.contains(japanese), Utility::GetProcessLanguage() == "ja");
    }

    void missingKeysShowPlaceholder()
    {
        // A table that already holds an entry is never loaded, so every key is missing.
        const auto loaded = std::exchange(AppUtil::stringTable, {{"OnlyKey", "text"}});
        ModalBoxDriver driver;
        driver.answer(QMessageBox::Ok);
        AppUtil::MirrelNotifyError(nullptr, "3");
        AppUtil::stringTable = loaded;
        QCOMPARE(driver.seen().value(0).text, QString("(nullptr)\n\n(nullptr)\n(Error code: 3)"));
    }

    void recognisesCommandLine_data()
    {
        QTest::addColumn<QStringList>("commandLine"); // the program path first
        QTest::addColumn<QString>("report");
        const auto row = [](const char* name, const QStringList& commandLine, const char* report) {
            QTest::newRow(name) << commandLine << QString(report);
        };
        const QString mail = "/SendMail";
        row("among others", {"", "x", "/ErrorCode:4", "/y", mail}, "1 0 1 (Error code: 4)");
        row("longer switch", {"", "/SendMails", "/ErrorCode:3"}, "0 1 0");
        row("no colon", {"", mail, "/ErrorCode3"}, "0 1 0");
        row("empty code", {"", mail, "/ErrorCode:"}, "1 0 1 (Error code: )");
        row("cut at a colon", {"", mail, "/ErrorCode:12:34"}, "1 0 1 (Error code: 12)");
        row("later code wins", {"", mail, "/ErrorCode:1", "/ErrorCode:2"}, "1 0 1 (Error code: 2)");
        row("program path not read", {mail, "/ErrorCode:3"}, "0 1 0");
    }
    void recognisesCommandLine()
    {
        QFETCH(QStringList, commandLine);
        QFETCH(QString, report);
        const QString run = "QUORVANE_SENDMAIL_PROBE=1 exec -a \"$0\" \"$@\"";
        QProcess probe;
        commandLine.insert(1, QCoreApplication::applicationFilePath());
        probe.start("/bin/bash", QStringList{"-c", run} + commandLine);
        QVERIFY2(probe.waitForFinished(20000), "the probe still runs after 20 s");
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), report);
    }

    // As the converter starts it: the mail arrives, the box shows and Return closes it.
    void executableNotifies()
    {
#ifndef __linux__
        QSKIP("A display of its own takes Xvfb and Qt's xcb platform, as on Linux");
#endif
        SmtpServer server;
        Setting setting;
        setting.ErrorMail = {true, "127.0.0.1", server.port(), "a@x.jp", "b@x.jp", false, "", ""};
        QVERIFY(AppUtil::saveSetting(setting));
        XvfbServer display;
        QVERIFY(display.start());
        QProcess quorvane;
        quorvane.setProcessEnvironment(display.environment());
        quorvane.start(QUORVANE_EXECUTABLE, {"/SendMail", "/ErrorCode:3"});
        bool found = false;
        const QByteArray box = display.runClient(
            "xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Sorvel"}, &found);
        QVERIFY2(found, "no notification box");
        display.runClient("xdotool", {"windowfocus", box.left(box.indexOf('\n')), "key", "Return"});
        QVERIFY2(quorvane.waitForFinished(20000), "no box that Return closes");
        QCOMPARE(quorvane.exitCode(), 0);
        QCOMPARE(server.messages().size(), 1);
        QVERIFY(server.messages()[0].body.trimmed().endsWith("Error code : 3"));
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    TestErrorNotify test; // the probe, too, keeps to a Documents folder of its own
    if (!qEnvironmentVariableIsSet("QUORVANE_SENDMAIL_PROBE"))
        return QTest::qExec(&test, argc, argv);
    // The probe reports "<notified> <exit code> <boxes> <last line of the box>".
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    int exitCode = 7;
    const bool notified = AppUtil::checkSendMail(nullptr, exitCode);
    QTextStream(stdout) << int(notified) << ' ' << exitCode << ' ' << driver.seen().size() << ' '
                        << driver.seen().value(0).text.section('\n', -1);
}
#include "tst_errornotify.moc"
