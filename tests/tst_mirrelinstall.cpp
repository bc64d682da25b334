#include "fakeunitybundle.h"
#include "install.h"
#include "manualpage.h"
#include "modalboxdriver.h"
#include "producttitle.h"

#include <QIcon>
#include <QtTest>

#include <boost/filesystem/exception.hpp>
#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const QByteArray Marker = "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";
const QByteArray VersionText = "PVRTexToolCL version %d.%d";
const int RaisedError = 100; // the child's exit code when the operation threw filesystem_error
// Short names for the table rows.
const int NotFound = Install::StateToolNotFound, Installed = Install::StateInstalled,
          NotInstalled = Install::StateNotInstalled, OrgMissing = Install::StateOriginalMissing,
          Other = Install::StateOtherTool, ReadError = Install::StateReadError;

// What make() puts at a path besides a file of those bytes; a null array puts nothing there.
const QByteArray Folder = "<dir>", NonEmptyFolder = "<full dir>", DanglingLink = "<link>";

enum Operation { Check, DoInstall, DoUninstall, DoSilentUninstall };

// Puts `what` at `path`. A non-empty folder opens, but can be neither read nor removed.
bool make(const QString& path, const QByteArray& what)
{
    if (what == Folder || what == NonEmptyFolder)
        return QDir().mkpath(path) &&
               (what == Folder || FakeUnityBundle::writeFile(path + "/inside", "x"));
    if (what == DanglingLink)
        return QFile::link(path + "-nowhere", path);
    return what.isNull() || FakeUnityBundle::writeFile(path, what);
}

// Runs `operation` in a child process: as nobody (uid and gid 65534) when `unprivileged`, and
// with files limited to `sizeLimit` bytes when that is nonzero (SIGXFSZ ignored, so the write
// fails with EFBIG). Returns the child's exit code, RaisedError, or -1 when the child failed.
int inChild(const std::function<int()>& operation, bool unprivileged, rlim_t sizeLimit)
{
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit = {sizeLimit, sizeLimit};
        signal(SIGXFSZ, SIG_IGN);
        if ((sizeLimit && setrlimit(RLIMIT_FSIZE, &limit)) ||
            (unprivileged && (setgroups(0, nullptr) || setresgid(65534, 65534, 65534) ||
                              setresuid(65534, 65534, 65534))))
            _exit(101);
        try {
            _exit(operation());
        } catch (const boost::filesystem::filesystem_error&) {
            _exit(RaisedError);
        }
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)
               ? WEXITSTATUS(status)
               : -1;
}
} // namespace

Q_DECLARE_METATYPE(Operation)

class TestMirrelInstall : public QObject
{
    Q_OBJECT
private slots:
    void stateAndOperations_data();
    void stateAndOperations();
    void inChildProcess();
    void standInConverter();
};

void TestMirrelInstall::stateAndOperations_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("text"); // of the one box shown; none: no box
    QTest::addColumn<int>("state");    // afterwards
    const auto row = [](const char* name, Operation operation, const QByteArray& tool,
                        const QByteArray& original, const QString& text, int state) {
        QTest::newRow(name) << operation << tool << original << text << state;
    };
    const QByteArray unity = FakeUnityBundle::unityToolBytes();
    const QByteArray mirrel = FakeUnityBundle::converterBytes();
    // `text` at `at` in 300 bytes of filler that starts neither text.
    const auto fileWith = [](const QByteArray& text, int at) {
        return QByteArray(300, '.').replace(at, text.size(), text);
    };
    row("no tool", Check, {}, unity, {}, NotFound);
    row("converter, folder original", Check, mirrel, Folder, {}, Installed);
    row("empty file", Check, "", unity, {}, Other);
    // Both scans (one helper) stop one start position short of the end.
    row("marker at size-49", Check, fileWith(Marker, 251), unity, {}, Other);
    row("marker at size-50", Check, fileWith(Marker, 250), unity, {}, Installed);
    row("both texts", Check, VersionText + fileWith(Marker, 200), {}, {}, OrgMissing);

    const QString renameLink =
        QStringLiteral(
            "Quorvaneの組み込みに失敗しました。<br/><br/>ファイルのリネームができませんでした。"
            "<br/><br/>Unity Hubをご使用ではありませんか？<br/><a href='%1'>対処方法を見る</a>")
            .arg(manualPageUrl(QString::fromLatin1(ManualUnityHubSection)).toString());
    const QString done = QStringLiteral("UnityからQuorvaneを取り外しました。");
    const QString failed = QStringLiteral("Quorvaneの取り外しに失敗しました。\n\n");
    const QString rename = failed + QStringLiteral("ファイルのリネームができませんでした。");
    const QString remove = failed + QStringLiteral("不要となるファイルの削除ができませんでした。");
    row("install over a leftover original", DoInstall, unity, "#!/bin/sh\n",
        QStringLiteral("UnityへQuorvaneを組み込みました。"), Installed);
    row("install, folder in the way", DoInstall, unity, NonEmptyFolder, renameLink, NotInstalled);
    row("uninstall", DoUninstall, mirrel, unity, done, NotInstalled);
    row("uninstall, no tool", DoUninstall, {}, unity, done, NotInstalled);
    row("uninstall, no original", DoUninstall, mirrel, {}, rename, OrgMissing);
    row("uninstall, dangling original", DoUninstall, mirrel, DanglingLink, rename, OrgMissing);
    row("uninstall, tool can't be removed", DoUninstall, NonEmptyFolder, unity, remove, ReadError);
    row("silent", DoSilentUninstall, mirrel, unity, {}, NotInstalled);
    row("silent, failing", DoSilentUninstall, mirrel, {}, {}, OrgMissing);
}

void TestMirrelInstall::stateAndOperations()
{
    QFETCH(Operation, operation);
    QFETCH(QByteArray, tool);
    QFETCH(QByteArray, original);
    QFETCH(QString, text);
    QFETCH(int, state);

    FakeUnityBundle bundle(QStringLiteral("ユニティ 2019.4 é.app")); // a path not in ASCII
    QVERIFY(make(bundle.toolPath(), tool) && make(bundle.originalPath(), original));
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    boost::filesystem::path target, org;
    Install::CheckMirrelState(bundle.unityPath(), target, org);
    QCOMPARE(QString::fromStdString(target.string() + '\n' + org.string()),
             bundle.toolPath() + '\n' + bundle.originalPath());
    if (operation == DoInstall)
        Install::InstallMirrel_OSX(nullptr, target, org);
    else if (operation != Check)
        Install::UninstallMirrel_OSX(nullptr, operation == DoSilentUninstall, target, org);

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), text.isEmpty() ? 0 : 1);
    if (!text.isEmpty()) {
        const SeenBox& box = driver.seen().first();
        QCOMPARE(box.title + box.text, QString::fromUtf8(ProductTitle) + text);
        QCOMPARE(box.textFormat, text.contains("<br/>") ? Qt::RichText : Qt::AutoText);
        const bool failedInstall = operation == DoInstall && state != Installed;
        QCOMPARE(box.icon, failedInstall ? QMessageBox::NoIcon : QMessageBox::Information);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(Install::CheckMirrelState(bundle.unityPath(), target, org), state);
    if (operation == DoInstall && state == Installed) { // Unity's tool beside the converter
        QCOMPARE(bundle.readTool() + bundle.readOriginal(),
                 FakeUnityBundle::converterBytes() + FakeUnityBundle::unityToolBytes());
        QCOMPARE(QFile::permissions(bundle.toolPath()), QFile::Permissions(0x7775)); // 0775
    }
}

// As nobody, who may not write to the root-owned Tools folder, and under a file-size limit that
// makes the copy fail for real, install leaves Unity's tool in place, alone. As nobody, a status
// query that fails other than with "not found" reaches the caller.
void TestMirrelInstall::inChildProcess()
{
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    boost::filesystem::path target, org;
    Install::GetMirrelTargetPath(bundle.unityPath(), target, org);
    const std::function<int()> install([&] { return Install::InstallMirrelCore(target, org); });
    const std::function<int()> check(
        [&] { return Install::CheckMirrelState(bundle.unityPath(), target, org); });
    QCOMPARE(inChild(install, true, 0), int(Install::ResultRenameFailed));
    QCOMPARE(inChild(install, false, 100), int(Install::ResultWriteFailed));
    QCOMPARE(QDir(bundle.toolsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"PVRTexTool"});
    QCOMPARE(check(), NotInstalled);

    QCOMPARE(chmod(QFile::encodeName(bundle.toolsFolder()), 0700), 0);
    QCOMPARE(inChild(check, true, 0), RaisedError);
}

// The stand-in converter hands every call on unchanged to PVRTexTool_org beside it, and fails
// without it. The embedded converter never carries Unity's version text; its icon loads.
void TestMirrelInstall::standInConverter()
{
    QVERIFY(!FakeUnityBundle::converterBytes().contains(VersionText));
    QVERIFY(!QIcon(QStringLiteral(":/images/res/mirrel.icns")).pixmap(48, 48).isNull());
    FakeUnityBundle bundle;
    QVERIFY(bundle.writeTool(FakeUnityBundle::readFile(QStringLiteral(STANDIN_CONVERTER))));
    const QStringList arguments{"-i", "a b.png", "", "テクスチャ.pvr", "--x=\"y\""};
    QProcess converter;
    const auto run = [&] {
        converter.start(bundle.toolPath(), arguments);
        return converter.waitForFinished(30000);
    };
    QVERIFY(run() && converter.exitCode() != 0);

    const QByteArray recorder = "#!/bin/sh\nprintf '%s\\0' \"$@\" >\"$0.args\"\nexit 3\n";
    QVERIFY(FakeUnityBundle::writeFile(bundle.originalPath(), recorder));
    QVERIFY(run() && converter.exitCode() == 3);
    QCOMPARE(FakeUnityBundle::readFile(bundle.originalPath() + ".args"),
             (arguments.join(QChar()) + QChar()).toUtf8());
}

QTEST_MAIN(TestMirrelInstall)
#include "tst_mirrelinstall.moc"
