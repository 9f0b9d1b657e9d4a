#include "model/ginfo.h"

#include <QHash>

#include <atomic>
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

bool Intern(const QString& name, uint32_t* id)
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

GInfoTable::Ptr GInfoTable::Create(uint32_t capacity)
{
    void* mem = ::operator new(BlockSize(capacity), std::nothrow);
    if (!mem) return nullptr;
    return Ptr(new (mem) GInfoTable(capacity));
}

void GInfoTable::Destroy(GInfoTable* t)
{
    if (!t) return;
    t->~GInfoTable();
    ::operator delete(static_cast<void*>(t));
}

GInfoTable::~GInfoTable()
{
    GInfoItem* d = Data();
    for (uint32_t i = 0; i < m_nCount; ++i) d[i].~GInfoItem();
}

const GInfoItem* GInfoTable::Find(const QString& name) const
{
    for (const GInfoItem& it : Items())
        if (it.Name().compare(name, Qt::CaseInsensitive) == 0) return &it;
    return nullptr;
}

GInfoItem* GInfoTable::Find(const QString& name)
{
    return const_cast<GInfoItem*>(std::as_const(*this).Find(name));
}

void GInfoTable::Append(uint32_t nameId, const QString& value, uint16_t format)
{
    GInfoItem* slot = Data() + m_nCount;
    new (slot) GInfoItem{value, nameId, format};
    ++m_nCount;
}

GInfoTable::Ptr GInfoTable::Copy() const
{
    Ptr t = Create(m_nCount);
    if (!t) return nullptr;
    for (const GInfoItem& it : Items()) t->Append(it.m_nName, it.m_strValue, it.m_wFormat);
    return t;
}

GInfoTable::Ptr GInfoTable::Regrow(uint32_t capacity)
{
    Ptr t = Create(capacity);
    if (!t) return nullptr;
    // Moving a QString only hands over its pointer; nothing here can fail.
    for (GInfoItem& it : Items()) {
        new (t->Data() + t->m_nCount) GInfoItem{std::move(it.m_strValue), it.m_nName, it.m_wFormat};
        ++t->m_nCount;
    }
    return t;
}

}  // namespace korvel
