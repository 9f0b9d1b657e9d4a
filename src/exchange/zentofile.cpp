#include "exchange/zentofile.h"

#include "exchange/codepage.h"
#include "exchange/numtext.h"

#include <QIODevice>

#include <string_view>

namespace korvel {
namespace {

// Lines longer than this are ignored by the reader, as the devices never write them.
constexpr qsizetype kMaxLineLength = 255;

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

QByteArray TrimRight(const QByteArray& line)
{
    qsizetype n = line.size();
    while (n > 0 && IsCSpace(line.at(n - 1))) --n;
    return line.left(n);
}

QString Decode(const QByteArray& bytes) { return DecodeText(bytes, TableCodePage::Windows1252); }

// The file split into lines at LF, a CR before the LF dropped.
std::vector<QByteArray> SplitLines(const QByteArray& all)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        const bool lf = end >= 0;
        if (!lf) end = all.size();
        qsizetype stop = end;
        if (lf && stop > start && all.at(stop - 1) == '\r') --stop;
        lines.push_back(all.mid(start, stop - start));
        start = end + 1;
    }
    return lines;
}

bool IsSection(const QByteArray& line, const char* name)
{
    return TrimRight(line).compare(QByteArray(name), Qt::CaseInsensitive) == 0;
}

// Index of the first line that is the section `name`, or -1.
qsizetype FindSection(const std::vector<QByteArray>& lines, const char* name)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsSection(lines[i], name)) return static_cast<qsizetype>(i);
    }
    return -1;
}

std::string_view View(const QByteArray& b) { return std::string_view(b.constData(), static_cast<size_t>(b.size())); }

// One position line; false when it is to be dropped.
bool ParsePosition(QByteArray rest, CZentoPoint& pos)
{
    if (const auto x = ParseLeadingDouble(View(rest))) pos.x = *x;
    qsizetype space = rest.indexOf(' ');
    if (space <= 0) return false;
    rest = rest.mid(space + 1);
    if (const auto y = ParseLeadingDouble(View(rest))) pos.y = *y;
    space = rest.indexOf(' ');
    if (space <= 0) return false;
    rest = rest.mid(space + 1);
    // The height: skipped, not kept.
    space = rest.indexOf(' ');
    rest = space > 0 ? rest.mid(space + 1) : QByteArray();

    int number = 1;
    while (!rest.isEmpty() && rest.at(0) == '"') {
        // The closing quote is the first one that is not doubled; a doubled quote inside is
        // one quote of the value (what our writer makes of a quote).
        QByteArray unquoted;
        qsizetype close = 1;
        bool doubled = false;
        for (; close < rest.size(); ++close) {
            if (rest.at(close) != '"') {
                unquoted += rest.at(close);
            } else if (close + 1 < rest.size() && rest.at(close + 1) == '"') {
                unquoted += '"';
                doubled = true;
                ++close;
            } else {
                break;
            }
        }
        if (close >= rest.size()) break;
        const qsizetype after = rest.indexOf(' ', close);
        QByteArray token;
        if (after >= 0) {
            token = rest.left(after);
            rest = rest.mid(after + 1);
        } else {
            token = rest;
            rest.clear();
        }
        QByteArray value;
        if (doubled) {
            // Spaces at either end go, as with every value; the quotes belong to it.
            value = unquoted + token.mid(close + 1);
            qsizetype a = 0, b = value.size();
            while (a < b && value.at(a) == ' ') ++a;
            while (b > a && value.at(b - 1) == ' ') --b;
            value = value.mid(a, b - a);
        } else {
            // Files of the devices: the token up to the next space, without the spaces and
            // quotes at its ends.
            qsizetype a = 0, b = token.size();
            while (a < b && (token.at(a) == ' ' || token.at(a) == '"')) ++a;
            while (b > a && (token.at(b - 1) == ' ' || token.at(b - 1) == '"')) --b;
            value = token.mid(a, b - a);
        }
        if (!value.isEmpty()) pos.infos.push_back({QStringLiteral("Info%1").arg(number++), Decode(value)});
    }
    return true;
}

// A name or value as it may stand on one line: its first characters, line breaks as spaces
// (a break would start a new line, read back as a position or section of its own).
QByteArray Cut(const QString& text)
{
    QString cut = text.left(CZentoWriter::kMaxTextLength);
    for (QChar& c : cut) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    }
    return EncodeText(cut, TableCodePage::Windows1252);
}

// A marker value in quotes, each quote inside doubled, so that the reader ends the value at
// the right quote and gives back the quotes it holds.
QByteArray Quoted(const QString& value)
{
    QByteArray bytes = Cut(value);
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

}  // namespace

ZentoFileKind ZentoKindFromFirstLine(const QByteArray& firstLine)
{
    if (firstLine.compare("[Positionsdatei]", Qt::CaseInsensitive) == 0) return ZentoFileKind::Position;
    if (firstLine.compare("[Markierungsdatei]", Qt::CaseInsensitive) == 0) return ZentoFileKind::Marker;
    if (firstLine.compare("[Rasterdatei]", Qt::CaseInsensitive) == 0) return ZentoFileKind::Raster;
    return ZentoFileKind::Unknown;
}

ZentoFileKind ReadZentoKind(QIODevice& device)
{
    // A first line longer than any section name cannot name a kind; read no further.
    QByteArray line = device.readLine(256);
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    return ZentoKindFromFirstLine(line);
}

ZentoContent ReadZentoFile(QIODevice& device, ZentoFileKind kind)
{
    if (!device.isSequential()) device.seek(0);
    const std::vector<QByteArray> lines = SplitLines(device.readAll());
    ZentoContent content;

    // Mode: markers are points; a position file is an area unless its last mode section
    // says otherwise.
    if (kind == ZentoFileKind::Marker) {
        content.mode = ZentoMode::Points;
    } else {
        content.mode = ZentoMode::Area;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            if (!IsSection(lines[i], "[Messmodus]")) continue;
            const QByteArray value = TrimRight(lines[i + 1]);
            if (value.compare("Flaeche", Qt::CaseInsensitive) == 0) content.mode = ZentoMode::Area;
            else if (value.compare("Linie", Qt::CaseInsensitive) == 0) content.mode = ZentoMode::Line;
        }
    }

    // Description: "<name>value" lines; anything else gets a generated name.
    if (const qsizetype at = FindSection(lines, "[Beschreibung]"); at >= 0) {
        int textNumber = 1;
        for (size_t i = size_t(at) + 1; i < lines.size() && !lines[i].startsWith('['); ++i) {
            const QByteArray line = TrimRight(lines[i]);
            if (line.size() > kMaxLineLength) continue;
            QString name, value;
            const qsizetype open = line.indexOf('<');
            if (open < 0) {
                name = QStringLiteral("Text%1").arg(textNumber++);
                value = Decode(line);
            } else {
                const QByteArray rest = line.mid(open + 1);
                const qsizetype close = rest.indexOf('>', 1);
                if (close >= 1) {
                    name = Decode(rest.left(close));
                    value = Decode(rest.mid(close + 1));
                } else {
                    name = QStringLiteral("Text%1").arg(textNumber++);
                    value = Decode(rest);
                }
            }
            if (!name.isEmpty() && !value.isEmpty()) content.description.push_back({name, value});
        }
    }

    // Positions: every line after the section, to the end of the file.
    if (const qsizetype at = FindSection(lines, "[Positionen]"); at >= 0) {
        for (size_t i = size_t(at) + 1; i < lines.size(); ++i) {
            if (lines[i].size() > kMaxLineLength) continue;
            CZentoPoint pos;
            if (ParsePosition(lines[i], pos)) content.positions.push_back(std::move(pos));
        }
    }
    return content;
}

// ---- writing ----

void CZentoWriter::Line(const QByteArray& text)
{
    if (!m_ok) return;
    const QByteArray line = text + "\r\n";
    if (m_device.write(line) != line.size()) m_ok = false;
}

void CZentoWriter::Line(const QString& text) { Line(EncodeText(text, TableCodePage::Windows1252)); }

void CZentoWriter::WriteHeader(const char* firstLine, bool withMode, const QDateTime& now,
                               const std::vector<ZentoInfo>* source, const QStringList& names)
{
    Line(QByteArray(firstLine));
    Line(QByteArray("[Version]"));
    Line(QByteArray("1"));
    Line(QByteArray("[Quelle]"));
    Line(QByteArray("Korvel 1.0"));
    Line(QByteArray("[Datum]"));
    Line(now.toString(QStringLiteral("dd.MM.yy")));
    Line(QByteArray("[Zeit]"));
    Line(now.toString(QStringLiteral("HH.mm.ss")));
    Line(QByteArray("[Kennung]"));
    Line(now.toString(QStringLiteral("ddMMyyHHmmss")));
    Line(QByteArray("[Einheit]"));
    Line(QByteArray("Grad gd"));
    Line(QByteArray("[System]"));
    Line(QByteArray("WGS84"));
    if (withMode) {
        Line(QByteArray("[Messmodus]"));
        Line(QByteArray("Flaeche"));
    }
    Line(QByteArray("[Beschreibung]"));
    if (!source) {
        Line(QByteArray("<ID>Alle"));
    } else {
        for (const QString& wanted : names) {
            for (const ZentoInfo& info : *source) {
                if (info.name.compare(wanted, Qt::CaseInsensitive) != 0) continue;
                Line("<" + Cut(info.name) + ">" + Cut(info.value));
                break;
            }
        }
    }
    Line(QByteArray("[Positionen]"));
}

void CZentoWriter::WritePositionFileHeader(const QDateTime& now, const std::vector<ZentoInfo>* source,
                                           const QStringList& names)
{
    WriteHeader("[Positionsdatei]", true, now, source, names);
}

void CZentoWriter::WriteMarkerFileHeader(const QDateTime& now, const std::vector<ZentoInfo>* source,
                                         const QStringList& names)
{
    WriteHeader("[Markierungsdatei]", false, now, source, names);
}

void CZentoWriter::WritePositionLine(double lon, double lat)
{
    Line(FormatFixed(lon, 9) + ' ' + FormatFixed(lat, 9) + " 0");
}

void CZentoWriter::WriteMarkerLine(double lon, double lat, const QStringList& values)
{
    QByteArray line = FormatFixed(lon, 9) + ' ' + FormatFixed(lat, 9) + " 0";
    for (const QString& value : values) line += ' ' + Quoted(value);
    Line(line);
}

}  // namespace korvel
