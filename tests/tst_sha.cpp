#include "sha.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace
{

// The direct operations of one algorithm, so that one test body serves all five.
template <typename C>
struct Family {
    using Context = C;
    int (*reset)(C*);
    int (*input)(C*, const unsigned char*, unsigned int);
    int (*finalBits)(C*, unsigned char, unsigned int);
    int (*result)(C*, unsigned char*);
    int hashSize;
};

constexpr Family<SHA1Context> sha1Family{SHA1Reset, SHA1Input, SHA1FinalBits, SHA1Result,
                                         SHA1HashSize};
constexpr Family<SHA256Context> sha224Family{SHA224Reset, SHA224Input, SHA224FinalBits,
                                             SHA224Result, SHA224HashSize};
constexpr Family<SHA256Context> sha256Family{SHA256Reset, SHA256Input, SHA256FinalBits,
                                             SHA256Result, SHA256HashSize};
constexpr Family<SHA512Context> sha384Family{SHA384Reset, SHA384Input, SHA384FinalBits,
                                             SHA384Result, SHA384HashSize};
constexpr Family<SHA512Context> sha512Family{SHA512Reset, SHA512Input, SHA512FinalBits,
                                             SHA512Result, SHA512HashSize};

template <typename F>
void withFamily(int version, F&& body)
{
    switch (version) {
    case SHA1:
        return body(sha1Family);
    case SHA224:
        return body(sha224Family);
    case SHA256:
        return body(sha256Family);
    case SHA384:
        return body(sha384Family);
    default:
        return body(sha512Family);
    }
}

template <typename Fam>
using ContextOf = typename std::decay_t<Fam>::Context;

const unsigned char* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

// A message as RFC 6234 writes its tests: a chunk fed `repeat` times, then 0..7 final bits.
struct Message {
    QByteArray chunk;
    int repeat;
    int finalBits;
    int finalBitCount;
};

template <typename Fam>
QByteArray directDigest(const Fam& family, const Message& m)
{
    ContextOf<Fam> context;
    QByteArray digest(family.hashSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(digest.data());
    if (family.reset(&context) != shaSuccess) {
        return "reset failed";
    }
    for (int i = 0; i < m.repeat; ++i) {
        if (family.input(&context, bytesOf(m.chunk), m.chunk.size()) != shaSuccess) {
            return "input failed";
        }
    }
    if (family.finalBits(&context, m.finalBits, m.finalBitCount) != shaSuccess ||
        family.result(&context, out) != shaSuccess) {
        return "result failed";
    }
    return digest.toHex();
}

QByteArray unifiedDigest(SHAversion version, const Message& m)
{
    USHAContext context;
    unsigned char out[USHAMaxHashSize];
    if (USHAReset(&context, version) != shaSuccess) {
        return "reset failed";
    }
    for (int i = 0; i < m.repeat; ++i) {
        if (USHAInput(&context, bytesOf(m.chunk), m.chunk.size()) != shaSuccess) {
            return "input failed";
        }
    }
    if (USHAFinalBits(&context, m.finalBits, m.finalBitCount) != shaSuccess ||
        USHAResult(&context, out) != shaSuccess) {
        return "result failed";
    }
    return QByteArray(reinterpret_cast<char*>(out), USHAHashSize(version)).toHex();
}

// A message of `size` bytes whose every position differs from its neighbours.
QByteArray patternMessage(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>(i * 7 + 1);
    }
    return data;
}

const QByteArray test2_1 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const QByteArray test2_2 = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                           "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";
const QByteArray test4 = "0123456701234567012345670123456701234567012345670123456701234567";

} // namespace

Q_DECLARE_METATYPE(SHAversion)

class TestSha : public QObject
{
    Q_OBJECT

private slots:
    void knownDigests_data();
    void knownDigests();
    void splitInputMatchesWholeInput_data();
    void splitInputMatchesWholeInput();
    void stateTable_data();
    void stateTable();
    void nullArguments();
    void lengthOverflow();
    void unifiedSizes_data();
    void unifiedSizes();
    void unifiedUnknownVersion();
};

void TestSha::knownDigests_data()
{
    QTest::addColumn<SHAversion>("version");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("finalBits");
    QTest::addColumn<int>("finalBitCount");
    QTest::addColumn<QByteArray>("expected");

    auto row = [](const char* name, SHAversion v, const QByteArray& chunk, int repeat, int bits,
                  int count, const char* hex) {
        QTest::newRow(name) << v << chunk << repeat << bits << count << QByteArray(hex).toLower();
    };

    const QByteArray a = "a";

    // FIPS 180-4 examples and the RFC 6234 test driver's vectors (TEST1 to TEST8).
    row("SHA-1 empty", SHA1, "", 0, 0, 0, "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    row("SHA-1 abc", SHA1, "abc", 1, 0, 0, "A9993E364706816ABA3E25717850C26C9CD0D89D");
    row("SHA-1 448 bits", SHA1, test2_1, 1, 0, 0, "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    row("SHA-1 million a", SHA1, a, 1000000, 0, 0, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
    row("SHA-1 test4 x10", SHA1, test4, 10, 0, 0, "DEA356A2CDDD90C7A7ECEDC5EBB563934F460452");
    row("SHA-1 5 bits", SHA1, "", 0, 0x98, 5, "29826B003B906E660EFF4027CE98AF3531AC75BA");
    row("SHA-1 one byte", SHA1, "\x5e", 1, 0, 0, "5E6F80A34A9798CAFC6A5DB96CC57BA4C4DB59C2");
    row("SHA-1 123 bits", SHA1, QByteArray::fromHex("49b2aec2594bbe3a3b117542d94ac8"), 1, 0x80, 3,
        "6239781E03729919C01955B3FFA8ACB60B988340");
    row("SHA-1 16 bytes", SHA1, QByteArray::fromHex("9a7dfdf1ecead06ed646aa55fe757146"), 1, 0, 0,
        "82ABFF6605DBE1C17DEF12A394FA22A82B544A35");

    row("SHA-224 empty", SHA224, "", 0, 0, 0,
        "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f");
    row("SHA-224 abc", SHA224, "abc", 1, 0, 0,
        "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7");
    row("SHA-224 448 bits", SHA224, test2_1, 1, 0, 0,
        "75388B16512776CC5DBA5DA1FD890150B0C6455CB4F58B1952522525");
    row("SHA-224 million a", SHA224, a, 1000000, 0, 0,
        "20794655980C91D8BBB4C1EA97618A4BF03F42581948B2EE4EE7AD67");
    row("SHA-224 test4 x10", SHA224, test4, 10, 0, 0,
        "567F69F168CD7844E65259CE658FE7AADFA25216E68ECA0EB7AB8262");
    row("SHA-224 5 bits", SHA224, "", 0, 0x68, 5,
        "E3B048552C3C387BCAB37F6EB06BB79B96A4AEE5FF27F51531A9551C");
    row("SHA-224 one byte", SHA224, "\x07", 1, 0, 0,
        "00ECD5F138422B8AD74C9799FD826C531BAD2FCABC7450BEE2AA8C2A");
    row("SHA-224 123 bits", SHA224, QByteArray::fromHex("f07006f25a0bea68cd76a29587c28d"), 1, 0xA0,
        3, "1B01DB6CB4A9E43DED1516BEB3DB0B87B6D1EA43187462C608137150");
    row("SHA-224 16 bytes", SHA224, QByteArray::fromHex("18804005dd4fbd1556299d6f9d93df62"), 1, 0,
        0, "DF90D78AA78821C99B40BA4C966921ACCD8FFB1E98AC388E56191DB1");

    row("SHA-256 empty", SHA256, "", 0, 0, 0,
        "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    row("SHA-256 abc", SHA256, "abc", 1, 0, 0,
        "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    row("SHA-256 448 bits", SHA256, test2_1, 1, 0, 0,
        "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    row("SHA-256 million a", SHA256, a, 1000000, 0, 0,
        "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
    row("SHA-256 test4 x10", SHA256, test4, 10, 0, 0,
        "594847328451BDFA85056225462CC1D867D877FB388DF0CE35F25AB5562BFBB5");
    row("SHA-256 5 bits", SHA256, "", 0, 0x68, 5,
        "D6D3E02A31A84A8CAA9718ED6C2057BE09DB45E7823EB5079CE7A573A3760F95");
    row("SHA-256 one byte", SHA256, "\x19", 1, 0, 0,
        "68AA2E2EE5DFF96E3355E6C7EE373E3D6A4E17F75F9518D843709C0C9BC3E3D4");
    row("SHA-256 123 bits", SHA256, QByteArray::fromHex("be2746c6db52765fdb2f88700f9a73"), 1, 0x60,
        3, "77EC1DC89C821FF2A1279089FA091B35B8CD960BCAF7DE01C6A7680756BEB972");
    row("SHA-256 16 bytes", SHA256, QByteArray::fromHex("e3d72570dcdd787ce3887ab2cd684652"), 1, 0,
        0, "175EE69B02BA9B58E2B0A5FD13819CEA573F3940A94F825128CF4209BEABB4E8");

    row("SHA-384 empty", SHA384, "", 0, 0, 0,
        "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da"
        "274edebfe76f65fbd51ad2f14898b95b");
    row("SHA-384 abc", SHA384, "abc", 1, 0, 0,
        "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED"
        "8086072BA1E7CC2358BAECA134C825A7");
    row("SHA-384 896 bits", SHA384, test2_2, 1, 0, 0,
        "09330C33F71147E83D192FC782CD1B4753111B173B3B05D22FA08086E3B0F712"
        "FCC7C71A557E2DB966C3E9FA91746039");
    row("SHA-384 million a", SHA384, a, 1000000, 0, 0,
        "9D0E1809716474CB086E834E310A4A1CED149E9C00F248527972CEC5704C2A5B"
        "07B8B3DC38ECC4EBAE97DDD87F3D8985");
    row("SHA-384 test4 x10", SHA384, test4, 10, 0, 0,
        "2FC64A4F500DDB6828F6A3430B8DD72A368EB7F3A8322A70BC84275B9C0B3AB0"
        "0D27A5CC3C2D224AA6B61A0D79FB4596");
    row("SHA-384 5 bits", SHA384, "", 0, 0x10, 5,
        "8D17BE79E32B6718E07D8A603EB84BA0478F7FCFD1BB93995F7D1149E09143AC"
        "1FFCFC56820E469F3878D957A15A3FE4");
    row("SHA-384 one byte", SHA384, "\xb9", 1, 0, 0,
        "BC8089A19007C0B14195F4ECC74094FEC64F01F90929282C2FB392881578208A"
        "D466828B1C6C283D2722CF0AD1AB6938");
    row("SHA-384 123 bits", SHA384, QByteArray::fromHex("8bc500c77ceed9879da989107ce0aa"), 1, 0xA0,
        3,
        "D8C43B38E12E7C42A7C9B810299FD6A770BEF30920F17532A898DE62C7A07E42"
        "93449C0B5FA70109F0783211CFC4BCE3");
    row("SHA-384 16 bytes", SHA384, QByteArray::fromHex("a41c497779c0375ff10a7f4e08591739"), 1, 0,
        0,
        "C9A68443A005812256B8EC76B00516F0DBB74FAB26D665913F194B6FFB0E91EA"
        "9967566B58109CBC675CC208E4C823F7");

    row("SHA-512 empty", SHA512, "", 0, 0, 0,
        "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
        "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
    row("SHA-512 abc", SHA512, "abc", 1, 0, 0,
        "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
        "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F");
    row("SHA-512 896 bits", SHA512, test2_2, 1, 0, 0,
        "8E959B75DAE313DA8CF4F72814FC143F8F7779C6EB9F7FA17299AEADB6889018"
        "501D289E4900F7E4331B99DEC4B5433AC7D329EEB6DD26545E96E55B874BE909");
    row("SHA-512 million a", SHA512, a, 1000000, 0, 0,
        "E718483D0CE769644E2E42C7BC15B4638E1F98B13B2044285632A803AFA973EB"
        "DE0FF244877EA60A4CB0432CE577C31BEB009C5C2C49AA2E4EADB217AD8CC09B");
    row("SHA-512 test4 x10", SHA512, test4, 10, 0, 0,
        "89D05BA632C699C31231DED4FFC127D5A894DAD412C0E024DB872D1ABD2BA814"
        "1A0F85072A9BE1E2AA04CF33C765CB510813A39CD5A84C4ACAA64D3F3FB7BAE9");
    row("SHA-512 5 bits", SHA512, "", 0, 0xB0, 5,
        "D4EE29A9E90985446B913CF1D1376C836F4BE2C1CF3CADA0720A6BF4857D886A"
        "7ECB3C4E4C0FA8C7F95214E41DC1B0D21B22A84CC03BF8CE4845F34DD5BDBAD4");
    row("SHA-512 one byte", SHA512, "\xd0", 1, 0, 0,
        "9992202938E882E73E20F6B69E68A0A7149090423D93C81BAB3F21678D4ACEEE"
        "E50E4E8CAFADA4C85A54EA8306826C4AD6E74CECE9631BFA8A549B4AB3FBBA15");
    row("SHA-512 123 bits", SHA512, QByteArray::fromHex("08ecb52ebae1f7422db62bcd542670"), 1, 0x80,
        3,
        "ED8DC78E8B01B69750053DBB7A0A9EDA0FB9E9D292B1ED715E80A7FE290A4E16"
        "664FD913E85854400C5AF05E6DAD316B7359B43E64F8BEC3C1F237119986BBB6");
    row("SHA-512 16 bytes", SHA512, QByteArray::fromHex("8d4e3c0e3889191491816e9d98bff0a0"), 1, 0,
        0,
        "CB0B67A4B8712CD73C9AABC0B199E9269B20844AFB75ACBDD1C153C9828924C3"
        "DDEDAAFE669C5FDD0BC66F630F6773988213EB1B16F517AD0DE4B2F0C95C90F8");

    // 55 and 111 bytes leave room for the length in the last block; 56 and 112 do not.
    row("SHA-1 55 bytes", SHA1, a, 55, 0, 0, "c1c8bbdc22796e28c0e15163d20899b65621d65a");
    row("SHA-1 56 bytes", SHA1, a, 56, 0, 0, "c2db330f6083854c99d4b5bfb6e8f29f201be699");
    row("SHA-1 63 bytes", SHA1, a, 63, 0, 0, "03f09f5b158a7a8cdad920bddc29b81c18a551f5");
    row("SHA-1 64 bytes", SHA1, a, 64, 0, 0, "0098ba824b5c16427bd7a1122a5a442a25ec644d");
    row("SHA-256 55 bytes", SHA256, a, 55, 0, 0,
        "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    row("SHA-256 56 bytes", SHA256, a, 56, 0, 0,
        "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    row("SHA-256 63 bytes", SHA256, a, 63, 0, 0,
        "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34");
    row("SHA-256 64 bytes", SHA256, a, 64, 0, 0,
        "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    row("SHA-512 111 bytes", SHA512, a, 111, 0, 0,
        "fa9121c7b32b9e01733d034cfc78cbf67f926c7ed83e82200ef86818196921760b4beff48404"
        "df811b953828274461673c68d04e297b0eb7b2b4d60fc6b566a2");
    row("SHA-512 112 bytes", SHA512, a, 112, 0, 0,
        "c01d080efd492776a1c43bd23dd99d0a2e626d481e16782e75d54c2503b5dc32bd05f0f1ba33"
        "e568b88fd2d970929b719ecbb152f58f130a407c8830604b70ca");
    row("SHA-512 127 bytes", SHA512, a, 127, 0, 0,
        "828613968b501dc00a97e08c73b118aa8876c26b8aac93df128502ab360f91bab50a51e08876"
        "9a5c1eff4782ace147dce3642554199876374291f5d921629502");
    row("SHA-512 128 bytes", SHA512, a, 128, 0, 0,
        "b73d1929aa615934e61a871596b3f3b33359f42b8175602e89f7e06e5f658a243667807ed300"
        "314b95cacdd579f3e33abdfbe351909519a846d465c59582f321");
}

void TestSha::knownDigests()
{
    QFETCH(SHAversion, version);
    QFETCH(QByteArray, chunk);
    QFETCH(int, repeat);
    QFETCH(int, finalBits);
    QFETCH(int, finalBitCount);
    QFETCH(QByteArray, expected);

    const Message message{chunk, repeat, finalBits, finalBitCount};
    withFamily(version,
               [&](const auto& family) { QCOMPARE(directDigest(family, message), expected); });
    QCOMPARE(unifiedDigest(version, message), expected);
}

void TestSha::splitInputMatchesWholeInput_data()
{
    QTest::addColumn<SHAversion>("version");
    QTest::newRow("SHA-1") << SHA1;
    QTest::newRow("SHA-224") << SHA224;
    QTest::newRow("SHA-256") << SHA256;
    QTest::newRow("SHA-384") << SHA384;
    QTest::newRow("SHA-512") << SHA512;
}

void TestSha::splitInputMatchesWholeInput()
{
    QFETCH(SHAversion, version);
    // Three 128-byte blocks and a bit, with final bits, so that every cut meets a block edge.
    const QByteArray data = patternMessage(3 * 128 + 5);
    const QByteArray whole = unifiedDigest(version, {data, 1, 0xA5, 6});

    for (int cut = 0; cut <= data.size(); ++cut) {
        USHAContext context;
        unsigned char out[USHAMaxHashSize];
        QCOMPARE(USHAReset(&context, version), shaSuccess);
        QCOMPARE(USHAInput(&context, bytesOf(data), cut), shaSuccess);
        QCOMPARE(USHAInput(&context, bytesOf(data) + cut, data.size() - cut), shaSuccess);
        QCOMPARE(USHAFinalBits(&context, 0xA5, 6), shaSuccess);
        QCOMPARE(USHAResult(&context, out), shaSuccess);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(out), USHAHashSize(version)).toHex(), whole);
    }

    USHAContext context;
    unsigned char out[USHAMaxHashSize];
    QCOMPARE(USHAReset(&context, version), shaSuccess);
    for (int i = 0; i < data.size(); ++i) {
        QCOMPARE(USHAInput(&context, bytesOf(data) + i, 1), shaSuccess);
    }
    QCOMPARE(USHAFinalBits(&context, 0xA5, 6), shaSuccess);
    QCOMPARE(USHAResult(&context, out), shaSuccess);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(out), USHAHashSize(version)).toHex(), whole);
}

void TestSha::stateTable_data()
{
    splitInputMatchesWholeInput_data();
}

void TestSha::stateTable()
{
    QFETCH(SHAversion, version);
    const QByteArray abc = unifiedDigest(version, {"abc", 1, 0, 0});
    withFamily(version, [&](const auto& family) {
        ContextOf<decltype(family)> context;
        unsigned char out[USHAMaxHashSize + 4];
        const auto hex = [&] {
            return QByteArray(reinterpret_cast<char*>(out), family.hashSize).toHex();
        };
        const auto untouched = [&](int from) {
            return std::all_of(out + from, out + sizeof out,
                               [](unsigned char b) { return b == 0xEE; });
        };

        // Result writes the digest and nothing beyond it, the same digest every time.
        QCOMPARE(family.reset(&context), shaSuccess);
        QCOMPARE(family.input(&context, bytesOf("abc"), 3), shaSuccess);
        QCOMPARE(family.finalBits(&context, 0xFF, 0), shaSuccess);
        std::memset(out, 0xEE, sizeof out);
        QCOMPARE(family.result(&context, out), shaSuccess);
        QCOMPARE(hex(), abc);
        QVERIFY(untouched(family.hashSize));
        std::memset(out, 0xEE, sizeof out);
        QCOMPARE(family.result(&context, out), shaSuccess);
        QCOMPARE(hex(), abc);

        // Zero lengths change nothing; real input after the digest spoils the context.
        QCOMPARE(family.input(&context, bytesOf("x"), 0), shaSuccess);
        QCOMPARE(family.result(&context, out), shaSuccess);
        QCOMPARE(family.input(&context, bytesOf("x"), 1), shaStateError);
        std::memset(out, 0xEE, sizeof out);
        QCOMPARE(family.result(&context, out), shaStateError);
        QVERIFY(untouched(0));
        QCOMPARE(family.finalBits(&context, 0xFF, 1), shaStateError);

        // Eight or more final bits fail the context before it is ever computed.
        QCOMPARE(family.reset(&context), shaSuccess);
        QCOMPARE(family.finalBits(&context, 0xFF, 8), shaStateError);
        QCOMPARE(context.Computed, 0);
        QCOMPARE(family.input(&context, bytesOf("x"), 1), shaStateError);
        QCOMPARE(family.result(&context, out), shaStateError);

        QCOMPARE(family.reset(&context), shaSuccess);
        QCOMPARE(family.input(&context, bytesOf("abc"), 3), shaSuccess);
        QCOMPARE(family.result(&context, out), shaSuccess);
        QCOMPARE(hex(), abc);
    });
}

void TestSha::nullArguments()
{
    SHA1Context sha1;
    SHA256Context sha256;
    SHA512Context sha512;
    unsigned char out[USHAMaxHashSize];
    const unsigned char byte = 'x';

    QCOMPARE(SHA1Reset(nullptr), shaNull);
    QCOMPARE(SHA224Reset(nullptr), shaNull);
    QCOMPARE(SHA256Reset(nullptr), shaNull);
    QCOMPARE(SHA384Reset(nullptr), shaNull);
    QCOMPARE(SHA512Reset(nullptr), shaNull);

    // The length is looked at before anything else.
    QCOMPARE(SHA1Input(nullptr, nullptr, 0), shaSuccess);
    QCOMPARE(SHA256Input(nullptr, nullptr, 0), shaSuccess);
    QCOMPARE(SHA512Input(nullptr, nullptr, 0), shaSuccess);
    QCOMPARE(SHA1Input(nullptr, &byte, 1), shaNull);
    QCOMPARE(SHA256Input(nullptr, &byte, 1), shaNull);
    QCOMPARE(SHA512Input(nullptr, &byte, 1), shaNull);
    QCOMPARE(SHA1FinalBits(nullptr, 0, 0), shaSuccess);
    QCOMPARE(SHA256FinalBits(nullptr, 0, 0), shaSuccess);
    QCOMPARE(SHA512FinalBits(nullptr, 0, 0), shaSuccess);
    QCOMPARE(SHA1FinalBits(nullptr, 0, 9), shaNull);
    QCOMPARE(SHA256FinalBits(nullptr, 0, 9), shaNull);
    QCOMPARE(SHA512FinalBits(nullptr, 0, 9), shaNull);
    QCOMPARE(SHA1Result(nullptr, out), shaNull);
    QCOMPARE(SHA224Result(nullptr, out), shaNull);
    QCOMPARE(SHA384Result(nullptr, out), shaNull);

    // A null message leaves the context exactly as it was.
    QCOMPARE(SHA1Reset(&sha1), shaSuccess);
    QCOMPARE(SHA256Reset(&sha256), shaSuccess);
    QCOMPARE(SHA512Reset(&sha512), shaSuccess);
    const SHA1Context sha1Before = sha1;
    const SHA256Context sha256Before = sha256;
    const SHA512Context sha512Before = sha512;
    QCOMPARE(SHA1Input(&sha1, nullptr, 1), shaNull);
    QCOMPARE(SHA256Input(&sha256, nullptr, 1), shaNull);
    QCOMPARE(SHA512Input(&sha512, nullptr, 1), shaNull);
    QVERIFY(std::memcmp(&sha1, &sha1Before, sizeof sha1) == 0);
    QVERIFY(std::memcmp(&sha256, &sha256Before, sizeof sha256) == 0);
    QVERIFY(std::memcmp(&sha512, &sha512Before, sizeof sha512) == 0);

    QCOMPARE(SHA1Result(&sha1, nullptr), shaNull);
    QCOMPARE(SHA256Result(&sha256, nullptr), shaNull);
    QCOMPARE(SHA512Result(&sha512, nullptr), shaNull);
    QCOMPARE(sha256.Computed, 0);
}

void TestSha::lengthOverflow()
{
    const unsigned char two[2] = {'a', 'b'};
    unsigned char out[USHAMaxHashSize];

    // The second byte wraps the 64-bit bit count; the call itself still succeeds and only the
    // next one reports code 1.
    SHA256Context sha256;
    QCOMPARE(SHA256Reset(&sha256), shaSuccess);
    sha256.Length_High = 0xFFFFFFFF;
    sha256.Length_Low = 0xFFFFFFF0;
    QCOMPARE(SHA256Input(&sha256, two, 2), shaSuccess);
    QCOMPARE(sha256.Corrupted, 1);
    QCOMPARE(sha256.Length_High, 0u);
    QCOMPARE(sha256.Length_Low, 0u);
    QCOMPARE(SHA256Input(&sha256, two, 1), 1);
    std::memset(out, 0xEE, sizeof out);
    QCOMPARE(SHA256Result(&sha256, out), 1);
    QCOMPARE(out[0], static_cast<unsigned char>(0xEE));
    QCOMPARE(SHA256Reset(&sha256), shaSuccess);
    QCOMPARE(SHA256Result(&sha256, out), shaSuccess);

    SHA1Context sha1;
    QCOMPARE(SHA1Reset(&sha1), shaSuccess);
    sha1.Length_High = 0xFFFFFFFF;
    sha1.Length_Low = 0xFFFFFFF8;
    // The first byte wraps the count, is kept, and ends the input.
    QCOMPARE(SHA1Input(&sha1, two, 2), shaSuccess);
    QCOMPARE(sha1.Corrupted, 1);
    QCOMPARE(sha1.Message_Block_Index, 1);
    QCOMPARE(SHA1Result(&sha1, out), 1);

    // SHA-512 counts in 128 bits; a carry out of the low word alone is no overflow.
    SHA512Context sha512;
    QCOMPARE(SHA512Reset(&sha512), shaSuccess);
    sha512.Length_Low = ~std::uint64_t{0} - 7;
    QCOMPARE(SHA512Input(&sha512, two, 2), shaSuccess);
    QCOMPARE(sha512.Corrupted, 0);
    QCOMPARE(sha512.Length_High, std::uint64_t{1});
    QCOMPARE(sha512.Length_Low, std::uint64_t{8});
    sha512.Length_High = ~std::uint64_t{0};
    sha512.Length_Low = ~std::uint64_t{0} - 15;
    QCOMPARE(SHA512Input(&sha512, two, 2), shaSuccess);
    QCOMPARE(sha512.Corrupted, 1);
    QCOMPARE(SHA512Input(&sha512, two, 2), 1);

    // Final bits that wrap the count still close the message, but its digest stays unread.
    QCOMPARE(SHA256Reset(&sha256), shaSuccess);
    sha256.Length_High = 0xFFFFFFFF;
    sha256.Length_Low = 0xFFFFFFFC;
    QCOMPARE(SHA256FinalBits(&sha256, 0xFF, 5), shaSuccess);
    QCOMPARE(sha256.Computed, 1);
    QCOMPARE(sha256.Corrupted, 1);
    QCOMPARE(SHA256Result(&sha256, out), 1);
    QCOMPARE(SHA256FinalBits(&sha256, 0xFF, 8), shaStateError);
}

void TestSha::unifiedSizes_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("hashSize");

    QTest::newRow("SHA-1") << 0 << 64 << 20;
    QTest::newRow("SHA-224") << 1 << 64 << 28;
    QTest::newRow("SHA-256") << 2 << 64 << 32;
    QTest::newRow("SHA-384") << 3 << 128 << 48;
    QTest::newRow("SHA-512") << 4 << 128 << 64;
    QTest::newRow("5 as SHA-512") << 5 << 128 << 64;
    QTest::newRow("-1 as SHA-512") << -1 << 128 << 64;
}

void TestSha::unifiedSizes()
{
    QFETCH(int, version);
    QFETCH(int, blockSize);
    QFETCH(int, hashSize);

    const auto v = static_cast<SHAversion>(version);
    QCOMPARE(USHABlockSize(v), blockSize);
    QCOMPARE(USHAHashSize(v), hashSize);
    QCOMPARE(USHAHashSizeBits(v), hashSize * 8);
}

void TestSha::unifiedUnknownVersion()
{
    USHAContext context;
    unsigned char out[USHAMaxHashSize];
    QCOMPARE(USHAReset(&context, static_cast<SHAversion>(5)), shaBadParam);
    QCOMPARE(context.whichSha, 5);
    // The version is tested before the length and the pointers.
    QCOMPARE(USHAInput(&context, nullptr, 0), shaBadParam);
    QCOMPARE(USHAFinalBits(&context, 0, 0), shaBadParam);
    QCOMPARE(USHAResult(&context, out), shaBadParam);

    QCOMPARE(USHAReset(nullptr, SHA256), shaNull);
    QCOMPARE(USHAInput(nullptr, nullptr, 0), shaNull);
    QCOMPARE(USHAFinalBits(nullptr, 0, 0), shaNull);
    QCOMPARE(USHAResult(nullptr, out), shaNull);

    QCOMPARE(USHAReset(&context, SHA256), shaSuccess);
    QCOMPARE(USHAResult(&context, out), shaSuccess);
    QCOMPARE(USHAInput(&context, out, 1), shaStateError);
}

QTEST_APPLESS_MAIN(TestSha)
#include "tst_sha.moc"
