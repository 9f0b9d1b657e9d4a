// korvel-cli nmea: feeds a recorded NMEA log through the receiver's line assembly and parser
// in reads of a chosen size and prints the fix record after every sentence that reached one
// of the four handlers, as one JSON object per line. Shows exactly what a port would make of
// the same bytes arriving in the same pieces.
#include "cli/clicommand.h"
#include "gps/nmeaparser.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace korvel::cli {
namespace {

void AppendNumber(std::string& out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendNumber(std::string& out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendJsonString(std::string& out, std::string_view s)
{
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

std::string FixJson(const NmeaLineResult& r, const GpsFix& f)
{
    std::string out = "{\"sentence\":";
    AppendJsonString(out, r.Name());
    out += ",\"checksumOk\":";
    out += r.checksumOk ? "true" : "false";
    out += ",\"quality\":";
    AppendNumber(out, static_cast<long long>(f.quality));
    out += ",\"longitude\":";
    AppendNumber(out, f.longitude);
    out += ",\"latitude\":";
    AppendNumber(out, f.latitude);
    out += ",\"altitude\":";
    AppendNumber(out, f.altitude);
    out += ",\"hdop\":";
    AppendNumber(out, f.hdop);
    out += ",\"satellitesUsed\":";
    AppendNumber(out, static_cast<long long>(f.satellitesUsed));
    out += ",\"fixTime\":";
    AppendNumber(out, static_cast<long long>(f.fixTime));
    out += ",\"dgpsAge\":";
    AppendNumber(out, static_cast<long long>(f.dgpsAge));
    out += ",\"course\":";
    AppendNumber(out, f.course);
    out += ",\"speedKnots\":";
    AppendNumber(out, f.speedKnots);
    out += ",\"satellites\":[";
    for (int i = 0; i < kGpsSatelliteSlots; ++i) {
        const GpsSatellite& s = f.satellites[i];
        if (i) out += ',';
        out += "{\"prn\":";
        AppendNumber(out, static_cast<long long>(s.prn));
        out += ",\"elevation\":";
        AppendNumber(out, static_cast<long long>(s.elevation));
        out += ",\"azimuth\":";
        AppendNumber(out, static_cast<long long>(s.azimuth));
        out += ",\"snr\":";
        AppendNumber(out, static_cast<long long>(s.snr));
        out += ",\"used\":";
        AppendNumber(out, static_cast<long long>(s.used));
        out += '}';
    }
    out += "]}\n";
    return out;
}

int Run(const QStringList& args)
{
    QString path;
    long long chunk = 64;
    bool allTalkers = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--chunk")) {
            bool ok = false;
            chunk = i + 1 < args.size() ? args[++i].toLongLong(&ok) : 0;
            if (!ok || chunk < 1) {
                std::fprintf(stderr, "--chunk erwartet eine ganze Zahl ab 1.\n");
                return 2;
            }
        } else if (a == QLatin1String("--all-talkers")) {
            allTalkers = true;
        } else if (path.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            path = a;
        } else {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(a));
            return 2;
        }
    }
    if (path.isEmpty()) {
        std::fprintf(stderr, "Aufruf: korvel-cli nmea DATEI [--chunk N] [--all-talkers]\n");
        return 2;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Die Datei \"%s\" kann nicht gelesen werden: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray data = file.readAll();

    NmeaParser parser;
    parser.SetAllTalkers(allTalkers);
    auto print = [&parser](const NmeaLineResult& r) {
        if (r.kind == NmeaSentence::None) return;
        const std::string json = FixJson(r, parser.fix());
        std::fwrite(json.data(), 1, json.size(), stdout);
    };
    qsizetype pos = 0;
    while (pos < data.size()) {
        const std::size_t room = parser.BeginRead();
        const std::size_t n = std::min({room, static_cast<std::size_t>(chunk), static_cast<std::size_t>(data.size() - pos)});
        std::memcpy(parser.ReadPointer(), data.constData() + pos, n);
        pos += static_cast<qsizetype>(n);
        print(parser.EndRead(n));
    }
    // The file is exhausted, but lines may still wait in the buffer: one per empty read.
    while (parser.HasCompleteLine()) {
        parser.BeginRead();
        print(parser.EndRead(0));
    }
    std::fflush(stdout);
    return 0;
}

CliCommand reg("nmea", "nmea DATEI [--chunk N] [--all-talkers] - NMEA-Protokoll einlesen, Fix als JSON je Satz",
               &Run);

}  // namespace
}  // namespace korvel::cli
