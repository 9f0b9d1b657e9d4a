#include "model/cp1252.h"

#include <algorithm>
#include <array>

namespace korvel {
namespace {

// Bytes 0x80..0x9F; everything else is identical to Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Encodes one UTF-16 unit; -1 when the code page has no such character.
int EncodeUnit(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == ch) return static_cast<int>(0x80 + i);
    }
    return -1;
}

}  // namespace

char16_t Cp1252ToUnicode(unsigned char b) { return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b); }

QString DecodeCp1252(const char* data, size_t size)
{
    QString out(static_cast<qsizetype>(size), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (size_t i = 0; i < size; ++i) {
        dst[i] = Cp1252ToUnicode(static_cast<unsigned char>(data[i]));
    }
    return out;
}

bool IsCp1252Representable(char16_t ch) { return EncodeUnit(ch) >= 0; }

QByteArray EncodeCp1252(const QString& text, bool* lossless)
{
    QByteArray out;
    out.reserve(text.size());
    bool ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        const int b = EncodeUnit(ch);
        if (b >= 0) {
            out.append(static_cast<char>(b));
            continue;
        }
        ok = false;
        out.append('?');
        // A surrogate pair is one character and becomes one '?'.
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    }
    if (lossless) *lossless = ok;
    return out;
}

}  // namespace korvel
