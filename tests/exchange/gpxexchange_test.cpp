// GPX import and export with documents: what becomes of waypoints, routes and tracks, the
// coordinate-system rules, refused files that leave the document untouched, and round trips
// that keep positions to the millimetre and every name.
#include "exchange/gpxexchange.h"

#include "exchangetestutil.h"
#include "support/documentcontent.h"

#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace korvel {
namespace {

using test::InfoText;
using test::ObjectsOfType;

void Add(CKorvelDoc& doc, GObj* obj)
{
    std::unique_ptr<GObj> owner(obj);
    obj->CalcBounds();
    ASSERT_TRUE(doc.AddObject(obj));
    owner.release();
}

std::unique_ptr<GRing> Ring(std::initializer_list<WorldPoint> points)
{
    auto ring = std::make_unique<GRing>();
    for (const WorldPoint& p : points) ring->Add(p);
    return ring;
}

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

WorldPoint Converted(WorldPoint p, int32_t from, int32_t to)
{
    CoordTransform params{1, from, to};
    EXPECT_TRUE(TransformPoint(&p, &params));
    return p;
}

const char kSample[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    " <wpt lat=\"50.0\" lon=\"9.0\"><ele>112.25</ele><time>2026-12-09T05:00:00+01:00</time>"
    "<name>Eiche</name><desc>am Weg</desc></wpt>\n"
    " <wpt lat=\"50.001\" lon=\"9.001\"/>\n"
    " <rte><name>Zufahrt</name><rtept lat=\"50.0\" lon=\"9.0\"/><rtept lat=\"50.01\" lon=\"9.01\"/></rte>\n"
    " <trk><name>Runde</name><trkseg><trkpt lat=\"50.0\" lon=\"9.0\"/><trkpt lat=\"50.0\" lon=\"9.01\"/></trkseg>"
    "<trkseg/><trkseg><trkpt lat=\"50.02\" lon=\"9.02\"/><trkpt lat=\"50.03\" lon=\"9.02\"/></trkseg></trk>\n"
    " <trk><name>Acker</name><type>Fl\xc3\xa4" "che</type><trkseg><trkpt lat=\"50.0\" lon=\"9.0\"/>"
    "<trkpt lat=\"50.0\" lon=\"9.001\"/><trkpt lat=\"50.001\" lon=\"9.001\"/><trkpt lat=\"50.0\" lon=\"9.0\"/>"
    "</trkseg></trk>\n"
    " <trk><name>leer</name><trkseg/></trk>\n"
    "</gpx>\n";

class GpxExchangeTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        EXPECT_TRUE(test::WriteAll(Path(name), bytes));
        return Path(name);
    }
    QTemporaryDir m_dir;
};

TEST_F(GpxExchangeTest, WaypointsRoutesTracksAndAreasBecomeObjectsInTheDocumentsSystem)
{
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    const GpxImportResult result = ImportGpx(doc, WriteFile(QStringLiteral("a.gpx"), kSample));
    ASSERT_EQ(result.status, GpxImportStatus::Imported);
    EXPECT_EQ(result.added, 5u);  // the track without points adds nothing
    EXPECT_EQ(doc.m_nCoordSys, 31467);
    EXPECT_TRUE(doc.IsModified());

    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(InfoText(*points[0], "PTNR"), QStringLiteral("Eiche"));
    EXPECT_EQ(InfoText(*points[0], "ELE"), QStringLiteral("112.25"));
    EXPECT_EQ(InfoText(*points[0], "ZEIT"), QStringLiteral("2026-12-09T05:00:00+01:00"));
    EXPECT_EQ(InfoText(*points[0], "BESCHR"), QStringLiteral("am Weg"));
    const WorldPoint gk = Converted({9.0, 50.0}, CRS_WGS84, 31467);
    EXPECT_NEAR(points[0]->m_ptPos.x, gk.x, 1e-6);
    EXPECT_NEAR(points[0]->m_ptPos.y, gk.y, 1e-6);
    EXPECT_EQ(points[0]->m_rcBounds, WorldRect::AtPoint(points[0]->m_ptPos));
    // A waypoint without a name still carries an (empty) point number, and nothing else.
    EXPECT_EQ(InfoText(*points[1], "PTNR"), QString());
    EXPECT_EQ(InfoText(*points[1], "ELE"), QStringLiteral("<fehlt>"));
    EXPECT_EQ(InfoText(*points[1], "ZEIT"), QStringLiteral("<fehlt>"));

    const auto lines = ObjectsOfType(doc, GT_POLYLINE);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(InfoText(*lines[0], "NAME"), QStringLiteral("Zufahrt"));
    EXPECT_EQ(RingsOf(*lines[0]).size(), 1u);
    EXPECT_EQ(InfoText(*lines[1], "NAME"), QStringLiteral("Runde"));
    const auto rings = RingsOf(*lines[1]);
    ASSERT_EQ(rings.size(), 2u);  // the empty segment is left out
    EXPECT_EQ(rings[1].size(), 2u);
    EXPECT_GT(lines[1]->m_rcBounds.maxY, lines[1]->m_rcBounds.minY);

    const auto areas = ObjectsOfType(doc, GT_POLYGON);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(InfoText(*areas[0], "NAME"), QStringLiteral("Acker"));
    ASSERT_EQ(RingsOf(*areas[0]).size(), 1u);
    EXPECT_EQ(RingsOf(*areas[0])[0].size(), 3u);  // without the repeated first vertex
    EXPECT_NE(InfoText(*areas[0], "FLAECHE"), QStringLiteral("<fehlt>"));
}

TEST_F(GpxExchangeTest, TheCoordinateSystemRules)
{
    const QString file = WriteFile(QStringLiteral("a.gpx"), kSample);
    struct Case {
        const char* what;
        int32_t system;
        bool withObject;
        int32_t expectedSystem;
        WorldPoint expectedFirst;  // the named waypoint
    };
    const Case cases[] = {
        {"empty local document adopts web mercator", 0, false, CRS_WEBMERCATOR,
         Converted({9.0, 50.0}, CRS_WGS84, CRS_WEBMERCATOR)},
        {"local document with objects keeps the degrees", 0, true, 0, {9.0, 50.0}},
        {"UTM document", CRS_UTM32, false, CRS_UTM32, Converted({9.0, 50.0}, CRS_WGS84, CRS_UTM32)},
        {"WGS84 document", CRS_WGS84, false, CRS_WGS84, {9.0, 50.0}},
    };
    for (const Case& c : cases) {
        CKorvelDoc doc;
        doc.OnNewDocument(c.system);
        if (c.withObject) Add(doc, new GPoint(WorldPoint{1.0, 2.0}));
        ASSERT_EQ(ImportGpx(doc, file).status, GpxImportStatus::Imported) << c.what;
        EXPECT_EQ(doc.m_nCoordSys, c.expectedSystem) << c.what;
        const GObj* eiche = nullptr;
        for (const GObj* p : ObjectsOfType(doc, GT_POINT)) {
            if (InfoText(*p, "PTNR") == QStringLiteral("Eiche")) eiche = p;
        }
        ASSERT_NE(eiche, nullptr) << c.what;
        EXPECT_NEAR(eiche->m_ptPos.x, c.expectedFirst.x, 1e-6) << c.what;
        EXPECT_NEAR(eiche->m_ptPos.y, c.expectedFirst.y, 1e-6) << c.what;
    }
}

TEST_F(GpxExchangeTest, ARefusedFileLeavesTheDocumentAsItWas)
{
    // The fault is in the last point: nothing of the file may come in, and the system of an
    // empty document is not adopted either.
    QByteArray damaged(kSample);
    damaged.replace("lat=\"50.03\"", "lat=\"95\"");
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    const GpxImportResult result = ImportGpx(doc, WriteFile(QStringLiteral("kaputt.gpx"), damaged));
    EXPECT_EQ(result.status, GpxImportStatus::Malformed);
    EXPECT_EQ(result.added, 0u);
    EXPECT_EQ(result.error.fault, GpxFault::LatitudeRange);
    EXPECT_EQ(doc.m_nCoordSys, 0);
    EXPECT_EQ(doc.m_pRoot->GetCount(), 0u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(GpxErrorMessage(QStringLiteral("/daten/kaputt.gpx"), result.error),
              QString::fromUtf8("Die Datei \"/daten/kaputt.gpx\" ist keine lesbare GPX-Datei.\n"
                                "Zeile 6, Spalte 149: Die Breite 95 liegt nicht zwischen -90 und 90 Grad.\n"
                                "Aus dieser Datei wurde nichts übernommen."));

    EXPECT_EQ(ImportGpx(doc, Path(QStringLiteral("fehlt.gpx"))).status, GpxImportStatus::CannotOpen);
}

// A Gauss-Krüger document with every kind: numbered points (one with elevation and time),
// a line of two rings and an area.
void FillDocument(CKorvelDoc& doc)
{
    doc.OnNewDocument(31467);
    auto* stone = new GPoint(WorldPoint{3500123.456, 5540234.567});
    stone->SetInfo(QStringLiteral("PTNR"), QString::fromUtf8("Grenzstein 4711 & Söhne"));
    stone->SetInfo(QStringLiteral("ELE"), QStringLiteral("112.25"));
    stone->SetInfo(QStringLiteral("ZEIT"), QStringLiteral("2026-12-09T05:00:00Z"));
    stone->SetInfo(QStringLiteral("BESCHR"), QStringLiteral("<alt>"));
    Add(doc, stone);
    auto* other = new GPoint(WorldPoint{3500200.001, 5540300.002});
    other->SetInfo(QStringLiteral("PTNR"), QStringLiteral("12"));
    other->SetInfo(QStringLiteral("ELE"), QStringLiteral("ca. 100 m"));  // no number: not written
    other->SetInfo(QStringLiteral("ZEIT"), QStringLiteral("gestern"));   // no time: not written
    Add(doc, other);
    auto* path = new GPolyline(Ring({{3500000.0, 5540000.0}, {3500100.0, 5540050.0}, {3500200.0, 5540000.0}}));
    path->AddRing(Ring({{3500300.0, 5540000.0}, {3500400.0, 5540000.0}}).release());
    path->SetInfo(QStringLiteral("NAME"), QStringLiteral("Feldweg"));
    Add(doc, path);
    auto* field = new GPolygon(Ring({{3500000.0, 5540000.0}, {3500100.0, 5540000.0}, {3500100.0, 5540100.0}}));
    field->SetInfo(QStringLiteral("NAME"), QStringLiteral("Nordfeld"));
    Add(doc, field);
}

TEST_F(GpxExchangeTest, ExportAndImportKeepPositionsToTheMillimetreAndEveryName)
{
    CKorvelDoc source;
    FillDocument(source);
    const QString out = Path(QStringLiteral("aus.gpx"));
    ASSERT_EQ(ExportGpx(source, out), GpxExportStatus::Written);
    // Written through a temporary file that is gone now.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("aus.gpx")});
    const QByteArray bytes = test::ReadAll(out);
    EXPECT_TRUE(bytes.contains("creator=\"Korvel "));
    EXPECT_TRUE(bytes.contains("<type>Fl\xc3\xa4" "che</type>"));
    EXPECT_FALSE(bytes.contains("gestern"));
    EXPECT_FALSE(bytes.contains("ca. 100"));

    for (int32_t system : {31467, CRS_UTM32, CRS_WEBMERCATOR}) {
        CKorvelDoc back;
        back.OnNewDocument(system);
        ASSERT_EQ(ImportGpx(back, out).status, GpxImportStatus::Imported);
        // Compared in the source's system.
        auto near = [&](WorldPoint got, WorldPoint expected) {
            const WorldPoint p = Converted(got, system, 31467);
            return std::hypot(p.x - expected.x, p.y - expected.y) < 0.001;
        };
        const auto points = ObjectsOfType(back, GT_POINT);
        ASSERT_EQ(points.size(), 2u) << system;
        EXPECT_EQ(InfoText(*points[0], "PTNR"), QString::fromUtf8("Grenzstein 4711 & Söhne"));
        EXPECT_EQ(InfoText(*points[0], "ELE"), QStringLiteral("112.25"));
        EXPECT_EQ(InfoText(*points[0], "ZEIT"), QStringLiteral("2026-12-09T05:00:00Z"));
        EXPECT_EQ(InfoText(*points[0], "BESCHR"), QStringLiteral("<alt>"));
        EXPECT_TRUE(near(points[0]->m_ptPos, {3500123.456, 5540234.567})) << system;
        EXPECT_EQ(InfoText(*points[1], "PTNR"), QStringLiteral("12"));
        EXPECT_EQ(InfoText(*points[1], "ELE"), QStringLiteral("<fehlt>"));
        EXPECT_TRUE(near(points[1]->m_ptPos, {3500200.001, 5540300.002})) << system;

        const auto lines = ObjectsOfType(back, GT_POLYLINE);
        ASSERT_EQ(lines.size(), 1u) << system;
        EXPECT_EQ(InfoText(*lines[0], "NAME"), QStringLiteral("Feldweg"));
        const auto rings = RingsOf(*lines[0]);
        ASSERT_EQ(rings.size(), 2u);
        ASSERT_EQ(rings[0].size(), 3u);
        EXPECT_TRUE(near(rings[0][1], {3500100.0, 5540050.0}));
        EXPECT_TRUE(near(rings[1][1], {3500400.0, 5540000.0}));

        const auto areas = ObjectsOfType(back, GT_POLYGON);
        ASSERT_EQ(areas.size(), 1u) << system;
        EXPECT_EQ(InfoText(*areas[0], "NAME"), QStringLiteral("Nordfeld"));
        const auto outline = RingsOf(*areas[0]);
        ASSERT_EQ(outline.size(), 1u);
        ASSERT_EQ(outline[0].size(), 3u);
        EXPECT_TRUE(near(outline[0][2], {3500100.0, 5540100.0}));
    }
}

TEST_F(GpxExchangeTest, WhatCannotBeExported)
{
    CKorvelDoc empty;
    empty.OnNewDocument(31467);
    EXPECT_FALSE(CanExportGpxContent(empty.m_pRoot.get(), empty.m_nCoordSys));
    EXPECT_EQ(ExportGpx(empty, Path(QStringLiteral("a.gpx"))), GpxExportStatus::NothingToWrite);

    // A local drawing has no place on the earth.
    CKorvelDoc local;
    local.OnNewDocument(0);
    Add(local, new GPoint(WorldPoint{10.0, 20.0}));
    EXPECT_FALSE(CanExportGpxContent(local.m_pRoot.get(), local.m_nCoordSys));
    EXPECT_EQ(ExportGpx(local, Path(QStringLiteral("a.gpx"))), GpxExportStatus::NothingToWrite);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("a.gpx"))));

    CKorvelDoc doc;
    FillDocument(doc);
    EXPECT_TRUE(CanExportGpxContent(doc.m_pRoot.get(), doc.m_nCoordSys));
    EXPECT_EQ(ExportGpx(doc, Path(QStringLiteral("fehlt/a.gpx"))), GpxExportStatus::CannotCreate);

    // An existing file is replaced whole.
    const QString existing = WriteFile(QStringLiteral("alt.gpx"), QByteArray(100000, 'x'));
    ASSERT_EQ(ExportGpx(doc, existing), GpxExportStatus::Written);
    EXPECT_TRUE(test::ReadAll(existing).startsWith("<?xml"));
    EXPECT_FALSE(test::ReadAll(existing).contains("xxx"));
}

TEST(GpxNamesTest, ExtensionIsAddedOnlyWhenMissing)
{
    EXPECT_EQ(WithGpxExtension(QStringLiteral("Runde")), QStringLiteral("Runde.gpx"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("Runde.GPX")), QStringLiteral("Runde.GPX"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("Runde.gpx.bak")), QStringLiteral("Runde.gpx.bak.gpx"));
}

}  // namespace
}  // namespace korvel
