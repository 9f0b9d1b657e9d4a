// korvel-cli reproject: conversion in place and as a copy, relabelling, and the source file
// staying as it was whatever happens.
#include "support/testsupport.h"

#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>

namespace korvel {
namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a document in `crs` with one point at `pos` (in that system), the point number "7"
// and no tile service, so that a copy's fresh values are told apart from the source's.
void WriteDoc(const QString& path, int32_t crs, WorldPoint pos)
{
    CKorvelDoc doc;
    doc.OnNewDocument(crs);
    auto point = std::make_unique<GPoint>(pos);
    point->SetInfo(QStringLiteral("PTNR"), QStringLiteral("7"));
    ASSERT_TRUE(doc.AddObject(point.get()));
    point.release();
    doc.m_strLastPointNo = QStringLiteral("7");
    doc.m_nTileService = 0;
    ASSERT_EQ(doc.Save(path), KvdStatus::Ok);
}

struct Loaded {
    int32_t crs = -1;
    QString lastPointNo;
    int32_t tileService = -1;
    WorldPoint pos{};
    QString ptnr;
    int objects = 0;
};

Loaded Load(const QString& path)
{
    CKorvelDoc doc;
    Loaded out;
    EXPECT_EQ(doc.Open(path), KvdStatus::Ok) << path.toStdString();
    if (!doc.m_pRoot) return out;
    out.crs = doc.m_nCoordSys;
    out.lastPointNo = doc.m_strLastPointNo;
    out.tileService = doc.m_nTileService;
    out.objects = static_cast<int>(doc.m_pRoot->m_list.GetCount());
    if (out.objects > 0) {
        GList::Position at = doc.m_pRoot->m_list.GetHeadPosition();
        if (const auto* p = dynamic_cast<const GPoint*>(GList::NextMember(at))) {
            out.pos = p->m_ptPos;
            if (const GInfoItem* info = p->FindInfo(QStringLiteral("PTNR"))) out.ptnr = info->Value();
        }
    }
    return out;
}

WorldPoint WebMercator(double lon, double lat)
{
    WorldPoint p{lon, lat};
    CoordTransform params{1, CRS_WGS84, CRS_WEBMERCATOR};
    EXPECT_TRUE(TransformPoint(&p, &params));
    return p;
}

class CliReproject : public ::testing::Test {
protected:
    QString in() const { return dir.filePath(QStringLiteral("in.kvd")); }
    QString out() const { return dir.filePath(QStringLiteral("out.kvd")); }
    test::ProcessResult Run(QStringList extra)
    {
        QStringList args{QStringLiteral("reproject"), in(), out()};
        args << extra;
        return test::RunCli(args);
    }
    QTemporaryDir dir;
};

TEST_F(CliReproject, ConvertsInPlaceAndKeepsTheDocumentsSettings)
{
    WriteDoc(in(), CRS_WEBMERCATOR, WebMercator(9.0, 50.0));
    const QByteArray before = Bytes(in());

    const auto r = Run({QStringLiteral("--crs"), QStringLiteral("25832")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(Bytes(in()), before);

    const Loaded d = Load(out());
    EXPECT_EQ(d.crs, 25832);
    EXPECT_NEAR(d.pos.x, 32500000.0, 0.01);
    EXPECT_NEAR(d.pos.y, 5538630.70, 0.01);
    EXPECT_EQ(d.lastPointNo, QStringLiteral("7"));
    EXPECT_EQ(d.tileService, 0);
    EXPECT_EQ(d.ptnr, QStringLiteral("7"));
}

TEST_F(CliReproject, CopyGetsANewDocumentsSettings)
{
    WriteDoc(in(), CRS_WEBMERCATOR, WebMercator(9.0, 50.0));
    const QByteArray before = Bytes(in());

    const auto r = Run({QStringLiteral("--copy"), QStringLiteral("--crs"), QStringLiteral("25832")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(Bytes(in()), before);

    const Loaded d = Load(out());
    EXPECT_EQ(d.crs, 25832);
    EXPECT_EQ(d.objects, 1);
    EXPECT_NEAR(d.pos.x, 32500000.0, 0.01);
    EXPECT_EQ(d.ptnr, QStringLiteral("7"));  // the object is copied with its attributes
    EXPECT_EQ(d.lastPointNo, QString());
    EXPECT_EQ(d.tileService, 2);
}

// To or from the local system, or to the same system, nothing is converted: the document only
// gets the new label, and --copy makes no copy (it keeps its own settings).
TEST_F(CliReproject, RelabelsWithoutConverting)
{
    struct Case {
        int32_t from;
        const char* to;
        bool copy;
    };
    const WorldPoint pos{3512000.5, 5405020.125};
    for (const Case& c : {Case{0, "25832", false}, Case{CRS_WEBMERCATOR, "0", false}, Case{31467, "31467", false},
                          Case{0, "31467", true}}) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to << (c.copy ? " copy" : ""));
        WriteDoc(in(), c.from, pos);
        QFile::remove(out());
        QStringList extra{QStringLiteral("--crs"), QLatin1String(c.to)};
        if (c.copy) extra << QStringLiteral("--copy");
        const auto r = Run(extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const Loaded d = Load(out());
        EXPECT_EQ(d.crs, QByteArray(c.to).toInt());
        EXPECT_EQ(d.pos.x, pos.x);
        EXPECT_EQ(d.pos.y, pos.y);
        EXPECT_EQ(d.lastPointNo, QStringLiteral("7"));
        EXPECT_EQ(d.tileService, 0);
    }
}

TEST_F(CliReproject, RefusesBadInputWithoutWritingAnything)
{
    WriteDoc(in(), CRS_WEBMERCATOR, WebMercator(9.0, 50.0));
    const QByteArray before = Bytes(in());

    struct Case {
        QStringList args;
        const char* message;
    };
    const QString missing = dir.filePath(QStringLiteral("fehlt.kvd"));
    const QString garbage = dir.filePath(QStringLiteral("garbage.kvd"));
    {
        QFile g(garbage);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("keine Karte");
    }
    const std::vector<Case> cases{
        {{in(), out(), QStringLiteral("--crs"), QStringLiteral("12345")}, "Unbekanntes Koordinatensystem: 12345"},
        {{in(), out(), QStringLiteral("--crs"), QStringLiteral("4326x")}, "Unbekanntes Koordinatensystem: 4326x"},
        {{in(), out()}, "Aufruf: korvel-cli reproject"},
        {{missing, out(), QStringLiteral("--crs"), QStringLiteral("25832")}, "konnte nicht geöffnet werden"},
        {{garbage, out(), QStringLiteral("--crs"), QStringLiteral("25832")}, "Ungültiges Dateiformat!"},
        {{in(), in(), QStringLiteral("--crs"), QStringLiteral("25832")}, "nicht dieselbe Datei"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        QStringList args{QStringLiteral("reproject")};
        args << c.args;
        const auto r = test::RunCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(c.message))) << r.err.constData();
        EXPECT_FALSE(QFile::exists(out()));
        EXPECT_EQ(Bytes(in()), before);
    }
}

// A point that cannot be converted keeps its values, every other one is converted, the result
// is written under the new system, and the warning names how many objects stayed behind.
TEST_F(CliReproject, ObjectsThatCannotBeConvertedAreReported)
{
    {
        CKorvelDoc doc;
        doc.OnNewDocument(CRS_WEBMERCATOR);
        for (const WorldPoint& p : {WebMercator(9.0, 50.0), WorldPoint{std::numeric_limits<double>::quiet_NaN(), 1.0},
                                    WebMercator(10.0, 51.0)})
            ASSERT_TRUE(doc.AddObject(new GPoint(p)));
        ASSERT_EQ(doc.Save(in()), KvdStatus::Ok);
    }
    const auto r = Run({QStringLiteral("--crs"), QStringLiteral("25832")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.err),
              QStringLiteral("1 Objekte konnten nicht umgerechnet werden und behalten ihre bisherigen Koordinaten.\n"));
    CKorvelDoc out;
    ASSERT_EQ(out.Open(this->out()), KvdStatus::Ok);
    EXPECT_EQ(out.m_nCoordSys, 25832);
    int converted = 0, kept = 0;
    for (GList::Position p = out.m_pRoot->m_list.GetHeadPosition(); p;) {
        const GObj* o = GList::NextMember(p);
        if (std::isnan(o->m_ptPos.x))
            ++kept;
        else if (o->m_ptPos.x > 32400000.0)
            ++converted;
    }
    EXPECT_EQ(converted, 2);
    EXPECT_EQ(kept, 1);
}

// 4326 is not in the list but is what old documents carry: it converts like any other system.
TEST_F(CliReproject, AcceptsGeographicDegreesAsTarget)
{
    WriteDoc(in(), CRS_WEBMERCATOR, WebMercator(9.0, 50.0));
    const auto r = Run({QStringLiteral("--crs"), QStringLiteral("4326")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const Loaded d = Load(out());
    EXPECT_EQ(d.crs, CRS_WGS84);
    EXPECT_NEAR(d.pos.x, 9.0, 1e-9);
    EXPECT_NEAR(d.pos.y, 50.0, 1e-9);
}

}  // namespace
}  // namespace korvel
