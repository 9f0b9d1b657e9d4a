// Handheld import and export on an object tree: objects made from file records, the file pairs
// written per polygon, the overwrite rule and the all-points pair.
#include "exchange/zentoexchange.h"

#include "exchangetestutil.h"

#include "crs/transform.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace korvel {
namespace {

using test::ReadAll;
using test::WriteAll;

const QDateTime kNow(QDate(2011, 12, 7), QTime(13, 5, 0));

GPolygon* Square(double x0, double y0, double size, std::initializer_list<std::pair<const char*, const char*>> infos = {})
{
    auto ring = std::make_unique<GRing>(4);
    for (WorldPoint p : {WorldPoint{x0, y0}, WorldPoint{x0, y0 + size}, WorldPoint{x0 + size, y0 + size},
                         WorldPoint{x0 + size, y0}})
        ring->Add(p);
    auto* polygon = new GPolygon(std::move(ring));
    for (const auto& [n, v] : infos) polygon->SetInfo(n, v, INFO_TEXT);
    polygon->CalcBounds();
    return polygon;
}

GPoint* Point(double x, double y, std::initializer_list<std::pair<const char*, const char*>> infos = {})
{
    auto* p = new GPoint(WorldPoint{x, y});
    for (const auto& [n, v] : infos) p->SetInfo(n, v, INFO_TEXT);
    return p;
}

std::vector<std::pair<QString, QString>> InfoList(const GObj& obj)
{
    std::vector<std::pair<QString, QString>> out;
    for (const GInfoItem& i : obj.Infos()) out.emplace_back(i.Name(), i.Value());
    return out;
}

// The lines of a written file after its header (everything after "[Positionen]").
QList<QByteArray> Body(const QByteArray& file)
{
    const qsizetype at = file.indexOf("[Positionen]\r\n");
    QList<QByteArray> lines = file.mid(at + 14).split('\n');
    lines.removeLast();  // after the final line end
    for (QByteArray& l : lines) l.chop(1);
    return lines;
}

TEST(ZentoImportTest, RecordsBecomeObjects)
{
    std::vector<std::unique_ptr<GObj>> added;
    auto add = [&](GObj* o) {
        added.emplace_back(o);
        return true;
    };
    ZentoContent markers;
    markers.mode = ZentoMode::Points;
    markers.description = {{"Name", "Wiese"}, {"Text1", "Hallo"}};
    markers.positions = {{9.0, 50.0, {{"Info1", "A"}}}, {9.5, 50.5, {}}};
    EXPECT_EQ(ImportZentoContent(markers, 25832, add), 2u);
    ASSERT_EQ(added.size(), 2u);
    ASSERT_EQ(added[0]->GetType(), GT_POINT);
    WorldPoint want{9.0, 50.0};
    CoordTransform ct{1, CRS_WGS84, 25832};
    TransformPoint(&want, &ct);
    EXPECT_NEAR(added[0]->m_ptPos.x, want.x, 1e-6);
    EXPECT_NEAR(added[0]->m_ptPos.y, want.y, 1e-6);
    EXPECT_EQ(InfoList(*added[0]), (std::vector<std::pair<QString, QString>>{
                                       {"Name", "Wiese"}, {"Text1", "Hallo"}, {"Info1", "A"}}));
    EXPECT_EQ(added[1]->Infos().size(), 2u);

    struct Row {
        ZentoMode mode;
        uint32_t type;
    };
    for (const Row& r : {Row{ZentoMode::Line, GT_POLYLINE}, Row{ZentoMode::Area, GT_POLYGON}}) {
        added.clear();
        ZentoContent c;
        c.mode = r.mode;
        c.description = {{"ID", "Alle"}};
        c.positions = {{9, 50, {{"Info1", "dropped"}}}, {9.1, 50, {}}, {9.1, 50.1, {}}};
        EXPECT_EQ(ImportZentoContent(c, CRS_WGS84, add), 1u);
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0]->GetType(), r.type);
        const auto* line = dynamic_cast<GPolyline*>(added[0].get());
        ASSERT_EQ(line->RingCount(), 1u);
        EXPECT_EQ(GPolyline::RingAt(line->m_pRings->GetHeadPosition())->GetCount(), 3);
        EXPECT_EQ(InfoList(*line), (std::vector<std::pair<QString, QString>>{{"ID", "Alle"}}));
        EXPECT_EQ(line->m_rcBounds, (WorldRect{9, 50, 9.1, 50.1}));
    }
    ZentoContent empty;
    EXPECT_EQ(ImportZentoContent(empty, CRS_WGS84, add), 0u);
}

TEST(ZentoImportTest, FilesAreCheckedByTheirFirstLine)
{
    QTemporaryDir dir;
    size_t count = 0;
    std::vector<std::unique_ptr<GObj>> added;
    auto add = [&](GObj* o) {
        added.emplace_back(o);
        ++count;
        return true;
    };
    ASSERT_TRUE(WriteAll(dir.filePath("a.geo"), "[Positionsdatei]\r\n[Messmodus]\r\nLinie\r\n[Positionen]\r\n"
                                                "9 50 0\r\n9.1 50 0\r\n"));
    ASSERT_TRUE(WriteAll(dir.filePath("r.geo"), "[Rasterdatei]\r\n[Positionen]\r\n9 50 0\r\n"));
    ASSERT_TRUE(WriteAll(dir.filePath("s.geo"), "[Positionsdatei] \r\n[Positionen]\r\n9 50 0\r\n"));
    EXPECT_EQ(ImportZentoFile(dir.filePath("a.geo"), CRS_WGS84, add), ZentoImportStatus::Imported);
    EXPECT_EQ(ImportZentoFile(dir.filePath("r.geo"), CRS_WGS84, add), ZentoImportStatus::BadFormat);
    EXPECT_EQ(ImportZentoFile(dir.filePath("s.geo"), CRS_WGS84, add), ZentoImportStatus::BadFormat);
    EXPECT_EQ(ImportZentoFile(dir.filePath("x.geo"), CRS_WGS84, add), ZentoImportStatus::CannotOpen);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(added[0]->GetType(), GT_POLYLINE);
}

class ZentoExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_request.folder = " " + m_dir.path() + "/ ";
        m_request.now = [] { return kNow; };
        m_request.confirmOverwrite = [this](const QString& name) {
            m_asked << name;
            return m_answer;
        };
    }
    QByteArray File(const QString& name) const { return ReadAll(m_dir.filePath(name)); }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir m_dir;
    ZentoExportRequest m_request;
    QStringList m_asked;
    bool m_answer = true;
};

TEST_F(ZentoExportTest, WritesAPairPerPolygonAndTheAllPointsPair)
{
    GList root;
    root.AddTail(Square(9, 50, 1, {{"Name", "Acker"}, {"FLAECHE", "1.2"}}));
    root.AddTail(Square(20, 50, 1));
    root.AddTail(Point(9.5, 50.5, {{"RECHTS", "9.500000"}, {"HOCH", "50.500000"}}));
    root.AddTail(Point(9.25, 50.25, {{"HOCH", "50.250000"}}));
    root.AddTail(Point(30, 60));  // on no polygon
    m_request.areaNames = {"flaeche", "name", "fehlt"};
    m_request.pointNames = {"HOCH", "RECHTS"};
    m_request.allPoints = true;

    const ZentoExportResult r = ExportZento(&root, CRS_WGS84, m_request);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(Files(), (QStringList{"1.geo", "1_1.pos", "2.geo", "2_1.pos", "3.geo", "3_1.pos"}));
    EXPECT_EQ(r.written.size(), 6);
    EXPECT_TRUE(m_asked.isEmpty());

    const QByteArray geo = File("1.geo");
    EXPECT_TRUE(geo.startsWith("[Positionsdatei]\r\n[Version]\r\n1\r\n[Quelle]\r\nKorvel 1.0\r\n[Datum]\r\n07.12.11\r\n"));
    EXPECT_TRUE(geo.contains("[Messmodus]\r\nFlaeche\r\n[Beschreibung]\r\n<FLAECHE>1.2\r\n<Name>Acker\r\n[Positionen]\r\n"));
    EXPECT_EQ(Body(geo), (QList<QByteArray>{"9.000000000 50.000000000 0", "9.000000000 51.000000000 0",
                                             "10.000000000 51.000000000 0", "10.000000000 50.000000000 0"}));
    const QByteArray pos = File("1_1.pos");
    EXPECT_TRUE(pos.startsWith("[Markierungsdatei]\r\n"));
    EXPECT_FALSE(pos.contains("[Messmodus]"));
    EXPECT_TRUE(pos.contains("<FLAECHE>1.2\r\n<Name>Acker\r\n"));
    EXPECT_EQ(Body(pos), (QList<QByteArray>{"9.500000000 50.500000000 0 \"50.500000\" \"9.500000\"",
                                             "9.250000000 50.250000000 0 \"50.250000\" \"\""}));
    EXPECT_TRUE(Body(File("2_1.pos")).isEmpty());

    // The all-points area: the bounds of everything (9, 50)-(30, 60) widened by 10 units.
    EXPECT_TRUE(File("3.geo").contains("[Beschreibung]\r\n<ID>Alle\r\n[Positionen]\r\n"));
    EXPECT_EQ(Body(File("3.geo")), (QList<QByteArray>{"-1.000000000 70.000000000 0", "40.000000000 70.000000000 0",
                                                       "40.000000000 40.000000000 0", "-1.000000000 40.000000000 0",
                                                       "-1.000000000 70.000000000 0"}));
    EXPECT_EQ(Body(File("3_1.pos")).size(), 3);
}

TEST_F(ZentoExportTest, ARefusedOverwriteEndsTheExport)
{
    GList root;
    root.AddTail(Square(9, 50, 1));
    root.AddTail(Square(20, 50, 1));
    root.AddTail(Square(30, 50, 1));
    ASSERT_TRUE(test::WriteAll(m_dir.filePath("2_1.pos"), "alt"));
    m_answer = false;
    const ZentoExportResult r = ExportZento(&root, CRS_WGS84, m_request);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(m_asked, QStringList{"2_1.pos"});
    EXPECT_EQ(Files(), (QStringList{"1.geo", "1_1.pos", "2.geo", "2_1.pos"}));
    EXPECT_EQ(File("2_1.pos"), "alt");

    m_answer = true;
    m_asked.clear();
    const ZentoExportResult again = ExportZento(&root, CRS_WGS84, m_request);
    EXPECT_FALSE(again.stopped);
    EXPECT_EQ(m_asked, (QStringList{"1.geo", "1_1.pos", "2.geo", "2_1.pos"}));
    EXPECT_EQ(again.written.size(), 6);
}

TEST_F(ZentoExportTest, PointsOnlyInAProjectedDocument)
{
    GList root;
    WorldPoint a{9.0, 50.0}, b{9.001, 50.001};
    CoordTransform ct1{1, CRS_WGS84, 25832}, ct2{1, CRS_WGS84, 25832};
    ASSERT_TRUE(TransformPoint(&a, &ct1));
    ASSERT_TRUE(TransformPoint(&b, &ct2));
    root.AddTail(Point(a.x, a.y, {{"PTNR", "1"}}));
    root.AddTail(Point(b.x, b.y, {{"PTNR", "2"}}));
    m_request.allPoints = true;
    m_request.pointNames = {"ptnr"};
    const ZentoExportResult r = ExportZento(&root, 25832, m_request);
    EXPECT_EQ(Files(), (QStringList{"1.geo", "1_1.pos"}));
    const QList<QByteArray> markers = Body(File("1_1.pos"));
    ASSERT_EQ(markers.size(), 2);
    const QList<QByteArray> first = markers[0].split(' ');
    EXPECT_NEAR(first[0].toDouble(), 9.0, 1e-8);
    EXPECT_NEAR(first[1].toDouble(), 50.0, 1e-8);
    EXPECT_EQ(first[3], "\"1\"");
    // The rectangle lies 10 m around the points, in degrees.
    const QList<QByteArray> corner = Body(File("1.geo"))[0].split(' ');
    EXPECT_LT(corner[0].toDouble(), 9.0);
    EXPECT_GT(corner[0].toDouble(), 8.9998);
    EXPECT_GT(corner[1].toDouble(), 50.001);
    EXPECT_LT(corner[1].toDouble(), 50.0012);
}

TEST_F(ZentoExportTest, UncreatableFilesAreSkipped)
{
    GList root;
    root.AddTail(Square(9, 50, 1));
    root.AddTail(Point(9.5, 50.5));
    m_request.folder = m_dir.filePath("fehlt");
    const ZentoExportResult r = ExportZento(&root, CRS_WGS84, m_request);
    EXPECT_FALSE(r.stopped);
    EXPECT_TRUE(r.written.isEmpty());
}

TEST_F(ZentoExportTest, AnEmptyFolderIsTheWorkingDirectory)
{
    GList root;
    root.AddTail(Square(9, 50, 1));
    m_request.folder = "  ";
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    const ZentoExportResult r = ExportZento(&root, CRS_WGS84, m_request);
    QDir::setCurrent(previous);
    EXPECT_EQ(r.written, (QStringList{"./1.geo", "./1_1.pos"}));
    EXPECT_EQ(Files(), (QStringList{"1.geo", "1_1.pos"}));
}

TEST(ZentoNamesTest, NamesAreCollectedOnceIgnoringCase)
{
    GList root;
    root.AddTail(Square(0, 0, 1, {{"Name", "a"}, {"FLAECHE", "1"}}));
    root.AddTail(Square(5, 0, 1, {{"NAME", "b"}, {"Nutzung", "Wald"}}));
    root.AddTail(Point(1, 1, {{"PTNR", "1"}}));
    EXPECT_EQ(ZentoAttributeNames(&root, GT_POLYGON), (QStringList{"Name", "FLAECHE", "Nutzung"}));
    EXPECT_EQ(ZentoAttributeNames(&root, GT_POINT), QStringList{"PTNR"});
}

}  // namespace
}  // namespace korvel
