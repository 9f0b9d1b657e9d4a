#include "model/gobj.h"

#include "model/gview.h"
#include "model/goblist.h"
#include "model/objpool.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

namespace korvel {

namespace {
GRootObject* CreateGObj() { return new (std::nothrow) GObj; }
}  // namespace

QString FormatInfoValue(double value, int decimals)
{
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) return QString::asprintf("%.*f", decimals, value);
    return QString::fromLatin1(buf, res.ptr - buf);
}

const GRuntimeClass GObj::classGObj = {"GObj", 1, &CreateGObj, &GClone::classGClone};

void* GObj::operator new(std::size_t size)
{
    if (void* p = objpool::Allocate(size)) return p;
    throw std::bad_alloc();
}

void* GObj::operator new(std::size_t size, const std::nothrow_t&) noexcept { return objpool::Allocate(size); }

void GObj::operator delete(void* p, std::size_t size) noexcept { objpool::Free(p, size); }

void GObj::operator delete(void* p, const std::nothrow_t&) noexcept { objpool::FreeUnsized(p); }

void* GObj::operator new(std::size_t size, std::align_val_t align) { return ::operator new(size, align); }

void* GObj::operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return ::operator new(size, align, std::nothrow);
}

void GObj::operator delete(void* p, std::size_t, std::align_val_t align) noexcept { ::operator delete(p, align); }

void GObj::operator delete(void* p, std::align_val_t align, const std::nothrow_t&) noexcept
{
    ::operator delete(p, align);
}

bool GObj::CopyObjInto(GObj& t) const
{
    GInfoTable::Ptr info;
    if (m_pInfo) {
        info = m_pInfo->Copy();
        if (!info) return false;
    }
    t.m_rcBounds = m_rcBounds;
    t.m_ptPos = m_ptPos;
    t.m_crColor = m_crColor;
    t.m_wFlags = m_wFlags;
    t.m_pInfo = std::move(info);
    return true;
}

GClone* GObj::Clone(GClone* target) const
{
    return CloneAs<GObj>(target, [this](GObj& t) { return CopyObjInto(t); });
}

double GObj::Distance(const WorldPoint& q) const
{
    const double dx = q.x - m_ptPos.x;
    const double dy = q.y - m_ptPos.y;
    return std::sqrt(dx * dx + dy * dy);
}

bool GObj::IsEqual(const GObj& other, uint32_t flags) const
{
    if ((flags & EQ_TYPE) && GetType() != other.GetType()) return false;
    if ((flags & EQ_POS) && !(m_ptPos.x == other.m_ptPos.x && m_ptPos.y == other.m_ptPos.y)) return false;
    return true;
}

bool GObj::Transform(TransformCallback callback, CoordTransform* params)
{
    return callback(&m_ptPos, params);
}

void GObj::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    PixelRect r = view.ToScreen(m_rcBounds);
    if (IsSelected()) r.Inflate(4);
    if (!rect.HasArea())
        rect = r;
    else
        rect = UnitePixelRects(rect, r);
}

void GObj::CalcBounds() { m_rcBounds = WorldRect::AtPoint(m_ptPos); }

Canvas* GObj::ResolveCanvas(GView& view, Canvas* dc) { return dc ? dc : view.GetWindowCanvas(); }

void GObj::DrawHandles(GView& view, Canvas* dc) const
{
    dc = ResolveCanvas(view, dc);
    if (!dc || dc->IsPrinter() || !IsSelected()) return;
    const PixelRect b = view.GetViewTransform().ToScreen(m_rcBounds);
    const int64_t l = b.left, t = b.top, r = b.right, bt = b.bottom;
    dc->InvertRect(PixelRect::FromEdges(l - 4, t - 4, l, t));
    dc->InvertRect(PixelRect::FromEdges(r, t - 4, r + 4, t));
    dc->InvertRect(PixelRect::FromEdges(r, bt, r + 4, bt + 4));
    dc->InvertRect(PixelRect::FromEdges(l - 4, bt, l, bt + 4));
}

void GObj::Draw(GView& view, Canvas* dc, const PixelRect&) { DrawHandles(view, dc); }

void GObj::UpdateInfo(int32_t) {}

namespace {

// Room to leave when a table block is rebuilt: none for the few attributes most objects carry
// (memory per point matters), half again for wide tables so imports stay linear.
uint32_t SlackEntries(uint32_t count) { return count < 4 ? 0 : count / 2; }
uint32_t SlackChars(const GInfoTable& t) { return t.Count() < 4 ? 0 : t.LiveChars() / 2; }

constexpr uint32_t kMaxInfos = 0xFFFF;  // no table column set is this wide

}  // namespace

bool GObj::SetInfo(const QString& name, const QString& value, uint16_t format)
{
    if (m_pInfo) {
        const int i = m_pInfo->FindIndex(name);
        if (i >= 0) {
            if (m_pInfo->TryReplace(uint32_t(i), value, format)) return true;
            if (size_t(value.size()) > UINT32_MAX / 2) return false;
            GInfoTable::Ptr t = m_pInfo->Copy(0, uint32_t(value.size()) + SlackChars(*m_pInfo), i);
            if (!t || !t->TryReplace(uint32_t(i), value, format)) return false;
            m_pInfo = std::move(t);
            return true;
        }
    }
    return AppendInfo(name, value, format);
}

bool GObj::AppendInfo(const QString& name, const QString& value, uint16_t format)
{
    if (size_t(value.size()) > UINT32_MAX / 2) return false;
    uint32_t id = 0;
    if (!infonames::Intern(name, &id)) return false;
    const uint32_t len = uint32_t(value.size());
    if (!m_pInfo) {
        GInfoTable::Ptr t = GInfoTable::Create(1, len);
        if (!t) return false;
        t->TryAppend(id, value, format);
        m_pInfo = std::move(t);
        return true;
    }
    if (m_pInfo->TryAppend(id, value, format)) return true;
    const uint32_t n = m_pInfo->Count();
    if (n >= kMaxInfos) return false;
    GInfoTable::Ptr t = m_pInfo->Copy(1 + SlackEntries(n), len + SlackChars(*m_pInfo));
    if (!t || !t->TryAppend(id, value, format)) return false;
    m_pInfo = std::move(t);
    return true;
}

const GInfoItem* GObj::FindInfo(const QString& name) const
{
    return m_pInfo ? m_pInfo->Find(name) : nullptr;
}

bool GObj::AddInfos(const GObList& list)
{
    for (GObList::Position p = list.GetHeadPosition(); p;) {
        const auto* info = dynamic_cast<const GInfo*>(GObList::GetNext(p));
        if (info && !AppendInfo(info->m_strName, info->m_strValue, info->m_wFormat)) return false;
    }
    return true;
}

bool GObj::AddInfos(std::span<const GInfoItem> items)
{
    // Appending rebuilds this object's own table block, so a span into it is copied first.
    GInfoTable::Ptr own;
    if (m_pInfo && !items.empty() && items.data() == m_pInfo->Items().data()) {
        own = m_pInfo->Copy();
        if (!own) return false;
        items = own->Items();
    }
    for (const GInfoItem& it : items)
        if (!AppendInfo(it.Name(), it.Value(), it.m_wFormat)) return false;
    return true;
}

bool GObj::SetInfoTable(const GObList& list)
{
    if (list.GetCount() > kMaxInfos) return false;
    uint64_t chars = 0;
    for (GObList::Position p = list.GetHeadPosition(); p;) {
        const auto* info = dynamic_cast<const GInfo*>(GObList::GetNext(p));
        if (!info) return false;
        chars += uint64_t(info->m_strValue.size());
    }
    if (chars > UINT32_MAX / 2) return false;
    GInfoTable::Ptr t = GInfoTable::Create(uint32_t(list.GetCount()), uint32_t(chars));
    if (!t) return false;
    for (GObList::Position p = list.GetHeadPosition(); p;) {
        const auto* info = static_cast<const GInfo*>(GObList::GetNext(p));
        uint32_t id = 0;
        if (!infonames::Intern(info->m_strName, &id)) return false;
        t->TryAppend(id, info->m_strValue, info->m_wFormat);
    }
    m_pInfo = std::move(t);
    return true;
}

std::span<const GInfoItem> GObj::Infos() const
{
    if (!m_pInfo) return {};
    return m_pInfo->Items();
}

}  // namespace korvel
