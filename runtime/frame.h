// Program frame: start-up, the halt sequence, runtime errors and faults.
#pragma once

#include <cstdint>

namespace rt {

// Set to 1 by a console program's entry before anything else runs.
extern std::uint8_t console_flag;
// Exit code of the process; set only by halt_program.
extern std::int32_t halt_code;
// Code address of a pending runtime error; 0 when none is pending.
extern std::uint32_t error_address;
// x87 control word loaded at start-up and after every fault.
extern std::uint16_t fpu_control_word;
// Pending I/O error: 0, a Windows error code or 102 to 106. One cell for the
// process, not one per thread: a program has one thread, and on Windows the
// halt of a Ctrl-C runs on the console's thread while the program's is
// suspended. A thread-local cell (emulated TLS under mingw) would have that
// halt run TLS's one-time set-up and allocate, waiting on a set-up or a heap
// lock that the suspended thread may hold.
extern std::uint32_t io_result;

struct ModuleRow {
    void (*initialise)();  // may be null
    void (*finalise)();    // may be null
};
struct ModuleTable {
    std::int32_t count;
    const ModuleRow* rows;
};
// The three rows every program runs: a counter row, the runtime core, an empty row.
extern const ModuleTable module_table;
// Number of module_table rows whose initialisation has been started.
extern std::int32_t initialised_count;

// Error kinds 1 to 24 and their runtime error numbers (kind 0 is the I/O error).
extern const std::uint8_t error_kind_table[25];
// "Runtime error     at 00000000" and a zero byte; filled in place by the report.
extern char runtime_error_message[30];

void program_start(const ModuleTable& table);
// Ends the program with the pending I/O error, if any. io_check is a call of
// io_check_call, whose return address is the error address, and an empty
// statement after it that may touch any memory: the compiler cannot move that
// before the call, so even at the end of a function the call stays a call and
// never becomes a jump, which would report the caller's caller instead.
void io_check_call();
[[gnu::always_inline]] inline void io_check() {
    io_check_call();
    asm volatile("" ::: "memory");
}
[[noreturn]] void run_error_kind(std::uint32_t kind, std::uint32_t address);
// Ends the program for a fault with this Windows exception code at this code
// address: the floating-point unit is reset, then the fault's runtime error.
// The fault handler ends this way, and so does the software real for the
// faults the x87 unit would raise.
[[noreturn]] void end_with_fault(std::uint32_t exception_code, std::uint32_t address);
[[noreturn]] void run_error(std::uint8_t number, std::uint32_t address);
[[noreturn]] void halt_program(std::int32_t code);
void report_runtime_error();
void reset_fpu();
std::uint8_t exception_error_number(std::uint32_t exception_code);

// Whether the floating-point override applies, by the two keyboard type answers.
bool fpu_override_applies(std::int32_t keyboard_type, std::int32_t keyboard_subtype);
// The control word with its six exception-mask bits taken from masks.
std::uint16_t with_fpu_masks(std::uint16_t control_word, std::uint32_t masks);

}  // namespace rt

// Each program defines its main body here; the runtime's main() runs it on
// the program stack. It sets console_flag, calls program_start, runs its
// statements and ends with halt_program(0).
[[noreturn]] void program_entry();
