// The main window against a temporary Documents folder and a fake Unity bundle.

#include "apputil.h"
#include "fakeunitybundle.h"
#include "mainwindow.h"
#include "modalboxdriver.h"
#include "mylabelicon.h"
#include "tempdocuments.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>

namespace
{

// What a test puts into the bundle's Tools folder; each gives one state of the installer.
enum class State { Missing, Installed, Unity, NoOriginal, Other, ShortRead, Loop };

// Empties the Tools folder and fills it for `state`; false when the file system refused.
bool setState(const FakeUnityBundle& bundle, State state)
{
    QDir(bundle.toolsFolder()).removeRecursively();
    QDir().mkpath(bundle.toolsFolder());
    const QString org = bundle.originalPath();
    if (state == State::Installed || state == State::NoOriginal)
        return bundle.makeInstalled(state == State::Installed);
    if (state == State::ShortRead) // sysfs reports one page for this file but gives a few bytes
        return QFile::link(QStringLiteral("/sys/devices/system/cpu/online"), bundle.toolPath());
    // Loop: a PVRTexTool_org whose status query fails with ELOOP.
    return state == State::Missing ||
           (state == State::Other
                ? bundle.writeTool("#!/bin/sh\n")
                : bundle.makeUnityTool() && (state == State::Unity || QFile::link(org, org)));
}

// Puts `bundle` in `state` and saves `setting` pointed at it; false when either failed.
bool store(const FakeUnityBundle& bundle, State state, Setting& setting)
{
    setting.UnityPath = bundle.unityPath();
    return setState(bundle, state) && AppUtil::saveSetting(setting);
}

// The fields of the six check boxes, in the boxes' creation order, from the bits of `ticks`.
void setTicks(Setting& s, int ticks)
{
    bool* const fields[] = {&s.Enabled,   &s.pvrtcfast, &s.pvrtcnormal,
                            &s.pvrtcbest, &s.Only32bit, &s.UseDebugConvert};
    for (int i = 0; i < 6; ++i)
        *fields[i] = ticks & 1 << i;
}

} // namespace
Q_DECLARE_METATYPE(State)

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void form();
    void session_data();
    void session();
    void installerCommands_data();
    void installerCommands();
};

void TestMainWindow::form()
{
    TempDocuments documents;
    MainWindow window;
    const int hints = Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint;
    QCOMPARE(int(window.windowFlags()) & (hints | Qt::WindowMinMaxButtonsHint), hints);
    QVERIFY(window.minimumSize() == QSize(478, 429) && window.maximumSize() == QSize(478, 429));
    QVERIFY(window.menuBar()->actions().isEmpty());
    const std::tuple<const char*, const char*, QRect> widgets[] = {
        {"groupBox_2", "groupBox", {20, 30, 381, 61}},
        {"checkBox_6", "groupBox_2", {240, 30, 86, 22}},
        {"widget", "centralWidget", {20, 280, 301, 16}}};
    for (const auto& [name, parent, geometry] : widgets) {
        const QWidget* widget = window.findChild<QWidget*>(name);
        QVERIFY2(widget && widget->parentWidget()->objectName() == parent, name);
        QCOMPARE(widget->geometry(), geometry);
    }
}

void TestMainWindow::session_data()
{
    QTest::addColumn<State>("state"); // Missing: no settings.xml yet
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("shown"); // the size the window offers
    QTest::addColumn<int>("ticks"); // one bit a box, ticked before OK; the file has the opposite
    QTest::addColumn<int>("index"); // chosen before OK
    QTest::addColumn<int>("saved"); // 0: settings.xml can't be written
    QTest::newRow("first start") << State::Missing << 1024 << 1024 << 0b100111 << 0 << 512;
    QTest::newRow("512, no original") << State::NoOriginal << 512 << 512 << 0b010101 << 3 << 4096;
    QTest::newRow("1000, Unity's tool") << State::Unity << 1000 << 1024 << 0b100110 << -1 << 1024;
    QTest::newRow("2048, installed") << State::Installed << 2048 << 2048 << 0b111000 << 2 << 2048;
    QTest::newRow("4096, turned off") << State::Installed << 4096 << 4096 << 0b001011 << 1 << 1024;
    QTest::newRow("8192, save fails") << State::Installed << 8192 << 1024 << 0b010110 << 1 << 0;
}

void TestMainWindow::session()
{
    QFETCH(State, state);
    QFETCH(int, limit);
    QFETCH(int, shown);
    QFETCH(int, ticks);
    QFETCH(int, index);
    QFETCH(int, saved);
    TempDocuments documents;
    FakeUnityBundle bundle;
    Setting setting;
    setTicks(setting, ~ticks);
    setting.LimitImageSize = limit;
    QVERIFY(state == State::Missing || store(bundle, state, setting));

    MainWindow window;
    window.show();

    // The start saves the record with this application's bundle as ConfigPath, and shows it.
    const QByteArray written = documents.readSettingsFile();
    setting.ConfigPath = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../..");
    QVERIFY(AppUtil::saveSetting(setting));
    QCOMPARE(written, documents.readSettingsFile());
    QCOMPARE(window.findChild<QComboBox*>()->currentText(), QString("%1 x %1").arg(shown));
    const QList<QCheckBox*> boxes = window.findChildren<QCheckBox*>();
    for (int i = 0; i < 6; ++i)
        QCOMPARE(boxes[i]->isChecked(), !(ticks & 1 << i));
    const bool on = state == State::Installed;
    const bool enabled = !(ticks & 1);
    const std::pair<const char*, bool> controls[] = {
        {"checkBox", on}, {"groupBox", on && enabled}, {"pushButton_2", !on}, {"pushButton_3", on}};
    for (const auto& [name, isEnabled] : controls)
        QVERIFY2(window.findChild<QWidget*>(name)->isEnabled() == isEnabled, name);
    MyLabelIcon* line = window.findChild<MyLabelIcon*>("widget");
    QCOMPARE(line->textLabel->text(), on ? QStringLiteral("Quorvaneが組み込まれています")
                                         : QStringLiteral("Quorvaneが組み込まれていません"));
    QCOMPARE(line->textLabel->styleSheet(),
             QStringLiteral("font-weight: bold; color: ") + (on ? "cyan" : "red"));
    const QIcon icon = window.style()->standardIcon(on ? QStyle::SP_DialogApplyButton
                                                       : QStyle::SP_MessageBoxWarning);
    line->setIcon(nullptr); // changes nothing
    QCOMPARE(line->iconLabel->pixmap(Qt::ReturnByValue).toImage(),
             icon.pixmap(QFontMetrics(line->textLabel->font()).height()).toImage());
    // The check box switches the options at once; only OK writes.
    boxes[0]->click();
    QCOMPARE(window.findChild<QWidget*>("groupBox")->isEnabled(), on && !enabled);
    // The next start writes the file even with nothing to change.
    QVERIFY(documents.writeSettingsFile(written + "<!-- not ours -->\n"));
    MainWindow again;
    QCOMPARE(documents.readSettingsFile(), written);

    // OK saves the seven options shown and keeps what the notification dialog saved meanwhile.
    for (int i = 0; i < 6; ++i)
        boxes[i]->setChecked(ticks & 1 << i);
    window.findChild<QComboBox*>()->setCurrentIndex(index);
    Setting expected = AppUtil::loadSetting();
    expected.ErrorMail = {true, "smtp.jp", 587, "a@x.jp", "開発 <b@x.jp>", true, "名前", "p&<"};
    QVERIFY(AppUtil::saveSetting(expected));
    if (saved == 0) // a folder where settings.xml should be: not even root can write the file
        QVERIFY(QFile::remove(documents.settingsFile()) && QDir().mkdir(documents.settingsFile()));
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    window.findChild<QAbstractButton*>("pushButton_7")->click();
    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(window.isVisible(), saved == 0);
    QCOMPARE(driver.seen().value(0).text,
             saved ? QString() : QStringLiteral("設定の保存に失敗しました。"));
    if (saved == 0)
        return;
    const QByteArray afterOk = documents.readSettingsFile();
    setTicks(expected, ticks);
    expected.LimitImageSize = saved;
    QVERIFY(AppUtil::saveSetting(expected));
    QCOMPARE(afterOk, documents.readSettingsFile());
}

void TestMainWindow::installerCommands_data()
{
    QTest::addColumn<bool>("install");
    QTest::addColumn<State>("state");    // at the click, after the window started
    QTest::addColumn<QString>("answer"); // to the confirmation
    QTest::addColumn<QString>("box");    // pattern of the box that follows; %1: the tool's path
    const QString installed = QStringLiteral("UnityへQuorvaneを組み込みました。");
    const std::tuple<const char*, State, QString> refusals[] = {
        {"no tool", State::Missing,
         "PVRTexToolが見つかりません。Unityが正常にインストールされているか確認してください。\n%1"},
        {"no original", State::NoOriginal,
         "Quorvaneはすでに組み込まれていますが、オリジナルのPVRTexToolが見つかりません。"},
        {"other tool", State::Other, "他のPVRTexTool置き換えツールがすでに組み込まれています。"},
        {"short read", State::ShortRead, "確認中にエラーが発生しました。\n%1"},
        // An error inside the command shows in a warning; the window lives on.
        {"status query fails", State::Loop,
         "処理中にエラーが発生したため、操作を中止しました。\n\n.*PVRTexTool_org.*"}};
    for (bool install : {true, false}) {
        const char* command = install ? "install" : "uninstall";
        const State from = install ? State::Unity : State::Installed;
        QTest::addRow("%s, OK", command)
            << install << from << "OK"
            << (install ? installed : QStringLiteral("UnityからQuorvaneを取り外しました。"));
        for (const char* answer : {"Cancel", "Escape", "Return"})
            QTest::addRow("%s, %s", command, answer) << install << from << answer << "";
        for (const auto& [name, state, box] : refusals)
            QTest::addRow("%s, %s", command, name) << install << state << "OK" << box;
    }
    // The bundle changed since the window's last refresh: the button it offers gets a box.
    QTest::newRow("install, installed since") << true << State::Installed << "OK" << installed;
    QTest::newRow("uninstall, Unity's tool since") << false << State::Unity << "OK"
                                                   << "Quorvaneは組み込まれていません。";
}

void TestMainWindow::installerCommands()
{
    QFETCH(bool, install);
    QFETCH(State, state);
    QFETCH(QString, answer);
    QFETCH(QString, box);
    FakeUnityBundle bundle;
    TempDocuments documents;
    Setting setting;
    const State from = install ? State::Unity : State::Installed;
    QVERIFY(store(bundle, from, setting));
    MainWindow window;
    window.show();
    QVERIFY(setState(bundle, state));
    ModalBoxDriver driver;
    if (answer == "Escape" || answer == "Return")
        driver.answerWithKey(answer == "Escape" ? Qt::Key_Escape : Qt::Key_Return);
    else
        driver.answer(answer == "OK" ? QMessageBox::Ok : QMessageBox::Cancel);
    driver.answer(QMessageBox::Ok);

    window.findChild<QAbstractButton*>(install ? "pushButton_2" : "pushButton_3")->click();

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), box.isEmpty() ? 1 : 2);
    const SeenBox& question = driver.seen().first();
    QCOMPARE(question.title, QStringLiteral("警告"));
    QCOMPARE(question.text, (install ? QStringLiteral("UnityにQuorvaneを組み込みます。")
                                     : QStringLiteral("UnityからQuorvaneを取り外します。")) +
                                QStringLiteral("\n\n※Unityを終了させた状態で実行してください。"));
    QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question.defaultButtonText, QStringLiteral("キャンセル"));
    QCOMPARE(question.iconPixmapSize, QSize(48, 48));
    const QString seen = driver.seen().last().title + ": " + driver.seen().last().text;
    const QString expected = window.windowTitle() + ": " + box.replace("%1", bundle.toolPath());
    QVERIFY2(box.isEmpty() || QRegularExpression('^' + expected + '$').match(seen).hasMatch(),
             qPrintable(seen));
    // Only a command that ran changes the bundle and refreshes the window.
    const bool ran = answer == "OK" && state == from;
    const State after = !ran ? state : install ? State::Installed : State::Unity;
    const QByteArray tools = bundle.readTool() + '|' + bundle.readOriginal();
    QVERIFY(setState(bundle, after));
    QCOMPARE(tools, bundle.readTool() + '|' + bundle.readOriginal());
    QCOMPARE(window.findChild<QWidget*>("pushButton_2")->isEnabled(), ran ? !install : install);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
