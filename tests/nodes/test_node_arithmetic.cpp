// The pure arithmetic behind Counter, Hold Value and Ambient Occlusion,
// tested without a host.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "framework/inputs.h"
#include "nodes/math/comparisons.h"
#include "nodes/math/thread_slots.h"
#include "nodes/surfacing/occlusion_amount.h"
#include "nodes/surfacing/occlusion_batch.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CounterResets, EachModeTestsWhatItsNameSays) {
    using namespace orv::counter;
    // count, a, b, previous A
    EXPECT_TRUE(resets(kCounterEqualA, 3, 3, 0, 0));
    EXPECT_FALSE(resets(kCounterEqualA, 2, 3, 0, 0));
    EXPECT_TRUE(resets(kCounterGreaterA, 4, 3, 0, 0));
    EXPECT_FALSE(resets(kCounterGreaterA, 3, 3, 0, 0));
    EXPECT_TRUE(resets(kCounterLessA, 2, 3, 0, 0));
    EXPECT_TRUE(resets(kCounterGreaterEqualA, 3, 3, 0, 0));
    EXPECT_TRUE(resets(kCounterLessEqualA, 3, 3, 0, 0));
    // "A Does Change" resets while A stays, so the count runs while it moves.
    EXPECT_TRUE(resets(kADoesChange, 0, 1, 0, 1));
    EXPECT_FALSE(resets(kADoesChange, 0, 2, 0, 1));
    EXPECT_TRUE(resets(kADoesNotChange, 0, 2, 0, 1));
    EXPECT_TRUE(resets(kAEqualB, 0, 1, 1, 0));
    EXPECT_TRUE(resets(kANotEqualB, 0, 1, 2, 0));
    EXPECT_TRUE(resets(kAGreaterB, 0, 2, 1, 0));
    EXPECT_TRUE(resets(kALessB, 0, 1, 2, 0));
    EXPECT_TRUE(resets(kAGreaterEqualB, 0, 2, 2, 0));
    EXPECT_TRUE(resets(kALessEqualB, 0, 2, 2, 0));
    EXPECT_FALSE(resets(kALessEqualB, 0, 3, 2, 0));
    // NaN: the difference tests hold, every other comparison fails.
    EXPECT_TRUE(resets(kADoesNotChange, 0, kNaN, 0, kNaN));
    EXPECT_TRUE(resets(kANotEqualB, 0, kNaN, 0, 0));
    EXPECT_FALSE(resets(kAEqualB, 0, kNaN, kNaN, 0));
    EXPECT_FALSE(resets(kCounterEqualA, kNaN, kNaN, 0, 0));
    EXPECT_TRUE(watchesA(kADoesChange) && watchesA(kADoesNotChange) && !watchesA(kAEqualB));
}

TEST(HoldCaptures, EachModeIsTheComplementOfWhenItHolds) {
    using namespace orv::hold;
    EXPECT_TRUE(captures(kADoesChange, 1, 0, 1));  // A stayed: take In
    EXPECT_FALSE(captures(kADoesChange, 2, 0, 1));
    EXPECT_TRUE(captures(kADoesNotChange, 2, 0, 1));
    for (double a : {1.0, 2.0, 3.0}) {
        const double b = 2.0;
        EXPECT_EQ(captures(kAEqualB, a, b, 0), !(a == b));
        EXPECT_EQ(captures(kANotEqualB, a, b, 0), !(a != b));
        EXPECT_EQ(captures(kAGreaterB, a, b, 0), !(a > b));
        EXPECT_EQ(captures(kALessB, a, b, 0), !(a < b));
        EXPECT_EQ(captures(kAGreaterEqualB, a, b, 0), !(a >= b));
        EXPECT_EQ(captures(kALessEqualB, a, b, 0), !(a <= b));
    }
    // NaN holds, except where the capture test is a difference (!=).
    EXPECT_FALSE(captures(kAGreaterB, kNaN, 0, 0));
    EXPECT_FALSE(captures(kANotEqualB, kNaN, 0, 0));
    EXPECT_TRUE(captures(kAEqualB, kNaN, 0, 0));
    EXPECT_TRUE(captures(kADoesNotChange, kNaN, 0, kNaN));
}

TEST(ThreadSlots, FirstTurnTakesTheFirstValueAndStraySlotsTouchNothing) {
    orv::ThreadSlots slots{};
    slots.restart();
    auto step = [&](int thread, double a, bool watches) {
        return orv::advance(slots.of(thread), 10.0, a, watches,
                            [](double value, double previousA) { return value + previousA; });
    };
    EXPECT_EQ(step(3, 1.0, true), 10.0);   // first: the first value, A remembered
    EXPECT_EQ(step(3, 2.0, true), 11.0);   // next sees the previous A (1)
    EXPECT_EQ(step(3, 5.0, false), 13.0);  // previous A is now 2; not watched
    EXPECT_EQ(step(3, 7.0, false), 15.0);  // still 2
    EXPECT_EQ(step(4, 1.0, true), 10.0);   // another thread starts afresh
    EXPECT_EQ(slots.of(16), nullptr);
    EXPECT_EQ(slots.of(-1), nullptr);
    EXPECT_EQ(step(16, 1.0, true), 10.0);
    EXPECT_EQ(step(3, 0.0, false), 17.0);  // untouched by the stray index
    slots.restart();
    EXPECT_EQ(step(3, 0.0, false), 10.0);
}

TEST(ChoiceClamp, LimitsToThePopupPositions) {
    EXPECT_EQ(fw::clampChoice(-5, 8), 0);
    EXPECT_EQ(fw::clampChoice(3, 8), 3);
    EXPECT_EQ(fw::clampChoice(8, 8), 7);
    EXPECT_EQ(fw::clampChoice(99, 13), 12);
}

TEST(OcclusionAmount, UnrangedRangedShiftAndTheMaxOfZero) {
    using orv::occlusion::amount;
    EXPECT_EQ(amount(-1.0, true, 5.0, 0.0), 0.0);  // a miss
    EXPECT_EQ(amount(-1.0, false, 5.0, 0.3), 0.0);
    EXPECT_EQ(amount(100.0, false, 5.0, 0.0), 1.0);  // unranged: any hit
    EXPECT_DOUBLE_EQ(amount(100.0, false, 5.0, 0.25), 0.75);
    EXPECT_DOUBLE_EQ(amount(1.0, true, 4.0, 0.0), 0.75);
    EXPECT_DOUBLE_EQ(amount(4.0, true, 4.0, 0.0), 0.0);
    EXPECT_EQ(amount(4.5, true, 4.0, 0.0), 0.0);  // beyond max
    EXPECT_DOUBLE_EQ(amount(1.0, true, 4.0, 0.5), 0.25);
    EXPECT_EQ(amount(0.0, true, 0.0, 0.0), 1.0);  // a hit at the spot itself
}

// The batch form must give what amount gives, bit for bit, or renders
// would change with the way rays are fired.
TEST(OcclusionAmount, WithoutBranchesEqualsTheBranchingForm) {
    using orv::occlusion::amount, orv::occlusion::amountOf;
    const double distances[] = {-1.0, -0.0, 0.0, 1e-300, 0.5, 1.0, 3.999, 4.0, 4.5, 1e300, NAN};
    for (double t : distances)
        for (bool ranged : {false, true})
            for (double max : {0.0, 4.0, -2.0, 1e-320})
                for (double shift : {0.0, 0.3, -1.0}) {
                    const double a = amount(t, ranged, max, shift);
                    const double b = amountOf(t, ranged, max, shift);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(a), std::bit_cast<std::uint64_t>(b))
                        << t << " " << ranged << " " << max << " " << shift;
                }
}

#if ORV_X86
// The four-abreast forms against the scalar ones, over every setting that
// changes the path taken, odd counts and NaN distances included.
TEST(OcclusionBatch, WideFormsGiveTheScalarBits) {
    using namespace orv::occlusion;
    if (!orv::hasAvx2()) GTEST_SKIP() << "no AVX2 here";
    const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
    double t[11] = {-1.0, 0.0, 0.5, 1.0, 3.999, 4.0, 4.5, 1e300, NAN, 2.0, 0.25};
    const FixedColors colors{{0.9, 0.5, 0.25}, {0.1, 0.7, 1.0}, {0.3, 0.2, 0.6}, 1.5, 0.8, 0.35};
    for (int n : {1, 3, 4, 7, 11})
        for (bool ranged : {false, true})
            for (double max : {0.0, 4.0})
                for (bool clampLow : {false, true})
                    for (bool clampHigh : {false, true}) {
                        const AmountRule rule{ranged, max, 0.1, clampLow, 0.6, clampHigh, 0.45};
                        double narrow[11], wide[11];
                        amounts(rule, t, narrow, n);
                        amountsAvx2(rule, t, wide, n);
                        for (int i = 0; i < n; ++i)
                            ASSERT_EQ(bits(wide[i]), bits(narrow[i])) << i << " of " << n;
                        const fw::Vec3 start{0.5, -0.25, 2.0};
                        const fw::Vec3 a = addColors(colors, t, narrow, n, start);
                        const fw::Vec3 b = addColorsAvx2(colors, t, narrow, n, start);
                        for (int k = 0; k < 3; ++k)
                            ASSERT_EQ(bits(b[k]), bits(a[k])) << k << " of " << n;
                    }
}
#endif

TEST(OcclusionAmount, ClampsBoundTheOpenShareAndLowWins) {
    using orv::occlusion::clamped;
    EXPECT_EQ(clamped(0.9, false, 0.2, false, 0.5), 0.9);
    EXPECT_DOUBLE_EQ(clamped(0.9, true, 0.2, false, 0.5), 0.8);  // open share at least low
    EXPECT_DOUBLE_EQ(clamped(0.1, false, 0.2, true, 0.5), 0.5);  // open share at most high
    EXPECT_DOUBLE_EQ(clamped(0.3, true, 0.9, true, 0.5), 0.1);   // both apply: low wins
}

}  // namespace
