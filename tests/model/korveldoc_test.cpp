// The document: drawing-order insertion checked against a literal walk of the deep
// enumeration on random trees, removal, notifications, and opening and saving files.
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "model/kvdrecords.h"
#include "strings/stringtable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace korvel {
namespace {

// A map object with any type code, so that every code (also the image and tile codes of
// higher libraries) takes part in the order checks.
class GTyped : public GObj {
public:
    explicit GTyped(uint32_t type) : m_nType(type) {}
    uint32_t GetType() const override { return m_nType; }
    uint32_t m_nType;
};

// The drawing-order insertion in its plainest form: walk deeply from the start, insert before
// the first object with a lower type code in the list that holds it, otherwise append to the
// root.
bool BruteForceAdd(GList& root, GObj* obj)
{
    CObjEnum walk(&root);
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() < obj->GetType()) {
            GList* holder = o->m_pParent;
            return holder->InsertBefore(holder->PositionOf(o), obj);
        }
    }
    return root.AddTail(obj);
}

// The whole tree as a string of ids and brackets, e.g. "[3 [1 2] 4]".
std::string Shape(const GList& list, const std::map<const GObj*, int>& ids)
{
    std::string s = "[";
    for (GList::Position p = list.m_list.GetHeadPosition(); p;) {
        const GObj* o = GList::NextMember(p);
        if (s.size() > 1) s += ' ';
        if (const auto* l = dynamic_cast<const GList*>(o)) {
            s += std::to_string(ids.at(o)) + Shape(*l, ids);
        } else {
            s += std::to_string(ids.at(o));
        }
    }
    return s + "]";
}

TEST(KorvelDocTest, KindsStackInDrawingOrderWhateverTheOrderOfAdding)
{
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    auto* area = new GPolygon;
    auto* a = new GPoint(WorldPoint{1, 1});
    auto* b = new GPoint(WorldPoint{2, 2});
    auto* line = new GPolyline;
    auto* text = new GText(QStringLiteral("T"));
    for (GObj* o : std::initializer_list<GObj*>{area, a, b, line, text}) ASSERT_TRUE(doc.AddObject(o));
    std::vector<GObj*> order;
    for (GList::Position p = doc.m_pRoot->m_list.GetHeadPosition(); p;) order.push_back(GList::NextMember(p));
    EXPECT_EQ(order, (std::vector<GObj*>{area, line, text, a, b}));
}

// Random trees and random insertions (with removals in between): the document's indexed
// insertion must give the same tree as the literal walk every time.
TEST(KorvelDocTest, InsertionMatchesTheLiteralWalkOnRandomSequences)
{
    const uint32_t types[] = {0, 1, 2, 4, 8, 0x400, 0x800, 0x8000};
    std::mt19937 rng(20261208);
    for (int round = 0; round < 300; ++round) {
        CKorvelDoc doc;
        doc.OnNewDocument(0);
        GList expected;
        std::map<const GObj*, int> ids;
        std::vector<std::pair<GObj*, GObj*>> pairs;  // (in doc, in expected)
        int nextId = 1;

        // Sometimes start from a tree in no particular order (as read from a foreign file):
        // members added directly, nested lists included, some of them empty.
        if (rng() % 2) {
            const int n = static_cast<int>(rng() % 8);
            for (int i = 0; i < n; ++i) {
                const uint32_t t = types[rng() % std::size(types)];
                GObj* d = t == 0x8000 ? static_cast<GObj*>(new GList) : new GTyped(t);
                GObj* e = t == 0x8000 ? static_cast<GObj*>(new GList) : new GTyped(t);
                ids[d] = ids[e] = nextId++;
                doc.m_pRoot->AddTail(d);
                expected.AddTail(e);
                pairs.emplace_back(d, e);
            }
        }

        const int steps = 1 + static_cast<int>(rng() % 60);
        for (int step = 0; step < steps; ++step) {
            const unsigned action = rng() % 10;
            if (action < 2 && !pairs.empty()) {
                // Remove a random object (not a list, whose members would go with it).
                const size_t k = rng() % pairs.size();
                auto [d, e] = pairs[k];
                if (dynamic_cast<GList*>(d)) continue;
                std::unique_ptr<GObj> gone;
                if (action == 0) {
                    gone = doc.RemoveObject(d);
                    ASSERT_EQ(gone.get(), d);
                } else {
                    // Behind the document's back, as older callers do.
                    gone.reset(d->m_pParent->Remove(d));
                }
                delete e->m_pParent->Remove(e);
                pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(k));
                continue;
            }
            if (action == 2 && !pairs.empty()) {
                // Add to a nested list directly (another way the tree gets out of order).
                const size_t k = rng() % pairs.size();
                auto* dl = dynamic_cast<GList*>(pairs[k].first);
                if (!dl) continue;
                const uint32_t t = types[rng() % 7];
                auto* d = new GTyped(t);
                auto* e = new GTyped(t);
                ids[d] = ids[e] = nextId++;
                dl->AddHead(d);
                static_cast<GList*>(pairs[k].second)->AddHead(e);
                pairs.emplace_back(d, e);
                continue;
            }
            const uint32_t t = types[rng() % std::size(types)];
            GObj* d = t == 0x8000 ? static_cast<GObj*>(new GList) : new GTyped(t);
            GObj* e = t == 0x8000 ? static_cast<GObj*>(new GList) : new GTyped(t);
            ids[d] = ids[e] = nextId++;
            ASSERT_TRUE(doc.AddObject(d));
            ASSERT_TRUE(BruteForceAdd(expected, e));
            pairs.emplace_back(d, e);
            ASSERT_EQ(Shape(*doc.m_pRoot, ids), Shape(expected, ids)) << "round " << round << " step " << step;
        }
    }
}

TEST(KorvelDocTest, AddObjectRefreshesAttributesMarksModifiedAndNotifies)
{
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    std::vector<GObj*> added;
    QObject::connect(&doc, &CKorvelDoc::objectAdded, [&](GObj* o) { added.push_back(o); });
    EXPECT_FALSE(doc.IsModified());
    auto* p = new GPoint(WorldPoint{3512345.6784, 5401234.5});
    ASSERT_TRUE(doc.AddObject(p));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(added, std::vector<GObj*>{p});
    ASSERT_TRUE(p->FindInfo(QStringLiteral("RECHTS")));
    EXPECT_EQ(p->FindInfo(QStringLiteral("RECHTS"))->Value(), QStringLiteral("3512345.678"));
    EXPECT_EQ(p->m_pParent, doc.m_pRoot.get());
    EXPECT_EQ(doc.m_pRoot->m_rcBounds, p->m_rcBounds);

    EXPECT_FALSE(doc.AddObject(nullptr));
    EXPECT_EQ(added.size(), 1u);
}

TEST(KorvelDocTest, ContainsRemoveAndChangeNotifications)
{
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    auto* nested = new GList;
    nested->AddTail(new GPoint(WorldPoint{2, 2}));
    ASSERT_TRUE(doc.AddObject(nested));
    auto* inner = new GText(QStringLiteral("innen"));
    ASSERT_TRUE(doc.AddObject(inner));  // lands in the leading nested list, before the point
    EXPECT_EQ(inner->m_pParent, nested);
    EXPECT_EQ(doc.ContainsObject(inner), inner);

    GPoint stranger;
    EXPECT_EQ(doc.ContainsObject(&stranger), nullptr);
    EXPECT_EQ(doc.RemoveObject(&stranger), nullptr);
    CKorvelDoc other;
    other.OnNewDocument(0);
    EXPECT_EQ(other.RemoveObject(inner), nullptr);  // not that document's object

    std::vector<std::pair<GObj*, bool>> changed;
    std::vector<GObj*> removed;
    QObject::connect(&doc, &CKorvelDoc::objectChanged, [&](GObj* o, bool erase) { changed.emplace_back(o, erase); });
    QObject::connect(&doc, &CKorvelDoc::objectRemoved, [&](GObj* o) {
        // Still alive and already out of the tree when the views hear of it.
        EXPECT_EQ(o->m_pParent->PositionOf(o), nullptr);
        removed.push_back(o);
    });
    doc.UpdateObject(inner, true);
    EXPECT_EQ(changed, (std::vector<std::pair<GObj*, bool>>{{inner, true}}));
    doc.SetModifiedFlag(false);
    std::unique_ptr<GObj> back = doc.RemoveObject(inner);
    EXPECT_EQ(back.get(), inner);
    EXPECT_EQ(removed, std::vector<GObj*>{inner});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ContainsObject(inner), nullptr);
    EXPECT_EQ(nested->GetCount(), 1u);

    // An empty leading list ends the deep walk at once: new objects go to the root's tail.
    EXPECT_TRUE(doc.RemoveObject(GList::MemberAt(nested->m_list.GetHeadPosition())));
    auto* after = new GPoint(WorldPoint{3, 3});
    ASSERT_TRUE(doc.AddObject(after));
    EXPECT_EQ(after->m_pParent, doc.m_pRoot.get());
    EXPECT_EQ(doc.m_pRoot->m_list.GetTail(), after);
}

TEST(KorvelDocTest, NewReplacesTheTreeAndAsksForFitAll)
{
    CKorvelDoc doc;
    EXPECT_FALSE(doc.m_pRoot);
    EXPECT_EQ(doc.m_nCoordSys, 4326);
    EXPECT_EQ(doc.m_nVersion, KVD_VERSION);
    EXPECT_EQ(doc.m_nTileService, 2);
    int fits = 0;
    QObject::connect(&doc, &CKorvelDoc::fitAllRequested, [&] { ++fits; });
    EXPECT_TRUE(doc.OnNewDocument(900913));
    doc.AddObject(new GPoint(WorldPoint{1, 1}));
    doc.m_strLastPointNo = QStringLiteral("7");
    EXPECT_TRUE(doc.OnNewDocument(31468));
    EXPECT_EQ(doc.m_pRoot->GetCount(), 0u);
    EXPECT_EQ(doc.m_nCoordSys, 31468);
    EXPECT_TRUE(doc.m_strLastPointNo.isEmpty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(fits, 2);
}

// A class no library registered: writing it fails in the middle of the stream.
class GUnsaved : public GObj {
public:
    static const GRuntimeClass classGUnsaved;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGUnsaved; }
};
const GRuntimeClass GUnsaved::classGUnsaved = {"GUnsaved", 1, nullptr, &GObj::classGObj};

TEST(KorvelDocTest, OpenAndSaveFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("karte.kvd"));

    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    doc.AddObject(new GPoint(WorldPoint{3500000, 5400000}));
    ASSERT_EQ(doc.Save(path), KvdStatus::Ok);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), path);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();

    // A save that fails half-way leaves the previous file as it was.
    doc.AddObject(new GUnsaved);
    EXPECT_EQ(doc.Save(path), KvdStatus::WriteError);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    saved.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("karte.kvd")});

    // A folder that does not exist cannot take the file.
    EXPECT_EQ(doc.Save(dir.filePath(QStringLiteral("fehlt/karte.kvd"))), KvdStatus::WriteError);

    CKorvelDoc back;
    int fits = 0;
    QObject::connect(&back, &CKorvelDoc::fitAllRequested, [&] { ++fits; });
    ASSERT_EQ(back.Open(path), KvdStatus::Ok);
    EXPECT_EQ(fits, 1);
    EXPECT_EQ(back.m_pRoot->GetCount(), 1u);
    EXPECT_EQ(back.m_nCoordSys, 31467);

    EXPECT_EQ(back.Open(dir.filePath(QStringLiteral("gibtsnicht.kvd"))), KvdStatus::OpenError);
    ASSERT_TRUE(back.m_pRoot);
    EXPECT_EQ(back.m_pRoot->GetCount(), 0u);
    EXPECT_EQ(fits, 1);

    // An empty file is a document cut short (the archive error), not a file of another format.
    QFile empty(dir.filePath(QStringLiteral("leer.kvd")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(back.Open(empty.fileName()), KvdStatus::ReadError);
}

TEST(KorvelDocTest, StatusCodesAreTheMessageIds)
{
    EXPECT_EQ(LoadString(static_cast<int>(KvdStatus::BadFormat)), QStringLiteral("Ungültiges Dateiformat!"));
    EXPECT_EQ(LoadString(static_cast<int>(KvdStatus::BadVersion)), QStringLiteral("Ungültige Dateiversion!"));
    for (KvdStatus s : {KvdStatus::ReadError, KvdStatus::OpenError, KvdStatus::WriteError}) {
        EXPECT_TRUE(FormatString(static_cast<int>(s), QStringLiteral("a.kvd")).contains(QStringLiteral("a.kvd")));
    }
}

TEST(KorvelDocTest, RestoreObjectPutsObjectsBackWhereTheyWere)
{
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    auto* nested = new GList;
    auto* t0 = new GText(QStringLiteral("innen"));
    nested->AddTail(t0);
    ASSERT_TRUE(doc.AddObject(nested));
    GList* root = doc.m_pRoot.get();
    auto* a = new GPoint(WorldPoint{1, 1});
    auto* b = new GPoint(WorldPoint{2, 2});
    auto* c = new GPoint(WorldPoint{3, 3});
    for (GPoint* p : {a, b, c}) ASSERT_TRUE(doc.AddObject(p));
    b->SetInfo(QStringLiteral("PTNR"), QStringLiteral("9"));
    const auto order = [&] {
        std::vector<GObj*> out;
        for (GList::Position p = root->m_list.GetHeadPosition()->pNext; p;) out.push_back(GList::NextMember(p));
        return out;
    };
    const std::vector<GObj*> before = order();
    ASSERT_EQ(before.size(), 3u);

    // Taken out last first and put back first first, each before the member it stood before.
    std::unique_ptr<GObj> last = doc.RemoveObject(before[2]);  // it stood at the tail
    std::unique_ptr<GObj> middle = doc.RemoveObject(before[1]);
    std::vector<GObj*> added;
    QObject::connect(&doc, &CKorvelDoc::objectAdded, [&](GObj* o) { added.push_back(o); });
    doc.SetModifiedFlag(false);
    ASSERT_TRUE(doc.RestoreObject(last.get(), root, nullptr));
    last.release();
    ASSERT_TRUE(doc.RestoreObject(middle.get(), root, before[2]));
    middle.release();
    EXPECT_EQ(order(), before);
    EXPECT_EQ(added, (std::vector<GObj*>{before[2], before[1]}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(b->FindInfo(QStringLiteral("PTNR"))->Value(), QStringLiteral("9"));

    // A list or a neighbour of another document, or a neighbour elsewhere: refused, still owned.
    GPoint loose(WorldPoint{4, 4});
    CKorvelDoc other;
    other.OnNewDocument(0);
    EXPECT_FALSE(doc.RestoreObject(&loose, other.m_pRoot.get(), nullptr));
    EXPECT_FALSE(doc.RestoreObject(&loose, root, t0));  // t0 lives in the nested list
    EXPECT_EQ(loose.m_pParent, nullptr);

    // AddObject still finds its place after restores changed the list behind its back.
    auto* text = new GText(QStringLiteral("t"));
    ASSERT_TRUE(doc.AddObject(text));
    EXPECT_EQ(text->m_pParent, root);
    EXPECT_EQ(order().front(), text);
    EXPECT_EQ(order()[1], a);
}

}  // namespace
}  // namespace korvel
