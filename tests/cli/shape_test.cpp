// korvel-cli import-shape and export-shape: a document's points, lines and areas go out as
// shapefiles and come back with their attributes; the coordinate-system rules, the question
// before replacing files, and the exit status and German message of every refusal.
#include "support/documentcontent.h"
#include "support/testsupport.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace korvel {
namespace {

QString Err(const test::ProcessResult& r) { return QString::fromUtf8(r.err); }
QString Out(const test::ProcessResult& r) { return QString::fromUtf8(r.out); }

void Add(CKorvelDoc& doc, GObj* obj)
{
    std::unique_ptr<GObj> owner(obj);
    obj->CalcBounds();
    ASSERT_TRUE(doc.AddObject(obj));
    owner.release();
}

GPolyline* Line(std::initializer_list<WorldPoint> points, bool area)
{
    auto ring = std::make_unique<GRing>();
    for (WorldPoint p : points) ring->Add(p);
    return area ? new GPolygon(std::move(ring)) : new GPolyline(std::move(ring));
}

class CliShape : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // A Gauss-Krüger document with a numbered point, a path and a field.
    QString MakeDocument(int32_t crs = 31467)
    {
        CKorvelDoc doc;
        doc.OnNewDocument(crs);
        auto* point = new GPoint(WorldPoint{3500050.0, 5500050.0});
        point->SetInfo(QStringLiteral("PTNR"), QStringLiteral("4711"));
        Add(doc, point);
        auto* path = Line({{3500000.0, 5500000.0}, {3500100.0, 5500000.0}, {3500100.0, 5500080.0}}, false);
        path->SetInfo(QStringLiteral("Weg"), QStringLiteral("Feldweg"));
        Add(doc, path);
        auto* field = Line({{3500000.0, 5500000.0}, {3500100.0, 5500000.0}, {3500100.0, 5500100.0}}, true);
        field->SetInfo(QStringLiteral("Schlag"), QStringLiteral("Nordfeld"));
        Add(doc, field);
        const QString file = this->path(QStringLiteral("quelle.kvd"));
        EXPECT_EQ(doc.Save(file), KvdStatus::Ok);
        return file;
    }

    QTemporaryDir dir;
};

TEST_F(CliShape, ExportAndImportCarryEveryKindWithItsAttributes)
{
    const QString source = MakeDocument();
    const auto out = test::RunCli({QStringLiteral("export-shape"), source, dir.path() + QStringLiteral("/"),
                                   QStringLiteral("--points"), QStringLiteral("Punkte"), QStringLiteral("--areas"),
                                   QStringLiteral("Flur.SHP")});
    ASSERT_EQ(out.exitCode, 0) << Err(out).toStdString();
    // The lines keep the dialog's time-stamped name; the others are as given.
    const QStringList written = Out(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(written.size(), 3);
    EXPECT_EQ(written[0], path(QStringLiteral("Punkte.shp")));
    EXPECT_TRUE(written[1].endsWith(QStringLiteral("_polyline.shp"))) << written[1].toStdString();
    EXPECT_EQ(written[2], path(QStringLiteral("Flur.SHP")));
    for (const char* name : {"Punkte.shx", "Punkte.dbf", "Flur.shx", "Flur.dbf", "Flur.prj"}) {
        EXPECT_TRUE(QFileInfo::exists(path(QString::fromLatin1(name)))) << name;
    }

    const QString target = path(QStringLiteral("ziel.kvd"));
    const auto in = test::RunCli({QStringLiteral("import-shape"), target, written[0], written[1], written[2],
                                  QStringLiteral("--crs"), QStringLiteral("31467")});
    ASSERT_EQ(in.exitCode, 0) << Err(in).toStdString();
    CKorvelDoc doc;
    ASSERT_EQ(doc.Open(target), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nCoordSys, 31467);
    const auto points = test::ObjectsOfType(doc, GT_POINT);
    const auto lines = test::ObjectsOfType(doc, GT_POLYLINE);
    const auto areas = test::ObjectsOfType(doc, GT_POLYGON);
    ASSERT_EQ(points.size(), 1u);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(static_cast<const GPoint*>(points[0])->m_ptPos, (WorldPoint{3500050.0, 5500050.0}));
    EXPECT_EQ(test::InfoText(*points[0], "PTNR"), QStringLiteral("4711"));
    EXPECT_EQ(test::InfoText(*lines[0], "Weg"), QStringLiteral("Feldweg"));
    EXPECT_EQ(test::InfoText(*areas[0], "Schlag"), QStringLiteral("Nordfeld"));
    // The measured values travel as numbers and come back as they were written.
    CKorvelDoc original;
    ASSERT_EQ(original.Open(source), KvdStatus::Ok);
    EXPECT_EQ(test::InfoText(*areas[0], "FLAECHE"), test::InfoText(*test::ObjectsOfType(original, GT_POLYGON)[0], "FLAECHE"));
    EXPECT_EQ(test::InfoText(*areas[0], "FLAECHE").mid(test::InfoText(*areas[0], "FLAECHE").startsWith('-') ? 1 : 0),
              QStringLiteral("0.5000"));  // 5000 m², in hectares
}

TEST_F(CliShape, AWgs84FileMakesANewDocumentWebMercator)
{
    // A web-mercator document exports degrees; a new document without --crs adopts them.
    CKorvelDoc mercator;
    mercator.OnNewDocument(900913);
    WorldPoint p{9.0, 50.0};
    CoordTransform toMercator{1, 4326, 900913};
    ASSERT_TRUE(TransformPoint(&p, &toMercator));
    Add(mercator, new GPoint(p));
    const QString source = path(QStringLiteral("merc.kvd"));
    ASSERT_EQ(mercator.Save(source), KvdStatus::Ok);
    const auto out = test::RunCli({QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--points"),
                                   QStringLiteral("grad")});
    ASSERT_EQ(out.exitCode, 0) << Err(out).toStdString();

    const QString target = path(QStringLiteral("neu.kvd"));
    const auto in = test::RunCli({QStringLiteral("import-shape"), target, path(QStringLiteral("grad.shp"))});
    ASSERT_EQ(in.exitCode, 0) << Err(in).toStdString();
    CKorvelDoc doc;
    ASSERT_EQ(doc.Open(target), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nCoordSys, 900913);
    const auto points = test::ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_NEAR(static_cast<const GPoint*>(points[0])->m_ptPos.x, p.x, 1e-3);
    EXPECT_NEAR(static_cast<const GPoint*>(points[0])->m_ptPos.y, p.y, 1e-3);
}

// Numbers too wide for their field are written as no value, counted and reported; the files
// are written all the same, and the exit status tells a script to look.
TEST_F(CliShape, NumbersThatDoNotFitAreReported)
{
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    for (const char* height : {"123456.78", "12.5", "9999999"}) {
        auto* point = new GPoint(WorldPoint{3500050.0, 5500050.0});
        point->SetInfo(QStringLiteral("HOEHE"), QString::fromLatin1(height), 0x0205);
        Add(doc, point);
    }
    const QString source = path(QStringLiteral("hoehen.kvd"));
    ASSERT_EQ(doc.Save(source), KvdStatus::Ok);
    const auto r = test::RunCli({QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--points"),
                                 QStringLiteral("p")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Err(r), QStringLiteral("2 Zahlenwerte passten nicht in die Breite ihres Feldes und wurden als leere "
                                     "Werte (mit * gefüllt) geschrieben.\n"));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("p.dbf"))));
}

TEST_F(CliShape, AnExistingFileSetStopsTheExportUnlessForced)
{
    const QString source = MakeDocument();
    const QStringList args{QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--points"),
                           QStringLiteral("p"), QStringLiteral("--lines"), QStringLiteral("l"),
                           QStringLiteral("--areas"), QStringLiteral("a")};
    ASSERT_EQ(test::RunCli(args).exitCode, 0);
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("a.shp"))));  // only a.shx and a.dbf are left
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("p.shp"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("p.shx"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("p.dbf"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("p.prj"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("p.cpg"))));

    const auto again = test::RunCli(args);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(Err(again), QStringLiteral("Die Datei \"l.shp\" ist bereits vorhanden.\nWollen Sie diese Datei ersetzen?\n"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("p.shp"))));  // nothing was written before the question

    const auto forced = test::RunCli(QStringList(args) << QStringLiteral("--force"));
    EXPECT_EQ(forced.exitCode, 0) << Err(forced).toStdString();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("p.shp"))));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("a.shp"))));
}

TEST_F(CliShape, BadFilesAreReportedAndTheRestIsImported)
{
    const QString source = MakeDocument();
    ASSERT_EQ(test::RunCli({QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--points"),
                            QStringLiteral("p")})
                  .exitCode,
              0);
    const QString target = path(QStringLiteral("ziel.kvd"));
    const auto r = test::RunCli({QStringLiteral("import-shape"), target, path(QStringLiteral("fehlt.shp")),
                                 path(QStringLiteral("p.shp"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Err(r), QStringLiteral("Datei \"%1\" nicht gefunden.\n").arg(path(QStringLiteral("fehlt.shp"))));
    CKorvelDoc doc;
    ASSERT_EQ(doc.Open(target), KvdStatus::Ok);
    EXPECT_EQ(test::ObjectsOfType(doc, GT_POINT).size(), 1u);
    // Gauss-Krüger coordinates are no degrees: the new document stays without a system.
    EXPECT_EQ(doc.m_nCoordSys, 0);
}

TEST_F(CliShape, RefusesArgumentsItCannotHonour)
{
    const QString source = MakeDocument();
    CKorvelDoc empty;
    empty.OnNewDocument(31467);
    const QString emptyDoc = path(QStringLiteral("leer.kvd"));
    ASSERT_EQ(empty.Save(emptyDoc), KvdStatus::Ok);
    struct Case {
        QStringList args;
        const char* message;  // start of the first line on standard error
    };
    const Case cases[] = {
        {{QStringLiteral("export-shape"), source}, "Aufruf: korvel-cli export-shape"},
        {{QStringLiteral("export-shape"), source, path(QStringLiteral("nicht/da"))}, "Das Verzeichnis"},
        {{QStringLiteral("export-shape"), emptyDoc, dir.path()}, "Export nicht möglich"},
        {{QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--areas")}, "Aufruf:"},
        {{QStringLiteral("export-shape"), source, dir.path(), QStringLiteral("--alles")}, "Unbekanntes Argument"},
        {{QStringLiteral("import-shape"), source}, "Aufruf: korvel-cli import-shape"},
        {{QStringLiteral("import-shape"), source, QStringLiteral("x.shp"), QStringLiteral("--crs"), QStringLiteral("25832")},
         "Das Dokument hat bereits"},
        {{QStringLiteral("import-shape"), path(QStringLiteral("n.kvd")), QStringLiteral("x.shp"), QStringLiteral("--crs"),
          QStringLiteral("12345")},
         "Unbekanntes Koordinatensystem"},
    };
    for (const Case& c : cases) {
        const auto r = test::RunCli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(Err(r).startsWith(QString::fromUtf8(c.message))) << Err(r).toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("n.kvd"))));
}

}  // namespace
}  // namespace korvel
