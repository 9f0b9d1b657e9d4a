#include "model/reproject.h"

#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/korveldoc.h"

#include <vector>

namespace korvel {
namespace {

// A conversion record that also counts the coordinates TransformPoint refused.
struct ProbeTransform : CoordTransform {
    size_t refused = 0;
};

// Converts a copy of the point and counts a refusal; the point itself stays as it is. Lets
// an object be checked before any of its coordinates change.
bool ProbePoint(WorldPoint* point, CoordTransform* params)
{
    WorldPoint copy = *point;
    if (!TransformPoint(&copy, params)) ++static_cast<ProbeTransform*>(params)->refused;
    return true;
}

// Converts the members of `list` one by one. An object with a coordinate that cannot be
// converted (not finite, outside what the systems cover) keeps all its values, so that it is
// never left half converted, and the walk goes on with the next one. Nested lists are
// entered. Returns the number of objects left unconverted.
size_t ConvertMembers(GList& list, CoordTransform& params)
{
    size_t failed = 0;
    TransformPoint(&list.m_ptPos, &params);  // a list's own position is only a reference point
    for (GList::Position p = list.m_list.GetHeadPosition(); p;) {
        GObj* o = GList::NextMember(p);
        if (auto* nested = dynamic_cast<GList*>(o)) {
            failed += ConvertMembers(*nested, params);
            nested->CalcBounds();
        } else {
            ProbeTransform probe;
            static_cast<CoordTransform&>(probe) = params;
            o->Transform(&ProbePoint, &probe);
            // The probe may have settled the zone of an automatic UTM target.
            params.to = probe.to;
            if (probe.refused > 0 || !o->Transform(&TransformPoint, &params)) {
                ++failed;
                continue;
            }
        }
        o->UpdateInfo(params.to);
    }
    return failed;
}

}  // namespace

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

bool ReprojectDocument(CKorvelDoc& doc, int32_t to, size_t* unconverted)
{
    if (unconverted) *unconverted = 0;
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
    const size_t failed = ConvertMembers(*doc.m_pRoot, params);
    doc.m_pRoot->CalcBounds();
    // Relabelled only now, when every object that can be converted is.
    doc.m_nCoordSys = params.to;  // the zone actually used, should a caller ask for UTM auto
    doc.SetModifiedFlag(true);
    if (unconverted) *unconverted = failed;
    return true;
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
