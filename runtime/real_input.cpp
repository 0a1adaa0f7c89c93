// Real numbers from text: the token reader, the digit accumulator and the
// decimal scaler that both real conversions share.
#include <cstdint>

#include "runtime/real_io.h"

namespace rt {

namespace {

// significand * 2^binary_exponent as an extended value.
constexpr Real ten_power(std::uint64_t significand, std::int32_t binary_exponent) {
    return real_from_image({significand, static_cast<std::uint16_t>(binary_exponent + 63 + 16383)});
}

}  // namespace

// 10^n rounded to the nearest extended value (10^0 to 10^27 are exact),
// written as 64-bit significands with their binary exponents. Every exponent
// magnitude up to 31 + 15 * 32 + 9 * 512 = 5119 is one entry of each table
// at most.
const Real pow10_small[32] = {
    ten_power(0x8000000000000000, -63), ten_power(0xA000000000000000, -60),
    ten_power(0xC800000000000000, -57), ten_power(0xFA00000000000000, -54),
    ten_power(0x9C40000000000000, -50), ten_power(0xC350000000000000, -47),
    ten_power(0xF424000000000000, -44), ten_power(0x9896800000000000, -40),
    ten_power(0xBEBC200000000000, -37), ten_power(0xEE6B280000000000, -34),
    ten_power(0x9502F90000000000, -30), ten_power(0xBA43B74000000000, -27),
    ten_power(0xE8D4A51000000000, -24), ten_power(0x9184E72A00000000, -20),
    ten_power(0xB5E620F480000000, -17), ten_power(0xE35FA931A0000000, -14),
    ten_power(0x8E1BC9BF04000000, -10), ten_power(0xB1A2BC2EC5000000, -7),
    ten_power(0xDE0B6B3A76400000, -4),  ten_power(0x8AC7230489E80000, 0),
    ten_power(0xAD78EBC5AC620000, 3),   ten_power(0xD8D726B7177A8000, 6),
    ten_power(0x878678326EAC9000, 10),  ten_power(0xA968163F0A57B400, 13),
    ten_power(0xD3C21BCECCEDA100, 16),  ten_power(0x84595161401484A0, 20),
    ten_power(0xA56FA5B99019A5C8, 23),  ten_power(0xCECB8F27F4200F3A, 26),
    ten_power(0x813F3978F8940984, 30),  ten_power(0xA18F07D736B90BE5, 33),
    ten_power(0xC9F2C9CD04674EDF, 36),  ten_power(0xFC6F7C4045812296, 39),
};
const Real pow10_mid[16] = {
    Real{},
    ten_power(0x9DC5ADA82B70B59E, 43),
    ten_power(0xC2781F49FFCFA6D5, 149),
    ten_power(0xEFB3AB16C59B14A3, 255),
    ten_power(0x93BA47C980E98CE0, 362),
    ten_power(0xB616A12B7FE617AA, 468),
    ten_power(0xE070F78D3927556B, 574),
    ten_power(0x8A5296FFE33CC930, 681),
    ten_power(0xAA7EEBFB9DF9DE8E, 787),
    ten_power(0xD226FC195C6A2F8C, 893),
    ten_power(0x81842F29F2CCE376, 1000),
    ten_power(0x9FA42700DB900AD2, 1106),
    ten_power(0xC4C5E310AEF8AA17, 1212),
    ten_power(0xF28A9C07E9B09C59, 1318),
    ten_power(0x957A4AE1EBF7F3D4, 1425),
    ten_power(0xB83ED8DC0795A262, 1531),
};
const Real pow10_large[10] = {
    Real{},
    ten_power(0xE319A0AEA60E91C7, 1637),
    ten_power(0xC976758681750C17, 3338),
    ten_power(0xB2B8353B3993A7E4, 5039),
    ten_power(0x9E8B3B5DC53D5DE5, 6740),
    ten_power(0x8CA554C020A1F0A6, 8441),
    ten_power(0xF9895D25D88B5A8B, 10141),
    ten_power(0xDD5DC8A2BF27F3F8, 11842),
    ten_power(0xC46052028A20979B, 13543),
    ten_power(0xAE3511626ED559F0, 15244),
};

namespace {

constexpr Real positive_infinity = real_from_image({std::uint64_t{1} << 63, 0x7FFF});
// The factor of one decimal digit, kept as a double like the other
// conversion constants.
constexpr double ten = 10.0;
// Decimal exponents from this magnitude on are beyond every extended value.
constexpr std::int32_t exponent_beyond_tables = 5120;
// A written exponent saturates here instead of wrapping around; any larger
// magnitude gives the same infinity or zero.
constexpr std::int32_t written_exponent_limit = 1000000;

bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }
int digit_value(char ch) { return ch - '0'; }

Real apply(Real value, Real factor, bool multiply) {
    return multiply ? value * factor : value / factor;
}

}  // namespace

Real scale_by_power_of_ten(Real value, std::int32_t e) {
    if (e == 0) return value;
    // A zero mantissa stays zero however large its exponent.
    // Real to Real: clang-tidy's narrowing check takes the constant infinity for one out of range.
    // NOLINTNEXTLINE(bugprone-narrowing-conversions)
    if (e >= exponent_beyond_tables) return value == 0 ? value : positive_infinity;
    if (e <= -exponent_beyond_tables) return Real(0);
    const bool multiply = e > 0;
    std::int32_t m = multiply ? e : -e;
    value = apply(value, pow10_small[m % 32], multiply);
    m /= 32;
    if (m == 0) return value;
    if (m % 16 != 0) value = apply(value, pow10_mid[m % 16], multiply);
    m /= 16;
    if (m == 0) return value;
    return apply(value, pow10_large[m], multiply);
}

Real text_to_real(const char* text, std::int32_t& error_position) {
    Real accumulator = 0;
    std::int32_t i = 0;
    // On a failure the caller gets the digits so far as a whole number.
    auto fail = [&]() {
        error_position = i + 1;
        return accumulator;
    };
    while (text[i] == ' ') ++i;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    if (text[i] == 0) return fail();

    std::int32_t fraction_count = 0;
    for (; is_digit(text[i]); ++i) accumulator = accumulator * ten + digit_value(text[i]);
    if (text[i] == '.') {
        for (++i; is_digit(text[i]); ++i) {
            accumulator = accumulator * ten + digit_value(text[i]);
            --fraction_count;
        }
    }

    std::int32_t exponent = 0;
    if (text[i] == 'E' || text[i] == 'e') {
        ++i;
        const bool exponent_negative = text[i] == '-';
        if (text[i] == '-' || text[i] == '+') ++i;
        if (!is_digit(text[i])) return fail();
        for (; is_digit(text[i]); ++i) {
            exponent = exponent < written_exponent_limit ? exponent * 10 + digit_value(text[i])
                                                         : written_exponent_limit;
        }
        if (exponent_negative) exponent = -exponent;
    }
    if (text[i] != 0) return fail();

    Real value = scale_by_power_of_ten(accumulator, fraction_count + exponent);
    if (negative) value = -value;
    error_position = 0;
    return value;
}

Real read_real(TextFile& file) {
    if (skip_blanks(file)) return Real(0);
    char token[real_token_limit + 1];
    read_token(file, token, real_token_limit);
    std::int32_t error_position = 0;
    const Real value = text_to_real(token, error_position);
    if (error_position != 0) io_result = io_invalid_number;
    return value;
}

}  // namespace rt
