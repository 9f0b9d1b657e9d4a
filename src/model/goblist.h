#pragma once
// GObList: the plain owning list of the object model (ring lists, the persisted member list of
// a container, attribute lists read from files). A doubly linked list whose positions are node
// handles: they stay valid until their own element is removed, and inserting before a known
// position is O(1). Nodes come from the object pool (objpool.h: 24 bytes each, no per-node
// heap block), which matters for documents of millions of objects.

#include "model/gclone.h"

#include <cstddef>
#include <cstdint>

namespace korvel {

struct GObListNode {
    GObListNode* pNext;
    GObListNode* pPrev;
    GRootObject* data;
};

class GObList : public GRootObject {
public:
    // A node handle; null stands for "no position" (before the head / after the tail).
    using Position = GObListNode*;

    static const GRuntimeClass classGObList;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGObList; }

    // Every list made by the system owns its elements; only the temporary member list used
    // while loading a container is made with owns = false.
    explicit GObList(bool owns = true) : m_bOwns(owns ? 1 : 0) {}
    // With m_bOwns set, deletes the elements head first; otherwise only forgets them.
    ~GObList() override;

    // Insertions answer the new element's position, or null when no node could be allocated
    // (the list is then unchanged). They never throw.
    Position AddHead(GRootObject* obj);
    Position AddTail(GRootObject* obj);
    // Before `pos`; a null `pos` inserts at the head.
    Position InsertBefore(Position pos, GRootObject* obj);
    // After `pos`; a null `pos` appends at the tail.
    Position InsertAfter(Position pos, GRootObject* obj);

    // Unlinks the element at `pos` (which must belong to this list) and answers it; the
    // element itself is not deleted and `pos` becomes invalid. Null for a null position (and
    // so for RemoveHead/RemoveTail of an empty list).
    GRootObject* RemoveAt(Position pos);
    GRootObject* RemoveHead();
    GRootObject* RemoveTail();
    // Forgets every element without deleting it.
    void RemoveAll();
    // Deletes the elements (head first) when the list owns them, then empties it.
    void DeleteAll();

    Position GetHeadPosition() const { return m_pHead; }
    Position GetTailPosition() const { return m_pTail; }
    GRootObject* GetHead() const { return m_pHead ? m_pHead->data : nullptr; }
    GRootObject* GetTail() const { return m_pTail ? m_pTail->data : nullptr; }
    // The element at `pos`, which moves on to its successor (GetNext) or predecessor (GetPrev).
    static GRootObject* GetNext(Position& pos)
    {
        GRootObject* o = pos->data;
        pos = pos->pNext;
        return o;
    }
    static GRootObject* GetPrev(Position& pos)
    {
        GRootObject* o = pos->data;
        pos = pos->pPrev;
        return o;
    }
    static GRootObject* GetAt(Position pos) { return pos->data; }
    static void SetAt(Position pos, GRootObject* obj) { pos->data = obj; }

    // The first position holding `obj` after `startAfter` (from the head when null); O(n).
    Position Find(const GRootObject* obj, Position startAfter = nullptr) const;

    size_t GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    // Appends a copy of every element (each element's own Clone(null)) to `target`, or to a
    // new owning list when `target` is null. Answers the list, or null when an element cannot
    // be copied (it is not a GClone, or memory ran out): a list made here is then deleted
    // with the copies in it; a given target keeps the copies appended so far.
    GObList* CloneList(GObList* target = nullptr) const;

    // Moves every element of `other` to the end of this list in order, without allocating.
    void TakeAllFrom(GObList& other);

    int32_t m_bOwns;

private:
    Position Link(Position before, GRootObject* obj);

    GObListNode* m_pHead = nullptr;
    GObListNode* m_pTail = nullptr;
    size_t m_nCount = 0;
};

}  // namespace korvel
