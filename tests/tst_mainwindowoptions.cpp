// The main window's other commands: OK and Cancel with the options, the manual, the notification
// settings, and what an error inside a command leaves behind.

#include "apputil.h"
#include "mainwindow.h"
#include "mainwindowfixture.h"
#include "manualpage.h"
#include "modalboxdriver.h"
#include "producttitle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

namespace
{

const QString Title = QString::fromUtf8(ProductTitle);
const QString CommandErrorLead =
    QStringLiteral("処理中にエラーが発生したため、操作を中止しました。");

// Every field away from its default, so that a field that OK wrongly touches shows.
Setting unusualSetting()
{
    Setting setting;
    setting.Enabled = true;
    setting.pvrtcfast = true;
    setting.pvrtcnormal = true;
    setting.pvrtcbest = false;
    setting.LimitImageSize = 2048;
    setting.Only32bit = false;
    setting.UseDebugConvert = true;
    setting.QuorvaneFilter = 7;
    setting.QuorvaneEdge = 2;
    setting.QuorvaneSel = -5;
    setting.DebugConvertOnRedirect = 1;
    setting.ErrorMail.ErrorMailUse = true;
    setting.ErrorMail.ErrorMailServer = QStringLiteral("smtp.example.jp");
    setting.ErrorMail.ErrorMailPort = 587;
    setting.ErrorMail.ErrorMailFrom = QStringLiteral("unity@example.jp");
    setting.ErrorMail.ErrorMailTo = QStringLiteral("開発 <dev@example.jp>");
    setting.ErrorMail.ErrorMailAuthUse = true;
    setting.ErrorMail.ErrorMailAuthName = QStringLiteral("builder");
    setting.ErrorMail.ErrorMailAuthPass = QStringLiteral("p&ss<word>");
    return setting;
}

// Records the URLs that the window hands to the desktop.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

class TestMainWindowOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void okSavesTheSevenOptions_data();
    void okSavesTheSevenOptions();
    void cancelWritesNothing();
    void failedSaveKeepsWindowOpen();
    void errorInsideCommand_data();
    void errorInsideCommand();
    void manualOpensShippedPage();
    void notificationSettingsRunModally();
};

void TestMainWindowOptions::okSavesTheSevenOptions_data()
{
    QTest::addColumn<bool>("installed"); // options are editable only then, but saved always
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<int>("savedSize");

    QTest::newRow("first size item") << true << 0 << 512;
    QTest::newRow("fourth size item") << true << 3 << 4096;
    QTest::newRow("no size item") << true << -1 << 1024;
    QTest::newRow("options disabled") << false << 2 << 2048;
}

void TestMainWindowOptions::okSavesTheSevenOptions()
{
    QFETCH(bool, installed);
    QFETCH(int, sizeIndex);
    QFETCH(int, savedSize);
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle,
                           installed ? BundleState::Installed : BundleState::NotInstalled));
    QVERIFY(fixture.storeSettings(unusualSetting()));
    MainWindow window;
    window.show();

    // Flip every option the window shows.
    for (const char* name :
         {"checkBox", "checkBox_4", "checkBox_5", "checkBox_6", "checkBox_2", "checkBox_3"}) {
        auto* box = child<QCheckBox>(&window, name);
        box->setChecked(!box->isChecked());
    }
    child<QComboBox>(&window, "comboBox")->setCurrentIndex(sizeIndex);
    // Meanwhile the notification dialog saved other mail settings.
    Setting changedBehind = AppUtil::loadSetting();
    changedBehind.ErrorMail.ErrorMailServer = QStringLiteral("mail.example.jp");
    changedBehind.ErrorMail.ErrorMailAuthPass = QStringLiteral("新しい");
    QVERIFY(AppUtil::saveSetting(changedBehind));
    ModalBoxDriver driver;

    child<QPushButton>(&window, "pushButton_7")->click();

    QVERIFY(driver.seen().isEmpty());
    QVERIFY(!window.isVisible());
    Setting expected = changedBehind;
    expected.Enabled = false;
    expected.pvrtcfast = false;
    expected.pvrtcnormal = false;
    expected.pvrtcbest = true;
    expected.LimitImageSize = savedSize;
    expected.Only32bit = true;
    expected.UseDebugConvert = false;
    QCOMPARE(describe(AppUtil::loadSetting()), describe(expected));
}

void TestMainWindowOptions::cancelWritesNothing()
{
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::Installed));
    QVERIFY(fixture.storeSettings(unusualSetting()));
    MainWindow window;
    window.show();
    const QByteArray atStart = fixture.documents.readSettingsFile();
    child<QCheckBox>(&window, "checkBox_4")->click();
    child<QComboBox>(&window, "comboBox")->setCurrentIndex(0);

    child<QPushButton>(&window, "pushButton_6")->click();

    QVERIFY(!window.isVisible());
    QCOMPARE(fixture.documents.readSettingsFile(), atStart);
}

void TestMainWindowOptions::failedSaveKeepsWindowOpen()
{
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::Installed));
    QVERIFY(fixture.storeSettings());
    MainWindow window;
    window.show();
    auto* fast = child<QCheckBox>(&window, "checkBox_4");
    fast->setChecked(true);
    // A folder where settings.xml should be: the file can't be written, not even by root.
    QVERIFY(QFile::remove(fixture.documents.settingsFile()));
    QVERIFY(QDir().mkdir(fixture.documents.settingsFile()));
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    auto* ok = child<QPushButton>(&window, "pushButton_7");

    ok->click();

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.seen().first().title, Title);
    QCOMPARE(driver.seen().first().text, QStringLiteral("設定の保存に失敗しました。"));
    QCOMPARE(driver.seen().first().icon, QMessageBox::Warning);
    QCOMPARE(driver.seen().first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(window.isVisible());
    QVERIFY(fast->isChecked());

    // The second OK, once the way is clear, saves and closes.
    QVERIFY(QDir().rmdir(fixture.documents.settingsFile()));
    ok->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(AppUtil::loadSetting().pvrtcfast, true);
}

namespace
{

enum class Command { Install, Uninstall, Ok, NotificationSettings, EnableBox };

} // namespace
Q_DECLARE_METATYPE(Command)

void TestMainWindowOptions::errorInsideCommand_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<BundleState>("state");     // when the window starts
    QTest::addColumn<BundleState>("faulty");    // when the command runs
    QTest::addColumn<bool>("documentsMissing"); // when the command runs
    QTest::addColumn<QString>("detail");        // in the error's own text

    QTest::newRow("install, original unsearchable")
        << Command::Install << BundleState::NotInstalled << BundleState::OriginalLoop << false
        << "PVRTexTool_org";
    QTest::newRow("uninstall, original unsearchable")
        << Command::Uninstall << BundleState::Installed << BundleState::OriginalLoop << false
        << "PVRTexTool_org";
    QTest::newRow("enable box, original unsearchable")
        << Command::EnableBox << BundleState::Installed << BundleState::OriginalLoop << false
        << "PVRTexTool_org";
    QTest::newRow("OK, Documents gone")
        << Command::Ok << BundleState::Installed << BundleState::Installed << true << "Documents";
    QTest::newRow("notification settings, Documents gone")
        << Command::NotificationSettings << BundleState::Installed << BundleState::Installed << true
        << "Documents";
}

void TestMainWindowOptions::errorInsideCommand()
{
    QFETCH(Command, command);
    QFETCH(BundleState, state);
    QFETCH(BundleState, faulty);
    QFETCH(bool, documentsMissing);
    QFETCH(QString, detail);
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, state));
    Setting setting;
    setting.Enabled = true;
    QVERIFY(fixture.storeSettings(setting));
    MainWindow window;
    window.show();
    QVERIFY(setBundleState(fixture.bundle, faulty));
    if (documentsMissing)
        QVERIFY(QDir(fixture.documents.documents()).removeRecursively());
    ModalBoxDriver driver;
    if (command == Command::Install || command == Command::Uninstall)
        driver.answer(QMessageBox::Ok); // the confirmation
    driver.answer(QMessageBox::Ok);     // the error

    switch (command) {
    case Command::Install:
        child<QPushButton>(&window, "pushButton_2")->click();
        break;
    case Command::Uninstall:
        child<QPushButton>(&window, "pushButton_3")->click();
        break;
    case Command::Ok:
        child<QPushButton>(&window, "pushButton_7")->click();
        break;
    case Command::NotificationSettings:
        child<QPushButton>(&window, "pushButton")->click();
        break;
    case Command::EnableBox:
        child<QCheckBox>(&window, "checkBox")->click();
        break;
    }

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QVERIFY(driver.pendingAnswers() == 0);
    const SeenBox& error = driver.seen().last();
    QCOMPARE(error.title, Title);
    QCOMPARE(error.icon, QMessageBox::Warning);
    QVERIFY2(error.text.startsWith(CommandErrorLead + QStringLiteral("\n\n")),
             qPrintable(error.text));
    QVERIFY2(error.text.contains(detail), qPrintable(error.text));
    QVERIFY(window.isVisible());
    QCOMPARE(toolsSnapshot(fixture.bundle), snapshotOf(faulty));

    // The window goes on working once the cause is gone.
    QVERIFY(QDir().mkpath(fixture.documents.documents()));
    QVERIFY(setBundleState(fixture.bundle, state));
    driver.reset();
    child<QPushButton>(&window, "pushButton_6")->click();
    QVERIFY(driver.seen().isEmpty());
    QVERIFY(!window.isVisible());
}

void TestMainWindowOptions::manualOpensShippedPage()
{
    MainWindowFixture fixture;
    QVERIFY(fixture.storeSettings());
    MainWindow window;
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");

    child<QPushButton>(&window, "pushButton_5")->click();

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(recorder.urls.size(), 1);
    // Contents/MacOS holds the executable, Contents/Resources the manual.
    const QString contents = QFileInfo(QCoreApplication::applicationDirPath()).absolutePath();
    QCOMPARE(recorder.urls.first().toLocalFile(),
             contents + QStringLiteral("/Resources/manual/index.html"));
}

void TestMainWindowOptions::notificationSettingsRunModally()
{
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::Installed));
    Setting setting;
    setting.Enabled = true;
    QVERIFY(fixture.storeSettings(setting));
    MainWindow window;
    window.show();
    const QByteArray before = fixture.documents.readSettingsFile();
    QWidget* parentSeen = nullptr;
    ModalBoxDriver driver;
    driver.answerWith([&parentSeen](QWidget* dialog) {
        parentSeen = dialog->parentWidget();
        qobject_cast<QDialog*>(dialog)->reject();
    });

    child<QPushButton>(&window, "pushButton")->click();

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.seen().first().className, QStringLiteral("ErrroNotifySettingDialog"));
    QCOMPARE(parentSeen, &window);
    QVERIFY(window.isVisible());
    QCOMPARE(fixture.documents.readSettingsFile(), before);
}

QTEST_MAIN(TestMainWindowOptions)
#include "tst_mainwindowoptions.moc"
