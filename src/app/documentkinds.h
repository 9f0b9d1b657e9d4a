#pragma once
// CDocumentKinds: which kinds of map objects (points, lines, areas) each open document holds,
// for the enabled state of the export commands. The state of the commands is refreshed many
// times a second, and a document may hold a million objects, so the answer is kept per
// document and the tree is walked again only after the document said it changed.

#include <QObject>

#include <cstdint>
#include <unordered_map>

namespace korvel {

class CKorvelDoc;
class GList;
class GObj;

class CDocumentKinds : public QObject {
    Q_OBJECT
public:
    explicit CDocumentKinds(QObject* parent = nullptr);

    // Starts following the document's signals (again a no-op for a document already followed).
    void Watch(CKorvelDoc* doc);

    // The type bits (GT_POINT, GT_POLYLINE, GT_POLYGON) of the objects the document holds.
    uint32_t Kinds(CKorvelDoc& doc);

    // How many times a document tree has been walked (for tests).
    int walks() const { return m_nWalks; }

signals:
    // A watched document changed in a way that may change the kinds it holds.
    void kindsMayHaveChanged();

private:
    struct Entry {
        uint32_t kinds = 0;
        const GList* root = nullptr;  // the tree the answer belongs to
        bool valid = false;
    };
    void Invalidate(const CKorvelDoc* doc);
    void OnObjectAdded(const CKorvelDoc* doc, const GObj* obj);

    std::unordered_map<const CKorvelDoc*, Entry> m_entries;
    int m_nWalks = 0;
};

}  // namespace korvel
