#include "apputil.h"
#include "errronotifysettingdialog.h"
#include "mainwindow.h"
#include "modalboxdriver.h"
#include "recordingmailer.h"
#include "tempdocuments.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace
{
const QString Title = QStringLiteral("Sorvel Quorvane for Unity");

// The dialog's widgets by their object names.
struct Form {
    explicit Form(QWidget& dialog)
        : use(dialog.findChild<QCheckBox*>("checkBox")),
          server(dialog.findChild<QLineEdit*>("lineEdit")),
          port(dialog.findChild<QLineEdit*>("lineEdit_2")),
          from(dialog.findChild<QLineEdit*>("lineEdit_3")),
          to(dialog.findChild<QLineEdit*>("lineEdit_4")),
          auth(dialog.findChild<QCheckBox*>("checkBox_2")),
          user(dialog.findChild<QLineEdit*>("lineEdit_5")),
          password(dialog.findChild<QLineEdit*>("lineEdit_6")),
          cancel(dialog.findChild<QPushButton*>("pushButton")),
          ok(dialog.findChild<QPushButton*>("pushButton_2"))
    {
    }
    QCheckBox* use;
    QLineEdit* server;
    QLineEdit* port;
    QLineEdit* from;
    QLineEdit* to;
    QCheckBox* auth;
    QLineEdit* user;
    QLineEdit* password;
    QPushButton* cancel;
    QPushButton* ok;

    // Fills every field of a complete notification setting with authentication.
    void fillComplete() const
    {
        use->setChecked(true);
        server->setText("smtp.example.com");
        port->setText("587");
        from->setText("unity@example.com");
        to->setText("dev@example.com");
        auth->setChecked(true);
        user->setText("builder");
        password->setText("secret");
    }
};

ErrorMailSetting completeMail()
{
    ErrorMailSetting mail;
    mail.ErrorMailUse = true;
    mail.ErrorMailServer = "mail.example.org";
    mail.ErrorMailPort = 2525;
    mail.ErrorMailFrom = "from@example.org";
    mail.ErrorMailTo = "to@example.org";
    mail.ErrorMailAuthUse = true;
    mail.ErrorMailAuthName = "name";
    mail.ErrorMailAuthPass = "pass";
    return mail;
}

QStringList enabledNames(QWidget& dialog)
{
    QStringList names;
    for (QWidget* widget : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (widget->isEnabled())
            names.append(widget->objectName());
    names.sort();
    return names;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}
} // namespace

class TestErrroNotifySettingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRunShowsDefaults();
    void showsSavedSettings();
    void enablesFieldsByTheTwoBoxes_data();
    void enablesFieldsByTheTwoBoxes();
    void stopsAtFirstFailingCheck_data();
    void stopsAtFirstFailingCheck();
    void savesWhenChecksPass_data();
    void savesWhenChecksPass();
    void savesPortAsTyped_data();
    void savesPortAsTyped();
    void limitsFieldLengths();
    void keyboardEndsDialog_data();
    void keyboardEndsDialog();
    void testMailQuestion_data();
    void testMailQuestion();
    void reportsFailedSave();
    void reportsFileSystemError();
    void keepsConversionOptionsOfTheFile();
    void mainWindowOkKeepsMailSettings();

private:
    void clickOk(ErrroNotifySettingDialog& dialog);

    QScopedPointer<TempDocuments> m_documents;
    QScopedPointer<ModalBoxDriver> m_driver;
};

void TestErrroNotifySettingDialog::init()
{
    m_documents.reset(new TempDocuments);
    QVERIFY(m_documents->isValid());
    m_driver.reset(new ModalBoxDriver);
    MailRecorder::reset();
}

void TestErrroNotifySettingDialog::cleanup()
{
    const QList<SeenBox> unexpected = m_driver->unexpectedBoxes();
    for (const SeenBox& box : unexpected)
        qWarning("unexpected box: %s", qPrintable(box.text));
    QVERIFY(unexpected.isEmpty());
    QCOMPARE(m_driver->pendingAnswers(), 0);
    m_driver.reset();
    m_documents.reset();
}

void TestErrroNotifySettingDialog::clickOk(ErrroNotifySettingDialog& dialog)
{
    QTest::mouseClick(Form(dialog).ok, Qt::LeftButton);
}

void TestErrroNotifySettingDialog::firstRunShowsDefaults()
{
    ErrroNotifySettingDialog dialog;
    const Form form(dialog);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("エラー通知設定"));
    QCOMPARE(dialog.minimumSize(), QSize(407, 378));
    QCOMPARE(dialog.maximumSize(), QSize(407, 378));
    QVERIFY(!form.use->isChecked());
    QVERIFY(!form.auth->isChecked());
    QCOMPARE(form.port->text(), QStringLiteral("25"));
    for (QLineEdit* field : {form.server, form.from, form.to, form.user, form.password})
        QCOMPARE(field->text(), QString());
    QCOMPARE(form.password->echoMode(), QLineEdit::Password);
    QCOMPARE(enabledNames(dialog), sorted({"checkBox", "pushButton", "pushButton_2"}));
    QVERIFY(form.ok->isDefault());
    QVERIFY(!form.cancel->autoDefault());
}

void TestErrroNotifySettingDialog::showsSavedSettings()
{
    Setting setting;
    setting.ErrorMail = completeMail();
    QVERIFY(AppUtil::saveSetting(setting));

    ErrroNotifySettingDialog dialog;
    const Form form(dialog);

    QVERIFY(form.use->isChecked());
    QCOMPARE(form.server->text(), QStringLiteral("mail.example.org"));
    QCOMPARE(form.port->text(), QStringLiteral("2525"));
    QCOMPARE(form.from->text(), QStringLiteral("from@example.org"));
    QCOMPARE(form.to->text(), QStringLiteral("to@example.org"));
    QVERIFY(form.auth->isChecked());
    QCOMPARE(form.user->text(), QStringLiteral("name"));
    QCOMPARE(form.password->text(), QStringLiteral("pass"));
    QCOMPARE(enabledNames(dialog).size(), 16);
}

void TestErrroNotifySettingDialog::enablesFieldsByTheTwoBoxes_data()
{
    QTest::addColumn<bool>("use");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("enabledAfterToggle"); // after clicking checkBox once

    const QStringList always{"checkBox", "pushButton", "pushButton_2"};
    const QStringList mail =
        always + QStringList{"label",      "lineEdit", "label_2",    "lineEdit_2", "label_3",
                             "lineEdit_3", "label_4",  "lineEdit_4", "checkBox_2"};
    const QStringList all = mail + QStringList{"label_5", "lineEdit_5", "label_6", "lineEdit_6"};

    QTest::newRow("both off") << false << false << always << mail;
    QTest::newRow("mail on") << true << false << mail << always;
    QTest::newRow("both on") << true << true << all << always;
    QTest::newRow("auth on, mail off: credentials wait for mail") << false << true << always << all;
}

void TestErrroNotifySettingDialog::enablesFieldsByTheTwoBoxes()
{
    QFETCH(bool, use);
    QFETCH(bool, auth);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, enabledAfterToggle);
    Setting setting;
    setting.ErrorMail.ErrorMailUse = use;
    setting.ErrorMail.ErrorMailAuthUse = auth;
    QVERIFY(AppUtil::saveSetting(setting));

    ErrroNotifySettingDialog dialog;
    dialog.show();
    QCOMPARE(enabledNames(dialog), sorted(enabled));

    QTest::mouseClick(Form(dialog).use, Qt::LeftButton, {}, QPoint(5, 11));
    QCOMPARE(enabledNames(dialog), sorted(enabledAfterToggle));
}

void TestErrroNotifySettingDialog::stopsAtFirstFailingCheck_data()
{
    QTest::addColumn<QString>("fieldToClear");
    QTest::addColumn<QString>("fieldText"); // what the cleared field gets instead
    QTest::addColumn<QString>("alsoClear");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focused");

    const QString portMessage = QStringLiteral("ポート番号を1から65535の範囲で指定してください。");
    QTest::newRow("no server") << "lineEdit"
                               << ""
                               << ""
                               << "SMTPサーバーを指定してください。"
                               << "lineEdit";
    QTest::newRow("no port") << "lineEdit_2"
                             << ""
                             << "" << portMessage << "lineEdit_2";
    QTest::newRow("port 0") << "lineEdit_2"
                            << "0"
                            << "" << portMessage << "lineEdit_2";
    QTest::newRow("port above 65535") << "lineEdit_2"
                                      << "65536"
                                      << "" << portMessage << "lineEdit_2";
    QTest::newRow("port with a group separator") << "lineEdit_2"
                                                 << "1,000"
                                                 << "" << portMessage << "lineEdit_2";
    QTest::newRow("port with a blank") << "lineEdit_2"
                                       << " 25"
                                       << "" << portMessage << "lineEdit_2";
    QTest::newRow("no sender") << "lineEdit_3"
                               << ""
                               << ""
                               << "Fromメールアドレスを指定してください。"
                               << "lineEdit_3";
    QTest::newRow("no recipient") << "lineEdit_4"
                                  << ""
                                  << ""
                                  << "Toメールアドレスを指定してください。"
                                  << "lineEdit_4";
    QTest::newRow("no user") << "lineEdit_5"
                             << ""
                             << ""
                             << "SMTP Authユーザー名を指定してください。"
                             << "lineEdit_5";
    QTest::newRow("no password") << "lineEdit_6"
                                 << ""
                                 << ""
                                 << "SMTP Authパスワードを指定してください。"
                                 << "lineEdit_6";
    QTest::newRow("several empty: the first is reported")
        << "lineEdit_4"
        << ""
        << "lineEdit_3"
        << "Fromメールアドレスを指定してください。"
        << "lineEdit_3";
}

void TestErrroNotifySettingDialog::stopsAtFirstFailingCheck()
{
    QFETCH(QString, fieldToClear);
    QFETCH(QString, fieldText);
    QFETCH(QString, alsoClear);
    QFETCH(QString, message);
    QFETCH(QString, focused);
    ErrroNotifySettingDialog dialog;
    Form(dialog).fillComplete();
    dialog.findChild<QLineEdit*>(fieldToClear)->setText(fieldText);
    if (!alsoClear.isEmpty())
        dialog.findChild<QLineEdit*>(alsoClear)->clear();
    dialog.show();
    m_driver->answer(QMessageBox::Ok);

    clickOk(dialog);

    QCOMPARE(m_driver->seen().size(), 1);
    const SeenBox& box = m_driver->seen().front();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, Title);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget()->objectName(), focused);
    auto* field = qobject_cast<QLineEdit*>(dialog.focusWidget());
    QCOMPARE(field->selectedText(), field->text());
    QVERIFY(!QFile::exists(m_documents->settingsFile()));
}

void TestErrroNotifySettingDialog::savesWhenChecksPass_data()
{
    QTest::addColumn<bool>("use");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("savedPort");
    QTest::addColumn<QString>("savedServer"); // settings.xml reads a text of blanks as empty

    const auto row = [](const char* name, bool use, bool auth, const QString& server,
                        const QString& port, const QString& user, int savedPort,
                        const QString& savedServer) {
        QTest::newRow(name) << use << auth << server << port << user << savedPort << savedServer;
    };
    row("mail off: no checks, empty port saved as 0", false, true, "", "", "", 0, "");
    row("mail off: texts of disabled fields saved", false, false, "kept.example.com", "99999",
        "kept", 99999, "kept.example.com");
    row("a blank is a server", true, false, " ", "25", "", 25, "");
    row("auth off: empty credentials pass", true, false, "smtp.example.com", "65535", "", 65535,
        "smtp.example.com");
    row("auth on", true, true, "smtp.example.com", "1", "builder", 1, "smtp.example.com");
}

void TestErrroNotifySettingDialog::savesWhenChecksPass()
{
    QFETCH(bool, use);
    QFETCH(bool, auth);
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(QString, user);
    QFETCH(int, savedPort);
    QFETCH(QString, savedServer);
    ErrroNotifySettingDialog dialog;
    const Form form(dialog);
    form.use->setChecked(use);
    form.server->setText(server);
    form.port->setText(port);
    form.from->setText("from@example.com");
    form.to->setText("to@example.com");
    form.auth->setChecked(auth);
    form.user->setText(user);
    form.password->setText(auth ? "pw" : "");
    dialog.show();
    if (use)
        m_driver->answer(QMessageBox::No);

    clickOk(dialog);

    QCOMPARE(m_driver->seen().size(), use ? 1 : 0);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const ErrorMailSetting saved = AppUtil::loadSetting().ErrorMail;
    QCOMPARE(saved.ErrorMailUse, use);
    QCOMPARE(saved.ErrorMailServer, savedServer);
    QCOMPARE(saved.ErrorMailPort, savedPort);
    QCOMPARE(saved.ErrorMailFrom, QStringLiteral("from@example.com"));
    QCOMPARE(saved.ErrorMailTo, QStringLiteral("to@example.com"));
    QCOMPARE(saved.ErrorMailAuthUse, auth);
    QCOMPARE(saved.ErrorMailAuthName, user);
    QCOMPARE(saved.ErrorMailAuthPass, QString(auth ? "pw" : ""));
    QCOMPARE(MailRecorder::calls().size(), std::size_t(0));

    ErrroNotifySettingDialog next;
    QCOMPARE(Form(next).port->text(), QString::number(savedPort));
}

void TestErrroNotifySettingDialog::savesPortAsTyped_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("savedPort");

    QTest::newRow("plain") << "en_US"
                           << "587"
                           << "587" << 587;
    QTest::newRow("group separator refused") << "en_US"
                                             << "1,000"
                                             << "1000" << 1000;
    QTest::newRow("plus sign") << "en_US"
                               << "+25"
                               << "+25" << 25;
    QTest::newRow("leading zeros") << "en_US"
                                   << "00025"
                                   << "00025" << 25;
    QTest::newRow("German group separator refused") << "de_DE"
                                                    << "1.000"
                                                    << "1000" << 1000;
    QTest::newRow("blank refused") << "en_US"
                                   << "2 5"
                                   << "25" << 25;
}

void TestErrroNotifySettingDialog::savesPortAsTyped()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, savedPort);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    ErrroNotifySettingDialog dialog;
    QLocale::setDefault(previous);
    const Form form(dialog);
    form.use->setChecked(true);
    form.server->setText("smtp.example.com");
    form.from->setText("from@example.com");
    form.to->setText("to@example.com");
    dialog.show();
    form.port->clear();
    QTest::keyClicks(form.port, typed);
    QCOMPARE(form.port->text(), shown);
    m_driver->answer(QMessageBox::No);

    clickOk(dialog);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(AppUtil::loadSetting().ErrorMail.ErrorMailPort, savedPort);
}

void TestErrroNotifySettingDialog::limitsFieldLengths()
{
    Setting setting;
    setting.ErrorMail = completeMail();
    setting.ErrorMail.ErrorMailServer = QString(300, QLatin1Char('s'));
    setting.ErrorMail.ErrorMailTo = QString(257, QLatin1Char('t'));
    QVERIFY(AppUtil::saveSetting(setting));

    ErrroNotifySettingDialog dialog;
    dialog.show();
    const Form form(dialog);
    for (QLineEdit* field : {form.server, form.from, form.to, form.user, form.password})
        QCOMPARE(field->maxLength(), 256);
    QCOMPARE(form.server->text(), QString(256, QLatin1Char('s')));
    QCOMPARE(form.to->text(), QString(256, QLatin1Char('t')));
    form.port->clear();
    QTest::keyClicks(form.port, "123456");
    QCOMPARE(form.port->text(), QStringLiteral("12345"));
    m_driver->answer(QMessageBox::No);

    clickOk(dialog);

    const ErrorMailSetting saved = AppUtil::loadSetting().ErrorMail;
    QCOMPARE(saved.ErrorMailServer, QString(256, QLatin1Char('s')));
    QCOMPARE(saved.ErrorMailTo, QString(256, QLatin1Char('t')));
    QCOMPARE(saved.ErrorMailPort, 12345);
}

void TestErrroNotifySettingDialog::keyboardEndsDialog_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");

    QTest::newRow("Return in a field presses OK")
        << "lineEdit_3" << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Enter in the port field presses OK")
        << "lineEdit_2" << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Return on Cancel still presses OK")
        << "pushButton" << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Escape cancels") << "lineEdit" << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void TestErrroNotifySettingDialog::keyboardEndsDialog()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    ErrroNotifySettingDialog dialog;
    Form(dialog).fillComplete();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget* target = dialog.findChild<QWidget*>(focus);
    target->setFocus();
    if (result == QDialog::Accepted)
        m_driver->answer(QMessageBox::No);

    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(dialog.result(), result);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QFile::exists(m_documents->settingsFile()), result == QDialog::Accepted);
}

void TestErrroNotifySettingDialog::testMailQuestion_data()
{
    QTest::addColumn<int>("answer"); // a key, or 0 to click Yes
    QTest::addColumn<bool>("sent");

    QTest::newRow("Return takes the default No") << int(Qt::Key_Return) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Yes") << 0 << true;
}

void TestErrroNotifySettingDialog::testMailQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, sent);
    ErrroNotifySettingDialog dialog;
    const Form form(dialog);
    form.fillComplete();
    dialog.show();
    if (answer)
        m_driver->answerWithKey(Qt::Key(answer));
    else
        m_driver->answer(QMessageBox::Yes);

    clickOk(dialog);

    QCOMPARE(m_driver->seen().size(), 1);
    const SeenBox& question = m_driver->seen().front();
    QCOMPARE(question.title, Title);
    QCOMPARE(question.icon, QMessageBox::Information);
    QCOMPARE(question.text,
             QStringLiteral("メールの設定を行いました。試験メールを送信しますか？\n"
                            "[はい]を選択すると、以下の内容の試験メールを送信します。\n"
                            "メールが受信できるかを確認してください。\n\n"
                            "Subject: Sorvel Quorvane for Unity execution error\n"
                            "Sorvel Quorvane for Unity execution error\n"
                            "Error code : 1234"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(sorted(question.buttonTexts), sorted({"はい", "いいえ"}));
    QCOMPARE(question.defaultButtonText, QStringLiteral("いいえ"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(AppUtil::loadSetting().ErrorMail.ErrorMailUse);

    QCOMPARE(MailRecorder::calls().size(), std::size_t(sent ? 1 : 0));
    if (sent) {
        const RecordedMail& mail = MailRecorder::calls().front();
        QCOMPARE(mail.server, std::string("smtp.example.com"));
        QCOMPARE(mail.port, 587);
        QCOMPARE(mail.from, std::string("unity@example.com"));
        QCOMPARE(mail.to, std::string("dev@example.com"));
        QVERIFY(mail.useAuth);
        QCOMPARE(mail.user, std::string("builder"));
        QCOMPARE(mail.password, std::string("secret"));
        QCOMPARE(mail.body, std::string("Sorvel Quorvane for Unity execution error\r\n"
                                        "Error code : 1234"));
    }
}

void TestErrroNotifySettingDialog::reportsFailedSave()
{
    // A folder where settings.xml belongs can't be replaced by a file, not even by root.
    QVERIFY(QDir().mkpath(m_documents->settingsFile()));
    ErrroNotifySettingDialog dialog;
    Form(dialog).fillComplete();
    dialog.show();
    m_driver->answer(QMessageBox::Ok);

    clickOk(dialog);

    QCOMPARE(m_driver->seen().size(), 1);
    QCOMPARE(m_driver->seen().front().text, QStringLiteral("設定の保存に失敗しました。"));
    QCOMPARE(m_driver->seen().front().title, Title);
    QCOMPARE(m_driver->seen().front().icon, QMessageBox::Warning);
    QVERIFY(dialog.isVisible());
    QCOMPARE(Form(dialog).server->text(), QStringLiteral("smtp.example.com"));
    QCOMPARE(MailRecorder::calls().size(), std::size_t(0));
}

void TestErrroNotifySettingDialog::reportsFileSystemError()
{
    ErrroNotifySettingDialog dialog;
    Form(dialog).fillComplete();
    dialog.show();
    // The settings folder can no longer be made: Documents turns into a file.
    QVERIFY(QDir(m_documents->documents()).removeRecursively());
    QFile documents(m_documents->documents());
    QVERIFY(documents.open(QIODevice::WriteOnly));
    documents.close();
    m_driver->answer(QMessageBox::Ok);

    clickOk(dialog);

    QCOMPARE(m_driver->seen().size(), 1);
    QCOMPARE(m_driver->seen().front().title, Title);
    QCOMPARE(m_driver->seen().front().icon, QMessageBox::Warning);
    QVERIFY(dialog.isVisible());
    QCOMPARE(MailRecorder::calls().size(), std::size_t(0));
}

void TestErrroNotifySettingDialog::keepsConversionOptionsOfTheFile()
{
    ErrroNotifySettingDialog dialog;
    Form(dialog).fillComplete();
    // Saved by someone else while the dialog is open, as the main window's OK would.
    Setting options;
    options.Enabled = true;
    options.pvrtcfast = true;
    options.pvrtcbest = false;
    options.LimitImageSize = 4096;
    options.Only32bit = false;
    options.UseDebugConvert = true;
    options.QuorvaneFilter = 1;
    options.DebugConvertOnRedirect = 2;
    options.UnityPath = "/Applications/Unity 2021/Unity.app";
    options.ConfigPath = "/Applications/Sorvel Quorvane for Unity.app";
    QVERIFY(AppUtil::saveSetting(options));
    dialog.show();
    m_driver->answer(QMessageBox::No);

    clickOk(dialog);

    const Setting saved = AppUtil::loadSetting();
    QCOMPARE(saved.Enabled, true);
    QCOMPARE(saved.pvrtcfast, true);
    QCOMPARE(saved.pvrtcbest, false);
    QCOMPARE(saved.LimitImageSize, 4096);
    QCOMPARE(saved.Only32bit, false);
    QCOMPARE(saved.UseDebugConvert, true);
    QCOMPARE(saved.QuorvaneFilter, 1);
    QCOMPARE(saved.DebugConvertOnRedirect, 2);
    QCOMPARE(saved.UnityPath, options.UnityPath);
    QCOMPARE(saved.ConfigPath, options.ConfigPath);
    QCOMPARE(saved.ErrorMail.ErrorMailServer, QStringLiteral("smtp.example.com"));
}

void TestErrroNotifySettingDialog::mainWindowOkKeepsMailSettings()
{
    MainWindow window;
    window.show();
    auto* fast = window.findChild<QCheckBox*>("checkBox_4");
    QVERIFY(fast);
    const bool fastBefore = fast->isChecked();
    fast->setChecked(!fastBefore);
    // The notification settings, saved through the dialog while the window holds an unsaved
    // option change.
    m_driver->answerWith([](QWidget* modal) {
        auto* dialog = qobject_cast<ErrroNotifySettingDialog*>(modal);
        QVERIFY(dialog);
        Form(*dialog).fillComplete();
        // Clicked from the dialog's own loop: the driver answers the question only once this
        // answer has returned.
        QTimer::singleShot(0, dialog,
                           [dialog] { QTest::mouseClick(Form(*dialog).ok, Qt::LeftButton); });
    });
    m_driver->answer(QMessageBox::No);
    QVERIFY(QMetaObject::invokeMethod(&window, "on_pushButton_clicked"));
    QCOMPARE(AppUtil::loadSetting().pvrtcfast, fastBefore);

    QTest::mouseClick(window.findChild<QPushButton*>("pushButton_7"), Qt::LeftButton);

    const Setting saved = AppUtil::loadSetting();
    QCOMPARE(saved.pvrtcfast, !fastBefore);
    QVERIFY(saved.ErrorMail.ErrorMailUse);
    QCOMPARE(saved.ErrorMail.ErrorMailServer, QStringLiteral("smtp.example.com"));
    QCOMPARE(saved.ErrorMail.ErrorMailPort, 587);
    QCOMPARE(saved.ErrorMail.ErrorMailAuthPass, QStringLiteral("secret"));
}

QTEST_MAIN(TestErrroNotifySettingDialog)
#include "tst_errronotifysettingdialog.moc"
