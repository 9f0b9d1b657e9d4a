#include "exchange/zentoexchange.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/korveldoc.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace korvel {
namespace {

std::vector<GObj*> Collect(GList* root, uint32_t typeCode)
{
    std::vector<GObj*> objects;
    if (!root) return objects;
    CObjEnum e(root);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        if (o->GetType() == typeCode) objects.push_back(o);
    }
    return objects;
}

std::vector<ZentoInfo> InfosOf(const GObj& obj)
{
    std::vector<ZentoInfo> infos;
    for (const GInfoItem& item : obj.Infos()) infos.push_back({item.Name(), item.Value()});
    return infos;
}

// A copy of `obj` converted from `coordSys` to WGS84; null when no copy can be made.
std::unique_ptr<GObj> InDegrees(const GObj& obj, int32_t coordSys)
{
    std::unique_ptr<GObj> copy(static_cast<GObj*>(obj.Clone()));
    if (!copy) return nullptr;
    CoordTransform params{1, coordSys, CRS_WGS84};
    copy->Transform(&TransformPoint, &params);
    copy->CalcBounds();
    return copy;
}

QStringList ValuesOf(const GObj& point, const QStringList& names)
{
    QStringList values;
    for (const QString& name : names) {
        const GInfoItem* info = point.FindInfo(name);
        values << (info ? info->Value() : QString());
    }
    return values;
}

// One file of the export: asks before replacing, writes through a temporary file.
class ExportFile {
public:
    enum Outcome { Written, Skipped, Refused };

    template <class WriteFn>
    static Outcome Write(const QString& folder, const QString& name, const ZentoExportRequest& request,
                         ZentoExportResult& result, WriteFn write)
    {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(path) && !(request.confirmOverwrite && request.confirmOverwrite(name))) {
            result.stopped = true;
            return Refused;
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            result.failed << path;
            return Skipped;
        }
        CZentoWriter writer(file);
        write(writer);
        if (!writer.Ok() || !file.commit()) {
            result.failed << path;
            return Skipped;
        }
        result.written << path;
        return Written;
    }
};

}  // namespace

QString WithoutTrailingSeparators(QString folder)
{
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))) folder.chop(1);
    return folder;
}

QString ExportBaseFolder(const QString& entered)
{
    const QString base = WithoutTrailingSeparators(entered.trimmed());
    // An empty folder would put the files at the root of the file system.
    return base.isEmpty() ? QStringLiteral(".") : base;
}

void SortNamesForList(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

size_t ImportZentoContent(const ZentoContent& content, int32_t coordSys, const std::function<bool(GObj*)>& add)
{
    auto finish = [&](std::unique_ptr<GObj> obj) {
        CoordTransform params{1, CRS_WGS84, coordSys};
        obj->Transform(&TransformPoint, &params);
        obj->CalcBounds();
        if (!add(obj.get())) return size_t(0);
        obj.release();
        return size_t(1);
    };
    auto appendAll = [](GObj& obj, const std::vector<ZentoInfo>& infos) {
        for (const ZentoInfo& i : infos) obj.AppendInfo(i.name, i.value, INFO_TEXT);
    };
    if (content.positions.empty()) return 0;

    size_t added = 0;
    if (content.mode == ZentoMode::Points) {
        for (const CZentoPoint& pos : content.positions) {
            auto point = std::make_unique<GPoint>(WorldPoint{pos.x, pos.y});
            appendAll(*point, content.description);
            appendAll(*point, pos.infos);
            added += finish(std::move(point));
        }
        return added;
    }
    auto ring = std::make_unique<GRing>(static_cast<int32_t>(content.positions.size()));
    for (const CZentoPoint& pos : content.positions) {
        if (!ring->Add(WorldPoint{pos.x, pos.y})) return 0;
    }
    std::unique_ptr<GPolyline> obj;
    if (content.mode == ZentoMode::Line)
        obj = std::make_unique<GPolyline>(std::move(ring));
    else
        obj = std::make_unique<GPolygon>(std::move(ring));
    if (obj->RingCount() != 1) return 0;
    appendAll(*obj, content.description);
    return finish(std::move(obj));
}

ZentoImportStatus ImportZentoFile(const QString& path, int32_t coordSys, const std::function<bool(GObj*)>& add)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return ZentoImportStatus::CannotOpen;
    const ZentoFileKind kind = ReadZentoKind(file);
    if (kind != ZentoFileKind::Position && kind != ZentoFileKind::Marker) return ZentoImportStatus::BadFormat;
    ImportZentoContent(ReadZentoFile(file, kind), coordSys, add);
    return ZentoImportStatus::Imported;
}

ZentoImportStatus ImportZento(CKorvelDoc& doc, const QString& path)
{
    return ImportZentoFile(path, doc.m_nCoordSys, [&doc](GObj* o) { return doc.AddObject(o); });
}

ZentoExportResult ExportZento(CKorvelDoc& doc, const ZentoExportRequest& request)
{
    return ExportZento(doc.m_pRoot.get(), doc.m_nCoordSys, request);
}

QStringList ZentoAttributeNames(GList* root, uint32_t typeCode)
{
    QStringList names;
    for (GObj* o : Collect(root, typeCode)) {
        for (const GInfoItem& item : o->Infos()) {
            if (!names.contains(item.Name(), Qt::CaseInsensitive)) names << item.Name();
        }
    }
    return names;
}

ZentoExportResult ExportZento(GList* root, int32_t coordSys, const ZentoExportRequest& request)
{
    ZentoExportResult result;
    const QString folder = ExportBaseFolder(request.folder);
    const std::vector<GObj*> points = Collect(root, GT_POINT);
    int n = 0;

    for (GObj* obj : Collect(root, GT_POLYGON)) {
        ++n;
        const std::unique_ptr<GObj> area = InDegrees(*obj, coordSys);
        if (!area) continue;
        const std::vector<ZentoInfo> description = InfosOf(*obj);
        const auto outline = ExportFile::Write(folder, QStringLiteral("%1.geo").arg(n), request, result,
                                               [&](CZentoWriter& w) {
            w.WritePositionFileHeader(request.now(), &description, request.areaNames);
            const auto* polygon = static_cast<const GPolyline*>(area.get());
            if (!polygon->m_pRings) return;
            for (GObList::Position pos = polygon->m_pRings->GetHeadPosition(); pos;) {
                const GRing* ring = GPolyline::RingAt(pos);
                GObList::GetNext(pos);
                if (!ring) continue;
                for (const WorldPoint& p : ring->Points()) w.WritePositionLine(p.x, p.y);
            }
        });
        if (outline == ExportFile::Refused) return result;
        if (outline == ExportFile::Skipped) continue;  // no outline, so no markers either

        const auto* polygon = static_cast<const GPolygon*>(area.get());
        const auto markers = ExportFile::Write(folder, QStringLiteral("%1_1.pos").arg(n), request, result,
                                               [&](CZentoWriter& w) {
            w.WriteMarkerFileHeader(request.now(), &description, request.areaNames);
            for (GObj* p : points) {
                const std::unique_ptr<GObj> point = InDegrees(*p, coordSys);
                if (point && polygon->IsInside(point->m_ptPos))
                    w.WriteMarkerLine(point->m_ptPos.x, point->m_ptPos.y, ValuesOf(*p, request.pointNames));
            }
        });
        if (markers == ExportFile::Refused) return result;
    }

    if (!request.allPoints) return result;
    ++n;
    // The bounds of everything, widened by 10 units of the document's system.
    WorldRect box = root ? root->m_rcBounds : WorldRect{};
    WorldPoint lo{box.minX - 10, box.minY - 10};
    WorldPoint hi{box.maxX + 10, box.maxY + 10};
    WorldPoint loDeg = lo, hiDeg = hi;
    CoordTransform a{1, coordSys, CRS_WGS84}, b{1, coordSys, CRS_WGS84};
    if (TransformPoint(&loDeg, &a) && TransformPoint(&hiDeg, &b)) {
        lo = loDeg;
        hi = hiDeg;
    }
    const auto outline = ExportFile::Write(folder, QStringLiteral("%1.geo").arg(n), request, result,
                                           [&](CZentoWriter& w) {
        w.WritePositionFileHeader(request.now(), nullptr, {});
        w.WritePositionLine(lo.x, hi.y);
        w.WritePositionLine(hi.x, hi.y);
        w.WritePositionLine(hi.x, lo.y);
        w.WritePositionLine(lo.x, lo.y);
        w.WritePositionLine(lo.x, hi.y);
    });
    if (outline == ExportFile::Refused) return result;
    ExportFile::Write(folder, QStringLiteral("%1_1.pos").arg(n), request, result, [&](CZentoWriter& w) {
        w.WriteMarkerFileHeader(request.now(), nullptr, {});
        for (GObj* p : points) {
            const std::unique_ptr<GObj> point = InDegrees(*p, coordSys);
            if (point) w.WriteMarkerLine(point->m_ptPos.x, point->m_ptPos.y, ValuesOf(*p, request.pointNames));
        }
    });
    return result;
}

}  // namespace korvel
