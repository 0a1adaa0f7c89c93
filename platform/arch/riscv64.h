// 64-bit RISC-V: no x87 unit. An integer division by zero does not trap (it
// gives -1).
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return context.uc_mcontext.__gregs[REG_PC];
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return context.uc_mcontext.__gregs[REG_SP];
    }
};

}  // namespace platform::arch
