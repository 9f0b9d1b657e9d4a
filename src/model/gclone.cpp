#include "model/gclone.h"

#include <new>

namespace korvel {

namespace {
GRootObject* CreateGClone() { return new (std::nothrow) GClone; }
}  // namespace

const GRuntimeClass GClone::classGClone = {"GClone", 1, &CreateGClone, nullptr};

bool GRuntimeClass::IsDerivedFrom(const GRuntimeClass* base) const
{
    for (const GRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base) return true;
    return false;
}

GClone* GClone::Clone(GClone*) const { return nullptr; }

}  // namespace korvel
