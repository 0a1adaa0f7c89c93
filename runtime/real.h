// Real: the one 80-bit extended type of the runtime and the programs.
//
// On x86 (x86-64 and 32-bit x86) it is the x87 unit's long double;
// elsewhere, or when built with SOFTWARE_REAL, it is SoftReal, which gives the
// same bits and the same faults. Code that uses Real sees one set of
// operations either way: the arithmetic operators and comparisons,
// square_root, magnitude, rounded_to_uint64, and the 10-byte image.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "runtime/soft_real.h"

namespace rt {

#if defined(RT_SOFTWARE_REAL)

using Real = SoftReal;

constexpr Real real_from_image(RealImage image) { return SoftReal::from_image(image); }
inline RealImage image_of(Real v) { return v.image(); }

#else

static_assert(__LDBL_MANT_DIG__ == 64, "long double must be the x87 type");

using Real = long double;

// The 10 bytes of the type, padded to 16 on x86-64 and to 12 on 32-bit x86.
#if __SIZEOF_LONG_DOUBLE__ == 16
constexpr Real real_from_image(RealImage image) {
    struct Padded {
        std::uint64_t significand;
        std::uint16_t sign_exponent;
        std::uint16_t padding[3];
    };
    return std::bit_cast<long double>(Padded{image.significand, image.sign_exponent, {0, 0, 0}});
}
#elif __SIZEOF_LONG_DOUBLE__ == 12
constexpr Real real_from_image(RealImage image) {
    struct Padded {  // 32-bit halves: a 64-bit member would pad the record to 16 bytes
        std::uint32_t significand_low;
        std::uint32_t significand_high;
        std::uint16_t sign_exponent;
        std::uint16_t padding;
    };
    return std::bit_cast<long double>(Padded{static_cast<std::uint32_t>(image.significand),
                                             static_cast<std::uint32_t>(image.significand >> 32),
                                             image.sign_exponent, 0});
}
#else
#error "long double is padded to neither 16 nor 12 bytes"
#endif
inline RealImage image_of(Real v) {
    RealImage image;
    std::memcpy(&image.significand, &v, 8);
    std::memcpy(&image.sign_exponent, reinterpret_cast<const unsigned char*>(&v) + 8, 2);
    return image;
}
inline Real square_root(Real v) { return __builtin_sqrtl(v); }
inline Real magnitude(Real v) { return __builtin_fabsl(v); }
// The integer nearest to v, which must be below 2^63: the unit's 64-bit
// integer store, which for any other value raises invalid (masked: gives
// 0x8000000000000000) where a conversion in C++ would be undefined.
inline std::uint64_t rounded_to_uint64(Real v) {
    std::int64_t n = 0;
    asm("fistpll %0" : "=m"(n) : "t"(v) : "st");
    return static_cast<std::uint64_t>(n);
}

#endif

}  // namespace rt
