#pragma once
// The label font of new texts: a complete logical font description, as the font dialog and
// the text objects exchange it, and the label colour.

#include <QString>

#include <cstdint>

namespace korvel {

struct LabelFont {
    int32_t height = 0;  // negative: character height in pixels at 96 dpi
    int32_t width = 0;
    int32_t escapement = 0;  // tenths of a degree
    int32_t orientation = 0;
    int32_t weight = 400;  // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 1;  // default character set
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    QString faceName;

    friend bool operator==(const LabelFont&, const LabelFont&) = default;
};

// The font new labels start with: 12-point Arial (height −16 at 96 dpi).
LabelFont DefaultLabelFont();

}  // namespace korvel
