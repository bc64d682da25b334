#include "apputil.h"
#include "tempdocuments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <boost/filesystem/exception.hpp>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(Setting)

namespace
{

const QString defaultUnityPath = QStringLiteral("/Applications/Unity/Unity.app");

Setting changed(const std::function<void(Setting&)>& change)
{
    Setting setting;
    change(setting);
    return setting;
}

QByteArray settingFile(const QByteArray& elements)
{
    return "<?xml version=\"1.0\"?>\n<MirrelSetting>\n" + elements + "\n</MirrelSetting>\n";
}

void compareSettings(const Setting& actual, const Setting& expected)
{
    QCOMPARE(actual.Enabled, expected.Enabled);
    QCOMPARE(actual.pvrtcfast, expected.pvrtcfast);
    QCOMPARE(actual.pvrtcnormal, expected.pvrtcnormal);
    QCOMPARE(actual.pvrtcbest, expected.pvrtcbest);
    QCOMPARE(actual.LimitImageSize, expected.LimitImageSize);
    QCOMPARE(actual.Only32bit, expected.Only32bit);
    QCOMPARE(actual.UseDebugConvert, expected.UseDebugConvert);
    QCOMPARE(actual.UnityPath, expected.UnityPath);
    QCOMPARE(actual.ConfigPath, expected.ConfigPath);
    QCOMPARE(actual.QuorvaneFilter, expected.QuorvaneFilter);
    QCOMPARE(actual.QuorvaneEdge, expected.QuorvaneEdge);
    QCOMPARE(actual.QuorvaneSel, expected.QuorvaneSel);
    QCOMPARE(actual.DebugConvertOnRedirect, expected.DebugConvertOnRedirect);
    const ErrorMailSetting& a = actual.ErrorMail;
    const ErrorMailSetting& e = expected.ErrorMail;
    QCOMPARE(a.ErrorMailUse, e.ErrorMailUse);
    QCOMPARE(a.ErrorMailServer, e.ErrorMailServer);
    QCOMPARE(a.ErrorMailPort, e.ErrorMailPort);
    QCOMPARE(a.ErrorMailFrom, e.ErrorMailFrom);
    QCOMPARE(a.ErrorMailTo, e.ErrorMailTo);
    QCOMPARE(a.ErrorMailAuthUse, e.ErrorMailAuthUse);
    QCOMPARE(a.ErrorMailAuthName, e.ErrorMailAuthName);
    QCOMPARE(a.ErrorMailAuthPass, e.ErrorMailAuthPass);
}

QStringList folderEntries(const TempDocuments& temp)
{
    return QDir(temp.settingsFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Lets a process run as another user reach the folders of `temp`.
void openUpFolders(const TempDocuments& temp)
{
    for (const QString& path : {temp.root(), temp.home(), temp.documents()})
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
}

} // namespace

class SettingFileTest : public QObject
{
    Q_OBJECT

private slots:
    void savesDefaultFileExactly();
    void roundTrip_data();
    void roundTrip();
    void defaultsFromUnusableFile_data();
    void defaultsFromUnusableFile();
    void readsFlags_data();
    void readsFlags();
    void readsIntegers_data();
    void readsIntegers();
    void readingRules_data();
    void readingRules();
    void folderErrorsPassToCaller();
    void keepsPermissions();
    void writeFailureKeepsOldFile();
    void refusedWithoutPermission_data();
    void refusedWithoutPermission();
    void setsAsideUnreadableFile_data();
    void setsAsideUnreadableFile();
};

void SettingFileTest::savesDefaultFileExactly()
{
    TempDocuments temp;
    QVERIFY(AppUtil::saveSetting(Setting()));
    const QByteArray expected = "<?xml version=\"1.0\"?>\n"
                                "<MirrelSetting>\n"
                                "    <UnityPath>/Applications/Unity/Unity.app</UnityPath>\n"
                                "    <Enabled>0</Enabled>\n"
                                "    <pvrtcnormal>0</pvrtcnormal>\n"
                                "    <pvrtcfast>0</pvrtcfast>\n"
                                "    <pvrtcbest>1</pvrtcbest>\n"
                                "    <LimitImageSize>1024</LimitImageSize>\n"
                                "    <Only32bit>1</Only32bit>\n"
                                "    <UseDebugConvert>0</UseDebugConvert>\n"
                                "    <ConfigPath></ConfigPath>\n"
                                "    <QuorvaneFilter>3</QuorvaneFilter>\n"
                                "    <QuorvaneEdge>0</QuorvaneEdge>\n"
                                "    <QuorvaneSel>0</QuorvaneSel>\n"
                                "    <DebugConvertOnRedirect>0</DebugConvertOnRedirect>\n"
                                "    <ErrorMailUse>0</ErrorMailUse>\n"
                                "    <ErrorMailServer></ErrorMailServer>\n"
                                "    <ErrorMailPort>25</ErrorMailPort>\n"
                                "    <ErrorMailFrom></ErrorMailFrom>\n"
                                "    <ErrorMailTo></ErrorMailTo>\n"
                                "    <ErrorMailAuthUse>0</ErrorMailAuthUse>\n"
                                "    <ErrorMailAuthName></ErrorMailAuthName>\n"
                                "    <ErrorMailAuthPass>GHu3BkHavfRxidCw8Bc=</ErrorMailAuthPass>\n"
                                "</MirrelSetting>\n";
    QCOMPARE(temp.readSettingsFile(), expected);
}

void SettingFileTest::roundTrip_data()
{
    QTest::addColumn<Setting>("saved");
    QTest::addColumn<Setting>("loaded");

    const Setting markup = changed([](Setting& s) {
        s.UnityPath = QStringLiteral("/Apps/R&D <new> \"Unity\" 'x'.app");
        s.ErrorMail.ErrorMailServer = QStringLiteral("  smtp&<>  ");
        s.ErrorMail.ErrorMailFrom = QStringLiteral("a]]>b");
    });
    QTest::newRow("markup characters") << markup << markup;
    const Setting lineBreaks =
        changed([](Setting& s) { s.ConfigPath = QStringLiteral("one\r\ntwo\rthree\nfour\tfive"); });
    QTest::newRow("line breaks") << lineBreaks << lineBreaks;
    const Setting nonAscii = changed([](Setting& s) {
        s.UnityPath = QStringLiteral("/Applications/ユニティ/Unity.app");
        s.ErrorMail.ErrorMailAuthName = QStringLiteral("ユーザー");
        s.ErrorMail.ErrorMailAuthPass = QStringLiteral("пароль密码");
    });
    QTest::newRow("non-ASCII") << nonAscii << nonAscii;
    const Setting numbers = changed([](Setting& s) {
        s.LimitImageSize = -1;
        s.QuorvaneFilter = std::numeric_limits<std::int32_t>::min();
        s.QuorvaneEdge = std::numeric_limits<std::int32_t>::max();
        s.QuorvaneSel = 7;
        s.DebugConvertOnRedirect = -42;
        s.ErrorMail.ErrorMailPort = 0;
    });
    QTest::newRow("integers") << numbers << numbers;
    const Setting flags = changed([](Setting& s) {
        s.Enabled = s.pvrtcfast = s.pvrtcnormal = s.UseDebugConvert = true;
        s.pvrtcbest = s.Only32bit = false;
        s.ErrorMail.ErrorMailUse = s.ErrorMail.ErrorMailAuthUse = true;
    });
    QTest::newRow("flags flipped") << flags << flags;
    const Setting mail = changed([](Setting& s) {
        s.ErrorMail.ErrorMailServer = QStringLiteral("smtp.example.com");
        s.ErrorMail.ErrorMailPort = 587;
        s.ErrorMail.ErrorMailFrom = QStringLiteral("from@example.com");
        s.ErrorMail.ErrorMailTo = QStringLiteral("to@example.com");
        s.ErrorMail.ErrorMailAuthName = QStringLiteral("mailer");
        s.ErrorMail.ErrorMailAuthPass = QStringLiteral("s3cret & <more>");
    });
    QTest::newRow("mail settings") << mail << mail;

    QTest::newRow("blank strings read back empty") << changed([](Setting& s) {
        s.ConfigPath = QStringLiteral(" \t ");
        s.ErrorMail.ErrorMailTo = QStringLiteral("  ");
    }) << Setting();
    QTest::newRow("empty UnityPath reads back as default")
        << changed([](Setting& s) { s.UnityPath = QStringLiteral("  "); }) << Setting();
    QTest::newRow("empty password")
        << changed([](Setting& s) { s.ErrorMail.ErrorMailAuthName = QStringLiteral("mailer"); })
        << changed([](Setting& s) { s.ErrorMail.ErrorMailAuthName = QStringLiteral("mailer"); });
    QTest::newRow("password too long to come back")
        << changed([](Setting& s) { s.ErrorMail.ErrorMailAuthPass = QString(187, 'p'); })
        << Setting();
}

void SettingFileTest::roundTrip()
{
    QFETCH(Setting, saved);
    QFETCH(Setting, loaded);
    TempDocuments temp;
    QVERIFY(AppUtil::saveSetting(saved));
    compareSettings(AppUtil::loadSetting(), loaded);
}

void SettingFileTest::defaultsFromUnusableFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");

    const QByteArray elements = "<Enabled>1</Enabled><LimitImageSize>2048</LimitImageSize>";
    QTest::newRow("missing") << false << QByteArray();
    QTest::newRow("empty") << true << QByteArray();
    QTest::newRow("truncated") << true << settingFile(elements).left(60);
    QTest::newRow("unclosed element")
        << true << settingFile("<Enabled>1</Enabled><ConfigPath>/x</Configpath>");
    QTest::newRow("foreign root") << true
                                  << "<?xml version=\"1.0\"?><Settings>" + elements + "</Settings>";
    QTest::newRow("root in other case")
        << true << "<?xml version=\"1.0\"?><mirrelsetting>" + elements + "</mirrelsetting>";
}

void SettingFileTest::defaultsFromUnusableFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    TempDocuments temp;
    if (present)
        QVERIFY(temp.writeSettingsFile(content));

    compareSettings(AppUtil::loadSetting(), Setting());
    QVERIFY(QFileInfo(temp.settingsFolder()).isDir());
    QCOMPARE(QFileInfo::exists(temp.settingsFile()), present);
    if (present)
        QCOMPARE(temp.readSettingsFile(), content);
}

void SettingFileTest::readsFlags_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("value");

    for (const char* text : {"1", "true", "yes", "no", "2", " 0", "x"})
        QTest::newRow(text) << QByteArray(text) << true;
    for (const char* text : {"0", "false", "FALSE", "False", ""})
        QTest::newRow(*text ? text : "empty") << QByteArray(text) << false;
}

void SettingFileTest::readsFlags()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, value);
    TempDocuments temp;
    // pvrtcbest and Only32bit default to true, so both directions show.
    QVERIFY(temp.writeSettingsFile(
        settingFile("<Enabled>" + text + "</Enabled><pvrtcbest>" + text + "</pvrtcbest>")));
    const Setting setting = AppUtil::loadSetting();
    QCOMPARE(setting.Enabled, value);
    QCOMPARE(setting.pvrtcbest, value);
}

void SettingFileTest::readsIntegers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << QByteArray("2048") << 2048;
    QTest::newRow("blanks around") << QByteArray(" 587 ") << 587;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("leading zeros") << QByteArray("0042") << 42;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483648LL);
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("trailing letters") << QByteArray("12ab") << 0;
    QTest::newRow("fraction") << QByteArray("1.5") << 0;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("just above 32 bits") << QByteArray("2147483648") << 0;
    QTest::newRow("just below 32 bits") << QByteArray("-2147483649") << 0;
    QTest::newRow("wraps to 1 in 32 bits") << QByteArray("4294967297") << 0;
    QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999") << 0;
}

void SettingFileTest::readsIntegers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    TempDocuments temp;
    QVERIFY(temp.writeSettingsFile(settingFile("<LimitImageSize>" + text +
                                               "</LimitImageSize><ErrorMailPort>" + text +
                                               "</ErrorMailPort>")));
    const Setting setting = AppUtil::loadSetting();
    QCOMPARE(setting.LimitImageSize, value);
    QCOMPARE(setting.ErrorMail.ErrorMailPort, value);
}

void SettingFileTest::readingRules_data()
{
    QTest::addColumn<QByteArray>("elements");
    QTest::addColumn<Setting>("expected");

    QTest::newRow("one element") << QByteArray("<Enabled>1</Enabled>")
                                 << changed([](Setting& s) { s.Enabled = true; });
    QTest::newRow("later duplicate wins")
        << QByteArray("<ErrorMailServer>first</ErrorMailServer>"
                      "<ErrorMailServer>second</ErrorMailServer>")
        << changed([](Setting& s) { s.ErrorMail.ErrorMailServer = QStringLiteral("second"); });
    QTest::newRow("other nodes ignored")
        << QByteArray("stray text<!-- <Enabled>1</Enabled> --><enabled>1</enabled>"
                      "<Extra><QuorvaneSel>5</QuorvaneSel></Extra><?pi data?>"
                      "<QuorvaneSel>6</QuorvaneSel>")
        << changed([](Setting& s) { s.QuorvaneSel = 6; });
    QTest::newRow("empty UnityPath, empty ConfigPath")
        << QByteArray("<UnityPath></UnityPath><ConfigPath/>") << Setting();

    QString scrambled;
    AppUtil::EncodeAuthPassword(QStringLiteral("alice"), QStringLiteral("pw"), scrambled);
    const QByteArray password =
        "<ErrorMailAuthPass>" + scrambled.toLatin1() + "</ErrorMailAuthPass>";
    QTest::newRow("password before its user name")
        << password + "<ErrorMailAuthName>alice</ErrorMailAuthName>" << changed([](Setting& s) {
               s.ErrorMail.ErrorMailAuthName = QStringLiteral("alice");
               s.ErrorMail.ErrorMailAuthPass = QStringLiteral("pw");
           });
    QTest::newRow("user name changed by hand")
        << "<ErrorMailAuthName>bob</ErrorMailAuthName>" + password
        << changed([](Setting& s) { s.ErrorMail.ErrorMailAuthName = QStringLiteral("bob"); });
}

void SettingFileTest::readingRules()
{
    QFETCH(QByteArray, elements);
    QFETCH(Setting, expected);
    TempDocuments temp;
    QVERIFY(temp.writeSettingsFile(settingFile(elements)));
    compareSettings(AppUtil::loadSetting(), expected);
}

void SettingFileTest::folderErrorsPassToCaller()
{
    TempDocuments temp;
    QVERIFY(QDir(temp.documents()).removeRecursively());
    QVERIFY_EXCEPTION_THROWN(AppUtil::loadSetting(), boost::filesystem::filesystem_error);
    QVERIFY_EXCEPTION_THROWN(AppUtil::saveSetting(Setting()), boost::filesystem::filesystem_error);
    QVERIFY(!QFileInfo::exists(temp.documents()));
}

void SettingFileTest::keepsPermissions()
{
    TempDocuments temp;
    QVERIFY(AppUtil::saveSetting(Setting()));
    const QByteArray file = QFile::encodeName(temp.settingsFile());
    QCOMPARE(chmod(file.constData(), 0640), 0);
    QVERIFY(AppUtil::saveSetting(changed([](Setting& s) { s.Enabled = true; })));
    struct stat info;
    QCOMPARE(stat(file.constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
    QVERIFY(AppUtil::loadSetting().Enabled);
}

// A full disk, imitated with a file-size limit, which holds for root too.
void SettingFileTest::writeFailureKeepsOldFile()
{
    TempDocuments temp;
    QVERIFY(temp.writeSettingsFile("not ours"));
    rlimit previous;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 100;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = AppUtil::saveSetting(Setting());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QCOMPARE(temp.readSettingsFile(), QByteArray("not ours"));
    QCOMPARE(folderEntries(temp), QStringList{QStringLiteral("settings.xml")});
}

void SettingFileTest::refusedWithoutPermission_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("read-only file") << 0444;
    QTest::newRow("write-only file") << 0200; // cannot be checked or kept, so not replaced
}

// Root ignores file modes, so the save runs in a child process as an unprivileged user.
void SettingFileTest::refusedWithoutPermission()
{
    QFETCH(int, mode);
    TempDocuments temp;
    openUpFolders(temp);
    const Setting old = changed([](Setting& s) { s.ConfigPath = QStringLiteral("/old"); });
    QVERIFY(AppUtil::saveSetting(old));
    const QByteArray oldContent = temp.readSettingsFile();
    const QByteArray folder = QFile::encodeName(temp.settingsFolder());
    const QByteArray file = QFile::encodeName(temp.settingsFile());
    QCOMPARE(chmod(folder.constData(), 0777), 0);
    // A copy inside the opened-up folders, as the build tree may be closed to other users.
    const QString probePath = temp.root() + QStringLiteral("/settingsprobe");
    QVERIFY(QFile::copy(QStringLiteral(SETTINGS_PROBE), probePath));
    QStringList command{probePath, QStringLiteral("/new")};
    if (geteuid() == 0) {
        QCOMPARE(chown(file.constData(), 65534, 65534), 0);
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} +
                  command;
    }
    QCOMPARE(chmod(file.constData(), mode), 0);

    QProcess probe;
    probe.start(command.takeFirst(), command);
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QVERIFY2(probe.exitCode() == 1, probe.readAllStandardError().constData());

    QCOMPARE(chmod(file.constData(), 0644), 0);
    QCOMPARE(temp.readSettingsFile(), oldContent);
    QCOMPARE(folderEntries(temp), QStringList{QStringLiteral("settings.xml")});
    QCOMPARE(AppUtil::loadSetting().ConfigPath, QStringLiteral("/old"));
}

void SettingFileTest::setsAsideUnreadableFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("setAside");

    QTest::newRow("missing") << false << QByteArray() << false;
    QTest::newRow("ours") << true << settingFile("<Enabled>1</Enabled>") << false;
    QTest::newRow("malformed") << true << settingFile("<Enabled>1</Enabled").left(50) << true;
    QTest::newRow("foreign root") << true << QByteArray("<Settings><Enabled>1</Enabled></Settings>")
                                  << true;
    QTest::newRow("root in other case") << true << QByteArray("<mirrelsetting/>") << true;
    QTest::newRow("empty") << true << QByteArray() << true;
}

void SettingFileTest::setsAsideUnreadableFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    QFETCH(bool, setAside);
    TempDocuments temp;
    if (present)
        QVERIFY(temp.writeSettingsFile(content));
    const QString backup = temp.settingsFile() + QStringLiteral(".bak");
    QVERIFY(QDir().mkpath(temp.settingsFolder()));
    if (setAside) { // an older copy is replaced by the newer one
        QFile older(backup);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
    }

    QVERIFY(AppUtil::saveSetting(changed([](Setting& s) { s.QuorvaneSel = 9; })));
    QCOMPARE(AppUtil::loadSetting().QuorvaneSel, 9);
    QCOMPARE(QFileInfo::exists(backup), setAside);
    if (setAside) {
        QFile kept(backup);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
    }
}

QTEST_GUILESS_MAIN(SettingFileTest)
#include "tst_settingfile.moc"
