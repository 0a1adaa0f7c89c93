// 32-bit ARM (armhf, armel): no x87 unit. The processor has no integer
// division that traps: libgcc's division helper raises SIGFPE itself, through
// raise, for a zero divisor. Thumb code marks its return addresses with bit 0.
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return context.uc_mcontext.arm_pc;
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return context.uc_mcontext.arm_sp;
    }

    // Instructions lie at even addresses; bit 0 of a return address only
    // says that the caller is Thumb code.
    static std::uintptr_t instruction_address(std::uintptr_t address) {
        return address & ~std::uintptr_t{1};
    }

    // The SIGFPE of the division helper (it is reported inside raise: the
    // division's own address is lost).
    static constexpr DWORD self_raised_arithmetic_fault = EXCEPTION_INT_DIVIDE_BY_ZERO;
};

}  // namespace platform::arch
