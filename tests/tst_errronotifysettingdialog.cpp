// The notification settings dialog; its test mail goes through the real mail library to an SMTP
// server on 127.0.0.1.
#include "apputil.h"
#include "errronotifysettingdialog.h"
#include "mainwindow.h"
#include "modalboxdriver.h"
#include "smtpserver.h"
#include "tempdocuments.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestErrroNotifySettingDialog : public QObject
{
    Q_OBJECT
    TempDocuments m_documents;
    ModalBoxDriver m_boxes;

    // The six fields and the two boxes, in the order of the form.
    static QList<QLineEdit*> edits(QWidget& dialog) { return dialog.findChildren<QLineEdit*>(); }
    static QCheckBox* box(QWidget& dialog, int i) { return dialog.findChildren<QCheckBox*>()[i]; }
    static void clickOk(QWidget& d) { d.findChild<QPushButton*>("pushButton_2")->click(); }
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
        setting.ErrorMail = {true, QString(300, 's'), 123456, "f", QString(257, 't'), true, "u",
                             "p"};
        QVERIFY(AppUtil::saveSetting(setting));
        ErrroNotifySettingDialog dialog;
        QStringList texts;
        for (QLineEdit* edit : edits(dialog))
            texts << edit->text();
        QCOMPARE(texts.join('|'), QString(256, 's') + "|12345|f|" + QString(256, 't') + "|u|p");
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

    void stopsAtFirstFailingCheck_data()
    {
        QTest::addColumn<int>("field"); // in the order of the form
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, int field, const char* text, const char* message) {
            QTest::newRow(name) << field << QString(text) << QString(message);
        };
        const char* port = "ポート番号を1から65535の範囲で指定してください。";
        row("no server", 0, "", "SMTPサーバーを指定してください。");
        row("port 0", 1, "0", port);
        row("port with a group separator", 1, "1,000", port);
        row("no sender", 2, "", "Fromメールアドレスを指定してください。");
        row("no recipient", 3, "", "Toメールアドレスを指定してください。");
        row("no user", 4, "", "SMTP Authユーザー名を指定してください。");
        row("no password", 5, "", "SMTP Authパスワードを指定してください。");
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
