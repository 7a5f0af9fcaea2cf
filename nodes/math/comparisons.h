// The tests Counter and Hold Value make at each evaluation, as IEEE
// comparisons: NaN makes the two difference tests true and every other
// comparison false.
#pragma once

namespace orv {

namespace counter {

enum Mode {
    kCounterEqualA,
    kCounterGreaterA,
    kCounterLessA,
    kCounterGreaterEqualA,
    kCounterLessEqualA,
    kADoesChange,
    kADoesNotChange,
    kAEqualB,
    kANotEqualB,
    kAGreaterB,
    kALessB,
    kAGreaterEqualB,
    kALessEqualB,
    kModeCount
};

// Whether the count falls back to the start value.
constexpr bool resets(int mode, double count, double a, double b, double previousA) {
    switch (mode) {
        case kCounterEqualA:
            return count == a;
        case kCounterGreaterA:
            return count > a;
        case kCounterLessA:
            return count < a;
        case kCounterGreaterEqualA:
            return count >= a;
        case kCounterLessEqualA:
            return count <= a;
        case kADoesChange:
            return a == previousA;
        case kADoesNotChange:
            return a != previousA;
        case kAEqualB:
            return a == b;
        case kANotEqualB:
            return a != b;
        case kAGreaterB:
            return a > b;
        case kALessB:
            return a < b;
        case kAGreaterEqualB:
            return a >= b;
        default:
            return a <= b;
    }
}

constexpr bool watchesA(int mode) {
    return mode == kADoesChange || mode == kADoesNotChange;
}

}  // namespace counter

namespace hold {

// Each mode names when the output holds; captures() is its complement.
enum Mode {
    kADoesChange,
    kADoesNotChange,
    kAEqualB,
    kANotEqualB,
    kAGreaterB,
    kALessB,
    kAGreaterEqualB,
    kALessEqualB,
    kModeCount
};

// Whether the output takes the input. With a NaN operand the value holds,
// except in the two tests for a difference, which capture.
constexpr bool captures(int mode, double a, double b, double previousA) {
    switch (mode) {
        case kADoesChange:
            return a == previousA;
        case kADoesNotChange:
            return a != previousA;
        case kAEqualB:
            return a != b;
        case kANotEqualB:
            return a == b;
        case kAGreaterB:
            return a <= b;
        case kALessB:
            return a >= b;
        case kAGreaterEqualB:
            return a < b;
        default:
            return a > b;
    }
}

constexpr bool watchesA(int mode) {
    return mode == kADoesChange || mode == kADoesNotChange;
}

}  // namespace hold

}  // namespace orv
