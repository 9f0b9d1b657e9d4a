#pragma once
// The `.prj` text written beside a shapefile: the coordinate system of the written
// coordinates as ESRI well-known text, so that GIS programs place the data without asking.

#include <QByteArray>

#include <cstdint>

namespace korvel {

// ESRI WKT for the coordinate system `coordSys` (identifiers as in crs/transform.h), or an
// empty text when there is none to name (the local system 0 and unknown identifiers).
//
// Web-mercator documents are exported as WGS84 degrees, so 900913 and 4326 both give the
// geographic WGS84 system. Gauss-Krüger zones 2-5 are DHDN on Bessel with the zone number in
// front of the easting (false easting zone × 1 000 000 + 500 000). For UTM the text must
// describe the eastings that are actually written: the zone-prefixed eastings of 25832/25833
// (32 500 000 on the central meridian of zone 32) need a false easting of zone × 1 000 000 +
// 500 000, not the 500 000 of the public EPSG:25832 definition, or GIS programs would place
// the data 32 000 km away; the seven-digit variants 325832/325833 carry 30 000 000 less
// (2 500 000 and 3 500 000).
QByteArray EsriWktForCoordSys(int32_t coordSys);

}  // namespace korvel
