#include "model/objpool.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
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

// Each thread keeps a few free blocks of every size it uses, so making and freeing an object
// takes neither a lock nor an atomic instruction. Blocks move between a cache and the pool in
// batches of about 4 KB; a block freed on another thread than the one that made it simply joins
// that thread's cache. A cache holds at most two batches per size.
struct ThreadCache {
    void* heads[kClasses] = {};
    uint32_t counts[kClasses] = {};
    std::atomic<size_t> nBytes{0};       // held in the cache; written by its thread only
    ThreadCache* pNextCache = nullptr;   // among the registered caches (guarded by the pool)
    bool bRegistered = false;
    bool bDead = false;                  // the thread is ending: go to the pool directly
};

size_t BlockSize(size_t cls) { return (cls + 1) * kStep; }
size_t ClassOf(size_t size) { return size == 0 ? 0 : (size - 1) >> 3; }
static_assert(kStep == 8);
Slab* SlabOf(const void* p) { return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(p) & ~(kSlabSize - 1)); }

class Pool {
public:
    // Up to `n` blocks of class `cls` linked through their first words (poisoned under the
    // sanitizer, like all free blocks); answers how many. For a thread's cache.
    size_t Take(size_t cls, size_t n, void** head)
    {
        const size_t size = BlockSize(cls);
        std::lock_guard lock(m_mutex);
        size_t got = 0;
        void* list = nullptr;
        while (got < n) {
            void* p = TakeLocked(cls, size);
            if (!p) break;
            Unpoison(p, sizeof(void*));
            *static_cast<void**>(p) = list;
            Poison(p, size);
            list = p;
            ++got;
        }
        *head = list;
        return got;
    }

    // Gives back `n` blocks of class `cls` linked as Take links them.
    void Give(size_t cls, void* head, size_t n)
    {
        const size_t size = BlockSize(cls);
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < n && head; ++i) {
            void* p = head;
            Unpoison(p, sizeof(void*));
            head = *static_cast<void**>(p);
            GiveLocked(p, cls, size);
        }
    }

    void* Allocate(size_t cls)
    {
        std::lock_guard lock(m_mutex);
        void* p = TakeLocked(cls, BlockSize(cls));
        if (p) Unpoison(p, BlockSize(cls));
        return p;
    }

    void Free(void* p, size_t cls)
    {
        std::lock_guard lock(m_mutex);
        GiveLocked(p, cls, BlockSize(cls));
    }

    // Thread caches make themselves known, so the statistics can leave out what they hold.
    void Register(ThreadCache* c)
    {
        std::lock_guard lock(m_mutex);
        c->pNextCache = m_pCaches;
        m_pCaches = c;
    }

    void Unregister(ThreadCache* c)
    {
        std::lock_guard lock(m_mutex);
        for (ThreadCache** pp = &m_pCaches; *pp; pp = &(*pp)->pNextCache) {
            if (*pp == c) {
                *pp = c->pNextCache;
                break;
            }
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
        size_t cached = 0;
        for (const ThreadCache* c = m_pCaches; c; c = c->pNextCache) cached += c->nBytes.load(std::memory_order_relaxed);
        return Stats{m_nBytesInUse - cached, m_nSlabBytes, m_nSpare * kSlabSize, m_released.size()};
    }

private:
    void* TakeLocked(size_t cls, size_t size)
    {
        SizeClass& c = m_classes[cls];
        Slab* s = c.pCurrent;
        if (!s || (!s->pFree && s->pBump == s->pEnd)) {
            s = NextSlab(c, cls);
            if (!s) return nullptr;
        }
        void* p;
        if (s->pFree) {
            p = s->pFree;
            Unpoison(p, sizeof(void*));
            s->pFree = *static_cast<void**>(p);
        } else {
            p = s->pBump;
            s->pBump += size;
        }
        ++s->nUsed;
        m_nBytesInUse += size;
        return p;
    }

    void GiveLocked(void* p, size_t cls, size_t size)
    {
        Slab* s = SlabOf(p);
        // A block given back with another size than it was made with would corrupt the slab.
        if (s->nClass != cls || s->nUsed == 0) std::abort();
        Unpoison(p, sizeof(void*));
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
        bool fresh = false;
        char* mem = TakeSlabMemory(&fresh);
        if (!mem) return nullptr;
#ifdef MADV_POPULATE_WRITE
        // A slab is mostly filled soon after it is taken (documents are read and built in long
        // runs), so its pages are made present in one step rather than by sixteen page faults.
        // Kernels without the call just fault them in as they are used.
        if (fresh) madvise(mem, kSlabSize, MADV_POPULATE_WRITE);
#endif
        Unpoison(mem, kHeaderSize);
        auto* s = new (mem) Slab{};
        s->nClass = static_cast<uint16_t>(cls);
        s->pBump = mem + kHeaderSize;
        s->pEnd = s->pBump + (kSlabSize - kHeaderSize) / BlockSize(cls) * BlockSize(cls);
        Poison(s->pBump, kSlabSize - kHeaderSize);
        c.pCurrent = s;
        return s;
    }

    // Memory for a slab: a spare one, one given back to the system before, or new. `fresh`
    // tells whether its pages still have to be faulted in.
    char* TakeSlabMemory(bool* fresh)
    {
        if (m_nSpare > 0) {
            m_nSlabBytes += kSlabSize;
            return m_spare[--m_nSpare];
        }
        *fresh = true;
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
    ThreadCache* m_pCaches = nullptr;
    size_t m_nBytesInUse = 0;  // handed out, to callers or to thread caches
    size_t m_nSlabBytes = 0;
};

Pool& ThePool()
{
    // Never destroyed: objects in static storage may be freed during exit.
    static Pool* pool = new Pool;
    return *pool;
}

std::atomic<bool (*)(size_t)> g_failureHook{nullptr};

// Constant-initialised and trivially destructible, so reaching it costs no guard; the flusher
// below hands its blocks back when the thread ends.
constinit thread_local ThreadCache t_cache;

// Blocks a cache fetches at once: about 4 KB, at least 8.
constexpr auto kBatch = [] {
    std::array<uint32_t, kClasses> b{};
    for (size_t cls = 0; cls < kClasses; ++cls) b[cls] = static_cast<uint32_t>(std::max<size_t>(8, 4096 / ((cls + 1) * kStep)));
    return b;
}();
uint32_t BatchOf(size_t cls) { return kBatch[cls]; }

void AddCached(ThreadCache& c, ptrdiff_t bytes)
{
    c.nBytes.store(c.nBytes.load(std::memory_order_relaxed) + static_cast<size_t>(bytes), std::memory_order_relaxed);
}

struct CacheFlusher {
    ~CacheFlusher()
    {
        ThreadCache& c = t_cache;
        c.bDead = true;
        for (size_t cls = 0; cls < kClasses; ++cls) {
            if (c.counts[cls] > 0) ThePool().Give(cls, c.heads[cls], c.counts[cls]);
            c.heads[cls] = nullptr;
            c.counts[cls] = 0;
        }
        c.nBytes.store(0, std::memory_order_relaxed);
        if (c.bRegistered) ThePool().Unregister(&c);
        c.bRegistered = false;
    }
};

// The thread's cache is empty for `cls`: fetch a batch. False when the pool is out of memory.
bool Refill(ThreadCache& c, size_t cls)
{
    if (!c.bRegistered) {
        thread_local CacheFlusher flusher;  // constructed once per thread, here
        (void)flusher;
        ThePool().Register(&c);
        c.bRegistered = true;
    }
    void* head = nullptr;
    const size_t got = ThePool().Take(cls, BatchOf(cls), &head);
    if (got == 0) return false;
    c.heads[cls] = head;
    c.counts[cls] = static_cast<uint32_t>(got);
    AddCached(c, static_cast<ptrdiff_t>(got * BlockSize(cls)));
    return true;
}

// The cache holds two batches of `cls`: the older half goes back to the pool.
void Drain(ThreadCache& c, size_t cls)
{
    const uint32_t keep = BatchOf(cls);
    // The first `keep` blocks stay; the rest follow the last of them.
    void* last = c.heads[cls];
    for (uint32_t i = 1; i < keep; ++i) {
        Unpoison(last, sizeof(void*));
        void* next = *static_cast<void**>(last);
        Poison(last, sizeof(void*));
        last = next;
    }
    Unpoison(last, sizeof(void*));
    void* rest = *static_cast<void**>(last);
    *static_cast<void**>(last) = nullptr;
    Poison(last, sizeof(void*));
    const uint32_t n = c.counts[cls] - keep;
    c.counts[cls] = keep;
    AddCached(c, -static_cast<ptrdiff_t>(n * BlockSize(cls)));
    ThePool().Give(cls, rest, n);
}

}  // namespace

void* Allocate(size_t size) noexcept
{
    if (size > kMaxPooledSize) return ::operator new(size, std::nothrow);
    if (auto fail = g_failureHook.load(std::memory_order_relaxed); fail && fail(size)) return nullptr;
    const size_t cls = ClassOf(size);
    ThreadCache& c = t_cache;
    if (c.bDead) return ThePool().Allocate(cls);
    if (c.counts[cls] == 0 && !Refill(c, cls)) return nullptr;
    void* p = c.heads[cls];
    Unpoison(p, BlockSize(cls));
    c.heads[cls] = *static_cast<void**>(p);
    --c.counts[cls];
    AddCached(c, -static_cast<ptrdiff_t>(BlockSize(cls)));
    return p;
}

void Free(void* p, size_t size) noexcept
{
    if (!p) return;
    if (size > kMaxPooledSize) {
        ::operator delete(p);
        return;
    }
    const size_t cls = ClassOf(size);
    ThreadCache& c = t_cache;
    if (c.bDead || !c.bRegistered) {
        ThePool().Free(p, cls);
        return;
    }
    *static_cast<void**>(p) = c.heads[cls];
    Poison(p, BlockSize(cls));
    c.heads[cls] = p;
    ++c.counts[cls];
    AddCached(c, static_cast<ptrdiff_t>(BlockSize(cls)));
    if (c.counts[cls] >= 2 * BatchOf(cls)) Drain(c, cls);
}

void FreeUnsized(void* p) noexcept
{
    if (!p) return;
    const long cls = ThePool().ClassOfBlock(p);
    if (cls < 0) {
        ::operator delete(p);
        return;
    }
    Free(p, BlockSize(static_cast<size_t>(cls)));
}

Stats GetStats() { return ThePool().GetStats(); }

void SetFailureHook(bool (*fail)(size_t size)) { g_failureHook.store(fail, std::memory_order_relaxed); }

}  // namespace korvel::objpool
