// queue: rebuilds a queue of the people 1 to n (n up to 2,000,000) from the
// pairs "x y" (y stands directly behind x) in "queue.in" and writes it front
// to back to "queue.out", through tables indexed by value, in linear time.
//
// Input outside the tables is refused with runtime error 201 before anything
// is written: n above 2,000,000, or a pair value outside 1 to 2,000,000 (a 0
// read from a file that ends early included). A chain that links back to a
// value it has already written stops before writing it again.
#include <cstdint>

#include "programs/queue/queue_files.h"
#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/text_file.h"

namespace {

// Pair numbers and values both run from 1 to table_size; entry 0 is unused.
constexpr std::int32_t table_size = 2000000;

// The count read first; n - 1 pairs follow.
std::int32_t n;
// Pair k says that pair_second[k] stands directly behind pair_first[k].
std::int32_t pair_first[table_size + 1];
std::int32_t pair_second[table_size + 1];
// By value: how often it occurs in all pairs, first and second elements.
std::int32_t occurrences[table_size + 1];
// By value: the last pair whose first element it is; 0 when none.
std::int32_t pair_of[table_size + 1];
// By value: the head of the chain that wrote it last; 0 when never written.
// Heads are distinct values, so a chain recognises its own values without
// the table being cleared between chains.
std::int32_t written_by[table_size + 1];
// Pair number while reading and counting; the candidate head while searching.
std::int32_t counter;

bool is_table_value(std::int32_t value) { return value >= 1 && value <= table_size; }

std::int32_t pair_count() {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 1u);
}

void read_count() {
    n = rt::read_integer(rt::std_input);
    rt::read_line_end(rt::std_input);
    rt::io_check();
    // n = -2147483648 would ask for the largest int32 count of pairs.
    if (n > table_size || n == INT32_MIN) queue_files::refuse_outside_tables();
}

void read_pairs() {
    const std::int32_t last = pair_count();
    for (counter = 1; counter <= last; ++counter) {
        pair_first[counter] = rt::read_integer(rt::std_input);
        pair_second[counter] = rt::read_integer(rt::std_input);
        rt::io_check();
    }
}

void count_pairs() {
    const std::int32_t last = pair_count();
    for (counter = 1; counter <= last; ++counter) {
        const std::int32_t x = pair_first[counter];
        const std::int32_t y = pair_second[counter];
        if (!is_table_value(x) || !is_table_value(y)) queue_files::refuse_outside_tables();
        ++occurrences[x];
        ++occurrences[y];
        pair_of[x] = counter;
    }
}

// Writes the chain that starts at the value in counter.
void print_chain() {
    std::int32_t k = pair_of[counter];
    rt::write_integer(rt::std_output, pair_first[k]);
    rt::text_flush(rt::std_output);
    rt::io_check();
    written_by[pair_first[k]] = counter;
    while (k > 0) {
        const std::int32_t next = pair_second[k];
        // Loaded before the writes: the walk jumps through memory at random,
        // and the loads of the next step then overlap the formatting.
        const std::int32_t next_pair = pair_of[next];
        if (written_by[next] == counter) return;  // the links lead back into this chain
        rt::write_char(rt::std_output, ' ');
        rt::write_integer(rt::std_output, next);
        rt::text_flush(rt::std_output);
        rt::io_check();
        written_by[next] = counter;
        k = next_pair;
    }
}

void search_heads() {
    const std::int32_t last = n;
    for (counter = 1; counter <= last; ++counter) {
        if (occurrences[counter] == 1 && pair_of[counter] > 0) print_chain();
    }
}

}  // namespace

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);
    queue_files::open_files();
    read_count();
    read_pairs();
    count_pairs();
    search_heads();
    queue_files::close_files();
    rt::halt_program(0);
}
