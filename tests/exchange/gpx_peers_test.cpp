// GPX files between us and the programs surveyors meet: what gpsbabel and GDAL's ogr2ogr write
// comes in with the right objects, and what we write is read by ogrinfo and gpsbabel with the
// same coordinates and names. Skipped, with a note, where a tool is not installed.
#include "exchange/gpxexchange.h"

#include "exchangetestutil.h"
#include "support/documentcontent.h"

#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace korvel {
namespace {

using test::InfoText;
using test::ObjectsOfType;

struct ToolResult {
    bool ok = false;
    QByteArray out;
    QByteArray err;
};

ToolResult RunTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable(tool), args);
    ToolResult r;
    r.ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

#define REQUIRE_TOOL(tool, package)                                                                        \
    if (QStandardPaths::findExecutable(tool).isEmpty())                                                    \
    GTEST_SKIP() << tool << " is not installed (Debian package " package "); peer test skipped"

std::vector<std::vector<WorldPoint>> RingsOf(const GObj& obj)
{
    std::vector<std::vector<WorldPoint>> rings;
    const auto& line = static_cast<const GPolyline&>(obj);
    for (GObList::Position pos = line.m_pRings->GetHeadPosition(); pos;) {
        const GRing* ring = GPolyline::RingAt(pos);
        GObList::GetNext(pos);
        rings.emplace_back(ring->Points().begin(), ring->Points().end());
    }
    return rings;
}

// Every "x y" pair of numbers in a WKT text, in order.
std::vector<WorldPoint> WktPoints(const QString& wkt)
{
    std::vector<WorldPoint> points;
    static const QRegularExpression pair(QStringLiteral("(-?[0-9.]+) (-?[0-9.]+)"));
    for (auto it = pair.globalMatch(wkt); it.hasNext();) {
        const auto m = it.next();
        points.push_back({m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return points;
}

class GpxPeerTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(GpxPeerTest, FilesWrittenByGpsbabelComeInWithTheRightObjects)
{
    REQUIRE_TOOL("gpsbabel", "gpsbabel");
    // gpsbabel reads its own CSV and writes GPX 1.1 with its metadata, bounds and comments.
    ASSERT_TRUE(test::WriteAll(Path("punkte.csv"), "Latitude,Longitude,Name,Altitude\n"
                                                   "50.1234567,9.7654321,Eiche,112.5\n"
                                                   "-33.5,-70.25,Pfahl 7,\n"));
    ToolResult r = RunTool("gpsbabel", {"-i", "unicsv", "-f", Path("punkte.csv"), "-o", "gpx,gpxver=1.1", "-F",
                                        Path("punkte.gpx")});
    ASSERT_TRUE(r.ok) << r.err.toStdString();
    // Tracks: a GPX 1.0 file of ours with two segments, rewritten by gpsbabel.
    ASSERT_TRUE(test::WriteAll(Path("spur10.gpx"),
                               "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">"
                               "<trk><name>Runde</name><trkseg><trkpt lat=\"50.0\" lon=\"9.0\"/>"
                               "<trkpt lat=\"50.001\" lon=\"9.002\"/></trkseg><trkseg>"
                               "<trkpt lat=\"50.01\" lon=\"9.01\"/></trkseg></trk>"
                               "<rte><name>Zufahrt</name><rtept lat=\"51\" lon=\"10\"/><rtept lat=\"51.5\" lon=\"10.5\"/></rte>"
                               "</gpx>"));
    r = RunTool("gpsbabel", {"-t", "-r", "-i", "gpx", "-f", Path("spur10.gpx"), "-o", "gpx,gpxver=1.1", "-F",
                             Path("spur.gpx")});
    ASSERT_TRUE(r.ok) << r.err.toStdString();

    CKorvelDoc doc;
    doc.OnNewDocument(CRS_WGS84);
    for (const char* name : {"punkte.gpx", "spur.gpx"}) {
        const GpxImportResult result = ImportGpx(doc, Path(name));
        ASSERT_EQ(result.status, GpxImportStatus::Imported)
            << name << ": " << GpxErrorMessage(name, result.error).toStdString();
    }
    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(InfoText(*points[0], "PTNR"), QStringLiteral("Eiche"));
    EXPECT_NEAR(points[0]->m_ptPos.x, 9.7654321, 1e-9);
    EXPECT_NEAR(points[0]->m_ptPos.y, 50.1234567, 1e-9);
    EXPECT_EQ(InfoText(*points[0], "ELE").toDouble(), 112.5);
    EXPECT_EQ(InfoText(*points[1], "PTNR"), QStringLiteral("Pfahl 7"));
    EXPECT_EQ(points[1]->m_ptPos, (WorldPoint{-70.25, -33.5}));

    const auto lines = ObjectsOfType(doc, GT_POLYLINE);
    ASSERT_EQ(lines.size(), 2u);
    const GObj* track = InfoText(*lines[0], "NAME") == QStringLiteral("Runde") ? lines[0] : lines[1];
    const GObj* route = track == lines[0] ? lines[1] : lines[0];
    EXPECT_EQ(InfoText(*track, "NAME"), QStringLiteral("Runde"));
    EXPECT_EQ(RingsOf(*track), (std::vector<std::vector<WorldPoint>>{{{9.0, 50.0}, {9.002, 50.001}}, {{9.01, 50.01}}}));
    EXPECT_EQ(InfoText(*route, "NAME"), QStringLiteral("Zufahrt"));
    EXPECT_EQ(RingsOf(*route), (std::vector<std::vector<WorldPoint>>{{{10.0, 51.0}, {10.5, 51.5}}}));
}

TEST_F(GpxPeerTest, FilesWrittenByOgr2ogrComeInWithTheRightObjects)
{
    REQUIRE_TOOL("ogr2ogr", "gdal-bin");
    ASSERT_TRUE(test::WriteAll(Path("punkte.geojson"),
                               R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"Grenzstein","desc":"S\u00fcd"},"geometry":{"type":"Point","coordinates":[13.123456789,52.5]}},
{"type":"Feature","properties":{"name":null},"geometry":{"type":"Point","coordinates":[-1.5,-2.25]}}]})"));
    ASSERT_TRUE(test::WriteAll(Path("spuren.geojson"),
                               R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"Runde"},"geometry":{"type":"MultiLineString","coordinates":[[[9,50],[9.5,50.5]],[[10,51],[10.5,51.5],[11,52]]]}}]})"));
    for (const char* name : {"punkte", "spuren"}) {
        const ToolResult r = RunTool("ogr2ogr", {"-f", "GPX", Path(QStringLiteral("%1.gpx").arg(QLatin1String(name))),
                                                 Path(QStringLiteral("%1.geojson").arg(QLatin1String(name)))});
        ASSERT_TRUE(r.ok) << r.err.toStdString();
    }

    CKorvelDoc doc;
    doc.OnNewDocument(CRS_WGS84);
    for (const char* name : {"punkte.gpx", "spuren.gpx"}) {
        const GpxImportResult result = ImportGpx(doc, Path(name));
        ASSERT_EQ(result.status, GpxImportStatus::Imported)
            << name << ": " << GpxErrorMessage(name, result.error).toStdString();
    }
    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(InfoText(*points[0], "PTNR"), QStringLiteral("Grenzstein"));
    EXPECT_EQ(InfoText(*points[0], "BESCHR"), QString::fromUtf8("Süd"));
    EXPECT_NEAR(points[0]->m_ptPos.x, 13.123456789, 1e-9);
    EXPECT_EQ(points[0]->m_ptPos.y, 52.5);
    EXPECT_EQ(InfoText(*points[1], "PTNR"), QString());
    EXPECT_EQ(points[1]->m_ptPos, (WorldPoint{-1.5, -2.25}));
    const auto lines = ObjectsOfType(doc, GT_POLYLINE);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(InfoText(*lines[0], "NAME"), QStringLiteral("Runde"));
    EXPECT_EQ(RingsOf(*lines[0]),
              (std::vector<std::vector<WorldPoint>>{{{9, 50}, {9.5, 50.5}}, {{10, 51}, {10.5, 51.5}, {11, 52}}}));
}

// A Gauss-Krüger document with named points, a line of two rings and an area, exported.
class OurExportTest : public GpxPeerTest {
protected:
    void SetUp() override
    {
        doc.OnNewDocument(31467);
        AddPoint({3500123.456, 5540234.567}, QString::fromUtf8("Grenzstein Süd & Co"));
        AddPoint({3499000.0, 5541000.0}, QStringLiteral("12"));
        auto path = std::make_unique<GPolyline>(Ring({{3500000.0, 5540000.0}, {3500100.0, 5540050.0}}));
        path->AddRing(Ring({{3500300.0, 5540000.0}, {3500400.0, 5540000.0}, {3500400.0, 5540100.0}}).release());
        path->SetInfo(QStringLiteral("NAME"), QStringLiteral("Feldweg"));
        Add(std::move(path));
        auto field = std::make_unique<GPolygon>(Ring({{3500000.0, 5540000.0}, {3500100.0, 5540000.0}, {3500100.0, 5540100.0}}));
        field->SetInfo(QStringLiteral("NAME"), QStringLiteral("Nordfeld"));
        Add(std::move(field));
        out = Path(QStringLiteral("aus.gpx"));
        ASSERT_EQ(ExportGpx(doc, out), GpxExportStatus::Written);
    }

    static std::unique_ptr<GRing> Ring(std::initializer_list<WorldPoint> points)
    {
        auto ring = std::make_unique<GRing>();
        for (const WorldPoint& p : points) ring->Add(p);
        return ring;
    }
    void Add(std::unique_ptr<GObj> obj)
    {
        obj->CalcBounds();
        ASSERT_TRUE(doc.AddObject(obj.get()));
        obj.release();
    }
    void AddPoint(WorldPoint p, const QString& name)
    {
        auto point = std::make_unique<GPoint>(p);
        point->SetInfo(QStringLiteral("PTNR"), name);
        Add(std::move(point));
        names << name;
        degrees.push_back(Degrees(p));
    }
    static WorldPoint Degrees(WorldPoint p)
    {
        CoordTransform params{1, 31467, CRS_WGS84};
        EXPECT_TRUE(TransformPoint(&p, &params));
        return p;
    }

    CKorvelDoc doc;
    QString out;
    QStringList names;
    std::vector<WorldPoint> degrees;
};

TEST_F(OurExportTest, OgrinfoReadsWaypointsAndTracks)
{
    REQUIRE_TOOL("ogrinfo", "gdal-bin");
    const ToolResult r = RunTool("ogrinfo", {"-ro", "-al", out});
    ASSERT_TRUE(r.ok) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("ERROR")) << r.err.toStdString();
    const QString text = QString::fromUtf8(r.out);
    // The layers and their counts, in the order ogrinfo lists them.
    static const QRegularExpression layer(QStringLiteral("Layer name: (\\w+)\\n(?:.*\\n)*?Feature Count: (\\d+)"));
    QStringList counts;
    for (auto it = layer.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        counts << m.captured(1) + QLatin1Char('=') + m.captured(2);
    }
    EXPECT_TRUE(counts.contains(QStringLiteral("waypoints=2"))) << counts.join(' ').toStdString();
    EXPECT_TRUE(counts.contains(QStringLiteral("tracks=2"))) << counts.join(' ').toStdString();
    EXPECT_TRUE(counts.contains(QStringLiteral("routes=0"))) << counts.join(' ').toStdString();

    // Waypoints: names and positions (ogrinfo prints 15 significant digits).
    static const QRegularExpression waypoint(
        QStringLiteral("OGRFeature\\(waypoints\\):\\d+\\n(?:.*\\n)*?  name \\(String\\) = (.*)\\n(?:.*\\n)*?  (POINT \\(.*\\))"));
    int i = 0;
    for (auto it = waypoint.globalMatch(text); it.hasNext(); ++i) {
        const auto m = it.next();
        ASSERT_LT(i, names.size());
        EXPECT_EQ(m.captured(1), names[i]);
        const auto p = WktPoints(m.captured(2));
        ASSERT_EQ(p.size(), 1u);
        EXPECT_NEAR(p[0].x, degrees[i].x, 1e-9);
        EXPECT_NEAR(p[0].y, degrees[i].y, 1e-9);
    }
    EXPECT_EQ(i, 2);

    // Tracks: the line with its two rings, the area closed and of type "Fläche".
    static const QRegularExpression track(QStringLiteral(
        "OGRFeature\\(tracks\\):\\d+\\n(?:.*\\n)*?  name \\(String\\) = (.*)\\n(?:.*\\n)*?  (MULTILINESTRING \\(.*\\))"));
    std::map<QString, std::vector<WorldPoint>> tracks;
    for (auto it = track.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        tracks[m.captured(1)] = WktPoints(m.captured(2));
    }
    ASSERT_EQ(tracks.size(), 2u);
    ASSERT_EQ(tracks[QStringLiteral("Feldweg")].size(), 5u);
    const WorldPoint corner = Degrees({3500400.0, 5540100.0});
    EXPECT_NEAR(tracks[QStringLiteral("Feldweg")][4].x, corner.x, 1e-9);
    EXPECT_NEAR(tracks[QStringLiteral("Feldweg")][4].y, corner.y, 1e-9);
    const auto& area = tracks[QStringLiteral("Nordfeld")];
    ASSERT_EQ(area.size(), 4u);
    EXPECT_EQ(area.front(), area.back());
    EXPECT_TRUE(text.contains(QString::fromUtf8("type (String) = Fläche")));
}

// Rows of gpsbabel's universal CSV as column name → value.
std::vector<std::map<QString, QString>> CsvRows(const QByteArray& csv)
{
    std::vector<std::map<QString, QString>> rows;
    const QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty()) return rows;
    const QStringList header = lines[0].trimmed().split(QLatin1Char(','));
    static const QRegularExpression field(QStringLiteral("(\"(?:[^\"]|\"\")*\"|[^,]*)(?:,|$)"));
    for (qsizetype l = 1; l < lines.size(); ++l) {
        std::map<QString, QString> row;
        int column = 0;
        for (auto it = field.globalMatch(lines[l].trimmed()); it.hasNext() && column < header.size(); ++column) {
            QString value = it.next().captured(1);
            if (value.startsWith(QLatin1Char('"'))) value = value.mid(1, value.size() - 2).replace("\"\"", "\"");
            row[header[column]] = value;
        }
        rows.push_back(row);
    }
    return rows;
}

TEST_F(OurExportTest, GpsbabelReadsTheSameCoordinatesAndNames)
{
    REQUIRE_TOOL("gpsbabel", "gpsbabel");
    ToolResult r = RunTool("gpsbabel", {"-i", "gpx", "-f", out, "-o", "unicsv", "-F", "-"});
    ASSERT_TRUE(r.ok) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const auto waypoints = CsvRows(r.out);
    ASSERT_EQ(waypoints.size(), 2u) << r.out.toStdString();
    for (size_t i = 0; i < waypoints.size(); ++i) {
        auto row = waypoints[i];
        EXPECT_EQ(row[QStringLiteral("Name")], names[qsizetype(i)]);
        // unicsv prints six decimals.
        EXPECT_NEAR(row[QStringLiteral("Latitude")].toDouble(), degrees[i].y, 1e-6);
        EXPECT_NEAR(row[QStringLiteral("Longitude")].toDouble(), degrees[i].x, 1e-6);
    }

    r = RunTool("gpsbabel", {"-t", "-i", "gpx", "-f", out, "-o", "unicsv", "-F", "-"});
    ASSERT_TRUE(r.ok) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const auto trackPoints = CsvRows(r.out);
    // The line's 2 + 3 points and the area's 3 + the closing one; tracks in the document's
    // drawing order (areas first).
    ASSERT_EQ(trackPoints.size(), 9u) << r.out.toStdString();
    const WorldPoint first = Degrees({3500000.0, 5540000.0});
    auto row = trackPoints[0];
    EXPECT_NEAR(row[QStringLiteral("Latitude")].toDouble(), first.y, 1e-6);
    EXPECT_NEAR(row[QStringLiteral("Longitude")].toDouble(), first.x, 1e-6);
    row = trackPoints[8];
    const WorldPoint last = Degrees({3500400.0, 5540100.0});
    EXPECT_NEAR(row[QStringLiteral("Latitude")].toDouble(), last.y, 1e-6);
    EXPECT_NEAR(row[QStringLiteral("Longitude")].toDouble(), last.x, 1e-6);
}

}  // namespace
}  // namespace korvel
