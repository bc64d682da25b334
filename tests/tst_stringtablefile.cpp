// The loader against table files of other shapes. This executable embeds no string tables of
// its own: each case compiles its file with rcc and registers it at the fixed resource paths.
#include "apputil.h"

#include <QProcess>
#include <QResource>
#include <QTemporaryDir>
#include <QtTest>

using Table = QMap<QString, QString>;
Q_DECLARE_METATYPE(Table)

namespace
{

const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

QByteArray tableFile(const QByteArray& items)
{
    return declaration + "<ApplicationGUI>\n\t<StringTable>\n" + items +
           "\n\t</StringTable>\n</ApplicationGUI>\n";
}

// Registers `content` as both language files until destroyed.
class RegisteredTable
{
public:
    explicit RegisteredTable(const QByteArray& content)
    {
        QFile table(m_dir.filePath(QStringLiteral("table.xml")));
        QFile collection(m_dir.filePath(QStringLiteral("table.qrc")));
        if (!table.open(QIODevice::WriteOnly) || !collection.open(QIODevice::WriteOnly))
            return;
        table.write(content);
        collection.write("<RCC><qresource prefix=\"/string\">"
                         "<file alias=\"res/gui.ja.xml\">table.xml</file>"
                         "<file alias=\"res/gui.en.xml\">table.xml</file>"
                         "</qresource></RCC>");
        table.close();
        collection.close();
        m_rcc = m_dir.filePath(QStringLiteral("table.rcc"));
        const int rc = QProcess::execute(
            QStringLiteral(QUORVANE_RCC),
            {QStringLiteral("-binary"), collection.fileName(), QStringLiteral("-o"), m_rcc});
        m_registered = rc == 0 && QResource::registerResource(m_rcc);
    }
    ~RegisteredTable()
    {
        if (m_registered)
            QResource::unregisterResource(m_rcc);
    }
    RegisteredTable(const RegisteredTable&) = delete;
    RegisteredTable& operator=(const RegisteredTable&) = delete;

    bool isRegistered() const { return m_registered; }

private:
    QTemporaryDir m_dir;
    QString m_rcc;
    bool m_registered = false;
};

} // namespace

class StringTableFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { AppUtil::stringTable.clear(); }
    void loads_data();
    void loads();
    void missingFileIsRetried();
    void loadedTableNeverChanges();
};

void StringTableFileTest::loads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Table>("table");

    const QByteArray items =
        "\t\t<Item Key=\"a\" Value=\"1\" />\n\t\t<Item Key=\"b\" Value=\"2\" />";
    const Table ab{{"a", "1"}, {"b", "2"}};
    QTest::newRow("well-formed") << tableFile(items) << ab;
    QTest::newRow("BOM and CR LF")
        << QByteArray("\xEF\xBB\xBF" + tableFile(items)).replace("\n", "\r\n") << ab;
    QTest::newRow("no declaration")
        << QByteArray("<ApplicationGUI><StringTable>" + items + "</StringTable></ApplicationGUI>")
        << Table();
    QTest::newRow("comment before root")
        << QByteArray(tableFile(items)).insert(declaration.size(), "<!-- c -->\n") << Table();
    QTest::newRow("processing instruction before root")
        << QByteArray(tableFile(items)).insert(declaration.size(), "<?pi x?>\n") << Table();
    QTest::newRow("root in other case")
        << QByteArray(tableFile(items)).replace("ApplicationGUI", "applicationGUI") << Table();
    QTest::newRow("comment before StringTable")
        << QByteArray(tableFile(items)).replace("<StringTable>", "<!-- c --><StringTable>")
        << Table();
    QTest::newRow("element before StringTable")
        << QByteArray(tableFile(items)).replace("<StringTable>", "<Other/><StringTable>")
        << Table();
    QTest::newRow("second StringTable not read")
        << QByteArray(tableFile(items))
               .replace("</StringTable>",
                        "</StringTable><StringTable><Item Key=\"c\" Value=\"3\"/></StringTable>")
        << ab;
    QTest::newRow("other nodes among items skipped")
        << tableFile("text<!-- <Item Key=\"x\" Value=\"0\"/> --><item Key=\"y\" Value=\"0\"/>"
                     "<Group><Item Key=\"z\" Value=\"0\"/></Group><?pi?>" +
                     items)
        << ab;
    QTest::newRow("later key wins") << tableFile(items + "<Item Key=\"a\" Value=\"again\"/>")
                                    << Table{{"a", "again"}, {"b", "2"}};
    QTest::newRow("attributes missing")
        << tableFile("<Item Value=\"no key\"/><Item Key=\"no value\"/>")
        << Table{{"", "no key"}, {"no value", ""}};
    QTest::newRow("escaped value")
        << tableFile("<Item Key=\"k\" Value=\"&lt;&amp;&quot;\"/>") << Table{{"k", "<&\""}};
    const QByteArray whole = tableFile(items);
    QTest::newRow("cut off after the first item")
        << whole.left(whole.indexOf("Key=\"b\"")) << Table{{"a", "1"}};
    QTest::newRow("empty file") << QByteArray() << Table();
}

void StringTableFileTest::loads()
{
    QFETCH(QByteArray, content);
    QFETCH(Table, table);
    RegisteredTable registered(content);
    QVERIFY(registered.isRegistered());

    const QString first = table.isEmpty() ? QStringLiteral("(nullptr)") : table.first();
    QCOMPARE(AppUtil::IDS(table.isEmpty() ? QStringLiteral("a") : table.firstKey()), first);
    QCOMPARE(AppUtil::stringTable, table);
}

void StringTableFileTest::missingFileIsRetried()
{
    QCOMPARE(AppUtil::IDS(QStringLiteral("a")), QStringLiteral("(nullptr)"));
    QVERIFY(AppUtil::stringTable.isEmpty());
    RegisteredTable registered(tableFile("<Item Key=\"a\" Value=\"1\"/>"));
    QVERIFY(registered.isRegistered());
    QCOMPARE(AppUtil::IDS(QStringLiteral("a")), QStringLiteral("1"));
}

void StringTableFileTest::loadedTableNeverChanges()
{
    {
        RegisteredTable registered(tableFile("<Item Key=\"a\" Value=\"1\"/>"));
        QVERIFY(registered.isRegistered());
        QCOMPARE(AppUtil::IDS(QStringLiteral("a")), QStringLiteral("1"));
    }
    RegisteredTable other(tableFile("<Item Key=\"a\" Value=\"2\"/><Item Key=\"b\" Value=\"3\"/>"));
    QVERIFY(other.isRegistered());
    QCOMPARE(AppUtil::IDS(QStringLiteral("a")), QStringLiteral("1"));
    QCOMPARE(AppUtil::IDS(QStringLiteral("b")), QStringLiteral("(nullptr)"));
}

QTEST_GUILESS_MAIN(StringTableFileTest)
#include "tst_stringtablefile.moc"
