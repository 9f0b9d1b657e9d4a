#include "model/modelclasses.h"

#include "model/ginfo.h"
#include "model/glist.h"
#include "model/goblist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"

namespace korvel {

std::span<const GRuntimeClass* const> ModelClasses()
{
    static const GRuntimeClass* const classes[] = {
        &GClone::classGClone, &GObj::classGObj,   &GPoint::classGPoint, &GText::classGText,
        &GPolyline::classGPolyline, &GPolygon::classGPolygon, &GList::classGList, &GInfo::classGInfo,
        &GRing::classGRing, &GObList::classGObList,
    };
    return classes;
}

}  // namespace korvel
