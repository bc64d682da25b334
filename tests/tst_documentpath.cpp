#include "apputil.h"
#include "pathjoin.h"
#include "tempdocuments.h"
#include "utility.h"

#include <QtTest>
#include <boost/filesystem/exception.hpp>

class DocumentPathTest : public QObject
{
    Q_OBJECT

private slots:
    void joinPath()
    {
        QCOMPARE(::joinPath("/docs", "f"), QStringLiteral("/docs/f"));
        QCOMPARE(::joinPath("/docs/", "f"), QStringLiteral("/docs/f"));
        QCOMPARE(::joinPath("", "f"), QStringLiteral("f"));
        QCOMPARE(::joinPath("/a//b/./../c", "f"), QStringLiteral("/a//b/./../c/f")); // as it is
        QCOMPARE(::joinPath("/書類", "ユニティ"), QStringLiteral("/書類/ユニティ"));
        QCOMPARE(::joinPath(QStringLiteral("/d") + QChar(0) + "/x", "f"), QStringLiteral("/d/f"));
    }

    void gettersFollowDocuments()
    {
        TempDocuments temp;
        QCOMPARE(Utility::getDocumentPath(), temp.documents());
        QCOMPARE(AppUtil::getAppDataPath(), temp.settingsFolder());
        QCOMPARE(AppUtil::getSettingFile(), temp.settingsFile());
    }

    void createAppDirectory()
    {
        TempDocuments temp;
        const QString folder = temp.settingsFolder();
        QVERIFY(Utility::createAppDirectory(temp.settingsFile()));
        QVERIFY(QFileInfo(folder).isDir() && QDir().rmdir(folder));
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly)); // a file in the folder's place
        QVERIFY(Utility::createAppDirectory(temp.settingsFile()));
        QVERIFY(QFileInfo(folder).isFile() && QFile::remove(folder));
        QVERIFY(QDir(temp.root()).mkdir("to") && QFile::link(temp.root() + "/to", folder));
        QVERIFY(Utility::createAppDirectory(temp.settingsFile())); // a symlink to a folder
        QVERIFY(QFileInfo(folder).isSymLink());
        // Only one level is made; the error reaches the callers of load and save.
        QVERIFY(QDir(temp.documents()).removeRecursively());
        QVERIFY_EXCEPTION_THROWN(AppUtil::loadSetting(), boost::filesystem::filesystem_error);
        QVERIFY_EXCEPTION_THROWN(AppUtil::saveSetting({}), boost::filesystem::filesystem_error);
        QVERIFY(!QFileInfo::exists(temp.documents()));
    }
};

QTEST_GUILESS_MAIN(DocumentPathTest)
#include "tst_documentpath.moc"
