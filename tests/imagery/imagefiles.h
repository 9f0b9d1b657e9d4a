#pragma once
// Writing small test pictures with the image libraries themselves, into a temporary folder:
// every test makes exactly the file it needs, nothing binary is checked in.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace korvel::test {

struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = 1;  // 0 min-is-white, 1 min-is-black, 2 RGB, 3 palette, 5 separated
    uint16_t orientation = 1;
    uint16_t compression = 1;  // 1 none, 8 deflate
    uint16_t sampleFormat = 1;
    uint32_t tileWidth = 0;    // 0: strips
    uint32_t tileLength = 0;
    uint32_t rowsPerStrip = 0;  // 0: the library's choice
    std::vector<uint16_t> palette = {};  // red entries, then green, then blue (3 x 2^bits)
    float xResolution = 0;      // 0: no resolution tags
    uint16_t resolutionUnit = 2;
    std::vector<uint8_t> pixels = {};  // packed rows, top row first, each ceil(width*bits/8) bytes
};
// False when the library refused the file.
bool WriteTiff(const QString& path, const TiffLayout& layout);

// colorType as in PNG (0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA); rows unpadded.
bool WritePng(const QString& path, uint32_t width, uint32_t height, int colorType, int bitDepth,
              const std::vector<uint8_t>& pixels, const std::vector<uint8_t>& paletteRgb = {},
              const std::vector<uint8_t>& trns = {}, bool interlaced = false);

// components 1 (grey) or 3 (RGB); quality 100.
bool WriteJpeg(const QString& path, uint32_t width, uint32_t height, int components, const std::vector<uint8_t>& pixels);

bool WriteText(const QString& path, const QByteArray& text);

}  // namespace korvel::test
