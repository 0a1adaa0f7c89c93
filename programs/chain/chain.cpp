// chain: rebuilds a queue from the pairs "x y" (y stands directly behind x)
// in "queue.in" and writes it front to back to "queue.out".
//
// Any 32-bit values are accepted, since they are only compared. The output is
// that of scanning the whole pair list again for every step (see
// chain_scan.h), produced through an index of the pairs instead.
#include <cstdint>

#include "programs/chain/chain_scan.h"
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/program.h"
#include "runtime/text_file.h"

namespace {

using chain_scan::max_pairs;
using chain_scan::pair_first;
using chain_scan::pair_second;

// The count read first; n - 1 pairs follow.
std::int32_t n;

std::int32_t wrapped_minus(std::int32_t value, std::uint32_t amount) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) - amount);
}

void read_count() {
    n = rt::read_integer(rt::std_input);
    rt::read_line_end(rt::std_input);
    rt::io_check();
    // More pairs than the tables hold; with wrap-around, n = -2147483648
    // asks for the largest int32 count of pairs.
    if (wrapped_minus(n, 1) > max_pairs) rt::range_error();
}

void read_pairs() {
    const std::int32_t pair_count = wrapped_minus(n, 1);
    for (std::int32_t k = 1; k <= pair_count; ++k) {
        pair_first[k] = rt::read_integer(rt::std_input);
        pair_second[k] = rt::read_integer(rt::std_input);
        rt::io_check();
    }
}

void write_head(std::int32_t first, std::int32_t second) {
    rt::write_integer(rt::std_output, first);
    rt::write_char(rt::std_output, ' ');
    rt::write_integer(rt::std_output, second);
    rt::text_flush(rt::std_output);
    rt::io_check();
}

void write_follower(std::int32_t value) {
    rt::write_char(rt::std_output, ' ');
    rt::write_integer(rt::std_output, value);
    rt::text_flush(rt::std_output);
    rt::io_check();
}

constexpr chain_scan::ChainWriter output_writer{write_head, write_follower};

}  // namespace

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);
    chain_scan::prefer_large_pages();
    rt::open_program_files();
    read_count();
    read_pairs();
    chain_scan::index_pairs(wrapped_minus(n, 1));
    chain_scan::search_heads(output_writer);
    chain_scan::follow_up(wrapped_minus(n, 2), output_writer);
    rt::text_close(rt::std_input);
    rt::io_check();
    rt::text_close(rt::std_output);
    rt::io_check();
    rt::halt_program(0);
}
