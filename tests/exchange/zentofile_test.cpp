// The handheld position and marker files: exact bytes of written files and the reader's rules
// for sections, description lines and position lines.
#include "exchange/zentofile.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <ostream>

namespace korvel {

void PrintTo(const ZentoInfo& info, std::ostream* os)
{
    *os << "{" << info.name.toStdString() << ", " << info.value.toStdString() << "}";
}

namespace {

const QDateTime kNow(QDate(2011, 12, 7), QTime(13, 5, 0));

ZentoContent ReadBytes(QByteArray bytes, ZentoFileKind kind)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadZentoFile(buffer, kind);
}

// The lines of a file joined with CR LF, the last one included.
QByteArray Crlf(std::initializer_list<const char*> lines)
{
    QByteArray out;
    for (const char* l : lines) out += QByteArray(l) + "\r\n";
    return out;
}

const char* const kHeaderTop[] = {"[Version]", "1",        "[Quelle]",       "Korvel 1.0", "[Datum]",
                                  "07.12.11",  "[Zeit]",   "13.05.00",       "[Kennung]",  "071211130500",
                                  "[Einheit]", "Grad gd",  "[System]",       "WGS84"};

TEST(ZentoFileTest, WritesThePositionFileExactly)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CZentoWriter writer(buffer);
    const std::vector<ZentoInfo> area = {
        {"Name", QString::fromUtf8("Wiese am Bach")},
        {"FLAECHE", "1.2345"},
        {QString::fromUtf8("Bemerkung mit Überlänge"), QString::fromUtf8("eine sehr lange Bemerkung €")},
        {"name", "zweiter Name"},
    };
    // Selected names in the dialog's order; "Fehlt" is not carried and gives no line.
    writer.WritePositionFileHeader(kNow, &area, {"flaeche", "Fehlt", "NAME", QString::fromUtf8("bemerkung mit überlänge")});
    writer.WritePositionLine(9.5, 52.123456789);
    writer.WritePositionLine(-0.000000001, 0.1234567895);
    ASSERT_TRUE(writer.Ok());

    QByteArray want = Crlf({"[Positionsdatei]"});
    for (const char* l : kHeaderTop) want += QByteArray(l) + "\r\n";
    want += Crlf({"[Messmodus]", "Flaeche", "[Beschreibung]", "<FLAECHE>1.2345", "<Name>Wiese am Bach"});
    // Name and value each cut to 20 characters, in Windows-1252.
    want += "<Bemerkung mit \xDC" "berl\xE4>eine sehr lange Beme\r\n";
    // 0.1234567895 is stored a little below itself, so the ninth decimal rounds down.
    want += Crlf({"[Positionen]", "9.500000000 52.123456789 0", "-0.000000001 0.123456789 0"});
    EXPECT_EQ(bytes.toStdString(), want.toStdString());
}

TEST(ZentoFileTest, WritesTheMarkerFileExactly)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CZentoWriter writer(buffer);
    writer.WriteMarkerFileHeader(kNow, nullptr, {"ignored without a source"});
    writer.WriteMarkerLine(9.25, 52, {"5500000.123", "", "Punkt mit Leerzeichen und mehr"});
    writer.WriteMarkerLine(9.75, 52.5, {});
    ASSERT_TRUE(writer.Ok());

    QByteArray want = Crlf({"[Markierungsdatei]"});
    for (const char* l : kHeaderTop) want += QByteArray(l) + "\r\n";
    want += Crlf({"[Beschreibung]", "<ID>Alle", "[Positionen]",
                  "9.250000000 52.000000000 0 \"5500000.123\" \"\" \"Punkt mit Leerzeiche\"",
                  "9.750000000 52.500000000 0"});
    EXPECT_EQ(bytes.toStdString(), want.toStdString());
}

TEST(ZentoFileTest, FirstLineDecidesTheKind)
{
    struct Row {
        QByteArray line;
        ZentoFileKind kind;
    };
    const Row rows[] = {
        {"[Positionsdatei]", ZentoFileKind::Position}, {"[POSITIONSDATEI]", ZentoFileKind::Position},
        {"[markierungsdatei]", ZentoFileKind::Marker}, {"[Rasterdatei]", ZentoFileKind::Raster},
        {"[Positionsdatei] ", ZentoFileKind::Unknown}, {" [Positionsdatei]", ZentoFileKind::Unknown},
        {"", ZentoFileKind::Unknown},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line.toStdString());
        EXPECT_EQ(ZentoKindFromFirstLine(r.line), r.kind);
        QByteArray file = r.line + "\r\n[Version]\r\n";
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(ReadZentoKind(buffer), r.kind);
    }
}

TEST(ZentoFileTest, ModeSections)
{
    struct Row {
        const char* what;
        QByteArray file;
        ZentoFileKind kind;
        ZentoMode mode;
    };
    const Row rows[] = {
        {"no mode section", "[Positionsdatei]\r\n[Positionen]\r\n", ZentoFileKind::Position, ZentoMode::Area},
        {"Linie", "[Positionsdatei]\r\n[Messmodus]\r\nLinie\r\n", ZentoFileKind::Position, ZentoMode::Line},
        {"capitals and trailing spaces", "[Positionsdatei]\n[MESSMODUS]  \nlinie   \n", ZentoFileKind::Position,
         ZentoMode::Line},
        {"Punkte leaves the area", "[Positionsdatei]\r\n[Messmodus]\r\nPunkte\r\n", ZentoFileKind::Position,
         ZentoMode::Area},
        {"the last section decides", "[Messmodus]\r\nLinie\r\n[Messmodus]\r\nFlaeche\r\n", ZentoFileKind::Position,
         ZentoMode::Area},
        {"mode section as last line", "[Messmodus]\r\nLinie\r\n[Messmodus]", ZentoFileKind::Position,
         ZentoMode::Line},
        {"marker files hold points", "[Messmodus]\r\nLinie\r\n", ZentoFileKind::Marker, ZentoMode::Points},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ReadBytes(r.file, r.kind).mode, r.mode);
    }
}

TEST(ZentoFileTest, DescriptionLines)
{
    const QByteArray file = "[Positionsdatei]\r\n"
                            "[beschreibung] \r\n"
                            "<ID>Alle\r\n"
                            "Hallo Welt  \r\n"
                            "<>abc\r\n"
                            "vorher<Name>Wert mit <Klammern>\r\n"
                            "<OhneWert>\r\n"
                            "<Kein Ende\r\n"
                            "Zweiter Text\r\n"
                            "<Lang>" + QByteArray(260, 'x') + "\r\n"
                            "<Gr\xF6\xDF" "e>\x80 5\r\n"
                            " [kein Abschnitt]\r\n"
                            "[Positionen]\r\n"
                            "<Nach>dem Abschnitt\r\n";
    const ZentoContent c = ReadBytes(file, ZentoFileKind::Position);
    const std::vector<ZentoInfo> want = {
        {"ID", "Alle"},
        {"Text1", "Hallo Welt"},
        {"Text2", ">abc"},
        {"Name", "Wert mit <Klammern>"},
        {"Text3", "Kein Ende"},
        {"Text4", "Zweiter Text"},
        {QString::fromUtf8("Größe"), QString::fromUtf8("€ 5")},
        {"Text5", " [kein Abschnitt]"},  // only trailing white space is removed
    };
    EXPECT_EQ(c.description, want);
    EXPECT_TRUE(ReadBytes("[Positionsdatei]\r\n[Positionen]\r\n", ZentoFileKind::Position).description.empty());
}

TEST(ZentoFileTest, PositionLines)
{
    struct Row {
        const char* what;
        QByteArray line;
        bool kept;
        double x, y;
        std::vector<ZentoInfo> infos;
    };
    const Row rows[] = {
        {"plain", "9.500000000 52.250000000 0", true, 9.5, 52.25, {}},
        {"with CR LF", "9.5 52.25 0\r", true, 9.5, 52.25, {}},
        {"without height", "9.5 52.25", false, 0, 0, {}},
        {"leading space", " 9.5 52.25 0", false, 0, 0, {}},
        {"two spaces after longitude", "9.5  52.25 0", false, 0, 0, {}},
        {"word instead of longitude", "abc 52.1 0", true, 0, 52.1, {}},
        {"height followed by a space only", "9.5 52.25 0 ", true, 9.5, 52.25, {}},
        {"empty value then a value with a space", "9 52 0 \"\" \"x y\"", true, 9, 52, {{"Info1", "x y"}}},
        {"several values", "9 52 0 \"A\" \"B C\" \" D \"", true, 9, 52,
         {{"Info1", "A"}, {"Info2", "B C"}, {"Info3", "D"}}},
        {"unquoted rest stops the values", "9 52 0 \"A\" B \"C\"", true, 9, 52, {{"Info1", "A"}}},
        {"unclosed quote", "9 52 0 \"A", true, 9, 52, {}},
        {"text after the closing quote", "9 52 0 \"A\"B \"C\"", true, 9, 52, {{"Info1", "A\"B"}, {"Info2", "C"}}},
        {"section line is not recognised", "[Ende]", false, 0, 0, {}},
        {"windows-1252 value", "1 2 3 \"Stra\xDF" "e\"", true, 1, 2, {{"Info1", QString::fromUtf8("Straße")}}},
        {"too long", "9 52 0 \"" + QByteArray(250, 'x') + "\"", false, 0, 0, {}},
        {"exactly 255", "9 52 0 \"" + QByteArray(246, 'x') + "\"", true, 9, 52,
         {{"Info1", QString(246, QLatin1Char('x'))}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const ZentoContent c = ReadBytes("[Markierungsdatei]\r\n[Positionen]\n" + r.line + "\n", ZentoFileKind::Marker);
        ASSERT_EQ(c.positions.size(), r.kept ? 1u : 0u);
        if (!r.kept) continue;
        EXPECT_EQ(c.positions[0].x, r.x);
        EXPECT_EQ(c.positions[0].y, r.y);
        EXPECT_EQ(c.positions[0].infos, r.infos);
    }
}

TEST(ZentoFileTest, WrittenFilesReadBack)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CZentoWriter writer(buffer);
    writer.WriteMarkerFileHeader(kNow, nullptr, {});
    writer.WriteMarkerLine(9.123456789, 52.987654321, {"HOCH 1", QString(), QString::fromUtf8("Süd")});
    writer.WriteMarkerLine(-1.5, -2.5, {QString(), QString()});
    buffer.close();
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    const ZentoFileKind kind = ReadZentoKind(buffer);
    EXPECT_EQ(kind, ZentoFileKind::Marker);
    const ZentoContent c = ReadZentoFile(buffer, kind);  // from the start again
    EXPECT_EQ(c.mode, ZentoMode::Points);
    EXPECT_EQ(c.description, (std::vector<ZentoInfo>{{"ID", "Alle"}}));
    ASSERT_EQ(c.positions.size(), 2u);
    EXPECT_EQ(c.positions[0].x, 9.123456789);
    EXPECT_EQ(c.positions[0].y, 52.987654321);
    EXPECT_EQ(c.positions[0].infos, (std::vector<ZentoInfo>{{"Info1", "HOCH 1"}, {"Info2", QString::fromUtf8("Süd")}}));
    EXPECT_EQ(c.positions[1].x, -1.5);
    EXPECT_TRUE(c.positions[1].infos.empty());
}

// Line breaks and quotes in descriptions and marker values: every value is read back on its
// own line and in its own place, line breaks as spaces, quotes as they were.
TEST(ZentoFileTest, BreaksAndQuotesInValuesReadBack)
{
    const std::vector<ZentoInfo> source = {{"NAME", "Eiche\r\nalt"}, {"NOTIZ", "\"groß\""}};
    struct Row {
        QStringList written;
        std::vector<ZentoInfo> read;
    };
    const Row rows[] = {
        {{"a\nb", "c\rd", "e\r\nf"}, {{"Info1", "a b"}, {"Info2", "c d"}, {"Info3", "e  f"}}},
        {{"sagt \"ja\"", "x"}, {{"Info1", "sagt \"ja\""}, {"Info2", "x"}}},
        {{"\"", "\" \"", "a\" b", "y"}, {{"Info1", "\""}, {"Info2", "\" \""}, {"Info3", "a\" b"}, {"Info4", "y"}}},
        {{"", "\"\"", "z"}, {{"Info1", "\"\""}, {"Info2", "z"}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.written.join('|').toStdString());
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CZentoWriter writer(buffer);
        writer.WriteMarkerFileHeader(kNow, &source, {"NAME", "NOTIZ"});
        writer.WriteMarkerLine(9.5, 51.0, r.written);
        writer.WriteMarkerLine(9.6, 51.1, {"zweite"});
        buffer.close();
        const ZentoContent c = ReadBytes(bytes, ZentoFileKind::Marker);
        EXPECT_EQ(c.description,
                  (std::vector<ZentoInfo>{{"NAME", "Eiche  alt"}, {"NOTIZ", QString::fromUtf8("\"groß\"")}}));
        ASSERT_EQ(c.positions.size(), 2u);
        EXPECT_EQ(c.positions[0].infos, r.read);
        EXPECT_EQ(c.positions[1].infos, (std::vector<ZentoInfo>{{"Info1", "zweite"}}));
    }
}

}  // namespace
}  // namespace korvel
