#include "apputil.h"
#include "pathjoin.h"
#include "tempdocuments.h"
#include "utility.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <boost/filesystem/exception.hpp>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

class DocumentPathTest : public QObject
{
    Q_OBJECT

private slots:
    void joinPath_data();
    void joinPath();
    void gettersFollowDocuments_data();
    void gettersFollowDocuments();
    void createAppDirectoryAccepts_data();
    void createAppDirectoryAccepts();
    void createAppDirectoryThrows_data();
    void createAppDirectoryThrows();
    void createAppDirectoryResolvesRelativePath();
};

void DocumentPathTest::joinPath_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("joined");

    const QString folder = QStringLiteral("Sorvel Quorvane for Unity 5");
    QTest::newRow("plain") << "/home/u/Documents" << folder
                           << "/home/u/Documents/Sorvel Quorvane for Unity 5";
    QTest::newRow("trailing slash")
        << "/home/u/Documents/" << folder << "/home/u/Documents/Sorvel Quorvane for Unity 5";
    QTest::newRow("empty base") << "" << folder << folder;
    QTest::newRow("root") << "/" << folder << "/Sorvel Quorvane for Unity 5";
    QTest::newRow("nothing normalised") << "/a//b/./../c"
                                        << "settings.xml"
                                        << "/a//b/./../c/settings.xml";
    QTest::newRow("non-ASCII") << "/home/ユーザー/書類" << folder
                               << "/home/ユーザー/書類/Sorvel Quorvane for Unity 5";
    QTest::newRow("cut at NUL") << QStringLiteral("/docs") + QChar(0) + QStringLiteral("/junk")
                                << "settings.xml"
                                << "/docs/settings.xml";
    QTest::newRow("absolute name appended as is") << "/docs"
                                                  << "/x"
                                                  << "/docs/x";
}

void DocumentPathTest::joinPath()
{
    QFETCH(QString, base);
    QFETCH(QString, name);
    QFETCH(QString, joined);
    QCOMPARE(::joinPath(base, name), joined);
}

void DocumentPathTest::gettersFollowDocuments_data()
{
    QTest::addColumn<QString>("userDirsLine");
    QTest::addColumn<QString>("documentsUnderHome");

    QTest::newRow("default Documents") << QString() << "Documents";
    QTest::newRow("non-ASCII Documents") << "XDG_DOCUMENTS_DIR=\"$HOME/書類\""
                                         << "書類";
}

void DocumentPathTest::gettersFollowDocuments()
{
    QFETCH(QString, userDirsLine);
    QFETCH(QString, documentsUnderHome);
    TempDocuments temp;
    QVERIFY(temp.isValid());
    if (!userDirsLine.isEmpty()) {
        QFile userDirs(temp.home() + QStringLiteral("/.config/user-dirs.dirs"));
        QVERIFY(userDirs.open(QIODevice::WriteOnly));
        userDirs.write(userDirsLine.toUtf8() + '\n');
    }

    const QString documents = temp.home() + QLatin1Char('/') + documentsUnderHome;
    const QString folder = documents + QStringLiteral("/Sorvel Quorvane for Unity 5");
    QCOMPARE(Utility::getDocumentPath(), documents);
    QCOMPARE(AppUtil::getAppDataPath(), folder);
    QCOMPARE(AppUtil::getSettingFile(), folder + QStringLiteral("/settings.xml"));
    QVERIFY(!QFileInfo::exists(folder)); // the getters only compute
}

void DocumentPathTest::createAppDirectoryAccepts_data()
{
    QTest::addColumn<QString>("standing"); // what stands at the folder's path beforehand
    QTest::addColumn<bool>("folderAfter");

    QTest::newRow("nothing: made") << "" << true;
    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("regular file") << "file" << false;
    QTest::newRow("symlink to folder") << "symlink" << true;
}

void DocumentPathTest::createAppDirectoryAccepts()
{
    QFETCH(QString, standing);
    QFETCH(bool, folderAfter);
    TempDocuments temp;
    const QString folder = temp.settingsFolder();
    if (standing == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(folder));
    if (standing == QLatin1String("file"))
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    if (standing == QLatin1String("symlink")) {
        QVERIFY(QDir().mkdir(temp.root() + QStringLiteral("/elsewhere")));
        QVERIFY(QFile::link(temp.root() + QStringLiteral("/elsewhere"), folder));
    }

    const mode_t mask = umask(022);
    umask(mask);
    QVERIFY(Utility::createAppDirectory(temp.settingsFile()));
    QCOMPARE(QFileInfo(folder).isDir(), folderAfter);
    if (standing.isEmpty()) {
        struct stat info;
        QCOMPARE(stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0777 & ~mask);
    }
    QVERIFY(!QFileInfo::exists(temp.settingsFile()));
}

void DocumentPathTest::createAppDirectoryThrows_data()
{
    QTest::addColumn<QString>("documents"); // what replaces the Documents folder
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("error");

    QTest::newRow("Documents missing") << "missing"
                                       << "create_directory" << ENOENT;
    QTest::newRow("file as Documents") << "file"
                                       << "create_directory" << ENOTDIR;
    QTest::newRow("symlink loop as Documents") << "loop"
                                               << "status" << ELOOP;
    QTest::newRow("dangling symlink as folder") << "dangling"
                                                << "create_directory" << EEXIST;
}

void DocumentPathTest::createAppDirectoryThrows()
{
    QFETCH(QString, documents);
    QFETCH(QString, operation);
    QFETCH(int, error);
    TempDocuments temp;
    QVERIFY(QDir(temp.documents()).removeRecursively());
    if (documents == QLatin1String("file"))
        QVERIFY(QFile(temp.documents()).open(QIODevice::WriteOnly));
    if (documents == QLatin1String("loop"))
        QVERIFY(QFile::link(temp.documents(), temp.documents()));
    if (documents == QLatin1String("dangling")) {
        QVERIFY(QDir().mkdir(temp.documents()));
        QVERIFY(QFile::link(temp.root() + QStringLiteral("/nowhere"), temp.settingsFolder()));
    }

    try {
        Utility::createAppDirectory(temp.settingsFile());
        QFAIL("no exception");
    } catch (const boost::filesystem::filesystem_error& e) {
        QVERIFY2(QByteArray(e.what()).contains("boost::filesystem::" + operation.toLatin1()),
                 e.what());
        QCOMPARE(e.code().value(), error);
        QCOMPARE(QString::fromStdString(e.path1().string()), temp.settingsFolder());
    }
    QVERIFY(!QFileInfo(temp.settingsFolder()).isDir());
}

void DocumentPathTest::createAppDirectoryResolvesRelativePath()
{
    TempDocuments temp;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp.documents()));
    const bool made = Utility::createAppDirectory(QStringLiteral("relative/settings.xml"));
    QDir::setCurrent(previous);
    QVERIFY(made);
    QVERIFY(QFileInfo(temp.documents() + QStringLiteral("/relative")).isDir());
}

QTEST_GUILESS_MAIN(DocumentPathTest)
#include "tst_documentpath.moc"
