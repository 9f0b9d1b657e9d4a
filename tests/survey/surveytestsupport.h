#pragma once
// What the surveying tests share: a receiver behind a pseudo-terminal that the port manager
// reads like any serial device, a host for views and surveying, and a document with its view.

#include "../gps/gpstestutil.h"
#include "crs/transform.h"
#include "gps/gpssettings.h"
#include "gps/portmanager.h"
#include "model/korveldoc.h"
#include "support/testsupport.h"
#include "survey/measurecontroller.h"
#include "survey/surveyhost.h"
#include "view/korvelview.h"
#include "view/viewhost.h"

#include <QDateTime>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace korvel::test {

// One position report of the receiver.
struct Report {
    double lon = 0.0;
    double lat = 0.0;
    double hdop = 0.9;
    double course = 0.0;
    int quality = 1;
};

// "ddmm.mmmmmmm" (or "dddmm…") with the hemisphere letter.
inline std::string NmeaAngle(double deg, bool lon)
{
    const char hemi = lon ? (deg < 0 ? 'W' : 'E') : (deg < 0 ? 'S' : 'N');
    deg = std::fabs(deg);
    const int whole = int(deg);
    char buf[64];
    std::snprintf(buf, sizeof buf, lon ? "%03d%010.7f,%c" : "%02d%010.7f,%c", whole, (deg - whole) * 60.0,
                  hemi);
    return buf;
}

// The receiver: a pty opened as the managed GPS port, fed with GGA and RMC sentences whose
// times advance by one second per report (the fix time tells a new position from an old one).
class Receiver {
public:
    Receiver() : settings(manager)
    {
        settings.m_nInterval = 1;
        settings.m_nAverage = 1;
        Plug();
    }
    // A new pseudo-terminal under the port (the receiver plugged in again).
    void Plug()
    {
        pty = std::make_unique<Pty>();
        CSerialComm* port = settings.port();
        manager.SetPortName(port, pty->name());
        if (port->openCount() == 0)
            manager.StartPort(port, false);
        else
            manager.OpenPort(port, false);
    }
    void Unplug()
    {
        pty->Close();
        WaitUntil([this] { return !settings.port()->IsOpen(); }, 3000);
    }
    // Sends one report and waits until the port has read it.
    bool Send(const Report& r)
    {
        ++second;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d", (second / 3600) % 24, (second / 60) % 60,
                      second % 60);
        const std::string lat = NmeaAngle(r.lat, false);
        const std::string lon = NmeaAngle(r.lon, true);
        char gga[256];
        std::snprintf(gga, sizeof gga, "GPGGA,%s,%s,%s,%d,08,%.1f,100.0,M,47.0,M,,", time, lat.c_str(),
                      lon.c_str(), r.quality, r.hdop);
        char rmc[256];
        std::snprintf(rmc, sizeof rmc, "GPRMC,%s,A,%s,%s,000.5,%05.1f,%s,,", time, lat.c_str(), lon.c_str(),
                      r.course, now.toString(QStringLiteral("ddMMyy")).toLatin1().constData());
        if (!pty->Write(NmeaLine(gga) + NmeaLine(rmc))) return false;
        const GpsFix& fix = settings.port()->fix();
        return WaitUntil(
            [&] {
                return std::fabs(fix.longitude - r.lon) < 1e-9 && std::fabs(fix.latitude - r.lat) < 1e-9 &&
                       fix.course == r.course && fix.hdop == r.hdop && fix.ggaTime != 0;
            },
            3000);
    }
    // A report at a point given in `crs` (converted to degrees first).
    bool SendAt(const WorldPoint& p, std::int32_t crs, double course = 0.0)
    {
        WorldPoint deg = p;
        CoordTransform toWgs{1, crs, CRS_WGS84};
        TransformPoint(&deg, &toWgs);
        Report r;
        r.lon = deg.x;
        r.lat = deg.y;
        r.course = course;
        return Send(r);
    }

    CPortManager manager;
    CGpsSettings settings;
    std::unique_ptr<Pty> pty;
    int second = 10 * 3600;
};

class SurveyTestHost : public ViewHost, public SurveyHost {
public:
    explicit SurveyTestHost(CGpsSettings* gps) : gps(gps) {}
    int CurrentTool() const override { return tool; }
    void SetCurrentTool(int t) override { tool = t; }
    bool AutoNumbering() const override { return autoNumbering; }
    void SetAutoNumbering(bool on) override { autoNumbering = on; }
    void SetCoordinatePanes(const QString&, const QString&, const QString&) override {}
    std::unique_ptr<MeasuringController> CreateMeasuring(CKorvelView& view) override
    {
        return std::make_unique<CMeasureController>(view, this);
    }
    CGpsSettings* Gps() override { return gps; }
    LogFont LabelFont() const override { return font; }
    COLORREF LabelColor() const override { return colour; }
    void ShowPauseFace(bool paused, bool notLineMode) override
    {
        pauseFace = paused;
        pauseGreyed = notLineMode;
    }

    CGpsSettings* gps;
    int tool = TOOL_NONE;
    bool autoNumbering = false;
    LogFont font;
    COLORREF colour = MakeRgb(0, 128, 0);
    bool pauseFace = false;
    bool pauseGreyed = true;
};

// A receiver, a document in `crs` and a square 400 x 400 pixel view of it.
class SurveyFixture : public ::testing::Test {
protected:
    void Open(std::int32_t crs)
    {
        doc.OnNewDocument(crs);
        view = std::make_unique<CKorvelView>(&doc, &host);
        view->resize(400, 400);
    }
    CMeasureController& measuring() { return *static_cast<CMeasureController*>(view->measuring()); }

    Receiver gps;
    SurveyTestHost host{&gps.settings};
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
};

}  // namespace korvel::test
