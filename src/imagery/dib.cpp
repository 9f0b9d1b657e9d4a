#include "imagery/dib.h"

#include <QtEndian>

#include <cstring>
#include <new>

namespace korvel {

uint32_t DibStride(int64_t width, int bitCount)
{
    if (width <= 0 || bitCount <= 0) return 0;
    const uint64_t bits = uint64_t(width) * uint64_t(bitCount);
    const uint64_t stride = ((bits + 31) / 32) * 4;
    return stride > 0x7FFFFFFFu ? 0 : uint32_t(stride);
}

uint32_t DibFormat::Stride() const { return DibStride(width, bitCount); }

uint64_t DibFormat::ImageSize() const
{
    if (height <= 0) return 0;
    const uint64_t size = uint64_t(Stride()) * uint64_t(height);
    return size > 0xFFFFFFFFu ? 0 : size;
}

void EncodeDibHeader(const DibFormat& f, uint8_t out[kDibHeaderSize])
{
    qToLittleEndian<uint32_t>(kDibHeaderSize, out);
    qToLittleEndian<int32_t>(f.width, out + 4);
    qToLittleEndian<int32_t>(f.topDown ? -f.height : f.height, out + 8);
    qToLittleEndian<uint16_t>(1, out + 12);
    qToLittleEndian<uint16_t>(f.bitCount, out + 14);
    qToLittleEndian<uint32_t>(0, out + 16);
    qToLittleEndian<uint32_t>(uint32_t(f.ImageSize()), out + 20);
    qToLittleEndian<int32_t>(f.xPelsPerMeter, out + 24);
    qToLittleEndian<int32_t>(f.yPelsPerMeter, out + 28);
    qToLittleEndian<uint32_t>(uint32_t(f.colors.size()), out + 32);
    qToLittleEndian<uint32_t>(0, out + 36);
}

bool ParseDib(std::span<const uint8_t> data, DibPixels* pixels, std::vector<uint32_t>* colors)
{
    if (data.size() < kDibHeaderSize) return false;
    const uint8_t* h = data.data();
    const uint32_t headerSize = qFromLittleEndian<uint32_t>(h);
    const int32_t width = qFromLittleEndian<int32_t>(h + 4);
    const int32_t height = qFromLittleEndian<int32_t>(h + 8);
    const uint16_t bitCount = qFromLittleEndian<uint16_t>(h + 14);
    const uint32_t compression = qFromLittleEndian<uint32_t>(h + 16);
    const uint32_t imageSize = qFromLittleEndian<uint32_t>(h + 20);
    uint32_t used = qFromLittleEndian<uint32_t>(h + 32);
    if (headerSize < kDibHeaderSize || compression != 0 || width <= 0 || height == 0 || height == INT32_MIN) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return false;
    if (used == 0 && bitCount <= 8) used = 1u << bitCount;
    if (used > 256) return false;
    const uint32_t stride = DibStride(width, bitCount);
    const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
    if (stride == 0 || uint64_t(stride) * rows != imageSize) return false;
    const uint64_t tableEnd = uint64_t(headerSize) + uint64_t(used) * 4;
    if (tableEnd + imageSize > data.size()) return false;
    colors->assign(used, 0);
    for (uint32_t i = 0; i < used; ++i) {
        const uint8_t* q = h + headerSize + size_t(i) * 4;
        (*colors)[i] = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    }
    pixels->bits = h + tableEnd;
    pixels->width = width;
    pixels->height = int32_t(rows);
    pixels->stride = int32_t(stride);
    pixels->bottomUp = height > 0;
    pixels->bitCount = bitCount;
    pixels->colors = *colors;
    return true;
}

uint8_t* CMemoryDibSink::Begin(const DibFormat& format)
{
    const uint64_t size = format.ImageSize();
    if (size == 0 || size > m_nMaxBytes || format.colors.size() > 256) return nullptr;
    m_format = format;
    try {
        m_bits.assign(size_t(size), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return m_bits.data();
}

DibPixels CMemoryDibSink::Pixels() const
{
    DibPixels p;
    if (m_bits.empty()) return p;
    p.bits = m_bits.data();
    p.width = m_format.width;
    p.height = m_format.height;
    p.stride = int32_t(m_format.Stride());
    p.bottomUp = !m_format.topDown;
    p.bitCount = m_format.bitCount;
    p.colors = m_format.colors;
    return p;
}

uint32_t DibRgb(const DibPixels& pixels, int32_t col, int32_t row) { return pixels.Rgb(col, row); }

}  // namespace korvel
