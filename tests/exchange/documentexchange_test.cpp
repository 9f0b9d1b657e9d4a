// Shape and handheld exchange through a document: objects enter by AddObject (with their
// computed attributes), the adoption rule changes the document's system, and a failed import
// shows the reader's message.
#include "exchange/shapeexchange.h"
#include "exchange/shapefile.h"
#include "exchange/zentoexchange.h"

#include "exchangetestutil.h"
#include "support/testsupport.h"

#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace korvel {
namespace {

std::vector<GObj*> Objects(CKorvelDoc& doc)
{
    std::vector<GObj*> out;
    CObjEnum e(doc.m_pRoot.get());
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        if (o->GetType() & 0x0FFF) out.push_back(o);
    }
    return out;
}

TEST(DocumentExchangeTest, ShapeRoundTripThroughDocuments)
{
    QTemporaryDir dir;
    // A geographic file with one named point.
    CShapeFile file(SHPT_POINT);
    CDBaseFile& t = file.GetTable();
    ASSERT_TRUE(t.AppendField(t.CreateField("NAME", 'C', 12, 0)));
    ASSERT_EQ(file.AddShape(std::make_unique<CShapePoint>(9.5, 51.0)), 0);
    t.SetText(0, 0, QString::fromUtf8("Kirchturm"));
    ASSERT_TRUE(file.Write(dir.filePath("in.shp")));

    CKorvelDoc doc;
    doc.OnNewDocument(CRS_LOCAL);
    doc.SetModifiedFlag(false);
    ASSERT_TRUE(ImportShape(doc, dir.filePath("in.shp")));
    EXPECT_EQ(doc.m_nCoordSys, CRS_WEBMERCATOR);  // adopted by the empty document
    EXPECT_TRUE(doc.IsModified());
    std::vector<GObj*> objects = Objects(doc);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]->FindInfo("NAME")->Value(), "Kirchturm");
    // AddObject computed the position attributes in degrees for the web-mercator document.
    ASSERT_NE(objects[0]->FindInfo("RECHTS"), nullptr);
    EXPECT_EQ(objects[0]->FindInfo("RECHTS")->Value().left(8), "9.500000");

    // Exported again: degrees, with the computed attributes as numeric fields.
    ASSERT_EQ(ExportShape(doc, SHPT_POINT, dir.filePath("out.shp")), ShapeExportStatus::Written);
    CShapeFile back;
    ASSERT_TRUE(back.Read(dir.filePath("out.shp")));
    const auto* p = dynamic_cast<CShapePoint*>(back.GetShape(0));
    EXPECT_NEAR(p->m_dX, 9.5, 1e-9);
    EXPECT_NEAR(p->m_dY, 51.0, 1e-9);
    const int rechts = back.GetTable().FindField("RECHTS");
    ASSERT_GE(rechts, 0);
    EXPECT_EQ(back.GetTable().GetField(rechts)->type, 'N');
    EXPECT_EQ(ExportShape(doc, SHPT_POLYGON, dir.filePath("none.shp")), ShapeExportStatus::NothingToWrite);
}

TEST(DocumentExchangeTest, FailedImportShowsTheReadersMessage)
{
    QTemporaryDir dir;
    test::MessageRecorder recorder;
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    const QString path = dir.filePath("fehlt.shp");
    EXPECT_FALSE(ImportShape(doc, path));
    ASSERT_EQ(recorder.messages().size(), 1u);
    const MessageRequest& m = recorder.messages()[0];
    EXPECT_EQ(m.textId, EXCH_NOT_FOUND);
    EXPECT_EQ(m.text, QString::fromUtf8("Datei \"%1\" nicht gefunden.").arg(path));
    EXPECT_EQ(m.caption, QString::fromUtf8("Fehler"));
    EXPECT_TRUE(Objects(doc).empty());

    ASSERT_TRUE(test::WriteAll(dir.filePath("kaputt.shp"), QByteArray(100, 'x')));
    EXPECT_FALSE(ImportShape(doc, dir.filePath("kaputt.shp")));
    ASSERT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(recorder.messages()[1].text,
              QString::fromUtf8("Die Datei \"%1\" ist keine Shape-Datei.").arg(dir.filePath("kaputt.shp")));
}

TEST(DocumentExchangeTest, HandheldFilesThroughADocument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::WriteAll(dir.filePath("m.pos"), "[Markierungsdatei]\r\n[Beschreibung]\r\n<Name>Wiese\r\n"
                                                      "[Positionen]\r\n9.0 50.0 0 \"A\"\r\n9.001 50.001 0\r\n"));
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    ASSERT_EQ(ImportZento(doc, dir.filePath("m.pos")), ZentoImportStatus::Imported);
    std::vector<GObj*> objects = Objects(doc);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_GT(objects[0]->m_ptPos.x, 3000000);  // Gauss-Krüger zone 3 easting
    EXPECT_EQ(objects[0]->FindInfo("Name")->Value(), "Wiese");
    EXPECT_EQ(objects[0]->FindInfo("Info1")->Value(), "A");

    ZentoExportRequest request;
    request.folder = dir.filePath("out");
    ASSERT_TRUE(QDir(dir.path()).mkdir("out"));
    request.allPoints = true;
    request.pointNames = {"Info1"};
    const ZentoExportResult r = ExportZento(doc, request);
    ASSERT_EQ(r.written.size(), 2);
    const QByteArray markers = test::ReadAll(dir.filePath("out/1_1.pos"));
    const qsizetype at = markers.indexOf("[Positionen]\r\n") + 14;
    const QList<QByteArray> first = markers.mid(at, markers.indexOf('\r', at) - at).split(' ');
    ASSERT_EQ(first.size(), 4) << markers.toStdString();
    // Through Gauss-Krüger and back the position stays within a centimetre.
    EXPECT_NEAR(first[0].toDouble(), 9.0, 1e-7);
    EXPECT_NEAR(first[1].toDouble(), 50.0, 1e-7);
    EXPECT_EQ(first[3], "\"A\"");
}

}  // namespace
}  // namespace korvel
