// The fast computations of chain and factor against the literal ones, on
// random inputs of every shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "programs/chain/chain_scan.h"
#include "programs/factor/factor_count.h"
#include "tests/reference/chain_reference.h"
#include "tests/reference/factor_reference.h"

namespace {

using reference::Pair;
using Rng = std::mt19937;
constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

std::int32_t pick(Rng& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

// The pairs of a queue of these values in random order, shuffled.
std::vector<Pair> queue_of(Rng& rng, std::vector<std::int32_t>& values) {
    std::shuffle(values.begin(), values.end(), rng);
    std::vector<Pair> pairs;
    for (std::size_t i = 1; i < values.size(); ++i) pairs.push_back({values[i - 1], values[i]});
    std::shuffle(pairs.begin(), pairs.end(), rng);
    return pairs;
}

// A well-formed queue of 1..n or of any distinct values, several queues and
// rings of those, or pairs of a tiny range (repeats, pairs x x, zeros); then
// perhaps cut short (the rest reads as 0) or under a count that does not match.
std::vector<Pair> random_pairs(Rng& rng, std::int32_t& n) {
    std::vector<std::int32_t> values(static_cast<std::size_t>(pick(rng, 1, 12)));
    std::iota(values.begin(), values.end(), 1);
    const int shape = pick(rng, 0, 3);
    if (shape > 0) {
        for (auto& v : values) v = pick(rng, 0, 2) == 0 ? pick(rng, int_min, int_max) : pick(rng, -9, 9);
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
    }
    std::vector<Pair> pairs = queue_of(rng, values);
    if (shape == 1 && pairs.size() > 2) pairs.erase(pairs.begin() + pick(rng, 0, 2));  // two queues
    if (shape == 2) pairs.push_back({values.back(), values.front()});                  // a ring
    if (shape == 3) {
        const std::int32_t low = pick(rng, -2, 1);
        for (Pair& p : pairs) p = {pick(rng, low, low + 3), pick(rng, low, low + 3)};
    }
    n = static_cast<std::int32_t>(pairs.size()) + 1;
    const int cut = pick(rng, 0, 3) == 0 ? pick(rng, 0, 2 * n - 2) : 2 * n - 2;
    for (int i = cut; i < 2 * n - 2; ++i) (i % 2 == 0 ? pairs[i / 2].first : pairs[i / 2].second) = 0;
    if (pick(rng, 0, 5) == 0) n = pick(rng, -3, n);
    pairs.resize(static_cast<std::size_t>(std::max(n - 1, 0)));
    return pairs;
}

std::string captured;
std::string indexed_chain_output(std::int32_t n, const std::vector<Pair>& pairs) {
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        chain_scan::pair_first[k + 1] = pairs[k].first;
        chain_scan::pair_second[k + 1] = pairs[k].second;
    }
    const chain_scan::ChainWriter writer{[](std::int32_t first, std::int32_t second) {
                                             captured += std::to_string(first) + " " + std::to_string(second);
                                         },
                                         [](std::int32_t value) { (captured += ' ') += std::to_string(value); }};
    captured.clear();
    chain_scan::index_pairs(static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 1));
    chain_scan::search_heads(writer);
    chain_scan::follow_up(static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 2), writer);
    return captured;
}

TEST(Chain, WritesTheBytesOfThePlainScan) {
    Rng rng(20240601);
    for (int round = 0; round < 20000; ++round) {
        std::int32_t n = 0;
        const std::vector<Pair> pairs = random_pairs(rng, n);
        ASSERT_EQ(indexed_chain_output(n, pairs), reference::chain_output(n, pairs)) << "round " << round;
    }
    const std::vector<Pair> zeros(150);  // every pass writes all of zeros
    EXPECT_EQ(indexed_chain_output(151, zeros), reference::chain_output(151, zeros));
}

// The divisors of |n| up to k from the pairs (c, |n| / c) below the square
// root: the literal table, affordable for any k.
reference::DivisorTable paired_divisors(std::int32_t n, std::int32_t k) {
    const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::int64_t>(n) : n;
    std::set<std::uint64_t> found;
    for (std::uint64_t c = 1; c * c <= magnitude; ++c) {
        if (magnitude % c == 0) found.insert({c, magnitude / c});
    }
    reference::DivisorTable table{0};
    for (const std::uint64_t d : found) {
        if (static_cast<std::int64_t>(d) <= k) table.push_back(static_cast<std::int32_t>(d));
    }
    return table;
}

void expect_literal_count(std::int32_t n, std::int32_t k, const reference::DivisorTable& table) {
    const std::int32_t count = factor::collect_divisors(n, k);
    ASSERT_EQ(reference::DivisorTable(factor::divisors, factor::divisors + count),
              reference::DivisorTable(table.begin() + 1, table.end()))
        << n << " " << k;
    ASSERT_EQ(factor::count_products(n, count), reference::count_products(table, n, count)) << n << " " << k;
}

TEST(Factor, CountsAsTheLiteralRecursion) {
    for (std::int32_t n = -50; n <= 2000; ++n) {
        for (const std::int32_t k : {int_min, 0, 1, 2, 3, std::abs(n) / 2, std::abs(n) - 1, std::abs(n) + 1, 5000}) {
            if (n != 0) expect_literal_count(n, k, reference::scan_divisors(n, k));
        }
    }
    // Numbers of many divisors, with bounds at the places that matter.
    const std::int32_t composite[][2] = {{2095133040, int_max}, {1102701600, 46341}, {735134400, 735134400},
                                         {2095133040, 12},      {2095133040, 2},     {2095133040, 1}};
    for (const auto& [n, k] : composite) expect_literal_count(n, k, paired_divisors(n, k));
    for (const std::int32_t n : {1073741824, 1162261467, 223092870, int_max, int_min, -720720, 2147483646}) {
        for (const std::int32_t k : {int_max, n, 46341, 46340, 9, 8, 2, 1})
            expect_literal_count(n, k, paired_divisors(n, k));
    }
    // Random numbers, half of them products of small primes, with random bounds
    // or bounds at and just below a divisor.
    Rng rng(7919);
    for (int i = 0; i < 400; ++i) {
        std::int64_t n = pick(rng, int_min, int_max);
        if (i % 2 == 1) {
            for (n = 1; n * 37 <= int_max && pick(rng, 0, 7) != 0;)
                n *= std::array{2, 3, 5, 7, 11, 13, 37}[pick(rng, 0, 6)];
        }
        if (n == 0) continue;
        const auto all = paired_divisors(static_cast<std::int32_t>(n), int_max);
        const std::int32_t k = i % 4 < 2
                                   ? all[pick(rng, 1, static_cast<std::int32_t>(all.size()) - 1)] - pick(rng, 0, 1)
                                   : pick(rng, i % 3 == 0 ? -10 : int_min, i % 3 == 0 ? 1000000 : int_max);
        expect_literal_count(static_cast<std::int32_t>(n), k, paired_divisors(static_cast<std::int32_t>(n), k));
    }
    // No product of factors from 2 up is 0, whatever the bound.
    for (const std::int32_t k : {int_min, -1, 0, 1, 2, 3, 1600, 1601, int_max}) {
        EXPECT_EQ(factor::count_products(0, factor::collect_divisors(0, k)), 0) << k;
    }
}

}  // namespace
