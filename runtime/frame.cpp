// Program frame: start-up, the halt sequence, runtime errors and faults.
#include "runtime/frame.h"

#include <cstddef>

#include "platform/machine.h"
#include "platform/system.h"
#include "runtime/error_numbers.h"
#include "runtime/text_file.h"

namespace rt {

std::uint8_t console_flag = 0;
std::int32_t halt_code = 0;
std::uint32_t error_address = 0;
std::uint16_t fpu_control_word = 0x1332;
std::int32_t initialised_count = 0;

const std::uint8_t error_kind_table[25] = {0,   203, 204, 200, 201, 215, 207, 200, 205,
                                           206, 219, 216, 218, 217, 202, 220, 221, 222,
                                           223, 224, 225, 227, 0,   228, 229};

char runtime_error_message[30] = "Runtime error     at 00000000";

namespace {

// Positions in runtime_error_message.
constexpr int number_last_digit = 16;
constexpr int number_first_position = 13;
constexpr int address_last_digit = 28;
constexpr int address_first_position = 21;

// Row 1: a module with nothing to do but count its own starts and ends.
std::int32_t counter_module_count = 0;
void counter_module_initialise() { --counter_module_count; }
void counter_module_finalise() { ++counter_module_count; }

// Row 2: the runtime core. The guard makes each routine do its work once.
std::int32_t core_guard = 0;

// The runtime's own key that may hold the value "FPUMaskValue".
constexpr char fpu_mask_key[] = "Software\\BatchPrograms\\Runtime";

// The registry's exception masks: value as read from "FPUMaskValue", or as it
// was when the key does not open or the value is missing.
std::uint32_t registry_fpu_mask(std::uint32_t value) {
    platform::HKEY key = 0;
    if (platform::RegOpenKeyExA(platform::HKEY_LOCAL_MACHINE, fpu_mask_key, 0,
                                platform::KEY_QUERY_VALUE, &key) != platform::ERROR_SUCCESS) {
        return value;
    }
    platform::DWORD size = sizeof value;
    platform::RegQueryValueExA(key, "FPUMaskValue", &value, &size);
    platform::RegCloseKey(key);
    return value;
}

void core_start_up() {
    if (core_guard-- != 0) return;
    // The registry override of the exception masks, only on a machine with
    // the keyboard that calls for it.
    const std::int32_t keyboard_type = platform::GetKeyboardType(0);
    if (fpu_override_applies(keyboard_type, platform::GetKeyboardType(1))) {
        fpu_control_word = with_fpu_masks(fpu_control_word, registry_fpu_mask(fpu_control_word));
    }
    reset_fpu();
    std_input.mode = mode_closed;
    std_output.mode = mode_closed;
    std_error.mode = mode_closed;
}

void core_shut_down() {
    if (++core_guard != 0) return;
    text_close(std_input);
    // A program that leaves its last output to this close would otherwise
    // end with exit code 0 and an incomplete file when the close fails. That
    // failure ends the program as its runtime error; a close of a file that
    // was not open, or a close during the report of another error, does not.
    const bool output_open = std_output.mode == mode_output;
    const std::uint32_t error_before = io_result;
    text_close(std_output);
    const std::uint32_t output_error = io_result;
    text_close(std_error);
    if (output_open && output_error != error_before && halt_code == 0) {
        run_error(static_cast<std::uint8_t>(output_error & 0xFF),
                  platform::code_address(__builtin_return_address(0)));
    }
}

void empty_module_finalise() {}

constexpr ModuleRow module_rows[3] = {
    {counter_module_initialise, counter_module_finalise},
    {core_start_up, core_shut_down},
    {nullptr, empty_module_finalise},
};

const ModuleTable* running_table = nullptr;

void fault_handler(const platform::ExceptionRecord& record) {
    if (platform::UnhandledExceptionFilter(record) == platform::EXCEPTION_CONTINUE_SEARCH) return;
    // The frames above the handler are abandoned: the halt sequence runs on
    // the handler's stack and never returns to them.
    end_with_fault(record.code, record.address);
}

}  // namespace

const ModuleTable module_table = {3, module_rows};

bool fpu_override_applies(std::int32_t keyboard_type, std::int32_t keyboard_subtype) {
    // Keyboard type 7 is a Japanese keyboard; its subtype is the maker's own
    // number, of which only the high byte counts here. Only a machine with
    // such a keyboard, of subtype 0x04xx or 0x0Dxx, reads the registry's masks.
    constexpr std::int32_t japanese_keyboard = 7;
    const std::int32_t subtype = keyboard_subtype & 0xFF00;
    return keyboard_type == japanese_keyboard && (subtype == 0x0D00 || subtype == 0x0400);
}

std::uint16_t with_fpu_masks(std::uint16_t control_word, std::uint32_t masks) {
    return static_cast<std::uint16_t>((control_word & 0xFFC0u) | (masks & 0x3Fu));
}

void reset_fpu() { platform::fpu_reset(fpu_control_word); }

void program_start(const ModuleTable& table) {
    platform::install_fault_handler(fault_handler);
    running_table = &table;
    initialised_count = 0;
    for (std::int32_t row = 0; row < table.count; ++row) {
        initialised_count = row + 1;
        if (table.rows[row].initialise != nullptr) table.rows[row].initialise();
    }
}

[[gnu::noinline]] void io_check_call() {
    if (io_result == 0) return;
    run_error_kind(0, platform::code_address(__builtin_return_address(0)));
}

void run_error_kind(std::uint32_t kind, std::uint32_t address) {
    kind &= 0x7F;
    std::uint8_t number;
    if (kind == 0) {
        number = static_cast<std::uint8_t>(io_result & 0xFF);
    } else if (kind <= 24) {
        number = error_kind_table[kind];
    } else {
        number = static_cast<std::uint8_t>(kind);
    }
    run_error(number, address);
}

void end_with_fault(std::uint32_t exception_code, std::uint32_t address) {
    reset_fpu();
    run_error(exception_error_number(exception_code), address);
}

void run_error(std::uint8_t number, std::uint32_t address) {
    error_address = address;
    halt_program(number);
}

[[gnu::noinline]] void range_error() {
    run_error(error_range, platform::code_address(__builtin_return_address(0)));
}

void halt_program(std::int32_t code) {
    // From here on a Ctrl-C starts no halt of its own: the first cause's report
    // and exit code stand. A fault in the halt still enters it again.
    platform::begin_halt();
    halt_code = code;
    if (error_address != 0) {
        report_runtime_error();
        error_address = 0;
    }
    // Each row's count is lowered before its finalisation runs, so a fault
    // inside one re-enters here and goes on with the rows below it.
    while (initialised_count > 0) {
        --initialised_count;
        if (running_table == nullptr) break;
        const auto finalise = running_table->rows[initialised_count].finalise;
        if (finalise != nullptr) finalise();
    }
    platform::remove_fault_handler();
    platform::ExitProcess(static_cast<platform::DWORD>(halt_code));
}

void report_runtime_error() {
    char* const message = runtime_error_message;
    // Blank the number and zero the address first: a second report (a fault
    // during the halt sequence) must not show digits of the first.
    for (int i = number_first_position; i <= number_last_digit; ++i) message[i] = ' ';
    for (int i = address_first_position; i <= address_last_digit; ++i) message[i] = '0';

    std::uint32_t number = static_cast<std::uint32_t>(halt_code);
    int position = number_last_digit;
    do {
        message[position--] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0 && position >= number_first_position);

    std::uint32_t address = error_address;
    position = address_last_digit;
    do {
        message[position--] = "0123456789ABCDEF"[address & 0xF];
        address >>= 4;
    } while (address != 0);

    if (console_flag == 0) {
        platform::MessageBoxA(message, "Error");
        return;
    }
    if (std_output.mode == mode_output && std_output.buffer_pos > 0) {
        std_output.transfer_slot(std_output);
    }
    // The line and its CR LF in one write, so that nothing (a fault in the
    // halt, another writer of the same pipe) can come between them.
    char line[sizeof runtime_error_message + 2];
    for (std::size_t i = 0; i < sizeof runtime_error_message; ++i) line[i] = message[i];
    line[sizeof runtime_error_message] = '\r';
    line[sizeof runtime_error_message + 1] = '\n';
    platform::DWORD written = 0;
    platform::WriteFile(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE), line, sizeof line,
                        &written);
}

std::uint8_t exception_error_number(std::uint32_t exception_code) {
    switch (exception_code) {
        case platform::EXCEPTION_ACCESS_VIOLATION: return error_access_violation;
        case platform::EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return error_range;
        case platform::EXCEPTION_FLT_DENORMAL_OPERAND: return error_real_underflow;
        case platform::EXCEPTION_FLT_DIVIDE_BY_ZERO: return error_division_by_zero;
        case platform::EXCEPTION_FLT_INEXACT_RESULT:
        case platform::EXCEPTION_FLT_INVALID_OPERATION: return error_invalid_operation;
        case platform::EXCEPTION_FLT_OVERFLOW: return error_real_overflow;
        case platform::EXCEPTION_FLT_STACK_CHECK: return error_invalid_operation;
        case platform::EXCEPTION_FLT_UNDERFLOW: return error_real_underflow;
        case platform::EXCEPTION_INT_DIVIDE_BY_ZERO: return error_division_by_zero;
        case platform::EXCEPTION_INT_OVERFLOW: return error_integer_overflow;
        case platform::EXCEPTION_PRIV_INSTRUCTION: return error_privileged_instruction;
        case platform::EXCEPTION_STACK_OVERFLOW: return error_stack_overflow;
        case platform::STATUS_CONTROL_C_EXIT: return error_control_c;
        default: return error_other_fault;
    }
}

}  // namespace rt
