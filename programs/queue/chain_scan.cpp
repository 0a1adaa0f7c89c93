#include "programs/queue/chain_scan.h"

#include <algorithm>

namespace chain_scan {

std::int32_t pair_first[max_pairs + 1];
std::int32_t pair_second[max_pairs + 1];
std::int32_t current;

namespace {

std::int32_t indexed_pairs;
// Every pair as one sortable key: the first element in the high half (sign
// bit flipped so that unsigned order is signed order), the pair number in the
// low half. Sorted, the pairs of one first element stand together in input
// order.
std::uint64_t pairs_by_first[max_pairs];
// The second elements, sorted, to ask whether a value is anyone's follower.
std::int32_t sorted_seconds[max_pairs];

std::uint64_t pair_key(std::int32_t first, std::int32_t pair_number) {
    const std::uint32_t ordered_first = static_cast<std::uint32_t>(first) ^ 0x80000000u;
    return (static_cast<std::uint64_t>(ordered_first) << 32) | static_cast<std::uint32_t>(pair_number);
}

std::int32_t first_of_key(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32) ^ 0x80000000u);
}

std::int32_t pair_number_of_key(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key));
}

bool is_some_second(std::int32_t value) {
    return std::binary_search(sorted_seconds, sorted_seconds + indexed_pairs, value);
}

// The first pair after pair number `after` whose first element is value, or 0.
std::int32_t next_pair_of(std::int32_t value, std::int32_t after) {
    const std::uint64_t* begin = pairs_by_first;
    const std::uint64_t* end = begin + indexed_pairs;
    const std::uint64_t* found = std::lower_bound(begin, end, pair_key(value, after + 1));
    if (found == end || first_of_key(*found) != value) return 0;
    return pair_number_of_key(*found);
}

// One pass over the pairs in input order; false when it wrote nothing.
bool follow_up_pass(const ChainWriter& writer) {
    bool wrote = false;
    for (std::int32_t k = next_pair_of(current, 0); k != 0; k = next_pair_of(current, k)) {
        writer.write_follower(pair_second[k]);
        current = pair_second[k];
        wrote = true;
    }
    return wrote;
}

}  // namespace

void index_pairs(std::int32_t pair_count) {
    indexed_pairs = std::clamp(pair_count, 0, max_pairs);
    for (std::int32_t k = 1; k <= indexed_pairs; ++k) {
        pairs_by_first[k - 1] = pair_key(pair_first[k], k);
        sorted_seconds[k - 1] = pair_second[k];
    }
    std::sort(pairs_by_first, pairs_by_first + indexed_pairs);
    std::sort(sorted_seconds, sorted_seconds + indexed_pairs);
    current = 0;
}

void search_heads(const ChainWriter& writer) {
    for (std::int32_t k = 1; k <= indexed_pairs; ++k) {
        if (is_some_second(pair_first[k])) continue;
        writer.write_head(pair_first[k], pair_second[k]);
        current = pair_second[k];
    }
}

void follow_up(std::int32_t pass_count, const ChainWriter& writer) {
    // 64-bit count: pass_count may be the largest int32.
    for (std::int64_t pass = 1; pass <= pass_count; ++pass) {
        if (!follow_up_pass(writer)) return;
    }
}

}  // namespace chain_scan
