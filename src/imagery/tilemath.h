#pragma once
// Web-map tiles: the tile key, the conversion between tiles and coordinates (degrees of 4326
// and web-mercator metres of 900913), the zoom rule of a view, quadkeys, the four tile services
// with their configurable servers and fixed paths, and the layout of the disk cache.
//
// Tiles are 2^z x 2^z squares of the web-mercator world: columns count from longitude -180°
// eastwards, rows from latitude 85.0511287798° southwards.

#include "crs/worldpoint.h"

#include <QString>

#include <cstdint>
#include <optional>

class QSettings;

namespace korvel {

// Tile service codes (stored per document).
inline constexpr int kTileServiceNone = 0;
inline constexpr int kTileServiceGoogle = 1;       // satellite pictures
inline constexpr int kTileServiceOsm = 2;          // OpenStreetMap
inline constexpr int kTileServiceVeAerial = 3;     // Virtual Earth satellite pictures
inline constexpr int kTileServiceVeRoad = 4;       // Virtual Earth road maps
inline constexpr int kTileServiceCount = 5;        // codes 0 .. 4

// One tile: column x, row y, zoom level z, service code (four int32 in this order, also the
// 16 bytes a tile record stores).
struct TileKey {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int32_t service = 0;

    friend bool operator==(const TileKey&, const TileKey&) = default;
};

// The latitude (degrees) of the northern edge of row 0 and, negated, of the southern edge of
// the last row.
inline constexpr double kTileMaxLat = 85.0511287798;

// The zoom level a service delivers for the wish `z`: below 2 gives 1, then at most 18 for
// OpenStreetMap and 19 for the other services.
int CapTileZoom(int z, int service);

// The tile of `service` at zoom level CapTileZoom(z, service) that holds the point lon, lat
// (degrees, 4326). None east of 180°, west of -180°, beyond ±kTileMaxLat or for NaN. A point on
// the eastern or southern edge of the world (lon 180, lat -kTileMaxLat) lies in the last
// column or row.
std::optional<TileKey> TileForPoint(double lon, double lat, int z, int service);

// A tile's place in web-mercator metres (900913): its bounds and their midpoint.
struct TileExtent {
    WorldRect bounds;
    WorldPoint centre;
};
// The corners (west, south) and (east, north) of the tile converted from 4326 to 900913 with
// TransformPoint; the all-zero extent when they cannot be converted.
TileExtent TileBounds(const TileKey& key);

// The tile's edges in degrees (4326).
void TileLonLatBounds(const TileKey& key, double* west, double* south, double* east, double* north);

// The zoom level of a view whose client area spans `lonSpanDegrees` of longitude: 2 for 180°
// or more, one more for each halving (100° gives 3, 1° gives 10), capped for `service` as
// CapTileZoom caps.
int TileZoomForSpan(double lonSpanDegrees, int service);

// The quadkey of a tile: z digits, from the most significant bit of x and y down to bit 0,
// each '0' + (bit of x) + 2 * (bit of y). Empty for z < 1.
QString QuadKey(int x, int y, int z);

// The server of each service as "scheme://host[:port]", without a path; the fixed path of the
// service is appended to it. Index = service code; [0] stays empty.
struct TileServers {
    QString base[kTileServiceCount];
};

// The settings group and keys of the servers: "Tiles/Service1" .. "Tiles/Service4".
inline constexpr char kTileSettingsGroup[] = "Tiles";

// The built-in HTTPS servers.
TileServers DefaultTileServers();
// The servers configured in `settings` (keys Tiles/Service1 .. Tiles/Service4). A missing key
// or a value that is not an http or https address of a host (an optional port, no path, no
// query) gives the default.
TileServers ReadTileServers(const QSettings& settings);
// The servers from the desktop program's own settings store (read by korvel-cli too).
TileServers ReadConfiguredTileServers();

// The download address of a tile: the service's server followed by its fixed path. Empty for
// an unknown service or one without a server.
QString TileUrl(const TileKey& key, const TileServers& servers);

// The cache folder of tiles: QStandardPaths::GenericCacheLocation followed by "/Korvel/Cache"
// (normally ~/.cache/Korvel/Cache).
QString DefaultTileCacheRoot();
// The cache folder of a tile's row: <root>/<service>/<zoom>/<row>.
QString TileCacheFolder(const TileKey& key, const QString& cacheRoot);
// The cache file of a tile: <root>/<service>/<zoom>/<row>/<column>.img. The file holds the
// server's answer unchanged, whatever its format.
QString TileCacheFile(const TileKey& key, const QString& cacheRoot);

// The credit a service requires while its tiles are shown (e.g. "© OpenStreetMap-Mitwirkende");
// empty for no service.
QString TileAttribution(int service);

}  // namespace korvel
