#pragma once
// GPX 1.1, the exchange format of GPS receivers, phones and map editors: waypoints, routes and
// tracks in WGS84 degrees. The reader yields plain records and checks what it reads (numbers,
// ranges, the nesting of the point elements) so that a damaged file is refused as a whole with
// the place of its first fault; the writer takes plain records. Turning them into map objects
// is the import's and export's business.
//
// Untrusted input: the reader never resolves entities beyond XML's five predefined ones. A
// file with a document type declaration is refused before anything in it is expanded, so
// neither external entities nor entity bombs can take effect.

#include "crs/worldpoint.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

namespace korvel {

// One waypoint: pos.x = longitude, pos.y = latitude (degrees); the texts as written in the
// file (surrounding white space removed), absent when the element was not there.
struct GpxWaypoint {
    WorldPoint pos;
    std::optional<QString> name;
    std::optional<QString> ele;   // metres, a decimal number as written
    std::optional<QString> time;  // ISO 8601 as written
    std::optional<QString> desc;

    friend bool operator==(const GpxWaypoint&, const GpxWaypoint&) = default;
};

// A route (one list of points) or a track (one list per segment), in file order.
struct GpxPath {
    bool route = false;
    std::optional<QString> name;
    std::optional<QString> desc;
    std::optional<QString> type;
    std::vector<std::vector<WorldPoint>> segments;  // x = longitude, y = latitude (degrees)

    friend bool operator==(const GpxPath&, const GpxPath&) = default;
};

struct GpxContent {
    std::vector<GpxWaypoint> waypoints;
    std::vector<GpxPath> paths;  // routes and tracks in the order of the file

    bool IsEmpty() const { return waypoints.empty() && paths.empty(); }

    friend bool operator==(const GpxContent&, const GpxContent&) = default;
};

// Why a file was refused. The values are the ids of the German texts in the string table.
enum class GpxFault : uint16_t {
    None = 0,
    Truncated = 1231,        // the file ends inside the document
    NotWellFormed = 1232,    // the XML itself is broken (nesting, characters, encoding)
    Doctype = 1233,          // a document type declaration (entities are not expanded)
    NotGpx = 1234,           // the root element is not <gpx>
    BadNumber = 1235,        // %1: a coordinate or elevation that is no decimal number
    LatitudeRange = 1236,    // %1: a latitude outside -90 … 90
    LongitudeRange = 1237,   // %1: a longitude outside -180 … 180
    MissingCoordinate = 1238,  // %1: "lat" or "lon" missing on a point
    Misplaced = 1239,        // %1: a point or path element where it does not belong
    TextInName = 1240,       // an element inside a text element (name, desc, …)
    Encoding = 1241,         // bytes that are not UTF-8 in a file meant as UTF-8
};

// Where and why reading stopped. Line and column count from 1 (the column in characters).
struct GpxReadError {
    GpxFault fault = GpxFault::None;
    int64_t line = 0;
    int64_t column = 0;
    QString detail;  // the offending value or element name, for the message's %1
};

// Reads a GPX 1.1 (or 1.0) document from `device`, from its position to its end (a file is
// mapped, other devices are read whole). Elements of other namespaces, extensions and elements
// this program does not keep are passed over; their XML is still checked. True with `content`
// filled on success; false with `error` set (and `content` left empty) on the first fault.
bool ReadGpx(QIODevice& device, GpxContent* content, GpxReadError* error);

// Writes `content` as a GPX 1.1 document in UTF-8: waypoints first, then every path as a
// track (routes included), as the schema orders them. Coordinates with nine decimals. False
// when the device refused a write.
bool WriteGpx(QIODevice& device, const GpxContent& content, const QString& creator);

}  // namespace korvel
