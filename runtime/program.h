// What the runtime offers a program's main body beside its text files and
// numbers: the program's own input and output files, and large pages for its
// big tables.
#pragma once

#include <cstddef>

#include "platform/machine.h"
#include "runtime/frame.h"
#include "runtime/text_file.h"

namespace rt {

// The names of the program's input and output files, defined for each
// program by its add_program (cmake/programs.cmake).
extern const char program_input[];
extern const char program_output[];

// Binds std_input to the program's input file and opens it for reading, then
// std_output to its output file, which is created or emptied before any
// input is read; each open is checked as a statement of the main body.
[[gnu::always_inline]] inline void open_program_files() {
    text_assign(std_input, program_input);
    text_open_input(std_input);
    io_check();
    text_assign(std_output, program_output);
    text_open_output(std_output);
    io_check();
}

// A big table that the program walks at random is aligned to
// big_table_alignment and given to prefer_large_pages before its first
// touch, a hint for fewer address-cache misses.
inline constexpr std::size_t big_table_alignment = platform::large_page_alignment;
[[gnu::always_inline]] inline void prefer_large_pages(void* table, std::size_t bytes) {
    platform::advise_large_pages(table, bytes);
}

}  // namespace rt
