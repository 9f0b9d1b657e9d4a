#pragma once
// The map objects' drawing surface implemented with QPainter, for the view window, images and
// printers alike. Follows the pixel conventions of the classic graphics interface the objects
// were written for: aliased drawing, right and bottom box edges outside the figure, even-odd
// polygon filling, hatch patterns in device pixels, text positioned by its top-left corner.

#include "model/canvas.h"
#include "view/textwidths.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>

#include <memory>
#include <QImage>

class QPainter;
class QPaintDevice;

namespace korvel {

class QPainterCanvas : public Canvas {
public:
    // Draws with `painter` (which must stay active while the canvas is used). `printer`
    // marks printer and print-preview output: objects then use the printer scale and leave out
    // screen-only decorations.
    QPainterCanvas(QPainter* painter, bool printer);
    // A canvas that can only measure text, for the given device (or the screen when null).
    // Drawing calls do nothing.
    explicit QPainterCanvas(QPaintDevice* measureDevice);

    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

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
    // QPainter's solid fill: several times faster than a polygon over a whole window.
    void FillSolidRect(const PixelRect& rect, COLORREF color) override;

    void TextOut(PixelPoint origin, const QString& text) override;
    PixelSize MeasureText(const LogFont& font, const QString& text) override;

    void StretchDib(const DibPixels& src, const PixelRect& block, const PixelRect& dest) override;
    // Draws the words in place (no copy, no conversion).
    void StretchArgb(const ArgbPixels& src, const PixelRect& block, const PixelRect& dest, const PixelRect& clip) override;

    bool IsPrinter() const override { return m_bPrinter; }

    // The pixels of `block` of `src` as an image whose pure white pixels are fully transparent
    // (an opaque image when the block has none).
    static QImage DibBlockImage(const DibPixels& src, const PixelRect& block);

    // Draws `image` stretched into `dest` (pixels, right/bottom exclusive) with every pure white
    // pixel left out, so the map beneath shows through (background tiles and scanned maps
    // have white where there is nothing). Only the part inside `clip` is touched.
    void DrawTransparentImage(const QImage& image, const PixelRect& dest, const PixelRect& clip);
    // The same for a decoded picture held as 0xAARRGGBB words, `width` x `height`, rows
    // `width` words apart (what the decoders below the view produce without QtGui).
    void DrawTransparentPixels(const uint32_t* argb, int width, int height, const PixelRect& dest, const PixelRect& clip);

    // The font a font record stands for on `device` (null: the screen). Pixel height from
    // lfHeight: negative = character (em) height, positive = cell height, 0 = a default size;
    // weight, italic, underline, strike-out and face name as recorded. The escapement is not
    // part of a QFont; TextOut turns the text itself.
    static QFont MakeFont(const LogFont& lf, QPaintDevice* device);

    // 0x00BBGGRR -> QColor.
    static QColor ToQColor(COLORREF c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

private:
    // Hands the selected pen, brush and background mode to the painter where they changed.
    void Sync();

    QPainter* m_pPainter = nullptr;
    QPaintDevice* m_pMeasureDevice = nullptr;
    bool m_bPrinter = false;
    Pen m_pen;
    Brush m_brush;
    LogFont m_lf;
    COLORREF m_crText = 0;
    BkMode m_bkMode = BkMode::Opaque;
    // What the painter currently has (valid once m_bApplied is set).
    bool m_bApplied = false;
    Pen m_appliedPen;
    Brush m_appliedBrush;
    BkMode m_appliedBk = BkMode::Opaque;
    // The widths of the font measured last: labelling lays out a million texts in one font,
    // and making the font and its metrics costs more than measuring.
    LogFont m_measuredLf;
    std::unique_ptr<TextWidths> m_pMeasured;
};

}  // namespace korvel
