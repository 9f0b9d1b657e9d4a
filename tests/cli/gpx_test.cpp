// korvel-cli import-gpx and export-gpx: files in and out with the conventions of the shapefile
// commands (new documents, --crs, --force, exit status and the German message of every
// refusal).
#include "support/documentcontent.h"
#include "support/testsupport.h"

#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace korvel {
namespace {

QString Err(const test::ProcessResult& r) { return QString::fromUtf8(r.err); }
QString Out(const test::ProcessResult& r) { return QString::fromUtf8(r.out); }

const char kTrackFile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    " <wpt lat=\"50.0\" lon=\"9.0\"><name>Eiche</name></wpt>\n"
    " <trk><name>Runde</name><trkseg><trkpt lat=\"50.0\" lon=\"9.0\"/><trkpt lat=\"50.01\" lon=\"9.02\"/></trkseg></trk>\n"
    "</gpx>\n";

class CliGpx : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return path(name);
    }
    QTemporaryDir dir;
};

TEST_F(CliGpx, ImportMakesAWebMercatorDocumentAndExportWritesItBack)
{
    const QString gpx = Write(QStringLiteral("spur.gpx"), kTrackFile);
    const QString doc = path(QStringLiteral("neu.kvd"));
    const auto in = test::RunCli({QStringLiteral("import-gpx"), doc, gpx});
    ASSERT_EQ(in.exitCode, 0) << Err(in).toStdString();
    {
        CKorvelDoc d;
        ASSERT_EQ(d.Open(doc), KvdStatus::Ok);
        EXPECT_EQ(d.m_nCoordSys, CRS_WEBMERCATOR);
        ASSERT_EQ(test::ObjectsOfType(d, GT_POINT).size(), 1u);
        EXPECT_EQ(test::InfoText(*test::ObjectsOfType(d, GT_POINT)[0], "PTNR"), QStringLiteral("Eiche"));
        EXPECT_EQ(test::ObjectsOfType(d, GT_POLYLINE).size(), 1u);
    }

    // The extension is added; the written path is printed.
    const auto out = test::RunCli({QStringLiteral("export-gpx"), doc, path(QStringLiteral("aus"))});
    ASSERT_EQ(out.exitCode, 0) << Err(out).toStdString();
    EXPECT_EQ(Out(out).trimmed(), path(QStringLiteral("aus.gpx")));
    QFile written(path(QStringLiteral("aus.gpx")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.contains("<wpt lat=\"50.000000000\" lon=\"9.000000000\">")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("<name>Runde</name>"));

    // An existing file is replaced only with --force.
    const auto again = test::RunCli({QStringLiteral("export-gpx"), doc, path(QStringLiteral("aus.gpx"))});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(Err(again).trimmed(),
              QStringLiteral("Die Datei \"aus.gpx\" ist bereits vorhanden.\nWollen Sie diese Datei ersetzen?"));
    const auto forced =
        test::RunCli({QStringLiteral("export-gpx"), doc, path(QStringLiteral("aus.gpx")), QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 0) << Err(forced).toStdString();

    // Into a Gauss-Krüger document given with --crs.
    const QString gk = path(QStringLiteral("gk.kvd"));
    const auto back = test::RunCli({QStringLiteral("import-gpx"), gk, path(QStringLiteral("aus.gpx")),
                                    QStringLiteral("--crs"), QStringLiteral("31467")});
    ASSERT_EQ(back.exitCode, 0) << Err(back).toStdString();
    CKorvelDoc d;
    ASSERT_EQ(d.Open(gk), KvdStatus::Ok);
    EXPECT_EQ(d.m_nCoordSys, 31467);
    WorldPoint expected{9.0, 50.0};
    CoordTransform params{1, CRS_WGS84, 31467};
    ASSERT_TRUE(TransformPoint(&expected, &params));
    const auto points = test::ObjectsOfType(d, GT_POINT);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_NEAR(points[0]->m_ptPos.x, expected.x, 0.001);
    EXPECT_NEAR(points[0]->m_ptPos.y, expected.y, 0.001);
}

TEST_F(CliGpx, ADamagedFileIsReportedWithItsPlaceAndTheOthersAreRead)
{
    const QString good = Write(QStringLiteral("gut.gpx"), kTrackFile);
    QByteArray cut(kTrackFile);
    cut.truncate(cut.indexOf("<trkpt lat=\"50.01\"") + 12);
    const QString bad = Write(QStringLiteral("kaputt.gpx"), cut);
    const QString doc = path(QStringLiteral("d.kvd"));
    const auto r = test::RunCli({QStringLiteral("import-gpx"), doc, bad, good});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Err(r).trimmed(), QString::fromUtf8("Die Datei \"%1\" ist keine lesbare GPX-Datei.\n"
                                                  "Zeile 4, Spalte 74: Die Datei endet vorzeitig.\n"
                                                  "Aus dieser Datei wurde nichts übernommen.")
                                    .arg(bad));
    CKorvelDoc d;
    ASSERT_EQ(d.Open(doc), KvdStatus::Ok);
    EXPECT_EQ(test::ObjectsOfType(d, GT_POINT).size(), 1u);  // from the sound file only
}

TEST_F(CliGpx, ExportRefusals)
{
    struct Case {
        const char* what;
        int32_t system;
        bool withPoint;
        QString target;
        const char* message;
    };
    const Case cases[] = {
        {"nothing to write", 31467, false, path(QStringLiteral("a.gpx")),
         "Export nicht möglich: Das Dokument enthält weder Punkte noch Linien noch Flächen."},
        {"local drawing", 0, true, path(QStringLiteral("a.gpx")),
         "Export nicht möglich: Das Dokument hat kein definiertes Koordinatensystem."},
        {"missing folder", 31467, true, path(QStringLiteral("fehlt/a.gpx")), "Das Verzeichnis \"%1\" ist nicht vorhanden."},
    };
    for (const Case& c : cases) {
        CKorvelDoc d;
        d.OnNewDocument(c.system);
        if (c.withPoint) {
            auto* p = new GPoint(WorldPoint{3500000.0, 5500000.0});
            ASSERT_TRUE(d.AddObject(p));
        }
        const QString doc = path(QStringLiteral("r.kvd"));
        ASSERT_EQ(d.Save(doc), KvdStatus::Ok);
        const auto r = test::RunCli({QStringLiteral("export-gpx"), doc, c.target});
        EXPECT_EQ(r.exitCode, 2) << c.what;
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(Err(r).trimmed(), message.contains(QLatin1String("%1")) ? message.arg(path(QStringLiteral("fehlt")))
                                                                          : message)
            << c.what;
        EXPECT_FALSE(QFileInfo::exists(c.target)) << c.what;
    }
}

}  // namespace
}  // namespace korvel
