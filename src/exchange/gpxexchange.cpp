#include "exchange/gpxexchange.h"

#include "exchange/shapeexchange.h"
#include "exchange/vectorstate.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "model/reproject.h"
#include "strings/stringtable.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <limits>
#include <memory>
#include <span>

#ifndef KORVEL_VERSION_STRING
#define KORVEL_VERSION_STRING "0.0.0"
#endif

namespace korvel {
namespace {

QString Name(const char* name) { return QString::fromLatin1(name); }

bool IsAreaType(const std::optional<QString>& type)
{
    return type && type->compare(QString::fromUtf16(kGpxAreaType), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<GObj> ObjectForPath(const GpxPath& path)
{
    const bool area = !path.route && IsAreaType(path.type);
    std::unique_ptr<GPolyline> obj = area ? std::make_unique<GPolygon>() : std::make_unique<GPolyline>();
    for (const std::vector<WorldPoint>& segment : path.segments) {
        size_t count = segment.size();
        // Areas come as closed segments; a ring does not repeat its first vertex.
        if (area && count >= 2 && segment.front() == segment[count - 1]) --count;
        if (count == 0) continue;
        if (count > size_t(std::numeric_limits<int32_t>::max())) return nullptr;
        auto ring = std::make_unique<GRing>(static_cast<int32_t>(count));
        for (size_t i = 0; i < count; ++i) {
            if (!ring->Add(segment[i])) return nullptr;
        }
        if (!obj->AddRing(ring.get())) return nullptr;
        ring.release();  // owned by the object now
    }
    if (obj->RingCount() == 0) return nullptr;
    if (path.name) obj->AppendInfo(Name(kGpxPathName), *path.name, INFO_TEXT);
    if (path.desc) obj->AppendInfo(Name(kGpxDescription), *path.desc, INFO_TEXT);
    return obj;
}

// An xsd:dateTime as far as the other programs insist on it: a date, a "T" and a time.
bool IsDateTime(const QString& text)
{
    return text.contains(QLatin1Char('T')) && QDateTime::fromString(text, Qt::ISODateWithMs).isValid();
}

bool IsDecimal(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    for (QChar c : text) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+'))) return false;
    }
    return true;
}

std::optional<QString> NonEmptyInfo(const GObj& obj, const char* name)
{
    const GInfoItem* info = obj.FindInfo(Name(name));
    if (!info || info->ValueView().trimmed().isEmpty()) return std::nullopt;
    return info->ValueView().trimmed().toString();
}

// `points` converted to WGS84 into `out`; false when one cannot be converted.
bool ToDegrees(std::span<const WorldPoint> points, int32_t coordSys, std::vector<WorldPoint>& out)
{
    out.reserve(out.size() + points.size() + 1);
    ClearUpperVectorState();  // reading the document hashed strings; see vectorstate.h
    for (WorldPoint p : points) {
        CoordTransform params{1, coordSys, CRS_WGS84};
        if (!TransformPoint(&p, &params)) return false;
        out.push_back(p);
    }
    return true;
}

}  // namespace

QString GpxCreator() { return QStringLiteral("Korvel " KORVEL_VERSION_STRING); }

QString WithGpxExtension(const QString& name)
{
    return name.endsWith(QLatin1String(".gpx"), Qt::CaseInsensitive) ? name : name + QLatin1String(".gpx");
}

size_t ImportGpxContent(const GpxContent& content, int32_t coordSys, const std::function<bool(GObj*)>& add)
{
    size_t added = 0;
    auto finish = [&](std::unique_ptr<GObj> obj) {
        if (!obj) return;
        if (coordSys != CRS_LOCAL) {
            CoordTransform params{1, CRS_WGS84, coordSys};
            ClearUpperVectorState();  // naming the object hashed strings; see vectorstate.h
            obj->Transform(&TransformPoint, &params);
        }
        obj->CalcBounds();
        if (!add(obj.get())) return;
        obj.release();
        ++added;
    };
    for (const GpxWaypoint& w : content.waypoints) {
        auto point = std::make_unique<GPoint>(w.pos);
        point->AppendInfo(Name(kGpxPointName), w.name.value_or(QString()), INFO_TEXT);
        if (w.ele) point->AppendInfo(Name(kGpxElevation), *w.ele, INFO_TEXT);
        if (w.time) point->AppendInfo(Name(kGpxTime), *w.time, INFO_TEXT);
        if (w.desc) point->AppendInfo(Name(kGpxDescription), *w.desc, INFO_TEXT);
        finish(std::move(point));
    }
    for (const GpxPath& path : content.paths) finish(ObjectForPath(path));
    return added;
}

GpxImportResult ImportGpx(CKorvelDoc& doc, const QString& path)
{
    GpxImportResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = GpxImportStatus::CannotOpen;
        return result;
    }
    GpxContent content;
    if (!ReadGpx(file, &content, &result.error)) {
        result.status = GpxImportStatus::Malformed;
        return result;
    }
    if (content.IsEmpty()) return result;
    const int32_t target = AdoptWgs84(doc);
    result.added = ImportGpxContent(content, target, [&doc](GObj* o) { return doc.AddObject(o); });
    return result;
}

QString GpxErrorMessage(const QString& path, const GpxReadError& error)
{
    return FormatString(IDS_GPX_MALFORMED, GpxErrorInserts(path, error));
}

QStringList GpxErrorInserts(const QString& path, const GpxReadError& error)
{
    return {path, QString::number(error.line), QString::number(error.column),
            FormatString(static_cast<int>(error.fault), error.detail)};
}

bool CanExportGpxContent(GList* root, int32_t coordSys)
{
    return coordSys > 0 && IsTransformable(coordSys) && HasKind(root, GT_POINT | GT_POLYLINE | GT_POLYGON);
}

bool CollectGpxContent(GList* root, int32_t coordSys, GpxContent* content)
{
    *content = GpxContent{};
    if (!root) return true;
    CObjEnum walk(root);
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        const uint32_t type = o->GetType();
        if (type == GT_POINT) {
            GpxWaypoint w;
            std::vector<WorldPoint> pos;
            if (!ToDegrees(std::span<const WorldPoint>(&o->m_ptPos, 1), coordSys, pos)) return false;
            w.pos = pos.front();
            w.name = NonEmptyInfo(*o, kGpxPointName);
            w.ele = NonEmptyInfo(*o, kGpxElevation);
            if (w.ele && !IsDecimal(*w.ele)) w.ele.reset();
            w.time = NonEmptyInfo(*o, kGpxTime);
            if (w.time && !IsDateTime(*w.time)) w.time.reset();
            w.desc = NonEmptyInfo(*o, kGpxDescription);
            content->waypoints.push_back(std::move(w));
            continue;
        }
        if (type != GT_POLYLINE && type != GT_POLYGON) continue;
        const auto* line = static_cast<const GPolyline*>(o);
        GpxPath path;
        path.name = NonEmptyInfo(*o, kGpxPathName);
        path.desc = NonEmptyInfo(*o, kGpxDescription);
        if (type == GT_POLYGON) path.type = QString::fromUtf16(kGpxAreaType);
        if (line->m_pRings) {
            for (GObList::Position pos = line->m_pRings->GetHeadPosition(); pos;) {
                const GRing* ring = GPolyline::RingAt(pos);
                GObList::GetNext(pos);
                if (!ring || ring->GetCount() == 0) continue;
                std::vector<WorldPoint>& segment = path.segments.emplace_back();
                if (!ToDegrees(ring->Points(), coordSys, segment)) return false;
                if (type == GT_POLYGON) segment.push_back(segment.front());  // closed, as areas are
            }
        }
        if (path.segments.empty()) continue;  // nothing to draw, nothing to write
        content->paths.push_back(std::move(path));
    }
    return true;
}

GpxExportStatus ExportGpx(CKorvelDoc& doc, const QString& path)
{
    return ExportGpx(doc.m_pRoot.get(), doc.m_nCoordSys, path);
}

GpxExportStatus ExportGpx(GList* root, int32_t coordSys, const QString& path)
{
    if (!CanExportGpxContent(root, coordSys)) return GpxExportStatus::NothingToWrite;
    GpxContent content;
    if (!CollectGpxContent(root, coordSys, &content)) return GpxExportStatus::Failed;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return GpxExportStatus::CannotCreate;
    if (!WriteGpx(file, content, GpxCreator()) || !file.commit()) return GpxExportStatus::Failed;
    return GpxExportStatus::Written;
}

}  // namespace korvel
