#pragma once
// What a map object needs from the view it is drawn in: the world/pixel mapping and the view
// window's own canvas (used when no canvas is passed and for measuring text in screen pixels).

#include "model/viewtransform.h"

namespace korvel {

class Canvas;

class GView {
public:
    virtual ~GView() = default;

    // The current mapping. Objects choose between screen and printer scale by the canvas they
    // draw on (Canvas::IsPrinter), which is the same thing as `printing` during a print.
    virtual ViewTransform GetViewTransform() const = 0;

    // The canvas of the view window itself; null when the window cannot be drawn on.
    virtual Canvas* GetWindowCanvas() = 0;
};

}  // namespace korvel
