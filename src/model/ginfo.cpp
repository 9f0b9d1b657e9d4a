#include "model/ginfo.h"

#include "model/objpool.h"
#include "model/smallcopy.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <utility>

namespace korvel {

namespace {

GRootObject* CreateGInfo() { return new (std::nothrow) GInfo; }

// Names live in fixed chunks that are never moved or freed, so a reader can fetch a name by id
// without a lock: the chunk pointer is published with release order before its id is handed
// out. Room for 16M distinct names; real documents use a few dozen.
constexpr uint32_t kChunkBits = 10;
constexpr uint32_t kChunkSize = 1u << kChunkBits;
constexpr uint32_t kMaxChunks = 16384;

struct NameTable {
    std::mutex mutex;
    QHash<QString, uint32_t> ids;
    std::atomic<QString*> chunks[kMaxChunks] = {};
    std::atomic<uint32_t> count{0};
};

NameTable& Names()
{
    // Never destroyed: objects destroyed during exit may still ask for their names.
    static NameTable* table = new NameTable;
    return *table;
}

}  // namespace

const GRuntimeClass GInfo::classGInfo = {"GInfo", 1, &CreateGInfo, &GClone::classGClone};

GClone* GInfo::Clone(GClone* target) const
{
    GInfo* t = nullptr;
    if (target) {
        t = dynamic_cast<GInfo*>(target);
        if (!t) {
            delete target;
            return nullptr;
        }
    } else {
        t = new (std::nothrow) GInfo;
        if (!t) return nullptr;
    }
    // QString copies share their buffers: nothing here allocates.
    t->m_strName = m_strName;
    t->m_strValue = m_strValue;
    t->m_wFormat = m_wFormat;
    return t;
}

namespace infonames {

static bool InternLocked(const QString& name, uint32_t* id);

bool Intern(const QString& name, uint32_t* id)
{
    // Objects are made in runs that set the same few names over and over (imports, measured
    // points), so the last names this thread interned are compared first, without lock or
    // hashing.
    struct Recent {
        uint32_t ids[8];
        uint32_t count = 0;
        uint32_t next = 0;
    };
    thread_local Recent recent;
    for (uint32_t i = 0; i < recent.count; ++i) {
        const QString& known = Name(recent.ids[i]);
        if (known.size() == name.size() && (known.constData() == name.constData() || known == name)) {
            *id = recent.ids[i];
            return true;
        }
    }
    if (!InternLocked(name, id)) return false;
    recent.ids[recent.next] = *id;
    recent.next = (recent.next + 1) % 8;
    if (recent.count < 8) ++recent.count;
    return true;
}

bool InternLocked(const QString& name, uint32_t* id)
{
    NameTable& t = Names();
    std::lock_guard lock(t.mutex);
    try {
        auto it = t.ids.constFind(name);
        if (it != t.ids.constEnd()) {
            *id = it.value();
            return true;
        }
        const uint32_t n = t.count.load(std::memory_order_relaxed);
        const uint32_t chunk = n >> kChunkBits;
        if (chunk >= kMaxChunks) return false;
        QString* c = t.chunks[chunk].load(std::memory_order_relaxed);
        if (!c) {
            c = new QString[kChunkSize];
            t.chunks[chunk].store(c, std::memory_order_release);
        }
        t.ids.insert(name, n);
        // A private copy, so a caller's later changes to its string never reach the table;
        // the name's buffer is then shared by every entry carrying this id.
        c[n & (kChunkSize - 1)] = name;
        t.count.store(n + 1, std::memory_order_release);
        *id = n;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

const QString& Name(uint32_t id)
{
    static const QString empty;
    NameTable& t = Names();
    if (id >= t.count.load(std::memory_order_acquire)) return empty;
    return t.chunks[id >> kChunkBits].load(std::memory_order_acquire)[id & (kChunkSize - 1)];
}

size_t Count() { return Names().count.load(std::memory_order_acquire); }

}  // namespace infonames

GInfoTable::Ptr GInfoTable::Create(uint32_t entries, uint32_t chars)
{
    // Tables of the usual few attributes come from the object pool, like their objects.
    void* mem = objpool::Allocate(BlockBytes(entries, chars));
    if (!mem) return nullptr;
    return Ptr(new (mem) GInfoTable(entries, chars));
}

void GInfoTable::Destroy(GInfoTable* t)
{
    if (!t) return;
    const size_t bytes = BlockBytes(t->m_nEntryCap, t->m_nCharCap);
    t->~GInfoTable();  // entries and characters are trivially destructible
    objpool::Free(t, bytes);
}

int GInfoTable::FindIndex(QStringView name) const
{
    const GInfoItem* e = Entries();
    for (uint32_t i = 0; i < m_nCount; ++i) {
        const QString& n = e[i].Name();
        // Case folding maps one UTF-16 unit to one: names of other lengths never match.
        if (n.size() == name.size() && QStringView(n).compare(name, Qt::CaseInsensitive) == 0) return int(i);
    }
    return -1;
}

const GInfoItem* GInfoTable::Find(QStringView name) const
{
    const int i = FindIndex(name);
    return i < 0 ? nullptr : Entries() + i;
}

void GInfoTable::Place(GInfoItem& it, QStringView value)
{
    char16_t* dst = Chars() + m_nCharUsed;
    CopyValueUnits(dst, value.utf16(), size_t(value.size()));
    it.m_nOffset = uint32_t(reinterpret_cast<char*>(dst) - reinterpret_cast<char*>(&it));
    it.m_nLength = uint32_t(value.size());
    m_nCharUsed += uint32_t(value.size());
}

bool GInfoTable::TryReplace(uint32_t index, QStringView value, uint16_t format)
{
    GInfoItem& it = Entries()[index];
    if (size_t(value.size()) <= it.m_nLength) {
        // Fits where the old value was (a shorter value leaves a little room unused).
        char16_t* dst = reinterpret_cast<char16_t*>(reinterpret_cast<char*>(&it) + it.m_nOffset);
        CopyValueUnits(dst, value.utf16(), size_t(value.size()));
        it.m_nLength = uint32_t(value.size());
    } else if (size_t(value.size()) <= size_t(m_nCharCap - m_nCharUsed)) {
        Place(it, value);
    } else {
        return false;
    }
    it.m_wFormat = format;
    return true;
}

bool GInfoTable::TryAppend(uint32_t nameId, QStringView value, uint16_t format)
{
    if (m_nCount >= m_nEntryCap || size_t(value.size()) > size_t(m_nCharCap - m_nCharUsed)) return false;
    GInfoItem* it = new (Entries() + m_nCount) GInfoItem;
    it->m_nName = nameId;
    it->m_wFormat = format;
    Place(*it, value);
    ++m_nCount;
    return true;
}

char16_t* GInfoTable::TryAppendUnset(uint32_t nameId, uint32_t length, uint16_t format)
{
    if (m_nCount >= m_nEntryCap || length > m_nCharCap - m_nCharUsed) return nullptr;
    GInfoItem* it = new (Entries() + m_nCount) GInfoItem;
    it->m_nName = nameId;
    it->m_wFormat = format;
    char16_t* dst = Chars() + m_nCharUsed;
    it->m_nOffset = uint32_t(reinterpret_cast<char*>(dst) - reinterpret_cast<char*>(it));
    it->m_nLength = length;
    m_nCharUsed += length;
    ++m_nCount;
    return dst;
}

uint32_t GInfoTable::LiveChars() const
{
    uint32_t n = 0;
    for (const GInfoItem& it : Items()) n += it.m_nLength;
    return n;
}

GInfoTable::Ptr GInfoTable::Copy(uint32_t extraEntries, uint32_t extraChars, int emptyIndex) const
{
    uint32_t live = LiveChars();
    if (emptyIndex >= 0 && uint32_t(emptyIndex) < m_nCount) live -= Entries()[emptyIndex].m_nLength;
    const uint64_t entries = uint64_t(m_nCount) + extraEntries;
    const uint64_t chars = uint64_t(live) + extraChars;
    if (entries > UINT32_MAX || chars > UINT32_MAX) return nullptr;
    Ptr t = Create(uint32_t(entries), uint32_t(chars));
    if (!t) return nullptr;
    for (uint32_t i = 0; i < m_nCount; ++i) {
        const GInfoItem& src = Entries()[i];
        t->TryAppend(src.m_nName, int(i) == emptyIndex ? QStringView() : src.ValueView(), src.m_wFormat);
    }
    return t;
}

}  // namespace korvel
