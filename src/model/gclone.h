#pragma once
// The root of the persisted class tree: run-time class records (name, schema, factory, base)
// that the object stream uses to create objects by name, and GClone, the root of everything
// that can be copied with Clone.

#include <cstdint>

namespace korvel {

class GRootObject;

// One record per persisted class. Records are constant-initialised statics, so they can be
// used from any static initialiser without ordering problems.
struct GRuntimeClass {
    const char* m_lpszClassName;          // the persisted ASCII class name
    uint16_t m_wSchema;                   // the persisted schema (1 for every class here)
    GRootObject* (*m_pfnCreateObject)();  // a default object, or null when memory runs out
    const GRuntimeClass* m_pBaseClass;    // null for the roots

    GRootObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    // True when this record is `base` or names it somewhere up its base chain.
    bool IsDerivedFrom(const GRuntimeClass* base) const;
};

// The common root of the map objects and the object lists: what the object stream can create
// and own through a base pointer.
class GRootObject {
public:
    GRootObject() = default;
    GRootObject(const GRootObject&) = delete;
    GRootObject& operator=(const GRootObject&) = delete;
    virtual ~GRootObject() = default;

    virtual const GRuntimeClass* GetRuntimeClass() const = 0;
    bool IsKindOf(const GRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
};

class GClone : public GRootObject {
public:
    static const GRuntimeClass classGClone;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGClone; }

    // Copies this object into `target` (which must be of this object's class), or into a new
    // object of this class when `target` is null. Answers the copy, or null when memory ran
    // out or the target has the wrong class; the target is then deleted. GClone itself has
    // nothing to copy and answers null (leaving a given target alone).
    virtual GClone* Clone(GClone* target = nullptr) const;
};

}  // namespace korvel
