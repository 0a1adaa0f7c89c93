// Uint128, the software real's 128-bit integer on 32-bit processors, against
// the compiler's own type: every operation on two fuzzed numbers, a 64-bit
// divisor and a shift count.
#include <cstdlib>
#include <cstring>

#include "runtime/uint128.h"

using rt::Uint128;
using u128 = unsigned __int128;

namespace {

u128 plain(Uint128 v) {
    return static_cast<u128>(static_cast<std::uint64_t>(v >> 64)) << 64 | static_cast<std::uint64_t>(v);
}
Uint128 ours(u128 v) {
    return Uint128{static_cast<std::uint64_t>(v >> 64)} << 64 | Uint128{static_cast<std::uint64_t>(v)};
}
void expect(bool same) {
    if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t words[5] = {};
    std::memcpy(words, data, size < sizeof words ? size : sizeof words);
    const u128 a = static_cast<u128>(words[0]) << 64 | words[1], b = static_cast<u128>(words[2]) << 64 | words[3];
    const Uint128 x = ours(a), y = ours(b);
    const int count = static_cast<int>(words[4] % 128);
    expect(plain(x) == a && plain(x << count) == a << count && plain(x >> count) == a >> count);
    expect(plain(x | y) == (a | b) && plain(x & y) == (a & b) && plain(x + y) == a + b && plain(x - y) == a - b);
    expect((x == y) == (a == b) && (x < y) == (a < b) && (x > y) == (a > b));
    expect(plain(Uint128{words[1]} * words[3]) == static_cast<u128>(words[1]) * words[3]);
    // Division by a divisor the high half leaves room for, as the software real divides.
    const std::uint64_t divisor = words[4] == 0 ? 1 : words[4];
    expect(plain(x / divisor) == a / divisor && plain(x % divisor) == a % divisor);
    return 0;
}
