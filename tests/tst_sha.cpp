#include "sha.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QtTest>

#include <cstring>

namespace
{

// One algorithm's operations on a USHAContext: its direct operations on the union member, or
// the unified interface. Reset gets the version, which the direct ones need not.
struct Ops {
    int (*reset)(USHAContext*, SHAversion);
    int (*input)(USHAContext*, const unsigned char*, unsigned int);
    int (*finalBits)(USHAContext*, unsigned char, unsigned int);
    int (*result)(USHAContext*, unsigned char*);
};

template <auto member, auto reset, auto input, auto finalBits, auto result>
constexpr Ops direct{
    [](USHAContext* c, SHAversion) { return reset(&(c->ctx.*member)); },
    [](USHAContext* c, auto... a) { return input(&(c->ctx.*member), a...); },
    [](USHAContext* c, auto... a) { return finalBits(&(c->ctx.*member), a...); },
    [](USHAContext* c, auto... a) { return result(&(c->ctx.*member), a...); },
};

using Members = decltype(USHAContext::ctx);
#define DIRECT(name, member)                                                                       \
    direct<&Members::member, name##Reset, name##Input, name##FinalBits, name##Result>
const Ops directOps[] = {DIRECT(SHA1, sha1Context), DIRECT(SHA224, sha224Context),
                         DIRECT(SHA256, sha256Context), DIRECT(SHA384, sha384Context),
                         DIRECT(SHA512, sha512Context)};
const Ops unified{USHAReset, USHAInput, USHAFinalBits, USHAResult};

// An independent implementation to check against.
const QCryptographicHash::Algorithm reference[] = {
    QCryptographicHash::Sha1, QCryptographicHash::Sha224, QCryptographicHash::Sha256,
    QCryptographicHash::Sha384, QCryptographicHash::Sha512};

QByteArray code(int value)
{
    return QByteArray::number(value);
}

const unsigned char* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

// Result into a buffer of 0xEE bytes: the digest in hex, or the code when Result fails. Bytes
// past the digest, or any byte on failure, must keep their old value.
QByteArray readResult(const Ops& ops, USHAContext& context, SHAversion version)
{
    QByteArray out(USHAMaxHashSize + 4, '\xEE');
    const int code = ops.result(&context, reinterpret_cast<unsigned char*>(out.data()));
    const int written = code == shaSuccess ? USHAHashSize(version) : 0;
    if (out.mid(written) != QByteArray(out.size() - written, '\xEE'))
        return "wrote outside the digest";
    return code == shaSuccess ? out.left(written).toHex() : QByteArray::number(code);
}

// The digest of `message`, fed in pieces of `chunk` bytes (0: at once), and its final bits.
QByteArray digest(const Ops& ops, SHAversion version, const QByteArray& message, int chunk = 0,
                  int bits = 0, int bitCount = 0)
{
    USHAContext context;
    chunk = chunk ? chunk : message.size();
    bool ok = ops.reset(&context, version) == shaSuccess;
    for (int i = 0; ok && i < message.size(); i += chunk)
        ok = ops.input(&context, bytesOf(message) + i, qMin(chunk, message.size() - i)) == 0;
    ok = ok && ops.finalBits(&context, bits, bitCount) == shaSuccess;
    return ok ? readResult(ops, context, version) : "input failed";
}

QByteArray mac(SHAversion version, const QByteArray& key, const QByteArray& text)
{
    QByteArray out(USHAHashSize(version), '\0');
    auto* const digest = reinterpret_cast<unsigned char*>(out.data());
    const int failed = hmac(version, bytesOf(text), text.size(), bytesOf(key), key.size(), digest);
    return failed ? "failed" : out.toHex();
}

} // namespace

Q_DECLARE_METATYPE(SHAversion)

class TestSha : public QObject
{
    Q_OBJECT
private slots:
    void digests_data();
    void digests();
    void stateTable_data() { digests_data(); }
    void stateTable();
    void lengthOverflow();
    void unifiedQuirks();
    void hmacSteps();
};

// RFC 6234's 5-bit TEST5 (TEST7 for SHA-1, with unused low bits set that must be ignored).
void TestSha::digests_data()
{
    QTest::addColumn<SHAversion>("v");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("fiveBits");
    const auto row = [](SHAversion v, int bits, const char* hex) {
        QTest::addRow("SHA-%d", v ? USHAHashSizeBits(v) : 1) << v << bits << QByteArray(hex);
    };
    row(SHA1, 0x9F, "29826b003b906e660eff4027ce98af3531ac75ba");
    row(SHA224, 0x68, "e3b048552c3c387bcab37f6eb06bb79b96a4aee5ff27f51531a9551c");
    row(SHA256, 0x68, "d6d3e02a31a84a8caa9718ed6c2057be09db45e7823eb5079ce7a573a3760f95");
    row(SHA384, 0x10,
        "8d17be79e32b6718e07d8a603eb84ba0478f7fcfd1bb9399"
        "5f7d1149e09143ac1ffcfc56820e469f3878d957a15a3fe4");
    row(SHA512, 0xB0,
        "d4ee29a9e90985446b913cf1d1376c836f4be2c1cf3cada0720a6bf4857d886a"
        "7ecb3c4e4c0fa8c7f95214e41dc1b0d21b22a84cc03bf8ce4845f34dd5bdbad4");
}

// Lengths around where the pad byte and bit count still fit in the last block of either size, a
// message fed in pieces of every size, and MAC keys shorter than, as long as and over a block.
void TestSha::digests()
{
    QFETCH(SHAversion, v);
    QFETCH(int, bits);
    QFETCH(QByteArray, fiveBits);
    const auto data = QByteArray("\x80\x01\xff\x7f abc\0def", 12).repeated(33).chopped(7);
    const auto hash = [&](const QByteArray& d) {
        return QCryptographicHash::hash(d, reference[v]).toHex();
    };
    for (const Ops& ops : {directOps[v], unified}) {
        QCOMPARE(digest(ops, v, QByteArray(), 0, bits, 5), fiveBits);
        for (int size : {0, 1, 55, 56, 63, 64, 65, 111, 112, 127, 128, 129})
            QCOMPARE(digest(ops, v, data.left(size)), hash(data.left(size)));
        for (int chunk = 1; chunk < data.size(); ++chunk)
            QCOMPARE(digest(ops, v, data, chunk), hash(data));
    }
    const int block = USHABlockSize(v);
    for (int keySize : {3, block, block + 1}) {
        const QByteArray key = data.right(keySize), text = data.left(100);
        QCOMPARE(mac(v, key, text),
                 QMessageAuthenticationCode::hash(text, key, reference[v]).toHex());
    }
}

// A trace of result codes, "abc" standing for the digest of "abc": a null message of length
// 0 and 1; Result twice, into a null buffer; Input of length 0 and 1 after Result, then
// Result and FinalBits; FinalBits with 8 bits; Reset recovers.
void TestSha::stateTable()
{
    QFETCH(SHAversion, v);
    const QByteArray abc = QCryptographicHash::hash("abc", reference[v]).toHex();
    const unsigned char x[] = {'a', 'b', 'c'};
    for (const Ops& ops : {directOps[v], unified}) {
        USHAContext c;
        QByteArrayList trace;
        trace << code(ops.reset(&c, v)) << code(ops.input(&c, nullptr, 0))
              << code(ops.input(&c, nullptr, 1)) << code(ops.input(&c, x, 3))
              << code(ops.finalBits(&c, 0xFF, 0)) << readResult(ops, c, v) << readResult(ops, c, v)
              << code(ops.result(&c, nullptr)) << code(ops.input(&c, x, 0))
              << code(ops.input(&c, x, 1)) << readResult(ops, c, v)
              << code(ops.finalBits(&c, 0xFF, 1)) << code(ops.reset(&c, v))
              << code(ops.finalBits(&c, 0xFF, 8)) << readResult(ops, c, v) << code(ops.reset(&c, v))
              << code(ops.input(&c, x, 3)) << readResult(ops, c, v);
        QCOMPARE(trace.join(' '),
                 QByteArray("0 0 1 0 0 abc abc 1 0 3 3 3 0 3 3 0 0 abc").replace("abc", abc));
    }
}

// A carry into Length_High is no overflow. The byte that wraps the whole count is still taken
// and the call succeeds; the context then keeps code 1.
void TestSha::lengthOverflow()
{
    const auto overflowTrace = [](auto c, auto input, auto result) {
        using Word = decltype(c.Length_Low);
        unsigned char x[USHAMaxHashSize] = {'a', 'b'};
        c.Length_Low = ~Word{0} - 7;
        QByteArrayList trace;
        trace << code(input(&c, x, 2)) << code(c.Length_High) << code(c.Corrupted);
        c.Length_High = ~Word{0};
        c.Length_Low = ~Word{0} - 15;
        trace << code(input(&c, x, 2)) << code(c.Corrupted) << code(c.Message_Block_Index)
              << code(input(&c, x, 1)) << code(result(&c, x)) << code(x[0]);
        return trace.join(' ');
    };
    QCOMPARE(overflowTrace(SHA256Context{}, SHA256Input, SHA256Result), "0 1 0 0 1 4 1 1 97");
    QCOMPARE(overflowTrace(SHA512Context{}, SHA512Input, SHA512Result), "0 1 0 0 1 4 1 1 97");
}

void TestSha::unifiedQuirks()
{
    // Every value but 0..3 gets the SHA-512 row, negative ones included.
    for (const auto v : {SHA512, static_cast<SHAversion>(5), static_cast<SHAversion>(-1)}) {
        QCOMPARE(QList<int>({USHABlockSize(v), USHAHashSize(v), USHAHashSizeBits(v)}),
                 QList<int>({128, 64, 512}));
    }
    // An unknown version is kept and refused before anything else is looked at.
    USHAContext c;
    unsigned char out[USHAMaxHashSize];
    QByteArrayList trace;
    trace << code(USHAReset(&c, SHA256)) << code(USHAReset(&c, static_cast<SHAversion>(5)))
          << code(USHAInput(&c, nullptr, 0)) << code(USHAFinalBits(&c, 0, 0))
          << code(USHAResult(&c, out)) << code(USHAReset(nullptr, SHA256));
    QCOMPARE(trace.join(' '), QByteArray("0 4 4 4 4 1"));
}

// The stepwise calls, with the text in two pieces, agree with hmac(). Every failure of
// hmacReset is folded into 1. The record keeps no flag of its own: a second result hashes the
// first MAC once more, and the finished outer hash refuses more input.
void TestSha::hmacSteps()
{
    HMACContext context;
    const QByteArray key(131, '\xaa'), text = "what do ya want for nothing?";
    unsigned char first[USHAMaxHashSize], second[USHAMaxHashSize];
    QByteArrayList trace;
    trace << code(hmacReset(&context, static_cast<SHAversion>(7), bytesOf(key), 3))
          << code(hmacReset(nullptr, SHA256, bytesOf(key), 3))
          << code(hmacReset(&context, SHA384, bytesOf(key), key.size()))
          << code(hmacInput(&context, bytesOf(text), 10))
          << code(hmacInput(&context, bytesOf(text) + 10, text.size() - 10))
          << code(hmacResult(&context, first))
          << QByteArray(reinterpret_cast<char*>(first), SHA384HashSize).toHex()
          << code(hmacResult(&context, second))
          << code(std::memcmp(first, second, SHA384HashSize) != 0)
          << code(hmacInput(&context, first, 1)) << code(hmacFinalBits(&context, 0x80, 1));
    QCOMPARE(trace.join(' '), "1 1 0 0 0 0 " + mac(SHA384, key, text) + " 0 1 3 3");
}

QTEST_APPLESS_MAIN(TestSha)
#include "tst_sha.moc"
