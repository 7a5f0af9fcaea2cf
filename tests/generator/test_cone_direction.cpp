// The cone directions of Ambient Occlusion, written as rotations, against
// the two turns by atan2 and polar form they stand for.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "nodes/surfacing/cone_direction.h"

namespace {

fw::Vec3 stepByStep(double theta, double phi, double a, double e) {
    double x = std::cos(theta), y = std::sin(theta) * std::sin(phi),
           z = std::sin(theta) * std::cos(phi);
    const double g = std::atan2(y, x), r1 = std::sqrt(x * x + y * y);
    x = r1 * std::cos(g + e);
    y = r1 * std::sin(g + e);
    const double h = std::atan2(z, x), r2 = std::sqrt(x * x + z * z);
    x = r2 * std::cos(h + a);
    z = r2 * std::sin(h + a);
    return {x, y, z};
}

TEST(ConeDirection, AgreesWithTheStepByStepTurns) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        const fw::Vec3 n{unit(random), unit(random), unit(random)};
        const double theta = (unit(random) + 1.0) * 1.6;
        const double phi = unit(random) * 7.0;
        const double a = std::atan2(n[2], n[0]);
        const double e = std::atan2(n[1], std::sqrt(n[2] * n[2] + n[0] * n[0]));
        const fw::Vec3 fast = orv::ConeFrame::around(n).direction(theta, phi);
        const fw::Vec3 slow = stepByStep(theta, phi, a, e);
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(fast[c], slow[c], 1e-12) << i;
    }
}

TEST(ConeDirection, ThetaIsTheAngleFromTheAxis) {
    const fw::Vec3 n{0.3, -0.8, 0.52};
    const fw::Vec3 axis = fw::normalize(n);
    const orv::ConeFrame frame = orv::ConeFrame::around(n);
    for (double theta : {0.0, 0.2, 1.0, 1.5707963267948966}) {
        const fw::Vec3 d = frame.direction(theta, 0.7);
        EXPECT_NEAR(fw::dot(d, axis), std::cos(theta), 1e-12);
        EXPECT_NEAR(fw::length(d), 1.0, 1e-12);
    }
}

}  // namespace

namespace {

TEST(SinCos, AgreesWithTheLibraryToTheLastPlaces) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> turns(-40.0, 40.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = i < 100000 ? turns(random) : turns(random) * 2500.0;
        double s, c;
        orv::sinCos(x, s, c);
        ASSERT_NEAR(s, std::sin(x), 4e-16 + 1e-16 * std::fabs(x) * 1e-3) << x;
        ASSERT_NEAR(c, std::cos(x), 4e-16 + 1e-16 * std::fabs(x) * 1e-3) << x;
    }
    for (double x : {0.0, -0.0, 1e-300, 1.5707963267948966, 3.141592653589793, 1e6, -1e12}) {
        double s, c;
        orv::sinCos(x, s, c);
        EXPECT_NEAR(s, std::sin(x), 4e-16) << x;
        EXPECT_NEAR(c, std::cos(x), 4e-16) << x;
    }
    double s, c;
    orv::sinCos(NAN, s, c);
    EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

// Two angles worked side by side must give the single results bit for bit,
// or renders would change with the way directions are computed.
TEST(SinCos, PairsGiveExactlyTheSingleResults) {
    std::mt19937 random(9);
    std::uniform_real_distribution<double> turns(-40.0, 40.0);
    const double edges[] = {0.0, -0.0, 1e5, -1e5, 1e6, 0.7853981633974483, NAN, INFINITY};
    for (int i = 0; i < 100000; ++i) {
        double a = turns(random), b = turns(random);
        if (i < 64) a = edges[i % 8], b = edges[i / 8];
        double sa, ca, sb, cb, pa[2], pb[2];
        orv::sinCos(a, sa, ca);
        orv::sinCos(b, sb, cb);
        orv::sinCosPair(a, b, pa[0], pa[1], pb[0], pb[1]);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(pa[0]), std::bit_cast<std::uint64_t>(sa)) << a;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(pa[1]), std::bit_cast<std::uint64_t>(ca)) << a;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(pb[0]), std::bit_cast<std::uint64_t>(sb)) << b;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(pb[1]), std::bit_cast<std::uint64_t>(cb)) << b;
#if ORV_X86
        // Four lanes, only ever given angles within the reduction's range.
        if (!orv::hasAvx2() || !(std::fabs(a) <= 1e5) || !(std::fabs(b) <= 1e5)) continue;
        const double angles[4] = {a, b, -b, a * 0.5};
        double sines[4], cosines[4];
        orv::sinCosFour(angles, sines, cosines);
        for (int lane = 0; lane < 4; ++lane) {
            double s, c;
            orv::sinCos(angles[lane], s, c);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(sines[lane]), std::bit_cast<std::uint64_t>(s))
                << angles[lane];
            ASSERT_EQ(std::bit_cast<std::uint64_t>(cosines[lane]), std::bit_cast<std::uint64_t>(c))
                << angles[lane];
        }
#endif
    }
}

// A fan's directions made in a batch are the single directions, bit for
// bit, odd counts and angles beyond the fast range included.
TEST(ConeDirection, BatchesGiveExactlyTheSingleDirections) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const orv::ConeFrame frame = orv::ConeFrame::around({0.2, 0.9, -0.4});
    double theta[33], phi[33];
    for (int i = 0; i < 33; ++i) {
        theta[i] = (unit(random) + 1.0) * 1.6;
        phi[i] = unit(random) * 7.0;
    }
    phi[6] = 3e5;
    theta[13] = -2e6;
    fw::Vec3 batch[33];
    frame.directions(theta, phi, batch, 33);
    for (int i = 0; i < 33; ++i) {
        const fw::Vec3 single = frame.direction(theta[i], phi[i]);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(batch[i][c]),
                      std::bit_cast<std::uint64_t>(single[c]))
                << i;
    }
}

}  // namespace
