// korvel-cli tile LON LAT --zoom Z [--service S]: the web-map tile holding a point, as one JSON
// object: address, quadkey, bounds and centre in web-mercator metres, the download address
// with the configured server and the cache file, exactly as the program would use them.

#include "cli/clicommand.h"
#include "imagery/tilemath.h"
#include "model/kvdjson.h"

#include <QFile>

#include <cstdio>

namespace korvel::cli {
namespace {

constexpr char kUsage[] = "Aufruf: korvel-cli tile LÄNGE BREITE --zoom Z [--service S]\n"
                          "LÄNGE und BREITE in Grad (WGS84), Z die Zoomstufe, S der Kartendienst: 1 Google Maps,\n"
                          "2 OpenStreetMap (Voreinstellung), 3 Virtual Earth (Satellit), 4 Virtual Earth (Karten).\n";

bool ParseDouble(const QString& text, double* value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok;
}

int Run(const QStringList& args)
{
    QStringList positional;
    int zoom = 0;
    int service = kTileServiceOsm;
    bool haveZoom = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!args[i].startsWith(QLatin1String("--"))) {
            positional << args[i];  // also negative numbers
            continue;
        }
        QString name;
        QString value;
        if (!SplitOption(args, &i, &name, &value)) {
            std::fprintf(stderr, "Wert fehlt für %s\n%s", qPrintable(name), kUsage);
            return 2;
        }
        bool ok = false;
        const int n = value.toInt(&ok);
        if (name == QLatin1String("--zoom") && ok) {
            zoom = n;
            haveZoom = true;
        } else if (name == QLatin1String("--service") && ok && n >= 1 && n < kTileServiceCount) {
            service = n;
        } else if (name == QLatin1String("--zoom") || name == QLatin1String("--service")) {
            std::fprintf(stderr, "Ungültiger Wert für %s: %s\n%s", qPrintable(name), qPrintable(value), kUsage);
            return 2;
        } else {
            std::fprintf(stderr, "Unbekannte Option: %s\n%s", qPrintable(name), kUsage);
            return 2;
        }
    }
    double lon = 0;
    double lat = 0;
    if (positional.size() != 2 || !haveZoom || !ParseDouble(positional[0], &lon) || !ParseDouble(positional[1], &lat)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const std::optional<TileKey> key = TileForPoint(lon, lat, zoom, service);
    if (!key) {
        std::fprintf(stderr,
                     "Der Punkt %s %s liegt außerhalb der Kacheln (Länge -180° bis 180°, Breite "
                     "-85,0511287798° bis 85,0511287798°).\n",
                     qPrintable(positional[0]), qPrintable(positional[1]));
        return 1;
    }
    const TileExtent e = TileBounds(*key);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) return 1;
    CKvdJson json(out);
    json.BeginObject();
    json.Key("x");
    json.Value(key->x);
    json.Key("y");
    json.Value(key->y);
    json.Key("z");
    json.Value(key->z);
    json.Key("service");
    json.Value(key->service);
    json.Key("quadkey");
    json.Value(QuadKey(key->x, key->y, key->z));
    json.Key("bounds");
    json.BeginArray();
    for (const double v : {e.bounds.minX, e.bounds.minY, e.bounds.maxX, e.bounds.maxY}) json.Value(v);
    json.EndArray();
    json.Key("center");
    json.Point(e.centre.x, e.centre.y);
    json.Key("url");
    json.Value(TileUrl(*key, ReadConfiguredTileServers()));
    json.Key("cache");
    json.Value(TileCacheFile(*key, DefaultTileCacheRoot()));
    json.EndObject();
    if (!json.Flush() || out.write("\n", 1) != 1 || !out.flush()) {
        std::fprintf(stderr, "Die Ausgabe konnte nicht geschrieben werden.\n");
        return 1;
    }
    return 0;
}

const CliCommand reg("tile", "tile LÄNGE BREITE --zoom Z [--service S] - die Kachel eines Punkts als JSON", &Run);

}  // namespace
}  // namespace korvel::cli
