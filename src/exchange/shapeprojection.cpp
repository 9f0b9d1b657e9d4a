#include "exchange/shapeprojection.h"

#include "crs/transform.h"

namespace korvel {
namespace {

constexpr const char* kWgs84Geographic =
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

constexpr const char* kDhdnGeographic =
    "GEOGCS[\"GCS_Deutsches_Hauptdreiecksnetz\",DATUM[\"D_Deutsches_Hauptdreiecksnetz\","
    "SPHEROID[\"Bessel_1841\",6377397.155,299.1528128]],PRIMEM[\"Greenwich\",0.0],"
    "UNIT[\"Degree\",0.0174532925199433]]";

constexpr const char* kEtrs89Geographic =
    "GEOGCS[\"GCS_ETRS_1989\",DATUM[\"D_ETRS_1989\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

QByteArray Projected(const QByteArray& name, const char* geographic, const char* projection,
                     double falseEasting, int centralMeridian, const char* scale)
{
    return "PROJCS[\"" + name + "\"," + geographic + ",PROJECTION[\"" + projection +
           "\"],PARAMETER[\"False_Easting\"," + QByteArray::number(falseEasting, 'f', 1) +
           "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," +
           QByteArray::number(centralMeridian) + ".0],PARAMETER[\"Scale_Factor\"," + scale +
           "],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

}  // namespace

QByteArray EsriWktForCoordSys(int32_t coordSys)
{
    if (coordSys == CRS_WGS84 || coordSys == CRS_WEBMERCATOR) return kWgs84Geographic;
    if (coordSys >= 31466 && coordSys <= 31469) {
        const int zone = coordSys - 31464;
        return Projected("DHDN_3_Degree_Gauss_Kruger_Zone_" + QByteArray::number(zone), kDhdnGeographic,
                         "Gauss_Kruger", zone * 1000000.0 + 500000.0, 3 * zone, "1.0");
    }
    if (coordSys >= 25801 && coordSys <= 25860) {
        const int zone = coordSys - 25800;
        return Projected("ETRS_1989_UTM_Zone_N" + QByteArray::number(zone), kEtrs89Geographic,
                         "Transverse_Mercator", zone * 1000000.0 + 500000.0, 6 * zone - 183, "0.9996");
    }
    if (coordSys == 325832 || coordSys == 325833) {
        const int zone = coordSys - 325800;
        return Projected("ETRS_1989_UTM_Zone_" + QByteArray::number(zone) + "N_7stellig", kEtrs89Geographic,
                         "Transverse_Mercator", (zone - 30) * 1000000.0 + 500000.0, 6 * zone - 183, "0.9996");
    }
    return QByteArray();
}

}  // namespace korvel
