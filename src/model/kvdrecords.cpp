#include "model/kvdrecords.h"

#include "model/cp1252.h"
#include "model/ginfo.h"
#include "model/glist.h"
#include "model/gobj.h"
#include "model/goblist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "model/kvdjson.h"
#include "model/kvdstream.h"

#include <QtEndian>

#include <array>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace korvel {

namespace {

[[noreturn]] void Fail(ArchiveError e) { throw CArchiveException(e); }

// Attribute names repeat on every object ("RECHTS", "HOCH", "PTNR"); remembering the last few
// spares the process-wide name table a locked lookup per attribute.
class NameCache {
public:
    // The id of a name as it lies in the stream (UTF-16LE on this little-endian host).
    uint32_t Id(const CArchiveReader::RawString& raw)
    {
        if (raw.utf16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            for (size_t i = 0; i < m_nUsed; ++i) {
                if (static_cast<size_t>(m_names[i].size()) == raw.units &&
                    std::memcmp(m_names[i].constData(), raw.data, 2 * raw.units) == 0)
                    return m_ids[i];
            }
        }
        return Id(ToString(raw));
    }

    static QString ToString(const CArchiveReader::RawString& raw)
    {
        QString s(static_cast<qsizetype>(raw.units), Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(s.data());
        for (size_t i = 0; i < raw.units; ++i)
            d[i] = raw.utf16 ? qFromLittleEndian<uint16_t>(raw.data + 2 * i) : Cp1252ToUnicode(raw.data[i]);
        return s;
    }

    uint32_t Id(const QString& name)
    {
        const auto bytes = static_cast<size_t>(name.size()) * sizeof(QChar);
        for (size_t i = 0; i < m_nUsed; ++i) {
            if (m_names[i].size() == name.size() && std::memcmp(m_names[i].constData(), name.constData(), bytes) == 0)
                return m_ids[i];
        }
        uint32_t id = 0;
        if (!infonames::Intern(name, &id)) Fail(ArchiveError::BadValue);
        // A deep copy, so the caller's reused buffer stays unshared.
        m_names[m_nNext] = QString(name.constData(), name.size());
        m_ids[m_nNext] = id;
        m_nNext = (m_nNext + 1) % kSize;
        if (m_nUsed < kSize) ++m_nUsed;
        return id;
    }

private:
    static constexpr size_t kSize = 8;
    std::array<QString, kSize> m_names;
    std::array<uint32_t, kSize> m_ids{};
    size_t m_nUsed = 0;
    size_t m_nNext = 0;
};

thread_local NameCache t_names;

// ---- GInfo, GObList, GClone ---------------------------------------------------------------

void WriteInfoFields(CKvdWriter& out, QStringView name, QStringView value, uint16_t format)
{
    out.WriteString(name);
    out.WriteString(value);
    out.WriteWord(format);
}

void WriteGInfo(CKvdWriter& out, const GRootObject& obj)
{
    const auto& info = static_cast<const GInfo&>(obj);
    WriteInfoFields(out, info.m_strName, info.m_strValue, info.m_wFormat);
}

void ReadGInfo(CKvdReader& in, GRootObject& obj)
{
    auto& info = static_cast<GInfo&>(obj);
    info.m_strName = in.ReadString();
    info.m_strValue = in.ReadString();
    info.m_wFormat = in.ReadWord();
}

void DescribeGInfo(CKvdJson& json, const GRootObject& obj)
{
    const auto& info = static_cast<const GInfo&>(obj);
    json.Key("name");
    json.Value(info.m_strName);
    json.Key("value");
    json.Value(info.m_strValue);
    json.Key("format");
    json.Value(static_cast<uint32_t>(info.m_wFormat));
}

void WriteGObList(CKvdWriter& out, const GRootObject& obj)
{
    const auto& list = static_cast<const GObList&>(obj);
    out.WriteCount(list.GetCount());
    for (GObList::Position p = list.GetHeadPosition(); p;) out.WriteObject(GObList::GetNext(p));
}

// A free-standing list (a list inside a list): members of any persisted class, null allowed.
void ReadGObList(CKvdReader& in, GRootObject& obj)
{
    auto& list = static_cast<GObList&>(obj);
    const uint64_t count = in.ReadCount();
    in.RequireItems(count, 2);
    for (uint64_t i = 0; i < count; ++i) {
        std::unique_ptr<GRootObject> member = in.ReadObject();
        if (!list.AddTail(member.get())) Fail(ArchiveError::BadValue);
        member.release();
    }
}

void WriteNothing(CKvdWriter&, const GRootObject&) {}
void ReadNothing(CKvdReader&, GRootObject&) {}

// ---- GObj, GPoint -------------------------------------------------------------------------

void WriteGObj(CKvdWriter& out, const GRootObject& obj) { KvdWriteObjRecord(out, static_cast<const GObj&>(obj)); }
void ReadGObj(CKvdReader& in, GRootObject& obj) { KvdReadObjRecord(in, static_cast<GObj&>(obj)); }

// ---- GList -------------------------------------------------------------------------------

void WriteGList(CKvdWriter& out, const GRootObject& obj) { KvdWriteListRecord(out, static_cast<const GList&>(obj)); }
void ReadGList(CKvdReader& in, GRootObject& obj) { KvdReadListRecord(in, static_cast<GList&>(obj)); }

void DescribeGList(CKvdJson& json, const GRootObject& obj)
{
    const auto& list = static_cast<const GList&>(obj);
    json.Key("members");
    json.BeginArray();
    for (GList::Position p = list.m_list.GetHeadPosition(); p;) {
        json.BeginObject();
        KvdDescribeObject(json, *GList::NextMember(p));
        json.EndObject();
    }
    json.EndArray();
}

// ---- GRing, GPolyline, GPolygon -------------------------------------------------------------

void WriteGRing(CKvdWriter& out, const GRootObject& obj)
{
    const auto& ring = static_cast<const GRing&>(obj);
    const std::span<const WorldPoint> points = ring.Points();
    out.WriteDword(static_cast<uint32_t>(points.size()));
    for (const WorldPoint& p : points) {
        out.WriteDouble(p.x);
        out.WriteDouble(p.y);
    }
}

void ReadGRing(CKvdReader& in, GRootObject& obj)
{
    auto& ring = static_cast<GRing&>(obj);
    const uint32_t n = in.ReadDword();
    in.RequireItems(n, 16);
    if (n > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) Fail(ArchiveError::BadValue);
    // The whole array at once, so the vertices never land outside it.
    if (!ring.Reserve(static_cast<int32_t>(n), ring.m_nGrowBy)) Fail(ArchiveError::BadValue);
    for (uint32_t i = 0; i < n; ++i) {
        ring.m_pPoints[i].x = in.ReadDouble();
        ring.m_pPoints[i].y = in.ReadDouble();
    }
    ring.m_nCount = static_cast<int32_t>(n);
}

void WriteGPolyline(CKvdWriter& out, const GRootObject& obj)
{
    const auto& line = static_cast<const GPolyline&>(obj);
    KvdWriteObjRecord(out, line);
    out.WriteInt32(line.m_nPenWidth);
    out.WriteInt32(line.m_nPenStyle);
    out.WriteObject(line.m_pRings.get());
}

void ReadGPolyline(CKvdReader& in, GRootObject& obj)
{
    auto& line = static_cast<GPolyline&>(obj);
    KvdReadObjRecord(in, line);
    // Files of the first version had no pen: such lines keep the defaults.
    if (in.Version() > KVD_VERSION_PEN) {
        line.m_nPenWidth = in.ReadInt32();
        line.m_nPenStyle = in.ReadInt32();
    }
    auto rings = std::make_unique<GObList>();
    const bool present = in.ReadList(&GRing::classGRing, false, [&](std::unique_ptr<GRootObject> ring) {
        if (!rings->AddTail(ring.get())) Fail(ArchiveError::BadValue);
        ring.release();
    });
    line.m_pRings = present ? std::move(rings) : nullptr;
}

void DescribeGPolyline(CKvdJson& json, const GRootObject& obj)
{
    const auto& line = static_cast<const GPolyline&>(obj);
    json.Key("penWidth");
    json.Value(line.m_nPenWidth);
    json.Key("penStyle");
    json.Value(line.m_nPenStyle);
    json.Key("rings");
    json.BeginArray();
    if (line.m_pRings) {
        for (GObList::Position p = line.m_pRings->GetHeadPosition(); p; p = p->pNext) {
            const GRing* ring = GPolyline::RingAt(p);
            if (!ring) continue;
            json.BeginArray();
            for (const WorldPoint& pt : ring->Points()) json.Point(pt.x, pt.y);
            json.EndArray();
        }
    }
    json.EndArray();
}

// ---- GText -------------------------------------------------------------------------------

void WriteGText(CKvdWriter& out, const GRootObject& obj)
{
    const auto& text = static_cast<const GText&>(obj);
    KvdWriteObjRecord(out, text);
    out.WriteString(text.m_strText);
    out.WriteDouble(text.m_ptText.x);
    out.WriteDouble(text.m_ptText.y);
    out.WriteByte(text.m_nAnchor);
    out.WriteDouble(text.m_dHeight);
    out.WriteInt32(text.m_lf.lfEscapement);
    out.WriteInt32(text.m_lf.lfWeight);
    out.WriteByte(text.m_lf.lfItalic);
    out.WriteByte(text.m_lf.lfUnderline);
    out.WriteByte(text.m_lf.lfStrikeOut);
    out.WriteByte(text.m_lf.lfCharSet);
    out.WriteString(text.m_lf.FaceName());
}

void ReadGText(CKvdReader& in, GRootObject& obj)
{
    auto& text = static_cast<GText&>(obj);
    KvdReadObjRecord(in, text);
    text.m_strText = in.ReadString();
    text.m_ptText.x = in.ReadDouble();
    text.m_ptText.y = in.ReadDouble();
    text.m_nAnchor = in.ReadByte();
    text.m_dHeight = in.ReadDouble();
    text.m_lf.lfEscapement = in.ReadInt32();
    text.m_lf.lfWeight = in.ReadInt32();
    text.m_lf.lfItalic = in.ReadByte();
    text.m_lf.lfUnderline = in.ReadByte();
    text.m_lf.lfStrikeOut = in.ReadByte();
    text.m_lf.lfCharSet = in.ReadByte();
    // A face name too long for the font record is cut to its 31 characters: the text keeps
    // a usable font and the document stays readable.
    text.m_lf.SetFaceName(in.ReadString());
}

void DescribeGText(CKvdJson& json, const GRootObject& obj)
{
    const auto& text = static_cast<const GText&>(obj);
    json.Key("text");
    json.Value(text.m_strText);
    json.Key("origin");
    json.Point(text.m_ptText.x, text.m_ptText.y);
    json.Key("anchor");
    json.Value(static_cast<uint32_t>(text.m_nAnchor));
    json.Key("height");
    json.Value(text.m_dHeight);
    json.Key("escapement");
    json.Value(text.m_lf.lfEscapement);
    json.Key("weight");
    json.Value(text.m_lf.lfWeight);
    json.Key("italic");
    json.Value(static_cast<uint32_t>(text.m_lf.lfItalic));
    json.Key("underline");
    json.Value(static_cast<uint32_t>(text.m_lf.lfUnderline));
    json.Key("strikeOut");
    json.Value(static_cast<uint32_t>(text.m_lf.lfStrikeOut));
    json.Key("charSet");
    json.Value(static_cast<uint32_t>(text.m_lf.lfCharSet));
    json.Key("face");
    json.Value(text.m_lf.FaceName());
}

}  // namespace

void KvdWriteListRecord(CKvdWriter& out, const GList& list)
{
    KvdWriteObjRecord(out, list);
    const GObList& members = list.m_list;
    GObList::Position p = members.GetHeadPosition();
    out.WriteList(members.GetCount(), [&](uint64_t) { out.WriteObject(GObList::GetNext(p)); });
}

void KvdReadListRecord(CKvdReader& in, GList& list)
{
    KvdReadObjRecord(in, list);
    // The members arrive as a list object of their own; they join the container's members at
    // its end, in order, with the bounds the container was stored with. Until then the owning
    // temporary deletes them if the stream breaks off.
    CKvdReader::DepthGuard depth(in);
    uint64_t count = 0;
    if (!in.BeginList(&count)) return;
    GObList loaded;
    for (uint64_t i = 0; i < count; ++i) {
        std::unique_ptr<GRootObject> member = in.ReadObject(&GObj::classGObj);
        if (!member) Fail(ArchiveError::WrongClass);  // a container holds no null members
        if (!loaded.AddTail(member.get())) Fail(ArchiveError::BadValue);
        member.release();
    }
    if (!list.AdoptMembers(loaded)) Fail(ArchiveError::BadValue);
}

void KvdWriteObjRecord(CKvdWriter& out, const GObj& obj)
{
    out.WriteDouble(obj.m_ptPos.x);
    out.WriteDouble(obj.m_ptPos.y);
    out.WriteDouble(obj.m_rcBounds.maxX);
    out.WriteDouble(obj.m_rcBounds.minX);
    out.WriteDouble(obj.m_rcBounds.maxY);
    out.WriteDouble(obj.m_rcBounds.minY);
    out.WriteDword(obj.m_crColor);
    if (!obj.HasInfoTable()) {
        out.WriteNull();
        return;
    }
    const std::span<const GInfoItem> items = obj.Infos();
    const KvdClassInfo* info = KvdFindClass(&GInfo::classGInfo);
    out.WriteList(items.size(), [&](uint64_t i) {
        out.BeginObject(*info);
        WriteInfoFields(out, items[i].Name(), items[i].ValueView(), items[i].Format());
    });
}

void KvdReadObjRecord(CKvdReader& in, GObj& obj)
{
    obj.m_ptPos.x = in.ReadDouble();
    obj.m_ptPos.y = in.ReadDouble();
    obj.m_rcBounds.maxX = in.ReadDouble();
    obj.m_rcBounds.minX = in.ReadDouble();
    obj.m_rcBounds.maxY = in.ReadDouble();
    obj.m_rcBounds.minY = in.ReadDouble();
    obj.m_crColor = in.ReadDword();

    // The attribute table: read straight into the object's compact table, sized once from
    // the stored count, without making GInfo objects on the way.
    CKvdReader::DepthGuard depth(in);
    if (!in.BeginObject(&GObList::classGObList)) {
        obj.ClearInfos();
        return;
    }
    const uint64_t count = in.ReadCount();
    // A GInfo takes at least a class tag, two one-byte strings and its format word.
    in.RequireItems(count, 6);
    // The table is one block sized for all values, so the entries are gathered first: names
    // and values are read into reused buffers, the values back to back.
    struct Pending {
        uint32_t name;
        uint32_t offset;
        uint32_t length;
        uint16_t format;
    };
    // Scratch buffers, reused; never shared with another string, so refilling them does not
    // allocate.
    thread_local std::vector<Pending> pending;
    thread_local std::vector<char16_t> values;
    pending.clear();
    values.clear();
    const KvdClassInfo* plain = in.InfoClass();
    for (uint64_t i = 0; i < count; ++i) {
        CKvdReader::DepthGuard memberDepth(in);
        const KvdClassInfo* cls = in.BeginObject(&GInfo::classGInfo);
        if (!cls) Fail(ArchiveError::WrongClass);  // an attribute table holds no null entries
        uint32_t nameId = 0;
        const size_t offset = values.size();
        uint16_t format = INFO_TEXT;
        if (cls == plain) {
            // Straight from the stream bytes: the name is looked up, the value copied once.
            nameId = t_names.Id(in.ReadRawString());
            const CArchiveReader::RawString v = in.ReadRawString();
            values.resize(offset + v.units);
            char16_t* d = values.data() + offset;
            if (v.utf16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
                if (v.units) std::memcpy(d, v.data, 2 * v.units);
            } else {
                for (size_t k = 0; k < v.units; ++k)
                    d[k] = v.utf16 ? qFromLittleEndian<uint16_t>(v.data + 2 * k) : Cp1252ToUnicode(v.data[k]);
            }
            format = in.ReadWord();
        } else {
            std::unique_ptr<GRootObject> o(cls->runtimeClass->CreateObject());
            if (!o) Fail(ArchiveError::BadValue);
            cls->read(in, *o);
            const auto& info = static_cast<const GInfo&>(*o);
            nameId = t_names.Id(info.m_strName);
            const char16_t* v = reinterpret_cast<const char16_t*>(info.m_strValue.constData());
            values.insert(values.end(), v, v + info.m_strValue.size());
            format = info.m_wFormat;
        }
        if (values.size() > std::numeric_limits<uint32_t>::max() / 4) Fail(ArchiveError::BadValue);
        pending.push_back({nameId, static_cast<uint32_t>(offset), static_cast<uint32_t>(values.size() - offset), format});
    }
    GInfoTable::Ptr table = GInfoTable::Create(static_cast<uint32_t>(count), static_cast<uint32_t>(values.size()));
    if (!table) Fail(ArchiveError::BadValue);
    for (const Pending& p : pending) {
        if (!table->TryAppend(p.name, QStringView(values.data() + p.offset, qsizetype(p.length)), p.format))
            Fail(ArchiveError::BadValue);
    }
    obj.m_pInfo = std::move(table);
}

void KvdDescribeObject(CKvdJson& json, const GObj& obj)
{
    json.Key("class");
    json.Value(QString::fromLatin1(obj.GetRuntimeClass()->m_lpszClassName));
    json.Key("type");
    json.Value(obj.GetType());
    json.Key("color");
    json.Value(static_cast<uint32_t>(obj.m_crColor));
    json.Key("flags");
    json.Value(static_cast<uint32_t>(obj.m_wFlags));
    json.Key("pos");
    json.Point(obj.m_ptPos.x, obj.m_ptPos.y);
    json.Key("bounds");
    json.BeginArray();
    json.Value(obj.m_rcBounds.minX);
    json.Value(obj.m_rcBounds.minY);
    json.Value(obj.m_rcBounds.maxX);
    json.Value(obj.m_rcBounds.maxY);
    json.EndArray();
    json.Key("attrs");
    json.BeginArray();
    for (const GInfoItem& item : obj.Infos()) {
        json.BeginObject();
        json.Key("name");
        json.Value(item.Name());
        json.Key("value");
        json.Value(item.Value());
        json.Key("format");
        json.Value(static_cast<uint32_t>(item.Format()));
        json.EndObject();
    }
    json.EndArray();
    // The class's own members, base classes first.
    std::vector<const KvdClassInfo*> chain;
    for (const GRuntimeClass* c = obj.GetRuntimeClass(); c; c = c->m_pBaseClass) {
        if (const KvdClassInfo* k = KvdFindClass(c); k && k->describe) chain.push_back(k);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->describe(json, obj);
}

void RegisterModelClasses()
{
    KvdRegisterClass({&GClone::classGClone, &WriteNothing, &ReadNothing, nullptr});
    KvdRegisterClass({&GInfo::classGInfo, &WriteGInfo, &ReadGInfo, &DescribeGInfo});
    KvdRegisterClass({&GObList::classGObList, &WriteGObList, &ReadGObList, nullptr});
    KvdRegisterClass({&GObj::classGObj, &WriteGObj, &ReadGObj, nullptr});
    KvdRegisterClass({&GPoint::classGPoint, &WriteGObj, &ReadGObj, nullptr});
    KvdRegisterClass({&GText::classGText, &WriteGText, &ReadGText, &DescribeGText});
    KvdRegisterClass({&GList::classGList, &WriteGList, &ReadGList, &DescribeGList});
    KvdRegisterClass({&GRing::classGRing, &WriteGRing, &ReadGRing, nullptr});
    KvdRegisterClass({&GPolyline::classGPolyline, &WriteGPolyline, &ReadGPolyline, &DescribeGPolyline});
    KvdRegisterClass({&GPolygon::classGPolygon, &WriteGPolyline, &ReadGPolyline, &DescribeGPolyline});
}

}  // namespace korvel
