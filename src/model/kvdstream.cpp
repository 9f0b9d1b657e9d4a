#include "model/kvdstream.h"

#include "model/goblist.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>

namespace korvel {

namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassBit = 0x80000000u;
constexpr uint32_t kMaxShortIndex = 0x7FFE;
constexpr size_t kMaxClassName = 63;

struct Registry {
    // Few entries: linear lookups beat hashing. A deque keeps the entries in place when more
    // classes are registered, so readers may hold on to them.
    std::deque<KvdClassInfo> classes;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

// The model's classes are registered on the registry's first use, from here rather than from
// a static initialiser that static linking could drop. Documents are read and written on one
// thread, so a plain flag suffices; it is set first so the registration may register.
void EnsureModelClasses()
{
    static bool registered = false;
    if (registered) return;
    registered = true;
    RegisterModelClasses();
}

}  // namespace

bool KvdRegisterClass(const KvdClassInfo& info)
{
    EnsureModelClasses();  // so that a later registration can replace a model class
    if (!info.runtimeClass || !info.runtimeClass->m_lpszClassName || !info.write || !info.read) return false;
    const size_t len = std::strlen(info.runtimeClass->m_lpszClassName);
    if (len == 0 || len > kMaxClassName) return false;
    auto& classes = TheRegistry().classes;
    for (KvdClassInfo& c : classes) {
        if (std::strcmp(c.runtimeClass->m_lpszClassName, info.runtimeClass->m_lpszClassName) == 0) {
            c = info;
            return true;
        }
    }
    classes.push_back(info);
    return true;
}

const KvdClassInfo* KvdFindClass(QByteArrayView name)
{
    EnsureModelClasses();
    for (const KvdClassInfo& c : TheRegistry().classes) {
        if (name == QByteArrayView(c.runtimeClass->m_lpszClassName)) return &c;
    }
    return nullptr;
}

const KvdClassInfo* KvdFindClass(const GRuntimeClass* cls)
{
    EnsureModelClasses();
    for (const KvdClassInfo& c : TheRegistry().classes) {
        if (c.runtimeClass == cls) return &c;
    }
    // A class registered under another record with the same name (a replacement).
    return cls ? KvdFindClass(QByteArrayView(cls->m_lpszClassName)) : nullptr;
}

// ---- reading ----------------------------------------------------------------------------

CKvdReader::CKvdReader(const char* data, size_t size, uint32_t version)
    : CArchiveReader(data, size), m_nVersion(version)
{
    EnsureModelClasses();
}

const KvdClassInfo* CKvdReader::FindClassIndex(uint32_t index) const
{
    const auto it = std::lower_bound(m_classes.begin(), m_classes.end(), index,
                                     [](const auto& entry, uint32_t i) { return entry.first < i; });
    return (it != m_classes.end() && it->first == index) ? it->second : nullptr;
}

const KvdClassInfo* CKvdReader::ClassAt(uint32_t index) const
{
    // Index 0 is the null pointer, indices from m_nNextIndex on are not assigned yet, and
    // an index that names an object cannot stand for a class.
    if (index == 0 || index >= m_nNextIndex) throw CArchiveException(ArchiveError::BadIndex);
    if (const KvdClassInfo* c = FindClassIndex(index)) return c;
    throw CArchiveException(ArchiveError::BadIndex);
}

const KvdClassInfo* CKvdReader::BeginObjectSlow(const GRuntimeClass* expected)
{
    const uint16_t tag = ReadWord();
    const KvdClassInfo* info = nullptr;
    if (tag == kNullTag) return nullptr;
    if (tag == kNewClassTag) {
        const uint16_t schema = ReadWord();
        const uint16_t length = ReadWord();
        if (length > kMaxClassName) throw CArchiveException(ArchiveError::BadClassName);
        const QByteArray name = ReadBytes(length);
        for (char ch : name) {
            if (ch < 0x20 || ch > 0x7E) throw CArchiveException(ArchiveError::BadClassName);
        }
        info = KvdFindClass(QByteArrayView(name));
        if (!info) throw CArchiveException(ArchiveError::UnknownClass);
        if (schema != info->runtimeClass->m_wSchema) throw CArchiveException(ArchiveError::BadSchema);
        m_classes.emplace_back(m_nNextIndex, info);
        Assign();
    } else if (tag == kBigTag) {
        const uint32_t d = ReadDword();
        if (!(d & kBigClassBit)) {
            if (d == 0) return nullptr;
            if (d >= m_nNextIndex) throw CArchiveException(ArchiveError::BadIndex);
            throw CArchiveException(FindClassIndex(d) ? ArchiveError::BadIndex : ArchiveError::SharedObject);
        }
        info = ClassAt(d & ~kBigClassBit);
    } else if (tag & kClassTag) {
        info = ClassAt(tag & ~kClassTag);
        if (expected && !info->runtimeClass->IsDerivedFrom(expected)) throw CArchiveException(ArchiveError::WrongClass);
        m_known[m_nNextKnown] = KnownTag{tag, expected, info};
        m_nNextKnown = (m_nNextKnown + 1) % std::size(m_known);
    } else {
        // A reference to an object read earlier.
        if (tag >= m_nNextIndex) throw CArchiveException(ArchiveError::BadIndex);
        throw CArchiveException(FindClassIndex(tag) ? ArchiveError::BadIndex : ArchiveError::SharedObject);
    }
    if (expected && !info->runtimeClass->IsDerivedFrom(expected)) throw CArchiveException(ArchiveError::WrongClass);
    Assign();  // the object's index, given before its record is read
    return info;
}

std::unique_ptr<GRootObject> CKvdReader::ReadObject(const GRuntimeClass* expected)
{
    MaybeReleaseBehind();
    DepthGuard depth(*this);
    const KvdClassInfo* info = BeginObject(expected);
    if (!info) return nullptr;
    std::unique_ptr<GRootObject> obj(info->runtimeClass->CreateObject());
    if (!obj) throw CArchiveException(ArchiveError::BadValue);
    info->read(*this, *obj);
    return obj;
}

bool CKvdReader::BeginList(uint64_t* count)
{
    if (!BeginObject(&GObList::classGObList)) return false;
    *count = ReadCount();
    RequireItems(*count, 2);  // every member takes at least its tag
    return true;
}

bool CKvdReader::ReadList(const GRuntimeClass* memberClass, bool allowNull,
                          const std::function<void(std::unique_ptr<GRootObject>)>& sink)
{
    DepthGuard depth(*this);
    uint64_t count = 0;
    if (!BeginList(&count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        std::unique_ptr<GRootObject> member = ReadObject(memberClass);
        if (!member && !allowNull) throw CArchiveException(ArchiveError::WrongClass);
        sink(std::move(member));
    }
    return true;
}

// ---- writing ----------------------------------------------------------------------------

void CKvdWriter::WriteIndexTag(uint32_t index, bool isClass)
{
    if (index <= kMaxShortIndex) {
        WriteWord(static_cast<uint16_t>(isClass ? (kClassTag | index) : index));
        return;
    }
    WriteWord(kBigTag);
    WriteDword(isClass ? (kBigClassBit | index) : index);
}

void CKvdWriter::BeginObject(const KvdClassInfo& info)
{
    for (const auto& [cls, index] : m_classes) {
        if (cls == &info) {
            WriteIndexTag(index, true);
            ++m_nNextIndex;
            return;
        }
    }
    const char* name = info.runtimeClass->m_lpszClassName;
    const auto length = static_cast<uint16_t>(std::strlen(name));
    WriteWord(kNewClassTag);
    WriteWord(info.runtimeClass->m_wSchema);
    WriteWord(length);
    WriteBytes(name, length);
    m_classes.emplace_back(&info, m_nNextIndex++);
    ++m_nNextIndex;
}

void CKvdWriter::WriteObject(const GRootObject* obj)
{
    if (!obj) {
        WriteNull();
        return;
    }
    const KvdClassInfo* info = KvdFindClass(obj->GetRuntimeClass());
    if (!info) throw CArchiveException(ArchiveError::UnknownClass);
    // A tree deeper than any reader accepts would be a file nobody can open again.
    if (++m_nDepth > CKvdReader::kMaxDepth) {
        --m_nDepth;
        throw CArchiveException(ArchiveError::TooDeep);
    }
    BeginObject(*info);
    info->write(*this, *obj);
    --m_nDepth;
}

void CKvdWriter::WriteList(uint64_t count, const std::function<void(uint64_t)>& member)
{
    const KvdClassInfo* list = KvdFindClass(&GObList::classGObList);
    if (!list) throw CArchiveException(ArchiveError::UnknownClass);
    BeginObject(*list);
    WriteCount(count);
    for (uint64_t i = 0; i < count; ++i) member(i);
}

}  // namespace korvel
