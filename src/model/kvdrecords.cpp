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

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace korvel {

namespace {

[[noreturn]] void Fail(ArchiveError e) { throw CArchiveException(e); }

// Attribute names repeat on every object ("RECHTS", "HOCH", "PTNR"), usually in the same order:
// the name at each position of the previous table is tried first, straight against the stream
// bytes, then the last few names met, and only then the process-wide name table with its lock.
class NameCache {
public:
    // The id of a name as it lies in the stream, the `index`-th of its table.
    uint32_t Id(const CArchiveReader::RawString& raw, size_t index)
    {
        if (raw.utf16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            if (index < kSlots && m_slots[index].Matches(raw)) return m_slots[index].id;
            const uint32_t id = IdUtf16(raw);
            if (index < kSlots) m_slots[index].Set(raw, id);
            return id;
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
    // A short name's UTF-16LE bytes as last seen at one position of a table.
    struct Slot {
        static constexpr size_t kMaxBytes = 32;
        unsigned char bytes[kMaxBytes];
        size_t length = SIZE_MAX;  // in bytes; SIZE_MAX: empty
        uint32_t id = 0;

        bool Matches(const CArchiveReader::RawString& raw) const
        {
            const size_t n = 2 * raw.units;
            if (n != length) return false;
            // Whole words where they fit (the last one may overlap the one before).
            if (n >= 8) {
                for (size_t i = 0; i + 8 < n; i += 8)
                    if (Word(bytes + i) != Word(raw.data + i)) return false;
                return Word(bytes + n - 8) == Word(raw.data + n - 8);
            }
            for (size_t i = 0; i < n; ++i)
                if (bytes[i] != raw.data[i]) return false;
            return true;
        }
        static uint64_t Word(const unsigned char* p)
        {
            uint64_t w;
            std::memcpy(&w, p, sizeof w);
            return w;
        }
        void Set(const CArchiveReader::RawString& raw, uint32_t nameId)
        {
            length = 2 * raw.units <= kMaxBytes ? 2 * raw.units : SIZE_MAX;
            if (length != SIZE_MAX && length > 0) std::memcpy(bytes, raw.data, length);
            id = nameId;
        }
    };

    uint32_t IdUtf16(const CArchiveReader::RawString& raw)
    {
        for (size_t i = 0; i < m_nUsed; ++i) {
            if (static_cast<size_t>(m_names[i].size()) == raw.units &&
                std::memcmp(m_names[i].constData(), raw.data, 2 * raw.units) == 0)
                return m_ids[i];
        }
        return Id(ToString(raw));
    }

    static constexpr size_t kSize = 8;
    static constexpr size_t kSlots = 8;
    std::array<QString, kSize> m_names;
    std::array<uint32_t, kSize> m_ids{};
    size_t m_nUsed = 0;
    size_t m_nNext = 0;
    Slot m_slots[kSlots];
};

thread_local NameCache t_names;

// Copies `n` bytes; short runs (up to 32 bytes: point numbers, coordinates) with plain moves.
// Calling the C library's vector copy for each value of a million-point document made the load
// nearly twice as slow: the code right after it (a new object's first stores) then stalled.
inline void CopyValueBytes(unsigned char* d, const unsigned char* s, size_t n)
{
    auto move8 = [&](size_t at) {
        uint64_t w;
        std::memcpy(&w, s + at, 8);
        std::memcpy(d + at, &w, 8);
    };
    if (n > 32) {
        std::memcpy(d, s, n);
    } else if (n >= 16) {
        move8(0);
        move8(8);
        move8(n - 16);
        move8(n - 8);
    } else if (n >= 8) {
        move8(0);
        move8(n - 8);
    } else if (n >= 4) {
        uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + n - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + n - 4, &b, 4);
    } else {
        for (size_t i = 0; i < n; ++i) d[i] = s[i];
    }
}

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

// A damaged file must not hand the painter a pen of two billion pixels, nor overflow the
// half width that widens an object's screen rectangle: widths are kept within what the
// program ever draws with, and an unknown style draws solid.
int32_t SanePenWidth(int32_t width) { return std::clamp(width, 0, GPolyline::kMaxPenWidth); }
int32_t SanePenStyle(int32_t style)
{
    return style >= PS_SOLID && style <= PS_INSIDEFRAME ? style : PS_SOLID;
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
        line.m_nPenWidth = SanePenWidth(in.ReadInt32());
        line.m_nPenStyle = SanePenStyle(in.ReadInt32());
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
    // its end, in order, with the bounds the container was stored with. If the stream breaks
    // off, the members read so far are deleted with the container by its owner. The member
    // list adds no level of nesting: the writer does not count it either.
    uint64_t count = 0;
    if (!in.BeginList(&count)) return;
    GList::MemberLoader loader(list);
    for (uint64_t i = 0; i < count; ++i) {
        std::unique_ptr<GRootObject> member = in.ReadObject(&GObj::classGObj);
        if (!member) Fail(ArchiveError::WrongClass);  // a container holds no null members
        if (!loader.Append(static_cast<GObj*>(member.get()))) Fail(ArchiveError::BadValue);
        member.release();
    }
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
    // Six doubles and the colour, checked at once.
    const unsigned char* p = in.ReadSpan(52);
    obj.m_ptPos.x = CArchiveReader::LoadDouble(p);
    obj.m_ptPos.y = CArchiveReader::LoadDouble(p + 8);
    obj.m_rcBounds.maxX = CArchiveReader::LoadDouble(p + 16);
    obj.m_rcBounds.minX = CArchiveReader::LoadDouble(p + 24);
    obj.m_rcBounds.maxY = CArchiveReader::LoadDouble(p + 32);
    obj.m_rcBounds.minY = CArchiveReader::LoadDouble(p + 40);
    obj.m_crColor = CArchiveReader::LoadDword(p + 48);

    // The attribute table: read straight into the object's compact table, sized once from
    // the stored count, without making GInfo objects on the way.
    // Attributes are not objects that hold others: like the writer, the depth does not count
    // the table or its entries.
    if (!in.BeginObject(&GObList::classGObList)) {
        obj.ClearInfos();
        return;
    }
    const uint64_t count = in.ReadCount();
    // A GInfo takes at least a class tag, two one-byte strings and its format word.
    in.RequireItems(count, 6);
    // The table is one block sized for all values, so the entries are gathered first. Values
    // of the plain class stay where they lie in the stream until the block exists; those of a
    // derived class are copied aside.
    struct Pending {
        uint32_t name;
        uint16_t format;
        CArchiveReader::RawString value;  // data null: in `aside` from `offset`
        size_t offset;
    };
    // The usual few entries on the stack, those of longer tables on the heap as they are read.
    // Values of derived classes go to a scratch buffer that is reused, so refilling it does not
    // allocate.
    constexpr uint64_t kFew = 8;
    Pending few[kFew];
    std::vector<Pending> more;
    auto pending = [&](uint64_t i) -> Pending& { return i < kFew ? few[i] : more[static_cast<size_t>(i - kFew)]; };
    thread_local std::vector<char16_t> aside;
    aside.clear();
    const KvdClassInfo* plain = in.InfoClass();
    uint64_t chars = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const KvdClassInfo* cls = in.BeginObject(&GInfo::classGInfo);
        if (!cls) Fail(ArchiveError::WrongClass);  // an attribute table holds no null entries
        Pending entry{};
        if (cls == plain) {
            entry.name = t_names.Id(in.ReadRawString(), static_cast<size_t>(i));
            entry.value = in.ReadRawString();
            entry.format = in.ReadWord();
        } else {
            std::unique_ptr<GRootObject> o(cls->runtimeClass->CreateObject());
            if (!o) Fail(ArchiveError::BadValue);
            cls->read(in, *o);
            const auto& info = static_cast<const GInfo&>(*o);
            entry.name = t_names.Id(info.m_strName);
            entry.offset = aside.size();
            entry.value.units = static_cast<size_t>(info.m_strValue.size());
            const char16_t* v = reinterpret_cast<const char16_t*>(info.m_strValue.constData());
            aside.insert(aside.end(), v, v + info.m_strValue.size());
            entry.format = info.m_wFormat;
        }
        chars += entry.value.units;
        if (chars > std::numeric_limits<uint32_t>::max() / 4) Fail(ArchiveError::BadValue);
        if (i < kFew)
            few[i] = entry;
        else
            more.push_back(entry);
    }
    GInfoTable::Ptr table = GInfoTable::Create(static_cast<uint32_t>(count), static_cast<uint32_t>(chars));
    if (!table) Fail(ArchiveError::BadValue);
    for (uint64_t i = 0; i < count; ++i) {
        const Pending& e = pending(i);
        const auto units = static_cast<uint32_t>(e.value.units);
        char16_t* d = table->TryAppendUnset(e.name, units, e.format);
        if (!d) Fail(ArchiveError::BadValue);
        const unsigned char* src = e.value.data;
        if (!src) {
            std::copy_n(aside.data() + e.offset, units, d);
        } else if (e.value.utf16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            CopyValueBytes(reinterpret_cast<unsigned char*>(d), src, 2 * size_t(units));
        } else {
            for (uint32_t k = 0; k < units; ++k)
                d[k] = e.value.utf16 ? qFromLittleEndian<uint16_t>(src + 2 * k) : Cp1252ToUnicode(src[k]);
        }
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
