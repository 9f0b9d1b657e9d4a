#pragma once
// Screen-only layers of a map view: what is drawn above the map picture but never printed and
// never part of the document (the recorded track, the find marker, the GPS position marker,
// the rubber band, selection frames). A view draws its overlays in ascending order after the
// map; an overlay that changes repaints only its own rectangle, the map picture below stays.

#include "model/pixel.h"

#include <memory>

namespace korvel {

class Canvas;
class CKorvelView;
class GObj;

// Drawing order of the built-in overlays; layers above the view pick values in between.
inline constexpr int kOverlayTrack = 100;
inline constexpr int kOverlaySelection = 150;
inline constexpr int kOverlayFindMarker = 200;
inline constexpr int kOverlayPosition = 300;
inline constexpr int kOverlayRubberBand = 1000;

class ViewOverlay {
public:
    virtual ~ViewOverlay() = default;
    // Draws the overlay's part inside `clip` (client pixels) on a screen canvas.
    virtual void Draw(CKorvelView& view, Canvas& canvas, const PixelRect& clip) = 0;
};

// A map object shown on screen only (track, markers); the overlay owns it.
class ObjectOverlay : public ViewOverlay {
public:
    GObj* Object() const { return m_pObj.get(); }
    void Reset(std::unique_ptr<GObj> obj) { m_pObj = std::move(obj); }
    std::unique_ptr<GObj> Take() { return std::move(m_pObj); }
    void Draw(CKorvelView& view, Canvas& canvas, const PixelRect& clip) override;

private:
    std::unique_ptr<GObj> m_pObj;
};

// The one-pixel inverting frame of a drag: visible on any map, gone when drawn twice.
class RubberBandOverlay : public ViewOverlay {
public:
    bool visible = false;
    PixelRect box;  // as drawn, not normalised; right and bottom inclusive
    void Draw(CKorvelView& view, Canvas& canvas, const PixelRect& clip) override;
    // The four one-pixel strips the frame covers, as rectangles to repaint.
    static void FrameStrips(const PixelRect& box, PixelRect out[4], int* count);
};

}  // namespace korvel
