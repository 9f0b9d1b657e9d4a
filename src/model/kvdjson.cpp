#include "model/kvdjson.h"

#include <QIODevice>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korvel {

namespace {
constexpr qsizetype kFlushSize = 1 << 16;
}  // namespace

CKvdJson::CKvdJson(QIODevice& device) : m_device(device) { m_buffer.reserve(kFlushSize + 256); }

CKvdJson::~CKvdJson() { Flush(); }

bool CKvdJson::Flush()
{
    if (!m_buffer.isEmpty()) {
        if (m_device.write(m_buffer) != m_buffer.size()) m_bFailed = true;
        m_buffer.clear();
    }
    return !m_bFailed;
}

void CKvdJson::Raw(const char* s, qsizetype n)
{
    m_buffer.append(s, n);
    if (m_buffer.size() >= kFlushSize) Flush();
}

void CKvdJson::Separate()
{
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back()) Raw(",", 1);
        m_first.back() = false;
    }
}

void CKvdJson::BeginObject()
{
    Separate();
    Raw("{", 1);
    m_first.push_back(true);
}

void CKvdJson::EndObject()
{
    Raw("}", 1);
    m_first.pop_back();
}

void CKvdJson::BeginArray()
{
    Separate();
    Raw("[", 1);
    m_first.push_back(true);
}

void CKvdJson::EndArray()
{
    Raw("]", 1);
    m_first.pop_back();
}

void CKvdJson::Key(const char* key)
{
    Separate();
    Raw("\"", 1);
    Raw(key, static_cast<qsizetype>(std::strlen(key)));
    Raw("\":", 2);
    m_bAfterKey = true;
}

void CKvdJson::Value(double v)
{
    Separate();
    if (!std::isfinite(v)) {
        // JSON has no NaN or infinity; a string keeps the information visible.
        if (std::isnan(v)) Raw("\"NaN\"", 5);
        else if (v > 0) Raw("\"Infinity\"", 10);
        else Raw("\"-Infinity\"", 11);
        return;
    }
    // The digits of "%.17g", with a decimal point whatever the process locale (korvel-cli runs
    // with the user's LC_NUMERIC, where snprintf would write a comma and break the JSON).
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    Raw(buf, static_cast<int>(r.ptr - buf));
}

void CKvdJson::Value(int64_t v)
{
    Separate();
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    Raw(buf, n);
}

void CKvdJson::Value(uint64_t v)
{
    Separate();
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
    Raw(buf, n);
}

void CKvdJson::Value(bool b)
{
    Separate();
    Raw(b ? "true" : "false", b ? 4 : 5);
}

void CKvdJson::Null()
{
    Separate();
    Raw("null", 4);
}

void CKvdJson::Value(const QString& s)
{
    Separate();
    QByteArray out;
    out.reserve(s.size() + 2);
    out.append('"');
    for (QChar ch : s) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'"': out.append("\\\""); break;
        case u'\\': out.append("\\\\"); break;
        case u'\n': out.append("\\n"); break;
        case u'\r': out.append("\\r"); break;
        case u'\t': out.append("\\t"); break;
        default:
            // Control characters and lone surrogates are escaped so the output stays valid
            // UTF-8 JSON whatever the document holds.
            if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out.append(buf);
            } else if (c < 0x80) {
                out.append(static_cast<char>(c));
            } else if (c < 0x800) {
                out.append(static_cast<char>(0xC0 | (c >> 6)));
                out.append(static_cast<char>(0x80 | (c & 0x3F)));
            } else {
                out.append(static_cast<char>(0xE0 | (c >> 12)));
                out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
                out.append(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
    }
    out.append('"');
    Raw(out);
}

void CKvdJson::Point(double x, double y)
{
    BeginArray();
    Value(x);
    Value(y);
    EndArray();
}

}  // namespace korvel
