// The runtime error numbers that the runtime gives itself, beside those of
// the operating system's errors and of the file operations (text_file.h):
// the faults', as the fault handler maps the Windows exception codes
// (exception_error_number, frame.cpp), and that of a value outside a
// program's tables (range_error). A fault is reported at the faulting
// instruction, a refused value at the instruction after the call that
// refused it. tests/run_cases reads the numbers of faults from the lines
// that end in "// fault"; bench/interrupt_stress reads error_control_c.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr std::uint8_t error_division_by_zero = 200;  // fault
// Also an array-bounds fault, which no processor raises for these programs.
inline constexpr std::uint8_t error_range = 201;
inline constexpr std::uint8_t error_stack_overflow = 202;  // fault
inline constexpr std::uint8_t error_real_overflow = 205;   // fault
// Also a file name that is too long (the low byte of ERROR_FILENAME_EXCED_RANGE).
inline constexpr std::uint8_t error_real_underflow = 206;          // fault
inline constexpr std::uint8_t error_invalid_operation = 207;       // fault
inline constexpr std::uint8_t error_integer_overflow = 215;        // fault
inline constexpr std::uint8_t error_access_violation = 216;        // fault
inline constexpr std::uint8_t error_control_c = 217;               // fault
inline constexpr std::uint8_t error_privileged_instruction = 218;  // fault
inline constexpr std::uint8_t error_other_fault = 255;             // fault

}  // namespace rt
