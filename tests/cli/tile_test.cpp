// korvel-cli tile: the tile of a point as JSON with exact metres, the configured server and
// the cache file below the user's cache folder; points outside the tiles and bad arguments.
#include "imagery/tilemath.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace korvel {
namespace {

// Points the program's settings and cache folders into a temporary folder for one test.
class CliTile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        m_oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath("cache")));
        QDir().mkpath(m_dir.filePath("config/Veldmark"));
        QFile conf(m_dir.filePath("config/Veldmark/Korvel.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Tiles]\nService2=http://127.0.0.1:8080\n");
    }
    void TearDown() override
    {
        auto restore = [](const char* name, const QByteArray& old) {
            if (old.isEmpty()) qunsetenv(name);
            else qputenv(name, old);
        };
        restore("XDG_CONFIG_HOME", m_oldConfig);
        restore("XDG_CACHE_HOME", m_oldCache);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
    QByteArray m_oldCache;
};

TEST_F(CliTile, PrintsTheTileAsJson)
{
    struct Row {
        QStringList args;
        TileKey key;
        const char* quadkey;
        QString url;
    };
    const Row rows[] = {
        {{"11.25", "48.92", "--zoom", "4", "--service", "2"}, {8, 5, 4, 2}, "1202", "http://127.0.0.1:8080/4/8/5.png"},
        {{"-180", "85.0511287798", "--zoom=0"}, {0, 0, 1, 2}, "0", "http://127.0.0.1:8080/1/0/0.png"},
        {{"0", "0", "--zoom", "25", "--service", "3"}, {262144, 262144, 19, 3}, "3000000000000000000",
         DefaultTileServers().base[3] + "/tiles/a3000000000000000000.jpeg?g=19"},
    };
    for (const Row& r : rows) {
        const auto p = test::RunCli(QStringList{"tile"} + r.args);
        ASSERT_EQ(p.exitCode, 0) << p.err.constData();
        EXPECT_TRUE(p.out.endsWith("}\n"));
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(p.out, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << p.out.constData();
        EXPECT_EQ(o.keys(), (QStringList{"bounds", "cache", "center", "quadkey", "service", "url", "x", "y", "z"}));
        EXPECT_EQ(o["x"].toInt(), r.key.x);
        EXPECT_EQ(o["y"].toInt(), r.key.y);
        EXPECT_EQ(o["z"].toInt(), r.key.z);
        EXPECT_EQ(o["service"].toInt(), r.key.service);
        EXPECT_EQ(o["quadkey"].toString(), QLatin1String(r.quadkey));
        EXPECT_EQ(o["url"].toString(), r.url);
        EXPECT_EQ(o["cache"].toString(), TileCacheFile(r.key, m_dir.filePath("cache/Korvel/Cache")));
        // Every digit needed to give back the very same metres.
        const TileExtent e = TileBounds(r.key);
        const QJsonArray b = o["bounds"].toArray();
        ASSERT_EQ(b.size(), 4);
        EXPECT_EQ(b[0].toDouble(), e.bounds.minX);
        EXPECT_EQ(b[1].toDouble(), e.bounds.minY);
        EXPECT_EQ(b[2].toDouble(), e.bounds.maxX);
        EXPECT_EQ(b[3].toDouble(), e.bounds.maxY);
        EXPECT_EQ(o["center"].toArray()[0].toDouble(), e.centre.x);
        EXPECT_EQ(o["center"].toArray()[1].toDouble(), e.centre.y);
    }
}

TEST_F(CliTile, PointsOutsideTheTilesAndBadArgumentsFail)
{
    struct Row {
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Row rows[] = {
        {{"0", "85.06", "--zoom", "3"}, 1, "außerhalb"},
        {{"180.5", "0", "--zoom", "3"}, 1, "außerhalb"},
        {{"0", "0"}, 2, "Aufruf"},
        {{"0", "0", "--zoom", "3", "--service", "5"}, 2, "Ungültiger Wert für --service"},
        {{"0", "x", "--zoom", "3"}, 2, "Aufruf"},
        {{"0", "0", "--zoom", "3", "--farbe", "1"}, 2, "Unbekannte Option"},
    };
    for (const Row& r : rows) {
        const auto p = test::RunCli(QStringList{"tile"} + r.args);
        EXPECT_EQ(p.exitCode, r.exitCode) << r.args.join(' ').toStdString();
        EXPECT_TRUE(p.out.isEmpty());
        EXPECT_TRUE(QString::fromUtf8(p.err).contains(QString::fromUtf8(r.message))) << p.err.constData();
    }
}

}  // namespace
}  // namespace korvel
