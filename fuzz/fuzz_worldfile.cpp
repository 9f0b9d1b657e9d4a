// Fuzz target for the world-file reader: any text must be read or refused, and what is
// accepted must place an image (finite values, a pixel size other than 0).
#include "imagery/worldfile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    WorldFileValues v;
    if (ParseWorldFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), &v)) {
        if (!std::isfinite(v.a) || !std::isfinite(v.e) || !std::isfinite(v.c) || !std::isfinite(v.f) || v.a == 0 || v.e == 0) {
            std::abort();
        }
    }
    return 0;
}
