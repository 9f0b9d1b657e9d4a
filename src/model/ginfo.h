#pragma once
// Attributes of map objects: GInfo, the stand-alone attribute record (as read from and written
// to files), and the compact table an object keeps its attributes in.
//
// Memory: a measured point carries three attributes ("RECHTS", "HOCH", "PTNR"), and documents
// hold up to millions of points, so the per-object table is one heap block of 32-byte entries
// instead of a list of polymorphic objects. Names are interned process-wide (equal names share
// one string; an entry keeps a 4-byte name id), values are ordinary implicitly shared QStrings.

#include "model/gclone.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace korvel {

// Format words: how a value is meant when it becomes a table column.
inline constexpr uint16_t INFO_TEXT = 0xFFFF;   // free text without a declared width
inline constexpr uint16_t INFO_LOGICAL = 0x0001;  // yes/no
// 0xFFnn: text of width nn; any other value: a number, width in the low byte, decimals in the
// high byte (0x0310 = width 16, 3 decimals).

// One attribute as a persisted object: what the object stream reads and writes for "GInfo".
class GInfo : public GClone {
public:
    static const GRuntimeClass classGInfo;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGInfo; }

    GInfo() = default;
    GInfo(const QString& name, const QString& value, uint16_t format = INFO_TEXT)
        : m_strValue(value), m_strName(name), m_wFormat(format) {}

    // Copies name, value and format into `target` (a GInfo) or a new GInfo.
    GClone* Clone(GClone* target = nullptr) const override;

    QString m_strValue;
    QString m_strName;  // compared ignoring case
    uint16_t m_wFormat = INFO_TEXT;
};

// Interned attribute names. Ids are dense from 0 and stay valid for the life of the process.
namespace infonames {
// The id of `name` (exact, case-sensitive), interning it when new; false when memory ran out.
bool Intern(const QString& name, uint32_t* id);
// The name with id `id` (which Intern gave out). Lock-free.
const QString& Name(uint32_t id);
size_t Count();
}  // namespace infonames

// One attribute inside an object's table.
struct GInfoItem {
    QString m_strValue;
    uint32_t m_nName = 0;  // interned name id
    uint16_t m_wFormat = INFO_TEXT;

    const QString& Name() const { return infonames::Name(m_nName); }
    const QString& Value() const { return m_strValue; }
    uint16_t Format() const { return m_wFormat; }
};

// An object's attributes in insertion order: one heap block holding a count, a capacity and
// the entries. Created and resized only through GObj; readers use Items().
class alignas(GInfoItem) GInfoTable {
public:
    struct Deleter {
        void operator()(GInfoTable* t) const { GInfoTable::Destroy(t); }
    };
    using Ptr = std::unique_ptr<GInfoTable, Deleter>;

    // A table with room for `capacity` entries; null when memory runs out.
    static Ptr Create(uint32_t capacity);
    static void Destroy(GInfoTable* t);

    uint32_t Count() const { return m_nCount; }
    uint32_t Capacity() const { return m_nCapacity; }
    std::span<const GInfoItem> Items() const { return {Data(), m_nCount}; }
    std::span<GInfoItem> Items() { return {Data(), m_nCount}; }

    // First entry whose name equals `name` ignoring case, or null.
    const GInfoItem* Find(const QString& name) const;
    GInfoItem* Find(const QString& name);

    // Appends an entry (the name already interned); the table must have room.
    void Append(uint32_t nameId, const QString& value, uint16_t format);

    // A copy of this table (same entries, capacity = count); null when memory runs out.
    Ptr Copy() const;
    // Bytes of the table block itself (without value strings).
    static size_t BlockSize(uint32_t capacity) { return sizeof(GInfoTable) + capacity * sizeof(GInfoItem); }

    // Moves the entries into a table with room for `capacity` (>= count); null when memory runs
    // out (this table unchanged).
    Ptr Regrow(uint32_t capacity);

private:
    GInfoTable(uint32_t capacity) : m_nCapacity(capacity) {}
    ~GInfoTable();
    GInfoItem* Data() { return reinterpret_cast<GInfoItem*>(this + 1); }
    const GInfoItem* Data() const { return reinterpret_cast<const GInfoItem*>(this + 1); }

    uint32_t m_nCount = 0;
    uint32_t m_nCapacity = 0;
};

}  // namespace korvel
