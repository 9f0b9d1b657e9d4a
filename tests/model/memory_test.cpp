// The memory a document of measured points costs: object, list node, attribute table and value
// strings together must stay well under 400 bytes per point.
#include "model/glist.h"
#include "model/gpoint.h"

#include <gtest/gtest.h>

#include <malloc.h>

namespace korvel {
namespace {

size_t HeapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

TEST(MemoryTest, MeasuredPointsStayUnder400BytesEach)
{
    constexpr int kPoints = 50000;
    // Warm up what is shared by all points (interned names, the first pool blocks).
    {
        GList warm;
        auto* p = new GPoint(WorldPoint{1, 1});
        p->SetInfo("PTNR", "1");
        p->UpdateInfo(31467);
        warm.AddTail(p);
    }
    const size_t before = HeapInUse();
    if (before == 0) GTEST_SKIP() << "the allocator gives no statistics (sanitizer build)";
    size_t perPoint = 0;
    {
        GList root;
        for (int i = 0; i < kPoints; ++i) {
            auto* p = new GPoint(WorldPoint{3512345.123 + i, 5412345.125 + i});
            ASSERT_TRUE(p->SetInfo("PTNR", QString::number(1000 + i)));
            p->UpdateInfo(31467);  // RECHTS and HOCH with three decimals
            ASSERT_TRUE(root.AddTail(p));
        }
        ASSERT_EQ(root.GetCount(), size_t(kPoints));
        ASSERT_EQ(root.m_list.GetTailPosition() ? GList::MemberAt(root.m_list.GetTailPosition())->Infos().size() : 0,
                  3u);
        perPoint = (HeapInUse() - before) / kPoints;
    }
    RecordProperty("bytes_per_point", int(perPoint));
    std::printf("measured: %zu bytes per point\n", perPoint);
    EXPECT_LT(perPoint, 400u);
}

}  // namespace
}  // namespace korvel
