#pragma once
// CKorvelView: the map view widget. Shows one document through a Viewport (zoom, pan, wheel,
// page keys, fit all, resize), follows the document's change signals, prints, and hosts the
// mouse tools of the host's tool registry and a list of screen-only overlays.
//
// Painting: the map (tiles and document objects) is rendered into a picture that the view
// keeps between paints; only the parts invalidated since the last paint are rendered again,
// cleared to the background first where the invalidation asked for it. Each paint copies the
// picture to the window and draws the overlays (track, markers, rubber band, the tool's own
// drawing) on top, so a moving rubber band or a pan drag costs the same whatever the document
// holds. The main window owns one view per MDI child window and routes its view commands to the
// active one (OnCommand / OnUpdateCommand).

#include "model/canvas.h"
#include "model/gview.h"
#include "model/korveldoc.h"
#include "model/pixel.h"
#include "view/viewhost.h"
#include "view/viewmeasuring.h"
#include "view/viewoverlay.h"
#include "view/viewport.h"
#include "view/viewtool.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

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
    COLORREF background = 0x00FFFFFF;  // what lies under the tiles (their white is transparent)
};
// Draws the tile layer; answers true when it stopped early because user input is waiting (the
// objects are then left out of this paint and the next paint draws everything). The function
// object is owned by the view and may keep the view's tile list in its state.
using TileLayerHook = std::function<bool(const TilePaintRequest&)>;

class CKorvelView : public QWidget, public GView {
    Q_OBJECT
public:
    // `doc` must outlive the view or be destroyed first (the view then shows nothing). `host`
    // may be null: the view then keeps its own tool, uses the built-in tools only and shows no
    // coordinates.
    explicit CKorvelView(CKorvelDoc* doc, ViewHost* host = nullptr, QWidget* parent = nullptr);
    ~CKorvelView() override;

    CKorvelDoc* GetDocument() const { return m_pDoc.data(); }
    ViewHost* GetHost() const { return m_pHost; }
    // The view's measuring state (null when the host offers none).
    MeasuringController* measuring() const { return m_pMeasuring.get(); }

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
    // See Viewport::SetView; repaints with erase.
    void SetView(const WorldPoint* centre, double half);
    // Shows all objects (and the recorded track) with a margin. Repaints.
    void FitAll();
    // World point under the centre of client pixel `px` (screen scale).
    WorldPoint PixelToWorld(QPoint px) const { return m_view.PixelCentreToWorld(px); }
    // Whether the background tiles are shown: document in 900913 with a tile service.
    bool TilesShown() const;
    // Whether a tile layer is installed and paints the whole background of the tiles shown;
    // only then may invalidations skip erasing.
    bool TileLayerPaints() const;
    // Changes the view by an operation on its viewport (the zoom and pan tools, the measuring
    // functions' re-centring), then repaints and announces the change. The repaint erases
    // unless `byPan` is set and the tile layer paints the background (a pan does not go
    // through SetView).
    void ChangeView(const std::function<void(Viewport&)>& change, bool byPan = false);

    // --- tools and commands ---
    int CurrentTool() const;
    void SetCurrentTool(int tool);
    // Current tool := 0 when it already is `tool`, else `tool`; clears the auto-numbering flag.
    void ToggleTool(int tool);
    // Executes a view command (ID_VIEW_*, ID_FILE_PRINT*); false when the id is not the view's.
    bool OnCommand(int id);
    // State of a command id for the main window's QAction; `handled` false for foreign ids.
    CommandState OnUpdateCommand(int id) const;
    // The tools this view serves: the host's registry, or the built-in one.
    ToolRegistry& Tools() const;
    // Whether a press is being handled (a mouse button is held in the view).
    bool IsDragging() const { return m_bPressActive; }
    // Ends the drag in progress without applying it (a lost release, Escape): the tool forgets
    // it, the rubber band and the pan preview go away, repaints are enabled again.
    void CancelDrag();

    // --- invalidation ---
    bool IsRedrawEnabled() const { return m_bRedrawEnabled; }
    // The whole client area, erasing unless the tile layer paints the background.
    void InvalidateAll();
    // The object's pixel area after recomputing its bounds; `erase` only matters when the tile
    // layer does not paint the background. A null object means the whole client area.
    void InvalidateObject(GObj* obj, bool erase);
    // A pixel rectangle of the map, with or without background erase. A request to erase
    // holds until the next paint, whatever is invalidated after it. While a mouse button is
    // held the repaint waits for the release.
    void InvalidatePixels(const PixelRect& r, bool erase);
    // Repaints a screen area of the overlays only: the map picture below stays as it is.
    void InvalidateOverlay(const PixelRect& r);

    // --- drawing ---
    // The drawing routine shared by screen, printer and preview: tiles, then the document's
    // objects, then (screen only) the overlays in their order. `clip` is in device pixels;
    // an empty clip means the whole client area.
    void OnDraw(Canvas& canvas, const PixelRect& clip);
    void SetTileLayerHook(TileLayerHook hook);
    // Overlays drawn above the map in ascending `order` (kOverlay*); the view does not own
    // them. An overlay is drawn once even when added twice.
    void AddOverlay(int order, ViewOverlay* overlay);
    void RemoveOverlay(ViewOverlay* overlay);
    // The last finished map picture (device pixels), without overlays.
    const QImage& MapPicture() const { return m_picture; }

    // --- rubber band and pan preview (used by the tools) ---
    // Shows the band between two client pixels (as drawn: not normalised), or hides it.
    void SetRubberBand(const PixelRect& box, bool visible);
    // The pan preview: the map picture moved by `offset` pixels, uncovered strips in the
    // background colour. Ends with EndPanPreview.
    void StartPanPreview();
    void SetPanOffset(QPoint offset);
    void EndPanPreview();

    // --- printing ---
    // Printer scale for the printable area (printer pixels), one page. EndPrinting resets it.
    void BeginPrinting(int pageWidth, int pageHeight);
    void EndPrinting();
    // Prints one page on `printer` (already set up): begin, draw, end. False when the printer
    // could not be opened or the output could not be finished.
    bool PrintDocument(QPrinter* printer);
    // Prints into a PDF file at `path` through the same path as paper printing.
    bool PrintToPdf(const QString& path);
    // The printer of a print job: the host's shared printer, or else a new one kept in `own`.
    QPrinter* JobPrinter(std::unique_ptr<QPrinter>& own) const;

    // --- objects the view owns or points at ---
    GObj* curObj() const { return m_pCurObj; }
    void setCurObj(GObj* obj) { m_pCurObj = obj; }
    GPolyline* track() const;
    GFindPt* findMarker() const;
    GGpsPos* positionMarker() const;
    // Each replaces the overlay's object and repaints the old and the new one's area.
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
    bool event(QEvent* event) override;
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
    void Press(QPoint px, Qt::KeyboardModifiers mods);
    void Move(QPoint px, Qt::KeyboardModifiers mods);
    void Release(QPoint px, Qt::KeyboardModifiers mods);
    // Common end of a release or a cancel: repaints enabled again, deferred repaints issued.
    void EndPress();
    void ZoomWheel(int delta, QPoint px);
    void UpdateStatusPanes(QPoint px);
    void AfterViewChange();
    PixelRect ClientRect() const;
    // The part of `r` inside the client area, as a Qt rectangle (64-bit safe).
    QRect ClampToClient(const PixelRect& r) const;
    // Draws tiles and objects; false when the tile layer stopped early.
    bool DrawMap(Canvas& canvas, const PixelRect& clip);
    void DrawOverlays(Canvas& canvas, const PixelRect& clip);
    // Renders what was invalidated into the map picture (resized first when needed).
    void RenderPicture();
    void ReplaceOverlayObject(ObjectOverlay& overlay, std::unique_ptr<GObj> obj);
    void InvalidateOverlayObject(GObj* obj);
    ViewToolHandler* PressHandler() const;

    QPointer<CKorvelDoc> m_pDoc;
    ViewHost* m_pHost = nullptr;
    int m_nLocalTool = TOOL_NONE;  // used when there is no host
    std::unique_ptr<MeasuringController> m_pMeasuring;

    GObj* m_pCurObj = nullptr;  // not owned

    Viewport m_view;
    bool m_bPrinting = false;  // inside OnDraw on a printer canvas
    bool m_bRedrawEnabled = true;

    // The press in progress (or, for tools that keep it, the last press point).
    QPoint m_ptPress;
    bool m_bPressActive = false;
    int m_nPressTool = TOOL_NONE;  // tool that handles the current press
    Qt::MouseButton m_pressButton = Qt::NoButton;
    int m_nSavedTool = TOOL_NONE;
    int m_nWheelRest = 0;  // wheel delta not yet worth a whole step

    // The map picture and what of it must be rendered again; m_erase is cleared to the
    // background before rendering. Both only grow until the next render.
    QImage m_picture;
    QRegion m_dirty;
    QRegion m_erase;
    bool m_bPanning = false;
    bool m_bPaintedOnce = false;
    QPoint m_panOffset;

    ObjectOverlay m_trackOverlay;
    ObjectOverlay m_findOverlay;
    ObjectOverlay m_positionOverlay;
    RubberBandOverlay m_band;
    std::vector<std::pair<int, ViewOverlay*>> m_overlays;  // sorted by order

    TileLayerHook m_tileLayer;
    std::unique_ptr<QPainterCanvas> m_pMeasureCanvas;  // GetWindowCanvas outside paints
    QPainterCanvas* m_pPaintCanvas = nullptr;         // the canvas of the paint in progress
};

}  // namespace korvel
