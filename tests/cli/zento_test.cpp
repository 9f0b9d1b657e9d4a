// korvel-cli import-zento and export-zento: what lands in the document, what lands in the
// folder, and the exit status and German message of every refusal.
#include "support/documentcontent.h"
#include "support/testsupport.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace korvel {
namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString Err(const test::ProcessResult& r) { return QString::fromUtf8(r.err); }

// The lines of a handheld file between two section lines (CR LF removed).
QList<QByteArray> Section(const QByteArray& file, const char* name, const char* next)
{
    const QByteArray start = QByteArray(name) + "\r\n";
    const qsizetype from = file.indexOf(start);
    if (from < 0) return {};
    qsizetype to = next ? file.indexOf(QByteArray(next) + "\r\n", from) : file.size();
    if (to < 0) to = file.size();
    QList<QByteArray> lines = file.mid(from + start.size(), to - from - start.size()).split('\n');
    lines.removeLast();
    for (QByteArray& l : lines) l.chop(1);
    return lines;
}

void SaveDoc(CKorvelDoc& doc, const QString& path) { ASSERT_EQ(doc.Save(path), KvdStatus::Ok); }

void Add(CKorvelDoc& doc, GObj* obj)
{
    std::unique_ptr<GObj> owner(obj);
    ASSERT_TRUE(doc.AddObject(obj));
    owner.release();
}

GPolygon* Square(double x0, double y0, std::initializer_list<std::pair<const char*, const char*>> infos)
{
    auto ring = std::make_unique<GRing>(4);
    for (WorldPoint p : {WorldPoint{x0, y0}, WorldPoint{x0, y0 + 1}, WorldPoint{x0 + 1, y0 + 1}, WorldPoint{x0 + 1, y0}})
        ring->Add(p);
    auto* polygon = new GPolygon(std::move(ring));
    for (const auto& [n, v] : infos) polygon->SetInfo(QLatin1String(n), QLatin1String(v));
    polygon->CalcBounds();
    return polygon;
}

GPoint* Point(double x, double y, std::initializer_list<std::pair<const char*, const char*>> infos)
{
    auto* p = new GPoint(WorldPoint{x, y});
    for (const auto& [n, v] : infos) p->SetInfo(QLatin1String(n), QLatin1String(v));
    return p;
}

const QByteArray kMarkerFile =
    "[Markierungsdatei]\r\n[Beschreibung]\r\n<Feld>Nordhang\r\n[Positionen]\r\n"
    "9.000000000 50.000000000 0 \"Eiche\"\r\n"
    "9.010000000 50.010000000 0 \"\" \"Buche alt\"\r\n";
const QByteArray kLineFile =
    "[Positionsdatei]\r\n[Messmodus]\r\nLinie\r\n[Positionen]\r\n9.0 50.0 0\r\n9.1 50.1 0\r\n";
const QByteArray kAreaFile = "[Positionsdatei]\r\n[Positionen]\r\n9.0 50.0 0\r\n9.1 50.0 0\r\n9.1 50.1 0\r\n";

// ---- import ----------------------------------------------------------------------------------

class CliImportZento : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString doc() const { return path("doc.kvd"); }
    test::ProcessResult Import(const QStringList& rest)
    {
        QStringList args{QStringLiteral("import-zento"), doc()};
        return test::RunCli(args << rest);
    }
    QTemporaryDir dir;
};

TEST_F(CliImportZento, CreatesTheDocumentAndAddsPointsLinesAndAreas)
{
    WriteBytes(path("1_1.pos"), kMarkerFile);
    WriteBytes(path("line.geo"), kLineFile);
    WriteBytes(path("area.geo"), kAreaFile);
    const auto r = Import({path("1_1.pos"), path("line.geo"), path("area.geo"), QStringLiteral("--crs"),
                           QStringLiteral("31467")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();

    CKorvelDoc d;
    ASSERT_EQ(d.Open(doc()), KvdStatus::Ok);
    EXPECT_EQ(d.m_nCoordSys, 31467);
    const auto points = test::ObjectsOfType(d, GT_POINT);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(test::ObjectsOfType(d, GT_POLYLINE).size(), 1u);
    EXPECT_EQ(test::ObjectsOfType(d, GT_POLYGON).size(), 1u);

    // Each point carries the file description and its own texts; the empty value uses no number.
    const GPoint* second = nullptr;
    for (const GObj* o : points) {
        EXPECT_EQ(test::InfoText(*o, "Feld"), QStringLiteral("Nordhang"));
        if (test::InfoText(*o, "Info1") == QStringLiteral("Buche alt")) second = static_cast<const GPoint*>(o);
    }
    ASSERT_NE(second, nullptr);
    WorldPoint expected{9.01, 50.01};
    CoordTransform params{1, CRS_WGS84, 31467};
    ASSERT_TRUE(TransformPoint(&expected, &params));
    EXPECT_NEAR(second->m_ptPos.x, expected.x, 1e-6);
    EXPECT_NEAR(second->m_ptPos.y, expected.y, 1e-6);
}

TEST_F(CliImportZento, UndefinedSystemNeedsCrs)
{
    {
        CKorvelDoc local;
        local.OnNewDocument(CRS_LOCAL);
        SaveDoc(local, doc());
    }
    const QByteArray before = Bytes(doc());
    WriteBytes(path("1_1.pos"), kMarkerFile);
    const QString undefined = LoadString(1206);
    ASSERT_FALSE(undefined.isEmpty());

    for (const QStringList& extra : {QStringList{}, QStringList{QStringLiteral("--crs"), QStringLiteral("0")}}) {
        const auto r = Import(QStringList{path("1_1.pos")} << extra);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(Err(r).trimmed(), undefined);
        EXPECT_EQ(Bytes(doc()), before);
    }
    // A new document in no system is refused the same way, and not created.
    const auto fresh = test::RunCli({QStringLiteral("import-zento"), path("neu.kvd"), path("1_1.pos"),
                                     QStringLiteral("--crs"), QStringLiteral("0")});
    EXPECT_EQ(fresh.exitCode, 2);
    EXPECT_EQ(Err(fresh).trimmed(), undefined);
    EXPECT_FALSE(QFile::exists(path("neu.kvd")));

    // --crs stands in for the dialog: the document takes the system and the import goes ahead.
    const auto r = Import({path("1_1.pos"), QStringLiteral("--crs"), QStringLiteral("25832")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    CKorvelDoc d;
    ASSERT_EQ(d.Open(doc()), KvdStatus::Ok);
    EXPECT_EQ(d.m_nCoordSys, 25832);
    ASSERT_EQ(test::ObjectsOfType(d, GT_POINT).size(), 2u);
    EXPECT_NEAR(static_cast<const GPoint*>(test::ObjectsOfType(d, GT_POINT)[0])->m_ptPos.x, 32500000.0, 1500.0);
}

TEST_F(CliImportZento, ReportsBadFilesAndGoesOn)
{
    WriteBytes(path("good.pos"), kMarkerFile);
    WriteBytes(path("space.geo"), "[Positionsdatei] \r\n[Positionen]\r\n9 50 0\r\n");
    WriteBytes(path("raster.geo"), "[Rasterdatei]\r\n");
    const QString missing = path("fehlt.geo");
    const auto r = Import({path("space.geo"), missing, path("raster.geo"), path("good.pos"), QStringLiteral("--crs"),
                           QStringLiteral("25832")});
    EXPECT_EQ(r.exitCode, 1);
    const QStringList lines = Err(r).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Das Format der Datei \"space.geo\" ist ungültig."),
                                  FormatString(1201, QFileInfo(missing).absoluteFilePath()),
                                  QStringLiteral("Das Format der Datei \"raster.geo\" ist ungültig.")}));
    CKorvelDoc d;
    ASSERT_EQ(d.Open(doc()), KvdStatus::Ok);
    EXPECT_EQ(test::ObjectsOfType(d, GT_POINT).size(), 2u);
}

TEST_F(CliImportZento, SavesOnlyWhenSomethingChanged)
{
    WriteBytes(path("raster.geo"), "[Rasterdatei]\r\n");
    WriteBytes(path("empty.geo"), "[Positionsdatei]\r\n[Positionen]\r\n");
    {
        CKorvelDoc existing;
        existing.OnNewDocument(31468);
        SaveDoc(existing, doc());
    }
    const QByteArray before = Bytes(doc());
    // An old time stamp shows whether the file was written again, even with the same bytes.
    const QDateTime stamp(QDate(2020, 1, 1), QTime(12, 0));
    {
        QFile f(doc());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }

    const auto bad = Import({path("raster.geo")});
    EXPECT_EQ(bad.exitCode, 1);
    const auto nothing = Import({path("empty.geo")});
    EXPECT_EQ(nothing.exitCode, 0) << nothing.err.constData();
    EXPECT_EQ(Bytes(doc()), before);
    EXPECT_EQ(QFileInfo(doc()).lastModified(), stamp);

    // A document that was not there is written even when nothing came in.
    const auto created = test::RunCli({QStringLiteral("import-zento"), path("neu.kvd"), path("raster.geo")});
    EXPECT_EQ(created.exitCode, 1);
    CKorvelDoc d;
    ASSERT_EQ(d.Open(path("neu.kvd")), KvdStatus::Ok);
    EXPECT_EQ(d.m_nCoordSys, CRS_WEBMERCATOR);  // the default for new documents
}

TEST_F(CliImportZento, RefusesArgumentsItCannotHonour)
{
    {
        CKorvelDoc existing;
        existing.OnNewDocument(31468);
        SaveDoc(existing, doc());
    }
    WriteBytes(path("1_1.pos"), kMarkerFile);
    WriteBytes(path("garbage.kvd"), "keine Karte");
    struct Case {
        QStringList args;
        const char* message;
    };
    const std::vector<Case> cases{
        {{doc(), path("1_1.pos"), QStringLiteral("--crs"), QStringLiteral("25832")}, "bereits das Koordinatensystem 31468"},
        {{path("x.kvd"), path("1_1.pos"), QStringLiteral("--crs"), QStringLiteral("12345")}, "Unbekanntes Koordinatensystem"},
        {{doc()}, "Aufruf: korvel-cli import-zento"},
        {{path("garbage.kvd"), path("1_1.pos")}, "Ungültiges Dateiformat!"},
    };
    const QByteArray before = Bytes(doc());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const auto r = test::RunCli(QStringList{QStringLiteral("import-zento")} << c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(Err(r).contains(QString::fromUtf8(c.message))) << r.err.constData();
    }
    EXPECT_EQ(Bytes(doc()), before);
    EXPECT_FALSE(QFile::exists(path("x.kvd")));
}

// ---- export ----------------------------------------------------------------------------------

class CliExportZento : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
        CKorvelDoc d;
        d.OnNewDocument(CRS_WGS84);  // degrees in, degrees out: the written numbers are exact
        Add(d, Square(9, 50, {{"Name", "Nord"}, {"Flur", "3"}}));
        Add(d, Square(11, 50, {{"name", "Sued"}}));
        Add(d, Point(9.5, 50.5, {{"Nr", "1"}, {"Art", "Baum"}}));
        Add(d, Point(11.5, 50.5, {{"NR", "2"}}));
        Add(d, Point(20, 20, {{"Nr", "3"}, {"art", "Stein"}}));
        SaveDoc(d, doc());
    }
    QString doc() const { return dir.filePath(QStringLiteral("doc.kvd")); }
    QString out(const char* name = nullptr) const
    {
        return dir.filePath(QStringLiteral("out")) + (name ? QLatin1Char('/') + QLatin1String(name) : QString());
    }
    test::ProcessResult Export(const QStringList& rest)
    {
        QStringList args{QStringLiteral("export-zento"), doc(), out()};
        return test::RunCli(args << rest);
    }
    QStringList Written() const { return QDir(out()).entryList(QDir::Files, QDir::Name); }
    QTemporaryDir dir;
};

TEST_F(CliExportZento, WritesOnePairPerPolygonWithTheChosenNamesInListOrder)
{
    const auto r = Export({QStringLiteral("--area-names"), QStringLiteral("NAME,flur"), QStringLiteral("--point-names"),
                           QStringLiteral("nr,Art")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    // Without --all-points there is no extra pair, even though points lie outside every polygon.
    EXPECT_EQ(Written(), (QStringList{QStringLiteral("1.geo"), QStringLiteral("1_1.pos"), QStringLiteral("2.geo"),
                                      QStringLiteral("2_1.pos")}));
    EXPECT_EQ(QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 4);

    const QByteArray geo1 = Bytes(out("1.geo"));
    EXPECT_TRUE(geo1.startsWith("[Positionsdatei]\r\n"));
    // Names sorted ignoring case, each in the document's first spelling.
    EXPECT_EQ(Section(geo1, "[Beschreibung]", "[Positionen]"), (QList<QByteArray>{"<Flur>3", "<Name>Nord"}));
    EXPECT_EQ(Section(Bytes(out("2.geo")), "[Beschreibung]", "[Positionen]"), (QList<QByteArray>{"<name>Sued"}));
    const QList<QByteArray> outline = Section(geo1, "[Positionen]", nullptr);
    ASSERT_GE(outline.size(), 4);
    EXPECT_EQ(outline[0], "9.000000000 50.000000000 0");
    EXPECT_EQ(outline[2], "10.000000000 51.000000000 0");

    // Marker values in list order (Art before Nr); a point without Art gets empty quotes.
    EXPECT_EQ(Section(Bytes(out("1_1.pos")), "[Positionen]", nullptr),
              (QList<QByteArray>{"9.500000000 50.500000000 0 \"Baum\" \"1\""}));
    EXPECT_EQ(Section(Bytes(out("2_1.pos")), "[Positionen]", nullptr),
              (QList<QByteArray>{"11.500000000 50.500000000 0 \"\" \"2\""}));
}

TEST_F(CliExportZento, AllPointsAddsARectangleAndEveryPoint)
{
    const auto r = Export({QStringLiteral("--all-points"), QStringLiteral("--point-names"), QStringLiteral("Nr")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(Written().size(), 6);
    const QByteArray geo3 = Bytes(out("3.geo"));
    EXPECT_EQ(Section(geo3, "[Beschreibung]", "[Positionen]"), (QList<QByteArray>{"<ID>Alle"}));
    // The bounds of all objects (9..20, 20..51) widened by 10 units.
    EXPECT_EQ(Section(geo3, "[Positionen]", nullptr),
              (QList<QByteArray>{"-1.000000000 61.000000000 0", "30.000000000 61.000000000 0",
                                 "30.000000000 10.000000000 0", "-1.000000000 10.000000000 0",
                                 "-1.000000000 61.000000000 0"}));
    EXPECT_EQ(Section(Bytes(out("3_1.pos")), "[Positionen]", nullptr).size(), 3);
}

TEST_F(CliExportZento, AnExistingFileStopsTheExportUnlessForced)
{
    WriteBytes(out("2_1.pos"), "alt");
    const auto stopped = Export({QStringLiteral("--all-points")});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_EQ(Err(stopped).trimmed(), FormatString(1203, QStringLiteral("2_1.pos")));
    EXPECT_TRUE(Err(stopped).contains(QStringLiteral("Wollen Sie diese Datei ersetzen?")));
    EXPECT_EQ(Written(), (QStringList{QStringLiteral("1.geo"), QStringLiteral("1_1.pos"), QStringLiteral("2.geo"),
                                      QStringLiteral("2_1.pos")}));
    EXPECT_EQ(Bytes(out("2_1.pos")), "alt");

    const auto forced = Export({QStringLiteral("--all-points"), QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.constData();
    EXPECT_TRUE(forced.err.isEmpty());
    EXPECT_EQ(Written().size(), 6);
    EXPECT_TRUE(Bytes(out("2_1.pos")).startsWith("[Markierungsdatei]\r\n"));
}

TEST_F(CliExportZento, RefusesWhatTheDialogWouldNotOffer)
{
    const QString local = dir.filePath(QStringLiteral("local.kvd"));
    const QString empty = dir.filePath(QStringLiteral("empty.kvd"));
    {
        CKorvelDoc d;
        d.OnNewDocument(CRS_LOCAL);
        Add(d, Point(1, 2, {}));
        SaveDoc(d, local);
        CKorvelDoc e;
        e.OnNewDocument(31467);
        SaveDoc(e, empty);
    }
    struct Case {
        QStringList args;
        const char* message;
    };
    const std::vector<Case> cases{
        {{doc(), out(), QStringLiteral("--area-names"), QStringLiteral("Nr")}, "Den Infotext \"Nr\" trägt keine Fläche"},
        {{doc(), out(), QStringLiteral("--point-names"), QStringLiteral("Flur")}, "Den Infotext \"Flur\" trägt kein Punkt"},
        {{doc(), dir.filePath(QStringLiteral("fehlt"))}, "ist nicht vorhanden"},
        {{local, out()}, "kein definiertes Koordinatensystem"},
        {{empty, out()}, "weder Punkte noch Flächen"},
        {{dir.filePath(QStringLiteral("fehlt.kvd")), out()}, "konnte nicht geöffnet werden"},
        {{doc()}, "Aufruf: korvel-cli export-zento"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const auto r = test::RunCli(QStringList{QStringLiteral("export-zento")} << c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(Err(r).contains(QString::fromUtf8(c.message))) << r.err.constData();
    }
    EXPECT_TRUE(Written().isEmpty());
}

}  // namespace
}  // namespace korvel
