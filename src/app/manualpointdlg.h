#pragma once
// A numbered point made by the create-point tool as one undo step. The tool's dialog is the
// manual form of the point measurement dialog (survey/measurepoint.h), which also gives the
// next number (NextPointNumber).

#include "crs/worldpoint.h"
#include "model/canvas.h"

#include <QString>

namespace korvel {

class CKorvelDoc;
class CKorvelView;

// A point at `pos` (document units) with "PTNR" = `number`, and a text with the number at the
// same place in `font` and `colour`, added as one undo step. The document remembers the
// number as its last. False when the point could not be added.
bool CreateNumberedPoint(CKorvelView& view, const WorldPoint& pos, const QString& number, const LogFont& font,
                         uint32_t colour);

}  // namespace korvel
