// What the processors have in common, as the POSIX platform sees them. Each
// processor's file derives its Processor from this and hides only what it
// does differently.
#pragma once

#include <signal.h>
#include <ucontext.h>

#include <cstdint>

#include "platform/system.h"

namespace platform::arch {

struct CommonProcessor {
    // No x87 unit: reals are computed in software, and there is nothing to
    // set up or to read a status word from.
    static void fpu_reset(std::uint16_t /*control_word*/) {}
    static std::uint16_t x87_status_word(const ucontext_t& /*context*/) { return 0; }

    // A privileged instruction arrives as SIGILL with its own code
    // (ILL_PRVOPC), so no SIGSEGV is one.
    static bool is_privileged_instruction(const siginfo_t& /*info*/,
                                          const ucontext_t& /*context*/) {
        return false;
    }

    // A fault is reported at the instruction the context points to.
    static std::uintptr_t fault_location(int /*signal_number*/, const siginfo_t& /*info*/,
                                         std::uintptr_t code_pointer) {
        return code_pointer;
    }

    // Code addresses (return addresses included) are instruction addresses.
    static std::uintptr_t instruction_address(std::uintptr_t address) { return address; }

    // A SIGFPE the process sent itself (si_code SI_USER or SI_TKILL): no
    // processor fault says what it was, so it counts as an invalid operation.
    static constexpr DWORD self_raised_arithmetic_fault = EXCEPTION_FLT_INVALID_OPERATION;
};

}  // namespace platform::arch
