// The dBase table: field rules, value conversion, byte layout of written tables and the
// consistency checks of the reader.
#include "exchange/dbasefile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <limits>

namespace korvel {
namespace {

QByteArray WriteToBytes(CDBaseFile& table)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(table.Write(buffer));
    return bytes;
}

bool ReadFromBytes(CDBaseFile& table, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return table.Read(buffer);
}

// The bytes of one field of record 0.
QByteArray FieldBytes(const CDBaseFile& table, int field)
{
    const CDBaseField* f = table.GetField(field);
    return table.GetRecord(0).mid(f->m_nOffset, f->length);
}

// A table with the three kinds of field the program writes, and two records.
void BuildSample(CDBaseFile& table)
{
    ASSERT_TRUE(table.AppendField(table.CreateField("NAME", 'C', 8, 0)));
    ASSERT_TRUE(table.AppendField(table.CreateField("WERT", 'N', 7, 2)));
    ASSERT_TRUE(table.AppendField(table.CreateField("OK", 'L', 0, 0)));
    ASSERT_EQ(table.AppendBlankRecord(), 0);
    ASSERT_EQ(table.AppendBlankRecord(), 1);
    table.SetText(0, 0, "Weg");
    table.SetNumber(1, 0, 12.345);
    table.SetLogical(2, 0, true);
    table.SetText(0, 1, QString::fromUtf8("Straße"));
    table.SetNumber(1, 1, -3);
    table.SetLogical(2, 1, false);
}

TEST(DBaseFileTest, CreateFieldAppliesTheTypeRules)
{
    struct Row {
        char type;
        unsigned length, decimals;
        uint8_t wantLength, wantDecimals;
    };
    const Row rows[] = {
        {'C', 300, 4, 254, 0}, {'C', 20, 0, 20, 0}, {'N', 30, 3, 18, 3}, {'N', 10, 2, 10, 2},
        {'F', 5, 3, 20, 0},    {'D', 2, 2, 8, 0},   {'L', 9, 9, 1, 0},   {'M', 1, 1, 10, 0},
        {'O', 1, 1, 8, 0},     {'X', 9, 9, 0, 0},
    };
    CDBaseFile table;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        const auto f = table.CreateField("F", r.type, r.length, r.decimals);
        EXPECT_EQ(f->type, r.type);
        EXPECT_EQ(f->length, r.wantLength);
        EXPECT_EQ(f->decimals, r.wantDecimals);
    }
    const auto longName = table.CreateField("ABCDEFGHIJKL", 'C', 1, 0);
    EXPECT_EQ(QByteArray(longName->name, 11), QByteArray("ABCDEFGHIJ\0", 11));
    EXPECT_EQ(longName->m_strName, "ABCDEFGHIJ");
}

TEST(DBaseFileTest, AppendFieldKeepsTheRecordWithinItsLimits)
{
    CDBaseFile table;
    // 258 fields of 254 bytes reach 65533; another 254 would pass 65534, one byte fits exactly.
    for (int i = 0; i < 258; ++i) ASSERT_TRUE(table.AppendField(table.CreateField("C", 'C', 254, 0)));
    EXPECT_FALSE(table.AppendField(table.CreateField("X", 'C', 254, 0)));
    EXPECT_EQ(table.GetFieldCount(), 258u);
    EXPECT_EQ(table.GetRecordLength(), 1 + 258 * 254);
    ASSERT_TRUE(table.AppendField(table.CreateField("L", 'L', 1, 0)));
    EXPECT_EQ(table.GetField(258)->m_nOffset, 1u + 258 * 254);
    EXPECT_EQ(table.GetRecordLength(), 65534);
    EXPECT_FALSE(table.AppendField(table.CreateField("L", 'L', 1, 0)));

    // The header length is 16 bits wide: more than 2046 descriptors could not be written.
    CDBaseFile wide;
    for (int i = 0; i < 2046; ++i) ASSERT_TRUE(wide.AppendField(wide.CreateField("L", 'L', 1, 0)));
    EXPECT_FALSE(wide.AppendField(wide.CreateField("L", 'L', 1, 0)));
    ASSERT_EQ(wide.AppendBlankRecord(), 0);
    const QByteArray bytes = WriteToBytes(wide);
    EXPECT_EQ(bytes.size(), 32 * 2046 + 33 + 2047 + 1);
    CDBaseFile back;
    EXPECT_TRUE(ReadFromBytes(back, bytes));
    EXPECT_EQ(back.GetFieldCount(), 2046u);
}

TEST(DBaseFileTest, FieldsAppendedLaterExtendRecordsWithZeros)
{
    CDBaseFile table;
    ASSERT_TRUE(table.AppendField(table.CreateField("A", 'C', 2, 0)));
    ASSERT_EQ(table.AppendBlankRecord(), 0);
    ASSERT_TRUE(table.AppendField(table.CreateField("B", 'C', 2, 0)));
    EXPECT_EQ(table.GetRecord(0), QByteArray("   \0\0", 5));
    EXPECT_FALSE(table.SetRecordLength(0));
}

TEST(DBaseFileTest, SetValueStoresTheDescribedBytes)
{
    struct Row {
        const char* what;
        char type;
        unsigned length, decimals;
        double number;
        QByteArray want;
    };
    const Row rows[] = {
        {"numeric with fewer decimals", 'N', 5, 2, 123.456, "123.5"},
        {"numeric rounding into another digit", 'N', 4, 1, 99.96, " 100"},
        {"numeric too wide for its field", 'N', 5, 2, 123456.78, "*****"},
        {"numeric negative too wide", 'N', 3, 0, -1000.0, "***"},
        {"numeric not a number", 'N', 6, 2, std::numeric_limits<double>::quiet_NaN(), "******"},
        {"float too wide", 'F', 20, 0, 1e25, QByteArray(20, '*')},
        {"numeric right-aligned", 'N', 8, 2, 123.456, "  123.46"},
        {"numeric negative", 'N', 6, 0, -42.0, "   -42"},
        {"character takes six decimals", 'C', 12, 0, 1.5, QByteArray("1.500000\0   ", 12)},
        {"character cut", 'C', 4, 0, 1.5, "1.50"},
        {"date from seconds", 'D', 8, 0, 946728000.0, "20000101"},
        {"date zero stays blank", 'D', 8, 0, 0.0, "        "},
        {"float", 'F', 20, 0, 2.5, "                   2"},
        {"binary double", 'O', 8, 0, 1.0, QByteArray("\0\0\0\0\0\0\xF0\x3F", 8)},
        {"logical ignores numbers", 'L', 1, 0, 1.0, " "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CDBaseFile table;
        ASSERT_TRUE(table.AppendField(table.CreateField("F", r.type, r.length, r.decimals)));
        ASSERT_EQ(table.AppendBlankRecord(), 0);
        // Only the overflow mark reports that the number is missing.
        EXPECT_EQ(table.SetNumber(0, 0, r.number), !r.want.startsWith('*'));
        EXPECT_EQ(FieldBytes(table, 0), r.want);
    }
}

TEST(DBaseFileTest, SetTextAndLogical)
{
    CDBaseFile table;
    ASSERT_TRUE(table.AppendField(table.CreateField("C", 'C', 5, 0)));
    ASSERT_TRUE(table.AppendField(table.CreateField("L", 'L', 1, 0)));
    ASSERT_TRUE(table.AppendField(table.CreateField("N", 'N', 4, 0)));
    ASSERT_EQ(table.AppendBlankRecord(), 0);
    table.SetText(0, 0, "AB");
    EXPECT_EQ(FieldBytes(table, 0), QByteArray("AB\0  ", 5));
    table.SetText(0, 0, "ABCDEFG");
    EXPECT_EQ(FieldBytes(table, 0), QByteArray("ABCDE"));
    table.SetText(0, 0, QString::fromUtf8("Ä€"));
    EXPECT_EQ(FieldBytes(table, 0), QByteArray("\xC4\x80\0  ", 5));
    table.SetText(2, 0, "12");  // only character fields take text
    EXPECT_EQ(FieldBytes(table, 2), QByteArray("    "));
    table.SetLogical(1, 0, true);
    EXPECT_EQ(FieldBytes(table, 1), QByteArray("T"));
    table.SetLogical(1, 0, false);
    EXPECT_EQ(FieldBytes(table, 1), QByteArray("F"));
    // Indexes out of range are ignored rather than writing elsewhere.
    table.SetText(3, 0, "X");
    table.SetNumber(0, 1, 1);
    table.SetLogical(-1, 0, true);
    EXPECT_EQ(table.GetRecord(0).size(), 11);
}

TEST(DBaseFileTest, ValueAsText)
{
    struct Row {
        const char* what;
        char type;
        uint8_t length, decimals;
        QByteArray raw;
        QString want;  // "<unchanged>" stands for the text passed in
    };
    const QString unchanged = "<unchanged>";
    const Row rows[] = {
        {"character trimmed", 'C', 5, 0, "Weg  ", "Weg"},
        {"character to zero byte", 'C', 5, 0, QByteArray("Ab\0cd", 5), "Ab"},
        {"character windows-1252", 'C', 4, 0, "Gr\xFC\x80", QString::fromUtf8("Grü€")},
        {"logical Y", 'L', 1, 0, "Y", "1"},
        {"logical t", 'L', 1, 0, "t", "1"},
        {"logical n", 'L', 1, 0, "n", "0"},
        {"logical ?", 'L', 1, 0, "?", unchanged},
        {"logical blank", 'L', 1, 0, " ", unchanged},
        {"numeric reformatted", 'N', 8, 3, "    12.5", "12.500"},
        {"numeric halfway to even", 'N', 8, 2, "  0.125 ", "0.12"},
        {"numeric exponent", 'N', 8, 0, "  1.5e3 ", "1500"},
        {"numeric blank", 'N', 6, 2, "      ", unchanged},
        {"numeric stars", 'N', 6, 2, "******", unchanged},
        {"date", 'D', 8, 0, "20111207", unchanged},
        {"float", 'F', 4, 0, " 1.5", unchanged},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CDBaseFile table;
        auto f = table.CreateField("F", r.type, r.length, r.decimals);
        f->length = r.length;
        f->decimals = r.decimals;
        ASSERT_TRUE(table.AppendField(std::move(f)));
        ASSERT_EQ(table.AppendBlankRecord(), 0);
        // Fill the record through a written and re-read file so that raw bytes can be placed.
        QByteArray bytes = WriteToBytes(table);
        bytes.replace(32 + 32 + 1 + 1, r.length, r.raw);
        CDBaseFile back;
        ASSERT_TRUE(ReadFromBytes(back, bytes));
        QString text = unchanged;
        back.GetValueAsText(0, 0, text);
        EXPECT_EQ(text, r.want);
    }
}

TEST(DBaseFileTest, FindFieldIgnoresCase)
{
    CDBaseFile table;
    ASSERT_TRUE(table.AppendField(table.CreateField("Hoch", 'N', 16, 3)));
    ASSERT_TRUE(table.AppendField(table.CreateField("HOCH", 'N', 16, 3)));
    ASSERT_TRUE(table.AppendField(table.CreateField(QString::fromUtf8("Län€"), 'C', 4, 0)));
    ASSERT_TRUE(table.AppendField(table.CreateField(QString::fromUtf8("Ω"), 'C', 4, 0)));
    EXPECT_EQ(table.FindField("hoch"), 0);
    EXPECT_EQ(table.FindField(QString::fromUtf8("LÄN€")), 2);
    // The name the code page cannot hold is stored as '?', and still found by that name.
    EXPECT_EQ(table.GetField(3)->m_strName, "?");
    EXPECT_EQ(table.FindField(QString::fromUtf8("Ω")), 3);
    EXPECT_EQ(table.FindField("RECHTS"), -1);
}

// The sample table as the program writes it, checked byte for byte (the date bytes 1-3 are
// today's and compared separately).
TEST(DBaseFileTest, WritesTheGoldenTable)
{
    CDBaseFile table;
    BuildSample(table);
    QByteArray bytes = WriteToBytes(table);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(uint8_t(bytes[1]), today.year() - 1900);
    EXPECT_EQ(uint8_t(bytes[2]), today.month());
    EXPECT_EQ(uint8_t(bytes[3]), today.day());
    bytes.replace(1, 3, QByteArray(3, '\0'));

    QFile golden(KORVEL_TESTDATA_DIR "/exchange/sample.dbf");
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    const QByteArray want = golden.readAll();
    EXPECT_EQ(bytes.size(), 32 * 3 + 33 + 2 * 17 + 1);
    EXPECT_EQ(bytes.toHex(' '), want.toHex(' '));
}

TEST(DBaseFileTest, RoundTripKeepsValuesAndTheStoredDate)
{
    CDBaseFile table;
    BuildSample(table);
    QByteArray bytes = WriteToBytes(table);
    bytes[1] = 111;  // 2011-12-07
    bytes[2] = 12;
    bytes[3] = 7;
    CDBaseFile back;
    ASSERT_TRUE(ReadFromBytes(back, bytes));
    EXPECT_EQ(back.GetError(), EXCH_OK);
    EXPECT_FALSE(back.IsModified());
    ASSERT_EQ(back.GetFieldCount(), 3u);
    ASSERT_EQ(back.GetRecordCount(), 2u);
    QString name, value, flag;
    back.GetValueAsText(0, 1, name);
    back.GetValueAsText(1, 0, value);
    back.GetValueAsText(2, 1, flag);
    EXPECT_EQ(name, QString::fromUtf8("Straße"));
    EXPECT_EQ(value, "12.35");  // the double nearest 12.345 lies just above it
    EXPECT_EQ(flag, "0");
    EXPECT_EQ(back.GetDate(), QDate(2011, 12, 7));

    // Unchanged, the date stays; after a value write it becomes today's.
    EXPECT_EQ(WriteToBytes(back), bytes);
    back.SetLogical(2, 0, false);
    const QByteArray rewritten = WriteToBytes(back);
    EXPECT_EQ(uint8_t(rewritten[1]), QDate::currentDate().year() - 1900);
}

TEST(DBaseFileTest, ReaderChecksTheLayout)
{
    CDBaseFile table;
    BuildSample(table);
    const QByteArray good = WriteToBytes(table);
    const int headerLength = 32 * 3 + 33;
    auto with = [&](auto change) {
        QByteArray b = good;
        change(b);
        return b;
    };
    auto padded = [&](char last) {
        // Two bytes of padding between descriptors and records; the header length grows by 2.
        QByteArray b = good;
        b.insert(headerLength - 1, QByteArray("\x00\x0D", 2));
        b[headerLength + 1] = last;
        b[8] = char(headerLength + 2);
        return b;
    };
    struct Row {
        const char* what;
        QByteArray bytes;
        bool valid;
    };
    const Row rows[] = {
        {"as written", good, true},
        {"without end marker", good.left(good.size() - 1), true},
        {"empty file", QByteArray(), true},
        {"padding ending in the terminator", padded('\x0D'), true},
        {"padding ending in another byte", padded('\x00'), false},
        {"byte after end marker", good + 'x', false},
        {"other byte instead of end marker", with([](QByteArray& b) { b[b.size() - 1] = 'x'; }), false},
        {"record count too large", with([](QByteArray& b) { b[4] = 3; }), false},
        {"record count huge", with([](QByteArray& b) { b.replace(4, 4, "\xFF\xFF\xFF\xFF"); }), false},
        {"cut inside a record", good.left(good.size() - 5), false},
        {"cut inside the header", good.left(20), false},
        {"cut inside a descriptor", good.left(70), false},
        {"terminator missing", with([&](QByteArray& b) { b[headerLength - 1] = ' '; }), false},
        {"header length too small for the fields",
         with([&](QByteArray& b) { b[8] = char(headerLength - 32); }), false},
        {"header length beyond the file", with([](QByteArray& b) { b[9] = '\x7F'; }), false},
        {"record length zero", with([](QByteArray& b) { b[10] = 0; }), false},
        {"fields longer than the record",
         with([](QByteArray& b) { b[32 + 16] = char(200); }), false},
        {"zero-length fields", with([](QByteArray& b) { b[32 + 16] = 0; b[64 + 16] = 0; b[96 + 16] = 0; }),
         false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CDBaseFile back;
        EXPECT_EQ(ReadFromBytes(back, r.bytes), r.valid);
        EXPECT_EQ(back.GetError(), r.valid ? EXCH_OK : EXCH_DAMAGED);
    }
}

TEST(DBaseFileTest, DeletedRecordsAreReadLikeLiveOnes)
{
    CDBaseFile table;
    BuildSample(table);
    QByteArray bytes = WriteToBytes(table);
    bytes[32 * 3 + 33] = '*';
    CDBaseFile back;
    ASSERT_TRUE(ReadFromBytes(back, bytes));
    EXPECT_EQ(back.GetRecordCount(), 2u);
}

TEST(DBaseFileTest, OpeningErrors)
{
    QTemporaryDir dir;
    CDBaseFile table;
    EXPECT_FALSE(table.Read(dir.filePath("missing.dbf")));
    EXPECT_EQ(table.GetError(), EXCH_NOT_FOUND);
    // A folder of that name exists but cannot be read as a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.dbf"));
    EXPECT_FALSE(table.Read(dir.filePath("folder.dbf")));
    EXPECT_EQ(table.GetError(), EXCH_CANNOT_OPEN);
}

TEST(DBaseFileTest, Utf8TablesKeepTheirCharacters)
{
    CDBaseFile table;
    table.SetCodePage(TableCodePage::Utf8);
    // "Größenangabe" needs 14 bytes in UTF-8; the name keeps the first 10 (two 2-byte letters).
    ASSERT_TRUE(table.AppendField(table.CreateField(QString::fromUtf8("Größenangabe"), 'C', 5, 0)));
    EXPECT_EQ(table.GetField(0)->m_strName, QString::fromUtf8("Größenan"));
    ASSERT_EQ(table.AppendBlankRecord(), 0);
    table.SetText(0, 0, QString::fromUtf8("Bäöü"));  // 7 bytes into 5: the cut keeps "Bäö"
    CDBaseFile back;
    back.SetCodePage(TableCodePage::Utf8);
    ASSERT_TRUE(ReadFromBytes(back, WriteToBytes(table)));
    QString text;
    back.GetValueAsText(0, 0, text);
    EXPECT_EQ(text, QString::fromUtf8("Bäö"));
    EXPECT_EQ(back.FindField(QString::fromUtf8("GRÖSSEN")), -1);
    EXPECT_EQ(back.FindField(QString::fromUtf8("größenAN")), 0);
}

TEST(DBaseFileTest, CodePageNames)
{
    EXPECT_EQ(CodePageFromCpg("UTF-8\r\n"), TableCodePage::Utf8);
    EXPECT_EQ(CodePageFromCpg("utf8"), TableCodePage::Utf8);
    EXPECT_EQ(CodePageFromCpg("65001"), TableCodePage::Utf8);
    EXPECT_EQ(CodePageFromCpg("ISO-8859-1"), TableCodePage::Latin1);
    EXPECT_EQ(CodePageFromCpg("88591"), TableCodePage::Latin1);
    EXPECT_EQ(CodePageFromCpg("1252"), TableCodePage::Windows1252);
    EXPECT_EQ(CodePageFromCpg("ANSI 1252"), TableCodePage::Windows1252);
    EXPECT_EQ(CodePageFromCpg("something"), TableCodePage::Windows1252);
    EXPECT_EQ(DecodeText(QByteArray("\x80\xE4"), TableCodePage::Latin1), QString::fromUtf8("\u0080ä"));
    EXPECT_EQ(EncodeText(QString::fromUtf8("€ä😀"), TableCodePage::Windows1252), QByteArray("\x80\xE4?"));
}

}  // namespace
}  // namespace korvel
