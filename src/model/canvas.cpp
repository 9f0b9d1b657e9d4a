#include "model/canvas.h"

#include <algorithm>

namespace korvel {

QString LogFont::FaceName() const
{
    int n = 0;
    while (n < kFaceSize && lfFaceName[n] != 0) ++n;
    // Copied unit for unit: QString::fromUtf16 would treat a leading U+FEFF or U+FFFE as a
    // byte-order mark, dropping it or swapping the rest, and the name would change on every save.
    return QString(reinterpret_cast<const QChar*>(lfFaceName), n);
}

bool LogFont::SetFaceName(const QString& face)
{
    const int n = int(std::min<qsizetype>(face.size(), kFaceSize - 1));
    std::fill(std::begin(lfFaceName), std::end(lfFaceName), char16_t(0));
    for (int i = 0; i < n; ++i) lfFaceName[i] = face.at(i).unicode();
    return face.size() <= kFaceSize - 1;
}

bool operator==(const LogFont& a, const LogFont& b)
{
    if (a.lfHeight != b.lfHeight || a.lfWidth != b.lfWidth || a.lfEscapement != b.lfEscapement ||
        a.lfOrientation != b.lfOrientation || a.lfWeight != b.lfWeight || a.lfItalic != b.lfItalic ||
        a.lfUnderline != b.lfUnderline || a.lfStrikeOut != b.lfStrikeOut || a.lfCharSet != b.lfCharSet ||
        a.lfOutPrecision != b.lfOutPrecision || a.lfClipPrecision != b.lfClipPrecision ||
        a.lfQuality != b.lfQuality || a.lfPitchAndFamily != b.lfPitchAndFamily)
        return false;
    for (int i = 0; i < LogFont::kFaceSize; ++i) {
        if (a.lfFaceName[i] != b.lfFaceName[i]) return false;
        if (a.lfFaceName[i] == 0) return true;
    }
    return true;
}

uint32_t DibPixels::Rgb(int32_t col, int32_t row) const
{
    const uint8_t* line = Row(row);
    uint32_t index = 0;
    switch (bitCount) {
    case 24: {
        const uint8_t* p = line + ptrdiff_t(col) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    case 8: index = line[col]; break;
    case 4: index = (line[col >> 1] >> ((col & 1) ? 0 : 4)) & 0x0F; break;
    case 1: index = (line[col >> 3] >> (7 - (col & 7))) & 1; break;
    default: return 0;
    }
    return index < colors.size() ? colors[index] & 0x00FFFFFFu : 0;
}

}  // namespace korvel
