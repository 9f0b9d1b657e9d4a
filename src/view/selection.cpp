#include "view/selection.h"

#include "model/cobjenum.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"

#include <cmath>

namespace korvel {
namespace {

bool InMask(const GObj* o, uint32_t mask) { return (o->GetType() & mask) != 0; }

bool Inside(const WorldRect& inner, const WorldRect& outer)
{
    return inner.minX >= outer.minX && inner.maxX <= outer.maxX && inner.minY >= outer.minY && inner.maxY <= outer.maxY;
}

// Changes the flag of `obj`, repainting its look before and after in every view.
void SetSelected(CKorvelDoc& doc, GObj* obj, bool selected)
{
    if (obj->IsSelected() == selected) return;
    doc.UpdateObject(obj, true);
    if (selected) obj->m_wFlags |= GF_SELECTED;
    else obj->m_wFlags &= static_cast<uint16_t>(~GF_SELECTED);
    doc.UpdateObject(obj, true);
}

}  // namespace

bool SelectObjects(CKorvelView& view, const PixelRect& rect, bool toggle, uint32_t typeMask)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return false;
    const Viewport& vp = view.GetViewport();

    WorldRect area = vp.PixelRectToWorld(rect);
    const bool drag = area.maxX - area.minX != 0.0 || area.maxY - area.minY != 0.0;
    WorldPoint centre{};
    double tolerance = 0.0;
    if (!drag) {
        PixelRect grown = rect;
        grown.Inflate(3);
        area = vp.PixelRectToWorld(grown);
        centre = WorldPoint{(area.minX + area.maxX) / 2.0, (area.minY + area.maxY) / 2.0};
        tolerance = area.maxX - area.minX;
    }

    // A click without toggle leaves one object selected: the hit object with the smallest
    // type code, the last in document order among equals. The candidate is kept during the
    // walk, so one pass over the document does.
    const bool oneSurvivor = !drag && !toggle;
    GObj* candidate = nullptr;
    bool anyHit = false;
    CObjEnum walk(doc->m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        const bool hit = drag ? Inside(o->m_rcBounds, area) : o->Distance(centre) < tolerance;
        anyHit = anyHit || hit;
        bool selected = toggle ? (hit ? !o->IsSelected() : o->IsSelected()) : hit;
        if (!InMask(o, typeMask)) selected = false;
        if (selected && oneSurvivor) {
            if (!candidate || o->GetType() <= candidate->GetType()) {
                if (candidate) SetSelected(*doc, candidate, false);
                candidate = o;
            } else {
                selected = false;
            }
        }
        SetSelected(*doc, o, selected);
    }
    view.setCurObj(oneSurvivor ? candidate : LastSelected(*doc));
    return anyHit;
}

int SelectObjects(CKorvelDoc& doc, int toggle, uint32_t typeMask)
{
    if (!doc.m_pRoot) return toggle;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        bool selected = false;
        if (InMask(o, typeMask)) selected = toggle == 0 ? false : toggle == 1 ? true : !o->IsSelected();
        if (selected) o->m_wFlags |= GF_SELECTED;
        else o->m_wFlags &= static_cast<uint16_t>(~GF_SELECTED);
    }
    return toggle;
}

GObj* LastSelected(CKorvelDoc& doc)
{
    GObj* last = nullptr;
    if (!doc.m_pRoot) return nullptr;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->IsSelected()) last = o;
    }
    return last;
}

std::vector<GObj*> SelectedObjects(CKorvelDoc& doc)
{
    std::vector<GObj*> out;
    if (!doc.m_pRoot) return out;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->IsSelected()) out.push_back(o);
    }
    return out;
}

}  // namespace korvel
