// A program linked with the runtime whose argument picks a way to end, so
// that the case tables can watch the program frame from outside: faults,
// signals, the report, the halt sequence and files held open; and, on
// Windows, the registry override of the x87 exception masks, with a double of
// GetKeyboardType (Wine's keyboard is always of type 4).
#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/machine.h"
#include "platform/system.h"
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/real.h"
#include "tests/processor/instructions.h"

using namespace rt;

namespace {

char scenario[64];
char argument[260];  // the file that the hold scenarios keep open, or a keyboard TYPE/SUBTYPE
// The keyboard's answers to GetKeyboardType(0) and (1), from the argument of
// the registry scenarios (7/0x0D00).
std::int32_t keyboard[2] = {4, 0};

bool is(const char* name) { return std::strcmp(scenario, name) == 0; }

void open_output(const char* name) {
    text_assign(std_output, name);
    text_open_output(std_output);
    io_check();
}

void write_text(const char* text) { put_chars(std_output, text, static_cast<std::int32_t>(std::strlen(text))); }

// Through a pointer the compiler cannot see through, so the recursion is
// neither refused at compile time nor turned into a loop.
int (*volatile recurse_again)(int);
[[gnu::noinline]] int recurse(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    return recurse_again(depth + 1) + frame[0];
}

// In assembly, so that no sanitizer intercepts the division; not inlined, so
// that its label exists once.
extern "C" const char probe_division[];
[[gnu::noinline]] std::int32_t divide(std::int32_t a, std::int32_t b) {
    asm volatile("" : "+r"(a), "+r"(b));  // unknown to the compiler: no division is left out
    if (!probe::division_traps && b == 0) run_error(200, platform::code_address(probe_division));
    return probe::divide_instruction(a, b);
}

// The analyser's null dereference is the scenario.
__attribute__((no_sanitize("null", "address"))) void write_through_null() {
    *static_cast<volatile int*>(nullptr) = 1;  // NOLINT(clang-analyzer-core.NullDereference)
}
// The first address of the upper half: the kernel's on every processor, and
// on x86-64 not canonical, a general protection fault like a privileged
// instruction's, which the bytes at the fault tell apart.
__attribute__((no_sanitize("address"))) void read_upper_half() {
    static_cast<void>(*reinterpret_cast<volatile const int*>(std::uintptr_t{1} << (sizeof(void*) * 8 - 1)));
}
// A fault of 255 that every processor reports at the instruction itself.
// Not inlined: on s390x the breakpoint is a raw opcode, after which objdump loses its way
// through the rest of a function.
[[gnu::noinline]] void breakpoint() { asm volatile(PROBE_BREAKPOINT); }

// A move from a control register on x86, whose general protection fault is a
// privileged instruction by its bytes 0F 20.
[[gnu::noinline]] void privileged_instruction() {
#if defined(PROBE_PRIVILEGED)
    asm volatile(PROBE_PRIVILEGED);
#else
    run_error(218, platform::code_address(reinterpret_cast<const void*>(privileged_instruction)));
#endif
}

// A fourth module whose finalisation fails as the scenario says.
void (*failing_finalise)() = nullptr;
const ModuleTable& module_table_for_scenario() {
    if (is("fault-in-finalise")) failing_finalise = [] { divide(1, 0); };
    if (is("interrupt-then-fault-in-finalise")) failing_finalise = breakpoint;
    if (is("second-overflow")) failing_finalise = [] { recurse(0); };
    static const ModuleRow rows[4] = {
        module_table.rows[0], module_table.rows[1], module_table.rows[2], {nullptr, [] { failing_finalise(); }}};
    static const ModuleTable table = {4, rows};
    return failing_finalise != nullptr ? table : module_table;
}

// Inside WriteFile, after the system has written the bytes and before the
// write returns (the instant at which a halt must not write them again), once.
template <void (*action)()>
void after_write(platform::HANDLE) {
    platform::test_seam::after_system_write = nullptr;
    action();
}

#if defined(_WIN32)
// The system functions the Ctrl-C handler calls, made to fail, and the
// program's thread stopped inside system calls: the probe points the
// program's own import slots at stand-ins.
extern "C" {
__declspec(dllimport) int __stdcall VirtualProtect(void* address, unsigned long size, unsigned long protect,
                                                   unsigned long* old);
__declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) int __stdcall HeapLock(void* heap);
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
extern void* suspend_thread_slot asm("__imp__SuspendThread@4");
extern void* get_thread_context_slot asm("__imp__GetThreadContext@8");
extern void* create_file_slot asm("__imp__CreateFileA@28");
extern void* create_semaphore_slot asm("__imp__CreateSemaphoreW@16");
}
unsigned long __stdcall refuse_suspend(void*) { return 0xFFFFFFFFu; }
unsigned long __stdcall suspend_late(void*) { return 0; }  // as Wine, later than the halt
int __stdcall refuse_context(void*, void*) { return 0; }
volatile int report_written = 0;
void note_report_written() { report_written = 1, Sleep(500); }

// Points the slot at the stand-in; answers the function it pointed at.
void* replace_import(void*& slot, void* stand_in) {
    unsigned long old = 0;
    VirtualProtect(&slot, sizeof slot, 0x04 /* PAGE_READWRITE */, &old);
    return std::exchange(slot, stand_in);
}

// The Ctrl-C's thread suspends the program's thread only once that holds the
// locks take_locks takes (none can be held before the Ctrl-C: the thread that
// delivers it allocates as it starts). SuspendThread's stand-in asks for them
// and waits; the program's thread waits where a stand-in of its own stopped it.
void (*take_locks)() = nullptr;
volatile int locks_asked = 0, locks_held = 0;
void* system_suspend = nullptr;
unsigned long __stdcall suspend_holding_locks(void* thread) {
    for (locks_asked = 1; locks_held == 0;) Sleep(1);
    return reinterpret_cast<unsigned long(__stdcall*)(void*)>(system_suspend)(thread);
}
[[noreturn]] void stop_for_interrupt() {
    while (locks_asked == 0) Sleep(1);
    take_locks();
    for (locks_held = 1;;) Sleep(0xFFFFFFFFu);
}
// Opens the FIFO that tells the case runner to send the Ctrl-C through the
// platform's calls alone, not the runtime's files, whose state may be what
// the case stands in the way of.
void prepare_interrupt(void (*locks)()) {
    take_locks = locks;
    system_suspend = replace_import(suspend_thread_slot, reinterpret_cast<void*>(suspend_holding_locks));
    platform::CreateFileA("signal.fifo", platform::GENERIC_READ, 0, platform::OPEN_EXISTING, 0);
}
// What CreateFileA holds while it makes a path whole from the current folder:
// the process-environment lock, and the heap's lock as it allocates.
void take_path_locks() {
    reinterpret_cast<void(__stdcall*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlAcquirePebLock"))();
    HeapLock(GetProcessHeap());
}
// The first use of a thread-local cell runs the one-time set-up of emulated
// TLS (mingw's thread-local storage), which creates a semaphore.
thread_local volatile int thread_cell = 0;
#endif

// Ends the program with runtime error 2: the input file is missing.
void open_missing_input() {
    TextFile missing{};
    text_assign(missing, "missing.in");
    text_open_input(missing);
    io_check();
}

// A Ctrl-C here: the runner sends it once the FIFO is open. If it does not end
// the program, the probe goes on after 2 s (on POSIX as soon as the signal
// has been handled, should it land in the sleep).
void interrupt_here() {
    platform::CreateFileA("signal.fifo", platform::GENERIC_READ, 0, platform::OPEN_EXISTING, 0);
#if defined(_WIN32)
    Sleep(2000);
#else
    sleep(2);
#endif
}

// The unit's control word as the start-up loaded it, four hex digits (bit 6,
// reserved, reads as 1 and is left out).
void write_control_word() {
#if defined(__x86_64__) || defined(__i386__)
    std::uint16_t control_word = 0;
    asm volatile("fnstcw %0" : "=m"(control_word));
    char text[8];
    std::snprintf(text, sizeof text, "%04X", control_word & 0xFFBFu);
    write_text(text);
    write_line_end(std_output);
#endif
}

void write_lines(int count) {
    for (int line = 0; line < count; ++line) write_text("held line\n");
}

// The standard output becomes a pipe whose reader has gone (POSIX calls only).
void break_standard_output() {
#if defined(_WIN32)
    halt_program(99);
#else
    int ends[2];
    if (pipe(ends) != 0) halt_program(99);
    dup2(ends[1], 1);
    close(ends[0]);
#endif
}

}  // namespace

#if defined(_WIN32)
// The double, linked instead of the platform's own.
std::int32_t platform::GetKeyboardType(std::int32_t which) { return which == 0 || which == 1 ? keyboard[which] : 0; }
#endif

[[noreturn]] void program_entry() {
    console_flag = 1;
    recurse_again = recurse;
    program_start(module_table_for_scenario());
    // Hidden from the compiler, so the division happens when the program runs.
    Real zero = 0;
    asm volatile("" : "+m"(zero));
    if (is("broken-pipe")) {
        break_standard_output();
        write_text("nobody reads this");
        text_close(std_output);
        io_check();
    } else if (is("float-divide-by-zero")) {
        Real result = Real(1) / zero;
        asm volatile("" : : "m"(result));
    } else if (is("recursion") || is("second-overflow")) {
        recurse(0);
    } else if (is("upper-half-read")) {
        read_upper_half();
    } else if (is("null-write")) {
        write_through_null();
    } else if (is("console-output")) {
        write_text("to the console");
        write_line_end(std_output);
    } else if (is("fault-in-finalise") || is("interrupt-then-fault-in-finalise")) {
        open_output("probe.out");
        write_text("kept");
        if (is("interrupt-then-fault-in-finalise")) interrupt_here();
    } else if (is("hold-output") || is("hold-input")) {
        // Holds the file open, for output after writing 200 bytes (one full
        // buffer reaches the file, 72 stay in the buffer), until a number
        // arrives on the FIFO hold.fifo: its open tells the case runner that
        // the probe stands where it should, and the read waits for the runner,
        // which writes a number to go on or, for a signal, nothing.
        TextFile fifo{};
        text_assign(std_input, argument);
        if (is("hold-output")) {
            open_output(argument);
            write_lines(20);
        } else {
            text_open_input(std_input);
            io_check();
        }
        text_assign(fifo, "hold.fifo");
        text_open_input(fifo);
        read_integer(fifo);
        io_check();
    } else if (is("interrupt-in-write")) {
        // A Ctrl-C once the first full buffer is written, before its write returns.
        open_output("probe.out");
        platform::test_seam::after_system_write = after_write<interrupt_here>;
        write_lines(30);
    } else if (is("fault-in-report-flush") || is("fault-in-report")) {
        // An error whose report faults once it has written the 72 bytes
        // pending, or with none pending, its line.
        if (is("fault-in-report-flush")) {
            open_output("probe.out");
            write_lines(20);
        }
        platform::test_seam::after_system_write = after_write<breakpoint>;
        open_missing_input();
    } else if (is("interrupt-in-halt")) {
        // A Ctrl-C once the halt of an error (2) or of a normal end (close)
        // has begun: after its first write (the write-out of the pending
        // output before the report, the report or the close's write-out), or
        // once it has removed its handlers (exit).
        const std::string_view at = argument;
        if (at != "report") {
            open_output("probe.out");
            write_text("kept");
        }
        if (at == "exit") platform::test_seam::after_handler_removal = interrupt_here;
        if (at != "exit") platform::test_seam::after_system_write = after_write<interrupt_here>;
        if (at != "close") open_missing_input();
#if defined(_WIN32)
    } else if (is("interrupt-in-tls-set-up")) {
        prepare_interrupt([] {});
        system_suspend = reinterpret_cast<void*>(refuse_suspend);
        replace_import(create_semaphore_slot, reinterpret_cast<void*>(stop_for_interrupt));
        thread_cell = 1;
        platform::remove_fault_handler();  // set up before: nothing to interrupt, so the case fails
        stop_for_interrupt();
    } else if (is("interrupt-in-create-file")) {
        prepare_interrupt(take_path_locks);
        replace_import(get_thread_context_slot, reinterpret_cast<void*>(refuse_context));
        replace_import(create_file_slot, reinterpret_cast<void*>(stop_for_interrupt));
        open_output("probe.out");
    } else if (is("interrupt-unsuspended")) {
        // A Ctrl-C whose suspension takes effect only after the halt and whose
        // context cannot be read: the program's thread, still running, writes
        // once the report is written, unless it has been stopped.
        replace_import(suspend_thread_slot, reinterpret_cast<void*>(suspend_late));
        replace_import(get_thread_context_slot, reinterpret_cast<void*>(refuse_context));
        platform::test_seam::after_system_write = after_write<note_report_written>;
        platform::CreateFileA("signal.fifo", platform::GENERIC_READ, 0, platform::OPEN_EXISTING, 0);
        while (report_written == 0) Sleep(1);
        platform::DWORD written = 0;
        platform::WriteFile(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE), "beside", 6, &written);
#endif
    } else if (is("control-word")) {
        write_control_word();
    } else if (is("denormal-operand")) {
        volatile double denormal = 1e-310;  // faults only where the registry cleared its mask
        Real loaded = denormal;
        asm volatile("" : : "m"(loaded));
    } else if (is("breakpoint")) {
        breakpoint();
    } else if (is("privileged-instruction")) {
        privileged_instruction();
    } else {
        halt_program(99);
    }
    halt_program(0);
}

int main(int argc, char** argv) {
    if (argc > 1) std::strncpy(scenario, argv[1], sizeof scenario - 1);
    if (argc > 2) std::strncpy(argument, argv[2], sizeof argument - 1);
    if (is("control-word") || is("denormal-operand")) std::sscanf(argument, "%i/%i", &keyboard[0], &keyboard[1]);
#if !defined(_WIN32)
    // ulimit -v from inside (a build with AddressSanitizer cannot start under one): room for
    // what is mapped now and 16 MiB, none for the program stack.
    unsigned long pages = 0;
    std::FILE* statm = is("no-stack") ? std::fopen("/proc/self/statm", "r") : nullptr;
    if (statm != nullptr && std::fscanf(statm, "%lu", &pages) == 1) {
        const rlimit room{(pages + 4096) * 4096, RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &room);
    }
#endif
    platform::run_on_program_stack(program_entry);
}
