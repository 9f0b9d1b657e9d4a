// Interoperability with GDAL: files we write are read by ogrinfo with the expected geometry,
// attributes and coordinate system; files ogr2ogr writes are read by us.
#include "exchange/shapeexchange.h"
#include "exchange/shapefile.h"
#include "exchange/shapeprojection.h"

#include "crs/transform.h"
#include "model/glist.h"
#include "model/gpoint.h"

#include "exchangetestutil.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace korvel {
namespace {

using test::WriteAll;

// Runs a GDAL tool; the output, or a null array when the tool failed.
QByteArray RunTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable(tool), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

class GdalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("ogrinfo").isEmpty() || QStandardPaths::findExecutable("ogr2ogr").isEmpty())
            GTEST_SKIP() << "GDAL command-line tools are not installed";
        ASSERT_TRUE(m_dir.isValid());
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

std::unique_ptr<CRing> Ring(std::initializer_list<WorldPoint> pts)
{
    auto ring = std::make_unique<CRing>();
    for (const WorldPoint& p : pts) ring->AddPoint(p);
    return ring;
}

TEST_F(GdalTest, OgrinfoReadsOurPoints)
{
    CShapeFile file(SHPT_POINT);
    file.SetProjection(EsriWktForCoordSys(31467));
    CDBaseFile& t = file.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("PTNR", 'C', 20, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("RECHTS", 'N', 16, 3)));
    ASSERT_TRUE(t.AppendField(t.CreateField("MESSUNG", 'L', 1, 0)));
    ASSERT_EQ(file.AddShape(std::make_unique<CShapePoint>(3500000.125, 5540000.5)), 0);
    ASSERT_EQ(file.AddShape(std::make_unique<CShapePoint>(3501000, 5541000)), 1);
    t.SetText(0, 0, QString::fromUtf8("Grenzstein Süd"));
    t.SetNumber(1, 0, 3500000.125);
    t.SetLogical(2, 0, true);
    t.SetText(0, 1, "B");
    ASSERT_TRUE(file.Write(Path("punkte.shp")));

    const QString out = QString::fromUtf8(RunTool("ogrinfo", {"-al", "-ro", Path("punkte.shp")}));
    EXPECT_TRUE(out.contains("Feature Count: 2")) << out.toStdString();
    EXPECT_TRUE(out.contains("Extent: (3500000.125000, 5540000.500000) - (3501000.000000, 5541000.000000)"));
    EXPECT_TRUE(out.contains(QString::fromUtf8("PTNR (String) = Grenzstein Süd"))) << out.toStdString();
    EXPECT_TRUE(out.contains("RECHTS (Real) = 3500000.125"));
    EXPECT_TRUE(out.contains("POINT (3500000.125 5540000.5)"));
    EXPECT_TRUE(out.contains("POINT (3501000 5541000)"));
    // The .prj names the Gauss-Krüger zone with its prefixed false easting.
    EXPECT_TRUE(out.contains("DHDN") && out.contains("3500000")) << out.toStdString();
}

TEST_F(GdalTest, OgrinfoReadsOurLinesAndAreas)
{
    CShapeFile lines(SHPT_POLYLINE);
    lines.SetProjection(EsriWktForCoordSys(4326));
    auto line = std::make_unique<CShapePolyLine>();
    ASSERT_TRUE(line->AddRing(Ring({{9.5, 52.25}, {9.75, 52.5}, {10, 52.25}})));
    ASSERT_EQ(lines.AddShape(std::move(line)), 0);
    ASSERT_TRUE(lines.Write(Path("wege.shp")));
    QByteArray out = RunTool("ogrinfo", {"-al", "-ro", Path("wege.shp")});
    EXPECT_TRUE(out.contains("LINESTRING (9.5 52.25,9.75 52.5,10.0 52.25)")) << out.toStdString();
    EXPECT_TRUE(out.contains("WGS")) << out.toStdString();

    CShapeFile areas(SHPT_POLYGON);
    areas.SetProjection(EsriWktForCoordSys(25832));
    CDBaseFile& t = areas.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("FLAECHE", 'N', 16, 4)));
    auto area = std::make_unique<CShapePolygon>();
    ASSERT_TRUE(area->AddRing(Ring({{32500000, 5500000}, {32500000, 5500100}, {32500100, 5500100},
                                    {32500100, 5500000}})));
    ASSERT_TRUE(area->AddRing(Ring({{32500010, 5500010}, {32500020, 5500010}, {32500020, 5500020},
                                    {32500010, 5500020}})));
    ASSERT_EQ(areas.AddShape(std::move(area)), 0);
    t.SetNumber(0, 0, 0.99);
    ASSERT_TRUE(areas.Write(Path("flaechen.shp")));
    out = RunTool("ogrinfo", {"-al", "-ro", Path("flaechen.shp")});
    EXPECT_TRUE(out.contains("POLYGON ((32500000 5500000,32500000 5500100,32500100 5500100,32500100 5500000,"
                             "32500000 5500000),(32500010 5500010,32500020 5500010,32500020 5500020,"
                             "32500010 5500020,32500010 5500010))"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("FLAECHE (Real) = 0.9900"));
    EXPECT_TRUE(out.contains("UTM zone 32N")) << out.toStdString();
}

// Each .prj must describe the coordinates as written: GDAL converts a point written in each
// system back to the WGS84 position it came from.
TEST_F(GdalTest, ProjectionFilesPlaceTheDataCorrectly)
{
    struct Row {
        int32_t crs;
        double lon, lat;
        double toleranceDeg;  // Gauss-Krüger: PROJ's DHDN datum shift differs by a few metres
    };
    const Row rows[] = {
        {4326, 9.5, 51.0, 1e-9},     {900913, 9.5, 51.0, 1e-9},   {31466, 6.5, 51.0, 2e-4},
        {31467, 9.5, 51.0, 2e-4},    {31468, 12.5, 51.0, 2e-4},   {31469, 15.5, 51.0, 2e-4},
        {25832, 9.5, 51.0, 1e-6},    {25833, 15.5, 51.0, 1e-6},   {325832, 9.5, 51.0, 1e-6},
        {325833, 15.5, 51.0, 1e-6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.crs);
        // Web-mercator documents are exported in degrees, so the point stays geographic.
        const int32_t written = r.crs == CRS_WEBMERCATOR ? CRS_WGS84 : r.crs;
        WorldPoint pt{r.lon, r.lat};
        CoordTransform params{1, CRS_WGS84, written};
        ASSERT_TRUE(TransformPoint(&pt, &params));
        CShapeFile file(SHPT_POINT);
        file.SetProjection(EsriWktForCoordSys(r.crs));
        ASSERT_EQ(file.AddShape(std::make_unique<CShapePoint>(pt.x, pt.y)), 0);
        const QString path = Path(QString("p%1.shp").arg(r.crs));
        ASSERT_TRUE(file.Write(path));
        const QByteArray csv = RunTool("ogr2ogr", {"-f", "CSV", "/vsistdout/", path, "-t_srs", "EPSG:4326",
                                                   "-lco", "GEOMETRY=AS_XY"});
        const QList<QByteArray> lines = csv.trimmed().split('\n');
        ASSERT_EQ(lines.size(), 2) << csv.toStdString();
        const QList<QByteArray> xy = lines[1].trimmed().split(',');
        ASSERT_GE(xy.size(), 2);
        EXPECT_NEAR(xy[0].toDouble(), r.lon, r.toleranceDeg);
        EXPECT_NEAR(xy[1].toDouble(), r.lat, r.toleranceDeg);
    }
}

TEST_F(GdalTest, WeReadWhatOgr2ogrWrites)
{
    ASSERT_TRUE(WriteAll(Path("in.geojson"), R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"Grünfläche","flaeche":12.5,"nr":7},
 "geometry":{"type":"Polygon","coordinates":[[[0,0],[4,0],[4,4],[0,4],[0,0]],[[1,1],[1,2],[2,2],[2,1],[1,1]]]}},
{"type":"Feature","properties":{"name":"Acker","flaeche":null,"nr":8},
 "geometry":{"type":"Polygon","coordinates":[[[10,10],[11,10],[11,11],[10,10]]]}}
]})"));
    struct Variant {
        const char* name;
        QStringList options;
    };
    const Variant variants[] = {{"latin1", {}}, {"utf8", {"-lco", "ENCODING=UTF-8"}}};
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const QString shp = Path(QString::fromLatin1(v.name) + ".shp");
        RunTool("ogr2ogr", QStringList{"-f", "ESRI Shapefile"} + v.options + QStringList{shp, Path("in.geojson")});
        CShapeFile file;
        ASSERT_TRUE(file.Read(shp)) << file.GetError();
        ASSERT_EQ(file.GetShapeCount(), 2u);
        CDBaseFile& t = file.GetTable();
        const int name = t.FindField("NAME"), area = t.FindField("flaeche"), nr = t.FindField("nr");
        ASSERT_GE(name, 0);
        ASSERT_GE(area, 0);
        ASSERT_GE(nr, 0);
        QString text, number, count, missing = "leer";
        t.GetValueAsText(name, 0, text);
        t.GetValueAsText(area, 0, number);
        t.GetValueAsText(nr, 1, count);
        t.GetValueAsText(area, 1, missing);
        EXPECT_EQ(text, QString::fromUtf8("Grünfläche"));
        EXPECT_TRUE(number.startsWith("12.5")) << number.toStdString();
        EXPECT_EQ(count, "8");
        EXPECT_EQ(missing, "leer");  // a null number is blank in the table

        auto* polygon = dynamic_cast<CShapePolygon*>(file.GetShape(0));
        ASSERT_EQ(polygon->GetRingCount(), 2u);
        // GDAL writes the outer ring clockwise: positive area, first after reading.
        EXPECT_DOUBLE_EQ(polygon->GetRing(0)->m_dArea, 16.0);
        EXPECT_DOUBLE_EQ(polygon->GetRing(1)->m_dArea, -1.0);
        EXPECT_EQ(file.GetBounds(), (WorldRect{0, 0, 11, 11}));
    }
}

// Attribute names that share their first ten characters and numbers too wide for their field,
// through the export: ogrinfo finds every value in its own field, and a number that did not
// fit as no value rather than as another number.
TEST_F(GdalTest, OgrinfoReadsEveryExportedValueInItsOwnField)
{
    GList root;
    auto* a = new GPoint(WorldPoint{3500000, 5500000});
    a->SetInfo("BESCHREIBUNG", "Eiche", INFO_TEXT);
    a->SetInfo("BESCHREIBUNG2", "Linde", INFO_TEXT);
    a->SetInfo("HOEHE", "123456.78", 0x0205);
    root.AddTail(a);
    auto* b = new GPoint(WorldPoint{3500010, 5500010});
    b->SetInfo("BESCHREIBUNG2", "Buche", INFO_TEXT);
    b->SetInfo("HOEHE", "123.456", 0x0205);
    root.AddTail(b);
    size_t overflowing = 0;
    ASSERT_EQ(ExportShapes(&root, 31467, SHPT_POINT, Path("baeume.shp"), nullptr, &overflowing),
              ShapeExportStatus::Written);
    EXPECT_EQ(overflowing, 1u);

    const QString out = QString::fromUtf8(RunTool("ogrinfo", {"-al", "-ro", Path("baeume.shp")}));
    const QStringList features = out.split("OGRFeature(baeume):");
    ASSERT_EQ(features.size(), 3) << out.toStdString();
    EXPECT_TRUE(features[1].contains("BESCHREIBU (String) = Eiche")) << out.toStdString();
    EXPECT_TRUE(features[1].contains("BESCHREI_1 (String) = Linde")) << out.toStdString();
    EXPECT_TRUE(features[1].contains("HOEHE (Real) = (null)")) << out.toStdString();
    EXPECT_TRUE(features[2].contains("BESCHREIBU (String) = (null)")) << out.toStdString();
    EXPECT_TRUE(features[2].contains("BESCHREI_1 (String) = Buche")) << out.toStdString();
    EXPECT_TRUE(features[2].contains("HOEHE (Real) = 123.5")) << out.toStdString();
    EXPECT_FALSE(out.contains("Warning") || out.contains("ERROR")) << out.toStdString();
}

// Dates as GDAL writes them: a missing date gives no attribute, a real one its eight digits.
TEST_F(GdalTest, NullDatesFromOgr2ogrGiveNoAttribute)
{
    ASSERT_TRUE(WriteAll(Path("d.geojson"), R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"datum":"2024-03-01"},"geometry":{"type":"Point","coordinates":[9.5,51.0]}},
{"type":"Feature","properties":{"datum":null},"geometry":{"type":"Point","coordinates":[9.6,51.1]}}
]})"));
    RunTool("ogr2ogr", {"-f", "ESRI Shapefile", Path("d.shp"), Path("d.geojson")});
    GList root;
    int32_t sys = 31467;
    ShapeImportTarget target{&root, &sys, [&root](GObj* o) { return root.AddTail(o); }};
    ASSERT_EQ(ImportShapeFile(Path("d.shp"), target), EXCH_OK);
    ASSERT_EQ(root.GetCount(), 2u);
    const GObj* first = GList::MemberAt(root.m_list.GetHeadPosition());
    const GObj* second = GList::MemberAt(root.m_list.GetTailPosition());
    ASSERT_NE(first->FindInfo("datum"), nullptr);
    EXPECT_EQ(first->FindInfo("datum")->Value(), "20240301");
    EXPECT_EQ(second->FindInfo("datum"), nullptr);
}

}  // namespace
}  // namespace korvel
