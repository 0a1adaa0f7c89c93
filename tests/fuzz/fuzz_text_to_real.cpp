// libFuzzer target: text_to_real on any bytes up to the first zero byte, cut
// to the 64 bytes of a real token, under the programs' control word.
//
// Checked: the only fault is overflow, and only for a value beyond the
// extended range; a token is accepted exactly when it has the shape of
// token_rules.h; a refused token reports a position inside it and the digits
// so far; an accepted one is within a few units in the last place of the
// correctly rounded value (strtold), with its sign.
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/real_io.h"
#include "tests/fuzz/fpu_trap.h"
#include "tests/fuzz/token_rules.h"

namespace {

[[noreturn]] void finding(const char* what, std::string_view text) {
    std::fprintf(stderr, "text_to_real: %s for \"%.*s\"\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

// The correctly rounded value of an accepted token that has digits.
long double exact_value(const char* text) {
    char* end = nullptr;
    const long double value = std::strtold(text, &end);
    if (*end != '\0') finding("the oracle did not take the whole token", text);
    return value;
}

void check_fault(int code, const char* token, const fuzz_rules::RealShape& shape) {
    if (code != FPE_FLTOVF) finding("a floating-point fault other than overflow", token);
    if (!shape.valid || !shape.has_digits) finding("overflow for a token without a value", token);
    const long double exact = exact_value(token + shape.start);
    if (std::fabs(exact) < LDBL_MAX * (1 - 1e-17L)) finding("overflow for a value within range", token);
}

void check_refused(std::int32_t position, long double value, std::size_t length, const char* token) {
    if (position < 1 || static_cast<std::size_t>(position) > length + 1) {
        finding("error position outside the token", token);
    }
    // The digits so far, as a whole number.
    if (!(value >= 0) || std::isinf(value) || value != std::floor(value)) {
        finding("a refused token gave something other than its digits", token);
    }
}

void check_accepted(long double value, const char* token, const fuzz_rules::RealShape& shape) {
    if (std::signbit(value) != shape.negative) finding("wrong sign", token);
    if (!shape.has_digits) {
        if (value != 0) finding("a token without digits is not zero", token);
        return;
    }
    const long double exact = exact_value(token + shape.start);
    if (std::isinf(value) || std::isinf(exact)) {
        if (value != exact) finding("infinite on one side only", token);
        return;
    }
    const long double tolerance = 2e-17L * std::fabs(exact) + 2 * LDBL_TRUE_MIN;
    if (std::fabs(value - exact) > tolerance) finding("value too far from the exact one", token);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char token[rt::real_token_limit + 1];
    std::size_t length = 0;
    while (length < size && length < static_cast<std::size_t>(rt::real_token_limit) && data[length] != 0) {
        token[length] = static_cast<char>(data[length]);
        ++length;
    }
    token[length] = '\0';
    const auto shape = fuzz_rules::real_token_shape(std::string_view(token, length));

    std::int32_t position = -1;
    long double value = 0;
    const int fault = fuzz_fpu::run_trapping([&] { value = rt::text_to_real(token, position); });
    if (fault != 0) {
        check_fault(fault, token, shape);
        return 0;
    }
    if ((position == 0) != shape.valid) finding(shape.valid ? "refused a valid token" : "accepted a malformed token", token);
    if (shape.valid) {
        check_accepted(value, token, shape);
    } else {
        check_refused(position, value, length, token);
    }
    return 0;
}
