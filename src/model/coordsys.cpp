#include "model/coordsys.h"

#include "crs/transform.h"
#include "strings/stringtable.h"

#include <cmath>
#include <cstdio>

namespace korvel {

QString CoordSysName(int32_t id)
{
    for (const CoordSysEntry& e : kCoordSysCatalogue) {
        if (e.id == id) return QString::fromUtf8(e.name);
    }
    return QString();
}

int CoordSysListIndex(int32_t id)
{
    for (size_t i = 0; i < kCoordSysCatalogue.size(); ++i) {
        if (kCoordSysCatalogue[i].id == id) return static_cast<int>(i);
    }
    return 0;
}

int32_t ParseCoordSysSetting(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : kDefaultCoordSys;
}

bool ShowsDegrees(int32_t coordSys)
{
    return coordSys == CRS_LOCAL || coordSys == CRS_WGS84 || coordSys == CRS_WEBMERCATOR;
}

WorldPoint ShownPosition(int32_t coordSys, const WorldPoint& p)
{
    WorldPoint shown = p;
    if (coordSys == CRS_WEBMERCATOR) {
        CoordTransform t{1, CRS_WEBMERCATOR, CRS_WGS84};
        TransformPoint(&shown, &t);  // only non-finite values fail, and they stay as they are
    }
    return shown;
}

bool DocumentPosition(int32_t coordSys, WorldPoint* p)
{
    if (coordSys != CRS_WEBMERCATOR) return true;
    CoordTransform t{1, CRS_WGS84, CRS_WEBMERCATOR};
    return TransformPoint(p, &t);
}

namespace {

// The C library's formatting (Qt's own printf drops the sign of −0, for one).
QString Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromUtf8(text);
}

QString Format(const char* format, char letter, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, letter, value);
    return QString::fromUtf8(text);
}

// "E 9.000000°" for east (zero counts as east), "W 0.500000°" with the absolute value for west.
QString Hemisphere(double value, char positive, char negative)
{
    return Format("%c %.6f°", value >= 0.0 ? positive : negative, std::fabs(value));
}

}  // namespace

CoordinateDisplay DisplayCoordinates(int32_t coordSys, const WorldPoint& p)
{
    CoordinateDisplay d;
    const WorldPoint shown = ShownPosition(coordSys, p);

    if (coordSys == CRS_WEBMERCATOR || coordSys == CRS_WGS84) {
        d.system = coordSys == CRS_WEBMERCATOR ? QStringLiteral("WGS84") : QStringLiteral("EPSG:4326");
        d.first = Hemisphere(shown.x, 'E', 'W');
        d.second = Hemisphere(shown.y, 'N', 'S');
    } else {
        d.system = coordSys == CRS_LOCAL ? QStringLiteral("Local") : QStringLiteral("EPSG:%1").arg(coordSys);
        d.first = Format("R %.3f", p.x);
        d.second = Format("H %.3f", p.y);
    }

    // The dialog shows local coordinates like degrees: six decimals, longitude/latitude labels.
    const bool degrees = ShowsDegrees(coordSys);
    d.firstLabel = LoadString(degrees ? IDS_LABEL_LONGITUDE : IDS_LABEL_RIGHT);
    d.secondLabel = LoadString(degrees ? IDS_LABEL_LATITUDE : IDS_LABEL_UP);
    d.firstValue = Format(degrees ? "%.6f" : "%.3f", shown.x);
    d.secondValue = Format(degrees ? "%.6f" : "%.3f", shown.y);
    return d;
}

}  // namespace korvel
