#include "programs/factor/factor_count.h"

#include <algorithm>

namespace factor {

std::int32_t divisors[max_divisors];

namespace {

// A number up to 2^31 has at most 9 distinct prime factors
// (2 * 3 * 5 * ... * 29 already exceeds 2^32).
constexpr int max_primes = 9;

// The prime factorisation of |N|, kept for the counting.
std::uint32_t prime_factor[max_primes];
std::uint32_t prime_exponent[max_primes];
int prime_count;

// Every divisor of |N| has a slot: the mixed-radix number whose digit j is
// its exponent of the j-th prime, digit j weighing slot_weight[j]. Dividing
// one divisor by another then subtracts their slots, and a multiple always
// has a larger slot than its divisor.
std::uint32_t slot_weight[max_primes];
std::uint32_t divisor_of_slot[max_divisors];
std::uint32_t slot_count;

// The slots of the entries of `divisors`.
std::uint32_t divisor_slot[max_divisors];

// ways[s]: the number of products equal to the divisor in slot s, built
// from the table entries counted in so far (modulo 2^32).
std::uint32_t ways[max_divisors];

std::uint32_t magnitude(std::int32_t n) {
    // Unsigned negation: -2147483648 gives 2147483648.
    return n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
}

// Divides every factor p out of n; records p when it was one.
void take_out_factor(std::uint32_t& n, std::uint32_t p) {
    std::uint32_t exponent = 0;
    while (n % p == 0) {
        n /= p;
        ++exponent;
    }
    if (exponent > 0) {
        prime_factor[prime_count] = p;
        prime_exponent[prime_count] = exponent;
        ++prime_count;
    }
}

// Trial division by 2 and the odd numbers up to the square root of what is
// left; whatever remains above 1 is one more prime. n >= 1.
void factorise(std::uint32_t n) {
    prime_count = 0;
    take_out_factor(n, 2);
    for (std::uint32_t p = 3; p <= n / p; p += 2) take_out_factor(n, p);
    if (n > 1) take_out_factor(n, n);
}

// Fills divisor_of_slot with every divisor of the factorised number.
void list_divisors_by_slot() {
    divisor_of_slot[0] = 1;
    slot_count = 1;
    for (int j = 0; j < prime_count; ++j) {
        slot_weight[j] = slot_count;
        for (std::uint32_t e = 1; e <= prime_exponent[j]; ++e) {
            for (std::uint32_t s = 0; s < slot_weight[j]; ++s) {
                divisor_of_slot[e * slot_weight[j] + s] =
                    divisor_of_slot[(e - 1) * slot_weight[j] + s] * prime_factor[j];
            }
        }
        slot_count *= prime_exponent[j] + 1;
    }
}

std::uint32_t exponent_in_slot(std::uint32_t slot, int j) {
    return slot / slot_weight[j] % (prime_exponent[j] + 1);
}

// Lets the divisor in slot d take part in products: every multiple m of it
// gains the products of m / d followed by d. Multiples are visited in
// ascending slot order, so m / d has already gained its own products using
// d, and d may repeat any number of times.
void count_in_factor(std::uint32_t d) {
    std::uint32_t room[max_primes];  // how far each exponent may rise above d's
    std::uint32_t digit[max_primes] = {};
    for (int j = 0; j < prime_count; ++j) room[j] = prime_exponent[j] - exponent_in_slot(d, j);
    std::uint32_t multiple = d;
    for (;;) {
        ways[multiple] += ways[multiple - d];
        int j = 0;
        while (j < prime_count && digit[j] == room[j]) {
            multiple -= digit[j] * slot_weight[j];
            digit[j] = 0;
            ++j;
        }
        if (j == prime_count) return;
        ++digit[j];
        multiple += slot_weight[j];
    }
}

}  // namespace

std::int32_t collect_divisors(std::int32_t n, std::int32_t k) {
    if (k < 1) return 0;
    if (n == 0) {
        const std::int32_t count = std::min(k, max_divisors);
        for (std::int32_t i = 0; i < count; ++i) divisors[i] = i + 1;
        return count;
    }
    factorise(magnitude(n));
    list_divisors_by_slot();
    std::int32_t count = 0;
    for (std::uint32_t s = 0; s < slot_count; ++s) {
        if (divisor_of_slot[s] <= static_cast<std::uint32_t>(k)) divisor_slot[count++] = s;
    }
    std::sort(divisor_slot, divisor_slot + count, [](std::uint32_t a, std::uint32_t b) {
        return divisor_of_slot[a] < divisor_of_slot[b];
    });
    for (std::int32_t i = 0; i < count; ++i) {
        divisors[i] = static_cast<std::int32_t>(divisor_of_slot[divisor_slot[i]]);
    }
    return count;
}

// The recursion counts, for n >= 2 and a table of two or more entries, the
// multisets of entries 2 .. divisor_count whose product is n: the divisor 1
// only ever leads to a call with bound 1, which gives 0. Every quotient the
// recursion meets is a divisor of n, so its states are (divisor slot, bound
// index). After entry i has been counted in, ways[s] is the recursion's
// count for the divisor in slot s with bound i: each state is computed once,
// in place, from the states of bound i - 1 and of bound i for the smaller
// quotient. That is one addition per pair (entry, multiple of it), 164,025
// for 2,095,133,040, instead of a K-step scan and a recursion that meets the
// same states again and again; the sums are the same modulo 2^32.
std::int32_t count_products(std::int32_t n, std::int32_t divisor_count) {
    if (divisor_count < 1) return n == 1 ? 1 : 0;
    if (divisor_count == 1 || n <= 0) return 0;
    std::fill(ways, ways + slot_count, 0u);
    ways[0] = 1;  // the empty product, 1
    for (std::int32_t i = 1; i < divisor_count; ++i) count_in_factor(divisor_slot[i]);
    return static_cast<std::int32_t>(ways[slot_count - 1]);
}

}  // namespace factor
