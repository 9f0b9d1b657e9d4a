#pragma once
// The object pool: small blocks for map objects, their attribute tables and list nodes, carved
// from 64 KB slabs that each serve one block size. A document holds millions of these blocks;
// the pool spares each one the general heap's header and search, keeps the objects of a
// document close together, and gives a slab's memory back to the system as soon as its last
// block is freed. Safe to use from any thread: each thread keeps a few free blocks of each size
// for itself; the slabs behind them are shared under one lock.

#include <cstddef>
#include <cstdint>

namespace korvel::objpool {

// Requests up to this many bytes are pooled, in size steps of 8 bytes; larger ones go to the
// general heap through the same functions.
inline constexpr size_t kMaxPooledSize = 256;

// A block of `size` bytes, aligned to 16 bytes when `size` is a multiple of 16 and to 8 bytes
// otherwise (enough for any type of that size); null when memory runs out.
void* Allocate(size_t size) noexcept;
// Gives back a block from Allocate; `size` must be the size it was allocated with. Null is
// ignored.
void Free(void* p, size_t size) noexcept;
// The same where the size is not known (a constructor that threw after a nothrow new): the
// pool finds it from the block's slab.
void FreeUnsized(void* p) noexcept;

struct Stats {
    size_t bytesInUse;     // of the pooled blocks handed out and not yet freed
    size_t slabBytes;      // of the slabs holding them (and each size's current slab)
    size_t spareBytes;     // of the few empty slabs kept for reuse
    size_t slabsReleased;  // empty slabs whose memory went back to the system
};
Stats GetStats();

// For tests of memory exhaustion: when set, `fail(size)` is asked before every pooled
// allocation, and the allocation fails when it answers true. Null turns the check off.
void SetFailureHook(bool (*fail)(size_t size));

}  // namespace korvel::objpool
