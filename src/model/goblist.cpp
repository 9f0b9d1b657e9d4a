#include "model/goblist.h"

#include <cstdlib>
#include <mutex>
#include <new>

namespace korvel {

namespace {

GRootObject* CreateGObList() { return new (std::nothrow) GObList(true); }

// Nodes are carved from blocks and recycled through a free list; blocks are kept for the life
// of the process (a closed document's nodes serve the next one). One mutex guards the pool:
// the model runs on the GUI thread, so it is never contended, but it keeps lists made on other
// threads (tests, tools) correct.
class NodePool {
public:
    GObListNode* Allocate()
    {
        std::lock_guard lock(m_mutex);
        if (!m_pFree && !Grow()) return nullptr;
        GObListNode* n = m_pFree;
        m_pFree = n->pNext;
        ++m_nInUse;
        return n;
    }

    void Free(GObListNode* n)
    {
        std::lock_guard lock(m_mutex);
        n->data = nullptr;
        n->pPrev = nullptr;
        n->pNext = m_pFree;
        m_pFree = n;
        --m_nInUse;
    }

    GObListPoolStats Stats()
    {
        std::lock_guard lock(m_mutex);
        return GObListPoolStats{m_nInUse, m_nAllocated};
    }

private:
    // A block: a link to the previous block, then the nodes.
    struct Block {
        Block* pPrev;
    };

    bool Grow()
    {
        // Blocks grow with the pool (16 to 4096 nodes) so a small program stays small and a big
        // document does not pay a malloc per few nodes.
        size_t n = m_nAllocated < 16 ? 16 : (m_nAllocated < 4096 ? m_nAllocated : 4096);
        void* mem = std::malloc(sizeof(GObListNode) * (n + 1));
        if (!mem) return false;
        auto* block = static_cast<Block*>(mem);
        block->pPrev = m_pBlocks;
        m_pBlocks = block;
        auto* nodes = reinterpret_cast<GObListNode*>(static_cast<char*>(mem) + sizeof(GObListNode));
        for (size_t i = 0; i < n; ++i) {
            nodes[i].data = nullptr;
            nodes[i].pPrev = nullptr;
            nodes[i].pNext = m_pFree;
            m_pFree = &nodes[i];
        }
        m_nAllocated += n;
        return true;
    }

    std::mutex m_mutex;
    GObListNode* m_pFree = nullptr;
    Block* m_pBlocks = nullptr;
    size_t m_nInUse = 0;
    size_t m_nAllocated = 0;
};

NodePool& Pool()
{
    // Never destroyed: lists in static objects may still return nodes during exit.
    static NodePool* pool = new NodePool;
    return *pool;
}

}  // namespace

const GRuntimeClass GObList::classGObList = {"GObList", 1, &CreateGObList, nullptr};

GObListPoolStats GetGObListPoolStats() { return Pool().Stats(); }

GObList::~GObList() { DeleteAll(); }

GObList::Position GObList::Link(Position before, GRootObject* obj)
{
    GObListNode* n = Pool().Allocate();
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
    Pool().Free(pos);
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
