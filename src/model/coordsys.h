#pragma once
// The coordinate systems a user can choose, under the names the choice list shows, the default
// system for new documents, and how a world position is shown to the user: the three
// status-bar panes of the map view and the two coordinate fields of the point dialog.

#include "crs/worldpoint.h"

#include <QString>

#include <array>
#include <cstdint>

namespace korvel {

// The system new documents get when the "CoordSys" setting is missing or not a number.
inline constexpr int32_t kDefaultCoordSys = 900913;

// Dialog labels (string table).
inline constexpr int IDS_LABEL_LONGITUDE = 150;  // "Longitude:"
inline constexpr int IDS_LABEL_LATITUDE = 151;   // "Latitude:"
inline constexpr int IDS_LABEL_RIGHT = 152;      // "Rechts:"
inline constexpr int IDS_LABEL_UP = 153;         // "Hoch:"

struct CoordSysEntry {
    int32_t id;
    const char* name;  // UTF-8, exactly as the choice list shows it
};

// The catalogue in display order. "WGS84" is the web-mercator system 900913: documents that
// show online maps keep web-mercator metres and show positions in degrees. 4326 is not offered.
inline constexpr std::array<CoordSysEntry, 10> kCoordSysCatalogue{{
    {0, "Unbekannt(Lokal)"},
    {900913, "WGS84"},
    {31466, "DHDN / Gauss-Krüger-Bessel 3° Zone 2"},
    {31467, "DHDN / Gauss-Krüger-Bessel 3° Zone 3"},
    {31468, "DHDN / Gauss-Krüger-Bessel 3° Zone 4"},
    {31469, "DHDN / Gauss-Krüger-Bessel 3° Zone 5"},
    {25832, "ETRS89 / UTM Zone 32N"},
    {25833, "ETRS89 / UTM Zone 33N"},
    {325832, "ETRS89 / UTM Zone 32N (7-stellig)"},
    {325833, "ETRS89 / UTM Zone 33N (7-stellig)"},
}};

// The catalogue name of `id`, or an empty string when the list does not offer it.
QString CoordSysName(int32_t id);

// The list entry to preselect for `id`: its index, or 0 ("Unbekannt(Lokal)") when the list
// has no such entry (4326, for instance).
int CoordSysListIndex(int32_t id);

// The "CoordSys" setting's decimal text as a system identifier; kDefaultCoordSys when the
// text is empty (missing) or not a 32-bit decimal number.
int32_t ParseCoordSysSetting(const QString& text);

// Whether positions of a document in `coordSys` are shown as longitude/latitude degrees
// (0, 4326, 900913) rather than as easting/northing metres.
bool ShowsDegrees(int32_t coordSys);

// The position as the user sees it: web-mercator metres become WGS84 degrees (x = longitude,
// y = latitude), every other system is shown as it is stored.
WorldPoint ShownPosition(int32_t coordSys, const WorldPoint& p);

// The inverse of ShownPosition, for values the user typed: degrees become web-mercator metres
// in a 900913 document. Returns false (and leaves `p` alone) when they cannot be converted.
bool DocumentPosition(int32_t coordSys, WorldPoint* p);

// Every text that shows one world position of a document in `coordSys`.
struct CoordinateDisplay {
    QString system;       // status-bar pane 1: "WGS84", "EPSG:31467", "Local"
    QString first;        // pane 2: "E 9.000000°" / "W 0.500000°", or "R 3500000.000"
    QString second;       // pane 3: "N 50.000000°" / "S …", or "H 5540000.000"
    QString firstLabel;   // point dialog: "Longitude:" or "Rechts:"
    QString secondLabel;  // "Latitude:" or "Hoch:"
    QString firstValue;   // "%.6lf" of the shown longitude, or "%.3lf" of the easting
    QString secondValue;
};

// The texts for world position `p` (in the document's system `coordSys`).
CoordinateDisplay DisplayCoordinates(int32_t coordSys, const WorldPoint& p);

}  // namespace korvel
