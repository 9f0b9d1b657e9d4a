#include "survey/gpsbarwnd.h"

#include "gps/serialcomm.h"
#include "survey/skyplot.h"
#include "view/qpaintercanvas.h"

#include <QDockWidget>
#include <QFontInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace korvel {
namespace {

constexpr int kSatviewMinSide = 150;
constexpr int kCompassMinWidth = 150;
constexpr int kCompassExtraHeight = 50;

COLORREF ToColorref(const QColor& c)
{
    return MakeRgb(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

// Whether the widget sits in a dock bar that floats as its own window.
bool InFloatingBar(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (const auto* dock = qobject_cast<const QDockWidget*>(p)) return dock->isFloating();
    }
    return false;
}

PixelRect AreaFor(const QWidget* w, QSize size)
{
    PixelRect area{0, 0, size.width(), size.height()};
    if (InFloatingBar(w)) area.Inflate(-kFloatingBarBorder);
    return area;
}

// A new real size is drawn afresh at once; a minimised or collapsed bar has nothing to show.
void RepaintForSize(QWidget* w, const QSize& size)
{
    if (size.width() > 0 && size.height() > 0 && !w->isMinimized()) w->update();
}

}  // namespace

LogFont BarLogFont(const QWidget& widget)
{
    const QFont f = widget.font();
    LogFont lf;
    int pixels = f.pixelSize();
    if (pixels <= 0) pixels = QFontInfo(f).pixelSize();
    lf.lfHeight = -std::max(1, pixels);
    lf.lfWeight = f.weight();
    lf.lfItalic = f.italic() ? 1 : 0;
    lf.SetFaceName(QFontInfo(f).family());
    return lf;
}

QSize SatviewFloatingSize(QSize old, QSize requested)
{
    const bool widthDragged =
        std::abs(requested.width() - old.width()) >= std::abs(requested.height() - old.height());
    const int side = std::max(kSatviewMinSide, widthDragged ? requested.width() : requested.height());
    return QSize(side, side);
}

QSize CompassFloatingSize(QSize old, QSize requested)
{
    const bool widthDragged =
        std::abs(requested.width() - old.width()) >= std::abs(requested.height() - old.height());
    const int width = std::max(kCompassMinWidth,
                               widthDragged ? requested.width() : requested.height() - kCompassExtraHeight);
    return QSize(width, width + kCompassExtraHeight);
}

// ---------------------------------------------------------------------------------------------
// Satellite view

CSatviewWnd::CSatviewWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Satview"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &CSatviewWnd::OnTimer);
}

void CSatviewWnd::OnTimer()
{
    m_timer.stop();
    repaint();
}

PixelRect CSatviewWnd::DrawingArea(QSize size) const
{
    return AreaFor(this, size);
}

void CSatviewWnd::PaintPlot(Canvas& dc, QSize size)
{
    SkyPlotLook look;
    look.background = ToColorref(palette().color(QPalette::Button));
    look.font = BarLogFont(*this);
    std::array<char, kGpsSatelliteSlots> systems{};
    GpsFix none;
    const GpsFix* fix = &none;
    if (CSerialComm* port = m_source.Port()) {
        ClearStaleSatellites(port->fix(), m_source.Now());
        fix = &port->fix();
        if (port->parser().allTalkers()) {
            for (int i = 0; i < kGpsSatelliteSlots; ++i)
                systems[std::size_t(i)] = port->parser().SatelliteSystem(i);
            look.systems = &systems;
        }
    }
    const PixelRect all{0, 0, size.width(), size.height()};
    dc.SelectPen(Pen{PS_NULL, 0, look.background});
    dc.SelectBrush(Brush{BrushKind::Solid, look.background});
    const PixelPoint corners[] = {
        {all.left, all.top}, {all.right, all.top}, {all.right, all.bottom}, {all.left, all.bottom}};
    dc.Polygon(corners);
    DrawSkyPlot(dc, DrawingArea(size), *fix, look);
}

void CSatviewWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPainterCanvas canvas(&painter, false);
    PaintPlot(canvas, size());
    ++m_nPaints;
    m_timer.start(kRefreshMs);
}

void CSatviewWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RepaintForSize(this, event->size());
}

// ---------------------------------------------------------------------------------------------
// Compass

CGpsFindWnd::CGpsFindWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GpsFind"));
    // The off-screen picture covers every pixel: erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGpsFindWnd::OnTimer()
{
    CSerialComm* port = m_source.Port();
    if (!port) return;
    m_compass.Update(&port->fix(), m_source.Marker(), m_source.CoordSys());
    update();
}

PixelRect CGpsFindWnd::DrawingArea(QSize size) const
{
    return AreaFor(this, size);
}

void CGpsFindWnd::Render(QPainter& painter, QSize size, qreal devicePixelRatio) const
{
    if (size.isEmpty()) return;
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap picture(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))));
    picture.setDevicePixelRatio(dpr);
    const QColor face = palette().color(QPalette::Button);
    picture.fill(face);
    {
        QPainter offscreen(&picture);
        QPainterCanvas canvas(&offscreen, false);
        // The compass letters are opaque on the button face, not on white.
        offscreen.setBackground(face);
        CompassLook look;
        look.background = ToColorref(face);
        look.font = BarLogFont(*this);
        m_compass.Draw(canvas, DrawingArea(size), look);
    }
    painter.drawPixmap(0, 0, picture);
}

void CGpsFindWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Render(painter, size(), devicePixelRatioF());
}

void CGpsFindWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RepaintForSize(this, event->size());
}

}  // namespace korvel
