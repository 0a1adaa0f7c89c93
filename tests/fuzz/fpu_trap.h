// Runs a piece of conversion code under the programs' x87 control word
// (0x1332: invalid operation, zero divide and overflow fault) and turns a
// floating-point fault into a result, so that a fuzz target can tell an
// allowed runtime error (overflow of a huge token) from a finding.
#pragma once

#include <signal.h>

#include <csetjmp>

#include "platform/windows.h"

namespace fuzz_fpu {

inline constexpr std::uint16_t program_control_word = 0x1332;
// Everything masked, the state the fuzzer itself runs in.
inline constexpr std::uint16_t masked_control_word = 0x037F;

inline sigjmp_buf* trap_target = nullptr;
inline volatile int trapped_code = 0;

inline void on_fpe(int, siginfo_t* info, void*) {
    trapped_code = info->si_code;
    siglongjmp(*trap_target, 1);
}

inline void install_handler() {
    static bool installed = false;
    if (installed) return;
    struct sigaction action {};
    action.sa_sigaction = on_fpe;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGFPE, &action, nullptr);
    installed = true;
}

// 0 when body ran through, else the si_code of the fault (FPE_FLTOVF, ...).
template <class Body>
int run_trapping(Body&& body) {
    install_handler();
    sigjmp_buf here;
    trap_target = &here;
    if (sigsetjmp(here, 1) == 0) {
        platform::fpu_reset(program_control_word);
        body();
        // An x87 fault is raised at the next waiting instruction; FNINIT
        // would drop a pending one silently.
        asm volatile("fwait");
        platform::fpu_reset(masked_control_word);
        return 0;
    }
    platform::fpu_reset(masked_control_word);
    return trapped_code;
}

}  // namespace fuzz_fpu
