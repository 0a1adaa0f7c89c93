// The factorisation count done the slow, literal way: a scan of every
// candidate 1..K and the plain recursion without memory. The tests compare
// the program's fast counting with it, and the benchmark times it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace reference {

// Entries 1..divisor_count are used; entry 0 stays unused so that the
// indices are those of the recursion's bound.
struct DivisorTable {
    std::vector<std::int32_t> entries{0};
    std::int32_t divisor_count() const { return static_cast<std::int32_t>(entries.size()) - 1; }
};

// Every c from 1 to k with n mod c = 0 (truncating remainder), ascending:
// k divisions whatever n is.
inline DivisorTable scan_divisors(std::int32_t n, std::int32_t k) {
    if (n == 0 && k >= 2) {
        throw std::invalid_argument("N = 0 with K >= 2: the recursion would not end");
    }
    DivisorTable table;
    for (std::int32_t c = 1; c <= k; ++c) {
        if (n % c == 0) table.entries.push_back(c);
        if (c == k) break;  // no step past 2^31 - 1
    }
    return table;
}

// The divisors of |n| up to k found in pairs (c, |n| / c) for c up to the
// square root: the same table as scan_divisors, affordable for any k.
inline DivisorTable pair_divisors(std::int32_t n, std::int32_t k) {
    if (n == 0) return scan_divisors(n, k);
    const std::uint64_t magnitude = n < 0 ? -static_cast<std::int64_t>(n) : n;
    std::vector<std::int64_t> found;
    for (std::uint64_t c = 1; c * c <= magnitude; ++c) {
        if (magnitude % c != 0) continue;
        found.push_back(static_cast<std::int64_t>(c));
        if (c * c != magnitude) found.push_back(static_cast<std::int64_t>(magnitude / c));
    }
    std::sort(found.begin(), found.end());
    DivisorTable table;
    for (const std::int64_t d : found) {
        if (d <= k) table.entries.push_back(static_cast<std::int32_t>(d));
    }
    return table;
}

// count_products (n, m): 0 for bound 1, 1 for n = 1, else the sum over the
// entries 1..m dividing n of count_products (n div d, index of d); the sum
// wraps modulo 2^32.
inline std::int32_t count_products(const DivisorTable& table, std::int32_t n, std::int32_t m) {
    if (m == 1) return 0;
    if (n == 1) return 1;
    std::uint32_t sum = 0;
    for (std::int32_t i = 1; i <= m; ++i) {
        const std::int32_t d = table.entries[static_cast<std::size_t>(i)];
        if (n % d == 0) sum += static_cast<std::uint32_t>(count_products(table, n / d, i));
    }
    return static_cast<std::int32_t>(sum);
}

// The whole computation of the program for the input pair (n, k).
inline std::int32_t factor_count(std::int32_t n, std::int32_t k) {
    const DivisorTable table = scan_divisors(n, k);
    return count_products(table, n, table.divisor_count());
}

}  // namespace reference
