#include "imagefiles.h"

#include <QFile>

#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>

namespace korvel::test {

bool WriteTiff(const QString& path, const TiffLayout& s)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, s.sampleFormat);
    if (s.samplesPerPixel == 4 && s.photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    if (s.samplesPerPixel == 2 || (s.samplesPerPixel == 4 && s.photometric == PHOTOMETRIC_RGB)) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (s.xResolution > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.xResolution);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, s.xResolution);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, s.resolutionUnit);
    }
    if (!s.palette.empty()) {
        const size_t n = s.palette.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, s.palette.data(), s.palette.data() + n, s.palette.data() + 2 * n);
    }
    const size_t rowBytes = (size_t(s.width) * s.bitsPerSample * s.samplesPerPixel + 7) / 8;
    bool ok = true;
    if (s.tileWidth) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tileLength);
        const size_t bpp = size_t(s.bitsPerSample) * s.samplesPerPixel;  // multiple of 8 here
        std::vector<uint8_t> tile(size_t(TIFFTileSize(tif)), 0);
        const size_t tileRow = size_t(s.tileWidth) * bpp / 8;
        for (uint32_t y = 0; y < s.height; y += s.tileLength) {
            for (uint32_t x = 0; x < s.width; x += s.tileWidth) {
                std::fill(tile.begin(), tile.end(), 0);
                for (uint32_t r = 0; r < s.tileLength && y + r < s.height; ++r) {
                    for (uint32_t c = 0; c < s.tileWidth && x + c < s.width; ++c) {
                        for (size_t b = 0; b < bpp / 8; ++b) {
                            tile[r * tileRow + c * bpp / 8 + b] = s.pixels[(y + r) * rowBytes + (x + c) * bpp / 8 + b];
                        }
                    }
                }
                ok = ok && TIFFWriteTile(tif, tile.data(), x, y, 0, 0) >= 0;
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip ? s.rowsPerStrip : TIFFDefaultStripSize(tif, 0));
        std::vector<uint8_t> row(rowBytes);
        for (uint32_t y = 0; y < s.height && ok; ++y) {
            std::copy_n(s.pixels.begin() + ptrdiff_t(y * rowBytes), rowBytes, row.begin());
            ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
        }
    }
    TIFFClose(tif);
    return ok;
}

bool WritePng(const QString& path, uint32_t width, uint32_t height, int colorType, int bitDepth,
              const std::vector<uint8_t>& pixels, const std::vector<uint8_t>& paletteRgb,
              const std::vector<uint8_t>& trns, bool interlaced)
{
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, bitDepth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (size_t i = 0; i + 2 < paletteRgb.size(); i += 3) pal.push_back(png_color{paletteRgb[i], paletteRgb[i + 1], paletteRgb[i + 2]});
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), int(pal.size()));
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
    png_write_info(png, info);
    const int channels = colorType == 2 ? 3 : colorType == 6 ? 4 : colorType == 4 ? 2 : 1;
    const size_t rowBytes = (size_t(width) * channels * bitDepth + 7) / 8;
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y) rows[y] = const_cast<uint8_t*>(pixels.data()) + y * rowBytes;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool WriteJpeg(const QString& path, uint32_t width, uint32_t height, int components, const std::vector<uint8_t>& pixels)
{
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f) return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels.data()) + size_t(cinfo.next_scanline) * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(f) == 0;
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

}  // namespace korvel::test
