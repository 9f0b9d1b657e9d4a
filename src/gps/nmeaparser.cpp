#include "gps/nmeaparser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

namespace korvel {

std::int64_t SystemClockSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Receivers pad, truncate and garble fields, so numbers are read like atoi: leading blanks and
// a sign, then as many digits as there are; nothing readable gives 0. Saturates instead of
// overflowing.
long long ParseInt(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    constexpr long long kLimit = 1'000'000'000'000'000LL;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value < kLimit) value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

// Like atof, but independent of the C locale (a German LC_NUMERIC would make strtod stop at
// the '.') and never yielding infinities or NaN, which no receiver means to send.
double ParseReal(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i < s.size() && s[i] == '+') {
        ++i;
        if (i < s.size() && s[i] == '-') return 0.0;  // "+-1" is not a number for atof either
    }
    double value = 0.0;
    const auto r = std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::fixed);
    if (r.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

template <typename T>
T Saturate(long long v)
{
    if (v < static_cast<long long>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (v > static_cast<long long>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

// Two characters of a field starting at `pos`, read as a number (missing characters count as
// absent, so a short time field reads its leftover digits and nothing beyond the field).
int TwoDigits(std::string_view field, std::size_t pos)
{
    if (pos >= field.size()) return 0;
    return static_cast<int>(ParseInt(field.substr(pos, 2)));
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsSeparator(char c) { return c == ',' || c == '*' || c == 0x13 || c == 0x10 || c == ' '; }

// Calendar time through the platform's local-time conversion. Consumers only compare these
// values for equality, so the zone offset does not matter.
std::int64_t LocalMakeTime(int year, int month, int day, int hour, int minute, int second)
{
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

// The zone's offset from UTC at `t`. localtime_r keeps the zone it has read, unlike mktime.
long OffsetAt(std::int64_t t)
{
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm local{};
    if (!localtime_r(&tt, &local)) return std::numeric_limits<long>::min();
    return local.tm_gmtoff;
}

std::tm UtcNow(std::int64_t now)
{
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm utc{};
    gmtime_r(&t, &utc);
    return utc;
}

}  // namespace

bool NmeaChecksumValid(std::string_view line)
{
    if (line.empty() || line[0] != '$') return false;
    std::size_t end = 1;
    unsigned sum = 0;
    while (end < line.size() && line[end] != '*' && line[end] != '$') sum ^= static_cast<unsigned char>(line[end++]);
    const std::size_t length = end - 1;
    if (length < 1 || length > 80 || end >= line.size() || line[end] != '*') return false;
    if (end + 2 >= line.size()) return false;
    const int high = HexDigit(line[end + 1]);
    const int low = HexDigit(line[end + 2]);
    if (high < 0 || low < 0) return false;
    return static_cast<unsigned>(high * 16 + low) == sum;
}

double NmeaToDegrees(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot < 4) return 0.0;
    const double degrees = static_cast<double>(ParseInt(text.substr(0, dot - 2)));
    const double minutes = ParseReal(text.substr(dot - 2));
    return degrees + minutes / 60.0;
}

NmeaParser::NmeaParser(GpsClock clock) : m_clock(std::move(clock)) {}

void NmeaParser::SetClock(GpsClock clock) { m_clock = std::move(clock); }

void NmeaParser::SetAllTalkers(bool on)
{
    if (on == m_allTalkers) return;
    m_allTalkers = on;
    m_talkers = {};
}

namespace {

// The system a "$GN" satellite belongs to, from the PRN numbering receivers use for mixed
// talkers (NMEA 4.0 extensions: 33-64 and 120-158 SBAS, 65-96 GLONASS, 193-199 QZSS, 201-263
// and 401-437 BeiDou, 301-336 Galileo).
char SystemFromPrn(unsigned prn)
{
    if (prn >= 1 && prn <= 32) return 'G';
    if ((prn >= 33 && prn <= 64) || (prn >= 120 && prn <= 158)) return 'S';
    if (prn >= 65 && prn <= 96) return 'R';
    if (prn >= 193 && prn <= 199) return 'J';
    if ((prn >= 201 && prn <= 263) || (prn >= 401 && prn <= 437)) return 'C';
    if (prn >= 301 && prn <= 336) return 'E';
    return '?';
}

}  // namespace

char NmeaParser::SatelliteSystem(int slot) const
{
    if (slot < 0 || slot >= kGpsSatelliteSlots) return '?';
    if (!m_allTalkers) return 'G';
    return m_slotSystems[static_cast<std::size_t>(slot)];
}

std::int64_t FixTimeConverter::operator()(int year, int month, int day, int hour, int minute, int second)
{
    if (year >= 2080) year -= 100;
    if (year < 1900) return 0;
    // Minutes and seconds outside the hour (a garbled field) go the long way.
    if (minute < 0 || minute > 59 || second < 0 || second > 59)
        return LocalMakeTime(year, month, day, hour, minute, second);
    if (!m_hasHour || m_hour.year != year || m_hour.month != month || m_hour.day != day || m_hour.hour != hour) {
        m_hour = Hour{year, month, day, hour, LocalMakeTime(year, month, day, hour, 0, 0), false};
        m_hasHour = true;
        // Within an hour with one offset, and no other offset close enough for the same clock
        // time to occur twice, minute and second simply add on. Offsets change by at most two
        // hours at once, so two hours on either side cover every repeated clock time.
        const std::int64_t s = m_hour.start;
        if (s != -1) {
            const long offset = OffsetAt(s);
            m_hour.uniform = OffsetAt(s - 7200) == offset && OffsetAt(s + 3599) == offset &&
                             OffsetAt(s + 3600 + 7200) == offset;
        }
    }
    if (!m_hour.uniform) return LocalMakeTime(year, month, day, hour, minute, second);
    return m_hour.start + minute * 60 + second;
}

std::int64_t NmeaParser::Now() const { return m_clock ? m_clock() : SystemClockSeconds(); }

std::size_t NmeaParser::BeginRead()
{
    if (m_fill >= kBufferSize) m_fill = 0;
    return kBufferSize - m_fill;
}

NmeaLineResult NmeaParser::FeedReceivedBytes(std::string_view bytes)
{
    const std::size_t n = std::min(BeginRead(), bytes.size());
    if (n > 0) std::memcpy(ReadPointer(), bytes.data(), n);
    return EndRead(n);
}

NmeaLineResult NmeaParser::EndRead(std::size_t received)
{
    m_fill += std::min(received, kBufferSize - m_fill);
    m_buffer[m_fill] = '\0';

    NmeaLineResult result;
    result.bytesTaken = received;
    // The whole filled part is searched, NUL bytes from line noise included: a stray zero must
    // not hide the sentences behind it until the buffer overflows.
    char* const begin = m_buffer.data();
    char* const dollar = static_cast<char*>(std::memchr(begin, '$', m_fill));
    if (!dollar) {
        m_fill = 0;
        return result;
    }
    char* const lineFeed = static_cast<char*>(std::memchr(dollar, '\n', m_fill - (dollar - begin)));
    if (!lineFeed) return result;

    *lineFeed = '\0';
    const NmeaLineResult parsed = ParseSentence(std::string_view(dollar, lineFeed - dollar));
    const std::size_t consumed = static_cast<std::size_t>(lineFeed - begin) + 1;
    std::memmove(begin, lineFeed + 1, m_fill - consumed);
    m_fill -= consumed;
    m_buffer[m_fill] = '\0';

    result.lineHandled = true;
    result.kind = parsed.kind;
    result.checksumOk = parsed.checksumOk;
    result.name = parsed.name;
    return result;
}

bool NmeaParser::HasCompleteLine() const
{
    const char* begin = m_buffer.data();
    const char* dollar = static_cast<const char*>(std::memchr(begin, '$', m_fill));
    return dollar && std::memchr(dollar, '\n', m_fill - (dollar - begin)) != nullptr;
}

NmeaLineResult NmeaParser::ParseSentence(std::string_view line)
{
    NmeaLineResult result;
    result.checksumOk = NmeaChecksumValid(line);
    if (!result.checksumOk) m_lastError = kChecksumError;

    // Empty fields count (",," gives an empty field); after 29 separators the rest of the line
    // stays in the last field. A carriage return is no separator and stays in the last field.
    m_count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size() && m_count < kMaxFields - 1; ++i) {
        if (IsSeparator(line[i])) {
            m_fields[m_count++] = line.substr(start, i - start);
            start = i + 1;
        }
    }
    m_fields[m_count] = line.substr(start);
    if (m_count == 0) return result;

    const std::string_view name = m_fields[0];
    if (name.size() != 6 || name[0] != '$') return result;
    Talker talker;
    const std::string_view prefix = name.substr(1, 2);
    if (prefix == "GP") talker = kGP;
    else if (!m_allTalkers) return result;
    else if (prefix == "GN") talker = kGN;
    else if (prefix == "GL") talker = kGL;
    else if (prefix == "GA") talker = kGA;
    else if (prefix == "GB") talker = kGB;
    else return result;

    const std::string_view type = name.substr(3);
    if (type == "GGA") {
        result.kind = NmeaSentence::Gga;
        HandleGga();
    } else if (type == "RMC") {
        result.kind = NmeaSentence::Rmc;
        HandleRmc();
    } else if (type == "GSV") {
        result.kind = NmeaSentence::Gsv;
        HandleGsv(talker);
    } else if (type == "GSA") {
        result.kind = NmeaSentence::Gsa;
        HandleGsa(talker);
    } else {
        return result;
    }
    std::memcpy(result.name.data(), name.data(), name.size());
    return result;
}

// Latitude from fields latField/latField+1 and longitude from lonField/lonField+1; a missing
// or unknown hemisphere letter gives 0 rather than guessing a sign.
void NmeaParser::ReadPosition(int latField, int lonField)
{
    const std::string_view ns = Field(latField + 1);
    const std::string_view ew = Field(lonField + 1);
    const double lat = NmeaToDegrees(Field(latField));
    const double lon = NmeaToDegrees(Field(lonField));
    m_fix.latitude = ns == "N" ? lat : ns == "S" ? -lat : 0.0;
    m_fix.longitude = ew == "E" ? lon : ew == "W" ? -lon : 0.0;
}

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
//        time   lat       lon         q sats hdop alt     geoid  dgps-age, station
void NmeaParser::HandleGga()
{
    if (m_count < 13) return;
    const std::int64_t now = Now();
    m_fix.satellitesUsed = Saturate<std::uint8_t>(ParseInt(Field(7)));
    m_fix.hdop = ParseReal(Field(8));
    m_fix.ggaTime = now;
    // Quality 3 and up (PPS, RTK, estimated, ...) count as differential; negative nonsense as
    // no fix rather than wrapping round to 255.
    m_fix.quality = static_cast<std::uint8_t>(std::clamp(ParseInt(Field(6)), 0LL, 2LL));
    const std::string_view time = Field(1);
    const std::tm today = UtcNow(now);
    m_fix.fixTime = m_fixTime(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, TwoDigits(time, 0),
                                TwoDigits(time, 2), TwoDigits(time, 4));
    m_fix.receiveTime = now;
    ReadPosition(2, 4);
    m_fix.altitude = ParseReal(Field(9));
    m_fix.dgpsAge = Saturate<std::int32_t>(ParseInt(Field(13)));
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
//        time   status lat  lon          knots course ddmmyy variation
void NmeaParser::HandleRmc()
{
    if (m_count < 9) return;
    if (Field(2) != "A") {
        m_fix.quality = 0;
        return;
    }
    // A differential quality learned from GGA stays; RMC only knows "valid".
    if (m_fix.quality == 0) m_fix.quality = 1;
    const std::int64_t now = Now();
    const std::string_view date = Field(9);
    const std::string_view time = Field(1);
    const int day = TwoDigits(date, 0);
    const int month = TwoDigits(date, 2);
    const int year = 2000 + TwoDigits(date, 4);
    if (year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= 31) {
        m_fix.fixTime = m_fixTime(year, month, day, TwoDigits(time, 0), TwoDigits(time, 2), TwoDigits(time, 4));
    } else {
        const std::tm utc = UtcNow(now);
        m_fix.fixTime = m_fixTime(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                                    utc.tm_sec);
    }
    m_fix.receiveTime = now;
    ReadPosition(3, 5);
    m_fix.speedKnots = ParseReal(Field(7));
    m_fix.course = ParseReal(Field(8));
}

// $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74
//        total, number, in view, then up to four of (prn, elevation, azimuth, snr)
bool NmeaParser::HandleGsv(Talker talker)
{
    if (m_count < 3) return false;
    const long long total = ParseInt(Field(1));
    const long long number = ParseInt(Field(2));
    const long long inView = ParseInt(Field(3));
    if (total < 1 || total > 4 || number < 1 || number > 4 || inView < 1 || inView > 16) return false;
    const int first = static_cast<int>(number - 1) * 4;
    // For a message number beyond the satellites in view this goes negative: nothing to fill,
    // and the clearing below still starts right behind the satellites in view.
    const int inThis = number * 4 < inView ? 4 : static_cast<int>(inView) - first;
    if (m_count < 4 * inThis + 3) return false;

    SatelliteTable& table = m_allTalkers ? m_talkers[talker].table : m_fix.satellites;
    for (int i = 0; i < inThis; ++i) {
        GpsSatellite& s = table[first + i];
        const auto prn = Saturate<std::uint16_t>(ParseInt(Field(4 + 4 * i)));
        if (s.prn != prn) s.used = 0;
        s.prn = prn;
        s.elevation = Saturate<std::int16_t>(ParseInt(Field(5 + 4 * i)));
        s.azimuth = Saturate<std::int16_t>(ParseInt(Field(6 + 4 * i)));
        s.snr = Saturate<std::int16_t>(ParseInt(Field(7 + 4 * i)));
    }
    if (number == total) {
        for (int i = first + inThis; i < kGpsSatelliteSlots; ++i) table[i] = GpsSatellite{};
    }
    const std::int64_t now = Now();
    m_fix.gsvTime = now;
    if (m_allTalkers) {
        m_talkers[talker].sequence = ++m_gsvSequence;
        m_talkers[talker].time = now;
        MergeTalkerSatellites();
    }
    return true;
}

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
//        mode, fix type, twelve PRN fields of the satellites used, PDOP, HDOP, VDOP
// (NMEA 4.11 receivers append a system id: 1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou.)
void NmeaParser::HandleGsa(Talker talker)
{
    if (m_count < 6) return;
    if (m_allTalkers && talker == kGN) {
        // A combined-talker GSA lists one constellation; find out which. The system id says so
        // when present, otherwise the PRN numbering does (GLONASS uses 65 to 96).
        const long long system = ParseInt(Field(18));
        if (m_count >= 18 && system >= 1 && system <= 4) {
            talker = static_cast<Talker>(system - 1);
        } else {
            talker = kGP;
            for (int f = 3; f <= 14; ++f) {
                if (Field(f).empty()) continue;
                const long long prn = ParseInt(Field(f));
                if (prn >= 65 && prn <= 96) talker = kGL;
                break;
            }
        }
    }
    SatelliteTable& table = m_allTalkers ? m_talkers[talker].table : m_fix.satellites;
    for (GpsSatellite& s : table) s.used = 0;
    for (int f = 3; f <= 14; ++f) {
        if (Field(f).empty()) continue;
        const long long prn = ParseInt(Field(f));
        // PRN 0 marks an empty slot; it must not turn an empty slot into a "used" satellite.
        if (prn == 0) continue;
        for (GpsSatellite& s : table) {
            if (s.prn == prn) {
                s.used = 1;
                break;
            }
        }
    }
    m_fix.gsaTime = Now();
    if (m_allTalkers) MergeTalkerSatellites();
}

// Fills the sixteen slots of the fix from every talker's own table, the talker with the most
// recent GSV first. A talker that has fallen silent for 10 s while others kept reporting is
// left out (the receiver was reconfigured or lost that constellation); when every talker is
// silent the last picture stays, as it does with a single talker.
void NmeaParser::MergeTalkerSatellites()
{
    std::array<const TalkerSatellites*, kTalkerCount> order{};
    int n = 0;
    std::int64_t newest = std::numeric_limits<std::int64_t>::min();
    for (const TalkerSatellites& t : m_talkers) {
        if (t.sequence == 0) continue;
        order[n++] = &t;
        newest = std::max(newest, t.time);
    }
    // Newest first. Five entries at most: a plain insertion sort (GCC 12 also warns falsely
    // about std::sort on so short an array).
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && order[j - 1]->sequence < order[j]->sequence; --j) std::swap(order[j - 1], order[j]);
    }
    int slot = 0;
    for (int i = 0; i < n && slot < kGpsSatelliteSlots; ++i) {
        if (newest - order[i]->time > 10) continue;
        static constexpr char kTalkerSystem[kTalkerCount] = {'G', 'R', 'E', 'C', '?'};
        const char talkerSystem = kTalkerSystem[order[i] - m_talkers.data()];
        for (const GpsSatellite& s : order[i]->table) {
            if (s.prn == 0) continue;
            // "$GP" also carries the SBAS satellites (PRN 33 to 64).
            char system = talkerSystem;
            if (talkerSystem == '?' || (talkerSystem == 'G' && SystemFromPrn(s.prn) == 'S')) system = SystemFromPrn(s.prn);
            m_slotSystems[static_cast<std::size_t>(slot)] = system;
            m_fix.satellites[slot++] = s;
            if (slot == kGpsSatelliteSlots) break;
        }
    }
    for (; slot < kGpsSatelliteSlots; ++slot) {
        m_fix.satellites[slot] = GpsSatellite{};
        m_slotSystems[static_cast<std::size_t>(slot)] = '?';
    }
}

}  // namespace korvel
