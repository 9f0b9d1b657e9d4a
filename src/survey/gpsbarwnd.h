#pragma once
// The drawing windows of the two GPS bars: CSatviewWnd shows the sky plot and refreshes it
// every 2 s, CGpsFindWnd the compass, updated by its bar's 100 ms timer. Both are thin: the
// geometry lives in skyplot.h and gpscompass.h, drawn through a QPainterCanvas. They paint in
// logical pixels, so the plot, the arrows and the texts grow with the screen's scaling.

#include "model/canvas.h"
#include "survey/gpsbarsource.h"
#include "survey/gpscompass.h"

#include <QSize>
#include <QTimer>
#include <QWidget>

class QPainter;

namespace korvel {

// Border left free around the drawing while the bar floats (pixels).
inline constexpr int kFloatingBarBorder = 7;

// The widget's font as a font record in its logical pixels.
LogFont BarLogFont(const QWidget& widget);

// Sizes of a floating bar's client area while the user drags its frame: `old` the size before,
// `requested` the size dragged to. The satellite view stays square, at least 150 pixels; the
// compass stays 50 pixels taller than wide, at least 150 wide and 200 high. The side the user
// changed more decides.
QSize SatviewFloatingSize(QSize old, QSize requested);
QSize CompassFloatingSize(QSize old, QSize requested);

class CSatviewWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 2000;

    explicit CSatviewWnd(QWidget* parent = nullptr);

    void SetSource(GpsBarSource source) { m_source = std::move(source); }
    const GpsBarSource& source() const { return m_source; }

    // One-shot, armed at the end of every painting; when it fires the plot is repainted at
    // once, which arms it again. So the plot refreshes every 2 s while it is shown.
    const QTimer& timer() const { return m_timer; }
    void OnTimer();

    // Ages the port's satellite data and draws the plot for a window of `size` (logical
    // pixels) on `dc`, background included.
    void PaintPlot(Canvas& dc, QSize size);
    // The drawing area: the window less the border while the bar floats.
    PixelRect DrawingArea(QSize size) const;

    int paintCount() const { return m_nPaints; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    GpsBarSource m_source;
    QTimer m_timer;
    int m_nPaints = 0;
};

class CGpsFindWnd : public QWidget {
    Q_OBJECT
public:
    explicit CGpsFindWnd(QWidget* parent = nullptr);

    void SetSource(GpsBarSource source) { m_source = std::move(source); }
    const GpsBarSource& source() const { return m_source; }

    GpsCompass& compass() { return m_compass; }
    const GpsCompass& compass() const { return m_compass; }

    // The compass timer's work: read the port's fix, the find marker and the document's
    // system, then repaint without erasing.
    void OnTimer();

    PixelRect DrawingArea(QSize size) const;
    // Paints the compass for a window of `size` (logical pixels) onto `painter` through an
    // off-screen picture made for `devicePixelRatio`, copied in one piece at the end.
    void Render(QPainter& painter, QSize size, qreal devicePixelRatio) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    GpsBarSource m_source;
    GpsCompass m_compass;
};

}  // namespace korvel
