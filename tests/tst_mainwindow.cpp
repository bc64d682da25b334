// The main window against a temporary Documents folder and a fake Unity bundle.

#include "apputil.h"
#include "fakeunitybundle.h"
#include "heapgrowth.h"
#include "mainwindow.h"
#include "modalboxdriver.h"
#include "mylabelicon.h"
#include "startup.h"
#include "tempdocuments.h"

#include <QTest>
#include <QtWidgets>

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

// The fields of the six check boxes, in the boxes' creation order, from the bits of `ticks`.
void setTicks(Setting& s, int ticks)
{
    bool* const fields[] = {&s.Enabled,   &s.pvrtcfast, &s.pvrtcnormal,
                            &s.pvrtcbest, &s.Only32bit, &s.UseDebugConvert};
    for (int i = 0; i < 6; ++i)
        *fields[i] = ticks & 1 << i;
}

// The state line's style sheet and text, as shown and as they should be.
QString shownLine(const QWidget& window)
{
    const QLabel* label = window.findChild<MyLabelIcon*>("widget")->textLabel;
    return label->styleSheet() + ' ' + label->text();
}
QString lineFor(bool installed)
{
    return installed ? "font-weight: bold; color: cyan Quorvaneが組み込まれています"
                     : "font-weight: bold; color: red Quorvaneが組み込まれていません";
}

const QString Uninstalled = "UnityからQuorvaneを取り外しました。";
// The boxes that refuse a command; %1: the tool's path.
const std::tuple<const char*, State, QString> Refusals[] = {
    {"no tool", State::Missing,
     "PVRTexToolが見つかりません。Unityが正常にインストールされているか確認してください。\n%1"},
    {"no original", State::NoOriginal,
     "Quorvaneはすでに組み込まれていますが、オリジナルのPVRTexToolが見つかりません。"},
    {"other tool", State::Other, "他のPVRTexTool置き換えツールがすでに組み込まれています。"},
    {"short read", State::ShortRead, "確認中にエラーが発生しました。\n%1"},
    // An error inside the command shows in a warning; the window lives on.
    {"status query fails", State::Loop,
     "処理中にエラーが発生したため、操作を中止しました。\n\n.*PVRTexTool_org.*"}};

} // namespace
Q_DECLARE_METATYPE(State)

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A constructor that throws (no Documents folder to keep the settings in) frees its form:
    // the heap in use stays put across many such starts once the caches have warmed up.
    void failedConstructionFreesForm()
    {
#ifdef __linux__
        TempDocuments documents;
        QVERIFY(QDir(documents.documents()).removeRecursively());
        const long long grown =
            heapGrowth(400, [] { QVERIFY_EXCEPTION_THROWN(MainWindow(), std::exception); });
        // A leaked form takes some 180 bytes a start; what the caches still take is far less.
        QVERIFY2(grown < 400 * 64, qPrintable(QString("%1 bytes").arg(grown)));
#else
        QSKIP("the heap in use is read from glibc's allocator, which macOS lacks");
#endif
    }

    void startupFailure_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("no Documents folder") << "documents";
        QTest::newRow("settings folder links to itself") << "settings";
        QTest::newRow("PVRTexTool_org links to itself") << "original";
    }
    // A window that can't start says why, with the error's own text, then the process ends.
    void startupFailure()
    {
        QFETCH(QString, cause);
        TempDocuments documents;
        FakeUnityBundle bundle;
        Setting setting;
        setting.UnityPath = bundle.unityPath();
        QVERIFY(setState(bundle, State::Loop) && AppUtil::saveSetting(setting));
        QString named = documents.settingsFolder();
        if (cause == "original")
            named = bundle.originalPath();
        else if (cause == "settings")
            QVERIFY(QDir(named).removeRecursively() && QFile::link(named, named));
        else
            QVERIFY(QDir(documents.documents()).removeRecursively());
        ModalBoxDriver driver;
        driver.answer(QMessageBox::Ok);

        QCOMPARE(runApplication(), 1);

        QVERIFY(driver.unexpectedBoxes().isEmpty());
        QCOMPARE(driver.seen().size(), 1);
        const SeenBox box = driver.seen().first();
        QCOMPARE(box.icon, QMessageBox::Critical);
        const QString seen = box.title + ": " + box.text;
        const QString expected = "Sorvel Quorvane for Unity: "
                                 "Sorvel Quorvane for Unityを起動できませんでした。\n\n.*" +
                                 QRegularExpression::escape(named) + ".*";
        QVERIFY2(QRegularExpression('^' + expected + '$').match(seen).hasMatch(), qPrintable(seen));
    }

    void session_data()
    {
        QTest::addColumn<State>("state"); // Missing: no settings.xml yet
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("shown"); // the size the window offers
        QTest::addColumn<int>("ticks"); // a bit a box, ticked before OK; the file has the opposite
        QTest::addColumn<int>("index"); // chosen before OK
        QTest::addColumn<int>("saved"); // 0: settings.xml can't be written
        QTest::newRow("first start") << State::Missing << 1024 << 1024 << 0b100111 << 0 << 512;
        QTest::newRow("no original") << State::NoOriginal << 512 << 512 << 0b010101 << 3 << 4096;
        QTest::newRow("Unity's tool") << State::Unity << 1000 << 1024 << 0b100110 << -1 << 1024;
        QTest::newRow("installed") << State::Installed << 2048 << 2048 << 0b111000 << 2 << 2048;
        QTest::newRow("turned off") << State::Installed << 4096 << 4096 << 0b001011 << 1 << 1024;
        QTest::newRow("save fails") << State::Installed << 8192 << 1024 << 0b010110 << 1 << 0;
    }

    void session()
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
        if (state != State::Missing) {
            setting.UnityPath = bundle.unityPath();
            QVERIFY(setState(bundle, state) && AppUtil::saveSetting(setting));
        }

        MainWindow window;
        window.show();
        QVERIFY(window.minimumSize() == QSize(478, 429) && window.maximumSize() == QSize(478, 429));
        // The start saves the record with this application's bundle as ConfigPath, and shows it.
        const QByteArray written = documents.readSettingsFile();
        setting.ConfigPath = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../..");
        QVERIFY(AppUtil::saveSetting(setting));
        QCOMPARE(written, documents.readSettingsFile());
        QCOMPARE(window.findChild<QComboBox*>()->currentText(), QString("%1 x %1").arg(shown));
        const QList<QCheckBox*> boxes = window.findChildren<QCheckBox*>();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(boxes[i]->isChecked(), !(ticks & 1 << i));
        const bool on = state == State::Installed, enabled = !(ticks & 1);
        QString enabledNow; // the switch, the options, install, uninstall
        for (const char* name : {"checkBox", "groupBox", "pushButton_2", "pushButton_3"})
            enabledNow += window.findChild<QWidget*>(name)->isEnabled() ? '1' : '0';
        QCOMPARE(enabledNow, on ? (enabled ? "1101" : "1001") : "0010");
        QCOMPARE(shownLine(window), lineFor(on));
        MyLabelIcon* line = window.findChild<MyLabelIcon*>("widget");
        const QIcon icon = window.style()->standardIcon(on ? QStyle::SP_DialogApplyButton
                                                           : QStyle::SP_MessageBoxWarning);
        line->setIcon(nullptr); // changes nothing
        QCOMPARE(line->iconLabel->pixmap(Qt::ReturnByValue).toImage(),
                 icon.pixmap(QFontMetrics(line->textLabel->font()).height()).toImage());
        boxes[0]->click(); // switches the options at once; only OK writes
        QCOMPARE(window.findChild<QWidget*>("groupBox")->isEnabled(), on && !enabled);
        QVERIFY(documents.writeSettingsFile(written + "<!-- not ours -->\n"));
        MainWindow again; // writes the file even with nothing to change
        QCOMPARE(documents.readSettingsFile(), written);

        // OK saves the seven options shown and keeps what the notification dialog saved meanwhile.
        for (int i = 0; i < 6; ++i)
            boxes[i]->setChecked(ticks & 1 << i);
        window.findChild<QComboBox*>()->setCurrentIndex(index);
        Setting expected = AppUtil::loadSetting();
        expected.ErrorMail = {true, "smtp.jp", 587, "a@x.jp", "開発 <b@x.jp>", true, "名前", "p&<"};
        QVERIFY(AppUtil::saveSetting(expected));
        if (saved == 0) // a folder where settings.xml should be: not even root can write the file
            QVERIFY(QFile::remove(documents.settingsFile()) &&
                    QDir().mkdir(documents.settingsFile()));
        ModalBoxDriver driver;
        driver.answer(QMessageBox::Ok);
        window.findChild<QAbstractButton*>("pushButton_7")->click();
        QVERIFY(driver.unexpectedBoxes().isEmpty());
        QCOMPARE(window.isVisible(), saved == 0);
        QCOMPARE(driver.seen().value(0).text, saved ? "" : QString("設定の保存に失敗しました。"));
        const QByteArray afterOk = documents.readSettingsFile();
        setTicks(expected, ticks);
        expected.LimitImageSize = saved;
        QVERIFY(saved == 0 || AppUtil::saveSetting(expected));
        QCOMPARE(afterOk, documents.readSettingsFile());
    }

    void installerCommands_data()
    {
        QTest::addColumn<bool>("install");
        QTest::addColumn<State>("state");    // at the click, after the window started
        QTest::addColumn<QString>("answer"); // to the confirmation
        QTest::addColumn<QString>("box");    // pattern of the box that follows; %1: the tool's path
        const QString installed = "UnityへQuorvaneを組み込みました。";
        for (bool install : {true, false}) {
            const char* command = install ? "install" : "uninstall";
            const State from = install ? State::Unity : State::Installed;
            QTest::addRow("%s, OK", command)
                << install << from << "OK" << (install ? installed : Uninstalled);
            for (const char* answer : {"Cancel", "Escape", "Return"})
                QTest::addRow("%s, %s", command, answer) << install << from << answer << "";
            for (const auto& [name, state, box] : Refusals)
                QTest::addRow("%s, %s", command, name) << install << state << "OK" << box;
        }
        // The bundle changed since the window's last refresh: the button it offers gets a box.
        QTest::newRow("install, installed since") << true << State::Installed << "OK" << installed;
        QTest::newRow("uninstall, gone since") << false << State::Unity << "OK"
                                               << "Quorvaneは組み込まれていません。";
    }

    void installerCommands()
    {
        QFETCH(bool, install);
        QFETCH(State, state);
        QFETCH(QString, answer);
        QFETCH(QString, box);
#ifndef __linux__
        if (state == State::ShortRead)
            QSKIP("the short read comes from a sysfs file, and sysfs is Linux only");
#endif
        FakeUnityBundle bundle;
        TempDocuments documents;
        Setting setting;
        setting.UnityPath = bundle.unityPath();
        const State from = install ? State::Unity : State::Installed;
        QVERIFY(setState(bundle, from) && AppUtil::saveSetting(setting));
        MainWindow window;
        window.show();
        QVERIFY(setState(bundle, state));
        ModalBoxDriver driver;
        const QMap<QString, Qt::Key> keys{{"Escape", Qt::Key_Escape}, {"Return", Qt::Key_Return}};
        keys.contains(answer)
            ? driver.answerWithKey(keys[answer])
            : driver.answer(answer == "OK" ? QMessageBox::Ok : QMessageBox::Cancel);
        driver.answer(QMessageBox::Ok);

        window.findChild<QAbstractButton*>(install ? "pushButton_2" : "pushButton_3")->click();

        QVERIFY(driver.unexpectedBoxes().isEmpty());
        QCOMPARE(driver.seen().size(), box.isEmpty() ? 1 : 2);
        const SeenBox& q = driver.seen().first();
        QCOMPARE(q.title + ": " + q.text + " [" + q.defaultButtonText + ']',
                 QString(install ? "警告: UnityにQuorvaneを組み込みます。"
                                 : "警告: UnityからQuorvaneを取り外します。") +
                     "\n\n※Unityを終了させた状態で実行してください。 [キャンセル]");
        QCOMPARE(q.iconPixmapSize, QSize(48, 48));
        const QString seen = driver.seen().last().title + ": " + driver.seen().last().text;
        const QString expected = window.windowTitle() + ": " + box.replace("%1", bundle.toolPath());
        QVERIFY2(box.isEmpty() || QRegularExpression('^' + expected + '$').match(seen).hasMatch(),
                 qPrintable(seen));
        // Only a command that ran changes the bundle.
        const bool ran = answer == "OK" && state == from;
        const State after = !ran ? state : install ? State::Installed : State::Unity;
        const QByteArray tools = bundle.readTool() + '|' + bundle.readOriginal();
        QVERIFY(setState(bundle, after));
        QCOMPARE(tools, bundle.readTool() + '|' + bundle.readOriginal());
        // Every command leaves the line and the buttons telling the bundle's state as it now is;
        // a state query that fails leaves them as they were.
        const bool on = state == State::Loop ? !install : after == State::Installed;
        QCOMPARE(shownLine(window), lineFor(on));
        QCOMPARE(window.findChild<QWidget*>("pushButton_2")->isEnabled(), !on);
        QCOMPARE(window.findChild<QWidget*>("pushButton_3")->isEnabled(), on);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
