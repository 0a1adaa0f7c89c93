// Writing reals: fixed, scientific and special texts, the digit string, the
// decimal normalisation, and round trips through text_to_real.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runtime/real_io.h"
#include "tests/support/text_file_fixture.h"

namespace {

std::string text_of(long double value, std::int32_t width, std::int32_t decimals) {
    rt::ShortText text;
    rt::real_to_text(value, width, decimals, text);
    return std::string(text.chars, text.length);
}

long double from_bits(std::uint16_t sign_exponent, std::uint64_t significand) {
    long double value = 0;
    unsigned char bytes[sizeof value] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &sign_exponent, 2);
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

struct TextCase {
    long double value;
    std::int32_t width;
    std::int32_t decimals;
    const char* text;
};

const TextCase fixed_cases[] = {
    // As cube writes its answer.
    {5, 0, 4, "5.0000"},
    {-1, 0, 4, "-1.0000"},
    {0, 0, 4, "0.0000"},
    {-0.0L, 0, 4, "-0.0000"},
    {-0.00001L, 0, 4, "-0.0000"},
    {0.00005L, 0, 4, "0.0001"},
    {2.2360679774997896964L, 0, 4, "2.2361"},
    // Field widths and rounding on the digit string.
    {2.5L, 8, 2, "    2.50"},
    {0.125L, 0, 2, "0.13"},
    {12.5L, 0, 0, "13"},
    {-12.5L, 0, 0, "-13"},
    {123.456L, 0, 1, "123.5"},
    {9.999755859375L, 0, 2, "10.00"},
    {3, 5, 0, "    3"},
    {5, -10, 2, "5.00"},
    {1.0L / 3, 0, 20, "0.33333333333333333000"},
    {4e-18L, 0, 20, "0.00000000000000000000"},
    {1e35L, 0, 0, "100000000000000000000000000000000000"},
    {-1e36L, 0, 1, "-1000000000000000000000000000000000000.0"},
    // Beyond exponent 35 the text turns scientific, its digits set by the width.
    {1e37L, 0, 0, " 1.0E+0037"},
    {1e40L, 0, 4, " 1.0E+0040"},
    {-1.4142135623730950488e40L, 12, 4, "-1.414E+0040"},
};

TEST(RealToText, FixedNotation) {
    for (const TextCase& c : fixed_cases) {
        EXPECT_EQ(text_of(c.value, c.width, c.decimals), c.text)
            << static_cast<double>(c.value) << " width " << c.width << " decimals " << c.decimals;
    }
}

TEST(RealToText, FixedTextsStopAt255Characters) {
    const std::string longest = text_of(-1e36L, 0, 1000);
    EXPECT_EQ(longest.size(), 255u);
    EXPECT_EQ(longest.substr(0, 39), "-1000000000000000000000000000000000000.");
    const std::string third = text_of(1.0L / 3, 0, 1000);
    EXPECT_EQ(third, "0." + std::string(17, '3') + std::string(199, '0'));
    EXPECT_EQ(text_of(5, 300, 4), std::string(249, ' ') + "5.0000");
}

const TextCase scientific_cases[] = {
    {1, 0, -1, " 1.0E+0000"},
    {0, 0, -1, " 0.0E+0000"},
    {-0.0L, 0, -1, "-0.0E+0000"},
    {100, 0, -1, " 1.0E+0002"},
    {0.001L, 0, -1, " 1.0E-0003"},
    {-1234.5L, 12, -1, "-1.235E+0003"},
    {7, 20, -1, " 7.00000000000E+0000"},
    {7, 30, -5, "     7.00000000000000000E+0000"},
    {1.25L, 10, -1, " 1.3E+0000"},
    {99.96L, 0, -1, " 1.0E+0002"},
    {1e4932L, 0, -1, " 1.0E+4932"},
    {0x1p-16445L, 10, -1, " 3.6E-4951"},
    // Values that normalise into [10, 16) round at their last printed digit.
    {12.5L, 10, -1, " 1.3E+0001"},
    {12.7L, 10, -1, " 1.3E+0001"},
    {12.4L, 10, -1, " 1.2E+0001"},
    {15.96L, 0, -1, " 1.6E+0001"},
    {-12.5L, 12, -1, "-1.250E+0001"},
    {12.345678901234567891L, 26, -1, " 1.23456789012345679E+0001"},
};

TEST(RealToText, ScientificNotation) {
    for (const TextCase& c : scientific_cases) {
        EXPECT_EQ(text_of(c.value, c.width, c.decimals), c.text)
            << static_cast<double>(c.value) << " width " << c.width;
    }
}

TEST(RealToText, SpecialValues) {
    const long double infinity = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_EQ(text_of(infinity, 6, 4), "  +Inf");
    EXPECT_EQ(text_of(-infinity, 0, -1), "-Inf");
    EXPECT_EQ(text_of(nan, 0, 4), "Nan");
    EXPECT_EQ(text_of(-nan, 5, 4), "  Nan");
    // A negative width is no field, as for finite values.
    EXPECT_EQ(text_of(infinity, -7, 4), "+Inf");
    EXPECT_EQ(text_of(nan, std::numeric_limits<std::int32_t>::min(), 4), "Nan");
    EXPECT_EQ(text_of(-infinity, 1000, 4), std::string(251, ' ') + "-Inf");
    // Only the upper half of the significand is examined.
    EXPECT_EQ(text_of(from_bits(0x7FFF, 0x8000000000000001ULL), 0, 4), "+Inf");
    EXPECT_EQ(text_of(from_bits(0xFFFF, 0xC000000000000000ULL), 0, 4), "Nan");
}

std::string digits_of(long double v, std::int32_t n) {
    char digits[256];
    rt::make_digits(v, n, digits);
    return std::string(digits, std::max(n, 18) + 1);
}

TEST(MakeDigits, RoundsTiesToEvenThenHalfUp) {
    // 2^-18 * 10^17 and 3 * 2^-18 * 10^17 end in exactly one half.
    EXPECT_EQ(digits_of(0x1p-18L, 18), "0000000381469726562");
    EXPECT_EQ(digits_of(0x3p-18L, 18), "0000001144409179688");
    EXPECT_EQ(digits_of(0x1p-18L, 16), "0000000381469726662");
    EXPECT_EQ(digits_of(9.999755859375L, 3), "1000975585937500000");
    EXPECT_EQ(digits_of(12.5L, 1), "1350000000000000000");
    EXPECT_EQ(digits_of(1.5L, 25), "01500000000000000000000000");
}

TEST(DecimalNormalize, EndsInOneToSixteen) {
    std::int32_t k = -1;
    EXPECT_EQ(rt::decimal_normalize(0.0L, k), 0.0L);
    EXPECT_EQ(k, 0);
    const long double v = rt::decimal_normalize(1e40L, k);
    EXPECT_EQ(k, 39);
    EXPECT_NEAR(static_cast<double>(v), 10.0, 1e-15);
    const long double smallest = rt::decimal_normalize(0x1p-16445L, k);
    EXPECT_EQ(k, -4951);
    EXPECT_NEAR(static_cast<double>(smallest), 3.6451995318824746, 1e-15);
    for (int bit = 0; bit < 64; ++bit) {
        const long double v = rt::decimal_normalize(from_bits(0, 1ULL << bit), k);
        EXPECT_TRUE(v >= 1 && v < 16) << "denormal bit " << bit;
    }
}

// Random finite values with a random sign and a normal exponent short of
// the very top (whose 18-digit text may round beyond the largest value).
long double random_normal(std::mt19937_64& random) {
    const auto exponent = static_cast<std::uint16_t>(1 + random() % 0x7FFC);
    const std::uint16_t sign = (random() & 1) ? 0x8000 : 0;
    return from_bits(static_cast<std::uint16_t>(sign | exponent), random() | (1ULL << 63));
}

TEST(RealRoundTrip, EighteenDigitsReadBackWithinTheirPrecision) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 100000; ++i) {
        const long double value = random_normal(random);
        std::int32_t k = 0;
        const long double normalised = rt::decimal_normalize(std::fabs(value), k);
        ASSERT_TRUE(normalised >= 1 && normalised < 16) << static_cast<double>(value);

        const std::string text = text_of(value, 26, -1);
        ASSERT_EQ(text.size(), 26u);
        std::int32_t error_position = -1;
        const long double back = rt::text_to_real(text.c_str(), error_position);
        ASSERT_EQ(error_position, 0) << text;
        ASSERT_LE(std::fabs((back - value) / value), 1e-17L) << text;
    }
}

TEST(RealRoundTrip, IntegersBelowTenToTheSeventeenPrintExactly) {
    std::mt19937_64 random(17);
    const std::uint64_t limit = 100000000000000000ULL;
    std::vector<std::uint64_t> values = {0, 9, 10, 99, 100, 4503599627370497ULL, limit - 1};
    for (int i = 0; i < 20000; ++i) values.push_back(random() % (limit >> (random() % 57)));
    for (const std::uint64_t n : values) {
        ASSERT_EQ(text_of(static_cast<long double>(n), 0, 0), std::to_string(n));
    }
}

using WriteReal = testing_support::TextFileFixture;

TEST_F(WriteReal, FillsWideFieldsAndReturnsTheFile) {
    open_output();
    rt::TextFile& same = rt::write_real(file, -std::numeric_limits<long double>::infinity(), 300, 2);
    EXPECT_EQ(&same, &file);
    rt::write_real(file, 2.5L, -3, 1);
    rt::write_line_end(file);
    EXPECT_EQ(close_output(), std::string(296, ' ') + "-Inf2.5\r\n");
    EXPECT_EQ(rt::io_result, 0u);
}

}  // namespace
