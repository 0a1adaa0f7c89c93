// The x87 unit's arithmetic in integers: each operation unpacks its operands
// into a normalised significand and an exponent, computes with at least 128
// bits, then rounds once to 64 bits like the unit's precision control.
#include "runtime/soft_real.h"

#include "platform/machine.h"
#include "platform/system.h"
#include "runtime/frame.h"
#include "runtime/uint128.h"

namespace rt {

namespace {

// The compiler's own 128-bit integer where it has one (64-bit targets).
#if defined(__SIZEOF_INT128__)
using u128 = unsigned __int128;
#else
using u128 = Uint128;
#endif

constexpr std::int32_t bias = 16383;
constexpr std::int32_t exponent_all_ones = 0x7FFF;
constexpr std::uint64_t integer_bit = std::uint64_t{1} << 63;
constexpr std::uint64_t quiet_bit = std::uint64_t{1} << 62;
constexpr std::uint64_t half = integer_bit;  // of the 64 bits below the last kept bit

enum class Kind { zero, finite, infinite, quiet_nan, signalling_nan, unsupported };

// A finite non-zero value: significand * 2^(exponent - bias - 63), with the
// top bit of the significand set. The exponent may lie below 1 (denormals).
struct Unpacked {
    bool negative;
    std::int32_t exponent;
    std::uint64_t significand;
};

bool sign_of(SoftReal v) { return (v.image().sign_exponent & 0x8000) != 0; }
std::int32_t field_of(SoftReal v) { return v.image().sign_exponent & 0x7FFF; }

Kind kind_of(SoftReal v) {
    const std::uint64_t s = v.image().significand;
    const std::int32_t field = field_of(v);
    if (field == exponent_all_ones) {
        if ((s & integer_bit) == 0) return Kind::unsupported;  // pseudo-infinity or pseudo-NaN
        if ((s << 1) == 0) return Kind::infinite;
        return (s & quiet_bit) != 0 ? Kind::quiet_nan : Kind::signalling_nan;
    }
    if (field == 0) return s == 0 ? Kind::zero : Kind::finite;  // denormals, pseudo-denormals too
    return (s & integer_bit) != 0 ? Kind::finite : Kind::unsupported;  // unnormals
}

bool is_nan(Kind k) {
    return k == Kind::quiet_nan || k == Kind::signalling_nan || k == Kind::unsupported;
}

Unpacked unpack(SoftReal v) {
    const std::uint64_t s = v.image().significand;
    // A denormal's exponent is that of the smallest normal.
    const std::int32_t field = field_of(v) == 0 ? 1 : field_of(v);
    const int shift = std::countl_zero(s);
    return {sign_of(v), field - shift, s << shift};
}

SoftReal make(bool negative, std::int32_t field, std::uint64_t significand) {
    return SoftReal::from_image(
        {significand, static_cast<std::uint16_t>((negative ? 0x8000 : 0) | field)});
}
SoftReal zero(bool negative) { return make(negative, 0, 0); }
SoftReal infinity(bool negative) { return make(negative, exponent_all_ones, integer_bit); }
// The unit's answer to an invalid operation on operands that are no NaN.
SoftReal default_nan() { return make(true, exponent_all_ones, integer_bit | quiet_bit); }
SoftReal quieted(SoftReal v) {
    return SoftReal::from_image({v.image().significand | quiet_bit, v.image().sign_exponent});
}

SoftReal invalid(unsigned& conditions) {
    conditions |= real_invalid;
    return default_nan();
}

// An operation with a NaN operand: a signalling NaN is invalid; the result is
// the quiet NaN if there is one, else the NaN with the larger significand.
SoftReal nan_result(SoftReal a, Kind ka, SoftReal b, Kind kb, unsigned& conditions) {
    if (ka == Kind::unsupported || kb == Kind::unsupported) return invalid(conditions);
    if (ka == Kind::signalling_nan || kb == Kind::signalling_nan) conditions |= real_invalid;
    if (!is_nan(kb)) return quieted(a);
    if (!is_nan(ka)) return quieted(b);
    if (ka != kb) return ka == Kind::quiet_nan ? a : b;
    const std::uint64_t sa = a.image().significand;
    const std::uint64_t sb = b.image().significand;
    if (sa != sb) return quieted(sa > sb ? a : b);
    return quieted(sign_of(a) ? b : a);
}

// Rounds significand.rest * 2^(exponent - bias - 63) to nearest even at 64
// bits; the top bit of significand is set. Tiny results are denormalised
// first, so they round once at their own last bit.
SoftReal round_and_pack(bool negative, std::int32_t exponent, std::uint64_t significand,
                        std::uint64_t rest, unsigned& conditions) {
    if (exponent < 1) {
        const std::int32_t shift = 1 - exponent;
        if (shift >= 128) {
            rest = 1;  // only the sticky bit is left
            significand = 0;
        } else if (shift >= 64) {
            const std::uint64_t lost = shift == 64 ? rest : (rest | (significand << (128 - shift)));
            rest = (significand >> (shift - 64)) | (lost != 0 ? 1 : 0);
            significand = 0;
        } else {
            rest = (significand << (64 - shift)) | (rest >> shift) |
                   ((rest << (64 - shift)) != 0 ? 1 : 0);
            significand >>= shift;
        }
        exponent = 0;
    }
    if (rest > half || (rest == half && (significand & 1) != 0)) {
        ++significand;
        if (significand == 0) {
            significand = integer_bit;
            ++exponent;
        } else if (exponent == 0 && (significand & integer_bit) != 0) {
            exponent = 1;  // rounded up into the normal range
        }
    }
    if (exponent >= exponent_all_ones) {
        conditions |= real_overflow;
        return infinity(negative);
    }
    return make(negative, exponent, significand);
}

// Normalises a 128-bit magnitude (not zero) with its top bit at
// exponent - bias, then rounds it.
SoftReal round_wide(bool negative, std::int32_t exponent, u128 m, unsigned& conditions) {
    const auto high = static_cast<std::uint64_t>(m >> 64);
    const int shift =
        high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<std::uint64_t>(m));
    // NOLINTNEXTLINE(clang-analyzer-core.uninitialized.Assign): m is not zero, so shift < 128.
    m <<= shift;
    return round_and_pack(negative, exponent - shift, static_cast<std::uint64_t>(m >> 64),
                          static_cast<std::uint64_t>(m), conditions);
}

// m shifted right by count bits, the bits shifted out kept as a sticky bit 0.
u128 shift_right_sticky(u128 m, std::int32_t count) {
    if (count == 0) return m;
    if (count >= 128) return m != 0 ? 1 : 0;
    return (m >> count) | ((m << (128 - count)) != 0 ? 1 : 0);
}

// A finite value as the unit writes it back: a denormal stays one, a
// pseudo-denormal becomes the normal number it stands for.
SoftReal repacked(SoftReal v, unsigned& conditions) {
    const Unpacked u = unpack(v);
    return round_and_pack(u.negative, u.exponent, u.significand, 0, conditions);
}

SoftReal add_finite(Unpacked a, Unpacked b, unsigned& conditions) {
    if (a.exponent < b.exponent || (a.exponent == b.exponent && a.significand < b.significand)) {
        const Unpacked t = a;
        a = b;
        b = t;
    }
    const u128 large = static_cast<u128>(a.significand) << 64;
    const u128 small =
        shift_right_sticky(static_cast<u128>(b.significand) << 64, a.exponent - b.exponent);
    if (a.negative == b.negative) {
        const u128 sum = large + small;
        if (sum < large) {  // carry out of the top bit
            return round_wide(a.negative, a.exponent + 1, (sum >> 1) | (u128{1} << 127) | (sum & 1),
                              conditions);
        }
        return round_wide(a.negative, a.exponent, sum, conditions);
    }
    const u128 difference = large - small;
    // An exact zero is positive when rounding to nearest.
    if (difference == 0) return zero(false);
    return round_wide(a.negative, a.exponent, difference, conditions);
}

SoftReal add_signed(SoftReal a, SoftReal b, bool negate_b, unsigned& conditions) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (is_nan(ka) || is_nan(kb)) return nan_result(a, ka, b, kb, conditions);
    if (negate_b) b = -b;
    if (ka == Kind::infinite || kb == Kind::infinite) {
        if (ka == Kind::infinite && kb == Kind::infinite && sign_of(a) != sign_of(b))
            return invalid(conditions);
        return ka == Kind::infinite ? a : b;
    }
    if (ka == Kind::zero && kb == Kind::zero) return zero(sign_of(a) && sign_of(b));
    if (ka == Kind::zero) return repacked(b, conditions);
    if (kb == Kind::zero) return repacked(a, conditions);
    return add_finite(unpack(a), unpack(b), conditions);
}

std::int64_t integer_invalid(unsigned& conditions) {
    conditions |= real_invalid;
    return INT64_MIN;
}

// Ends the program with the fault the unit raises for these conditions.
[[noreturn, gnu::noinline]] void raise_fault(unsigned conditions, const void* caller) {
    const platform::DWORD code =
        (conditions & real_invalid) != 0       ? platform::EXCEPTION_FLT_INVALID_OPERATION
        : (conditions & real_zero_divide) != 0 ? platform::EXCEPTION_FLT_DIVIDE_BY_ZERO
                                               : platform::EXCEPTION_FLT_OVERFLOW;
    end_with_fault(code, platform::code_address(caller));
}

// Ends the program when an operation raised a condition; caller is the
// return address into the code that asked for the operation.
inline void check(unsigned conditions, const void* caller) {
    if (conditions != 0) [[unlikely]]
        raise_fault(conditions, caller);
}

}  // namespace

SoftReal soft_add(SoftReal a, SoftReal b, unsigned& conditions) {
    return add_signed(a, b, false, conditions);
}

SoftReal soft_subtract(SoftReal a, SoftReal b, unsigned& conditions) {
    return add_signed(a, b, true, conditions);
}

SoftReal soft_multiply(SoftReal a, SoftReal b, unsigned& conditions) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (is_nan(ka) || is_nan(kb)) return nan_result(a, ka, b, kb, conditions);
    const bool negative = sign_of(a) != sign_of(b);
    if (ka == Kind::infinite || kb == Kind::infinite) {
        if (ka == Kind::zero || kb == Kind::zero) return invalid(conditions);
        return infinity(negative);
    }
    if (ka == Kind::zero || kb == Kind::zero) return zero(negative);
    const Unpacked ua = unpack(a);
    const Unpacked ub = unpack(b);
    const u128 product = static_cast<u128>(ua.significand) * ub.significand;
    return round_wide(negative, ua.exponent + ub.exponent - bias + 1, product, conditions);
}

SoftReal soft_divide(SoftReal a, SoftReal b, unsigned& conditions) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (is_nan(ka) || is_nan(kb)) return nan_result(a, ka, b, kb, conditions);
    const bool negative = sign_of(a) != sign_of(b);
    if (ka == Kind::infinite)
        return kb == Kind::infinite ? invalid(conditions) : infinity(negative);
    if (kb == Kind::infinite) return zero(negative);
    if (kb == Kind::zero) {
        if (ka == Kind::zero) return invalid(conditions);
        conditions |= real_zero_divide;
        return infinity(negative);
    }
    if (ka == Kind::zero) return zero(negative);
    const Unpacked ua = unpack(a);
    const Unpacked ub = unpack(b);
    // Two 64-bit quotient digits and the remainder as a sticky bit: the
    // first is the 64 or 65 leading bits, the second the 64 after them.
    const u128 dividend = static_cast<u128>(ua.significand) << 64;
    const u128 first = dividend / ub.significand;
    const u128 second_dividend = (dividend % ub.significand) << 64;
    const auto second = static_cast<std::uint64_t>(second_dividend / ub.significand);
    const bool sticky = second_dividend % ub.significand != 0;
    const u128 quotient = (first << 63) | (second >> 1) | (((second & 1) != 0 || sticky) ? 1 : 0);
    // quotient / 2^127 = a's significand / b's significand, which lies in (1/2, 2).
    return round_wide(negative, ua.exponent - ub.exponent + bias, quotient, conditions);
}

SoftReal soft_square_root(SoftReal a, unsigned& conditions) {
    const Kind ka = kind_of(a);
    if (is_nan(ka)) return nan_result(a, ka, SoftReal(), Kind::zero, conditions);
    if (ka == Kind::zero) return a;
    if (sign_of(a)) return invalid(conditions);
    if (ka == Kind::infinite) return a;
    const Unpacked ua = unpack(a);
    // value = n * 2^(2h) with n the significand shifted left by 64 or 63 bits
    // so that the power of two is even; the root of n has 64 bits.
    const std::int32_t e = ua.exponent - bias;
    const bool odd = (e & 1) != 0;
    u128 n = static_cast<u128>(ua.significand) << (odd ? 64 : 63);
    u128 remainder = 0;
    std::uint64_t root = 0;
    for (int i = 0; i < 64; ++i) {
        remainder = (remainder << 2) | (n >> 126);
        n <<= 2;
        const u128 trial = (static_cast<u128>(root) << 2) | 1;
        root <<= 1;
        if (remainder >= trial) {
            remainder -= trial;
            root |= 1;
        }
    }
    // No square root of such a value lies halfway between two 64-bit
    // numbers: the remainder tells above or below the half, or exact.
    const std::uint64_t rest = remainder == 0 ? 0 : remainder > root ? half | 1 : 1;
    const std::int32_t exponent = (odd ? (e - 1) / 2 : e / 2) + bias;
    return round_and_pack(false, exponent, root, rest, conditions);
}

int soft_compare(SoftReal a, SoftReal b, bool ordered, unsigned& conditions) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (is_nan(ka) || is_nan(kb)) {
        const bool loud = ordered || ka == Kind::signalling_nan || kb == Kind::signalling_nan ||
                          ka == Kind::unsupported || kb == Kind::unsupported;
        if (loud) conditions |= real_invalid;
        return 2;
    }
    if (ka == Kind::zero && kb == Kind::zero) return 0;
    // Infinities compare as the largest magnitudes.
    const auto key = [](SoftReal v, Kind k) {
        if (k == Kind::zero) return Unpacked{sign_of(v), INT32_MIN, 0};
        if (k == Kind::infinite) return Unpacked{sign_of(v), INT32_MAX, 0};
        return unpack(v);
    };
    const Unpacked ua = key(a, ka);
    const Unpacked ub = key(b, kb);
    if (ua.negative != ub.negative) return ua.negative ? -1 : 1;
    const int order = ua.exponent != ub.exponent ? (ua.exponent < ub.exponent ? -1 : 1)
                      : ua.significand != ub.significand
                          ? (ua.significand < ub.significand ? -1 : 1)
                          : 0;
    return ua.negative ? -order : order;
}

std::int64_t soft_to_int64(SoftReal a, unsigned& conditions) {
    const Kind ka = kind_of(a);
    if (ka == Kind::zero) return 0;
    if (ka != Kind::finite) return integer_invalid(conditions);
    const Unpacked ua = unpack(a);
    const std::int32_t shift = bias + 63 - ua.exponent;  // fraction bits of the significand
    if (shift <= 0) {
        // 2^63 or more: only -2^63 itself fits.
        if (shift == 0 && ua.negative && ua.significand == integer_bit) return INT64_MIN;
        return integer_invalid(conditions);
    }
    // Below one half in magnitude: rounds to zero.
    if (shift > 64) return 0;
    std::uint64_t whole = shift == 64 ? 0 : ua.significand >> shift;
    const std::uint64_t fraction = shift == 64 ? ua.significand : ua.significand << (64 - shift);
    if (fraction > half || (fraction == half && (whole & 1) != 0)) ++whole;
    const std::uint64_t limit = ua.negative ? integer_bit : integer_bit - 1;
    if (whole > limit) return integer_invalid(conditions);
    return ua.negative ? static_cast<std::int64_t>(0 - whole) : static_cast<std::int64_t>(whole);
}

// The operators are real calls, so that a fault is reported at the caller.
#define RT_CHECKED(expression)                      \
    unsigned conditions = 0;                        \
    const auto result = (expression);               \
    check(conditions, __builtin_return_address(0)); \
    return result

[[gnu::noinline]] SoftReal operator+(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_add(a, b, conditions));
}
[[gnu::noinline]] SoftReal operator-(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_subtract(a, b, conditions));
}
[[gnu::noinline]] SoftReal operator*(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_multiply(a, b, conditions));
}
[[gnu::noinline]] SoftReal operator/(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_divide(a, b, conditions));
}
[[gnu::noinline]] SoftReal square_root(SoftReal a) { RT_CHECKED(soft_square_root(a, conditions)); }
[[gnu::noinline]] bool operator==(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_compare(a, b, false, conditions) == 0);
}
[[gnu::noinline]] bool operator<(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_compare(a, b, true, conditions) == -1);
}
[[gnu::noinline]] bool operator>(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_compare(a, b, true, conditions) == 1);
}
[[gnu::noinline]] bool operator<=(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_compare(a, b, true, conditions) <= 0);
}
[[gnu::noinline]] bool operator>=(SoftReal a, SoftReal b) {
    RT_CHECKED(soft_compare(b, a, true, conditions) <= 0);
}
[[gnu::noinline]] std::uint64_t rounded_to_uint64(SoftReal a) {
    RT_CHECKED(static_cast<std::uint64_t>(soft_to_int64(a, conditions)));
}

#undef RT_CHECKED

}  // namespace rt
