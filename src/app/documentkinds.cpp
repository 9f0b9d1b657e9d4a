#include "app/documentkinds.h"

#include "model/cobjenum.h"
#include "model/gobj.h"
#include "model/korveldoc.h"

namespace korvel {
namespace {

constexpr uint32_t kExportKinds = GT_POINT | GT_POLYLINE | GT_POLYGON;

}  // namespace

CDocumentKinds::CDocumentKinds(QObject* parent) : QObject(parent) {}

void CDocumentKinds::Watch(CKorvelDoc* doc)
{
    if (!doc || m_entries.count(doc)) return;
    m_entries[doc] = Entry{};
    connect(doc, &CKorvelDoc::objectAdded, this, [this, doc](GObj* obj) { OnObjectAdded(doc, obj); });
    connect(doc, &CKorvelDoc::objectRemoved, this, [this, doc] { Invalidate(doc); });
    connect(doc, &CKorvelDoc::objectChanged, this, [this, doc](GObj* obj) {
        // An object keeps its type; only a list (or "everything") may hide a changed content.
        if (!obj || obj->GetType() >= GT_LIST) Invalidate(doc);
    });
    connect(doc, &CKorvelDoc::fitAllRequested, this, [this, doc] { Invalidate(doc); });
    // Anything that changes the document without an object signal at least marks it modified.
    connect(doc, &CKorvelDoc::modifiedChanged, this, [this, doc](bool modified) {
        if (modified) Invalidate(doc);
    });
    connect(doc, &QObject::destroyed, this, [this, doc] { m_entries.erase(doc); });
}

void CDocumentKinds::Invalidate(const CKorvelDoc* doc)
{
    auto it = m_entries.find(doc);
    if (it != m_entries.end()) it->second.valid = false;
    emit kindsMayHaveChanged();
}

void CDocumentKinds::OnObjectAdded(const CKorvelDoc* doc, const GObj* obj)
{
    auto it = m_entries.find(doc);
    if (it == m_entries.end()) return;
    Entry& e = it->second;
    // Adding an object of a kind already there changes nothing: the common case while a line
    // is recorded or a file imported, and no reason to walk the tree again.
    const uint32_t type = obj ? obj->GetType() : 0;
    if (e.valid && type < GT_LIST && ((type & kExportKinds) == 0 || (e.kinds & type) != 0)) return;
    Invalidate(doc);
}

uint32_t CDocumentKinds::Kinds(CKorvelDoc& doc)
{
    Watch(&doc);
    Entry& e = m_entries[&doc];
    if (e.valid && e.root == doc.m_pRoot.get()) return e.kinds;
    ++m_nWalks;
    uint32_t kinds = 0;
    if (doc.m_pRoot) {
        CObjEnum walk(doc.m_pRoot.get());
        for (GObj* o = walk.FirstDeep(); o && (kinds & kExportKinds) != kExportKinds; o = walk.NextDeep()) {
            kinds |= o->GetType() & kExportKinds;
        }
    }
    e = Entry{kinds, doc.m_pRoot.get(), true};
    return kinds;
}

}  // namespace korvel
