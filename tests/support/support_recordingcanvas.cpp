#include "support/recordingcanvas.h"

#include <cstdlib>

namespace korvel::test {

namespace {

QString Points(std::span<const PixelPoint> pts)
{
    QStringList parts;
    for (const PixelPoint& p : pts) parts << QString::number(p.x) << QString::number(p.y);
    return parts.join(' ');
}

QString Rect(const PixelRect& r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
}

QString BrushName(BrushKind k)
{
    switch (k) {
    case BrushKind::Null: return QStringLiteral("null");
    case BrushKind::Solid: return QStringLiteral("solid");
    case BrushKind::HatchBDiagonal: return QStringLiteral("bdiagonal");
    }
    return QString();
}

}  // namespace

std::string Join(const QStringList& calls) { return calls.join(QStringLiteral("; ")).toStdString(); }

QString Hex(COLORREF c) { return QStringLiteral("0x") + QString::number(c, 16); }

Pen RecordingCanvas::SelectPen(const Pen& pen)
{
    m_calls << QStringLiteral("Pen %1 %2 %3").arg(pen.style).arg(pen.width).arg(Hex(pen.color));
    const Pen old = m_pen;
    m_pen = pen;
    return old;
}

Brush RecordingCanvas::SelectBrush(const Brush& brush)
{
    m_calls << QStringLiteral("Brush %1 %2").arg(BrushName(brush.kind), Hex(brush.color));
    const Brush old = m_brush;
    m_brush = brush;
    return old;
}

LogFont RecordingCanvas::SelectFont(const LogFont& font)
{
    m_calls << QStringLiteral("Font %1 esc %2 italic %3").arg(font.lfHeight).arg(font.lfEscapement).arg(font.lfItalic);
    const LogFont old = m_font;
    m_font = font;
    return old;
}

COLORREF RecordingCanvas::SetTextColor(COLORREF color)
{
    m_calls << QStringLiteral("TextColor %1").arg(Hex(color));
    const COLORREF old = m_crText;
    m_crText = color;
    return old;
}

BkMode RecordingCanvas::SetBkMode(BkMode mode)
{
    m_calls << (mode == BkMode::Transparent ? QStringLiteral("BkMode transparent") : QStringLiteral("BkMode opaque"));
    const BkMode old = m_bkMode;
    m_bkMode = mode;
    return old;
}

void RecordingCanvas::Ellipse(const PixelRect& box) { m_calls << QStringLiteral("Ellipse ") + Rect(box); }
void RecordingCanvas::Arc(const PixelRect& box) { m_calls << QStringLiteral("Arc ") + Rect(box); }
void RecordingCanvas::Polygon(std::span<const PixelPoint> points) { m_calls << QStringLiteral("Polygon ") + Points(points); }

void RecordingCanvas::PolyPolygon(std::span<const PixelPoint> points, std::span<const int32_t> counts)
{
    QStringList c;
    for (int32_t n : counts) c << QString::number(n);
    m_calls << QStringLiteral("PolyPolygon ") + c.join(' ') + QStringLiteral(" | ") + Points(points);
}

void RecordingCanvas::Polyline(std::span<const PixelPoint> points) { m_calls << QStringLiteral("Polyline ") + Points(points); }

void RecordingCanvas::Line(PixelPoint from, PixelPoint to)
{
    m_calls << QStringLiteral("Line %1 %2 %3 %4").arg(from.x).arg(from.y).arg(to.x).arg(to.y);
}

void RecordingCanvas::InvertRect(const PixelRect& rect) { m_calls << QStringLiteral("Invert ") + Rect(rect); }

void RecordingCanvas::TextOut(PixelPoint origin, const QString& text)
{
    m_calls << QStringLiteral("Text %1 %2 %3").arg(origin.x).arg(origin.y).arg(text);
}

PixelSize RecordingCanvas::FakeSize(const LogFont& font, const QString& text)
{
    const int32_t h = std::abs(font.lfHeight);
    return PixelSize{int32_t(text.size()) * h / 2, h};
}

PixelSize RecordingCanvas::MeasureText(const LogFont& font, const QString& text)
{
    m_calls << QStringLiteral("Measure %1 %2").arg(font.lfHeight).arg(text);
    return FakeSize(font, text);
}

void RecordingCanvas::StretchDib(const DibPixels& src, const PixelRect& block, const PixelRect& dest)
{
    m_calls << QStringLiteral("Dib %1 -> %2").arg(Rect(block), Rect(dest));
    const int64_t count = int64_t(block.right - block.left) * (block.bottom - block.top);
    if (count <= 0 || count > 16) return;
    QStringList px;
    for (int32_t r = block.top; r < block.bottom; ++r) {
        for (int32_t c = block.left; c < block.right; ++c) {
            const uint32_t rgb = src.Rgb(c, r);
            px << (rgb == 0xFFFFFFu ? QStringLiteral("------") : QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0')));
        }
    }
    m_calls.last() += QStringLiteral(" px ") + px.join(' ');
}

QStringList RecordingCanvas::CallsStartingWith(const QString& prefix) const
{
    QStringList out;
    for (const QString& c : m_calls)
        if (c.startsWith(prefix)) out << c;
    return out;
}

}  // namespace korvel::test
