// The DLL check's reading of 32-bit code: x87 arithmetic and comparisons
// found where they lie, exact x87 moves and SSE2 arithmetic let pass.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/conformance/x87_scan.h"

namespace {

TEST(X87Scan, FindsRoundingAndComparingInstructionsOnly) {
    const std::vector<std::uint8_t> code = {
        0xdd, 0x40, 0x18,        // fld qword ptr [eax + 0x18]: exact
        0xd9, 0xe1,              // fabs: exact
        0xdc, 0x40, 0x18,        // fadd qword ptr [eax + 0x18]
        0xdf, 0xe9,              // fucomip st(1)
        0xf2, 0x0f, 0x58, 0xc1,  // addsd xmm0, xmm1: SSE2
        0xdd, 0x5c, 0x24, 0x28,  // fstp qword ptr [esp + 0x28]: exact
        0xd9, 0xfa,              // fsqrt
    };
    const auto found = dllcheck::x87Arithmetic(code, 0x1000);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].address, 0x1005u);
    EXPECT_EQ(found[0].text.rfind("fadd", 0), 0u);
    EXPECT_EQ(found[1].address, 0x1008u);
    EXPECT_EQ(found[1].text.rfind("fucomip", 0), 0u);
    EXPECT_EQ(found[2].address, 0x1012u);
    EXPECT_EQ(found[2].text, "fsqrt");
}

TEST(X87Scan, StepsOverBytesThatAreNoInstruction) {
    // 0x0f 0x04 decodes to nothing; 0x04 0x90 is an add, and the fmul after
    // it is still found.
    const std::vector<std::uint8_t> code = {0x0f, 0x04, 0x90, 0xd8, 0xc9};
    const auto found = dllcheck::x87Arithmetic(code, 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].text.rfind("fmul", 0), 0u);
}

}  // namespace
