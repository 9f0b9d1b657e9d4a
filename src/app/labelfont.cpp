#include "app/labelfont.h"

namespace korvel {

LabelFont DefaultLabelFont()
{
    LabelFont lf;
    // A point is 1/72 inch; at the 96 dpi the font record refers to, 12 points are 16 pixels,
    // given as a negative height to mean the character height without internal leading.
    lf.height = -(12 * 96 + 36) / 72;
    lf.faceName = QStringLiteral("Arial");
    return lf;
}

}  // namespace korvel
