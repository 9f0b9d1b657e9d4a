#include "gps/nmeaparser.h"

#include "gpstestutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::Nmea;
using test::NmeaLine;

// Time values go through the local-time conversion; pin the zone so expectations are exact.
class UtcEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};
[[maybe_unused]] const auto* const kUtc = ::testing::AddGlobalTestEnvironment(new UtcEnvironment);

constexpr std::int64_t kNow = 1796731200;  // 2026-12-08 12:00:00 UTC

NmeaParser MakeParser(bool allTalkers = false)
{
    NmeaParser p([] { return kNow; });
    p.SetAllTalkers(allTalkers);
    return p;
}

TEST(NmeaChecksum, ValidAndInvalidLines)
{
    const std::string longBody(81, 'A');
    struct Row {
        std::string line;
        bool valid;
    };
    const std::vector<Row> rows = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", true},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r", true},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", true},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a", true},  // lower-case hex
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48", false},
        {"GPGGA,123519*47", false},                                // no '$'
        {"$*00", false},                                          // nothing to sum
        {"$GPGGA,123519", false},                                 // no '*'
        {"$GPGGA,123519*4", false},                               // one hex digit
        {"$GPGGA,1235$19*47", false},                             // a second '$' ends the text
        {"$GPGGA,123519*G7", false},                              // not hex
        {"$" + longBody + "*" + Nmea(longBody).substr(83), false},  // 81 characters
        {Nmea(std::string(80, 'A')), true},                       // 80 characters
        {Nmea("A"), true},
    };
    for (const Row& r : rows) EXPECT_EQ(NmeaChecksumValid(r.line), r.valid) << r.line;
}

TEST(NmeaToDegrees, ConvertsDegreesAndMinutes)
{
    struct Row {
        const char* text;
        double degrees;
    };
    const Row rows[] = {
        {"4807.038", 48.1173},   {"01131.000", 11.516666666666667},
        {"916.45", 0.0},         {"4807", 0.0},
        {"", 0.0},               {"0000.000", 0.0},
        {"17959.9999", 179.99999833333334},
        {"5000.3000x", 50.005},  // junk behind the number is ignored like atof does
    };
    for (const Row& r : rows) EXPECT_NEAR(NmeaToDegrees(r.text), r.degrees, 1e-9) << r.text;
}

// One whole-record expectation per sentence kind.
TEST(NmeaParser, GgaFillsTheRecord)
{
    NmeaParser p = MakeParser();
    const auto r = p.ParseSentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(r.kind, NmeaSentence::Gga);
    EXPECT_TRUE(r.checksumOk);
    EXPECT_EQ(r.Name(), "$GPGGA");

    GpsFix expected;
    expected.quality = 1;
    expected.latitude = NmeaToDegrees("4807.038");
    expected.longitude = NmeaToDegrees("01131.000");
    expected.altitude = 545.4;
    expected.hdop = 0.9;
    expected.satellitesUsed = 8;
    expected.fixTime = 1796733319;  // today 12:35:19 UTC
    expected.receiveTime = kNow;
    expected.ggaTime = kNow;
    EXPECT_EQ(p.fix(), expected);
    EXPECT_NEAR(p.fix().latitude, 48.1173, 1e-9);
    EXPECT_NEAR(p.fix().longitude, 11.516667, 1e-6);
    EXPECT_EQ(p.lastError(), 0);
}

TEST(NmeaParser, RmcFillsTheRecord)
{
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPRMC,123519,A,4807.038,S,01131.000,W,022.4,084.4,230394,003.1,W"));
    GpsFix expected;
    expected.quality = 1;
    expected.latitude = -NmeaToDegrees("4807.038");
    expected.longitude = -NmeaToDegrees("01131.000");
    expected.fixTime = 764426119;  // 1994-03-23 12:35:19 UTC
    expected.receiveTime = kNow;
    expected.speedKnots = 22.4;
    expected.course = 84.4;
    EXPECT_EQ(p.fix(), expected);
}

TEST(NmeaParser, GsvAndGsaFillTheSatelliteTable)
{
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPGSV,3,1,09,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"));
    p.ParseSentence(Nmea("GPGSV,3,2,09,09,06,071,,13,21,215,35,17,52,188,45,20,34,295,43"));
    p.ParseSentence(Nmea("GPGSV,3,3,09,28,70,120,48"));
    p.ParseSentence(Nmea("GPGSA,A,3,04,05,,09,,,,,,,,,1.8,1.0,1.5"));

    GpsFix expected;
    expected.satellites = {{{1, 40, 83, 46, 0},
                            {4, 17, 308, 41, 1},
                            {5, 13, 172, 39, 1},
                            {7, 62, 47, 44, 0},
                            {9, 6, 71, 0, 1},
                            {13, 21, 215, 35, 0},
                            {17, 52, 188, 45, 0},
                            {20, 34, 295, 43, 0},
                            {28, 70, 120, 48, 0}}};
    expected.gsvTime = kNow;
    expected.gsaTime = kNow;
    EXPECT_EQ(p.fix(), expected);
}

TEST(NmeaParser, DispatchesOnlyTheFourGpsSentences)
{
    struct Row {
        std::string line;
        NmeaSentence kind;
    };
    const std::vector<Row> rows = {
        {Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), NmeaSentence::Gga},
        {Nmea("GPGGA,123519"), NmeaSentence::Gga},  // dispatched, then dropped for too few fields
        {Nmea("GPRMC,1"), NmeaSentence::Rmc},
        {Nmea("GPGSV,1,1,00"), NmeaSentence::Gsv},
        {Nmea("GPGSA,A,3"), NmeaSentence::Gsa},
        {Nmea("GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), NmeaSentence::None},
        {Nmea("GLGSV,1,1,01,65,10,100,30"), NmeaSentence::None},
        {Nmea("GPGLL,4916.45,N,12311.12,W,225444,A"), NmeaSentence::None},
        {Nmea("GPGGAX,1"), NmeaSentence::None},
        {"$GPGGA", NmeaSentence::None},  // no separator at all
        {"$gpgga,1,2,3,4,5,6,7,8,9,10,11,12,13", NmeaSentence::None},
    };
    for (const Row& r : rows) {
        NmeaParser p = MakeParser();
        EXPECT_EQ(p.ParseSentence(r.line).kind, r.kind) << r.line;
    }
}

// Sentences that must leave the record as it was (too few fields, out-of-range GSV counters).
TEST(NmeaParser, DropsShortAndOutOfRangeSentences)
{
    const std::vector<std::string> lines = {
        Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9"),  // count 12
        Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4"),                   // count 8
        Nmea("GPGSV,1,1,00"),
        Nmea("GPGSV,5,1,04,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"),
        Nmea("GPGSV,1,0,04,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"),
        Nmea("GPGSV,1,1,17,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"),
        Nmea("GPGSV,1,1,04,01,40,083,46,04,17,308,41,05,13,172"),  // one field short
        Nmea("GPGSA,A,3,04,05"),
    };
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPGSV,1,1,02,11,40,083,46,12,17,308,41"));
    const GpsFix before = p.fix();
    for (const std::string& line : lines) {
        p.ParseSentence(line);
        EXPECT_EQ(p.fix(), before) << line;
    }
}

TEST(NmeaParser, WrongChecksumStillUpdatesButRecordsTheError)
{
    NmeaParser p = MakeParser();
    const auto r = p.ParseSentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48");
    EXPECT_FALSE(r.checksumOk);
    EXPECT_EQ(p.lastError(), NmeaParser::kChecksumError);
    EXPECT_EQ(p.fix().quality, 1);
    EXPECT_EQ(p.fix().satellitesUsed, 8);
    // A good line does not clear the error: it is the last error, not the current state.
    p.ParseSentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(p.lastError(), NmeaParser::kChecksumError);
}

TEST(NmeaParser, GgaFieldRules)
{
    struct Row {
        std::string body;
        int quality;
        double latitude;
        double longitude;
        int dgpsAge;
    };
    const std::vector<Row> rows = {
        {"GPGGA,123519,4807.038,N,01131.000,E,6,08,0.9,545.4,M,46.9,M,,", 2, 48.1173, 11.516667, 0},
        {"GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,3,0123", 2, 48.1173, 11.516667, 3},
        {"GPGGA,123519,4807.038,,01131.000,X,1,08,0.9,545.4,M,46.9,M,,", 1, 0.0, 0.0, 0},
        {"GPGGA,123519,916.45,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 1, 0.0, 11.516667, 0},
        {"GPGGA,123519,4807.038,N,01131.000,E,-1,08,0.9,545.4,M,46.9,M,,", 0, 48.1173, 11.516667, 0},
        {"GPGGA,,,,,,,,,,,,,,", 0, 0.0, 0.0, 0},
    };
    for (const Row& r : rows) {
        NmeaParser p = MakeParser();
        p.ParseSentence(Nmea(r.body));
        EXPECT_EQ(p.fix().quality, r.quality) << r.body;
        EXPECT_NEAR(p.fix().latitude, r.latitude, 1e-6) << r.body;
        EXPECT_NEAR(p.fix().longitude, r.longitude, 1e-6) << r.body;
        EXPECT_EQ(p.fix().dgpsAge, r.dgpsAge) << r.body;
    }
}

TEST(NmeaParser, RmcStatusAndQuality)
{
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,2,"));
    ASSERT_EQ(p.fix().quality, 2);
    p.ParseSentence(Nmea("GPRMC,123520,A,4807.040,N,01131.000,E,0.0,0.0,081226,,"));
    EXPECT_EQ(p.fix().quality, 2) << "RMC must not downgrade a differential fix";
    EXPECT_NEAR(p.fix().latitude, 48.1173333, 1e-6);

    GpsFix before = p.fix();
    p.ParseSentence(Nmea("GPRMC,123521,V,5000.000,N,00900.000,E,5.0,90.0,081226,,"));
    before.quality = 0;
    EXPECT_EQ(p.fix(), before) << "status V only clears the quality";

    // An impossible date falls back to the PC clock's date and time.
    p.ParseSentence(Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,0,0,321399,,"));
    EXPECT_EQ(p.fix().fixTime, kNow);
    EXPECT_EQ(p.fix().quality, 1);
    // Years from 2080 are taken as the 1980s.
    p.ParseSentence(Nmea("GPRMC,000000,A,4807.038,N,01131.000,E,0,0,010185,,"));
    EXPECT_EQ(p.fix().fixTime, 473385600);  // 1985-01-01 UTC
}

// Sets TZ for one test and restores the test program's UTC afterwards.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

std::int64_t ReferenceMakeTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year >= 2080) year -= 100;
    if (year < 1900) return 0;
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

TEST(FixTimeConverter, GivesMktimesResultsAcrossOffsetChanges)
{
    // Zones with summer time of an hour and of half an hour, a half-hour standard offset, and
    // the days of their changes; every hour of those days, stepped through the way a receiver
    // sends them, plus garbled fields mktime normalises.
    struct Row {
        const char* zone;
        int year, month, day;
    } rows[] = {
        {"Europe/Berlin", 2026, 3, 29},      {"Europe/Berlin", 2026, 10, 25},
        {"America/New_York", 2026, 3, 8},    {"America/New_York", 2026, 11, 1},
        {"Australia/Lord_Howe", 2026, 4, 5}, {"Australia/Lord_Howe", 2026, 10, 4},
        {"America/St_Johns", 2026, 3, 8},    {"UTC", 2026, 12, 8},
        {"Europe/Berlin", 1985, 1, 1},       {"Europe/Berlin", 2085, 6, 30},
        {"Europe/Berlin", 1899, 6, 30},
    };
    for (const Row& r : rows) {
        ZoneGuard zone(r.zone);
        FixTimeConverter convert;
        for (int hour = 0; hour < 24; ++hour) {
            for (int minute = 0; minute < 60; minute += 7) {
                for (int second : {0, 1, 30, 59}) {
                    EXPECT_EQ(convert(r.year, r.month, r.day, hour, minute, second),
                              ReferenceMakeTime(r.year, r.month, r.day, hour, minute, second))
                        << r.zone << " " << r.year << "-" << r.month << "-" << r.day << " " << hour << ":"
                        << minute << ":" << second;
                }
            }
        }
        const int garbled[][3] = {{24, 0, 0}, {25, 30, 0}, {99, 99, 99}, {2, 60, 0}, {2, 30, 60}, {-1, 0, 0}};
        for (const auto& g : garbled) {
            EXPECT_EQ(convert(r.year, r.month, r.day, g[0], g[1], g[2]),
                      ReferenceMakeTime(r.year, r.month, r.day, g[0], g[1], g[2]))
                << r.zone << " " << g[0] << ":" << g[1] << ":" << g[2];
        }
        EXPECT_EQ(convert(r.year, 13, 32, 1, 2, 3), ReferenceMakeTime(r.year, 13, 32, 1, 2, 3)) << r.zone;
    }
}

TEST(NmeaParser, GsvSetsClearSlotsBehindTheLastSatellite)
{
    NmeaParser p = MakeParser();
    for (int i = 0; i < 16; ++i) p.fix().satellites[i] = GpsSatellite{99, 1, 1, 1, 1};
    p.ParseSentence(Nmea("GPGSV,3,1,09,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"));
    p.ParseSentence(Nmea("GPGSV,3,2,09,09,06,071,,13,21,215,35,17,52,188,45,20,34,295,43"));
    EXPECT_EQ(p.fix().satellites[8].prn, 99) << "slots are cleared only by the last message";
    p.ParseSentence(Nmea("GPGSV,3,3,09,28,70,120,48"));
    for (int i = 0; i < 9; ++i) EXPECT_NE(p.fix().satellites[i].prn, 0) << i;
    for (int i = 9; i < 16; ++i) EXPECT_EQ(p.fix().satellites[i], GpsSatellite{}) << i;

    p.ParseSentence(Nmea("GPGSV,2,1,05,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"));
    p.ParseSentence(Nmea("GPGSV,2,2,05,30,10,010,20"));
    EXPECT_EQ(p.fix().satellites[4].prn, 30);
    for (int i = 5; i < 16; ++i) EXPECT_EQ(p.fix().satellites[i], GpsSatellite{}) << i;
}

TEST(NmeaParser, GsvPrnChangeClearsUsedFlag)
{
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPGSV,1,1,02,04,40,083,46,05,17,308,41"));
    p.ParseSentence(Nmea("GPGSA,A,3,04,05,,,,,,,,,,,1.8,1.0,1.5"));
    p.ParseSentence(Nmea("GPGSV,1,1,02,04,41,084,47,06,17,308,41"));
    EXPECT_EQ(p.fix().satellites[0].used, 1) << "same satellite keeps its flag";
    EXPECT_EQ(p.fix().satellites[1].used, 0) << "another satellite in the slot loses it";
}

TEST(NmeaParser, GsaMarksExactlyTheListedSatellites)
{
    NmeaParser p = MakeParser();
    p.ParseSentence(Nmea("GPGSV,2,1,05,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"));
    p.ParseSentence(Nmea("GPGSV,2,2,05,09,06,071,30"));
    p.fix().satellites[3].used = 1;  // left over from an earlier GSA
    p.ParseSentence(Nmea("GPGSA,A,3,04,05,,09,,,,,,,,,1.8,1.0,1.5"));
    std::vector<int> used;
    for (const GpsSatellite& s : p.fix().satellites) used.push_back(s.used);
    EXPECT_EQ(used, (std::vector<int>{0, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // PRN 0 never marks an empty slot.
    p.ParseSentence(Nmea("GPGSA,A,3,00,,,,,,,,,,,,1.8,1.0,1.5"));
    for (const GpsSatellite& s : p.fix().satellites) EXPECT_EQ(s.used, 0);
}

TEST(NmeaParser, SplittingRules)
{
    // Space and the bytes 0x10 and 0x13 separate fields like ','; CR stays in the last field.
    NmeaParser p = MakeParser();
    p.ParseSentence(std::string("$GPGSV,1,1,01 07\x13") + "62\x10" + "047,44\r");
    EXPECT_EQ(p.fix().satellites[0], (GpsSatellite{7, 62, 47, 44, 0}));

    // Far more than 29 separators: the first fields are still read, the rest is one field.
    NmeaParser q = MakeParser();
    std::string body = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    for (int i = 0; i < 100; ++i) body += ",7";
    EXPECT_EQ(q.ParseSentence(Nmea(body)).kind, NmeaSentence::Gga);
    EXPECT_EQ(q.fix().satellitesUsed, 8);
}

TEST(NmeaLineAssembly, OneLinePerRead)
{
    NmeaParser p = MakeParser();
    const std::string gga = NmeaLine("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const std::string rmc = NmeaLine("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
    auto r = p.FeedReceivedBytes("noise" + gga + rmc);
    EXPECT_TRUE(r.lineHandled);
    EXPECT_EQ(r.kind, NmeaSentence::Gga);
    EXPECT_EQ(p.fix().speedKnots, 0.0) << "the second line waits for the next read";
    EXPECT_EQ(p.fill(), rmc.size());
    EXPECT_TRUE(p.HasCompleteLine());
    r = p.FeedReceivedBytes("");
    EXPECT_EQ(r.kind, NmeaSentence::Rmc);
    EXPECT_EQ(p.fix().speedKnots, 22.4);
    EXPECT_EQ(p.fill(), 0u);
    EXPECT_FALSE(p.FeedReceivedBytes("").lineHandled);
}

TEST(NmeaLineAssembly, PartialLinesAndDiscards)
{
    NmeaParser p = MakeParser();
    const std::string gga = NmeaLine("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    EXPECT_FALSE(p.FeedReceivedBytes(gga.substr(0, 20)).lineHandled);
    EXPECT_EQ(p.fill(), 20u);
    EXPECT_TRUE(p.FeedReceivedBytes(gga.substr(20)).lineHandled);
    EXPECT_EQ(p.fix().quality, 1);

    // Bytes without any '$' are dropped at once.
    p.FeedReceivedBytes("garbage without a start\r\n");
    EXPECT_EQ(p.fill(), 0u);

    // 600 bytes without a line feed: the buffer fills to 512 and is discarded before the next
    // read; the remaining bytes start afresh.
    const std::string noise = "$" + std::string(599, 'x');
    auto r = p.FeedReceivedBytes(noise);
    EXPECT_EQ(r.bytesTaken, 512u);
    EXPECT_EQ(p.fill(), 512u);
    EXPECT_EQ(p.BeginRead(), 512u);
    EXPECT_EQ(p.fill(), 0u);
    r = p.FeedReceivedBytes(noise.substr(512));
    EXPECT_EQ(r.bytesTaken, 88u);
    EXPECT_EQ(p.fill(), 0u) << "no '$' in the rest";

    // A NUL byte in line noise does not hide the sentence behind it.
    NmeaParser q = MakeParser();
    q.FeedReceivedBytes(std::string("\x00\xff", 2) + gga);
    EXPECT_EQ(q.fix().quality, 1);
}

TEST(NmeaAllTalkers, ConstellationsKeepTheirSatellitesAndFlags)
{
    const std::vector<std::string> epoch = {
        Nmea("GNGGA,123519,4807.038,N,01131.000,E,1,10,0.9,545.4,M,46.9,M,,"),
        Nmea("GPGSV,2,1,05,01,40,083,46,04,17,308,41,05,13,172,39,07,62,047,44"),
        Nmea("GPGSV,2,2,05,09,06,071,30"),
        Nmea("GLGSV,1,1,03,65,30,100,40,66,45,200,38,67,10,300,20"),
        Nmea("GAGSV,1,1,02,04,50,150,42,11,20,250,35"),
        Nmea("GNGSA,A,3,04,05,09,,,,,,,,,,1.8,1.0,1.5,1"),
        Nmea("GNGSA,A,3,65,66,,,,,,,,,,,1.8,1.0,1.5,2"),
        Nmea("GNGSA,A,3,04,,,,,,,,,,,,1.8,1.0,1.5,3"),
    };
    NmeaParser off = MakeParser(false);
    for (const auto& l : epoch) off.ParseSentence(l);
    EXPECT_EQ(off.fix().quality, 0) << "GN talker ignored by default";
    EXPECT_EQ(off.fix().satellites[0].prn, 1);
    EXPECT_EQ(off.fix().satellites[5].prn, 0) << "GLONASS and Galileo ignored";

    NmeaParser on = MakeParser(true);
    for (const auto& l : epoch) on.ParseSentence(l);
    EXPECT_EQ(on.fix().quality, 1);
    struct Expect {
        int prn;
        int used;
    };
    // Galileo (most recent GSV) first, then GLONASS, then GPS.
    const Expect expected[] = {{4, 1},  {11, 0}, {65, 1}, {66, 1}, {67, 0}, {1, 0},
                               {4, 1},  {5, 1},  {7, 0},  {9, 1}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(on.fix().satellites[i].prn, expected[i].prn) << i;
        EXPECT_EQ(on.fix().satellites[i].used, expected[i].used) << i;
    }
    for (int i = 10; i < 16; ++i) EXPECT_EQ(on.fix().satellites[i].prn, 0);

    // A GSA without system id is placed by its PRN numbering; it must not clear GPS flags.
    on.ParseSentence(Nmea("GNGSA,A,3,67,,,,,,,,,,,,1.8,1.0,1.5"));
    EXPECT_EQ(on.fix().satellites[2].used, 0);  // 65
    EXPECT_EQ(on.fix().satellites[4].used, 1);  // 67
    EXPECT_EQ(on.fix().satellites[9].used, 1);  // GPS 9 untouched
}

TEST(NmeaAllTalkers, EachSlotKnowsItsSatelliteSystem)
{
    // Galileo and BeiDou reuse GPS's PRN numbers, so only the talker can tell them apart;
    // "$GP" also carries SBAS, and "$GN" satellites are placed by the PRN numbering.
    const std::vector<std::string> epoch = {
        Nmea("GPGSV,1,1,02,07,62,047,44,44,30,200,38"),
        Nmea("GLGSV,1,1,01,65,30,100,40"),
        Nmea("GAGSV,1,1,01,07,50,150,42"),
        Nmea("GBGSV,1,1,01,07,20,250,35"),
        Nmea("GNGSV,1,1,02,70,20,250,35,305,10,90,30"),
    };
    NmeaParser on = MakeParser(true);
    for (const auto& l : epoch) on.ParseSentence(l);
    std::string systems;
    for (int i = 0; i < 8; ++i) systems += std::to_string(on.fix().satellites[i].prn) + on.SatelliteSystem(i) + ' ';
    // Newest talker first.
    EXPECT_EQ(systems, "70R 305E 7C 7E 65R 7G 44S 0? ");
    EXPECT_EQ(on.SatelliteSystem(16), '?');

    NmeaParser off = MakeParser(false);
    for (const auto& l : epoch) off.ParseSentence(l);
    EXPECT_EQ(off.SatelliteSystem(0), 'G');
}

TEST(NmeaAllTalkers, MoreThanSixteenSatellitesKeepTheNewestTalkerFirst)
{
    NmeaParser p = MakeParser(true);
    p.ParseSentence(Nmea("GPGSV,3,1,10,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1"));
    p.ParseSentence(Nmea("GPGSV,3,2,10,05,1,1,1,06,1,1,1,07,1,1,1,08,1,1,1"));
    p.ParseSentence(Nmea("GPGSV,3,3,10,09,1,1,1,10,1,1,1"));
    p.ParseSentence(Nmea("GLGSV,3,1,09,65,1,1,1,66,1,1,1,67,1,1,1,68,1,1,1"));
    p.ParseSentence(Nmea("GLGSV,3,2,09,69,1,1,1,70,1,1,1,71,1,1,1,72,1,1,1"));
    p.ParseSentence(Nmea("GLGSV,3,3,09,73,1,1,1"));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(p.fix().satellites[i].prn, 65 + i);
    for (int i = 9; i < 16; ++i) EXPECT_EQ(p.fix().satellites[i].prn, i - 8);
}

TEST(NmeaAllTalkers, SilentTalkerDropsOut)
{
    std::int64_t now = kNow;
    NmeaParser p([&now] { return now; });
    p.SetAllTalkers(true);
    p.ParseSentence(Nmea("GLGSV,1,1,01,65,30,100,40"));
    p.ParseSentence(Nmea("GPGSV,1,1,01,01,30,100,40"));
    EXPECT_EQ(p.fix().satellites[1].prn, 65);
    now += 11;
    p.ParseSentence(Nmea("GPGSV,1,1,01,01,30,100,40"));
    EXPECT_EQ(p.fix().satellites[0].prn, 1);
    EXPECT_EQ(p.fix().satellites[1].prn, 0) << "GLONASS silent for 11 s";
}

}  // namespace
}  // namespace korvel
