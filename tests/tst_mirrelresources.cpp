#include "fakeunitybundle.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QProcess>
#include <QtTest>

namespace
{
const QByteArray Marker = "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";
const QByteArray VersionText = "PVRTexToolCL version %d.%d";

// Unity's tool for the forwarding tests: records its arguments, NUL-terminated, in the file
// "arguments" beside it and exits with `status`.
QByteArray recordingTool(int status)
{
    return QStringLiteral(
               "#!/bin/sh\n"
               "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$(dirname \"$0\")/arguments\"\n"
               "exit %1\n")
        .arg(status)
        .toUtf8();
}

// The stand-in converter, installed in `bundle` as PVRTexTool.
bool installStandIn(const FakeUnityBundle& bundle)
{
    QFile standIn(QStringLiteral(STANDIN_CONVERTER));
    return standIn.open(QIODevice::ReadOnly) && bundle.writeTool(standIn.readAll());
}
} // namespace

class TestMirrelResources : public QObject
{
    Q_OBJECT
private slots:
    void embeddedConverterCarriesMarkerOnly();
    void standInForwards_data();
    void standInForwards();
    void standInWithoutOriginalFails();
    void iconLoads();
};

void TestMirrelResources::embeddedConverterCarriesMarkerOnly()
{
    const QByteArray converter = FakeUnityBundle::converterBytes();
    QVERIFY(converter.contains(Marker));
    QVERIFY(!converter.contains(VersionText));
}

void TestMirrelResources::standInForwards_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");

    QTest::newRow("no arguments") << QStringList() << 0;
    QTest::newRow("conversion") << QStringList{"-f", "PVRTC1_4",    "-q", "pvrtcbest",
                                               "-i", "/tmp/in.png", "-o", "/tmp/out.pvr"}
                                << 0;
    QTest::newRow("spaces, empty and non-ASCII, failing")
        << QStringList{"a b", "", "テクスチャ.png", "--x=\"y\""} << 3;
    QTest::newRow("highest status") << QStringList{"-h"} << 255;
}

void TestMirrelResources::standInForwards()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);

    FakeUnityBundle bundle;
    QVERIFY(installStandIn(bundle));
    QVERIFY(bundle.writeOriginal(recordingTool(status)));

    QProcess converter;
    converter.start(bundle.toolPath(), arguments);
    QVERIFY(converter.waitForFinished(30000));
    QCOMPARE(converter.exitStatus(), QProcess::NormalExit);
    QCOMPARE(converter.exitCode(), status);

    QFile recorded(bundle.toolsFolder() + QStringLiteral("/arguments"));
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    QList<QByteArray> terminated = recorded.readAll().split('\0');
    terminated.removeLast(); // what follows the last terminator
    QStringList received;
    for (const QByteArray& argument : terminated)
        received.append(QString::fromUtf8(argument));
    QCOMPARE(received, arguments);
}

void TestMirrelResources::standInWithoutOriginalFails()
{
    FakeUnityBundle bundle;
    QVERIFY(installStandIn(bundle));

    QProcess converter;
    converter.start(bundle.toolPath(), {QStringLiteral("-h")});
    QVERIFY(converter.waitForFinished(30000));
    QCOMPARE(converter.exitStatus(), QProcess::NormalExit);
    QVERIFY(converter.exitCode() != 0);
    QVERIFY(
        QString::fromLocal8Bit(converter.readAllStandardError()).contains(bundle.originalPath()));
}

void TestMirrelResources::iconLoads()
{
    const QString icon = QStringLiteral(":/images/res/mirrel.icns");
    const QPixmap pixmap = QIcon(icon).pixmap(48, 48);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(48, 48));

    // Every size in the file must decode, or Qt warns each time the icon loads.
    QImageReader reader(icon);
    QVERIFY(reader.imageCount() > 0);
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY2(reader.jumpToImage(i) && !reader.read().isNull(),
                 qPrintable(reader.errorString()));
    }
}

QTEST_MAIN(TestMirrelResources)
#include "tst_mirrelresources.moc"
