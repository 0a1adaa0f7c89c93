// Real numbers as text: fixed notation with a number of decimals, scientific
// notation with a four-digit exponent, and the words for the special values.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/real_io.h"

namespace rt {

namespace {

// The conversion constants are doubles (all three are exact there).
constexpr double ten = 10.0;
constexpr double ten_to_17 = 1e17;
constexpr double ten_to_18 = 1e18;

constexpr std::int32_t text_limit = 255;
constexpr std::int32_t max_decimals = 216;
// Fixed notation up to this decimal exponent keeps the longest text (sign,
// 37 integer digits, point, 216 decimals) within 255 characters.
constexpr std::int32_t max_fixed_exponent = 35;
constexpr std::int32_t digit_count = 18;
// Overflow digit plus up to 36 integer digits and 216 decimals.
constexpr std::int32_t digit_buffer_size = 1 + max_fixed_exponent + 1 + max_decimals;

constexpr std::uint16_t exponent_mask = 0x7FFF;
constexpr std::uint16_t sign_mask = 0x8000;
constexpr std::int32_t exponent_bias = 16383;

// Appends characters to a counted text.
class TextBuilder {
public:
    explicit TextBuilder(ShortText& text) : text_(text) { text_.length = 0; }
    void put(char ch) { text_.chars[text_.length++] = ch; }
    void put(const char* chars, std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) put(chars[i]);
    }
    void put_blanks(std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) put(' ');
    }

private:
    ShortText& text_;
};

void build_special_text(const RealImage& bits, std::int32_t width, ShortText& text) {
    // Only the upper half of the significand tells an infinity from a NaN.
    const bool infinite = (bits.significand >> 32) == 0x80000000u;
    const char* word = !infinite ? "Nan" : (bits.sign_exponent & sign_mask) ? "-Inf" : "+Inf";
    const auto length = static_cast<std::int32_t>(std::strlen(word));
    TextBuilder out(text);
    out.put_blanks(width - length);
    out.put(word, length);
}

void build_scientific_text(Real v, std::int32_t k, bool negative, std::int32_t width,
                           ShortText& text) {
    const std::int32_t n = std::clamp(width - 8, 2, digit_count);
    char digits[digit_count + 2];
    // A value normalised into [10, 16) prints its overflow digit first, so it
    // is rounded one place earlier to round at its last printed digit.
    make_digits(v, v >= ten ? n - 1 : n, digits);
    const char* first = digits + 1;
    if (digits[0] != '0') {
        first = digits;
        ++k;
    }
    TextBuilder out(text);
    out.put_blanks(width - (n + 8));
    out.put(negative ? '-' : ' ');
    out.put(first[0]);
    out.put('.');
    out.put(first + 1, n - 1);
    out.put('E');
    out.put(k < 0 ? '-' : '+');
    std::int32_t magnitude = k < 0 ? -k : k;
    char exponent[4];
    for (int i = 3; i >= 0; --i, magnitude /= 10)
        exponent[i] = static_cast<char>('0' + magnitude % 10);
    out.put(exponent, 4);
}

void build_fixed_text(Real v, std::int32_t k, bool negative, std::int32_t width,
                      std::int32_t decimals, ShortText& text) {
    std::int32_t integer_digits = k + 1;
    char digits[digit_buffer_size];
    make_digits(v, integer_digits + decimals, digits);
    const char* first = digits + 1;
    if (digits[0] == '1') {
        ++integer_digits;
        first = digits;
    }
    const std::int32_t length =
        integer_digits + (negative ? 1 : 0) + (decimals > 0 ? decimals + 1 : 0);
    TextBuilder out(text);
    out.put_blanks(width - length);
    if (negative) out.put('-');
    out.put(first, integer_digits);
    if (decimals > 0) {
        out.put('.');
        out.put(first + integer_digits, decimals);
    }
}

}  // namespace

Real decimal_normalize(Real v, std::int32_t& k) {
    k = 0;
    for (;;) {
        const RealImage bits = image_of(v);
        const std::int32_t exponent_field = bits.sign_exponent & exponent_mask;
        if (exponent_field == 0 && bits.significand == 0) return v;
        // floor(e2 * log10 2), with 19728 / 65536 standing for log10 2; the
        // shift of the negative products rounds towards minus infinity.
        const std::int32_t e2 = exponent_field - exponent_bias;
        const std::int32_t j = (e2 * 19728) >> 16;
        // Ends with e2 in 0 to 3, that is with v in [1, 16).
        if (j == 0) return v;
        k += j;
        v = scale_by_power_of_ten(v, -j);
    }
}

void make_digits(Real v, std::int32_t n, char* digits) {
    // v is below 16, so the rounded product is below 2^63 and converts exactly.
    std::uint64_t t = rounded_to_uint64(v * Real(ten_to_17));
    digits[0] = '0';
    constexpr auto limit = static_cast<std::uint64_t>(ten_to_18);
    if (t >= limit) {
        t -= limit;
        digits[0] = '1';
    }
    for (std::int32_t i = digit_count; i >= 1; --i, t /= 10)
        digits[i] = static_cast<char>('0' + t % 10);
    if (n >= digit_count) {
        for (std::int32_t i = digit_count + 1; i <= n; ++i) digits[i] = '0';
        return;
    }
    if (digits[n + 1] < '5') return;
    // Half up; position 0 holds "0" or "1", so the carry stops there at the latest.
    std::int32_t i = n;
    while (digits[i] == '9') digits[i--] = '0';
    ++digits[i];
}

void real_to_text(Real value, std::int32_t width, std::int32_t decimals, ShortText& text) {
    // A negative width acts as no field at all, for every kind of value.
    width = std::clamp(width, 0, text_limit);
    const RealImage bits = image_of(value);
    if ((bits.sign_exponent & exponent_mask) == exponent_mask) {
        build_special_text(bits, width, text);
        return;
    }
    // Negative zero, and negative values that print as zero, keep their sign.
    const bool negative = (bits.sign_exponent & sign_mask) != 0;
    Real v = magnitude(value);
    std::int32_t k = 0;
    if (decimals < 0) {
        v = decimal_normalize(v, k);
        build_scientific_text(v, k, negative, width, text);
        return;
    }
    decimals = std::min(decimals, max_decimals);
    // Values below 10 keep their binary value, so their decimals come
    // straight from v * 10^17.
    if (v >= ten) {
        v = decimal_normalize(v, k);
        if (k > max_fixed_exponent) {
            build_scientific_text(v, k, negative, width, text);
            return;
        }
    }
    build_fixed_text(v, k, negative, width, decimals, text);
}

TextFile& write_real(TextFile& file, Real value, std::int32_t width, std::int32_t decimals) {
    ShortText text;
    real_to_text(value, width, decimals, text);
    // The text already fills fields up to 255; only wider fields get blanks
    // here, so a negative width may as well be 0.
    write_padded(file, text.chars, text.length, std::max(width, 0));
    return file;
}

}  // namespace rt
