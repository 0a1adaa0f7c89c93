// The factorisation count done literally, the benchmark's reference: reads N
// and K from factor.in, and writes the count to factor.out. The divisor table
// is every c from 1 to K with N mod c = 0, and count(n, m) is 0 for m = 1, 1
// for n = 1, else the sum over the entries 1..m that divide n of
// count(n / entry, its index), wrapping modulo 2^32: no memory of the counts
// made before. The benchmark times it beside factor.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace reference {

// entries[0] is unused, so that indices are the recursion's bounds.
using DivisorTable = std::vector<std::int32_t>;

// K divisions whatever N is; N = 0 with K >= 2 would make the recursion endless.
inline DivisorTable scan_divisors(std::int32_t n, std::int32_t k) {
    DivisorTable table{0};
    for (std::int32_t c = 1; c <= k; ++c) {
        if (n % c == 0) table.push_back(c);
        if (c == k) break;  // no step past the largest int32
    }
    return table;
}

inline std::int32_t count_products(const DivisorTable& table, std::int32_t n, std::int32_t m) {
    if (m == 1) return 0;
    if (n == 1) return 1;
    std::uint32_t sum = 0;
    for (std::int32_t i = 1; i <= m; ++i) {
        if (n % table[i] == 0)
            sum += static_cast<std::uint32_t>(count_products(table, n / table[i], i));
    }
    return static_cast<std::int32_t>(sum);
}

inline std::int32_t factor_count(std::int32_t n, std::int32_t k) {
    const DivisorTable table = scan_divisors(n, k);
    return count_products(table, n, static_cast<std::int32_t>(table.size()) - 1);
}

}  // namespace reference

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
