#include "fakeunitybundle.h"
#include "install.h"
#include "manualpage.h"
#include "modalboxdriver.h"
#include "producttitle.h"

#include <QDir>
#include <QIcon>
#include <QProcess>
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

enum Thing { Nothing, UnityTool, OtherTool, Converter, Folder, NonEmptyFolder, DanglingLink };

// Puts `thing` at `path`. A non-empty folder opens, but can be neither read nor removed.
bool make(const QString& path, Thing thing)
{
    if (thing == Folder || thing == NonEmptyFolder)
        return QDir().mkpath(path) &&
               (thing == Folder || FakeUnityBundle::writeFile(path + "/inside", "x"));
    if (thing == DanglingLink)
        return QFile::link(path + "-nowhere", path);
    const QByteArray bytes = thing == UnityTool   ? FakeUnityBundle::unityToolBytes()
                             : thing == Converter ? FakeUnityBundle::converterBytes()
                                                  : "#!/bin/sh\necho another tool\n";
    return thing == Nothing || FakeUnityBundle::writeFile(path, bytes);
}

int stateOf(const FakeUnityBundle& bundle)
{
    boost::filesystem::path target, org;
    return Install::CheckMirrelState(bundle.unityPath(), target, org);
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

Q_DECLARE_METATYPE(Thing)

class TestMirrelInstall : public QObject
{
    Q_OBJECT
private slots:
    void state_data();
    void state();
    void operation_data();
    void operation();
    void inChildProcess();
    void standInConverter();
    void iconLoads();
};

void TestMirrelInstall::state_data()
{
    QTest::addColumn<QByteArray>("tool"); // null: no tool file
    QTest::addColumn<Thing>("original");
    QTest::addColumn<int>("expected");

    const QByteArray unity = FakeUnityBundle::unityToolBytes();
    const QByteArray converter = FakeUnityBundle::converterBytes();
    // `text` at `at` in 300 bytes of filler that starts neither text.
    const auto fileWith = [](const QByteArray& text, int at) {
        return QByteArray(300, '.').replace(at, text.size(), text);
    };
    QTest::newRow("no tool") << QByteArray() << UnityTool << NotFound;
    QTest::newRow("Unity's tool, leftover original") << unity << UnityTool << NotInstalled;
    QTest::newRow("converter, no original") << converter << Nothing << OrgMissing;
    QTest::newRow("converter, folder original") << converter << Folder << Installed;
    QTest::newRow("converter, dangling original") << converter << DanglingLink << OrgMissing;
    QTest::newRow("other tool") << QByteArray("#!/bin/sh\necho other\n") << UnityTool << Other;
    QTest::newRow("empty file") << QByteArray("") << UnityTool << Other;
    // Both scans stop one start position short of the end.
    QTest::newRow("49 bytes, marker only") << Marker << UnityTool << Other;
    QTest::newRow("marker at size-49") << fileWith(Marker, 251) << UnityTool << Other;
    QTest::newRow("marker at size-50") << fileWith(Marker, 250) << UnityTool << Installed;
    QTest::newRow("version at size-26") << fileWith(VersionText, 274) << Nothing << Other;
    QTest::newRow("version at size-27") << fileWith(VersionText, 273) << Nothing << NotInstalled;
    QTest::newRow("both texts") << VersionText + fileWith(Marker, 200) << Nothing << OrgMissing;
}

// Every case runs in a bundle whose path is not ASCII.
void TestMirrelInstall::state()
{
    QFETCH(QByteArray, tool);
    QFETCH(Thing, original);
    QFETCH(int, expected);

    FakeUnityBundle bundle(QStringLiteral("ユニティ 2019.4 é.app"));
    QVERIFY((tool.isNull() || bundle.writeTool(tool)) && make(bundle.originalPath(), original));
    boost::filesystem::path target, org;
    QCOMPARE(Install::CheckMirrelState(bundle.unityPath(), target, org), expected);
    QCOMPARE(QByteArray::fromStdString(target.string()), bundle.toolPath().toUtf8());
    QCOMPARE(QByteArray::fromStdString(org.string()), bundle.originalPath().toUtf8());
}

void TestMirrelInstall::operation_data()
{
    QTest::addColumn<bool>("install"); // else uninstall
    QTest::addColumn<Thing>("tool");
    QTest::addColumn<Thing>("original");
    QTest::addColumn<QString>("text"); // of the box; none: uninstall silently
    QTest::addColumn<int>("stateAfter");

    const QString link =
        QStringLiteral("<a href='%1'>対処方法を見る</a>")
            .arg(manualPageUrl(QString::fromLatin1(ManualUnityHubSection)).toString());
    const QString renameLink = QStringLiteral("Quorvaneの組み込みに失敗しました。<br/><br/>"
                                              "ファイルのリネームができませんでした。<br/><br/>"
                                              "Unity Hubをご使用ではありませんか？<br/>") +
                               link;
    const QString done = QStringLiteral("UnityからQuorvaneを取り外しました。");
    const QString failed = QStringLiteral("Quorvaneの取り外しに失敗しました。\n\n");
    const QString rename = failed + QStringLiteral("ファイルのリネームができませんでした。");
    const QString remove = failed + QStringLiteral("不要となるファイルの削除ができませんでした。");
    QTest::newRow("install over a leftover original")
        << true << UnityTool << OtherTool << QStringLiteral("UnityへQuorvaneを組み込みました。")
        << Installed;
    QTest::newRow("install, non-empty original folder")
        << true << UnityTool << NonEmptyFolder << renameLink << NotInstalled;
    QTest::newRow("uninstall") << false << Converter << UnityTool << done << NotInstalled;
    QTest::newRow("uninstall, no tool") << false << Nothing << UnityTool << done << NotInstalled;
    QTest::newRow("uninstall, no original")
        << false << Converter << Nothing << rename << OrgMissing;
    QTest::newRow("uninstall, dangling original")
        << false << Converter << DanglingLink << rename << OrgMissing;
    QTest::newRow("uninstall, tool can't be removed")
        << false << NonEmptyFolder << UnityTool << remove << ReadError;
    QTest::newRow("silent") << false << Converter << UnityTool << QString() << NotInstalled;
    QTest::newRow("silent, failing") << false << Converter << Nothing << QString() << OrgMissing;
}

void TestMirrelInstall::operation()
{
    QFETCH(bool, install);
    QFETCH(Thing, tool);
    QFETCH(Thing, original);
    QFETCH(QString, text);
    QFETCH(int, stateAfter);

    FakeUnityBundle bundle;
    QVERIFY(make(bundle.toolPath(), tool) && make(bundle.originalPath(), original));
    ModalBoxDriver driver;
    driver.answer(QMessageBox::Ok);
    boost::filesystem::path target, org;
    Install::GetMirrelTargetPath(bundle.unityPath(), target, org);
    if (install)
        Install::InstallMirrel_OSX(nullptr, target, org);
    else
        Install::UninstallMirrel_OSX(nullptr, text.isEmpty(), target, org);

    QVERIFY(driver.unexpectedBoxes().isEmpty());
    QCOMPARE(driver.seen().size(), text.isEmpty() ? 0 : 1);
    if (!text.isEmpty()) {
        const SeenBox& box = driver.seen().first();
        QCOMPARE(box.title + box.text, QString::fromUtf8(ProductTitle) + text);
        QCOMPARE(box.textFormat, text.contains("<br/>") ? Qt::RichText : Qt::AutoText);
        const bool failedInstall = install && stateAfter != Installed;
        QCOMPARE(box.icon, failedInstall ? QMessageBox::NoIcon : QMessageBox::Information);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(stateOf(bundle), stateAfter);
    if (stateAfter == Installed) { // Unity's tool beside the converter, mode 0775
        QCOMPARE(bundle.readTool() + bundle.readOriginal(),
                 FakeUnityBundle::converterBytes() + FakeUnityBundle::unityToolBytes());
        struct stat info = {};
        QVERIFY(stat(QFile::encodeName(bundle.toolPath()), &info) == 0 &&
                (info.st_mode & 07777) == 0775);
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
    QCOMPARE(inChild(install, true, 0), int(Install::ResultRenameFailed));
    const int half = FakeUnityBundle::converterBytes().size() / 2;
    QCOMPARE(inChild(install, false, half), int(Install::ResultWriteFailed));
    QCOMPARE(QDir(bundle.toolsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"PVRTexTool"});
    QCOMPARE(stateOf(bundle), NotInstalled);

    QCOMPARE(chmod(QFile::encodeName(bundle.toolsFolder()), 0700), 0);
    QCOMPARE(inChild([&] { return stateOf(bundle); }, true, 0), RaisedError);
}

// The stand-in converter hands every call on unchanged to PVRTexTool_org beside it, and fails
// clearly without it. The embedded converter never carries Unity's version text.
void TestMirrelInstall::standInConverter()
{
    QVERIFY(!FakeUnityBundle::converterBytes().contains(VersionText));
    FakeUnityBundle bundle;
    QVERIFY(bundle.writeTool(FakeUnityBundle::readFile(QStringLiteral(STANDIN_CONVERTER))));
    const QStringList arguments{"-i", "a b.png", "", "テクスチャ.pvr", "--x=\"y\""};
    QProcess converter;
    converter.start(bundle.toolPath(), arguments);
    QVERIFY(converter.waitForFinished(30000));
    QVERIFY(converter.exitCode() != 0);
    QVERIFY(
        QString::fromLocal8Bit(converter.readAllStandardError()).contains(bundle.originalPath()));

    const QByteArray recorder = "#!/bin/sh\nprintf '%s\\0' \"$@\" >\"$0.args\"\nexit 3\n";
    QVERIFY(FakeUnityBundle::writeFile(bundle.originalPath(), recorder));
    converter.start(bundle.toolPath(), arguments);
    QVERIFY(converter.waitForFinished(30000));
    QCOMPARE(converter.exitCode(), 3);
    QCOMPARE(FakeUnityBundle::readFile(bundle.originalPath() + ".args"),
             (arguments.join(QChar()) + QChar()).toUtf8());
}

void TestMirrelInstall::iconLoads()
{
    QVERIFY(!QIcon(QStringLiteral(":/images/res/mirrel.icns")).pixmap(48, 48).isNull());
}

QTEST_MAIN(TestMirrelInstall)
#include "tst_mirrelinstall.moc"
