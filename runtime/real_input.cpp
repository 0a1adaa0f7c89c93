// Real numbers from text: the token reader, the digit accumulator and the
// decimal scaler that both real conversions share.
#include <cstdint>
#include <limits>

#include "runtime/real_io.h"

namespace rt {

// 10^n rounded to the nearest extended value (10^0 to 10^27 are exact),
// written as 64-bit significands with their binary exponents. Every exponent
// magnitude up to 31 + 15 * 32 + 9 * 512 = 5119 is one entry of each table
// at most.
const long double pow10_small[32] = {
    0x8000000000000000P-63L, 0xA000000000000000P-60L,
    0xC800000000000000P-57L, 0xFA00000000000000P-54L,
    0x9C40000000000000P-50L, 0xC350000000000000P-47L,
    0xF424000000000000P-44L, 0x9896800000000000P-40L,
    0xBEBC200000000000P-37L, 0xEE6B280000000000P-34L,
    0x9502F90000000000P-30L, 0xBA43B74000000000P-27L,
    0xE8D4A51000000000P-24L, 0x9184E72A00000000P-20L,
    0xB5E620F480000000P-17L, 0xE35FA931A0000000P-14L,
    0x8E1BC9BF04000000P-10L, 0xB1A2BC2EC5000000P-7L,
    0xDE0B6B3A76400000P-4L, 0x8AC7230489E80000P+0L,
    0xAD78EBC5AC620000P+3L, 0xD8D726B7177A8000P+6L,
    0x878678326EAC9000P+10L, 0xA968163F0A57B400P+13L,
    0xD3C21BCECCEDA100P+16L, 0x84595161401484A0P+20L,
    0xA56FA5B99019A5C8P+23L, 0xCECB8F27F4200F3AP+26L,
    0x813F3978F8940984P+30L, 0xA18F07D736B90BE5P+33L,
    0xC9F2C9CD04674EDFP+36L, 0xFC6F7C4045812296P+39L,
};
const long double pow10_mid[16] = {
    0.0L, 0x9DC5ADA82B70B59EP+43L,
    0xC2781F49FFCFA6D5P+149L, 0xEFB3AB16C59B14A3P+255L,
    0x93BA47C980E98CE0P+362L, 0xB616A12B7FE617AAP+468L,
    0xE070F78D3927556BP+574L, 0x8A5296FFE33CC930P+681L,
    0xAA7EEBFB9DF9DE8EP+787L, 0xD226FC195C6A2F8CP+893L,
    0x81842F29F2CCE376P+1000L, 0x9FA42700DB900AD2P+1106L,
    0xC4C5E310AEF8AA17P+1212L, 0xF28A9C07E9B09C59P+1318L,
    0x957A4AE1EBF7F3D4P+1425L, 0xB83ED8DC0795A262P+1531L,
};
const long double pow10_large[10] = {
    0.0L, 0xE319A0AEA60E91C7P+1637L,
    0xC976758681750C17P+3338L, 0xB2B8353B3993A7E4P+5039L,
    0x9E8B3B5DC53D5DE5P+6740L, 0x8CA554C020A1F0A6P+8441L,
    0xF9895D25D88B5A8BP+10141L, 0xDD5DC8A2BF27F3F8P+11842L,
    0xC46052028A20979BP+13543L, 0xAE3511626ED559F0P+15244L,
};

namespace {

const long double positive_infinity = std::numeric_limits<long double>::infinity();
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

long double apply(long double value, long double factor, bool multiply) {
    return multiply ? value * factor : value / factor;
}

}  // namespace

long double scale_by_power_of_ten(long double value, std::int32_t e) {
    if (e == 0) return value;
    // A zero mantissa stays zero however large its exponent.
    if (e >= exponent_beyond_tables) return value == 0 ? value : positive_infinity;
    if (e <= -exponent_beyond_tables) return 0.0L;
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

long double text_to_real(const char* text, std::int32_t& error_position) {
    long double accumulator = 0.0L;
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
            exponent = exponent < written_exponent_limit
                           ? exponent * 10 + digit_value(text[i])
                           : written_exponent_limit;
        }
        if (exponent_negative) exponent = -exponent;
    }
    if (text[i] != 0) return fail();

    long double value = scale_by_power_of_ten(accumulator, fraction_count + exponent);
    if (negative) value = -value;
    error_position = 0;
    return value;
}

long double read_real(TextFile& file) {
    if (skip_blanks(file)) return 0.0L;
    char token[real_token_limit + 1];
    read_token(file, token, real_token_limit);
    std::int32_t error_position = 0;
    const long double value = text_to_real(token, error_position);
    if (error_position != 0) io_result = 106;
    return value;
}

}  // namespace rt
