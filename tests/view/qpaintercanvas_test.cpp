// The QPainter canvas, rendered into fixed-size images. Pixels are compared exactly for the
// aliased geometry; text is checked by where its ink lies (fonts differ between machines).
#include "view/qpaintercanvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace korvel {
namespace {

constexpr COLORREF kRed = MakeRgb(255, 0, 0);
constexpr COLORREF kBlue = MakeRgb(0, 0, 255);

QImage WhiteImage(int w = 100, int h = 100)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

bool IsWhite(const QImage& img, int x, int y) { return img.pixel(x, y) == qRgb(255, 255, 255); }

// Bounding box of all non-white pixels.
QRect InkBox(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!IsWhite(img, x, y)) box = box.united(QRect(x, y, 1, 1));
    return box;
}

TEST(QPainterCanvas, ColourOrder)
{
    EXPECT_EQ(QPainterCanvas::ToQColor(0x001E9E1B), QColor(27, 158, 30));
    EXPECT_EQ(QPainterCanvas::ToQColor(kBlue), QColor(0, 0, 255));
}

TEST(QPainterCanvas, EllipseBoxExcludesRightAndBottomEdge)
{
    QImage img = WhiteImage();
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.SelectPen(Pen{PS_SOLID, 0, kRed});
        c.SelectBrush(Brush{BrushKind::Solid, kRed});
        c.Ellipse(PixelRect{10, 20, 19, 29});  // the point symbol: 9 x 9 pixels
    }
    EXPECT_EQ(InkBox(img), QRect(10, 20, 9, 9));
    EXPECT_EQ(img.pixel(14, 24), qRgb(255, 0, 0));
}

TEST(QPainterCanvas, HatchRisesToTheRightAndLeavesTheBackground)
{
    QImage img = WhiteImage();
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.SetBkMode(BkMode::Transparent);
        c.SelectPen(Pen{PS_NULL, 0, kBlue});
        c.SelectBrush(Brush{BrushKind::HatchBDiagonal, kBlue});
        const std::vector<PixelPoint> square{{0, 0}, {64, 0}, {64, 64}, {0, 64}};
        c.Polygon(square);
    }
    int ink = 0;
    int rising = 0;
    int falling = 0;
    for (int y = 8; y < 56; ++y) {
        for (int x = 8; x < 56; ++x) {
            if (IsWhite(img, x, y)) continue;
            ++ink;
            EXPECT_EQ(img.pixel(x, y), qRgb(0, 0, 255));
            if (!IsWhite(img, x + 1, y - 1)) ++rising;
            if (!IsWhite(img, x + 1, y + 1)) ++falling;
        }
    }
    // Hatch lines, not a solid fill: between a tenth and a half of the area is inked.
    EXPECT_GT(ink, 48 * 48 / 10);
    EXPECT_LT(ink, 48 * 48 / 2);
    EXPECT_EQ(rising, ink);
    EXPECT_EQ(falling, 0);
}

TEST(QPainterCanvas, PolyPolygonFillsEvenOdd)
{
    QImage img = WhiteImage();
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.SelectPen(Pen{PS_NULL, 0, 0});
        c.SelectBrush(Brush{BrushKind::Solid, kRed});
        // Outer ring clockwise, inner ring in the same direction: the nonzero rule would fill
        // the hole, even-odd keeps it open.
        const std::vector<PixelPoint> pts{{10, 10}, {90, 10}, {90, 90}, {10, 90},
                                          {30, 30}, {70, 30}, {70, 70}, {30, 70}};
        const std::vector<int32_t> counts{4, 4};
        c.PolyPolygon(pts, counts);
        // Counts that claim more points than given are ignored rather than read past the end.
        const std::vector<int32_t> bad{40};
        c.PolyPolygon(pts, bad);
    }
    EXPECT_EQ(img.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_TRUE(IsWhite(img, 50, 50));
    EXPECT_TRUE(IsWhite(img, 5, 5));
}

TEST(QPainterCanvas, InvertRectFlipsColoursAndTwiceRestores)
{
    QImage img = WhiteImage(20, 20);
    img.setPixel(5, 5, qRgb(255, 0, 0));
    QPainter p(&img);
    QPainterCanvas c(&p, false);
    c.InvertRect(PixelRect{4, 4, 8, 8});
    p.end();
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 255, 255));
    EXPECT_EQ(img.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(7, 7), qRgb(0, 0, 0));
    EXPECT_TRUE(IsWhite(img, 8, 8));  // right and bottom edge excluded
    EXPECT_TRUE(IsWhite(img, 3, 4));
    p.begin(&img);
    QPainterCanvas c2(&p, false);
    c2.InvertRect(PixelRect{4, 4, 8, 8});
    p.end();
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_TRUE(IsWhite(img, 4, 4));
}

TEST(QPainterCanvas, PenWidthIsInDevicePixels)
{
    QImage img = WhiteImage();
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.SelectPen(Pen{PS_SOLID, 5, kBlue});
        c.Line(PixelPoint{10, 50}, PixelPoint{90, 50});
        const Pen old = c.SelectPen(Pen{PS_SOLID, 0, kRed});
        EXPECT_EQ(old, (Pen{PS_SOLID, 5, kBlue}));
        c.Line(PixelPoint{10, 20}, PixelPoint{90, 20});
    }
    int thick = 0;
    int thin = 0;
    for (int y = 0; y < 100; ++y) {
        if (!IsWhite(img, 50, y)) (y > 35 ? thick : thin)++;
    }
    EXPECT_EQ(thin, 1);
    EXPECT_GE(thick, 4);
    EXPECT_LE(thick, 6);
}

TEST(QPainterCanvas, FontRecordHeights)
{
    LogFont lf;
    lf.SetFaceName(QStringLiteral("Liberation Sans"));
    lf.lfHeight = -20;
    EXPECT_EQ(QPainterCanvas::MakeFont(lf, nullptr).pixelSize(), 20);
    // A positive height is the cell height: the font's line height comes out at that value.
    lf.lfHeight = 40;
    const QFont cell = QPainterCanvas::MakeFont(lf, nullptr);
    EXPECT_LT(cell.pixelSize(), 40);
    EXPECT_NEAR(QFontMetricsF(cell).height(), 40.0, 1.5);
    lf.lfWeight = 700;
    lf.lfItalic = 1;
    lf.lfUnderline = 1;
    lf.lfStrikeOut = 1;
    const QFont styled = QPainterCanvas::MakeFont(lf, nullptr);
    EXPECT_EQ(styled.weight(), QFont::Bold);
    EXPECT_TRUE(styled.italic());
    EXPECT_TRUE(styled.underline());
    EXPECT_TRUE(styled.strikeOut());
    EXPECT_EQ(styled.families().value(0), QStringLiteral("Liberation Sans"));
    lf.lfHeight = INT32_MIN;  // no overflow when negating
    EXPECT_GT(QPainterCanvas::MakeFont(lf, nullptr).pixelSize(), 0);
}

TEST(QPainterCanvas, MeasureTextCountsLinesAndIgnoresEscapement)
{
    QImage img = WhiteImage();
    QPainter p(&img);
    QPainterCanvas c(&p, false);
    LogFont lf;
    lf.lfHeight = -16;
    const PixelSize one = c.MeasureText(lf, QStringLiteral("Nr. 17"));
    const PixelSize two = c.MeasureText(lf, QStringLiteral("Nr. 17\nHochpunkt"));
    lf.lfEscapement = 900;
    EXPECT_EQ(c.MeasureText(lf, QStringLiteral("Nr. 17")), one);
    EXPECT_GT(one.cx, 20);
    EXPECT_GE(one.cy, 16);
    EXPECT_EQ(two.cy, 2 * one.cy);
    EXPECT_GT(two.cx, one.cx);
    // The measuring-only canvas gives the same answer for the same device.
    QPainterCanvas measure(&img);
    lf.lfEscapement = 0;
    EXPECT_EQ(measure.MeasureText(lf, QStringLiteral("Nr. 17")), one);
}

TEST(QPainterCanvas, TextTurnsCounterClockwiseAboutItsTopLeftCorner)
{
    struct Row {
        int escapement;
        QPoint origin;
        const char* name;
    };
    const Row rows[] = {{0, QPoint(20, 40), "horizontal"}, {900, QPoint(40, 180), "up"}, {-900, QPoint(60, 20), "down"}};
    for (const Row& row : rows) {
        QImage img = WhiteImage(200, 200);
        {
            QPainter p(&img);
            QPainterCanvas c(&p, false);
            LogFont lf;
            lf.lfHeight = -20;
            lf.lfEscapement = row.escapement;
            c.SelectFont(lf);
            c.SetTextColor(kBlue);
            c.SetBkMode(BkMode::Transparent);
            c.TextOut(PixelPoint{row.origin.x(), row.origin.y()}, QStringLiteral("HHHHHH"));
        }
        const QRect ink = InkBox(img);
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(ink.isEmpty());
        if (row.escapement == 0) {
            EXPECT_GT(ink.width(), 3 * ink.height());
            EXPECT_GE(ink.left(), row.origin.x());
            EXPECT_GE(ink.top(), row.origin.y());
        } else if (row.escapement == 900) {  // runs upwards, the glyphs stand right of... below
            EXPECT_GT(ink.height(), 3 * ink.width());
            EXPECT_LE(ink.bottom(), row.origin.y());
            EXPECT_GE(ink.left(), row.origin.x());
        } else {  // runs downwards, the glyph tops face right
            EXPECT_GT(ink.height(), 3 * ink.width());
            EXPECT_GE(ink.top(), row.origin.y());
            EXPECT_LE(ink.right(), row.origin.x());
        }
    }
}

TEST(QPainterCanvas, OpaqueTextFillsItsBox)
{
    QImage img(100, 60, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        LogFont lf;
        lf.lfHeight = -20;
        c.SelectFont(lf);
        c.SetTextColor(kRed);
        c.SetBkMode(BkMode::Opaque);
        c.TextOut(PixelPoint{10, 10}, QStringLiteral("i"));
    }
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(9, 9), qRgb(0, 0, 0));
}

TEST(QPainterCanvas, TransparentWhiteImage)
{
    QImage src(2, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 255, 255));
    src.setPixel(1, 0, qRgb(255, 0, 0));
    src.setPixel(0, 1, qRgb(254, 255, 255));  // nearly white is drawn
    src.setPixel(1, 1, qRgb(255, 255, 255));
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.DrawTransparentImage(src, PixelRect{0, 0, 20, 20}, PixelRect{0, 0, 15, 40});
    }
    EXPECT_EQ(img.pixel(2, 2), qRgb(0, 0, 255));     // white left out
    EXPECT_EQ(img.pixel(12, 2), qRgb(255, 0, 0));    // stretched 10x
    EXPECT_EQ(img.pixel(2, 12), qRgb(254, 255, 255));
    EXPECT_EQ(img.pixel(12, 12), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(17, 2), qRgb(0, 0, 255));    // outside the clip

    // Raw words: white (any alpha) left out, the rest drawn.
    const uint32_t words[2] = {0xFFFFFFFFu, 0xFF00FF00u};
    img.fill(qRgb(0, 0, 255));
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.DrawTransparentPixels(words, 2, 1, PixelRect{0, 0, 40, 20}, PixelRect{});
    }
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(25, 5), qRgb(0, 255, 0));
}

TEST(QPainterCanvas, PrinterFlagAndMeasureOnlyCanvasDrawsNothing)
{
    QImage img = WhiteImage(10, 10);
    QPainter p(&img);
    EXPECT_TRUE(QPainterCanvas(&p, true).IsPrinter());
    EXPECT_FALSE(QPainterCanvas(&p, false).IsPrinter());
    p.end();
    QPainterCanvas measure(&img);
    measure.SelectBrush(Brush{BrushKind::Solid, kRed});
    measure.Ellipse(PixelRect{0, 0, 10, 10});
    measure.InvertRect(PixelRect{0, 0, 10, 10});
    EXPECT_FALSE(measure.IsPrinter());
    EXPECT_TRUE(InkBox(img).isEmpty());
}

TEST(QPainterCanvas, StretchDibDrawsTheBlockWithWhiteLeftOut)
{
    // A 4 x 2 bitmap, bottom-up as stored: top row red, white, green, blue; bottom row black.
    const uint8_t rows[2][12] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 255, 255, 255, 255, 0, 255, 0, 255, 0, 0},
    };
    DibPixels dib;
    dib.bits = &rows[0][0];
    dib.width = 4;
    dib.height = 2;
    dib.stride = 12;
    dib.bottomUp = true;
    dib.bitCount = 24;

    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(QColor(1, 2, 3));
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        // The top row's middle two pixels only, each 10 pixels wide.
        c.StretchDib(dib, PixelRect{1, 0, 3, 1}, PixelRect{10, 10, 30, 20});
    }
    EXPECT_EQ(img.pixel(15, 15), qRgb(1, 2, 3));   // white: the background stays
    EXPECT_EQ(img.pixel(25, 15), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(29, 19), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(30, 15), qRgb(1, 2, 3));   // nothing beyond the destination
    EXPECT_EQ(img.pixel(25, 20), qRgb(1, 2, 3));

    // Palette pictures: 1 bit (black and white) and 4 bits, top-down.
    const uint32_t bw[2] = {0x000000, 0xFFFFFF};
    const uint8_t one[4] = {0b0100'0000, 0, 0, 0};
    DibPixels mono{one, 2, 1, 4, false, 1, bw};
    const uint32_t pal[16] = {0xFFFFFF, 0x0000FF, 0x00FF00};
    const uint8_t four[4] = {0x12, 0, 0, 0};
    DibPixels nibbles{four, 2, 1, 4, false, 4, pal};
    img.fill(QColor(1, 2, 3));
    {
        QPainter p(&img);
        QPainterCanvas c(&p, false);
        c.StretchDib(mono, PixelRect{0, 0, 2, 1}, PixelRect{0, 0, 2, 1});
        c.StretchDib(nibbles, PixelRect{0, 0, 2, 1}, PixelRect{0, 1, 2, 2});
    }
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(1, 2, 3));
    EXPECT_EQ(img.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 255, 0));

    // A block outside the bitmap is refused rather than read.
    EXPECT_TRUE(QPainterCanvas::DibBlockImage(dib, PixelRect{3, 0, 5, 1}).isNull());
}

TEST(QPainterCanvas, StretchArgbDrawsTheBlockInPlaceInsideTheClip)
{
    // 3 x 2 words: top row red, transparent, green; bottom row blue, blue, blue.
    const uint32_t words[6] = {0xFFFF0000u, 0u, 0xFF00FF00u, 0xFF0000FFu, 0xFF0000FFu, 0xFF0000FFu};
    struct Row {
        ArgbPixels src;
        PixelRect block;
        PixelRect dest;
        PixelRect clip;
        std::vector<std::pair<QPoint, QRgb>> expected;
    };
    const QRgb bg = qRgb(1, 2, 3);
    const Row rows[] = {
        // The top row's last two pixels, ten device pixels each: transparent leaves the background.
        {{words, 3, 2, false}, {1, 0, 3, 1}, {10, 10, 30, 20}, {0, 0, 100, 100},
         {{{15, 15}, bg}, {{25, 15}, qRgb(0, 255, 0)}, {{30, 15}, bg}, {{25, 20}, bg}}},
        // Cut to the clip: nothing left of x 20.
        {{words, 3, 2, false}, {0, 0, 3, 2}, {0, 0, 30, 20}, {20, 0, 100, 100},
         {{{5, 5}, bg}, {{15, 15}, bg}, {{25, 5}, qRgb(0, 255, 0)}, {{25, 15}, qRgb(0, 0, 255)}}},
        // The opaque bottom row, copied one to one.
        {{words + 3, 3, 1, true}, {0, 0, 3, 1}, {40, 40, 43, 41}, {0, 0, 100, 100},
         {{{40, 40}, qRgb(0, 0, 255)}, {{42, 40}, qRgb(0, 0, 255)}, {{43, 40}, bg}}},
        // A block outside the picture is refused rather than read.
        {{words, 3, 2, false}, {2, 0, 4, 1}, {0, 0, 20, 10}, {0, 0, 100, 100}, {{{5, 5}, bg}, {{15, 5}, bg}}},
    };
    for (const Row& r : rows) {
        QImage img(100, 100, QImage::Format_RGB32);
        img.fill(QColor(1, 2, 3));
        {
            QPainter p(&img);
            QPainterCanvas c(&p, false);
            c.StretchArgb(r.src, r.block, r.dest, r.clip);
        }
        for (const auto& [at, colour] : r.expected) {
            EXPECT_EQ(img.pixel(at), colour) << at.x() << "," << at.y() << " of block " << r.block.left << " " << r.block.top;
        }
    }
}

}  // namespace
}  // namespace korvel
