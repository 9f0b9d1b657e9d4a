// The three decoders on pictures the tests write with the same libraries: the bitmap each
// produces (bit depth, orientation, colours) and their refusal of hostile headers.
#include "imagefiles.h"

#include "imagery/dib.h"
#include "imagery/imagedecode.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <png.h>

#include <tiffio.h>
#include <zlib.h>

#include <cstring>

namespace korvel {
namespace {

using test::TiffLayout;

std::vector<uint8_t> ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<uint8_t>(b.begin(), b.end());
}

class DecoderTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

// Pixels are given as 0xRRGGBB at (column, row from the top).
struct Probe {
    int32_t col;
    int32_t row;
    uint32_t rgb;
};

struct TiffCase {
    const char* name;
    TiffLayout layout;
    uint16_t bitCount;
    std::vector<Probe> probes;
};

// A 4 x 2 picture whose top row is bright on the left: every orientation and depth shows
// where its pixels went.
std::vector<TiffCase> TiffCases()
{
    std::vector<TiffCase> cases;
    {
        TiffLayout s{.width = 4, .height = 2, .bitsPerSample = 1, .photometric = PHOTOMETRIC_MINISBLACK,
                   .pixels = {0b1000'0000, 0b0001'0000}};
        cases.push_back({"1-bit min-is-black", s, 1, {{0, 0, 0xFFFFFF}, {1, 0, 0}, {3, 1, 0xFFFFFF}, {0, 1, 0}}});
        s.photometric = PHOTOMETRIC_MINISWHITE;
        cases.push_back({"1-bit min-is-white", s, 1, {{0, 0, 0}, {1, 0, 0xFFFFFF}, {3, 1, 0}}});
    }
    {
        std::vector<uint16_t> pal(3 * 16, 0);
        pal[1] = 0xFFFF;           // entry 1 red
        pal[16 + 2] = 0xFFFF;      // entry 2 green
        pal[32 + 3] = 0x8080;      // entry 3 half blue
        TiffLayout s{.width = 4, .height = 2, .bitsPerSample = 4, .photometric = PHOTOMETRIC_PALETTE,
                   .palette = pal, .pixels = {0x12, 0x30, 0x00, 0x01}};
        cases.push_back({"4-bit palette", s, 4, {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 0, 0x000080}, {3, 1, 0xFF0000}}});
    }
    {
        TiffLayout s{.width = 4, .height = 2, .bitsPerSample = 8, .photometric = PHOTOMETRIC_MINISBLACK,
                   .pixels = {10, 20, 30, 40, 50, 60, 70, 80}};
        cases.push_back({"8-bit grey", s, 8, {{0, 0, 0x0A0A0A}, {3, 1, 0x505050}}});
        s.orientation = ORIENTATION_BOTLEFT;
        cases.push_back({"orientation 4 mirrors top and bottom", s, 8, {{0, 0, 0x323232}, {3, 1, 0x282828}}});
        s.orientation = ORIENTATION_TOPRIGHT;
        cases.push_back({"orientation 2 mirrors left and right", s, 8, {{0, 0, 0x282828}, {3, 1, 0x323232}}});
        s.orientation = ORIENTATION_BOTRIGHT;
        cases.push_back({"orientation 3 turns by 180 degrees", s, 8, {{0, 0, 0x505050}, {3, 1, 0x0A0A0A}}});
        s.orientation = 7;
        cases.push_back({"other orientations show as top-left", s, 8, {{0, 0, 0x0A0A0A}}});
    }
    {
        TiffLayout s{.width = 2, .height = 1, .bitsPerSample = 16, .photometric = PHOTOMETRIC_MINISBLACK};
        const uint16_t v[2] = {0x1234, 0xFF00};
        s.pixels.resize(4);
        std::memcpy(s.pixels.data(), v, 4);
        cases.push_back({"16-bit grey keeps the high byte", s, 24, {{0, 0, 0x121212}, {1, 0, 0xFFFFFF}}});
    }
    {
        TiffLayout s{.width = 2, .height = 1, .bitsPerSample = 8, .samplesPerPixel = 4, .photometric = PHOTOMETRIC_SEPARATED,
                   .pixels = {0, 255, 255, 0, 100, 0, 0, 200}};
        cases.push_back({"CMYK with ink beyond white clamps at 0", s, 24, {{0, 0, 0xFF0000}, {1, 0, 0x003737}}});
    }
    {
        TiffLayout s{.width = 3, .height = 2, .bitsPerSample = 8, .samplesPerPixel = 3, .photometric = PHOTOMETRIC_RGB,
                   .compression = COMPRESSION_ADOBE_DEFLATE,
                   .pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
        cases.push_back({"RGB deflate", s, 24, {{0, 0, 0xFF0000}, {2, 0, 0x0000FF}, {2, 1, 0x070809}}});
    }
    {
        // 40 x 20 in 16 x 16 tiles: three across, two down, the last ones partly outside.
        TiffLayout s{.width = 40, .height = 20, .bitsPerSample = 8, .samplesPerPixel = 3, .photometric = PHOTOMETRIC_RGB,
                   .tileWidth = 16, .tileLength = 16};
        for (uint32_t y = 0; y < 20; ++y)
            for (uint32_t x = 0; x < 40; ++x) s.pixels.insert(s.pixels.end(), {uint8_t(x), uint8_t(y), 7});
        cases.push_back({"RGB in tiles", s, 24, {{0, 0, 0x000007}, {39, 19, 0x271307}, {17, 16, 0x111007}}});
    }
    return cases;
}

TEST_F(DecoderTest, TiffLayoutsGiveTheirPixels)
{
    for (const TiffCase& c : TiffCases()) {
        SCOPED_TRACE(c.name);
        const QString path = Path("case.tif");
        ASSERT_TRUE(test::WriteTiff(path, c.layout));
        CMemoryDibSink sink;
        ASSERT_TRUE(DecodeTiff(ReadAll(path), sink));
        EXPECT_EQ(sink.Format().bitCount, c.bitCount);
        EXPECT_FALSE(sink.Format().topDown);
        const DibPixels px = sink.Pixels();
        ASSERT_EQ(px.width, int32_t(c.layout.width));
        ASSERT_EQ(px.height, int32_t(c.layout.height));
        for (const Probe& p : c.probes) {
            EXPECT_EQ(px.Rgb(p.col, p.row), p.rgb) << "at " << p.col << "," << p.row;
        }
    }
}

TEST_F(DecoderTest, TiffResolutionAndRefusedLayouts)
{
    TiffLayout s{.width = 2, .height = 1, .bitsPerSample = 8, .photometric = PHOTOMETRIC_MINISBLACK, .xResolution = 300,
               .pixels = {1, 2}};
    ASSERT_TRUE(test::WriteTiff(Path("dpi.tif"), s));
    CMemoryDibSink sink;
    ASSERT_TRUE(DecodeTiff(ReadAll(Path("dpi.tif")), sink));
    EXPECT_EQ(sink.Format().xPelsPerMeter, 12000);  // inches: times 40
    s.resolutionUnit = RESUNIT_CENTIMETER;
    ASSERT_TRUE(test::WriteTiff(Path("dpcm.tif"), s));
    ASSERT_TRUE(DecodeTiff(ReadAll(Path("dpcm.tif")), sink));
    EXPECT_EQ(sink.Format().xPelsPerMeter, 300);

    // Two bits per pixel and 16-bit RGB (48 bits) are not among the supported depths.
    TiffLayout twoBit{.width = 4, .height = 1, .bitsPerSample = 2, .pixels = {0x1B}};
    ASSERT_TRUE(test::WriteTiff(Path("2bit.tif"), twoBit));
    CMemoryDibSink refused;
    EXPECT_FALSE(DecodeTiff(ReadAll(Path("2bit.tif")), refused));
}

TEST_F(DecoderTest, PngTransparencyIsCompositedOverWhite)
{
    // RGBA: transparent, half-transparent red, opaque blue.
    ASSERT_TRUE(test::WritePng(Path("a.png"), 3, 1, PNG_COLOR_TYPE_RGBA, 8, {0, 0, 0, 0, 255, 0, 0, 128, 0, 0, 255, 255}));
    CMemoryDibSink sink;
    ASSERT_TRUE(DecodePng(ReadAll(Path("a.png")), sink));
    EXPECT_TRUE(sink.Format().topDown);
    EXPECT_EQ(sink.Format().bitCount, 24);
    // Three pixels of 3 bytes padded to 12.
    EXPECT_EQ(sink.Format().Stride(), 12u);
    const DibPixels px = sink.Pixels();
    EXPECT_EQ(px.Rgb(0, 0), 0xFFFFFFu);
    EXPECT_EQ(px.Rgb(1, 0), 0xFF7F7Fu);  // light red
    EXPECT_EQ(px.Rgb(2, 0), 0x0000FFu);
}

TEST_F(DecoderTest, PngColourTypesAllBecomeRgb)
{
    struct Case {
        const char* name;
        int colorType;
        int depth;
        std::vector<uint8_t> pixels;
        std::vector<uint8_t> palette;
        std::vector<uint8_t> trns;
        bool interlaced;
        uint32_t first;
        uint32_t last;
    };
    const Case cases[] = {
        {"grey 1 bit", PNG_COLOR_TYPE_GRAY, 1, {0b0100'0000, 0b0100'0000, 0b0100'0000}, {}, {}, false, 0x000000, 0x000000},
        {"palette with transparency", PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 1, 1, 0, 1, 0, 1, 0}, {255, 0, 0, 0, 0, 255}, {0},
         false, 0xFFFFFF, 0xFFFFFF},
        {"16-bit RGB", PNG_COLOR_TYPE_RGB, 16, std::vector<uint8_t>(3 * 3 * 6, 0x80), {}, {}, false, 0x808080, 0x808080},
        {"interlaced RGBA", PNG_COLOR_TYPE_RGBA, 8, std::vector<uint8_t>(3 * 3 * 4, 0), {}, {}, true, 0xFFFFFF, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(test::WritePng(Path("c.png"), 3, 3, c.colorType, c.depth, c.pixels, c.palette, c.trns, c.interlaced));
        CMemoryDibSink sink;
        ASSERT_TRUE(DecodePng(ReadAll(Path("c.png")), sink));
        EXPECT_EQ(sink.Pixels().Rgb(0, 0), c.first);
        EXPECT_EQ(sink.Pixels().Rgb(2, 2), c.last);
    }
}

TEST_F(DecoderTest, GreyJpegKeepsItsGreysThroughAGreyTable)
{
    // Flat 8 x 8 blocks survive the compression almost unchanged.
    std::vector<uint8_t> grey(16 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) grey[y * 16 + x] = x < 8 ? 90 : 255;
    ASSERT_TRUE(test::WriteJpeg(Path("g.jpg"), 16, 8, 1, grey));
    CMemoryDibSink sink;
    ASSERT_TRUE(DecodeJpeg(ReadAll(Path("g.jpg")), sink));
    EXPECT_EQ(sink.Format().bitCount, 8);
    EXPECT_FALSE(sink.Format().topDown);
    EXPECT_EQ(sink.Format().xPelsPerMeter, 2834);
    ASSERT_EQ(sink.Format().colors.size(), 256u);
    EXPECT_EQ(sink.Format().colors[90], 0x5A5A5Au);
    const DibPixels px = sink.Pixels();
    EXPECT_NEAR(int(px.Rgb(2, 2) & 0xFF), 90, 1);
    EXPECT_EQ(px.Rgb(12, 2), 0xFFFFFFu);

    std::vector<uint8_t> rgb(16 * 8 * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200;
    ASSERT_TRUE(test::WriteJpeg(Path("c.jpg"), 16, 8, 3, rgb));
    CMemoryDibSink colour;
    ASSERT_TRUE(DecodeJpeg(ReadAll(Path("c.jpg")), colour));
    EXPECT_EQ(colour.Format().bitCount, 24);
    const uint32_t c = colour.Pixels().Rgb(5, 5);
    EXPECT_NEAR(int(c >> 16), 200, 3);
    EXPECT_LE(int(c & 0xFFFF), 0x0303);
}

TEST_F(DecoderTest, HostileSizesAreRefusedBeforeAllocating)
{
    // A sink that records what it was offered; it must never be asked for the huge bitmap
    // unless it can refuse it, and decoding must fail either way.
    struct Probe : CMemoryDibSink {
        Probe() : CMemoryDibSink(64 << 20) {}
        uint8_t* Begin(const DibFormat& f) override
        {
            offered = f.ImageSize();
            return CMemoryDibSink::Begin(f);
        }
        uint64_t offered = 0;
    };
    // PNG: a header of 100,000 x 100,000 RGB pixels and nothing after it.
    {
        std::vector<uint8_t> one(3, 0);
        ASSERT_TRUE(test::WritePng(Path("small.png"), 1, 1, PNG_COLOR_TYPE_RGB, 8, one));
        std::vector<uint8_t> bytes = ReadAll(Path("small.png"));
        // IHDR data start at byte 16; patch the size and the chunk's CRC.
        for (int i = 0; i < 2; ++i) {
            const uint32_t v = 100000;
            bytes[16 + i * 4] = uint8_t(v >> 24);
            bytes[17 + i * 4] = uint8_t(v >> 16);
            bytes[18 + i * 4] = uint8_t(v >> 8);
            bytes[19 + i * 4] = uint8_t(v);
        }
        const uint32_t crc = uint32_t(crc32(0, bytes.data() + 12, 17));
        for (int i = 0; i < 4; ++i) bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
        Probe sink;
        EXPECT_FALSE(DecodePng(bytes, sink));
        EXPECT_TRUE(sink.Bits().empty());
    }
    // TIFF: 100,000 x 100,000 RGB in one strip that is not there.
    {
        TiffLayout s{.width = 1, .height = 1, .bitsPerSample = 8, .samplesPerPixel = 3, .photometric = PHOTOMETRIC_RGB,
                   .pixels = {1, 2, 3}};
        ASSERT_TRUE(test::WriteTiff(Path("small.tif"), s));
        TIFF* tif = TIFFOpen(QFile::encodeName(Path("small.tif")).constData(), "r+");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 100000u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 100000u);
        TIFFRewriteDirectory(tif);
        TIFFClose(tif);
        Probe sink;
        EXPECT_FALSE(DecodeTiff(ReadAll(Path("small.tif")), sink));
        EXPECT_TRUE(sink.Bits().empty());
        EXPECT_EQ(sink.offered, 0u);  // 30 GB cannot even be described by a bitmap header
    }
    // JPEG: a 65,000 x 65,000 header cut off after the frame header.
    {
        std::vector<uint8_t> rgb(8 * 8 * 3, 100);
        ASSERT_TRUE(test::WriteJpeg(Path("small.jpg"), 8, 8, 3, rgb));
        std::vector<uint8_t> bytes = ReadAll(Path("small.jpg"));
        for (size_t i = 0; i + 9 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
                bytes[i + 5] = 0xFD;
                bytes[i + 6] = 0xE8;
                bytes[i + 7] = 0xFD;
                bytes[i + 8] = 0xE8;
                bytes.resize(i + 40);
                break;
            }
        }
        Probe sink;
        EXPECT_FALSE(DecodeJpeg(bytes, sink));
        EXPECT_TRUE(sink.Bits().empty());
    }
    // Not images at all.
    const std::vector<uint8_t> junk = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
    CMemoryDibSink sink;
    EXPECT_FALSE(DecodePng(junk, sink));
    EXPECT_FALSE(DecodeJpeg(junk, sink));
    EXPECT_FALSE(DecodeTiff(junk, sink));
    EXPECT_FALSE(DecodeTiff({}, sink));
}

}  // namespace
}  // namespace korvel
