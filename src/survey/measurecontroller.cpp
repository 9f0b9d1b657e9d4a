#include "survey/measurecontroller.h"

#include "crs/transform.h"
#include "gps/gpssettings.h"
#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/reproject.h"
#include "strings/stringtable.h"
#include "survey/surveyhost.h"
#include "survey/trackline.h"
#include "view/korvelview.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace korvel {

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kInnerShare = 0.17;
constexpr double kFirstHalf = 200.0;         // window half-size around the first point
constexpr double kFirstHalfDegrees = 0.002;  // the same for a document in degrees
constexpr double kFrameMargin = 0.3;
constexpr double kFrameMinimum = 50.0;
constexpr double kFrameInnerMinimum = 51.0;

bool Contains(const WorldRect& r, const WorldPoint& p)
{
    return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY;
}

void Widen(double* lo, double* hi, double minimum)
{
    const double extent = *hi - *lo;
    if (extent >= minimum) return;
    const double add = (minimum - extent) / 2.0;
    *lo -= add;
    *hi += add;
}

}  // namespace

MeasureShared& SharedMeasureState()
{
    static MeasureShared state;
    return state;
}

WorldRect InnerRectangle(const WorldRect& w)
{
    const double width = std::fabs(w.maxX - w.minX);
    const double height = std::fabs(w.maxY - w.minY);
    const double d = kInnerShare * std::min(width, height);
    return WorldRect{std::min(w.minX, w.maxX) + d, std::min(w.minY, w.maxY) + d, std::max(w.minX, w.maxX) - d,
                     std::max(w.minY, w.maxY) - d};
}

bool FramePositionAndMarker(const WorldRect& window, const WorldPoint& gps, const WorldPoint& marker,
                            WorldRect* out)
{
    const WorldRect inner = InnerRectangle(window);
    WorldRect box{std::min(gps.x, marker.x), std::min(gps.y, marker.y), std::max(gps.x, marker.x),
                  std::max(gps.y, marker.y)};
    const double w = box.maxX - box.minX;
    const double h = box.maxY - box.minY;
    const double k = kFrameMargin * std::max(w, h);
    const bool bothInside = Contains(inner, gps) && Contains(inner, marker);
    if (bothInside) {
        const double iw = inner.maxX - inner.minX;
        const double ih = inner.maxY - inner.minY;
        if (!(w < 0.25 * iw && h < 0.25 * ih && iw > kFrameInnerMinimum && ih > kFrameInnerMinimum))
            return false;
    }
    box = WorldRect{box.minX - k, box.minY - k, box.maxX + k, box.maxY + k};
    if (bothInside) {
        Widen(&box.minX, &box.maxX, kFrameMinimum);
        Widen(&box.minY, &box.maxY, kFrameMinimum);
    }
    *out = box;
    return true;
}

CMeasureController::CMeasureController(CKorvelView& view, SurveyHost* host) : m_view(view), m_pHost(host)
{
    QObject::connect(&m_timer1, &QTimer::timeout, [this] { OnMeasureTimer(kTimerTrack); });
    QObject::connect(&m_timer2, &QTimer::timeout, [this] { OnMeasureTimer(kTimerPosition); });
}

CMeasureController::~CMeasureController()
{
    // The view ends measuring before it lets the controller go; this is the last resort for
    // a controller destroyed on its own.
    SetMeasureMode(kModeNone);
}

bool CMeasureController::timerActive(int timerId) const
{
    return timerId == kTimerTrack ? m_timer1.isActive() : m_timer2.isActive();
}

CSerialComm* CMeasureController::UsablePort(SurveyHost* host)
{
    CGpsSettings* gps = host ? host->Gps() : nullptr;
    if (!gps) return nullptr;
    CSerialComm* port = gps->port();
    if (!port || !gps->manager().IsManaged(port) || !gps->IsFixUsable(port)) return nullptr;
    return port;
}

void CMeasureController::CreateMarkerIfMissing()
{
    if (!m_view.positionMarker()) m_view.SetPositionMarker(std::make_unique<GGpsPos>());
}

void CMeasureController::StartTrack()
{
    if (m_view.track()) return;
    if (CKorvelDoc* doc = m_view.GetDocument()) AdoptWgs84(*doc);
    auto line = std::make_unique<GTrackLine>();
    line->m_crColor = kTrackColor;
    line->m_nPenWidth = 3;
    // The old mode ends first (a position display, say): it removes the marker.
    SetMeasureMode(kModeTrack);
    m_view.SetTrack(std::move(line));
    const int interval = m_pHost && m_pHost->Gps() ? m_pHost->Gps()->interval() : 1;
    m_timer1.start(std::max(0, interval) * 1000);
    CreateMarkerIfMissing();
    ShowPauseFace();
}

void CMeasureController::ShowPosition()
{
    SetMeasureMode(kModePosition);
    m_timer2.start(kPositionPeriodMs);
    if (CKorvelDoc* doc = m_view.GetDocument()) AdoptWgs84(*doc);
    CreateMarkerIfMissing();
    ShowPauseFace();
}

void CMeasureController::TogglePause()
{
    m_bPaused = !m_bPaused;
    ShowPauseFace();
}

void CMeasureController::StopMeasuring()
{
    SetMeasureMode(kModeNone);
    m_bPaused = false;
    if (m_view.findMarker()) m_view.SetFindMarker(nullptr);
    ShowPauseFace();
}

void CMeasureController::ShowPauseFace()
{
    if (m_pHost) m_pHost->ShowPauseFace(m_bPaused, m_nMeasureMode != kModeTrack);
}

void CMeasureController::SetMeasureMode(int mode)
{
    if (mode == m_nMeasureMode) return;
    m_timer1.stop();
    m_timer2.stop();
    if (m_nMeasureMode == kModeTrack) {
        // The mode changes before the question is asked: an event loop running under the
        // message box must not see a half-ended recording and end it a second time.
        m_nMeasureMode = mode;
        StoreTrack();
        m_bPaused = false;
    }
    if (m_view.positionMarker()) m_view.SetPositionMarker(nullptr);
    m_nMeasureMode = mode;
}

void CMeasureController::StoreTrack()
{
    std::unique_ptr<GPolyline> line = m_view.TakeTrack();
    if (!line) return;
    // The document gets a plain polyline.
    if (auto* recorded = dynamic_cast<GTrackLine*>(line.get())) line = recorded->TakePolyline();
    if (line->m_pRings) {
        GObList::Position p = line->m_pRings->GetHeadPosition();
        while (p) {
            GObList::Position next = p->pNext;
            GRing* ring = GPolyline::RingAt(p);
            if (!ring || ring->GetCount() < 2) delete line->m_pRings->RemoveAt(p);
            p = next;
        }
    }
    CKorvelDoc* doc = m_view.GetDocument();
    if (line->RingCount() == 0 || !doc) return;

    line->m_crColor = kStoredTrackColor;
    line->CalcBounds();
    GPolyline* stored = line.get();
    if (!AddToDocument(*doc, std::move(line), QObject::tr("Linie messen"))) {
        // The document cannot take it: keep showing the line rather than losing it.
        return;
    }

    if (ShowMessage(IDS_CLOSE_LINE_QUESTION, IDS_CAPTION_NOTE, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    auto area = std::make_unique<GPolygon>();
    for (GObList::Position p = stored->m_pRings->GetHeadPosition(); p; p = p->pNext) {
        const GRing* ring = GPolyline::RingAt(p);
        if (!ring) continue;
        auto copy = std::unique_ptr<GRing>(static_cast<GRing*>(ring->Clone()));
        if (!copy) continue;
        if (copy->SignedArea() < 0.0) copy->Reverse();
        if (area->AddRing(copy.get())) copy.release();
    }
    area->m_crColor = kTrackAreaColor;
    area->m_nPenWidth = 3;
    area->CalcBounds();
    AddToDocument(*doc, std::move(area), QObject::tr("Fläche bilden"));
}

bool CMeasureController::AddToDocument(CKorvelDoc& doc, std::unique_ptr<GObj> obj, const QString& text)
{
    std::vector<std::unique_ptr<GObj>> objects;
    objects.push_back(std::move(obj));
    const bool added = m_pHost ? m_pHost->AddToDocument(doc, objects, text) : AddObjectsDirectly(doc, objects);
    if (added) return true;
    // A line the document could not take stays on the screen.
    if (auto* line = dynamic_cast<GPolyline*>(objects[0].get()); line && !dynamic_cast<GPolygon*>(line)) {
        objects[0].release();
        m_view.SetTrack(std::unique_ptr<GPolyline>(line));
    }
    return false;
}

void CMeasureController::OnMeasureTimer(int timerId)
{
    CKorvelDoc* doc = m_view.GetDocument();
    CSerialComm* port = UsablePort(m_pHost);
    WorldPoint pos;
    if (port && doc) {
        pos = WorldPoint{port->fix().longitude, port->fix().latitude};
        CoordTransform toDoc{1, CRS_WGS84, doc->m_nCoordSys};
        // A local document keeps the degrees.
        TransformPoint(&pos, &toDoc);
    }
    const bool hasFix = port && doc;

    MeasureShared& shared = SharedMeasureState();
    if (hasFix) {
        const WorldPoint last = shared.lastPosition;
        if ((last.x != 0.0 || last.y != 0.0) && !(last == pos))
            shared.heading = std::atan2(last.x - pos.x, pos.y - last.y);
        shared.lastPosition = pos;
    }

    if (timerId == kTimerTrack && m_view.track()) {
        if (!hasFix) return;
        if (!m_bPaused) AppendToTrack(pos);
    }
    if (!hasFix || !m_view.positionMarker()) return;
    if (port->fix().course != 0.0) shared.heading = 2.0 * std::numbers::pi - port->fix().course * kDegToRad;
    MoveMarker(pos, shared.heading);
    FollowPosition(pos);
}

void CMeasureController::AppendToTrack(const WorldPoint& pos)
{
    auto* line = dynamic_cast<GTrackLine*>(m_view.track());
    GRing* ring = line ? line->ring() : nullptr;
    if (!ring) return;
    if (ring->GetCount() == 0) {
        if (!line->Append(pos)) return;
        const CKorvelDoc* doc = m_view.GetDocument();
        const double half = doc && doc->m_nCoordSys == CRS_WGS84 ? kFirstHalfDegrees : kFirstHalf;
        m_view.SetView(&pos, half);
        return;
    }
    const WorldPoint last = ring->Points().back();
    if (last == pos) return;
    // Only the new point widens the bounds; only the new segment is drawn again.
    if (!line->Append(pos)) return;
    if (Contains(InnerRectangle(m_view.GetWorldRect()), pos)) {
        const ViewTransform vt = m_view.GetViewTransform();
        const PixelPoint a = vt.ToScreen(last);
        const PixelPoint b = vt.ToScreen(pos);
        PixelRect r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
        r.Inflate((line->m_nPenWidth + 2) / 2 + 1);
        m_view.InvalidateOverlay(r);
    } else {
        m_view.SetView(&pos, 0.0);
    }
}

void CMeasureController::MoveMarker(const WorldPoint& pos, double heading)
{
    GGpsPos* marker = m_view.positionMarker();
    if (marker->m_ptPos == pos && marker->m_dHeading == heading) return;
    const ViewTransform vt = m_view.GetViewTransform();
    PixelRect before;
    marker->AddScreenRect(vt, before);
    m_view.InvalidateOverlay(before);
    marker->m_ptPos = pos;
    marker->m_dHeading = heading;
    marker->CalcBounds();
    PixelRect after;
    marker->AddScreenRect(vt, after);
    m_view.InvalidateOverlay(after);
}

void CMeasureController::FollowPosition(const WorldPoint& pos)
{
    if (const GFindPt* find = m_view.findMarker()) {
        WorldRect window;
        if (FramePositionAndMarker(m_view.GetWorldRect(), pos, find->m_ptPos, &window))
            m_view.SetWorldRect(window);
        return;
    }
    if (!Contains(InnerRectangle(m_view.GetWorldRect()), pos)) m_view.SetView(&pos, 0.0);
}

}  // namespace korvel
