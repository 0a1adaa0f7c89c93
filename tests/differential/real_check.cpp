// The cases, and the two sides of every operation but the text conversions
// (real_text.cpp).
#include "tests/differential/real_check.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <random>

#include "runtime/real.h"
#include "runtime/soft_real.h"

namespace real_check {

namespace {

constexpr std::uint64_t top = std::uint64_t{1} << 63;

rt::SoftReal soft(Bits v) { return rt::SoftReal::from_image({v.significand, v.sign_exponent}); }
Bits bits(rt::SoftReal v) { return {v.image().sign_exponent, v.image().significand}; }
std::string with_conditions(const std::string& outcome, unsigned conditions) {
    return outcome + " c" + std::to_string(conditions);
}

// The boundaries: every significand pattern at every exponent edge (the
// smallest normals, the products and quotients that land on the denormals,
// the operands 63 to 65 places apart, one, the 64-bit integers, the largest),
// with both signs, and the values beyond them.
struct Boundaries {
    Bits values[12 * 4 * 2 + 10];
    int count = 0;
    Boundaries() {
        for (const std::uint16_t field :
             {0, 1, 2, 0x1FE1, 0x2000, 0x3FBF, 0x3FC0, 0x3FFE, 0x3FFF, 0x4000, 0x403E, 0x7FFE})
            for (const std::uint64_t s : {top, top | 1, top | top >> 1, ~std::uint64_t{0}})
                for (const std::uint16_t sign : {0, 0x8000})
                    values[count++] = {static_cast<std::uint16_t>(sign | field), field == 0 ? s >> 1 : s};
        // Zeros, the smallest denormal and a pseudo-denormal, infinities, a quiet
        // and a signalling NaN, the default NaN, an unnormal, a pseudo-infinity.
        // clang-format off
        const Bits beyond[] = {{0, 0}, {0x8000, 0}, {0, 1}, {0, top | 5}, {0x7FFF, top}, {0xFFFF, top},
                               {0x7FFF, top | top >> 1 | 7}, {0x7FFF, top | 3}, {0xFFFF, top | top >> 1}, {0x3FFF, top >> 1}};
        // clang-format on
        for (const Bits& b : beyond) values[count++] = b;
    }
};
const Boundaries boundaries;

// Zeros, denormals and pseudo-denormals, the edges of the exponent range,
// values near the other operand (cancellation, sums and products that end
// exactly halfway), infinities, NaNs of both kinds and the encodings the unit
// refuses.
Bits random_operand(std::mt19937_64& random, Bits other) {
    const auto pick = [&](std::uint64_t n) { return random() % n; };
    std::uint64_t significand = random();
    switch (pick(4)) {
        case 0: significand &= ~std::uint64_t{0} << pick(64); break;  // short: halfway sums and products
        case 1: significand = top | (pick(2) ? 0 : ~std::uint64_t{0} >> (1 + pick(63))); break;
        case 2: significand = other.significand + pick(5) - 2; break;
        default: break;
    }
    const auto sign = static_cast<std::uint16_t>(pick(2) << 15);
    const std::int32_t near = (other.sign_exponent & 0x7FFF) + static_cast<std::int32_t>(pick(141)) - 70;
    std::int32_t field;
    switch (pick(12)) {
        case 0: return {sign, 0};
        case 1: return {sign, significand >> (1 + pick(63))};                 // denormal
        case 2: return {sign, significand | top};                             // pseudo-denormal
        case 3: field = 1 + static_cast<std::int32_t>(pick(70)); break;       // underflow edge
        case 4: field = 0x7FFE - static_cast<std::int32_t>(pick(70)); break;  // overflow edge
        case 5: field = near < 1 ? 1 : near > 0x7FFE ? 0x7FFE : near; break;
        case 6: field = 0x3FFF + static_cast<std::int32_t>(pick(201)) - 100; break;
        case 7: field = 1 + static_cast<std::int32_t>(pick(0x7FFE)); break;
        case 8: return {static_cast<std::uint16_t>(sign | 0x7FFF), top};  // infinity
        case 9: return {static_cast<std::uint16_t>(sign | 0x7FFF), significand | top | top >> 1};
        case 10: return {static_cast<std::uint16_t>(sign | 0x7FFF), (significand | top | 1) & ~(top >> 1)};
        default:  // unnormal, pseudo-infinity, pseudo-NaN
            return {static_cast<std::uint16_t>(sign | (pick(2) ? 0x7FFF : 1 + pick(0x7FFE))), significand & ~top};
    }
    return {static_cast<std::uint16_t>(sign | field), significand | top};
}

// Decimal tokens as the programs read them: up to 40 digits with a point
// anywhere, an exponent near the ends of the range, and the malformed ones.
std::string random_text(std::mt19937_64& random) {
    const auto pick = [&](std::uint64_t n) { return static_cast<int>(random() % n); };
    std::string text = pick(4) == 0 ? "-" : "";
    for (int i = pick(41); i > 0; --i) text += static_cast<char>('0' + (pick(3) == 0 ? 9 : pick(10)));
    if (pick(2) == 0) text.insert(static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1)), ".");
    if (pick(2) == 0) {
        const int edge = pick(2) == 0 ? 4900 : -4950;  // the largest and the smallest values
        text += "e" + std::to_string(pick(2) == 0 ? pick(11000) - 5500 : edge + pick(60));
    }
    if (pick(50) == 0) text.insert(static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1)), "x");
    return text.substr(0, 64);
}

}  // namespace

std::string bits_text(Bits v) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X:%016llX", v.sign_exponent, static_cast<unsigned long long>(v.significand));
    return text;
}

std::string soft_outcome(const Case& c) {
    unsigned conditions = 0;
    const rt::SoftReal a = soft(c.a), b = soft(c.b);
    rt::SoftReal value;
    switch (c.op) {
        case add: value = rt::soft_add(a, b, conditions); break;
        case subtract: value = rt::soft_subtract(a, b, conditions); break;
        case multiply: value = rt::soft_multiply(a, b, conditions); break;
        case divide: value = rt::soft_divide(a, b, conditions); break;
        case square_root: value = rt::soft_square_root(a, conditions); break;
        case ordered_compare:
        case quiet_compare: {
            const int order = rt::soft_compare(a, b, c.op == ordered_compare, conditions);
            return with_conditions("order " + std::to_string(order), conditions);
        }
        case to_integer: {
            const std::int64_t n = rt::soft_to_int64(a, conditions);
            return with_conditions("integer " + std::to_string(n), conditions);
        }
        case from_integer: return bits_text(bits(rt::SoftReal(static_cast<std::int32_t>(c.number))));
        case from_double: return bits_text(bits(rt::SoftReal(std::bit_cast<double>(c.number))));
        case from_text: return soft_from_text(c.text);
        case to_text: return soft_to_text(c.a, c.width, c.decimals);
        default: return "no such operation";
    }
    // The conditions are read only once the operation has set them.
    return with_conditions(bits_text(bits(value)), conditions);
}

std::string line_of(const Case& c) {
    return std::to_string(c.op) + " " + bits_text(c.a) + " " + bits_text(c.b) + " " + std::to_string(c.number) + " " +
           std::to_string(c.width) + " " + std::to_string(c.decimals) + " " + c.text;
}

void generate(int level, const std::function<void(const Case&)>& visit) {
    Case c;
    for (int op = 0; op < from_integer; ++op) {
        c.op = static_cast<Op>(op);
        const bool unary = c.op == square_root || c.op == to_integer;
        for (int i = 0; i < boundaries.count; ++i) {
            for (int j = 0; j < (unary ? 1 : boundaries.count); ++j) {
                c.a = boundaries.values[i], c.b = boundaries.values[j];
                visit(c);
            }
        }
    }
    std::mt19937_64 random(1332);
    for (long i = 0; i < 20000L * level; ++i) {
        c.op = static_cast<Op>(i % op_count);
        c.a = random_operand(random, Bits{0x3FFF, top});
        c.b = random_operand(random, c.a);
        c.number = static_cast<std::int64_t>(random() >> (random() % 64));
        c.width = i % 3 == 0 ? 26 : 0;  // scientific notation, and as cube writes
        c.decimals = i % 3 == 0 ? -1 : 4;
        c.text = random_text(random);
        visit(c);
    }
}

}  // namespace real_check

#if (defined(__x86_64__) || defined(__i386__)) && !defined(RT_SOFTWARE_REAL)

namespace real_check {

namespace {

// The runtime built with the unit has it as its real: its image conversions serve.
long double x87(Bits v) { return rt::real_from_image({v.significand, v.sign_exponent}); }
Bits bits(long double x) { return {rt::image_of(x).sign_exponent, rt::image_of(x).significand}; }

struct Unit {
    long double value = 0;
    std::int64_t integer = 0;
    bool below = false, equal = false, unordered = false;
    unsigned conditions = 0;
};

// One x87 instruction between the loads of b and a (a on top) and the store
// of the top, with every exception masked. The outcome is filled in a local
// copy, whose fields are addressed from the frame: an unoptimised 32-bit
// build has no registers left for a pointer.
#define X87(instruction, store)                                                                                     \
    [](Bits a, Bits b, Unit& out) {                                                                                 \
        const long double xa = x87(a), xb = x87(b);                                                                 \
        const std::uint16_t masked = 0x133F;                                                                        \
        std::uint16_t saved, status;                                                                                \
        Unit local = out;                                                                                           \
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

// clang-format off
void (*const unit[])(Bits, Bits, Unit&) = {
    X87("fadd %%st(1), %%st", "fstpt %[value]"), X87("fsub %%st(1), %%st", "fstpt %[value]"),
    X87("fmul %%st(1), %%st", "fstpt %[value]"), X87("fdiv %%st(1), %%st", "fstpt %[value]"),
    X87("fsqrt", "fstpt %[value]"),
    X87("fcomi %%st(1), %%st\n\tsetb %[below]\n\tsete %[equal]\n\tsetp %[unordered]", "fstp %%st(0)"),
    X87("fucomi %%st(1), %%st\n\tsetb %[below]\n\tsete %[equal]\n\tsetp %[unordered]", "fstp %%st(0)"),
    X87("fistpll %[integer]\n\tfldz", "fstp %%st(0)"),
};
// clang-format on

}  // namespace

std::string x87_outcome(const Case& c) {
    Unit u;
    if (c.op <= to_integer) unit[c.op](c.a, c.b, u);
    switch (c.op) {
        case ordered_compare:
        case quiet_compare: {
            const int order = u.unordered ? 2 : u.below ? -1 : u.equal ? 0 : 1;
            return with_conditions("order " + std::to_string(order), u.conditions);
        }
        case to_integer: return with_conditions("integer " + std::to_string(u.integer), u.conditions);
        case from_integer: return bits_text(bits(static_cast<long double>(static_cast<std::int32_t>(c.number))));
        case from_double: return bits_text(bits(static_cast<long double>(std::bit_cast<double>(c.number))));
        case from_text: return x87_from_text(c.text);
        case to_text: return x87_to_text(c.a, c.width, c.decimals);
        default: return with_conditions(bits_text(bits(u.value)), u.conditions);
    }
}

}  // namespace real_check

#else

std::string real_check::x87_outcome(const Case&) { return "no x87 unit"; }

#endif
