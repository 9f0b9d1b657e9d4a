#pragma once
// The image decoders: PNG through libpng, JPEG through libjpeg, TIFF through libtiff, each from
// the whole file in memory (a mapped file) into a DibSink. Files are treated as hostile: the
// bitmap size is agreed with the sink before anything of that size is allocated, every library
// error comes back through the decoder's own handler, and a decoder answers false instead of
// letting anything escape.

#include "imagery/dib.h"

#include <cstdint>
#include <span>

namespace korvel {

// Whether `data` starts with the eight bytes of the PNG signature.
bool IsPngSignature(std::span<const uint8_t> data);

// PNG: palettes expanded, greyscale below 8 bits widened, transparency chunks turned into
// alpha, 16-bit samples cut to 8 bits, greyscale made RGB, gamma corrected for a screen gamma of
// 2.2 when the file has a gamma chunk; stored top-down as 24 bits, alpha composited over white.
bool DecodePng(std::span<const uint8_t> data, DibSink& sink);

// JPEG: greyscale as 8 bits with a grey colour table, everything else as 24 bits; bottom-up,
// 2834 pixels per metre.
bool DecodeJpeg(std::span<const uint8_t> data, DibSink& sink);

// TIFF: 1, 4 and 8 bits per pixel through a colour table (grey ramps for min-is-black and
// min-is-white, the file's palette), more bits as 24-bit colour (16- and 32-bit grey, grey
// with alpha, RGB, RGBA, CMYK); strips or tiles; orientations 1 to 4; bottom-up.
bool DecodeTiff(std::span<const uint8_t> data, DibSink& sink);

// Colour component `c` with opacity `alpha` laid over white, as the decoders composite it:
// alpha 255 keeps the colour, alpha 0 gives white, and between the two a fast approximation
// of 255 - (255 - c) * alpha / 255.
inline uint8_t OverWhite(uint8_t c, uint8_t alpha)
{
    if (alpha == 255) return c;
    if (alpha == 0) return 255;
    const uint32_t t = uint32_t((int32_t(c) - 255) * int32_t(alpha) - 383) & 0xFFFFu;
    return uint8_t((t + (t >> 8)) >> 8);
}

}  // namespace korvel
