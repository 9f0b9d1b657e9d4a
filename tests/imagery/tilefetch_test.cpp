// CTileFetcher against a local HTTP server: the request (path, User-Agent, extra header), the
// cache file, every way a download fails (and that it then leaves no file), the time-outs,
// two requests at once per server, cancelling, and an undecodable answer fetched again.
#include "imagefiles.h"
#include "tileserver.h"

#include "imagery/gtile.h"
#include "imagery/tilefetch.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <png.h>

namespace korvel {
namespace {

using test::TileTestServer;

constexpr int kNoReport = 99;

class TileFetchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.IsListening());
        std::vector<uint8_t> px(256 * 256 * 3, 200);
        ASSERT_TRUE(test::WritePng(m_dir.filePath("tile.png"), 256, 256, PNG_COLOR_TYPE_RGB, 8, px));
        QFile f(m_dir.filePath("tile.png"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        m_png = f.readAll();
    }

    QString Root() const { return m_dir.filePath(QStringLiteral("cache")); }

    TileServers Servers(const QString& base) const
    {
        TileServers s;
        for (int i = 1; i < kTileServiceCount; ++i) s.base[i] = base;
        return s;
    }

    // Requests `key` and waits for its report; kNoReport when none came within `waitMs`.
    int Fetch(CTileFetcher& fetcher, const TileKey& key, int waitMs = 5000)
    {
        int result = kNoReport;
        const QMetaObject::Connection c =
            QObject::connect(&fetcher, &CTileFetcher::tileFinished, [&](const TileKey& k, int r) {
                if (!(k == key)) return;
                EXPECT_FALSE(fetcher.IsPending(key));  // the report comes after the bookkeeping
                result = r;
            });
        fetcher.Request(key);
        test::WaitUntil([&] { return result != kNoReport; }, waitMs);
        QObject::disconnect(c);
        return result;
    }

    // Every file below the cache root, relative to it.
    QStringList CacheFiles() const
    {
        QStringList files;
        QDirIterator it(Root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) files << QDir(Root()).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QTemporaryDir m_dir;
    TileTestServer m_server;
    QByteArray m_png;
};

TEST_F(TileFetchTest, DownloadsTheTileIntoTheCache)
{
    CTileFetcher fetcher(Servers(m_server.Base()), Root());
    m_server.SetAnswer("/4/8/5.png", {.body = m_png});
    const TileKey osm{8, 5, 4, 2};
    ASSERT_EQ(Fetch(fetcher, osm), kTileDownloaded);
    EXPECT_EQ(m_server.Paths(), QStringList{"/4/8/5.png"});
    EXPECT_EQ(CacheFiles(), QStringList{"2/4/5/8.img"});
    QFile cached(TileCacheFile(osm, Root()));
    ASSERT_TRUE(cached.open(QIODevice::ReadOnly));
    EXPECT_EQ(cached.readAll(), m_png);  // the body as it came

    const QByteArray agent = m_server.Header("/4/8/5.png", "user-agent");
    EXPECT_EQ(agent, TileUserAgent());
    EXPECT_TRUE(QRegularExpression("^Korvel/\\d+\\.\\d+\\.\\d+$").match(QString::fromLatin1(agent)).hasMatch()) << agent.constData();
    EXPECT_EQ(m_server.Header("/4/8/5.png", "content-type"), "image/*");

    // The quadkey services ask for their own path; the loader then finds the tile in the cache.
    m_server.SetAnswer("/tiles/a213.jpeg?g=3", {.body = m_png});
    ASSERT_EQ(Fetch(fetcher, TileKey{3, 5, 3, 3}), kTileDownloaded);
    GTile tile;
    EXPECT_EQ(LoadTile(tile, TileKey{3, 5, 3, 3}, Root(), true, nullptr), kTileFromCache);
    EXPECT_EQ(tile.m_nWidth, 256);
}

TEST_F(TileFetchTest, FailuresLeaveNoFileBehind)
{
    const QByteArray tooLarge(int(4 << 20) + 1, 'x');
    struct Row {
        const char* what;
        TileTestServer::Answer answer;
        int result;
    };
    const Row rows[] = {
        {"404", {.status = 404, .body = "fehlt"}, kTileMissing},
        {"500", {.status = 500, .body = "kaputt"}, kTileMissing},
        {"redirect", {.status = 302}, kTileMissing},
        {"over 4 MB, announced", {.body = tooLarge}, kTileMissing},
        {"over 4 MB, unannounced", {.body = tooLarge, .withLength = false}, kTileMissing},
        {"stalled", {.body = m_png, .stallAfterBytes = 100}, kTileNetworkFailure},
        {"silent", {.silent = true}, kTileNetworkFailure},
        {"cut", {.body = m_png, .cutAfterBytes = 100}, kTileNetworkFailure},
        {"no HTTP", {.body = "\x89garbage\r\n\r\n", .raw = true}, kTileNetworkFailure},
    };
    int column = 0;
    for (const Row& r : rows) {
        CTileFetcher fetcher(Servers(m_server.Base()), Root());
        fetcher.m_nStallTimeoutMs = 1000;
        const TileKey key{column++, 0, 5, 2};
        const QString path = QStringLiteral("/5/%1/0.png").arg(key.x);
        m_server.SetAnswer(path, r.answer);
        EXPECT_EQ(Fetch(fetcher, key), r.result) << r.what;
        // Qt's HTTP client tries again when a connection ends without an HTTP answer.
        if (r.answer.raw) {
            EXPECT_GE(m_server.Count(path), 1) << r.what;
        } else {
            EXPECT_EQ(m_server.Count(path), 1) << r.what;
        }
        EXPECT_EQ(CacheFiles(), QStringList()) << r.what;
        EXPECT_EQ(fetcher.PendingCount(), 0) << r.what;
    }
}

TEST_F(TileFetchTest, ServersThatCannotBeReachedAreNetworkFailures)
{
    test::UnconnectablePort hanging;
    ASSERT_NE(hanging.Port(), 0);
    struct Row {
        const char* what;
        quint16 port;
    };
    const Row rows[] = {{"refused", test::RefusingPort()}, {"never connects", hanging.Port()}};
    for (const Row& r : rows) {
        CTileFetcher fetcher(Servers(QStringLiteral("http://127.0.0.1:%1").arg(r.port)), Root());
        fetcher.m_nStallTimeoutMs = 60000;  // only the connect time-out can end the wait in time
        EXPECT_EQ(Fetch(fetcher, TileKey{1, 1, 1, 2}, 5000), kTileNetworkFailure) << r.what;
        EXPECT_EQ(CacheFiles(), QStringList()) << r.what;
    }
}

TEST_F(TileFetchTest, ASlowServerIsNotANetworkFailure)
{
    // Rendering a tile may take the server longer than the connect time-out.
    CTileFetcher fetcher(Servers(m_server.Base()), Root());
    fetcher.m_nConnectTimeoutMs = 300;
    fetcher.m_nStallTimeoutMs = 5000;
    m_server.SetAnswer("/1/0/0.png", {.body = m_png, .delayMs = 900});
    EXPECT_EQ(Fetch(fetcher, TileKey{0, 0, 1, 2}), kTileDownloaded);
}

TEST_F(TileFetchTest, TwoRequestsAtOncePerServerInTheOrderAsked)
{
    CTileFetcher fetcher(Servers(m_server.Base()), Root());
    m_server.SetDefault({.body = m_png, .delayMs = 150});
    std::vector<std::pair<TileKey, int>> reports;
    QObject::connect(&fetcher, &CTileFetcher::tileFinished, [&](const TileKey& k, int r) { reports.emplace_back(k, r); });
    QStringList asked;
    for (int x = 0; x < 5; ++x) {
        fetcher.Request(TileKey{x, 0, 3, 2});
        fetcher.Request(TileKey{x, 0, 3, 2});  // already pending: nothing more
        asked << QStringLiteral("/3/%1/0.png").arg(x);
    }
    EXPECT_EQ(fetcher.PendingCount(), 5);
    EXPECT_TRUE(fetcher.IsPending(TileKey{4, 0, 3, 2}));
    EXPECT_FALSE(fetcher.IsPending(TileKey{4, 0, 3, 1}));
    ASSERT_TRUE(test::WaitUntil([&] { return reports.size() == 5; }, 10000));
    // First come, first served; the two connections may overtake each other on the way.
    QStringList paths = m_server.Paths();
    ASSERT_EQ(paths.size(), 5);
    std::sort(paths.begin(), paths.begin() + 2);
    std::sort(paths.begin() + 2, paths.begin() + 4);
    EXPECT_EQ(paths, asked);
    EXPECT_EQ(m_server.MaxOpen(), 2);
    for (const auto& [key, result] : reports) EXPECT_EQ(result, kTileDownloaded) << key.x;
    EXPECT_EQ(CacheFiles().size(), 5);
}

TEST_F(TileFetchTest, CancelledDownloadsReportNothingAndLeaveNothing)
{
    CTileFetcher fetcher(Servers(m_server.Base()), Root());
    m_server.SetDefault({.body = m_png, .stallAfterBytes = 100});
    int reports = 0;
    QObject::connect(&fetcher, &CTileFetcher::tileFinished, [&] { ++reports; });
    for (int x = 0; x < 4; ++x) fetcher.Request(TileKey{x, 0, 3, 2});
    ASSERT_TRUE(test::WaitUntil([&] { return m_server.TotalRequests() == 2; }, 5000));
    test::WaitUntil([] { return false; }, 100);  // the first bytes arrive and are written
    fetcher.CancelAll();
    EXPECT_EQ(fetcher.PendingCount(), 0);
    test::WaitUntil([] { return false; }, 300);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(m_server.TotalRequests(), 2);  // the waiting ones were never sent
    EXPECT_EQ(CacheFiles(), QStringList());
}

TEST_F(TileFetchTest, AnAnswerThatIsNoPictureIsFetchedAgain)
{
    CTileFetcher fetcher(Servers(m_server.Base()), Root());
    const TileKey key{1, 0, 1, 2};
    m_server.SetAnswer("/1/1/0.png", {.body = "<html>Wartung</html>"});
    ASSERT_EQ(Fetch(fetcher, key), kTileDownloaded);
    GTile tile;
    EXPECT_EQ(LoadTile(tile, key, Root(), true, &fetcher), kTileMissing);  // a partial repaint
    m_server.SetAnswer("/1/1/0.png", {.body = m_png});
    int result = kNoReport;
    QObject::connect(&fetcher, &CTileFetcher::tileFinished, [&](const TileKey&, int r) { result = r; });
    EXPECT_EQ(LoadTile(tile, key, Root(), false, &fetcher), kTileDownloading);
    ASSERT_TRUE(test::WaitUntil([&] { return result != kNoReport; }, 5000));
    EXPECT_EQ(result, kTileDownloaded);
    EXPECT_EQ(m_server.Count("/1/1/0.png"), 2);
    EXPECT_EQ(LoadTile(tile, key, Root(), true, nullptr), kTileFromCache);
    EXPECT_EQ(CacheFiles(), QStringList{"2/1/0/1.img"});
}

}  // namespace
}  // namespace korvel
