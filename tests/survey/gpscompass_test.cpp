// The compass: heading from course or movement, the way to the find marker in a metric
// system, and its drawing on a recording canvas.
#include "survey/gpscompass.h"

#include "crs/transform.h"
#include "model/gfindpt.h"

#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvel {
namespace {

using test::RecordingCanvas;
constexpr double kPi = std::numbers::pi;

GpsFix FixAt(double lon, double lat, double course = 0.0)
{
    GpsFix f;
    f.longitude = lon;
    f.latitude = lat;
    f.course = course;
    return f;
}

WorldPoint Converted(double lon, double lat, std::int32_t to)
{
    WorldPoint p{lon, lat};
    CoordTransform ct{1, CRS_WGS84, to};
    EXPECT_TRUE(TransformPoint(&p, &ct));
    return p;
}

// The difference of two angles brought into -pi … pi (atan2 may answer -pi for pi).
double AngleDiff(double a, double b)
{
    return std::remainder(a - b, 2 * kPi);
}

double Distance(WorldPoint a, WorldPoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(GpsCompass, HeadingFromCourseOrMovement)
{
    // About 111 m north, or 72 m east, of (9, 50).
    const double north = 50.001, east = 9.001;
    struct Row {
        const char* name;
        double lon2, lat2, course2;
        double expected;
    };
    const Row rows[] = {
        {"course 0, walking north", 9.0, north, 0.0, kPi},
        {"course 0, walking east", east, 50.0, 0.0, kPi / 2},
        {"course 0, walking south-west", 9.0 - 0.001 / std::cos(50.0 * kPi / 180), 50.0 - 0.001, 0.0,
         -kPi / 4},
        {"course 90 wins over the movement", 9.0, north, 90.0, kPi / 2},
        {"course 270", 9.0, north, 270.0, kPi - 1.5 * kPi},
    };
    for (const Row& r : rows) {
        GpsCompass c;
        GpsFix f = FixAt(9.0, 50.0);
        c.Update(&f, nullptr, CRS_WEBMERCATOR);
        f = FixAt(r.lon2, r.lat2, r.course2);
        c.Update(&f, nullptr, CRS_WEBMERCATOR);
        // Grid convergence of UTM near the zone's central meridian is well below this.
        EXPECT_NEAR(AngleDiff(c.heading, r.expected), 0.0, 0.01) << r.name;
    }
}

TEST(GpsCompass, HeadingStaysWhileStandingAndWithoutData)
{
    GpsCompass c;
    GpsFix f = FixAt(9.0, 50.0);
    c.Update(&f, nullptr, CRS_WEBMERCATOR);
    EXPECT_EQ(c.heading, 0.0) << "one position has no direction yet";
    f = FixAt(9.0, 50.001);
    c.Update(&f, nullptr, CRS_WEBMERCATOR);
    EXPECT_NEAR(AngleDiff(c.heading, kPi), 0.0, 1e-3);
    // Standing: the receiver reports course 0 and the same position; a course alone does not
    // turn the rose while the position stays.
    c.Update(&f, nullptr, CRS_WEBMERCATOR);
    f.course = 90.0;
    c.Update(&f, nullptr, CRS_WEBMERCATOR);
    EXPECT_NEAR(AngleDiff(c.heading, kPi), 0.0, 1e-3);
    // A record without any position, and no port at all, change nothing.
    const GpsCompass before = c;
    GpsFix empty;
    c.Update(&empty, nullptr, CRS_WEBMERCATOR);
    c.Update(nullptr, nullptr, CRS_WEBMERCATOR);
    EXPECT_EQ(c.position, before.position);
    EXPECT_EQ(c.heading, before.heading);
}

TEST(GpsCompass, DistanceInTheDocumentsMetricSystem)
{
    const double lon = 9.2, lat = 50.0, tLon = 9.21, tLat = 50.007;
    const GpsFix f = FixAt(lon, lat);
    struct Row {
        std::int32_t docSys;
        std::int32_t measuredIn;  // where the expected distance comes from
        std::int32_t compassSystem;
    };
    const Row rows[] = {
        {CRS_WEBMERCATOR, CRS_UTM32, CRS_UTM32},  // web-map units are not metres: UTM instead
        {31467, 31467, 31467},                    // Gauss-Krüger zone 3 metres
        {CRS_UTM33, CRS_UTM33, CRS_UTM33},        // a UTM document keeps its own zone
    };
    for (const Row& r : rows) {
        GFindPt marker;
        marker.SetPos(Converted(tLon, tLat, r.docSys), QStringLiteral("17"));
        GpsCompass c;
        c.Update(&f, &marker, r.docSys);
        const double expected =
            Distance(Converted(lon, lat, r.measuredIn), Converted(tLon, tLat, r.measuredIn));
        EXPECT_NEAR(c.distance, expected, 1e-4) << r.docSys;
        EXPECT_EQ(c.system, r.compassSystem) << r.docSys;
        EXPECT_EQ(c.targetNumber, QStringLiteral("17"));
        EXPECT_TRUE(c.HasTarget());
    }
    // The systems really differ by more than rounding: UTM and Gauss-Krüger scale differently
    // and web-mercator metres are stretched by 1 / cos(latitude).
    const double utm = Distance(Converted(lon, lat, CRS_UTM32), Converted(tLon, tLat, CRS_UTM32));
    const double gk = Distance(Converted(lon, lat, 31467), Converted(tLon, tLat, 31467));
    const double merc =
        Distance(Converted(lon, lat, CRS_WEBMERCATOR), Converted(tLon, tLat, CRS_WEBMERCATOR));
    EXPECT_GT(std::abs(utm - gk), 0.2);
    EXPECT_GT(merc, utm * 1.5);
}

TEST(GpsCompass, BearingNumberAndTargetFollowTheMarker)
{
    GpsCompass c;
    GpsFix f = FixAt(9.0, 50.0);
    c.Update(&f, nullptr, 31467);
    f = FixAt(9.0, 50.001);  // walking north: heading pi
    GFindPt marker;
    const WorldPoint here = Converted(9.0, 50.001, 31467);
    marker.SetPos(WorldPoint{here.x + 850.0, here.y}, QString());  // 850 m east, no number
    c.Update(&f, &marker, 31467);
    EXPECT_EQ(c.targetNumber, QStringLiteral("???"));
    EXPECT_NEAR(c.distance, 850.0, 1e-9);
    EXPECT_NEAR(AngleDiff(c.relativeBearing, -kPi / 2), 0.0, 1e-3)
        << "east of a northbound walker: a quarter turn right";
    EXPECT_EQ(c.target, (WorldPoint{here.x + 850.0, here.y}));
    RecordingCanvas dc;
    c.Draw(dc, PixelRect{0, 0, 160, 210}, CompassLook{});
    const QStringList texts = dc.CallsStartingWith("Text ");
    ASSERT_EQ(texts.size(), 6) << test::Join(dc.Calls());
    EXPECT_TRUE(texts[4].endsWith(" Pkt-Nr: ???")) << test::Join(texts);
    EXPECT_TRUE(texts[5].endsWith(" 850 m")) << test::Join(texts);

    // The marker goes away: so does the target.
    c.Update(&f, nullptr, 31467);
    EXPECT_FALSE(c.HasTarget());

    // Before the receiver reported any position there is no way to show.
    GpsCompass fresh;
    GpsFix empty;
    fresh.Update(&empty, &marker, 31467);
    EXPECT_FALSE(fresh.HasTarget());
}

TEST(GpsCompass, DistanceTexts)
{
    struct Row {
        double distance;
        const char* text;
    };
    const Row rows[] = {{850.0, "850 m"}, {8.456, "8.46 m"},  {12345.0, "12.3 km"},
                        {0.0, "0.00 m"},  {9.994, "9.99 m"},  {10.0, "10 m"},
                        {999.4, "999 m"}, {1000.0, "1.0 km"}, {1049.0, "1.0 km"}};
    for (const Row& r : rows)
        EXPECT_EQ(FormatCompassDistance(r.distance), QString::fromLatin1(r.text)) << r.distance;
}

LogFont Font12()
{
    LogFont lf;
    lf.lfHeight = -12;
    return lf;
}

TEST(GpsCompass, RoseArrowsAndTextsHeadingUp)
{
    // 160 x 210: centre (80, 105); "88" measures 12 x 12, so R = 80 - 6 = 74.
    GpsCompass c;
    c.heading = kPi;  // travelling north
    c.target = WorldPoint{1.0, 1.0};
    c.relativeBearing = -kPi / 2;  // the target lies to the right
    c.distance = 850.0;
    c.targetNumber = QStringLiteral("17");
    RecordingCanvas dc;
    CompassLook look;
    look.font = Font12();
    c.Draw(dc, PixelRect{0, 0, 160, 210}, look);

    EXPECT_EQ(test::Join(dc.CallsStartingWith("Arc")), "Arc 6 31 154 179");
    // Letters (18 x 12 with their spaces) centred in 24 x 24 boxes on the circle: N up.
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Text ").mid(0, 4)),
              "Text 71 25  N ; Text 71 173  S ; Text 145 99  E ; Text -3 99  W ");
    EXPECT_TRUE(dc.Calls().contains("BkMode opaque"));
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Polyline")),
              "Polyline 80 43 105 87 92 87 92 167 68 167 68 87 55 87 80 43");
    // The same outline turned a quarter to the right, filled green.
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Polygon")),
              "Polygon 142 105 98 130 98 117 18 117 18 93 98 93 98 80 142 105");
    EXPECT_TRUE(dc.Calls().contains("Pen 0 3 0x1e9e1b"));
    EXPECT_TRUE(dc.Calls().contains("Brush solid 0x1e9e1b"));
    EXPECT_TRUE(dc.Calls().contains("Pen 0 3 0xff0000"));
    // Number at the top, distance at the bottom, 5 pixels in.
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Text ").mid(4)), "Text 50 5 Pkt-Nr: 17; Text 65 193 850 m");

    // Without a target: rose and travel arrow only.
    dc.Clear();
    c.target = WorldPoint{};
    c.Draw(dc, PixelRect{0, 0, 160, 210}, look);
    EXPECT_TRUE(dc.CallsStartingWith("Polygon").isEmpty());
    EXPECT_EQ(dc.CallsStartingWith("Text ").size(), 4);
}

TEST(GpsCompass, LettersTurnWithTheHeading)
{
    // Course 90 (east): N on the left, E at the top; course 180: N at the bottom.
    struct Row {
        double course;
        const char* letters;  // N, S, E, W
    };
    const Row rows[] = {
        {90.0, "Text -3 99  N ; Text 145 99  S ; Text 71 25  E ; Text 71 173  W "},
        {180.0, "Text 71 173  N ; Text 71 25  S ; Text -3 99  E ; Text 145 99  W "},
    };
    for (const Row& r : rows) {
        GpsCompass c;
        GpsFix f = FixAt(9.0, 50.0, r.course);
        c.Update(&f, nullptr, CRS_WEBMERCATOR);
        RecordingCanvas dc;
        CompassLook look;
        look.font = Font12();
        c.Draw(dc, PixelRect{0, 0, 160, 210}, look);
        EXPECT_EQ(test::Join(dc.CallsStartingWith("Text ")), r.letters) << r.course;
    }
}

}  // namespace
}  // namespace korvel
