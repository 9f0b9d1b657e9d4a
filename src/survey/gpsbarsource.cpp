#include "survey/gpsbarsource.h"

#include "crs/transform.h"
#include "gps/portmanager.h"

namespace korvel {

CSerialComm* GpsBarSource::Port() const
{
    return gpsPort ? gpsPort() : PortManager().GetGpsPort();
}

const GFindPt* GpsBarSource::Marker() const
{
    return findMarker ? findMarker() : nullptr;
}

std::int32_t GpsBarSource::CoordSys() const
{
    return coordSys ? coordSys() : CRS_WEBMERCATOR;
}

std::int64_t GpsBarSource::Now() const
{
    return clock ? clock() : SystemClockSeconds();
}

}  // namespace korvel
