// The real executable as a user meets it: on an X display of its own, with a temporary home and a
// fake Unity bundle, driven by mouse and keyboard through xdotool.

#include "fakeunitybundle.h"
#include "tempdocuments.h"
#include "xvfbserver.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// The lines xdotool prints; `arguments` are split at spaces. `ok` is false when it failed, as a
// `search --sync` does that finds nothing within XvfbServer's bound.
QStringList xdotool(const XvfbServer& x, const QString& arguments, bool* ok = nullptr)
{
    const QByteArray out = x.runClient(QStringLiteral("xdotool"), arguments.split(' '), ok);
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// ImageMagick's histogram of the state line as shown; the empty menu bar takes no height on X11.
QByteArray stateColours(const XvfbServer& x, const QString& window)
{
    return x.runClient("import", {"-window", window, "-crop", "301x30+20+275", "-depth", "8",
                                  "-format", "%c", "histogram:info:-"});
}

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runAsAUser();
};

void TestApplication::runAsAUser()
{
#ifndef __linux__
    QSKIP("A display of its own takes Xvfb and Qt's xcb platform, as on Linux");
#endif
    TempDocuments documents;
    FakeUnityBundle bundle;
    QVERIFY(bundle.makeUnityTool() &&
            documents.writeSettingsFile("<MirrelSetting><UnityPath>" + bundle.unityPath().toUtf8() +
                                        "</UnityPath></MirrelSetting>"));
    XvfbServer x;
    QVERIFY(x.start());
    QProcess application;
    application.setProcessEnvironment(x.environment());
    application.start(QStringLiteral(QUORVANE_EXECUTABLE), QStringList());
    const QString find = "search --sync --onlyvisible --name ^Sorvel.Quorvane.for.Unity$";
    bool found = false;
    const QString window = xdotool(x, find, &found).value(0);
    QVERIFY2(found, "no main window");

    QTRY_VERIFY_WITH_TIMEOUT(stateColours(x, window).contains("#FF0000"), 20000);
    xdotool(x, "mousemove --window " + window + " 90 318 click 1");
    // Cancel has the focus, as the default button; Tab moves to OK.
    const QString question =
        xdotool(x, "search --sync --onlyvisible --name ^警告$", &found).value(0);
    QVERIFY2(found, "no confirmation box");
    xdotool(x, "windowfocus --sync " + question + " key Tab space");
    QTRY_VERIFY2_WITH_TIMEOUT(xdotool(x, find).size() == 2, "no box that says how it went", 20000);
    xdotool(x, "key Return"); // the box that says how it went has the focus
    QTRY_VERIFY_WITH_TIMEOUT(stateColours(x, window).contains("#00FFFF"), 20000);

    QCOMPARE(bundle.readTool(), FakeUnityBundle::converterBytes());
    QVERIFY(QFileInfo(bundle.toolPath()).isExecutable());
    QCOMPARE(bundle.readOriginal(), FakeUnityBundle::unityToolBytes());
    xdotool(x, "mousemove --window " + window + " 400 398 click 1");
    QVERIFY(application.waitForFinished(20000));
    QVERIFY(application.exitStatus() == QProcess::NormalExit && application.exitCode() == 0);

    // An error at start-up shows a box that says why; closing it ends the process with 1.
    QVERIFY(QDir(documents.documents()).removeRecursively()); // loading the settings throws
    application.start(QStringLiteral(QUORVANE_EXECUTABLE), QStringList());
    const QString box = xdotool(x, find, &found).value(0);
    QVERIFY2(found, "no start-up failure box");
    xdotool(x, "windowfocus --sync " + box + " key Return");
    QVERIFY2(application.waitForFinished(20000), "Return leaves the box open");
    QVERIFY(application.exitStatus() == QProcess::NormalExit && application.exitCode() == 1);
    // The converter starts the notification: its failure ends the process with 1, without a box.
    application.start(QStringLiteral(QUORVANE_EXECUTABLE), {"/SendMail", "/ErrorCode:3"});
    QVERIFY(application.waitForFinished(20000));
    QVERIFY(application.exitStatus() == QProcess::NormalExit && application.exitCode() == 1);

    // The start script first makes the Documents folder that macOS gives every account.
    QTemporaryDir emptyHome;
    QProcessEnvironment environment = x.environment();
    environment.insert("HOME", emptyHome.path());
    environment.insert("BUILD_DIR", QUORVANE_BUILD_DIR);
    environment.remove("XDG_CONFIG_HOME");
    application.setProcessEnvironment(environment);
    application.start(QStringLiteral(QUORVANE_START_SCRIPT), QStringList());
    const QString started = xdotool(x, find, &found).value(0);
    const QStringList geometry = xdotool(x, "getwindowgeometry " + started);
    QVERIFY2(found && geometry.contains("  Geometry: 478x429"), "no main window from the script");
    application.kill();
    QVERIFY2(application.waitForFinished(20000), "the tool outlives its kill");
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
