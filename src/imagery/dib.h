#pragma once
// Device-independent bitmaps as the image decoders produce them: a 40-byte information header,
// a colour table and padded pixel rows (1, 4 and 8 bits through the table, 24 bits as blue,
// green, red). Decoders write into a DibSink, which decides where the pixels live (a mapped
// file for the images of a document, memory for tests and fuzzing) and whether a bitmap of
// the announced size may be made at all.

#include "model/canvas.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel {

inline constexpr size_t kDibHeaderSize = 40;

// What a decoder announces before it writes pixels.
struct DibFormat {
    int32_t width = 0;            // pixels
    int32_t height = 0;           // rows (positive)
    bool topDown = false;         // first image row stored first (stored as a negative height)
    uint16_t bitCount = 24;       // 1, 4, 8 or 24
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    std::vector<uint32_t> colors;  // colour table, 0x00RRGGBB (stored as blue, green, red, 0)

    // Bytes per stored row, padded to a multiple of 4; 0 when the width is not positive or
    // the row would not fit 32 bits.
    uint32_t Stride() const;
    // height x Stride(), or 0 when the bitmap is empty or larger than the header's 32-bit
    // image size field can say.
    uint64_t ImageSize() const;
};

// Bytes per stored row for `width` pixels of `bitCount` bits, padded to 4; 0 when it does not fit.
uint32_t DibStride(int64_t width, int bitCount);

// The 40-byte header of `format` (size 40, width, height negative when top-down, planes 1,
// bit count, compression 0, image size, resolutions, colours used, colours important 0).
void EncodeDibHeader(const DibFormat& format, uint8_t out[kDibHeaderSize]);

// Parses a bitmap copy held in `data`: header, colour table and pixels must all be present
// and consistent. Fills `pixels` (pointing into `data`) and `colors`; false otherwise.
bool ParseDib(std::span<const uint8_t> data, DibPixels* pixels, std::vector<uint32_t>* colors);

// Where a decoder puts its bitmap.
class DibSink {
public:
    virtual ~DibSink() = default;
    // Room for the pixels of `format`: ImageSize() bytes, zeroed. Null when a bitmap of that
    // size is refused (too large, no room in the folder) or cannot be made.
    virtual uint8_t* Begin(const DibFormat& format) = 0;
    // Rows done out of `total`, now and then while decoding; false asks the decoder to stop
    // (the decode then fails).
    virtual bool Progress(int64_t done, int64_t total)
    {
        (void)done;
        (void)total;
        return true;
    }
};

// A sink in memory, refusing bitmaps above a limit.
class CMemoryDibSink : public DibSink {
public:
    explicit CMemoryDibSink(uint64_t maxBytes = uint64_t(256) << 20) : m_nMaxBytes(maxBytes) {}
    uint8_t* Begin(const DibFormat& format) override;

    const DibFormat& Format() const { return m_format; }
    const std::vector<uint8_t>& Bits() const { return m_bits; }
    // The bitmap for drawing or inspection (empty before Begin succeeded).
    DibPixels Pixels() const;

private:
    uint64_t m_nMaxBytes;
    DibFormat m_format;
    std::vector<uint8_t> m_bits;
};

// The colour of one image pixel (row counted from the top) as 0x00RRGGBB.
uint32_t DibRgb(const DibPixels& pixels, int32_t col, int32_t row);

}  // namespace korvel
