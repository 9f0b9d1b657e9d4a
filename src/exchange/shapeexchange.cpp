#include "exchange/shapeexchange.h"

#include "exchange/codepage.h"
#include "exchange/numtext.h"
#include "exchange/shapefile.h"
#include "exchange/shapeprojection.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/cp1252.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "model/smallcopy.h"
#include "strings/stringtable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>
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

// The attributes of record `record` as (name, value, format), in field order, one SetInfo per
// field: the general way, for tables whose field names repeat.
void ImportAttributesOneByOne(const CDBaseFile& table, int record, GObj& obj)
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

bool IsCSpaceByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool CanonicalFixedText(std::string_view text, unsigned decimals)
{
    // At most 15 significant digits survive the way through a double unchanged.
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    const size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    const size_t intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0')) return false;
    size_t fracDigits = 0;
    if (i < text.size()) {
        if (text[i] != '.' || decimals == 0) return false;
        ++i;
        const size_t fracStart = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        fracDigits = i - fracStart;
    }
    if (i != text.size() || fracDigits != decimals) return false;
    if (intDigits + fracDigits > 15) return false;
    if (negative) {
        // A zero with a minus sign goes the general way.
        bool allZero = true;
        for (size_t k = intStart; k < text.size(); ++k) allZero = allZero && (text[k] == '0' || text[k] == '.');
        if (allZero) return false;
    }
    return true;
}

CShapeAttributeReader::CShapeAttributeReader(const CDBaseFile& table) : m_table(table)
{
    QList<QString> names;
    for (uint32_t f = 0; f < table.GetFieldCount(); ++f) {
        const CDBaseField* field = table.GetField(int(f));
        const std::optional<uint16_t> format = FormatForField(*field);
        if (!format || field->m_strName.isEmpty()) continue;
        for (const QString& n : names) {
            // SetInfo finds names ignoring case: a repeated name replaces the earlier value.
            if (n.compare(field->m_strName, Qt::CaseInsensitive) == 0) m_oneByOne = true;
        }
        names.append(field->m_strName);
        Column c;
        c.type = field->type;
        c.offset = field->m_nOffset;
        c.length = field->length;
        c.decimals = field->decimals;
        c.format = *format;
        if (!infonames::Intern(field->m_strName, &c.nameId)) m_oneByOne = true;
        m_columns.push_back(c);
    }
}

void CShapeAttributeReader::Read(int record, GObj& obj)
{
    if (m_oneByOne) {
        ImportAttributesOneByOne(m_table, record, obj);
        return;
    }
    const QByteArray bytes = m_table.GetRecord(record);
    m_chars.clear();
    m_values.clear();
    for (const Column& c : m_columns) {
        if (qsizetype(c.offset) + c.length > bytes.size()) continue;
        const char* p = bytes.constData() + c.offset;
        const size_t start = m_chars.size();
        switch (c.type) {
        case 'C': {
            // As GetValueAsText: up to the first NUL, decoded in the table's code page, trailing
            // blanks cut off (Windows-1252 maps only ASCII bytes to blanks, so the bytes can be
            // cut first).
            const void* zero = std::memchr(p, 0, c.length);
            size_t n = zero ? size_t(static_cast<const char*>(zero) - p) : c.length;
            if (m_table.GetCodePage() == TableCodePage::Windows1252) {
                while (n > 0 && IsCSpaceByte(p[n - 1])) --n;
                for (size_t k = 0; k < n; ++k) m_chars.push_back(Cp1252ToUnicode(static_cast<unsigned char>(p[k])));
            } else {
                const QString text = DecodeText(p, n, m_table.GetCodePage());
                qsizetype m = text.size();
                while (m > 0 && text.at(m - 1).unicode() < 0x80 && IsCSpaceByte(char(text.at(m - 1).unicode()))) --m;
                m_chars.insert(m_chars.end(), text.utf16(), text.utf16() + m);
            }
            break;
        }
        case 'N': {
            const void* zero = std::memchr(p, 0, c.length);
            std::string_view text(p, zero ? size_t(static_cast<const char*>(zero) - p) : c.length);
            size_t a = 0;
            while (a < text.size() && IsCSpaceByte(text[a])) ++a;
            size_t b = text.size();
            while (b > a && IsCSpaceByte(text[b - 1])) --b;
            const std::string_view trimmed = text.substr(a, b - a);
            if (CanonicalFixedText(trimmed, c.decimals)) {
                // Reading the number and writing it with the field's decimals gives these
                // very characters; copy them.
                m_chars.insert(m_chars.end(), trimmed.begin(), trimmed.end());
            } else if (const auto v = ParseLeadingDouble(text)) {
                const QByteArray fixed = FormatFixed(*v, c.decimals);
                m_chars.insert(m_chars.end(), fixed.begin(), fixed.end());
            }
            break;
        }
        case 'L':
            if (c.length == 0) break;
            switch (p[0]) {
            case 'T': case 'Y': case 't': case 'y':
                m_chars.push_back(u'1');
                break;
            case ' ': case '?':
                break;
            default:
                m_chars.push_back(u'0');
                break;
            }
            break;
        case 'D': {
            QString value = QString::fromLatin1(p, c.length).trimmed();
            if (value.contains(QChar(0))) value.truncate(value.indexOf(QChar(0)));
            if (IsNullDate(value)) break;  // no date: no attribute
            m_chars.insert(m_chars.end(), value.utf16(), value.utf16() + value.size());
            break;
        }
        default:
            break;
        }
        if (m_chars.size() > start) m_values.push_back({&c, uint32_t(start), uint32_t(m_chars.size() - start)});
    }
    if (m_values.empty()) return;
    // One block for the whole table, with no growing on the way.
    GInfoTable::Ptr table = GInfoTable::Create(uint32_t(m_values.size()), uint32_t(m_chars.size()));
    if (!table) {
        ImportAttributesOneByOne(m_table, record, obj);
        return;
    }
    for (const Value& v : m_values) {
        char16_t* d = table->TryAppendUnset(v.column->nameId, v.length, v.column->format);
        CopyValueUnits(d, m_chars.data() + v.start, v.length);
    }
    obj.m_pInfo = std::move(table);
}

namespace {

// The map object for a shape; the vertices are moved out of the shape's rings.
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
        CRing* src = line->GetRing(r);
        std::vector<WorldPoint>& points = src->GetPoints();
        if (points.size() > size_t(std::numeric_limits<int32_t>::max())) return nullptr;
        const auto n = static_cast<int32_t>(points.size());
        auto ring = std::make_unique<GRing>(n);
        // All vertices at once into the array made for them (null when memory ran out).
        if (!ring->m_pPoints) return nullptr;
        std::copy(points.begin(), points.end(), ring->m_pPoints);
        ring->m_nCount = n;
        // The shape's copy is no longer needed; freed now, its memory serves the next ring
        // instead of fresh pages.
        std::vector<WorldPoint>().swap(points);
        if (!obj->AddRing(ring.get())) return nullptr;
        ring.release();  // owned by the object now
    }
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
    CShapeAttributeReader attributes(file.GetTable());
    size_t added = 0;
    for (uint32_t i = 0; i < file.GetShapeCount(); ++i) {
        std::unique_ptr<GObj> obj = ObjectForShape(*file.GetShape(i));
        if (!obj) continue;
        attributes.Read(int(i), *obj);
        if (source != destination) {
            // The position (the centre of the bounds) is converted with the vertices. A
            // conversion TransformPoint refuses leaves the coordinates as they were.
            obj->CalcBounds();
            CoordTransform params{1, source, destination};
            obj->Transform(&TransformPoint, &params);
        }
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
