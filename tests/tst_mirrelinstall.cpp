#include "fakeunitybundle.h"
#include "install.h"
#include "manualpage.h"
#include "mirrelinstallbox.h"
#include "modalboxdriver.h"
#include "producttitle.h"
#include "unprivileged.h"

#include <QIcon>
#include <QtTest>

#include <boost/filesystem/exception.hpp>
#include <csignal>
#include <cstddef>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#endif

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

// What the result boxes say.
const QString InstallFailed = QStringLiteral("Quorvaneの組み込みに失敗しました。\n\n"),
              UninstallFailed = QStringLiteral("Quorvaneの取り外しに失敗しました。\n\n"),
              Rename = QStringLiteral("ファイルのリネームができませんでした。"),
              Removal = QStringLiteral("不要となるファイルの削除ができませんでした。");

// An install's rename failure, in rich text with a link to the manual.
QString renameFailureWithLink()
{
    return QStringLiteral(
               "Quorvaneの組み込みに失敗しました。<br/><br/>%1<br/><br/>Unity Hubをご使用では"
               "ありませんか？<br/><a href='%2'>対処方法を見る</a>")
        .arg(Rename, manualPageUrl(QString::fromLatin1(ManualUnityHubSection)).toString());
}

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

#ifdef __linux__
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
#endif

// waitpid() bounded to 20 s. A child that shows no change by then is killed and reaped, and the
// test ends saying what it waited for.
pid_t waitBounded(pid_t child, int& status)
{
    const QDeadlineTimer deadline(20000);
    pid_t waited;
    while ((waited = waitpid(child, &status, WNOHANG)) == 0 && !deadline.hasExpired())
        usleep(100);
    if (waited == 0 && kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child)
        qFatal("Waited 20 s for the child process that runs an installer operation");
    return waited;
}

// Runs `operation` in a child process: without root privileges when `unprivileged`, with files
// limited to `sizeLimit` bytes when that is nonzero (SIGXFSZ ignored, so the write fails with
// EFBIG), and without hard links when `withoutHardLinks` (Linux only). Returns the child's exit
// code, RaisedError, or -1 when the child failed.
int inChild(const std::function<int()>& operation, bool unprivileged, rlim_t sizeLimit,
            bool withoutHardLinks)
{
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit = {sizeLimit, sizeLimit};
        signal(SIGXFSZ, SIG_IGN);
        bool ready = (!sizeLimit || setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
                     (!unprivileged || dropRootPrivileges());
#ifdef __linux__
        ready = ready && (!withoutHardLinks || refuseHardLinks());
#else
        ready = ready && !withoutHardLinks;
#endif
        if (!ready)
            _exit(101);
        try {
            _exit(operation());
        } catch (const boost::filesystem::filesystem_error&) {
            _exit(RaisedError);
        }
    }
    int status = 0;
    return child > 0 && waitBounded(child, status) == child && WIFEXITED(status)
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

// The exit code of the build's check that lets `converter` be embedded: 0, or 1 when it refuses;
// -1 when it did not run to its end within 30 s.
int embedCheck(const QString& converter, const QString& folder)
{
    QProcess cmake;
    cmake.start(QStringLiteral(QUORVANE_CMAKE),
                {"-DCONVERTER=" + converter, "-DOUTPUT=" + folder + "/embedded/mirrel", "-P",
                 QStringLiteral(EMBED_SCRIPT)});
    const bool ended = cmake.waitForFinished(30000) && cmake.exitStatus() == QProcess::NormalExit;
    return ended ? cmake.exitCode() : -1;
}

#ifdef __linux__
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
    if (child < 0 || waitBounded(child, status) != child || !WIFSTOPPED(status) ||
        ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_EXITKILL) != 0)
        return -1;
    for (int seen = 0; seen < stop; ++seen)
        if (ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0 ||
            waitBounded(child, status) != child || !WIFSTOPPED(status))
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    kill(child, SIGKILL);
    waitBounded(child, status);
    return Killed;
}
#endif

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
    void inChildProcess_data();
    void inChildProcess();
    void killedAnyMoment_data();
    void killedAnyMoment();
    void standInConverter_data();
    void standInConverter();
    void resultBoxes_data();
    void resultBoxes();
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
    // Both scans stop one start position short of the end.
    row("marker at size-49", Check, fileWith(Marker, 251), unity, {}, Other);
    row("marker at size-50", Check, fileWith(Marker, 250), unity, {}, Installed);
    row("version text at size-26", Check, fileWith(VersionText, 274), unity, {}, Other);
    row("version text at size-27", Check, fileWith(VersionText, 273), unity, {}, NotInstalled);
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

    const QString done = QStringLiteral("UnityからQuorvaneを取り外しました。");
    const QString rename = UninstallFailed + Rename, remove = UninstallFailed + Removal;
    row("install over a leftover original", DoInstall, unity, "#!/bin/sh\n",
        QStringLiteral("UnityへQuorvaneを組み込みました。"), Installed);
    row("install, folder in the way", DoInstall, unity, NonEmptyFolder, renameFailureWithLink(),
        NotInstalled);
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
    if (!text.isEmpty()) // the box of each code has its own rows
        QCOMPARE(driver.seen().first().text, text);
    QCOMPARE(stateOf(bundle, target, org), state);
    if (state == RaisedError) // the query can't tell; the operation changed nothing
        QCOMPARE(bundle.readTool(), tool);
    // The build embeds what the query recognises. Its check takes most of a second on megabytes.
    if (operation == Check && !tool.isNull() && tool.size() < 100000) {
        const int check = embedCheck(bundle.toolPath(), bundle.root());
        QVERIFY2(check >= 0, "the build's check of the converter did not end within 30 s");
        QCOMPARE(check, state == Installed || state == OrgMissing ? 0 : 1);
    }
    if (operation == DoInstall && state == Installed) { // Unity's tool beside the converter
        QCOMPARE(bundle.readTool() + bundle.readOriginal(),
                 FakeUnityBundle::converterBytes() + FakeUnityBundle::unityToolBytes());
        QCOMPARE(QFile::permissions(bundle.toolPath()), QFile::Permissions(0x7775)); // 0775
    }
}

// In a child process, install leaves Unity's tool in place, alone and unchanged, where the user may
// not write to the Tools folder or a file-size limit makes a copy fail for real; a status query
// that fails other than with "not found" reaches the caller.
void TestMirrelInstall::inChildProcess_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("toolsMode"); // while the child runs, without root unless 0755
    QTest::addColumn<int>("sizeLimit"); // bytes a file may hold in the child; 0: no limit
    QTest::addColumn<bool>("withoutHardLinks");
    QTest::addColumn<int>("result");
    const int renameFailed = Install::ResultRenameFailed;
    // The modes refuse the folder's owner too, so that the rows hold for any user.
    QTest::newRow("read-only Tools") << DoInstall << 0555 << 0 << false << renameFailed;
    QTest::newRow("converter too big")
        << DoInstall << 0755 << 100 << false << int(Install::ResultWriteFailed);
    QTest::newRow("no hard links, tool too big") << DoInstall << 0755 << 10 << true << renameFailed;
    QTest::newRow("query, Tools not searchable") << Check << 0666 << 0 << false << RaisedError;
}

void TestMirrelInstall::inChildProcess()
{
    QFETCH(Operation, operation);
    QFETCH(int, toolsMode);
    QFETCH(int, sizeLimit);
    QFETCH(bool, withoutHardLinks);
    QFETCH(int, result);
#ifndef __linux__
    if (withoutHardLinks)
        QSKIP("Refusing hard links takes a system-call filter that only Linux has");
#endif

    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    boost::filesystem::path target, org;
    Install::GetMirrelTargetPath(bundle.unityPath(), target, org);
    const QByteArray tools = QFile::encodeName(bundle.toolsFolder());
    QCOMPARE(chmod(tools, toolsMode), 0);
    const int outcome = inChild(
        [&] {
            return operation == Check ? Install::CheckMirrelState(bundle.unityPath(), target, org)
                                      : Install::InstallMirrelCore(target, org);
        },
        toolsMode != 0755, rlim_t(sizeLimit), withoutHardLinks);
    QCOMPARE(chmod(tools, 0755), 0);
    QCOMPARE(outcome, result);
    QCOMPARE(QDir(bundle.toolsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"PVRTexTool"});
    QCOMPARE(bundle.readTool(), FakeUnityBundle::unityToolBytes());
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
#ifdef __linux__
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
#else
    QSKIP("Stopping a child at each system call takes Linux's ptrace");
#endif
}

// The stand-in converter hands every call on unchanged to PVRTexTool_org beside it, and fails
// without it. It finds its folder also without /proc (as on macOS), by the path it was called by,
// never by the working folder, though that holds a tool pair of its own. The embedded converter
// never carries Unity's version text; its icon loads.
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
#ifdef __linux__
    const bool canHideProc = geteuid() == 0;
#else
    const bool canHideProc = false;
#endif
    if (withoutProc && !canHideProc)
        QSKIP("Hiding /proc takes a Linux mount namespace of its own, which only root may make");

    QVERIFY(!FakeUnityBundle::converterBytes().contains(VersionText));
    QVERIFY(!QIcon(QStringLiteral(":/images/res/mirrel.icns")).pixmap(48, 48).isNull());
    FakeUnityBundle bundle;
    QVERIFY(bundle.writeTool(FakeUnityBundle::readFile(QStringLiteral(STANDIN_CONVERTER))));
    const QByteArray recorder = "#!/bin/sh\nprintf '%s\\0' \"$@\" >\"$0.args\"\nexit 3\n";
    QVERIFY(!withOriginal || FakeUnityBundle::writeFile(bundle.originalPath(), recorder));
    const QString workingFolder = bundle.unityPath() + "/Contents";
    QVERIFY(FakeUnityBundle::writeFile(workingFolder + "/PVRTexTool", "") &&
            FakeUnityBundle::writeFile(workingFolder + "/PVRTexTool_org", recorder));
    const QStringList arguments{"-i", "a b.png", "", "テクスチャ.pvr", "--x=\"y\""};
    QString script = QStringLiteral("exec \"$0\" \"$@\"");
    QStringList command{"sh"};
#ifdef __linux__
    if (withoutProc) { // a mount namespace of its own hides /proc from the converter alone
        script.prepend("mount -t tmpfs none /proc && ");
        command = QStringList{"unshare", "--mount", "--propagation", "private"} + command;
    }
#endif
    command += QStringList{"-c", script, called.isEmpty() ? bundle.toolPath() : called} + arguments;
    QProcess converter;
    converter.setWorkingDirectory(workingFolder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", bundle.toolsFolder() + ':' + environment.value("PATH"));
    converter.setProcessEnvironment(environment);
    converter.start(command.first(), command.mid(1));
    QVERIFY2(converter.waitForFinished(30000),
             qPrintable("waited 30 s for the stand-in converter: " + converter.errorString()));
    QCOMPARE(converter.exitCode(), exitCode);
    QVERIFY(!QFile::exists(workingFolder + "/PVRTexTool_org.args"));
    if (exitCode == 3)
        QCOMPARE(FakeUnityBundle::readFile(bundle.originalPath() + ".args"),
                 (arguments.join(QChar()) + QChar()).toUtf8());
}

// The box that tells the outcome of each code: its kind, words and buttons.
void TestMirrelInstall::resultBoxes_data()
{
    QTest::addColumn<bool>("install");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const auto row = [](bool install, int code, const QString& text) {
        QTest::addRow("%s %d", install ? "install" : "uninstall", code) << install << code << text;
    };
    row(true, 0, "UnityへQuorvaneを組み込みました。");
    row(true, 2, renameFailureWithLink());
    row(true, 3, InstallFailed + "ファイルのコピーができませんでした。");
    row(true, 4, InstallFailed + Removal);
    row(true, 5, InstallFailed + "処理に必要なメモリが不足しています。");
    row(true, 6, InstallFailed + "ファイルを開くことができませんでした。");
    row(true, 7, InstallFailed + "ファイルの書き込みができませんでした。");
    row(false, 0, "UnityからQuorvaneを取り外しました。");
    row(false, 2, UninstallFailed + Rename);
    row(false, 4, UninstallFailed + Removal);
}

void TestMirrelInstall::resultBoxes()
{
    QFETCH(bool, install);
    QFETCH(int, code);
    QFETCH(QString, text);

    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    install ? showInstallResult(nullptr, code) : showUninstallResult(nullptr, code);
    QCOMPARE(driver.seen().size(), 1);
    const SeenBox& box = driver.seen().first();
    QCOMPARE(box.icon, install && code ? QMessageBox::NoIcon : QMessageBox::Information);
    QCOMPARE(box.title + box.text, QString::fromUtf8(ProductTitle) + text);
    QCOMPARE(box.textFormat, text.contains("<br/>") ? Qt::RichText : Qt::AutoText);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(TestMirrelInstall)
#include "tst_mirrelinstall.moc"
