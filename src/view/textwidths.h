#pragma once
// TextWidths: the width of a line of text in one font, exactly as QFontMetricsF measures it,
// fast for Latin-1 text. Shaping a string costs about 1.5 µs, and laying out a million labels
// shapes a million strings. A Latin-1 line is instead added up from the advance of each
// character after its left neighbour (kerning included), taken from shaping that pair once.
// Pairs that shaping turns into other glyphs (ligatures, contextual forms) and characters
// outside printable Latin-1 keep the line on the shaping path.

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QPaintDevice;

namespace korvel {

class TextWidths {
public:
    // Measures in `font` on `device` (the screen when null).
    TextWidths(const QFont& font, QPaintDevice* device);

    // The line height in pixels (QFontMetricsF::height, asked once: it locks the font database).
    double Height() const { return m_height; }

    // The advance in pixels of `line` (no line breaks): QFontMetricsF::horizontalAdvance.
    double Width(const QString& line);
    // The same, always shaping the whole string.
    double ShapedWidth(const QString& line) const { return m_fm.horizontalAdvance(line); }

private:
    // Widths in 1/64 pixel, the unit the font engine adds glyph advances in.
    static constexpr int32_t kUnknown = INT32_MIN;
    static constexpr int32_t kShaped = INT32_MIN + 1;

    // The glyphs `text` is shaped into.
    std::vector<uint32_t> Glyphs(const QString& text) const;
    int32_t Advance(char16_t c);
    // The advance of `c` following `before`: kShaped when shaping the pair changes its glyphs.
    int32_t Step(char16_t before, char16_t c);

    QFont m_font;
    QPaintDevice* m_pDevice;
    QFontMetricsF m_fm;
    double m_height;
    std::array<int32_t, 256> m_advance;
    std::array<std::vector<int32_t>, 256> m_steps;  // by the left character, 256 each when used
};

}  // namespace korvel
