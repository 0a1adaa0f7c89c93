// The chain task by the plain scan of tests/reference/chain_reference.h: the
// whole pair list scanned again for every step. Reads a well-formed
// "queue.in" and writes "queue.out".
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "tests/reference/chain_reference.h"

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
