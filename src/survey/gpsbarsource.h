#pragma once
// What the satellite view and the compass read, handed to them by the window that hosts them:
// the receiver port, the active view's find marker and the coordinate system of the active
// document. The bars never look for windows or documents themselves, so they can be driven by
// fakes, and the main window decides what "active" means.

#include "gps/gpsfix.h"

#include <cstdint>
#include <functional>

namespace korvel {

class CSerialComm;
class GFindPt;

struct GpsBarSource {
    // The managed GPS port whose fix record the bars read (and the sky plot ages), or null.
    std::function<CSerialComm*()> gpsPort;
    // The find marker of the active view of the active document window, or null.
    std::function<const GFindPt*()> findMarker;
    // The active document's coordinate system, or the default for new documents when no
    // document is active.
    std::function<std::int32_t()> coordSys;
    // Seconds since 1970; empty = the PC clock.
    GpsClock clock;

    // The answers with the empty members filled in: the application's GPS port, no marker,
    // the web-map system 900913, the PC clock.
    CSerialComm* Port() const;
    const GFindPt* Marker() const;
    std::int32_t CoordSys() const;
    std::int64_t Now() const;
};

}  // namespace korvel
