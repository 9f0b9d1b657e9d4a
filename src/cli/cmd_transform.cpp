// korvel-cli transform: converts "x y" lines from standard input between two coordinate
// systems with TransformPoint and writes "x y" lines to standard output.
//
// Built for batches of millions of points: standard input and output are used through read()
// and write() in blocks of a megabyte (stdio would only copy once more), numbers are
// parsed with std::from_chars and printed by FormatG17 below (the digits of "%.17g", about
// three times as fast as the general formatters), and nothing is allocated per line.

#include "cli/clicommand.h"
#include "crs/transform.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace korvel::cli {
namespace {

constexpr size_t kInputBlock = 1 << 20;
constexpr size_t kOutputBlock = 1 << 20;
constexpr size_t kMaxRecord = 72;  // two numbers of at most 32 bytes, a space and a newline

// --- "%.17g" ------------------------------------------------------------------------------

constexpr uint64_t Pow5(int k)
{
    uint64_t p = 1;
    for (int i = 0; i < k; ++i) p *= 5;
    return p;
}

struct Pow5Table {
    uint64_t v[28];
};

constexpr Pow5Table MakePow5Table()
{
    Pow5Table t{};
    for (int k = 0; k < 28; ++k) t.v[k] = Pow5(k);
    return t;
}

constexpr Pow5Table kPow5 = MakePow5Table();
__extension__ typedef unsigned __int128 Uint128;  // GCC and Clang both have it on x86-64 and arm64
constexpr uint64_t kTen16 = 10000000000000000ull;
constexpr uint64_t kTen17 = 100000000000000000ull;
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `v` exactly as printf("%.17g", v) does and returns the end; needs 32 bytes.
//
// For 1e-9 <= |v| < 1e17 the seventeen digits are round(v · 10^k) with k = 16 − floor(log10 |v|),
// computed exactly: v = m · 2^e, so v · 10^k = m · 5^k · 2^(e + k), which fits 128 bits for
// k <= 27. The remainder of the final shift decides the rounding (half to even, like printf).
// Everything else (zero, tiny, huge, inf, nan) is rare in coordinates and goes to snprintf.
char* FormatG17(char* out, double v)
{
    const double a = std::fabs(v);
    if (!(a >= 1e-9 && a < 1e17)) {
        // std::to_chars writes what "%.17g" does in the C locale, whatever LC_NUMERIC says.
        return std::to_chars(out, out + 32, v, std::chars_format::general, 17).ptr;
    }
    if (v < 0) *out++ = '-';
    const uint64_t bits = std::bit_cast<uint64_t>(a);
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int e2 = static_cast<int>(bits >> 52) - 1075;
    // floor((e2 + 52) · log10 2), a first guess of the decimal exponent, corrected below.
    int e10 = ((e2 + 52) * 78913) >> 18;
    uint64_t n = 0;
    for (;;) {
        const int k = 16 - e10;
        const Uint128 prod = static_cast<Uint128>(m) * kPow5.v[k];
        const int s = e2 + k;
        Uint128 q;
        bool up = false;
        if (s >= 0) {
            q = prod << s;
        } else {
            const int sh = -s;
            q = prod >> sh;
            const Uint128 rem = prod - (q << sh);
            const Uint128 half = static_cast<Uint128>(1) << (sh - 1);
            up = rem > half || (rem == half && (q & 1) != 0);
        }
        if (q >= kTen17) {
            ++e10;
            continue;
        }
        if (q < kTen16) {
            --e10;
            continue;
        }
        n = static_cast<uint64_t>(q) + (up ? 1 : 0);
        if (n == kTen17) {
            n = kTen16;
            ++e10;
        }
        break;
    }

    char d[17];
    uint32_t hi = static_cast<uint32_t>(n / 100000000u);  // the first nine digits
    uint32_t lo = static_cast<uint32_t>(n % 100000000u);  // the last eight
    for (int i = 15; i >= 9; i -= 2) {
        std::memcpy(d + i, kDigitPairs + 2 * (lo % 100), 2);
        lo /= 100;
    }
    for (int i = 7; i >= 1; i -= 2) {
        std::memcpy(d + i, kDigitPairs + 2 * (hi % 100), 2);
        hi /= 100;
    }
    d[0] = static_cast<char>('0' + hi);
    int last = 16;
    while (last > 0 && d[last] == '0') --last;

    if (e10 < -4) {  // d.ddde-XX
        *out++ = d[0];
        if (last > 0) {
            *out++ = '.';
            for (int i = 1; i <= last; ++i) *out++ = d[i];
        }
        *out++ = 'e';
        *out++ = '-';
        *out++ = static_cast<char>('0' + (-e10) / 10);
        *out++ = static_cast<char>('0' + (-e10) % 10);
        return out;
    }
    if (e10 >= 0) {  // ddd.ddd
        for (int i = 0; i <= e10; ++i) *out++ = d[i];
        if (last > e10) {
            *out++ = '.';
            for (int i = e10 + 1; i <= last; ++i) *out++ = d[i];
        }
        return out;
    }
    *out++ = '0';  // 0.000ddd
    *out++ = '.';
    for (int i = 0; i < -e10 - 1; ++i) *out++ = '0';
    for (int i = 0; i <= last; ++i) *out++ = d[i];
    return out;
}

// --- the command --------------------------------------------------------------------------

void PrintUsage()
{
    std::fputs(
        "Aufruf: korvel-cli transform --from SYSTEM --to SYSTEM\n"
        "Liest Zeilen \"x y\" von der Standardeingabe (x = Rechtswert oder Länge, y = Hochwert oder\n"
        "Breite), rechnet sie vom Koordinatensystem --from in --to um und schreibt \"x y\" aus.\n"
        "Systeme: 4326 (WGS84 Grad), 900913 (Web-Mercator), 31466 bis 31469 (Gauß-Krüger Zone 2\n"
        "bis 5), 25801 bis 25860 (UTM mit Zonenziffern), 325832, 325833 (UTM 7-stellig),\n"
        "-3 (UTM, Zone aus dem ersten Punkt), 0 (lokal, nur als --from 0 --to 0). Gleiche Systeme\n"
        "geben die Punkte unverändert aus.\n",
        stderr);
}

bool ParseSystem(const QString& text, int32_t* id)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    // The local system converts to nothing but itself; Run refuses it beside another system.
    if (!ok || (value != CRS_LOCAL && !IsTransformable(value))) return false;
    *id = value;
    return true;
}

// Reads one number at `p`; a leading '+' is accepted as well as from_chars' own forms.
bool ParseNumber(const char*& p, const char* end, double* value)
{
    if (p < end && *p == '+') {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) return false;
    }
    const std::from_chars_result r = std::from_chars(p, end, *value);
    if (r.ec != std::errc() || r.ptr == p) return false;
    p = r.ptr;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Parses "x y" with optional blanks around and between the numbers (and a trailing CR).
bool ParseLine(const char* p, const char* end, WorldPoint* point)
{
    if (end > p && end[-1] == '\r') --end;
    while (p < end && IsBlank(*p)) ++p;
    if (!ParseNumber(p, end, &point->x)) return false;
    if (p == end || !IsBlank(*p)) return false;
    while (p < end && IsBlank(*p)) ++p;
    if (!ParseNumber(p, end, &point->y)) return false;
    while (p < end && IsBlank(*p)) ++p;
    return p == end;
}

class Converter {
public:
    Converter(int32_t from, int32_t to) : m_params{1, from, to}, m_out(kOutputBlock) {}

    void Line(const char* begin, const char* end)
    {
        ++m_lineNo;
        WorldPoint p;
        if (!ParseLine(begin, end, &p)) {
            BadLine();
            return;
        }
        if (!TransformPoint(&p, &m_params)) {
            std::fprintf(stderr, "Zeile %llu: Punkt lässt sich nicht umrechnen, unverändert ausgegeben\n",
                         m_lineNo);
            m_failed = true;
        }
        Write(p);
    }

    // Reports the current line as not being two numbers. `countLine` is for a line too long to
    // hold two numbers, which is reported without being handed to Line.
    void BadLine(bool countLine = false)
    {
        if (countLine) ++m_lineNo;
        std::fprintf(stderr, "Zeile %llu: keine zwei Zahlen \"x y\", übersprungen\n", m_lineNo);
        m_failed = true;
    }

    bool Flush()
    {
        const char* p = m_out.data();
        size_t left = m_used;
        while (left > 0 && !m_writeError) {
            const ssize_t n = ::write(STDOUT_FILENO, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_writeError = true;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        m_used = 0;
        return !m_writeError;
    }

    bool failed() const { return m_failed; }
    bool writeError() const { return m_writeError; }

private:
    void Write(const WorldPoint& p)
    {
        if (m_out.size() - m_used < kMaxRecord) Flush();
        char* out = m_out.data() + m_used;
        out = FormatG17(out, p.x);
        *out++ = ' ';
        out = FormatG17(out, p.y);
        *out++ = '\n';
        m_used = static_cast<size_t>(out - m_out.data());
    }

    CoordTransform m_params;  // shared by all lines, so that -3 keeps the first point's zone
    std::vector<char> m_out;
    size_t m_used = 0;
    unsigned long long m_lineNo = 0;
    bool m_failed = false;
    bool m_writeError = false;
};

int Run(const QStringList& args)
{
    int32_t from = 0;
    int32_t to = 0;
    bool haveFrom = false;
    bool haveTo = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name;
        QString value;
        if (!SplitOption(args, &i, &name, &value)) {
            std::fprintf(stderr, "Wert fehlt für %s\n", qPrintable(name));
            PrintUsage();
            return 2;
        }
        bool* have = nullptr;
        int32_t* id = nullptr;
        if (name == QLatin1String("--from")) {
            have = &haveFrom;
            id = &from;
        } else if (name == QLatin1String("--to")) {
            have = &haveTo;
            id = &to;
        } else {
            std::fprintf(stderr, "Unbekannte Option: %s\n", qPrintable(name));
            PrintUsage();
            return 2;
        }
        if (!ParseSystem(value, id)) {
            std::fprintf(stderr, "Unbekanntes Koordinatensystem für %s: %s\n", qPrintable(name),
                         qPrintable(value));
            PrintUsage();
            return 2;
        }
        *have = true;
    }
    if (!haveFrom || !haveTo) {
        std::fprintf(stderr, "%s fehlt\n", haveFrom ? "--to" : "--from");
        PrintUsage();
        return 2;
    }

    // Equal systems pass the points through (TransformPoint leaves them as they are); between
    // the local system and any other there is no conversion at all.
    if (from != to && (from == CRS_LOCAL || to == CRS_LOCAL)) {
        std::fprintf(stderr, "Vom Koordinatensystem %d kann nicht nach %d umgerechnet werden.\n", from, to);
        PrintUsage();
        return 2;
    }

    Converter conv(from, to);
    std::vector<char> buf(kInputBlock);
    size_t have = 0;
    bool skipping = false;  // inside an overlong line that was already reported
    bool readError = false;
    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, buf.data() + have, buf.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            readError = true;
            n = 0;
        }
        have += static_cast<size_t>(n);
        const bool atEnd = n == 0;
        size_t start = 0;
        while (start < have) {
            const char* nl = static_cast<const char*>(std::memchr(buf.data() + start, '\n', have - start));
            if (nl == nullptr) break;
            if (skipping) {
                skipping = false;
            } else {
                conv.Line(buf.data() + start, nl);
            }
            start = static_cast<size_t>(nl - buf.data()) + 1;
        }
        if (atEnd) {
            if (start < have && !skipping) conv.Line(buf.data() + start, buf.data() + have);
            break;
        }
        if (conv.writeError()) break;  // nobody takes the output any more
        if (start == 0 && have == buf.size()) {
            // A whole block without a line end cannot be two numbers.
            if (!skipping) conv.BadLine(true);
            skipping = true;
            have = 0;
            continue;
        }
        std::memmove(buf.data(), buf.data() + start, have - start);
        have -= start;
    }
    if (readError) {
        std::fputs("Fehler beim Lesen der Standardeingabe\n", stderr);
        conv.Flush();
        return 1;
    }
    if (!conv.Flush()) {
        std::fputs("Fehler beim Schreiben der Standardausgabe\n", stderr);
        return 1;
    }
    return conv.failed() ? 1 : 0;
}

const CliCommand reg("transform", "transform --from SYSTEM --to SYSTEM - rechnet Zeilen \"x y\" von stdin um",
                     &Run);

}  // namespace
}  // namespace korvel::cli
