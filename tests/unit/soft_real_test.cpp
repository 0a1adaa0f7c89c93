// SoftReal against the x87 unit, bit for bit: every operation on random
// operands drawn to hit the hard places, the result and the invalid,
// zero-divide and overflow conditions compared with what the unit gives with
// its exceptions masked.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "runtime/soft_real.h"
#include "runtime/uint128.h"

using namespace rt;

namespace {

long double x87_value(SoftReal v) {
    const RealImage image = v.image();
    long double x = 0;
    std::memcpy(&x, &image.significand, 8);
    std::memcpy(reinterpret_cast<char*>(&x) + 8, &image.sign_exponent, 2);
    return x;
}
SoftReal soft_value(long double x) {
    RealImage image;
    std::memcpy(&image.significand, &x, 8);
    std::memcpy(&image.sign_exponent, reinterpret_cast<const char*>(&x) + 8, 2);
    return SoftReal::from_image(image);
}

// One x87 instruction between the loads of b and a (a on top) and the store
// of the top, under the control word 0x1332 with every exception masked.
// The outcome is filled in a local copy, whose fields are addressed from the
// frame: an unoptimised 32-bit build has no registers left for a pointer.
#define X87(instruction, store)                                                                                     \
    [](SoftReal a, SoftReal b, Outcome& out) {                                                                      \
        const long double xa = x87_value(a), xb = x87_value(b);                                                     \
        const std::uint16_t masked = 0x133F;                                                                        \
        std::uint16_t saved, status;                                                                                \
        Outcome local = out;                                                                                        \
        asm volatile(                                                                                               \
            "fnstcw %[saved]\n\tfldcw %[masked]\n\tfnclex\n\tfldt %[b]\n\tfldt %[a]\n\t" instruction "\n\t" store   \
            "\n\tfstp %%st(0)\n\tfnstsw %[status]\n\tfldcw %[saved]"                                                \
            : [saved] "=m"(saved), [status] "=m"(status), [value] "+m"(local.value), [integer] "+m"(local.integer), \
              [below] "+m"(local.below), [equal] "+m"(local.equal), [unordered] "+m"(local.unordered)               \
            : [a] "m"(xa), [b] "m"(xb), [masked] "m"(masked)                                                        \
            : "st", "st(1)", "cc");                                                                                 \
        local.conditions = status & 0x0D;                                                                           \
        out = local;                                                                                                \
    }

struct Outcome {
    long double value = 0;
    std::int64_t integer = 0;
    bool below = false, equal = false, unordered = false;
    unsigned conditions = 0;
};

std::string bits(SoftReal v) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X:%016llX", v.image().sign_exponent,
                  static_cast<unsigned long long>(v.image().significand));
    return text;
}
std::string text_of(const Outcome& o) {
    char text[96];
    std::snprintf(text, sizeof text, "%s int %lld below %d equal %d unordered %d conditions %u",
                  bits(soft_value(o.value)).c_str(), static_cast<long long>(o.integer), o.below, o.equal, o.unordered,
                  o.conditions);
    return text;
}

// The compare results as fcomi leaves them in the flags.
void set_order(Outcome& out, int order) {
    out.below = order == -1 || order == 2;
    out.equal = order == 0 || order == 2;
    out.unordered = order == 2;
}

struct Operation {
    const char* name;
    void (*x87)(SoftReal, SoftReal, Outcome&);
    void (*soft)(SoftReal, SoftReal, Outcome&);
};

// clang-format off
const Operation operations[] = {
    {"add", X87("fadd %%st(1), %%st", "fstpt %[value]"),
     [](SoftReal a, SoftReal b, Outcome& o) { o.value = x87_value(soft_add(a, b, o.conditions)); }},
    {"subtract", X87("fsub %%st(1), %%st", "fstpt %[value]"),
     [](SoftReal a, SoftReal b, Outcome& o) { o.value = x87_value(soft_subtract(a, b, o.conditions)); }},
    {"multiply", X87("fmul %%st(1), %%st", "fstpt %[value]"),
     [](SoftReal a, SoftReal b, Outcome& o) { o.value = x87_value(soft_multiply(a, b, o.conditions)); }},
    {"divide", X87("fdiv %%st(1), %%st", "fstpt %[value]"),
     [](SoftReal a, SoftReal b, Outcome& o) { o.value = x87_value(soft_divide(a, b, o.conditions)); }},
    {"square root", X87("fsqrt", "fstpt %[value]"),
     [](SoftReal a, SoftReal, Outcome& o) { o.value = x87_value(soft_square_root(a, o.conditions)); }},
    {"ordered compare", X87("fcomi %%st(1), %%st\n\tsetb %[below]\n\tsete %[equal]\n\tsetp %[unordered]", "fstp %%st(0)"),
     [](SoftReal a, SoftReal b, Outcome& o) { set_order(o, soft_compare(a, b, true, o.conditions)); }},
    {"quiet compare", X87("fucomi %%st(1), %%st\n\tsetb %[below]\n\tsete %[equal]\n\tsetp %[unordered]", "fstp %%st(0)"),
     [](SoftReal a, SoftReal b, Outcome& o) { set_order(o, soft_compare(a, b, false, o.conditions)); }},
    {"integer store", X87("fistpll %[integer]\n\tfldz", "fstp %%st(0)"),
     [](SoftReal a, SoftReal, Outcome& o) { o.integer = soft_to_int64(a, o.conditions); }},
};
// clang-format on

// Operands: zeros, denormals and pseudo-denormals, the edges of the
// exponent range, values near the other operand (cancellation, and sums and
// products that end exactly halfway), infinities, NaNs of both kinds and the
// encodings the unit refuses.
SoftReal random_operand(std::mt19937_64& random, SoftReal other) {
    const auto pick = [&](std::uint64_t n) { return random() % n; };
    const std::uint64_t top = std::uint64_t{1} << 63;
    std::uint64_t significand = random();
    switch (pick(4)) {
        case 0: significand &= ~std::uint64_t{0} << pick(64); break;  // short: halfway sums and products
        case 1: significand = top | (pick(2) ? 0 : ~std::uint64_t{0} >> (1 + pick(63))); break;
        case 2: significand = other.image().significand + pick(5) - 2; break;
        default: break;
    }
    const auto sign = static_cast<std::uint16_t>(pick(2) << 15);
    const std::int32_t near = (other.image().sign_exponent & 0x7FFF) + static_cast<std::int32_t>(pick(141)) - 70;
    std::int32_t field;
    switch (pick(12)) {
        case 0: return SoftReal::from_image({0, sign});
        case 1: return SoftReal::from_image({significand >> (1 + pick(63)), sign});  // denormal
        case 2: return SoftReal::from_image({significand | top, sign});              // pseudo-denormal
        case 3: field = 1 + static_cast<std::int32_t>(pick(70)); break;              // underflow edge
        case 4: field = 0x7FFE - static_cast<std::int32_t>(pick(70)); break;         // overflow edge
        case 5: field = near < 1 ? 1 : near > 0x7FFE ? 0x7FFE : near; break;
        case 6: field = 0x3FFF + static_cast<std::int32_t>(pick(201)) - 100; break;
        case 7: field = 1 + static_cast<std::int32_t>(pick(0x7FFE)); break;
        case 8: return SoftReal::from_image({top, static_cast<std::uint16_t>(sign | 0x7FFF)});  // infinity
        case 9:
            return SoftReal::from_image({significand | top | (top >> 1), static_cast<std::uint16_t>(sign | 0x7FFF)});
        case 10:
            return SoftReal::from_image(
                {(significand | top | 1) & ~(top >> 1), static_cast<std::uint16_t>(sign | 0x7FFF)});
        default:  // unnormal, pseudo-infinity, pseudo-NaN
            return SoftReal::from_image(
                {significand & ~top, static_cast<std::uint16_t>(sign | (pick(2) ? 0x7FFF : 1 + pick(0x7FFE)))});
    }
    return SoftReal::from_image({significand | top, static_cast<std::uint16_t>(sign | field)});
}

TEST(SoftReal, GivesTheBitsAndConditionsOfTheX87Unit) {
    // Pairs random draws seldom make: a difference of one unit in the 65th
    // bit, the largest and smallest values, the edges of a 64-bit integer, and
    // a product that becomes a denormal ending in ...03 by its sticky bit.
    // clang-format off
    const RealImage edges[][2] = {
        {{1ULL << 63, 0x3FFF}, {~0ULL, 0x3FFE}}, {{~0ULL, 0x7FFE}, {~0ULL, 0x7FFE}}, {{1ULL << 63, 1}, {1, 0}},
        {{~0ULL, 0x403D}, {1ULL << 63, 0x3FFE}}, {{1ULL << 63, 0xC03E}, {3ULL << 62, 0xC03D}}, {{~0ULL >> 1, 0}, {1, 0x8000}},
        {{0x9000000000000000, 0x1FE1}, {0x8E38E38E38E38E39, 0x1FE1}},
    };
    // clang-format on
    std::mt19937_64 random(1332);
    for (const Operation& operation : operations) {
        for (int i = 0; i < 200000; ++i) {
            SoftReal a = random_operand(random, SoftReal(1));
            SoftReal b = random_operand(random, a);
            if (i < 2 * static_cast<int>(std::size(edges))) {
                a = SoftReal::from_image(edges[i / 2][i % 2]);
                b = SoftReal::from_image(edges[i / 2][1 - i % 2]);
            }
            Outcome expected, got;
            operation.x87(a, b, expected);
            operation.soft(a, b, got);
            ASSERT_EQ(text_of(got), text_of(expected)) << operation.name << " " << bits(a) << " " << bits(b);
        }
    }
    // Loads of 32-bit integers and doubles, the runtime's constants among them.
    for (int i = 0; i < 100000; ++i) {
        const auto n = static_cast<std::int32_t>(random() >> (32 + random() % 32));
        std::uint64_t d_bits = random();
        if (random() % 4 == 0) d_bits &= random() % 2 ? 0x800FFFFFFFFFFFFFu : 0x8000000000000000u;   // denormals, zeros
        if ((d_bits & 0x7FF8000000000000u) == 0x7FF0000000000000u && (d_bits << 12) != 0) continue;  // signalling NaN
        const double d = std::bit_cast<double>(d_bits);
        ASSERT_EQ(bits(SoftReal(n)), bits(soft_value(n))) << n;
        ASSERT_EQ(bits(SoftReal(d)), bits(soft_value(d))) << d;
    }
}

#if defined(__SIZEOF_INT128__)
// Uint128, the software real's 128-bit integer where the compiler has none, divides as the compiler's
// own type: both halves of the quotient and the remainder, for divisors with their top bit set and
// for divisors that must be shifted up first.
TEST(Uint128, DividesAsTheBuiltInType) {
    const std::uint64_t divisions[][3] = {
        // the dividend's high and low halves, the divisor
        {~0ULL, ~0ULL, ~0ULL},
        {0x0123456789ABCDEF, 0xFEDCBA9876543211, 10},
        {2, 1ULL << 63, 3},
        {0x7FFFFFFFFFFFFFFF, 0xFFFFFFFF00000001, 0x00000001FFFFFFFF},
        {0, ~0ULL, ~0ULL >> 1},
        {0x96C8DA1964B2D2BC, 0x1FFF, 0xAC4A3698AA2CA1AF},  // a digit estimate whose remainder passes 32 bits
    };
    for (const auto& d : divisions) {
        const unsigned __int128 a = static_cast<unsigned __int128>(d[0]) << 64 | d[1], q = a / d[2];
        const Uint128 x = Uint128{d[0]} << 64 | Uint128{d[1]}, y = x / d[2];
        EXPECT_TRUE(static_cast<std::uint64_t>(y) == static_cast<std::uint64_t>(q) &&
                    static_cast<std::uint64_t>(y >> 64) == static_cast<std::uint64_t>(q >> 64) &&
                    static_cast<std::uint64_t>(x % d[2]) == a % d[2])
            << std::hex << d[0] << ":" << d[1] << " / " << d[2];
    }
}
#endif

}  // namespace
