#include "model/coordsys.h"

#include "crs/transform.h"

#include <gtest/gtest.h>

#include <QString>

namespace korvel {
namespace {

TEST(CoordSys, CatalogueOrderNamesAndIds)
{
    const struct {
        int32_t id;
        const char* name;
    } expected[] = {
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
    };
    ASSERT_EQ(kCoordSysCatalogue.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(kCoordSysCatalogue[i].id, expected[i].id);
        EXPECT_EQ(CoordSysName(expected[i].id), QString::fromUtf8(expected[i].name));
        EXPECT_EQ(CoordSysListIndex(expected[i].id), static_cast<int>(i));
        // Every offered system but the local one can be converted to and from.
        EXPECT_EQ(IsTransformable(expected[i].id), expected[i].id != 0);
    }
}

TEST(CoordSys, SystemsOutsideTheListPreselectTheLocalEntry)
{
    for (int32_t id : {4326, -3, 25831, 31465, 12345}) {
        EXPECT_EQ(CoordSysListIndex(id), 0) << id;
        EXPECT_TRUE(CoordSysName(id).isEmpty()) << id;
    }
}

TEST(CoordSys, DefaultSetting)
{
    const struct {
        const char* text;
        int32_t id;
    } cases[] = {
        {"", 900913},       {"abc", 900913},   {"31467", 31467},  {" 25833 ", 25833}, {"0", 0},
        {"4326", 4326},     {"-3", -3},        {"31467x", 900913}, {"1e5", 900913},  {"9999999999", 900913},
        {"0x7A69", 900913}, {"325832", 325832},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCoordSysSetting(QString::fromUtf8(c.text)), c.id) << c.text;
    EXPECT_EQ(ParseCoordSysSetting(QString()), 900913);  // missing
}

// One row per document system: the status-bar panes and the point dialog's fields.
TEST(CoordSys, Display)
{
    const struct {
        int32_t coordSys;
        WorldPoint p;
        const char* system;
        const char* first;
        const char* second;
        const char* firstLabel;
        const char* secondLabel;
        const char* firstValue;
        const char* secondValue;
    } rows[] = {
        // Web-mercator metres are shown as degrees.
        {900913, {-55659.745396637, 0.0}, "WGS84", "W 0.500000°", "N 0.000000°", "Longitude:", "Latitude:",
         "-0.500000", "0.000000"},
        {900913, {1001875.417139, 6446275.841017}, "WGS84", "E 9.000000°", "N 50.000000°", "Longitude:",
         "Latitude:", "9.000000", "50.000000"},
        {4326, {-70.25, -33.125}, "EPSG:4326", "W 70.250000°", "S 33.125000°", "Longitude:", "Latitude:",
         "-70.250000", "-33.125000"},
        {4326, {-0.0, 0.0}, "EPSG:4326", "E 0.000000°", "N 0.000000°", "Longitude:", "Latitude:", "-0.000000",
         "0.000000"},
        // Local coordinates: metres in the status bar, but degree formatting in the dialog.
        {0, {12.0, 3.5}, "Local", "R 12.000", "H 3.500", "Longitude:", "Latitude:", "12.000000", "3.500000"},
        {31467, {3500000.0, 5540000.0}, "EPSG:31467", "R 3500000.000", "H 5540000.000", "Rechts:", "Hoch:",
         "3500000.000", "5540000.000"},
        {325833, {3391390.7316, 5817855.2404}, "EPSG:325833", "R 3391390.732", "H 5817855.240", "Rechts:",
         "Hoch:", "3391390.732", "5817855.240"},
        {25832, {-1.0005, 2.0}, "EPSG:25832", "R -1.000", "H 2.000", "Rechts:", "Hoch:", "-1.000", "2.000"},
    };
    for (const auto& r : rows) {
        const CoordinateDisplay d = DisplayCoordinates(r.coordSys, r.p);
        EXPECT_EQ(d.system, QString::fromUtf8(r.system)) << r.coordSys;
        EXPECT_EQ(d.first, QString::fromUtf8(r.first)) << r.coordSys;
        EXPECT_EQ(d.second, QString::fromUtf8(r.second)) << r.coordSys;
        EXPECT_EQ(d.firstLabel, QString::fromUtf8(r.firstLabel)) << r.coordSys;
        EXPECT_EQ(d.secondLabel, QString::fromUtf8(r.secondLabel)) << r.coordSys;
        EXPECT_EQ(d.firstValue, QString::fromUtf8(r.firstValue)) << r.coordSys;
        EXPECT_EQ(d.secondValue, QString::fromUtf8(r.secondValue)) << r.coordSys;
    }
}

TEST(CoordSys, TypedDegreesBecomeWebMercatorMetres)
{
    WorldPoint p{9.0, 50.0};
    ASSERT_TRUE(DocumentPosition(900913, &p));
    EXPECT_NEAR(p.x, 1001875.417139, 1e-6);
    EXPECT_NEAR(p.y, 6446275.841017, 1e-6);
    const WorldPoint back = ShownPosition(900913, p);
    EXPECT_NEAR(back.x, 9.0, 1e-12);
    EXPECT_NEAR(back.y, 50.0, 1e-12);

    WorldPoint gk{3500000.0, 5540000.0};
    ASSERT_TRUE(DocumentPosition(31467, &gk));  // metres stay metres
    EXPECT_EQ(gk, (WorldPoint{3500000.0, 5540000.0}));
    EXPECT_EQ(ShownPosition(0, gk), gk);
}

}  // namespace
}  // namespace korvel
