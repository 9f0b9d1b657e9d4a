// Fuzz target for decoding tile files: whatever a tile server sent must be decoded or refused
// without a crash, a leak or an oversized allocation; a decoded picture is read to its end.
#include "imagery/gtile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    if (const auto pic = DecodeTilePicture({data, size})) {
        volatile uint32_t sum = 0;
        for (size_t i = 0; i < pic->argb.size(); i += 61) sum = sum + pic->argb[i];
        sum = sum + pic->argb.back();
        (void)sum;
    }
    return 0;
}
