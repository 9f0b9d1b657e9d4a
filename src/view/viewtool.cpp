#include "view/viewtool.h"

#include "view/korvelview.h"
#include "view/viewhost.h"

namespace korvel {

void ZoomTool::OnPress(CKorvelView&, QPoint, Qt::KeyboardModifiers) {}
void ZoomTool::OnMove(CKorvelView&, QPoint, Qt::KeyboardModifiers) {}

void ZoomTool::OnRelease(CKorvelView& view, QPoint, const PixelRect& band, Qt::KeyboardModifiers)
{
    const QPoint press = view.pressPoint();
    view.ChangeView([&](Viewport& v) {
        if (m_bIn) v.ZoomIn(band, press);
        else v.ZoomOut(band, press);
    });
}

void PanTool::OnPress(CKorvelView& view, QPoint, Qt::KeyboardModifiers) { view.StartPanPreview(); }

void PanTool::OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers)
{
    // Nothing is rendered during the drag: the last map picture follows the mouse.
    view.SetPanOffset(pixel - view.pressPoint());
}

void PanTool::OnRelease(CKorvelView& view, QPoint pixel, const PixelRect&, Qt::KeyboardModifiers)
{
    // The map follows the mouse; the view is moved without SetView, so the repaint erases only
    // where no tile layer paints the background.
    const QPoint press = view.pressPoint();
    view.EndPanPreview();
    view.ChangeView([&](Viewport& v) { v.Pan(press, pixel); }, true);
}

void PanTool::OnCancel(CKorvelView& view) { view.EndPanPreview(); }

ToolRegistry::ToolRegistry()
{
    m_handlers[TOOL_ZOOM_IN] = &m_zoomIn;
    m_handlers[TOOL_ZOOM_OUT] = &m_zoomOut;
    m_handlers[TOOL_PAN] = &m_pan;
}

ViewToolHandler* ToolRegistry::Handler(int tool) const
{
    const auto it = m_handlers.find(tool);
    return it == m_handlers.end() ? nullptr : it->second;
}

void ToolRegistry::Register(int tool, ViewToolHandler* handler)
{
    if (handler) m_handlers[tool] = handler;
    else m_handlers.erase(tool);
}

ToolRegistry& ToolRegistry::Default()
{
    static ToolRegistry registry;
    return registry;
}

}  // namespace korvel
