#include "utility.h"

#include <QtTest>

namespace
{

// Decodes through both forms, which must agree: the bytes, or "refused" when both refuse and
// leave their outputs as they were. The caller's buffer is offered one byte less than the
// result needs, which must be refused in the same way, and then exactly enough.
QByteArray decode(const QByteArray& encoded)
{
    const std::string text = encoded.toStdString();
    std::vector<unsigned char> out = {'o', 'l', 'd'};
    const bool ok = Utility::Base64Decode(text, out);
    unsigned char buf[16] = {'o', 'l', 'd'};
    const unsigned long room = ok ? out.size() : sizeof buf;
    unsigned long size = room - 1;
    if (ok && room > 0 &&
        (Utility::Base64Decode(text, buf, size) || size != room - 1 || buf[0] != 'o')) {
        return "took more than the room";
    }
    size = room;
    const bool bufOk = Utility::Base64Decode(text, buf, size);
    const QByteArray fromVector(reinterpret_cast<const char*>(out.data()), out.size());
    const QByteArray fromBuffer(reinterpret_cast<const char*>(buf), ok ? size : 3);
    if (ok != bufOk || fromVector != fromBuffer || (!ok && (size != room || fromVector != "old"))) {
        return "forms disagree, or a refusal wrote output";
    }
    return ok ? fromVector : "refused";
}

} // namespace

class TestBase64 : public QObject
{
    Q_OBJECT

private slots:
    void codec_data();
    void codec();
};

void TestBase64::codec_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("decoded");
    QTest::addColumn<bool>("canonical"); // what the encoders make of `decoded`
    const auto row = [](const char* name, const QByteArray& encoded, const char* decoded,
                        bool canonical = false) {
        QTest::newRow(name) << encoded << QByteArray(decoded) << canonical;
    };
    // RFC 4648, section 10, and the last two characters of the alphabet.
    row("RFC empty", "", "", true);
    row("RFC f", "Zg==", "f", true);
    row("RFC fo", "Zm8=", "fo", true);
    row("RFC foo", "Zm9v", "foo", true);
    row("RFC foob", "Zm9vYg==", "foob", true);
    row("RFC fooba", "Zm9vYmE=", "fooba", true);
    row("RFC foobar", "Zm9vYmFy", "foobar", true);
    row("+ and /", "+/8=", "\xfb\xff", true);
    // A pad ends the text: the rest of its group and every later group go unread.
    row("valid fourth after third-place pad", "Zg=A", "f");
    row("groups after pad", "Zm9vYg==Zm9v", "foob");
    row("group after single pad", "Zm8=Zm9v", "fo");
    row("non-alphabet group after single pad", "Zm8=!!!!", "fo");
    row("spare bits before pad not checked", "Zh==", "f");
    row("5 characters", "Zm9vY", "refused");
    row("pad first", "=m9v", "refused");
    row("pad second", "Z=9v", "refused");
    row("line break in a later group", "Zm9vYmF\n", "refused");
    row("byte 0x80", "Zm9\x80", "refused");
}

void TestBase64::codec()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, decoded);
    QFETCH(bool, canonical);
    QCOMPARE(decode(encoded), decoded);
    if (canonical) {
        const std::vector<unsigned char> bytes(decoded.begin(), decoded.end());
        std::string fromVector = "old", fromPointer = "old";
        QVERIFY(Utility::Base64Encode(bytes, fromVector));
        QVERIFY(Utility::Base64Encode(bytes.data(), bytes.size(), fromPointer));
        QCOMPARE(QByteArray::fromStdString(fromVector), encoded);
        QCOMPARE(QByteArray::fromStdString(fromPointer), encoded);
    }
}

QTEST_APPLESS_MAIN(TestBase64)
#include "tst_base64.moc"
