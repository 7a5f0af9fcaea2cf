#include "x87_scan.h"

#include <capstone/capstone.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace dllcheck {
namespace {

// Every x87 instruction whose result can depend on the 80-bit registers'
// width or precision: arithmetic, roots, remainders, the transcendental
// functions, rounding, and comparisons.
constexpr unsigned kRounding[] = {
    X86_INS_FADD,   X86_INS_FADDP,   X86_INS_FIADD,  X86_INS_FSUB,    X86_INS_FSUBP,
    X86_INS_FSUBR,  X86_INS_FSUBRP,  X86_INS_FISUB,  X86_INS_FISUBR,  X86_INS_FMUL,
    X86_INS_FMULP,  X86_INS_FIMUL,   X86_INS_FDIV,   X86_INS_FDIVP,   X86_INS_FDIVR,
    X86_INS_FDIVRP, X86_INS_FIDIV,   X86_INS_FIDIVR, X86_INS_FSQRT,   X86_INS_FPREM,
    X86_INS_FPREM1, X86_INS_FRNDINT, X86_INS_FSCALE, X86_INS_FXTRACT, X86_INS_F2XM1,
    X86_INS_FYL2X,  X86_INS_FYL2XP1, X86_INS_FSIN,   X86_INS_FCOS,    X86_INS_FSINCOS,
    X86_INS_FPTAN,  X86_INS_FPATAN,  X86_INS_FCOM,   X86_INS_FCOMP,   X86_INS_FCOMPP,
    X86_INS_FCOMI,  X86_INS_FCOMIP,  X86_INS_FUCOM,  X86_INS_FUCOMP,  X86_INS_FUCOMPP,
    X86_INS_FUCOMI, X86_INS_FUCOMIP, X86_INS_FICOM,  X86_INS_FICOMP,  X86_INS_FTST,
};

// The disassembler's handle, closed on every way out.
class Disassembler {
  public:
    Disassembler() {
        if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle_) != CS_ERR_OK)
            throw std::runtime_error("cannot start the x86 disassembler");
    }
    ~Disassembler() { cs_close(&handle_); }
    Disassembler(const Disassembler &) = delete;
    Disassembler &operator=(const Disassembler &) = delete;
    csh handle() const { return handle_; }

  private:
    csh handle_ = 0;
};

}  // namespace

std::vector<X87Instruction> x87Arithmetic(std::span<const std::uint8_t> code,
                                          std::uint64_t address) {
    Disassembler disassembler;
    const std::unique_ptr<cs_insn, void (*)(cs_insn *)> decoded(
        cs_malloc(disassembler.handle()), [](cs_insn *insn) { cs_free(insn, 1); });
    cs_insn *instruction = decoded.get();
    std::vector<X87Instruction> found;
    const std::uint8_t *bytes = code.data();
    std::size_t size = code.size();
    while (size > 0) {
        if (!cs_disasm_iter(disassembler.handle(), &bytes, &size, &address, instruction)) {
            // Padding or data between functions: resynchronise on the next byte.
            ++bytes;
            --size;
            ++address;
            continue;
        }
        if (std::find(std::begin(kRounding), std::end(kRounding), instruction->id) ==
            std::end(kRounding))
            continue;
        std::string text = instruction->mnemonic;
        if (*instruction->op_str) text += std::string(" ") + instruction->op_str;
        found.push_back({instruction->address, text});
    }
    return found;
}

}  // namespace dllcheck
