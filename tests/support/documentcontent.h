#pragma once
// What a document holds, as tests look at it: its objects of one type in walk order, and the
// value of an attribute.

#include "model/cobjenum.h"
#include "model/gobj.h"
#include "model/korveldoc.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace korvel::test {

// The objects of type code `type` in a deep walk of the document.
inline std::vector<const GObj*> ObjectsOfType(CKorvelDoc& doc, uint32_t type)
{
    std::vector<const GObj*> out;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() == type) out.push_back(o);
    }
    return out;
}

// The value of attribute `name` (ignoring case), or "<fehlt>" when the object has none.
inline QString InfoText(const GObj& obj, const char* name)
{
    const GInfoItem* i = obj.FindInfo(QLatin1String(name));
    return i ? i->Value() : QStringLiteral("<fehlt>");
}

}  // namespace korvel::test
