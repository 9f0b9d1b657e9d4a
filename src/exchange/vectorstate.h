#pragma once
// Qt 6.4 hashes strings (every QHash<QString> lookup, QXmlStreamReader's set-up, the interning of
// attribute names) with 256-bit AES instructions and returns without clearing the upper halves
// of the vector registers. Until something clears them, every SSE instruction after it (our
// arithmetic, the number parsing and formatting of the C++ library, libm's callers) waits on
// that state: loops over a million coordinates ran up to ten times slower on the machines we
// measured. The long loops of the GPX exchange clear the state before they start; it costs
// one instruction.

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace korvel {

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) inline void ClearUpperVectorStateAvx()
{
    _mm256_zeroupper();
}

inline void ClearUpperVectorState()
{
    // Without AVX the upper halves do not exist, and the instruction would not either.
    if (__builtin_cpu_supports("avx")) ClearUpperVectorStateAvx();
}
#else
inline void ClearUpperVectorState() {}
#endif

}  // namespace korvel
