// Finds x87 arithmetic in 32-bit x86 machine code: the instructions that
// round or compare in the x87 unit's 80-bit registers. Loads, stores, sign
// changes and integer conversions are exact and pass.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dllcheck {

struct X87Instruction {
    std::uint64_t address;
    std::string text;  // "fadd qword ptr [eax]"
};

// The x87 arithmetic in `code`, which starts at `address`. Bytes that decode
// to no instruction are skipped one at a time.
std::vector<X87Instruction> x87Arithmetic(std::span<const std::uint8_t> code,
                                          std::uint64_t address);

}  // namespace dllcheck
