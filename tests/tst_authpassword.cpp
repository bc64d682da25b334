#include "apputil.h"

#include <QtTest>

namespace
{
const QString untouched = QStringLiteral("untouched");

QString encoded(const QString& user, const QString& password)
{
    QString text;
    AppUtil::EncodeAuthPassword(user, password, text);
    return text;
}
} // namespace

class AuthPasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void storedTextIsStable();
    void roundTrip_data();
    void roundTrip();
    void rejected_data();
    void rejected();
};

// Settings files already written hold these texts: the scrambling must keep producing them.
void AuthPasswordTest::storedTextIsStable()
{
    QCOMPARE(encoded(QString(), QString()), QStringLiteral("GHu3BkHavfRxidCw8Bc="));
    QCOMPARE(encoded(QStringLiteral("mailer"), QStringLiteral("s3cret")),
             QStringLiteral("HmDvo0qM26mqkPuXfJaqeN0j2cU="));
    QCOMPARE(encoded(QStringLiteral("mailer"), QStringLiteral("s3cret")),
             encoded(QStringLiteral("mailer"), QStringLiteral("s3cret")));
}

void AuthPasswordTest::roundTrip_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("decodeUser");
    QTest::addColumn<int>("textLength");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("one character") << "u"
                                   << "x"
                                   << "u" << 20 << "x";
    QTest::newRow("no user name") << ""
                                  << "pw"
                                  << "" << 24 << "pw";
    QTest::newRow("186 bytes") << "u" << QString(186, QLatin1Char('a')) << "u" << 268
                               << QString(186, QLatin1Char('a'));
    QTest::newRow("non-ASCII") << "ユーザー"
                               << "пароль密码"
                               << "ユーザー" << 44 << "пароль密码";
    QTest::newRow("password cut at NUL")
        << "u" << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd") << "u" << 24 << "ab";
    QTest::newRow("user cut at NUL")
        << QStringLiteral("u") + QChar(0) + QStringLiteral("ignored") << "pw"
        << "u" << 24 << "pw";
}

void AuthPasswordTest::roundTrip()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, decodeUser);
    QFETCH(int, textLength);
    QFETCH(QString, decoded);

    QString text = untouched;
    QVERIFY(AppUtil::EncodeAuthPassword(user, password, text));
    QCOMPARE(text.size(), textLength);
    QString clear = untouched;
    QVERIFY(AppUtil::DecodeAuthPassword(decodeUser, text, clear));
    QCOMPARE(clear, decoded);
}

void AuthPasswordTest::rejected_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("text");

    const QString u = QStringLiteral("u");
    const QString empty = encoded(u, QString());
    QVERIFY(empty.size() == 20 && empty.endsWith(QLatin1String("=")) &&
            !empty.endsWith(QLatin1String("==")));
    QTest::newRow("empty password") << u << empty;
    const QString tooLong = encoded(u, QString(187, QLatin1Char('a')));
    QCOMPARE(tooLong.size(), 268);
    QTest::newRow("187 bytes") << u << tooLong;
    QTest::newRow("other user name") << "v" << encoded(u, QStringLiteral("pw"));
    QString damaged = encoded(u, QStringLiteral("pw"));
    damaged[damaged.size() - 2] =
        damaged.at(damaged.size() - 2) == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    QTest::newRow("damaged") << u << damaged;
    QTest::newRow("not Base64") << u << "*not base64*";
    QTest::newRow("empty text") << u << "";
    QTest::newRow("clear text") << u << "cGFzc3dvcmQxMjM0NTY3ODkw"; // "password1234567890"
}

void AuthPasswordTest::rejected()
{
    QFETCH(QString, user);
    QFETCH(QString, text);
    QString clear = untouched;
    QVERIFY(!AppUtil::DecodeAuthPassword(user, text, clear));
    QCOMPARE(clear, untouched);
}

QTEST_GUILESS_MAIN(AuthPasswordTest)
#include "tst_authpassword.moc"
