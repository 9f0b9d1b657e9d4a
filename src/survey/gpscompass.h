#pragma once
// The compass: where the receiver is and which way it travels, in a metric system chosen from
// the active document, and the bearing and distance to the active view's find marker. A plain
// state that the compass bar updates every 100 ms and draws heading-up on a Canvas.

#include "crs/worldpoint.h"
#include "gps/gpsfix.h"
#include "model/canvas.h"
#include "model/pixel.h"

#include <QString>

#include <array>
#include <cstdint>

namespace korvel {

class GFindPt;

inline constexpr int IDS_COMPASS_TARGET = 4301;  // "Pkt-Nr: %1"

inline constexpr COLORREF kCompassTravelArrow = MakeRgb(0, 0, 255);    // blue
inline constexpr COLORREF kCompassTargetArrow = MakeRgb(27, 158, 30);  // green

// The system the compass measures in for a document in `docSys`: the document's own, except
// that the web-map system (whose units are not metres) becomes UTM with the zone of the
// current position.
std::int32_t CompassSystem(std::int32_t docSys);

// "%.2lf m" below 10, "%.0lf m" below 1000, else "%.1lf km"; `distance` in metres (or units).
QString FormatCompassDistance(double distance);

// The travel arrow's outline, pointing up: a design square from -120 to 120 scaled by
// radius / 120 about `centre` (pixels, rounded to the nearest pixel). Eight points, the last
// repeating the first.
using ArrowOutline = std::array<PixelPoint, 8>;
ArrowOutline TravelArrow(PixelPoint centre, int32_t radius);
// The same outline turned about `centre` by `angle` radians, each point kept at its distance
// and rounded to the nearest pixel. Angles grow counter-clockwise on screen, like `heading`:
// a point at angle atan2(dx, dy) from the centre moves to that angle plus `angle`.
ArrowOutline TurnArrow(const ArrowOutline& arrow, PixelPoint centre, double angle);

struct CompassLook {
    COLORREF background = MakeRgb(240, 240, 240);  // the button face; the letters are opaque on it
    LogFont font;                                  // the bar's font
};

struct GpsCompass {
    // Angles in radians; positions in the compass system (x = easting first).
    WorldPoint position;           // the current GPS position
    WorldPoint previousPosition;   // the position before it changed last
    double heading = 0.0;          // pi minus the clockwise course (pi = travelling north)
    WorldPoint target;             // the find marker; (0, 0) = none
    double relativeBearing = 0.0;  // bearing to the target minus heading
    double distance = 0.0;         // to the target, metres (units of the compass system)
    QString targetNumber;          // the marker's point number, "???" when it has none
    std::int32_t system = 0;       // the compass system of the last position (UTM zone chosen)

    // One tick of the compass timer. `fix` is the GPS port's fix record (null: no managed
    // port, nothing changes); `marker` the active view's find marker (null: none) with its
    // position in `docSys`, the active document's system (or the default for new documents).
    void Update(const GpsFix* fix, const GFindPt* marker, std::int32_t docSys);

    // Draws the rose, the travel arrow and, with a target, the target arrow, number and
    // distance into `area` (pixels), which the caller has filled with the background.
    void Draw(Canvas& dc, const PixelRect& area, const CompassLook& look) const;

    bool HasTarget() const { return target.x != 0.0 || target.y != 0.0; }
};

}  // namespace korvel
