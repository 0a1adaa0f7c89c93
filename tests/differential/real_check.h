// The software real against the x87 unit, one operation at a time: a case
// names the operation and its operands, each side describes its outcome (the
// bits and the invalid, zero-divide and overflow conditions) as one line of
// text, and the two lines must be the same. The unit test, the fuzz target and
// the vectors that the other processors verify all go through here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace real_check {

enum Op : int {
    add,
    subtract,
    multiply,
    divide,
    square_root,
    ordered_compare,
    quiet_compare,
    to_integer,
    from_integer,
    from_double,
    from_text,
    to_text,
    op_count
};

// A 10-byte extended real as a plain pair: the checker sees both sides'
// types, so it names neither.
struct Bits {
    std::uint16_t sign_exponent = 0;
    std::uint64_t significand = 0;
};

struct Case {
    Op op = add;
    Bits a, b;
    std::int64_t number = 0;               // from_integer: an int32; from_double: the double's bits
    std::int32_t width = 0, decimals = 4;  // to_text
    std::string text;                      // from_text: a token of at most 64 bytes above 32
};

// The outcome each side gives; the x87 one exists where the unit does.
std::string soft_outcome(const Case& c);
std::string x87_outcome(const Case& c);
// The text conversions of the runtime built with each real: "fault" when the
// unit under the runtime's control word would fault. Defined in real_text.cpp.
std::string soft_from_text(const std::string& text);
std::string soft_to_text(Bits v, std::int32_t width, std::int32_t decimals);
std::string x87_from_text(const std::string& text);
std::string x87_to_text(Bits v, std::int32_t width, std::int32_t decimals);

// The cases of a level, the same on every processor: every pair of boundary
// operands for each operation, then 20000 * level random ones.
void generate(int level, const std::function<void(const Case&)>& visit);
std::string line_of(const Case& c);
std::string bits_text(Bits v);

}  // namespace real_check
