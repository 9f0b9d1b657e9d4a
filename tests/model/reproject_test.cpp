#include "model/reproject.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvel {
namespace {

// Stands in for a raster image of the imagery library: only its type code matters here.
class GFakeImage : public GObj {
public:
    uint32_t GetType() const override { return GT_IMG; }
    GClone* Clone(GClone* target = nullptr) const override
    {
        return CloneAs<GFakeImage>(target, [this](GFakeImage& t) { return CopyObjInto(t); });
    }
};

// The member of `doc`'s root list with type code `type`.
GObj* FirstOfType(const CKorvelDoc& doc, uint32_t type)
{
    for (GList::Position p = doc.m_pRoot->m_list.GetHeadPosition(); p;) {
        GObj* o = GList::NextMember(p);
        if (o->GetType() == type) return o;
    }
    return nullptr;
}

// The web-mercator position of WGS84 degrees.
WorldPoint Mercator(double lon, double lat)
{
    WorldPoint p{lon, lat};
    CoordTransform t{1, CRS_WGS84, CRS_WEBMERCATOR};
    EXPECT_TRUE(TransformPoint(&p, &t));
    return p;
}

GObj* Member(const CKorvelDoc& doc, size_t index)
{
    GList::Position p = doc.m_pRoot->m_list.GetHeadPosition();
    for (size_t i = 0; i < index && p; ++i) GList::NextMember(p);
    return p ? GList::MemberAt(p) : nullptr;
}

TEST(ChangeConverts, OnlyBetweenTwoRealSystems)
{
    EXPECT_TRUE(ChangeConverts(900913, 25832));
    EXPECT_TRUE(ChangeConverts(4326, 31467));
    EXPECT_FALSE(ChangeConverts(25832, 25832));
    EXPECT_FALSE(ChangeConverts(0, 25832));
    EXPECT_FALSE(ChangeConverts(31467, 0));
}

TEST(ReprojectDocument, ConvertsInPlace)
{
    CKorvelDoc doc;
    doc.OnNewDocument(900913);
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(9.0, 50.0))));
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(10.0, 51.0))));
    doc.SetModifiedFlag(false);

    ASSERT_TRUE(ReprojectDocument(doc, 25832));
    EXPECT_EQ(doc.m_nCoordSys, 25832);
    EXPECT_TRUE(doc.IsModified());
    GObj* first = Member(doc, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_NEAR(first->m_ptPos.x, 32500000.0, 1e-6);
    EXPECT_NEAR(first->m_ptPos.y, 0.9996 * 5540847.04, 0.01);
    // The bounds are in the new system too.
    const WorldRect& b = doc.m_pRoot->m_rcBounds;
    EXPECT_NEAR(b.minX, 32500000.0, 1e-6);
    EXPECT_GT(b.maxX, 32560000.0);
    EXPECT_LT(b.maxX, 32580000.0);
    EXPECT_GT(b.maxY, 5600000.0);
}

TEST(ReprojectDocument, RelabelsWithoutConverting)
{
    for (const auto& [from, to] : {std::pair{0, 25832}, std::pair{31467, 0}}) {
        CKorvelDoc doc;
        doc.OnNewDocument(from);
        ASSERT_TRUE(doc.AddObject(new GPoint(WorldPoint{3500000.0, 5540000.0})));
        doc.SetModifiedFlag(false);
        ASSERT_TRUE(ReprojectDocument(doc, to));
        EXPECT_EQ(doc.m_nCoordSys, to);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(Member(doc, 0)->m_ptPos, (WorldPoint{3500000.0, 5540000.0}));
    }
    // The same system again is no change at all.
    CKorvelDoc same;
    same.OnNewDocument(25833);
    ASSERT_TRUE(ReprojectDocument(same, 25833));
    EXPECT_FALSE(same.IsModified());
}

TEST(ReprojectDocument, UnknownSystemsAreNeverStarted)
{
    CKorvelDoc doc;
    doc.OnNewDocument(25832);
    ASSERT_TRUE(doc.AddObject(new GPoint(WorldPoint{32500000.0, 5538630.7})));
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(ReprojectDocument(doc, 12345));
    EXPECT_EQ(doc.m_nCoordSys, 25832);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Member(doc, 0)->m_ptPos, (WorldPoint{32500000.0, 5538630.7}));
}

TEST(ReprojectDocument, DropsRasterImagesAtAnyDepth)
{
    CKorvelDoc doc;
    doc.OnNewDocument(900913);
    ASSERT_TRUE(doc.AddObject(new GFakeImage));
    auto* nested = new GList;
    nested->AddTail(new GFakeImage);
    nested->AddTail(new GPoint(Mercator(9.0, 50.0)));
    ASSERT_TRUE(doc.AddObject(nested));
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(9.5, 50.5))));

    ASSERT_TRUE(ReprojectDocument(doc, 31467));
    int images = 0;
    int points = 0;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        images += o->GetType() == GT_IMG;
        points += o->GetType() == GT_POINT;
        if (o->GetType() == GT_POINT) {
            EXPECT_GT(o->m_ptPos.x, 3400000.0);
        }
    }
    EXPECT_EQ(images, 0);
    EXPECT_EQ(points, 2);
}

TEST(CopyObjects, ConvertingACopyLeavesTheSourceAlone)
{
    CKorvelDoc source;
    source.OnNewDocument(900913);
    const WorldPoint at = Mercator(9.0, 50.0);
    ASSERT_TRUE(source.AddObject(new GPoint(at)));
    ASSERT_TRUE(source.AddObject(new GFakeImage));
    source.SetModifiedFlag(false);

    CKorvelDoc copy;
    copy.OnNewDocument(900913);
    ASSERT_TRUE(CopyObjects(source, copy));
    EXPECT_EQ(copy.m_pRoot->GetCount(), 2u);
    ASSERT_TRUE(ReprojectDocument(copy, 25832));

    EXPECT_EQ(source.m_nCoordSys, 900913);
    EXPECT_FALSE(source.IsModified());
    EXPECT_EQ(source.m_pRoot->GetCount(), 2u);
    ASSERT_NE(FirstOfType(source, GT_IMG), nullptr);
    EXPECT_EQ(FirstOfType(source, GT_POINT)->m_ptPos, at);

    EXPECT_EQ(copy.m_nCoordSys, 25832);
    ASSERT_EQ(copy.m_pRoot->GetCount(), 1u);  // the image is gone from the copy only
    ASSERT_NE(FirstOfType(copy, GT_POINT), nullptr);
    EXPECT_NEAR(FirstOfType(copy, GT_POINT)->m_ptPos.x, 32500000.0, 1e-6);
}

TEST(AdoptWgs84, OnlyAnEmptyLocalDocumentTakesWebMercator)
{
    CKorvelDoc empty;
    empty.OnNewDocument(0);
    ASSERT_TRUE(empty.AddObject(new GList));  // an empty list holds no map object
    EXPECT_EQ(AdoptWgs84(empty), 900913);
    EXPECT_EQ(empty.m_nCoordSys, 900913);

    CKorvelDoc used;
    used.OnNewDocument(0);
    ASSERT_TRUE(used.AddObject(new GPoint(WorldPoint{1.0, 2.0})));
    EXPECT_EQ(AdoptWgs84(used), 0);
    EXPECT_EQ(used.m_nCoordSys, 0);

    CKorvelDoc gk;
    gk.OnNewDocument(31467);
    EXPECT_EQ(AdoptWgs84(gk), 31467);
    EXPECT_EQ(gk.m_nCoordSys, 31467);
}

}  // namespace
}  // namespace korvel
