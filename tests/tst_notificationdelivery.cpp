// Notification mail through the real mail library to a real SMTP server on 127.0.0.1: the mail
// function, the handler, the dialog's test mail, and the executable started as the converter
// starts it, under an X server of its own.
#include "apputil.h"
#include "errronotifysettingdialog.h"
#include "modalboxdriver.h"
#include "smtpserver.h"
#include "tempdocuments.h"
#include "xvfbserver.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace
{
const QString Title = QStringLiteral("Sorvel Quorvane for Unity");
const QString Executable = QStringLiteral(QUORVANE_EXECUTABLE);
const int Patience = 20000;

QString normalisedBody(const SmtpServer::Message& message)
{
    QString body = message.body;
    return body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// Notification settings that point at `server`.
ErrorMailSetting mailTo(const SmtpServer& server)
{
    ErrorMailSetting mail;
    mail.ErrorMailUse = true;
    mail.ErrorMailServer = QStringLiteral("127.0.0.1");
    mail.ErrorMailPort = server.port();
    mail.ErrorMailFrom = QStringLiteral("unity@example.com");
    mail.ErrorMailTo = QStringLiteral("developer@example.com");
    return mail;
}

QStringList visibleWindows(const XvfbServer& display, const QString& title)
{
    const QByteArray ids =
        display.runClient(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
    return QString::fromLatin1(ids).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString waitForWindow(const XvfbServer& display, const QString& title)
{
    const QDeadlineTimer deadline(Patience);
    while (!deadline.hasExpired()) {
        const QStringList windows = visibleWindows(display, title);
        if (!windows.isEmpty())
            return windows.front();
        QTest::qWait(100);
    }
    return QString();
}
} // namespace

class TestNotificationDelivery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mailFunctionDelivers_data();
    void mailFunctionDelivers();
    void dialogTestMailUsesSavedSettings();
    void executableNotifiesAsConverterStartsIt();
    void executableEndsWithOneOnFileSystemError();

private:
    QScopedPointer<TempDocuments> m_documents;
    QScopedPointer<ModalBoxDriver> m_driver;
};

void TestNotificationDelivery::init()
{
    m_documents.reset(new TempDocuments);
    QVERIFY(m_documents->isValid());
    m_driver.reset(new ModalBoxDriver);
}

void TestNotificationDelivery::cleanup()
{
    QVERIFY(m_driver->unexpectedBoxes().isEmpty());
    m_driver.reset();
    m_documents.reset();
}

void TestNotificationDelivery::mailFunctionDelivers_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("subject"); // empty: not the general subject
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("test code") << "1234"
                               << "Sorvel Quorvane for Unity execution error"
                               << "Error code : 1234";
    QTest::newRow("converter failure") << "3"
                                       << ""
                                       << "Error code : 3";
}

void TestNotificationDelivery::mailFunctionDelivers()
{
    QFETCH(QString, code);
    QFETCH(QString, subject);
    QFETCH(QString, lastLine);
    SmtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));

    const int result = AppUtil::MirrelSendErrorMail(code.toStdString(), "127.0.0.1", server.port(),
                                                    "unity@example.com", "dev@example.com", false,
                                                    "unused", "unused");

    QCOMPARE(result, 0);
    QCOMPARE(server.messages().size(), 1);
    const SmtpServer::Message message = server.messages().front();
    QVERIFY2(message.defects.isEmpty(), qPrintable(message.defects.join(", ")));
    QCOMPARE(message.mailFrom, QStringLiteral("unity@example.com"));
    QCOMPARE(message.rcptTo, QStringList{"dev@example.com"});
    if (subject.isEmpty())
        QVERIFY(message.subject.startsWith("Sorvel Quorvane for Unity execution error: "));
    else
        QCOMPARE(message.subject, subject);
    const QStringList lines = normalisedBody(message).split(QLatin1Char('\n'));
    QCOMPARE(lines.front(), message.subject);
    QCOMPARE(lines.back(), lastLine);
}

void TestNotificationDelivery::dialogTestMailUsesSavedSettings()
{
    SmtpServer::Options options;
    options.user = "ユーザー";
    options.password = "pässwörd";
    options.authBeforeTls = true; // the loopback server may take credentials without TLS
    SmtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));

    ErrroNotifySettingDialog dialog;
    dialog.findChild<QCheckBox*>("checkBox")->setChecked(true);
    dialog.findChild<QLineEdit*>("lineEdit")->setText("127.0.0.1");
    dialog.findChild<QLineEdit*>("lineEdit_2")->setText(QString::number(server.port()));
    dialog.findChild<QLineEdit*>("lineEdit_3")->setText("unity@example.com");
    dialog.findChild<QLineEdit*>("lineEdit_4")->setText("tester@example.com");
    dialog.findChild<QCheckBox*>("checkBox_2")->setChecked(true);
    dialog.findChild<QLineEdit*>("lineEdit_5")->setText(QStringLiteral("ユーザー"));
    dialog.findChild<QLineEdit*>("lineEdit_6")->setText(QStringLiteral("pässwörd"));
    dialog.show();
    m_driver->answer(QMessageBox::Yes);

    QTest::mouseClick(dialog.findChild<QPushButton*>("pushButton_2"), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(server.messages().size(), 1);
    const SmtpServer::Message message = server.messages().front();
    QCOMPARE(message.authUser, QStringLiteral("ユーザー"));
    QCOMPARE(message.rcptTo, QStringList{"tester@example.com"});
    QCOMPARE(message.subject, QStringLiteral("Sorvel Quorvane for Unity execution error"));
    QCOMPARE(normalisedBody(message), QStringLiteral("Sorvel Quorvane for Unity execution error\n"
                                                     "Error code : 1234"));
    // What went out is what the handler will use later.
    const ErrorMailSetting saved = AppUtil::loadSetting().ErrorMail;
    QCOMPARE(saved.ErrorMailPort, int(server.port()));
    QCOMPARE(saved.ErrorMailAuthName, QStringLiteral("ユーザー"));
    QCOMPARE(saved.ErrorMailAuthPass, QStringLiteral("pässwörd"));
}

void TestNotificationDelivery::executableNotifiesAsConverterStartsIt()
{
    SmtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    Setting setting;
    setting.ErrorMail = mailTo(server);
    QVERIFY(AppUtil::saveSetting(setting));
    XvfbServer display;
    QVERIFY(display.start());

    QProcess quorvane;
    quorvane.setProcessEnvironment(display.environment());
    quorvane.start(Executable, {QStringLiteral("/SendMail"), QStringLiteral("/ErrorCode:3")});
    QVERIFY(quorvane.waitForStarted());
    const QString box = waitForWindow(display, Title);
    QVERIFY2(!box.isEmpty(), "no notification box");
    QCOMPARE(quorvane.state(), QProcess::Running);
    // The mail has gone before the box shows.
    QCOMPARE(server.messages().size(), 1);
    QVERIFY(server.messages().front().subject.startsWith(
        "Sorvel Quorvane for Unity execution error: "));
    QVERIFY(normalisedBody(server.messages().front()).endsWith("\nError code : 3"));

    bool focused = false;
    bool typed = false;
    display.runClient(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), box}, &focused);
    display.runClient(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")},
                      &typed);
    QVERIFY(focused && typed);

    QVERIFY2(quorvane.waitForFinished(Patience), "Return did not close the box");
    QCOMPARE(quorvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvane.exitCode(), 0);
    QCOMPARE(server.messages().size(), 1);
}

void TestNotificationDelivery::executableEndsWithOneOnFileSystemError()
{
    // The settings folder can't be made inside a Documents that is a file: loading the
    // settings throws, even for root.
    QVERIFY(QDir(m_documents->documents()).removeRecursively());
    QFile documents(m_documents->documents());
    QVERIFY(documents.open(QIODevice::WriteOnly));
    documents.close();

    QProcess quorvane;
    quorvane.start(Executable, {QStringLiteral("/ErrorCode:3"), QStringLiteral("/SendMail")});

    // A box would wait for an answer here: the process must end on its own.
    QVERIFY(quorvane.waitForFinished(Patience));
    QCOMPARE(quorvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvane.exitCode(), 1);
}

QTEST_MAIN(TestNotificationDelivery)
#include "tst_notificationdelivery.moc"
