// Four doubles abreast in the lanes of an AVX register, for the batched
// forms of ray-fan arithmetic on processors with AVX2 (see hasAvx2).
#pragma once

#include <cstdint>

#include "nodes/processor.h"

#if ORV_X86
#include <immintrin.h>

namespace orv {

using DoubleQuad = double __attribute__((vector_size(32)));
using WordQuad = std::int64_t __attribute__((vector_size(32)));

// The first lanes values from p; the lanes past them hold fill.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline DoubleQuad loadQuad(const double *p,
                                                                          int lanes, double fill) {
    DoubleQuad q;
    if (lanes >= 4) {
        __builtin_memcpy(&q, p, sizeof q);
        return q;
    }
    q = fill + DoubleQuad{};
    for (int j = 0; j < lanes; ++j)
        q[j] = p[j];
    return q;
}

// Stores the first lanes values of q at p.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline void storeQuad(double *p, const DoubleQuad &q,
                                                                     int lanes) {
    if (lanes >= 4) {
        __builtin_memcpy(p, &q, sizeof q);
        return;
    }
    for (int j = 0; j < lanes; ++j)
        p[j] = q[j];
}

// Whether every lane of mask is set.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline bool allLanes(const WordQuad &mask) {
    return _mm256_movemask_pd(__builtin_bit_cast(__m256d, mask)) == 0xf;
}

// The lanes of a where mask is all ones, of b where it is zero.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline DoubleQuad select(const WordQuad &mask,
                                                                        const DoubleQuad &a,
                                                                        const DoubleQuad &b) {
    return __builtin_bit_cast(DoubleQuad, (__builtin_bit_cast(WordQuad, a) & mask) |
                                              (__builtin_bit_cast(WordQuad, b) & ~mask));
}

}  // namespace orv
#endif
