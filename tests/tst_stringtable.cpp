// Run under a Japanese and under the C locale (EXPECTED_LANGUAGE "ja" or "en"). The later cases
// put table files of other shapes, compiled with rcc, in place of the embedded ones.
#include "apputil.h"

#include <QProcess>
#include <QResource>
#include <QTemporaryDir>
#include <QtTest>

using Table = QMap<QString, QString>;
Q_DECLARE_METATYPE(Table)

class StringTableTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_rcc = m_dir.filePath(QStringLiteral("gui.rcc"));

    static QByteArray tableFile(const QByteArray& items)
    {
        return "<?xml version=\"1.0\"?><ApplicationGUI><StringTable>" + items +
               "</StringTable></ApplicationGUI>";
    }

    bool useTable(const QByteArray& content)
    {
        Q_CLEANUP_RESOURCE(resources);
        QResource::unregisterResource(m_rcc);
        QFile table(m_dir.filePath("gui.xml")), collection(m_dir.filePath("gui.qrc"));
        if (!table.open(QIODevice::WriteOnly) || !collection.open(QIODevice::WriteOnly))
            return false;
        table.write(content);
        collection.write("<RCC><qresource prefix=\"/string/res\"><file alias=\"gui.ja.xml\">gui.xml"
                         "</file><file alias=\"gui.en.xml\">gui.xml</file></qresource></RCC>");
        table.close();
        collection.close();
        const QStringList args{"-binary", collection.fileName(), "-o", m_rcc};
        return QProcess::execute(QUORVANE_RCC, args) == 0 && QResource::registerResource(m_rcc);
    }

private slots:
    void init() { AppUtil::stringTable.clear(); }

    void embeddedTable_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        const bool ja = QByteArray(EXPECTED_LANGUAGE) == "ja";
        QTest::newRow("same in both")
            << "ErrorNotifyMessageUnknown" << QStringLiteral("詳細不明のエラーです。");
        QTest::newRow("language's own")
            << "_SplashLabel"
            << (ja ? QStringLiteral("初期化中...") : QStringLiteral("Initializing..."));
        QTest::newRow("missing key") << "NoSuchKey" << QStringLiteral("(nullptr)");
    }

    void embeddedTable()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QCOMPARE(AppUtil::IDS(key), text);
    }

    void otherTable_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Table>("table");
        const QByteArray items = "<Item Key=\"a\" Value=\"1\"/><Item Key=\"b\" Value=\"2\"/>";
        QTest::newRow("later key wins")
            << tableFile(items + "<Item Key=\"a\" Value=\"3\"/>") << Table{{"a", "3"}, {"b", "2"}};
        QTest::newRow("cut off after an item") << tableFile(items).left(80) << Table{{"a", "1"}};
        QTest::newRow("no declaration") << tableFile(items).mid(21) << Table();
        QTest::newRow("root in other case")
            << tableFile(items).replace("ApplicationGUI", "applicationGUI") << Table();
    }

    void otherTable()
    {
        QFETCH(QByteArray, content);
        QFETCH(Table, table);
        QVERIFY(useTable(content));
        AppUtil::IDS(QStringLiteral("a"));
        QCOMPARE(AppUtil::stringTable, table);
        // Loaded again only while empty.
        QVERIFY(useTable(tableFile("<Item Key=\"z\" Value=\"9\"/>")));
        AppUtil::IDS(QStringLiteral("a"));
        QCOMPARE(AppUtil::stringTable, (table.isEmpty() ? Table{{"z", "9"}} : table));
    }
};

QTEST_GUILESS_MAIN(StringTableTest)
#include "tst_stringtable.moc"
