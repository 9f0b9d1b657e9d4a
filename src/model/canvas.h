#pragma once
// The drawing surface map objects paint on. An abstract interface so the model stays free of
// QtGui: the view implements it with QPainter, the tests with a recording canvas. Operations
// and their pixel conventions follow the classic graphics interface the objects were designed
// for (e.g. an ellipse box's right and bottom edges lie just outside the figure).

#include "model/pixel.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvel {

// 0x00BBGGRR: red in the low byte.
using COLORREF = uint32_t;

inline constexpr COLORREF MakeRgb(uint8_t r, uint8_t g, uint8_t b)
{
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}

// Pen styles with the graphics interface's numbers (also stored in documents as m_nPenStyle).
enum PenStyle : int32_t {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
};

struct Pen {
    int32_t style = PS_SOLID;
    int32_t width = 0;  // device pixels; 0 = one pixel whatever the device
    COLORREF color = 0;

    friend bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushKind : uint8_t {
    Null,            // no filling
    Solid,
    HatchBDiagonal,  // hatch lines rising to the right, the background stays visible between them
};

struct Brush {
    BrushKind kind = BrushKind::Null;
    COLORREF color = 0;

    friend bool operator==(const Brush&, const Brush&) = default;
};

enum class BkMode : uint8_t { Transparent, Opaque };

// A font description modelled on the graphics interface's font record. Heights follow its
// convention: negative = character height, positive = cell height, in device pixels.
// Escapement and orientation are in tenths of a degree, counter-clockwise.
struct LogFont {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    static constexpr int kFaceSize = 32;  // 31 characters and a terminating zero
    char16_t lfFaceName[kFaceSize] = {};

    QString FaceName() const;
    // Stores up to 31 UTF-16 units of `face` (a longer name is cut); answers whether the whole
    // name fitted.
    bool SetFaceName(const QString& face);

    // Every member up to and including lfPitchAndFamily, and the face name up to its
    // terminator (exact, case-sensitive).
    friend bool operator==(const LogFont& a, const LogFont& b);
};

struct PixelSize {
    int32_t cx = 0;
    int32_t cy = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// A device-independent bitmap as it lies in memory (a mapped bitmap copy, for instance):
// 1, 4 or 8 bits per pixel through a colour table, or 24 bits stored blue, green, red. Rows
// are `stride` bytes apart; a bottom-up bitmap stores its last image row first.
struct DibPixels {
    const uint8_t* bits = nullptr;       // the first stored row
    int32_t width = 0;                   // pixels
    int32_t height = 0;                  // rows (positive)
    int32_t stride = 0;                  // bytes from one stored row to the next
    bool bottomUp = false;
    uint16_t bitCount = 24;              // 1, 4, 8 or 24
    std::span<const uint32_t> colors;    // colour table, each entry 0x00RRGGBB

    // The stored row of image row `row` (counted from the top).
    const uint8_t* Row(int32_t row) const
    {
        return bits + ptrdiff_t(bottomUp ? height - 1 - row : row) * stride;
    }
    // The colour of one pixel as 0x00RRGGBB (an index beyond the colour table gives black).
    uint32_t Rgb(int32_t col, int32_t row) const;
};

// A picture held in memory ready for drawing: premultiplied 0xAARRGGBB words, top row first,
// rows `width` words apart (the layout of a premultiplied ARGB QImage). Transparent pixels are
// 0. `opaque` says that every pixel has alpha 255, so the picture can be copied, not blended.
struct ArgbPixels {
    const uint32_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool opaque = false;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Pen, brush and font selection answer what was selected before, so callers can restore it.
    virtual Pen SelectPen(const Pen& pen) = 0;
    virtual Brush SelectBrush(const Brush& brush) = 0;
    virtual LogFont SelectFont(const LogFont& font) = 0;
    virtual COLORREF SetTextColor(COLORREF color) = 0;
    virtual BkMode SetBkMode(BkMode mode) = 0;

    // Filled with the brush, outlined with the pen; the box is the ellipse's bounding box.
    virtual void Ellipse(const PixelRect& box) = 0;
    // The outline of the full ellipse inside `box` with the pen, not filled.
    virtual void Arc(const PixelRect& box) = 0;
    virtual void Polygon(std::span<const PixelPoint> points) = 0;
    // Several closed rings filled together with the even-odd rule; counts[i] points each.
    virtual void PolyPolygon(std::span<const PixelPoint> points, std::span<const int32_t> counts) = 0;
    virtual void Polyline(std::span<const PixelPoint> points) = 0;
    virtual void Line(PixelPoint from, PixelPoint to) = 0;
    // Inverts the colours of the pixels in the rectangle (right and bottom edge excluded).
    virtual void InvertRect(const PixelRect& rect) = 0;
    // Paints the rectangle (right and bottom edge excluded) in a solid colour over whatever is
    // there, leaving pen and brush as they are. This default draws a polygon; canvases with a
    // faster way to fill override it.
    virtual void FillSolidRect(const PixelRect& rect, COLORREF color);

    // Draws `text` with the selected font and text colour, its (unrotated) top-left corner at
    // `origin`; a font with an escapement turns the text about that point. No clipping, no
    // prefix (mnemonic) processing.
    virtual void TextOut(PixelPoint origin, const QString& text) = 0;
    // The size in device pixels of the box `text` occupies in `font` (escapement ignored).
    virtual PixelSize MeasureText(const LogFont& font, const QString& text) = 0;

    // Copies the image pixels of `block` (columns left..right, rows top..bottom counted from
    // the image's top, right and bottom excluded) of `src`, stretched onto the device
    // rectangle `dest`. Pure white (255, 255, 255) is transparent: the map below stays
    // visible there. Only the pixels of the block are converted, so a small block of a huge
    // bitmap costs little.
    virtual void StretchDib(const DibPixels& src, const PixelRect& block, const PixelRect& dest) = 0;
    // Copies the pixels of `block` of `src` stretched onto `dest`, over what is there: its
    // transparent pixels leave the map visible. Only the part inside `clip` is touched. Meant
    // for pictures kept in memory and drawn again and again (background tiles), which pay no
    // conversion per drawing. This default hands the picture to StretchDib as 24 bits with
    // transparent pixels as white (pictures drawn this way have only alpha 0 and 255), for
    // canvases that know only bitmaps; it ignores the clip.
    virtual void StretchArgb(const ArgbPixels& src, const PixelRect& block, const PixelRect& dest, const PixelRect& clip);

    virtual bool IsPrinter() const = 0;
};

}  // namespace korvel
