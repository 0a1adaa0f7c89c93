// The chain task done literally, the benchmark's reference: every pair whose
// first element is no pair's second element is written as a head, then n - 2
// passes scan the whole pair list, each writing the second element of every
// pair whose first element equals the value written last. Reads a
// well-formed "queue.in" and writes "queue.out".
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace reference {

struct Pair {
    std::int32_t first = 0;
    std::int32_t second = 0;
};

inline std::string chain_output(std::int32_t n, const std::vector<Pair>& pairs) {
    // n - 1 and n - 2 wrap around in 32 bits, as in the program.
    const auto pair_count = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 1);
    const auto pass_count = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) - 2);
    std::string out;
    std::int32_t current = 0;
    for (std::int32_t k = 0; k < pair_count; ++k) {
        bool follower = false;
        for (std::int32_t j = 0; j < pair_count; ++j) follower |= pairs[j].second == pairs[k].first;
        if (follower) continue;
        out += std::to_string(pairs[k].first) + " " + std::to_string(pairs[k].second);
        current = pairs[k].second;
    }
    for (std::int32_t pass = 1; pass <= pass_count; ++pass) {
        for (std::int32_t j = 0; j < pair_count; ++j) {
            if (pairs[j].first != current) continue;
            current = pairs[j].second;
            (out += ' ') += std::to_string(current);
        }
    }
    return out;
}

}  // namespace reference

int main() {
    std::ifstream in("queue.in");
    if (!in) return 2;
    std::int32_t n = 0;
    in >> n;
    std::string first_line_rest;
    std::getline(in, first_line_rest);
    std::vector<reference::Pair> pairs(static_cast<std::size_t>(std::max(n - 1, 0)));
    for (auto& pair : pairs) in >> pair.first >> pair.second;

    const std::string output = reference::chain_output(n, pairs);
    std::ofstream out("queue.out", std::ios::binary | std::ios::trunc);
    out.write(output.data(), static_cast<std::streamsize>(output.size()));
    return out ? 0 : 4;
}
