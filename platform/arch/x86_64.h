// x86-64: the x87 unit computes the reals.
#pragma once

#include "platform/arch/x86.h"

namespace platform::arch {

struct Processor : X86Processor<REG_RIP, REG_RSP> {
    static std::uint16_t x87_status_word(const ucontext_t& context) {
        return context.uc_mcontext.fpregs != nullptr ? context.uc_mcontext.fpregs->swd : 0;
    }
};

}  // namespace platform::arch
