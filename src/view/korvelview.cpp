#include "view/korvelview.h"

#include "model/coordsys.h"
#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/glist.h"
#include "model/gobj.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "view/qpaintercanvas.h"

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QWheelEvent>

namespace korvel {
namespace {

// The tile service printing always uses: the only one whose cached tiles may be printed.
constexpr int kPrintTileService = 2;

GList* DocRoot(const CKorvelDoc* doc) { return doc ? doc->m_pRoot.get() : nullptr; }

}  // namespace

CKorvelView::CKorvelView(CKorvelDoc* doc, ViewHost* host, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_pHost(host)
{
    // The backing store keeps what was painted, so a repaint without erase draws over the old
    // picture; erasing is done by the paint routine itself where it was asked for.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    if (doc) {
        connect(doc, &CKorvelDoc::objectAdded, this, &CKorvelView::OnObjectAdded);
        connect(doc, &CKorvelDoc::objectRemoved, this, &CKorvelView::OnObjectRemoved);
        connect(doc, &CKorvelDoc::objectChanged, this, &CKorvelView::OnObjectChanged);
        connect(doc, &CKorvelDoc::fitAllRequested, this, [this] { OnCommand(ID_VIEW_FIT_ALL); });
    }
}

CKorvelView::~CKorvelView()
{
    // Tiles first, then the markers (the members' reverse order would free them in another
    // order; nothing depends on it, but the tile layer may still refer to the view's state).
    m_tileLayer = nullptr;
    m_pFindMarker.reset();
    m_pPositionMarker.reset();
    m_panSnapshot = QPixmap();
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

void CKorvelView::AfterViewChange()
{
    // A new view always erases: the old picture lies elsewhere now.
    if (m_bRedrawEnabled) InvalidatePixels(ClientRect(), true);
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
    if (m_pTrack) r.Unite(m_pTrack->m_rcBounds);
    m_view.FitBounds(r, m_pDoc->m_nCoordSys);
    AfterViewChange();
}

PixelRect CKorvelView::ClientRect() const { return PixelRect{0, 0, width(), height()}; }

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

void CKorvelView::SetToolHandler(int tool, ViewToolHandler* handler)
{
    if (handler) m_toolHandlers[tool] = handler;
    else m_toolHandlers.erase(tool);
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
    case ID_VIEW_ZOOM_IN: return CommandState{true, CurrentTool() == TOOL_ZOOM_IN};
    case ID_VIEW_ZOOM_OUT: return CommandState{true, CurrentTool() == TOOL_ZOOM_OUT};
    case ID_VIEW_PAN: return CommandState{true, CurrentTool() == TOOL_PAN};
    case ID_VIEW_FIT_ALL:
    case ID_VIEW_RECALC_BOUNDS: return CommandState{DocRoot(m_pDoc) != nullptr, false};
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW: return CommandState{m_pDoc != nullptr, false};
    default: return CommandState{};
    }
}

// ---------------------------------------------------------------- invalidation

void CKorvelView::InvalidatePixels(const PixelRect& r, bool erase)
{
    if (!r.HasArea()) return;
    const QRect rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (erase) m_noEraseRegion -= rect;
    else m_noEraseRegion += rect;
    update(rect);
}

void CKorvelView::InvalidateAll()
{
    if (!m_bRedrawEnabled) return;
    InvalidatePixels(ClientRect(), !TilesShown());
}

void CKorvelView::InvalidateObject(GObj* obj, bool erase)
{
    if (!m_bRedrawEnabled) return;
    if (!obj) {
        InvalidatePixels(ClientRect(), !TilesShown());
        return;
    }
    PixelRect r;
    obj->CalcBounds();
    obj->AddScreenRect(GetViewTransform(), r);
    InvalidatePixels(r, erase && !TilesShown());
}

void CKorvelView::OnObjectAdded(GObj* obj) { InvalidateObject(obj, false); }

void CKorvelView::OnObjectRemoved(GObj* obj)
{
    InvalidateObject(obj, true);
    if (obj && obj == m_pCurObj) m_pCurObj = nullptr;
}

void CKorvelView::OnObjectChanged(GObj* obj, bool erase) { InvalidateObject(obj, erase); }

// ---------------------------------------------------------------- drawing

void CKorvelView::OnDraw(Canvas& canvas, const PixelRect& clipIn)
{
    const bool printing = canvas.IsPrinter();
    const PixelRect clip = clipIn.HasArea() ? clipIn : ClientRect();
    m_bPrinting = printing;
    struct ResetPrinting {
        bool& flag;
        ~ResetPrinting() { flag = false; }
    } reset{m_bPrinting};

    if (TilesShown() && m_tileLayer) {
        TilePaintRequest req;
        req.canvas = &canvas;
        req.transform = GetViewTransform();
        req.clip = clip;
        req.client = printing ? clip : ClientRect();
        req.service = printing ? kPrintTileService : m_pDoc->m_nTileService;
        req.crs = m_pDoc->m_nCoordSys;
        req.printing = printing;
        if (m_tileLayer(req)) return;  // input is waiting: the next paint draws everything
    }
    if (GList* root = DocRoot(m_pDoc)) root->Draw(*this, &canvas, clip);
    if (printing) return;  // the track and the markers belong to the screen only
    if (m_pTrack) m_pTrack->Draw(*this, &canvas, clip);
    if (m_pFindMarker) m_pFindMarker->Draw(*this, &canvas, clip);
    if (m_pPositionMarker) m_pPositionMarker->Draw(*this, &canvas, clip);
}

void CKorvelView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Base);
    if (m_bPanning) {
        PaintPanPreview(painter);
        return;
    }
    // Erase what was invalidated with erase (and whatever the system asks to repaint, e.g. a
    // newly exposed area); leave the rest for the objects to draw over.
    // A paint redirected into a pixmap (grab, render) starts from nothing and erases all.
    const bool toScreen = backingStore() && painter.paintEngine() &&
                          painter.paintEngine()->paintDevice() == backingStore()->paintDevice();
    const QRegion erase = toScreen ? event->region().subtracted(m_noEraseRegion) : event->region();
    if (toScreen) m_noEraseRegion -= event->region();
    for (const QRect& r : erase) painter.fillRect(r, background);

    const QRect box = event->rect();
    PixelRect clip{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    QPainterCanvas canvas(&painter, false);
    m_pPaintCanvas = &canvas;
    OnDraw(canvas, clip);
    if (m_bBandVisible) DrawRubberBand(canvas);
    m_pPaintCanvas = nullptr;
    if (!m_bPaintedOnce) {
        m_bPaintedOnce = true;
        painter.end();
        emit firstPaintDone();
    }
}

void CKorvelView::PaintPanPreview(QPainter& painter)
{
    // The snapshot moved by the drag, the uncovered strips in the background colour.
    const QColor background = palette().color(QPalette::Base);
    const int dx = m_panOffset.x();
    const int dy = m_panOffset.y();
    if (dx >= 1) painter.fillRect(QRect(0, 0, dx, height()), background);
    else if (dx < 0) painter.fillRect(QRect(width() + dx, 0, -dx, height()), background);
    if (dy >= 1) painter.fillRect(QRect(0, 0, width(), dy), background);
    else if (dy < 0) painter.fillRect(QRect(0, height() + dy, width(), -dy), background);
    painter.drawPixmap(m_panOffset, m_panSnapshot);
}

void CKorvelView::DrawRubberBand(QPainterCanvas& canvas) const
{
    // A one-pixel inverting frame: drawn twice it disappears, so it is visible on any map.
    const PixelRect& b = m_rcDrag;
    if (b.right <= b.left && b.bottom <= b.top) {
        canvas.InvertRect(PixelRect{b.left, b.top, b.left + 1, b.top + 1});
        return;
    }
    canvas.InvertRect(PixelRect{b.left, b.top, b.right + 1, b.top + 1});
    if (b.bottom > b.top) canvas.InvertRect(PixelRect{b.left, b.bottom, b.right + 1, b.bottom + 1});
    if (b.bottom - b.top > 1) {
        canvas.InvertRect(PixelRect{b.left, b.top + 1, b.left + 1, b.bottom});
        if (b.right > b.left) canvas.InvertRect(PixelRect{b.right, b.top + 1, b.right + 1, b.bottom});
    }
}

void CKorvelView::InvalidateBandFrame(const PixelRect& b)
{
    // Four thin strips: repainting the inside of a large band would redraw the whole map.
    const QRect outer(b.left, b.top, b.right - b.left + 1, b.bottom - b.top + 1);
    QRegion frame(outer);
    if (outer.width() > 2 && outer.height() > 2) frame -= outer.adjusted(1, 1, -1, -1);
    // Erased and repainted: the inverted pixels must not survive under the new picture.
    m_noEraseRegion -= frame;
    update(frame);
}

void CKorvelView::SetRubberBand(const PixelRect& box, bool visible)
{
    if (m_bBandVisible) InvalidateBandFrame(m_rcDrag);
    m_rcDrag = box;
    m_bBandVisible = visible;
    if (visible) InvalidateBandFrame(m_rcDrag);
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

void CKorvelView::mousePressEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (m_bPressActive) return;
        m_pressButton = Qt::LeftButton;
        LeftPress(px, event->modifiers());
    } else if (event->button() == Qt::MiddleButton) {
        if (m_bPressActive) return;
        // The middle button pans whatever tool is current, then gives the tool back.
        m_nSavedTool = CurrentTool();
        SetCurrentTool(TOOL_PAN);
        m_pressButton = Qt::MiddleButton;
        LeftPress(px, event->modifiers());
    } else {
        QWidget::mousePressEvent(event);
    }
}

void CKorvelView::LeftPress(QPoint px, Qt::KeyboardModifiers mods)
{
    const int tool = CurrentTool();
    if (tool == TOOL_NONE) return;  // nothing to capture for
    ViewToolHandler* handler = nullptr;
    if (auto it = m_toolHandlers.find(tool); it != m_toolHandlers.end()) handler = it->second;
    const bool builtIn = tool == TOOL_ZOOM_IN || tool == TOOL_ZOOM_OUT || tool == TOOL_PAN;
    if (!builtIn && !handler) return;

    m_bRedrawEnabled = false;
    m_bPressActive = true;
    m_nPressTool = tool;
    if (!handler || !handler->KeepsPressPoint()) m_ptPress = px;
    const bool band = tool == TOOL_ZOOM_IN || tool == TOOL_ZOOM_OUT || (handler && handler->UsesRubberBand());
    if (band) SetRubberBand(PixelRect{px.x(), px.y(), px.x(), px.y()}, true);
    if (tool == TOOL_PAN) {
        m_panSnapshot = grab();
        m_panOffset = QPoint();
        m_bPanning = true;
    }
    if (handler) handler->OnPress(*this, px, mods);
}

void CKorvelView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    UpdateStatusPanes(px);
    if (m_bPressActive && (event->buttons() & m_pressButton)) LeftMove(px, event->modifiers());
}

void CKorvelView::LeftMove(QPoint px, Qt::KeyboardModifiers mods)
{
    if (m_nPressTool == TOOL_PAN) {
        m_panOffset = px - m_ptPress;
        update();
        return;
    }
    if (m_bBandVisible) {
        const PixelRect box = NormalisedRect(m_ptPress, px);
        if (!(box == m_rcDrag)) SetRubberBand(box, true);
    }
    if (auto it = m_toolHandlers.find(m_nPressTool); it != m_toolHandlers.end()) it->second->OnMove(*this, px, mods);
}

void CKorvelView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint px = event->position().toPoint();
    if (event->button() != m_pressButton || !m_bPressActive) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool middle = m_pressButton == Qt::MiddleButton;
    LeftRelease(px, event->modifiers());
    if (middle) SetCurrentTool(m_nSavedTool);
}

void CKorvelView::LeftRelease(QPoint px, Qt::KeyboardModifiers mods)
{
    m_bRedrawEnabled = true;
    m_bPressActive = false;
    m_pressButton = Qt::NoButton;
    const int tool = m_nPressTool;
    m_nPressTool = TOOL_NONE;
    const PixelRect band = m_bBandVisible ? NormalisedRect(m_ptPress, px) : PixelRect{px.x(), px.y(), px.x(), px.y()};
    if (m_bBandVisible) SetRubberBand(m_rcDrag, false);

    switch (tool) {
    case TOOL_ZOOM_IN:
        m_view.ZoomIn(band, m_ptPress);
        AfterViewChange();
        break;
    case TOOL_ZOOM_OUT:
        m_view.ZoomOut(band, m_ptPress);
        AfterViewChange();
        break;
    case TOOL_PAN:
        m_bPanning = false;
        m_panSnapshot = QPixmap();
        m_view.Pan(m_ptPress, px);
        InvalidateAll();  // SetView is not involved: erase only without tiles
        emit viewChanged();
        break;
    default:
        if (auto it = m_toolHandlers.find(tool); it != m_toolHandlers.end()) {
            it->second->OnRelease(*this, px, band, mods);
            if (it->second->KeepsPressPoint()) return;
        }
        break;
    }
    m_ptPress = QPoint();
}

void CKorvelView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    ZoomWheel(delta, event->position().toPoint());
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

// ---------------------------------------------------------------- overlays

void CKorvelView::SetTrack(std::unique_ptr<GPolyline> track) { m_pTrack = std::move(track); }
std::unique_ptr<GPolyline> CKorvelView::TakeTrack() { return std::move(m_pTrack); }
void CKorvelView::SetFindMarker(std::unique_ptr<GFindPt> marker) { m_pFindMarker = std::move(marker); }
void CKorvelView::SetPositionMarker(std::unique_ptr<GGpsPos> marker) { m_pPositionMarker = std::move(marker); }

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
    painter.end();
    EndPrinting();
    return true;
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

void CKorvelView::OnFilePrint()
{
    std::unique_ptr<QPrinter> own;
    QPrinter* printer = JobPrinter(own);
    QPrintDialog dialog(printer, this);
    dialog.setMinMax(1, 1);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintDocument(printer);
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
    PrintDocument(printer);
}

void CKorvelView::OnFilePrintPreview()
{
    std::unique_ptr<QPrinter> own;
    QPrintPreviewDialog dialog(JobPrinter(own), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintDocument(p); });
    dialog.exec();
}

}  // namespace korvel
