// The literal factorisation count as a program of its own: reads N and K
// from factor.in, scans every candidate 1..K and recurses without memory,
// writes the count to factor.out. The benchmark times it beside factor.
#include <cstdint>
#include <cstdio>

#include "tests/reference/factor_reference.h"

int main() {
    std::FILE* in = std::fopen("factor.in", "rb");
    if (in == nullptr) return 2;
    long long n = 0;
    long long k = 0;
    const int got = std::fscanf(in, "%lld %lld", &n, &k);
    std::fclose(in);
    if (got != 2) return 106;
    const std::int32_t count =
        reference::factor_count(static_cast<std::int32_t>(n), static_cast<std::int32_t>(k));
    std::FILE* out = std::fopen("factor.out", "wb");
    if (out == nullptr) return 5;
    std::fprintf(out, "%d", count);
    return std::fclose(out) == 0 ? 0 : 1;
}
