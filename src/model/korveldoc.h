#pragma once
// CKorvelDoc: one map document. Owns the tree of map objects, records the coordinate system of
// all its coordinates, reads and writes .kvd files, and places new objects in drawing order.
// Views listen to its signals; it never shows a message itself: Open and Save answer a status
// whose value is the id of the text to show.

#include "model/glist.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QIODevice;

namespace korvel {

class CKvdReader;

// Outcome of reading or writing a document. Every failure value is also the string-table id
// of the message the caller shows (caption "Fehler").
enum class KvdStatus : int {
    Ok = 0,
    BadFormat = 1500,   // "Ungültiges Dateiformat!": not a Korvel document
    BadVersion = 1501,  // "Ungültige Dateiversion!": written by a newer program
    ReadError = 1502,   // damaged or truncated stream (%1 = file name)
    OpenError = 1503,   // the file cannot be opened (%1 = file name)
    WriteError = 1504,  // the file cannot be written (%1 = file name)
};

class CKorvelDoc : public QObject {
    Q_OBJECT

public:
    explicit CKorvelDoc(QObject* parent = nullptr);
    ~CKorvelDoc() override;

    // A new empty document in coordinate system `coordSys` (the application's default for new
    // documents). The old tree is deleted; views are asked to fit all. Answers true.
    bool OnNewDocument(int32_t coordSys);

    // Replaces the tree by the document in file `path`. On failure the document holds a new
    // empty root and the status says why. Views are asked to fit all after a success.
    KvdStatus Open(const QString& path);
    // The same from bytes already in memory (the byte span must stay alive during the call).
    KvdStatus Load(const char* data, size_t size);
    // The same for bytes mapped from a file: pages already read are handed back on the way.
    KvdStatus LoadMapped(const char* data, size_t size);

    // Writes the document to `path` through a temporary file renamed into place, so a failed
    // write leaves the previous file untouched. Clears the modified flag on success.
    KvdStatus Save(const QString& path);
    // Writes the document's bytes to `device`.
    KvdStatus Store(QIODevice& device) const;

    // Inserts `obj` in drawing order (before the first object of the deep walk with a lower
    // type code, in that object's container; otherwise at the root's tail), refreshes its
    // computed attributes for the document's system, marks the document modified and emits
    // objectAdded. On success the document owns `obj`; on false nothing happened and the
    // caller still owns it.
    bool AddObject(GObj* obj);

    // Takes `obj` out of its container (anywhere in this document's tree), marks the document
    // modified and emits objectRemoved while the object is still alive; the caller gets it
    // back to delete. Null when `obj` is not in this document.
    std::unique_ptr<GObj> RemoveObject(GObj* obj);

    // Puts an object taken out with RemoveObject back where it was: into `parent` (a list of
    // this document) immediately before its member `next`, or at the parent's tail when
    // `next` is null. Unlike AddObject the drawing order is the caller's and the attributes
    // stay as they are. Marks the document modified and emits objectAdded. On success the
    // document owns `obj`; false (nothing changed, the caller still owns it) when `parent` is
    // not in this document, `next` is not one of its members or memory runs out.
    bool RestoreObject(GObj* obj, GList* parent, GObj* next);

    // `obj` when the deep walk of the document meets it, otherwise null.
    GObj* ContainsObject(GObj* obj) const;

    // Tells the views that `obj` changed; `erase` asks them to clear its old area first.
    void UpdateObject(GObj* obj, bool erase);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    const QString& GetPathName() const { return m_strPathName; }

    // Deletes the tree and forgets all cached insertion points (the root becomes null).
    void DeleteContents();

    std::unique_ptr<GList> m_pRoot;  // all map objects; null only before the first New/Open
    int32_t m_nCoordSys = 4326;      // coordinate system of every coordinate in the document
    uint32_t m_nVersion;             // format version of the file read last
    QString m_strLastPointNo;        // number of the most recently measured point
    int32_t m_nTileService = 2;      // online background map (0 none, 1..4 a service)

signals:
    void objectAdded(korvel::GObj* obj);
    void objectRemoved(korvel::GObj* obj);
    void objectChanged(korvel::GObj* obj, bool erase);
    // After New and Open: every view shows all objects.
    void fitAllRequested();
    void modifiedChanged(bool modified);

private:
    // Where AddObject inserts, per list: the members that are lower than every member before
    // them ("steps" down the type codes). The first member with a type code below t is always
    // such a step, and a list rarely has more than a handful, so finding it is a short search
    // instead of a walk over the whole document. Valid while the list's change stamp matches.
    struct Step {
        uint32_t type;
        GList::Position pos;
    };
    struct ListSteps {
        uint64_t stamp = 0;
        std::vector<Step> steps;
    };

    ListSteps& StepsOf(GList& list);
    // The first member with a type code below `type`, skipping the head when `skipHead`
    // (null when there is none); `stepIndex` gets the step's index, or -1 when it was found
    // without the steps.
    GList::Position FindFirstBelow(GList& list, uint32_t type, bool skipHead, int* stepIndex);
    bool InsertInOrder(GObj* obj);
    void ResetRoot();
    KvdStatus Read(CKvdReader& in);

    std::unordered_map<const GList*, ListSteps> m_steps;
    bool m_bModified = false;
    QString m_strPathName;
};

}  // namespace korvel
