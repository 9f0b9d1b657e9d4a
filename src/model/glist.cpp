#include "model/glist.h"

#include "model/gview.h"

#include <atomic>
#include <new>

namespace korvel {

namespace {
GRootObject* CreateGList() { return new (std::nothrow) GList; }
}  // namespace

const GRuntimeClass GList::classGList = {"GList", 1, &CreateGList, &GObj::classGObj};

uint64_t GList::NextChangeStamp()
{
    static std::atomic<uint64_t> stamp{0};
    return stamp.fetch_add(1, std::memory_order_relaxed) + 1;
}

GList::~GList()
{
    // Members are deleted head first by m_list; clear their back links first so a member's
    // destructor never sees a dangling node.
    for (Position p = m_list.GetHeadPosition(); p;) {
        GObj* o = NextMember(p);
        if (o) o->m_pNode = nullptr;
    }
}

GList::Position GList::Link(Position before, GObj* obj, bool uniteBounds)
{
    if (!obj) return nullptr;
    Position pos = before ? m_list.InsertBefore(before, obj) : m_list.AddTail(obj);
    if (!pos) return nullptr;
    if (uniteBounds) m_rcBounds.Unite(obj->m_rcBounds);
    obj->m_pParent = this;
    obj->m_pNode = pos;
    m_nChangeStamp = NextChangeStamp();
    return pos;
}

GList::Position GList::LinkLoaded(GObj* obj)
{
    if (!obj) return nullptr;
    Position pos = m_list.AddTail(obj);
    if (!pos) return nullptr;
    obj->m_pParent = this;
    obj->m_pNode = pos;
    return pos;
}

bool GList::AddHead(GObj* obj)
{
    Position head = m_list.GetHeadPosition();
    return head ? Link(head, obj, true) != nullptr : Link(nullptr, obj, true) != nullptr;
}

bool GList::AddTail(GObj* obj) { return Link(nullptr, obj, true) != nullptr; }

bool GList::InsertBefore(Position pos, GObj* obj)
{
    return Link(pos ? pos : m_list.GetHeadPosition(), obj, true) != nullptr;
}

GList::Position GList::InsertMemberBefore(Position pos, GObj* obj) { return Link(pos, obj, true); }

GList::Position GList::PositionOf(const GObj* obj) const
{
    if (!obj || obj->m_pParent != this) return nullptr;
    if (obj->m_pNode && GObList::GetAt(obj->m_pNode) == obj) return obj->m_pNode;
    return m_list.Find(obj);
}

GObj* GList::Remove(GObj* obj)
{
    Position pos = PositionOf(obj);
    if (!pos) pos = obj ? m_list.Find(obj) : nullptr;  // a member whose parent was overwritten
    if (!pos) return nullptr;
    m_list.RemoveAt(pos);
    obj->m_pNode = nullptr;
    m_nChangeStamp = NextChangeStamp();
    return obj;
}

bool GList::AdoptMembers(GObList& from)
{
    for (Position p = from.GetHeadPosition(); p;) {
        GRootObject* o = GObList::GetNext(p);
        if (!o || !o->IsKindOf(&GObj::classGObj)) return false;
    }
    Position first = from.GetHeadPosition();
    m_list.TakeAllFrom(from);
    m_nChangeStamp = NextChangeStamp();
    for (Position p = first; p; p = p->pNext) {
        GObj* o = MemberAt(p);
        o->m_pParent = this;
        o->m_pNode = p;
    }
    return true;
}

GClone* GList::Clone(GClone* target) const
{
    return CloneAs<GList>(target, [this](GList& t) {
        if (!CopyObjInto(t)) return false;
        for (Position p = m_list.GetHeadPosition(); p;) {
            const GObj* src = NextMember(p);
            auto* copy = static_cast<GObj*>(src->Clone(nullptr));
            if (!copy) return false;
            // The bounds were copied with the GObj part; members are linked without changing
            // them, so the copy is an exact replica.
            if (!t.Link(nullptr, copy, false)) {
                delete copy;
                return false;
            }
        }
        return true;
    });
}

bool GList::Transform(TransformCallback callback, CoordTransform* params)
{
    if (!callback(&m_ptPos, params)) return false;
    for (Position p = m_list.GetHeadPosition(); p;) {
        GObj* o = NextMember(p);
        if (!o->Transform(callback, params)) return false;
        o->UpdateInfo(params ? params->to : 0);
    }
    return true;
}

void GList::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    const PixelRect r = view.ToScreen(m_rcBounds);
    if (rect.IsAllZero())
        rect = r;
    else
        rect = UnitePixelRects(rect, r);
}

void GList::CalcBounds()
{
    m_rcBounds = WorldRect{};
    for (Position p = m_list.GetHeadPosition(); p;) {
        GObj* o = NextMember(p);
        o->CalcBounds();
        m_rcBounds.Unite(o->m_rcBounds);
    }
}

void GList::Draw(GView& view, Canvas* dc, const PixelRect& clip)
{
    const ViewTransform vt = view.GetViewTransform();
    for (Position p = m_list.GetHeadPosition(); p;) {
        GObj* o = NextMember(p);
        PixelRect r;
        o->AddScreenRect(vt, r);
        if (IntersectPixelRects(r, clip).HasArea()) o->Draw(view, dc, clip);
    }
}

}  // namespace korvel
