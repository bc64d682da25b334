#include "fakeunitybundle.h"
#include "install.h"
#include "mirrelproberunner.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>

namespace
{
const QByteArray Marker = "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";
const QByteArray VersionText = "PVRTexToolCL version %d.%d";

// `size` filler bytes (none of them a first byte of either text) with `text` starting at `at`.
QByteArray fileWith(int size, const QByteArray& text, int at)
{
    QByteArray bytes(size, '\x90');
    bytes.replace(at, text.size(), text);
    return bytes;
}

using Original = FakeUnityBundle::Original;
enum ToolKind { NoTool, ToolFile, ToolFolder };

bool makeTool(const FakeUnityBundle& bundle, ToolKind kind, const QByteArray& bytes)
{
    return kind == NoTool || (kind == ToolFile ? bundle.writeTool(bytes) : bundle.makeToolFolder());
}
} // namespace

Q_DECLARE_METATYPE(ToolKind)
Q_DECLARE_METATYPE(FakeUnityBundle::Original)

class TestMirrelState : public QObject
{
    Q_OBJECT
private slots:
    void targetPaths_data();
    void targetPaths();
    void state_data();
    void state();
    void missingBundle_data();
    void missingBundle();
    void nonAsciiBundlePath();
    void unprivilegedUser_data();
    void unprivilegedUser();
};

void TestMirrelState::targetPaths_data()
{
    QTest::addColumn<QString>("unityPath");
    QTest::addColumn<QByteArray>("tools"); // what both paths start with

    QTest::newRow("default") << QStringLiteral("/Applications/Unity/Unity.app")
                             << QByteArray("/Applications/Unity/Unity.app/Contents/Tools/");
    QTest::newRow("trailing slash") << QStringLiteral("/Applications/Unity/Unity.app/")
                                    << QByteArray("/Applications/Unity/Unity.app/Contents/Tools/");
    QTest::newRow("empty") << QString() << QByteArray("Contents/Tools/");
    QTest::newRow("non-ASCII")
        << QStringLiteral("/Users/太郎/Unity 2019 é.app")
        << QStringLiteral("/Users/太郎/Unity 2019 é.app/Contents/Tools/").toUtf8();
    QTest::newRow("cut at NUL") << QString::fromUtf8("/Apps/Unity.app\0/ignored", 24)
                                << QByteArray("/Apps/Unity.app/Contents/Tools/");
}

void TestMirrelState::targetPaths()
{
    QFETCH(QString, unityPath);
    QFETCH(QByteArray, tools);

    boost::filesystem::path target("stale/target");
    boost::filesystem::path org("stale/org");
    Install::GetMirrelTargetPath(unityPath, target, org);

    QCOMPARE(QByteArray::fromStdString(target.string()), tools + "PVRTexTool");
    QCOMPARE(QByteArray::fromStdString(org.string()), tools + "PVRTexTool_org");
}

void TestMirrelState::state_data()
{
    QTest::addColumn<ToolKind>("toolKind");
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<Original>("original");
    QTest::addColumn<int>("expected");

    const QByteArray unity = FakeUnityBundle::unityToolBytes();
    const QByteArray converter = FakeUnityBundle::converterBytes();
    const QByteArray none;

    QTest::newRow("no tool") << NoTool << none << Original::Nothing
                             << int(Install::StateToolNotFound);
    QTest::newRow("no tool, original")
        << NoTool << none << Original::UnityTool << int(Install::StateToolNotFound);
    QTest::newRow("folder as tool")
        << ToolFolder << none << Original::Nothing << int(Install::StateReadError);
    QTest::newRow("Unity's tool") << ToolFile << unity << Original::Nothing
                                  << int(Install::StateNotInstalled);
    QTest::newRow("Unity's tool, leftover original")
        << ToolFile << unity << Original::UnityTool << int(Install::StateNotInstalled);
    QTest::newRow("converter, original")
        << ToolFile << converter << Original::UnityTool << int(Install::StateInstalled);
    QTest::newRow("converter, no original")
        << ToolFile << converter << Original::Nothing << int(Install::StateOriginalMissing);
    QTest::newRow("converter, folder as original")
        << ToolFile << converter << Original::EmptyFolder << int(Install::StateInstalled);
    QTest::newRow("converter, dangling link as original")
        << ToolFile << converter << Original::DanglingLink << int(Install::StateOriginalMissing);
    QTest::newRow("other tool") << ToolFile << QByteArray("#!/bin/sh\necho another converter\n")
                                << Original::UnityTool << int(Install::StateOtherTool);
    QTest::newRow("empty file") << ToolFile << QByteArray("") << Original::UnityTool
                                << int(Install::StateOtherTool);

    // Both scans stop one start position short of the end.
    QTest::newRow("49 bytes, marker only")
        << ToolFile << Marker << Original::UnityTool << int(Install::StateOtherTool);
    QTest::newRow("50 bytes, marker first")
        << ToolFile << Marker + '\x90' << Original::UnityTool << int(Install::StateInstalled);
    QTest::newRow("marker ends on last byte")
        << ToolFile << fileWith(300, Marker, 251) << Original::UnityTool
        << int(Install::StateOtherTool);
    QTest::newRow("marker ends one byte early")
        << ToolFile << fileWith(300, Marker, 250) << Original::UnityTool
        << int(Install::StateInstalled);
    QTest::newRow("26 bytes, version text only")
        << ToolFile << VersionText << Original::Nothing << int(Install::StateOtherTool);
    QTest::newRow("version text ends on last byte")
        << ToolFile << fileWith(300, VersionText, 274) << Original::Nothing
        << int(Install::StateOtherTool);
    QTest::newRow("version text ends one byte early")
        << ToolFile << fileWith(300, VersionText, 273) << Original::Nothing
        << int(Install::StateNotInstalled);

    // The scan looks past near misses and overlapping starts.
    QByteArray nearMiss = Marker;
    nearMiss.back() = ']';
    QTest::newRow("marker's last byte differs")
        << ToolFile << fileWith(300, nearMiss, 100) << Original::UnityTool
        << int(Install::StateOtherTool);
    QTest::newRow("false starts before the marker")
        << ToolFile << fileWith(300, "MMiMirrelGUID=" + Marker, 100) << Original::UnityTool
        << int(Install::StateInstalled);

    // The marker decides before the version text, wherever each stands.
    QByteArray both = fileWith(400, VersionText, 10);
    both.replace(200, Marker.size(), Marker);
    QTest::newRow("version text, then marker")
        << ToolFile << both << Original::UnityTool << int(Install::StateInstalled);
    QTest::newRow("version text, then marker, no original")
        << ToolFile << both << Original::Nothing << int(Install::StateOriginalMissing);
    QByteArray markerFirst = fileWith(400, Marker, 10);
    markerFirst.replace(200, VersionText.size(), VersionText);
    QTest::newRow("marker, then version text")
        << ToolFile << markerFirst << Original::UnityTool << int(Install::StateInstalled);
}

void TestMirrelState::state()
{
    QFETCH(ToolKind, toolKind);
    QFETCH(QByteArray, tool);
    QFETCH(Original, original);
    QFETCH(int, expected);

    FakeUnityBundle bundle;
    QVERIFY(makeTool(bundle, toolKind, tool));
    QVERIFY(bundle.makeOriginal(original));

    boost::filesystem::path target;
    boost::filesystem::path org;
    QCOMPARE(Install::CheckMirrelState(bundle.unityPath(), target, org), expected);
    QCOMPARE(QString::fromStdString(target.string()), bundle.toolPath());
    QCOMPARE(QString::fromStdString(org.string()), bundle.originalPath());
}

void TestMirrelState::missingBundle_data()
{
    QTest::addColumn<QString>("below"); // the Unity path, relative to a fresh bundle's root

    QTest::newRow("nothing there") << QStringLiteral("Unity.app/missing.app");
    QTest::newRow("a file on the way") << QStringLiteral("Unity.app/Contents/Tools/PVRTexTool/x");
}

void TestMirrelState::missingBundle()
{
    QFETCH(QString, below);

    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool());
    boost::filesystem::path target;
    boost::filesystem::path org;
    QCOMPARE(Install::CheckMirrelState(bundle.root() + QLatin1Char('/') + below, target, org),
             int(Install::StateToolNotFound));
}

void TestMirrelState::nonAsciiBundlePath()
{
    FakeUnityBundle bundle(QStringLiteral("ユニティ 2019.4 é.app"));
    QVERIFY(bundle.makeInstalled());

    boost::filesystem::path target;
    boost::filesystem::path org;
    QCOMPARE(Install::CheckMirrelState(bundle.unityPath(), target, org),
             int(Install::StateInstalled));
    QCOMPARE(QByteArray::fromStdString(target.string()), bundle.toolPath().toUtf8());
    QCOMPARE(QByteArray::fromStdString(org.string()), bundle.originalPath().toUtf8());
}

void TestMirrelState::unprivilegedUser_data()
{
    QTest::addColumn<int>("toolsMode");
    QTest::addColumn<int>("toolMode");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unsearchable Tools folder raises")
        << 0700 << 0755 << QStringLiteral("filesystem_error");
    QTest::newRow("unreadable tool") << 0755 << 0700 << QString::number(Install::StateToolNotFound);
    QTest::newRow("readable tool") << 0755 << 0755 << QString::number(Install::StateInstalled);
}

void TestMirrelState::unprivilegedUser()
{
    QFETCH(int, toolsMode);
    QFETCH(int, toolMode);
    QFETCH(QString, expected);

    FakeUnityBundle bundle;
    QVERIFY(bundle.makeInstalled());
    QVERIFY(bundle.openToOthers());
    QCOMPARE(chmod(QFile::encodeName(bundle.toolPath()).constData(), toolMode), 0);
    QCOMPARE(chmod(QFile::encodeName(bundle.toolsFolder()).constData(), toolsMode), 0);

    QCOMPARE(runMirrelProbe(bundle, {QStringLiteral("state")}, ProbeUser::Unprivileged), expected);
}

QTEST_GUILESS_MAIN(TestMirrelState)
#include "tst_mirrelstate.moc"
