// Uint128, the software real's 128-bit integer on targets without one, against
// the compiler's unsigned __int128 where there is one: every operation on
// random operands of the shapes that break carries, borrows and division
// digits (runs of ones, single high bits, small values, divisors of every
// width).
#include <gtest/gtest.h>

#include <random>

#include "runtime/uint128.h"

#if defined(__SIZEOF_INT128__)

using rt::Uint128;
using u128 = unsigned __int128;

namespace {

u128 wide(Uint128 v) { return (u128{static_cast<std::uint64_t>(v >> 64)} << 64) | static_cast<std::uint64_t>(v); }
Uint128 narrow(u128 v) {
    return (Uint128{static_cast<std::uint64_t>(v >> 64)} << 64) | Uint128{static_cast<std::uint64_t>(v)};
}

std::uint64_t random_half(std::mt19937_64& random) {
    const std::uint64_t bits = random();
    switch (random() % 6) {
        case 0: return 0;
        case 1: return ~std::uint64_t{0} >> (random() % 64);              // a run of ones
        case 2: return std::uint64_t{1} << (random() % 64);               // one bit
        case 3: return bits >> (random() % 64);                            // any width
        case 4: return bits | (std::uint64_t{1} << 63);                    // top bit set
        default: return bits;
    }
}
u128 random_wide(std::mt19937_64& random) { return (u128{random_half(random)} << 64) | random_half(random); }

TEST(Uint128, ComputesAsTheBuiltInType) {
    std::mt19937_64 random(128);
    for (int i = 0; i < 200000; ++i) {
        const u128 a = random_wide(random);
        const u128 b = random_wide(random);
        const std::uint64_t d = random_half(random) | (random() % 2 == 0 ? 1 : 0);
        const int count = static_cast<int>(random() % 128);
        const Uint128 x = narrow(a), y = narrow(b);
        ASSERT_EQ(wide(x << count), a << count) << i;
        ASSERT_EQ(wide(x >> count), a >> count) << i;
        ASSERT_EQ(wide(x | y), a | b) << i;
        ASSERT_EQ(wide(x & y), a & b) << i;
        ASSERT_EQ(wide(x + y), a + b) << i;
        ASSERT_EQ(wide(x - y), a - b) << i;
        ASSERT_EQ(wide(Uint128{static_cast<std::uint64_t>(a)} * d), static_cast<u128>(static_cast<std::uint64_t>(a)) * d) << i;
        ASSERT_EQ(x < y, a < b) << i;
        ASSERT_EQ(x == y, a == b) << i;
        ASSERT_EQ(x >= Uint128{d}, a >= d) << i;
        if (d != 0) {
            ASSERT_EQ(wide(x / d), a / d) << i;
            ASSERT_EQ(wide(x % d), a % d) << i;
        }
    }
}

}  // namespace

#endif
