// Reference transcriptions of the two queue programs' computations, kept
// deliberately naive: the tests compare the fast programs with these, byte for
// byte.
//
// chain_output: the head search and the n - 2 follow-up passes, each pass a
// full scan of the pair list, exactly as the chain program's result is defined.
// queue_output: the tables indexed by value, with the stop before a value that
// the same chain has already written.
//
// Both take the count n as read and the pairs numbered from 1 (pairs[0] is
// pair 1); there must be max(n - 1, 0) pairs, missing input given as 0 0.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace reference {

struct Pair {
    std::int32_t first = 0;
    std::int32_t second = 0;
};

// n - d with 32-bit wrap-around, as the programs compute loop bounds.
inline std::int32_t wrapped_minus(std::int32_t n, std::uint32_t d) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - d);
}

inline std::string chain_output(std::int32_t n, const std::vector<Pair>& pairs) {
    const std::int64_t pair_count = wrapped_minus(n, 1);
    const std::int64_t pass_count = wrapped_minus(n, 2);
    if (static_cast<std::int64_t>(pairs.size()) < pair_count) throw std::invalid_argument("too few pairs");
    auto first = [&](std::int64_t k) { return pairs[static_cast<std::size_t>(k - 1)].first; };
    auto second = [&](std::int64_t k) { return pairs[static_cast<std::size_t>(k - 1)].second; };

    std::string out;
    std::int32_t current = 0;
    for (std::int64_t k = 1; k <= pair_count; ++k) {
        std::int64_t count = 0;
        for (std::int64_t j = 1; j <= pair_count; ++j) {
            if (second(j) == first(k)) ++count;
        }
        if (count == 0) {
            out += std::to_string(first(k));
            out += ' ';
            out += std::to_string(second(k));
            current = second(k);
        }
    }
    for (std::int64_t pass = 1; pass <= pass_count; ++pass) {
        for (std::int64_t j = 1; j <= pair_count; ++j) {
            if (first(j) == current) {
                out += ' ';
                out += std::to_string(second(j));
                current = second(j);
            }
        }
    }
    return out;
}

inline constexpr std::int32_t queue_value_limit = 2000000;

// The queue program's output, or nothing when it refuses the input with
// runtime error 201 (n or a pair value outside its tables).
inline std::optional<std::string> queue_output(std::int32_t n, const std::vector<Pair>& pairs) {
    if (n > queue_value_limit || n == INT32_MIN) return std::nullopt;
    const std::int32_t pair_count = n - 1;
    std::map<std::int32_t, std::int32_t> occurrences;
    std::map<std::int32_t, std::int32_t> pair_of;  // absent: no pair
    for (std::int32_t k = 1; k <= pair_count; ++k) {
        const Pair& p = pairs.at(static_cast<std::size_t>(k - 1));
        for (std::int32_t v : {p.first, p.second}) {
            if (v < 1 || v > queue_value_limit) return std::nullopt;
        }
        ++occurrences[p.first];
        ++occurrences[p.second];
        pair_of[p.first] = k;
    }
    std::string out;
    for (std::int32_t head = 1; head <= n; ++head) {
        if (occurrences[head] != 1 || pair_of[head] == 0) continue;
        std::set<std::int32_t> written{head};
        out += std::to_string(head);
        for (std::int32_t k = pair_of[head]; k > 0;) {
            const std::int32_t next = pairs[static_cast<std::size_t>(k - 1)].second;
            if (!written.insert(next).second) break;
            out += ' ';
            out += std::to_string(next);
            k = pair_of[next];
        }
    }
    return out;
}

}  // namespace reference
