#pragma once
// The map of a document as a picture: drawn by a map view of the given client size, exactly as
// the view paints it on screen, without window frame, menus or bars. Used by
// `korvel --render` for users and scripted checks.

#include "crs/worldpoint.h"

#include <QImage>
#include <QSize>

namespace korvel {

class CKorvelDoc;

// Renders `doc` at a client area of `size` pixels. With `window` (document units, x east,
// y north) the view shows that rectangle fitted to the client area as SetView fits it;
// without, all objects (the fit-all view). A null image when the size is empty.
QImage RenderMap(CKorvelDoc& doc, QSize size, const WorldRect* window = nullptr);

}  // namespace korvel
