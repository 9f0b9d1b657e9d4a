#pragma once
// What a map view needs from the window that hosts it: the application-wide current tool, the
// create-point auto-numbering flag and the coordinate panes of the status bar. The main window
// implements this once and hands the same object to every view it creates, so that all views
// share one tool. Also the command ids and tool codes the view and the main window agree on.

#include "view/viewmeasuring.h"

#include <QString>

#include <memory>

class QPrinter;

namespace korvel {

class CKorvelView;
class ToolRegistry;

// Tool codes shared by all views (code 7 is not used).
inline constexpr int TOOL_NONE = 0;
inline constexpr int TOOL_ZOOM_IN = 1;
inline constexpr int TOOL_ZOOM_OUT = 2;
inline constexpr int TOOL_PAN = 3;
inline constexpr int TOOL_SELECT = 4;
inline constexpr int TOOL_ROTATE_TEXT = 5;
inline constexpr int TOOL_CREATE_POINT = 6;
inline constexpr int TOOL_FIND_POINT = 8;

// Command ids the view handles through CKorvelView::OnCommand / OnUpdateCommand. The string
// table holds, under the same id, the status-bar text, a newline and the tool-tip.
inline constexpr int ID_VIEW_ZOOM_IN = 32773;        // toggle tool 1 (checkable)
inline constexpr int ID_VIEW_ZOOM_OUT = 32774;       // toggle tool 2 (checkable)
inline constexpr int ID_VIEW_FIT_ALL = 32775;        // "Alles anzeigen"; also sent after New/Open
inline constexpr int ID_VIEW_PAN = 32776;            // toggle tool 3 (checkable)
inline constexpr int ID_VIEW_RECALC_BOUNDS = 32790;  // recompute all bounds, refit, mark modified
inline constexpr int ID_FILE_PRINT = 57607;          // print with the printer dialog
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;   // print on the default printer, no dialog
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;  // print preview window

// The state of one command as the main window's QAction should show it. `handled` says that
// the view owns the id, whether or not it is enabled now: a disabled view command stays the
// view's and is never passed on to another handler.
struct CommandState {
    bool handled = false;
    bool enabled = false;
    bool checked = false;
};

// Implemented by the main window (one instance for the whole program). A view may also run
// without a host (tests, off-screen rendering): it then keeps its own tool and shows no
// coordinates.
class ViewHost {
public:
    virtual ~ViewHost() = default;

    // The current tool code (TOOL_*), the same for every view.
    virtual int CurrentTool() const = 0;

    // Makes `tool` the current tool of all views. The host should refresh the check marks of
    // its tool actions (via CKorvelView::OnUpdateCommand of the active view) afterwards. Views
    // call this from tool toggles, from the middle-button pan (tool 3 while the button is held,
    // then the saved tool again) and from tools that switch themselves off.
    virtual void SetCurrentTool(int tool) = 0;

    // The create-point auto-numbering flag (not persisted). Toggling the zoom, pan, select and
    // rotate tools clears it.
    virtual bool AutoNumbering() const = 0;
    virtual void SetAutoNumbering(bool on) = 0;

    // Writes the coordinate read-out into status-bar panes 1 (system), 2 (first coordinate)
    // and 3 (second coordinate). Called on every mouse move over a view, texts already
    // formatted for the document's coordinate system (e.g. "WGS84", "E 9.000000°",
    // "N 50.000000°", or "Local", "R 12.000", "H 3.500").
    virtual void SetCoordinatePanes(const QString& system, const QString& first, const QString& second) = 0;

    // The program's printer: the printer, paper and orientation chosen in the printer set-up,
    // used by every print, quick print and preview so that the choice holds for all views.
    // Null when the host keeps none; the view then prints on a printer of its own per job.
    virtual QPrinter* Printer() { return nullptr; }

    // The mouse tools of all views. Null: the view uses the built-in zoom and pan tools only.
    virtual ToolRegistry* Tools() { return nullptr; }

    // The measuring state of a new view, kept by the view for its lifetime; null when the host
    // offers no measuring.
    virtual std::unique_ptr<MeasuringController> CreateMeasuring(CKorvelView& /*view*/) { return nullptr; }
};

}  // namespace korvel
