// The sine and cosine of one angle together, for the inner loop of ray
// fans: the library's sincos is accurate for any argument but costs more
// than the rest of a ray's setup. Angles of a few turns reduce exactly to
// [-π/4, π/4] with a three-part π/2, where short polynomials are good to
// about one unit in the last place; anything larger goes to the library.
//
// A ray needs two angles, so sinCosPair works both in the two lanes of one
// vector register, and sinCosFour one angle of four rays in the four lanes
// of an AVX register, on processors that have AVX2. Every form runs the same
// operations in the same order through sinCosCore, without fused
// multiply-adds, so it gives exactly, bit for bit, what single calls give.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "quad.h"

namespace orv {

// Two doubles side by side, one in each lane of an SSE register.
using DoublePair = double __attribute__((vector_size(16)));

namespace detail {

inline constexpr double kSinCosLimit = 1.0e5;

// Reduces x to r = x - k·π/2 and evaluates the polynomials at r: s ≈ sin r,
// c ≈ cos r. T is double or DoublePair.
template <class T>
[[gnu::always_inline]] inline void sinCosCore(const T &x, T &k, T &s, T &c) {
    // π/2 in three parts; the first two have trailing zero bits, so k times
    // each is exact for the k reached here.
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPiOver2Part1 = 1.57079632673412561417e+00;
    constexpr double kPiOver2Part2 = 6.07710050630396597660e-11;
    constexpr double kPiOver2Part3 = 2.02226624871116645580e-21;
    // Round to the nearest whole number by the 2^52 + 2^51 trick: exact for
    // |x| far below 2^51, and free of a library call.
    constexpr double kRound = 6755399441055744.0;
    k = (x * kTwoOverPi + kRound) - kRound;
    const T r = ((x - k * kPiOver2Part1) - k * kPiOver2Part2) - k * kPiOver2Part3;

    // The polynomials in z = r² are summed in pairs (Estrin's scheme), which
    // halves the chain of dependent operations.
    const T z = r * r, z2 = z * z, z4 = z2 * z2;
    const T sinTail = (-1.66666666666666324348e-01 + z * 8.33333333332248946124e-03) +
                      z2 * (-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                      z4 * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10);
    const T cosTail = (4.16666666666666019037e-02 + z * -1.38888888888741095749e-03) +
                      z2 * (2.48015872894767294178e-05 + z * -2.75573143513906633035e-07) +
                      z4 * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11);
    s = r + r * z * sinTail;
    c = 1.0 - 0.5 * z + z2 * cosTail;
}

// Turns sin r and cos r back into the sine and cosine of r + k·π/2. The
// quadrant of a ray's angle is as good as random, so it is chosen with bit
// masks rather than branches that would guess wrong half the time; swapping
// and negating are exact either way.
inline void toQuadrant(double k, double s, double c, double &sine, double &cosine) {
    const auto quadrant = static_cast<std::uint64_t>(static_cast<long long>(k));
    const std::uint64_t swap = 0 - (quadrant & 1);  // all ones in quadrants 1 and 3
    const auto sBits = std::bit_cast<std::uint64_t>(s), cBits = std::bit_cast<std::uint64_t>(c);
    // Bit 1 of the quadrant moved to the sign bit: the sine is negative in
    // quadrants 2 and 3, the cosine in 1 and 2.
    const std::uint64_t sineSign = (quadrant & 2) << 62;
    const std::uint64_t cosineSign = ((quadrant + 1) & 2) << 62;
    sine = std::bit_cast<double>(((sBits & ~swap) | (cBits & swap)) ^ sineSign);
    cosine = std::bit_cast<double>(((cBits & ~swap) | (sBits & swap)) ^ cosineSign);
}

}  // namespace detail

inline void sinCos(double x, double &sine, double &cosine) {
    if (!(std::fabs(x) <= detail::kSinCosLimit)) {
        sine = std::sin(x);
        cosine = std::cos(x);
        return;
    }
    double k, s, c;
    detail::sinCosCore(x, k, s, c);
    detail::toQuadrant(k, s, c, sine, cosine);
}

// sinCos of a and of b at once; the same results as two sinCos calls.
inline void sinCosPair(double a, double b, double &sinA, double &cosA, double &sinB, double &cosB) {
    if (!(std::fabs(a) <= detail::kSinCosLimit) || !(std::fabs(b) <= detail::kSinCosLimit)) {
        sinCos(a, sinA, cosA);
        sinCos(b, sinB, cosB);
        return;
    }
    DoublePair k, s, c;
    detail::sinCosCore(DoublePair{a, b}, k, s, c);
    detail::toQuadrant(k[0], s[0], c[0], sinA, cosA);
    detail::toQuadrant(k[1], s[1], c[1], sinB, cosB);
}

#if ORV_X86
// Whether every lane of x lies within the range sinCosFour reduces exactly;
// NaN does not.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline bool withinSinCosLimit(const DoubleQuad &x) {
    const WordQuad magnitude = __builtin_bit_cast(WordQuad, x) & 0x7fffffffffffffff;
    const WordQuad within = __builtin_bit_cast(DoubleQuad, magnitude) <= detail::kSinCosLimit;
    return allLanes(within);
}

// sinCos of four angles at once, each within withinSinCosLimit, for
// processors with AVX2 (see hasAvx2). The quadrants are chosen with the same
// bit masks as toQuadrant, four lanes abreast; the quadrant's low bits are
// read off k + 1.5·2^52 before the rounding constant is taken away again, as
// that constant is a multiple of 4.
[[gnu::target("avx2")]] [[gnu::always_inline]] inline void sinCosFour(const DoubleQuad &x,
                                                                      DoubleQuad &sine,
                                                                      DoubleQuad &cosine) {
    DoubleQuad k, s, c;
    detail::sinCosCore(x, k, s, c);
    const WordQuad quadrant = __builtin_bit_cast(WordQuad, k + 6755399441055744.0);
    const WordQuad swap = -(quadrant & 1);
    const WordQuad sineSign = (quadrant & 2) << 62;
    const WordQuad cosineSign = ((quadrant + 1) & 2) << 62;
    const WordQuad sBits = __builtin_bit_cast(WordQuad, s), cBits = __builtin_bit_cast(WordQuad, c);
    sine = __builtin_bit_cast(DoubleQuad, ((sBits & ~swap) | (cBits & swap)) ^ sineSign);
    cosine = __builtin_bit_cast(DoubleQuad, ((cBits & ~swap) | (sBits & swap)) ^ cosineSign);
}

// sinCosFour over arrays.
[[gnu::target("avx2")]] inline void sinCosFour(const double angles[4], double sines[4],
                                               double cosines[4]) {
    DoubleQuad x, sine, cosine;
    __builtin_memcpy(&x, angles, sizeof x);
    sinCosFour(x, sine, cosine);
    __builtin_memcpy(sines, &sine, sizeof sine);
    __builtin_memcpy(cosines, &cosine, sizeof cosine);
}
#endif

}  // namespace orv
