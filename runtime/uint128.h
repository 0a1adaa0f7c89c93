// A 128-bit unsigned integer from two 64-bit halves, for the software real on
// targets whose compiler has no unsigned __int128 (the 32-bit ones). It has
// just the operations the software real uses, with the same results as the
// built-in type: shifts by 0 to 127 bits, bitwise or and and, wrapping
// addition and subtraction, comparisons, the full product of two 64-bit
// numbers, and division by a 64-bit number.
#pragma once

#include <compare>
#include <cstdint>

namespace rt {

class Uint128 {
public:
    constexpr Uint128() = default;
    constexpr Uint128(std::uint64_t low) : low_(low) {}  // NOLINT: widens like the built-in type
    constexpr explicit operator std::uint64_t() const { return low_; }

    friend constexpr bool operator==(Uint128 a, Uint128 b) = default;
    friend constexpr std::strong_ordering operator<=>(Uint128 a, Uint128 b) {
        return a.high_ != b.high_ ? a.high_ <=> b.high_ : a.low_ <=> b.low_;
    }

    friend constexpr Uint128 operator<<(Uint128 a, int count) {
        if (count == 0) return a;
        if (count >= 64) return halves(a.low_ << (count - 64), 0);
        return halves((a.high_ << count) | (a.low_ >> (64 - count)), a.low_ << count);
    }
    friend constexpr Uint128 operator>>(Uint128 a, int count) {
        if (count == 0) return a;
        if (count >= 64) return halves(0, a.high_ >> (count - 64));
        return halves(a.high_ >> count, (a.low_ >> count) | (a.high_ << (64 - count)));
    }
    constexpr Uint128& operator<<=(int count) { return *this = *this << count; }

    friend constexpr Uint128 operator|(Uint128 a, Uint128 b) { return halves(a.high_ | b.high_, a.low_ | b.low_); }
    friend constexpr Uint128 operator&(Uint128 a, Uint128 b) { return halves(a.high_ & b.high_, a.low_ & b.low_); }
    friend constexpr Uint128 operator+(Uint128 a, Uint128 b) {
        const std::uint64_t low = a.low_ + b.low_;
        return halves(a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low);
    }
    friend constexpr Uint128 operator-(Uint128 a, Uint128 b) {
        return halves(a.high_ - b.high_ - (a.low_ < b.low_ ? 1 : 0), a.low_ - b.low_);
    }
    constexpr Uint128& operator-=(Uint128 b) { return *this = *this - b; }

    // Only products of two 64-bit numbers, which never wrap.
    friend constexpr Uint128 operator*(Uint128 a, std::uint64_t b) { return product(a.low_, b); }

    friend constexpr Uint128 operator/(Uint128 a, std::uint64_t divisor) {
        const Division d = divided(a, divisor);
        return halves(d.quotient_high, d.quotient_low);
    }
    friend constexpr Uint128 operator%(Uint128 a, std::uint64_t divisor) { return divided(a, divisor).remainder; }

private:
    struct Division {
        std::uint64_t quotient_high;
        std::uint64_t quotient_low;
        std::uint64_t remainder;
    };

    static constexpr Uint128 halves(std::uint64_t high, std::uint64_t low) {
        Uint128 v;
        v.high_ = high;
        v.low_ = low;
        return v;
    }

    // From four 32-bit partial products.
    static constexpr Uint128 product(std::uint64_t a, std::uint64_t b) {
        const std::uint64_t mask = 0xFFFFFFFFu;
        const std::uint64_t low_low = (a & mask) * (b & mask);
        const std::uint64_t low_high = (a & mask) * (b >> 32);
        const std::uint64_t high_low = (a >> 32) * (b & mask);
        const std::uint64_t high_high = (a >> 32) * (b >> 32);
        const std::uint64_t middle = (low_low >> 32) + (low_high & mask) + (high_low & mask);
        return halves(high_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32),
                      (middle << 32) | (low_low & mask));
    }

    // The high half by the C library's 64-bit division, then the low half
    // one bit at a time; the remainder stays below the divisor, with the bit
    // shifted out of it kept in `carry`.
    static constexpr Division divided(Uint128 a, std::uint64_t divisor) {
        const std::uint64_t quotient_high = a.high_ / divisor;
        std::uint64_t remainder = a.high_ % divisor;
        std::uint64_t quotient_low = 0;
        for (int bit = 63; bit >= 0; --bit) {
            const bool carry = (remainder >> 63) != 0;
            remainder = (remainder << 1) | ((a.low_ >> bit) & 1);
            quotient_low <<= 1;
            if (carry || remainder >= divisor) {
                remainder -= divisor;
                quotient_low |= 1;
            }
        }
        return {quotient_high, quotient_low, remainder};
    }

    std::uint64_t high_ = 0;
    std::uint64_t low_ = 0;
};

}  // namespace rt
