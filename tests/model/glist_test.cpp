// Object lists, containers and the deep walk.
#include "model/cobjenum.h"
#include "model/gfindpt.h"
#include "model/glist.h"
#include "model/goblist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gtext.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvel {
namespace {

// Counts destructions so ownership can be checked.
class Probe : public GClone {
public:
    explicit Probe(int* deaths) : m_pDeaths(deaths) {}
    ~Probe() override { ++*m_pDeaths; }
    GClone* Clone(GClone* target) const override
    {
        if (m_bFailClone) {
            delete target;
            return nullptr;
        }
        return target ? target : new Probe(m_pDeaths);
    }
    int* m_pDeaths;
    bool m_bFailClone = false;
};

GPoint* Pt(double x, double y, const char* name = nullptr)
{
    auto* p = new GPoint(WorldPoint{x, y});
    if (name) p->SetInfo("PTNR", name);
    return p;
}

std::string Names(GList& list)
{
    std::string s;
    CObjEnum e(&list);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        const GInfoItem* n = o->FindInfo("PTNR");
        s += n ? n->Value().toStdString() : (o->GetType() == GT_LIST ? "L" : "?");
        s += ' ';
    }
    return s;
}

TEST(GObListTest, PositionsStayValidAndOwnershipFollowsTheFlag)
{
    int deaths = 0;
    {
        GObList list;
        EXPECT_EQ(list.m_bOwns, 1);
        auto* a = new Probe(&deaths);
        auto* b = new Probe(&deaths);
        auto* c = new Probe(&deaths);
        GObList::Position pb = list.AddTail(b);
        GObList::Position pa = list.InsertBefore(pb, a);
        GObList::Position pc = list.InsertAfter(pb, c);
        ASSERT_TRUE(pa && pb && pc);
        EXPECT_EQ(list.GetCount(), 3u);
        EXPECT_EQ(list.GetHead(), a);
        EXPECT_EQ(list.GetTail(), c);
        EXPECT_EQ(list.Find(b), pb);
        EXPECT_EQ(list.Find(b, pb), nullptr);
        // Removing one element leaves the other positions intact.
        EXPECT_EQ(list.RemoveAt(pb), b);
        delete b;
        EXPECT_EQ(GObList::GetAt(pa), a);
        EXPECT_EQ(pa->pNext, pc);
        EXPECT_EQ(pc->pPrev, pa);
        GObList::Position p = list.GetTailPosition();
        EXPECT_EQ(GObList::GetPrev(p), c);
        EXPECT_EQ(GObList::GetPrev(p), a);
        EXPECT_EQ(p, nullptr);
        // InsertBefore(null) puts the element at the head, InsertAfter(null) at the tail.
        auto* h = new Probe(&deaths);
        auto* t = new Probe(&deaths);
        list.InsertBefore(nullptr, h);
        list.InsertAfter(nullptr, t);
        EXPECT_EQ(list.GetHead(), h);
        EXPECT_EQ(list.GetTail(), t);
    }
    EXPECT_EQ(deaths, 5);

    deaths = 0;
    auto* x = new Probe(&deaths);
    {
        GObList loose(false);
        loose.AddTail(x);
    }
    EXPECT_EQ(deaths, 0);
    delete x;
}

TEST(GObListTest, CloneListCopiesInOrderOrLeavesNothingBehind)
{
    int deaths = 0;
    GObList src;
    src.AddTail(new GInfo("A", "1"));
    src.AddTail(nullptr);
    src.AddTail(new GInfo("B", "2"));
    std::unique_ptr<GObList> copy(src.CloneList());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetCount(), 3u);
    GObList::Position p = copy->GetHeadPosition();
    EXPECT_EQ(static_cast<GInfo*>(GObList::GetNext(p))->m_strName, "A");
    EXPECT_EQ(GObList::GetNext(p), nullptr);
    EXPECT_EQ(static_cast<GInfo*>(GObList::GetNext(p))->m_strValue, "2");

    GObList failing;
    failing.AddTail(new Probe(&deaths));
    auto* bad = new Probe(&deaths);
    bad->m_bFailClone = true;
    failing.AddTail(bad);
    EXPECT_EQ(failing.CloneList(), nullptr);
    EXPECT_EQ(deaths, 1);  // the one copy made was deleted with its list

    GObList nested;
    nested.AddTail(new GObList);  // not copyable
    EXPECT_EQ(nested.CloneList(), nullptr);
}

TEST(GObListTest, TakeAllFromMovesWithoutCopying)
{
    GObList a;
    GObList b(false);
    auto* x = new GInfo("x", "");
    auto* y = new GInfo("y", "");
    a.AddTail(x);
    GObList::Position py = b.AddTail(y);
    a.TakeAllFrom(b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(a.GetCount(), 2u);
    EXPECT_EQ(a.GetTailPosition(), py);
    EXPECT_EQ(a.GetTail(), y);
}

TEST(GListTest, AddingUnitesBoundsAndSetsTheParent)
{
    GList list;
    EXPECT_FALSE(list.AddTail(nullptr));
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_TRUE(list.m_rcBounds.IsEmpty());

    GPoint* a = Pt(10, 20, "a");
    ASSERT_TRUE(list.AddTail(a));
    EXPECT_EQ(list.m_rcBounds, (WorldRect{10, 20, 10, 20}));
    EXPECT_EQ(a->m_pParent, &list);
    GPoint* b = Pt(-5, 40, "b");
    ASSERT_TRUE(list.AddHead(b));
    GPoint* c = Pt(0, 0, "c");  // (0,0) is the empty rectangle: it adds nothing to the bounds
    ASSERT_TRUE(list.InsertBefore(list.PositionOf(a), c));
    EXPECT_EQ(list.m_rcBounds, (WorldRect{-5, 20, 10, 40}));
    EXPECT_EQ(Names(list), "b c a ");
    GPoint* d = Pt(1, 1, "d");
    ASSERT_TRUE(list.InsertBefore(nullptr, d));  // null position: at the head
    EXPECT_EQ(Names(list), "d b c a ");
    GPoint* e = Pt(1, 1, "e");
    GList::Position pe = list.InsertMemberBefore(nullptr, e);  // null position: at the tail
    ASSERT_NE(pe, nullptr);
    EXPECT_EQ(list.PositionOf(e), pe);
    EXPECT_EQ(Names(list), "d b c a e ");

    // Remove hands the object back without touching the bounds.
    EXPECT_EQ(list.Remove(b), b);
    EXPECT_EQ(list.PositionOf(b), nullptr);
    EXPECT_EQ(list.m_rcBounds, (WorldRect{-5, 1, 10, 40}));
    EXPECT_EQ(list.Remove(b), nullptr);
    EXPECT_EQ(Names(list), "d c a e ");
    ASSERT_TRUE(list.AddTail(b));  // and it can be added again
    EXPECT_EQ(list.PositionOf(b), list.m_list.GetTailPosition());
}

TEST(GListTest, RemoveOnlyFindsDirectMembers)
{
    GList root;
    auto* nested = new GList;
    GPoint* inner = Pt(1, 1, "i");
    nested->AddTail(inner);
    root.AddTail(nested);
    EXPECT_EQ(root.Remove(inner), nullptr);
    EXPECT_EQ(root.PositionOf(inner), nullptr);
    EXPECT_EQ(nested->Remove(inner), inner);
    delete inner;
}

TEST(GListTest, CalcBoundsTransformAndClone)
{
    GList root;
    EXPECT_TRUE(root.AddTail(new GList));
    root.CalcBounds();
    EXPECT_TRUE(root.m_rcBounds.IsEmpty());

    auto ring = std::make_unique<GRing>();
    ring->Add({1, 0});
    ring->Add({4, 4});
    auto* line = new GPolyline(std::move(ring));
    root.AddTail(line);
    root.AddTail(Pt(-2, 7, "p"));
    root.m_ptPos = WorldPoint{100, 100};
    root.CalcBounds();
    EXPECT_EQ(root.m_rcBounds, (WorldRect{-2, 0, 4, 7}));
    EXPECT_EQ(root.m_ptPos, (WorldPoint{100, 100}));  // not derived from the members

    // Transform converts every member and refreshes its attributes for the target system.
    CoordTransform ct{1, 0, 31467};
    auto doubled = [](WorldPoint* p, CoordTransform*) {
        p->x *= 2;
        p->y *= 2;
        return true;
    };
    ASSERT_TRUE(root.Transform(doubled, &ct));
    EXPECT_EQ(root.m_ptPos, (WorldPoint{200, 200}));
    EXPECT_EQ(line->FindInfo("LAENGE")->Value(), "10.000");
    GObj* p = GList::MemberAt(root.m_list.GetTailPosition());
    EXPECT_EQ(p->FindInfo("RECHTS")->Value(), "-4.000");
    auto failing = [](WorldPoint*, CoordTransform*) { return false; };
    EXPECT_FALSE(root.Transform(failing, &ct));

    std::unique_ptr<GClone> c(root.Clone());
    auto* copy = dynamic_cast<GList*>(c.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetCount(), 3u);
    EXPECT_EQ(copy->m_rcBounds, root.m_rcBounds);
    for (GList::Position q = copy->m_list.GetHeadPosition(); q;) {
        GObj* m = GList::NextMember(q);
        EXPECT_EQ(m->m_pParent, copy);
        EXPECT_EQ(copy->PositionOf(m), m->ListNode());
    }
    EXPECT_EQ(GList::MemberAt(copy->m_list.GetTailPosition())->FindInfo("PTNR")->Value(), "p");
}

TEST(GListTest, AdoptMembersChecksEveryElement)
{
    GList list;
    GObList loaded(false);
    loaded.AddTail(Pt(1, 1, "x"));
    loaded.AddTail(new GInfo("not", "an object"));
    EXPECT_FALSE(list.AdoptMembers(loaded));
    EXPECT_EQ(list.GetCount(), 0u);
    delete loaded.RemoveTail();
    loaded.AddTail(Pt(2, 2, "y"));
    list.m_rcBounds = WorldRect{1, 1, 2, 2};
    ASSERT_TRUE(list.AdoptMembers(loaded));
    EXPECT_TRUE(loaded.IsEmpty());
    EXPECT_EQ(Names(list), "x y ");
    for (GList::Position q = list.m_list.GetHeadPosition(); q;) {
        GObj* m = GList::NextMember(q);
        EXPECT_EQ(m->m_pParent, &list);
        EXPECT_EQ(list.Remove(m), m);
        delete m;
    }
}

TEST(GListTest, DrawPaintsOnlyMembersMeetingTheClip)
{
    ViewTransform vt;
    vt.y0 = 100;
    test::RecordingView view(vt);
    GList list;
    list.AddTail(Pt(10, 90));   // pixels 5..15
    list.AddTail(Pt(200, 90));  // far right
    list.Draw(view, nullptr, PixelRect{0, 0, 50, 50});
    EXPECT_EQ(view.m_canvas.CallsStartingWith("Ellipse").join(";").toStdString(), "Ellipse 6 6 14 14");
    view.m_canvas.Clear();
    list.Draw(view, nullptr, PixelRect{15, 0, 50, 50});  // touches only the right edge: outside
    EXPECT_TRUE(view.m_canvas.Calls().isEmpty());
}

// The walk enters a list only where it leads its parent.
TEST(CObjEnumTest, DeepWalkCases)
{
    struct Row {
        const char* what;
        std::function<void(GList&)> build;
        const char* walk;
    };
    const std::vector<Row> rows = {
        {"empty", [](GList&) {}, ""},
        {"flat", [](GList& r) { r.AddTail(Pt(1, 1, "a")); r.AddTail(Pt(1, 1, "b")); }, "a b "},
        {"leading nested list",
         [](GList& r) {
             auto* n = new GList;
             n->AddTail(Pt(1, 1, "n1"));
             n->AddTail(Pt(1, 1, "n2"));
             r.AddTail(n);
             r.AddTail(Pt(1, 1, "a"));
         },
         "n1 n2 a "},
        {"empty leading list stops the walk",
         [](GList& r) {
             r.AddTail(new GList);
             r.AddTail(Pt(1, 1, "a"));
         },
         ""},
        {"a later list is returned, not entered",
         [](GList& r) {
             r.AddTail(Pt(1, 1, "a"));
             auto* n = new GList;
             n->AddTail(Pt(1, 1, "hidden"));
             r.AddTail(n);
             r.AddTail(Pt(1, 1, "b"));
         },
         "a L b "},
        {"two levels",
         [](GList& r) {
             auto* n = new GList;
             auto* m = new GList;
             m->AddTail(Pt(1, 1, "m1"));
             n->AddTail(m);
             n->AddTail(Pt(1, 1, "n1"));
             r.AddTail(n);
             r.AddTail(Pt(1, 1, "a"));
         },
         "m1 n1 a "},
    };
    for (const Row& r : rows) {
        GList root;
        r.build(root);
        EXPECT_EQ(Names(root), r.walk) << r.what;
    }
}

TEST(CObjEnumTest, FlatMovesAndNullList)
{
    GList root;
    GPoint* a = Pt(1, 1, "a");
    GPoint* b = Pt(1, 1, "b");
    GPoint* c = Pt(1, 1, "c");
    root.AddTail(a);
    root.AddTail(b);
    root.AddTail(c);
    CObjEnum e(&root);
    EXPECT_EQ(e.Last(), c);
    EXPECT_EQ(e.Prev(), b);
    EXPECT_EQ(e.Prev(), a);
    EXPECT_EQ(e.Prev(), nullptr);
    EXPECT_EQ(e.m_pCur, nullptr);
    EXPECT_EQ(e.First(), a);
    EXPECT_EQ(e.Next(), b);
    EXPECT_EQ(e.Next(), c);
    EXPECT_EQ(e.Next(), nullptr);

    CObjEnum none(nullptr);
    EXPECT_EQ(none.FirstDeep(), nullptr);
    EXPECT_EQ(none.NextDeep(), nullptr);
    EXPECT_EQ(none.Last(), nullptr);
    GPoint p;
    EXPECT_FALSE(none.InsertAtCurrent(&p));
    GList empty;
    CObjEnum e2(&empty);
    EXPECT_EQ(e2.Last(), nullptr);
}

TEST(CObjEnumTest, InsertAtCurrentGoesIntoTheListBeingWalked)
{
    GList root;
    auto* n = new GList;
    n->AddTail(Pt(1, 1, "n1"));
    n->AddTail(Pt(1, 1, "n2"));
    root.AddTail(n);
    root.AddTail(Pt(1, 1, "a"));
    {
        CObjEnum e(&root);
        GObj* o = e.FirstDeep();
        o = e.NextDeep();  // n2, inside the nested list
        ASSERT_EQ(o->FindInfo("PTNR")->Value(), "n2");
        EXPECT_EQ(e.CurrentList(), n);
        GPoint* x = Pt(5, 5, "x");
        ASSERT_TRUE(e.InsertAtCurrent(x));
        EXPECT_EQ(x->m_pParent, n);
        EXPECT_EQ(n->m_rcBounds, (WorldRect{1, 1, 5, 5}));
    }
    EXPECT_EQ(Names(root), "n1 x n2 a ");
    {
        CObjEnum e(&root);
        GObj* o = e.FirstDeep();
        while (o && !(o->FindInfo("PTNR") && o->FindInfo("PTNR")->Value() == "a")) o = e.NextDeep();
        ASSERT_NE(o, nullptr);
        ASSERT_TRUE(e.InsertAtCurrent(Pt(1, 1, "y")));
    }
    EXPECT_EQ(Names(root), "n1 x n2 y a ");
}

TEST(CObjEnumTest, HasNoObjects)
{
    GList root;
    EXPECT_TRUE(HasNoObjects(&root));
    root.AddTail(new GList);
    EXPECT_TRUE(HasNoObjects(&root));
    auto* marker = new GFindPt;
    root.AddTail(marker);
    EXPECT_TRUE(HasNoObjects(&root));  // markers have type 0
    auto* n = static_cast<GList*>(GList::MemberAt(root.m_list.GetHeadPosition()));
    n->AddTail(new GText("t"));
    EXPECT_FALSE(HasNoObjects(&root));
    EXPECT_TRUE(HasNoObjects(nullptr));
}

}  // namespace
}  // namespace korvel
