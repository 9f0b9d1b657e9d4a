// The primitive stream items: byte-exact encodings at every escape boundary, the 8-bit code
// page, and the reader's refusal to run past the end or allocate for lengths it cannot hold.
#include "model/archive.h"
#include "model/cp1252.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace korvel {
namespace {

QByteArray Write(const std::function<void(CArchiveWriter&)>& fn)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchiveWriter w(buffer);
        fn(w);
        w.Flush();
    }
    return bytes;
}

ArchiveError ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const CArchiveException& e) {
        return e.error();
    }
    return ArchiveError::None;
}

TEST(ArchiveTest, IntegersAndDoublesAreLittleEndian)
{
    const QByteArray b = Write([](CArchiveWriter& w) {
        w.WriteWord(0x1234);
        w.WriteDword(0x00010005);
        w.WriteQword(0x0102030405060708ull);
        w.WriteInt32(-2);
        w.WriteDouble(1.0);
    });
    EXPECT_EQ(b.toHex(' ').toStdString(), std::string("34 12 05 00 01 00 08 07 06 05 04 03 02 01 fe ff ff ff "
                                       "00 00 00 00 00 00 f0 3f"));
    CArchiveReader r(b);
    EXPECT_EQ(r.ReadWord(), 0x1234);
    EXPECT_EQ(r.ReadDword(), 0x00010005u);
    EXPECT_EQ(r.ReadQword(), 0x0102030405060708ull);
    EXPECT_EQ(r.ReadInt32(), -2);
    EXPECT_EQ(r.ReadDouble(), 1.0);
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ArchiveTest, SpecialDoublesKeepTheirBits)
{
    const double values[] = {-0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::denorm_min(), 3512345.6789012345};
    for (double v : values) {
        const QByteArray b = Write([v](CArchiveWriter& w) { w.WriteDouble(v); });
        CArchiveReader r(b);
        const double back = r.ReadDouble();
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v;
    }
}

TEST(ArchiveTest, CountFormsAtTheirBoundaries)
{
    struct Row {
        uint64_t n;
        const char* hex;
    };
    const Row rows[] = {
        {0, "0000"},
        {0xFFFE, "feff"},
        {0xFFFF, "ffffffff0000"},
        {65536, "ffff00000100"},
        {0xFFFFFFFEull, "fffffeffffff"},
        {0xFFFFFFFFull, "ffff" "ffffffff" "ffffffff00000000"},
        {0x100000000ull, "ffff" "ffffffff" "0000000001000000"},
    };
    for (const Row& row : rows) {
        const QByteArray b = Write([&](CArchiveWriter& w) { w.WriteCount(row.n); });
        EXPECT_EQ(b.toHex().toStdString(), row.hex) << row.n;
        CArchiveReader r(b);
        EXPECT_EQ(r.ReadCount(), row.n);
        EXPECT_EQ(r.Remaining(), 0u);
    }
}

TEST(ArchiveTest, StringLengthFormsAtTheirBoundaries)
{
    struct Row {
        qsizetype length;
        const char* headerHex;  // after FF FE FF
    };
    const Row rows[] = {
        {0, "00"},
        {254, "fe"},
        {255, "ffff00"},
        {0xFFFD, "fffdff"},
        {0xFFFE, "ffffffFEFF0000"},
        {70000, "ffffff70110100"},
    };
    for (const Row& row : rows) {
        const QString s(row.length, QChar(u'ä'));
        const QByteArray b = Write([&](CArchiveWriter& w) { w.WriteString(s); });
        const QByteArray header = QByteArray("fffeff") + QByteArray(row.headerHex).toLower();
        EXPECT_EQ(b.left(header.size() / 2).toHex().toStdString(), header.toStdString()) << row.length;
        EXPECT_EQ(b.size(), header.size() / 2 + 2 * row.length);
        CArchiveReader r(b);
        EXPECT_EQ(r.ReadString(), s);
        EXPECT_EQ(r.Remaining(), 0u);
    }
}

TEST(ArchiveTest, KorvelIdentifierBytes)
{
    const QByteArray b = Write([](CArchiveWriter& w) { w.WriteString(QStringLiteral("Korvel")); });
    EXPECT_EQ(b.toHex(' ').toStdString(), std::string("ff fe ff 06 4b 00 6f 00 72 00 76 00 65 00 6c 00"));
}

TEST(ArchiveTest, ReadsEightBitStringsInEveryLengthForm)
{
    // 8-bit strings come from streams written by older programs: Windows-1252 bytes.
    struct Row {
        QByteArray bytes;
        QString expected;
    };
    const QByteArray ascii300(300, 'x');
    const Row rows[] = {
        {QByteArray::fromHex("03") + "M\xfc" "h", QStringLiteral(u"Müh")},
        {QByteArray::fromHex("0380c49f"), QStringLiteral(u"€Ä") + QChar(0x0178)},
        {QByteArray::fromHex("ff2c01") + ascii300, QString(300, QLatin1Char('x'))},
        {QByteArray::fromHex("ffffff02000000") + "ab", QStringLiteral("ab")},
        {QByteArray::fromHex("ffffffffffffff0100000000000000") + "z", QStringLiteral("z")},
    };
    for (const Row& row : rows) {
        CArchiveReader r(row.bytes);
        EXPECT_EQ(r.ReadString(), row.expected) << row.bytes.toHex().constData();
        EXPECT_EQ(r.Remaining(), 0u);
    }
}

TEST(ArchiveTest, TruncatedItemsAndOversizedLengthsThrowWithoutAllocating)
{
    struct Row {
        QByteArray bytes;
        std::function<void(CArchiveReader&)> read;
    };
    const Row rows[] = {
        {QByteArray::fromHex("01"), [](CArchiveReader& r) { r.ReadWord(); }},
        {QByteArray::fromHex("010203"), [](CArchiveReader& r) { r.ReadDword(); }},
        {QByteArray::fromHex("01020304050607"), [](CArchiveReader& r) { r.ReadDouble(); }},
        {QByteArray::fromHex("ffff0100"), [](CArchiveReader& r) { r.ReadCount(); }},
        // UTF-16 string claiming 2^64-1 units with nothing behind it.
        {QByteArray::fromHex("fffeffffffffffffffffffffffffffffff"), [](CArchiveReader& r) { r.ReadString(); }},
        // UTF-16 string of 3 units with 5 bytes left.
        {QByteArray::fromHex("fffeff034100420043"), [](CArchiveReader& r) { r.ReadString(); }},
        // 8-bit string of 0x7FFFFFFF bytes.
        {QByteArray::fromHex("ffffffffffff7f"), [](CArchiveReader& r) { r.ReadString(); }},
        {QByteArray(), [](CArchiveReader& r) { r.ReadBytes(1); }},
        {QByteArray(), [](CArchiveReader& r) { r.ReadString(); }},
    };
    for (const Row& row : rows) {
        CArchiveReader r(row.bytes);
        EXPECT_EQ(ErrorOf([&] { row.read(r); }), ArchiveError::EndOfFile) << row.bytes.toHex().constData();
    }
}

TEST(ArchiveTest, RequireItemsGuardsAgainstOverflow)
{
    const QByteArray b(32, '\0');
    CArchiveReader r(b);
    EXPECT_EQ(ErrorOf([&] { r.RequireItems(2, 16); }), ArchiveError::None);
    EXPECT_EQ(ErrorOf([&] { r.RequireItems(3, 16); }), ArchiveError::EndOfFile);
    EXPECT_EQ(ErrorOf([&] { r.RequireItems(~0ull, 16); }), ArchiveError::EndOfFile);
    EXPECT_EQ(ErrorOf([&] { r.RequireItems(~0ull, 0); }), ArchiveError::None);
}

TEST(ArchiveTest, ReleasesOnlyWhatHasBeenRead)
{
    const QByteArray b(10000, '\x01');
    CArchiveReader r(b);
    std::vector<std::pair<size_t, size_t>> released;
    r.SetReleaseBehind([&](const char* p, size_t n) { released.emplace_back(p - b.constData(), n); }, 4096);
    for (int i = 0; i < 2500; ++i) {
        r.ReadDword();
        r.MaybeReleaseBehind();
        // Never a byte at or beyond the read position.
        if (!released.empty()) {
            EXPECT_LE(released.back().first + released.back().second, r.Position());
        }
    }
    EXPECT_EQ(released, (std::vector<std::pair<size_t, size_t>>{{0, 4096}, {4096, 4096}}));
}

TEST(ArchiveTest, WriteToAClosedDeviceFails)
{
    QBuffer buffer;  // never opened: every write is refused
    EXPECT_EQ(ErrorOf([&] {
                  CArchiveWriter w(buffer);
                  w.WriteDword(1);
                  w.Flush();
              }),
              ArchiveError::WriteFailed);
}

TEST(Cp1252Test, DecodesTheWholeCodePageAndRoundTrips)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
    const QString text = DecodeCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x8A), QChar(0x0160));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    EXPECT_EQ(text.at(0x81), QChar(0x0081));
    EXPECT_EQ(text.at(0xE4), QChar(u'ä'));
    bool lossless = false;
    EXPECT_EQ(EncodeCp1252(text, &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(Cp1252Test, UnrepresentableCharactersBecomeQuestionMarks)
{
    bool lossless = true;
    // Cyrillic, a CJK character and an emoji (a surrogate pair counts as one character).
    EXPECT_EQ(EncodeCp1252(QStringLiteral(u"aЖ中\U0001F600€"), &lossless), QByteArray("a???\x80"));
    EXPECT_FALSE(lossless);
    EXPECT_TRUE(IsCp1252Representable(u'ß'));
    EXPECT_FALSE(IsCp1252Representable(u'Ж'));
}

}  // namespace
}  // namespace korvel
