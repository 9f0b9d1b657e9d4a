#include "model/reproject.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/korveldoc.h"

#include <vector>

namespace korvel {

bool ChangeConverts(int32_t from, int32_t to)
{
    return from != to && from != CRS_LOCAL && to != CRS_LOCAL;
}

bool CopyObjects(const CKorvelDoc& source, CKorvelDoc& target)
{
    if (!source.m_pRoot || !target.m_pRoot) return false;
    for (GList::Position p = source.m_pRoot->m_list.GetHeadPosition(); p;) {
        const GObj* o = GList::NextMember(p);
        GObj* copy = static_cast<GObj*>(o->Clone());
        if (!copy) return false;
        if (!target.m_pRoot->AddTail(copy)) {
            delete copy;
            return false;
        }
    }
    return true;
}

bool ReprojectDocument(CKorvelDoc& doc, int32_t to)
{
    const int32_t from = doc.m_nCoordSys;
    // A conversion TransformPoint cannot do is never started.
    if (ChangeConverts(from, to) && (!IsTransformable(from) || !IsTransformable(to))) return false;
    if (!ChangeConverts(from, to) || !doc.m_pRoot) {
        if (from != to) {
            doc.m_nCoordSys = to;
            doc.SetModifiedFlag(true);
        }
        return true;
    }

    // Images first, so that their pixels are never "converted" as if they were map geometry.
    std::vector<GObj*> images;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() == GT_IMG) images.push_back(o);
    }
    for (GObj* img : images) doc.RemoveObject(img);  // the returned owner deletes it

    CoordTransform params{1, from, to};
    const bool ok = doc.m_pRoot->Transform(&TransformPoint, &params);
    doc.m_pRoot->CalcBounds();
    doc.m_nCoordSys = params.to;  // the zone actually used, should a caller ask for UTM auto
    doc.SetModifiedFlag(true);
    return ok;
}

int32_t AdoptWgs84(CKorvelDoc& doc)
{
    if (doc.m_nCoordSys != CRS_LOCAL) return doc.m_nCoordSys;
    if (doc.m_pRoot) {
        CObjEnum walk(doc.m_pRoot.get());
        for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
            if (o->GetType() != GT_OBJ && o->GetType() != GT_LIST) return CRS_LOCAL;
        }
    }
    doc.m_nCoordSys = CRS_WEBMERCATOR;
    return CRS_WEBMERCATOR;
}

}  // namespace korvel
