// The sine and cosine of one angle together, for the inner loop of ray
// fans: the library's sincos is accurate for any argument but costs more
// than the rest of a ray's setup. Angles of a few turns reduce exactly to
// [-π/4, π/4] with a three-part π/2, where short polynomials are good to
// about one unit in the last place; anything larger goes to the library.
#pragma once

#include <cmath>

namespace orv {

inline void sinCos(double x, double &sine, double &cosine) {
    if (!(std::fabs(x) <= 1.0e5)) {
        sine = std::sin(x);
        cosine = std::cos(x);
        return;
    }
    // π/2 in three parts; the first two have trailing zero bits, so k times
    // each is exact for the k reached here.
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPiOver2Part1 = 1.57079632673412561417e+00;
    constexpr double kPiOver2Part2 = 6.07710050630396597660e-11;
    constexpr double kPiOver2Part3 = 2.02226624871116645580e-21;
    // Round to the nearest whole number by the 2^52 + 2^51 trick: exact for
    // |x| far below 2^51, and free of a library call.
    constexpr double kRound = 6755399441055744.0;
    const double k = (x * kTwoOverPi + kRound) - kRound;
    const double r = ((x - k * kPiOver2Part1) - k * kPiOver2Part2) - k * kPiOver2Part3;

    // The polynomials in z = r² are summed in pairs (Estrin's scheme), which
    // halves the chain of dependent operations.
    const double z = r * r, z2 = z * z, z4 = z2 * z2;
    const double sinTail = (-1.66666666666666324348e-01 + z * 8.33333333332248946124e-03) +
                           z2 * (-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                           z4 * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10);
    const double cosTail = (4.16666666666666019037e-02 + z * -1.38888888888741095749e-03) +
                           z2 * (2.48015872894767294178e-05 + z * -2.75573143513906633035e-07) +
                           z4 * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11);
    const double s = r + r * z * sinTail;
    const double c = 1.0 - 0.5 * z + z2 * cosTail;
    switch (static_cast<long long>(k) & 3) {
        case 0:
            sine = s, cosine = c;
            break;
        case 1:
            sine = c, cosine = -s;
            break;
        case 2:
            sine = -s, cosine = -c;
            break;
        default:
            sine = -c, cosine = s;
            break;
    }
}

}  // namespace orv
