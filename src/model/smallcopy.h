#pragma once
// Copying the few bytes of an attribute value. The C library's vector copy, called for each
// of millions of values of 12 to 22 bytes, left the code right after it (the next object's
// first stores) stalling: loading and importing large documents ran nearly twice as slow.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

// Copies `n` bytes; short runs (up to 32 bytes: point numbers, coordinates) with plain moves.
inline void CopyValueBytes(unsigned char* d, const unsigned char* s, size_t n)
{
    auto move8 = [&](size_t at) {
        uint64_t w;
        std::memcpy(&w, s + at, 8);
        std::memcpy(d + at, &w, 8);
    };
    if (n > 32) {
        std::memcpy(d, s, n);
    } else if (n >= 16) {
        move8(0);
        move8(8);
        move8(n - 16);
        move8(n - 8);
    } else if (n >= 8) {
        move8(0);
        move8(n - 8);
    } else if (n >= 4) {
        uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + n - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + n - 4, &b, 4);
    } else {
        for (size_t i = 0; i < n; ++i) d[i] = s[i];
    }
}

// The same for `n` UTF-16 units.
inline void CopyValueUnits(char16_t* d, const char16_t* s, size_t n)
{
    CopyValueBytes(reinterpret_cast<unsigned char*>(d), reinterpret_cast<const unsigned char*>(s), 2 * n);
}

}  // namespace korvel
