#pragma once
// The font new labels start with, as a complete logical font record.

#include "model/canvas.h"

namespace korvel {

// A 12-point "Arial" at the 96 dpi the font records refer to: character height 16 pixels,
// given negative (height without internal leading); every other field left to the defaults.
LogFont DefaultLabelFont();

}  // namespace korvel
