// The sky plot on a recording canvas: where satellites land, how they are coloured, and how
// data the receiver stopped sending disappears. The satellite view window is driven with a
// real port and parser whose clock the test sets.
#include "survey/skyplot.h"

#include "gps/serialcomm.h"
#include "survey/gpsbarwnd.h"

#include "gps/gpstestutil.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel {
namespace {

using test::Nmea;
using test::RecordingCanvas;

constexpr std::int64_t kStart = 1796731200;  // 2026-12-08 12:00:00 UTC

LogFont Font12()
{
    LogFont lf;
    lf.lfHeight = -12;
    return lf;
}

TEST(SkyPlot, SatellitesLandByElevationAndAzimuth)
{
    // 200 x 200: centre (100, 100), horizon radius 100 - 10 = 90.
    const SkyPlotGeometry plot = SkyPlotCircle(PixelRect{0, 0, 200, 200});
    EXPECT_EQ(plot.centre, (PixelPoint{100, 100}));
    EXPECT_EQ(plot.radius, 90);
    struct Row {
        int elevation, azimuth;
        PixelPoint expected;
    };
    const Row rows[] = {
        {90, 0, {100, 100}},                           // zenith: the centre, whatever the azimuth
        {90, 237, {100, 100}}, {0, 90, {190, 100}},    // east on the horizon: right end
        {0, 0, {100, 10}},                             // north up
        {0, 270, {10, 100}},   {45, 180, {100, 145}},  // on the 45° circle, south
        {30, 45, {142, 58}},                           // r = 60: 100 + 42.43, 100 - 42.43
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SatellitePosition(plot, r.elevation, r.azimuth), r.expected)
            << r.elevation << " " << r.azimuth;
    }
    // A floating bar's area is inset; the circle follows the smaller side.
    const SkyPlotGeometry inset = SkyPlotCircle(PixelRect{7, 7, 193, 153});
    EXPECT_EQ(inset.centre, (PixelPoint{100, 80}));
    EXPECT_EQ(inset.radius, 63);
}

TEST(SkyPlot, RoseCirclesDiametersAndLetters)
{
    RecordingCanvas dc;
    GpsFix fix;
    SkyPlotLook look;
    look.font = Font12();
    look.background = MakeRgb(240, 240, 240);
    DrawSkyPlot(dc, PixelRect{0, 0, 200, 200}, fix, look);
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Arc")), "Arc 10 10 190 190; Arc 55 55 145 145");
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Line")), "Line 10 100 190 100; Line 100 10 100 190");
    // 14 x 14 boxes filled with the background, each letter (6 x 12 in the test metric)
    // centred in its box at the ends of the horizon.
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Polygon")),
              "Polygon 93 3 107 3 107 17 93 17; Polygon 183 93 197 93 197 107 183 107; "
              "Polygon 93 183 107 183 107 197 93 197; Polygon 3 93 17 93 17 107 3 107");
    EXPECT_TRUE(dc.Calls().contains("Brush solid 0xf0f0f0"));
    EXPECT_EQ(test::Join(dc.CallsStartingWith("Text ")),
              "Text 97 4 N; Text 187 94 E; Text 97 184 S; Text 7 94 W");
    EXPECT_TRUE(dc.CallsStartingWith("Ellipse").isEmpty()) << "no satellites without data";
    // The caller's drawing state comes back.
    EXPECT_EQ(dc.m_pen, Pen{});
    EXPECT_EQ(dc.m_brush, Brush{});
}

TEST(SkyPlot, ColoursSaySlotOrderAndNumbers)
{
    GpsFix fix;
    fix.satellites[0] = GpsSatellite{12, 90, 0, 40, 1};   // used: green
    fix.satellites[1] = GpsSatellite{5, 0, 90, 35, 0};    // tracked: blue
    fix.satellites[2] = GpsSatellite{29, 45, 180, 0, 0};  // in view only: red
    fix.satellites[3] = GpsSatellite{7, 0, 0, 0, 1};      // used wins over a zero SNR
    RecordingCanvas dc;
    SkyPlotLook look;
    look.font = Font12();
    DrawSkyPlot(dc, PixelRect{0, 0, 200, 200}, fix, look);

    // Each satellite: pen and brush in its colour, a 22-pixel disc, white number centred in
    // the 20 x 20 box. Slot 0 comes last so it lies on top.
    QStringList discs;
    const QStringList& calls = dc.Calls();
    for (int i = 0; i < calls.size(); ++i) {
        if (!calls[i].startsWith("Ellipse")) continue;
        discs << calls[i - 1] + " / " + calls[i];
    }
    EXPECT_EQ(test::Join(discs),
              "Brush solid 0x1e9e1b / Ellipse 89 -1 111 21; Brush solid 0xff / Ellipse 89 134 111 156; "
              "Brush solid 0xff0000 / Ellipse 179 89 201 111; Brush solid 0x1e9e1b / Ellipse 89 89 111 111")
        << test::Join(calls);
    EXPECT_EQ(SatelliteColour(fix.satellites[0]), kSatUsed);
    EXPECT_EQ(SatelliteColour(fix.satellites[1]), kSatTracked);
    EXPECT_EQ(SatelliteColour(fix.satellites[2]), kSatUntracked);
    EXPECT_EQ(kSatUsed, 2006555u);
    EXPECT_EQ(kSatTracked, 16711680u);
    EXPECT_EQ(kSatUntracked, 255u);
    EXPECT_EQ(kBarOutline, 2039583u);
    // "12" is 12 x 12 in the test metric: centred in 90..110 at (94, 94).
    EXPECT_TRUE(calls.contains("Text 94 94 12")) << test::Join(calls);
    EXPECT_TRUE(calls.contains("TextColor 0xffffff"));
    EXPECT_EQ(dc.CallsStartingWith("Text ").size(), 4 + 4) << "N/E/S/W and four numbers, no system letters";
}

// A satellite view window reading a port whose parser runs on the test's clock.
class SatviewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_wnd.SetSource(GpsBarSource{[this] { return &m_port; }, {}, {}, [this] { return m_now; }});
        m_wnd.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    }
    void Feed(const std::string& body) { m_port.parser().ParseSentence(Nmea(body)); }
    // The colour of each disc drawn, in drawing order.
    std::string Discs()
    {
        RecordingCanvas dc;
        m_wnd.PaintPlot(dc, QSize(200, 200));
        QStringList out;
        const QStringList& calls = dc.Calls();
        for (int i = 1; i < calls.size(); ++i) {
            if (calls[i].startsWith("Ellipse")) out << calls[i - 1].section(' ', 2);
        }
        return test::Join(out);
    }

    std::int64_t m_now = kStart;
    CSerialComm m_port{[this] { return m_now; }};
    CSatviewWnd m_wnd;
};

TEST_F(SatviewWindow, StaleSelectionAndStaleSatellitesDisappear)
{
    Feed("GPGSV,1,1,02,12,40,083,46,29,17,308,00");
    Feed("GPGSA,A,3,12,29,,,,,,,,,,,1.8,1.0,1.5");
    EXPECT_EQ(Discs(), "0x1e9e1b; 0x1e9e1b");

    // GSV keeps coming, GSA stops: at 10 s the selection still holds, at 11 s it is gone and
    // each satellite shows whether it is tracked (12: blue) or not (29, SNR 0: red).
    m_now = kStart + 10;
    Feed("GPGSV,1,1,02,12,40,083,46,29,17,308,00");
    EXPECT_EQ(Discs(), "0x1e9e1b; 0x1e9e1b");
    m_now = kStart + 11;
    Feed("GPGSV,1,1,02,12,40,083,46,29,17,308,00");
    EXPECT_EQ(Discs(), "0xff; 0xff0000");
    EXPECT_EQ(m_port.fix().satellites[0].used, 0) << "the port's record is aged, not a copy";

    // A new GSA naming 12 turns it green again.
    Feed("GPGSA,A,3,12,,,,,,,,,,,,1.8,1.0,1.5");
    EXPECT_EQ(Discs(), "0xff; 0x1e9e1b");

    // No GSV for 11 s: the plot is empty.
    m_now = kStart + 21;
    EXPECT_EQ(Discs(), "0xff; 0x1e9e1b");
    m_now = kStart + 22;
    EXPECT_EQ(Discs(), "");
    EXPECT_EQ(m_port.fix().satellites[0].prn, 0);
}

TEST_F(SatviewWindow, AllTalkersMarkEachSatellitesSystem)
{
    const std::vector<std::string> epoch = {
        "GPGSV,1,1,01,07,62,047,44",
        "GLGSV,1,1,01,65,30,100,40",
        "GAGSV,1,1,01,07,50,150,42",
        "GBGSV,1,1,01,07,20,250,00",
        "GNGSA,A,3,07,,,,,,,,,,,,1.8,1.0,1.5,1",
    };
    for (const auto& s : epoch) Feed(s);
    EXPECT_EQ(Discs(), "0xff0000") << "GPS only by default (and the GN selection is not read)";

    m_port.SetAllTalkers(true);
    for (const auto& s : epoch) Feed(s);
    // Drawn from slot 3 down to 0: GPS 7 (used), GLONASS 65, Galileo 7, BeiDou 7 (SNR 0).
    EXPECT_EQ(Discs(), "0x1e9e1b; 0xff0000; 0xff0000; 0xff");
    RecordingCanvas dc;
    m_wnd.PaintPlot(dc, QSize(200, 200));
    QStringList labels;
    // After N, E, S and W: each number followed by its system letter.
    for (const QString& t : dc.CallsStartingWith("Text ").mid(4)) labels << t.section(' ', 3);
    EXPECT_EQ(test::Join(labels), "7; G; 65; R; 7; E; 7; C") << test::Join(dc.Calls());
}

}  // namespace
}  // namespace korvel
