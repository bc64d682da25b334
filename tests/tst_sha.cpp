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

template <auto member, auto operation, typename... Args>
int onMember(USHAContext* context, Args... args)
{
    return operation(&(context->ctx.*member), args...);
}

template <auto member, auto reset, auto input, auto finalBits, auto result>
constexpr Ops direct{
    [](USHAContext* context, SHAversion) { return reset(&(context->ctx.*member)); },
    onMember<member, input, const unsigned char*, unsigned int>,
    onMember<member, finalBits, unsigned char, unsigned int>,
    onMember<member, result, unsigned char*>};

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
    if (out.mid(written) != QByteArray(out.size() - written, '\xEE')) {
        return "wrote outside the digest";
    }
    return code == shaSuccess ? out.left(written).toHex() : QByteArray::number(code);
}

// The digest of `message`, fed in pieces of `chunk` bytes (0: at once), and its final bits.
QByteArray digest(const Ops& ops, SHAversion version, const QByteArray& message, int chunk = 0,
                  int bits = 0, int bitCount = 0)
{
    USHAContext context;
    chunk = chunk ? chunk : message.size();
    bool ok = ops.reset(&context, version) == shaSuccess;
    for (int i = 0; ok && i < message.size(); i += chunk) {
        ok = ops.input(&context, bytesOf(message) + i, qMin(chunk, message.size() - i)) == 0;
    }
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

// A carry into Length_High is no overflow. The byte that wraps the whole count is still taken
// and the call succeeds; the context then keeps code 1.
template <typename C>
QByteArray overflowTrace(int (*input)(C*, const unsigned char*, unsigned int),
                         int (*result)(C*, unsigned char*))
{
    C c{};
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
}

} // namespace

Q_DECLARE_METATYPE(SHAversion)

class TestSha : public QObject
{
    Q_OBJECT

private slots:
    void knownAnswers_data();
    void knownAnswers();
    void matchesReference_data();
    void matchesReference();
    void stateTable_data() { matchesReference_data(); }
    void stateTable();
    void lengthOverflow();
    void unifiedQuirks();
    void hmacSteps();
};

void TestSha::knownAnswers_data()
{
    QTest::addColumn<SHAversion>("version");
    QTest::addColumn<QByteArray>("key"); // null for a plain digest
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char* name, SHAversion v, const QByteArray& message, const char* hex,
                        int bits = 0, int count = 0) {
        QTest::newRow(name) << v << QByteArray() << message << bits << count << QByteArray(hex);
    };
    const auto macRow = [](const char* name, SHAversion v, const QByteArray& key,
                           const QByteArray& text, const char* hex) {
        QTest::newRow(name) << v << key << text << 0 << 0 << QByteArray(hex);
    };
    const QByteArray million(1000000, 'a');
    const QByteArray jefe = "what do ya want for nothing?";
    const QByteArray longKey = "Test Using Larger Than Block-Size Key - Hash Key First";

    // FIPS 180-4 examples, RFC 6234's TEST3 and its bit-oriented TEST7 (the SHA-1 row with the
    // unused low bits of its final byte set, which must be ignored).
    row("SHA-1 abc", SHA1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d");
    row("SHA-1 5 bits", SHA1, "", "29826b003b906e660eff4027ce98af3531ac75ba", 0x9F, 5);
    row("SHA-224 abc", SHA224, "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7");
    row("SHA-256 abc", SHA256, "abc",
        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    row("SHA-256 million a", SHA256, million,
        "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    row("SHA-256 5 bits", SHA256, "",
        "d6d3e02a31a84a8caa9718ed6c2057be09db45e7823eb5079ce7a573a3760f95", 0x68, 5);
    row("SHA-384 abc", SHA384, "abc",
        "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded163"
        "1a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
    row("SHA-512 abc", SHA512, "abc",
        "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
        "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
    row("SHA-512 million a", SHA512, million,
        "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
        "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b");
    row("SHA-512 5 bits", SHA512, "",
        "d4ee29a9e90985446b913cf1d1376c836f4be2c1cf3cada0720a6bf4857d886a"
        "7ecb3c4e4c0fa8c7f95214e41dc1b0d21b22a84cc03bf8ce4845f34dd5bdbad4",
        0xB0, 5);
    // RFC 2202 case 6 and RFC 4231 case 6 have keys longer than the block; none truncates.
    macRow("HMAC RFC 2202 6", SHA1, QByteArray(80, '\xaa'), longKey,
           "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    macRow("HMAC RFC 4231 2 SHA-224", SHA224, "Jefe", jefe,
           "a30e01098bc6dbbf45690f3a7e9e6d0f8bbea2a39e6148008fd05e44");
    macRow("HMAC RFC 4231 2 SHA-256", SHA256, "Jefe", jefe,
           "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    macRow("HMAC RFC 4231 2 SHA-384", SHA384, "Jefe", jefe,
           "af45d2e376484031617f78d2b58a6b1b9c7ef464f5a01b47e42ec3736322445e"
           "8e2240ca5e69e2c78b3239ecfab21649");
    macRow("HMAC RFC 4231 6 SHA-512", SHA512, QByteArray(131, '\xaa'), longKey,
           "80b24263c7c1a3ebb71493c1dd7be8b49b46d1f41b4aeec1121b013783f8f352"
           "6b56d037e05f2598bd0fd2215d6a1e5295e64f73f63f0aec8b915a985d786598");
}

// MACs through hmac(); digests through the direct operations and the unified interface.
void TestSha::knownAnswers()
{
    QFETCH(SHAversion, version);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, message);
    QFETCH(int, bits);
    QFETCH(int, bitCount);
    QFETCH(QByteArray, expected);
    if (!key.isNull()) {
        QCOMPARE(mac(version, key, message), expected);
        return;
    }
    for (const Ops& ops : {directOps[version], unified}) {
        QCOMPARE(digest(ops, version, message, 0, bits, bitCount), expected);
    }
}

void TestSha::matchesReference_data()
{
    QTest::addColumn<SHAversion>("version");
    for (SHAversion v : {SHA1, SHA224, SHA256, SHA384, SHA512}) {
        QTest::addRow("SHA-%d", v == SHA1 ? 1 : USHAHashSizeBits(v)) << v;
    }
}

// Lengths around where the pad byte and the bit count still fit in the last block, for both
// block sizes, and a message fed in pieces of every size.
void TestSha::matchesReference()
{
    QFETCH(SHAversion, version);
    QByteArray data(3 * 128 + 5, '\0');
    for (int i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + 1);
    }
    const QByteArray whole = QCryptographicHash::hash(data, reference[version]).toHex();
    for (const Ops& ops : {directOps[version], unified}) {
        for (int size : {0, 1, 55, 56, 63, 64, 65, 111, 112, 127, 128, 129}) {
            QCOMPARE(digest(ops, version, data.left(size)),
                     QCryptographicHash::hash(data.left(size), reference[version]).toHex());
        }
        for (int chunk = 1; chunk < data.size(); ++chunk) {
            QCOMPARE(digest(ops, version, data, chunk), whole);
        }
    }
}

// A trace of result codes, "abc" standing for the digest of "abc": a null message of length
// 0 and 1; Result twice, into a null buffer; Input of length 0 and 1 after Result, then
// Result and FinalBits; FinalBits with 8 bits; Reset recovers.
void TestSha::stateTable()
{
    QFETCH(SHAversion, version);
    const QByteArray abc = QCryptographicHash::hash("abc", reference[version]).toHex();
    const unsigned char x[] = {'a', 'b', 'c'};
    const SHAversion v = version;
    for (const Ops& ops : {directOps[version], unified}) {
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

void TestSha::lengthOverflow()
{
    QCOMPARE(overflowTrace(SHA256Input, SHA256Result), QByteArray("0 1 0 0 1 4 1 1 97"));
    QCOMPARE(overflowTrace(SHA512Input, SHA512Result), QByteArray("0 1 0 0 1 4 1 1 97"));
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
    // A key exactly as long as the block is used as it is, not hashed.
    const QByteArray blockKey = key.left(SHA256_Message_Block_Size);
    QCOMPARE(mac(SHA256, blockKey, text),
             QMessageAuthenticationCode::hash(text, blockKey, QCryptographicHash::Sha256).toHex());
}

QTEST_APPLESS_MAIN(TestSha)
#include "tst_sha.moc"
