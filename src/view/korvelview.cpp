#include "view/korvelview.h"

#include "model/coordsys.h"
#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/glist.h"
#include "model/gobj.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "imagery/tilemath.h"
#include "view/qpaintercanvas.h"
#include "view/tilelayer.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>

namespace korvel {
namespace {

// The tile service printing always uses: the only one whose cached tiles may be printed.
constexpr int kPrintTileService = 2;
// Wheel delta of one notch of an ordinary wheel; finer wheels and touch pads send parts of it.
constexpr int kWheelStep = 120;
// "Der Druck auf "%1" ist fehlgeschlagen."
constexpr int IDS_PRINT_FAILED = 1601;

GList* DocRoot(const CKorvelDoc* doc) { return doc ? doc->m_pRoot.get() : nullptr; }

PixelRect ToPixelRect(const QRect& r) { return PixelRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

}  // namespace

CKorvelView::CKorvelView(CKorvelDoc* doc, ViewHost* host, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_pHost(host)
{
    // Every paint covers its whole region from the map picture, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    AddOverlay(kOverlayTrack, &m_trackOverlay);
    AddOverlay(kOverlayFindMarker, &m_findOverlay);
    AddOverlay(kOverlayPosition, &m_positionOverlay);
    AddOverlay(kOverlayRubberBand, &m_band);
    if (doc) {
        connect(doc, &CKorvelDoc::objectAdded, this, &CKorvelView::OnObjectAdded);
        connect(doc, &CKorvelDoc::objectRemoved, this, &CKorvelView::OnObjectRemoved);
        connect(doc, &CKorvelDoc::objectChanged, this, &CKorvelView::OnObjectChanged);
        connect(doc, &CKorvelDoc::fitAllRequested, this, [this] { OnCommand(ID_VIEW_FIT_ALL); });
    }
    if (host) m_pMeasuring = host->CreateMeasuring(*this);
}

CKorvelView::~CKorvelView()
{
    // Measuring ends first: a line being recorded goes into the document while the view that
    // shows it is still whole.
    if (m_pMeasuring) m_pMeasuring->EndMeasuring();
    m_pMeasuring.reset();
    m_tileLayer = nullptr;
    m_findOverlay.Reset(nullptr);
    m_positionOverlay.Reset(nullptr);
}

// ---------------------------------------------------------------- GView

ViewTransform CKorvelView::GetViewTransform() const
{
    ViewTransform t;
    t.x0 = m_view.worldRect.minX;
    t.y0 = m_view.worldRect.maxY;
    t.scale = m_view.scale;
    t.printScale = m_view.printScale;
    t.printing = m_bPrinting;
    return t;
}

Canvas* CKorvelView::GetWindowCanvas()
{
    // Inside a paint the objects draw on the paint's canvas; at other times a widget cannot be
    // drawn on directly, and the canvas only measures text for layouts.
    if (m_pPaintCanvas) return m_pPaintCanvas;
    if (!m_pMeasureCanvas) m_pMeasureCanvas = std::make_unique<QPainterCanvas>(this);
    return m_pMeasureCanvas.get();
}

// ---------------------------------------------------------------- geometry

bool CKorvelView::TilesShown() const
{
    return m_pDoc && m_pDoc->m_nCoordSys == CRS_WEBMERCATOR && m_pDoc->m_nTileService != 0;
}

bool CKorvelView::TileLayerPaints() const { return TilesShown() && bool(m_tileLayer); }

void CKorvelView::SetTileLayerHook(TileLayerHook hook)
{
    m_tileLayer = std::move(hook);
    InvalidatePixels(ClientRect(), true);
}

void CKorvelView::AfterViewChange()
{
    // A new view always erases: the old picture lies elsewhere now.
    InvalidatePixels(ClientRect(), true);
    emit viewChanged();
}

void CKorvelView::ChangeView(const std::function<void(Viewport&)>& change, bool byPan)
{
    change(m_view);
    if (!byPan) {
        AfterViewChange();
        return;
    }
    InvalidateAll();
    emit viewChanged();
}

void CKorvelView::SetView(const WorldPoint* centre, double half)
{
    m_view.SetView(centre, half);
    AfterViewChange();
}

void CKorvelView::SetWorldRect(const WorldRect& r)
{
    m_view.worldRect = r;
    SetView(nullptr, 0.0);
}

void CKorvelView::FitAll()
{
    GList* root = DocRoot(m_pDoc);
    if (!root) return;
    root->CalcBounds();
    WorldRect r = root->m_rcBounds;
    if (GPolyline* t = track()) r.Unite(t->m_rcBounds);
    m_view.FitBounds(r, m_pDoc->m_nCoordSys);
    AfterViewChange();
}

PixelRect CKorvelView::ClientRect() const { return PixelRect{0, 0, width(), height()}; }

QRect CKorvelView::ClampToClient(const PixelRect& r) const
{
    // Objects far outside the window (or with NaN coordinates) bring pixel values near the
    // ends of the int range; widen before comparing so nothing overflows.
    const int64_t l = std::clamp<int64_t>(r.left, 0, width());
    const int64_t t = std::clamp<int64_t>(r.top, 0, height());
    const int64_t rr = std::clamp<int64_t>(r.right, 0, width());
    const int64_t b = std::clamp<int64_t>(r.bottom, 0, height());
    if (rr <= l || b <= t) return QRect();
    return QRect(int(l), int(t), int(rr - l), int(b - t));
}

// ---------------------------------------------------------------- tools and commands

int CKorvelView::CurrentTool() const { return m_pHost ? m_pHost->CurrentTool() : m_nLocalTool; }

void CKorvelView::SetCurrentTool(int tool)
{
    if (m_pHost) m_pHost->SetCurrentTool(tool);
    else m_nLocalTool = tool;
}

void CKorvelView::ToggleTool(int tool)
{
    SetCurrentTool(CurrentTool() == tool ? TOOL_NONE : tool);
    if (m_pHost) m_pHost->SetAutoNumbering(false);
}

ToolRegistry& CKorvelView::Tools() const
{
    ToolRegistry* tools = m_pHost ? m_pHost->Tools() : nullptr;
    return tools ? *tools : ToolRegistry::Default();
}

bool CKorvelView::OnCommand(int id)
{
    switch (id) {
    case ID_VIEW_ZOOM_IN: ToggleTool(TOOL_ZOOM_IN); return true;
    case ID_VIEW_ZOOM_OUT: ToggleTool(TOOL_ZOOM_OUT); return true;
    case ID_VIEW_PAN: ToggleTool(TOOL_PAN); return true;
    case ID_VIEW_FIT_ALL:
        FitAll();
        InvalidateAll();
        return true;
    case ID_VIEW_RECALC_BOUNDS: {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (GList* root = DocRoot(m_pDoc)) root->CalcBounds();
        SetView(nullptr, 0.0);
        if (m_pDoc) m_pDoc->SetModifiedFlag(true);
        QApplication::restoreOverrideCursor();
        return true;
    }
    case ID_FILE_PRINT: OnFilePrint(); return true;
    case ID_FILE_PRINT_DIRECT: OnFilePrintDirect(); return true;
    case ID_FILE_PRINT_PREVIEW: OnFilePrintPreview(); return true;
    default: return false;
    }
}

CommandState CKorvelView::OnUpdateCommand(int id) const
{
    switch (id) {
    case ID_VIEW_ZOOM_IN: return CommandState{true, true, CurrentTool() == TOOL_ZOOM_IN};
    case ID_VIEW_ZOOM_OUT: return CommandState{true, true, CurrentTool() == TOOL_ZOOM_OUT};
    case ID_VIEW_PAN: return CommandState{true, true, CurrentTool() == TOOL_PAN};
    case ID_VIEW_FIT_ALL:
    case ID_VIEW_RECALC_BOUNDS: return CommandState{true, DocRoot(m_pDoc) != nullptr, false};
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW: return CommandState{true, m_pDoc != nullptr, false};
    default: return CommandState{};
    }
}

// ---------------------------------------------------------------- invalidation

void CKorvelView::InvalidatePixels(const PixelRect& r, bool erase)
{
    QRect rect = ClampToClient(r);
    if (rect.isEmpty()) return;
    m_dirty += rect;
    if (erase) m_erase += rect;
    // Many scattered rectangles (an edit of thousands of objects) make every further union
    // cost more than painting their common bounds: keep the regions simple. What is cleared
    // must also be drawn again, so the erased bounds join the dirty region.
    constexpr int kMaxDirtyRects = 64;
    if (m_erase.rectCount() > kMaxDirtyRects) {
        m_erase = m_erase.boundingRect();
        m_dirty += m_erase;
        rect = m_dirty.boundingRect();
    }
    if (m_dirty.rectCount() > kMaxDirtyRects) {
        m_dirty = m_dirty.boundingRect();
        rect = m_dirty.boundingRect();
    }
    // While a button is held the window keeps showing what the drag started from; the map is
    // rendered again once the button is released.
    if (m_bRedrawEnabled) update(rect);
}

void CKorvelView::InvalidateOverlay(const PixelRect& r)
{
    const QRect rect = ClampToClient(r);
    if (!rect.isEmpty()) update(rect);
}

void CKorvelView::InvalidateAll() { InvalidatePixels(ClientRect(), !TileLayerPaints()); }

void CKorvelView::InvalidateObject(GObj* obj, bool erase)
{
    if (!obj) {
        InvalidatePixels(ClientRect(), !TileLayerPaints());
        return;
    }
    PixelRect r;
    obj->CalcBounds();
    obj->AddScreenRect(GetViewTransform(), r);
    InvalidatePixels(r, erase && !TileLayerPaints());
}

void CKorvelView::OnObjectAdded(GObj* obj) { InvalidateObject(obj, false); }

void CKorvelView::OnObjectRemoved(GObj* obj)
{
    InvalidateObject(obj, true);
    if (obj && obj == m_pCurObj) m_pCurObj = nullptr;
}

void CKorvelView::OnObjectChanged(GObj* obj, bool erase) { InvalidateObject(obj, erase); }

// ---------------------------------------------------------------- drawing

bool CKorvelView::DrawMap(Canvas& canvas, const PixelRect& clip)
{
    const bool printing = canvas.IsPrinter();
    if (TilesShown() && m_tileLayer) {
        TilePaintRequest req;
        req.canvas = &canvas;
        req.transform = GetViewTransform();
        req.clip = clip;
        req.client = printing ? clip : ClientRect();
        req.service = printing ? kPrintTileService : m_pDoc->m_nTileService;
        req.crs = m_pDoc->m_nCoordSys;
        req.printing = printing;
        const QColor base = printing ? QColor(Qt::white) : palette().color(QPalette::Base);
        req.background = MakeRgb(uint8_t(base.red()), uint8_t(base.green()), uint8_t(base.blue()));
        if (m_tileLayer(req)) return false;  // input is waiting: the next paint draws everything
    }
    if (GList* root = DocRoot(m_pDoc)) root->Draw(*this, &canvas, clip);
    return true;
}

void CKorvelView::DrawOverlays(Canvas& canvas, const PixelRect& clip)
{
    for (const auto& [order, overlay] : m_overlays) overlay->Draw(*this, canvas, clip);
    if (m_bPressActive) {
        if (ViewToolHandler* handler = PressHandler()) handler->DrawOverlay(*this, canvas, clip);
    }
}

void CKorvelView::OnDraw(Canvas& canvas, const PixelRect& clipIn)
{
    const bool printing = canvas.IsPrinter();
    const PixelRect clip = clipIn.HasArea() ? clipIn : ClientRect();
    m_bPrinting = printing;
    struct ResetPrinting {
        bool& flag;
        ~ResetPrinting() { flag = false; }
    } reset{m_bPrinting};
    if (!DrawMap(canvas, clip)) return;
    if (!printing) DrawOverlays(canvas, clip);  // the track and the markers belong to the screen only
}

void CKorvelView::AddOverlay(int order, ViewOverlay* overlay)
{
    if (!overlay) return;
    RemoveOverlay(overlay);
    const auto at = std::upper_bound(m_overlays.begin(), m_overlays.end(), order,
                                     [](int o, const std::pair<int, ViewOverlay*>& e) { return o < e.first; });
    m_overlays.insert(at, {order, overlay});
    update();
}

void CKorvelView::RemoveOverlay(ViewOverlay* overlay)
{
    const auto it = std::find_if(m_overlays.begin(), m_overlays.end(), [overlay](const auto& e) { return e.second == overlay; });
    if (it == m_overlays.end()) return;
    m_overlays.erase(it);
    update();
}

void CKorvelView::RenderPicture()
{
    const qreal dpr = devicePixelRatioF();
    const QSize size = this->size() * dpr;
    if (m_picture.size() != size || m_picture.devicePixelRatio() != dpr) {
        m_picture = QImage(size, QImage::Format_RGB32);
        m_picture.setDevicePixelRatio(dpr);
        m_dirty = QRegion(rect());
        m_erase = m_dirty;
    }
    if (m_dirty.isEmpty() || !m_bRedrawEnabled) return;
    QPainter painter(&m_picture);
    const QColor background = palette().color(QPalette::Base);
    for (const QRect& r : m_erase) painter.fillRect(r, background);
    m_erase = QRegion();
    painter.setClipRegion(m_dirty);
    const PixelRect clip = ToPixelRect(m_dirty.boundingRect());
    QPainterCanvas canvas(&painter, false);
    m_pPaintCanvas = &canvas;
    const bool complete = DrawMap(canvas, clip);
    m_pPaintCanvas = nullptr;
    if (complete) {
        m_dirty = QRegion();
    } else {
        // The tile layer gave way to waiting input; the objects follow in the next paint.
        QTimer::singleShot(0, this, [this] { update(m_dirty.boundingRect()); });
    }
}

void CKorvelView::paintEvent(QPaintEvent* event)
{
    RenderPicture();
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Base);
    const qreal dpr = m_picture.devicePixelRatio();
    if (m_bPanning) {
        // The picture moved with the mouse, the uncovered strips in the background colour.
        const int dx = m_panOffset.x();
        const int dy = m_panOffset.y();
        if (dx >= 1) painter.fillRect(QRect(0, 0, dx, height()), background);
        else if (dx < 0) painter.fillRect(QRect(width() + dx, 0, -dx, height()), background);
        if (dy >= 1) painter.fillRect(QRect(0, 0, width(), dy), background);
        else if (dy < 0) painter.fillRect(QRect(0, height() + dy, width(), -dy), background);
        painter.drawImage(m_panOffset, m_picture);
        painter.translate(m_panOffset);
    } else {
        for (const QRect& r : event->region()) {
            painter.drawImage(r.topLeft(), m_picture, QRect(r.topLeft() * dpr, r.size() * dpr));
        }
    }
    const QRect box = event->rect().translated(-m_panOffset * int(m_bPanning));
    QPainterCanvas canvas(&painter, false);
    m_pPaintCanvas = &canvas;
    DrawOverlays(canvas, ToPixelRect(box));
    m_pPaintCanvas = nullptr;
    // The tile service's credit stays in the corner of the window, above everything.
    if (TileLayerPaints()) {
        painter.resetTransform();
        DrawTileAttribution(painter, rect(), TileAttribution(m_pDoc->m_nTileService), logicalDpiY());
    }
    if (!m_bPaintedOnce) {
        m_bPaintedOnce = true;
        painter.end();
        emit firstPaintDone();
    }
}

// ---------------------------------------------------------------- overlays

GPolyline* CKorvelView::track() const { return static_cast<GPolyline*>(m_trackOverlay.Object()); }
GFindPt* CKorvelView::findMarker() const { return static_cast<GFindPt*>(m_findOverlay.Object()); }
GGpsPos* CKorvelView::positionMarker() const { return static_cast<GGpsPos*>(m_positionOverlay.Object()); }

void CKorvelView::InvalidateOverlayObject(GObj* obj)
{
    if (!obj) return;
    PixelRect r;
    obj->CalcBounds();
    obj->AddScreenRect(GetViewTransform(), r);
    InvalidateOverlay(r);
}

void CKorvelView::ReplaceOverlayObject(ObjectOverlay& overlay, std::unique_ptr<GObj> obj)
{
    InvalidateOverlayObject(overlay.Object());
    overlay.Reset(std::move(obj));
    InvalidateOverlayObject(overlay.Object());
}

void CKorvelView::SetTrack(std::unique_ptr<GPolyline> t) { ReplaceOverlayObject(m_trackOverlay, std::move(t)); }

std::unique_ptr<GPolyline> CKorvelView::TakeTrack()
{
    InvalidateOverlayObject(m_trackOverlay.Object());
    return std::unique_ptr<GPolyline>(static_cast<GPolyline*>(m_trackOverlay.Take().release()));
}

void CKorvelView::SetFindMarker(std::unique_ptr<GFindPt> m) { ReplaceOverlayObject(m_findOverlay, std::move(m)); }
void CKorvelView::SetPositionMarker(std::unique_ptr<GGpsPos> m) { ReplaceOverlayObject(m_positionOverlay, std::move(m)); }

void CKorvelView::SetRubberBand(const PixelRect& box, bool visible)
{
    // Only the frame's strips are repainted: the map picture below them is still valid.
    PixelRect strips[4];
    int n = 0;
    if (m_band.visible) {
        RubberBandOverlay::FrameStrips(m_band.box, strips, &n);
        for (int i = 0; i < n; ++i) InvalidateOverlay(strips[i]);
    }
    m_band.box = box;
    m_band.visible = visible;
    if (visible) {
        RubberBandOverlay::FrameStrips(m_band.box, strips, &n);
        for (int i = 0; i < n; ++i) InvalidateOverlay(strips[i]);
    }
}

void CKorvelView::StartPanPreview()
{
    m_bPanning = true;
    m_panOffset = QPoint();
}

void CKorvelView::SetPanOffset(QPoint offset)
{
    if (!m_bPanning || offset == m_panOffset) return;
    m_panOffset = offset;
    update();
}

void CKorvelView::EndPanPreview()
{
    if (!m_bPanning) return;
    m_bPanning = false;
    m_panOffset = QPoint();
    update();
}

// ---------------------------------------------------------------- size

void CKorvelView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int cx = event->size().width();
    const int cy = event->size().height();
    if (cx <= 0 || cy <= 0) return;
    if (m_view.Resize(cx, cy)) {
        FitAll();
        return;
    }
    AfterViewChange();
}

// ---------------------------------------------------------------- mouse

ViewToolHandler* CKorvelView::PressHandler() const { return Tools().Handler(m_nPressTool); }

bool CKorvelView::event(QEvent* e)
{
    // A drag whose release will never come: a dialog or another window took the mouse or the
    // focus, or the view went away.
    switch (e->type()) {
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::UngrabMouse:
        if (m_bPressActive) CancelDrag();
        break;
    default: break;
    }
    return QWidget::event(e);
}

void CKorvelView::mousePressEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_bPressActive) {
        // Another button during a drag belongs to that drag; a press of the drag's own button
        // means its release got lost.
        if (event->buttons() & m_pressButton && event->button() != m_pressButton) return;
        CancelDrag();
    }
    if (event->button() == Qt::MiddleButton) {
        // The middle button pans whatever tool is current, then gives the tool back.
        m_nSavedTool = CurrentTool();
        SetCurrentTool(TOOL_PAN);
    }
    m_pressButton = event->button();
    Press(px, event->modifiers());
    if (!m_bPressActive && m_pressButton == Qt::MiddleButton) SetCurrentTool(m_nSavedTool);
    if (!m_bPressActive) m_pressButton = Qt::NoButton;
}

void CKorvelView::Press(QPoint px, Qt::KeyboardModifiers mods)
{
    const int tool = CurrentTool();
    ViewToolHandler* handler = Tools().Handler(tool);
    if (!handler) return;  // no tool, or one nobody serves: nothing to capture for

    m_bRedrawEnabled = false;
    m_bPressActive = true;
    m_nPressTool = tool;
    if (!handler->KeepsPressPoint()) m_ptPress = px;
    if (handler->UsesRubberBand()) SetRubberBand(PixelRect{px.x(), px.y(), px.x(), px.y()}, true);
    handler->OnPress(*this, px, mods);
}

void CKorvelView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    UpdateStatusPanes(px);
    if (!m_bPressActive) return;
    if (!(event->buttons() & m_pressButton)) {
        CancelDrag();  // the button went up where we could not see it
        return;
    }
    Move(px, event->modifiers());
}

void CKorvelView::Move(QPoint px, Qt::KeyboardModifiers mods)
{
    ViewToolHandler* handler = PressHandler();
    if (!handler) return;
    if (m_band.visible) {
        const PixelRect box = NormalisedRect(m_ptPress, px);
        if (!(box == m_band.box)) SetRubberBand(box, true);
    }
    handler->OnMove(*this, px, mods);
}

void CKorvelView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    if (event->button() != m_pressButton || !m_bPressActive) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool middle = m_pressButton == Qt::MiddleButton;
    Release(px, event->modifiers());
    if (middle) SetCurrentTool(m_nSavedTool);
}

void CKorvelView::EndPress()
{
    m_bRedrawEnabled = true;
    m_bPressActive = false;
    m_pressButton = Qt::NoButton;
    m_nPressTool = TOOL_NONE;
    if (m_band.visible) SetRubberBand(m_band.box, false);
    EndPanPreview();
    // What was invalidated while the button was held is painted now.
    if (!m_dirty.isEmpty()) update(m_dirty.boundingRect());
}

void CKorvelView::Release(QPoint px, Qt::KeyboardModifiers mods)
{
    ViewToolHandler* handler = PressHandler();
    const PixelRect band = m_band.visible ? NormalisedRect(m_ptPress, px) : PixelRect{px.x(), px.y(), px.x(), px.y()};
    EndPress();
    if (handler) handler->OnRelease(*this, px, band, mods);
    if (!handler || !handler->KeepsPressPoint()) m_ptPress = QPoint();
}

void CKorvelView::CancelDrag()
{
    if (!m_bPressActive) return;
    ViewToolHandler* handler = PressHandler();
    const bool middle = m_pressButton == Qt::MiddleButton;
    EndPress();
    if (handler) {
        handler->OnCancel(*this);
        if (!handler->KeepsPressPoint()) m_ptPress = QPoint();
    }
    if (middle) SetCurrentTool(m_nSavedTool);
}

void CKorvelView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // Fine wheels and touch pads send many small deltas: each whole notch's worth zooms one
    // step, a turn back starts counting afresh.
    if ((m_nWheelRest > 0 && delta < 0) || (m_nWheelRest < 0 && delta > 0)) m_nWheelRest = 0;
    m_nWheelRest += delta;
    const QPoint px = event->position().toPoint();
    while (m_nWheelRest >= kWheelStep || m_nWheelRest <= -kWheelStep) {
        const int step = m_nWheelRest > 0 ? kWheelStep : -kWheelStep;
        m_nWheelRest -= step;
        ZoomWheel(step, px);
    }
    event->accept();
}

void CKorvelView::ZoomWheel(int delta, QPoint px)
{
    if (!m_view.Wheel(delta, px)) return;
    AfterViewChange();
    // The point that was under the cursor is now in the middle; the cursor follows it.
    QCursor::setPos(mapToGlobal(QPoint(width() / 2, height() / 2)));
}

void CKorvelView::keyPressEvent(QKeyEvent* event)
{
    if (m_bPressActive && event->key() == Qt::Key_Escape) {
        CancelDrag();
        event->accept();
        return;
    }
    if (ViewToolHandler* handler = Tools().Handler(CurrentTool()); handler && handler->OnKey(*this, event)) {
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp: ZoomWheel(-1, QPoint(width() / 2, height() / 2)); break;
    case Qt::Key_PageDown: ZoomWheel(1, QPoint(width() / 2, height() / 2)); break;
    case Qt::Key_Delete: emit deleteRequested(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CKorvelView::UpdateStatusPanes(QPoint px)
{
    if (!m_pHost || !m_pDoc) return;
    const CoordinateDisplay d = DisplayCoordinates(m_pDoc->m_nCoordSys, m_view.PixelCentreToWorld(px));
    m_pHost->SetCoordinatePanes(d.system, d.first, d.second);
}

// ---------------------------------------------------------------- printing

void CKorvelView::BeginPrinting(int pageWidth, int pageHeight)
{
    m_view.printScale = m_view.PrintScaleFor(pageWidth, pageHeight);
}

void CKorvelView::EndPrinting() { m_view.printScale = 1.0; }

bool CKorvelView::PrintDocument(QPrinter* printer)
{
    if (!printer) return false;
    printer->setFromTo(1, 1);  // one page, whatever was asked for
    QPainter painter;
    if (!painter.begin(printer)) return false;
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    BeginPrinting(page.width(), page.height());
    {
        QPainterCanvas canvas(&painter, true);
        OnDraw(canvas, PixelRect{0, 0, page.width(), page.height()});
    }
    if (TileLayerPaints()) {
        // In the corner of the printed window, which fills the page in one direction only.
        const double f = m_view.scale / m_view.printScale;
        const QRect printed = QRect(0, 0, int(width() * f), int(height() * f)).intersected(QRect(QPoint(0, 0), page.size()));
        DrawTileAttribution(painter, printed, TileAttribution(kPrintTileService), printer->resolution());
    }
    const bool finished = painter.end();
    EndPrinting();
    return finished && printer->printerState() != QPrinter::Error;
}

bool CKorvelView::PrintToPdf(const QString& path)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return PrintDocument(&printer);
}

QPrinter* CKorvelView::JobPrinter(std::unique_ptr<QPrinter>& own) const
{
    if (m_pHost) {
        if (QPrinter* shared = m_pHost->Printer()) return shared;
    }
    own = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return own.get();
}

namespace {

// Prints and tells the user when the job could not be carried out, naming the printer or file.
bool PrintOrTell(CKorvelView& view, QPrinter* printer)
{
    if (view.PrintDocument(printer)) return true;
    const QString target = printer->outputFormat() == QPrinter::PdfFormat
                               ? QDir::toNativeSeparators(printer->outputFileName())
                               : printer->printerName();
    ShowMessage(IDS_PRINT_FAILED, IDS_CAPTION_ERROR, MB_ICONERROR, target);
    return false;
}

}  // namespace

void CKorvelView::OnFilePrint()
{
    std::unique_ptr<QPrinter> own;
    QPrinter* printer = JobPrinter(own);
    QPrintDialog dialog(printer, this);
    dialog.setMinMax(1, 1);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintOrTell(*this, printer);
}

void CKorvelView::OnFilePrintDirect()
{
    std::unique_ptr<QPrinter> own;
    QPrinter* printer = m_pHost ? m_pHost->Printer() : nullptr;
    if (!printer && !QPrinterInfo::defaultPrinter().isNull()) {
        own = std::make_unique<QPrinter>(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        printer = own.get();
    }
    // Without a printer to print on directly (none installed, or a file printer that has no
    // file name yet) the dialog lets the user choose one, or a file, instead.
    const bool ready = printer && (printer->outputFormat() == QPrinter::NativeFormat
                                       ? !printer->printerName().isEmpty()
                                       : !printer->outputFileName().isEmpty());
    if (!ready) {
        OnFilePrint();
        return;
    }
    PrintOrTell(*this, printer);
}

void CKorvelView::OnFilePrintPreview()
{
    std::unique_ptr<QPrinter> own;
    QPrintPreviewDialog dialog(JobPrinter(own), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintDocument(p); });
    dialog.exec();
}

}  // namespace korvel
