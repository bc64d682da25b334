#include "fakeunitybundle.h"
#include "install.h"
#include "manualpage.h"
#include "mirrelproberunner.h"
#include "modalboxdriver.h"
#include "producttitle.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <optional>
#include <sys/stat.h>
#include <utility>

// While it lives, ":/bin/res/mirrel" is gone, as if the embedded converter couldn't be opened.
class ConverterResourceGone
{
public:
    ConverterResourceGone() { Q_CLEANUP_RESOURCE(mirrel); }
    ~ConverterResourceGone() { Q_INIT_RESOURCE(mirrel); }
};

namespace
{
using Paths = std::pair<boost::filesystem::path, boost::filesystem::path>;

Paths pathsOf(const FakeUnityBundle& bundle)
{
    Paths paths;
    Install::GetMirrelTargetPath(bundle.unityPath(), paths.first, paths.second);
    return paths;
}

int stateOf(const FakeUnityBundle& bundle)
{
    Paths paths;
    return Install::CheckMirrelState(bundle.unityPath(), paths.first, paths.second);
}

int modeOf(const QString& path)
{
    struct stat info;
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QStringList toolsEntries(const FakeUnityBundle& bundle)
{
    return QDir(bundle.toolsFolder())
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

using Original = FakeUnityBundle::Original;
enum ToolKind { NoTool, ConverterTool, FolderTool };
enum BoxCase { Success, RenameFailure, OpenFailure };

bool makeTool(const FakeUnityBundle& bundle, ToolKind kind)
{
    switch (kind) {
    case NoTool:
        return true;
    case ConverterTool:
        return bundle.writeTool(FakeUnityBundle::converterBytes());
    case FolderTool:
        return bundle.makeToolFolder();
    }
    return false;
}

QString title()
{
    return QString::fromUtf8(ProductTitle);
}
} // namespace

Q_DECLARE_METATYPE(FakeUnityBundle::Original)
Q_DECLARE_METATYPE(ToolKind)
Q_DECLARE_METATYPE(BoxCase)

class TestMirrelInstall : public QObject
{
    Q_OBJECT
private slots:
    void install_data();
    void install();
    void installIntoNonEmptyOriginalFolder();
    void installIntoReadOnlyToolsFolder();
    void failedOpenPutsUnityToolBack();
    void failedWritePutsUnityToolBack();
    void uninstall_data();
    void uninstall();
    void installBox_data();
    void installBox();
    void uninstallBox_data();
    void uninstallBox();
    void silentUninstallShowsNoBox_data();
    void silentUninstallShowsNoBox();
};

void TestMirrelInstall::install_data()
{
    QTest::addColumn<Original>("leftover");

    QTest::newRow("no leftover") << Original::Nothing;
    QTest::newRow("leftover file") << Original::UnityTool;
    QTest::newRow("leftover empty folder") << Original::EmptyFolder;
    QTest::newRow("leftover dangling link") << Original::DanglingLink;
}

void TestMirrelInstall::install()
{
    QFETCH(Original, leftover);

    FakeUnityBundle bundle;
    const QByteArray unityTool = FakeUnityBundle::unityToolBytes() + "# the current tool\n";
    QVERIFY(bundle.writeTool(unityTool));
    QVERIFY(bundle.makeOriginal(leftover));

    const Paths paths = pathsOf(bundle);
    QCOMPARE(Install::InstallMirrelCore(paths.first, paths.second), int(Install::ResultOk));

    QCOMPARE(bundle.readTool(), FakeUnityBundle::converterBytes());
    QCOMPARE(modeOf(bundle.toolPath()), 0775);
    QCOMPARE(bundle.readOriginal(), unityTool);
    QCOMPARE(toolsEntries(bundle), (QStringList{"PVRTexTool", "PVRTexTool_org"}));
    QCOMPARE(stateOf(bundle), int(Install::StateInstalled));
}

void TestMirrelInstall::installIntoNonEmptyOriginalFolder()
{
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    QVERIFY(bundle.makeOriginal(Original::NonEmptyFolder));

    const Paths paths = pathsOf(bundle);
    QCOMPARE(Install::InstallMirrelCore(paths.first, paths.second),
             int(Install::ResultRenameFailed));
    QCOMPARE(bundle.readTool(), FakeUnityBundle::unityToolBytes());
    QVERIFY(QFile::exists(bundle.originalPath() + QStringLiteral("/leftover")));
}

void TestMirrelInstall::installIntoReadOnlyToolsFolder()
{
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    QVERIFY(bundle.openToOthers());
    QCOMPARE(chmod(QFile::encodeName(bundle.toolsFolder()).constData(), 0555), 0);

    QCOMPARE(runMirrelProbe(bundle, {QStringLiteral("install")}, ProbeUser::Unprivileged),
             QString::number(Install::ResultRenameFailed));
    QCOMPARE(bundle.readTool(), FakeUnityBundle::unityToolBytes());
    QCOMPARE(toolsEntries(bundle), QStringList{"PVRTexTool"});
}

void TestMirrelInstall::failedOpenPutsUnityToolBack()
{
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());

    const Paths paths = pathsOf(bundle);
    {
        ConverterResourceGone gone;
        QCOMPARE(Install::InstallMirrelCore(paths.first, paths.second),
                 int(Install::ResultOpenFailed));
    }
    QCOMPARE(bundle.readTool(), FakeUnityBundle::unityToolBytes());
    QCOMPARE(toolsEntries(bundle), QStringList{"PVRTexTool"});
    QCOMPARE(stateOf(bundle), int(Install::StateNotInstalled));
}

void TestMirrelInstall::failedWritePutsUnityToolBack()
{
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    const int limit = FakeUnityBundle::converterBytes().size() / 2;

    QCOMPARE(runMirrelProbe(bundle, {QStringLiteral("install"), QString::number(limit)}),
             QString::number(Install::ResultWriteFailed));
    QCOMPARE(bundle.readTool(), FakeUnityBundle::unityToolBytes());
    QCOMPARE(toolsEntries(bundle), QStringList{"PVRTexTool"});
    QCOMPARE(stateOf(bundle), int(Install::StateNotInstalled));
}

void TestMirrelInstall::uninstall_data()
{
    QTest::addColumn<ToolKind>("tool");
    QTest::addColumn<Original>("original");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("stateAfter");

    QTest::newRow("installed") << ConverterTool << Original::UnityTool << int(Install::ResultOk)
                               << int(Install::StateNotInstalled);
    QTest::newRow("tool already gone") << NoTool << Original::UnityTool << int(Install::ResultOk)
                                       << int(Install::StateNotInstalled);
    QTest::newRow("no original: converter stays")
        << ConverterTool << Original::Nothing << int(Install::ResultRenameFailed)
        << int(Install::StateOriginalMissing);
    QTest::newRow("dangling original: converter stays")
        << ConverterTool << Original::DanglingLink << int(Install::ResultRenameFailed)
        << int(Install::StateOriginalMissing);
    QTest::newRow("tool can't be removed")
        << FolderTool << Original::UnityTool << int(Install::ResultDeleteFailed)
        << int(Install::StateReadError);
}

void TestMirrelInstall::uninstall()
{
    QFETCH(ToolKind, tool);
    QFETCH(Original, original);
    QFETCH(int, result);
    QFETCH(int, stateAfter);

    FakeUnityBundle bundle;
    QVERIFY(makeTool(bundle, tool));
    QVERIFY(bundle.makeOriginal(original));

    const Paths paths = pathsOf(bundle);
    QCOMPARE(Install::UninstallMirrelCore(paths.first, paths.second), result);
    QCOMPARE(stateOf(bundle), stateAfter);
    if (original == Original::UnityTool) // Unity's tool is never lost
        QVERIFY(bundle.readTool() == FakeUnityBundle::unityToolBytes() ||
                bundle.readOriginal() == FakeUnityBundle::unityToolBytes());
}

void TestMirrelInstall::installBox_data()
{
    QTest::addColumn<BoxCase>("boxCase");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::TextFormat>("format");
    QTest::addColumn<QMessageBox::Icon>("icon");

    const QString head = QStringLiteral("Quorvaneの組み込みに失敗しました。");
    const QString link =
        QStringLiteral("<a href='%1'>対処方法を見る</a>")
            .arg(manualPageUrl(QString::fromLatin1(ManualUnityHubSection)).toString());

    QTest::newRow("success") << Success << QStringLiteral("UnityへQuorvaneを組み込みました。")
                             << Qt::AutoText << QMessageBox::Information;
    QTest::newRow("rename failure, with help link")
        << RenameFailure
        << head +
               QStringLiteral("<br/><br/>ファイルのリネームができませんでした。"
                              "<br/><br/>Unity Hubをご使用ではありませんか？<br/>") +
               link
        << Qt::RichText << QMessageBox::NoIcon;
    QTest::newRow("open failure, plain")
        << OpenFailure << head + QStringLiteral("\n\nファイルを開くことができませんでした。")
        << Qt::AutoText << QMessageBox::NoIcon;
}

void TestMirrelInstall::installBox()
{
    QFETCH(BoxCase, boxCase);
    QFETCH(QString, text);
    QFETCH(Qt::TextFormat, format);
    QFETCH(QMessageBox::Icon, icon);

    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    if (boxCase == RenameFailure)
        QVERIFY(bundle.makeOriginal(Original::NonEmptyFolder));

    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    const Paths paths = pathsOf(bundle);
    {
        std::optional<ConverterResourceGone> gone;
        if (boxCase == OpenFailure)
            gone.emplace();
        Install::InstallMirrel_OSX(nullptr, paths.first, paths.second);
    }

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), 1);
    const SeenBox& box = driver.seen().first();
    QCOMPARE(box.title, title());
    QCOMPARE(box.text, text);
    QCOMPARE(box.textFormat, format);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestMirrelInstall::uninstallBox_data()
{
    QTest::addColumn<ToolKind>("tool");
    QTest::addColumn<Original>("original");
    QTest::addColumn<QString>("text");

    const QString head = QStringLiteral("Quorvaneの取り外しに失敗しました。");
    QTest::newRow("success") << ConverterTool << Original::UnityTool
                             << QStringLiteral("UnityからQuorvaneを取り外しました。");
    QTest::newRow("rename failure")
        << ConverterTool << Original::Nothing
        << head + QStringLiteral("\n\nファイルのリネームができませんでした。");
    QTest::newRow("delete failure")
        << FolderTool << Original::UnityTool
        << head + QStringLiteral("\n\n不要となるファイルの削除ができませんでした。");
}

void TestMirrelInstall::uninstallBox()
{
    QFETCH(ToolKind, tool);
    QFETCH(Original, original);
    QFETCH(QString, text);

    FakeUnityBundle bundle;
    QVERIFY(makeTool(bundle, tool));
    QVERIFY(bundle.makeOriginal(original));

    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    const Paths paths = pathsOf(bundle);
    Install::UninstallMirrel_OSX(nullptr, false, paths.first, paths.second);

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), 1);
    const SeenBox& box = driver.seen().first();
    QCOMPARE(box.title, title());
    QCOMPARE(box.text, text);
    QCOMPARE(box.textFormat, Qt::AutoText);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestMirrelInstall::silentUninstallShowsNoBox_data()
{
    QTest::addColumn<Original>("original");
    QTest::addColumn<int>("stateAfter");

    QTest::newRow("success") << Original::UnityTool << int(Install::StateNotInstalled);
    QTest::newRow("failure") << Original::Nothing << int(Install::StateOriginalMissing);
}

void TestMirrelInstall::silentUninstallShowsNoBox()
{
    QFETCH(Original, original);
    QFETCH(int, stateAfter);

    FakeUnityBundle bundle;
    QVERIFY(makeTool(bundle, ConverterTool));
    QVERIFY(bundle.makeOriginal(original));

    ModalBoxDriver driver;
    const Paths paths = pathsOf(bundle);
    Install::UninstallMirrel_OSX(nullptr, true, paths.first, paths.second);

    QVERIFY(driver.seen().isEmpty());
    QCOMPARE(stateOf(bundle), stateAfter);
}

QTEST_MAIN(TestMirrelInstall)
#include "tst_mirrelinstall.moc"
