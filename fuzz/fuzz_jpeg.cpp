// Fuzz target for the JPEG decoder: any bytes must be decoded or refused without a crash, a leak
// or an allocation beyond the sink's limit; a decoded bitmap must be readable to its last row.
#include "imagery/dib.h"
#include "imagery/imagedecode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    // Small enough for the fuzzer's memory limit, large enough for every seed.
    CMemoryDibSink sink(uint64_t(16) << 20);
    if (DecodeJpeg({data, size}, sink)) {
        const DibPixels px = sink.Pixels();
        volatile uint32_t sum = 0;
        for (int32_t row = 0; row < px.height; row += 7) sum = sum + px.Rgb(px.width - 1, row);
        (void)sum;
    }
    return 0;
}
