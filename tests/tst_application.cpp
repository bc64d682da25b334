// The real executable as a user meets it: on an X display of its own, with a temporary home and a
// fake Unity bundle, driven by mouse and keyboard through xdotool.

#include "apputil.h"
#include "mainwindowfixture.h"
#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>

namespace
{

const QString Executable = QStringLiteral(QUORVANE_EXECUTABLE);
const QString MainTitle = QStringLiteral("^Sorvel Quorvane for Unity$");
const int Patience = 20000;

// Window positions on the form; the empty menu bar takes no height on X11.
const QStringList InstallButton = {QStringLiteral("90"), QStringLiteral("318")};
const QStringList OkButton = {QStringLiteral("400"), QStringLiteral("398")};
const QRect StateLine(20, 275, 301, 30);

struct LineColours {
    int red = 0;
    int cyan = 0;
};

// Counts the pixels of the state line's text in either of its two colours.
LineColours stateLineColours(const QImage& window)
{
    LineColours colours;
    const QImage line = window.copy(StateLine).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < line.height(); ++y) {
        for (int x = 0; x < line.width(); ++x) {
            const QColor c = line.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++colours.red;
            if (c.red() < 60 && c.green() > 200 && c.blue() > 200)
                ++colours.cyan;
        }
    }
    return colours;
}

class Desktop
{
public:
    explicit Desktop(const XvfbServer& server) : m_server(server) {}

    // Visible windows whose title matches `pattern`.
    QStringList windows(const QString& pattern) const
    {
        const QByteArray ids = m_server.runClient(
            QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), pattern});
        return QString::fromLatin1(ids).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Waits for a visible window titled by `pattern` other than those in `known`.
    QString waitForWindow(const QString& pattern, const QStringList& known = {}) const
    {
        const QDeadlineTimer deadline(Patience);
        while (!deadline.hasExpired()) {
            for (const QString& id : windows(pattern))
                if (!known.contains(id))
                    return id;
            QTest::qWait(100);
        }
        return QString();
    }

    bool waitUntilGone(const QString& pattern, const QString& id) const
    {
        const QDeadlineTimer deadline(Patience);
        while (windows(pattern).contains(id)) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(100);
        }
        return true;
    }

    bool click(const QString& window, const QStringList& position) const
    {
        return xdotool(QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), window}
                       << position << QStringLiteral("click") << QStringLiteral("1"));
    }

    // Gives `window` the keyboard and types `keys` into it.
    bool type(const QString& window, const QStringList& keys) const
    {
        return xdotool({QStringLiteral("windowfocus"), window}) &&
               xdotool(QStringList{QStringLiteral("key")} << keys);
    }

private:
    bool xdotool(const QStringList& arguments) const
    {
        bool ok = false;
        m_server.runClient(QStringLiteral("xdotool"), arguments, &ok);
        return ok;
    }

    const XvfbServer& m_server;
};

// Waits until the state line shows a colour; the picture of the window otherwise.
LineColours waitForLineColour(const XvfbServer& server, const QString& window, bool cyan)
{
    LineColours colours;
    const QDeadlineTimer deadline(Patience);
    do {
        colours = stateLineColours(server.grab(window));
        if ((cyan ? colours.cyan : colours.red) > 0)
            break;
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return colours;
}

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installAsAUser();
    void startUpErrorEndsWithoutWindow_data();
    void startUpErrorEndsWithoutWindow();
};

void TestApplication::installAsAUser()
{
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::NotInstalled));
    QVERIFY(fixture.storeSettings());
    XvfbServer server;
    QVERIFY(server.start());
    const Desktop desktop(server);
    QProcess application;
    application.setProcessEnvironment(server.environment());
    application.setProcessChannelMode(QProcess::ForwardedChannels);
    application.start(Executable, QStringList());
    QVERIFY(application.waitForStarted());

    const QString window = desktop.waitForWindow(MainTitle);
    QVERIFY2(!window.isEmpty(), "the main window did not appear");
    LineColours colours = waitForLineColour(server, window, false);
    QVERIFY(colours.red > 0);
    QCOMPARE(colours.cyan, 0);

    QVERIFY(desktop.click(window, InstallButton));
    const QString question = desktop.waitForWindow(QStringLiteral("^警告$"));
    QVERIFY2(!question.isEmpty(), "no confirmation box");
    // Cancel has the focus, as the default button; Tab moves to OK.
    QVERIFY(desktop.type(question, {QStringLiteral("Tab"), QStringLiteral("space")}));
    const QString result = desktop.waitForWindow(MainTitle, {window});
    QVERIFY2(!result.isEmpty(), "no result box");
    QVERIFY(desktop.type(result, {QStringLiteral("Return")}));
    QVERIFY(desktop.waitUntilGone(MainTitle, result));

    QCOMPARE(fixture.bundle.readTool(), FakeUnityBundle::converterBytes());
    struct stat tool {
    };
    QCOMPARE(::stat(QFile::encodeName(fixture.bundle.toolPath()).constData(), &tool), 0);
    QCOMPARE(tool.st_mode & 07777, mode_t(0775));
    QCOMPARE(fixture.bundle.readOriginal(), FakeUnityBundle::unityToolBytes());
    colours = waitForLineColour(server, window, true);
    QVERIFY(colours.cyan > 0);
    QCOMPARE(colours.red, 0);

    QVERIFY(desktop.click(window, OkButton));
    QVERIFY(application.waitForFinished(Patience));
    QCOMPARE(application.exitStatus(), QProcess::NormalExit);
    QCOMPARE(application.exitCode(), 0);

    const QString bundle =
        QDir::cleanPath(QFileInfo(Executable).absolutePath() + QStringLiteral("/../.."));
    QVERIFY(bundle.endsWith(QStringLiteral("/Sorvel Quorvane for Unity.app")));
    QCOMPARE(AppUtil::loadSetting().ConfigPath, bundle);
    QFile manual(bundle + QStringLiteral("/Contents/Resources/manual/index.html"));
    QVERIFY(manual.open(QIODevice::ReadOnly));
    QVERIFY(manual.readAll().contains("id=\"unity-hub\""));
}

void TestApplication::startUpErrorEndsWithoutWindow_data()
{
    QTest::addColumn<bool>("documentsMissing");

    QTest::newRow("settings folder can't be made") << true;
    QTest::newRow("state query fails, converter enabled") << false;
}

void TestApplication::startUpErrorEndsWithoutWindow()
{
    QFETCH(bool, documentsMissing);
    MainWindowFixture fixture;
    QVERIFY(setBundleState(fixture.bundle, BundleState::OriginalLoop));
    Setting setting;
    setting.Enabled = true;
    QVERIFY(fixture.storeSettings(setting));
    if (documentsMissing)
        QVERIFY(QDir(fixture.documents.documents()).removeRecursively());
    QProcess application;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    application.setProcessEnvironment(environment);

    // A box would wait for an answer that never comes: the process must end by itself.
    application.start(Executable, QStringList());

    QVERIFY(application.waitForFinished(Patience));
    QCOMPARE(application.exitStatus(), QProcess::NormalExit);
    QCOMPARE(application.exitCode(), 1);
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
