#pragma once
// GList: a map object that is itself an ordered container of map objects (the document root,
// nested lists, the tile list). Members are painted head to tail, so later ones lie on top.
//
// Members and positions: m_list holds only GObj members, and each member knows its own node
// (GObj::ListNode), so PositionOf, Remove and inserting next to a known member are O(1) with
// no scan. That back link is kept by the member operations below; code must not add or
// remove members through m_list directly (use MemberLoader when reading a list from a file, or
// AdoptMembers to take over a loaded GObList).

#include "model/gobj.h"
#include "model/goblist.h"

namespace korvel {

class GList : public GObj {
public:
    using Position = GObList::Position;

    static const GRuntimeClass classGList;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGList; }

    GList() = default;
    ~GList() override;

    GClone* Clone(GClone* target = nullptr) const override;
    // The callback on m_ptPos, then each member's Transform followed by its UpdateInfo with the
    // target system `params->to`; false at the first failure.
    bool Transform(TransformCallback callback, CoordTransform* params) override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    // Each member's CalcBounds, united into m_rcBounds; m_ptPos stays as it is.
    void CalcBounds() override;
    // Each member whose pixel rectangle meets `clip`, head to tail.
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    uint32_t GetType() const override { return GT_LIST; }

    // Insertion: the member's bounds are united into m_rcBounds and its m_pParent set. False
    // (list and object unchanged) for a null object or when memory runs out. On success the
    // list owns the object.
    virtual bool AddHead(GObj* obj);
    virtual bool AddTail(GObj* obj);
    // Before the member at `pos`; a null `pos` inserts at the head.
    virtual bool InsertBefore(Position pos, GObj* obj);

    // The same insertion before `pos`, where a null `pos` appends at the tail; answers the new
    // member's position (null on failure). For callers that keep insertion points.
    Position InsertMemberBefore(Position pos, GObj* obj);

    // Takes `obj` out of the direct members (not deleted, bounds unchanged) and hands it back
    // to the caller; null when it is not a direct member.
    GObj* Remove(GObj* obj);

    // The position of a direct member (O(1)); null when `obj` is not one.
    Position PositionOf(const GObj* obj) const;

    // Moves every element of `from` (a loaded member list) to the end of the members, setting
    // their parent. False, moving nothing, when an element is not a map object or memory runs
    // out. Bounds are not touched (the loaded list carries its own).
    bool AdoptMembers(GObList& from);

    // Fills the list with members as a file is read: each joins at the tail with its parent
    // and node set at once (no second pass over a million members), the list keeps the bounds
    // it was stored with, and the change stamp moves when the loader ends, also when the read
    // breaks off (the members appended so far stay; the caller discards the list then).
    class MemberLoader {
    public:
        explicit MemberLoader(GList& list) : m_list(list) {}
        ~MemberLoader() { m_list.m_nChangeStamp = NextChangeStamp(); }
        MemberLoader(const MemberLoader&) = delete;
        MemberLoader& operator=(const MemberLoader&) = delete;

        // False, with nothing changed, for a null object or when memory runs out; on success
        // the list owns the object.
        bool Append(GObj* obj) { return m_list.LinkLoaded(obj) != nullptr; }

    private:
        GList& m_list;
    };

    // Changes with every member added, removed or adopted through the operations above, and is
    // never the same for two states of any two lists, so a cache kept beside a list (the
    // document's insertion points) can tell that it is stale.
    uint64_t ChangeStamp() const { return m_nChangeStamp; }

    static GObj* MemberAt(Position pos) { return static_cast<GObj*>(GObList::GetAt(pos)); }
    static GObj* NextMember(Position& pos) { return static_cast<GObj*>(GObList::GetNext(pos)); }
    size_t GetCount() const { return m_list.GetCount(); }

    GObList m_list;  // the members in drawing order, head first; owning

private:
    Position Link(Position before, GObj* obj, bool uniteBounds);
    Position LinkLoaded(GObj* obj);
    static uint64_t NextChangeStamp();

    uint64_t m_nChangeStamp = NextChangeStamp();
};

}  // namespace korvel
