// The attribute reader of the shape import against the general way (one SetInfo per field with
// the value GetValueAsText gives): every kind of field text, blank and damaged values, code
// pages and repeated field names must give the same attributes.
#include "exchange/dbasefile.h"
#include "exchange/numtext.h"
#include "exchange/shapeexchange.h"

#include "model/gobj.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <random>
#include <tuple>
#include <vector>

namespace korvel {
namespace {

struct FieldDef {
    const char* name;
    char type;
    unsigned length;
    unsigned decimals;
};

// A table with the given fields and records of raw field texts (each cut or padded with
// spaces on the left to the field's length). Written with character fields, then the
// descriptors are given their real type, so that any bytes can stand in any field.
void MakeTable(CDBaseFile& table, const std::vector<FieldDef>& fields, const std::vector<std::vector<QByteArray>>& records,
               TableCodePage cp = TableCodePage::Windows1252)
{
    CDBaseFile writer;
    for (const FieldDef& f : fields) ASSERT_TRUE(writer.AppendField(writer.CreateField(f.name, 'C', f.length, 0)));
    QByteArray bytes;
    {
        for (size_t r = 0; r < records.size(); ++r) ASSERT_EQ(writer.AppendBlankRecord(), int(r));
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writer.Write(out));
    }
    ASSERT_GE(bytes.size(), 32);
    const auto word = [&bytes](int at) { return int(uchar(bytes[at])) | int(uchar(bytes[at + 1])) << 8; };
    const int header = word(8);
    const int recordLength = word(10);
    int offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        bytes[qsizetype(32 + 32 * i + 11)] = fields[i].type;
        bytes[qsizetype(32 + 32 * i + 17)] = char(fields[i].decimals);
        for (size_t r = 0; r < records.size(); ++r) {
            QByteArray text = records[r][i];
            if (text.size() < qsizetype(fields[i].length)) text.prepend(QByteArray(fields[i].length - text.size(), ' '));
            bytes.replace(header + int(r) * recordLength + offset, int(fields[i].length), text.left(fields[i].length));
        }
        offset += int(fields[i].length);
    }
    table.SetCodePage(cp);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    ASSERT_TRUE(table.Read(in));
}

using Attrs = std::vector<std::tuple<QString, QString, uint16_t>>;

Attrs AttrsOf(const GObj& obj)
{
    Attrs out;
    for (const GInfoItem& i : obj.Infos()) out.emplace_back(i.Name(), i.Value(), i.Format());
    return out;
}

// The general way, written out.
Attrs Expected(const CDBaseFile& table, int record)
{
    GObj obj;
    for (uint32_t f = 0; f < table.GetFieldCount(); ++f) {
        const CDBaseField* field = table.GetField(int(f));
        const auto format = FormatForField(*field);
        if (!format) continue;
        QString value;
        if (field->type == 'D') {
            value = QString::fromLatin1(table.GetRecord(record).mid(field->m_nOffset, field->length)).trimmed();
            if (value.contains(QChar(0))) value.truncate(value.indexOf(QChar(0)));
        } else {
            table.GetValueAsText(int(f), record, value);
        }
        if (!field->m_strName.isEmpty() && !value.isEmpty()) obj.SetInfo(field->m_strName, value, *format);
    }
    return AttrsOf(obj);
}

void ExpectSameAsOneByOne(const CDBaseFile& table)
{
    CShapeAttributeReader reader(table);
    for (uint32_t r = 0; r < table.GetRecordCount(); ++r) {
        GObj obj;
        reader.Read(int(r), obj);
        EXPECT_EQ(AttrsOf(obj), Expected(table, int(r))) << "record " << r << ": " << table.GetRecord(int(r)).constData();
    }
}

TEST(ShapeAttributeReaderTest, GivesTheValuesOfTheGeneralWay)
{
    const std::vector<FieldDef> fields = {
        {"PTNR", 'C', 12, 0}, {"RECHTS", 'N', 16, 3}, {"ANZAHL", 'N', 6, 0}, {"OK", 'L', 1, 0},
        {"DATUM", 'D', 8, 0},  {"F", 'F', 8, 2},
    };
    const std::vector<std::vector<QByteArray>> records = {
        {"100001", "3456789.123", "42", "T", "20261209", "1.50"},
        {"Feld 1   ", "-12.500", "-7", "y", "        ", "x"},
        {"", "0.000", "0", "?", QByteArray("2026\0\0\0\0", 8), ""},
        {"\xC4\x80\x9F", "-0.000", "-0", " ", "  1999  ", ""},
        {QByteArray("ab\0cd", 5), "007.000", "007", "N", "", ""},
        {"\t x \t", "1.5", "42.0", "f", "", ""},
        {"x", "1.50000", "1e3", "T", "", ""},
        {"x", "12345678901.123", "+5", "T", "", ""},
        {"x", "1234567890123.456", " 5 x", "T", "", ""},
        {"x", "+5.000", "abc", "T", "", ""},
        {"x", "5.000x", "", "T", "", ""},
        {"x", "0x1p3", "inf", "T", "", ""},
        {"x", "nan", "-", "T", "", ""},
        {"x", ".500", "5.", "T", "", ""},
        {"x", "5.", "999999999999999", "T", "", ""},
        {"x", QByteArray("12.5\0\0\0", 7), "9999999999999999", "T", "", ""},
        {"x", "   ", "1 2", "T", "", ""},
        {"x", "-999999999999.999", "-1", "T", "", ""},
        {"x", "1e300", "00", "T", "", ""},
    };
    CDBaseFile table;
    MakeTable(table, fields, records);
    ExpectSameAsOneByOne(table);

    CDBaseFile utf8;
    MakeTable(utf8, fields, {{"Stra\xC3\x9F" "e \t", "1.000", "1", "T", "", ""}, {"\xE2\x82 ", "2.000", "2", "F", "", ""}},
              TableCodePage::Utf8);
    ExpectSameAsOneByOne(utf8);
}

TEST(ShapeAttributeReaderTest, RepeatedFieldNamesReplaceEarlierValues)
{
    // SetInfo finds names ignoring case, so the later field's value replaces the earlier one.
    CDBaseFile table;
    MakeTable(table, {{"NAME", 'C', 4, 0}, {"name", 'C', 4, 0}, {"WERT", 'N', 6, 1}},
              {{"eins", "zwei", "1.0"}, {"eins", "", "2.0"}});
    ExpectSameAsOneByOne(table);
    GObj obj;
    CShapeAttributeReader(table).Read(0, obj);
    EXPECT_EQ(AttrsOf(obj), (Attrs{{"NAME", "zwei", 0xFF04}, {"WERT", "1.0", 0x0106}}));
}

TEST(ShapeAttributeReaderTest, CanonicalTextIsWhatReadingAndWritingGives)
{
    const auto roundTrip = [](const std::string& text, unsigned decimals) {
        const auto v = ParseLeadingDouble(text);
        return v && FormatFixed(*v, int(decimals)) == QByteArray::fromStdString(text);
    };
    struct Row {
        const char* text;
        unsigned decimals;
        bool canonical;
    } rows[] = {
        {"3456789.123", 3, true}, {"-12.500", 3, true}, {"0.000", 3, true}, {"0", 0, true},
        {"123456789012.345", 3, true}, {"-0.000", 3, false}, {"007.000", 3, false}, {"1.5", 3, false},
        {"1234567890123.456", 3, false}, {"+5.000", 3, false}, {"5.", 0, false}, {"5.0", 0, false},
        {".5", 1, false}, {"", 0, false}, {"-", 0, false}, {"1e3", 0, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CanonicalFixedText(r.text, r.decimals), r.canonical) << r.text;
        if (r.canonical) {
            EXPECT_TRUE(roundTrip(r.text, r.decimals)) << r.text;
        }
    }
    // Every number of up to 15 digits written with its decimals reads back to the same text.
    std::mt19937_64 rng(4711);
    for (int i = 0; i < 200000; ++i) {
        const unsigned decimals = unsigned(rng() % 8);
        const int digits = 1 + int(rng() % 15);
        long long mantissa = (long long)(rng() % 1000000000000000ULL);
        for (int k = digits; k < 15; ++k) mantissa /= 10;
        std::string text = std::to_string(mantissa);
        if (decimals > 0) {
            if (text.size() <= decimals) text.insert(0, decimals + 1 - text.size(), '0');
            text.insert(text.size() - decimals, ".");
        }
        if (rng() & 1) text.insert(0, "-");
        if (CanonicalFixedText(text, decimals)) {
            ASSERT_TRUE(roundTrip(text, decimals)) << text;
        }
    }
}

}  // namespace
}  // namespace korvel
