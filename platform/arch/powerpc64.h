// 64-bit POWER (ppc64el): no x87 unit. An integer division by zero does not
// trap (its result is undefined).
#pragma once

#include <asm/ptrace.h>

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return context.uc_mcontext.gp_regs[PT_NIP];
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return context.uc_mcontext.gp_regs[PT_R1];
    }
};

}  // namespace platform::arch
