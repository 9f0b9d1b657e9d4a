// korvel-cli tile LON LAT --zoom Z [--service S]: the web-map tile holding a point, as one JSON
// object: address, quadkey, bounds and centre in web-mercator metres, the download address
// with the configured server and the cache file, exactly as the program would use them.

#include "cli/clicommand.h"
#include "imagery/tilemath.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace korvel::cli {
namespace {

constexpr char kUsage[] = "Aufruf: korvel-cli tile LÄNGE BREITE --zoom Z [--service S]\n"
                          "LÄNGE und BREITE in Grad (WGS84), Z die Zoomstufe, S der Kartendienst: 1 Google Maps,\n"
                          "2 OpenStreetMap (Voreinstellung), 3 Virtual Earth (Satellit), 4 Virtual Earth (Karten).\n";

// 17 significant digits, whatever the process locale.
std::string Number(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    return std::string(buf, r.ptr);
}

std::string JsonString(const QString& s)
{
    std::string out = "\"";
    for (const char c : s.toStdString()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

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
        QString name = args[i];
        if (!name.startsWith(QLatin1String("--"))) {
            positional << name;  // also negative numbers
            continue;
        }
        QString value;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq > 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
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
    const std::string out = "{\"x\":" + std::to_string(key->x) + ",\"y\":" + std::to_string(key->y) +
                            ",\"z\":" + std::to_string(key->z) + ",\"service\":" + std::to_string(key->service) +
                            ",\"quadkey\":" + JsonString(QuadKey(key->x, key->y, key->z)) + ",\"bounds\":[" +
                            Number(e.bounds.minX) + "," + Number(e.bounds.minY) + "," + Number(e.bounds.maxX) + "," +
                            Number(e.bounds.maxY) + "],\"center\":[" + Number(e.centre.x) + "," + Number(e.centre.y) +
                            "],\"url\":" + JsonString(TileUrl(*key, ReadConfiguredTileServers())) +
                            ",\"cache\":" + JsonString(TileCacheFile(*key, DefaultTileCacheRoot())) + "}\n";
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "Die Ausgabe konnte nicht geschrieben werden.\n");
        return 1;
    }
    return 0;
}

const CliCommand reg("tile", "tile LÄNGE BREITE --zoom Z [--service S] - die Kachel eines Punkts als JSON", &Run);

}  // namespace
}  // namespace korvel::cli
