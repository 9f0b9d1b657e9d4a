// The background tile layer against a tile server on 127.0.0.1 and a cache in a temporary
// folder: what a paint may download, the placeholders of refused and failed downloads, the
// clamped clip, substitutes, giving way to waiting input, printing, and what the window shows.
#include "imagery/gtile.h"
#include "imagery/tilefetch.h"
#include "imagery/tileserver.h"
#include "model/gring.h"
#include "model/gpolyline.h"
#include "view/qpaintercanvas.h"
#include "view/tilelayer.h"
#include "view/viewtestsupport.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

namespace korvel {
namespace {

constexpr int kSide = 512;  // the view: 2 x 2 tiles of 256 pixels at zoom 4
const QColor kOsm(40, 120, 200);
const QColor kGoogle(200, 90, 30);
const QColor kCoarse(90, 160, 60);
const QColor kGround(235, 232, 220);  // the view's background

// A tile of one colour with a white (transparent) corner of 8 x 8 pixels at its top left.
QByteArray Png(QColor colour)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(colour);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) img.setPixelColor(x, y, Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

// The 3 x 3 tiles 8..10, 5..7 of zoom 4 seen from the middle of one corner tile to the middle
// of the other: no view edge on a tile edge, so every tile of the clip is unambiguous.
WorldRect ThreeByThree(int x = 8, int y = 5)
{
    const WorldPoint nw = TileBounds(TileKey{x, y, 4, 2}).centre;
    const WorldPoint se = TileBounds(TileKey{x + 2, y + 2, 4, 2}).centre;
    return WorldRect{nw.x, se.y, se.x, nw.y};
}

// The client pixel at the middle of tile (x, y) of ThreeByThree(8, 5).
QPoint Middle(int x, int y) { return QPoint((x - 8) * 256, (y - 5) * 256); }

class TileLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsListening());
        Fetcher(server.Base());
        server.SetDefault({200, Png(kOsm)});
        doc.OnNewDocument(900913);
    }

    void Fetcher(const QString& base)
    {
        TileServers servers;
        for (int s = 1; s <= 4; ++s) servers.base[s] = base;
        fetcher = std::make_unique<CTileFetcher>(servers, root);
    }

    void Cache(const TileKey& key, QColor colour)
    {
        ASSERT_TRUE(QDir().mkpath(TileCacheFolder(key, root)));
        QFile f(TileCacheFile(key, root));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Png(colour));
    }

    // A paint of the layer alone on a picture of the view's size; `clip` empty: all of it.
    bool Paint(CTileLayer& layer, int service, const WorldRect& world, PixelRect clip = {}, bool printing = false)
    {
        picture = QImage(kSide, kSide, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        QPainterCanvas canvas(&painter, printing);
        TilePaintRequest req;
        req.canvas = &canvas;
        req.transform.x0 = world.minX;
        req.transform.y0 = world.maxY;
        req.transform.scale = req.transform.printScale = (world.maxX - world.minX) / kSide;
        req.transform.printing = printing;
        req.client = PixelRect{0, 0, kSide, kSide};
        req.clip = clip.HasArea() ? clip : req.client;
        req.service = service;
        req.crs = 900913;
        req.printing = printing;
        return layer.Paint(req);
    }

    // A view of the 3 x 3 tiles with its tile layer, shown and painted once.
    void OpenView(int service)
    {
        doc.m_nTileService = service;
        view = std::make_unique<CKorvelView>(&doc);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, kGround);
        view->setPalette(palette);
        view->resize(kSide, kSide);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->SetWorldRect(ThreeByThree());
        layer = InstallTileLayer(*view, fetcher.get(), root);
        Settle();
    }

    // Pending repaints painted, the downloads they started done and their repaints painted.
    void Settle()
    {
        const auto paint = [] {
            for (int i = 0; i < 3; ++i) {
                QApplication::processEvents();
                QTest::qWait(10);
            }
        };
        paint();
        test::WaitUntil([this] { return fetcher->PendingCount() == 0; }, 10000);
        paint();
    }

    QImage Shown() { return view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32); }

    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("cache"));
    test::TileTestServer server;
    std::unique_ptr<CTileFetcher> fetcher;
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
    CTileLayer* layer = nullptr;
    QImage picture;
};

// What the user sees: the first paint asks for the tiles, each arrival repaints its area from
// the cache; the credit sits in the corner of the window, not in the kept picture. Also run on
// xcb, where a layer that fails to paint the background shows.
class TileScreenTest : public TileLayerTest {};

TEST_F(TileScreenTest, ArrivingTilesAppearAndTheCreditStaysOutOfThePicture)
{
    OpenView(kTileServiceOsm);
    EXPECT_EQ(server.TotalRequests(), 9);
    EXPECT_TRUE(server.Header(QStringLiteral("/4/9/6.png"), "user-agent").startsWith("Korvel/"));
    EXPECT_EQ(layer->Downloading(), 0);
    const QImage shown = Shown();
    for (int y = 5; y <= 7; ++y) {
        for (int x = 8; x <= 10; ++x) {
            const QPoint p = Middle(x, y) + QPoint(x == 8 ? 20 : -20, y == 5 ? 20 : -20);
            EXPECT_EQ(view->MapPicture().pixelColor(p), kOsm) << x << "," << y;
            EXPECT_EQ(shown.pixelColor(p), kOsm) << x << "," << y;
        }
    }
    // The tiles' white shows the background, drawn first or again from memory.
    const QPoint white = Middle(9, 6) - QPoint(124, 124);
    EXPECT_EQ(shown.pixelColor(white), kGround);
    view->InvalidateAll();
    Settle();
    EXPECT_EQ(Shown().pixelColor(white), kGround);
    EXPECT_EQ(Shown().pixelColor(white + QPoint(10, 10)), kOsm);

    // The credit: lighter than the tile in the corner of the window only.
    const QColor corner = shown.pixelColor(kSide - 3, kSide - 3);
    EXPECT_GT(corner.lightness(), kOsm.lightness() + 40);
    EXPECT_EQ(view->MapPicture().pixelColor(kSide - 3, kSide - 3), kOsm);
    // A partial repaint over it redraws the box once, not on top of the old one.
    view->InvalidatePixels(PixelRect{kSide - 40, kSide - 8, kSide, kSide}, false);
    Settle();
    EXPECT_EQ(Shown().pixelColor(kSide - 3, kSide - 3), corner);
    EXPECT_EQ(server.TotalRequests(), 9);

    // Without a service the view is the plain background again, without a credit.
    doc.m_nTileService = 0;
    view->InvalidateAll();
    Settle();
    EXPECT_EQ(Shown().pixelColor(kSide - 3, kSide - 3), kGround);
}

TEST_F(TileLayerTest, OnlyFullRepaintsDownload)
{
    const struct {
        const char* name;
        PixelRect clip;
        bool printing;
        int requests;
    } rows[] = {
        {"full repaint", {}, false, 9},
        {"partial repaint", {10, 10, 300, 300}, false, 0},
        {"printing", {}, true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CTileLayer fresh(fetcher.get(), root);
        EXPECT_FALSE(Paint(fresh, kTileServiceGoogle, ThreeByThree(), row.clip, row.printing));
        EXPECT_EQ(fetcher->PendingCount(), row.requests);
        fetcher->CancelAll();
    }
}

TEST_F(TileLayerTest, ARefusedTileIsAskedForOnceUntilItLeftTheView)
{
    const QString path = QStringLiteral("/4/9/6.png");
    server.SetAnswer(path, {404, "nicht da"});
    OpenView(kTileServiceOsm);
    EXPECT_EQ(server.Count(path), 1);
    EXPECT_TRUE(layer->IsKnownMissing(TileKey{9, 6, 4, 2}));
    EXPECT_FALSE(QFile::exists(TileCacheFile(TileKey{9, 6, 4, 2}, root)));

    view->InvalidateAll();  // full repaint of the same area
    Settle();
    view->InvalidatePixels(PixelRect{200, 200, 300, 300}, false);  // partial over it
    Settle();
    EXPECT_EQ(server.Count(path), 1);

    view->SetWorldRect(ThreeByThree(0, 0));  // panned away: a full repaint without the tile
    Settle();
    view->SetWorldRect(ThreeByThree());  // and back
    Settle();
    EXPECT_EQ(server.Count(path), 2);
}

TEST_F(TileLayerTest, AClipNorthOfTheTiledWorldDrawsTheNorthernmostRow)
{
    for (int x = 0; x < 16; ++x) {
        Cache(TileKey{x, 0, 4, 2}, kOsm);
        Cache(TileKey{x, 1, 4, 2}, kOsm);
    }
    // 45° of longitude wide (zoom 4), all of it north of 85.0511°.
    const double top = TileBounds(TileKey{0, 0, 4, 2}).bounds.maxY;
    const double west = TileBounds(TileKey{8, 0, 4, 2}).centre.x;
    const double w = TileBounds(TileKey{10, 0, 4, 2}).centre.x - west;
    const WorldRect north{west, top + 10 * w, west + w, top + 11 * w};
    CTileLayer layer(nullptr, root);
    EXPECT_FALSE(Paint(layer, kTileServiceOsm, north));
    int tiles = 0;
    for (GList::Position p = layer.Tiles()->m_list.GetHeadPosition(); p;) {
        const auto* tile = static_cast<const GTile*>(GList::NextMember(p));
        EXPECT_EQ(tile->m_key.y, 0) << tile->m_key.x << " " << tile->m_key.z;
        tiles += tile->m_bLoaded;
    }
    EXPECT_EQ(tiles, 3);  // columns 8, 9 and 10 of the top row
}

TEST_F(TileLayerTest, MissingTilesShowTheNearestCoarserCachedTile)
{
    const QColor white(255, 255, 255);  // the background where no tile is
    const struct {
        const char* name;
        int service;
        TileKey cached;  // covers tile (9, 6, 4)
        QColor colour;
        TileKey also;  // a second cached tile (z 0: none)
        QColor alsoColour;
        QColor expected;
        QColor west;  // just west of the tile: tile (8, 6, 4) or its substitute
    } rows[] = {
        {"satellite from OpenStreetMap", kTileServiceGoogle, {9, 6, 4, 2}, kOsm, {}, {}, kOsm, white},
        {"aerial from OpenStreetMap", kTileServiceVeAerial, {9, 6, 4, 2}, kOsm, {}, {}, kOsm, white},
        {"road map from OpenStreetMap zoom 2", kTileServiceVeRoad, {2, 1, 2, 2}, kCoarse, {}, {}, kCoarse, kCoarse},
        {"OpenStreetMap from zoom 3, not over its neighbour", kTileServiceOsm, {4, 3, 3, 2}, kCoarse, {8, 6, 4, 2},
         kOsm, kCoarse, kOsm},
        {"the same service first", kTileServiceGoogle, {4, 3, 3, 1}, kGoogle, {9, 6, 4, 2}, kOsm, kGoogle, kGoogle},
    };
    server.SetDefault({404, "nicht da"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(root).removeRecursively();
        Cache(row.cached, row.colour);
        if (row.also.z) Cache(row.also, row.alsoColour);
        CTileLayer fresh(fetcher.get(), root);
        EXPECT_FALSE(Paint(fresh, row.service, ThreeByThree()));
        EXPECT_EQ(picture.pixelColor(Middle(9, 6)), row.expected);
        // Drawn only in the missing tile's place, exactly to its edge.
        const QPoint west = Middle(9, 6) - QPoint(128, 0);
        EXPECT_EQ(picture.pixelColor(west), row.expected);
        EXPECT_EQ(picture.pixelColor(west - QPoint(1, 0)), row.west);
        fetcher->CancelAll();
    }
}

TEST_F(TileLayerTest, ANetworkFailureStopsTheDownloadsUntilTheNextFullRepaint)
{
    Fetcher(QStringLiteral("http://127.0.0.1:%1").arg(test::RefusingPort()));
    Cache(TileKey{4, 3, 3, 2}, kCoarse);  // a cached coarser tile still shows
    int failures = 0;
    QObject::connect(fetcher.get(), &CTileFetcher::tileFinished, [&](const TileKey&, int r) { failures += r == -3; });
    CTileLayer layer(fetcher.get(), root);
    EXPECT_FALSE(Paint(layer, kTileServiceOsm, ThreeByThree()));
    EXPECT_EQ(fetcher->PendingCount(), 9);
    ASSERT_TRUE(test::WaitUntil([&] { return fetcher->PendingCount() == 0; }, 10000));
    EXPECT_EQ(failures, 1);  // the first failure cancelled the rest
    EXPECT_EQ(layer.Downloading(), 0);
    EXPECT_FALSE(Paint(layer, kTileServiceOsm, ThreeByThree(), PixelRect{0, 0, 300, 300}));
    EXPECT_EQ(fetcher->PendingCount(), 0);
    EXPECT_EQ(picture.pixelColor(Middle(9, 6)), kCoarse);
    EXPECT_FALSE(Paint(layer, kTileServiceOsm, ThreeByThree()));
    EXPECT_EQ(fetcher->PendingCount(), 9);
}

TEST_F(TileLayerTest, ASlowPaintGivesWayToWaitingInputAndKeepsItsTiles)
{
    for (int y = 4; y <= 8; ++y)
        for (int x = 7; x <= 11; ++x) Cache(TileKey{x, y, 4, 2}, kOsm);
    // A red line across the middle: objects are drawn only by a paint that covered all.
    const WorldRect w = ThreeByThree();
    const double midY = (w.minY + w.maxY) / 2;
    auto ring = std::make_unique<GRing>();
    ring->Add(WorldPoint{w.minX, midY});
    ring->Add(WorldPoint{w.maxX, midY});
    auto* line = new GPolyline(std::move(ring));
    line->m_crColor = MakeRgb(255, 0, 0);
    line->m_nPenWidth = 9;
    ASSERT_TRUE(doc.AddObject(line));

    doc.m_nTileService = kTileServiceOsm;
    view = std::make_unique<CKorvelView>(&doc);
    view->resize(kSide, kSide);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->SetWorldRect(w);
    layer = InstallTileLayer(*view, nullptr, root);
    layer->SetSliceMs(0);      // give way after every tile taken from the cache
    layer->SetBusyAfterMs(0);  // and show the busy cursor at once
    view->repaint();
    ASSERT_NE(layer->Tiles(), nullptr);
    EXPECT_EQ(layer->Tiles()->GetCount(), 1u);
    ASSERT_NE(layer->FindTile(TileKey{8, 5, 4, 2}), nullptr);
    EXPECT_TRUE(layer->FindTile(TileKey{8, 5, 4, 2})->m_bLoaded);
    EXPECT_EQ(view->MapPicture().pixelColor(10, 10), kOsm);
    const QPoint onLine = view->GetViewport().WorldToScreen(WorldPoint{(w.minX + w.maxX) / 2, midY});
    EXPECT_NE(view->MapPicture().pixelColor(onLine), QColor(255, 0, 0));  // no objects yet
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    // A wheel turn waiting meanwhile is handled before the paint goes on; the next paints
    // reuse what was drawn and go on until everything, objects too, is there.
    const WorldRect before = view->GetWorldRect();
    int paintsAtOldView = 0;
    QObject::connect(view.get(), &CKorvelView::viewChanged, [&] { paintsAtOldView = layer->Tiles()->GetCount(); });
    QCoreApplication::postEvent(view.get(), new QWheelEvent(QPointF(kSide / 2, kSide / 2), view->mapToGlobal(QPointF(kSide / 2, kSide / 2)),
                                                             QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                                             Qt::NoScrollPhase, false));
    EXPECT_TRUE(test::WaitUntil([&] { return QGuiApplication::overrideCursor() == nullptr; }, 10000));
    EXPECT_NE(view->GetWorldRect().maxX, before.maxX);
    EXPECT_EQ(paintsAtOldView, 1);  // the wheel came before the next paint of the old view
    QApplication::processEvents();
    EXPECT_EQ(view->MapPicture().pixelColor(view->GetViewport().WorldToScreen(WorldPoint{(w.minX + w.maxX) / 2, midY})),
              QColor(255, 0, 0));
}

// Rasterises page 1 of a PDF; a null image when poppler is not there.
QImage PdfPage(const QString& pdf, const QString& prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

TEST_F(TileLayerTest, PrintsCachedOpenStreetMapTilesWithTheCredit)
{
    for (int y = 5; y <= 7; ++y)
        for (int x = 8; x <= 10; ++x) Cache(TileKey{x, y, 4, 2}, kOsm);
    server.SetDefault({404, "nicht da"});
    OpenView(kTileServiceGoogle);
    const int asked = server.TotalRequests();
    const QString pdf = dir.filePath(QStringLiteral("karte.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setFullPage(true);  // the square window fills the page width at its top
    ASSERT_TRUE(view->PrintDocument(&printer));
    Settle();
    EXPECT_EQ(server.TotalRequests(), asked);  // printing never downloads
    const QImage page = PdfPage(pdf, dir.filePath(QStringLiteral("seite")));
    if (page.isNull()) GTEST_SKIP() << "pdftoppm not available";
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 && std::abs(a.blue() - b.blue()) < 12;
    };
    const int side = page.width();
    EXPECT_TRUE(near(page.pixelColor(side / 2, side / 2), kOsm)) << page.pixelColor(side / 2, side / 2).name().toStdString();
    EXPECT_TRUE(near(page.pixelColor(side / 2, side - 2), kOsm));
    EXPECT_GT(page.pixelColor(side - 2, side - 2).lightness(), kOsm.lightness() + 40);  // the credit's box
}

}  // namespace
}  // namespace korvel
