#include "model/goblist.h"

#include "model/objpool.h"

#include <new>

namespace korvel {

namespace {

GRootObject* CreateGObList() { return new (std::nothrow) GObList(true); }

// Nodes come from the object pool, like the map objects they hold: no heap header per node,
// and no lock while a document is built.
GObListNode* AllocateNode() { return static_cast<GObListNode*>(objpool::Allocate(sizeof(GObListNode))); }
void FreeNode(GObListNode* n) { objpool::Free(n, sizeof(GObListNode)); }

}  // namespace

const GRuntimeClass GObList::classGObList = {"GObList", 1, &CreateGObList, nullptr};

GObList::~GObList() { DeleteAll(); }

GObList::Position GObList::Link(Position before, GRootObject* obj)
{
    GObListNode* n = AllocateNode();
    if (!n) return nullptr;
    n->data = obj;
    n->pNext = before;
    n->pPrev = before ? before->pPrev : m_pTail;
    if (n->pPrev)
        n->pPrev->pNext = n;
    else
        m_pHead = n;
    if (before)
        before->pPrev = n;
    else
        m_pTail = n;
    ++m_nCount;
    return n;
}

GObList::Position GObList::AddHead(GRootObject* obj) { return Link(m_pHead, obj); }
GObList::Position GObList::AddTail(GRootObject* obj) { return Link(nullptr, obj); }
GObList::Position GObList::InsertBefore(Position pos, GRootObject* obj) { return Link(pos ? pos : m_pHead, obj); }
GObList::Position GObList::InsertAfter(Position pos, GRootObject* obj) { return Link(pos ? pos->pNext : nullptr, obj); }

GRootObject* GObList::RemoveAt(Position pos)
{
    if (!pos) return nullptr;
    GRootObject* obj = pos->data;
    if (pos->pPrev)
        pos->pPrev->pNext = pos->pNext;
    else
        m_pHead = pos->pNext;
    if (pos->pNext)
        pos->pNext->pPrev = pos->pPrev;
    else
        m_pTail = pos->pPrev;
    --m_nCount;
    FreeNode(pos);
    return obj;
}

GRootObject* GObList::RemoveHead() { return RemoveAt(m_pHead); }
GRootObject* GObList::RemoveTail() { return RemoveAt(m_pTail); }

void GObList::RemoveAll()
{
    while (m_pHead) RemoveAt(m_pHead);
}

void GObList::DeleteAll()
{
    while (m_pHead) {
        GRootObject* obj = RemoveAt(m_pHead);
        if (m_bOwns) delete obj;
    }
}

GObList::Position GObList::Find(const GRootObject* obj, Position startAfter) const
{
    for (Position p = startAfter ? startAfter->pNext : m_pHead; p; p = p->pNext)
        if (p->data == obj) return p;
    return nullptr;
}

GObList* GObList::CloneList(GObList* target) const
{
    GObList* made = nullptr;
    if (!target) {
        made = new (std::nothrow) GObList(true);
        if (!made) return nullptr;
        target = made;
    }
    for (Position p = m_pHead; p; p = p->pNext) {
        if (!p->data) {  // streams may hold null entries; their copy is null as well
            if (!target->AddTail(nullptr)) {
                delete made;
                return nullptr;
            }
            continue;
        }
        auto* src = dynamic_cast<const GClone*>(p->data);
        GClone* copy = src ? src->Clone(nullptr) : nullptr;
        if (copy && !target->AddTail(copy)) {
            delete copy;
            copy = nullptr;
        }
        if (!copy) {
            delete made;
            return nullptr;
        }
    }
    return target;
}

void GObList::TakeAllFrom(GObList& other)
{
    if (&other == this || !other.m_pHead) return;
    other.m_pHead->pPrev = m_pTail;
    if (m_pTail)
        m_pTail->pNext = other.m_pHead;
    else
        m_pHead = other.m_pHead;
    m_pTail = other.m_pTail;
    m_nCount += other.m_nCount;
    other.m_pHead = other.m_pTail = nullptr;
    other.m_nCount = 0;
}

}  // namespace korvel
