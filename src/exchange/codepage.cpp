#include "exchange/codepage.h"

#include <array>

namespace korvel {
namespace {

// Windows-1252 bytes 0x80..0x9F; all other bytes equal their Latin-1 code points. The five
// bytes the code page leaves undefined map to the C1 controls of the same value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

int EncodeCp1252Unit(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == ch) return static_cast<int>(0x80 + i);
    }
    return -1;
}

QByteArray Encode8Bit(const QString& text, bool latin1)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        const int b = latin1 ? (ch <= 0xFF ? int(ch) : -1) : EncodeCp1252Unit(ch);
        if (b >= 0) {
            out.append(static_cast<char>(b));
            continue;
        }
        out.append('?');
        // A surrogate pair is one character and becomes one '?'.
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    }
    return out;
}

}  // namespace

QString DecodeText(const char* data, size_t size, TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return QString::fromUtf8(data, static_cast<qsizetype>(size));
    case TableCodePage::Latin1:
        return QString::fromLatin1(data, static_cast<qsizetype>(size));
    case TableCodePage::Windows1252:
        break;
    }
    QString out(static_cast<qsizetype>(size), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (size_t i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return out;
}

QByteArray EncodeText(const QString& text, TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return text.toUtf8();
    case TableCodePage::Latin1:
        return Encode8Bit(text, true);
    case TableCodePage::Windows1252:
        break;
    }
    return Encode8Bit(text, false);
}

qsizetype FittingPrefix(const QByteArray& bytes, qsizetype maxBytes, TableCodePage cp)
{
    if (maxBytes <= 0) return 0;
    if (bytes.size() <= maxBytes) return bytes.size();
    if (cp != TableCodePage::Utf8) return maxBytes;
    // Step back over continuation bytes so the cut falls before a lead byte.
    qsizetype n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(bytes.at(n)) & 0xC0) == 0x80) --n;
    return n;
}

TableCodePage CodePageFromCpg(const QByteArray& cpgContent)
{
    QByteArray name = cpgContent.trimmed().toUpper();
    name.replace('-', "").replace('_', "").replace(' ', "");
    if (name == "UTF8" || name == "65001") return TableCodePage::Utf8;
    if (name == "88591" || name == "ISO88591" || name == "LATIN1" || name == "28591")
        return TableCodePage::Latin1;
    return TableCodePage::Windows1252;
}

QByteArray CpgText(TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return "UTF-8";
    case TableCodePage::Latin1:
        return "ISO-8859-1";
    case TableCodePage::Windows1252:
        break;
    }
    return "1252";
}

}  // namespace korvel
