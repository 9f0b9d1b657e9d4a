#pragma once
// Undo and redo of document changes: one QUndoStack per document, kept by a small object that
// lives beside the document (a child of it, so it goes with the document; the model itself
// knows nothing of undo). Every user action that changes the objects is one undo step.
//
// The document's modified flag follows the stack's clean state: saving marks the stack clean,
// undoing back to that state clears the flag again. A change made to the document without
// going through this file (an import, a re-projection) makes the saved state unreachable by
// undo, so the flag can never claim "saved" for unsaved work.
//
// For code that adds objects (point measurement, line and area recording, imports that want
// undo):
//     UndoableAdd add(doc, tr("Punkt messen"));   // the text shown by "Rückgängig: ..."
//     add.Add(point);  add.Add(label);             // CKorvelDoc::AddObject, recorded
//     // the step is pushed when `add` goes out of scope (or at Commit())
// or, with the objects at hand, PushAddObjects(doc, std::move(objects), text).

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QUndoStack;

namespace korvel {

class CKorvelDoc;
class GList;
class GObj;
class GText;

class CDocUndo : public QObject {
    Q_OBJECT
public:
    // The undo keeper of `doc`, made on first use. Null for a null document.
    static CDocUndo* Of(CKorvelDoc* doc);
    // The keeper when one was made, without making one.
    static CDocUndo* Find(const CKorvelDoc* doc);

    QUndoStack* Stack() const { return m_pStack; }
    CKorvelDoc* Document() const { return m_pDoc; }

    // Marks a stretch of code whose document changes belong to an undo step (the steps'
    // own do and undo, a tool's live changes before it pushes its step).
    class ChangeScope {
    public:
        explicit ChangeScope(CDocUndo* undo) : m_pUndo(undo)
        {
            if (m_pUndo) ++m_pUndo->m_nInside;
        }
        ~ChangeScope()
        {
            if (m_pUndo) --m_pUndo->m_nInside;
        }
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        CDocUndo* m_pUndo;
    };

private:
    explicit CDocUndo(CKorvelDoc* doc);
    void OnOutsideChange();

    CKorvelDoc* m_pDoc;
    QUndoStack* m_pStack;
    int m_nInside = 0;
};

// Adds objects with CKorvelDoc::AddObject as one undo step.
class UndoableAdd {
public:
    UndoableAdd(CKorvelDoc& doc, const QString& text);
    ~UndoableAdd() { Commit(); }
    UndoableAdd(const UndoableAdd&) = delete;
    UndoableAdd& operator=(const UndoableAdd&) = delete;

    // AddObject; on success the object is part of the step. On false the caller still owns it.
    bool Add(GObj* obj);
    // Pushes the step (nothing when no object was added). Later Adds start a new step.
    void Commit();

private:
    CKorvelDoc& m_doc;
    QString m_strText;
    std::vector<GObj*> m_added;
};

// Adds the objects in order as one undo step; objects the document cannot store are deleted.
// Answers how many were added.
size_t PushAddObjects(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>> objects, const QString& text);

// Removes the objects, in the given order, as one undo step: each is taken out of its list,
// the document is marked modified and every view is told before the object leaves. Undo puts
// them back at their old places in the drawing order, with their attributes and flags.
// Objects not in the document are skipped. Answers how many were removed.
size_t PushRemoveObjects(CKorvelDoc& doc, const std::vector<GObj*>& objects, const QString& text);

// What a rotation changes of a text.
struct TextLook {
    int32_t escapement = 0;
    double ptTextX = 0.0, ptTextY = 0.0;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    static TextLook Of(const GText& text);
    void ApplyTo(GText& text) const;
};


// A text's rotation as one step: the text has already been turned (by the rotate tool) from
// the look in `before`; undo and redo switch between the two looks.
void PushTextChange(CKorvelDoc& doc, GText* text, const TextLook& before, const QString& commandText);

}  // namespace korvel
