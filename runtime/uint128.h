// A 128-bit unsigned integer from two 64-bit halves, for the software real on
// targets whose compiler has no unsigned __int128 (the 32-bit ones). It has
// just the operations the software real uses, with the same results as the
// built-in type: shifts by 0 to 127 bits, bitwise or and and, wrapping
// addition and subtraction, comparisons, the full product of two 64-bit
// numbers, and division by a 64-bit number.
#pragma once

#include <bit>
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

    friend constexpr Uint128 operator|(Uint128 a, Uint128 b) {
        return halves(a.high_ | b.high_, a.low_ | b.low_);
    }
    friend constexpr Uint128 operator&(Uint128 a, Uint128 b) {
        return halves(a.high_ & b.high_, a.low_ & b.low_);
    }
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
    friend constexpr Uint128 operator%(Uint128 a, std::uint64_t divisor) {
        return divided(a, divisor).remainder;
    }

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

    // The high half by a 64-bit division; then the low half, with the
    // remainder of the high one above it, by long division in two 32-bit
    // digits: each digit is estimated from the divisor's top 32 bits (the
    // divisor shifted until its top bit is set) and corrected at most twice.
    static constexpr Division divided(Uint128 a, std::uint64_t divisor) {
        const std::uint64_t quotient_high = a.high_ / divisor;
        const std::uint64_t remainder_high = a.high_ % divisor;
        const int shift = std::countl_zero(divisor);
        const std::uint64_t v = divisor << shift;
        const std::uint64_t top =
            remainder_high << shift | (shift == 0 ? 0 : a.low_ >> (64 - shift));
        const std::uint64_t low = a.low_ << shift;
        const Digit first = next_digit(top, low >> 32, v);
        const Digit second = next_digit(first.rest, low & digit_mask, v);
        return {quotient_high, first.digit << 32 | second.digit, second.rest >> shift};
    }

    // One 32-bit digit of (top * 2^32 + next) / v, top below v, and what
    // is left.
    struct Digit {
        std::uint64_t digit;
        std::uint64_t rest;
    };
    static constexpr std::uint64_t digit_base = std::uint64_t{1} << 32;
    static constexpr std::uint64_t digit_mask = digit_base - 1;
    static constexpr Digit next_digit(std::uint64_t top, std::uint64_t next, std::uint64_t v) {
        const std::uint64_t v_high = v >> 32;
        // v is normalised (its top bit set), so v_high is never 0.
        std::uint64_t digit = top / v_high;  // NOLINT(clang-analyzer-core.DivideZero)
        std::uint64_t rest_estimate = top - digit * v_high;
        while (digit >= digit_base || digit * (v & digit_mask) > (rest_estimate << 32 | next)) {
            --digit;
            rest_estimate += v_high;
            if (rest_estimate >= digit_base) break;
        }
        return {digit, (top << 32 | next) - digit * v};  // below v, so the wrap-around is exact
    }

    std::uint64_t high_ = 0;
    std::uint64_t low_ = 0;
};

}  // namespace rt
