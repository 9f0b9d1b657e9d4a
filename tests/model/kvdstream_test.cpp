// The .kvd byte stream: golden files written independently of our writer (byte-exact round
// trips and field-by-field reads), the long index and count forms of large documents, and
// damaged or hostile streams, which must fail cleanly with a status.
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "model/kvdrecords.h"
#include "model/kvdstream.h"
#include "model/objpool.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <functional>
#include <limits>

namespace korvel {
namespace {

QByteArray Golden(const char* name)
{
    QFile f(QStringLiteral(KORVEL_TESTDATA_DIR "/kvd/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QByteArray StoreBytes(const CKorvelDoc& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_EQ(doc.Store(buffer), KvdStatus::Ok);
    return bytes;
}

KvdStatus LoadBytes(CKorvelDoc& doc, const QByteArray& bytes)
{
    return doc.Load(bytes.constData(), static_cast<size_t>(bytes.size()));
}

template <class T>
T* MemberAs(const GList& list, size_t index)
{
    GList::Position p = list.m_list.GetHeadPosition();
    for (size_t i = 0; i < index && p; ++i) p = p->pNext;
    return p ? dynamic_cast<T*>(GList::MemberAt(p)) : nullptr;
}

std::vector<std::tuple<QString, QString, uint16_t>> Attrs(const GObj& obj)
{
    std::vector<std::tuple<QString, QString, uint16_t>> out;
    for (const GInfoItem& i : obj.Infos()) out.emplace_back(i.Name(), i.Value(), i.Format());
    return out;
}

TEST(KvdStreamTest, EmptyDocumentIsByteExact)
{
    CKorvelDoc doc;
    doc.OnNewDocument(4326);
    EXPECT_EQ(StoreBytes(doc).toHex().toStdString(), Golden("empty.kvd").toHex().toStdString());

    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, Golden("empty.kvd")), KvdStatus::Ok);
    ASSERT_TRUE(back.m_pRoot);
    EXPECT_EQ(back.m_pRoot->GetCount(), 0u);
    EXPECT_EQ(back.m_nCoordSys, 4326);
    EXPECT_EQ(back.m_nVersion, 0x00010005u);
    EXPECT_EQ(back.m_nTileService, 2);
    EXPECT_TRUE(back.m_strLastPointNo.isEmpty());
}

TEST(KvdStreamTest, SecondPointReusesTheClassTags)
{
    // The golden file spells out tags 0x8005 (GPoint), 0x8003 (GObList) and 0x8008 (GInfo)
    // for the second point; reading and writing it again must reproduce every byte.
    const QByteArray golden = Golden("two_points.kvd");
    CKorvelDoc doc;
    ASSERT_EQ(LoadBytes(doc, golden), KvdStatus::Ok);
    ASSERT_EQ(doc.m_pRoot->GetCount(), 2u);
    const GPoint* a = MemberAs<GPoint>(*doc.m_pRoot, 0);
    const GPoint* b = MemberAs<GPoint>(*doc.m_pRoot, 1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->m_ptPos, (WorldPoint{3512010.75, 5405000.25}));
    EXPECT_EQ(b->m_rcBounds, (WorldRect{3512000.5, 5405020.125, 3512000.5, 5405020.125}));
    EXPECT_EQ(b->m_crColor, 0x001E9E1Bu);
    EXPECT_EQ(b->m_pParent, doc.m_pRoot.get());
    EXPECT_EQ(doc.m_pRoot->m_rcBounds, (WorldRect{3512000.5, 5405000.25, 3512010.75, 5405020.125}));
    using A = std::tuple<QString, QString, uint16_t>;
    EXPECT_EQ(Attrs(*b), (std::vector<A>{{"RECHTS", "3512000.500", 0x0310},
                                         {"HOCH", "5405020.125", 0x0310},
                                         {"PTNR", "18", 0xFFFF}}));
    EXPECT_EQ(doc.m_nCoordSys, 31468);
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral("18"));
    EXPECT_EQ(doc.m_nTileService, 0);

    const QByteArray second = QByteArray::fromHex("0580");  // tag 0x8005 for the second GPoint
    EXPECT_EQ(golden.count(second), 1);
    EXPECT_EQ(StoreBytes(doc).toHex().toStdString(), golden.toHex().toStdString());
}

TEST(KvdStreamTest, FirstVersionPolylinesKeepDefaultPen)
{
    CKorvelDoc doc;
    doc.OnNewDocument(31467);  // an old file brings its own (implied) system
    ASSERT_EQ(LoadBytes(doc, Golden("version_10000.kvd")), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nVersion, 0x00010000u);
    const GPolyline* line = MemberAs<GPolyline>(*doc.m_pRoot, 0);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->GetType(), GT_POLYLINE);
    EXPECT_EQ(line->m_nPenWidth, 3);
    EXPECT_EQ(line->m_nPenStyle, 0);
    ASSERT_EQ(line->RingCount(), 1u);
    const GRing* ring = GPolyline::RingAt(line->m_pRings->GetHeadPosition());
    ASSERT_TRUE(ring);
    ASSERT_EQ(ring->GetCount(), 3);
    EXPECT_EQ(ring->Points()[2], (WorldPoint{3, 5}));
    EXPECT_EQ(doc.m_nCoordSys, 4326);
    EXPECT_EQ(doc.m_nTileService, 2);
}

TEST(KvdStreamTest, VersionWithoutPointNumberAndWebMapFlag)
{
    CKorvelDoc doc;
    doc.m_strLastPointNo = QStringLiteral("99");
    ASSERT_EQ(LoadBytes(doc, Golden("version_10002.kvd")), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nCoordSys, 31467);
    EXPECT_TRUE(doc.m_strLastPointNo.isEmpty());
    EXPECT_EQ(doc.m_nTileService, 2);

    const GText* text = MemberAs<GText>(*doc.m_pRoot, 0);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->m_strText, QStringLiteral("Hallo"));
    EXPECT_EQ(text->m_ptText, (WorldPoint{7.25, 8.5}));
    EXPECT_EQ(text->m_nAnchor, 7);
    EXPECT_EQ(text->m_dHeight, -2.5);
    EXPECT_EQ(text->m_lf.lfEscapement, 900);
    EXPECT_EQ(text->m_lf.lfWeight, 700);
    EXPECT_EQ(text->m_lf.lfItalic, 1);
    EXPECT_EQ(text->m_lf.lfStrikeOut, 1);
    EXPECT_EQ(text->m_lf.FaceName(), QStringLiteral("Arial"));
    // Not stored, so zero after loading.
    EXPECT_EQ(text->m_lf.lfWidth, 0);
    EXPECT_EQ(text->m_lf.lfOrientation, 0);
    EXPECT_EQ(text->m_lf.lfHeight, 0);
    EXPECT_EQ(text->m_lf.lfQuality, 0);

    const GPolygon* area = MemberAs<GPolygon>(*doc.m_pRoot, 1);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->m_nPenWidth, 3);
    EXPECT_EQ(area->m_nPenStyle, 0);
    using A = std::tuple<QString, QString, uint16_t>;
    EXPECT_EQ(Attrs(*area), (std::vector<A>{{"LAENGE", "8.000", 0x0310}}));
}

TEST(KvdStreamTest, WebMapFlagReadsBackAsOpenStreetMapOrNone)
{
    struct Row {
        int32_t service;
        int32_t written;
        int32_t reread;
    };
    for (const Row& row : {Row{0, 0, 0}, Row{1, 1, 2}, Row{2, 1, 2}, Row{3, 1, 2}, Row{4, 1, 2}}) {
        CKorvelDoc doc;
        doc.OnNewDocument(900913);
        doc.m_nTileService = row.service;
        const QByteArray bytes = StoreBytes(doc);
        EXPECT_EQ(qFromLittleEndian<int32_t>(bytes.constData() + bytes.size() - 4), row.written);
        CKorvelDoc back;
        ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
        EXPECT_EQ(back.m_nTileService, row.reread) << row.service;
    }
    // A stored value other than 0 or 1 (written elsewhere) also means a web map.
    QByteArray bytes = Golden("empty.kvd");
    qToLittleEndian<int32_t>(5, bytes.data() + bytes.size() - 4);
    CKorvelDoc doc;
    ASSERT_EQ(LoadBytes(doc, bytes), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nTileService, 2);
}

// A document of every model class, nested list first; members are added directly so that the
// shape is exactly this one.
void FillEveryClass(CKorvelDoc& doc)
{
    doc.OnNewDocument(31467);
    GList& root = *doc.m_pRoot;
    auto add = [&](GObj* o) {
        o->UpdateInfo(doc.m_nCoordSys);
        return root.AddTail(o);
    };
    auto* nested = new GList;
    auto* inner = new GPoint(WorldPoint{1, 2});
    inner->SetInfo(QStringLiteral("PTNR"), QStringLiteral("ä€\U0001F600"));
    nested->AddTail(inner);
    ASSERT_TRUE(add(nested));

    auto ring = std::make_unique<GRing>();
    for (const WorldPoint& p : {WorldPoint{0, 0}, WorldPoint{0, 10}, WorldPoint{10, 10}, WorldPoint{10, 0}}) ring->Add(p);
    auto* area = new GPolygon;
    area->AddRing(static_cast<GRing*>(ring->Clone()));
    area->m_nPenWidth = 7;
    area->m_nPenStyle = 3;
    area->CalcBounds();
    ASSERT_TRUE(add(area));

    auto* line = new GPolyline(std::move(ring));
    line->m_pRings->AddTail(new GRing);  // an empty second part
    line->CalcBounds();
    ASSERT_TRUE(add(line));

    auto* bare = new GPolyline;  // no ring list at all
    ASSERT_TRUE(add(bare));

    auto* text = new GText(QStringLiteral("Grenzstein 4711"));
    text->m_ptPos = {5, 6};
    text->m_ptText = {5.5, 6.5};
    text->m_rcBounds = {5, 6, 9, 7};
    text->m_dHeight = -1.75;
    text->m_nAnchor = 5;
    text->m_lf.lfEscapement = -450;
    text->m_lf.lfWeight = 400;
    text->m_lf.lfUnderline = 1;
    text->m_lf.lfCharSet = 238;
    text->m_lf.SetFaceName(QStringLiteral("DejaVu Sans"));
    text->m_crColor = 0x00123456;
    ASSERT_TRUE(add(text));

    auto* point = new GPoint(WorldPoint{3512345.678, 5401234.5});
    point->SetInfo(QStringLiteral("PTNR"), QStringLiteral("1001"));
    ASSERT_TRUE(add(point));
    auto* plain = new GObj;  // a bare base object with an empty (but present) table
    plain->m_pInfo = GInfoTable::Create(0, 0);
    ASSERT_TRUE(add(plain));
    doc.m_strLastPointNo = QStringLiteral("1001");
}

TEST(KvdStreamTest, EveryModelClassRoundTripsByteForByte)
{
    CKorvelDoc doc;
    FillEveryClass(doc);
    const QByteArray bytes = StoreBytes(doc);
    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
    EXPECT_EQ(StoreBytes(back), bytes);

    // Spot checks of what the bytes alone could hide: classes, parents and the list shape.
    const GList& root = *back.m_pRoot;
    ASSERT_EQ(root.GetCount(), 7u);
    const GList* nested = MemberAs<GList>(root, 0);
    ASSERT_TRUE(nested);
    const GPoint* inner = MemberAs<GPoint>(*nested, 0);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->m_pParent, nested);
    EXPECT_EQ(inner->Infos()[0].Value(), QStringLiteral("ä€\U0001F600"));
    EXPECT_EQ(MemberAs<GPolygon>(root, 1)->m_nPenStyle, 3);
    EXPECT_EQ(MemberAs<GPolyline>(root, 2)->RingCount(), 2u);
    EXPECT_FALSE(MemberAs<GPolyline>(root, 3)->m_pRings);
    EXPECT_EQ(MemberAs<GText>(root, 4)->m_lf.FaceName(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(MemberAs<GObj>(root, 6)->HasInfoTable());
    EXPECT_TRUE(MemberAs<GObj>(root, 6)->Infos().empty());
    EXPECT_FALSE(MemberAs<GObj>(root, 5)->IsKindOf(&GPolyline::classGPolyline));
    EXPECT_EQ(back.m_strLastPointNo, QStringLiteral("1001"));
}

TEST(KvdStreamTest, LongFaceNamesAreCut)
{
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    auto* text = new GText(QStringLiteral("x"));
    ASSERT_TRUE(doc.AddObject(text));
    QByteArray bytes = StoreBytes(doc);
    // Replace the stored face name (the empty string just before the trailer) by 40 letters.
    const QByteArray emptyFace = QByteArray::fromHex("fffeff00");
    const qsizetype at = bytes.lastIndexOf(emptyFace, bytes.size() - 4 - 4 - 4 - 1);
    ASSERT_GT(at, 0);
    QByteArray longFace = QByteArray::fromHex("fffeff28");
    for (int i = 0; i < 40; ++i) longFace += QByteArray::fromHex("4100");
    bytes.replace(at, emptyFace.size(), longFace);
    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
    EXPECT_EQ(MemberAs<GText>(*back.m_pRoot, 0)->m_lf.FaceName(), QString(31, QLatin1Char('A')));
}

TEST(KvdStreamTest, LargeDocumentsUseTheLongIndexAndCountForms)
{
    // 70000 points fill more than 0x7FFF indices and a member list beyond 65534; classes met
    // after that (the lines, rings, a text) can only be named by the long form.
    CKorvelDoc doc;
    doc.OnNewDocument(0);
    GList& root = *doc.m_pRoot;
    for (int i = 0; i < 70000; ++i) root.AddTail(new GPoint(WorldPoint{double(i), 1.0}));
    for (int i = 0; i < 2; ++i) {
        auto ring = std::make_unique<GRing>();
        ring->Add({0, 0});
        ring->Add({double(i), 1});
        root.AddTail(new GPolyline(std::move(ring)));
    }
    root.AddTail(new GText(QStringLiteral("spät")));
    const QByteArray bytes = StoreBytes(doc);

    // Member count: WORD 0xFFFF, DWORD 70003.
    QByteArray count = QByteArray::fromHex("ffff");
    count += QByteArray::fromHex("73110100");
    EXPECT_TRUE(bytes.contains(count));
    // Indices: GList 1, its object 2, GObList 3, object 4, GPoint 5, points 6..70005, so
    // GPolyline gets 70006 and the second line refers to it as 0x7FFF, 0x80000000 | 70006.
    QByteArray longClass = QByteArray::fromHex("ff7f");
    longClass += QByteArray::fromHex("76110180");
    EXPECT_EQ(bytes.count(longClass), 1);

    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
    ASSERT_EQ(back.m_pRoot->GetCount(), 70003u);
    EXPECT_EQ(MemberAs<GPolyline>(*back.m_pRoot, 70001)->m_pRings->GetCount(), 1u);
    EXPECT_EQ(MemberAs<GText>(*back.m_pRoot, 70002)->m_strText, QStringLiteral("spät"));
    EXPECT_EQ(StoreBytes(back), bytes);
}

// ---- damaged and hostile streams ----------------------------------------------------------

QByteArray Header(uint32_t version = KVD_VERSION)
{
    QByteArray b = QByteArray::fromHex("fffeff064b006f007200760065006c00");
    char v[4];
    qToLittleEndian(version, v);
    return b + QByteArray(v, 4);
}

QByteArray Word(uint16_t w)
{
    char b[2];
    qToLittleEndian(w, b);
    return QByteArray(b, 2);
}

QByteArray NewClass(const QByteArray& name, uint16_t schema = 1)
{
    return Word(0xFFFF) + Word(schema) + Word(static_cast<uint16_t>(name.size())) + name;
}

// The GObj record without attributes (index-neutral).
QByteArray ObjRecord() { return QByteArray(52, '\0') + Word(0); }

TEST(KvdStreamTest, StatusForHeaderProblems)
{
    struct Row {
        const char* what;
        QByteArray bytes;
        KvdStatus status;
        uint32_t version;
    };
    const QByteArray korvelLower = QByteArray::fromHex("fffeff066b006f007200760065006c00") + Word(5) + Word(1);
    const Row rows[] = {
        // A file cut off inside the identifier is a damaged document, not another format.
        {"empty file", QByteArray(), KvdStatus::ReadError, KVD_VERSION},
        {"cut in the identifier", Header().left(7), KvdStatus::ReadError, KVD_VERSION},
        {"identifier without its last byte", Header().left(15), KvdStatus::ReadError, KVD_VERSION},
        {"text file", QByteArray("Hallo Welt\n"), KvdStatus::BadFormat, KVD_VERSION},
        {"lower-case identifier", korvelLower, KvdStatus::BadFormat, KVD_VERSION},
        {"8-bit identifier", QByteArray("\x06Korvel") + Word(5) + Word(1) + Golden("empty.kvd").mid(20),
         KvdStatus::Ok, KVD_VERSION},
        {"newer version", Header(0x00010006) + Golden("empty.kvd").mid(20), KvdStatus::BadVersion, 0x00010006},
        {"far newer version", Header(0xFFFFFFFF), KvdStatus::BadVersion, 0xFFFFFFFF},
        {"no version", Header().left(18), KvdStatus::ReadError, KVD_VERSION},
        {"null root", Header() + Word(0), KvdStatus::ReadError, KVD_VERSION},
    };
    for (const Row& row : rows) {
        CKorvelDoc doc;
        EXPECT_EQ(LoadBytes(doc, row.bytes), row.status) << row.what;
        ASSERT_TRUE(doc.m_pRoot) << row.what;  // a failed open still leaves an empty root
        if (row.status != KvdStatus::Ok) {
            EXPECT_EQ(doc.m_pRoot->GetCount(), 0u) << row.what;
        }
        EXPECT_EQ(doc.m_nVersion, row.version) << row.what;
    }
}

TEST(KvdStreamTest, ArchiveErrorsAbandonTheLoad)
{
    const QByteArray list = NewClass("GList") + ObjRecord();
    const QByteArray members = NewClass("GObList");  // class 3, list object 4
    const QByteArray point = NewClass("GPoint") + ObjRecord();  // class 5, object 6
    const QByteArray trailer = QByteArray::fromHex("e6100000fffeff0001000000");
    struct Row {
        const char* what;
        QByteArray body;  // after the header
    };
    const Row rows[] = {
        {"unknown class", NewClass("GFoo") + ObjRecord()},
        {"class name of 64 characters", NewClass(QByteArray(64, 'G'))},
        {"class name with a control byte", NewClass("GLi\x01st")},
        {"schema 2", NewClass("GList", 2) + ObjRecord()},
        {"schema 0", NewClass("GList", 0) + ObjRecord()},
        {"root of the wrong class", point},
        {"root is a plain object list", NewClass("GObList") + Word(0)},
        {"class index 0", list + Word(0x8000)},
        {"class index not yet assigned", list + Word(0x8009)},
        {"class index naming an object", list + Word(0x8002)},
        {"long class index not yet assigned", list + Word(0x7FFF) + QByteArray::fromHex("09000080")},
        {"back reference to the root (a list containing itself)", list + members + Word(1) + Word(2)},
        {"long back reference to the root", list + members + Word(1) + Word(0x7FFF) + QByteArray::fromHex("02000000")},
        {"back reference to a sibling",
         list + members + Word(2) + point + Word(6)},
        {"reference to an index not yet assigned", list + members + Word(1) + Word(7)},
        {"reference to a class as an object", list + members + Word(1) + Word(1)},
        {"attribute table of the wrong class", NewClass("GList") + QByteArray(52, '\0') + NewClass("GPoint")},
        {"member list of the wrong class", list + NewClass("GInfo")},
        {"null member", list + members + Word(1) + Word(0)},
        {"member that is no map object", list + members + Word(1) + NewClass("GRing") + QByteArray(4, '\0')},
        {"attribute that is no GInfo",
         NewClass("GList") + QByteArray(52, '\0') + NewClass("GObList") + Word(1) + NewClass("GPoint")},
        {"null attribute", NewClass("GList") + QByteArray(52, '\0') + NewClass("GObList") + Word(1) + Word(0)},
        {"ring list holding a list",
         list + members + Word(1) + NewClass("GPolyline") + ObjRecord() + QByteArray(8, '\0') + Word(0x8003) +
             Word(1) + Word(0x8001)},
        {"member count beyond the stream", list + members + Word(0xFFFF) + QByteArray::fromHex("ffffff7f")},
        {"huge 64-bit member count",
         list + members + Word(0xFFFF) + QByteArray::fromHex("ffffffff") + QByteArray::fromHex("ffffffffffffffff")},
        {"ring count beyond the stream",
         list + members + Word(1) + NewClass("GPolyline") + ObjRecord() + QByteArray(8, '\0') + Word(0x8003) +
             Word(1) + NewClass("GRing") + QByteArray::fromHex("ffffff0f") + QByteArray(64, '\0')},
        {"attribute count beyond the stream",
         NewClass("GList") + QByteArray(52, '\0') + NewClass("GObList") + Word(40000) + QByteArray(1000, '\0')},
        {"truncated text", list + members + Word(1) + NewClass("GText") + ObjRecord() + QByteArray::fromHex("fffeff05")},
    };
    for (const Row& row : rows) {
        // Pooled objects are out of the leak checker's sight: everything a broken load made is
        // given back with the document.
        const size_t pooled = objpool::GetStats().bytesInUse;
        {
            CKorvelDoc doc;
            EXPECT_EQ(LoadBytes(doc, Header() + row.body + trailer), KvdStatus::ReadError) << row.what;
            ASSERT_TRUE(doc.m_pRoot);
            EXPECT_EQ(doc.m_pRoot->GetCount(), 0u) << row.what;
        }
        EXPECT_EQ(objpool::GetStats().bytesInUse, pooled) << row.what;
    }
}

TEST(KvdStreamTest, AttributeTablesOfEveryShapeRoundTrip)
{
    // One point per row, in this order in one document: names change length, spelling, order
    // and count from point to point, so nothing remembered from the table before may leak
    // into the next one; the values cross the one-byte and two-byte length forms.
    using A = std::tuple<QString, QString, uint16_t>;
    const QString longName(40, QLatin1Char('N'));
    std::vector<std::vector<A>> rows = {
        {{"PTNR", "1", 0xFFFF}, {"RECHTS", "3512000.500", 0x0310}, {"HOCH", "5405020.125", 0x0310}},
        {{"PTNR", "2", 0xFFFF}, {"RECHTS", "3512001.500", 0x0310}, {"HOCH", "5405021.125", 0x0310}},
        {{"HOCH", "7", 0x0310}, {"PTNR", "3", 0xFFFF}},
        {{"HOCK", "same length", 0xFFFF}, {"PTNS", "as before", 0xFFFF}, {"RECHTS", "", 0x0310}},
        {},
        {{"", "empty name", 0xFFFF}, {"X", QString(254, QLatin1Char('v')), 0xFFFE}},
        {{longName, QString(255, QLatin1Char('w')), 0xFFFF}, {longName + "2", QString(300, QLatin1Char('x')), 0}},
        {{QStringLiteral(u"HÖHE"), QStringLiteral(u"€ 12"), 0xFFFF}, {"A", "1", 1}, {"A", "2", 1}},
        {{"PTNR", QString(70000, QLatin1Char('y')), 0xFFFF}},
        {{"PTNR", "4", 0xFFFF}, {"RECHTS", "3512002.500", 0x0310}, {"HOCH", "5405022.125", 0x0310}},
        // Every length around the steps of the value copy (2 bytes a character).
        {{"L2", "ab", 0}, {"L3", "abc", 0}, {"L4", "abcd", 0}, {"L7", "abcdefg", 0}, {"L8", "abcdefgh", 0}},
        {{"L9", "abcdefghi", 0}, {"L15", "abcdefghijklmno", 0}, {"L16", "abcdefghijklmnop", 0},
         {"L17", "abcdefghijklmnopq", 0}, {"L31", "abcdefghijklmnopqrstuvwxyz01234", 0}},
    };
    // A wide table, as imported objects carry.
    std::vector<A> wide;
    for (int k = 0; k < 12; ++k) wide.emplace_back(QStringLiteral("SPALTE%1").arg(k), QString(k, QLatin1Char('z')), 0xFF00 + k);
    rows.insert(rows.begin() + 2, wide);
    CKorvelDoc doc;
    doc.OnNewDocument(31467);
    for (const auto& attrs : rows) {
        auto* p = new GPoint(WorldPoint{1, 2});
        if (attrs.empty()) {
            ASSERT_TRUE(p->SetInfoTable(GObList()));  // present but empty
        }
        for (const auto& [name, value, format] : attrs) ASSERT_TRUE(p->AppendInfo(name, value, format));
        doc.m_pRoot->AddTail(p);
    }
    doc.m_pRoot->AddTail(new GPoint(WorldPoint{3, 4}));  // no table at all
    const QByteArray bytes = StoreBytes(doc);

    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
    ASSERT_EQ(back.m_pRoot->GetCount(), rows.size() + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        const GPoint* p = MemberAs<GPoint>(*back.m_pRoot, i);
        ASSERT_TRUE(p) << i;
        EXPECT_TRUE(p->HasInfoTable()) << i;
        EXPECT_EQ(Attrs(*p), rows[i]) << "point " << i;
    }
    EXPECT_FALSE(MemberAs<GPoint>(*back.m_pRoot, rows.size())->HasInfoTable());
    // Every loaded member knows its container and its node.
    for (GList::Position q = back.m_pRoot->m_list.GetHeadPosition(); q; q = q->pNext) {
        GObj* m = GList::MemberAt(q);
        EXPECT_EQ(m->m_pParent, back.m_pRoot.get());
        EXPECT_EQ(m->ListNode(), q);
    }
    EXPECT_EQ(StoreBytes(back), bytes);
}

TEST(KvdStreamTest, KnownClassTagsAreCheckedAtEveryPosition)
{
    // The reader remembers the class tags it has resolved; one met before must still be refused
    // where its position takes another class, before anything of its record is read.
    const QByteArray list = NewClass("GList") + ObjRecord();  // class 1, object 2
    const QByteArray members = NewClass("GObList");           // class 3, list object 4
    const QByteArray point = NewClass("GPoint") + QByteArray(52, '\0');  // class 5, object 6
    const QByteArray info = QByteArray::fromHex("fffeff014100fffeff00ffff");  // "A", "", text
    const QByteArray filler(4096, '\0');  // so a record read in error would not run out
    struct Row {
        const char* what;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"point tag where an attribute belongs",
         list + members + Word(2) + point + Word(0) + Word(0x8005) + QByteArray(52, '\0') + Word(0x8003) + Word(1) +
             Word(0x8005) + filler},
        {"attribute tag where a member belongs",
         list + members + Word(3) + point + Word(0x8003) + Word(1) + NewClass("GInfo") + info + Word(0x8005) +
             QByteArray(52, '\0') + Word(0x8003) + Word(1) + Word(0x8008) + info + Word(0x8008) + filler},
        {"list tag where a point's attribute table belongs",
         list + members + Word(2) + point + Word(0) + Word(0x8005) + QByteArray(52, '\0') + Word(0x8001) + filler},
    };
    for (const Row& row : rows) {
        CKvdReader in(row.bytes.constData(), static_cast<size_t>(row.bytes.size()), KVD_VERSION);
        ArchiveError error = ArchiveError::None;
        try {
            in.ReadObject(&GList::classGList);
        } catch (const CArchiveException& e) {
            error = e.error();
        }
        EXPECT_EQ(error, ArchiveError::WrongClass) << row.what;
    }
}

TEST(KvdStreamTest, EightBitStringsFromOlderWritersAreConverted)
{
    // Identifier, attribute name and value, and point number as Windows-1252 byte strings.
    QByteArray b = QByteArray("\x06Korvel") + Word(3) + Word(1);
    b += NewClass("GList") + ObjRecord() + NewClass("GObList") + Word(1);
    b += NewClass("GPoint") + QByteArray(52, '\0') + Word(0x8003) + Word(2);
    b += NewClass("GInfo") + QByteArray("\x04PTNR") + QByteArray("\x03M\xfcl") + Word(0xFFFF);
    b += Word(0x8008) + QByteArray("\x05H\xd6HE\x80") + QByteArray(1, '\0') + Word(0x0310);
    b += QByteArray::fromHex("7b7a0000") + QByteArray("\x02\x8a\x9a");
    CKorvelDoc doc;
    ASSERT_EQ(LoadBytes(doc, b), KvdStatus::Ok);
    using A = std::tuple<QString, QString, uint16_t>;
    EXPECT_EQ(Attrs(*MemberAs<GPoint>(*doc.m_pRoot, 0)),
              (std::vector<A>{{"PTNR", QStringLiteral(u"Mül"), 0xFFFF}, {QStringLiteral(u"HÖHE€"), "", 0x0310}}));
    EXPECT_EQ(doc.m_nCoordSys, 31355);
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral(u"Šš"));
    EXPECT_EQ(doc.m_nTileService, 2);
}

TEST(KvdStreamTest, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    // Each level: a list whose member list holds the next list. 300 levels exceed the cap;
    // 100 levels load.
    auto nested = [](int depth) {
        QByteArray b = Header() + NewClass("GList") + ObjRecord() + NewClass("GObList");
        for (int i = 1; i < depth; ++i) b += Word(1) + Word(0x8001) + ObjRecord() + Word(0x8003);
        b += Word(0);
        return b + QByteArray::fromHex("e6100000fffeff0001000000");
    };
    CKorvelDoc doc;
    EXPECT_EQ(LoadBytes(doc, nested(100)), KvdStatus::Ok);
    EXPECT_EQ(LoadBytes(doc, nested(300)), KvdStatus::ReadError);
    EXPECT_EQ(LoadBytes(doc, nested(100000)), KvdStatus::ReadError);
}

// Whatever nesting the writer stores, the reader loads: lists inside lists with a polyline (its
// ring list and rings are objects too) and an attributed point at the bottom.
TEST(KvdStreamTest, EveryNestingThatSavesAlsoLoads)
{
    bool someRefused = false;
    for (int depth : {1, 100, 126, 127, 128, 200, 250, 252, 253, 254, 255, 256, 300}) {
        SCOPED_TRACE(depth);
        CKorvelDoc doc;
        doc.OnNewDocument(31467);
        GList* holder = doc.m_pRoot.get();
        for (int i = 1; i < depth; ++i) {
            auto* inner = new GList;
            ASSERT_TRUE(holder->AddTail(inner));
            holder = inner;
        }
        auto* point = new GPoint(WorldPoint{1, 2});
        point->SetInfo("PTNR", "7", INFO_TEXT);
        ASSERT_TRUE(holder->AddTail(point));
        auto ring = std::make_unique<GRing>();
        ring->Add(WorldPoint{0, 0});
        ring->Add(WorldPoint{1, 1});
        ASSERT_TRUE(holder->AddTail(new GPolyline(std::move(ring))));

        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (doc.Store(buffer) != KvdStatus::Ok) {
            someRefused = true;
            continue;
        }
        CKorvelDoc back;
        ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
        EXPECT_EQ(StoreBytes(back), bytes);
    }
    EXPECT_TRUE(someRefused);  // there is a limit, and the writer keeps it
}

// A damaged file cannot hand the painter an absurd pen: widths are held to 0..100 and unknown
// styles draw solid.
TEST(KvdStreamTest, PenWidthAndStyleAreHeldToSaneValues)
{
    struct Row {
        int32_t width, style;
        int32_t wantWidth, wantStyle;
    };
    const Row rows[] = {
        {3, PS_DASHDOT, 3, PS_DASHDOT},
        {100, PS_INSIDEFRAME, 100, PS_INSIDEFRAME},
        {std::numeric_limits<int32_t>::max(), 7, 100, PS_SOLID},
        {101, -1, 100, PS_SOLID},
        {-5, std::numeric_limits<int32_t>::min(), 0, PS_SOLID},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.width);
        CKorvelDoc doc;
        doc.OnNewDocument(31467);
        auto ring = std::make_unique<GRing>();
        ring->Add(WorldPoint{0, 0});
        ring->Add(WorldPoint{1, 1});
        auto* line = new GPolyline(std::move(ring));
        line->m_nPenWidth = r.width;
        line->m_nPenStyle = r.style;
        ASSERT_TRUE(doc.AddObject(line));
        CKorvelDoc back;
        ASSERT_EQ(LoadBytes(back, StoreBytes(doc)), KvdStatus::Ok);
        const auto* read = MemberAs<GPolyline>(*back.m_pRoot, 0);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->m_nPenWidth, r.wantWidth);
        EXPECT_EQ(read->m_nPenStyle, r.wantStyle);
    }
}

TEST(KvdStreamTest, EveryTruncationOfAValidFileFailsCleanly)
{
    CKorvelDoc source;
    FillEveryClass(source);
    const QByteArray bytes = StoreBytes(source);
    const size_t pooled = objpool::GetStats().bytesInUse;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        CKorvelDoc doc;
        const KvdStatus s = LoadBytes(doc, bytes.left(n));
        // Down to the empty file: every cut stream is a damaged document.
        EXPECT_EQ(s, KvdStatus::ReadError) << n;
    }
    EXPECT_EQ(objpool::GetStats().bytesInUse, pooled);  // nothing of the broken loads left
}

// How a higher library adds a class: a run-time record deriving from a model class, and
// record functions that reuse the base's.
struct GTestMarker : GPoint {
    static const GRuntimeClass classGTestMarker;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGTestMarker; }
    int32_t m_nSymbol = 0;
};
GRootObject* CreateMarker() { return new GTestMarker; }
const GRuntimeClass GTestMarker::classGTestMarker = {"GTestMarker", 1, &CreateMarker, &GPoint::classGPoint};
using GMarker = GTestMarker;

TEST(KvdStreamTest, RegistryAcceptsClassesOfOtherLibraries)
{
    ASSERT_TRUE(KvdRegisterClass({&GMarker::classGTestMarker,
                                  [](CKvdWriter& out, const GRootObject& o) {
                                      KvdWriteObjRecord(out, static_cast<const GObj&>(o));
                                      out.WriteInt32(static_cast<const GMarker&>(o).m_nSymbol);
                                  },
                                  [](CKvdReader& in, GRootObject& o) {
                                      KvdReadObjRecord(in, static_cast<GObj&>(o));
                                      static_cast<GMarker&>(o).m_nSymbol = in.ReadInt32();
                                  },
                                  nullptr}));
    EXPECT_FALSE(KvdRegisterClass({&GObj::classGObj, nullptr, nullptr, nullptr}));

    CKorvelDoc doc;
    doc.OnNewDocument(0);
    auto* marker = new GMarker;
    marker->m_nSymbol = 42;
    ASSERT_TRUE(doc.AddObject(marker));
    const QByteArray bytes = StoreBytes(doc);
    EXPECT_TRUE(bytes.contains("GTestMarker"));
    CKorvelDoc back;
    ASSERT_EQ(LoadBytes(back, bytes), KvdStatus::Ok);
    const auto* read = dynamic_cast<GMarker*>(GList::MemberAt(back.m_pRoot->m_list.GetHeadPosition()));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->m_nSymbol, 42);
}

}  // namespace
}  // namespace korvel
