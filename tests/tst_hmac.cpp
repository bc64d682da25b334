#include "sha.h"

#include <QtTest>

#include <cstring>

namespace
{

const unsigned char* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

QByteArray oneCallMac(SHAversion version, const QByteArray& key, const QByteArray& text)
{
    unsigned char mac[USHAMaxHashSize];
    if (hmac(version, bytesOf(text), text.size(), bytesOf(key), key.size(), mac) != shaSuccess) {
        return "hmac failed";
    }
    return QByteArray(reinterpret_cast<char*>(mac), USHAHashSize(version)).toHex();
}

// The text split in two halves and handed over through the stepwise operations.
QByteArray stepwiseMac(SHAversion version, const QByteArray& key, const QByteArray& text)
{
    HMACContext context;
    unsigned char mac[USHAMaxHashSize];
    const int half = text.size() / 2;
    if (hmacReset(&context, version, bytesOf(key), key.size()) != shaSuccess ||
        hmacInput(&context, bytesOf(text), half) != shaSuccess ||
        hmacInput(&context, bytesOf(text) + half, text.size() - half) != shaSuccess ||
        hmacResult(&context, mac) != shaSuccess) {
        return "stepwise hmac failed";
    }
    return QByteArray(reinterpret_cast<char*>(mac), USHAHashSize(version)).toHex();
}

QByteArray repeated(char byte, int count)
{
    return QByteArray(count, byte);
}

QByteArray digestOf(SHAversion version, const QByteArray& data)
{
    USHAContext context;
    unsigned char out[USHAMaxHashSize];
    USHAReset(&context, version);
    USHAInput(&context, bytesOf(data), data.size());
    USHAResult(&context, out);
    return QByteArray(reinterpret_cast<char*>(out), USHAHashSize(version));
}

} // namespace

Q_DECLARE_METATYPE(SHAversion)

class TestHmac : public QObject
{
    Q_OBJECT

private slots:
    void rfcVectors_data();
    void rfcVectors();
    void keyLengths_data();
    void keyLengths();
    void failuresFoldIntoOne();
    void callsAfterResult();
    void finalBitsEndTheMessage();
};

void TestHmac::rfcVectors_data()
{
    QTest::addColumn<SHAversion>("version");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected"); // a prefix where the RFC truncates

    const QByteArray key25 =
        QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10111213141516171819");
    const QByteArray hashKeyFirst = "Test Using Larger Than Block-Size Key - Hash Key First";

    // RFC 2202, section 3.
    QTest::newRow("RFC 2202 1") << SHA1 << repeated('\x0b', 20) << QByteArray("Hi There")
                                << QByteArray("b617318655057264e28bc0b6fb378c8ef146be00");
    QTest::newRow("RFC 2202 2") << SHA1 << QByteArray("Jefe")
                                << QByteArray("what do ya want for nothing?")
                                << QByteArray("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    QTest::newRow("RFC 2202 3") << SHA1 << repeated('\xaa', 20) << repeated('\xdd', 50)
                                << QByteArray("125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    QTest::newRow("RFC 2202 4") << SHA1 << key25 << repeated('\xcd', 50)
                                << QByteArray("4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    QTest::newRow("RFC 2202 5") << SHA1 << repeated('\x0c', 20)
                                << QByteArray("Test With Truncation")
                                << QByteArray("4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    QTest::newRow("RFC 2202 6") << SHA1 << repeated('\xaa', 80) << hashKeyFirst
                                << QByteArray("aa4ae5e15272d00e95705637ce8a3b55ed402112");
    QTest::newRow("RFC 2202 7")
        << SHA1 << repeated('\xaa', 80)
        << QByteArray("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")
        << QByteArray("e8e99d0f45237d786d6bbaa7965c7808bbff1a91");

    // RFC 4231, section 4: each case for SHA-224, SHA-256, SHA-384 and SHA-512.
    struct Case {
        QByteArray key;
        QByteArray text;
        const char* macs[4];
    };
    const Case cases[] = {
        {repeated('\x0b', 20),
         "Hi There",
         {"896fb1128abbdf196832107cd49df33f47b4b1169912ba4f53684b22",
          "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7",
          "afd03944d84895626b0825f4ab46907f15f9dadbe4101ec682aa034c7cebc59c"
          "faea9ea9076ede7f4af152e8b2fa9cb6",
          "87aa7cdea5ef619d4ff0b4241a1d6cb02379f4e2ce4ec2787ad0b30545e17cde"
          "daa833b7d6b8a702038b274eaea3f4e4be9d914eeb61f1702e696c203a126854"}},
        {"Jefe",
         "what do ya want for nothing?",
         {"a30e01098bc6dbbf45690f3a7e9e6d0f8bbea2a39e6148008fd05e44",
          "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843",
          "af45d2e376484031617f78d2b58a6b1b9c7ef464f5a01b47e42ec3736322445e"
          "8e2240ca5e69e2c78b3239ecfab21649",
          "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea250554"
          "9758bf75c05a994a6d034f65f8f0e6fdcaeab1a34d4a6b4b636e070a38bce737"}},
        {repeated('\xaa', 20),
         repeated('\xdd', 50),
         {"7fb3cb3588c6c1f6ffa9694d7d6ad2649365b0c1f65d69d1ec8333ea",
          "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe",
          "88062608d3e6ad8a0aa2ace014c8a86f0aa635d947ac9febe83ef4e559661"
          "44b2a5ab39dc13814b94e3ab6e101a34f27",
          "fa73b0089d56a284efb0f0756c890be9b1b5dbdd8ee81a3655f83e33b2279d39"
          "bf3e848279a722c806b485a47e67c807b946a337bee8942674278859e13292fb"}},
        {key25,
         repeated('\xcd', 50),
         {"6c11506874013cac6a2abc1bb382627cec6a90d86efc012de7afec5a",
          "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b",
          "3e8a69b7783c25851933ab6290af6ca77a9981480850009cc5577c6e1f573b4e"
          "6801dd23c4a7d679ccf8a386c674cffb",
          "b0ba465637458c6990e5a8c5f61d4af7e576d97ff94b872de76f8050361ee3db"
          "a91ca5c11aa25eb4d679275cc5788063a5f19741120c4f2de2adebeb10a298dd"}},
        {repeated('\x0c', 20),
         "Test With Truncation",
         {"0e2aea68a90c8d37c988bcdb9fca6fa8", "a3b6167473100ee06e0c796c2955552b",
          "3abf34c3503b2a23a46efc619baef897", "415fad6271580a531d4179bc891d87a6"}},
        {repeated('\xaa', 131),
         hashKeyFirst,
         {"95e9a0db962095adaebe9b2d6f0dbce2d499f112f2d2b7273fa6870e",
          "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54",
          "4ece084485813e9088d2c63a041bc5b44f9ef1012a2b588f3cd11f05033ac4c6"
          "0c2ef6ab4030fe8296248df163f44952",
          "80b24263c7c1a3ebb71493c1dd7be8b49b46d1f41b4aeec1121b013783f8f352"
          "6b56d037e05f2598bd0fd2215d6a1e5295e64f73f63f0aec8b915a985d786598"}},
        {repeated('\xaa', 131),
         "This is a test using a larger than block-size key and a larger than block-size data. "
         "The key needs to be hashed before being used by the HMAC algorithm.",
         {"3a854166ac5d9f023f54d517d0b39dbd946770db9c2b95c9f6f565d1",
          "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2",
          "6617178e941f020d351e2f254e8fd32c602420feb0b8fb9adccebb82461e99c5"
          "a678cc31e799176d3860e6110c46523e",
          "e37b6a775dc87dbaa4dfa9f96e5e3ffddebd71f8867289865df5a32d20cdc944"
          "b6022cac3c4982b10d5eeb55c3e4de15134676fb6de0446065c97440fa8c6a58"}},
    };
    const SHAversion versions[] = {SHA224, SHA256, SHA384, SHA512};
    const char* names[] = {"SHA-224", "SHA-256", "SHA-384", "SHA-512"};
    for (int c = 0; c < 7; ++c) {
        for (int v = 0; v < 4; ++v) {
            QTest::addRow("RFC 4231 %d %s", c + 1, names[v])
                << versions[v] << cases[c].key << cases[c].text << QByteArray(cases[c].macs[v]);
        }
    }
}

void TestHmac::rfcVectors()
{
    QFETCH(SHAversion, version);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);

    QCOMPARE(oneCallMac(version, key, text).left(expected.size()), expected);
    QCOMPARE(stepwiseMac(version, key, text).left(expected.size()), expected);
}

void TestHmac::keyLengths_data()
{
    QTest::addColumn<SHAversion>("version");
    QTest::newRow("SHA-1") << SHA1;
    QTest::newRow("SHA-224") << SHA224;
    QTest::newRow("SHA-256") << SHA256;
    QTest::newRow("SHA-384") << SHA384;
    QTest::newRow("SHA-512") << SHA512;
}

void TestHmac::keyLengths()
{
    QFETCH(SHAversion, version);
    const int blockSize = USHABlockSize(version);
    const QByteArray text = "message";

    const QByteArray longKey = repeated('\x5a', blockSize + 1);
    QCOMPARE(oneCallMac(version, longKey, text),
             oneCallMac(version, digestOf(version, longKey), text));

    const QByteArray blockKey = repeated('\x5a', blockSize);
    QVERIFY(oneCallMac(version, blockKey, text) !=
            oneCallMac(version, digestOf(version, blockKey), text));

    // A key is padded with zero bytes up to the block, so these two give one MAC.
    QCOMPARE(oneCallMac(version, blockKey.left(10), text),
             oneCallMac(version, blockKey.left(10) + QByteArray(blockSize - 10, '\0'), text));

    const QByteArray empty = oneCallMac(version, QByteArray(), text);
    unsigned char mac[USHAMaxHashSize];
    const unsigned char unused = 0;
    QCOMPARE(hmac(version, bytesOf(text), text.size(), &unused, -5, mac), shaSuccess);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(mac), USHAHashSize(version)).toHex(), empty);
}

void TestHmac::failuresFoldIntoOne()
{
    HMACContext context;
    unsigned char mac[USHAMaxHashSize];
    const unsigned char key[4] = {1, 2, 3, 4};

    QCOMPARE(hmacReset(&context, static_cast<SHAversion>(7), key, 4), 1);
    QCOMPARE(hmac(static_cast<SHAversion>(7), key, 4, key, 4, mac), 1);
    // A long key is hashed first, and that failure gives 1 as well.
    const QByteArray longKey = repeated('k', 200);
    QCOMPARE(hmacReset(&context, static_cast<SHAversion>(7), bytesOf(longKey), longKey.size()), 1);
    QCOMPARE(hmacReset(&context, SHA256, nullptr, 200), 1);

    QCOMPARE(hmacReset(nullptr, SHA256, key, 4), shaNull);
    QCOMPARE(hmacInput(nullptr, key, 4), shaNull);
    QCOMPARE(hmacFinalBits(nullptr, 0, 1), shaNull);
    QCOMPARE(hmacResult(nullptr, mac), shaNull);
}

void TestHmac::callsAfterResult()
{
    HMACContext context;
    unsigned char first[USHAMaxHashSize];
    unsigned char second[USHAMaxHashSize];
    const QByteArray key = "key";
    const QByteArray text = "The quick brown fox jumps over the lazy dog";

    QCOMPARE(hmacReset(&context, SHA256, bytesOf(key), key.size()), shaSuccess);
    QCOMPARE(hmacInput(&context, bytesOf(text), text.size()), shaSuccess);
    QCOMPARE(hmacResult(&context, first), shaSuccess);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(first), 32).toHex(),
             QByteArray("f7bc83f430538424b13298e6aa6fb143ef4d59a14946175997479dbc2d1a3cd8"));

    // The record keeps no flag of its own: the finished outer hash refuses more input, and a
    // second result hashes the first MAC once more.
    QCOMPARE(hmacInput(&context, bytesOf(text), 1), shaStateError);
    QCOMPARE(hmacFinalBits(&context, 0x80, 1), shaStateError);
    QCOMPARE(hmacReset(&context, SHA256, bytesOf(key), key.size()), shaSuccess);
    QCOMPARE(hmacInput(&context, bytesOf(text), text.size()), shaSuccess);
    QCOMPARE(hmacResult(&context, first), shaSuccess);
    QCOMPARE(hmacResult(&context, second), shaSuccess);
    QVERIFY(std::memcmp(first, second, SHA256HashSize) != 0);
}

void TestHmac::finalBitsEndTheMessage()
{
    HMACContext context;
    unsigned char mac[USHAMaxHashSize];
    const QByteArray key = "key";

    // The message is the three bits 110.
    QCOMPARE(hmacReset(&context, SHA256, bytesOf(key), key.size()), shaSuccess);
    QCOMPARE(hmacFinalBits(&context, 0xDF, 3), shaSuccess);
    QCOMPARE(hmacResult(&context, mac), shaSuccess);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(mac), 32).toHex(),
             QByteArray("b2db047590aad5b4f2ea13ee63dc958027359e367189ad0b51d5677d0b88d89a"));
}

QTEST_APPLESS_MAIN(TestHmac)
#include "tst_hmac.moc"
