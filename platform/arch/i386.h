// 32-bit x86: the x87 unit computes the reals, as on x86-64; the signal
// context is the 32-bit one, whose saved unit state keeps the status word in
// a 32-bit field.
#pragma once

#include "platform/arch/x86.h"

namespace platform::arch {

struct Processor : X86Processor<REG_EIP, REG_ESP> {
    static std::uint16_t x87_status_word(const ucontext_t& context) {
        return context.uc_mcontext.fpregs != nullptr
                   ? static_cast<std::uint16_t>(context.uc_mcontext.fpregs->sw)
                   : 0;
    }
};

}  // namespace platform::arch
