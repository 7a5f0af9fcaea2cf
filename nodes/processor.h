// What the processor the module runs on offers beyond the baseline it is
// built for, asked once and remembered.
#pragma once

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#define ORV_X86 1
#include <cpuid.h>
#else
#define ORV_X86 0
#endif

namespace orv {

namespace detail {

inline bool askForAvx2() {
#if ORV_X86
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    if (!(c & bit_AVX) || !(c & bit_OSXSAVE)) return false;
    // The system must also save the AVX registers across task switches.
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6u) != 6u) return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return (b & bit_AVX2) != 0;
#else
    return false;
#endif
}

// 0 until asked, then 1 without AVX2 and 2 with. Threads that ask at once
// all find the same answer, so a plain relaxed store is enough.
inline std::atomic<int> avx2Answer{0};

}  // namespace detail

// Whether the processor and the system support AVX2 instructions. Fused
// multiply-adds are a separate feature, left unused: they would round
// differently from the baseline build.
inline bool hasAvx2() {
    int answer = detail::avx2Answer.load(std::memory_order_relaxed);
    if (answer == 0) {
        answer = detail::askForAvx2() ? 2 : 1;
        detail::avx2Answer.store(answer, std::memory_order_relaxed);
    }
    return answer == 2;
}

}  // namespace orv
