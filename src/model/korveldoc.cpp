#include "model/korveldoc.h"

#include "model/cobjenum.h"
#include "model/kvdrecords.h"
#include "model/kvdstream.h"

#include <QFile>
#include <QSaveFile>

#include <sys/mman.h>
#include <unistd.h>

#include <limits>
#include <new>

namespace korvel {

namespace {

const QString kIdentifier = QStringLiteral("Korvel");

// The identifier as every document starts with it (a UTF-16 string item).
QByteArrayView IdentifierBytes()
{
    static constexpr char kBytes[] = "\xFF\xFE\xFF\x06K\0o\0r\0v\0e\0l\0";
    return QByteArrayView(kBytes, sizeof kBytes - 1);
}

// A list whose type code says "container" is entered by the deep walk.
GList* AsEnteredList(GObj* obj)
{
    if (!obj || obj->GetType() < GT_LIST || !obj->IsKindOf(&GList::classGList)) return nullptr;
    return static_cast<GList*>(obj);
}

uint64_t StampOf(const GList& list) { return list.ChangeStamp(); }

}  // namespace

CKorvelDoc::CKorvelDoc(QObject* parent) : QObject(parent), m_nVersion(KVD_VERSION) {}

CKorvelDoc::~CKorvelDoc() = default;

void CKorvelDoc::SetModifiedFlag(bool modified)
{
    if (m_bModified == modified) return;
    m_bModified = modified;
    emit modifiedChanged(modified);
}

void CKorvelDoc::DeleteContents()
{
    m_steps.clear();
    m_pRoot.reset();
}

void CKorvelDoc::ResetRoot()
{
    DeleteContents();
    m_pRoot = std::make_unique<GList>();
    SetModifiedFlag(false);  // a fresh empty tree has nothing to save
}

bool CKorvelDoc::OnNewDocument(int32_t coordSys)
{
    ResetRoot();
    m_strLastPointNo.clear();
    m_nCoordSys = coordSys;
    m_strPathName.clear();
    SetModifiedFlag(false);
    emit fitAllRequested();
    return m_pRoot != nullptr;
}

// ---- reading and writing ------------------------------------------------------------------

KvdStatus CKorvelDoc::Open(const QString& path)
{
    DeleteContents();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ResetRoot();
        return KvdStatus::OpenError;
    }
    const qint64 size = file.size();
    KvdStatus status;
    // Mapping spares a copy of large documents; devices that cannot be mapped are read.
    if (uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
        status = LoadMapped(reinterpret_cast<const char*>(mapped), static_cast<size_t>(size));
        file.unmap(mapped);
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            ResetRoot();
            return KvdStatus::OpenError;
        }
        status = Load(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    if (status == KvdStatus::Ok) {
        m_strPathName = path;
        emit fitAllRequested();
    }
    return status;
}

KvdStatus CKorvelDoc::Load(const char* data, size_t size)
{
    CKvdReader in(data, size, KVD_VERSION);
    return Read(in);
}

KvdStatus CKorvelDoc::LoadMapped(const char* data, size_t size)
{
    CKvdReader in(data, size, KVD_VERSION);
    // A document of a million points is a file of some 180 MB; without this its pages would
    // all stay resident beside the objects built from them until the load ends.
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0 && reinterpret_cast<uintptr_t>(data) % static_cast<uintptr_t>(page) == 0) {
        in.SetReleaseBehind(
            [](const char* begin, size_t length) {
                madvise(const_cast<char*>(begin), length, MADV_DONTNEED);
            },
            static_cast<size_t>(page) * 2048);
    }
    return Read(in);
}

KvdStatus CKorvelDoc::Read(CKvdReader& in)
{
    DeleteContents();

    // The header. Bytes that do not even hold a complete identifier are not a document, unless
    // they are the start of one: an empty or cut-off file is a damaged document, not another
    // format.
    QString identifier;
    const QByteArrayView head(reinterpret_cast<const char*>(in.PeekSpan()), qsizetype(in.Remaining()));
    try {
        identifier = in.ReadString();
    } catch (const CArchiveException&) {
        ResetRoot();
        return IdentifierBytes().startsWith(head) ? KvdStatus::ReadError : KvdStatus::BadFormat;
    }
    if (identifier != kIdentifier) {
        ResetRoot();
        return KvdStatus::BadFormat;
    }

    try {
        const uint32_t version = in.ReadDword();
        m_nVersion = version;
        if (version > KVD_VERSION) {
            ResetRoot();
            return KvdStatus::BadVersion;
        }
        in.SetVersion(version);
        std::unique_ptr<GList> root = in.ReadObjectAs<GList>(GList::classGList);
        if (!root) throw CArchiveException(ArchiveError::WrongClass);
        // Items the version does not have take the values of a document of that time: no
        // recorded system meant WGS84 degrees, and the background map was OpenStreetMap.
        int32_t coordSys = 4326;
        QString lastPointNo;
        int32_t tileService = 2;
        if (version > KVD_VERSION_COORDSYS) coordSys = in.ReadInt32();
        if (version > KVD_VERSION_POINTNO) lastPointNo = in.ReadString();
        // Only whether a web map was shown is stored, not which one.
        if (version > KVD_VERSION_TILES) tileService = in.ReadInt32() != 0 ? 2 : 0;
        m_pRoot = std::move(root);
        m_nCoordSys = coordSys;
        m_strLastPointNo = lastPointNo;
        m_nTileService = tileService;
    } catch (const CArchiveException&) {
        ResetRoot();
        return KvdStatus::ReadError;
    } catch (const std::bad_alloc&) {
        ResetRoot();
        return KvdStatus::ReadError;
    }
    SetModifiedFlag(false);
    return KvdStatus::Ok;
}

KvdStatus CKorvelDoc::Store(QIODevice& device) const
{
    try {
        CKvdWriter out(device);
        out.WriteString(kIdentifier);
        out.WriteDword(KVD_VERSION);
        if (m_pRoot) {
            out.WriteObject(m_pRoot.get());
        } else {
            const GList empty;  // a document that never had a root is stored as an empty one
            out.WriteObject(&empty);
        }
        out.WriteInt32(m_nCoordSys);
        out.WriteString(m_strLastPointNo);
        out.WriteInt32(m_nTileService != 0 ? 1 : 0);
        out.Flush();
    } catch (const CArchiveException&) {
        return KvdStatus::WriteError;
    } catch (const std::bad_alloc&) {
        return KvdStatus::WriteError;
    }
    return KvdStatus::Ok;
}

KvdStatus CKorvelDoc::Save(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return KvdStatus::WriteError;
    const KvdStatus status = Store(file);
    if (status != KvdStatus::Ok) {
        file.cancelWriting();
        return status;
    }
    if (!file.commit()) return KvdStatus::WriteError;
    m_strPathName = path;
    SetModifiedFlag(false);
    return KvdStatus::Ok;
}

// ---- drawing-order insertion ----------------------------------------------------------------

CKorvelDoc::ListSteps& CKorvelDoc::StepsOf(GList& list)
{
    ListSteps& s = m_steps[&list];
    const uint64_t stamp = StampOf(list);
    if (s.stamp == stamp && stamp != 0) return s;
    // Changed behind our back (or never seen): rebuild from the members.
    s.steps.clear();
    uint64_t lowest = std::numeric_limits<uint64_t>::max();
    for (GList::Position p = list.m_list.GetHeadPosition(); p; p = p->pNext) {
        const uint32_t t = GList::MemberAt(p)->GetType();
        if (t < lowest) {
            s.steps.push_back({t, p});
            lowest = t;
        }
    }
    s.stamp = stamp;
    return s;
}

GList::Position CKorvelDoc::FindFirstBelow(GList& list, uint32_t type, bool skipHead, int* stepIndex)
{
    *stepIndex = -1;
    GList::Position head = list.m_list.GetHeadPosition();
    if (!head) return nullptr;
    if (skipHead && GList::MemberAt(head)->GetType() < type) {
        // Only for a type above every list's code; no class has one, but stay exact.
        for (GList::Position p = head->pNext; p; p = p->pNext) {
            if (GList::MemberAt(p)->GetType() < type) return p;
        }
        return nullptr;
    }
    // The head is not below `type` here, so skipping it changes nothing.
    const ListSteps& s = StepsOf(list);
    for (size_t i = 0; i < s.steps.size(); ++i) {
        if (s.steps[i].type < type) {
            *stepIndex = static_cast<int>(i);
            return s.steps[i].pos;
        }
    }
    *stepIndex = static_cast<int>(s.steps.size());
    return nullptr;
}

bool CKorvelDoc::InsertInOrder(GObj* obj)
{
    const uint32_t type = obj->GetType();

    // The deep walk enters a list only when it leads its parent: the chain of leading lists.
    std::vector<GList*> chain{m_pRoot.get()};
    for (GList* l = m_pRoot.get(); l->m_list.GetCount() > 0;) {
        GList* sub = AsEnteredList(GList::MemberAt(l->m_list.GetHeadPosition()));
        if (!sub) break;
        chain.push_back(sub);
        l = sub;
    }

    GList* target = m_pRoot.get();
    GList::Position before = nullptr;
    int stepIndex = -1;
    // An empty nested list at the end of the chain ends the walk before it starts.
    if (chain.size() == 1 || chain.back()->m_list.GetCount() > 0) {
        for (size_t level = chain.size(); level-- > 0;) {
            GList* l = chain[level];
            int index = -1;
            GList::Position p = FindFirstBelow(*l, type, level + 1 < chain.size(), &index);
            if (p) {
                target = l;
                before = p;
                stepIndex = index;
                break;
            }
            if (l == m_pRoot.get()) stepIndex = index;
        }
    }

    // Keep the steps of the target list current; anything unusual just rebuilds them later.
    ListSteps* steps = nullptr;
    if (stepIndex >= 0) {
        auto it = m_steps.find(target);
        if (it != m_steps.end() && it->second.stamp == StampOf(*target)) steps = &it->second;
    }
    GList::Position pos = target->InsertMemberBefore(before, obj);
    if (!pos) return false;
    if (steps) {
        // The new member is a step when nothing before it is as low: it is the new head, or
        // lower than the last step before it (every member between is at least that step).
        auto& v = steps->steps;
        const auto i = static_cast<size_t>(stepIndex);
        if (i == 0 || type < v[i - 1].type) v.insert(v.begin() + static_cast<std::ptrdiff_t>(i), Step{type, pos});
        steps->stamp = StampOf(*target);
    }
    return true;
}

bool CKorvelDoc::AddObject(GObj* obj)
{
    if (!obj || !m_pRoot) return false;
    try {
        if (!InsertInOrder(obj)) return false;
    } catch (const std::bad_alloc&) {
        // Only the cache could not grow: the object may already be in; find out.
        m_steps.clear();
        if (!obj->m_pParent || !obj->m_pParent->PositionOf(obj)) return false;
    }
    obj->UpdateInfo(m_nCoordSys);
    SetModifiedFlag(true);
    emit objectAdded(obj);
    return true;
}

std::unique_ptr<GObj> CKorvelDoc::RemoveObject(GObj* obj)
{
    if (!obj || !m_pRoot) return nullptr;
    GList* parent = obj->m_pParent;
    GList::Position pos = parent ? parent->PositionOf(obj) : nullptr;
    if (!pos) return nullptr;
    // Only objects of this document's tree.
    const GObj* up = parent;
    while (up && up != m_pRoot.get()) up = up->m_pParent;
    if (!up) return nullptr;

    auto it = m_steps.find(parent);
    ListSteps* steps = (it != m_steps.end() && it->second.stamp == StampOf(*parent)) ? &it->second : nullptr;
    GList::Position next = pos->pNext;
    parent->Remove(obj);
    if (steps) {
        auto& v = steps->steps;
        size_t i = 0;
        while (i < v.size() && v[i].pos != pos) ++i;
        if (i < v.size()) {
            // A step left: the members up to the next step may hold new steps. All of them are
            // at least as high as the removed one, so the scan ends at the first of its height.
            const uint32_t removedType = v[i].type;
            GList::Position stop = i + 1 < v.size() ? v[i + 1].pos : nullptr;
            uint64_t lowest = i > 0 ? v[i - 1].type : std::numeric_limits<uint64_t>::max();
            v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
            for (GList::Position p = next; p != stop && lowest > removedType; p = p->pNext) {
                const uint32_t t = GList::MemberAt(p)->GetType();
                if (t < lowest) {
                    v.insert(v.begin() + static_cast<std::ptrdiff_t>(i++), Step{t, p});
                    lowest = t;
                }
            }
        }
        steps->stamp = StampOf(*parent);
    }
    SetModifiedFlag(true);
    emit objectRemoved(obj);
    return std::unique_ptr<GObj>(obj);
}

bool CKorvelDoc::RestoreObject(GObj* obj, GList* parent, GObj* next)
{
    if (!obj || !parent || !m_pRoot) return false;
    const GObj* up = parent;
    while (up && up != m_pRoot.get()) up = up->m_pParent;
    if (!up) return false;
    GList::Position before = nullptr;
    if (next) {
        before = next->m_pParent == parent ? parent->PositionOf(next) : nullptr;
        if (!before) return false;
    }
    // The list's change stamp moves, so the cached insertion points of that list are rebuilt
    // when AddObject needs them next.
    if (!parent->InsertMemberBefore(before, obj)) return false;
    SetModifiedFlag(true);
    emit objectAdded(obj);
    return true;
}

GObj* CKorvelDoc::ContainsObject(GObj* obj) const
{
    if (!obj || !m_pRoot) return nullptr;
    CObjEnum walk(m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o == obj) return obj;
    }
    return nullptr;
}

void CKorvelDoc::UpdateObject(GObj* obj, bool erase) { emit objectChanged(obj, erase); }

}  // namespace korvel
