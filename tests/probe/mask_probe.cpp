// A Windows program linked with the runtime and a double of GetKeyboardType,
// so that the registry override of the x87 exception masks can be watched
// under Wine, whose own keyboard is always of type 4:
//   mask_probe SCENARIO TYPE/SUBTYPE
// The keyboard answers TYPE to GetKeyboardType(0) and SUBTYPE to (1), both
// integers in C notation (7/0x0D00). The registry calls are the real ones.
// Scenarios:
//   control-word      writes the x87 control word after start-up, four
//                     upper-case hex digits and CR LF, to the console
//   denormal-operand  loads a denormal double, which faults only where the
//                     override cleared the denormal mask
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/windows.h"
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/real.h"
#include "runtime/text_file.h"

namespace {

char scenario[64];
std::int32_t keyboard_type = 4;
std::int32_t keyboard_subtype = 0;

bool is(const char* name) { return std::strcmp(scenario, name) == 0; }

// TYPE/SUBTYPE of the command line into the double's answers.
void read_keyboard(const char* text) {
    char* end = nullptr;
    keyboard_type = static_cast<std::int32_t>(std::strtol(text, &end, 0));
    if (*end == '/') keyboard_subtype = static_cast<std::int32_t>(std::strtol(end + 1, nullptr, 0));
}

// The unit's own control word, as the start-up loaded it; bit 6, reserved,
// reads as 1 and is left out.
void write_control_word() {
    std::uint16_t control_word = 0;
    asm volatile("fnstcw %0" : "=m"(control_word));
    char text[8];
    std::snprintf(text, sizeof text, "%04X", control_word & 0xFFBFu);
    rt::put_chars(rt::std_output, text, 4);
    rt::write_line_end(rt::std_output);
}

void load_denormal() {
    volatile double denormal = 1e-310;
    rt::Real loaded = denormal;
    asm volatile("" : : "m"(loaded));
}

}  // namespace

namespace platform {

// The double, linked instead of the platform's own.
std::int32_t GetKeyboardType(std::int32_t which) {
    return which == 0 ? keyboard_type : which == 1 ? keyboard_subtype : 0;
}

}  // namespace platform

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);
    if (is("control-word")) {
        write_control_word();
    } else if (is("denormal-operand")) {
        load_denormal();
    } else {
        rt::halt_program(99);
    }
    rt::halt_program(0);
}

int main(int argc, char** argv) {
    if (argc > 1) std::strncpy(scenario, argv[1], sizeof scenario - 1);
    if (argc > 2) read_keyboard(argv[2]);
    platform::run_on_program_stack(program_entry);
}
