#include "imagery/tilemath.h"

#include "crs/transform.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <cmath>
#include <numbers>

namespace korvel {
namespace {

constexpr int kMaxZoomOsm = 18;
constexpr int kMaxZoomOthers = 19;

// Northern edge of row `y` of `n` rows, in degrees.
double RowNorth(double y, double n)
{
    constexpr double pi = std::numbers::pi;
    return (std::atan(std::exp((1 - 2 * y / n) * pi)) - pi / 4) * 360 / pi;
}

int32_t ClampIndex(double v, int32_t n)
{
    if (!(v > 0)) return 0;
    return v >= n ? n - 1 : int32_t(v);
}

// "scheme://host[:port]" of a configured server, or empty when `text` is not just that.
QString ServerBase(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return QString();
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return QString();
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) return QString();
    if (!url.path().isEmpty() && url.path() != QLatin1String("/")) return QString();
    return scheme + QLatin1String("://") + url.authority(QUrl::FullyEncoded);
}

}  // namespace

int CapTileZoom(int z, int service)
{
    if (z < 2) return 1;
    const int cap = service == kTileServiceOsm ? kMaxZoomOsm : kMaxZoomOthers;
    return z > cap ? cap : z;
}

std::optional<TileKey> TileForPoint(double lon, double lat, int z, int service)
{
    // The negated comparisons refuse NaN as well.
    if (!(lon >= -180 && lon <= 180) || !(lat >= -kTileMaxLat && lat <= kTileMaxLat)) return std::nullopt;
    z = CapTileZoom(z, service);
    const int32_t n = int32_t(1) << z;
    const double phi = lat * std::numbers::pi / 180;
    const double x = std::floor((lon + 180) / 360 * n);
    const double y = std::floor((1 - std::log(std::tan(phi) + 1 / std::cos(phi)) / std::numbers::pi) / 2 * n);
    // kTileMaxLat lies a hair north of the true edge of row 0 and 180° is the eastern edge of
    // the last column: such points belong to the outermost tiles, not to a row -1 or a column n.
    return TileKey{ClampIndex(x, n), ClampIndex(y, n), z, service};
}

void TileLonLatBounds(const TileKey& key, double* west, double* south, double* east, double* north)
{
    const double n = std::ldexp(1.0, key.z);
    *west = key.x / n * 360 - 180;
    *east = (key.x + 1.0) / n * 360 - 180;
    *north = RowNorth(key.y, n);
    *south = RowNorth(key.y + 1.0, n);
}

TileExtent TileBounds(const TileKey& key)
{
    double west = 0, south = 0, east = 0, north = 0;
    TileLonLatBounds(key, &west, &south, &east, &north);
    WorldPoint sw{west, south};
    WorldPoint ne{east, north};
    CoordTransform toMercator{1, CRS_WGS84, CRS_WEBMERCATOR};
    if (!TransformPoint(&sw, &toMercator) || !TransformPoint(&ne, &toMercator)) return TileExtent{};
    TileExtent e;
    e.bounds = WorldRect{sw.x, sw.y, ne.x, ne.y};
    e.centre = WorldPoint{(sw.x + ne.x) / 2, (sw.y + ne.y) / 2};
    return e;
}

int TileZoomForSpan(double lonSpanDegrees, int service)
{
    const double w = std::fabs(lonSpanDegrees);
    const int cap = CapTileZoom(INT32_MAX, service);
    int z = 2;
    double v = 180;
    // Beyond the cap the result no longer changes (and a span of 0 would halve v for long).
    while (v > w && z < cap) {
        ++z;
        v /= 2;
    }
    return CapTileZoom(z, service);
}

QString QuadKey(int x, int y, int z)
{
    QString key;
    if (z < 1 || z > 31) return key;
    key.reserve(z);
    for (int i = z - 1; i >= 0; --i) {
        const int bit = 1 << i;
        key += QLatin1Char(char('0' + ((x & bit) ? 1 : 0) + ((y & bit) ? 2 : 0)));
    }
    return key;
}

TileServers DefaultTileServers()
{
    TileServers s;
    s.base[kTileServiceGoogle] = QStringLiteral("https://khm.google.com");
    s.base[kTileServiceOsm] = QStringLiteral("https://tile.openstreetmap.org");
    s.base[kTileServiceVeAerial] = QStringLiteral("https://ecn.t0.tiles.virtualearth.net");
    s.base[kTileServiceVeRoad] = QStringLiteral("https://ecn.t0.tiles.virtualearth.net");
    return s;
}

TileServers ReadTileServers(const QSettings& settings)
{
    TileServers s = DefaultTileServers();
    for (int service = 1; service < kTileServiceCount; ++service) {
        const QString key = QStringLiteral("%1/Service%2").arg(QLatin1String(kTileSettingsGroup)).arg(service);
        const QVariant value = settings.value(key);
        if (!value.isValid()) continue;
        const QString base = ServerBase(value.toString());
        if (!base.isEmpty()) s.base[service] = base;
    }
    return s;
}

TileServers ReadConfiguredTileServers()
{
    // The desktop program's store (see app/appsettings.h), which korvel-cli cannot include.
    const QSettings settings(QStringLiteral("Veldmark"), QStringLiteral("Korvel"));
    return ReadTileServers(settings);
}

QString TileUrl(const TileKey& key, const TileServers& servers)
{
    if (key.service < 1 || key.service >= kTileServiceCount) return QString();
    const QString& base = servers.base[key.service];
    if (base.isEmpty()) return QString();
    switch (key.service) {
    case kTileServiceGoogle: return base + QString::asprintf("/kh/v=51&x=%d&s=&y=%d&z=%d", key.x, key.y, key.z);
    case kTileServiceOsm: return base + QString::asprintf("/%d/%d/%d.png", key.z, key.x, key.y);
    case kTileServiceVeAerial:
        return base + QString::asprintf("/tiles/a%s.jpeg?g=%d", qPrintable(QuadKey(key.x, key.y, key.z)), key.z);
    case kTileServiceVeRoad:
        return base + QString::asprintf("/tiles/r%s.png?g=%d", qPrintable(QuadKey(key.x, key.y, key.z)), key.z);
    default: return QString();
    }
}

QString DefaultTileCacheRoot()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    // Without a cache location the program's own folder takes the cache.
    if (base.isEmpty()) return QCoreApplication::applicationDirPath() + QStringLiteral("/Cache");
    return base + QStringLiteral("/Korvel/Cache");
}

QString TileCacheFolder(const TileKey& key, const QString& cacheRoot)
{
    return QStringLiteral("%1/%2/%3/%4").arg(cacheRoot).arg(key.service).arg(key.z).arg(key.y);
}

QString TileCacheFile(const TileKey& key, const QString& cacheRoot)
{
    return QStringLiteral("%1/%2.img").arg(TileCacheFolder(key, cacheRoot)).arg(key.x);
}

QString TileAttribution(int service)
{
    switch (service) {
    case kTileServiceGoogle: return QStringLiteral("Bilder © Google");
    case kTileServiceOsm: return QStringLiteral("© OpenStreetMap-Mitwirkende");
    case kTileServiceVeAerial:
    case kTileServiceVeRoad: return QStringLiteral("© Microsoft");
    default: return QString();
    }
}

}  // namespace korvel
