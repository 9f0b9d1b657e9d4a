#include "app/demodocument.h"

#include "app/labelfont.h"
#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <memory>
#include <vector>

namespace korvel {
namespace {

// The field of the recorded walk, in metres east and north of 9.0° E, 50.0° N.
constexpr double kOriginLon = 9.0;
constexpr double kOriginLat = 50.0;
constexpr double kMetresPerDegLat = 111229.0;
const double kMetresPerDegLon = 111320.0 * std::cos(kOriginLat * 3.14159265358979323846 / 180.0);

struct Offset {
    double east;
    double north;
};
constexpr Offset kCorners[] = {{0.0, 0.0}, {140.0, 10.0}, {150.0, 95.0}, {20.0, 110.0}};
constexpr Offset kHedge[] = {{-14.0, -10.0}, {-9.0, 45.0}, {2.0, 117.0}, {35.0, 126.0}};

// Web-mercator metres of a point given in metres from the origin.
WorldPoint Place(Offset o)
{
    WorldPoint p{kOriginLon + o.east / kMetresPerDegLon, kOriginLat + o.north / kMetresPerDegLat};
    CoordTransform params{1, 4326, 900913};
    TransformPoint(&p, &params);
    return p;
}

std::unique_ptr<GRing> Ring(std::initializer_list<Offset> points)
{
    auto ring = std::make_unique<GRing>(static_cast<int32_t>(points.size()));
    for (const Offset& o : points) ring->Add(Place(o));
    return ring;
}

}  // namespace

bool BuildDemoDocument(CKorvelDoc& doc, int viewWidth, int viewHeight)
{
    if (!doc.OnNewDocument(900913)) return false;

    // A view that is never shown lays the labels out at the scale the demo opens with.
    CKorvelView view(&doc);
    view.resize(viewWidth, viewHeight);
    view.SetWorldRect(WorldRect{Place({-40, -30}).x, Place({-40, -30}).y, Place({190, 150}).x, Place({190, 150}).y});

    bool ok = doc.AddObject(new GPolygon(Ring({kCorners[0], kCorners[1], kCorners[2], kCorners[3]})));
    ok = ok && doc.AddObject(new GPolyline(Ring({kHedge[0], kHedge[1], kHedge[2], kHedge[3]})));

    const LogFont font = DefaultLabelFont();
    int number = 1;
    for (const Offset& corner : kCorners) {
        auto* point = new GPoint(Place(corner));
        point->SetInfo(QStringLiteral("PTNR"), QString::number(number));
        ok = ok && doc.AddObject(point);
        auto* label = new GText(QString::number(number));
        label->m_ptPos = Place({corner.east + 2.0, corner.north - 2.0});
        label->SetFont(font, &view);
        ok = ok && doc.AddObject(label);
        ++number;
    }
    struct Label {
        const char* text;
        Offset at;
    };
    const Label labels[] = {{"Flurstück 17", {55.0, 60.0}}, {"Hecke", {-30.0, 70.0}}};
    for (const Label& l : labels) {
        auto* text = new GText(QString::fromUtf8(l.text));
        text->m_ptPos = Place(l.at);
        text->SetFont(font, &view);
        ok = ok && doc.AddObject(text);
    }
    doc.m_strLastPointNo = QString::number(number - 1);
    return ok;
}

bool WriteDemoDocument(const QString& path)
{
    CKorvelDoc doc;
    return BuildDemoDocument(doc) && doc.Save(path) == KvdStatus::Ok;
}

QString FindDemoFolder()
{
    QStringList candidates;
    if (QCoreApplication::instance()) {
        candidates << QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/korvel/demo"));
    }
#ifdef KORVEL_DEMO_DIRS
    candidates << QString::fromUtf8(KORVEL_DEMO_DIRS).split(QLatin1Char(':'), Qt::SkipEmptyParts);
#endif
    for (const QString& folder : candidates) {
        if (QFileInfo::exists(folder + QStringLiteral("/demo.kvd")) && QFileInfo::exists(folder + QStringLiteral("/walk.nmea"))) {
            return folder;
        }
    }
    return QString();
}

}  // namespace korvel
