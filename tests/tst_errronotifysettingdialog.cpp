// The notification settings dialog; its test mail goes through the real mail library to an SMTP
// server on 127.0.0.1.
#include "apputil.h"
#include "errronotifysettingdialog.h"
#include "heapgrowth.h"
#include "mainwindow.h"
#include "modalboxdriver.h"
#include "smtpserver.h"
#include "tempdocuments.h"
#include "waitwatchdog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace std::chrono_literals;

class TestErrroNotifySettingDialog : public QObject
{
    Q_OBJECT
    TempDocuments m_documents;
    ModalBoxDriver m_boxes;

    // The six fields and the two boxes, in the order of the form.
    static QList<QLineEdit*> edits(QWidget& dialog) { return dialog.findChildren<QLineEdit*>(); }
    static QCheckBox* box(QWidget& dialog, int i) { return dialog.findChildren<QCheckBox*>()[i]; }
    // OK, bounded: the test mail may go, and a mail library that hangs must end the run.
    static void clickOk(QWidget& d)
    {
        const WaitWatchdog bound(20s, "OK and any test mail to the SMTP fixture");
        d.findChild<QPushButton*>("pushButton_2")->click();
    }
    // '1' or '0' for each widget, enabled or not, in the order of the form.
    static QString enabled(QWidget& dialog)
    {
        QString pattern;
        for (QWidget* widget : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            pattern += widget->isEnabled() ? '1' : '0';
        return pattern;
    }
    // A complete notification setting without authentication.
    static void fill(QWidget& dialog, const QString& server = "smtp.example.com", int port = 587)
    {
        const QStringList values{
            server, QString::number(port), "u@unity.test", "dev@unity.test", "user", "pässwörd"};
        for (int i = 0; i < values.size(); ++i)
            edits(dialog)[i]->setText(values[i]);
        box(dialog, 0)->setChecked(true);
    }

private slots:
    void init()
    {
        QDir(m_documents.settingsFile()).removeRecursively();
        QFile::remove(m_documents.settingsFile());
        m_boxes.reset();
    }
    void cleanup() { QVERIFY(m_boxes.unexpectedBoxes().isEmpty() && !m_boxes.pendingAnswers()); }

    void showsSettingsAndEnablesFields()
    {
        ErrroNotifySettingDialog firstRun;
        QCOMPARE(edits(firstRun)[1]->text(), QStringLiteral("25"));
        QCOMPARE(enabled(firstRun), QStringLiteral("1000000000000011"));
        Setting setting; // with texts longer than their fields
        setting.ErrorMail = {
            true, QString(300, 's'), 123456, QString(256, 'f'), QString(257, 't'), true, "u", "p"};
        QVERIFY(AppUtil::saveSetting(setting));
        ErrroNotifySettingDialog dialog;
        QStringList texts;
        for (QLineEdit* edit : edits(dialog))
            texts << edit->text();
        QCOMPARE(texts.join('|'), QString(256, 's') + "|12345|" + QString(256, 'f') + '|' +
                                      QString(256, 't') + "|u|p");
        for (QLineEdit* edit : edits(dialog))
            QCOMPARE(edit->maxLength(), edit == edits(dialog)[1] ? 5 : 256);
        QCOMPARE(edits(dialog)[5]->echoMode(), QLineEdit::Password);
        QCOMPARE(enabled(dialog), QStringLiteral("1111111111111111"));
        box(dialog, 1)->click(); // authentication off
        QCOMPARE(enabled(dialog), QStringLiteral("1111111111000011"));
        box(dialog, 1)->click(); // authentication on
        box(dialog, 0)->click(); // mail off: the credentials too
        QCOMPARE(enabled(dialog), QStringLiteral("1000000000000011"));
        box(dialog, 0)->click(); // mail on: the credentials at once
        QCOMPARE(enabled(dialog), QStringLiteral("1111111111111111"));
    }

    // A constructor that throws (no Documents folder to keep the settings in) frees its form, which
    // would leak some 160 bytes a start; what the caches still take is far less.
    void failedConstructionFreesForm()
    {
#ifdef __linux__
        TempDocuments documents;
        QVERIFY(QDir(documents.documents()).removeRecursively());
        const long long grown = heapGrowth(
            400, [] { QVERIFY_EXCEPTION_THROWN(ErrroNotifySettingDialog(), std::exception); });
        QVERIFY2(grown < 400 * 64, qPrintable(QString("%1 bytes").arg(grown)));
#else
        QSKIP("The heap in use is measured with glibc, which only Linux has");
#endif
    }

    void stopsAtFirstFailingCheck_data()
    {
        QTest::addColumn<int>("field"); // in the order of the form
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, int field, const QString& text, const char* message) {
            QTest::newRow(name) << field << text << QString(message);
        };
        const char* port = "ポート番号を1から65535の範囲で指定してください。";
        const char* server = "SMTPサーバーにはホスト名またはIPアドレスだけを、空白を入れずに半角"
                             "文字で指定してください。";
        const char* from = "Fromメールアドレスには名前や空白を付けずに、user@example.comの形の"
                           "アドレスを1つだけ半角文字で指定してください。";
        const char* to = "Toメールアドレスには名前や空白を付けずに、user@example.comの形のアドレ"
                         "スを1つだけ半角文字で指定してください。";
        row("no server", 0, "", "SMTPサーバーを指定してください。");
        row("server with a trailing blank", 0, "smtp.example.com ", server);
        row("server of blanks", 0, "  ", server);
        row("port 0", 1, "0", port);
        row("port 65536", 1, "65536", port);
        row("port with a group separator", 1, "1,000", port);
        row("no sender", 2, "", "Fromメールアドレスを指定してください。");
        row("sender with a trailing blank", 2, "u@unity.test ", from);
        row("sender with a display name", 2, "Dev <dev@example.org>", from);
        row("no recipient", 3, "", "Toメールアドレスを指定してください。");
        row("two recipients", 3, "dev@unity.test, qa@unity.test", to);
        row("non-ASCII recipient", 3, "dév@unity.test", to);
        const char* blankUser = "SMTP Authユーザー名には空白以外の文字を含めて指定してください。";
        row("no user", 4, "", "SMTP Authユーザー名を指定してください。");
        // U+3000 too reads back from settings.xml as nothing; controls are not written at all.
        row("user of blanks", 4, "\u3000 ", blankUser);
        row("user of a control and a blank", 4, "\x01 ", blankUser);
        row("user of a control", 4, "\x01", "SMTP Authユーザー名を指定してください。");
        row("no password", 5, "", "SMTP Authパスワードを指定してください。");
        row("password of 187 UTF-8 bytes", 5, QString(93, QChar(0xE4)) + 'x',
            "SMTP Authパスワードが長すぎます。UTF-8で186バイト（半角英数字で186文字）以内で"
            "指定してください。");
    }
    // The field gets the row's text and every later field is emptied: only the first problem
    // shows, nothing is saved, and Escape then cancels.
    void stopsAtFirstFailingCheck()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        ErrroNotifySettingDialog dialog;
        fill(dialog);
        box(dialog, 1)->setChecked(true);
        for (QLineEdit* later : edits(dialog).mid(field + 1))
            later->clear();
        QLineEdit* edit = edits(dialog)[field];
        edit->setText(text);
        dialog.show();
        m_boxes.answer(QMessageBox::Ok);
        clickOk(dialog);
        const SeenBox box = m_boxes.seen().value(0);
        QCOMPARE(box.title + ": " + box.text, "Sorvel Quorvane for Unity: " + message);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(dialog.focusWidget(), edit);
        QCOMPARE(edit->selectedText(), text);
        QVERIFY(dialog.isVisible() && !QFile::exists(m_documents.settingsFile()));
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Rejected);
    }

    void checksSavesAndAsksAsTheBoxesSay_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<bool>("auth");
        QTest::addColumn<bool>("saves"); // false: settings.xml is a folder, not even root writes it
        QTest::addColumn<QStringList>("texts"); // the six fields, each saved as it stands
        // Nothing is checked, not even the credentials of a checked authentication box.
        QTest::newRow("mail off") << false << true << true
                                  << QStringList{
                                         "smtp example", "0", "Dev <dev@example.org>", "", "", ""};
        QTest::newRow("mail without authentication, lowest port")
            << true << false << true
            << QStringList{"smtp.example.com", "1", "u@unity.test", "dev@unity.test", "", ""};
        QTest::newRow("mail with authentication, longest password, highest port")
            << true << true << true
            << QStringList{"smtp.example.com", "65535",    "u@unity.test",
                           "dev@unity.test",   "dev user", QString(93, QChar(0xE4))};
        // A warning, no test mail, and the fields as typed, controls and all.
        QTest::newRow("save fails")
            << true << true << false
            << QStringList{"smtp.example.com", "587",          "u@unity.test",
                           "dev@unity.test",   "dev\x01 user", "pass\x01"};
    }
    // Only with mail on does OK ask about the test mail; No then closes the dialog as well.
    void checksSavesAndAsksAsTheBoxesSay()
    {
        QFETCH(bool, mail);
        QFETCH(bool, auth);
        QFETCH(bool, saves);
        QFETCH(QStringList, texts);
        ErrroNotifySettingDialog dialog;
        box(dialog, 0)->setChecked(mail);
        box(dialog, 1)->setChecked(auth);
        for (int i = 0; i < texts.size(); ++i)
            edits(dialog)[i]->setText(texts[i]);
        dialog.show();
        QVERIFY(saves || QDir().mkdir(m_documents.settingsFile()));
        if (mail)
            m_boxes.answer(saves ? QMessageBox::No : QMessageBox::Ok);
        clickOk(dialog);
        QCOMPARE(m_boxes.seen().size(), mail ? 1 : 0);
        QVERIFY(dialog.isVisible() != saves && (dialog.result() == QDialog::Accepted) == saves);
        if (!saves) {
            const SeenBox box = m_boxes.seen()[0];
            QCOMPARE(box.title + ": " + box.text,
                     QString("Sorvel Quorvane for Unity: 設定の保存に失敗しました。"));
            QCOMPARE(box.icon, QMessageBox::Warning);
            QCOMPARE(edits(dialog)[4]->text() + edits(dialog)[5]->text(), texts[4] + texts[5]);
            return;
        }
        const ErrorMailSetting saved = AppUtil::loadSetting().ErrorMail;
        QCOMPARE(QStringList({saved.ErrorMailServer, QString::number(saved.ErrorMailPort),
                              saved.ErrorMailFrom, saved.ErrorMailTo, saved.ErrorMailAuthName,
                              saved.ErrorMailAuthPass}),
                 texts);
        QVERIFY(saved.ErrorMailUse == mail && saved.ErrorMailAuthUse == auth);
    }

    void sendsTheTestMailAsSaved_data()
    {
        QTest::addColumn<QString>("password"); // the server takes "user" with "secret"
        QTest::newRow("wrong password") << QString("wrong");
        QTest::newRow("right password") << QString("secret");
    }
    // The test mail goes with the credentials as saved: the user name without its control. One
    // that fails is told with the mail layer's reason; the settings stay saved.
    void sendsTheTestMailAsSaved()
    {
        QFETCH(QString, password);
        const bool arrives = password == "secret";
        SmtpServer::Options options;
        options.user = "user";
        options.password = "secret";
        options.authBeforeTls = true;
        SmtpServer server(options);
        ErrroNotifySettingDialog dialog;
        fill(dialog, "127.0.0.1", server.port());
        edits(dialog)[4]->setText("user\x01");
        edits(dialog)[5]->setText(password);
        box(dialog, 1)->setChecked(true);
        dialog.show();
        m_boxes.answer(QMessageBox::Yes);
        if (!arrives)
            m_boxes.answer(QMessageBox::Ok);
        clickOk(dialog);
        const SeenBox box = m_boxes.seen().value(1); // none after a mail that went
        QCOMPARE(box.title, QString(arrives ? "" : "Sorvel Quorvane for Unity"));
        QCOMPARE(box.icon, arrives ? QMessageBox::NoIcon : QMessageBox::Warning);
        QVERIFY2(arrives || box.text.startsWith("試験メールを送信できませんでした。設定は保存"
                                                "されています。\n\nSMTP authentication failed: "),
                 qPrintable(box.text));
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Accepted);
        const ErrorMailSetting saved = AppUtil::loadSetting().ErrorMail;
        QCOMPARE(saved.ErrorMailAuthName + ':' + saved.ErrorMailAuthPass, "user:" + password);
        QCOMPARE(server.messages().size(), arrives ? 1 : 0);
    }

    // Return on the test-mail question takes the default, No. Later the dialog saves the
    // conversion options of the file, not those the window loaded; Return, even on Cancel, presses
    // OK, and Yes sends the announced test mail with the saved settings. The window's OK then
    // saves its own options and keeps the mail settings.
    void keepsTheOtherSettings()
    {
        SmtpServer server;
        ErrroNotifySettingDialog first;
        fill(first, "127.0.0.1", server.port());
        m_boxes.answerWithKey(Qt::Key_Return);
        clickOk(first);
        QVERIFY(server.messages().isEmpty());
        MainWindow window;
        window.show();
        m_boxes.answerWith([](QWidget* dialog) {
            Setting options = AppUtil::loadSetting(); // saved elsewhere while the dialog is open
            options.LimitImageSize = 4096;
            QVERIFY(AppUtil::saveSetting(options));
            QWidget* cancel = dialog->findChild<QWidget*>("pushButton");
            cancel->setFocus();
            // From the dialog's own loop, once this answer has returned.
            QTimer::singleShot(0, cancel, [cancel] { QTest::keyClick(cancel, Qt::Key_Return); });
        });
        m_boxes.answer(QMessageBox::Yes);
        const WaitWatchdog bound(20s, "the dialog's test mail, then the window's OK");
        QVERIFY(QMetaObject::invokeMethod(&window, "on_pushButton_clicked"));
        QCOMPARE(AppUtil::loadSetting().LimitImageSize, 4096);
        const QString testMail = "Sorvel Quorvane for Unity execution error\nError code : 1234";
        QVERIFY(m_boxes.seen().last().text.endsWith(testMail));
        QCOMPARE(server.messages().size(), 1);
        QCOMPARE(server.messages()[0].body.trimmed().replace("\r\n", "\n"), testMail);

        window.findChild<QPushButton*>("pushButton_7")->click();

        const Setting saved = AppUtil::loadSetting();
        QCOMPARE(saved.LimitImageSize, Setting().LimitImageSize);
        QCOMPARE(saved.ErrorMail.ErrorMailPort, int(server.port()));
    }
};

QTEST_MAIN(TestErrroNotifySettingDialog)
#include "tst_errronotifysettingdialog.moc"
