#pragma once
// GObj: the common base of every map object (points, lines, areas, texts, images, containers,
// markers). Geometry in world coordinates of the document's system, a colour, a selection flag
// and an attribute table; virtual operations for copying, hit distance, re-projection, pixel
// extent, drawing and computed attributes.
//
// Memory of a measured point (64-bit): GPoint 88 bytes + list node 24 + one attribute block of
// 16 + 3 x 16 entry bytes + 2 x 11 + 6 value characters = 120, all three from the object pool
// without a heap header: 232 bytes per point. The attribute names cost nothing per point
// (interned).

#include "crs/transform.h"
#include "crs/worldpoint.h"
#include "model/canvas.h"
#include "model/gclone.h"
#include "model/ginfo.h"
#include "model/pixel.h"
#include "model/viewtransform.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

namespace korvel {

class GList;
class GObList;
class GView;
struct GObListNode;

// Type codes, used as bit masks by filters.
inline constexpr uint32_t GT_OBJ = 0;
inline constexpr uint32_t GT_POINT = 1;
inline constexpr uint32_t GT_TEXT = 2;
inline constexpr uint32_t GT_POLYLINE = 4;
inline constexpr uint32_t GT_POLYGON = 8;
inline constexpr uint32_t GT_IMG = 0x400;
inline constexpr uint32_t GT_TILE = 0x800;
inline constexpr uint32_t GT_LIST = 0x8000;

// m_wFlags bits.
inline constexpr uint16_t GF_SELECTED = 0x0001;

// IsEqual flags.
inline constexpr uint32_t EQ_TYPE = 1;
inline constexpr uint32_t EQ_POS = 2;
inline constexpr uint32_t EQ_FONT = 8;

// `value` with exactly `decimals` decimals, as "%.*lf" in the C locale (whatever the process
// locale), in a string without spare capacity.
QString FormatInfoValue(double value, int decimals);

class GObj : public GClone {
public:
    static const GRuntimeClass classGObj;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGObj; }

    GObj() = default;
    ~GObj() override = default;

    // Map objects live in the object pool (objpool.h): a document of a million points then
    // costs no heap header per object, and making and freeing them is a few instructions.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, std::size_t size) noexcept;
    // When a constructor throws after a nothrow new.
    static void operator delete(void* p, const std::nothrow_t&) noexcept;
    // Classes with stricter alignment than 16 bytes (none so far) bypass the pool.
    static void* operator new(std::size_t size, std::align_val_t align);
    static void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, std::size_t size, std::align_val_t align) noexcept;
    static void operator delete(void* p, std::align_val_t align, const std::nothrow_t&) noexcept;
    // Construction in place stays possible.
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}

    // A new object of this class with its defaults when `target` is null; then position,
    // bounds, colour, flags and a deep copy of the attributes (never the parent).
    GClone* Clone(GClone* target = nullptr) const override;
    // Hit distance in document units from the world point `q` (x east, y north).
    virtual double Distance(const WorldPoint& q) const;
    // Compares with `other` by the EQ_* flags given; flags 0 always answer true.
    virtual bool IsEqual(const GObj& other, uint32_t flags) const;
    // Converts every coordinate in place with `callback`; false at the first failing call
    // (coordinates already converted stay converted).
    virtual bool Transform(TransformCallback callback, CoordTransform* params);
    // Merges this object's extent in screen pixels into `rect`.
    virtual void AddScreenRect(const ViewTransform& view, PixelRect& rect) const;
    // Recomputes m_rcBounds (and, for derived geometry, m_ptPos) from the geometry.
    virtual void CalcBounds();
    // Paints onto `dc`, or onto the view window's canvas when `dc` is null. `clip` is the
    // device rectangle being repainted.
    virtual void Draw(GView& view, Canvas* dc, const PixelRect& clip);
    // Refreshes the computed attributes for coordinate system `crs`.
    virtual void UpdateInfo(int32_t crs);
    virtual uint32_t GetType() const { return GT_OBJ; }

    bool IsSelected() const { return (m_wFlags & GF_SELECTED) != 0; }

    // Attributes. Names compare ignoring case; the stored spelling is kept.
    // Replaces value and format of the attribute named `name` or appends a new one. False, with
    // the object unchanged, when memory runs out.
    bool SetInfo(const QString& name, const QString& value, uint16_t format = INFO_TEXT);
    // SetInfo with `value` written as FormatInfoValue writes it, without making a string on the
    // way when the new text fits where the old one was (as coordinates kept up to date do).
    bool SetInfoNumber(const QString& name, double value, int decimals, uint16_t format);
    // The first attribute named `name` (ignoring case), or null. Entries stay valid until the
    // object's attributes are next changed.
    const GInfoItem* FindInfo(const QString& name) const;
    // Appends an attribute without looking for an existing one of that name (as read from a
    // file, where a table may repeat a name).
    bool AppendInfo(const QString& name, const QString& value, uint16_t format);
    // Appends copies of every GInfo of `list` (other elements are skipped), without checking
    // for duplicate names. False when memory ran out (the copies made so far stay).
    bool AddInfos(const GObList& list);
    bool AddInfos(std::span<const GInfoItem> items);
    // Replaces the attribute table by the GInfo elements of `list`, in order, duplicates kept;
    // an empty list gives an empty (but present) table. False, with the object unchanged, when
    // an element is not a GInfo or memory runs out.
    bool SetInfoTable(const GObList& list);
    // The attributes in order; empty when there is no table.
    std::span<const GInfoItem> Infos() const;
    bool HasInfoTable() const { return m_pInfo != nullptr; }
    void ClearInfos() { m_pInfo.reset(); }

    // The list node holding this object while it is a member of a GList (m_pParent); null
    // otherwise. Maintained only by GList's member operations.
    GObListNode* ListNode() const { return m_pNode; }

    GList* m_pParent = nullptr;  // the container holding the object; not owning
    COLORREF m_crColor = 0;
    uint16_t m_wFlags = 0;
    WorldRect m_rcBounds;        // world bounding rectangle
    WorldPoint m_ptPos;          // reference point
    GInfoTable::Ptr m_pInfo;     // attribute table, null until the first attribute is set

protected:
    // Copies the GObj part into `t`; false when memory runs out.
    bool CopyObjInto(GObj& t) const;
    // The usual Clone shape: `target` checked to be a T (or a new T made), then `copy` fills
    // it; on failure the target is deleted and null answered.
    template <class T, class CopyFn>
    static GClone* CloneAs(GClone* target, CopyFn copy);
    // Draws the four inverted selection squares just outside the mapped bounds.
    void DrawHandles(GView& view, Canvas* dc) const;
    // `dc`, or the view window's canvas when null.
    static Canvas* ResolveCanvas(GView& view, Canvas* dc);

private:
    friend class GList;

    GObListNode* m_pNode = nullptr;
};

template <class T, class CopyFn>
GClone* GObj::CloneAs(GClone* target, CopyFn copy)
{
    T* t = nullptr;
    if (target) {
        t = dynamic_cast<T*>(target);
        if (!t) {
            delete target;
            return nullptr;
        }
    } else {
        t = new (std::nothrow) T;
        if (!t) return nullptr;
    }
    if (!copy(*t)) {
        delete t;
        return nullptr;
    }
    return t;
}

}  // namespace korvel
