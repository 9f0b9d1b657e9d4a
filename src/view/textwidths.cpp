#include "view/textwidths.h"

#include <QGlyphRun>
#include <QTextLayout>

#include <cmath>

namespace korvel {
namespace {

// Printable Latin-1 without the soft hyphen, which shows only where a line breaks.
bool Summable(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x100 && c != 0xAD);
}

int32_t ToUnits(double pixels)
{
    return int32_t(std::lround(pixels * 64.0));
}

}  // namespace

TextWidths::TextWidths(const QFont& font, QPaintDevice* device)
    : m_font(font),
      m_pDevice(device),
      m_fm(device ? QFontMetricsF(font, device) : QFontMetricsF(font)),
      m_height(m_fm.height())
{
    m_advance.fill(kUnknown);
}

std::vector<uint32_t> TextWidths::Glyphs(const QString& text) const
{
    QTextLayout layout(text, m_font, m_pDevice);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::vector<uint32_t> glyphs;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (const quint32 g : run.glyphIndexes()) glyphs.push_back(g);
    }
    return glyphs;
}

int32_t TextWidths::Advance(char16_t c)
{
    int32_t& a = m_advance[c];
    if (a == kUnknown) a = ToUnits(m_fm.horizontalAdvance(QString(QChar(c))));
    return a;
}

int32_t TextWidths::Step(char16_t before, char16_t c)
{
    std::vector<int32_t>& row = m_steps[before];
    if (row.empty()) row.assign(256, kUnknown);
    int32_t& step = row[c];
    if (step == kUnknown) {
        const QChar both[2] = {QChar(before), QChar(c)};
        const QString pair(both, 2);
        std::vector<uint32_t> apart = Glyphs(QString(QChar(before)));
        const std::vector<uint32_t> second = Glyphs(QString(QChar(c)));
        apart.insert(apart.end(), second.begin(), second.end());
        step = Glyphs(pair) == apart ? ToUnits(m_fm.horizontalAdvance(pair)) - Advance(before) : kShaped;
    }
    return step;
}

double TextWidths::Width(const QString& line)
{
    int64_t sum = 0;
    char16_t previous = 0;
    for (const QChar ch : line) {
        const char16_t c = ch.unicode();
        if (!Summable(c)) return ShapedWidth(line);
        const int32_t step = previous ? Step(previous, c) : Advance(c);
        if (step == kShaped) return ShapedWidth(line);
        sum += step;
        previous = c;
    }
    // The engine's own sum is 32 bits wide: leave widths near its limit to it.
    if (sum >= INT32_MAX / 2 || sum <= INT32_MIN / 2) return ShapedWidth(line);
    return double(sum) / 64.0;
}

}  // namespace korvel
