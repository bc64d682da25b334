#include "apputil.h"
#include "convertererror.h"
#include "modalboxdriver.h"
#include "recordingmailer.h"
#include "tempdocuments.h"
#include "utility.h"

#include <QPushButton>
#include <QtTest>

namespace
{
const QString Title = QStringLiteral("Sorvel Quorvane for Unity");

ErrorMailSetting mailSettings(bool use, const QString& server)
{
    ErrorMailSetting mail;
    mail.ErrorMailUse = use;
    mail.ErrorMailServer = server;
    mail.ErrorMailPort = 2525;
    mail.ErrorMailFrom = QStringLiteral("unity@example.com");
    mail.ErrorMailTo = QStringLiteral("開発者@example.com");
    mail.ErrorMailAuthUse = true;
    mail.ErrorMailAuthName = QStringLiteral("builder");
    mail.ErrorMailAuthPass = QStringLiteral("pässwörd");
    return mail;
}
} // namespace

class TestErrorNotify : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mailsBeforeShowing_data();
    void mailsBeforeShowing();
    void showsBoxForCode_data();
    void showsBoxForCode();
    void boxBelongsToParent();
    void missingKeysShowPlaceholder();
    void everyRowHasTextsInTheSystemLanguage();

private:
    QScopedPointer<TempDocuments> m_documents;
    QScopedPointer<ModalBoxDriver> m_driver;
};

void TestErrorNotify::init()
{
    m_documents.reset(new TempDocuments);
    QVERIFY(m_documents->isValid());
    m_driver.reset(new ModalBoxDriver);
    MailRecorder::reset();
}

void TestErrorNotify::cleanup()
{
    QVERIFY(m_driver->unexpectedBoxes().isEmpty());
    m_driver.reset();
    m_documents.reset();
}

void TestErrorNotify::mailsBeforeShowing_data()
{
    QTest::addColumn<bool>("settingsFile");
    QTest::addColumn<bool>("use");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("mailSent");

    QTest::newRow("no settings file") << false << false << "" << false;
    QTest::newRow("mail off") << true << false << "smtp.example.com" << false;
    QTest::newRow("mail on") << true << true << "smtp.example.com" << true;
    QTest::newRow("mail on, no server") << true << true << "" << false;
}

void TestErrorNotify::mailsBeforeShowing()
{
    QFETCH(bool, settingsFile);
    QFETCH(bool, use);
    QFETCH(QString, server);
    QFETCH(bool, mailSent);
    if (settingsFile) {
        Setting setting;
        setting.ErrorMail = mailSettings(use, server);
        QVERIFY(AppUtil::saveSetting(setting));
    }
    std::size_t mailsWhenShown = 99;
    m_driver->answerWith([&mailsWhenShown](QWidget* box) {
        mailsWhenShown = MailRecorder::calls().size();
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });

    AppUtil::MirrelNotifyError(nullptr, QStringLiteral(" 3"));

    QCOMPARE(m_driver->seen().size(), 1);
    const std::size_t expected = mailSent ? 1 : 0;
    QCOMPARE(mailsWhenShown, expected);
    QCOMPARE(MailRecorder::calls().size(), expected);
    if (mailSent) {
        const RecordedMail& mail = MailRecorder::calls().front();
        QCOMPARE(mail.server, server.toStdString());
        QCOMPARE(mail.port, 2525);
        QCOMPARE(mail.from, std::string("unity@example.com"));
        QCOMPARE(QString::fromStdString(mail.to), QStringLiteral("開発者@example.com"));
        QVERIFY(mail.useAuth);
        QCOMPARE(mail.user, std::string("builder"));
        QCOMPARE(QString::fromStdString(mail.password), QStringLiteral("pässwörd"));
        // The code goes to the mail as received, blank included.
        const std::string tail = "\r\nError code :  3";
        QVERIFY(mail.body.size() > tail.size());
        QCOMPARE(mail.body.substr(mail.body.size() - tail.size()), tail);
    }
}

void TestErrorNotify::showsBoxForCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("headingKey");
    QTest::addColumn<QString>("detailKey"); // empty: a code without a row
    QTest::addColumn<QString>("suffix");

    const QMessageBox::Icon critical = QMessageBox::Critical;
    const QMessageBox::Icon warning = QMessageBox::Warning;
    QTest::newRow("converter failure") << "3" << critical << "ErrorNotifyHeading"
                                       << "ErrorNotifyConvertFailedDetail"
                                       << "\n(Error code: 3)";
    QTest::newRow("blanks around the code") << " 3 " << critical << "ErrorNotifyHeading"
                                            << "ErrorNotifyConvertFailedDetail"
                                            << "\n(Error code:  3 )";
    QTest::newRow("settings unreadable") << "1" << warning << "ErrorNotifySettingsHeading"
                                         << "ErrorNotifySettingsDetail"
                                         << "\n(Error code: 1)";
    QTest::newRow("original tool missing") << "2" << critical << "ErrorNotifyOriginalMissingHeading"
                                           << "ErrorNotifyOriginalMissingDetail"
                                           << "\n(Error code: 2)";
    QTest::newRow("out of memory") << "4" << critical << "ErrorNotifyOutOfMemoryHeading"
                                   << "ErrorNotifyOutOfMemoryDetail"
                                   << "\n(Error code: 4)";
    QTest::newRow("larger than the limit, no suffix")
        << "5" << warning << "ErrorNotifyTooLargeHeading"
        << "ErrorNotifyTooLargeDetail"
        << "";
    QTest::newRow("letters") << "abc" << critical << "ErrorNotifyHeading"
                             << ""
                             << "\n(Error code: abc)";
    QTest::newRow("empty") << "" << critical << "ErrorNotifyHeading"
                           << ""
                           << "\n(Error code: )";
    QTest::newRow("colon inside") << "12:34" << critical << "ErrorNotifyHeading"
                                  << ""
                                  << "\n(Error code: 12:34)";
    QTest::newRow("trailing letter") << "3x" << critical << "ErrorNotifyHeading"
                                     << ""
                                     << "\n(Error code: 3x)";
    QTest::newRow("unknown code") << "99" << critical << "ErrorNotifyHeading"
                                  << ""
                                  << "\n(Error code: 99)";
}

void TestErrorNotify::showsBoxForCode()
{
    QFETCH(QString, code);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, headingKey);
    QFETCH(QString, detailKey);
    QFETCH(QString, suffix);
    m_driver->answer(QMessageBox::Ok);

    AppUtil::MirrelNotifyError(nullptr, code);

    QCOMPARE(m_driver->seen().size(), 1);
    const SeenBox& box = m_driver->seen().front();
    const QString detail = detailKey.isEmpty() ? QString() : AppUtil::IDS(detailKey);
    QCOMPARE(box.text, AppUtil::IDS(headingKey) + "\n\n" + detail + suffix);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.title, Title);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.text.contains(QLatin1String("(nullptr)")));
}

void TestErrorNotify::boxBelongsToParent()
{
    QWidget parent;
    QWidget* boxParent = nullptr;
    m_driver->answerWith([&boxParent](QWidget* box) {
        boxParent = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Return);
    });

    AppUtil::MirrelNotifyError(&parent, QStringLiteral("3"));

    QCOMPARE(boxParent, &parent);
}

void TestErrorNotify::missingKeysShowPlaceholder()
{
    // A table that already holds an entry is never loaded, so every notification key is missing.
    const QMap<QString, QString> loaded = AppUtil::stringTable;
    AppUtil::stringTable = {{QStringLiteral("OnlyKey"), QStringLiteral("text")}};
    m_driver->answer(QMessageBox::Ok);
    m_driver->answer(QMessageBox::Ok);

    AppUtil::MirrelNotifyError(nullptr, QStringLiteral("3"));
    AppUtil::MirrelNotifyError(nullptr, QStringLiteral("abc"));
    AppUtil::stringTable = loaded;

    QCOMPARE(m_driver->seen().size(), 2);
    QCOMPARE(m_driver->seen().at(0).text,
             QStringLiteral("(nullptr)\n\n(nullptr)\n(Error code: 3)"));
    QCOMPARE(m_driver->seen().at(1).text, QStringLiteral("(nullptr)\n\n\n(Error code: abc)"));
}

void TestErrorNotify::everyRowHasTextsInTheSystemLanguage()
{
    const bool japanese = Utility::GetProcessLanguage() == "ja";
    const QRegularExpression japaneseText(
        QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));
    for (int code = ErrorSettingsUnreadable; code <= ErrorOutputNotWritten; ++code) {
        m_driver->answer(QMessageBox::Ok);
        AppUtil::MirrelNotifyError(nullptr, QString::number(code));
        const QString text = m_driver->seen().last().text;
        const QStringList parts = text.split(QStringLiteral("\n\n"));
        QVERIFY2(parts.size() == 2 && !parts.at(0).isEmpty() && !parts.at(1).isEmpty(),
                 qPrintable(text));
        QVERIFY2(!text.contains(QLatin1String("(nullptr)")), qPrintable(text));
        QVERIFY2(text.contains(japaneseText) == japanese, qPrintable(text));
    }
}

QTEST_MAIN(TestErrorNotify)
#include "tst_errornotify.moc"
