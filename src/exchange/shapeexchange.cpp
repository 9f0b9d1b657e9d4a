#include "exchange/shapeexchange.h"

#include "exchange/codepage.h"
#include "exchange/numtext.h"
#include "exchange/shapefile.h"
#include "exchange/shapeprojection.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace korvel {
namespace {

// Bytes a dBase field name may have (the eleventh of the descriptor stays zero).
constexpr qsizetype kFieldNameBytes = 10;

uint32_t KindForShapeType(int32_t shapeType)
{
    switch (shapeType) {
    case SHPT_POINT:
        return GT_POINT;
    case SHPT_POLYLINE:
        return GT_POLYLINE;
    case SHPT_POLYGON:
        return GT_POLYGON;
    default:
        return 0;
    }
}

// True when the deep walk meets an object of a real kind (markers have type 0).
bool HasMapObjects(GList* root)
{
    if (!root) return false;
    CObjEnum e(root);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        if (o->GetType() & 0x0FFF) return true;
    }
    return false;
}

bool HasNonNullShape(CShapeFile& file)
{
    for (uint32_t i = 0; i < file.GetShapeCount(); ++i) {
        if (!file.GetShape(i)->IsNull()) return true;
    }
    return false;
}

// A date field that holds no date: blanks, or the zeros some programs write for none.
bool IsNullDate(const QString& digits)
{
    return std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == QLatin1Char('0'); });
}

// The attributes of record `record` as (name, value, format), in field order.
void ImportAttributes(const CDBaseFile& table, int record, GObj& obj)
{
    for (uint32_t f = 0; f < table.GetFieldCount(); ++f) {
        const CDBaseField* field = table.GetField(int(f));
        const std::optional<uint16_t> format = FormatForField(*field);
        if (!format) continue;
        QString value;
        if (field->type == 'D') {
            // The value reader leaves dates alone; their eight digits are the value, so a date
            // column survives an import and a later export (as text of width 8).
            const QByteArray raw = table.GetRecord(record).mid(field->m_nOffset, field->length);
            value = QString::fromLatin1(raw).trimmed();
            if (value.contains(QChar(0))) value.truncate(value.indexOf(QChar(0)));
            if (IsNullDate(value)) value.clear();
        } else {
            table.GetValueAsText(int(f), record, value);
        }
        if (!field->m_strName.isEmpty() && !value.isEmpty()) obj.SetInfo(field->m_strName, value, *format);
    }
}

std::unique_ptr<GObj> ObjectForShape(CShape& shape)
{
    if (shape.IsNull()) return nullptr;
    if (auto* point = dynamic_cast<CShapePoint*>(&shape))
        return std::make_unique<GPoint>(WorldPoint{point->m_dX, point->m_dY});
    auto* line = dynamic_cast<CShapePolyLine*>(&shape);
    if (!line) return nullptr;
    std::unique_ptr<GPolyline> obj;
    if (shape.GetShapeType() == SHPT_POLYGON)
        obj = std::make_unique<GPolygon>();
    else
        obj = std::make_unique<GPolyline>();
    for (uint32_t r = 0; r < line->GetRingCount(); ++r) {
        const CRing* src = line->GetRing(r);
        auto ring = std::make_unique<GRing>(static_cast<int32_t>(src->GetCount()));
        for (const WorldPoint& p : src->GetPoints()) {
            if (!ring->Add(p)) return nullptr;
        }
        if (!obj->AddRing(ring.get())) return nullptr;
        ring.release();  // owned by the object now
    }
    obj->CalcBounds();
    return obj;
}

// The rings of a polyline or polygon in order.
std::vector<const GRing*> RingsOf(const GPolyline& obj)
{
    std::vector<const GRing*> rings;
    if (!obj.m_pRings) return rings;
    for (GObList::Position pos = obj.m_pRings->GetHeadPosition(); pos;) {
        const GObList::Position at = pos;
        GObList::GetNext(pos);
        if (const GRing* ring = GPolyline::RingAt(at)) rings.push_back(ring);
    }
    return rings;
}

// A field name for the attribute `name` that no field of `table` has yet. dBase keeps ten
// bytes of a name and readers compare names without regard to case: a name whose cut form is
// taken is shortened further and numbered, as GIS programs do (BESCHREIBUNG2 beside
// BESCHREIBUNG becomes BESCHREI_1).
QString UniqueFieldName(const CDBaseFile& table, const QString& name)
{
    const TableCodePage cp = table.GetCodePage();
    const QByteArray bytes = EncodeText(name, cp);
    const QString cut = DecodeText(bytes.left(FittingPrefix(bytes, kFieldNameBytes, cp)), cp);
    if (table.FindField(cut) < 0) return cut;
    // Far more than any table holds (at most 2046 fields), so a free number is always found.
    for (int n = 1; n <= int(CDBaseFile::kMaxFields); ++n) {
        const QByteArray suffix = '_' + QByteArray::number(n);
        const QString candidate =
            DecodeText(bytes.left(FittingPrefix(bytes, kFieldNameBytes - suffix.size(), cp)) + suffix, cp);
        if (table.FindField(candidate) < 0) return candidate;
    }
    return cut;
}

std::unique_ptr<CShape> ShapeForObject(const GObj& obj)
{
    if (obj.GetType() == GT_POINT) return std::make_unique<CShapePoint>(obj.m_ptPos.x, obj.m_ptPos.y);
    const auto* line = dynamic_cast<const GPolyline*>(&obj);
    if (!line) return nullptr;
    std::unique_ptr<CShapePolyLine> shape;
    if (obj.GetType() == GT_POLYGON)
        shape = std::make_unique<CShapePolygon>();
    else
        shape = std::make_unique<CShapePolyLine>();
    for (const GRing* ring : RingsOf(*line)) {
        auto part = std::make_unique<CRing>(static_cast<uint32_t>(ring->GetCount()));
        for (const WorldPoint& p : ring->Points()) {
            if (!part->AddPoint(p)) return nullptr;
        }
        shape->AddRing(std::move(part));  // rings without points are refused, as they should be
    }
    return shape;
}

}  // namespace

DbfFieldSpec FieldSpecForFormat(uint16_t format)
{
    if (format == INFO_LOGICAL) return {'L', 1, 0};
    if (format == INFO_TEXT) return {'C', 20, 0};
    if ((format >> 8) == 0xFF) return {'C', unsigned(format & 0xFF), 0};
    return {'N', unsigned(format & 0xFF), unsigned(format >> 8)};
}

std::optional<uint16_t> FormatForField(const CDBaseField& field)
{
    switch (field.type) {
    case 'C':
        return uint16_t(0xFF00 + field.length);
    case 'D':
        return uint16_t(0xFF08);
    case 'L':
        return INFO_LOGICAL;
    case 'N':
        return uint16_t(field.decimals * 256 + field.length);
    default:
        return std::nullopt;
    }
}

uint32_t KindSet(GList* root)
{
    uint32_t kinds = 0;
    if (!root) return kinds;
    CObjEnum e(root);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) kinds |= o->GetType();
    return kinds;
}

bool HasKind(GList* root, uint32_t kinds)
{
    if (!root) return false;
    CObjEnum e(root);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        if (o->GetType() & kinds) return true;
    }
    return false;
}

int32_t ShapeTypeForKind(uint32_t typeCode)
{
    switch (typeCode) {
    case GT_POINT:
        return SHPT_POINT;
    case GT_POLYLINE:
        return SHPT_POLYLINE;
    case GT_POLYGON:
        return SHPT_POLYGON;
    default:
        return 0;
    }
}

QString DefaultShapeFileName(uint32_t typeCode, const QDateTime& now)
{
    const char* suffix = typeCode == GT_POINT ? "point" : typeCode == GT_POLYLINE ? "polyline"
                                                     : typeCode == GT_POLYGON ? "polygon" : nullptr;
    if (!suffix) return QString();
    return now.toString(QStringLiteral("yyMMdd_HHmmss_")) + QLatin1String(suffix) + QLatin1String(".shp");
}

QString WithShpExtension(const QString& name)
{
    return name.endsWith(QLatin1String(".shp"), Qt::CaseInsensitive) ? name : name + QLatin1String(".shp");
}

bool ShapeFilesExist(const QString& folder, const QString& name)
{
    // Files copied from case-insensitive systems often carry other letter cases (Wege.SHP,
    // Wege.Dbf); the export replaces those too, so they count.
    const QFileInfo shp(folder + QLatin1Char('/') + name);
    const QString base = shp.fileName().chopped(4);
    const QStringList entries = shp.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        for (const char* ext : {".shp", ".shx", ".dbf"}) {
            if (entry.compare(base + QLatin1String(ext), Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

bool LooksGeographic(const WorldRect& box)
{
    return box.minX >= -180.0 && box.minY >= -90.0 && box.maxX <= 180.0 && box.maxY <= 90.0;
}

size_t ImportShapes(CShapeFile& file, ShapeImportTarget& target)
{
    int32_t source = *target.coordSys;
    int32_t destination = *target.coordSys;
    // A file without any shape has no box worth the name (all zeros), so it says nothing about
    // its system and must not give the document one.
    if (HasNonNullShape(file) && LooksGeographic(file.GetBounds())) {
        source = CRS_WGS84;
        // An empty document without a system takes the one the online maps need.
        if (*target.coordSys == CRS_LOCAL && !HasMapObjects(target.root)) {
            *target.coordSys = CRS_WEBMERCATOR;
            destination = CRS_WEBMERCATOR;
        }
    }
    const CDBaseFile& table = file.GetTable();
    size_t added = 0;
    for (uint32_t i = 0; i < file.GetShapeCount(); ++i) {
        std::unique_ptr<GObj> obj = ObjectForShape(*file.GetShape(i));
        if (!obj) continue;
        ImportAttributes(table, int(i), *obj);
        CoordTransform params{1, source, destination};
        // A conversion TransformPoint refuses leaves the coordinates as they were.
        obj->Transform(&TransformPoint, &params);
        obj->CalcBounds();
        if (target.add(obj.get())) {
            obj.release();
            ++added;
        }
    }
    return added;
}

uint16_t ImportShapeFile(const QString& path, ShapeImportTarget& target)
{
    CShapeFile file(0);
    if (!file.Read(path)) return file.GetError();
    ImportShapes(file, target);
    return EXCH_OK;
}

bool ImportShape(CKorvelDoc& doc, const QString& path)
{
    ShapeImportTarget target{doc.m_pRoot.get(), &doc.m_nCoordSys, [&doc](GObj* o) { return doc.AddObject(o); }};
    const uint16_t code = ImportShapeFile(path, target);
    if (code == EXCH_OK) return true;
    ShowMessage(code, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, path);
    return false;
}

ShapeExportStatus ExportShape(CKorvelDoc& doc, int32_t shapeType, const QString& path, QString* failedPath,
                              size_t* overflowCount)
{
    return ExportShapes(doc.m_pRoot.get(), doc.m_nCoordSys, shapeType, path, failedPath, overflowCount);
}

ShapeExportStatus ExportShapes(GList* root, int32_t coordSys, int32_t shapeType, const QString& path,
                               QString* failedPath, size_t* overflowCount)
{
    const uint32_t kind = KindForShapeType(shapeType);
    std::vector<GObj*> objects;
    if (root && kind) {
        CObjEnum e(root);
        for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
            if (o->GetType() == kind) objects.push_back(o);
        }
    }
    if (objects.empty()) return ShapeExportStatus::NothingToWrite;

    // Every attribute name at its first appearance (exact spelling), with the largest format
    // word seen for it: a name that is a number on one object and text on another becomes text.
    // Names are interned by their exact spelling, so the name id stands for the name.
    std::vector<std::pair<QString, uint16_t>> names;
    QHash<uint32_t, size_t> nameIndex;
    for (GObj* o : objects) {
        for (const GInfoItem& info : o->Infos()) {
            const auto it = nameIndex.constFind(info.NameId());
            if (it == nameIndex.cend()) {
                nameIndex.insert(info.NameId(), names.size());
                names.emplace_back(info.Name(), info.Format());
            } else if (info.Format() > names[*it].second) {
                names[*it].second = info.Format();
            }
        }
    }

    CShapeFile file(shapeType);
    CDBaseFile& table = file.GetTable();
    // Every noted name gets a field of its own, under a name no other field has (see
    // UniqueFieldName), and its values go to that field and no other.
    std::vector<int> fieldOfName(names.size(), -1);
    for (size_t i = 0; i < names.size(); ++i) {
        const DbfFieldSpec column = FieldSpecForFormat(names[i].second);
        // A field of width 0 could hold nothing, and dBase readers reject it.
        if (column.length == 0) continue;
        const int index = int(table.GetFieldCount());
        if (table.AppendField(table.CreateField(UniqueFieldName(table, names[i].first), column.type,
                                                column.length, column.decimals)))
            fieldOfName[i] = index;
    }

    QHash<uint32_t, std::pair<int, uint16_t>> targets;
    targets.reserve(nameIndex.size());
    for (auto it = nameIndex.cbegin(); it != nameIndex.cend(); ++it) {
        targets.insert(it.key(), {fieldOfName[it.value()], names[it.value()].second});
    }

    const bool toDegrees = coordSys == CRS_WEBMERCATOR;
    file.SetProjection(EsriWktForCoordSys(coordSys));
    for (GObj* o : objects) {
        std::unique_ptr<GObj> copy;
        const GObj* source = o;
        if (toDegrees) {
            copy.reset(static_cast<GObj*>(o->Clone()));
            if (!copy) return ShapeExportStatus::Failed;
            CoordTransform params{1, CRS_WEBMERCATOR, CRS_WGS84};
            copy->Transform(&TransformPoint, &params);
            source = copy.get();
        }
        std::unique_ptr<CShape> shape = ShapeForObject(*source);
        if (!shape) return ShapeExportStatus::Failed;
        const int record = file.AddShape(std::move(shape));
        if (record < 0) return ShapeExportStatus::Failed;

        for (const GInfoItem& info : o->Infos()) {
            const auto target = targets.constFind(info.NameId());
            if (target == targets.cend() || target->first < 0) continue;
            const int field = target->first;
            const uint16_t format = target->second;
            // Numbers and truth values are read from the start of the value, which is plain
            // ASCII when it holds one; anything else ends the number there.
            const QStringView view = info.ValueView();
            char ascii[128];
            size_t length = 0;
            while (length < sizeof ascii && length < size_t(view.size()) && view[qsizetype(length)].unicode() < 0x80) {
                ascii[length] = char(view[qsizetype(length)].unicode());
                ++length;
            }
            std::string_view text(ascii, length);
            QByteArray longValue;  // a value too long for the buffer is read whole
            if (length == sizeof ascii) {
                longValue = view.toUtf8();
                text = std::string_view(longValue.constData(), size_t(longValue.size()));
            }
            if (format == INFO_LOGICAL) {
                const auto n = view.isEmpty() ? std::nullopt : ParseLeadingInteger(text);
                if (n && table.GetField(field)->type == 'L') table.SetLogical(field, record, *n == 1);
            } else if ((format >> 8) == 0xFF) {
                table.SetText(field, record, info.Value());
            } else if (const auto number = ParseLeadingDouble(text)) {
                if (!table.SetNumber(field, record, *number) && overflowCount) ++*overflowCount;
            }
        }
    }

    if (file.Write(path)) return ShapeExportStatus::Written;
    if (failedPath) *failedPath = file.GetFailedPath();
    return file.GetWriteFailure() == CShapeFile::WriteFailure::CannotCreate ? ShapeExportStatus::CannotCreate
                                                                              : ShapeExportStatus::Failed;
}

}  // namespace korvel
