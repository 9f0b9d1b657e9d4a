#pragma once
// A Canvas that records every call with its exact arguments, so tests can check the pixel
// geometry map objects produce, and a GView around it. Text metrics are fake but
// deterministic: a text is chars x |height| / 2 pixels wide and |height| pixels high.

#include "model/canvas.h"
#include "model/gview.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace korvel::test {

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(bool printer = false) : m_bPrinter(printer) {}

    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    LogFont SelectFont(const LogFont& font) override;
    COLORREF SetTextColor(COLORREF color) override;
    BkMode SetBkMode(BkMode mode) override;
    void Ellipse(const PixelRect& box) override;
    void Arc(const PixelRect& box) override;
    void Polygon(std::span<const PixelPoint> points) override;
    void PolyPolygon(std::span<const PixelPoint> points, std::span<const int32_t> counts) override;
    void Polyline(std::span<const PixelPoint> points) override;
    void Line(PixelPoint from, PixelPoint to) override;
    void InvertRect(const PixelRect& rect) override;
    void TextOut(PixelPoint origin, const QString& text) override;
    PixelSize MeasureText(const LogFont& font, const QString& text) override;
    // Recorded as "Dib l t r b -> l t r b" (block, then destination), followed by the block's
    // pixels as "px RRGGBB ..." row by row (transparent white as "------") when the block has
    // at most 16 pixels.
    void StretchDib(const DibPixels& src, const PixelRect& block, const PixelRect& dest) override;
    bool IsPrinter() const override { return m_bPrinter; }

    // The fake metric used by MeasureText.
    static PixelSize FakeSize(const LogFont& font, const QString& text);

    // One line per call, e.g. "Ellipse 6 6 14 14", "Pen 0 0 0x1e9e1b" (style, width, colour),
    // "Brush solid 0x1e9e1b", "Polygon 1 2 3 4" (x y pairs), "PolyPolygon 4 4 | ..." (counts,
    // then points), "Font -12 esc 900 italic 0", "Text 10 20 abc", "Measure -12 abc".
    const QStringList& Calls() const { return m_calls; }
    // Only the calls starting with `prefix`.
    QStringList CallsStartingWith(const QString& prefix) const;
    void Clear() { m_calls.clear(); }

    // The state a drawing left behind.
    Pen m_pen;
    Brush m_brush;
    LogFont m_font;
    COLORREF m_crText = 0;
    BkMode m_bkMode = BkMode::Opaque;

private:
    bool m_bPrinter;
    QStringList m_calls;
};

// A view with a fixed mapping whose window canvas is a RecordingCanvas.
class RecordingView : public GView {
public:
    explicit RecordingView(const ViewTransform& vt = ViewTransform{}) : m_vt(vt) {}
    ViewTransform GetViewTransform() const override { return m_vt; }
    Canvas* GetWindowCanvas() override { return m_bHasWindow ? &m_canvas : nullptr; }

    ViewTransform m_vt;
    RecordingCanvas m_canvas;
    bool m_bHasWindow = true;
};

QString Hex(COLORREF c);

// A call list as one string for readable test failures: the calls joined by "; ".
std::string Join(const QStringList& calls);

}  // namespace korvel::test
