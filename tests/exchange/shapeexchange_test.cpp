// Shape import and export on an object tree: field mapping both ways, attribute collection,
// the coordinate-system rules and round trips through real files.
#include "exchange/shapeexchange.h"
#include "exchange/shapefile.h"

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

GPoint* Point(double x, double y, std::initializer_list<std::tuple<const char*, const char*, uint16_t>> infos = {})
{
    auto* p = new GPoint(WorldPoint{x, y});
    for (const auto& [name, value, format] : infos) p->SetInfo(name, value, format);
    return p;
}

template <class T>
T* Lines(std::initializer_list<std::initializer_list<WorldPoint>> rings)
{
    auto* obj = new T();
    for (const auto& pts : rings) {
        auto ring = std::make_unique<GRing>(int32_t(pts.size()));
        for (const WorldPoint& p : pts) ring->Add(p);
        EXPECT_TRUE(obj->AddRing(ring.get()));
        ring.release();
    }
    obj->CalcBounds();
    return obj;
}

QString Value(const GObj& obj, const QString& name)
{
    const GInfoItem* info = obj.FindInfo(name);
    return info ? info->Value() : QStringLiteral("<none>");
}

class ShapeExchangeTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Imports `path` into m_target's tree; returns the reader's code.
    uint16_t Import(const QString& path, int32_t* coordSys, GList& root)
    {
        ShapeImportTarget target{&root, coordSys, [&root](GObj* o) { return root.AddTail(o); }};
        return ImportShapeFile(path, target);
    }

    // Reads back a written file.
    void ReadBack(const QString& path, CShapeFile& file) { ASSERT_TRUE(file.Read(path)) << file.GetError(); }

    QTemporaryDir m_dir;
};

TEST(ShapeFieldMappingTest, FormatWordsAndFields)
{
    struct Row {
        uint16_t format;
        DbfFieldSpec field;
    };
    const Row rows[] = {
        {0x0001, {'L', 1, 0}},   {0xFFFF, {'C', 20, 0}},  {0xFF08, {'C', 8, 0}},
        {0xFF14, {'C', 20, 0}},  {0x0310, {'N', 16, 3}},  {0x0410, {'N', 16, 4}},
        {0x020A, {'N', 10, 2}},  {0x0000, {'N', 0, 0}},   {0x0020, {'N', 32, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.format);
        EXPECT_EQ(FieldSpecForFormat(r.format), r.field);
    }

    CDBaseFile table;
    struct Back {
        char type;
        unsigned length, decimals;
        std::optional<uint16_t> format;
    };
    const Back back[] = {
        {'C', 30, 0, 0xFF1E}, {'D', 8, 0, 0xFF08}, {'L', 1, 0, 0x0001}, {'N', 16, 3, 0x0310},
        {'F', 20, 0, std::nullopt}, {'M', 10, 0, std::nullopt}, {'O', 8, 0, std::nullopt},
    };
    for (const Back& b : back) {
        SCOPED_TRACE(b.type);
        EXPECT_EQ(FormatForField(*table.CreateField("F", b.type, b.length, b.decimals)), b.format);
    }
}

TEST_F(ShapeExchangeTest, ExportCollectsAttributesIntoFields)
{
    GList root;
    root.AddTail(Point(3500000, 5500000, {{"PTNR", "17", INFO_TEXT}, {"RECHTS", "3500000.000", 0x0310},
                                           {"HOCH", "5500000.000", 0x0310}}));
    root.AddTail(Point(3500010, 5500020, {{"RECHTS", "3500010.000", 0x0310}, {"GEPRUEFT", "1", INFO_LOGICAL},
                                           {"Ptnr", "18", INFO_TEXT}}));
    root.AddTail(Point(3500020, 5500040, {{"GEPRUEFT", "0", INFO_LOGICAL}, {"PTNR", "19", INFO_TEXT}}));
    root.AddTail(Point(3500030, 5500060, {{"GEPRUEFT", "ja", INFO_LOGICAL}, {"GEPRUEFT2", "0x1", INFO_LOGICAL}}));
    root.AddTail(Lines<GPolygon>({{{0, 0}, {0, 1}, {1, 1}}}));  // not a point: not exported

    ASSERT_EQ(ExportShapes(&root, 31467, SHPT_POINT, Path("p.shp")), ShapeExportStatus::Written);
    CShapeFile file;
    ReadBack(Path("p.shp"), file);
    ASSERT_EQ(file.GetShapeCount(), 4u);
    const CDBaseFile& t = file.GetTable();
    ASSERT_EQ(t.GetFieldCount(), 6u);
    struct Field {
        const char* name;
        char type;
        uint8_t length, decimals;
    };
    // "Ptnr" differs from "PTNR" only in case, which dBase readers do not see: it is numbered.
    const Field fields[] = {{"PTNR", 'C', 20, 0}, {"RECHTS", 'N', 16, 3}, {"HOCH", 'N', 16, 3},
                            {"GEPRUEFT", 'L', 1, 0}, {"Ptnr_1", 'C', 20, 0}, {"GEPRUEFT2", 'L', 1, 0}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t.GetField(i)->m_strName, fields[i].name);
        EXPECT_EQ(t.GetField(i)->type, fields[i].type);
        EXPECT_EQ(t.GetField(i)->length, fields[i].length);
        EXPECT_EQ(t.GetField(i)->decimals, fields[i].decimals);
    }
    auto raw = [&](int field, int record) {
        const CDBaseField* f = t.GetField(field);
        return t.GetRecord(record).mid(f->m_nOffset, f->length);
    };
    EXPECT_EQ(raw(1, 0), "     3500000.000");
    EXPECT_EQ(raw(0, 1), QByteArray(20, ' '));
    EXPECT_EQ(raw(4, 1), QByteArray("18\0                 ", 20));  // "Ptnr" keeps its own field
    EXPECT_EQ(raw(3, 1), "T");
    EXPECT_EQ(raw(3, 2), "F");
    EXPECT_EQ(raw(3, 3), " ");  // "ja" is no number
    EXPECT_EQ(raw(5, 3), "T");  // "%i" reads hexadecimal
    EXPECT_EQ(dynamic_cast<CShapePoint*>(file.GetShape(1))->m_dX, 3500010);
    EXPECT_TRUE(ReadAll(Path("p.prj")).contains("Gauss_Kruger_Zone_3"));
}

TEST_F(ShapeExchangeTest, NamesSharingTheirFirstTenCharactersKeepTheirOwnFields)
{
    GList root;
    root.AddTail(Point(1, 1, {{"BESCHREIBUNG", "Eiche", INFO_TEXT}, {"BESCHREIBUNG2", "Linde", INFO_TEXT}}));
    root.AddTail(Point(2, 2, {{"BESCHREIBUNG2", "Buche", INFO_TEXT}, {"BESCHREIBUNG3", "Ahorn", INFO_TEXT},
                              {"beschreibu", "klein", INFO_TEXT}, {"BESCHREI_1", "schon da", INFO_TEXT}}));
    ASSERT_EQ(ExportShapes(&root, 0, SHPT_POINT, Path("b.shp")), ShapeExportStatus::Written);
    CShapeFile file;
    ReadBack(Path("b.shp"), file);
    const CDBaseFile& t = file.GetTable();
    struct Column {
        const char* field;
        const char* first;
        const char* second;
    };
    // Each name in the order met; a cut name that is taken (in any case) gets the next number.
    const Column columns[] = {{"BESCHREIBU", "Eiche", ""},     {"BESCHREI_1", "Linde", "Buche"},
                              {"BESCHREI_2", "", "Ahorn"},     {"beschrei_3", "", "klein"},
                              {"BESCHREI_4", "", "schon da"}};
    ASSERT_EQ(t.GetFieldCount(), std::size(columns));
    for (int i = 0; i < int(std::size(columns)); ++i) {
        SCOPED_TRACE(columns[i].field);
        EXPECT_EQ(t.GetField(i)->m_strName, columns[i].field);
        QString v0, v1;
        t.GetValueAsText(i, 0, v0);
        t.GetValueAsText(i, 1, v1);
        EXPECT_EQ(v0, columns[i].first);
        EXPECT_EQ(v1, columns[i].second);
    }
}

TEST_F(ShapeExchangeTest, NumbersTooWideForTheirFieldAreMarkedAndCounted)
{
    // FLAECHE is N 5,2: 123456.78 has too many integer digits for it; 123.456 fits with one
    // decimal; 1.5 fits as it is.
    const char* values[] = {"123456.78", "123.456", "1.5", "-123456", "nan"};
    GList root;
    for (const char* value : values) {
        auto* area = Lines<GPolygon>({{{0, 0}, {0, 1}, {1, 1}}});
        area->SetInfo("FLAECHE", value, 0x0205);
        root.AddTail(area);
    }
    size_t overflowing = 0;
    ASSERT_EQ(ExportShapes(&root, 0, SHPT_POLYGON, Path("n.shp"), nullptr, &overflowing), ShapeExportStatus::Written);
    EXPECT_EQ(overflowing, 3u);
    CShapeFile file;
    ReadBack(Path("n.shp"), file);
    const CDBaseFile& t = file.GetTable();
    const QByteArray want[] = {"*****", "123.5", " 1.50", "*****", "*****"};
    for (int r = 0; r < 5; ++r) EXPECT_EQ(t.GetRecord(r).mid(1, 5), want[r]) << values[r];
}

TEST_F(ShapeExchangeTest, FilesWithoutShapesLeaveTheDocumentsSystemAlone)
{
    CShapeFile none(SHPT_POINT);
    ASSERT_TRUE(none.Write(Path("none.shp")));
    CShapeFile nulls(SHPT_POLYLINE);
    ASSERT_EQ(nulls.AddShape(std::make_unique<CShapePolyLine>()), 0);
    ASSERT_TRUE(nulls.Write(Path("nulls.shp")));
    for (const char* name : {"none.shp", "nulls.shp"}) {
        SCOPED_TRACE(name);
        GList root;
        int32_t sys = CRS_LOCAL;
        ASSERT_EQ(Import(Path(name), &sys, root), EXCH_OK);
        EXPECT_EQ(sys, CRS_LOCAL);
        EXPECT_EQ(root.GetCount(), 0u);
    }
}

TEST_F(ShapeExchangeTest, NullDatesGiveNoAttribute)
{
    CShapeFile out(SHPT_POINT);
    CDBaseFile& t = out.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("DATUM", 'D', 8, 0)));
    for (int i = 0; i < 3; ++i) ASSERT_EQ(out.AddShape(std::make_unique<CShapePoint>(3500000 + i, 5500000)), i);
    t.SetNumber(0, 0, 946728000.0);  // 2000-01-01
    ASSERT_TRUE(out.Write(Path("d.shp")));
    // Record 1 as some programs write a missing date; record 2 stays blank.
    QFile dbf(Path("d.dbf"));
    ASSERT_TRUE(dbf.open(QIODevice::ReadWrite));
    ASSERT_TRUE(dbf.seek(t.GetHeaderLength() + t.GetRecordLength() + 1));
    ASSERT_EQ(dbf.write("00000000"), 8);
    dbf.close();

    GList root;
    int32_t sys = 31467;
    ASSERT_EQ(Import(Path("d.shp"), &sys, root), EXCH_OK);
    ASSERT_EQ(root.GetCount(), 3u);
    const char* want[] = {"20000101", "<none>", "<none>"};
    int i = 0;
    for (GList::Position p = root.m_list.GetHeadPosition(); p; ++i)
        EXPECT_EQ(Value(*GList::NextMember(p), "DATUM"), want[i]) << i;
}

TEST_F(ShapeExchangeTest, ExistingFilesInAnyLetterCaseAreAskedForAndReplaced)
{
    GList root;
    root.AddTail(Point(1, 2));
    for (const char* stale : {"Wege.SHP", "Wege.Shx", "Wege.DBF"}) {
        SCOPED_TRACE(stale);
        QTemporaryDir dir;
        ASSERT_TRUE(test::WriteAll(dir.filePath(stale), "alt"));
        EXPECT_TRUE(ShapeFilesExist(dir.path(), "Wege.shp"));
        EXPECT_FALSE(ShapeFilesExist(dir.path(), "Wald.shp"));
        ASSERT_EQ(ExportShapes(&root, 0, SHPT_POINT, dir.filePath("Wege.shp")), ShapeExportStatus::Written);
        // The old file in another spelling is gone, so that no reader takes it for the new one.
        EXPECT_FALSE(QFile::exists(dir.filePath(stale)));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
                  (QStringList{"Wege.cpg", "Wege.dbf", "Wege.shp", "Wege.shx"}));
    }
}

TEST_F(ShapeExchangeTest, MixedFormatsBecomeText)
{
    GList root;
    auto* a = Lines<GPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}});
    a->SetInfo("FLAECHE", "12.345", 0x020A);
    auto* b = Lines<GPolygon>({{{20, 0}, {20, 10}, {30, 10}}});
    b->SetInfo("FLAECHE", "gross", 0xFF14);
    root.AddTail(a);
    root.AddTail(b);
    ASSERT_EQ(ExportShapes(&root, 0, SHPT_POLYGON, Path("f.shp")), ShapeExportStatus::Written);
    EXPECT_FALSE(QFile::exists(Path("f.prj")));  // the local system has no name
    CShapeFile file;
    ReadBack(Path("f.shp"), file);
    const CDBaseField* f = file.GetTable().GetField(0);
    EXPECT_EQ(f->type, 'C');
    EXPECT_EQ(f->length, 20);
    QString v0, v1;
    file.GetTable().GetValueAsText(0, 0, v0);
    file.GetTable().GetValueAsText(0, 1, v1);
    EXPECT_EQ(v0, "12.345");
    EXPECT_EQ(v1, "gross");
    // The open ring was closed by the export.
    EXPECT_EQ(dynamic_cast<CShapePolygon*>(file.GetShape(1))->GetRing(0)->GetCount(), 4u);
}

TEST_F(ShapeExchangeTest, ObjectsWithoutAttributesAndEmptyKinds)
{
    GList root;
    root.AddTail(Lines<GPolyline>({{{0, 0}, {5, 5}}}));
    root.AddTail(Lines<GPolyline>({{{7, 7}}}));  // one point: a null record, still a row
    EXPECT_EQ(ExportShapes(&root, 0, SHPT_POINT, Path("none.shp")), ShapeExportStatus::NothingToWrite);
    EXPECT_FALSE(QFile::exists(Path("none.shp")));
    ASSERT_EQ(ExportShapes(&root, 0, SHPT_POLYLINE, Path("l.shp")), ShapeExportStatus::Written);
    const QByteArray dbf = ReadAll(Path("l.dbf"));
    EXPECT_EQ(dbf.size(), 33 + 2 + 1);  // header and terminator, two 1-byte records, end mark
    EXPECT_EQ(uint8_t(dbf[8]), 33);
    EXPECT_EQ(uint8_t(dbf[10]), 1);
    CShapeFile file;
    ReadBack(Path("l.shp"), file);
    EXPECT_TRUE(file.GetShape(1)->IsNull());

    EXPECT_EQ(ExportShapes(&root, 0, SHPT_POLYLINE, Path("fehlt/l.shp")), ShapeExportStatus::CannotCreate);
}

TEST_F(ShapeExchangeTest, WebMercatorIsExportedInDegrees)
{
    WorldPoint merc{9.5, 51.0};
    CoordTransform toMerc{1, CRS_WGS84, CRS_WEBMERCATOR};
    ASSERT_TRUE(TransformPoint(&merc, &toMerc));
    GList root;
    GPoint* p = Point(merc.x, merc.y);
    root.AddTail(p);
    ASSERT_EQ(ExportShapes(&root, CRS_WEBMERCATOR, SHPT_POINT, Path("w.shp")), ShapeExportStatus::Written);
    EXPECT_EQ(p->m_ptPos, merc);  // the document keeps its coordinates
    CShapeFile file;
    ReadBack(Path("w.shp"), file);
    const auto* s = dynamic_cast<CShapePoint*>(file.GetShape(0));
    EXPECT_NEAR(s->m_dX, 9.5, 1e-9);
    EXPECT_NEAR(s->m_dY, 51.0, 1e-9);
    EXPECT_TRUE(ReadAll(Path("w.prj")).startsWith("GEOGCS[\"GCS_WGS_1984\""));
}

TEST_F(ShapeExchangeTest, ImportFollowsTheCoordinateRules)
{
    // A WGS84 file and a Gauss-Krüger file, written through the export.
    {
        GList wgs;
        wgs.AddTail(Point(9.5, 51.0, {{"NAME", "Turm", INFO_TEXT}}));
        ASSERT_EQ(ExportShapes(&wgs, CRS_WGS84, SHPT_POINT, Path("wgs.shp")), ShapeExportStatus::Written);
        GList gk;
        gk.AddTail(Point(3500000, 5650000));
        ASSERT_EQ(ExportShapes(&gk, 31467, SHPT_POINT, Path("gk.shp")), ShapeExportStatus::Written);
    }
    auto expected = [](int32_t to) {
        WorldPoint p{9.5, 51.0};
        CoordTransform ct{1, CRS_WGS84, to};
        TransformPoint(&p, &ct);
        return p;
    };
    struct Row {
        const char* what;
        const char* file;
        int32_t docSys;
        bool docHasObjects;
        int32_t wantSys;
        WorldPoint want;
    };
    const Row rows[] = {
        {"empty local document adopts web mercator", "wgs.shp", CRS_LOCAL, false, CRS_WEBMERCATOR,
         expected(CRS_WEBMERCATOR)},
        {"local document with objects keeps the degrees", "wgs.shp", CRS_LOCAL, true, CRS_LOCAL, {9.5, 51.0}},
        {"Gauss-Krüger document converts", "wgs.shp", 31467, false, 31467, expected(31467)},
        {"projected file is taken as the document's system", "gk.shp", 25832, false, 25832, {3500000, 5650000}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        GList root;
        if (r.docHasObjects) root.AddTail(Point(100, 100));
        int32_t sys = r.docSys;
        ASSERT_EQ(Import(Path(r.file), &sys, root), EXCH_OK);
        EXPECT_EQ(sys, r.wantSys);
        auto* p = dynamic_cast<GPoint*>(GList::MemberAt(root.m_list.GetTailPosition()));
        ASSERT_NE(p, nullptr);
        EXPECT_NEAR(p->m_ptPos.x, r.want.x, 1e-6);
        EXPECT_NEAR(p->m_ptPos.y, r.want.y, 1e-6);
        EXPECT_EQ(p->m_rcBounds, WorldRect::AtPoint(p->m_ptPos));
    }
}

TEST_F(ShapeExchangeTest, ImportTakesAttributesAndSkipsNullShapes)
{
    // A table with every kind of field, built directly.
    CShapeFile out(SHPT_POLYGON);
    CDBaseFile& t = out.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("NAME", 'C', 10, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("DATUM", 'D', 8, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("OK", 'L', 1, 0)));
    ASSERT_TRUE(t.AppendField(t.CreateField("FLAECHE", 'N', 10, 2)));
    ASSERT_TRUE(t.AppendField(t.CreateField("BINAER", 'O', 8, 0)));
    auto area = std::make_unique<CShapePolygon>();
    auto ring = std::make_unique<CRing>();
    for (WorldPoint p : {WorldPoint{3500000, 5500000}, WorldPoint{3500000, 5500100}, WorldPoint{3500100, 5500100}})
        ring->AddPoint(p);
    ASSERT_TRUE(area->AddRing(std::move(ring)));
    ASSERT_EQ(out.AddShape(std::move(area)), 0);
    ASSERT_EQ(out.AddShape(std::make_unique<CShapePolygon>()), 1);  // null
    t.SetText(0, 0, "Wiese");
    t.SetNumber(1, 0, 946728000.0);
    t.SetNumber(3, 0, 1.5);
    t.SetNumber(4, 0, 2.0);
    t.SetText(0, 1, "leer");
    ASSERT_TRUE(out.Write(Path("a.shp")));

    GList root;
    int32_t sys = 31467;
    ASSERT_EQ(Import(Path("a.shp"), &sys, root), EXCH_OK);
    ASSERT_EQ(root.GetCount(), 1u);
    auto* polygon = dynamic_cast<GPolygon*>(GList::MemberAt(root.m_list.GetHeadPosition()));
    ASSERT_NE(polygon, nullptr);
    ASSERT_EQ(polygon->RingCount(), 1u);
    EXPECT_EQ(GPolyline::RingAt(polygon->m_pRings->GetHeadPosition())->GetCount(), 4);  // closing point kept
    EXPECT_EQ(Value(*polygon, "NAME"), "Wiese");
    EXPECT_EQ(polygon->FindInfo("NAME")->Format(), 0xFF0A);
    EXPECT_EQ(Value(*polygon, "DATUM"), "20000101");
    EXPECT_EQ(polygon->FindInfo("DATUM")->Format(), 0xFF08);
    EXPECT_EQ(Value(*polygon, "OK"), "<none>");  // a blank logical gives no attribute
    EXPECT_EQ(Value(*polygon, "FLAECHE"), "1.50");
    EXPECT_EQ(polygon->FindInfo("FLAECHE")->Format(), 0x020A);
    EXPECT_EQ(Value(*polygon, "BINAER"), "<none>");
    EXPECT_EQ(polygon->m_rcBounds, (WorldRect{3500000, 5500000, 3500100, 5500100}));

    // A failed read adds nothing.
    ASSERT_TRUE(QFile::remove(Path("a.dbf")));
    EXPECT_EQ(Import(Path("a.shp"), &sys, root), EXCH_NO_TABLE);
    EXPECT_EQ(root.GetCount(), 1u);
}

TEST_F(ShapeExchangeTest, DialogFileNames)
{
    const QDateTime when(QDate(2011, 12, 7), QTime(13, 5, 0));
    EXPECT_EQ(DefaultShapeFileName(GT_POINT, when), "111207_130500_point.shp");
    EXPECT_EQ(DefaultShapeFileName(GT_POLYLINE, when), "111207_130500_polyline.shp");
    EXPECT_EQ(DefaultShapeFileName(GT_POLYGON, when), "111207_130500_polygon.shp");
    EXPECT_EQ(DefaultShapeFileName(GT_TEXT, when), "");
    EXPECT_EQ(WithShpExtension("Wege"), "Wege.shp");
    EXPECT_EQ(WithShpExtension("Wege.SHP"), "Wege.SHP");
    EXPECT_EQ(WithShpExtension("Wege.shp.txt"), "Wege.shp.txt.shp");

    EXPECT_FALSE(ShapeFilesExist(m_dir.path(), "Wege.SHP"));
    ASSERT_TRUE(test::WriteAll(Path("Wege.dbf"), "x"));  // only the table exists
    EXPECT_TRUE(ShapeFilesExist(m_dir.path(), "Wege.SHP"));
    // The export of that name writes its companions beside the entered main file name.
    GList root;
    root.AddTail(Point(1, 2));
    ASSERT_EQ(ExportShapes(&root, 0, SHPT_POINT, Path("Wege.SHP")), ShapeExportStatus::Written);
    EXPECT_TRUE(QFile::exists(Path("Wege.SHP")));
    EXPECT_TRUE(QFile::exists(Path("Wege.shx")));
    EXPECT_EQ(ReadAll(Path("Wege.dbf")).size(), 33 + 1 + 1);
}

TEST_F(ShapeExchangeTest, KindSetAndShapeTypes)
{
    GList root;
    EXPECT_EQ(KindSet(&root), 0u);
    EXPECT_FALSE(HasKind(&root, GT_POINT | GT_POLYLINE | GT_POLYGON));
    root.AddTail(Lines<GPolygon>({{{0, 0}, {0, 1}, {1, 1}}}));
    EXPECT_EQ(KindSet(&root) & (GT_POINT | GT_POLYLINE | GT_POLYGON), GT_POLYGON);
    EXPECT_TRUE(HasKind(&root, GT_POINT | GT_POLYGON));
    EXPECT_FALSE(HasKind(&root, GT_POINT | GT_POLYLINE));
    // The deep walk enters a nested list that leads its parent.
    auto* inner = new GList;
    inner->AddTail(Point(1, 1));
    root.AddHead(inner);
    EXPECT_EQ(KindSet(&root) & (GT_POINT | GT_POLYLINE | GT_POLYGON), GT_POLYGON | GT_POINT);
    EXPECT_TRUE(HasKind(&root, GT_POINT));
    EXPECT_EQ(ShapeTypeForKind(GT_POINT), SHPT_POINT);
    EXPECT_EQ(ShapeTypeForKind(GT_POLYLINE), SHPT_POLYLINE);
    EXPECT_EQ(ShapeTypeForKind(GT_POLYGON), SHPT_POLYGON);
    EXPECT_EQ(ShapeTypeForKind(GT_TEXT), 0);
    EXPECT_TRUE(LooksGeographic(WorldRect{-180, -90, 180, 90}));
    EXPECT_FALSE(LooksGeographic(WorldRect{0, 0, 181, 1}));
}

}  // namespace
}  // namespace korvel
