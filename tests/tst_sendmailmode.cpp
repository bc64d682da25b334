#include "tempdocuments.h"

#include <QProcess>
#include <QtTest>

namespace
{
// Runs the probe with `argv0` as its program path and `arguments` after it, and returns its
// report as name -> value.
QMap<QString, QString> runProbe(const QString& argv0, const QStringList& arguments)
{
    const QString probe = QStringLiteral(SENDMAILPROBE);
    QProcess process;
    process.start(QStringLiteral("/bin/bash"),
                  QStringList{QStringLiteral("-c"), QStringLiteral("exec -a \"$0\" \"$@\""),
                              argv0.isEmpty() ? probe : argv0, probe} +
                      arguments);
    QMap<QString, QString> report;
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return report;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            report.insert(QString::fromUtf8(line.left(equals)),
                          QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(equals + 1))));
    }
    return report;
}
} // namespace

class TestSendMailMode : public QObject
{
    Q_OBJECT

private slots:
    void recognisesCommandLine_data();
    void recognisesCommandLine();
};

void TestSendMailMode::recognisesCommandLine_data()
{
    QTest::addColumn<QString>("argv0"); // empty: the probe's own path
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("notified");
    QTest::addColumn<QString>("code");

    const QString mail = QStringLiteral("/SendMail");
    QTest::newRow("no arguments") << "" << QStringList{} << false << "";
    QTest::newRow("SendMail alone") << "" << QStringList{mail} << false << "";
    QTest::newRow("ErrorCode alone") << "" << QStringList{"/ErrorCode:3"} << false << "";
    QTest::newRow("both") << "" << QStringList{mail, "/ErrorCode:3"} << true << "3";
    QTest::newRow("code first") << "" << QStringList{"/ErrorCode:3", mail} << true << "3";
    QTest::newRow("others around")
        << "" << QStringList{"-psn_0_42", mail, "x", "/ErrorCode:4", "/y"} << true << "4";
    QTest::newRow("lower case") << "" << QStringList{"/sendmail", "/errorcode:3"} << false << "";
    QTest::newRow("upper case") << "" << QStringList{"/SENDMAIL", "/ERRORCODE:3"} << false << "";
    QTest::newRow("lower-case switch only")
        << "" << QStringList{"/sendmail", "/ErrorCode:3"} << false << "";
    QTest::newRow("trailing blank")
        << "" << QStringList{"/SendMail ", "/ErrorCode:3"} << false << "";
    QTest::newRow("further letter")
        << "" << QStringList{"/SendMails", "/ErrorCode:3"} << false << "";
    QTest::newRow("no colon") << "" << QStringList{mail, "/ErrorCode3"} << false << "";
    QTest::newRow("empty code") << "" << QStringList{mail, "/ErrorCode:"} << true << "";
    QTest::newRow("colon inside") << "" << QStringList{mail, "/ErrorCode:12:34"} << true << "12";
    QTest::newRow("later code wins")
        << "" << QStringList{mail, "/ErrorCode:1", "/ErrorCode:2"} << true << "2";
    QTest::newRow("program path is not a switch")
        << "/SendMail" << QStringList{"/ErrorCode:3"} << false << "";
    QTest::newRow("program path is not a code")
        << "/ErrorCode:3" << QStringList{mail} << false << "";
}

void TestSendMailMode::recognisesCommandLine()
{
    QFETCH(QString, argv0);
    QFETCH(QStringList, arguments);
    QFETCH(bool, notified);
    QFETCH(QString, code);
    TempDocuments documents;
    QVERIFY(documents.isValid());

    const QMap<QString, QString> report = runProbe(argv0, arguments);

    QVERIFY2(!report.isEmpty(), "the probe did not report");
    QCOMPARE(report.value("notified"), QString::number(notified));
    QCOMPARE(report.value("exit"), QString::number(notified ? 0 : 1));
    QCOMPARE(report.value("boxes"), QString::number(notified ? 1 : 0));
    if (notified) {
        QCOMPARE(report.value("exitWhileShown"), QStringLiteral("0"));
        QVERIFY2(report.value("text").endsWith("\n(Error code: " + code + ")"),
                 qPrintable(report.value("text")));
    }
}

QTEST_GUILESS_MAIN(TestSendMailMode)
#include "tst_sendmailmode.moc"
