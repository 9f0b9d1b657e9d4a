#pragma once
// Attributes of map objects: GInfo, the stand-alone attribute record (as read from and written
// to files), and the compact table an object keeps its attributes in.
//
// Memory: a measured point carries three attributes ("RECHTS", "HOCH", "PTNR"), and documents
// hold up to millions of points, so the per-object table is a single heap block holding
// 16-byte entries and the value characters, instead of a list of polymorphic objects with a
// string each. Names are interned process-wide (an entry keeps a 4-byte name id).

#include "model/gclone.h"

#include <QString>
#include <QStringView>

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

// One attribute inside an object's table. Lives only inside its table's block (its value
// characters are found relative to the entry itself), so it cannot be copied; pointers and
// references to entries stay valid until the object's attributes are next changed.
class GInfoItem {
public:
    GInfoItem(const GInfoItem&) = delete;
    GInfoItem& operator=(const GInfoItem&) = delete;

    const QString& Name() const { return infonames::Name(m_nName); }
    // The value as a new (implicitly shared) string.
    QString Value() const { return ValueView().toString(); }
    // The value without copying; valid as long as the entry.
    QStringView ValueView() const
    {
        return QStringView(reinterpret_cast<const char16_t*>(reinterpret_cast<const char*>(this) + m_nOffset),
                           qsizetype(m_nLength));
    }
    uint16_t Format() const { return m_wFormat; }
    uint32_t NameId() const { return m_nName; }

    uint32_t m_nName = 0;    // interned name id
    uint32_t m_nOffset = 0;  // bytes from this entry to its first value character
    uint32_t m_nLength = 0;  // value length in UTF-16 units
    uint16_t m_wFormat = INFO_TEXT;

private:
    friend class GInfoTable;
    GInfoItem() = default;
};

// An object's attributes in insertion order, in one heap block: a small header, the entries,
// then the UTF-16 characters of all values. A point with "RECHTS", "HOCH" and "PTNR" needs one
// block of about 120 bytes, where separate strings would need three more heap blocks.
// Created and changed only through GObj; readers use Items().
class alignas(8) GInfoTable {
public:
    struct Deleter {
        void operator()(GInfoTable* t) const { GInfoTable::Destroy(t); }
    };
    using Ptr = std::unique_ptr<GInfoTable, Deleter>;

    // An empty table with room for `entries` attributes and `chars` value characters; null
    // when memory runs out.
    static Ptr Create(uint32_t entries, uint32_t chars);
    static void Destroy(GInfoTable* t);

    uint32_t Count() const { return m_nCount; }
    std::span<const GInfoItem> Items() const { return {Entries(), m_nCount}; }

    // First entry whose name equals `name` ignoring case, or null.
    const GInfoItem* Find(QStringView name) const;
    int FindIndex(QStringView name) const;

    // Changes entry `index` in place when the new value fits the block; false otherwise.
    bool TryReplace(uint32_t index, QStringView value, uint16_t format);
    // Appends an entry when entry and character room suffice; false otherwise.
    bool TryAppend(uint32_t nameId, QStringView value, uint16_t format);
    // The same for a value the caller writes itself: answers where its `length` characters go
    // (they must all be written before the table is read), or null without room.
    char16_t* TryAppendUnset(uint32_t nameId, uint32_t length, uint16_t format);
    // A compact copy with room for `extraEntries` more entries and `extraChars` more
    // characters; the value of entry `emptyIndex` (if any) is left out. Null when memory runs
    // out.
    Ptr Copy(uint32_t extraEntries = 0, uint32_t extraChars = 0, int emptyIndex = -1) const;

    // Characters of live values (without the room left by replaced values).
    uint32_t LiveChars() const;

private:
    GInfoTable(uint32_t entries, uint32_t chars) : m_nEntryCap(entries), m_nCharCap(chars) {}
    static size_t BlockBytes(uint32_t entries, uint32_t chars)
    {
        return sizeof(GInfoTable) + size_t(entries) * sizeof(GInfoItem) + size_t(chars) * sizeof(char16_t);
    }
    GInfoItem* Entries() { return reinterpret_cast<GInfoItem*>(this + 1); }
    const GInfoItem* Entries() const { return reinterpret_cast<const GInfoItem*>(this + 1); }
    char16_t* Chars() { return reinterpret_cast<char16_t*>(Entries() + m_nEntryCap); }
    void Place(GInfoItem& it, QStringView value);

    uint32_t m_nCount = 0;
    uint32_t m_nEntryCap = 0;
    uint32_t m_nCharCap = 0;
    uint32_t m_nCharUsed = 0;
};

}  // namespace korvel
