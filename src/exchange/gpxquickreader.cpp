// The quick GPX reader: a scanner for the little XML that GPX files use, straight over the
// bytes, and the same walk through the elements as the complete reader. It never reports a
// fault: wherever it is unsure that the complete reader would read the file the same way, it
// gives up and leaves the file to that reader, which also finds the place of the fault. So it
// takes a strict subset of XML (ASCII names, UTF-8, the declaration in its usual form, no
// document type) and checks what XML requires of that subset.
#include "exchange/gpxreaders.h"
#include "exchange/vectorstate.h"

#include <QString>
#include <QStringDecoder>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace korvel::gpx {
namespace {

// Thrown where the quick reader leaves the file to the complete one; caught in ReadQuick.
struct GiveUp {};

[[noreturn]] void GiveUpHere()
{
    throw GiveUp{};
}

enum : uint8_t {
    kSpace = 1,      // XML white space
    kNameStart = 2,  // may start a name (ASCII only: other names are left to the complete reader)
    kNameChar = 4,   // may continue a name
    kTextStop = 8,   // ends a plain run of character data: < & ] and the carriage return
};

constexpr std::array<uint8_t, 256> kClass = [] {
    std::array<uint8_t, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r'}) t[uint8_t(c)] |= kSpace;
    for (int c = 'a'; c <= 'z'; ++c) t[c] |= kNameStart | kNameChar;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kNameStart | kNameChar;
    t['_'] |= kNameStart | kNameChar;
    for (int c = '0'; c <= '9'; ++c) t[c] |= kNameChar;
    t['-'] |= kNameChar;
    t['.'] |= kNameChar;
    for (const char c : {'<', '&', ']', '\r'}) t[uint8_t(c)] |= kTextStop;
    return t;
}();

bool Is(char c, uint8_t what)
{
    return (kClass[uint8_t(c)] & what) != 0;
}

// Names longer than this are left to the complete reader, which has its own limit.
constexpr size_t kMaxName = 1000;

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

bool IsXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(std::string* out, uint32_t c)
{
    if (c < 0x80) {
        out->push_back(char(c));
    } else if (c < 0x800) {
        out->push_back(char(0xC0 | (c >> 6)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(char(0xE0 | (c >> 12)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else {
        out->push_back(char(0xF0 | (c >> 18)));
        out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    }
}

// Whether `bytes` are well-formed UTF-8 of characters XML allows: no control characters
// other than tab, line feed and carriage return, no surrogates, no U+FFFE or U+FFFF.
bool IsXmlUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        // Eight printable ASCII characters at a time: a byte below 0x20 turns its top bit on
        // when 0x20 is taken from it, one from 0x80 up has it on already.
        if (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            if ((((w - 0x2020202020202020u) | w) & 0x8080808080808080u) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
            ++p;
            continue;
        }
        int length = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c == 0xE0)
            length = 3, lo = 0xA0;
        else if (c == 0xED)
            length = 3, hi = 0x9F;  // no surrogates
        else if (c >= 0xE1 && c <= 0xEF)
            length = 3;
        else if (c == 0xF0)
            length = 4, lo = 0x90;
        else if (c >= 0xF1 && c <= 0xF3)
            length = 4;
        else if (c == 0xF4)
            length = 4, hi = 0x8F;
        else
            return false;
        if (end - p < length) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (int k = 2; k < length; ++k) {
            if (p[k] < 0x80 || p[k] > 0xBF) return false;
        }
        if (c == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) return false;  // U+FFFE, U+FFFF
        p += length;
    }
    return true;
}

bool StartsWith(const char* p, const char* end, std::string_view s)
{
    return size_t(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

// Whether `s` is `lower` in any letter case (ASCII).
bool EqualsIgnoringCase(std::string_view s, std::string_view lower)
{
    if (s.size() != lower.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i] >= 'A' && s[i] <= 'Z' ? char(s[i] - 'A' + 'a') : s[i];
        if (c != lower[i]) return false;
    }
    return true;
}

struct QName {
    std::string_view prefix;  // empty without a colon
    std::string_view local;
    std::string_view qualified;
};

struct Attribute {
    QName name;
    std::string_view value;   // as written between the quotes
    bool references = false;  // the value holds entity or character references
};

// The XML subset of GPX, read from the bytes. Elements are met in document order: after the
// root's start tag, NextChild(), Skip() and Text() walk the current element's content as the
// complete reader's functions of the same names do.
class Scanner {
public:
    explicit Scanner(std::string_view bytes) : m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    // The XML declaration, comments and processing instructions before the root, and the
    // root's start tag.
    void Prolog()
    {
        if (StartsWith(m_p, m_end, "\xEF\xBB\xBF")) m_p += 3;  // a UTF-8 byte-order mark
        if (StartsWith(m_p, m_end, "<?xml") && m_end - m_p > 5 && Is(m_p[5], kSpace)) Declaration();
        for (;;) {
            SkipSpace();
            if (m_p == m_end || *m_p != '<' || m_end - m_p < 2) GiveUpHere();
            if (StartsWith(m_p, m_end, "<!--")) {
                Comment();
            } else if (m_p[1] == '?') {
                ProcessingInstruction();
            } else {
                StartTag();  // a document type declaration or anything else gives up here
                return;
            }
        }
    }

    // What may follow the root: white space, comments and processing instructions.
    void Epilog()
    {
        for (;;) {
            SkipSpace();
            if (m_p == m_end) return;
            if (StartsWith(m_p, m_end, "<!--")) {
                Comment();
            } else if (StartsWith(m_p, m_end, "<?")) {
                ProcessingInstruction();
            } else {
                GiveUpHere();
            }
        }
    }

    // Moves to the next child element of the current element: true at its start tag, false
    // once the current element has ended.
    bool NextChild()
    {
        if (m_emptyPending) {
            m_emptyPending = false;
            Close();
            return false;
        }
        for (;;) {
            Characters(nullptr);
            if (m_p[1] == '/') {
                EndTag();
                return false;
            }
            if (!Markup(nullptr)) {
                StartTag();
                return true;
            }
        }
    }

    // Passes over the element whose start tag was read last, and everything in it.
    void Skip()
    {
        size_t depth = 1;
        while (depth > 0) {
            if (NextChild())
                ++depth;
            else
                --depth;
        }
    }

    // The text of the element whose start tag was read last, without surrounding white space
    // (as QString::trimmed() takes it, for the same result as the complete reader). An element
    // inside gives up.
    QString Text()
    {
        m_text.clear();
        if (m_emptyPending) {
            m_emptyPending = false;
            Close();
            return QString();
        }
        for (;;) {
            Characters(&m_text);
            if (m_p[1] == '/') {
                EndTag();
                break;
            }
            if (!Markup(&m_text)) GiveUpHere();
        }
        // A byte-order mark at the start of the text is a character here, not a mark.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return QString(utf8.decode(QByteArrayView(m_text.data(), qsizetype(m_text.size())))).trimmed();
    }

    // The element whose start tag was read last.
    std::string_view Name() const { return m_name.local; }
    bool InGpxNamespace() const { return m_inGpx; }
    const std::vector<Attribute>& Attributes() const { return m_attributes; }

private:
    struct Binding {
        std::string_view prefix;  // empty for the default namespace
        bool gpx = false;         // the namespace is one of GPX's
    };
    struct Open {
        std::string_view name;  // qualified, as the end tag must repeat it
        size_t bindings = 0;    // m_bindings.size() before the element's own declarations
    };

    void SkipSpace()
    {
        while (m_p < m_end && Is(*m_p, kSpace)) ++m_p;
    }

    void Expect(char c)
    {
        if (m_p == m_end || *m_p != c) GiveUpHere();
        ++m_p;
    }

    // A name without a colon.
    std::string_view NcName()
    {
        const char* start = m_p;
        if (m_p == m_end || !Is(*m_p, kNameStart)) GiveUpHere();
        ++m_p;
        while (m_p < m_end && Is(*m_p, kNameChar)) ++m_p;
        if (size_t(m_p - start) > kMaxName) GiveUpHere();
        return {start, size_t(m_p - start)};
    }

    QName QualifiedName()
    {
        const char* start = m_p;
        QName name;
        name.local = NcName();
        if (m_p < m_end && *m_p == ':') {
            ++m_p;
            name.prefix = name.local;
            name.local = NcName();
        }
        name.qualified = {start, size_t(m_p - start)};
        return name;
    }

    // S? '=' S? and a quoted value; the value's characters are checked, its references too.
    Attribute Value(const QName& name)
    {
        SkipSpace();
        Expect('=');
        SkipSpace();
        if (m_p == m_end || (*m_p != '"' && *m_p != '\'')) GiveUpHere();
        const char quote = *m_p++;
        Attribute a{name, {}, false};
        const char* start = m_p;
        for (;;) {
            if (m_p == m_end || *m_p == '<') GiveUpHere();
            if (*m_p == quote) break;
            if (*m_p == '&') {
                a.references = true;
                Reference(nullptr);
            } else {
                ++m_p;
            }
        }
        a.value = {start, size_t(m_p - start)};
        ++m_p;
        return a;
    }

    // The value of a pseudo-attribute of the XML declaration: `name` = "value".
    std::string_view DeclarationValue(std::string_view name)
    {
        if (!StartsWith(m_p, m_end, name)) GiveUpHere();
        m_p += name.size();
        const Attribute a = Value(QName{{}, name, name});
        if (a.references) GiveUpHere();
        return a.value;
    }

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>, encoding and standalone optional.
    void Declaration()
    {
        m_p += 5;
        SkipSpace();
        if (DeclarationValue("version") != "1.0") GiveUpHere();
        const char* before = m_p;
        SkipSpace();
        if (m_p > before && StartsWith(m_p, m_end, "encoding")) {
            const std::string_view encoding = DeclarationValue("encoding");
            if (!EqualsIgnoringCase(encoding, "utf-8")) GiveUpHere();
            before = m_p;
            SkipSpace();
        }
        if (m_p > before && StartsWith(m_p, m_end, "standalone")) {
            const std::string_view standalone = DeclarationValue("standalone");
            if (standalone != "yes" && standalone != "no") GiveUpHere();
            SkipSpace();
        }
        if (!StartsWith(m_p, m_end, "?>")) GiveUpHere();
        m_p += 2;
    }

    // An entity or character reference at "&", appended to `out` when there is one.
    void Reference(std::string* out)
    {
        const char* r = m_p + 1;
        if (r < m_end && *r == '#') {
            ++r;
            const bool hex = r < m_end && *r == 'x';
            if (hex) ++r;
            uint32_t c = 0;
            int digits = 0;
            for (; r < m_end; ++r, ++digits) {
                int d = -1;
                if (*r >= '0' && *r <= '9')
                    d = *r - '0';
                else if (hex && *r >= 'a' && *r <= 'f')
                    d = *r - 'a' + 10;
                else if (hex && *r >= 'A' && *r <= 'F')
                    d = *r - 'A' + 10;
                if (d < 0) break;
                if (digits == 8) GiveUpHere();  // no character needs more; no overflow below
                c = c * (hex ? 16 : 10) + uint32_t(d);
            }
            if (digits == 0 || r == m_end || *r != ';' || !IsXmlChar(c)) GiveUpHere();
            if (out) AppendUtf8(out, c);
            m_p = r + 1;
            return;
        }
        static constexpr struct {
            std::string_view name;
            char c;
        } kPredefined[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"apos;", '\''}, {"quot;", '"'}};
        for (const auto& e : kPredefined) {
            if (StartsWith(r, m_end, e.name)) {
                if (out) out->push_back(e.c);
                m_p = r + e.name.size();
                return;
            }
        }
        GiveUpHere();
    }

    // Character data up to the next "<" (which must come), appended to `out` when there is one.
    void Characters(std::string* out)
    {
        // Between elements there is mostly just white space.
        while (m_p < m_end && Is(*m_p, kSpace) && *m_p != '\r') {
            if (out) out->push_back(*m_p);
            ++m_p;
        }
        for (;;) {
            const char* run = m_p;
            while (m_p < m_end && !Is(*m_p, kTextStop)) ++m_p;
            if (out) out->append(run, size_t(m_p - run));
            if (m_p == m_end) GiveUpHere();  // the file ends inside an element
            switch (*m_p) {
                case '<':
                    if (m_end - m_p < 2) GiveUpHere();
                    return;
                case '&':
                    Reference(out);
                    break;
                case ']':
                    if (StartsWith(m_p, m_end, "]]>")) GiveUpHere();  // not allowed in content
                    if (out) out->push_back(']');
                    ++m_p;
                    break;
                default:
                    // A carriage return: XML turns line ends into line feeds, which kept text
                    // would have to follow. Files that need it are left to the complete reader.
                    if (out) GiveUpHere();
                    ++m_p;
                    break;
            }
        }
    }

    // A comment, a CDATA section (its text appended to `out` when there is one) or a
    // processing instruction at "<"; false when it is none of them.
    bool Markup(std::string* out)
    {
        if (StartsWith(m_p, m_end, "<!--")) {
            Comment();
        } else if (StartsWith(m_p, m_end, "<![CDATA[")) {
            const std::string_view rest(m_p + 9, size_t(m_end - m_p - 9));
            const size_t length = rest.find("]]>");
            if (length == std::string_view::npos) GiveUpHere();
            const std::string_view text = rest.substr(0, length);
            if (out) {
                if (text.find('\r') != std::string_view::npos) GiveUpHere();
                out->append(text);
            }
            m_p = rest.data() + length + 3;
        } else if (m_p[1] == '?') {
            ProcessingInstruction();
        } else {
            return false;
        }
        return true;
    }

    // <!-- … -->, without "--" inside.
    void Comment()
    {
        const std::string_view rest(m_p + 4, size_t(m_end - m_p - 4));
        const size_t dashes = rest.find("--");
        if (dashes == std::string_view::npos || dashes + 2 >= rest.size() || rest[dashes + 2] != '>')
            GiveUpHere();
        m_p = rest.data() + dashes + 3;
    }

    // <?target …?>; targets starting with "xml" are reserved.
    void ProcessingInstruction()
    {
        m_p += 2;
        const std::string_view target = NcName();
        if (EqualsIgnoringCase(target.substr(0, 3), "xml")) GiveUpHere();
        if (m_p < m_end && *m_p == '?') {
            ++m_p;
            Expect('>');
            return;
        }
        if (m_p == m_end || !Is(*m_p, kSpace)) GiveUpHere();
        const std::string_view rest(m_p, size_t(m_end - m_p));
        const size_t close = rest.find("?>");
        if (close == std::string_view::npos) GiveUpHere();
        m_p += close + 2;
    }

    void StartTag()
    {
        ++m_p;  // "<"
        m_name = QualifiedName();
        m_attributes.clear();
        for (;;) {
            const char* before = m_p;
            SkipSpace();
            if (m_p == m_end) GiveUpHere();
            if (*m_p == '>') {
                ++m_p;
                m_emptyPending = false;
                break;
            }
            if (*m_p == '/') {
                ++m_p;
                Expect('>');
                m_emptyPending = true;
                break;
            }
            if (m_p == before) GiveUpHere();  // attributes are separated by white space
            m_attributes.push_back(Value(QualifiedName()));
        }
        Resolve();
    }

    // The namespaces declared by the start tag just read, the element's own and those of its
    // attributes, and the checks XML namespaces ask for.
    void Resolve()
    {
        m_open.push_back({m_name.qualified, m_bindings.size()});
        for (const Attribute& a : m_attributes) {
            if (a.name.prefix.empty() && a.name.local == "xmlns")
                Bind({}, a);
            else if (a.name.prefix == "xmlns")
                Bind(a.name.local, a);
        }
        m_inGpx = true;  // no namespace counts as GPX
        if (const Binding* b = Find(m_name.prefix))
            m_inGpx = b->gpx;
        else if (!m_name.prefix.empty())
            GiveUpHere();  // undeclared prefix

        const size_t n = m_attributes.size();
        for (size_t i = 0; i < n; ++i) {
            const QName& a = m_attributes[i].name;
            if (!a.prefix.empty() && a.prefix != "xmlns" && !Find(a.prefix)) GiveUpHere();
            for (size_t j = 0; j < i; ++j) {
                const QName& b = m_attributes[j].name;
                // The same name twice, or possibly the same namespace under two prefixes.
                if (a.local == b.local && (a.prefix == b.prefix || (!a.prefix.empty() && !b.prefix.empty())))
                    GiveUpHere();
            }
        }
    }

    void Bind(std::string_view prefix, const Attribute& a)
    {
        const std::string_view uri = a.value;
        // Declarations XML namespaces forbid, and values the reader would have to normalise.
        if (prefix == "xml" || prefix == "xmlns" || uri.empty() || uri == kXmlNamespace ||
            uri == kXmlnsNamespace || a.references || uri.find_first_of("\t\n\r") != std::string_view::npos)
            GiveUpHere();
        m_bindings.push_back({prefix, uri.starts_with(kGpxNamespacePrefix)});
    }

    // The innermost declaration of `prefix` (empty: the default namespace), or none. The
    // prefixes "xml" and "xmlns" are left to the complete reader.
    const Binding* Find(std::string_view prefix) const
    {
        if (prefix == "xml" || prefix == "xmlns") GiveUpHere();
        for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
            if (it->prefix == prefix) return &*it;
        }
        return nullptr;
    }

    void EndTag()
    {
        m_p += 2;  // "</"
        const QName name = QualifiedName();
        SkipSpace();
        Expect('>');
        if (m_open.empty() || name.qualified != m_open.back().name) GiveUpHere();
        Close();
    }

    void Close()
    {
        m_bindings.resize(m_open.back().bindings);
        m_open.pop_back();
    }

    const char* m_p;
    const char* const m_end;
    std::vector<Open> m_open;
    std::vector<Binding> m_bindings;
    QName m_name;
    bool m_inGpx = false;
    bool m_emptyPending = false;  // the last start tag was an empty-element tag
    std::vector<Attribute> m_attributes;
    std::string m_text;
};

// Trims XML white space; other white space is left in and the number fails (and the file goes
// to the complete reader, which trims more).
std::string_view TrimSpace(std::string_view s)
{
    while (!s.empty() && Is(s.front(), kSpace)) s.remove_prefix(1);
    while (!s.empty() && Is(s.back(), kSpace)) s.remove_suffix(1);
    return s;
}

// The walk through the elements, as the complete reader does it.
class QuickReader {
public:
    explicit QuickReader(std::string_view bytes) : m_in(bytes) {}

    void Run(GpxContent* content)
    {
        m_in.Prolog();
        if (m_in.Name() != "gpx" || !m_in.InGpxNamespace()) GiveUpHere();
        while (m_in.NextChild()) {
            const std::string_view name = m_in.Name();
            if (!m_in.InGpxNamespace()) {
                m_in.Skip();
            } else if (name == "wpt") {
                ReadWaypoint(content->waypoints.emplace_back());
            } else if (name == "rte" || name == "trk") {
                ReadPath(name == "rte", content->paths.emplace_back());
            } else if (IsPointOrPath(name)) {
                GiveUpHere();
            } else {
                m_in.Skip();
            }
        }
        m_in.Epilog();
    }

private:
    WorldPoint Position() const
    {
        const Attribute* lat = nullptr;
        const Attribute* lon = nullptr;
        for (const Attribute& a : m_in.Attributes()) {
            if (!a.name.prefix.empty()) continue;
            if (a.name.local == "lat")
                lat = &a;
            else if (a.name.local == "lon")
                lon = &a;
        }
        WorldPoint pos;
        if (!lat || !lon || lat->references || lon->references ||
            !ParseDecimal(TrimSpace(lat->value), &pos.y) || !ParseDecimal(TrimSpace(lon->value), &pos.x) ||
            pos.y < -90.0 || pos.y > 90.0 || pos.x < -180.0 || pos.x > 180.0)
            GiveUpHere();
        return pos;
    }

    void ReadPoint(std::vector<WorldPoint>& into)
    {
        into.push_back(Position());
        m_in.Skip();
    }

    void ReadWaypoint(GpxWaypoint& w)
    {
        w.pos = Position();
        while (m_in.NextChild()) {
            const std::string_view name = m_in.Name();
            std::optional<QString>* field = nullptr;
            if (m_in.InGpxNamespace()) {
                field = name == "ele"    ? &w.ele
                        : name == "time" ? &w.time
                        : name == "name" ? &w.name
                        : name == "desc" ? &w.desc
                                         : nullptr;
                if (!field && IsPointOrPath(name)) GiveUpHere();
            }
            if (!field) {
                m_in.Skip();
                continue;
            }
            *field = m_in.Text();
            double ele = 0.0;
            if (field == &w.ele && !ParseDecimal(QStringView(**field), &ele)) GiveUpHere();
        }
    }

    void ReadPath(bool route, GpxPath& path)
    {
        path.route = route;
        while (m_in.NextChild()) {
            const std::string_view name = m_in.Name();
            if (!m_in.InGpxNamespace()) {
                m_in.Skip();
            } else if (name == "name" || name == "desc" || name == "type") {
                (name == "name" ? path.name : name == "desc" ? path.desc : path.type) = m_in.Text();
            } else if (route && name == "rtept") {
                if (path.segments.empty()) path.segments.emplace_back();
                ReadPoint(path.segments.front());
            } else if (!route && name == "trkseg") {
                ReadSegment(path.segments.emplace_back());
            } else if (IsPointOrPath(name)) {
                GiveUpHere();
            } else {
                m_in.Skip();
            }
        }
    }

    void ReadSegment(std::vector<WorldPoint>& points)
    {
        while (m_in.NextChild()) {
            const std::string_view name = m_in.Name();
            if (!m_in.InGpxNamespace()) {
                m_in.Skip();
            } else if (name == "trkpt") {
                ReadPoint(points);
            } else if (IsPointOrPath(name)) {
                GiveUpHere();
            } else {
                m_in.Skip();
            }
        }
    }

    Scanner m_in;
};

}  // namespace

bool ReadQuick(std::string_view bytes, GpxContent* content)
{
    // The caller may have hashed strings just before; see vectorstate.h.
    ClearUpperVectorState();
    if (!IsXmlUtf8(bytes)) return false;
    *content = GpxContent{};
    try {
        QuickReader(bytes).Run(content);
        return true;
    } catch (const GiveUp&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;  // the complete reader reads on the device as it goes
    }
}

}  // namespace korvel::gpx
