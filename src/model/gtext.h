#pragma once
// GText: a text placed on the map (point numbers, labels). Its height is given in world units
// so it scales with the map; it can be rotated and anchored at nine points of its box. Its
// world box comes from a layout step that measures the text on the view's canvas.

#include "model/gobj.h"

namespace korvel {

class GText : public GObj {
public:
    static const GRuntimeClass classGText;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGText; }

    GText() = default;
    explicit GText(const QString& text) : m_strText(text) {}

    // Copies the whole font record. With a view, m_dHeight := lfHeight x the view's scale and
    // the text is laid out; without, m_dHeight := lfHeight.
    void SetFont(const LogFont& lf, GView* view);
    // Recomputes m_ptText and m_rcBounds from m_ptPos, the anchor, the font and the text size
    // measured on the view window's canvas. False (nothing changed) when the view has none.
    bool Layout(GView& view);

    GClone* Clone(GClone* target = nullptr) const override;
    // 0 inside m_rcBounds (edges included), otherwise 2147483647.
    double Distance(const WorldPoint& q) const override;
    // Type and anchor point always; with EQ_FONT also the font record and face name.
    bool IsEqual(const GObj& other, uint32_t flags) const override;
    // Anchor, origin and both bounds corners converted; the height follows the change of the
    // bounds' height so the text keeps its size relative to the map.
    bool Transform(TransformCallback callback, CoordTransform* params) override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    void CalcBounds() override {}
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    uint32_t GetType() const override { return GT_TEXT; }

    // The pixel offset of the box's top-left corner from the anchor pixel for a box of w x h
    // pixels (codes outside 2..9 anchor at the top left).
    static PixelPoint AnchorOffset(uint8_t anchor, int32_t w, int32_t h);
    // Escapement as radians.
    double Angle() const;

    WorldPoint m_ptText;      // world position of the (rotated) top-left corner of the box
    double m_dHeight = 0.0;   // font height in world units, sign as in the font record
    LogFont m_lf;
    uint8_t m_nAnchor = 7;
    QString m_strText;
};

}  // namespace korvel
