// Reading reals: the power-of-ten tables, text_to_real bit for bit, and
// read_real on real files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/real_io.h"
#include "tests/support/text_file_fixture.h"

namespace {


struct Bits {
    std::uint16_t sign_exponent;
    std::uint64_t significand;
    bool operator==(const Bits&) const = default;
};

Bits bits_of(long double v) {
    unsigned char bytes[sizeof v];
    std::memcpy(bytes, &v, sizeof v);
    Bits bits{};
    std::memcpy(&bits.significand, bytes, 8);
    std::memcpy(&bits.sign_exponent, bytes + 8, 2);
    return bits;
}

std::string show(const Bits& b) {
    char text[40];
    std::snprintf(text, sizeof text, "%04X:%016llX", b.sign_exponent,
                  static_cast<unsigned long long>(b.significand));
    return text;
}

// The C library converts decimal text correctly rounded; every table entry
// must be that nearest value.
long double nearest_power_of_ten(int n) {
    const std::string text = "1e" + std::to_string(n);
    return std::strtold(text.c_str(), nullptr);
}

TEST(PowerTables, EveryEntryIsTheNearestExtendedValue) {
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(bits_of(rt::pow10_small[i]), bits_of(nearest_power_of_ten(i))) << "10^" << i;
    }
    for (int k = 1; k < 16; ++k) {
        EXPECT_EQ(bits_of(rt::pow10_mid[k]), bits_of(nearest_power_of_ten(32 * k))) << "10^" << 32 * k;
    }
    for (int k = 1; k < 10; ++k) {
        EXPECT_EQ(bits_of(rt::pow10_large[k]), bits_of(nearest_power_of_ten(512 * k)))
            << "10^" << 512 * k;
    }
}

struct TextCase {
    const char* text;
    std::uint16_t sign_exponent;
    std::uint64_t significand;
};

// Expected patterns computed with exact rational arithmetic, rounding to the
// 64-bit significand after every multiplication, addition and table operation.
const TextCase exact_cases[] = {
    {"12", 0x4002, 0xC000000000000000ULL},
    {"-3.5", 0xC000, 0xE000000000000000ULL},
    {"+.5", 0x3FFE, 0x8000000000000000ULL},
    {"5.", 0x4001, 0xA000000000000000ULL},
    {"007", 0x4001, 0xE000000000000000ULL},
    {"2.5e+2", 0x4006, 0xFA00000000000000ULL},
    {"  2.5E2", 0x4006, 0xFA00000000000000ULL},
    {"-0", 0x8000, 0},
    {".", 0x0000, 0},
    {"-.", 0x8000, 0},
    {"E7", 0x0000, 0},
    {"0.1", 0x3FFB, 0xCCCCCCCCCCCCCCCDULL},
    {"1E-3", 0x3FF5, 0x83126E978D4FDF3BULL},
    {"1e-27", 0x3FA5, 0x9E74D1B791E07E48ULL},
    {"1e-28", 0x3FA1, 0xFD87B5F28300CA0EULL},
    {"1e300", 0x43E3, 0xBF21E44003ACDD2CULL},
    {"1e-300", 0x3C1A, 0xAB70FE17C79AC6CBULL},
    {"-6.02214076e23", 0xC04D, 0xFF0C2E52BE28B98CULL},
    {"2.7182818284590452353602874713526624977572", 0x4000, 0xADF85458A2BB4A9BULL},
    {"123456789012345678901234567890", 0x405F, 0xC77487FB61B9F076ULL},
    // Past 2^64 the product and the sum of every digit step round separately:
    // correctly rounded would be ...AF64, one rounding per digit ...AF66.
    {"55807302157368193036426212997", 0x405E, 0xB452B7E7FA8AAF65ULL},
    {"18656907029313758584719540", 0x4052, 0xF6EC0F4E726F722DULL},
    {"18446744073709551617", 0x403F, 0x8000000000000000ULL},
    // The ends of the range: all three tables, a normal and a denormal result.
    {"1e4932", 0x7FFE, 0xD72CB2A95C7EF6CDULL},
    {"1.18973149535723176502e4932", 0x7FFE, 0xFFFFFFFFFFFFFFFCULL},
    {"3.36210314311209350626e-4932", 0x0001, 0x8000000000000000ULL},
    {"1e-4940", 0x0000, 0x0000000663278E62ULL},
    {"1e-4950", 0x0000, 0x0000000000000003ULL},
    // Exponents of 5120 or more skip the tables; the sign comes afterwards.
    {"1e5120", 0x7FFF, 0x8000000000000000ULL},
    {"-1e5120", 0xFFFF, 0x8000000000000000ULL},
    {"1e-5120", 0x0000, 0},
    {"-1e-5120", 0x8000, 0},
    // A zero mantissa stays zero however large its exponent.
    {"0e6000", 0x0000, 0},
    {"-0e6000", 0x8000, 0},
    {"0.000e99999999999", 0x0000, 0},
    // Written exponents saturate instead of wrapping around 32 bits.
    {"1e99999999999", 0x7FFF, 0x8000000000000000ULL},
    {"-1e99999999999", 0xFFFF, 0x8000000000000000ULL},
    {"1e-99999999999", 0x0000, 0},
    {"1e2147483648", 0x7FFF, 0x8000000000000000ULL},
    {"1e4294967297", 0x7FFF, 0x8000000000000000ULL},
    {"1e-4294967295", 0x0000, 0},
};

TEST(TextToReal, ConvertsBitExactly) {
    for (const TextCase& c : exact_cases) {
        std::int32_t error_position = -1;
        const long double value = rt::text_to_real(c.text, error_position);
        EXPECT_EQ(error_position, 0) << c.text;
        EXPECT_EQ(show(bits_of(value)), show(Bits{c.sign_exponent, c.significand})) << c.text;
    }
}

struct MalformedCase {
    const char* text;
    std::int32_t position;
    long double partial;  // the digits so far, as a whole number
};

const MalformedCase malformed_cases[] = {
    {"", 1, 0},       {"+", 2, 0},      {"-", 2, 0},          {"  -", 4, 0},
    {"e", 2, 0},      {"1e", 3, 1},     {"1e+", 4, 1},        {"1e-x", 4, 1},
    {"1.2.3", 4, 12}, {"0x1A", 2, 0},   {"$10", 1, 0},        {"1,5", 2, 1},
    {"Inf", 1, 0},    {"NaN", 1, 0},    {"-1.5x", 5, 15},     {"2.5e1x", 6, 25},
    {"1 ", 2, 1},     {"+-1", 2, 0},    {"1e5 ", 4, 1},       {"12d3", 3, 12},
};

TEST(TextToReal, ReportsTheFirstBadByteAndTheDigitsSoFar) {
    for (const MalformedCase& c : malformed_cases) {
        std::int32_t error_position = 0;
        const long double value = rt::text_to_real(c.text, error_position);
        EXPECT_EQ(error_position, c.position) << '"' << c.text << '"';
        EXPECT_EQ(bits_of(value), bits_of(c.partial)) << '"' << c.text << '"';
    }
}

TEST(ScaleByPowerOfTen, ZeroExponentAndZeroValues) {
    const long double third = 1.0L / 3.0L;
    EXPECT_EQ(bits_of(rt::scale_by_power_of_ten(third, 0)), bits_of(third));
    EXPECT_EQ(bits_of(rt::scale_by_power_of_ten(-0.0L, 9000)), bits_of(-0.0L));
    EXPECT_EQ(bits_of(rt::scale_by_power_of_ten(-2.0L, -9000)), bits_of(0.0L));
    EXPECT_EQ(bits_of(rt::scale_by_power_of_ten(2.0L, 5120)), bits_of(HUGE_VALL));
}

// read_real through a TextFile on a scratch file.
class ReadReal : public testing_support::TextFileFixture {
protected:
    std::vector<long double> read(int count) {
        std::vector<long double> values;
        for (int i = 0; i < count; ++i) values.push_back(rt::read_real(file));
        return values;
    }
};

TEST_F(ReadReal, ReadsTokensAcrossBlanksAndLinesAndZerosAtTheEnd) {
    open_input("\t1.5\r\n\n  -2e1\f\x01" "3");
    const std::vector<long double> values = read(5);
    EXPECT_EQ(values, (std::vector<long double>{1.5L, -20.0L, 3.0L, 0.0L, 0.0L}));
    EXPECT_EQ(rt::io_result, 0u);
}

TEST_F(ReadReal, SplitsATokenOfSeventyBytesAfterSixtyFour) {
    open_input(std::string(64, '1') + "000042 7");
    const std::vector<long double> values = read(3);
    std::int32_t error_position = -1;
    EXPECT_EQ(values[0], rt::text_to_real(std::string(64, '1').c_str(), error_position));
    EXPECT_EQ(values[1], 42.0L);
    EXPECT_EQ(values[2], 7.0L);
    EXPECT_EQ(rt::io_result, 0u);
}

TEST_F(ReadReal, MalformedTokenSetsError106AndLeavesItsEndInTheInput) {
    open_input("-1.5x\n2");
    EXPECT_EQ(rt::read_real(file), 15.0L);
    EXPECT_EQ(rt::io_result, 106u);
    rt::read_line_end(file);
    EXPECT_EQ(rt::read_real(file), 2.0L);
    EXPECT_EQ(rt::io_result, 106u);  // a success does not clear it
}

TEST_F(ReadReal, StopsAtByte26) {
    open_input("4 \x1a 5");
    EXPECT_EQ(read(2), (std::vector<long double>{4.0L, 0.0L}));
    EXPECT_EQ(rt::io_result, 0u);
}

}  // namespace
