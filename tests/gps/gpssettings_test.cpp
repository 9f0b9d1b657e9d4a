#include "gps/gpssettings.h"

#include "gpstestutil.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace korvel {
namespace {

using test::MessageRecorder;
using test::NmeaLine;
using test::WaitUntil;

// Every test gets its own empty settings store in a temporary folder.
class GpsSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    }
    QSettings Store() { return QSettings(QStringLiteral("Veldmark"), QStringLiteral("Korvel")); }
    void Put(const char* key, const QVariant& v) { Store().setValue(QStringLiteral("GPS/") + QLatin1String(key), v); }
    QVariant Get(const char* key) { return Store().value(QStringLiteral("GPS/") + QLatin1String(key)); }

    // A short NMEA log for the replay source.
    QString WriteLog(const std::string& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("log.nmea"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), qint64(bytes.size()));
        return QStringLiteral("nmea-file://") + path;
    }

    QTemporaryDir m_dir;
};

TEST(ScanFormats, IntegerAndRealRules)
{
    struct IntRow {
        const char* text;
        bool ok;
        int value;
    };
    for (const IntRow& r : {IntRow{"5", true, 5}, IntRow{"010", true, 8}, IntRow{"0x10", true, 16},
                            IntRow{" -3", true, -3}, IntRow{"08", true, 0}, IntRow{"12abc", true, 12},
                            IntRow{"abc", false, 0}, IntRow{"", false, 0}, IntRow{"99999999999", true, 2147483647}}) {
        std::int32_t v = 77;
        EXPECT_EQ(ScanInt(QLatin1String(r.text), &v), r.ok) << r.text;
        EXPECT_EQ(v, r.ok ? r.value : 77) << r.text;
    }
    struct RealRow {
        const char* text;
        bool ok;
        double value;
    };
    for (const RealRow& r : {RealRow{"8.0", true, 8.0}, RealRow{"7", true, 7.0}, RealRow{" 2.5x", true, 2.5},
                             RealRow{"1e1", true, 10.0}, RealRow{"7,5", true, 7.0}, RealRow{"abc", false, 0},
                             RealRow{"nan", false, 0}, RealRow{"", false, 0}}) {
        double v = 77;
        EXPECT_EQ(ScanDouble(QLatin1String(r.text), &v), r.ok) << r.text;
        EXPECT_EQ(v, r.ok ? r.value : 77.0) << r.text;
    }
}

TEST_F(GpsSettingsTest, DefaultsOfAnEmptyStore)
{
    CPortManager m;
    CGpsSettings s(m);
    EXPECT_EQ(s.m_strPort, QStringLiteral("COM1"));
    EXPECT_EQ(s.m_strBaud, QStringLiteral("4800"));
    EXPECT_EQ(s.m_strMaxGpsAge, QStringLiteral("5"));
    EXPECT_EQ(s.m_strMaxDgpsAge, QStringLiteral("0"));
    EXPECT_EQ(s.m_strMaxHdop, QStringLiteral("8.0"));
    EXPECT_EQ(s.m_strMinSatCount, QStringLiteral("4"));
    EXPECT_EQ(s.interval(), 1);
    EXPECT_EQ(s.average(), 1);
    EXPECT_FALSE(s.allTalkers());
    EXPECT_EQ(s.maxGpsAge(), 5);
    EXPECT_EQ(s.maxDgpsAge(), 0);
    EXPECT_EQ(s.minSatCount(), 4);
    EXPECT_EQ(s.maxHdop(), 8.0);
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 1);
}

TEST_F(GpsSettingsTest, LoadAppliesRangesAndParsing)
{
    struct Row {
        int interval, average;
        int expectInterval, expectAverage;
    };
    for (const Row& r : {Row{5000, 0, 1, 1}, Row{3600, 10, 3600, 10}, Row{0, 11, 0, 1}, Row{-5, -1, 1, 1}}) {
        Put("Interval", r.interval);
        Put("Average", r.average);
        CPortManager m;
        CGpsSettings s(m);
        EXPECT_EQ(s.interval(), r.expectInterval) << r.interval;
        EXPECT_EQ(s.average(), r.expectAverage) << r.average;
    }
    Put("MaxGPSAge", "010");
    Put("MaxDGPSAge", "0x1f");
    Put("MinSatCount", "six");
    Put("MaxHDOP", "2.5");
    CPortManager m;
    CGpsSettings s(m);
    EXPECT_EQ(s.maxGpsAge(), 8);
    EXPECT_EQ(s.maxDgpsAge(), 31);
    EXPECT_EQ(s.minSatCount(), 4) << "unparsable text keeps the previous value";
    EXPECT_EQ(s.m_strMinSatCount, QStringLiteral("six"));
    EXPECT_EQ(s.maxHdop(), 2.5);
}

TEST_F(GpsSettingsTest, SaveWritesEveryValueWithItsType)
{
    CPortManager m;
    CGpsSettings s(m);
    s.m_strPort = QStringLiteral("gpsd://127.0.0.1:2947");
    s.m_strBaud = QStringLiteral("9600");
    s.m_strMaxGpsAge = QStringLiteral("3");
    s.m_strMaxHdop = QStringLiteral("4.5");
    s.m_nInterval = 2;
    s.m_nAverage = 5;
    s.m_nAllTalkers = 1;
    s.SaveGpsSettings();
    EXPECT_EQ(s.maxGpsAge(), 3);
    EXPECT_EQ(s.maxHdop(), 4.5);

    QSettings store = Store();
    EXPECT_EQ(store.value(QStringLiteral("GPS/Port")).toString(), QStringLiteral("gpsd://127.0.0.1:2947"));
    EXPECT_EQ(store.value(QStringLiteral("GPS/Baud")).toString(), QStringLiteral("9600"));
    EXPECT_EQ(store.value(QStringLiteral("GPS/MaxHDOP")).toString(), QStringLiteral("4.5"));
    EXPECT_EQ(store.value(QStringLiteral("GPS/MinSatCount")).toString(), QStringLiteral("4"));
    EXPECT_EQ(store.value(QStringLiteral("GPS/Interval")).toInt(), 2);
    EXPECT_EQ(store.value(QStringLiteral("GPS/Average")).toInt(), 5);
    EXPECT_EQ(store.value(QStringLiteral("GPS/AllTalkers")).toInt(), 1);

    CPortManager m2;
    CGpsSettings again(m2);
    EXPECT_EQ(again.m_strPort, s.m_strPort);
    EXPECT_EQ(again.m_knownSources, QStringList{QStringLiteral("gpsd://127.0.0.1:2947")});
    EXPECT_TRUE(again.AvailablePorts().contains(QStringLiteral("gpsd://127.0.0.1:2947")));
    EXPECT_TRUE(again.allTalkers());
}

TEST_F(GpsSettingsTest, StartGpsFollowsAktiv)
{
    const QString source = WriteLog(NmeaLine("GPGGA,100000,5000.000,N,00900.000,E,1,05,1.0,100.0,M,47.0,M,,"));
    CPortManager m;
    CGpsSettings s(m);
    s.m_strPort = source;
    s.m_nAllTalkers = 1;
    CGpsSettings::WriteAktiv(0);
    EXPECT_FALSE(s.StartGps(false, true));
    EXPECT_FALSE(s.port()->IsOpen());
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 0);

    EXPECT_TRUE(s.StartGps(true, true));
    EXPECT_TRUE(s.port()->IsOpen());
    EXPECT_TRUE(s.port()->parser().allTalkers());
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 1);
    EXPECT_EQ(s.port()->openCount(), 1);
    EXPECT_TRUE(s.StartGps(false, true)) << "already open";
    EXPECT_EQ(s.port()->openCount(), 1) << "an open port is not started twice";

    m.StopPort(s.port());
    MessageRecorder rec;
    s.m_strPort = QStringLiteral("/dev/korvel-no-such-device");
    EXPECT_FALSE(s.StartGps(true, true));
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 0);
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_PORT_NOT_FOUND);
}

TEST_F(GpsSettingsTest, IsFixUsableChecksEveryLimit)
{
    const QString source = WriteLog("");
    std::int64_t now = 100000;
    CPortManager m;
    CGpsSettings s(m);
    s.SetClock([&now] { return now; });
    s.m_strPort = source;
    CSerialComm* port = s.port();
    EXPECT_FALSE(s.IsFixUsable(port)) << "closed port";
    ASSERT_TRUE(s.StartGps(true, true));

    GpsFix good;
    good.quality = 1;
    good.satellitesUsed = 4;
    good.hdop = 8.0;
    good.receiveTime = now - 5;
    struct Row {
        const char* what;
        std::function<void(GpsFix&)> change;
        int maxDgps;
        bool usable;
    };
    const std::vector<Row> rows = {
        {"defaults, 5 s old", [](GpsFix&) {}, 0, true},
        {"6 s old", [&](GpsFix& f) { f.receiveTime = now - 6; }, 0, false},
        {"5 s in the future", [&](GpsFix& f) { f.receiveTime = now + 5; }, 0, true},
        {"3 satellites", [](GpsFix& f) { f.satellitesUsed = 3; }, 0, false},
        {"HDOP 8.1", [](GpsFix& f) { f.hdop = 8.1; }, 0, false},
        {"no fix", [](GpsFix& f) { f.quality = 0; }, 0, false},
        {"differential", [](GpsFix& f) { f.quality = 2; }, 0, true},
        {"differential aged 3, none allowed", [](GpsFix& f) { f.quality = 2; f.dgpsAge = 3; }, 0, false},
        {"plain fix when differential required", [](GpsFix&) {}, 10, false},
        {"differential aged 3 of 10", [](GpsFix& f) { f.quality = 2; f.dgpsAge = 3; }, 10, true},
        {"differential aged 11 of 10", [](GpsFix& f) { f.quality = 2; f.dgpsAge = 11; }, 10, false},
        {"never received", [](GpsFix& f) { f.receiveTime = 0; }, 0, false},
    };
    for (const Row& r : rows) {
        s.m_strMaxDgpsAge = QString::number(r.maxDgps);
        s.SaveGpsSettings();
        GpsFix f = good;
        r.change(f);
        port->fix() = f;
        const std::uint8_t before = f.quality;
        EXPECT_EQ(s.IsFixUsable(port), r.usable) << r.what;
        EXPECT_EQ(port->fix().quality, r.usable ? before : 0) << r.what;
    }
}

// Search tests use the replay source as "receiver" and missing devices as empty ports.
class RecordingHooks : public CGpsSettings::SearchHooks {
public:
    void SelectEntries(const QString& port, const QString& baud) override { selected << port + QLatin1Char('@') + baud; }
    void EndWaitCursor() override { ++cursorEnds; }
    QStringList selected;
    int cursorEnds = 0;
};

TEST_F(GpsSettingsTest, SearchWithoutReceiverTriesEverythingAndRestores)
{
    CPortManager m;
    CGpsSettings s(m);
    s.setSearchWaitMs(50);
    s.m_strPort = QStringLiteral("COM1");
    s.m_strBaud = QStringLiteral("9600");
    // A silent pseudo-terminal opens fine but never says anything.
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const QString silent = QString::fromLocal8Bit(name);
    RecordingHooks hooks;
    MessageRecorder rec;
    const auto result = s.SearchReceiver({QStringLiteral("/dev/korvel-missing"), silent},
                                         {QStringLiteral("4800"), QStringLiteral("57600")}, &hooks);
    EXPECT_EQ(result, CGpsSettings::SearchResult::NotFound);
    EXPECT_EQ(hooks.selected, (QStringList{"/dev/korvel-missing@4800", "/dev/korvel-missing@57600", silent + "@4800",
                                           silent + "@57600", "COM1@9600"}));
    EXPECT_EQ(hooks.cursorEnds, 1);
    ASSERT_EQ(rec.messages().size(), 1u) << "open failures are silent during the search";
    EXPECT_EQ(rec.messages()[0].textId, IDS_GPS_NOT_FOUND);
    EXPECT_EQ(rec.messages()[0].captionId, IDS_CAPTION_ERROR);
    EXPECT_EQ(s.m_strPort, QStringLiteral("COM1"));
    EXPECT_EQ(s.m_strBaud, QStringLiteral("9600"));
    EXPECT_FALSE(s.port()->IsOpen());
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 0);
    ::close(master);
    ::close(slave);
}

TEST_F(GpsSettingsTest, SearchFindsTheTalkingReceiver)
{
    const QString source = WriteLog(NmeaLine("GPGSV,1,1,01,07,62,047,44"));
    CPortManager m;
    CGpsSettings s(m);
    // Stamps have whole seconds: a sentence in the second of opening changes nothing, the
    // replay's next pass a second later does.
    s.setSearchWaitMs(2500);
    RecordingHooks hooks;
    MessageRecorder rec;
    const auto result = s.SearchReceiver({QStringLiteral("/dev/korvel-missing"), source, QStringLiteral("/dev/later")},
                                         {QStringLiteral("4800"), QStringLiteral("9600")}, &hooks);
    EXPECT_EQ(result, CGpsSettings::SearchResult::Found);
    EXPECT_EQ(hooks.selected.last(), source + QStringLiteral("@4800"));
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_GPS_FOUND);
    EXPECT_EQ(rec.messages()[0].captionId, IDS_CAPTION_NOTE);
    EXPECT_EQ(rec.messages()[0].type, unsigned(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(s.m_strPort, source);
    EXPECT_TRUE(s.port()->IsOpen());
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 1);
    EXPECT_EQ(s.port()->fix().satellites[0].prn, 7) << "the poll ran during the wait";
}

TEST_F(GpsSettingsTest, CancelEndsTheSearchAfterTheCurrentWait)
{
    const QString silent = WriteLog("");
    CPortManager m;
    CGpsSettings s(m);
    s.setSearchWaitMs(200);
    RecordingHooks hooks;
    MessageRecorder rec;
    QTimer::singleShot(50, [&s] { s.RequestCancel(); });
    const auto result = s.SearchReceiver({silent, QStringLiteral("/dev/later")}, {QStringLiteral("4800"), QStringLiteral("9600")},
                                         &hooks);
    EXPECT_EQ(result, CGpsSettings::SearchResult::Cancelled);
    EXPECT_EQ(hooks.selected, QStringList{silent + QStringLiteral("@4800")});
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_TRUE(s.port()->IsOpen()) << "the receiver stays as it is";
    EXPECT_FALSE(s.searching());
}

// The demo receiver runs through the whole chain: replay, poll, parser, quality filter.
TEST_F(GpsSettingsTest, DemoWalkGivesUsableFixesWithTheDefaults)
{
    CPortManager m;
    CGpsSettings s(m);
    s.m_strPort = QStringLiteral("nmea-file://" KORVEL_SOURCE_DIR "/resources/demo/walk.nmea");
    ASSERT_TRUE(s.StartGps(true, true));
    auto usedSatellites = [&] {
        int used = 0;
        for (const GpsSatellite& sat : s.port()->fix().satellites) used += sat.used;
        return used;
    };
    // GSA comes before GSV in each second, so the flags show from the second fix on.
    ASSERT_TRUE(WaitUntil([&] { return usedSatellites() >= 4 && s.IsFixUsable(s.port()); }, 3000));
    const GpsFix& f = s.port()->fix();
    EXPECT_NEAR(f.longitude, 9.0, 0.01);
    EXPECT_NEAR(f.latitude, 50.0, 0.01);
    EXPECT_LE(f.hdop, 8.0);
    EXPECT_GE(f.satellitesUsed, 4);
}

}  // namespace
}  // namespace korvel
