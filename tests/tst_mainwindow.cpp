// The main window from start-up to the installer commands: what it writes at start, how it shows
// the converter's state, and what install and uninstall do for every state of the bundle.

#include "apputil.h"
#include "mainwindow.h"
#include "mainwindowfixture.h"
#include "modalboxdriver.h"
#include "mylabelicon.h"
#include "producttitle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <memory>

namespace
{

const QString Title = QString::fromUtf8(ProductTitle);
const QString NotInstalledLine = QStringLiteral("Quorvaneが組み込まれていません");
const QString InstalledLine = QStringLiteral("Quorvaneが組み込まれています");
const QString InstalledBox = QStringLiteral("UnityへQuorvaneを組み込みました。");
const QString UninstalledBox = QStringLiteral("UnityからQuorvaneを取り外しました。");

QLabel* stateText(QWidget* window)
{
    return child<MyLabelIcon>(window, "widget")->textLabel;
}

QImage stateIcon(QWidget* window)
{
    return child<MyLabelIcon>(window, "widget")->iconLabel->pixmap(Qt::ReturnByValue).toImage();
}

// The standard icon as the state line draws it: one text line high.
QImage standardStateIcon(QWidget* window, QStyle::StandardPixmap which)
{
    const int side = QFontMetrics(stateText(window)->font()).height();
    return window->style()->standardIcon(which).pixmap(side, side).toImage();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartWritesSettings();
    void everyStartRewritesSettings();
    void sizeIndexRule_data();
    void sizeIndexRule();
    void stateLine_data();
    void stateLine();
    void enablingFollowsCheckBox();
    void decisionTable_data();
    void decisionTable();
    void confirmation_data();
    void confirmation();
};

void TestMainWindow::firstStartWritesSettings()
{
    MainWindowFixture fixture;
    QVERIFY(!QFile::exists(fixture.documents.settingsFile()));

    MainWindow window;

    QVERIFY(QFile::exists(fixture.documents.settingsFile()));
    Setting expected;
    expected.ConfigPath = bundleOfApplication();
    QCOMPARE(describe(AppUtil::loadSetting()), describe(expected));
    QCOMPARE(window.windowTitle(), Title);
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window.minimumSize(), QSize(478, 429));
    QCOMPARE(window.maximumSize(), QSize(478, 429));
}

void TestMainWindow::everyStartRewritesSettings()
{
    MainWindowFixture fixture;
    QVERIFY(fixture.documents.writeSettingsFile(
        "<?xml version=\"1.0\"?>\n<MirrelSetting>\n"
        "    <UnityPath>" +
        fixture.bundle.unityPath().toUtf8() +
        "</UnityPath>\n"
        "    <Enabled>1</Enabled>\n    <pvrtcfast>1</pvrtcfast>\n"
        "    <ConfigPath>/Applications/Old Copy.app</ConfigPath>\n"
        "    <SomebodyElses>kept nowhere</SomebodyElses>\n</MirrelSetting>\n"));

    {
        MainWindow window;
        QVERIFY(child<QCheckBox>(&window, "checkBox")->isChecked());
        QVERIFY(child<QCheckBox>(&window, "checkBox_4")->isChecked());
        QVERIFY(!child<QCheckBox>(&window, "checkBox_5")->isChecked());
        QVERIFY(child<QCheckBox>(&window, "checkBox_6")->isChecked());
        QVERIFY(child<QCheckBox>(&window, "checkBox_2")->isChecked());
        QVERIFY(!child<QCheckBox>(&window, "checkBox_3")->isChecked());
    }
    const QByteArray rewritten = fixture.documents.readSettingsFile();
    QCOMPARE(rewritten.count('\n'), 24);
    QVERIFY(!rewritten.contains("SomebodyElses"));
    QVERIFY(rewritten.contains("<ConfigPath>" + bundleOfApplication().toUtf8() + "</ConfigPath>"));
    QVERIFY(rewritten.contains("<Enabled>1</Enabled>"));

    // Nothing to change: the file is written all the same.
    const QDateTime past = QDateTime::currentDateTime().addDays(-1);
    QFile file(fixture.documents.settingsFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
    file.close();
    MainWindow again;
    QCOMPARE(fixture.documents.readSettingsFile(), rewritten);
    QVERIFY(QFileInfo(file.fileName()).lastModified() > past.addSecs(60));
}

void TestMainWindow::sizeIndexRule_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("item");

    QTest::newRow("512") << 512 << "512 x 512";
    QTest::newRow("1024") << 1024 << "1024 x 1024";
    QTest::newRow("2048") << 2048 << "2048 x 2048";
    QTest::newRow("4096") << 4096 << "4096 x 4096";
    QTest::newRow("1000, between items") << 1000 << "1024 x 1024";
    QTest::newRow("8192, above the largest") << 8192 << "1024 x 1024";
    QTest::newRow("0, no number in the file") << 0 << "1024 x 1024";
    QTest::newRow("-512") << -512 << "1024 x 1024";
}

void TestMainWindow::sizeIndexRule()
{
    QFETCH(int, limit);
    QFETCH(QString, item);
    MainWindowFixture fixture;
    Setting setting;
    setting.LimitImageSize = limit;
    QVERIFY(fixture.storeSettings(setting));

    MainWindow window;

    auto* sizes = child<QComboBox>(&window, "comboBox");
    QCOMPARE(sizes->count(), 4);
    QCOMPARE(sizes->currentText(), item);
    QCOMPARE(AppUtil::loadSetting().LimitImageSize, limit); // shown, not yet changed
}

void TestMainWindow::stateLine_data()
{
    QTest::addColumn<BundleState>("state");
    QTest::addColumn<bool>("enabledSetting");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("optionsEnabled");

    QTest::newRow("no tool") << BundleState::ToolMissing << true << false << false;
    QTest::newRow("Unity's tool") << BundleState::NotInstalled << true << false << false;
    QTest::newRow("installed, enabled") << BundleState::Installed << true << true << true;
    QTest::newRow("installed, switched off") << BundleState::Installed << false << true << false;
    QTest::newRow("original missing") << BundleState::OriginalMissing << true << false << false;
    QTest::newRow("other tool") << BundleState::OtherTool << true << false << false;
    QTest::newRow("short read") << BundleState::ReadError << true << false << false;
}

void TestMainWindow::stateLine()
{
    QFETCH(BundleState, state);
    QFETCH(bool, enabledSetting);
    QFETCH(bool, installed);
    QFETCH(bool, optionsEnabled);
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, state));
    Setting setting;
    setting.Enabled = enabledSetting;
    QVERIFY(fixture.storeSettings(setting));

    MainWindow window;

    QCOMPARE(child<QCheckBox>(&window, "checkBox")->isEnabled(), installed);
    QCOMPARE(child<QGroupBox>(&window, "groupBox")->isEnabled(), optionsEnabled);
    QCOMPARE(child<QPushButton>(&window, "pushButton")->isEnabled(), optionsEnabled);
    QCOMPARE(child<QPushButton>(&window, "pushButton_2")->isEnabled(), !installed);
    QCOMPARE(child<QPushButton>(&window, "pushButton_3")->isEnabled(), installed);
    for (const char* alwaysEnabled : {"pushButton_5", "pushButton_6", "pushButton_7"})
        QVERIFY(child<QPushButton>(&window, alwaysEnabled)->isEnabled());

    QLabel* text = stateText(&window);
    QCOMPARE(text->text(), installed ? InstalledLine : NotInstalledLine);
    QCOMPARE(text->styleSheet(), installed ? QStringLiteral("font-weight: bold; color: cyan")
                                           : QStringLiteral("font-weight: bold; color: red"));
    const QImage icon = stateIcon(&window);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon, standardStateIcon(&window, installed ? QStyle::SP_DialogApplyButton
                                                        : QStyle::SP_MessageBoxWarning));
}

void TestMainWindow::enablingFollowsCheckBox()
{
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::Installed));
    QVERIFY(fixture.storeSettings());
    MainWindow window;
    window.show();
    auto* enable = child<QCheckBox>(&window, "checkBox");
    auto* options = child<QGroupBox>(&window, "groupBox");
    auto* notification = child<QPushButton>(&window, "pushButton");
    QVERIFY(enable->isEnabled());
    QVERIFY(!options->isEnabled());
    QVERIFY(!notification->isEnabled());

    enable->click();
    QVERIFY(options->isEnabled());
    QVERIFY(notification->isEnabled());

    enable->click();
    QVERIFY(!options->isEnabled());
    QVERIFY(!notification->isEnabled());
    QCOMPARE(AppUtil::loadSetting().Enabled, false); // only OK writes
}

void TestMainWindow::decisionTable_data()
{
    QTest::addColumn<BundleState>("shownState"); // when the window last refreshed
    QTest::addColumn<BundleState>("state");      // when the command runs
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ran");
    QTest::addColumn<QString>("box"); // %1: the tool path
    QTest::addColumn<BundleState>("after");

    const int install = MainWindow::ModeInstall;
    const int uninstall = MainWindow::ModeUninstall;
    const QString notFound = QStringLiteral(
        "PVRTexToolが見つかりません。Unityが正常にインストールされているか確認してください。\n%1");
    const QString originalMissing = QStringLiteral(
        "Quorvaneはすでに組み込まれていますが、オリジナルのPVRTexToolが見つかりません。");
    const QString otherTool =
        QStringLiteral("他のPVRTexTool置き換えツールがすでに組み込まれています。");
    const QString readError = QStringLiteral("確認中にエラーが発生しました。\n%1");
    const QString notInstalled = QStringLiteral("Quorvaneは組み込まれていません。");
    using S = BundleState;

    QTest::newRow("no tool, install")
        << S::ToolMissing << S::ToolMissing << install << false << notFound << S::ToolMissing;
    QTest::newRow("no tool, uninstall")
        << S::ToolMissing << S::ToolMissing << uninstall << false << notFound << S::ToolMissing;
    QTest::newRow("Unity's tool, install")
        << S::NotInstalled << S::NotInstalled << install << true << InstalledBox << S::Installed;
    QTest::newRow("Unity's tool, uninstall") << S::NotInstalled << S::NotInstalled << uninstall
                                             << false << notInstalled << S::NotInstalled;
    QTest::newRow("installed, install")
        << S::Installed << S::Installed << install << false << InstalledBox << S::Installed;
    QTest::newRow("installed, uninstall")
        << S::Installed << S::Installed << uninstall << true << UninstalledBox << S::NotInstalled;
    QTest::newRow("original missing, install")
        << S::OriginalMissing << S::OriginalMissing << install << false << originalMissing
        << S::OriginalMissing;
    QTest::newRow("original missing, uninstall")
        << S::OriginalMissing << S::OriginalMissing << uninstall << false << originalMissing
        << S::OriginalMissing;
    QTest::newRow("other tool, install")
        << S::OtherTool << S::OtherTool << install << false << otherTool << S::OtherTool;
    QTest::newRow("other tool, uninstall")
        << S::OtherTool << S::OtherTool << uninstall << false << otherTool << S::OtherTool;
    QTest::newRow("short read, install")
        << S::ReadError << S::ReadError << install << false << readError << S::ReadError;
    QTest::newRow("short read, uninstall")
        << S::ReadError << S::ReadError << uninstall << false << readError << S::ReadError;
    // The bundle changed behind the window: the button still offered is answered by a box.
    QTest::newRow("installed since the refresh, install")
        << S::NotInstalled << S::Installed << install << false << InstalledBox << S::Installed;
    QTest::newRow("Unity's tool since the refresh, uninstall")
        << S::Installed << S::NotInstalled << uninstall << false << notInstalled << S::NotInstalled;
}

void TestMainWindow::decisionTable()
{
    QFETCH(BundleState, shownState);
    QFETCH(BundleState, state);
    QFETCH(int, mode);
    QFETCH(bool, ran);
    QFETCH(QString, box);
    QFETCH(BundleState, after);
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, shownState));
    QVERIFY(fixture.storeSettings());
    MainWindow window;
    const char* button = mode == MainWindow::ModeInstall ? "pushButton_2" : "pushButton_3";
    if (shownState != state) {
        QVERIFY(child<QPushButton>(&window, button)->isEnabled());
        QVERIFY(setBundleState(fixture.bundle, state));
    }
    const QString lineBefore = stateText(&window)->text();
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);

    QCOMPARE(window.installQuorvane(MainWindow::InstallMode(mode)), ran);

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), 1);
    const SeenBox& seen = driver.seen().first();
    QCOMPARE(seen.title, Title);
    QCOMPARE(seen.text,
             box.contains(QLatin1String("%1")) ? box.arg(fixture.bundle.toolPath()) : box);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(toolsSnapshot(fixture.bundle), snapshotOf(after));
    // Only a command that ran refreshes the window.
    const bool installedAfter = after == BundleState::Installed;
    QCOMPARE(stateText(&window)->text(),
             ran ? (installedAfter ? InstalledLine : NotInstalledLine) : lineBefore);
}

void TestMainWindow::confirmation_data()
{
    QTest::addColumn<bool>("install");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("runs");

    for (bool install : {true, false}) {
        const char* command = install ? "install" : "uninstall";
        QTest::addRow("%s, OK", command) << install << "ok" << true;
        QTest::addRow("%s, Cancel", command) << install << "cancel" << false;
        QTest::addRow("%s, Escape", command) << install << "escape" << false;
        QTest::addRow("%s, Return", command) << install << "return" << false;
    }
}

void TestMainWindow::confirmation()
{
    QFETCH(bool, install);
    QFETCH(QString, answer);
    QFETCH(bool, runs);
    MainWindowFixture fixture;
    const BundleState before = install ? BundleState::NotInstalled : BundleState::Installed;
    const BundleState changed = install ? BundleState::Installed : BundleState::NotInstalled;
    QVERIFY(setBundleState(fixture.bundle, before));
    QVERIFY(fixture.storeSettings());
    MainWindow window;
    window.show();
    ModalBoxDriver driver;
    if (answer == QLatin1String("ok"))
        driver.answer(QMessageBox::Ok);
    else if (answer == QLatin1String("cancel"))
        driver.answer(QMessageBox::Cancel);
    else
        driver.answerWithKey(answer == QLatin1String("escape") ? Qt::Key_Escape : Qt::Key_Return);
    if (runs)
        driver.answer(QMessageBox::Ok);

    child<QPushButton>(&window, install ? "pushButton_2" : "pushButton_3")->click();

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), runs ? 2 : 1);
    const SeenBox& question = driver.seen().first();
    QCOMPARE(question.title, QStringLiteral("警告"));
    QCOMPARE(question.text, install ? QStringLiteral("UnityにQuorvaneを組み込みます。\n\n"
                                                     "※Unityを終了させた状態で実行してください。")
                                    : QStringLiteral("UnityからQuorvaneを取り外します。\n\n"
                                                     "※Unityを終了させた状態で実行してください。"));
    QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question.defaultButtonText, QStringLiteral("キャンセル"));
    QVERIFY(question.buttonTexts.contains(QStringLiteral("OK")));
    QCOMPARE(question.iconPixmapSize, QSize(48, 48));

    QCOMPARE(toolsSnapshot(fixture.bundle), snapshotOf(runs ? changed : before));
    const bool installedNow = (runs ? changed : before) == BundleState::Installed;
    QCOMPARE(stateText(&window)->text(), installedNow ? InstalledLine : NotInstalledLine);
    if (runs)
        QCOMPARE(driver.seen().last().text, install ? InstalledBox : UninstalledBox);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
