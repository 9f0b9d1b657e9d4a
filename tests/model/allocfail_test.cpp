// Memory exhaustion inside the object model: every nothrow allocation is made to fail in turn,
// and each operation must then answer false or null and leave its object as it was (the
// sanitizer build also proves that nothing leaks on those paths).
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gtext.h"
#include "model/objpool.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

namespace {
thread_local int t_failAfter = -1;  // allocations to let through before failing; -1 = never
thread_local int t_failures = 0;

bool FailNow()
{
    if (t_failAfter == 0) {
        ++t_failures;
        return true;
    }
    if (t_failAfter > 0) --t_failAfter;
    return false;
}

// Map objects and attribute tables come from the object pool, which asks the same counter.
const bool g_poolHookInstalled = (korvel::objpool::SetFailureHook([](std::size_t) { return FailNow(); }), true);
}  // namespace

// Everything else in the model allocates through the nothrow form; Qt and the test framework
// use the throwing form and are not affected.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    if (FailNow()) return nullptr;
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}

namespace korvel {
namespace {

// Runs `op` with the k-th allocation failing, for k = 0, 1, ... until a run needs no failure.
// `check(failed)` inspects the outcome of each run.
// With `balanced`, each run must also give back every pooled block it took: pooled objects
// are out of the leak checker's sight.
template <class Op>
int SweepFailures(Op op, bool balanced = false)
{
    for (int k = 0; k < 100; ++k) {
        t_failures = 0;
        t_failAfter = k;
        const size_t pooledBefore = objpool::GetStats().bytesInUse;
        const bool ok = op();
        t_failAfter = -1;
        if (balanced) {
            EXPECT_EQ(objpool::GetStats().bytesInUse, pooledBefore) << "run " << k << " leaked";
        }
        if (t_failures == 0) {
            EXPECT_TRUE(ok) << "run " << k << " had no failure but did not succeed";
            return k;
        }
        EXPECT_FALSE(ok) << "run " << k << " hid a failed allocation";
    }
    ADD_FAILURE() << "never finished";
    return -1;
}

std::unique_ptr<GPolygon> Square()
{
    auto poly = std::make_unique<GPolygon>();
    for (int r = 0; r < 2; ++r) {
        auto* ring = new GRing;
        ring->Add({0, 0});
        ring->Add({0, 10});
        ring->Add({10, 10});
        poly->AddRing(ring);
    }
    poly->SetInfo("NAME", "Wiese");
    return poly;
}

TEST(AllocFailTest, SetInfoLeavesTheObjectUnchanged)
{
    GPoint p;
    p.SetInfo("PTNR", "12");
    p.SetInfo("RECHTS", "1.0");
    const int runs = SweepFailures([&] {
        const bool ok = p.SetInfo("HOCH", "5412345.125", 0x0310) && p.SetInfo("PTNR", "A longer number");
        if (!ok) {
            // Whatever failed, what was there before is intact.
            EXPECT_EQ(p.FindInfo("RECHTS")->Value(), "1.0");
            EXPECT_TRUE(p.FindInfo("PTNR")->Value() == "12" || p.FindInfo("PTNR")->Value() == "A longer number");
        }
        return ok;
    });
    EXPECT_GE(runs, 2);
    EXPECT_EQ(p.Infos().size(), 3u);
    EXPECT_EQ(p.FindInfo("PTNR")->Value(), "A longer number");

    GPoint fresh;
    SweepFailures([&] {
        const bool ok = fresh.SetInfo("X", "1");
        if (!ok) {
            EXPECT_FALSE(fresh.HasInfoTable());
        }
        return ok;
    });
}

TEST(AllocFailTest, ClonesFailWhole)
{
    auto poly = Square();
    EXPECT_GE(SweepFailures([&] {
        std::unique_ptr<GClone> c(poly->Clone());
        return c != nullptr && static_cast<GPolygon*>(c.get())->RingCount() == 2;
    }, true), 5);  // object, attributes, ring list, two rings

    GText text("abc");
    text.SetInfo("PTNR", "1");
    EXPECT_GE(SweepFailures([&] {
        std::unique_ptr<GClone> c(text.Clone());
        return c != nullptr;
    }, true), 2);

    GList list;
    list.AddTail(Square().release());
    auto* nested = new GList;
    nested->AddTail(new GPoint(WorldPoint{1, 1}));
    list.AddTail(nested);
    EXPECT_GE(SweepFailures([&] {
        std::unique_ptr<GClone> c(list.Clone());
        return c != nullptr && static_cast<GList*>(c.get())->GetCount() == 2;
    }, true), 8);  // list, polygon (5), nested list, point

    EXPECT_GE(SweepFailures([&] {
        std::unique_ptr<GObList> c(poly->m_pRings->CloneList());
        return c != nullptr && c->GetCount() == 2;
    }), 3);
}

TEST(AllocFailTest, AreaAttributesFallBackToTheUnconvertedPolygon)
{
    auto poly = Square();
    // Long placeholders, so the new values are written in place without allocating.
    poly->SetInfo("UMFANG", "..........");
    poly->SetInfo("FLAECHE", "..........");
    t_failAfter = 0;  // the UTM copy cannot be made
    poly->UpdateInfo(900913);
    t_failAfter = -1;
    // Measured in web-mercator units: each ring is 10 + 10 + 14.142 long and 50 units large.
    EXPECT_EQ(poly->FindInfo("UMFANG")->Value(), "68.284");
    EXPECT_EQ(poly->FindInfo("FLAECHE")->Value(), "0.0100");
}

}  // namespace
}  // namespace korvel
