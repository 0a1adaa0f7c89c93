// A program linked with the runtime whose one argument picks what it does,
// so that the tests can watch the program frame and the text files from the
// outside: exit codes, report lines and the files left behind.
#include <signal.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/windows.h"
#include "runtime/integer_io.h"

using namespace rt;

namespace {

char scenario[64];
char argument[260];  // a file name for the scenarios that take one

void open_output(std::string_view name) {
    text_assign(std_output, name);
    text_open_output(std_output);
    io_check();
}

void write_text(TextFile& file, const char* text) {
    put_chars(file, text, static_cast<std::int32_t>(std::strlen(text)));
}

// Calls itself through a pointer the compiler cannot see through, so the
// recursion is neither refused at compile time nor turned into a loop.
int (*volatile recurse_again)(int);
[[gnu::noinline]] int recurse(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    return recurse_again(depth + 1) + frame[0];
}

std::int32_t divide(std::int32_t a, std::int32_t b) {
    // In assembly, so that no sanitizer intercepts the division.
    asm volatile("cltd\n\tidivl %1" : "+a"(a) : "r"(b) : "edx");
    return a;
}

// A genuine write through a null pointer, which the sanitizers must let
// through to the fault handler. clang knows no_sanitize only in this spelling.
__attribute__((no_sanitize("null", "address"))) void write_through_null() {
    *static_cast<volatile int*>(nullptr) = 1;
}

bool is(const char* name) { return std::strcmp(scenario, name) == 0; }

// Waits for a number on the FIFO "hold.fifo", so that a test decides when
// the run goes on (or sends it a signal meanwhile).
void wait_on_fifo(TextFile& file) {
    text_assign(file, "hold.fifo");
    text_open_input(file);
    io_check();
    read_integer(file);
    io_check();
}

void faulting_finalise() { divide(1, 0); }

}  // namespace

[[noreturn]] void program_entry() {
    console_flag = 1;
    // One scenario needs a module whose finalisation faults; every other
    // one runs with the ordinary table.
    static const ModuleRow faulting_rows[4] = {module_table.rows[0], module_table.rows[1],
                                               module_table.rows[2], {nullptr, faulting_finalise}};
    static const ModuleTable faulting_table = {4, faulting_rows};
    program_start(is("fault-in-finalise") ? faulting_table : module_table);

    volatile long double zero = 0;
    volatile long double result = 0;
    TextFile local{};

    if (is("missing-input") || is("input-dir") || is("no-folder") || is("long-name")) {
        const char* name = is("missing-input") ? "missing.in"
                           : is("input-dir")   ? "folder"
                           : is("no-folder")   ? "no-such-folder/probe.in"
                                               : nullptr;
        char long_name[300];
        std::memset(long_name, 'n', sizeof long_name);
        text_assign(std_input, name != nullptr ? std::string_view(name)
                                               : std::string_view(long_name, sizeof long_name));
        text_open_input(std_input);
        io_check();
        open_output("probe.out");
    } else if (is("unprepared-open")) {
        text_open_input(local);
        io_check();
    } else if (is("close-closed")) {
        text_assign(local, "probe.in");
        text_close(local);
        io_check();
    } else if (is("read-unopened")) {
        text_assign(local, "probe.in");
        read_integer(local);
        io_check();
    } else if (is("write-unopened")) {
        text_assign(local, "probe.out");
        write_char(local, 'x');
        io_check();
    } else if (is("pending-then-error")) {
        open_output("probe.out");
        write_text(std_output, "pending");
        text_assign(local, "probe.in");
        read_integer(local);
        io_check();
    } else if (is("full-device")) {
        open_output("full.out");
        write_text(std_output, "lost");
        text_close(std_output);
        io_check();
    } else if (is("broken-pipe")) {
        int ends[2];
        if (pipe(ends) != 0) halt_program(99);
        dup2(ends[1], 1);
        close(ends[0]);
        write_text(std_output, "nobody reads this");
        text_close(std_output);
        io_check();
    } else if (is("int-divide-by-zero")) {
        divide(1, 0);
    } else if (is("float-divide-by-zero")) {
        result = 1.0L / zero;
    } else if (is("sqrt-negative")) {
        result = std::sqrt(zero - 1.0L);
    } else if (is("overflow")) {
        result = LDBL_MAX;
        result = result * 2.0L;
    } else if (is("underflow")) {
        result = LDBL_MIN;
        result = result / 1e300L / 1e300L;
        open_output("probe.out");
        write_text(std_output, result == 0 ? "zero" : "tiny");
    } else if (is("recursion")) {
        recurse_again = recurse;
        recurse(0);
    } else if (is("null-write")) {
        write_through_null();
    } else if (is("ctrl-c")) {
        open_output("probe.out");
        write_text(std_output, "before");
        kill(getpid(), SIGINT);
    } else if (is("hold-output")) {
        // 200 bytes: one full buffer reaches the file, 72 stay in the buffer.
        open_output(argument);
        for (int line = 0; line < 20; ++line) write_text(std_output, "held line\n");
        wait_on_fifo(local);
    } else if (is("hold-input")) {
        text_assign(std_input, argument);
        text_open_input(std_input);
        io_check();
        read_integer(std_input);
        io_check();
        wait_on_fifo(local);
    } else if (is("normal-end")) {
        open_output("probe.out");
        write_text(std_output, "left open");
    } else if (is("console-output")) {
        write_text(std_output, "to the console");
        write_line_end(std_output);
    } else if (is("fault-in-finalise")) {
        open_output("probe.out");
        write_text(std_output, "kept");
    } else {
        halt_program(99);
    }
    halt_program(0);
}

int main(int argc, char** argv) {
    if (argc > 1) std::strncpy(scenario, argv[1], sizeof scenario - 1);
    if (argc > 2) std::strncpy(argument, argv[2], sizeof argument - 1);
    platform::run_on_program_stack(program_entry);
}
