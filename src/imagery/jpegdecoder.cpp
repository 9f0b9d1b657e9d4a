// JPEG decoding with libjpeg. Fatal errors leave the library by a long jump to DecodeRows; its
// caller owns the decompressor and everything with a destructor (the bitmap format with its
// colour table), and frees them afterwards in every case: a jump skips destructors.
#include "imagery/imagedecode.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include <csetjmp>

namespace korvel {
namespace {

constexpr int32_t kJpegPelsPerMeter = 2834;
// Working memory libjpeg may take (progressive pictures keep every coefficient).
constexpr long kMaxDecoderMemory = 1L << 30;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr) {}

bool DecodeRows(jpeg_decompress_struct& cinfo, JpegError& err, std::span<const uint8_t> data, DibSink& sink,
                DibFormat& format)
{
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    const bool grey = cinfo.num_components == 1;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;

    format.width = int32_t(cinfo.image_width);
    format.height = int32_t(cinfo.image_height);
    format.topDown = false;
    format.bitCount = grey ? 8 : 24;
    format.xPelsPerMeter = kJpegPelsPerMeter;
    format.yPelsPerMeter = kJpegPelsPerMeter;
    if (grey) {
        format.colors.resize(256);
        for (uint32_t i = 0; i < 256; ++i) format.colors[i] = i << 16 | i << 8 | i;
    }
    // The size is agreed before the decoder allocates its buffers for it.
    if (format.ImageSize() == 0) return false;
    uint8_t* bits = sink.Begin(format);
    if (!bits) return false;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
        cinfo.output_components != (grey ? 1 : 3)) {
        return false;
    }
    const size_t stride = format.Stride();
    const uint32_t height = cinfo.output_height;
    while (cinfo.output_scanline < height) {
        // The first scanline becomes the last row of the bottom-up bitmap.
        JSAMPROW row = bits + size_t(height - 1 - cinfo.output_scanline) * stride;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
        if ((cinfo.output_scanline & 63) == 0 && !sink.Progress(cinfo.output_scanline, height)) return false;
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> data, DibSink& sink)
{
    if (data.size() < 4 || data.size() > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = &OnError;
    err.mgr.output_message = &OnMessage;
    DibFormat format;
    const bool ok = DecodeRows(cinfo, err, data, sink, format);
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

}  // namespace korvel
