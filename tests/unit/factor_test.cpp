// The program's fast divisor search and counting against the literal scan
// of every candidate and the plain recursion.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "programs/factor/factor_count.h"
#include "tests/reference/factor_reference.h"

namespace {

constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

struct FastResult {
    std::vector<std::int32_t> divisors;  // 1-based like the reference: entry 0 unused
    std::int32_t count;
};

FastResult run_fast(std::int32_t n, std::int32_t k) {
    const std::int32_t divisor_count = factor::collect_divisors(n, k);
    FastResult result{{0}, 0};
    for (std::int32_t i = 0; i < divisor_count; ++i) result.divisors.push_back(factor::divisors[i]);
    result.count = factor::count_products(n, divisor_count);
    return result;
}

// Compares table and count with the reference built on the given table.
void expect_same(std::int32_t n, std::int32_t k, const reference::DivisorTable& table) {
    const FastResult fast = run_fast(n, k);
    ASSERT_EQ(fast.divisors, table.entries) << "N=" << n << " K=" << k;
    EXPECT_EQ(fast.count, reference::count_products(table, n, table.divisor_count()))
        << "N=" << n << " K=" << k;
}

void expect_same_as_scan(std::int32_t n, std::int32_t k) {
    expect_same(n, k, reference::scan_divisors(n, k));
}

TEST(FactorCount, MatchesLiteralScanForSmallN) {
    for (std::int32_t n = -50; n <= 3000; ++n) {
        if (n == 0) continue;
        const std::int32_t size = std::abs(n);
        for (const std::int32_t k : {int_min, -5, 0, 1, 2, 3, size / 2, size - 1, size, size + 1,
                                     10 * size + 7, 5000}) {
            expect_same_as_scan(n, k);
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

// For N = 0 the recursion never ends once K >= 2; no product of factors
// from 2 up is 0, so the count is 0 for every K.
TEST(FactorCount, ZeroHasNoFactorisation) {
    for (const std::int32_t k : {int_min, -1, 0, 1, 2, 3, 1600, 1601, int_max}) {
        const std::int32_t divisor_count = factor::collect_divisors(0, k);
        EXPECT_EQ(factor::count_products(0, divisor_count), 0) << "K=" << k;
    }
    EXPECT_EQ(reference::factor_count(0, 1), 0);
    EXPECT_EQ(reference::factor_count(0, 0), 0);
}

TEST(FactorCount, TableHoldsTheMostDivisorsOfAnyInt32) {
    const std::int32_t n = 2095133040;
    ASSERT_EQ(factor::collect_divisors(n, int_max), factor::max_divisors);
    EXPECT_EQ(factor::divisors[0], 1);
    EXPECT_EQ(factor::divisors[factor::max_divisors - 1], n);
    for (std::int32_t i = 1; i < factor::max_divisors; ++i) {
        ASSERT_LT(factor::divisors[i - 1], factor::divisors[i]);
        ASSERT_EQ(n % factor::divisors[i], 0);
    }
}

// Numbers with many divisors and bounds at the interesting places: the
// whole range, N itself, around the square root, small. The recursion takes
// a quarter of a second on each of the largest tables, so those get one
// large bound each.
TEST(FactorCount, MatchesRecursionForHighlyComposite) {
    const std::int32_t cases[][2] = {
        {2095133040, int_max}, {1102701600, 46341}, {735134400, 735134400},
        {2095133040, 12},      {2095133040, 2},     {2095133040, 1}};
    for (const auto& [n, k] : cases) expect_same(n, k, reference::pair_divisors(n, k));
    for (const std::int32_t n : {1073741824, 1162261467, 223092870, int_max, int_min, -720720,
                                 2147483646}) {
        for (const std::int32_t k : {int_max, n, 46341, 46340, 9, 8, 2, 1}) {
            expect_same(n, k, reference::pair_divisors(n, k));
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

// A random number whose prime factors are all small, so that it has many
// divisors, with a random sign.
std::int32_t random_smooth(std::mt19937& random) {
    static constexpr std::int64_t primes[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
    std::uniform_int_distribution<int> pick(0, 11);
    std::int64_t n = 1;
    for (;;) {
        const std::int64_t next = n * primes[pick(random)];
        if (next > int_max) break;
        n = next;
        if (random() % 8 == 0) break;
    }
    return random() % 2 == 0 ? static_cast<std::int32_t>(n) : static_cast<std::int32_t>(-n);
}

TEST(FactorCount, MatchesLiteralScanForRandomLargeN) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::int32_t> any_int(int_min, int_max);
    std::uniform_int_distribution<std::int32_t> affordable_k(-10, 1000000);
    for (int i = 0; i < 300; ++i) {
        const std::int32_t n = i % 2 == 0 ? any_int(random) : random_smooth(random);
        if (n == 0) continue;
        expect_same_as_scan(n, affordable_k(random));
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(FactorCount, MatchesRecursionForRandomLargeNAndK) {
    std::mt19937 random(7919);
    std::uniform_int_distribution<std::int32_t> any_int(int_min, int_max);
    for (int i = 0; i < 300; ++i) {
        const std::int32_t n = i % 2 == 0 ? any_int(random) : random_smooth(random);
        if (n == 0) continue;
        // Half of the bounds are divisors of N, where a bound at or just off
        // a table entry matters most.
        std::int32_t k = any_int(random);
        if (i % 4 < 2) {
            const reference::DivisorTable all = reference::pair_divisors(n, int_max);
            k = all.entries[1 + random() % static_cast<unsigned>(all.divisor_count())] -
                static_cast<std::int32_t>(random() % 2);
        }
        expect_same(n, k, reference::pair_divisors(n, k));
        if (testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace
