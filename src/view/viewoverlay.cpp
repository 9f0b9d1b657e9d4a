#include "view/viewoverlay.h"

#include "model/canvas.h"
#include "model/gobj.h"
#include "view/korvelview.h"

namespace korvel {

void ObjectOverlay::Draw(CKorvelView& view, Canvas& canvas, const PixelRect& clip)
{
    if (m_pObj) m_pObj->Draw(view, &canvas, clip);
}

void RubberBandOverlay::FrameStrips(const PixelRect& b, PixelRect out[4], int* count)
{
    // A frame from (left, top) to (right, bottom) inclusive, one pixel wide; a degenerate band
    // is a single pixel, a band one pixel high or wide a single strip.
    int n = 0;
    if (b.right <= b.left && b.bottom <= b.top) {
        out[n++] = PixelRect{b.left, b.top, b.left + 1, b.top + 1};
        *count = n;
        return;
    }
    out[n++] = PixelRect{b.left, b.top, b.right + 1, b.top + 1};
    if (b.bottom > b.top) out[n++] = PixelRect{b.left, b.bottom, b.right + 1, b.bottom + 1};
    if (b.bottom - b.top > 1) {
        out[n++] = PixelRect{b.left, b.top + 1, b.left + 1, b.bottom};
        if (b.right > b.left) out[n++] = PixelRect{b.right, b.top + 1, b.right + 1, b.bottom};
    }
    *count = n;
}

void RubberBandOverlay::Draw(CKorvelView&, Canvas& canvas, const PixelRect&)
{
    if (!visible) return;
    PixelRect strips[4];
    int n = 0;
    FrameStrips(box, strips, &n);
    for (int i = 0; i < n; ++i) canvas.InvertRect(strips[i]);
}

}  // namespace korvel
