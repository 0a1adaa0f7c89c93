// Counting the ways of writing N as a product of its divisors from 2 to K.
//
// The count is that of a plain recursion over the ascending divisor table:
// count_products(n, m) tries every entry 1..m that divides n and recurses on
// the quotient with the entry's index as the new bound, so each multiset of
// factors is met once; sums wrap modulo 2^32. This library gives the same
// numbers for every pair of 32-bit N and K without the K divisions of a full
// scan and without recomputing any (quotient, bound) state.
#pragma once

#include <cstdint>

namespace factor {

// No 32-bit number has more divisors than 1,600 (2,095,133,040 has that many).
inline constexpr std::int32_t max_divisors = 1600;

// divisors[0 .. divisor_count - 1]: the divisors of |N| not above K, ascending,
// so that divisors[0] is 1 whenever divisor_count is at least 1. For N = 0
// every positive number divides, and the table then holds 1 .. min(K, 1600).
extern std::int32_t divisors[max_divisors];

// Fills `divisors` for n and k and returns divisor_count (0 when k < 1).
std::int32_t collect_divisors(std::int32_t n, std::int32_t k);

// The number of ways of writing n as a product of entries 2 .. divisor_count
// of `divisors` (order ignored, repeats allowed), modulo 2^32, with the
// recursion's answers at its edges: an empty table gives 1 for n = 1 and 0
// otherwise, a table of one entry gives 0, and n <= 0 gives 0 (a negative
// quotient never reaches 1; for n = 0 the recursion would not end, and no
// product of factors from 2 up is 0). Needs collect_divisors(n, ...) first.
std::int32_t count_products(std::int32_t n, std::int32_t divisor_count);

}  // namespace factor
