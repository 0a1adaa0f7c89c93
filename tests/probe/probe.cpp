// A program linked with the runtime whose argument picks a way to end, so
// that the case tables can watch the program frame from outside: faults,
// signals, the report, the halt sequence and files held open.
#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/windows.h"
#include "runtime/integer_io.h"
#include "runtime/real.h"
#include "tests/processor/instructions.h"

using namespace rt;

namespace {

char scenario[64];
char argument[260];  // the file that the hold scenarios keep open

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

__attribute__((no_sanitize("null", "address"))) void write_through_null() { *static_cast<volatile int*>(nullptr) = 1; }

void faulting_finalise() { divide(1, 0); }

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

[[noreturn]] void program_entry() {
    console_flag = 1;
    // A fourth module whose finalisation faults, for one scenario.
    static const ModuleRow rows[4] = {module_table.rows[0], module_table.rows[1], module_table.rows[2],
                                      {nullptr, faulting_finalise}};
    static const ModuleTable faulting_table = {4, rows};
    program_start(is("fault-in-finalise") ? faulting_table : module_table);
    // Hidden from the compiler, so the division happens when the program runs.
    Real zero = 0;
    asm volatile("" : "+m"(zero));
    TextFile local{};
    if (is("broken-pipe")) {
        break_standard_output();
        write_text("nobody reads this");
        text_close(std_output);
        io_check();
    } else if (is("float-divide-by-zero")) {
        Real result = Real(1) / zero;
        asm volatile("" : : "m"(result));
    } else if (is("recursion")) {
        recurse_again = recurse;
        recurse(0);
    } else if (is("null-write")) {
        write_through_null();
    } else if (is("console-output")) {
        write_text("to the console");
        write_line_end(std_output);
    } else if (is("fault-in-finalise")) {
        open_output("probe.out");
        write_text("kept");
    } else if (is("hold-output") || is("hold-input")) {
        // Holds the file open, for output after writing 200 bytes (one full
        // buffer reaches the file, 72 stay in the buffer), until a number
        // arrives on the FIFO hold.fifo.
        text_assign(std_input, argument);
        if (is("hold-output")) {
            open_output(argument);
            for (int line = 0; line < 20; ++line) write_text("held line\n");
        } else {
            text_open_input(std_input);
            io_check();
        }
        text_assign(local, "hold.fifo");
        text_open_input(local);
        read_integer(local);
        io_check();
    } else if (is("breakpoint")) {
        asm volatile(PROBE_BREAKPOINT);
    } else {
        halt_program(99);
    }
    halt_program(0);
}

int main(int argc, char** argv) {
    if (argc > 1) std::strncpy(scenario, argv[1], sizeof scenario - 1);
    if (argc > 2) std::strncpy(argument, argv[2], sizeof argument - 1);
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
