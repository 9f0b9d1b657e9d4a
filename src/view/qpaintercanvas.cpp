#include "view/qpaintercanvas.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

// The background colour of opaque hatches and text boxes (the graphics interface's default).
const QColor kBackground(255, 255, 255);

Qt::PenStyle ToQtPenStyle(int32_t style)
{
    switch (style) {
    case PS_DASH: return Qt::DashLine;
    case PS_DOT: return Qt::DotLine;
    case PS_DASHDOT: return Qt::DashDotLine;
    case PS_DASHDOTDOT: return Qt::DashDotDotLine;
    case PS_NULL: return Qt::NoPen;
    default: return Qt::SolidLine;  // solid and inside-frame
    }
}

QPolygon ToQPolygon(std::span<const PixelPoint> points)
{
    QPolygon poly(int(points.size()));
    for (size_t i = 0; i < points.size(); ++i) poly.setPoint(int(i), points[i].x, points[i].y);
    return poly;
}

// Text lines as the multi-line text drawing of the graphics interface splits them.
QStringList SplitLines(const QString& text)
{
    QString t = text;
    t.remove(QLatin1Char('\r'));
    return t.split(QLatin1Char('\n'));
}

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter* painter, bool printer)
    : m_pPainter(painter), m_pMeasureDevice(painter ? painter->device() : nullptr), m_bPrinter(printer)
{
    if (m_pPainter) {
        m_pPainter->setRenderHint(QPainter::Antialiasing, false);
        m_pPainter->setRenderHint(QPainter::TextAntialiasing, true);
        m_pPainter->setBackground(kBackground);
    }
}

QPainterCanvas::QPainterCanvas(QPaintDevice* measureDevice) : m_pMeasureDevice(measureDevice) {}

Pen QPainterCanvas::SelectPen(const Pen& pen)
{
    const Pen old = m_pen;
    m_pen = pen;
    return old;
}

Brush QPainterCanvas::SelectBrush(const Brush& brush)
{
    const Brush old = m_brush;
    m_brush = brush;
    return old;
}

LogFont QPainterCanvas::SelectFont(const LogFont& font)
{
    const LogFont old = m_lf;
    m_lf = font;
    return old;
}

COLORREF QPainterCanvas::SetTextColor(COLORREF color)
{
    const COLORREF old = m_crText;
    m_crText = color;
    return old;
}

BkMode QPainterCanvas::SetBkMode(BkMode mode)
{
    const BkMode old = m_bkMode;
    m_bkMode = mode;
    return old;
}

void QPainterCanvas::Sync()
{
    // Objects select their pen and brush and restore the previous ones around every drawing;
    // the painter only hears about a change when something is drawn with a different state.
    if (!m_bApplied || !(m_pen == m_appliedPen)) {
        QPen pen(ToQColor(m_pen.color));
        pen.setStyle(ToQtPenStyle(m_pen.style));
        // Width 0 is the one-pixel pen on every device; wider pens are in device pixels and,
        // like the classic geometric pens, have round ends and joins.
        pen.setWidth(std::max(0, m_pen.width));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_pPainter->setPen(pen);
        m_appliedPen = m_pen;
    }
    if (!m_bApplied || !(m_brush == m_appliedBrush)) {
        switch (m_brush.kind) {
        case BrushKind::Null: m_pPainter->setBrush(Qt::NoBrush); break;
        case BrushKind::Solid: m_pPainter->setBrush(ToQColor(m_brush.color)); break;
        case BrushKind::HatchBDiagonal: m_pPainter->setBrush(QBrush(ToQColor(m_brush.color), Qt::BDiagPattern)); break;
        }
        m_appliedBrush = m_brush;
    }
    if (!m_bApplied || m_bkMode != m_appliedBk) {
        // Between hatch lines the background colour is painted only in opaque mode.
        m_pPainter->setBackgroundMode(m_bkMode == BkMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
        m_appliedBk = m_bkMode;
    }
    m_bApplied = true;
}

void QPainterCanvas::Ellipse(const PixelRect& box)
{
    if (!m_pPainter) return;
    Sync();
    // The figure covers the pixels left .. right-1; the pen's centre line runs through the
    // centres of the outermost pixels.
    m_pPainter->drawEllipse(QRectF(box.left + 0.5, box.top + 0.5, box.right - box.left - 1.0, box.bottom - box.top - 1.0));
}

void QPainterCanvas::Arc(const PixelRect& box)
{
    if (!m_pPainter) return;
    Sync();
    m_pPainter->drawArc(QRectF(box.left + 0.5, box.top + 0.5, box.right - box.left - 1.0, box.bottom - box.top - 1.0),
                        0, 360 * 16);
}

void QPainterCanvas::Polygon(std::span<const PixelPoint> points)
{
    if (!m_pPainter || points.empty()) return;
    Sync();
    m_pPainter->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
}

void QPainterCanvas::PolyPolygon(std::span<const PixelPoint> points, std::span<const int32_t> counts)
{
    if (!m_pPainter) return;
    Sync();
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    size_t at = 0;
    for (const int32_t n : counts) {
        if (n <= 0) continue;
        if (at + size_t(n) > points.size()) break;  // counts that overrun the points are ignored
        path.moveTo(points[at].x, points[at].y);
        for (int32_t i = 1; i < n; ++i) path.lineTo(points[at + size_t(i)].x, points[at + size_t(i)].y);
        path.closeSubpath();
        at += size_t(n);
    }
    m_pPainter->drawPath(path);
}

void QPainterCanvas::Polyline(std::span<const PixelPoint> points)
{
    if (!m_pPainter || points.size() < 2) return;
    Sync();
    m_pPainter->drawPolyline(ToQPolygon(points));
}

void QPainterCanvas::Line(PixelPoint from, PixelPoint to)
{
    if (!m_pPainter) return;
    Sync();
    m_pPainter->drawLine(from.x, from.y, to.x, to.y);
}

void QPainterCanvas::FillSolidRect(const PixelRect& rect, COLORREF color)
{
    if (!m_pPainter || !rect.HasArea()) return;
    if (int64_t(rect.right) - rect.left > INT32_MAX || int64_t(rect.bottom) - rect.top > INT32_MAX) return;
    m_pPainter->fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), ToQColor(color));
}

void QPainterCanvas::InvertRect(const PixelRect& rect)
{
    if (!m_pPainter || !rect.HasArea()) return;
    m_pPainter->save();
    m_pPainter->setCompositionMode(QPainter::CompositionMode_Difference);
    m_pPainter->fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), Qt::white);
    m_pPainter->restore();
}

QFont QPainterCanvas::MakeFont(const LogFont& lf, QPaintDevice* device)
{
    QFont font = device ? QFont(QFont(), device) : QFont();
    const QString face = lf.FaceName();
    font.setFamilies(QStringList{face.isEmpty() ? QStringLiteral("Arial") : face});
    font.setStyleStrategy(QFont::PreferMatch);
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfWeight > 0) font.setWeight(QFont::Weight(std::clamp<int>(lf.lfWeight, 100, 900)));
    else font.setWeight(QFont::Normal);

    int pixels = 0;
    if (lf.lfHeight < 0) {
        pixels = lf.lfHeight == INT32_MIN ? INT32_MAX : -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        // A cell height includes the internal leading: scale it by the face's em-to-cell ratio.
        QFont probe = font;
        probe.setPixelSize(1000);
        const double cell = device ? QFontMetricsF(probe, device).height() : QFontMetricsF(probe).height();
        pixels = cell > 0 ? int(std::lround(lf.lfHeight * 1000.0 / cell)) : lf.lfHeight;
    } else {
        pixels = QFontInfo(font).pixelSize();
    }
    // Huge sizes make the font engine allocate enormous glyph caches; nothing that large can
    // be read on a page anyway.
    font.setPixelSize(std::clamp(pixels, 1, 20000));
    return font;
}

void QPainterCanvas::TextOut(PixelPoint origin, const QString& text)
{
    if (!m_pPainter || text.isEmpty()) return;
    const QFont font = MakeFont(m_lf, m_pPainter->device());
    const QFontMetricsF fm(font, m_pPainter->device());
    const QStringList lines = SplitLines(text);

    m_pPainter->save();
    m_pPainter->setFont(font);
    m_pPainter->translate(origin.x, origin.y);
    // Escapement: tenths of a degree counter-clockwise; Qt turns clockwise with y downwards.
    if (m_lf.lfEscapement != 0) m_pPainter->rotate(-m_lf.lfEscapement / 10.0);
    if (m_bkMode == BkMode::Opaque) {
        double width = 0;
        for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
        m_pPainter->fillRect(QRectF(0, 0, width, fm.height() * lines.size()), m_pPainter->background());
    }
    m_pPainter->setPen(ToQColor(m_crText & 0x00FFFFFF));
    double y = fm.ascent();
    for (const QString& line : lines) {
        m_pPainter->drawText(QPointF(0, y), line);
        y += fm.height();
    }
    m_pPainter->restore();
}

PixelSize QPainterCanvas::MeasureText(const LogFont& font, const QString& text)
{
    LogFont unrotated = font;
    unrotated.lfEscapement = 0;
    if (!m_pMeasured || !(unrotated == m_measuredLf)) {
        m_pMeasured = std::make_unique<TextWidths>(MakeFont(unrotated, m_pMeasureDevice), m_pMeasureDevice);
        m_measuredLf = unrotated;
    }
    TextWidths& widths = *m_pMeasured;
    const int32_t lineHeight = int32_t(std::ceil(widths.Height()));
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return PixelSize{int32_t(std::ceil(widths.Width(text))), lineHeight};
    }
    const QStringList lines = SplitLines(text);
    double width = 0;
    for (const QString& line : lines) width = std::max(width, widths.Width(line));
    return PixelSize{int32_t(std::ceil(width)), lineHeight * int32_t(lines.size())};
}

void QPainterCanvas::DrawTransparentImage(const QImage& image, const PixelRect& dest, const PixelRect& clip)
{
    if (!m_pPainter || image.isNull() || !dest.HasArea()) return;
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu) line[x] = 0;
        }
    }
    m_pPainter->save();
    if (clip.HasArea()) m_pPainter->setClipRect(QRect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top), Qt::IntersectClip);
    m_pPainter->drawImage(QRect(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top), masked);
    m_pPainter->restore();
}

void QPainterCanvas::DrawTransparentPixels(const uint32_t* argb, int width, int height, const PixelRect& dest,
                                           const PixelRect& clip)
{
    if (!argb || width <= 0 || height <= 0) return;
    // Wraps the words without copying; DrawTransparentImage makes its own masked copy.
    const QImage image(reinterpret_cast<const uchar*>(argb), width, height, qsizetype(width) * 4, QImage::Format_ARGB32);
    DrawTransparentImage(image, dest, clip);
}

QImage QPainterCanvas::DibBlockImage(const DibPixels& src, const PixelRect& block)
{
    const int w = block.right - block.left;
    const int h = block.bottom - block.top;
    if (!src.bits || w <= 0 || h <= 0 || block.left < 0 || block.top < 0 || block.right > src.width ||
        block.bottom > src.height) {
        return QImage();
    }
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    // The colour table as opaque pixels, white as nothing.
    uint32_t table[256];
    const size_t entries = src.bitCount <= 8 ? size_t(1) << src.bitCount : 0;
    for (size_t i = 0; i < entries; ++i) {
        const uint32_t rgb = i < src.colors.size() ? src.colors[i] & 0x00FFFFFFu : 0;
        table[i] = rgb == 0x00FFFFFFu ? 0 : 0xFF000000u | rgb;
    }
    bool transparent = false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* line = src.Row(block.top + y);
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        switch (src.bitCount) {
        case 24: {
            const uint8_t* p = line + ptrdiff_t(block.left) * 3;
            for (int x = 0; x < w; ++x, p += 3) {
                const uint32_t rgb = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
                const bool white = rgb == 0x00FFFFFFu;
                transparent |= white;
                out[x] = white ? 0 : 0xFF000000u | rgb;
            }
            break;
        }
        case 8: {
            const uint8_t* p = line + block.left;
            for (int x = 0; x < w; ++x) {
                out[x] = table[p[x]];
                transparent |= out[x] == 0;
            }
            break;
        }
        case 4:
            for (int x = 0; x < w; ++x) {
                const int c = block.left + x;
                out[x] = table[(line[c >> 1] >> ((c & 1) ? 0 : 4)) & 0x0F];
                transparent |= out[x] == 0;
            }
            break;
        case 1:
            for (int x = 0; x < w; ++x) {
                const int c = block.left + x;
                out[x] = table[(line[c >> 3] >> (7 - (c & 7))) & 1];
                transparent |= out[x] == 0;
            }
            break;
        default: return QImage();
        }
    }
    // A block without white is opaque: drawn as such it is copied rather than blended.
    if (!transparent) image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

void QPainterCanvas::StretchDib(const DibPixels& src, const PixelRect& block, const PixelRect& dest)
{
    if (!m_pPainter || !dest.HasArea()) return;
    if (int64_t(dest.right) - dest.left > INT32_MAX || int64_t(dest.bottom) - dest.top > INT32_MAX) return;
    const QImage image = DibBlockImage(src, block);
    if (image.isNull()) return;
    // Each image pixel becomes a sharp block of screen pixels, as a scanned map should look.
    const bool smooth = m_pPainter->testRenderHint(QPainter::SmoothPixmapTransform);
    if (smooth) m_pPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect target(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    if (target.size() == image.size()) m_pPainter->drawImage(target.topLeft(), image);
    else m_pPainter->drawImage(target, image);
    if (smooth) m_pPainter->setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void QPainterCanvas::StretchArgb(const ArgbPixels& src, const PixelRect& block, const PixelRect& dest,
                                 const PixelRect& clip)
{
    if (!m_pPainter || !src.bits || !dest.HasArea()) return;
    const int w = block.right - block.left;
    const int h = block.bottom - block.top;
    if (w <= 0 || h <= 0 || block.left < 0 || block.top < 0 || block.right > src.width || block.bottom > src.height) return;
    if (int64_t(dest.right) - dest.left > INT32_MAX || int64_t(dest.bottom) - dest.top > INT32_MAX) return;
    // A view of the block inside the caller's words: nothing is copied or converted, which is
    // what makes drawing tiles kept in memory as fast as drawing a QImage.
    const uchar* first = reinterpret_cast<const uchar*>(src.bits + ptrdiff_t(block.top) * src.width + block.left);
    const QImage image(first, w, h, qsizetype(src.width) * 4,
                       src.opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    const QRect target(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    const bool inside = !clip.HasArea() || (dest.left >= clip.left && dest.top >= clip.top &&
                                            dest.right <= clip.right && dest.bottom <= clip.bottom);
    const bool smooth = m_pPainter->testRenderHint(QPainter::SmoothPixmapTransform);
    if (!inside) {
        m_pPainter->save();
        m_pPainter->setClipRect(QRect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top),
                                Qt::IntersectClip);
    }
    // Each picture pixel becomes a sharp block of device pixels, as in StretchDib.
    if (smooth) m_pPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (target.size() == image.size()) m_pPainter->drawImage(target.topLeft(), image);
    else m_pPainter->drawImage(target, image);
    if (smooth) m_pPainter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!inside) m_pPainter->restore();
}

}  // namespace korvel
