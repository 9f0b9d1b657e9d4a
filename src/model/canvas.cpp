#include "model/canvas.h"

#include <algorithm>
#include <vector>

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

void Canvas::FillSolidRect(const PixelRect& rect, COLORREF color)
{
    const Pen pen = SelectPen(Pen{PS_NULL, 0, 0});
    const Brush brush = SelectBrush(Brush{BrushKind::Solid, color});
    const PixelPoint corners[] = {{rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}};
    Polygon(corners);
    SelectPen(pen);
    SelectBrush(brush);
}

void Canvas::StretchArgb(const ArgbPixels& src, const PixelRect& block, const PixelRect& dest, const PixelRect& clip)
{
    (void)clip;
    if (!src.bits || src.width <= 0 || src.height <= 0) return;
    const int32_t stride = int32_t((int64_t(src.width) * 3 + 3) & ~int64_t(3));
    std::vector<uint8_t> bits(size_t(stride) * size_t(src.height));
    for (int32_t y = 0; y < src.height; ++y) {
        const uint32_t* in = src.bits + ptrdiff_t(y) * src.width;
        uint8_t* out = bits.data() + ptrdiff_t(y) * stride;
        for (int32_t x = 0; x < src.width; ++x, out += 3) {
            const uint32_t c = in[x] >> 24 == 0 ? 0x00FFFFFFu : in[x];
            out[0] = uint8_t(c);
            out[1] = uint8_t(c >> 8);
            out[2] = uint8_t(c >> 16);
        }
    }
    StretchDib(DibPixels{bits.data(), src.width, src.height, stride, false, 24, {}}, block, dest);
}

}  // namespace korvel
