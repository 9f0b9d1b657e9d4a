#pragma once
// CObjEnum: walks the members of a GList, optionally entering a nested list that leads its
// parent (the deep walk every document traversal uses):
//     for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) ...
// A short-lived local object: it must not outlive its list, and the list must not change
// during a walk except through InsertAtCurrent (after which the walk ends).

#include "model/glist.h"

#include <memory>

namespace korvel {

class CObjEnum {
public:
    explicit CObjEnum(GList* list) : m_pList(list) {}
    CObjEnum(const CObjEnum&) = delete;
    CObjEnum& operator=(const CObjEnum&) = delete;
    virtual ~CObjEnum() = default;

    virtual GObj* First();
    virtual GObj* Prev();
    virtual GObj* Next();
    virtual GObj* Last();
    virtual GObj* NextDeep();
    virtual GObj* FirstDeep();
    // Inserts `obj` immediately before the current element, in the nested list when the walk
    // is inside one (before the head when there is no current element). False when the list
    // could not take it (the caller still owns `obj`).
    virtual bool InsertAtCurrent(GObj* obj);

    // The list that holds the current element of the deepest active walk.
    GList* CurrentList();

    GList* m_pList;
    GObj* m_pCur = nullptr;
    GList::Position m_pos = nullptr;
    std::unique_ptr<CObjEnum> m_pSub;
};

// True when a deep walk of `list` meets no point, text, polyline, polygon, image or tile (an
// empty document, or one holding only lists and markers).
bool HasNoObjects(GList* list);

}  // namespace korvel
