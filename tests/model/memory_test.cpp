// The memory a document of measured points costs: object, list node, attribute table and value
// strings together must stay well under 400 bytes per point. KORVEL_MEMORY_POINTS sets the
// number of points (default 50,000; the figure in docs/performance.md uses 1,000,000).
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/objpool.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace korvel {
namespace {

size_t MallocInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

// The general heap plus the object pool's blocks in use (objects, attribute tables and list
// nodes live there). Counted by block, because slabs partly filled by earlier tests would make
// the new points look cheaper; a slab loses under 1% to its header and end.
size_t HeapInUse() { return MallocInUse() + objpool::GetStats().bytesInUse; }

TEST(MemoryTest, MeasuredPointsStayUnder400BytesEach)
{
    const char* env = std::getenv("KORVEL_MEMORY_POINTS");
    const int points = env ? std::max(1000, std::atoi(env)) : 50000;
    struct Row {
        const char* what;
        int32_t crs;
        double x0, y0;
    } rows[] = {
        {"Gauss-Krueger, 11-character values", 31467, 3512345.123, 5412345.125},
        {"UTM with zone prefix, 12-character eastings", 25832, 32512345.123, 5412345.125},
    };
    for (const Row& r : rows) {
        // Warm up what all points share (interned names, the first pool blocks).
        {
            GList warm;
            auto* p = new GPoint(WorldPoint{1, 1});
            p->SetInfo("PTNR", "1");
            p->UpdateInfo(r.crs);
            warm.AddTail(p);
        }
        if (MallocInUse() == 0) GTEST_SKIP() << "the allocator gives no statistics (sanitizer build)";
        const size_t before = HeapInUse();
        size_t perPoint = 0;
        {
            GList root;
            for (int i = 0; i < points; ++i) {
                // As point measurement makes them: the number first, then the document's
                // computed attributes.
                auto* p = new GPoint(WorldPoint{r.x0 + i, r.y0 + i});
                ASSERT_TRUE(p->SetInfo("PTNR", QString::number(100000 + i)));
                p->UpdateInfo(r.crs);
                ASSERT_TRUE(root.AddTail(p));
            }
            const GObj* last = GList::MemberAt(root.m_list.GetTailPosition());
            ASSERT_EQ(last->Infos().size(), 3u);
            EXPECT_EQ(last->FindInfo("RECHTS")->Value().size(), r.crs == 25832 ? 12 : 11);
            perPoint = (HeapInUse() - before) / size_t(points);
        }
        std::printf("%s: %zu bytes per point (%d points)\n", r.what, perPoint, points);
        EXPECT_LT(perPoint, 400u) << r.what;
    }
}

}  // namespace
}  // namespace korvel
