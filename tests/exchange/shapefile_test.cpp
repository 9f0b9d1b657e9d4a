// The shapefile: golden triples, round trips, the reader's checks with their codes, and the
// all-or-nothing writing of the files that belong together.
#include "exchange/shapefile.h"
#include "exchange/shapeprojection.h"

#include "exchangetestutil.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

namespace korvel {
namespace {

using test::GoldenPath;
using test::ReadAll;
using test::WithoutDate;
using test::WriteAll;

std::unique_ptr<CRing> Ring(std::initializer_list<WorldPoint> pts)
{
    auto ring = std::make_unique<CRing>();
    for (const WorldPoint& p : pts) ring->AddPoint(p);
    return ring;
}

// The three golden files, built through the public interface as the export does.
void BuildPoints(CShapeFile& f)
{
    CDBaseFile& t = f.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("NAME", 'C', 10, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("WERT", 'N', 8, 2)));
    ASSERT_EQ(f.AddShape(std::make_unique<CShapePoint>(0.0, 0.0)), 0);
    ASSERT_EQ(f.AddShape(std::make_unique<CShapePoint>(10.25, 52.75)), 1);
    t.SetText(0, 0, "Null");
    t.SetNumber(1, 0, 0.0);
    t.SetText(0, 1, QString::fromUtf8("Grün"));
    t.SetNumber(1, 1, -12.5);
}

void BuildLines(CShapeFile& f)
{
    CDBaseFile& t = f.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("ID", 'N', 4, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("OFFEN", 'L', 1, 0)));
    auto line = std::make_unique<CShapePolyLine>();
    ASSERT_TRUE(line->AddRing(Ring({{0, 0}, {1, 1}, {2, 0}})));
    ASSERT_TRUE(line->AddRing(Ring({{5, 5}, {6, 6.5}})));
    ASSERT_EQ(f.AddShape(std::move(line)), 0);
    auto stub = std::make_unique<CShapePolyLine>();
    ASSERT_TRUE(stub->AddRing(Ring({{7, 7}})));
    EXPECT_TRUE(stub->IsNull());
    ASSERT_EQ(f.AddShape(std::move(stub)), 1);
    t.SetNumber(0, 0, 1);
    t.SetLogical(1, 0, true);
    t.SetNumber(0, 1, 2);
    t.SetLogical(1, 1, false);
}

void BuildAreas(CShapeFile& f)
{
    CDBaseFile& t = f.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("NAME", 'C', 6, 0)));
    auto square = std::make_unique<CShapePolygon>();
    ASSERT_TRUE(square->AddRing(Ring({{0, 0}, {0, 10}, {10, 10}, {10, 0}})));  // closed on adding
    ASSERT_EQ(f.AddShape(std::move(square)), 0);
    auto yard = std::make_unique<CShapePolygon>();
    ASSERT_TRUE(yard->AddRing(Ring({{20, 0}, {20, 4}, {24, 4}, {24, 0}, {20, 0}})));
    ASSERT_TRUE(yard->AddRing(Ring({{21, 1}, {23, 1}, {23, 3}, {21, 3}, {21, 1}})));
    ASSERT_EQ(f.AddShape(std::move(yard)), 1);
    t.SetText(0, 0, "Wiese");
    t.SetText(0, 1, "Hof");
}

struct GoldenCase {
    const char* name;
    int32_t type;
    void (*build)(CShapeFile&);
    qsizetype shpSize;
};
const GoldenCase kGolden[] = {
    {"points", SHPT_POINT, BuildPoints, 156},
    {"lines", SHPT_POLYLINE, BuildLines, 252},
    {"areas", SHPT_POLYGON, BuildAreas, 456},
};

TEST(ShapeFileTest, WritesTheGoldenTriples)
{
    QTemporaryDir dir;
    for (const GoldenCase& g : kGolden) {
        SCOPED_TRACE(g.name);
        CShapeFile file(g.type);
        g.build(file);
        const QString path = dir.filePath(QString::fromLatin1(g.name) + ".shp");
        ASSERT_TRUE(file.Write(path));
        const QByteArray shp = ReadAll(path);
        EXPECT_EQ(shp.size(), g.shpSize);
        EXPECT_EQ(shp.toHex(' '), ReadAll(GoldenPath(QString::fromLatin1(g.name) + ".shp")).toHex(' '));
        const QByteArray shx = ReadAll(CShapeFile::SiblingPath(path, "shx"));
        EXPECT_EQ(shx.size(), 100 + 8 * 2);
        EXPECT_EQ(shx.toHex(' '), ReadAll(GoldenPath(QString::fromLatin1(g.name) + ".shx")).toHex(' '));
        const QByteArray dbf = ReadAll(CShapeFile::SiblingPath(path, "dbf"));
        EXPECT_EQ(WithoutDate(dbf).toHex(' '), ReadAll(GoldenPath(QString::fromLatin1(g.name) + ".dbf")).toHex(' '));
        EXPECT_EQ(ReadAll(CShapeFile::SiblingPath(path, "cpg")), "1252");
        EXPECT_FALSE(QFile::exists(CShapeFile::SiblingPath(path, "prj")));
        EXPECT_EQ(file.m_strTitle, QString::fromLatin1(g.name));
        // Nothing but the five files is left in the folder.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(g.name).size(), 4);
    }
}

TEST(ShapeFileTest, ReadsTheGoldenTriples)
{
    CShapeFile points;
    ASSERT_TRUE(points.Read(GoldenPath("points.shp"))) << points.GetError();
    ASSERT_EQ(points.GetShapeCount(), 2u);
    auto* p = dynamic_cast<CShapePoint*>(points.GetShape(1));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_dX, 10.25);
    EXPECT_EQ(p->m_dY, 52.75);
    QString name, value;
    points.GetTable().GetValueAsText(0, 1, name);
    points.GetTable().GetValueAsText(1, 1, value);
    EXPECT_EQ(name, QString::fromUtf8("Grün"));
    EXPECT_EQ(value, "-12.50");
    EXPECT_EQ(points.GetBounds(), (WorldRect{0, 0, 10.25, 52.75}));

    CShapeFile lines;
    ASSERT_TRUE(lines.Read(GoldenPath("lines.shp"))) << lines.GetError();
    ASSERT_EQ(lines.GetShapeCount(), 2u);
    auto* l = dynamic_cast<CShapePolyLine*>(lines.GetShape(0));
    ASSERT_EQ(l->GetRingCount(), 2u);
    EXPECT_EQ(l->GetRing(1)->GetPoints(), (std::vector<WorldPoint>{{5, 5}, {6, 6.5}}));
    EXPECT_EQ(l->GetBounds(), (WorldRect{0, 0, 6, 6.5}));
    EXPECT_TRUE(lines.GetShape(1)->IsNull());  // the null record stands as an empty polyline

    CShapeFile areas;
    ASSERT_TRUE(areas.Read(GoldenPath("areas.shp"))) << areas.GetError();
    auto* square = dynamic_cast<CShapePolygon*>(areas.GetShape(0));
    ASSERT_EQ(square->GetRingCount(), 1u);
    EXPECT_EQ(square->GetRing(0)->GetCount(), 5u);
    EXPECT_DOUBLE_EQ(square->GetRing(0)->m_dArea, 100.0);
    auto* yard = dynamic_cast<CShapePolygon*>(areas.GetShape(1));
    ASSERT_EQ(yard->GetRingCount(), 2u);
    EXPECT_DOUBLE_EQ(yard->GetRing(0)->m_dArea, 16.0);
    EXPECT_DOUBLE_EQ(yard->GetRing(1)->m_dArea, -4.0);
}

TEST(ShapeFileTest, PolygonRingsAreReorderedInOnePass)
{
    // Clockwise rectangles of area 1, 2 and 3 come back as 2, 3, 1.
    auto rect = [](double w) { return Ring({{0, 0}, {0, 1}, {w, 1}, {w, 0}}); };
    CShapeFile out(SHPT_POLYGON);
    auto polygon = std::make_unique<CShapePolygon>();
    for (double w : {1.0, 2.0, 3.0}) ASSERT_TRUE(polygon->AddRing(rect(w)));
    ASSERT_EQ(out.AddShape(std::move(polygon)), 0);
    QByteArray shp, shx, dbf;
    QBuffer bs(&shp), bx(&shx), bd(&dbf);
    bs.open(QIODevice::WriteOnly);
    bx.open(QIODevice::WriteOnly);
    bd.open(QIODevice::WriteOnly);
    ASSERT_TRUE(out.Write(bs, bx, bd));
    bs.close();
    bd.close();
    bs.open(QIODevice::ReadOnly);
    bd.open(QIODevice::ReadOnly);
    CShapeFile in;
    ASSERT_TRUE(in.Read(bs, &bd));
    auto* back = dynamic_cast<CShapePolygon*>(in.GetShape(0));
    ASSERT_EQ(back->GetRingCount(), 3u);
    EXPECT_DOUBLE_EQ(back->GetRing(0)->m_dArea, 2.0);
    EXPECT_DOUBLE_EQ(back->GetRing(1)->m_dArea, 3.0);
    EXPECT_DOUBLE_EQ(back->GetRing(2)->m_dArea, 1.0);
}

TEST(ShapeFileTest, AddShapeAndAddRingRules)
{
    CShapeFile file(SHPT_POLYLINE);
    EXPECT_EQ(file.AddShape(nullptr), 0);
    EXPECT_EQ(file.AddShape(std::make_unique<CShapePoint>(1, 2)), -1);
    EXPECT_EQ(file.AddShape(std::make_unique<CShapePolygon>()), -1);
    EXPECT_EQ(file.GetShapeCount(), 0u);
    EXPECT_EQ(file.GetTable().GetRecordCount(), 0u);

    CShapePolyLine line;
    EXPECT_FALSE(line.AddRing(std::make_unique<CRing>()));
    EXPECT_TRUE(line.IsNull());
    EXPECT_EQ(line.GetStoredType(), SHPT_NULL);
    ASSERT_TRUE(line.AddRing(Ring({{0, 0}, {1, 0}, {1, 1}})));
    EXPECT_EQ(line.GetRing(0)->GetCount(), 3u);  // polylines stay open
    EXPECT_EQ(line.GetStoredType(), SHPT_POLYLINE);

    CShapePolygon area;
    ASSERT_TRUE(area.AddRing(Ring({{3, 3}})));
    EXPECT_EQ(area.GetRing(0)->GetCount(), 1u);  // a single point is its own closure
    EXPECT_TRUE(area.IsNull());                  // too few points for an area
    ASSERT_TRUE(area.AddRing(Ring({{0, 0}, {1, 0}})));
    EXPECT_EQ(area.GetRing(1)->GetCount(), 3u);  // closed: (0,0) repeated
    ASSERT_TRUE(area.AddRing(Ring({{5, 5}, {6, 5}, {6, 6}, {5, 5}})));
    EXPECT_EQ(area.GetRing(2)->GetCount(), 4u);  // already closed
    EXPECT_EQ(area.GetPointCount(), 8u);
    EXPECT_FALSE(area.IsNull());
}

TEST(ShapeFileTest, SiblingPathsAndTitle)
{
    EXPECT_EQ(CShapeFile::SiblingPath("/a.b/Wege.SHP", "dbf"), "/a.b/Wege.dbf");
    EXPECT_EQ(CShapeFile::SiblingPath("/a.b/Wege", "shx"), "/a.b/Wege.shx");
    EXPECT_EQ(CShapeFile::SiblingPath("x.tar.shp", "prj"), "x.tar.prj");

    QTemporaryDir dir;
    CShapeFile file(SHPT_POINT);
    ASSERT_TRUE(file.Write(dir.filePath("eins.shp")));
    EXPECT_EQ(file.m_strTitle, "eins");
    ASSERT_TRUE(file.Write(dir.filePath("zwei.shp")));
    EXPECT_EQ(file.m_strTitle, "zwei");  // followed the path
    file.m_strTitle = "Mein Titel";
    ASSERT_TRUE(file.Write(dir.filePath("drei.shp")));
    EXPECT_EQ(file.m_strTitle, "Mein Titel");
    EXPECT_EQ(file.m_strPath, dir.filePath("drei.shp"));
}

// Reads `shp` with the golden table of the same kind and returns the code.
uint16_t ReadCode(QByteArray shp, QByteArray dbf)
{
    QBuffer bs(&shp), bd(&dbf);
    bs.open(QIODevice::ReadOnly);
    bd.open(QIODevice::ReadOnly);
    CShapeFile file;
    const bool ok = file.Read(bs, &bd);
    EXPECT_EQ(ok, file.GetError() == EXCH_OK);
    return file.GetError();
}

void PutBE(QByteArray& b, int offset, int32_t v) { qToBigEndian<int32_t>(v, b.data() + offset); }
void PutLE(QByteArray& b, int offset, int32_t v) { qToLittleEndian<int32_t>(v, b.data() + offset); }

TEST(ShapeFileTest, ReaderReportsEveryDamage)
{
    const QByteArray points = ReadAll(GoldenPath("points.shp"));
    const QByteArray pointsDbf = ReadAll(GoldenPath("points.dbf"));
    const QByteArray lines = ReadAll(GoldenPath("lines.shp"));
    const QByteArray linesDbf = ReadAll(GoldenPath("lines.dbf"));
    ASSERT_FALSE(points.isEmpty());
    // Offsets in lines.shp: record 1 header at 100, its content at 108 (type, box, parts at
    // 144, points at 148, part starts at 152 and 156).
    auto edit = [](QByteArray b, auto change) {
        change(b);
        return b;
    };
    QByteArray emptyTable = pointsDbf;
    emptyTable[4] = 0;
    emptyTable.truncate(32 + 64 + 1);
    QByteArray headerOnly = points.left(100);
    PutBE(headerOnly, 24, 50);

    struct Row {
        const char* what;
        QByteArray shp, dbf;
        uint16_t code;
    };
    const Row rows[] = {
        {"golden points", points, pointsDbf, EXCH_OK},
        {"header only, empty table", headerOnly, emptyTable, EXCH_OK},
        {"empty file", QByteArray(), pointsDbf, EXCH_NOT_SHAPEFILE},
        {"short file without file code", QByteArray("\x00\x00", 2), pointsDbf, EXCH_NOT_SHAPEFILE},
        {"header cut short", points.left(60), pointsDbf, EXCH_DAMAGED},
        {"file code", edit(points, [](QByteArray& b) { PutBE(b, 0, 9995); }), pointsDbf, EXCH_NOT_SHAPEFILE},
        {"version", edit(points, [](QByteArray& b) { PutLE(b, 28, 1001); }), pointsDbf, EXCH_BAD_VERSION},
        {"multipoint type", edit(points, [](QByteArray& b) { PutLE(b, 32, 8); }), pointsDbf,
         EXCH_BAD_SHAPE_TYPE},
        {"pointz type", edit(points, [](QByteArray& b) { PutLE(b, 32, 11); }), pointsDbf, EXCH_BAD_SHAPE_TYPE},
        {"record numbers 1, 3", edit(points, [](QByteArray& b) { PutBE(b, 128, 3); }), pointsDbf, EXCH_DAMAGED},
        {"file length beyond the file", edit(points, [](QByteArray& b) { PutBE(b, 24, 200); }), pointsDbf,
         EXCH_DAMAGED},
        {"file length below the header", edit(points, [](QByteArray& b) { PutBE(b, 24, 10); }), pointsDbf,
         EXCH_DAMAGED},
        {"file length in the middle of a record", edit(points, [](QByteArray& b) { PutBE(b, 24, 70); }),
         pointsDbf, EXCH_DAMAGED},
        {"file length ends after the first record", edit(points, [](QByteArray& b) { PutBE(b, 24, 64); }),
         pointsDbf, EXCH_COUNT_MISMATCH},
        {"content length beyond the file", edit(points, [](QByteArray& b) { PutBE(b, 104, 0x7FFFFFF0); }),
         pointsDbf, EXCH_DAMAGED},
        {"content length negative", edit(points, [](QByteArray& b) { PutBE(b, 104, -2); }), pointsDbf,
         EXCH_DAMAGED},
        {"point content of 12 words", edit(points, [](QByteArray& b) {
             PutBE(b, 104, 12);
             PutBE(b, 24, 80);
             b.insert(128, QByteArray(4, '\0'));
         }),
         pointsDbf, EXCH_DAMAGED},
        {"point of another stored type", edit(points, [](QByteArray& b) { PutLE(b, 108, 3); }), pointsDbf,
         EXCH_DAMAGED},
        {"truncated file", points.left(140), pointsDbf, EXCH_DAMAGED},
        {"golden lines", lines, linesDbf, EXCH_OK},
        {"polyline stored as polygon", edit(lines, [](QByteArray& b) { PutLE(b, 108, 5); }), linesDbf,
         EXCH_DAMAGED},
        {"part starts not ascending", edit(lines, [](QByteArray& b) { PutLE(b, 156, 0); }), linesDbf,
         EXCH_DAMAGED},
        {"first part not at 0", edit(lines, [](QByteArray& b) { PutLE(b, 152, 1); }), linesDbf, EXCH_DAMAGED},
        {"part start past the points", edit(lines, [](QByteArray& b) { PutLE(b, 156, 5); }), linesDbf,
         EXCH_DAMAGED},
        {"huge part count", edit(lines, [](QByteArray& b) { PutLE(b, 144, 0x7FFFFFFF); }), linesDbf,
         EXCH_DAMAGED},
        {"huge point count", edit(lines, [](QByteArray& b) { PutLE(b, 148, 0x7FFFFFFF); }), linesDbf,
         EXCH_DAMAGED},
        {"negative point count", edit(lines, [](QByteArray& b) { PutLE(b, 148, -1); }), linesDbf, EXCH_DAMAGED},
        {"more points than the content holds", edit(lines, [](QByteArray& b) { PutLE(b, 148, 6); }), linesDbf,
         EXCH_DAMAGED},
        {"table with fewer records", points, edit(pointsDbf, [](QByteArray& b) {
             b[4] = 1;
             b.remove(32 + 64 + 1 + 19, 19);
         }),
         EXCH_COUNT_MISMATCH},
        {"damaged table", points, pointsDbf.left(50), EXCH_NO_TABLE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ReadCode(r.shp, r.dbf), r.code);
    }
}

TEST(ShapeFileTest, OpeningErrorsAndCompanions)
{
    QTemporaryDir dir;
    CShapeFile file;
    EXPECT_FALSE(file.Read(dir.filePath("fehlt.shp")));
    EXPECT_EQ(file.GetError(), EXCH_NOT_FOUND);
    ASSERT_TRUE(QDir(dir.path()).mkdir("ordner.shp"));
    EXPECT_FALSE(file.Read(dir.filePath("ordner.shp")));
    EXPECT_EQ(file.GetError(), EXCH_CANNOT_OPEN);

    // A main file without its table.
    ASSERT_TRUE(WriteAll(dir.filePath("allein.shp"), ReadAll(GoldenPath("points.shp"))));
    EXPECT_FALSE(file.Read(dir.filePath("allein.shp")));
    EXPECT_EQ(file.GetError(), EXCH_NO_TABLE);

    // Names from a case-insensitive file system: WEGE.SHP with WEGE.DBF.
    ASSERT_TRUE(WriteAll(dir.filePath("WEGE.SHP"), ReadAll(GoldenPath("lines.shp"))));
    ASSERT_TRUE(WriteAll(dir.filePath("WEGE.DBF"), ReadAll(GoldenPath("lines.dbf"))));
    EXPECT_TRUE(file.Read(dir.filePath("WEGE.SHP"))) << file.GetError();
    ASSERT_TRUE(WriteAll(dir.filePath("Mixed.shp"), ReadAll(GoldenPath("lines.shp"))));
    ASSERT_TRUE(WriteAll(dir.filePath("Mixed.Dbf"), ReadAll(GoldenPath("lines.dbf"))));
    EXPECT_TRUE(file.Read(dir.filePath("Mixed.shp"))) << file.GetError();
}

TEST(ShapeFileTest, CpgDecidesTheTableCodePage)
{
    QTemporaryDir dir;
    CShapeFile out(SHPT_POINT);
    out.GetTable().SetCodePage(TableCodePage::Utf8);
    CDBaseFile& t = out.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField(QString::fromUtf8("STRAßE"), 'C', 20, 0)));
    ASSERT_EQ(out.AddShape(std::make_unique<CShapePoint>(1, 2)), 0);
    t.SetText(0, 0, QString::fromUtf8("Mühlenweg €"));
    const QString path = dir.filePath("utf8.shp");
    ASSERT_TRUE(out.Write(path));
    EXPECT_EQ(ReadAll(dir.filePath("utf8.cpg")), "UTF-8");

    CShapeFile in;
    ASSERT_TRUE(in.Read(path));
    QString value;
    in.GetTable().GetValueAsText(0, 0, value);
    EXPECT_EQ(value, QString::fromUtf8("Mühlenweg €"));
    EXPECT_EQ(in.GetTable().GetField(0)->m_strName, QString::fromUtf8("STRAßE"));

    // Without the .cpg the same bytes are taken as Windows-1252.
    ASSERT_TRUE(QFile::remove(dir.filePath("utf8.cpg")));
    ASSERT_TRUE(in.Read(path));
    value.clear();
    in.GetTable().GetValueAsText(0, 0, value);
    EXPECT_EQ(value, QString::fromUtf8("MÃ¼hlenweg â‚¬"));
}

TEST(ShapeFileTest, WritingReplacesAllFilesOrNone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("alt.shp");
    // An older export in a projected system, with a spatial index.
    {
        CShapeFile old(SHPT_POINT);
        old.SetProjection(EsriWktForCoordSys(31467));
        ASSERT_EQ(old.AddShape(std::make_unique<CShapePoint>(3500000, 5500000)), 0);
        ASSERT_TRUE(old.Write(path));
        ASSERT_TRUE(WriteAll(dir.filePath("alt.qix"), "index"));
    }
    const QByteArray oldShp = ReadAll(path);
    EXPECT_TRUE(ReadAll(dir.filePath("alt.prj")).contains("Gauss_Kruger"));

    // A table that cannot be put in place (a folder holds its name): nothing changes.
    ASSERT_TRUE(QFile::rename(dir.filePath("alt.dbf"), dir.filePath("alt.dbf.keep")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("alt.dbf"));
    CShapeFile failing(SHPT_POINT);
    ASSERT_EQ(failing.AddShape(std::make_unique<CShapePoint>(1, 1)), 0);
    EXPECT_FALSE(failing.Write(path));
    EXPECT_EQ(failing.GetWriteFailure(), CShapeFile::WriteFailure::CannotWrite);
    EXPECT_EQ(failing.GetFailedPath(), dir.filePath("alt.dbf"));
    EXPECT_EQ(ReadAll(path), oldShp);
    EXPECT_TRUE(QFile::exists(dir.filePath("alt.prj")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".tmp").isEmpty());

    // The new export in the local system: the old .prj and index would now lie.
    ASSERT_TRUE(QDir(dir.path()).rmdir("alt.dbf"));
    ASSERT_TRUE(failing.Write(path));
    EXPECT_NE(ReadAll(path), oldShp);
    EXPECT_FALSE(QFile::exists(dir.filePath("alt.prj")));
    EXPECT_FALSE(QFile::exists(dir.filePath("alt.qix")));

    // A folder that does not exist: the main file cannot be created.
    CShapeFile nowhere(SHPT_POINT);
    EXPECT_FALSE(nowhere.Write(dir.filePath("fehlt/x.shp")));
    EXPECT_EQ(nowhere.GetWriteFailure(), CShapeFile::WriteFailure::CannotCreate);
    EXPECT_EQ(nowhere.GetFailedPath(), dir.filePath("fehlt/x.shp"));
}

TEST(ShapeFileTest, ProjectionTexts)
{
    struct Row {
        int32_t crs;
        const char* name;
        const char* falseEasting;
        const char* meridian;
    };
    const Row rows[] = {
        {31466, "DHDN_3_Degree_Gauss_Kruger_Zone_2", "2500000.0", "6.0"},
        {31469, "DHDN_3_Degree_Gauss_Kruger_Zone_5", "5500000.0", "15.0"},
        {25832, "ETRS_1989_UTM_Zone_N32", "32500000.0", "9.0"},
        {25833, "ETRS_1989_UTM_Zone_N33", "33500000.0", "15.0"},
        {325832, "ETRS_1989_UTM_Zone_32N_7stellig", "2500000.0", "9.0"},
        {325833, "ETRS_1989_UTM_Zone_33N_7stellig", "3500000.0", "15.0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.crs);
        const QByteArray wkt = EsriWktForCoordSys(r.crs);
        EXPECT_TRUE(wkt.startsWith(QByteArray("PROJCS[\"") + r.name + "\""));
        EXPECT_TRUE(wkt.contains(QByteArray("PARAMETER[\"False_Easting\",") + r.falseEasting + "]"));
        EXPECT_TRUE(wkt.contains(QByteArray("PARAMETER[\"Central_Meridian\",") + r.meridian + "]"));
    }
    EXPECT_TRUE(EsriWktForCoordSys(4326).startsWith("GEOGCS[\"GCS_WGS_1984\""));
    EXPECT_EQ(EsriWktForCoordSys(900913), EsriWktForCoordSys(4326));
    EXPECT_TRUE(EsriWktForCoordSys(0).isEmpty());
    EXPECT_TRUE(EsriWktForCoordSys(12345).isEmpty());
}

}  // namespace
}  // namespace korvel
