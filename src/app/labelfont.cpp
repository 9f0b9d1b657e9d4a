#include "app/labelfont.h"

namespace korvel {

LogFont DefaultLabelFont()
{
    LogFont lf;
    // 12 points of 1/72 inch at 96 pixels per inch, rounded.
    lf.lfHeight = -((12 * 96 + 36) / 72);
    lf.SetFaceName(QStringLiteral("Arial"));
    return lf;
}

}  // namespace korvel
