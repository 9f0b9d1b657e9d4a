#pragma once
// The run-time class records of every persisted class of the object model, for the object
// stream's registry of factories (libraries above the model add their own, e.g. images).

#include "model/gclone.h"

#include <span>

namespace korvel {

// GClone, GObj, GPoint, GText, GPolyline, GPolygon, GList, GInfo, GRing, GObList.
std::span<const GRuntimeClass* const> ModelClasses();

}  // namespace korvel
