// The 80-bit extended real in software, for machines without an x87 unit.
//
// SoftReal holds the same 10 bytes as the x87 type: a 64-bit significand with
// an explicit integer bit, and a sign bit over a 15-bit exponent biased by
// 16383. Every operation gives the bits the x87 unit gives under the control
// word 0x1332: results rounded to nearest even at 64-bit precision, gradual
// underflow, and the x87's choice of NaN. The unit faults on an invalid
// operation, a division by zero and an overflow; the operators below end the
// program with the runtime error of that fault (207, 200, 205), reported at
// the code that called the operation.
#pragma once

#include <bit>
#include <cstdint>

namespace rt {

// The 10-byte memory image of an extended real.
struct RealImage {
    std::uint64_t significand;
    std::uint16_t sign_exponent;
};

class SoftReal {
public:
    constexpr SoftReal() = default;
    // Every 32-bit integer is exact.
    constexpr SoftReal(std::int32_t value);  // NOLINT: converts like the x87 load
    // Every double is exact; meant for the runtime's double constants.
    constexpr SoftReal(double value);  // NOLINT: converts like the x87 load
    static constexpr SoftReal from_image(RealImage image) {
        SoftReal v;
        v.image_ = image;
        return v;
    }
    constexpr RealImage image() const { return image_; }

private:
    RealImage image_{0, 0};
};

// The conditions an operation can raise, as the x87 status word has them.
// Denormal operands, underflow and inexact results are masked and not kept.
enum : unsigned { real_invalid = 0x01, real_zero_divide = 0x04, real_overflow = 0x08 };

// The operations with the x87's masked results: each adds the conditions it
// raises to `conditions`. Subtraction is a - b; compare returns -1, 0 or 1
// for a < b, a = b and a > b, and 2 for unordered, raising invalid for any NaN
// operand when `ordered`, else only for a signalling one. to_int64 rounds to
// nearest even like a 64-bit integer store (invalid and 0x8000000000000000
// out of range).
SoftReal soft_add(SoftReal a, SoftReal b, unsigned& conditions);
SoftReal soft_subtract(SoftReal a, SoftReal b, unsigned& conditions);
SoftReal soft_multiply(SoftReal a, SoftReal b, unsigned& conditions);
SoftReal soft_divide(SoftReal a, SoftReal b, unsigned& conditions);
SoftReal soft_square_root(SoftReal a, unsigned& conditions);
int soft_compare(SoftReal a, SoftReal b, bool ordered, unsigned& conditions);
std::int64_t soft_to_int64(SoftReal a, unsigned& conditions);

// The operators as the x87 unit under the control word 0x1332 runs them: a
// condition ends the program. Equality is a quiet comparison, the order
// comparisons are signalling ones, as compiled code uses the unit.
SoftReal operator+(SoftReal a, SoftReal b);
SoftReal operator-(SoftReal a, SoftReal b);
SoftReal operator*(SoftReal a, SoftReal b);
SoftReal operator/(SoftReal a, SoftReal b);
bool operator==(SoftReal a, SoftReal b);
bool operator<(SoftReal a, SoftReal b);
bool operator>(SoftReal a, SoftReal b);
bool operator<=(SoftReal a, SoftReal b);
bool operator>=(SoftReal a, SoftReal b);
SoftReal square_root(SoftReal a);
// The integer nearest to a, which must be below 2^63.
std::uint64_t rounded_to_uint64(SoftReal a);

// Sign changes never raise a condition, whatever the value.
constexpr SoftReal operator-(SoftReal a) {
    const RealImage i = a.image();
    return SoftReal::from_image(
        {i.significand, static_cast<std::uint16_t>(i.sign_exponent ^ 0x8000u)});
}
constexpr SoftReal magnitude(SoftReal a) {
    const RealImage i = a.image();
    return SoftReal::from_image(
        {i.significand, static_cast<std::uint16_t>(i.sign_exponent & 0x7FFFu)});
}

constexpr SoftReal::SoftReal(std::int32_t value) {
    if (value == 0) return;
    const std::uint64_t size =
        value < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                  : static_cast<std::uint64_t>(value);
    const int shift = std::countl_zero(size);
    image_.significand = size << shift;
    image_.sign_exponent =
        static_cast<std::uint16_t>((value < 0 ? 0x8000 : 0) + 16383 + 63 - shift);
}

constexpr SoftReal::SoftReal(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const std::uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
    const auto field = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (field == 0x7FF) {
        // Infinity, or a NaN made quiet.
        image_.significand = (std::uint64_t{1} << 63) | (fraction << 11) |
                             (fraction != 0 ? std::uint64_t{1} << 62 : 0);
        image_.sign_exponent = static_cast<std::uint16_t>(sign | 0x7FFF);
        return;
    }
    if (field == 0 && fraction == 0) {
        image_.sign_exponent = sign;
        return;
    }
    std::int32_t exponent = field - 1023 + 16383;
    if (field == 0) {
        // A denormal double is a normal extended value.
        const int shift = std::countl_zero(fraction) - 11;
        fraction <<= shift;
        exponent = 1 - 1023 + 16383 - shift;
    }
    image_.significand = (std::uint64_t{1} << 63) | (fraction << 11);
    image_.sign_exponent = static_cast<std::uint16_t>(sign | exponent);
}

}  // namespace rt
