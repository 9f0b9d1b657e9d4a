#pragma once
// Selecting map objects with the mouse. The selection lives in each object's GF_SELECTED flag,
// so every view of a document shows the same selection; what is current in one view
// (curObj) is that view's own.

#include "model/pixel.h"

#include <cstdint>
#include <vector>

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class GObj;

// All selectable type codes (points, texts, lines, areas, images, tiles).
inline constexpr uint32_t kSelectAllTypes = 4095;

// Selects by a client-pixel rectangle of `view`:
// - a rectangle whose world extent (corner mapping) has width or height (a drag) hits every
//   object whose bounds lie completely inside it, borders included;
// - an empty rectangle (a click) hits every object whose Distance from the centre of the
//   rectangle grown by 3 pixels is below 6 pixels in world units.
// Without `toggle` the hit objects become the selection; with it each hit object flips and
// the others keep their state. Objects whose type is not in `typeMask` end up unselected.
// Every change is announced to all views before and after the flag changes (so the old and
// the new look are both repainted). A click without toggle leaves one object selected: the
// one with the smallest type code, the last in document order among equals. Afterwards the
// view's curObj is the last selected object. Answers whether any object was hit.
bool SelectObjects(CKorvelView& view, const PixelRect& rect, bool toggle, uint32_t typeMask);

// Sets the selection flags of the whole document without a rectangle and without
// notifications: objects whose type is in `typeMask` become unselected for toggle 0, selected
// for 1 and flip for any other value; all others become unselected. Answers `toggle`.
int SelectObjects(CKorvelDoc& doc, int toggle, uint32_t typeMask);

// The last selected object in the document's deep walk, or null.
GObj* LastSelected(CKorvelDoc& doc);

// Every selected object in the order of the deep walk.
std::vector<GObj*> SelectedObjects(CKorvelDoc& doc);

}  // namespace korvel
