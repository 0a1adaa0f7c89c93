// The probe's instructions of each processor: a 32-bit integer division,
// labelled probe_division (divide_instruction, or PROBE_DIVISION where it is
// one instruction on two registers), and a breakpoint. division_traps says whether the
// division faults on a zero divisor wherever the tests run; where it does
// not, the probe ends the program itself, as the fault would, with error 200
// at the division. x86 also has PROBE_PRIVILEGED, a privileged instruction
// that only its bytes tell from an access violation; elsewhere the probe ends
// with error 218 itself.
#pragma once

#include <cstdint>

namespace probe {

#if defined(__x86_64__) || defined(__i386__)
inline constexpr bool division_traps = true;
[[gnu::always_inline]] inline std::int32_t divide_instruction(std::int32_t a, std::int32_t b) {
    asm volatile("cltd\n\tprobe_division: idivl %1" : "+a"(a) : "r"(b) : "edx");
    return a;
}
#define PROBE_BREAKPOINT "int3"
#define PROBE_PRIVILEGED ".byte 0x0F, 0x20, 0xC0"  // mov %cr0, %eax (%rax): a general protection fault

#elif defined(__aarch64__)
inline constexpr bool division_traps = false;  // a zero divisor gives 0
#define PROBE_DIVISION "sdiv %w0, %w0, %w1"
#define PROBE_BREAKPOINT "brk #0"

#elif defined(__arm__)
// No division instruction on the processors armhf and armel are built for:
// libgcc's helper, which raises SIGFPE itself (inside raise) for a zero divisor.
inline constexpr bool division_traps = false;
[[gnu::always_inline]] inline std::int32_t divide_instruction(std::int32_t a, std::int32_t b) {
    register std::int32_t dividend asm("r0") = a;
    register std::int32_t divisor asm("r1") = b;
    asm volatile("probe_division: bl __aeabi_idiv"
                 : "+r"(dividend), "+r"(divisor)
                 :
                 : "r2", "r3", "r12", "lr", "cc", "memory");
    return dividend;
}
#define PROBE_BREAKPOINT "bkpt #0"

#elif defined(__mips__)
// The division does not trap; the conditional trap after it (teq, code 7, as
// the compiler writes it) is SIGFPE (FPE_INTDIV) from Linux, but SIGTRAP from
// qemu-user, which would be error 255: the probe checks the divisor itself.
inline constexpr bool division_traps = false;
[[gnu::always_inline]] inline std::int32_t divide_instruction(std::int32_t a, std::int32_t b) {
    asm volatile(".globl probe_division\nprobe_division: div $zero, %0, %1\n\tteq %1, $zero, 7\n\tmflo %0"
                 : "+r"(a)
                 : "r"(b)
                 : "hi", "lo");
    return a;
}
#define PROBE_BREAKPOINT "break"

#elif defined(__powerpc64__)
inline constexpr bool division_traps = false;  // a zero divisor gives an undefined value
#define PROBE_DIVISION "divw %0, %0, %1"
#define PROBE_BREAKPOINT "trap"

#elif defined(__s390x__)
inline constexpr bool division_traps = true;  // SIGFPE (FPE_INTDIV)
[[gnu::always_inline]] inline std::int32_t divide_instruction(std::int32_t a, std::int32_t b) {
    // dsgfr divides the 64-bit dividend in the odd register of an even/odd
    // pair by a 32-bit divisor: the quotient goes to the odd register.
    register std::int64_t remainder asm("r2") = 0;
    register std::int64_t quotient asm("r3") = a;
    asm volatile("probe_division: dsgfr %0, %2" : "+r"(remainder), "+r"(quotient) : "r"(b) : "cc");
    return static_cast<std::int32_t>(quotient);
}
#define PROBE_BREAKPOINT ".short 0x0001"  // the breakpoint opcode, an operation exception

#elif defined(__riscv)
inline constexpr bool division_traps = false;  // a zero divisor gives -1
#define PROBE_DIVISION "divw %0, %0, %1"
#define PROBE_BREAKPOINT "ebreak"

#else
#error "no probe instructions for this processor in tests/processor/instructions.h"
#endif

// Where the division is one instruction on two registers, PROBE_DIVISION.
#if defined(PROBE_DIVISION)
[[gnu::always_inline]] inline std::int32_t divide_instruction(std::int32_t a, std::int32_t b) {
    asm volatile("probe_division: " PROBE_DIVISION : "+r"(a) : "r"(b));
    return a;
}
#endif

}  // namespace probe
