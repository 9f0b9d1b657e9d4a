#pragma once
// CKorvelView: the map view widget. Shows one document through a Viewport (zoom, pan, wheel,
// page keys, fit all, resize), paints its objects in layers, follows the document's change
// signals, prints, and hosts the mouse tools. The main window owns one per MDI child window and
// routes its view commands to the active one (OnCommand / OnUpdateCommand).

#include "model/canvas.h"
#include "model/gview.h"
#include "model/korveldoc.h"
#include "model/pixel.h"
#include "view/viewhost.h"
#include "view/viewport.h"

#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QPrinter;

namespace korvel {

class CKorvelView;
class GFindPt;
class GGpsPos;
class GObj;
class GPolyline;
class QPainterCanvas;

// What the background tile layer gets for one paint. The tile work lives below the view, so it
// sees neither the widget nor its document, only what it needs to cover `clip`.
struct TilePaintRequest {
    Canvas* canvas = nullptr;  // a QPainterCanvas: DrawTransparentImage is available
    ViewTransform transform;   // mapping in use (printing: printer scale)
    PixelRect clip;            // device pixels being painted
    PixelRect client;          // the whole client area (printing: the printable area)
    int service = 0;           // tile service code; 2 (OpenStreetMap) while printing
    int crs = 0;               // the document's coordinate system (900913 whenever tiles show)
    bool printing = false;     // cache only, never download
};
// Draws the tile layer; answers true when it stopped early because user input is waiting (the
// objects are then left out of this paint and the next paint draws everything). The function
// object is owned by the view and may keep the view's tile list in its state.
using TileLayerHook = std::function<bool(const TilePaintRequest&)>;

// A mouse tool beyond zoom and pan (select, rotate text, create point, find point), plugged in
// by the editing layer. The view keeps the press point, the capture, the rubber band (when
// UsesRubberBand) and the redraw flag; the handler does the tool's work.
class ViewToolHandler {
public:
    virtual ~ViewToolHandler() = default;
    // The view draws the inverting rubber band between press and current point.
    virtual bool UsesRubberBand() const { return false; }
    // Tools that ignore a second press on (almost) the same pixel keep the press point after
    // release.
    virtual bool KeepsPressPoint() const { return false; }
    // Pixel positions are client-area pixels.
    virtual void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) = 0;
    virtual void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) = 0;
    // `band` is the normalised rubber-band rectangle (empty at the press point for tools
    // without one).
    virtual void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) = 0;
};

class CKorvelView : public QWidget, public GView {
    Q_OBJECT
public:
    // `doc` must outlive the view or be destroyed first (the view then shows nothing). `host`
    // may be null: the view then keeps its own tool and shows no coordinates.
    explicit CKorvelView(CKorvelDoc* doc, ViewHost* host = nullptr, QWidget* parent = nullptr);
    ~CKorvelView() override;

    CKorvelDoc* GetDocument() const { return m_pDoc.data(); }
    ViewHost* GetHost() const { return m_pHost; }

    // --- GView ---
    ViewTransform GetViewTransform() const override;
    Canvas* GetWindowCanvas() override;

    // --- geometry (document units, x east / y north; pixels of the client area) ---
    const Viewport& GetViewport() const { return m_view; }
    const WorldRect& GetWorldRect() const { return m_view.worldRect; }
    double GetScale() const { return m_view.scale; }
    double GetPrintScale() const { return m_view.printScale; }
    // Sets the visible rectangle and fits it to the window (the world window of a re-projected
    // document). Repaints.
    void SetWorldRect(const WorldRect& r);
    // See Viewport::SetView; repaints with erase while no mouse button is held.
    void SetView(const WorldPoint* centre, double half);
    // Shows all objects (and the recorded track) with a margin. Repaints.
    void FitAll();
    // World point under the centre of client pixel `px` (screen scale).
    WorldPoint PixelToWorld(QPoint px) const { return m_view.PixelCentreToWorld(px); }
    // Whether the background tiles are shown: document in 900913 with a tile service.
    bool TilesShown() const;

    // --- tools and commands ---
    int CurrentTool() const;
    void SetCurrentTool(int tool);
    // Current tool := 0 when it already is `tool`, else `tool`; clears the auto-numbering flag.
    void ToggleTool(int tool);
    // Executes a view command (ID_VIEW_*, ID_FILE_PRINT*); false when the id is not the view's.
    bool OnCommand(int id);
    // Enabled and checked state for a command id, for the main window's QAction.
    CommandState OnUpdateCommand(int id) const;
    // Installs the handler of tool code `tool` (4, 5, 6, 8); the view does not own it.
    void SetToolHandler(int tool, ViewToolHandler* handler);

    // --- invalidation ---
    bool IsRedrawEnabled() const { return m_bRedrawEnabled; }
    // The whole client area, erasing unless tiles are shown; nothing while a button is held.
    void InvalidateAll();
    // The object's pixel area after recomputing its bounds; `erase` only matters when tiles
    // are not shown. A null object means the whole client area.
    void InvalidateObject(GObj* obj, bool erase);
    // A pixel rectangle, with or without background erase.
    void InvalidatePixels(const PixelRect& r, bool erase);

    // --- drawing ---
    // The drawing routine shared by screen, printer and preview: tiles, then the document's
    // objects, then (screen only) the track, the find marker and the position marker.
    // `clip` is in device pixels; an empty clip means the whole client area.
    void OnDraw(Canvas& canvas, const PixelRect& clip);
    void SetTileLayerHook(TileLayerHook hook) { m_tileLayer = std::move(hook); }

    // --- printing ---
    // Printer scale for the printable area (printer pixels), one page. EndPrinting resets it.
    void BeginPrinting(int pageWidth, int pageHeight);
    void EndPrinting();
    // Prints one page on `printer` (already set up): begin, draw, end. False when the printer
    // could not be opened.
    bool PrintDocument(QPrinter* printer);
    // Prints into a PDF file at `path` through the same path as paper printing.
    bool PrintToPdf(const QString& path);
    // The printer of a print job: the host's shared printer, or else a new one kept in `own`.
    QPrinter* JobPrinter(std::unique_ptr<QPrinter>& own) const;

    // --- objects the view owns or points at ---
    GObj* curObj() const { return m_pCurObj; }
    void setCurObj(GObj* obj) { m_pCurObj = obj; }
    GPolyline* track() const { return m_pTrack.get(); }
    GFindPt* findMarker() const { return m_pFindMarker.get(); }
    GGpsPos* positionMarker() const { return m_pPositionMarker.get(); }
    void SetTrack(std::unique_ptr<GPolyline> track);
    std::unique_ptr<GPolyline> TakeTrack();
    void SetFindMarker(std::unique_ptr<GFindPt> marker);
    void SetPositionMarker(std::unique_ptr<GGpsPos> marker);

    int savedTool() const { return m_nSavedTool; }
    void setSavedTool(int tool) { m_nSavedTool = tool; }
    QPoint pressPoint() const { return m_ptPress; }
    void setPressPoint(QPoint p) { m_ptPress = p; }

public slots:
    void OnZoomIn() { OnCommand(ID_VIEW_ZOOM_IN); }
    void OnZoomOut() { OnCommand(ID_VIEW_ZOOM_OUT); }
    void OnPan() { OnCommand(ID_VIEW_PAN); }
    void OnFitAll() { OnCommand(ID_VIEW_FIT_ALL); }
    void OnRecalcBounds() { OnCommand(ID_VIEW_RECALC_BOUNDS); }
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();

signals:
    // The visible rectangle or the scale changed (zoom, pan, wheel, fit, resize).
    void viewChanged();
    // The Delete key was pressed in the view (the editing layer deletes the selection).
    void deleteRequested();
    // Emitted once, when the view's first paintEvent has drawn everything (start-up timing).
    void firstPaintDone();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void OnObjectAdded(korvel::GObj* obj);
    void OnObjectRemoved(korvel::GObj* obj);
    void OnObjectChanged(korvel::GObj* obj, bool erase);

private:
    void LeftPress(QPoint px, Qt::KeyboardModifiers mods);
    void LeftMove(QPoint px, Qt::KeyboardModifiers mods);
    void LeftRelease(QPoint px, Qt::KeyboardModifiers mods);
    void ZoomWheel(int delta, QPoint px);
    void UpdateStatusPanes(QPoint px);
    void SetRubberBand(const PixelRect& box, bool visible);
    void InvalidateBandFrame(const PixelRect& box);
    void DrawRubberBand(QPainterCanvas& canvas) const;
    void PaintPanPreview(QPainter& painter);
    void AfterViewChange();
    PixelRect ClientRect() const;

    QPointer<CKorvelDoc> m_pDoc;
    ViewHost* m_pHost = nullptr;
    int m_nLocalTool = TOOL_NONE;  // used when there is no host

    GObj* m_pCurObj = nullptr;  // not owned
    std::unique_ptr<GPolyline> m_pTrack;
    std::unique_ptr<GFindPt> m_pFindMarker;
    std::unique_ptr<GGpsPos> m_pPositionMarker;

    Viewport m_view;
    bool m_bPrinting = false;  // inside OnDraw on a printer canvas
    bool m_bRedrawEnabled = true;

    PixelRect m_rcDrag;          // rubber band as drawn
    bool m_bBandVisible = false;
    QPoint m_ptPress;           // press point of the current (or, for tools 6/8, last) press
    bool m_bPressActive = false;  // a press is being handled (the press point is valid)
    int m_nPressTool = TOOL_NONE;  // tool that handles the current press
    Qt::MouseButton m_pressButton = Qt::NoButton;
    int m_nSavedTool = TOOL_NONE;

    QPixmap m_panSnapshot;  // the window as it was when the pan drag started
    bool m_bPanning = false;
    bool m_bPaintedOnce = false;
    QPoint m_panOffset;

    QRegion m_noEraseRegion;  // invalidated without erase since the last paint
    TileLayerHook m_tileLayer;
    std::map<int, ViewToolHandler*> m_toolHandlers;
    std::unique_ptr<QPainterCanvas> m_pMeasureCanvas;  // GetWindowCanvas outside paints
    QPainterCanvas* m_pPaintCanvas = nullptr;         // the canvas of the paint in progress
};

}  // namespace korvel
