// The software real against the x87 unit on the operands the fuzzer makes:
// byte 0 picks the operation, then the two 10-byte operands, an 8-byte
// number, the width and decimals, byte 31 the shapes, and the rest is the
// text token. With the top bit of byte 0 set, b's exponent is a's plus the
// signed byte 19, so that operands that overlap, or all but, are as common as
// the others; the shapes (3 bits for a, 3 for b) replace a significand by one
// of the patterns where rounding turns: one, one and a unit in the last
// place, one and a half, all ones.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/differential/real_check.h"

using namespace real_check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t bytes[32] = {};
    constexpr std::uint64_t top = std::uint64_t{1} << 63;
    const std::uint64_t patterns[4] = {top, top | 1, top | top >> 1, ~std::uint64_t{0}};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    Case c;
    c.op = static_cast<Op>(bytes[0] % op_count);
    std::memcpy(&c.a.significand, bytes + 1, 8);
    std::memcpy(&c.a.sign_exponent, bytes + 9, 2);
    std::memcpy(&c.b.significand, bytes + 11, 8);
    std::memcpy(&c.b.sign_exponent, bytes + 19, 2);
    if (bytes[0] >= 128) {
        const int field = ((c.a.sign_exponent & 0x7FFF) + static_cast<std::int8_t>(bytes[19])) & 0x7FFF;
        c.b.sign_exponent = static_cast<std::uint16_t>((c.b.sign_exponent & 0x8000) | field);
    }
    if (bytes[31] % 8 < 4) c.a.significand = patterns[bytes[31] % 8];
    if (bytes[31] / 8 % 8 < 4) c.b.significand = patterns[bytes[31] / 8 % 8];
    std::memcpy(&c.number, bytes + 21, 8);
    c.width = bytes[29];
    c.decimals = bytes[30] < 128 ? bytes[30] : bytes[30] - 256;
    // A token: the bytes above 32, at most 64 of them.
    for (std::size_t i = 32; i < size && c.text.size() < 64; ++i)
        if (data[i] > 32) c.text += static_cast<char>(data[i]);
    const std::string expected = x87_outcome(c), got = soft_outcome(c);
    if (expected == got) return 0;
    std::fprintf(stderr, "%s: x87 %s, software %s\n", line_of(c).c_str(), expected.c_str(), got.c_str());
    std::abort();
}
