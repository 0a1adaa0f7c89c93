// What chain and queue share: their files, and the refusal of input that
// does not fit their tables.
#pragma once

#include "platform/machine.h"
#include "runtime/frame.h"
#include "runtime/text_file.h"

namespace queue_files {

// Binds and opens "queue.in" for reading and "queue.out" for writing; the
// output is created before any input is read.
inline void open_files() {
    rt::text_assign(rt::std_input, "queue.in");
    rt::text_open_input(rt::std_input);
    rt::io_check();
    rt::text_assign(rt::std_output, "queue.out");
    rt::text_open_output(rt::std_output);
    rt::io_check();
}

inline void close_files() {
    rt::text_close(rt::std_input);
    rt::io_check();
    rt::text_close(rt::std_output);
    rt::io_check();
}

// Runtime error 201 for input beyond the tables, reported at the address
// after this call, as io_check reports its errors.
[[noreturn, gnu::noinline]] inline void refuse_outside_tables() {
    rt::run_error(201, platform::code_address(__builtin_return_address(0)));
}

}  // namespace queue_files
