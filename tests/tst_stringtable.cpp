// Built twice: once run under a Japanese locale (EXPECTED_LANGUAGE "ja"), once under the C
// locale (EXPECTED_LANGUAGE "en"). Each run starts with the table empty, as in a fresh process.
#include "apputil.h"
#include "utility.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace
{
const bool japanese = QByteArray(EXPECTED_LANGUAGE) == "ja";

QByteArray resourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList keysIn(const QByteArray& table)
{
    QStringList keys;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("<Item Key=\"([^\"]*)\"")).globalMatch(table);
    while (it.hasNext())
        keys << it.next().captured(1);
    return keys;
}
} // namespace

class StringTableTest : public QObject
{
    Q_OBJECT

private slots:
    void languageFollowsLocale();
    void lookup_data();
    void lookup();
    void missingKey();
    void tableFileFormat_data();
    void tableFileFormat();
    void bothTablesHoldTheSameKeys();
};

void StringTableTest::languageFollowsLocale()
{
    QCOMPARE(QString::fromStdString(Utility::GetProcessLanguage()),
             QString::fromLatin1(EXPECTED_LANGUAGE));
}

void StringTableTest::lookup_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    const QString unknown = QStringLiteral("詳細不明のエラーです。");
    QTest::newRow("unknown error") << "ErrorNotifyMessageUnknown" << unknown;
    // The raw CR LF pairs inside the attribute values come through unchanged.
    QTest::newRow("install") << "ReInstallMsg"
                             << QStringLiteral("UnityにQuorvaneを組み込みます。\r\n\r\n"
                                               "※Unityを終了させた状態で実行してください。");
    QTest::newRow("uninstall") << "UnInstallMsg"
                               << QStringLiteral("UnityからQuorvaneを取り外します。\r\n\r\n"
                                                 "※Unityを終了させた状態で実行してください。");
    QTest::newRow("missing file")
        << "MsgDLLNotFound"
        << (japanese ? QStringLiteral("プログラムの起動に必要なファイルが足りません。")
                     : QStringLiteral("Missing the file(s) required to start the program."));
    QTest::newRow("splash") << "_SplashLabel"
                            << (japanese ? QStringLiteral("初期化中...")
                                         : QStringLiteral("Initializing..."));
}

void StringTableTest::lookup()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QCOMPARE(AppUtil::IDS(key), text);
}

void StringTableTest::missingKey()
{
    const int size = AppUtil::stringTable.size();
    QCOMPARE(AppUtil::IDS(QStringLiteral("NoSuchKey")), QStringLiteral("(nullptr)"));
    QCOMPARE(AppUtil::IDS(QStringLiteral("reinstallmsg")), QStringLiteral("(nullptr)"));
    QCOMPARE(AppUtil::stringTable.size(), size);
}

void StringTableTest::tableFileFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("ja") << ":/string/res/gui.ja.xml";
    QTest::newRow("en") << ":/string/res/gui.en.xml";
}

// Later items are appended to these files by hand; this keeps their byte form from drifting.
void StringTableTest::tableFileFormat()
{
    QFETCH(QString, path);
    const QByteArray bytes = resourceBytes(path);
    QVERIFY(
        bytes.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" "
                         "standalone=\"yes\"?>\r\n<ApplicationGUI>\r\n\r\n\t<StringTable>\r\n"));
    QVERIFY(bytes.endsWith("\t</StringTable>\r\n\r\n</ApplicationGUI>\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.contains("<Item "))
            QVERIFY2(line.startsWith('\t') || line.startsWith(' '), line.constData());
    }
}

void StringTableTest::bothTablesHoldTheSameKeys()
{
    const QStringList ja = keysIn(resourceBytes(QStringLiteral(":/string/res/gui.ja.xml")));
    const QStringList en = keysIn(resourceBytes(QStringLiteral(":/string/res/gui.en.xml")));
    QCOMPARE(ja, en);
    QCOMPARE(ja.mid(0, 5), (QStringList{"ErrorNotifyMessageUnknown", "ReInstallMsg", "UnInstallMsg",
                                        "MsgDLLNotFound", "_SplashLabel"}));
}

QTEST_GUILESS_MAIN(StringTableTest)
#include "tst_stringtable.moc"
