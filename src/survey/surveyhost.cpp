#include "survey/surveyhost.h"

#include "model/gobj.h"
#include "model/korveldoc.h"

namespace korvel {

bool SurveyHost::AddToDocument(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects, const QString&)
{
    return AddObjectsDirectly(doc, objects);
}

bool AddObjectsDirectly(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects)
{
    for (std::unique_ptr<GObj>& obj : objects) {
        if (!obj) continue;
        if (!doc.AddObject(obj.get())) return false;
        obj.release();
    }
    return true;
}

}  // namespace korvel
