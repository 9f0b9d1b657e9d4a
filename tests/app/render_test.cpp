// `korvel --render`: the map of a document as a PNG, read back and checked pixel by pixel
// (placement of scanned maps by their world files, white and transparency showing what lies
// below), and the German message with exit status 2 for a document that cannot be read.
#include "apptestsupport.h"
#include "imagery/gimg.h"
#include "imagery/tilemath.h"
#include "imagery/tileserver.h"
#include "imagery/tempmapfolder.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace korvel {
namespace {

struct RenderRun {
    int exitCode = -1;
    QByteArray err;
};

RenderRun RunKorvel(const QStringList& args, const QString& dataHome)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the program picks the offscreen platform itself
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dataHome);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVEL_PROGRAM_PATH), args);
    RenderRun r;
    // The event loop runs meanwhile: the tile server of a test answers the program.
    if (!p.waitForStarted(30000) || !test::WaitUntil([&] { return p.state() == QProcess::NotRunning; }, 120000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError();
    return r;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterImageryClasses();
        SetTempMapFolder(m_dir.filePath(QStringLiteral("tmpmaps")));
    }
    void TearDown() override { SetTempMapFolder(QString()); }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A picture of `w` x `h` filled with `fill`, placed with its top-left corner at world
    // (x, y), `pixel` world units per pixel, by a world file.
    QString Picture(const char* name, int w, int h, QColor fill, double x, double y, double pixel,
                    const std::function<void(QImage&)>& paint = {})
    {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(fill);
        if (paint) paint(img);
        const QString path = Path(name);
        EXPECT_TRUE(img.save(path, "PNG"));
        QFile world(path.left(path.size() - 4) + QStringLiteral(".pgw"));  // found whatever its case
        EXPECT_TRUE(world.open(QIODevice::WriteOnly));
        world.write(QStringLiteral("%1\n0\n0\n%2\n%3\n%4\n").arg(pixel).arg(-pixel).arg(x + pixel / 2).arg(y - pixel / 2).toLatin1());
        return path;
    }

    test::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
};

TEST_F(RenderTest, DrawsScannedMapsWhereTheirWorldFilesPutThem)
{
    // Below: a blue map of 1000..1100 x 2000..2050. Above: a picture of the same place whose
    // right half is transparent and whose left half is red, with a white square and a
    // half-transparent red pixel in it.
    const QString below = Picture("unten.png", 100, 50, QColor(0, 0, 255), 1000, 2050, 1);
    const QString above = Picture("oben.png", 50, 25, QColor(0, 0, 0, 0), 1000, 2050, 2, [](QImage& img) {
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x) img.setPixelColor(x, y, QColor(255, 0, 0));
        for (int y = 5; y < 10; ++y)
            for (int x = 5; x < 10; ++x) img.setPixelColor(x, y, Qt::white);
        img.setPixelColor(20, 20, QColor(255, 0, 0, 128));
    });
    const QString kvd = Path("karte.kvd");
    {
        CKorvelDoc doc;
        doc.OnNewDocument(0);
        ASSERT_TRUE(AddImage(doc, below));
        ASSERT_TRUE(AddImage(doc, above));
        ASSERT_EQ(doc.Save(kvd), KvdStatus::Ok);
    }
    // 200 x 100 pixels for 100 x 50 world units: every world unit two pixels wide.
    const QString out = Path("karte.png");
    const RenderRun r = RunKorvel({"--render", out, "--size", "200x100", "--window", "1000,2000,1100,2050", kvd}, Path("data"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(out);
    ASSERT_EQ(image.size(), QSize(200, 100));
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    EXPECT_EQ(image.pixel(2, 2), red);
    EXPECT_EQ(image.pixel(99, 49), red);
    EXPECT_EQ(image.pixel(100, 50), blue);   // transparent: the map below
    EXPECT_EQ(image.pixel(199, 99), blue);
    EXPECT_EQ(image.pixel(30, 30), blue);    // white: the map below as well
    EXPECT_EQ(image.pixel(19, 19), red);
    EXPECT_EQ(image.pixel(83, 83), qRgb(255, 127, 127));  // half-transparent red over white

    // Zoomed into a single image pixel: the whole picture has its colour.
    const QString pixel = Path("pixel.png");
    ASSERT_EQ(RunKorvel({"--render", pixel, "--size", "200x100", "--window", "1000.5,2049.7,1000.7,2049.8", kvd}, Path("data")).exitCode, 0);
    const QImage one(pixel);
    ASSERT_EQ(one.size(), QSize(200, 100));
    for (QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(100, 50), QPoint(0, 99), QPoint(199, 99)}) {
        EXPECT_EQ(one.pixel(p), red) << p.x() << "," << p.y();
    }

    // Without a window the map is fitted whole: the picture shows red and blue and keeps the
    // blue map's proportions (it is wider than high).
    const QString all = Path("alles.png");
    ASSERT_EQ(RunKorvel({"--render", all, "--size", "300x300", kvd}, Path("data")).exitCode, 0);
    const QImage fitted(all);
    ASSERT_EQ(fitted.size(), QSize(300, 300));
    int redCount = 0;
    int blueCount = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            redCount += fitted.pixel(x, y) == red;
            blueCount += fitted.pixel(x, y) == blue;
        }
    }
    EXPECT_GT(redCount, 5000);
    EXPECT_GT(blueCount, 5000);
    EXPECT_EQ(fitted.pixel(150, 5), qRgb(255, 255, 255));  // above the map: background
    // The program's bitmap copies went with it.
    EXPECT_TRUE(QDir(Path("data") + QStringLiteral("/Korvel/tmpmaps")).entryList(QDir::Files).isEmpty());
}

TEST_F(RenderTest, DrawsTilesOnceTheirDownloadsArrivedOrOfflineFromTheCache)
{
    const QColor green(60, 150, 70);
    QByteArray png;
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(green);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
    }
    test::TileTestServer server;
    ASSERT_TRUE(server.IsListening());
    server.SetDefault({200, png, 300});  // slow enough that a picture drawn at once would miss them
    const QString settings = Path("einstellungen");
    {
        QSettings s(settings + QStringLiteral("/Veldmark/Korvel.conf"), QSettings::IniFormat);
        for (int service = 1; service <= 4; ++service) s.setValue(QStringLiteral("Tiles/Service%1").arg(service), server.Base());
    }
    const QString kvd = Path("netz.kvd");
    {
        CKorvelDoc doc;
        doc.OnNewDocument(900913);
        ASSERT_EQ(doc.m_nTileService, kTileServiceOsm);
        ASSERT_EQ(doc.Save(kvd), KvdStatus::Ok);
    }
    // Tiles 8..10 x 5..7 of zoom 4, from the middle of one corner tile to the other.
    const WorldPoint nw = TileBounds(TileKey{8, 5, 4, 2}).centre;
    const WorldPoint se = TileBounds(TileKey{10, 7, 4, 2}).centre;
    const QString window = QStringLiteral("%1,%2,%3,%4").arg(nw.x, 0, 'f', 3).arg(se.y, 0, 'f', 3).arg(se.x, 0, 'f', 3).arg(nw.y, 0, 'f', 3);
    const struct {
        const char* name;
        bool offline;
        const char* cacheHome;
        QColor centre;
        int requests;  // in all so far
    } rows[] = {
        {"offline with an empty cache", true, "leer", Qt::white, 0},
        {"online: waits for the downloads", false, "voll", green, 9},
        {"offline from what was downloaded", true, "voll", green, 9},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString out = Path("netz.png");
        QStringList args{"--render", out, "--size", "512x512", "--window", window, "--settings", settings};
        if (row.offline) args << QStringLiteral("--offline");
        const RenderRun r = RunKorvel(args << kvd, Path(row.cacheHome));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QImage image(out);
        ASSERT_EQ(image.size(), QSize(512, 512));
        EXPECT_EQ(image.pixelColor(256, 256), row.centre);
        EXPECT_EQ(server.TotalRequests(), row.requests);
        // The service's credit in the corner.
        EXPECT_GT(image.pixelColor(509, 509).lightness(), row.centre.lightness() == 255 ? 0 : row.centre.lightness() + 40);
    }
    EXPECT_TRUE(QFile::exists(TileCacheFile(TileKey{9, 6, 4, 2}, Path("voll") + QStringLiteral("/Korvel/Cache"))));
}

TEST_F(RenderTest, UnreadableDocumentsAndBadArgumentsEndWithStatusTwo)
{
    const QString out = Path("x.png");
    const RenderRun missing = RunKorvel({"--render", out, "--size", "200x100", Path("fehlt.kvd")}, Path("data"));
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("fehlt.kvd")) << missing.err.toStdString();
    QFile junk(Path("kaputt.kvd"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("kein Dokument");
    junk.close();
    const RenderRun damaged = RunKorvel({"--render", out, "--size", "200x100", Path("kaputt.kvd")}, Path("data"));
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_TRUE(damaged.err.contains("Ungültiges Dateiformat")) << damaged.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    EXPECT_EQ(RunKorvel({"--render", out, Path("kaputt.kvd")}, Path("data")).exitCode, 2);  // no size
    const RenderRun window = RunKorvel({"--render", out, "--size", "200x100", "--window", "1,2,3", Path("kaputt.kvd")}, Path("data"));
    EXPECT_EQ(window.exitCode, 2);
    EXPECT_TRUE(window.err.contains("Ausschnitt")) << window.err.toStdString();
}

}  // namespace
}  // namespace korvel
