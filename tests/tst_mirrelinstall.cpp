#include "fakeunitybundle.h"
#include "install.h"
#include "manualpage.h"
#include "modalboxdriver.h"
#include "producttitle.h"

#include <QIcon>
#include <QtTest>

#include <boost/filesystem/exception.hpp>
#include <csignal>
#include <cstddef>
#include <functional>
#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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
const QByteArray Folder = "<dir>", NonEmptyFolder = "<full dir>", DanglingLink = "<link>",
                 SelfLink = "<self link>";

enum Operation { Check, DoInstall, DoUninstall, DoSilentUninstall };

// Puts `what` at `path`. A non-empty folder opens, but can be neither read nor removed.
bool make(const QString& path, const QByteArray& what)
{
    if (what == Folder || what == NonEmptyFolder)
        return QDir().mkpath(path) &&
               (what == Folder || FakeUnityBundle::writeFile(path + "/inside", "x"));
    if (what == DanglingLink || what == SelfLink)
        return QFile::link(what == SelfLink ? path : path + "-nowhere", path);
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

// The state, or RaisedError when the query threw; fills target and org either way.
int stateOf(const FakeUnityBundle& bundle, boost::filesystem::path& target,
            boost::filesystem::path& org)
{
    try {
        return Install::CheckMirrelState(bundle.unityPath(), target, org);
    } catch (const boost::filesystem::filesystem_error&) {
        return RaisedError;
    }
}

// Whether the build's check lets `converter` be embedded.
bool embedAccepts(const QString& converter, const QString& folder)
{
    QProcess cmake;
    cmake.start(QStringLiteral(QUORVANE_CMAKE),
                {"-DCONVERTER=" + converter, "-DOUTPUT=" + folder + "/embedded/mirrel", "-P",
                 QStringLiteral(EMBED_SCRIPT)});
    return cmake.waitForFinished(30000) && cmake.exitStatus() == QProcess::NormalExit &&
           cmake.exitCode() == 0;
}

// Makes linkat() fail with EPERM in this process, as on a file system without hard links.
bool refuseHardLinks()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_linkat, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program = {sizeof filter / sizeof *filter, filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

const int Killed = -2;

// Runs `operation` in a child that this process traces, and kills the child at its `stop`th
// system-call stop (an entry or an exit; the first few belong to the set-up). Returns Killed, or
// the child's exit code when it ended before, or -1 when the child failed.
int killedAt(const std::function<int()>& operation, int stop, bool withoutHardLinks)
{
    const pid_t child = fork();
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 ||
            (withoutHardLinks && !refuseHardLinks()))
            _exit(101);
        raise(SIGSTOP);
        _exit(operation());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFSTOPPED(status) ||
        ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_EXITKILL) != 0)
        return -1;
    for (int seen = 0; seen < stop; ++seen)
        if (ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0 ||
            waitpid(child, &status, 0) != child || !WIFSTOPPED(status))
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return Killed;
}

bool executable(const QString& path, const QByteArray& bytes)
{
    return FakeUnityBundle::readFile(path) == bytes && (QFile::permissions(path) & QFile::ExeOwner);
}

// Whether Unity can run a texture tool in the bundle: its own, or the converter with its own
// kept beside it.
bool hasTool(const FakeUnityBundle& bundle)
{
    const QByteArray unity = FakeUnityBundle::unityToolBytes();
    return executable(bundle.toolPath(), unity) ||
           (executable(bundle.toolPath(), FakeUnityBundle::converterBytes()) &&
            executable(bundle.originalPath(), unity));
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
    void killedAnyMoment_data();
    void killedAnyMoment();
    void standInConverter_data();
    void standInConverter();
};

void TestMirrelInstall::stateAndOperations_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("text"); // of the one box shown; none: no box
    QTest::addColumn<int>("state");    // afterwards
    const auto row = [](const QByteArray& name, Operation operation, const QByteArray& tool,
                        const QByteArray& original, const QString& text, int state) {
        QTest::newRow(name.constData()) << operation << tool << original << text << state;
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
    // A file of an executable's size, whose scan takes blocks of 64 start positions; Block is the
    // first of one. The filler is full of either text's first byte, never followed by its second.
    const int Block = 1 << 20;
    const auto bigFileWith = [](const QByteArray& text, int at) {
        return QByteArray("M\0P\x8bi\xffV", 7).repeated(500000).replace(at, text.size(), text);
    };
    for (const QByteArray& text : {Marker, VersionText}) {
        const int found = text == Marker ? Installed : NotInstalled;
        QByteArray nearMiss = text;
        nearMiss.back() = '!';
        const QByteArray name = text == Marker ? "marker, " : "version text, ";
        row(name + "inside a block", Check, bigFileWith(text, Block + 13), unity, {}, found);
        row(name + "across two blocks", Check, bigFileWith(text, Block + 40), unity, {}, found);
        row(name + "at a block's last start", Check, bigFileWith(text, Block + 63), unity, {},
            found);
        row(name + "last byte differs", Check, bigFileWith(nearMiss, Block + 13), unity, {}, Other);
    }

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
    row("uninstall, original links to itself", DoUninstall, mirrel, SelfLink, rename, RaisedError);
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
    stateOf(bundle, target, org);
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
    QCOMPARE(stateOf(bundle, target, org), state);
    if (state == RaisedError) // the query can't tell; the operation changed nothing
        QCOMPARE(bundle.readTool(), tool);
    // The build embeds what the query recognises. Its check takes most of a second on megabytes.
    if (operation == Check && !tool.isNull() && tool.size() < 100000)
        QCOMPARE(embedAccepts(bundle.toolPath(), bundle.root()),
                 state == Installed || state == OrgMissing);
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

// Killed at any system call, install and uninstall leave a texture tool Unity can run, also
// where the file system has no hard links; run to their end, they leave no other file.
void TestMirrelInstall::killedAnyMoment_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("withoutHardLinks");
    QTest::newRow("install") << DoInstall << false;
    QTest::newRow("install without hard links") << DoInstall << true;
    QTest::newRow("uninstall") << DoUninstall << false;
}

void TestMirrelInstall::killedAnyMoment()
{
    QFETCH(Operation, operation);
    QFETCH(bool, withoutHardLinks);

    const bool install = operation == DoInstall;
    int points = 0, broken = 0;
    for (int stop = 1;; ++stop) {
        FakeUnityBundle bundle;
        QVERIFY(install ? bundle.makeUnityTool() : bundle.makeInstalled());
        boost::filesystem::path target, org;
        Install::GetMirrelTargetPath(bundle.unityPath(), target, org);
        const int result = killedAt(
            [&] {
                return install ? Install::InstallMirrelCore(target, org)
                               : Install::UninstallMirrelCore(target, org);
            },
            stop, withoutHardLinks);
        if (result != Killed) {
            const QStringList files =
                install ? QStringList{"PVRTexTool", "PVRTexTool_org"} : QStringList{"PVRTexTool"};
            QCOMPARE(result, int(Install::ResultOk));
            QCOMPARE(stateOf(bundle, target, org), install ? Installed : NotInstalled);
            QCOMPARE(QDir(bundle.toolsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     files);
            break;
        }
        ++points;
        broken += hasTool(bundle) ? 0 : 1;
    }
    const QString outcome = QString("%1 of %2 kill points left no texture tool").arg(broken);
    QVERIFY2(broken == 0, qPrintable(outcome.arg(points)));
}

// The stand-in converter hands every call on unchanged to PVRTexTool_org beside it, and fails
// without it. It finds its folder also without /proc (as on macOS), by the path it was called by.
// The embedded converter never carries Unity's version text; its icon loads.
void TestMirrelInstall::standInConverter_data()
{
    QTest::addColumn<QString>("called"); // from the Contents folder, with Tools on the PATH
    QTest::addColumn<bool>("withoutProc");
    QTest::addColumn<bool>("withOriginal");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no original") << "Tools/PVRTexTool" << false << false << 127;
    QTest::newRow("bare name") << "PVRTexTool" << false << true << 3;
    QTest::newRow("no /proc, relative path") << "Tools/PVRTexTool" << true << true << 3;
    QTest::newRow("no /proc, absolute path") << "" << true << true << 3;
    QTest::newRow("no /proc, bare name") << "PVRTexTool" << true << true << 126;
}

void TestMirrelInstall::standInConverter()
{
    QFETCH(QString, called);
    QFETCH(bool, withoutProc);
    QFETCH(bool, withOriginal);
    QFETCH(int, exitCode);

    QVERIFY(!FakeUnityBundle::converterBytes().contains(VersionText));
    QVERIFY(!QIcon(QStringLiteral(":/images/res/mirrel.icns")).pixmap(48, 48).isNull());
    FakeUnityBundle bundle;
    QVERIFY(bundle.writeTool(FakeUnityBundle::readFile(QStringLiteral(STANDIN_CONVERTER))));
    const QByteArray recorder = "#!/bin/sh\nprintf '%s\\0' \"$@\" >\"$0.args\"\nexit 3\n";
    QVERIFY(!withOriginal || FakeUnityBundle::writeFile(bundle.originalPath(), recorder));
    const QStringList arguments{"-i", "a b.png", "", "テクスチャ.pvr", "--x=\"y\""};
    const QString run = QStringLiteral("exec \"$0\" \"$@\"");
    QStringList command =
        QStringList{"sh", "-c", withoutProc ? "mount -t tmpfs none /proc && " + run : run,
                    called.isEmpty() ? bundle.toolPath() : called} +
        arguments;
    if (withoutProc) // a mount namespace of its own hides /proc from the converter alone
        command = QStringList{"unshare", "--mount", "--propagation", "private"} + command;
    QProcess converter;
    converter.setWorkingDirectory(bundle.unityPath() + "/Contents");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", bundle.toolsFolder() + ':' + environment.value("PATH"));
    converter.setProcessEnvironment(environment);
    converter.start(command.first(), command.mid(1));
    QVERIFY(converter.waitForFinished(30000));
    QCOMPARE(converter.exitCode(), exitCode);
    if (exitCode == 3)
        QCOMPARE(FakeUnityBundle::readFile(bundle.originalPath() + ".args"),
                 (arguments.join(QChar()) + QChar()).toUtf8());
}

QTEST_MAIN(TestMirrelInstall)
#include "tst_mirrelinstall.moc"
