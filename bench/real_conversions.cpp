// A million real conversions each way, timed by the benchmark runner in the
// x87 build and in the software-real build: tokens of 1 to 20 digits with a
// point and an exponent are read with text_to_real, and their values written
// back with real_to_text in scientific (18 digits) and fixed (4 decimals)
// notation. A checksum of the texts decides the exit code, so that the work
// cannot be left out; it is never the one that gives 1.
#include <cstdint>

#include "runtime/real_io.h"

int main() {
    constexpr int count = 1000000;
    std::uint64_t state = 88172645463325252u;
    std::uint32_t checksum = 0;
    for (int i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        char token[40];
        int length = 0;
        std::uint64_t bits = state;
        const int digits = 1 + static_cast<int>(bits % 20);
        for (int d = 0; d < digits; ++d, bits /= 10) {
            if (d == digits / 2) token[length++] = '.';
            token[length++] = static_cast<char>('0' + bits % 10);
        }
        const auto exponent = static_cast<int>(state >> 40) % 601 - 300;
        token[length++] = 'e';
        if (exponent < 0) token[length++] = '-';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) token[length++] = static_cast<char>('0' + magnitude / 100);
        if (magnitude >= 10) token[length++] = static_cast<char>('0' + magnitude / 10 % 10);
        token[length++] = static_cast<char>('0' + magnitude % 10);
        token[length] = '\0';
        std::int32_t error_position = 0;
        const rt::Real value = rt::text_to_real(token, error_position);
        rt::ShortText text;
        rt::real_to_text(value, 26, (i & 1) != 0 ? -1 : 4, text);
        checksum = checksum * 31 + static_cast<std::uint32_t>(error_position) + text.length +
                   static_cast<unsigned char>(text.chars[text.length - 1]);
    }
    return checksum == 0x5EED ? 1 : 0;
}
