// factor: reads N and K from factor.in and writes to factor.out the number of
// ways of writing N as a product of divisors of N from 2 to K, the order of
// the factors ignored.
#include <cstdint>

#include "programs/factor/factor_count.h"
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/program.h"
#include "runtime/text_file.h"

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);

    rt::open_program_files();

    const std::int32_t n = rt::read_integer(rt::std_input);
    const std::int32_t k = rt::read_integer(rt::std_input);
    rt::io_check();

    rt::text_close(rt::std_input);
    rt::io_check();

    const std::int32_t divisor_count = factor::collect_divisors(n, k);
    const std::int32_t result = factor::count_products(n, divisor_count);

    // No line end; the end of the program closes std_output, which writes
    // the digits out.
    rt::write_integer(rt::std_output, result);
    rt::text_flush(rt::std_output);
    rt::io_check();

    rt::halt_program(0);
}
