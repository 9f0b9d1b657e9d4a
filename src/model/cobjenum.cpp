#include "model/cobjenum.h"

#include <new>

namespace korvel {

GObj* CObjEnum::First()
{
    m_pSub.reset();
    m_pCur = nullptr;
    if (!m_pList) return nullptr;
    m_pos = m_pList->m_list.GetHeadPosition();
    if (m_pos) m_pCur = GList::NextMember(m_pos);
    return m_pCur;
}

GObj* CObjEnum::Prev()
{
    if (!m_pList || !m_pos) {
        m_pCur = nullptr;
        return nullptr;
    }
    m_pCur = GList::MemberAt(m_pos);
    m_pos = m_pos->pPrev;
    return m_pCur;
}

GObj* CObjEnum::Next()
{
    if (!m_pList || !m_pos) {
        m_pCur = nullptr;
        return nullptr;
    }
    m_pCur = GList::NextMember(m_pos);
    return m_pCur;
}

GObj* CObjEnum::Last()
{
    if (!m_pList) return nullptr;
    GList::Position tail = m_pList->m_list.GetTailPosition();
    m_pCur = tail ? GList::MemberAt(tail) : nullptr;
    m_pos = tail ? tail->pPrev : nullptr;
    return m_pCur;
}

GObj* CObjEnum::NextDeep()
{
    if (!m_pList) return nullptr;
    if (m_pSub && m_pCur && m_pCur->GetType() >= GT_LIST) {
        if (GObj* o = m_pSub->NextDeep()) return o;
    }
    return Next();
}

GObj* CObjEnum::FirstDeep()
{
    GObj* o = First();
    if (!o) return nullptr;
    if (o->GetType() >= GT_LIST) {
        // Only a list can carry that code (lists sort to the head of their parent).
        auto* nested = dynamic_cast<GList*>(o);
        if (nested) {
            m_pSub.reset(new (std::nothrow) CObjEnum(nested));
            if (!m_pSub) return nullptr;
            return m_pSub->FirstDeep();
        }
    }
    return m_pCur;
}

bool CObjEnum::InsertAtCurrent(GObj* obj)
{
    if (!m_pList) return false;
    if (m_pSub && m_pCur && m_pCur->GetType() == GT_LIST) return m_pSub->InsertAtCurrent(obj);
    return m_pList->InsertBefore(m_pCur ? m_pList->PositionOf(m_pCur) : nullptr, obj);
}

GList* CObjEnum::CurrentList()
{
    if (m_pSub && m_pCur && m_pCur->GetType() >= GT_LIST) return m_pSub->CurrentList();
    return m_pList;
}

bool HasNoObjects(GList* list)
{
    CObjEnum e(list);
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep())
        if (o->GetType() & 0x0FFF) return false;
    return true;
}

}  // namespace korvel
