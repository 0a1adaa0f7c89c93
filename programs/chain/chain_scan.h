// The computation of the chain program: the head search and the follow-up
// passes over the pair list.
//
// The result is defined by a plain scan: every pair whose first element is
// no pair's second element is written as a head, and then n - 2 passes run
// over all pairs in input order, each writing the second element of every
// pair whose first element equals the value written last at the moment the
// pair is reached. Done literally that is quadratic in the number of pairs.
//
// Here the values of all pairs are sorted once (a radix sort, stable, so the
// pairs of one value stay in input order), which gives each pair the first
// pair, in input order, whose first element is its second element. One step
// of a pass then jumps straight to the next pair, in input order, whose first
// element is the current value: that first follower when it lies further on,
// else the pass is over unless more pairs share the value, which only then
// are searched. A pass that writes nothing ends the passes, since every later
// pass would scan the same list for the same value. When no value is twice
// in one role, the passes from a head are one walk along a path, taken two
// steps at a time. The work is
// O(pairs + values written) for a queue and at worst O(log pairs) more per
// value written; the bytes written are exactly those of the plain scan for
// every input, well-formed or not.
//
// No allocation: the pairs and their index live in fixed global tables.
#pragma once

#include <cstdint>

namespace chain_scan {

// The tables hold at most this many pairs (n up to 200,001).
inline constexpr std::int32_t max_pairs = 200000;

// Pair k (numbered from 1) says that pair_second[k] stands directly behind
// pair_first[k]. Entry 0 is unused.
extern std::int32_t pair_first[max_pairs + 1];
extern std::int32_t pair_second[max_pairs + 1];
// The value written last, whose follower is searched next; 0 until a head is
// written.
extern std::int32_t current;

// Where the values go. Each call writes one value (or a head pair) and checks
// the write, as the program's statements do.
struct ChainWriter {
    void (*write_head)(std::int32_t first, std::int32_t second);
    void (*write_follower)(std::int32_t value);
};

// Asks for large pages behind the tables; called before they are filled.
void prefer_large_pages();
// Builds the index over pairs 1 to pair_count and sets current to 0; a count
// of zero or below means no pairs.
void index_pairs(std::int32_t pair_count);
// Writes every pair whose first element is no pair's second element, in input
// order, leaving current at the second element of the last one written.
void search_heads(const ChainWriter& writer);
// Runs up to pass_count follow-up passes from current.
void follow_up(std::int32_t pass_count, const ChainWriter& writer);

}  // namespace chain_scan
