#include "exchange/gpxfile.h"

#include "exchange/gpxreaders.h"
#include "exchange/vectorstate.h"

#include <QBuffer>
#include <QFileDevice>
#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

namespace korvel {
namespace {

constexpr char16_t kGpx11Namespace[] = u"http://www.topografix.com/GPX/1/1";

// Elements of the default (or no) namespace belong to GPX 1.1 or 1.0; anything else is an
// extension of some program and passed over.
bool IsGpxNamespace(QStringView uri)
{
    return uri.isEmpty() || uri.startsWith(QLatin1StringView(gpx::kGpxNamespacePrefix));
}

using gpx::IsPointOrPath;
using gpx::ParseDecimal;

class GpxReader {
public:
    explicit GpxReader(QIODevice& device) : m_xml(&device) {}

    bool Run(GpxContent* content)
    {
        if (!ReadRoot()) return false;
        while (NextChild()) {
            const QStringView name = m_xml.name();
            if (!IsGpxNamespace(m_xml.namespaceUri())) {
                if (!Skip()) return false;
            } else if (name == u"wpt") {
                if (!ReadWaypoint(content->waypoints.emplace_back())) return false;
            } else if (name == u"rte" || name == u"trk") {
                if (!ReadPath(name == u"rte", content->paths.emplace_back())) return false;
            } else if (IsPointOrPath(name)) {
                return Fail(GpxFault::Misplaced, name.toString());
            } else if (!Skip()) {
                return false;
            }
        }
        if (Failed()) return false;
        // What follows the root may only be comments and white space; the reader checks that.
        while (!m_xml.atEnd()) {
            if (Next() == QXmlStreamReader::Invalid) return XmlFail();
        }
        return !m_xml.hasError() || XmlFail();
    }

    const GpxReadError& Error() const { return m_error; }

private:
    // The next token, noting where it starts: the end of the previous token is the start of
    // this one, so that a fault in an element is reported at its opening "<". Text ends only
    // once the reader has taken the "<" after it.
    QXmlStreamReader::TokenType Next()
    {
        m_line = m_xml.lineNumber();
        m_column = m_xml.columnNumber();
        if (m_xml.tokenType() == QXmlStreamReader::Characters && !m_xml.isCDATA() && m_column > 0) --m_column;
        return m_xml.readNext();
    }

    bool Failed() const { return m_error.fault != GpxFault::None; }

    bool Fail(GpxFault fault, const QString& detail = QString())
    {
        if (!Failed()) m_error = GpxReadError{fault, m_line, m_column + 1, detail};
        return false;
    }

    // A fault at the end of the current token. In the prolog the reader passes over white
    // space without a token, so where a declaration or the root element starts is unknown.
    bool FailHere(GpxFault fault, const QString& detail = QString())
    {
        m_line = m_xml.lineNumber();
        m_column = m_xml.columnNumber();
        return Fail(fault, detail);
    }

    // A fault the XML reader found, at the place where it found it.
    bool XmlFail()
    {
        switch (m_xml.error()) {
        case QXmlStreamReader::PrematureEndOfDocumentError:
            return FailHere(GpxFault::Truncated);
        case QXmlStreamReader::UnexpectedElementError:
            return FailHere(GpxFault::TextInName);
        default:
            return FailHere(GpxFault::NotWellFormed);
        }
    }

    bool ReadRoot()
    {
        for (;;) {
            switch (Next()) {
            case QXmlStreamReader::StartElement:
                if (m_xml.name() != u"gpx" || !IsGpxNamespace(m_xml.namespaceUri()))
                    return FailHere(GpxFault::NotGpx, m_xml.qualifiedName().toString());
                return true;
            case QXmlStreamReader::DTD:
                // Entities declared here could reach outside the file or multiply without
                // end; GPX needs none, so the file is refused before any is used.
                return FailHere(GpxFault::Doctype);
            case QXmlStreamReader::Invalid:
                return XmlFail();
            case QXmlStreamReader::EndDocument:
                return Fail(GpxFault::Truncated);
            default:
                break;  // declaration, comments, processing instructions, white space
            }
        }
    }

    // Moves to the next child element of the current element: true there, false at the end of
    // the current element or on a fault (then Failed()).
    bool NextChild()
    {
        for (;;) {
            switch (Next()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::Invalid:
                return XmlFail();
            case QXmlStreamReader::EntityReference:
            case QXmlStreamReader::DTD:
                return Fail(GpxFault::Doctype);
            case QXmlStreamReader::EndDocument:
                return Fail(GpxFault::Truncated);
            default:
                break;  // text between elements, comments, processing instructions
            }
        }
    }

    // Passes over the current element and everything in it (its XML is still checked).
    bool Skip()
    {
        m_xml.skipCurrentElement();
        return !m_xml.hasError() || XmlFail();
    }

    // The text of a text-only element, without surrounding white space.
    bool Text(std::optional<QString>* out)
    {
        const QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError()) return XmlFail();
        *out = text.trimmed();
        return true;
    }

    // The "lat" and "lon" attributes of the current point element.
    bool ReadPosition(WorldPoint* pos)
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        QStringView lat, lon;
        bool haveLat = false, haveLon = false;
        for (const QXmlStreamAttribute& a : attributes) {
            if (!a.namespaceUri().isEmpty()) continue;
            if (a.name() == u"lat") {
                lat = a.value();
                haveLat = true;
            } else if (a.name() == u"lon") {
                lon = a.value();
                haveLon = true;
            }
        }
        if (!haveLat) return Fail(GpxFault::MissingCoordinate, QStringLiteral("lat"));
        if (!haveLon) return Fail(GpxFault::MissingCoordinate, QStringLiteral("lon"));
        if (!ParseDecimal(lat, &pos->y)) return Fail(GpxFault::BadNumber, lat.toString());
        if (!ParseDecimal(lon, &pos->x)) return Fail(GpxFault::BadNumber, lon.toString());
        if (pos->y < -90.0 || pos->y > 90.0) return Fail(GpxFault::LatitudeRange, lat.trimmed().toString());
        if (pos->x < -180.0 || pos->x > 180.0) return Fail(GpxFault::LongitudeRange, lon.trimmed().toString());
        return true;
    }

    // A route or track point: its position; what else it says is not kept.
    bool ReadPoint(std::vector<WorldPoint>& into)
    {
        WorldPoint p;
        if (!ReadPosition(&p)) return false;
        into.push_back(p);
        return Skip();
    }

    // <name>, <desc> or <type> of a path; false when `name` is none of them.
    bool IsPathText(QStringView name, GpxPath& path, std::optional<QString>** field)
    {
        *field = name == u"name" ? &path.name : name == u"desc" ? &path.desc : name == u"type" ? &path.type : nullptr;
        return *field != nullptr;
    }

    bool ReadWaypoint(GpxWaypoint& w)
    {
        if (!ReadPosition(&w.pos)) return false;
        while (NextChild()) {
            const QStringView name = m_xml.name();
            std::optional<QString>* field = nullptr;
            if (IsGpxNamespace(m_xml.namespaceUri())) {
                field = name == u"ele" ? &w.ele : name == u"time" ? &w.time : name == u"name" ? &w.name
                      : name == u"desc" ? &w.desc : nullptr;
                if (!field && IsPointOrPath(name)) return Fail(GpxFault::Misplaced, name.toString());
            }
            if (!field) {
                if (!Skip()) return false;
                continue;
            }
            const bool isEle = field == &w.ele;
            if (!Text(field)) return false;
            double ele = 0.0;
            if (isEle && !ParseDecimal(**field, &ele)) return Fail(GpxFault::BadNumber, **field);
        }
        return !Failed();
    }

    bool ReadPath(bool route, GpxPath& path)
    {
        path.route = route;
        while (NextChild()) {
            const QStringView name = m_xml.name();
            std::optional<QString>* field = nullptr;
            if (!IsGpxNamespace(m_xml.namespaceUri())) {
                if (!Skip()) return false;
            } else if (IsPathText(name, path, &field)) {
                if (!Text(field)) return false;
            } else if (route && name == u"rtept") {
                if (path.segments.empty()) path.segments.emplace_back();
                if (!ReadPoint(path.segments.front())) return false;
            } else if (!route && name == u"trkseg") {
                if (!ReadSegment(path.segments.emplace_back())) return false;
            } else if (IsPointOrPath(name)) {
                return Fail(GpxFault::Misplaced, name.toString());
            } else if (!Skip()) {
                return false;
            }
        }
        return !Failed();
    }

    bool ReadSegment(std::vector<WorldPoint>& points)
    {
        while (NextChild()) {
            const QStringView name = m_xml.name();
            if (!IsGpxNamespace(m_xml.namespaceUri())) {
                if (!Skip()) return false;
            } else if (name == u"trkpt") {
                if (!ReadPoint(points)) return false;
            } else if (IsPointOrPath(name)) {
                return Fail(GpxFault::Misplaced, name.toString());
            } else if (!Skip()) {
                return false;
            }
        }
        return !Failed();
    }

    QXmlStreamReader m_xml;
    GpxReadError m_error;
    int64_t m_line = 1;
    int64_t m_column = 0;
};

// Writes the document as UTF-8 into a buffer handed to the device in large blocks. A track of
// a million points is a million nearly identical lines; building them directly costs a small
// part of what a general XML writer spends on checks and conversions it does not need here.
class GpxWriter {
public:
    explicit GpxWriter(QIODevice& device) : m_device(device) { m_buffer.reserve(kFlushAt + 4096); }

    void Raw(std::string_view text) { m_buffer.append(text.data(), qsizetype(text.size())); }

    // Text content or an attribute value: the five markup characters as references, control
    // characters XML 1.0 cannot carry dropped (tab, line feed and carriage return stay).
    void Escaped(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        for (char c : utf8) {
            switch (c) {
            case '&': Raw("&amp;"); break;
            case '<': Raw("&lt;"); break;
            case '>': Raw("&gt;"); break;
            case '"': Raw("&quot;"); break;
            case '\t': case '\n': m_buffer.append(c); break;
            case '\r': Raw("&#13;"); break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) m_buffer.append(c);
            }
        }
    }

    // A coordinate in degrees with nine decimals; a value that rounds to zero without a sign.
    void Coordinate(double value)
    {
        char buffer[64];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 9);
        if (r.ec != std::errc()) return;
        char* begin = buffer;
        if (*begin == '-' && std::all_of(begin + 1, r.ptr, [](char c) { return c == '0' || c == '.'; })) ++begin;
        m_buffer.append(begin, qsizetype(r.ptr - begin));
    }

    // ` lat="…" lon="…"` of a point element.
    void Position(const WorldPoint& p)
    {
        Raw(" lat=\"");
        Coordinate(p.y);
        Raw("\" lon=\"");
        Coordinate(p.x);
        Raw("\"");
    }

    void TextElement(std::string_view indent, std::string_view name, const std::optional<QString>& text)
    {
        if (!text) return;
        Raw(indent);
        Raw("<");
        Raw(name);
        Raw(">");
        Escaped(*text);
        Raw("</");
        Raw(name);
        Raw(">\n");
    }

    void MaybeFlush()
    {
        if (m_buffer.size() >= kFlushAt) Flush();
    }

    bool Flush()
    {
        if (m_ok && !m_buffer.isEmpty()) m_ok = m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return m_ok;
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 16;
    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_ok = true;
};

}  // namespace

namespace {

// Whether `bytes` are meant as UTF-8: no UTF-16 byte-order mark and no declaration naming
// another encoding.
bool MeantAsUtf8(const QByteArray& bytes)
{
    if (bytes.startsWith("\xfe\xff") || bytes.startsWith("\xff\xfe")) return false;
    const QByteArray head = bytes.left(256);
    if (!head.startsWith("<?xml") && !head.startsWith("\xef\xbb\xbf<?xml")) return true;
    const qsizetype end = head.indexOf("?>");
    const qsizetype at = head.indexOf("encoding");
    if (at < 0 || (end >= 0 && at > end)) return true;
    const QByteArray rest = head.mid(at + 8).trimmed();
    if (!rest.startsWith('=')) return true;
    const QByteArray value = rest.mid(1).trimmed();
    if (value.isEmpty()) return true;
    const char quote = value[0];
    const QByteArray name = value.mid(1, value.indexOf(quote, 1) - 1).toLower();
    return name == "utf-8" || name == "utf8";
}

// The offset of the first byte that does not belong to a well-formed UTF-8 sequence, or -1.
qsizetype FirstInvalidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        int length = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
        if (c < 0x80) length = 1;
        else if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c == 0xE0) length = 3, lo = 0xA0;
        else if (c == 0xED) length = 3, hi = 0x9F;  // no surrogates
        else if (c >= 0xE1 && c <= 0xEF) length = 3;
        else if (c == 0xF0) length = 4, lo = 0x90;
        else if (c >= 0xF1 && c <= 0xF3) length = 4;
        else if (c == 0xF4) length = 4, hi = 0x8F;
        else return i;
        if (i + length > n) return i;
        for (int k = 1; k < length; ++k) {
            const unsigned char b = p[i + k];
            if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return i;
        }
        i += length;
    }
    return -1;
}

// Line and column (both from 1, the column in UTF-16 units as the XML reader counts) of
// byte `offset`.
void PlaceOf(const QByteArray& bytes, qsizetype offset, GpxReadError* error)
{
    const qsizetype lineStart = bytes.lastIndexOf('\n', offset - 1) + 1;
    error->line = bytes.left(offset).count('\n') + 1;
    int64_t column = 1;
    for (qsizetype i = lineStart; i < offset; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c & 0xC0) != 0x80) column += c >= 0xF0 ? 2 : 1;
    }
    error->column = column;
}

// The XML reader decodes ahead of what it parses and reports broken UTF-8 where it decoded
// it, which may be far before the bad bytes. When the file is meant as UTF-8 and holds such
// bytes, the part before them is read again: the first fault is there, or else the bad bytes
// are it.
void LocateEncodingFault(const QByteArray& bytes, GpxReadError* error)
{
    if (!MeantAsUtf8(bytes)) return;
    const qsizetype bad = FirstInvalidUtf8(bytes);
    if (bad < 0) return;
    QByteArray before = bytes.left(bad);
    QBuffer buffer(&before);
    buffer.open(QIODevice::ReadOnly);
    GpxReader reader(buffer);
    GpxContent ignored;
    if (!reader.Run(&ignored) && reader.Error().fault != GpxFault::Truncated) {
        *error = reader.Error();
        return;
    }
    *error = GpxReadError{GpxFault::Encoding, 0, 0, QString()};
    PlaceOf(bytes, bad, error);
}

// The bytes of a device from its position to its end: a file's mapped into memory (no copy,
// and the pages are the system's file cache), anything else read.
class InputBytes {
public:
    explicit InputBytes(QIODevice& device)
    {
        auto* file = qobject_cast<QFileDevice*>(&device);
        if (file && !file->isSequential() && !file->isTextModeEnabled()) {
            const qint64 pos = file->pos();
            const qint64 size = file->size();
            if (size > pos && size - pos <= std::numeric_limits<qsizetype>::max()) {
                m_mapped = file->map(pos, size - pos);
                if (m_mapped) {
                    m_file = file;
                    const auto* data = reinterpret_cast<const char*>(m_mapped);
                    m_bytes = QByteArray::fromRawData(data, qsizetype(size - pos));
                    file->seek(size);
                    return;
                }
            }
        }
        m_bytes = device.readAll();
    }
    ~InputBytes()
    {
        if (m_mapped) m_file->unmap(m_mapped);
    }
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    const QByteArray& Bytes() const { return m_bytes; }
    std::string_view View() const { return {m_bytes.constData(), size_t(m_bytes.size())}; }

private:
    QFileDevice* m_file = nullptr;
    uchar* m_mapped = nullptr;
    QByteArray m_bytes;
};

}  // namespace

namespace gpx {

bool IsPointOrPath(QStringView name)
{
    return name == u"wpt" || name == u"rte" || name == u"rtept" || name == u"trk" || name == u"trkseg" ||
           name == u"trkpt";
}

bool IsPointOrPath(std::string_view name)
{
    return name == "wpt" || name == "rte" || name == "rtept" || name == "trk" || name == "trkseg" ||
           name == "trkpt";
}

bool ParseDecimal(std::string_view text, double* out)
{
    if (text.empty() || text.size() >= 128) return false;
    const size_t start = text[0] == '+' ? 1 : 0;  // from_chars takes a minus only
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || c == '.' || (c == '-' && i == 0))) return false;
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data() + start, end, *out, std::chars_format::fixed);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*out);
}

bool ParseDecimal(QStringView text, double* out)
{
    text = text.trimmed();
    char buffer[128];
    if (text.size() >= qsizetype(sizeof buffer)) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) return false;
        buffer[i] = char(c);
    }
    return ParseDecimal(std::string_view(buffer, size_t(text.size())), out);
}

bool ReadComplete(const QByteArray& bytes, GpxContent* content, GpxReadError* error)
{
    QByteArray data = bytes;  // shares, never copies: the buffer only reads
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    GpxReader reader(buffer);
    GpxContent read;
    if (reader.Run(&read)) {
        *content = std::move(read);
        if (error) *error = GpxReadError{};
        return true;
    }
    *content = GpxContent{};
    if (error) {
        *error = reader.Error();
        if (error->fault == GpxFault::NotWellFormed) LocateEncodingFault(bytes, error);
    }
    return false;
}

}  // namespace gpx

bool ReadGpx(QIODevice& device, GpxContent* content, GpxReadError* error)
{
    const InputBytes input(device);
    GpxContent read;
    if (gpx::ReadQuick(input.View(), &read)) {
        *content = std::move(read);
        if (error) *error = GpxReadError{};
        return true;
    }
    return gpx::ReadComplete(input.Bytes(), content, error);
}

bool WriteGpx(QIODevice& device, const GpxContent& content, const QString& creator)
{
    ClearUpperVectorState();  // the number formatting is SSE code; see vectorstate.h
    GpxWriter out(device);
    out.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx xmlns=\"");
    out.Escaped(QString::fromUtf16(kGpx11Namespace));
    out.Raw("\" version=\"1.1\" creator=\"");
    out.Escaped(creator);
    out.Raw("\">\n");

    for (const GpxWaypoint& w : content.waypoints) {
        out.Raw(" <wpt");
        out.Position(w.pos);
        if (!w.ele && !w.time && !w.name && !w.desc) {
            out.Raw("/>\n");
            continue;
        }
        out.Raw(">\n");
        // The schema's order: ele, time, …, name, cmt, desc.
        out.TextElement("  ", "ele", w.ele);
        out.TextElement("  ", "time", w.time);
        out.TextElement("  ", "name", w.name);
        out.TextElement("  ", "desc", w.desc);
        out.Raw(" </wpt>\n");
        out.MaybeFlush();
    }
    // Routes before tracks, as the schema orders them.
    for (bool routes : {true, false}) {
        for (const GpxPath& path : content.paths) {
            if (path.route != routes) continue;
            out.Raw(routes ? " <rte>\n" : " <trk>\n");
            out.TextElement("  ", "name", path.name);
            out.TextElement("  ", "desc", path.desc);
            out.TextElement("  ", "type", path.type);
            for (const std::vector<WorldPoint>& segment : path.segments) {
                if (!routes) out.Raw("  <trkseg>\n");
                for (const WorldPoint& p : segment) {
                    out.Raw(routes ? "  <rtept" : "   <trkpt");
                    out.Position(p);
                    out.Raw("/>\n");
                    out.MaybeFlush();
                }
                if (!routes) out.Raw("  </trkseg>\n");
            }
            out.Raw(routes ? " </rte>\n" : " </trk>\n");
        }
    }
    out.Raw("</gpx>\n");
    return out.Flush();
}

}  // namespace korvel
