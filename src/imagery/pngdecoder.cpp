// PNG decoding with libpng. The library reports errors by a long jump out of its calls; the
// jump lands in DecodeRows, whose caller owns everything that must be freed afterwards, so no
// object with a destructor lives in the frame the jump crosses.
#include "imagery/imagedecode.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace korvel {
namespace {

// No PNG of ours needs more than this for one ancillary chunk (text, profiles).
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
// An interlaced picture with alpha is gathered whole before compositing; above this it is refused.
constexpr uint64_t kMaxInterlacedBytes = uint64_t(1) << 30;
constexpr double kScreenGamma = 2.2;

struct PngInput {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngInput input{};
    DibSink* sink = nullptr;
    uint8_t* rgba = nullptr;  // malloc'ed: a row, or the whole picture when interlaced
    DibFormat format;         // here rather than in the frame a jump may leave
};

void ReadData(png_structp png, png_bytep out, size_t length)
{
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > in->size - in->pos) png_error(png, "read beyond the end of the file");
    std::memcpy(out, in->data + in->pos, length);
    in->pos += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Everything that may jump. Answers false for a refused or stopped decode.
bool DecodeRows(PngState& st)
{
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_structp png = st.png;
    png_infop info = st.info;
    png_set_read_fn(png, &st.input, &ReadData);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    double fileGamma = 0;
    if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, kScreenGamma, fileGamma);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4) return false;
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return false;
    DibFormat& format = st.format;
    format.width = int32_t(width);
    format.height = int32_t(height);
    format.topDown = true;
    format.bitCount = 24;
    uint8_t* bits = st.sink->Begin(format);
    if (!bits) return false;
    const size_t stride = format.Stride();
    const int64_t total = int64_t(height) * passes;

    if (channels == 3) {
        // Rows land in the bitmap as they are: blue, green, red, padding after them.
        for (int pass = 0; pass < passes; ++pass) {
            for (png_uint_32 y = 0; y < height; ++y) {
                png_read_row(png, bits + size_t(y) * stride, nullptr);
                if ((y & 63) == 0 && !st.sink->Progress(int64_t(pass) * height + y, total)) return false;
            }
        }
    } else {
        const uint64_t rowBytes = uint64_t(width) * 4;
        const bool whole = passes > 1;
        const uint64_t bytes = whole ? rowBytes * height : rowBytes;
        if (bytes > kMaxInterlacedBytes) return false;
        st.rgba = static_cast<uint8_t*>(std::calloc(size_t(bytes), 1));
        if (!st.rgba) return false;
        for (int pass = 0; pass < passes; ++pass) {
            for (png_uint_32 y = 0; y < height; ++y) {
                uint8_t* src = st.rgba + (whole ? size_t(y) * rowBytes : 0);
                png_read_row(png, src, nullptr);
                if (pass + 1 == passes) {
                    uint8_t* out = bits + size_t(y) * stride;
                    for (png_uint_32 x = 0; x < width; ++x, src += 4, out += 3) {
                        out[0] = OverWhite(src[0], src[3]);
                        out[1] = OverWhite(src[1], src[3]);
                        out[2] = OverWhite(src[2], src[3]);
                    }
                }
                if ((y & 63) == 0 && !st.sink->Progress(int64_t(pass) * height + y, total)) return false;
            }
        }
    }
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool IsPngSignature(std::span<const uint8_t> data)
{
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

bool DecodePng(std::span<const uint8_t> data, DibSink& sink)
{
    if (!IsPngSignature(data)) return false;
    PngState st;
    st.input = PngInput{data.data(), data.size(), 0};
    st.sink = &sink;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnError, &OnWarning);
    if (!st.png) return false;
    st.info = png_create_info_struct(st.png);
    const bool ok = st.info && DecodeRows(st);
    png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
    std::free(st.rgba);
    return ok;
}

}  // namespace korvel
