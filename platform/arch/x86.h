// What 32-bit x86 and x86-64 share: the x87 unit, privileged instructions
// that fault as general-protection faults, and int3.
#pragma once

#include "platform/arch/common.h"

namespace platform::arch {

// code_register and stack_register index the context's general registers.
template <int code_register, int stack_register>
struct X86Processor : CommonProcessor {
    static std::uintptr_t code_pointer(const ucontext_t& context) {
        return static_cast<std::uintptr_t>(context.uc_mcontext.gregs[code_register]);
    }
    static std::uintptr_t stack_pointer(const ucontext_t& context) {
        return static_cast<std::uintptr_t>(context.uc_mcontext.gregs[stack_register]);
    }

    static void fpu_reset(std::uint16_t control_word) {
        asm volatile("fninit\n\tfldcw %0" : : "m"(control_word));
    }

    // A general-protection fault arrives as SIGSEGV from the kernel itself;
    // it is a privileged instruction when the bytes at the fault say so.
    static bool is_privileged_instruction(const siginfo_t& info, const ucontext_t& context) {
        if (info.si_code != SI_KERNEL) return false;
        const auto* code = reinterpret_cast<const unsigned char*>(code_pointer(context));
        const unsigned char first = code[0];
        if (first == 0xF4 || first == 0xFA || first == 0xFB) return true;  // hlt, cli, sti
        if ((first >= 0xE4 && first <= 0xE7) || (first >= 0xEC && first <= 0xEF))
            return true;  // in, out
        if (first != 0x0F) return false;
        const unsigned char second = code[1];
        return second == 0x06 || second == 0x08 || second == 0x09 || second == 0x30 ||
               second == 0x32 || (second >= 0x20 && second <= 0x23);
    }

    // The kernel reports an int3 at the instruction after it; the fault is
    // the int3 itself.
    static std::uintptr_t fault_location(int signal_number, const siginfo_t& info,
                                         std::uintptr_t code_pointer) {
        return signal_number == SIGTRAP && info.si_code == SI_KERNEL ? code_pointer - 1
                                                                     : code_pointer;
    }
};

}  // namespace platform::arch
