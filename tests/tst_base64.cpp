#include "utility.h"

#include <QtTest>

#include <string>
#include <vector>

namespace
{

std::vector<unsigned char> bytes(const QByteArray& data)
{
    return std::vector<unsigned char>(data.begin(), data.end());
}

std::string text(const QByteArray& data)
{
    return data.toStdString();
}

const std::vector<unsigned char> sentinel = {0xDE, 0xAD};

} // namespace

class TestBase64 : public QObject
{
    Q_OBJECT

private slots:
    void rfc4648Vectors_data();
    void rfc4648Vectors();
    void everyByteValueRoundTrips();
    void encodeReplacesOutput();
    void lenientAfterPad_data();
    void lenientAfterPad();
    void refused_data();
    void refused();
    void callerBufferCapacity();
};

void TestBase64::rfc4648Vectors_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("encoded");

    // RFC 4648, section 10.
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
    QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
    QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
    QTest::newRow("high bits") << QByteArray::fromHex("fbff") << QByteArray("+/8=");
}

void TestBase64::rfc4648Vectors()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, encoded);

    std::string out;
    QVERIFY(Utility::Base64Encode(bytes(data), out));
    QCOMPARE(QByteArray::fromStdString(out), encoded);
    out.clear();
    QVERIFY(Utility::Base64Encode(bytes(data).data(), data.size(), out));
    QCOMPARE(QByteArray::fromStdString(out), encoded);

    std::vector<unsigned char> decoded = sentinel;
    QVERIFY(Utility::Base64Decode(text(encoded), decoded));
    QVERIFY(decoded == bytes(data));

    unsigned char buf[8];
    unsigned long size = sizeof buf;
    QVERIFY(Utility::Base64Decode(text(encoded), buf, size));
    QCOMPARE(size, static_cast<unsigned long>(data.size()));
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), size), data);
}

void TestBase64::everyByteValueRoundTrips()
{
    std::vector<unsigned char> data(256);
    for (int i = 0; i < 256; ++i) {
        data[i] = static_cast<unsigned char>(i);
    }
    std::string encoded;
    QVERIFY(Utility::Base64Encode(data, encoded));
    QCOMPARE(encoded.size(), std::size_t{344});
    QCOMPARE(QByteArray::fromStdString(encoded),
             QByteArray(reinterpret_cast<char*>(data.data()), 256).toBase64());
    std::vector<unsigned char> decoded;
    QVERIFY(Utility::Base64Decode(encoded, decoded));
    QVERIFY(decoded == data);
}

void TestBase64::encodeReplacesOutput()
{
    std::string out = "left over";
    QVERIFY(Utility::Base64Encode(std::vector<unsigned char>(), out));
    QCOMPARE(out, std::string());
    out = "left over";
    QVERIFY(Utility::Base64Encode(nullptr, 0, out));
    QCOMPARE(out, std::string());
    out = "left over";
    QVERIFY(Utility::Base64Encode(bytes("ab").data(), 2, out));
    QCOMPARE(out, std::string("YWI="));
}

void TestBase64::lenientAfterPad_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("data");

    // A pad in the third place ends decoding before the fourth character is read.
    QTest::newRow("letter after third-place pad") << QByteArray("Zg=A") << QByteArray("f");
    QTest::newRow("newline after third-place pad") << QByteArray("Zg=\n") << QByteArray("f");
    QTest::newRow("groups after pad") << QByteArray("Zm9vYg==Zm9v") << QByteArray("foob");
    QTest::newRow("garbage after pad") << QByteArray("Zm8=!!!!====") << QByteArray("fo");
    // Bits below the last whole byte are dropped, not checked.
    QTest::newRow("nonzero spare bits, one byte") << QByteArray("Zh==") << QByteArray("f");
    QTest::newRow("nonzero spare bits, two bytes") << QByteArray("Zm9=") << QByteArray("fo");
}

void TestBase64::lenientAfterPad()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, data);

    std::vector<unsigned char> decoded = sentinel;
    QVERIFY(Utility::Base64Decode(text(encoded), decoded));
    QVERIFY(decoded == bytes(data));
}

void TestBase64::refused_data()
{
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("5 characters") << QByteArray("Zm9vY");
    QTest::newRow("6 characters") << QByteArray("Zm9vYg");
    QTest::newRow("7 characters") << QByteArray("Zm9vYg=");
    QTest::newRow("unpadded") << QByteArray("Zm9vYmE");
    QTest::newRow("pad first") << QByteArray("=m9v");
    QTest::newRow("pad second") << QByteArray("Z=9v");
    QTest::newRow("pad first in later group") << QByteArray("Zm9v====");
    QTest::newRow("blank") << QByteArray("Zm 9");
    QTest::newRow("line break in a later group") << QByteArray("Zm9vYmF\n");
    QTest::newRow("CR before pad") << QByteArray("Zm\r=");
    QTest::newRow("NUL") << QByteArray("Zm9v\0mFy", 8);
    QTest::newRow("URL-safe minus") << QByteArray("Zm9-");
    QTest::newRow("URL-safe underscore") << QByteArray("Zm9_");
    QTest::newRow("byte 0x80") << QByteArray("Zm9\x80");
    QTest::newRow("byte 0xFF") << QByteArray("\xffm9v");
}

void TestBase64::refused()
{
    QFETCH(QByteArray, encoded);

    std::vector<unsigned char> decoded = sentinel;
    QVERIFY(!Utility::Base64Decode(text(encoded), decoded));
    QVERIFY(decoded == sentinel);

    unsigned char buf[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    unsigned long size = sizeof buf;
    QVERIFY(!Utility::Base64Decode(text(encoded), buf, size));
    QCOMPARE(size, 8ul);
    QCOMPARE(buf[0], static_cast<unsigned char>(7));
}

void TestBase64::callerBufferCapacity()
{
    unsigned char buf[6] = {7, 7, 7, 7, 7, 7};
    unsigned long size = 6;
    QVERIFY(Utility::Base64Decode("Zm9vYmFy", buf, size));
    QCOMPARE(size, 6ul);

    std::fill(buf, buf + 6, 7);
    size = 5;
    QVERIFY(!Utility::Base64Decode("Zm9vYmFy", buf, size));
    QCOMPARE(size, 5ul);
    QCOMPARE(buf[0], static_cast<unsigned char>(7));

    size = 6;
    QVERIFY(Utility::Base64Decode("Zm8=", buf, size));
    QCOMPARE(size, 2ul);
    QCOMPARE(buf[2], static_cast<unsigned char>(7));

    size = 0;
    QVERIFY(Utility::Base64Decode("", nullptr, size));
    QCOMPARE(size, 0ul);
    size = 6;
    QVERIFY(Utility::Base64Decode("", buf, size));
    QCOMPARE(size, 0ul);
}

QTEST_APPLESS_MAIN(TestBase64)
#include "tst_base64.moc"
