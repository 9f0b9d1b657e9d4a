#include "model/reproject.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

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

// Objects whose coordinates cannot be converted keep all their values; every other object,
// before and after them and in nested lists, is converted, and the document takes the new
// system after the whole pass.
TEST(ReprojectDocument, ObjectsThatCannotBeConvertedKeepTheirValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CKorvelDoc doc;
    doc.OnNewDocument(900913);
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(9.0, 50.0))));
    ASSERT_TRUE(doc.AddObject(new GPoint(WorldPoint{nan, 6000000.0})));
    ASSERT_TRUE(doc.AddObject(new GPoint(WorldPoint{1e6, std::numeric_limits<double>::infinity()})));
    auto ring = std::make_unique<GRing>();
    ring->Add(Mercator(9.0, 50.0));
    ring->Add(WorldPoint{1e6, nan});  // one bad vertex: the whole line stays as it was
    ring->Add(Mercator(9.1, 50.1));
    const std::vector<WorldPoint> lineBefore(ring->Points().begin(), ring->Points().end());
    auto* line = new GPolyline(std::move(ring));
    ASSERT_TRUE(doc.AddObject(line));
    auto* nested = new GList;
    nested->AddTail(new GPoint(Mercator(9.5, 50.5)));
    ASSERT_TRUE(doc.AddObject(nested));
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(10.0, 51.0))));

    size_t unconverted = 99;
    ASSERT_TRUE(ReprojectDocument(doc, 25832, &unconverted));
    EXPECT_EQ(unconverted, 3u);
    EXPECT_EQ(doc.m_nCoordSys, 25832);
    int converted = 0;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() != GT_POINT) continue;
        if (!std::isfinite(o->m_ptPos.x) || !std::isfinite(o->m_ptPos.y)) continue;
        EXPECT_GT(o->m_ptPos.x, 32400000.0);
        ++converted;
    }
    EXPECT_EQ(converted, 3);  // before, inside the nested list and after the bad ones
    const auto points = GPolyline::RingAt(line->m_pRings->GetHeadPosition())->Points();
    ASSERT_EQ(points.size(), lineBefore.size());
    EXPECT_EQ(points[0], lineBefore[0]);
    EXPECT_EQ(points[2], lineBefore[2]);

    // A document without such objects reports none.
    CKorvelDoc clean;
    clean.OnNewDocument(900913);
    ASSERT_TRUE(clean.AddObject(new GPoint(Mercator(9.0, 50.0))));
    ASSERT_TRUE(ReprojectDocument(clean, 31467, &unconverted));
    EXPECT_EQ(unconverted, 0u);
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

// Every coordinate of a document, in walk order: positions, ring vertices and text origins.
std::vector<WorldPoint> AllCoordinates(const CKorvelDoc& doc)
{
    std::vector<WorldPoint> out;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        out.push_back(o->m_ptPos);
        if (o->GetType() == GT_POLYLINE || o->GetType() == GT_POLYGON) {
            auto* line = static_cast<GPolyline*>(o);
            for (GObList::Position p = line->m_pRings->GetHeadPosition(); p;) {
                for (const WorldPoint& v : GPolyline::RingAt(p)->Points()) out.push_back(v);
                line->m_pRings->GetNext(p);
            }
        }
        if (o->GetType() == GT_TEXT) out.push_back(static_cast<GText*>(o)->m_ptText);
    }
    return out;
}

// A web-mercator document with every kind of object travels through Gauss-Krueger zone 3 and
// UTM zone 32 and back. Each leg uses a truncated series, so the positions come back close
// but not bit for bit: on this document (points up to 0.9 degrees from 9 degrees east, 47.5 to
// 50.9 degrees north) the largest deviation measured is 1.57 mm of web-mercator metres, about
// 1.0 mm on the ground at 50 degrees north. The test allows 2.5 mm.
TEST(ReprojectDocument, RoundTripThroughGaussKruegerAndUtm)
{
    CKorvelDoc doc;
    doc.OnNewDocument(900913);
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(9.0, 50.0))));
    ASSERT_TRUE(doc.AddObject(new GPoint(Mercator(8.1, 47.5))));
    auto track = std::make_unique<GRing>();
    for (int i = 0; i < 20; ++i) track->Add(Mercator(8.2 + 0.08 * i, 49.0 + 0.1 * i));
    auto* line = new GPolyline(std::move(track));
    line->CalcBounds();
    ASSERT_TRUE(doc.AddObject(line));
    auto area = std::make_unique<GRing>();
    area->Add(Mercator(9.0, 50.0));
    area->Add(Mercator(9.0, 50.01));
    area->Add(Mercator(9.01, 50.01));
    area->Add(Mercator(9.01, 50.0));
    auto* polygon = new GPolygon(std::move(area));
    polygon->CalcBounds();
    ASSERT_TRUE(doc.AddObject(polygon));
    auto* label = new GText(QStringLiteral("Grenzstein"));
    label->m_ptPos = Mercator(9.9, 50.5);
    label->m_ptText = Mercator(9.9, 50.5001);
    label->m_rcBounds = WorldRect{label->m_ptPos.x, label->m_ptPos.y, label->m_ptPos.x + 50, label->m_ptPos.y + 20};
    label->m_dHeight = -20.0;
    ASSERT_TRUE(doc.AddObject(label));

    const std::vector<WorldPoint> before = AllCoordinates(doc);
    ASSERT_TRUE(ReprojectDocument(doc, 31467));
    EXPECT_GT(FirstOfType(doc, GT_POINT)->m_ptPos.x, 3000000.0);
    ASSERT_TRUE(ReprojectDocument(doc, 25832));
    EXPECT_GT(FirstOfType(doc, GT_POINT)->m_ptPos.x, 32000000.0);
    ASSERT_TRUE(ReprojectDocument(doc, 900913));
    const std::vector<WorldPoint> after = AllCoordinates(doc);

    ASSERT_EQ(before.size(), after.size());
    double worst = 0.0;
    for (size_t i = 0; i < before.size(); ++i) {
        worst = std::max({worst, std::abs(after[i].x - before[i].x), std::abs(after[i].y - before[i].y)});
    }
    std::printf("largest round-trip deviation: %.3g m\n", worst);
    EXPECT_LT(worst, 2.5e-3);
    EXPECT_NEAR(label->m_dHeight, -20.0, 1e-3);
}

}  // namespace
}  // namespace korvel
