#pragma once
// The mouse tools of the map views (zoom in, zoom out, pan, and the editing tools plugged in
// above the view) behind one interface, and the registry that serves them to every view. The
// main window keeps one registry for all its views, so a tool is one object whatever view it
// works in; a view without a host uses a registry holding only the built-in tools.

#include "model/pixel.h"

#include <QPoint>
#include <Qt>

#include <map>
#include <memory>

class QKeyEvent;

namespace korvel {

class Canvas;
class CKorvelView;

// One mouse tool. The view keeps the press point, the mouse capture, the redraw flag and (for
// tools that use one) the rubber band between the press point and the mouse; the tool does its
// work. Pixel positions are client-area pixels. A tool holds only the state of the drag in
// progress: what it changes goes through the document or the view.
class ViewToolHandler {
public:
    virtual ~ViewToolHandler() = default;
    // The view draws the inverting rubber band between press and current point.
    virtual bool UsesRubberBand() const { return false; }
    // Tools that ignore a second press on (almost) the same pixel keep the press point after
    // release.
    virtual bool KeepsPressPoint() const { return false; }
    virtual void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) = 0;
    virtual void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) = 0;
    // `band` is the normalised rubber-band rectangle (empty at the release point for tools
    // without one).
    virtual void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) = 0;
    // The drag ended without a release (Escape, a dialog took the mouse, the window lost the
    // focus): the tool forgets the drag and changes nothing.
    virtual void OnCancel(CKorvelView& /*view*/) {}
    // A key pressed in the view while this tool is current; true when the tool used it.
    virtual bool OnKey(CKorvelView& /*view*/, QKeyEvent* /*event*/) { return false; }
    // Screen-only drawing of the tool above the map and the other overlays (client pixels).
    virtual void DrawOverlay(CKorvelView& /*view*/, Canvas& /*canvas*/, const PixelRect& /*clip*/) {}
};

// Zoom in (tool 1) and zoom out (tool 2): a rubber band or a click, applied on release.
class ZoomTool : public ViewToolHandler {
public:
    explicit ZoomTool(bool zoomIn) : m_bIn(zoomIn) {}
    bool UsesRubberBand() const override { return true; }
    void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) override;

private:
    bool m_bIn;
};

// Pan (tool 3): the last map picture follows the mouse; the view moves on release.
class PanTool : public ViewToolHandler {
public:
    void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) override;
    void OnCancel(CKorvelView& view) override;
};

// Tool code -> handler. Holds the built-in zoom and pan tools itself; other tools are added
// by the layers above and are not owned.
class ToolRegistry {
public:
    ToolRegistry();
    ToolRegistry(const ToolRegistry&) = delete;
    ToolRegistry& operator=(const ToolRegistry&) = delete;

    // The handler of tool code `tool`, or null (tool 0, or a tool nobody registered).
    ViewToolHandler* Handler(int tool) const;
    // Installs (or with null removes) the handler of a tool code; the registry does not own it.
    void Register(int tool, ViewToolHandler* handler);

    // The registry of views that have no host: the built-in tools only.
    static ToolRegistry& Default();

private:
    ZoomTool m_zoomIn{true};
    ZoomTool m_zoomOut{false};
    PanTool m_pan;
    std::map<int, ViewToolHandler*> m_handlers;
};

}  // namespace korvel
