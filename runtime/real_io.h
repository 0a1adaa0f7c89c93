// 80-bit extended reals as text.
#pragma once

#include <cstdint>

#include "runtime/integer_io.h"
#include "runtime/real.h"

namespace rt {

// 10^n rounded to the nearest extended value: 10^0..10^31, 10^(32k) for
// k = 1..15 (index 0 unused), 10^(512k) for k = 1..9 (index 0 unused).
extern const Real pow10_small[32];
extern const Real pow10_mid[16];
extern const Real pow10_large[10];

// value * 10^e with at most three table operations, small, then mid, then large.
Real scale_by_power_of_ten(Real value, std::int32_t e);
// Converts a zero-terminated real token. error_position is 0 on success, else
// the 1-based position of the first byte that does not fit; the value is then
// the digits accumulated so far.
Real text_to_real(const char* text, std::int32_t& error_position);
Real read_real(TextFile& file);

// v >= 0 as v' * 10^k with v' in [1, 16); (0, 0) for zero.
Real decimal_normalize(Real v, std::int32_t& k);
// The digit string of v rounded after n digits: position 0 the overflow digit,
// positions 1 to 18 the digits of v * 10^17, then "0" up to position n.
// digits must hold at least max(n, 18) + 1 bytes.
void make_digits(Real v, std::int32_t n, char* digits);
void real_to_text(Real value, std::int32_t width, std::int32_t decimals, ShortText& text);
TextFile& write_real(TextFile& file, Real value, std::int32_t width, std::int32_t decimals);

}  // namespace rt
