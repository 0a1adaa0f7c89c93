// The number token rules written out a second way, as the fuzz targets' and
// the stress driver's oracle: whole-value comparisons on exact 64-bit
// numbers instead of the runtime's digit-by-digit limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fuzz_rules {

inline int digit_in_base(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    return digit < base ? digit : -1;
}

// The value of an integer token, or nothing when it is not one. A prefix
// value can only exceed the runtime's per-digit limit when the whole value
// exceeds the final limit, so comparing the whole value is the same rule.
inline std::optional<std::int32_t> integer_token_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);
    int base = 10;
    std::string_view digits = rest;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        base = 16;
        digits = rest.substr(1);
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        base = 16;
        digits = rest.substr(2);
    } else if (rest == "0") {
        return 0;
    } else if (!rest.empty() && rest[0] == '0') {
        digits = rest.substr(1);
    }
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = digit_in_base(c, base);
        if (digit < 0) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) value = 0x100000000ull;  // stays beyond every limit
    }
    if (base == 16) {
        if (value > 0xFFFFFFFFull) return std::nullopt;
        const auto pattern = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
    }
    if (value > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
    return static_cast<std::int32_t>(negative ? 0u - static_cast<std::uint32_t>(value)
                                              : static_cast<std::uint32_t>(value));
}

// The shape of a real token: blanks (byte 32), a sign, digits, a point and
// digits, an exponent letter with a sign and at least one digit. Something
// must follow the sign; the digits themselves may be missing.
struct RealShape {
    bool valid = false;
    bool negative = false;
    bool has_digits = false;   // any digit before the exponent
    std::size_t start = 0;     // first byte after the blanks
};

inline RealShape real_token_shape(std::string_view text) {
    RealShape shape;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    shape.start = i;
    auto is_digit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) shape.negative = text[i++] == '-';
    if (i == text.size()) return shape;
    while (is_digit(i)) {
        shape.has_digits = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; is_digit(i); ++i) shape.has_digits = true;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        if (!is_digit(i)) return shape;
        while (is_digit(i)) ++i;
    }
    shape.valid = i == text.size();
    return shape;
}

}  // namespace fuzz_rules
