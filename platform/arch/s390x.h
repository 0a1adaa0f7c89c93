// s390x: no x87 unit; big-endian. The division traps (SIGFPE, FPE_INTDIV).
// For a fault that completes or suppresses its instruction (a division, an
// operation exception, a breakpoint) the saved PSW points past it; the
// signal's si_addr is the instruction itself.
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

struct Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return context.uc_mcontext.psw.addr;
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return context.uc_mcontext.gregs[15];
    }

    static std::uintptr_t fault_location(int signal_number, const siginfo_t& info,
                                         std::uintptr_t code_pointer) {
        const bool past_instruction =
            signal_number == SIGFPE || signal_number == SIGILL || signal_number == SIGTRAP;
        return past_instruction && info.si_code > 0 ? reinterpret_cast<std::uintptr_t>(info.si_addr)
                                                    : code_pointer;
    }
};

}  // namespace platform::arch
