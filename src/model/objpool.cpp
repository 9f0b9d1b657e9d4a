#include "model/objpool.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEL_POOL_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KORVEL_POOL_ASAN 1
#endif

#ifdef KORVEL_POOL_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace korvel::objpool {

namespace {

// Slabs are aligned to their size, so the slab of a block is found by masking its address.
constexpr size_t kSlabSize = 64 * 1024;
// Address space is taken from the system this much at a time; only the slabs in use cost
// memory.
constexpr size_t kRegionSize = 64 * 1024 * 1024;
constexpr size_t kMaxRegions = 4096;  // 256 GB of slabs
constexpr size_t kHeaderSize = 64;    // the slab header, then the blocks
constexpr size_t kStep = 8;
constexpr size_t kClasses = kMaxPooledSize / kStep;
// Empty slabs kept instead of being given back, so a program that frees and makes objects in
// turn does not hand the same memory to the system and back again.
constexpr size_t kMaxSpare = 8;

// Under AddressSanitizer, free blocks and never-used slab space are poisoned, so a stray access
// to a freed map object is reported as with the general heap.
inline void Poison([[maybe_unused]] const void* p, [[maybe_unused]] size_t n)
{
#ifdef KORVEL_POOL_ASAN
    ASAN_POISON_MEMORY_REGION(p, n);
#endif
}

inline void Unpoison([[maybe_unused]] const void* p, [[maybe_unused]] size_t n)
{
#ifdef KORVEL_POOL_ASAN
    ASAN_UNPOISON_MEMORY_REGION(p, n);
#endif
}

struct Slab {
    Slab* pNext;   // among the size class's slabs with free blocks (never its current slab)
    Slab* pPrev;
    void* pFree;   // freed blocks, linked through their first word
    char* pBump;   // the next never-used block
    char* pEnd;    // end of the last whole block
    uint32_t nUsed;  // blocks handed out
    uint16_t nClass;
    bool bListed;    // in the class's list
};
static_assert(sizeof(Slab) <= kHeaderSize);

struct SizeClass {
    Slab* pCurrent = nullptr;  // blocks are taken from here
    Slab* pPartial = nullptr;  // other slabs with free blocks
};

size_t BlockSize(size_t cls) { return (cls + 1) * kStep; }
size_t ClassOf(size_t size) { return size == 0 ? 0 : (size - 1) / kStep; }
Slab* SlabOf(const void* p) { return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(p) & ~(kSlabSize - 1)); }

class Pool {
public:
    void* Allocate(size_t cls)
    {
        const size_t size = BlockSize(cls);
        std::lock_guard lock(m_mutex);
        SizeClass& c = m_classes[cls];
        Slab* s = c.pCurrent;
        if (!s || (!s->pFree && s->pBump == s->pEnd)) {
            s = NextSlab(c, cls);
            if (!s) return nullptr;
        }
        void* p;
        if (s->pFree) {
            p = s->pFree;
            Unpoison(p, size);
            s->pFree = *static_cast<void**>(p);
        } else {
            p = s->pBump;
            s->pBump += size;
            Unpoison(p, size);
        }
        ++s->nUsed;
        m_nBytesInUse += size;
        return p;
    }

    void Free(void* p, size_t cls)
    {
        const size_t size = BlockSize(cls);
        Slab* s = SlabOf(p);
        std::lock_guard lock(m_mutex);
        // A block given back with another size than it was made with would corrupt the slab.
        if (s->nClass != cls || s->nUsed == 0) std::abort();
        *static_cast<void**>(p) = s->pFree;
        s->pFree = p;
        Poison(p, size);
        --s->nUsed;
        m_nBytesInUse -= size;
        SizeClass& c = m_classes[cls];
        if (s == c.pCurrent) return;
        if (s->nUsed == 0) {
            if (s->bListed) Unlink(c, s);
            Retire(s);
        } else if (!s->bListed) {
            Link(c, s);
        }
    }

    // The size class of a pooled block, or -1 when `p` does not lie in the pool.
    long ClassOfBlock(const void* p)
    {
        std::lock_guard lock(m_mutex);
        const auto a = reinterpret_cast<uintptr_t>(p);
        for (size_t i = 0; i < m_nRegions; ++i) {
            const auto r = reinterpret_cast<uintptr_t>(m_regions[i]);
            if (a >= r && a - r < kRegionSize) return static_cast<long>(SlabOf(p)->nClass);
        }
        return -1;
    }

    Stats GetStats()
    {
        std::lock_guard lock(m_mutex);
        return Stats{m_nBytesInUse, m_nSlabBytes, m_nSpare * kSlabSize, m_released.size()};
    }

private:
    static void Link(SizeClass& c, Slab* s)
    {
        s->pPrev = nullptr;
        s->pNext = c.pPartial;
        if (c.pPartial) c.pPartial->pPrev = s;
        c.pPartial = s;
        s->bListed = true;
    }

    static void Unlink(SizeClass& c, Slab* s)
    {
        if (s->pPrev)
            s->pPrev->pNext = s->pNext;
        else
            c.pPartial = s->pNext;
        if (s->pNext) s->pNext->pPrev = s->pPrev;
        s->pNext = s->pPrev = nullptr;
        s->bListed = false;
    }

    // The current slab is used up: continue in a slab with free blocks, or a fresh one. The
    // used-up slab joins the list again when one of its blocks is freed.
    Slab* NextSlab(SizeClass& c, size_t cls)
    {
        if (Slab* s = c.pPartial) {
            Unlink(c, s);
            c.pCurrent = s;
            return s;
        }
        char* mem = TakeSlabMemory();
        if (!mem) return nullptr;
        Unpoison(mem, kHeaderSize);
        auto* s = new (mem) Slab{};
        s->nClass = static_cast<uint16_t>(cls);
        s->pBump = mem + kHeaderSize;
        s->pEnd = s->pBump + (kSlabSize - kHeaderSize) / BlockSize(cls) * BlockSize(cls);
        Poison(s->pBump, kSlabSize - kHeaderSize);
        c.pCurrent = s;
        return s;
    }

    char* TakeSlabMemory()
    {
        if (m_nSpare > 0) {
            m_nSlabBytes += kSlabSize;
            return m_spare[--m_nSpare];
        }
        if (!m_released.empty()) {
            char* mem = m_released.back();
            m_released.pop_back();
            m_nSlabBytes += kSlabSize;
            return mem;
        }
        if (m_pRegionNext == m_pRegionEnd && !Reserve()) return nullptr;
        char* mem = m_pRegionNext;
        m_pRegionNext += kSlabSize;
        m_nSlabBytes += kSlabSize;
        return mem;
    }

    // An empty slab that is not the current one: kept for reuse while there are few such, its
    // memory given back to the system otherwise (the address space stays ours for later).
    void Retire(Slab* s)
    {
        char* mem = reinterpret_cast<char*>(s);
        Poison(mem, kSlabSize);
        m_nSlabBytes -= kSlabSize;
        if (m_nSpare < kMaxSpare) {
            m_spare[m_nSpare++] = mem;
            return;
        }
        madvise(mem, kSlabSize, MADV_DONTNEED);
        try {
            m_released.push_back(mem);
        } catch (const std::bad_alloc&) {
            // Forgotten: its memory is back with the system, only the address space is lost.
        }
    }

    bool Reserve()
    {
        if (m_nRegions == kMaxRegions) return false;
#ifdef KORVEL_POOL_ASAN
        // From the general heap, so the leak checker looks into pooled objects for the heap
        // blocks they point to.
        char* base = static_cast<char*>(std::aligned_alloc(kSlabSize, kRegionSize));
        if (!base) return false;
#else
        // Aligned to the slab size: one slab more than needed, the unaligned start left unused.
        void* raw = mmap(nullptr, kRegionSize + kSlabSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (raw == MAP_FAILED) return false;
        char* base = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(raw) + kSlabSize - 1) & ~(kSlabSize - 1));
#endif
        Poison(base, kRegionSize);
        m_regions[m_nRegions++] = base;
        m_pRegionNext = base;
        m_pRegionEnd = base + kRegionSize;
        return true;
    }

    std::mutex m_mutex;
    SizeClass m_classes[kClasses];
    char* m_pRegionNext = nullptr;
    char* m_pRegionEnd = nullptr;
    char* m_regions[kMaxRegions] = {};
    size_t m_nRegions = 0;
    char* m_spare[kMaxSpare] = {};
    size_t m_nSpare = 0;
    std::vector<char*> m_released;
    size_t m_nBytesInUse = 0;
    size_t m_nSlabBytes = 0;
};

Pool& ThePool()
{
    // Never destroyed: objects in static storage may be freed during exit.
    static Pool* pool = new Pool;
    return *pool;
}

std::atomic<bool (*)(size_t)> g_failureHook{nullptr};

}  // namespace

void* Allocate(size_t size) noexcept
{
    if (size > kMaxPooledSize) return ::operator new(size, std::nothrow);
    if (auto fail = g_failureHook.load(std::memory_order_relaxed); fail && fail(size)) return nullptr;
    return ThePool().Allocate(ClassOf(size));
}

void Free(void* p, size_t size) noexcept
{
    if (!p) return;
    if (size > kMaxPooledSize) {
        ::operator delete(p);
        return;
    }
    ThePool().Free(p, ClassOf(size));
}

void FreeUnsized(void* p) noexcept
{
    if (!p) return;
    const long cls = ThePool().ClassOfBlock(p);
    if (cls < 0) {
        ::operator delete(p);
        return;
    }
    ThePool().Free(p, static_cast<size_t>(cls));
}

Stats GetStats() { return ThePool().GetStats(); }

void SetFailureHook(bool (*fail)(size_t size)) { g_failureHook.store(fail, std::memory_order_relaxed); }

}  // namespace korvel::objpool
