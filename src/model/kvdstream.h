#pragma once
// The object layer of the .kvd stream: the registry of persisted classes and the tagged-object
// encoding. One running index numbers classes and objects in the order they first appear;
// a class is introduced once by name (tag 0xFFFF) and referred to by index afterwards.
//
// Each library registers the classes it owns: the model registers its objects and lists
// (RegisterModelClasses, run on the registry's first use), a higher library such as imagery
// registers its own with KvdRegisterClass before it reads or writes documents. The model thus
// reads and writes documents holding any registered class without including its code.

#include "model/archive.h"
#include "model/gclone.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace korvel {

class CKvdReader;
class CKvdWriter;
class CKvdJson;

// How one persisted class is written, read and described. The run-time class gives the
// persisted name, the schema, the factory and the base used for kind-of checks.
struct KvdClassInfo {
    const GRuntimeClass* runtimeClass = nullptr;
    // Writes the record that follows the tag (the object is of this class).
    void (*write)(CKvdWriter& out, const GRootObject& obj) = nullptr;
    // Reads the record into a freshly created object of this class; throws CArchiveException.
    void (*read)(CKvdReader& in, GRootObject& obj) = nullptr;
    // Adds the class's own members to the JSON description of an object (korvel-cli dump);
    // null when the class has nothing beyond its base's. Called after the base's members.
    void (*describe)(CKvdJson& json, const GRootObject& obj) = nullptr;
};

// Registers (or replaces) the class with the name of info.runtimeClass. Answers false for an
// incomplete record or a name of 64 characters or more.
bool KvdRegisterClass(const KvdClassInfo& info);
const KvdClassInfo* KvdFindClass(QByteArrayView name);
const KvdClassInfo* KvdFindClass(const GRuntimeClass* cls);

// Registers the model's persisted classes (GClone, GObj, GPoint, GText, GPolyline, GPolygon,
// GList, GInfo, GRing, GObList). Called by the registry itself on first use; idempotent.
void RegisterModelClasses();

// Reads tagged objects. Back references are refused (SharedObject): the model is a tree in
// which every object has exactly one owner, so a second reference to an object, or a list that
// contains itself, cannot be represented and marks a damaged or hostile stream.
class CKvdReader : public CArchiveReader {
public:
    static constexpr int kMaxDepth = 256;

    CKvdReader(const char* data, size_t size, uint32_t version);

    // The version of the file, which governs how some records are read.
    uint32_t Version() const { return m_nVersion; }
    void SetVersion(uint32_t version) { m_nVersion = version; }

    // Reads a tag and answers the class of the object that follows, or null for a null
    // pointer. The object has its index once this returns. With `expected` set, the class
    // must be it or derived from it (WrongClass otherwise).
    const KvdClassInfo* BeginObject(const GRuntimeClass* expected)
    {
        // Most tags refer to a class met before, and a document repeats the same few classes in
        // the same positions: those are answered from a small cache of checked tags.
        if (Remaining() >= 2) {
            const uint16_t tag = qFromLittleEndian<uint16_t>(PeekSpan());
            for (const KnownTag& k : m_known) {
                if (k.tag == tag && k.expected == expected && k.info) {
                    ReadSpan(2);
                    Assign();
                    return k.info;
                }
            }
        }
        return BeginObjectSlow(expected);
    }

    // A whole tagged object: created by its class's factory, then its record read. Null for
    // the null tag. The caller owns the result.
    std::unique_ptr<GRootObject> ReadObject(const GRuntimeClass* expected = nullptr);

    // ReadObject for a position that takes class `cls` (T's run-time class) or a derived one.
    template <class T>
    std::unique_ptr<T> ReadObjectAs(const GRuntimeClass& cls)
    {
        return std::unique_ptr<T>(static_cast<T*>(ReadObject(&cls).release()));
    }

    // Reads the tag of a "GObList" object (or null) and its member count, checked against the
    // bytes that remain; the caller reads the members next. Answers false for the null tag.
    bool BeginList(uint64_t* count);

    // Reads an object list in place of a "GObList" object (or null): each member is checked
    // against `memberClass` (null members refused unless `allowNull`) and handed to `sink`.
    // Answers false for the null tag. No list object is created on the way.
    bool ReadList(const GRuntimeClass* memberClass, bool allowNull,
                  const std::function<void(std::unique_ptr<GRootObject>)>& sink);

    // The registered "GInfo" class, looked up once per reader.
    const KvdClassInfo* InfoClass()
    {
        if (!m_pInfoClass) m_pInfoClass = KvdFindClass(QByteArrayView("GInfo"));
        return m_pInfoClass;
    }

    // Counts nesting of records; throws TooDeep beyond kMaxDepth.
    class DepthGuard {
    public:
        explicit DepthGuard(CKvdReader& r) : m_reader(r)
        {
            if (++m_reader.m_nDepth > kMaxDepth) [[unlikely]] {
                --m_reader.m_nDepth;
                throw CArchiveException(ArchiveError::TooDeep);
            }
        }
        ~DepthGuard() { --m_reader.m_nDepth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        CKvdReader& m_reader;
    };

private:
    // A class tag (0x8000 | index) already resolved and checked against `expected`. Both stay
    // true for the rest of the stream: an index never changes its class.
    struct KnownTag {
        uint16_t tag = 0;
        const GRuntimeClass* expected = nullptr;
        const KvdClassInfo* info = nullptr;
    };

    const KvdClassInfo* BeginObjectSlow(const GRuntimeClass* expected);
    const KvdClassInfo* ClassAt(uint32_t index) const;
    const KvdClassInfo* FindClassIndex(uint32_t index) const;
    void Assign() { ++m_nNextIndex; }

    uint32_t m_nVersion;
    const KvdClassInfo* m_pInfoClass = nullptr;
    uint32_t m_nNextIndex = 1;  // index 0 is the null pointer
    int m_nDepth = 0;
    // Class index -> class, in the order the indices were given (so sorted by index).
    std::vector<std::pair<uint32_t, const KvdClassInfo*>> m_classes;
    KnownTag m_known[4];
    size_t m_nNextKnown = 0;
};

// Writes tagged objects. In this object model every object is written exactly once, so the
// writer only counts indices and remembers the few classes it has introduced.
class CKvdWriter : public CArchiveWriter {
public:
    explicit CKvdWriter(QIODevice& device) : CArchiveWriter(device) {}

    // Writes the tag of a new object of class `info` (introducing the class when needed) and
    // gives the object its index; the caller writes the record next.
    void BeginObject(const KvdClassInfo& info);
    void WriteNull() { WriteWord(0); }

    // A whole tagged object (null allowed). Throws UnknownClass for an unregistered class.
    void WriteObject(const GRootObject* obj);

    // Writes a "GObList" object with `count` members produced by `member(i)` in order.
    void WriteList(uint64_t count, const std::function<void(uint64_t)>& member);

    uint32_t NextIndex() const { return m_nNextIndex; }

private:
    void WriteIndexTag(uint32_t index, bool isClass);

    uint32_t m_nNextIndex = 1;
    int m_nDepth = 0;
    std::vector<std::pair<const KvdClassInfo*, uint32_t>> m_classes;  // few: linear search
};

}  // namespace korvel
