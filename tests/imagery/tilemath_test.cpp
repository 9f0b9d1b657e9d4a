// Tile maths: addressing (points, zoom caps, edges of the world), bounds in web-mercator
// metres, the zoom rule of a view, quadkeys, download addresses with configured servers and the
// cache layout.
#include "imagery/tilemath.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <cmath>

namespace korvel {
namespace {

constexpr double kMercatorEdge = 20037508.342789244;  // pi x 6378137 m

TEST(TileMath, TileForPointAddressesAndCapsTheZoom)
{
    struct Row {
        double lon, lat;
        int z, service;
        std::optional<TileKey> expected;
    };
    const Row rows[] = {
        {-180, kTileMaxLat, 1, 2, TileKey{0, 0, 1, 2}},   // north-west corner of the world
        {0, 0, 1, 2, TileKey{1, 1, 1, 2}},
        {0, 0, 0, 2, TileKey{1, 1, 1, 2}},                // zoom below 2 gives 1
        {180, -kTileMaxLat, 1, 1, TileKey{1, 1, 1, 1}},   // south-east corner: last column and row
        {13.4, 52.5, 25, 2, TileKey{140829, 85995, 18, 2}},  // OpenStreetMap ends at 18
        {13.4, 52.5, 25, 1, TileKey{281659, 171990, 19, 1}}, // the others at 19
        {13.4, 52.5, 25, 3, TileKey{281659, 171990, 19, 3}},
        {11.25, 48.9224992637582, 4, 2, TileKey{8, 5, 4, 2}},
        {180.000001, 0, 3, 2, std::nullopt},
        {-180.000001, 0, 3, 2, std::nullopt},
        {0, 85.06, 3, 2, std::nullopt},
        {0, -85.06, 3, 2, std::nullopt},
        {NAN, 0, 3, 2, std::nullopt},
        {0, NAN, 3, 2, std::nullopt},
    };
    for (const Row& r : rows) {
        const std::optional<TileKey> key = TileForPoint(r.lon, r.lat, r.z, r.service);
        ASSERT_EQ(key.has_value(), r.expected.has_value()) << r.lon << " " << r.lat;
        if (!key) continue;
        EXPECT_EQ(key->x, r.expected->x) << r.lon << " " << r.lat << " z" << r.z;
        EXPECT_EQ(key->y, r.expected->y) << r.lon << " " << r.lat << " z" << r.z;
        EXPECT_EQ(key->z, r.expected->z) << r.lon << " " << r.lat << " z" << r.z;
        EXPECT_EQ(key->service, r.service);
    }
}

TEST(TileMath, BoundsAreTheCornersInWebMercatorMetres)
{
    struct Row {
        TileKey key;
        WorldRect bounds;
    };
    const Row rows[] = {
        {{0, 0, 1, 2}, {-kMercatorEdge, 0, 0, kMercatorEdge}},
        {{1, 1, 1, 2}, {0, -kMercatorEdge, kMercatorEdge, 0}},
        {{8, 5, 4, 2}, {0, 5009377.08569731, 2504688.5428486555, 7514065.628545966}},
    };
    for (const Row& r : rows) {
        const TileExtent e = TileBounds(r.key);
        EXPECT_NEAR(e.bounds.minX, r.bounds.minX, 1e-3) << r.key.x << "/" << r.key.y << "/" << r.key.z;
        EXPECT_NEAR(e.bounds.minY, r.bounds.minY, 1e-3) << r.key.x << "/" << r.key.y << "/" << r.key.z;
        EXPECT_NEAR(e.bounds.maxX, r.bounds.maxX, 1e-3) << r.key.x << "/" << r.key.y << "/" << r.key.z;
        EXPECT_NEAR(e.bounds.maxY, r.bounds.maxY, 1e-3) << r.key.x << "/" << r.key.y << "/" << r.key.z;
        EXPECT_DOUBLE_EQ(e.centre.x, (e.bounds.minX + e.bounds.maxX) / 2);
        EXPECT_DOUBLE_EQ(e.centre.y, (e.bounds.minY + e.bounds.maxY) / 2);
    }
}

TEST(TileMath, EveryTileHoldsItsOwnCentreAndTouchesItsNeighbours)
{
    for (int z = 1; z <= 6; ++z) {
        const int n = 1 << z;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const TileKey key{x, y, z, 2};
                double w = 0, s = 0, e = 0, north = 0;
                TileLonLatBounds(key, &w, &s, &e, &north);
                const std::optional<TileKey> back = TileForPoint((w + e) / 2, (s + north) / 2, z, 2);
                ASSERT_TRUE(back.has_value());
                ASSERT_EQ(*back, key);
                double w2 = 0, s2 = 0, e2 = 0, n2 = 0;
                TileLonLatBounds(TileKey{x, y + 1, z, 2}, &w2, &s2, &e2, &n2);
                ASSERT_EQ(n2, s);  // the next row starts where this one ends
            }
        }
    }
}

TEST(TileMath, ZoomRuleOfAView)
{
    struct Row {
        double span;
        int service;
        int z;
    };
    const Row rows[] = {
        {360, 2, 2}, {180, 2, 2}, {179.9, 2, 3}, {100, 2, 3}, {90, 2, 3}, {1, 2, 10}, {-1, 2, 10},
        {1e-6, 2, 18}, {0, 2, 18}, {0, 1, 19}, {1e-6, 4, 19},
    };
    for (const Row& r : rows) EXPECT_EQ(TileZoomForSpan(r.span, r.service), r.z) << r.span << " service " << r.service;
}

TEST(TileMath, QuadKeys)
{
    struct Row {
        int x, y, z;
        const char* key;
    };
    const Row rows[] = {{0, 0, 3, "000"}, {7, 7, 3, "333"}, {3, 5, 3, "213"}, {1, 0, 1, "1"}, {0, 0, 0, ""}};
    for (const Row& r : rows) EXPECT_EQ(QuadKey(r.x, r.y, r.z), QLatin1String(r.key));
}

TEST(TileMath, UrlsAppendTheFixedPathsToTheServers)
{
    TileServers servers = DefaultTileServers();
    servers.base[2] = QStringLiteral("http://127.0.0.1:8080");
    struct Row {
        TileKey key;
        const char* url;
    };
    const Row rows[] = {
        {{8, 5, 4, 2}, "http://127.0.0.1:8080/4/8/5.png"},
        {{3, 5, 3, 1}, "https://khm.google.com/kh/v=51&x=3&s=&y=5&z=3"},
        {{3, 5, 3, 3}, "https://ecn.t0.tiles.virtualearth.net/tiles/a213.jpeg?g=3"},
        {{3, 5, 3, 4}, "https://ecn.t0.tiles.virtualearth.net/tiles/r213.png?g=3"},
        {{3, 5, 3, 0}, ""},
        {{3, 5, 3, 5}, ""},
    };
    for (const Row& r : rows) EXPECT_EQ(TileUrl(r.key, servers), QLatin1String(r.url)) << r.key.service;
    for (int s = 1; s <= 4; ++s) EXPECT_TRUE(DefaultTileServers().base[s].startsWith(QLatin1String("https://"))) << s;
}

TEST(TileMath, ServersComeFromTheSettingsWhenTheyAreServerAddresses)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath("k.ini"), QSettings::IniFormat);
    struct Row {
        const char* value;
        const char* base;  // what ends up configured (the default for bad values)
    };
    const QString osm = DefaultTileServers().base[2];
    const Row rows[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {" HTTPS://Tiles.Example.org/ ", "https://tiles.example.org"},
        {"http://[::1]:9000", "http://[::1]:9000"},
        {"ftp://tiles.example.org", nullptr},
        {"tiles.example.org", nullptr},
        {"http://tiles.example.org/osm", nullptr},
        {"http://tiles.example.org/?a=1", nullptr},
        {"http://user:pw@tiles.example.org", nullptr},
        {"", nullptr},
    };
    for (const Row& r : rows) {
        settings.setValue("Tiles/Service2", QString::fromUtf8(r.value));
        EXPECT_EQ(ReadTileServers(settings).base[2], r.base ? QString::fromUtf8(r.base) : osm) << r.value;
    }
    settings.remove("Tiles/Service2");
    settings.setValue("Tiles/Service4", "http://localhost:1");
    const TileServers s = ReadTileServers(settings);
    EXPECT_EQ(s.base[2], osm);
    EXPECT_EQ(s.base[4], "http://localhost:1");
    EXPECT_EQ(s.base[1], DefaultTileServers().base[1]);
}

TEST(TileMath, CacheLayoutIsServiceZoomRowColumn)
{
    EXPECT_EQ(TileCacheFile(TileKey{8, 5, 4, 2}, "/c"), "/c/2/4/5/8.img");
    EXPECT_EQ(TileCacheFolder(TileKey{8, 5, 4, 2}, "/c"), "/c/2/4/5");
    EXPECT_TRUE(DefaultTileCacheRoot().endsWith("/Korvel/Cache"));
}

}  // namespace
}  // namespace korvel
