#include "app/docundo.h"

#include "model/gtext.h"
#include "model/korveldoc.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace korvel {
namespace {

// One object taken out of the document: where it was (its list and the member after it at
// that moment) and, while it is out, the object itself.
struct Removed {
    GObj* obj = nullptr;
    GList* parent = nullptr;
    GObj* next = nullptr;
    std::unique_ptr<GObj> owned;
};

// Adds or removes a set of objects. The objects are removed in `items` order and put back in
// the reverse order, so each one finds the member it stood before exactly as it left it.
class ObjectsCommand : public QUndoCommand {
public:
    ObjectsCommand(CDocUndo* undo, std::vector<Removed> items, bool adds, bool alreadyDone, const QString& text)
        : QUndoCommand(text), m_pUndo(undo), m_items(std::move(items)), m_bAdds(adds), m_bSkipRedo(alreadyDone)
    {
    }

    void redo() override
    {
        if (m_bSkipRedo) {
            m_bSkipRedo = false;
            return;
        }
        if (m_bAdds) Restore();
        else Remove();
    }
    void undo() override
    {
        if (m_bAdds) Remove();
        else Restore();
    }

private:
    void Remove()
    {
        CDocUndo::ChangeScope scope(m_pUndo);
        CKorvelDoc& doc = *m_pUndo->Document();
        for (Removed& r : m_items) {
            r.parent = r.obj->m_pParent;
            GList::Position pos = r.parent ? r.parent->PositionOf(r.obj) : nullptr;
            r.next = pos && pos->pNext ? GList::MemberAt(pos->pNext) : nullptr;
            r.owned = doc.RemoveObject(r.obj);
        }
    }
    void Restore()
    {
        CDocUndo::ChangeScope scope(m_pUndo);
        CKorvelDoc& doc = *m_pUndo->Document();
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (!it->owned) continue;
            if (doc.RestoreObject(it->owned.get(), it->parent, it->next)) it->owned.release();
        }
    }

    CDocUndo* m_pUndo;
    std::vector<Removed> m_items;
    bool m_bAdds;
    bool m_bSkipRedo;
};

class TextLookCommand : public QUndoCommand {
public:
    TextLookCommand(CDocUndo* undo, GText* text, const TextLook& before, const QString& commandText)
        : QUndoCommand(commandText), m_pUndo(undo), m_pText(text), m_before(before), m_after(TextLook::Of(*text))
    {
    }
    void redo() override
    {
        if (m_bSkipRedo) {
            m_bSkipRedo = false;
            return;
        }
        Apply(m_after);
    }
    void undo() override { Apply(m_before); }

private:
    void Apply(const TextLook& look)
    {
        CDocUndo::ChangeScope scope(m_pUndo);
        CKorvelDoc& doc = *m_pUndo->Document();
        doc.UpdateObject(m_pText, true);
        look.ApplyTo(*m_pText);
        doc.UpdateObject(m_pText, true);
        doc.SetModifiedFlag(true);
    }

    CDocUndo* m_pUndo;
    GText* m_pText;  // the step is dropped with the stack before the text can go
    TextLook m_before;
    TextLook m_after;
    bool m_bSkipRedo = true;
};

}  // namespace

// ---------------------------------------------------------------- CDocUndo

CDocUndo::CDocUndo(CKorvelDoc* doc) : QObject(doc), m_pDoc(doc), m_pStack(new QUndoStack(this))
{
    setObjectName(QStringLiteral("korvel_undo"));
    // Work that is not on the stack cannot be reached by undo: there is no saved state then.
    if (doc->IsModified()) m_pStack->resetClean();

    connect(m_pStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        ChangeScope scope(this);
        m_pDoc->SetModifiedFlag(!clean);
    });
    connect(doc, &CKorvelDoc::modifiedChanged, this, [this](bool modified) {
        if (m_nInside > 0) return;
        if (modified) OnOutsideChange();
        else m_pStack->setClean();  // saved
    });
    connect(doc, &CKorvelDoc::objectAdded, this, [this] { OnOutsideChange(); });
    connect(doc, &CKorvelDoc::objectRemoved, this, [this] { OnOutsideChange(); });
    // New and Open replace the whole tree: the steps would point into the old one.
    connect(doc, &CKorvelDoc::fitAllRequested, this, [this] {
        ChangeScope scope(this);
        const bool modified = m_pDoc->IsModified();
        m_pStack->clear();
        m_pDoc->SetModifiedFlag(modified);
    });
}

void CDocUndo::OnOutsideChange()
{
    if (m_nInside > 0) return;
    if (m_pStack->cleanIndex() >= 0) m_pStack->resetClean();
}

CDocUndo* CDocUndo::Find(const CKorvelDoc* doc)
{
    if (!doc) return nullptr;
    return doc->findChild<CDocUndo*>(QStringLiteral("korvel_undo"), Qt::FindDirectChildrenOnly);
}

CDocUndo* CDocUndo::Of(CKorvelDoc* doc)
{
    if (!doc) return nullptr;
    if (CDocUndo* found = Find(doc)) return found;
    return new CDocUndo(doc);  // owned by the document
}

// ---------------------------------------------------------------- steps

UndoableAdd::UndoableAdd(CKorvelDoc& doc, const QString& text) : m_doc(doc), m_strText(text) {}

bool UndoableAdd::Add(GObj* obj)
{
    CDocUndo::ChangeScope scope(CDocUndo::Of(&m_doc));
    if (!m_doc.AddObject(obj)) return false;
    m_added.push_back(obj);
    return true;
}

void UndoableAdd::Commit()
{
    if (m_added.empty()) return;
    CDocUndo* undo = CDocUndo::Of(&m_doc);
    std::vector<Removed> items(m_added.size());
    // Undo removes the last added first, so every object finds its place again on redo.
    for (size_t i = 0; i < m_added.size(); ++i) items[i].obj = m_added[m_added.size() - 1 - i];
    m_added.clear();
    undo->Stack()->push(new ObjectsCommand(undo, std::move(items), true, true, m_strText));
}

size_t PushAddObjects(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>> objects, const QString& text)
{
    UndoableAdd add(doc, text);
    size_t count = 0;
    for (auto& obj : objects) {
        if (add.Add(obj.get())) {
            obj.release();
            ++count;
        }
    }
    return count;  // a failed object is deleted with `objects`
}

size_t PushRemoveObjects(CKorvelDoc& doc, const std::vector<GObj*>& objects, const QString& text)
{
    CDocUndo* undo = CDocUndo::Of(&doc);
    std::vector<Removed> items;
    items.reserve(objects.size());
    for (GObj* o : objects) {
        if (o && o->m_pParent) items.push_back(Removed{o, nullptr, nullptr, nullptr});
    }
    if (items.empty()) return 0;
    const size_t count = items.size();
    undo->Stack()->push(new ObjectsCommand(undo, std::move(items), false, false, text));
    return count;
}

TextLook TextLook::Of(const GText& text)
{
    TextLook look;
    look.escapement = text.m_lf.lfEscapement;
    look.ptTextX = text.m_ptText.x;
    look.ptTextY = text.m_ptText.y;
    look.minX = text.m_rcBounds.minX;
    look.minY = text.m_rcBounds.minY;
    look.maxX = text.m_rcBounds.maxX;
    look.maxY = text.m_rcBounds.maxY;
    return look;
}

void TextLook::ApplyTo(GText& text) const
{
    text.m_lf.lfEscapement = escapement;
    text.m_ptText = WorldPoint{ptTextX, ptTextY};
    text.m_rcBounds = WorldRect{minX, minY, maxX, maxY};
}

void PushTextChange(CKorvelDoc& doc, GText* text, const TextLook& before, const QString& commandText)
{
    if (!text) return;
    CDocUndo* undo = CDocUndo::Of(&doc);
    undo->Stack()->push(new TextLookCommand(undo, text, before, commandText));
}

}  // namespace korvel
