// TIFF decoding with libtiff, from a file held in memory. The library's error and warning
// reports go to handlers of this decoder only (never to standard error), and every allocation
// libtiff makes for one strip or tile is capped.
#include "imagery/imagedecode.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace korvel {
namespace {

// The largest single buffer libtiff, or this decoder for a scanline or tile, may allocate.
constexpr tmsize_t kMaxBuffer = tmsize_t(256) << 20;

struct TiffInput {
    const uint8_t* data;
    toff_t size;
    toff_t pos;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n)
{
    auto* in = static_cast<TiffInput*>(h);
    if (n <= 0 || in->pos >= in->size) return 0;
    const toff_t count = std::min<toff_t>(toff_t(n), in->size - in->pos);
    std::memcpy(buf, in->data + in->pos, size_t(count));
    in->pos += count;
    return tmsize_t(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t h, toff_t off, int whence)
{
    auto* in = static_cast<TiffInput*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = in->pos;
    else if (whence == SEEK_END) base = in->size;
    // Offsets are unsigned: a "negative" relative seek wraps, which is what the library means.
    in->pos = base + off;
    return in->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<TiffInput*>(h)->size; }

int MapProc(thandle_t h, void** base, toff_t* size)
{
    auto* in = static_cast<TiffInput*>(h);
    *base = const_cast<uint8_t*>(in->data);
    *size = in->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// How the samples of one pixel become a bitmap pixel.
enum class Kind {
    Packed,    // 1, 4 or 8 bits per pixel through the colour table: copied unchanged
    Grey16,    // one 16-bit sample
    Grey32,    // one 32-bit sample (integer or floating point)
    GreyA8,    // grey and alpha, 8 bits each
    GreyA16,   // grey and alpha, 16 bits each
    Rgb,       // three 8-bit samples
    Rgba,      // four 8-bit samples with alpha
    Cmyk,      // four 8-bit inks
};

// Converting and placing decoded pixels in the bottom-up bitmap.
struct Placer {
    uint8_t* bits = nullptr;
    size_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    int bitCount = 24;
    int srcBits = 8;     // bits per source pixel (packed kinds)
    Kind kind = Kind::Rgb;
    bool invertGrey = false;  // min-is-white above 8 bits
    bool floatGrey = false;
    bool mirrorX = false;     // orientations 2 and 3
    bool mirrorY = false;     // orientations 3 and 4

    uint8_t* RowOf(int32_t imageRow) const
    {
        const int32_t shown = mirrorY ? height - 1 - imageRow : imageRow;
        return bits + size_t(height - 1 - shown) * stride;
    }

    static void SetPacked(uint8_t* row, int32_t x, int bpp, uint32_t v)
    {
        if (bpp == 8) {
            row[x] = uint8_t(v);
        } else if (bpp == 4) {
            uint8_t& b = row[x >> 1];
            b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | (v << 4));
        } else {
            uint8_t& b = row[x >> 3];
            const int shift = 7 - (x & 7);
            b = uint8_t((b & ~(1 << shift)) | ((v & 1) << shift));
        }
    }

    static uint32_t GetPacked(const uint8_t* src, int32_t i, int bpp)
    {
        if (bpp == 8) return src[i];
        if (bpp == 4) return (src[i >> 1] >> ((i & 1) ? 0 : 4)) & 0x0F;
        return (src[i >> 3] >> (7 - (i & 7))) & 1;
    }

    uint8_t Grey(uint8_t g) const { return invertGrey ? uint8_t(255 - g) : g; }

    // `n` source pixels of image row `row`, starting at image column `x0`.
    void Put(const uint8_t* src, int32_t row, int32_t x0, int32_t n) const
    {
        uint8_t* out = RowOf(row);
        if (kind == Kind::Packed) {
            if (!mirrorX && (int64_t(x0) * bitCount) % 8 == 0) {
                std::memcpy(out + size_t(x0) * size_t(bitCount) / 8, src, (size_t(n) * size_t(bitCount) + 7) / 8);
                return;
            }
            for (int32_t i = 0; i < n; ++i) {
                const int32_t x = mirrorX ? width - 1 - (x0 + i) : x0 + i;
                SetPacked(out, x, bitCount, GetPacked(src, i, bitCount));
            }
            return;
        }
        for (int32_t i = 0; i < n; ++i) {
            const int32_t x = mirrorX ? width - 1 - (x0 + i) : x0 + i;
            uint8_t* p = out + size_t(x) * 3;
            uint8_t r = 0;
            uint8_t g = 0;
            uint8_t b = 0;
            switch (kind) {
            case Kind::Rgb: {
                const uint8_t* s = src + size_t(i) * 3;
                r = s[0];
                g = s[1];
                b = s[2];
                break;
            }
            case Kind::Rgba: {
                const uint8_t* s = src + size_t(i) * 4;
                r = OverWhite(s[0], s[3]);
                g = OverWhite(s[1], s[3]);
                b = OverWhite(s[2], s[3]);
                break;
            }
            case Kind::Cmyk: {
                // Ink and black together beyond 255 give no light at all.
                const uint8_t* s = src + size_t(i) * 4;
                r = uint8_t(std::max(0, 255 - s[0] - s[3]));
                g = uint8_t(std::max(0, 255 - s[1] - s[3]));
                b = uint8_t(std::max(0, 255 - s[2] - s[3]));
                break;
            }
            case Kind::Grey16: {
                uint16_t v;
                std::memcpy(&v, src + size_t(i) * 2, 2);
                r = g = b = Grey(uint8_t(v >> 8));
                break;
            }
            case Kind::Grey32: {
                uint8_t v = 0;
                if (floatGrey) {
                    float f;
                    std::memcpy(&f, src + size_t(i) * 4, 4);
                    v = f >= 1.0f ? 255 : (f > 0.0f ? uint8_t(f * 255.0f + 0.5f) : 0);  // NaN gives 0
                } else {
                    uint32_t u;
                    std::memcpy(&u, src + size_t(i) * 4, 4);
                    v = uint8_t(u >> 24);
                }
                r = g = b = Grey(v);
                break;
            }
            case Kind::GreyA8: {
                const uint8_t* s = src + size_t(i) * 2;
                r = g = b = OverWhite(Grey(s[0]), s[1]);
                break;
            }
            case Kind::GreyA16: {
                uint16_t s[2];
                std::memcpy(s, src + size_t(i) * 4, 4);
                r = g = b = OverWhite(Grey(uint8_t(s[0] >> 8)), uint8_t(s[1] >> 8));
                break;
            }
            case Kind::Packed: break;
            }
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
};

bool ChooseKind(uint16_t bps, uint16_t spp, uint16_t photometric, Kind* kind)
{
    const uint32_t total = uint32_t(bps) * spp;
    if (total <= 8) {
        *kind = Kind::Packed;
        return true;
    }
    if (bps == 16 && spp == 1) *kind = Kind::Grey16;
    else if (bps == 32 && spp == 1) *kind = Kind::Grey32;
    else if (bps == 8 && spp == 2) *kind = Kind::GreyA8;
    else if (bps == 16 && spp == 2) *kind = Kind::GreyA16;
    else if (bps == 8 && spp == 3) *kind = Kind::Rgb;
    else if (bps == 8 && spp == 4) *kind = photometric == PHOTOMETRIC_SEPARATED ? Kind::Cmyk : Kind::Rgba;
    else return false;
    return true;
}

std::vector<uint32_t> ColorTable(TIFF* tif, int bitCount, uint16_t bps, uint16_t photometric)
{
    const uint32_t entries = 1u << bitCount;
    std::vector<uint32_t> colors(entries, 0);
    if (photometric == PHOTOMETRIC_PALETTE && bps <= 8) {
        uint16_t* red = nullptr;
        uint16_t* green = nullptr;
        uint16_t* blue = nullptr;
        if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
            // The map has 2^BitsPerSample entries of 16 bits; old writers put 8-bit values in.
            const uint32_t n = std::min<uint32_t>(entries, 1u << bps);
            bool wide = false;
            for (uint32_t i = 0; i < n; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
            for (uint32_t i = 0; i < n; ++i) {
                auto scale = [wide](uint16_t v) { return wide ? uint32_t(v) * 255 / 65535 : uint32_t(v); };
                colors[i] = scale(red[i]) << 16 | scale(green[i]) << 8 | scale(blue[i]);
            }
            return colors;
        }
    }
    const uint32_t step = bitCount == 1 ? 255 : (bitCount == 4 ? 17 : 1);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t v = photometric == PHOTOMETRIC_MINISWHITE ? 255 - i * step : i * step;
        colors[i] = v << 16 | v << 8 | v;
    }
    return colors;
}

int32_t PelsPerMeter(float resolution, uint16_t unit)
{
    const double v = double(resolution) * (unit == RESUNIT_INCH ? 40.0 : 1.0);
    if (!(v > 0) || v > 2.0e9) return 0;
    return int32_t(v);
}

bool Decode(TIFF* tif, DibSink& sink)
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bps = 1;
    uint16_t spp = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t resUnit = RESUNIT_INCH;
    float xres = 0;
    float yres = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height)) return false;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &resUnit);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);

    const uint32_t total = uint32_t(bps) * spp;
    if (total != 1 && total != 4 && total != 8 && total != 16 && total != 24 && total != 32) return false;
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return false;
    if (spp > 1 && planar != PLANARCONFIG_CONTIG) return false;
    if (photometric == PHOTOMETRIC_YCBCR) {
        // Only JPEG-compressed YCbCr can be had as RGB from the library.
        if (compression != COMPRESSION_JPEG) return false;
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        photometric = PHOTOMETRIC_RGB;
    }
    Placer place;
    if (!ChooseKind(bps, spp, photometric, &place.kind)) return false;

    DibFormat format;
    format.width = int32_t(width);
    format.height = int32_t(height);
    format.topDown = false;
    format.bitCount = total <= 1 ? 1 : (total <= 4 ? 4 : (total <= 8 ? 8 : 24));
    format.xPelsPerMeter = PelsPerMeter(xres, resUnit);
    format.yPelsPerMeter = PelsPerMeter(yres, resUnit);
    if (format.bitCount <= 8) format.colors = ColorTable(tif, format.bitCount, bps, photometric);
    if (format.ImageSize() == 0) return false;

    place.width = format.width;
    place.height = format.height;
    place.bitCount = format.bitCount;
    place.invertGrey = photometric == PHOTOMETRIC_MINISWHITE;
    place.floatGrey = sampleFormat == SAMPLEFORMAT_IEEEFP;
    // Orientations beyond the four plain ones are shown as top-left.
    place.mirrorX = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
    place.mirrorY = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT;

    if (TIFFIsTiled(tif)) {
        uint32_t tw = 0;
        uint32_t th = 0;
        if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) || tw == 0 || th == 0) {
            return false;
        }
        const uint64_t across = (uint64_t(width) + tw - 1) / tw;
        const uint64_t down = (uint64_t(height) + th - 1) / th;
        if (TIFFNumberOfTiles(tif) != across * down) return false;
        const tmsize_t tileSize = TIFFTileSize(tif);
        const tmsize_t tileRow = TIFFTileRowSize(tif);
        if (tileSize <= 0 || tileSize > kMaxBuffer || tileRow <= 0 || uint64_t(tileRow) * th > uint64_t(tileSize)) return false;
        if (uint64_t(tw) * total > uint64_t(tileRow) * 8) return false;
        // Every pixel lies in exactly one tile and a tile that cannot be read fails the whole
        // picture, so the bitmap needs no white filling first.
        place.bits = sink.Begin(format);
        if (!place.bits) return false;
        place.stride = format.Stride();
        std::vector<uint8_t> tile;
        try {
            tile.resize(size_t(tileSize));
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (uint32_t y = 0; y < height; y += th) {
            for (uint32_t x = 0; x < width; x += tw) {
                if (TIFFReadTile(tif, tile.data(), x, y, 0, 0) < 0) return false;
                const int32_t n = int32_t(std::min<uint32_t>(tw, width - x));
                const uint32_t rows = std::min<uint32_t>(th, height - y);
                for (uint32_t r = 0; r < rows; ++r) place.Put(tile.data() + size_t(r) * size_t(tileRow), int32_t(y + r), int32_t(x), n);
            }
            if (!sink.Progress(y, height)) return false;
        }
        return true;
    }

    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || lineSize > kMaxBuffer || uint64_t(width) * total > uint64_t(lineSize) * 8) return false;
    place.bits = sink.Begin(format);
    if (!place.bits) return false;
    place.stride = format.Stride();
    std::vector<uint8_t> line;
    try {
        line.resize(size_t(lineSize));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, line.data(), y, 0) < 0) return false;
        place.Put(line.data(), int32_t(y), 0, int32_t(width));
        if ((y & 255) == 0 && !sink.Progress(y, height)) return false;
    }
    return true;
}

}  // namespace

bool DecodeTiff(std::span<const uint8_t> data, DibSink& sink)
{
    if (data.size() < 8) return false;
    TiffInput input{data.data(), toff_t(data.size()), 0};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxBuffer);
    TIFFOpenOptionsSetErrorHandlerExtR(options, &Silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &Silent, nullptr);
    TIFF* tif = TIFFClientOpenExt("image", "r", &input, &ReadProc, &WriteProc, &SeekProc, &CloseProc, &SizeProc,
                                  &MapProc, &UnmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tif) return false;
    const bool ok = Decode(tif, sink);
    TIFFClose(tif);
    return ok;
}

}  // namespace korvel
