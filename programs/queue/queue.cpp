// queue: rebuilds a queue of the people 1 to n (n up to 2,000,000) from the
// pairs "x y" (y stands directly behind x) in "queue.in" and writes it front
// to back to "queue.out", through tables indexed by value, in linear time.
//
// Input outside the tables is refused with runtime error 201 before anything
// is written: n above 2,000,000, or a pair value outside 1 to 2,000,000 (a 0
// read from a file that ends early included). A chain that links back to a
// value it has already written stops before writing it again.
//
// The pairs are not kept: each is entered into the tables as it is read. The
// walk along a chain jumps through memory at random, so a step touches one
// big table only, that of the value behind each value; the stamps that stop
// cycles are needed only at values that are the second element of two or
// more pairs, since a walk can meet a value again only there. Input without
// such a value, a queue among them, is walked two steps per miss.
#include <algorithm>
#include <cstdint>

#include "runtime/frame.h"
#include "runtime/integer_io.h"
#include "runtime/program.h"
#include "runtime/text_file.h"

namespace {

// Values run from 1 to table_size; entry 0 is unused.
constexpr std::int32_t table_size = 2000000;

// What the pairs say of a value, as bits: how often it is a first element,
// and how often a second element, each counted up to two.
constexpr std::uint8_t first_once = 1;
constexpr std::uint8_t first_twice = 2;
constexpr std::uint8_t second_once = 4;
constexpr std::uint8_t second_twice = 8;

// The count read first; n - 1 pairs follow.
std::int32_t n;
// By value: the second element of the last pair whose first element it is,
// 0 when none (a table value is never 0), in the top bit whether the value is
// the second element of two or more pairs, so that the walk learns it from
// the entry it loads anyway; and beside it the value two steps on. The table
// starts on a large-page boundary, so that large pages cover it whole.
constexpr std::uint32_t meets_twice = 0x80000000u;
constexpr std::uint32_t value_bits = 0x7FFFFFFFu;
struct Link {
    std::uint32_t next;
    // next of next, 0 when there is none; filled only for a walk that needs
    // no stamps (see print_chain_by_two).
    std::uint32_t after_next;
};
alignas(rt::big_table_alignment) Link links[table_size + 1];
// By value: the bits above.
alignas(rt::big_table_alignment) std::uint8_t seen[table_size + 1];
// Whether some value is the first element of two pairs or the second element
// of two, and the largest value of all pairs.
bool some_value_twice;
std::int32_t largest_value;
// By value, for values that are the second element of two or more pairs: the
// head of the chain that wrote it last; 0 when never written. Heads are
// distinct values, so a chain recognises its own values without the table
// being cleared between chains.
std::int32_t written_by[table_size + 1];

bool is_table_value(std::int32_t value) {
    return static_cast<std::uint32_t>(value) - 1u < static_cast<std::uint32_t>(table_size);
}

// Counts the pair x y in seen and enters y as the value behind x.
void enter_pair(std::int32_t x, std::int32_t y) {
    const std::uint8_t x_bits = seen[x];
    seen[x] = static_cast<std::uint8_t>(x_bits | first_once | ((x_bits & first_once) << 1));
    links[x].next =
        static_cast<std::uint32_t>(y) | ((x_bits & second_twice) != 0 ? meets_twice : 0);
    const std::uint8_t y_bits = seen[y];
    seen[y] = static_cast<std::uint8_t>(y_bits | second_once | ((y_bits & second_once) << 1));
    if ((y_bits & second_once) != 0) links[y].next |= meets_twice;
    some_value_twice |= ((x_bits & first_once) | (y_bits & second_once)) != 0;
    largest_value = std::max(largest_value, std::max(x, y));
}

// A head occurs exactly once in all pairs, as a first element.
bool is_head(std::int32_t value) {
    return (seen[value] & (first_once | first_twice | second_once)) == first_once;
}

void read_count() {
    n = rt::read_integer(rt::std_input);
    rt::read_line_end(rt::std_input);
    rt::io_check();
    // n = -2147483648 would ask for the largest int32 count of pairs.
    if (n > table_size || n == INT32_MIN) rt::range_error();
}

// Reads the n - 1 pairs and enters them into the tables. A pair with a value
// outside the tables is refused once all pairs are read: a malformed number
// later in the file ends the program first.
//
// The entries of a pair lie at random places in the tables: they are fetched
// as soon as the pair is read and entered a batch of pairs later, in input
// order, so that the misses overlap the reading instead of waiting for it.
void read_pairs() {
    constexpr int batch_size = 16;
    std::int32_t batch_x[batch_size];
    std::int32_t batch_y[batch_size];
    int batched = 0;
    const std::int32_t last = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 1u);
    bool outside = false;
    for (std::int32_t k = 1; k <= last; ++k) {
        const std::int32_t x = rt::read_integer(rt::std_input);
        const std::int32_t y = rt::read_integer(rt::std_input);
        rt::io_check();
        if (!is_table_value(x) || !is_table_value(y)) {
            outside = true;
            continue;
        }
        __builtin_prefetch(&seen[x], 1);
        __builtin_prefetch(&seen[y], 1);
        __builtin_prefetch(&links[x], 1);
        batch_x[batched] = x;
        batch_y[batched] = y;
        if (++batched == batch_size) {
            for (int i = 0; i < batch_size; ++i) enter_pair(batch_x[i], batch_y[i]);
            batched = 0;
        }
    }
    for (int i = 0; i < batched; ++i) enter_pair(batch_x[i], batch_y[i]);
    if (outside) rt::range_error();
}

void write_follower(std::uint32_t value) {
    rt::write_char(rt::std_output, ' ');
    rt::write_integer(rt::std_output, static_cast<std::int32_t>(value));
    rt::text_flush(rt::std_output);
    rt::io_check();
}

void write_head(std::int32_t head) {
    rt::write_integer(rt::std_output, head);
    rt::text_flush(rt::std_output);
    rt::io_check();
}

// Writes the chain that starts at head. The head itself is never met again:
// no pair has it as its second element.
void print_chain(std::int32_t head) {
    write_head(head);
    std::uint32_t value = links[head].next & value_bits;
    while (value != 0) {
        const std::uint32_t entry = links[value].next;
        if ((entry & meets_twice) != 0) {
            if (written_by[value] == head) return;  // the links lead back into this chain
            written_by[value] = head;
        }
        const std::uint32_t after = entry & value_bits;
        // The entry of the next step is a miss at a random place: start it
        // now, so that it overlaps the formatting of this value.
        __builtin_prefetch(&links[after]);
        write_follower(value);
        value = after;
    }
}

// When no value is twice in one role, no chain can lead back into itself and
// no stamps are needed; then the value two steps on is looked up for every
// value in one pass, whose misses overlap each other, and the walk takes two
// steps per miss.
void link_two_steps() {
    for (std::int32_t v = 1; v <= largest_value; ++v) {
        const std::uint32_t next = links[v].next;
        if (next != 0) links[v].after_next = links[next].next;
    }
}

// print_chain for input without a value twice in one role.
void print_chain_by_two(std::int32_t head) {
    write_head(head);
    Link link = links[head];
    while (link.next != 0) {
        __builtin_prefetch(&links[link.after_next]);
        write_follower(link.next);
        if (link.after_next == 0) return;
        write_follower(link.after_next);
        link = links[link.after_next];
    }
}

void search_heads() {
    if (!some_value_twice) link_two_steps();
    for (std::int32_t v = 1; v <= n; ++v) {
        if (!is_head(v)) continue;
        if (some_value_twice) {
            print_chain(v);
        } else {
            print_chain_by_two(v);
        }
    }
}

}  // namespace

[[noreturn]] void program_entry() {
    rt::console_flag = 1;
    rt::program_start(rt::module_table);
    rt::prefer_large_pages(links, sizeof links);
    rt::prefer_large_pages(seen, sizeof seen);
    rt::open_program_files();
    read_count();
    read_pairs();
    search_heads();
    rt::text_close(rt::std_input);
    rt::io_check();
    rt::text_close(rt::std_output);
    rt::io_check();
    rt::halt_program(0);
}
