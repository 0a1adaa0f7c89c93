// 64-bit ARM: no x87 unit; a brk is reported at itself. An integer division
// by zero does not trap (it gives 0).
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) { return context.uc_mcontext.pc; }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return context.uc_mcontext.sp;
    }
};

}  // namespace platform::arch
