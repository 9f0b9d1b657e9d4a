// GTile and GTileList: decoding cache files into memory with white transparent, drawing placed
// by the key, the list's order and hand-outs, archiving, and LoadTile's result codes.
#include "imagefiles.h"
#include "tileserver.h"

#include "imagery/gtile.h"
#include "imagery/tilefetch.h"
#include "model/korveldoc.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <png.h>
#include <tiffio.h>

namespace korvel {
namespace {

using test::RecordingView;

constexpr TileKey kKey{8, 5, 4, 2};

class GTileTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterImageryClasses(); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString Root() const { return m_dir.filePath(QStringLiteral("cache")); }

    // A 4 x 4 PNG: red, except for a white pixel at (1, 0) and a blue one at (3, 3).
    QString MakePng(const QString& path)
    {
        std::vector<uint8_t> px;
        for (int i = 0; i < 16; ++i) px.insert(px.end(), {255, 0, 0});
        px[3] = px[4] = px[5] = 255;
        px[45] = 0, px[47] = 255;
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(test::WritePng(path, 4, 4, PNG_COLOR_TYPE_RGB, 8, px));
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_F(GTileTest, CacheFilesDecodeIntoMemoryWithWhiteTransparent)
{
    // A grey TIFF goes through a colour table; black stays, white becomes transparent.
    test::TiffLayout grey{.width = 2, .height = 1, .bitsPerSample = 8, .samplesPerPixel = 1, .photometric = PHOTOMETRIC_MINISBLACK};
    grey.pixels = {0, 255};
    ASSERT_TRUE(test::WriteTiff(Path("grey.img"), grey));
    ASSERT_TRUE(test::WritePng(Path("opaque.img"), 2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 254, 255, 255}));
    ASSERT_TRUE(test::WriteText(Path("garbage.img"), "<html>no tile</html>"));
    ASSERT_TRUE(test::WriteText(Path("empty.img"), ""));
    QFile big(Path("big.img"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(kMaxTileFileBytes + 1));
    big.close();
    MakePng(Path("red.img"));

    struct Row {
        const char* file;
        bool loaded;
        std::vector<uint32_t> first;  // the first words of the picture
        bool opaque;
    };
    const Row rows[] = {
        {"red.img", true, {0xFFFF0000u, 0u, 0xFFFF0000u}, false},
        {"grey.img", true, {0xFF000000u, 0u}, false},
        {"opaque.img", true, {0xFF010203u, 0xFFFEFFFFu}, true},
        {"garbage.img", false, {}, false},
        {"empty.img", false, {}, false},
        {"big.img", false, {}, false},
        {"missing.img", false, {}, false},
    };
    for (const Row& r : rows) {
        GTile tile(kKey);
        EXPECT_EQ(tile.LoadFile(Path(r.file)), r.loaded) << r.file;
        EXPECT_EQ(tile.m_bLoaded, r.loaded ? 1 : 0) << r.file;
        EXPECT_EQ(tile.m_strPath, Path(r.file));
        if (!r.loaded) {
            EXPECT_EQ(tile.Picture(), nullptr) << r.file;
            continue;
        }
        const CTilePicture* pic = tile.Picture();
        ASSERT_NE(pic, nullptr) << r.file;
        EXPECT_EQ(pic->width, tile.m_nWidth);
        EXPECT_EQ(pic->height, tile.m_nHeight);
        EXPECT_EQ(pic->opaque, r.opaque) << r.file;
        for (size_t i = 0; i < r.first.size(); ++i) EXPECT_EQ(pic->argb[i], r.first[i]) << r.file << " word " << i;
        EXPECT_EQ(tile.m_rcBounds, TileBounds(kKey).bounds);  // placed by its key
    }
}

TEST_F(GTileTest, DrawsThePartUnderTheClipOntoTheTilesPlace)
{
    GTile tile(kKey);
    ASSERT_TRUE(tile.LoadFile(MakePng(Path("t.img"))));
    const WorldRect b = TileBounds(kKey).bounds;
    // A hundred device pixels per picture pixel, the tile's north-west corner at pixel (10, 20).
    const double s = (b.maxX - b.minX) / 400;
    RecordingView view(ViewTransform{b.minX - 10 * s, b.maxY + 20 * s, s, s, false});
    tile.Draw(view, &view.m_canvas, PixelRect{0, 0, 1000, 1000});
    tile.Draw(view, &view.m_canvas, PixelRect{0, 0, 260, 270});
    EXPECT_EQ(test::Join(view.m_canvas.Calls()),
              "Dib 0 0 4 4 -> 10 20 410 420 px ff0000 ------ ff0000 ff0000 ff0000 ff0000 ff0000 ff0000 "
              "ff0000 ff0000 ff0000 ff0000 ff0000 ff0000 ff0000 0000ff; "
              "Dib 0 0 3 3 -> 10 20 310 320 px ff0000 ------ ff0000 ff0000 ff0000 ff0000 ff0000 ff0000 ff0000");

    // A placeholder draws nothing; a clone shares the picture and the key.
    GTile placeholder(kKey);
    placeholder.CalcBounds();
    view.m_canvas.Clear();
    placeholder.Draw(view, &view.m_canvas, PixelRect{0, 0, 100, 100});
    EXPECT_TRUE(view.m_canvas.Calls().isEmpty());
    std::unique_ptr<GTile> copy(static_cast<GTile*>(tile.Clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_key, kKey);
    EXPECT_EQ(copy->Picture(), tile.Picture());
    EXPECT_EQ(copy->GetType(), GT_TILE);
}

TEST_F(GTileTest, ListKeepsZoomOrderAndHandsTilesOut)
{
    GTileList list;
    EXPECT_FALSE(list.InsertByZoom(nullptr));
    const int zooms[] = {3, 1, 3, 2, 1, 4};
    for (int i = 0; i < 6; ++i) {
        auto tile = std::make_unique<GTile>(TileKey{i, 0, zooms[i], 2});
        ASSERT_TRUE(list.InsertByZoom(tile.get()));
        tile.release();
    }
    auto columns = [&list] {
        QString order;
        for (GList::Position p = list.m_list.GetHeadPosition(); p;) order += QString::number(static_cast<GTile*>(GList::NextMember(p))->m_key.x);
        return order;
    };
    EXPECT_EQ(columns(), "143025");  // by zoom, equal zooms in the order they came

    EXPECT_EQ(list.TakeTile(TileKey{0, 0, 3, 1}), nullptr);  // another service
    std::unique_ptr<GTile> taken(list.TakeTile(TileKey{0, 0, 3, 2}));
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->m_pParent, nullptr);
    EXPECT_EQ(columns(), "14325");
    for (const char* rest : {"4325", "325", "25", "5", ""}) {
        std::unique_ptr<GTile> head(list.RemoveHead());
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(columns(), rest);
    }
    EXPECT_EQ(list.RemoveHead(), nullptr);
}

TEST_F(GTileTest, ArchivedTileListsComeBackWithTheirTiles)
{
    const QString kvd = Path("kacheln.kvd");
    const QString file = MakePng(TileCacheFile(kKey, Root()));
    {
        CKorvelDoc doc;
        doc.OnNewDocument(CRS_WEBMERCATOR);
        auto list = std::make_unique<GTileList>();
        auto loaded = std::make_unique<GTile>(kKey);
        ASSERT_TRUE(loaded->LoadFile(file));
        auto placeholder = std::make_unique<GTile>(TileKey{9, 5, 4, 2});
        placeholder->CalcBounds();
        ASSERT_TRUE(list->InsertByZoom(loaded.release()));
        ASSERT_TRUE(list->InsertByZoom(placeholder.release()));
        ASSERT_TRUE(doc.m_pRoot->AddTail(list.release()));
        ASSERT_EQ(doc.Save(kvd), KvdStatus::Ok);
    }
    CKorvelDoc doc;
    ASSERT_EQ(doc.Open(kvd), KvdStatus::Ok);
    ASSERT_EQ(doc.m_pRoot->GetCount(), 1u);
    GList::Position p = doc.m_pRoot->m_list.GetHeadPosition();
    auto* list = dynamic_cast<GTileList*>(GList::NextMember(p));
    ASSERT_NE(list, nullptr);
    std::unique_ptr<GTile> first(list->RemoveHead());
    std::unique_ptr<GTile> second(list->RemoveHead());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->m_key, kKey);
    EXPECT_EQ(first->m_bLoaded, 1);
    EXPECT_EQ(first->m_nWidth, 4);
    EXPECT_EQ(first->m_rcBounds, TileBounds(kKey).bounds);
    EXPECT_EQ(second->m_key, (TileKey{9, 5, 4, 2}));
    EXPECT_EQ(second->m_bLoaded, 0);
    EXPECT_EQ(second->m_rcBounds, TileBounds(second->m_key).bounds);
}

TEST_F(GTileTest, LoadTileResults)
{
    // A fetcher whose server refuses: requests stay pending long enough to be seen.
    TileServers servers;
    servers.base[2] = QStringLiteral("http://127.0.0.1:%1").arg(test::RefusingPort());
    CTileFetcher fetcher(servers, Root());
    const TileKey cached{1, 1, 1, 2};
    const TileKey broken{0, 1, 1, 2};
    MakePng(TileCacheFile(cached, Root()));
    ASSERT_TRUE(test::WriteText(TileCacheFile(broken, Root()), "kaputt"));

    struct Row {
        TileKey key;
        bool cacheOnly;
        bool withFetcher;
        int result;
    };
    const Row rows[] = {
        {cached, false, true, kTileFromCache},
        {cached, true, false, kTileFromCache},
        {kKey, true, true, kTileMissing},
        {kKey, false, false, kTileMissing},
        {kKey, false, true, kTileDownloading},
        {broken, true, true, kTileMissing},
        {broken, false, true, kTileDownloading},  // an undecodable cache file is fetched again
    };
    for (const Row& r : rows) {
        fetcher.CancelAll();
        GTile tile;
        const int result = LoadTile(tile, r.key, Root(), r.cacheOnly, r.withFetcher ? &fetcher : nullptr);
        EXPECT_EQ(result, r.result) << r.key.x << "/" << r.key.y << " cacheOnly " << r.cacheOnly;
        EXPECT_EQ(tile.m_key, r.key);
        EXPECT_EQ(tile.m_bLoaded, result == kTileFromCache ? 1 : 0);
        EXPECT_EQ(tile.m_rcBounds, TileBounds(r.key).bounds);
        EXPECT_EQ(fetcher.IsPending(r.key), result == kTileDownloading);
        EXPECT_TRUE(QFileInfo(TileCacheFolder(r.key, Root())).isDir());
    }
    fetcher.CancelAll();

    // A cache root that is a file: no folder, result 0, nothing computed.
    ASSERT_TRUE(test::WriteText(Path("datei"), "x"));
    GTile tile;
    EXPECT_EQ(LoadTile(tile, kKey, Path("datei"), false, &fetcher), kTileNoCacheFolder);
    EXPECT_EQ(tile.m_key, kKey);
    EXPECT_TRUE(tile.m_rcBounds.IsEmpty());
    EXPECT_EQ(fetcher.PendingCount(), 0);
}

}  // namespace
}  // namespace korvel
