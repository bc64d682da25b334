#include "apputil.h"
#include "settingfields.h"
#include "tempdocuments.h"
#include "unprivileged.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{

// The converter reads this file byte for byte; the scrambled password pins the scrambling constant.
const char defaultFile[] = R"(<?xml version="1.0"?>
<MirrelSetting>
    <UnityPath>/Applications/Unity/Unity.app</UnityPath>
    <Enabled>0</Enabled>
    <pvrtcnormal>0</pvrtcnormal>
    <pvrtcfast>0</pvrtcfast>
    <pvrtcbest>1</pvrtcbest>
    <LimitImageSize>1024</LimitImageSize>
    <Only32bit>1</Only32bit>
    <UseDebugConvert>0</UseDebugConvert>
    <ConfigPath></ConfigPath>
    <QuorvaneFilter>3</QuorvaneFilter>
    <QuorvaneEdge>0</QuorvaneEdge>
    <QuorvaneSel>0</QuorvaneSel>
    <DebugConvertOnRedirect>0</DebugConvertOnRedirect>
    <ErrorMailUse>0</ErrorMailUse>
    <ErrorMailServer></ErrorMailServer>
    <ErrorMailPort>25</ErrorMailPort>
    <ErrorMailFrom></ErrorMailFrom>
    <ErrorMailTo></ErrorMailTo>
    <ErrorMailAuthUse>0</ErrorMailAuthUse>
    <ErrorMailAuthName></ErrorMailAuthName>
    <ErrorMailAuthPass>GHu3BkHavfRxidCw8Bc=</ErrorMailAuthPass>
</MirrelSetting>
)";

// Read from a file not ours, which saving sets aside as settings.xml.bak.
const QString unusable = QStringLiteral("Enabled=0 QuorvaneSel=0");

// Run as a child, under one of the restrictions: exit 0 when saved, 1 when not, 2 when the
// restriction could not be set.
const char saveOption[] = "--save-defaults";
const QString fullDisk = QStringLiteral("full disk"); // a file-size limit, which binds root too
const QString asUser = QStringLiteral("as user");     // root ignores file modes: drop to nobody

int saveDefaults(const QString& restriction)
{
    std::signal(SIGXFSZ, SIG_IGN); // past a file-size limit, a failed write, not a kill
    const rlimit fileSize{100, 100};
    if (restriction == fullDisk ? setrlimit(RLIMIT_FSIZE, &fileSize) != 0 : !dropRootPrivileges())
        return 2;
    return AppUtil::saveSetting(Setting()) ? 0 : 1;
}

QByteArray settingFile(const QByteArray& elements)
{
    return "<?xml version=\"1.0\"?>\n<MirrelSetting>" + elements + "</MirrelSetting>\n";
}

// Every field as "name=text", the password in clear, so a failed comparison names the field.
QStringList fieldsOf(Setting setting)
{
    QString password = setting.ErrorMail.ErrorMailAuthPass;
    QStringList texts;
    for (const SettingField& field : settingFields(setting, password))
        texts << QLatin1String(field.name) + QLatin1Char('=') + fieldText(field);
    return texts;
}

int changeMode(const QString& path, int mode)
{
    return chmod(QFile::encodeName(path).constData(), mode);
}

// The content of the file at `path` after making it readable; null when there is none.
QByteArray openedUp(const QString& path)
{
    changeMode(path, 0644);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SettingFileTest : public QObject
{
    Q_OBJECT

private slots:
    void savesDefaultFileExactly()
    {
        TempDocuments temp;
        QVERIFY(AppUtil::saveSetting(Setting()));
        QCOMPARE(temp.readSettingsFile(), QByteArray(defaultFile));
    }

    void writesEachFieldUnderItsOwnName()
    {
        // Values that differ from their neighbours', so a field written under another
        // element's name shows; the converter reads these elements by name.
        TempDocuments temp;
        Setting s;
        s.Enabled = s.pvrtcfast = s.ErrorMail.ErrorMailUse = true;
        s.pvrtcbest = false;
        s.LimitImageSize = 2048;
        s.QuorvaneFilter = 7;
        s.QuorvaneEdge = 8;
        s.QuorvaneSel = 9;
        s.DebugConvertOnRedirect = 10;
        s.UnityPath = QStringLiteral("/u");
        s.ConfigPath = QStringLiteral("/c");
        s.ErrorMail.ErrorMailServer = QStringLiteral("smtp");
        s.ErrorMail.ErrorMailPort = 587;
        s.ErrorMail.ErrorMailFrom = QStringLiteral("from");
        s.ErrorMail.ErrorMailTo = QStringLiteral("to");
        QVERIFY(AppUtil::saveSetting(s));
        const QByteArray file = temp.readSettingsFile();
        for (const char* line :
             {"<UnityPath>/u<", "<Enabled>1<", "<pvrtcnormal>0<", "<pvrtcfast>1<", "<pvrtcbest>0<",
              "<LimitImageSize>2048<", "<Only32bit>1<", "<UseDebugConvert>0<", "<ConfigPath>/c<",
              "<QuorvaneFilter>7<", "<QuorvaneEdge>8<", "<QuorvaneSel>9<",
              "<DebugConvertOnRedirect>10<", "<ErrorMailUse>1<", "<ErrorMailServer>smtp<",
              "<ErrorMailPort>587<", "<ErrorMailFrom>from<", "<ErrorMailTo>to<",
              "<ErrorMailAuthUse>0<"})
            QVERIFY2(file.contains(line), line);
    }

    void roundTrip()
    {
        TempDocuments temp;
        Setting changed;
        changed.UnityPath = QStringLiteral("/Apps/R&D <new> \"Unity\".app");
        changed.ConfigPath = QStringLiteral("one\r\ntwo\rthree");
        changed.ErrorMail.ErrorMailAuthName = QStringLiteral("ユーザー");
        changed.ErrorMail.ErrorMailAuthPass = QStringLiteral("пароль & <密码>");
        changed.LimitImageSize = -1;
        QVERIFY(AppUtil::saveSetting(changed));
        QCOMPARE(fieldsOf(AppUtil::loadSetting()), fieldsOf(changed));
    }

    void readsFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("expected");   // fields as in fieldsOf, a blank before each
        const QByteArray elements = "<Enabled>1</Enabled><QuorvaneSel>5</QuorvaneSel>";
        QTest::newRow("missing") << QByteArray() << unusable;
        QTest::newRow("empty") << QByteArray("") << unusable;
        QTest::newRow("malformed") << settingFile(elements).left(60) << unusable;
        QTest::newRow("foreign root") << "<Settings>" + elements + "</Settings>" << unusable;
        QTest::newRow("root in other case")
            << "<mirrelSetting>" + elements + "</mirrelSetting>" << unusable;
        const auto limit = [](const char* text) {
            return settingFile("<LimitImageSize>" + QByteArray(text) + "</LimitImageSize>");
        };
        const auto ints = [](const char* kept, const char* beyond) {
            return settingFile("<LimitImageSize>" + QByteArray(kept) + "</LimitImageSize>" +
                               "<QuorvaneFilter>" + beyond + "</QuorvaneFilter>");
        };
        QTest::newRow("int at the top")
            << ints("2147483647", "2147483648") << "LimitImageSize=2147483647 QuorvaneFilter=0";
        QTest::newRow("int at the bottom")
            << ints("-2147483648", "-2147483649") << "LimitImageSize=-2147483648 QuorvaneFilter=0";
        QTest::newRow("flags") << settingFile("<Enabled>yes</Enabled><pvrtcbest>FALSE</pvrtcbest>"
                                              "<pvrtcfast>2</pvrtcfast><Only32bit></Only32bit>")
                               << "Enabled=1 pvrtcbest=0 pvrtcfast=1 Only32bit=0";
        QTest::newRow("int letters") << limit("abc") << "LimitImageSize=0";
        QTest::newRow("int wrapping to 1") << limit("4294967297") << "LimitImageSize=0";
        QTest::newRow("later duplicate wins")
            << settingFile("<ConfigPath>first</ConfigPath><ConfigPath>second</ConfigPath>")
            << "ConfigPath=second";
        QTest::newRow("blank strings")
            << settingFile("<UnityPath> </UnityPath><ConfigPath>\t</ConfigPath>")
            << "UnityPath=/Applications/Unity/Unity.app ConfigPath=";
        // A hand edit can bring in, as references, characters XML 1.0 forbids; written back
        // raw, they would leave a file that reads as the defaults. Lone surrogates go too.
        QTest::newRow("characters XML forbids")
            << settingFile("<ConfigPath>a&#1;&#0;&#8;&#xB;&#xC;&#xE;&#x1F;&#x20;&#xD7FF;&#xE000;"
                           "&#xFFFE;&#xFFFF;&#xDC00;\t&#13;\n&#xD800;" +
                           QStringLiteral("\U00010000\uFFFDb").toUtf8() +
                           "</ConfigPath><ErrorMailServer>smtp</ErrorMailServer>")
            << QStringLiteral(
                   "ConfigPath=a \uD7FF\uE000\t\r\n\U00010000\uFFFDb ErrorMailServer=smtp");
        // Scrambled: UTF-8 bytes plus a 14-byte marker, at most 200; the user name comes after.
        const auto password = [](const QString& user, const QString& clear) {
            QString text;
            AppUtil::EncodeAuthPassword(user, clear, text);
            return settingFile("<ErrorMailAuthPass>" + text.toLatin1() + "</ErrorMailAuthPass>" +
                               "<ErrorMailAuthName>" + user.toUtf8() + "</ErrorMailAuthName>");
        };
        const QString longest(186, QLatin1Char('p'));
        QTest::newRow("empty password") << password("u", "") << "ErrorMailAuthPass=";
        QTest::newRow("password 1 byte") << password("u", "x") << "ErrorMailAuthPass=x";
        QTest::newRow("password 186 bytes")
            << password("u", longest) << "ErrorMailAuthPass=" + longest;
        QTest::newRow("password 187 bytes") << password("u", longest + 'p') << "ErrorMailAuthPass=";
        QTest::newRow("password to U+0000")
            << password("u", QStringLiteral("ab") + QChar(0) + "cd") << "ErrorMailAuthPass=ab";
        QTest::newRow("password, other user")
            << password("u", "pw").replace(">u<", ">v<") << "ErrorMailAuthPass=";
        // The name keys the scrambling: the password must come back under the name as written.
        QTest::newRow("password, user name XML forbids")
            << password(QStringLiteral("u\1"), "pw").replace('\1', "&#1;")
            << "ErrorMailAuthName=u ErrorMailAuthPass=pw";
    }

    void readsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        TempDocuments temp;
        if (!content.isNull())
            QVERIFY(temp.writeSettingsFile(content));
        // Saved and read again, as every start does, so nothing read may be lost on the way.
        QVERIFY(AppUtil::saveSetting(AppUtil::loadSetting()));
        const QStringList fields = fieldsOf(AppUtil::loadSetting());
        for (const QString& field : expected.split(QRegularExpression(" (?=\\w+=)")))
            QVERIFY2(fields.contains(field), qPrintable(fields.join(QLatin1Char(' '))));
        QFile backup(temp.settingsFile() + QStringLiteral(".bak"));
        QCOMPARE(backup.exists(), !content.isNull() && expected == unusable);
        if (backup.open(QIODevice::ReadOnly))
            QCOMPARE(backup.readAll(), content);
    }

    void decodeKeepsOutputUnlessDecoded()
    {
        QString empty, one, output = QStringLiteral("before");
        AppUtil::EncodeAuthPassword(QStringLiteral("u"), QString(), empty);
        AppUtil::EncodeAuthPassword(QStringLiteral("u"), QStringLiteral("x"), one);
        QVERIFY(!AppUtil::DecodeAuthPassword(QStringLiteral("u"), empty, output));
        QVERIFY(!AppUtil::DecodeAuthPassword(QStringLiteral("v"), one, output));
        QCOMPARE(output, QStringLiteral("before"));
        QVERIFY(AppUtil::DecodeAuthPassword(QStringLiteral("u"), one, output));
        QCOMPARE(output, QStringLiteral("x"));
    }

    void saveUnderRestrictions_data()
    {
        QTest::addColumn<QString>("restriction"); // of the copy of this test that saves
        QTest::addColumn<QByteArray>("old");      // settings.xml before
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("saved");    // else the old file stays as it was
        QTest::addColumn<bool>("setAside"); // the old file is settings.xml.bak
        const QByteArray ours = settingFile("<ConfigPath>/old</ConfigPath>");
        QTest::newRow("full disk") << fullDisk << ours << 0777 << 0644 << false << false;
        // Set aside, for the file to be replaced, and still in place when it was not.
        QTest::newRow("full disk, foreign file")
            << fullDisk << QByteArray("<Settings/>") << 0777 << 0644 << false << true;
        QTest::newRow("full disk, malformed file")
            << fullDisk << ours.left(40) << 0777 << 0644 << false << true;
        QTest::newRow("read-only file") << asUser << ours << 0777 << 0444 << false << false;
        QTest::newRow("read-only folder") << asUser << ours << 0555 << 0666 << true << false;
        QTest::newRow("write-only file") << asUser << ours << 0777 << 0222 << true << true;
        QTest::newRow("write-only file, read-only folder")
            << asUser << ours << 0555 << 0222 << false << false;
    }

    void saveUnderRestrictions()
    {
        QFETCH(QString, restriction);
        QFETCH(QByteArray, old);
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(bool, saved);
        QFETCH(bool, setAside);
        TempDocuments temp;
        QVERIFY(temp.writeSettingsFile(old));
        const QString folder = temp.settingsFolder();
        const QString file = temp.settingsFile();
        // Opened up, so only the row's modes stop the save and the copy is in the user's reach.
        for (const QString& path : {temp.root(), temp.home(), temp.documents()})
            QCOMPARE(changeMode(path, 0777), 0);
        QCOMPARE(changeMode(folder, folderMode), 0);
        QCOMPARE(changeMode(file, fileMode), 0);
        const QString self = temp.root() + QStringLiteral("/self");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), self));
        QProcess saver;
        saver.setProcessChannelMode(QProcess::ForwardedChannels);
        saver.start(self, {saveOption, restriction});
        QVERIFY2(saver.waitForFinished(20000),
                 "the copy saving the defaults still runs after 20 s");
        QCOMPARE(saver.exitStatus() == QProcess::NormalExit ? saver.exitCode() : -1, saved ? 0 : 1);
        // A new file its owner cannot read would load as the defaults.
        QVERIFY(!saved || QFileInfo(file).permission(QFile::ReadOwner));
        QCOMPARE(changeMode(folder, 0777), 0);
        QCOMPARE(openedUp(file), saved ? QByteArray(defaultFile) : old);
        QCOMPARE(openedUp(file + QStringLiteral(".bak")), setAside ? old : QByteArray());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String(saveOption))
        return saveDefaults(app.arguments().value(2));
    SettingFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingfile.moc"
