// The object pool behind map objects and attribute tables: blocks fit and do not overlap,
// freed blocks are reused before new slabs are taken, empty slabs go back to the system, and
// objects made and deleted through GObj's operators land in the pool and leave it again.
#include "model/gpoint.h"
#include "model/objpool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace korvel {
namespace {

size_t InUse() { return objpool::GetStats().bytesInUse; }

TEST(ObjPoolTest, BlocksAreAlignedAndDoNotOverlap)
{
    const size_t before = InUse();
    struct Block {
        unsigned char* p;
        size_t size;
    };
    std::vector<Block> blocks;
    // Every size class, a few sizes around the pooled limit, several blocks each.
    for (size_t size = 1; size <= objpool::kMaxPooledSize + 40; ++size) {
        for (int k = 0; k < 3; ++k) {
            auto* p = static_cast<unsigned char*>(objpool::Allocate(size));
            ASSERT_NE(p, nullptr) << size;
            const uintptr_t align = size % 16 == 0 ? 16 : 8;
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % align, 0u) << size;
            std::memset(p, int(blocks.size() & 0xFF), size);
            blocks.push_back({p, size});
        }
    }
    // Each block still holds its own pattern: no two overlap.
    for (size_t i = 0; i < blocks.size(); ++i) {
        const auto expected = static_cast<unsigned char>(i & 0xFF);
        EXPECT_TRUE(std::all_of(blocks[i].p, blocks[i].p + blocks[i].size, [&](unsigned char c) { return c == expected; }))
            << "block " << i << " of size " << blocks[i].size;
    }
    for (const Block& b : blocks) objpool::Free(b.p, b.size);
    EXPECT_EQ(InUse(), before);
}

TEST(ObjPoolTest, FreedBlocksAreReusedAndEmptySlabsGoBack)
{
    constexpr size_t kSize = 88;
    constexpr int kCount = 200000;  // some 270 slabs
    const objpool::Stats start = objpool::GetStats();
    std::vector<void*> blocks(kCount);
    for (void*& p : blocks) {
        p = objpool::Allocate(kSize);
        ASSERT_NE(p, nullptr);
    }
    const objpool::Stats full = objpool::GetStats();
    EXPECT_EQ(full.bytesInUse - start.bytesInUse, kCount * kSize);
    // Little room lost: slab headers and the slack at each slab's end.
    EXPECT_LT(full.slabBytes - start.slabBytes, kCount * kSize + kCount * kSize / 50);

    // Every other block freed and as many made again: they fill the gaps, no new slab.
    for (int i = 0; i < kCount; i += 2) objpool::Free(blocks[i], kSize);
    for (int i = 0; i < kCount; i += 2) {
        blocks[i] = objpool::Allocate(kSize);
        ASSERT_NE(blocks[i], nullptr);
    }
    EXPECT_EQ(objpool::GetStats().slabBytes, full.slabBytes);

    // All freed in an order unlike the allocation: the slabs empty and their memory goes back.
    std::reverse(blocks.begin() + kCount / 2, blocks.end());
    for (void* p : blocks) objpool::Free(p, kSize);
    const objpool::Stats end = objpool::GetStats();
    EXPECT_EQ(end.bytesInUse, start.bytesInUse);
    // Of some 270 slabs at most three stay: the size's current slab and the slabs holding the
    // blocks this thread keeps for its next objects (up to two batches, which may straddle a
    // slab boundary).
    EXPECT_LE(end.slabBytes, start.slabBytes + 3 * 64 * 1024);
    EXPECT_GT(end.slabsReleased, start.slabsReleased);

    // Released slabs serve the next objects before new address space is taken.
    std::vector<void*> again(kCount / 2);
    for (void*& p : again) p = objpool::Allocate(kSize);
    EXPECT_LT(objpool::GetStats().slabsReleased, end.slabsReleased);
    for (void* p : again) objpool::Free(p, kSize);
    EXPECT_EQ(InUse(), start.bytesInUse);
}

TEST(ObjPoolTest, ThreadsShareThePool)
{
    const size_t before = InUse();
    // Each thread frees half of its blocks and hands the other half to the next thread, so
    // blocks are freed on other threads than the one that made them.
    constexpr int kThreads = 4;
    constexpr int kBlocks = 20000;
    std::vector<std::vector<void*>> handed(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &handed] {
            const size_t size = 24 + 8 * size_t(t % 2);
            std::vector<void*> mine;
            for (int i = 0; i < kBlocks; ++i) {
                void* p = objpool::Allocate(size);
                if (!p) std::abort();
                std::memset(p, t, size);
                mine.push_back(p);
                if (i % 3 == 2) {
                    objpool::Free(mine.back(), size);
                    mine.pop_back();
                }
            }
            handed[t] = std::move(mine);
        });
    }
    for (std::thread& th : threads) th.join();
    threads.clear();
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &handed] {
            const int from = (t + 1) % kThreads;
            const size_t size = 24 + 8 * size_t(from % 2);
            for (void* p : handed[from]) {
                if (*static_cast<unsigned char*>(p) != from) std::abort();  // not overwritten
                objpool::Free(p, size);
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(InUse(), before);
}

TEST(ObjPoolTest, UnsizedFreeFindsTheBlocksOrigin)
{
    const size_t before = InUse();
    void* pooled = objpool::Allocate(40);
    void* large = objpool::Allocate(objpool::kMaxPooledSize + 1);
    ASSERT_NE(pooled, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(InUse(), before + 40);  // the large block lives on the general heap
    objpool::FreeUnsized(pooled);
    objpool::FreeUnsized(large);
    objpool::FreeUnsized(nullptr);
    EXPECT_EQ(InUse(), before);
}

// A map object too large for the pool, and one whose constructor throws.
class GWide : public GObj {
public:
    char payload[objpool::kMaxPooledSize] = {};
};

class GThrowing : public GObj {
public:
    GThrowing() { throw std::runtime_error("refused"); }
};

TEST(ObjPoolTest, MapObjectsLiveInThePool)
{
    const size_t before = InUse();
    {
        auto* p = new GPoint(WorldPoint{1, 2});
        ASSERT_TRUE(p->SetInfo("PTNR", "17"));
        // The object and its attribute table.
        EXPECT_GE(InUse(), before + sizeof(GPoint) + 16);
        delete p;  // through the virtual destructor: the size of the most derived class
        EXPECT_EQ(InUse(), before);
    }
    {
        auto* nothrow = new (std::nothrow) GPoint;
        ASSERT_NE(nothrow, nullptr);
        GObj* base = nothrow;
        delete base;
        EXPECT_EQ(InUse(), before);
    }
    {
        auto* wide = new GWide;
        EXPECT_EQ(InUse(), before);  // from the general heap
        delete wide;
    }
    EXPECT_THROW(delete new GThrowing, std::runtime_error);
    EXPECT_THROW(delete new (std::nothrow) GThrowing, std::runtime_error);
    EXPECT_EQ(InUse(), before);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(ObjPoolTest, FreedBlocksArePoisoned)
{
    auto* p = static_cast<char*>(objpool::Allocate(64));
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(__asan_region_is_poisoned(p, 64));
    objpool::Free(p, 64);
    EXPECT_TRUE(__asan_address_is_poisoned(p));
    EXPECT_TRUE(__asan_address_is_poisoned(p + 63));
}

TEST(ObjPoolDeathTest, ReadingADeletedObjectIsReported)
{
    EXPECT_DEATH(
        {
            auto* point = new GPoint(WorldPoint{1, 2});
            delete point;
            std::printf("%u\n", static_cast<unsigned>(static_cast<volatile COLORREF&>(point->m_crColor)));
        },
        "use-after-poison");
}
#endif

}  // namespace
}  // namespace korvel
