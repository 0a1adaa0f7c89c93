// MIPS (mipsel, mips64el): no x87 unit. The division does not trap, but the
// compiler follows each one with a conditional trap (teq, code 7) on a zero
// divisor, which Linux turns into SIGFPE (FPE_INTDIV) at that trap (qemu-user
// 7.2 into SIGTRAP, error 255).
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return static_cast<std::uintptr_t>(context.uc_mcontext.pc);
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return static_cast<std::uintptr_t>(context.uc_mcontext.gregs[29]);  // $sp
    }
};

}  // namespace platform::arch
