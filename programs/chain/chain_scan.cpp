#include "programs/chain/chain_scan.h"

#include <algorithm>

#include "runtime/program.h"

namespace chain_scan {

alignas(rt::big_table_alignment) std::int32_t pair_first[max_pairs + 1];
alignas(rt::big_table_alignment) std::int32_t pair_second[max_pairs + 1];
std::int32_t current;

namespace {

// Each pair has two value slots: 2(k - 1) for the first element of pair k,
// 2(k - 1) + 1 for the second.
constexpr std::int32_t max_slots = 2 * max_pairs;

// The top bit of a followers entry: more pairs than the first follower have
// that first element.
constexpr std::uint32_t more_followers = 0x80000000u;

// Two steps of a walk along a path, from pair k: the value it writes and
// its follower, and the same of that follower (0 when there is none).
struct Step {
    std::int32_t second;
    std::int32_t follower;
    std::int32_t next_second;
    std::int32_t next_follower;
};

// The index, in one block that large pages can cover.
struct Index {
    // Every value slot as one key: the value's bits in the high half, the
    // slot in the low half. Sorted by the high half alone, stably, so that
    // the slots of one value stand together in input order.
    //
    // Once the index is built the keys are no longer needed, and their room
    // takes the steps of a walk along a path (see follow_path).
    union {
        std::uint64_t slot_keys[max_slots + 2];
        Step steps[max_pairs + 1];
    };
    std::uint64_t sort_space[max_slots];
    // By pair number k: the first pair, in input order, whose first element
    // is the second element of pair k (0 when there is none), and the
    // more_followers bit.
    std::uint32_t followers[max_pairs + 1];
    // The distinct values are numbered in sorted order ("groups"). By pair
    // number: the group of its second element.
    std::int32_t second_group[max_pairs + 1];
    // The pairs of group g by first element, in input order, are
    // pairs_by_first[group_start[g]] up to pairs_by_first[group_start[g + 1]].
    std::int32_t pairs_by_first[max_pairs];
    std::int32_t group_start[max_slots + 1];
    // By pair number: whether its first element is no pair's second element.
    bool is_head[max_pairs + 1];
};
alignas(rt::big_table_alignment) Index index;

std::int32_t indexed_pairs;
// Whether some value is the first element of two pairs or the second element
// of two.
bool some_value_twice;
// The first pair whose first element is 0, or 0: where the passes start when
// no head was written.
std::int32_t first_pair_of_zero;
// The pair whose second element was written last; 0 while none.
std::int32_t current_pair;

// The radix sort: least significant digit first, 7 bits of the high half of
// the keys at a time. Small digits keep the places that one pass writes to
// few enough to stay in the first-level cache; values up to 2^21 take three
// passes.
constexpr int digit_count = 5;
constexpr int digit_shifts[digit_count] = {32, 39, 46, 53, 60};
constexpr std::uint32_t digit_mask = 127;
using Histograms = std::int32_t[digit_count][digit_mask + 1];

std::uint32_t digit_of(std::uint64_t key, int d) {
    return static_cast<std::uint32_t>(key >> digit_shifts[d]) & digit_mask;
}

// Sorts the first count slot keys, whose digits are counted in histograms; a
// digit that all keys share is skipped. Returns the array holding the result.
const std::uint64_t* sort_by_value(std::int32_t count, Histograms& histograms) {
    std::uint64_t* from = index.slot_keys;
    std::uint64_t* to = index.sort_space;
    for (int d = 0; d < digit_count; ++d) {
        std::int32_t* offsets = histograms[d];
        if (count == 0 || offsets[digit_of(from[0], d)] == count) continue;
        std::int32_t sum = 0;
        for (std::uint32_t digit = 0; digit <= digit_mask; ++digit) {
            const std::int32_t size = offsets[digit];
            offsets[digit] = sum;
            sum += size;
        }
        for (std::int32_t i = 0; i < count; ++i) to[offsets[digit_of(from[i], d)]++] = from[i];
        std::swap(from, to);
    }
    return from;
}

std::uint64_t slot_key(std::int32_t value, std::uint32_t slot) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)) << 32 | slot;
}

std::uint32_t value_of(std::uint64_t key) { return static_cast<std::uint32_t>(key >> 32); }

// Enters the group of equal values sorted[begin] to sorted[end - 1].
void enter_group(const std::uint64_t* sorted, std::int32_t begin, std::int32_t end,
                 std::int32_t group, std::int32_t& placed) {
    index.group_start[group] = placed;
    std::int32_t first_pair = 0;
    std::int32_t last_pair = 0;
    std::int32_t second_count = 0;
    for (std::int32_t i = begin; i < end; ++i) {
        const auto slot = static_cast<std::uint32_t>(sorted[i]);
        const auto k = static_cast<std::int32_t>(slot / 2 + 1);
        if (slot % 2 != 0) {
            ++second_count;
        } else {
            if (first_pair == 0) first_pair = k;
            last_pair = k;
            index.pairs_by_first[placed++] = k;
        }
    }
    for (std::int32_t i = begin; i < end; ++i) {
        const auto slot = static_cast<std::uint32_t>(sorted[i]);
        const auto k = static_cast<std::int32_t>(slot / 2 + 1);
        if (slot % 2 != 0) {
            index.followers[k] = static_cast<std::uint32_t>(first_pair) |
                                 (last_pair != first_pair ? more_followers : 0);
            index.second_group[k] = group;
        } else {
            index.is_head[k] = second_count == 0;
        }
    }
    if (second_count > 1 || last_pair != first_pair) some_value_twice = true;
    if (value_of(sorted[begin]) == 0) first_pair_of_zero = first_pair;
}

// The first pair after pair number `after` whose first element is the value
// of group g, or 0.
std::int32_t later_pair_of(std::int32_t g, std::int32_t after) {
    const std::int32_t* begin = index.pairs_by_first + index.group_start[g];
    const std::int32_t* end = index.pairs_by_first + index.group_start[g + 1];
    const std::int32_t* found = std::upper_bound(begin, end, after);
    return found == end ? 0 : *found;
}

std::int32_t first_follower(std::int32_t k) {
    return static_cast<std::int32_t>(index.followers[k] & ~more_followers);
}

// One pass over the pairs in input order; false when it wrote nothing.
bool follow_up_pass(const ChainWriter& writer) {
    std::int32_t k = current_pair == 0 ? first_pair_of_zero : first_follower(current_pair);
    if (k == 0) return false;
    while (k != 0) {
        const std::int32_t value = pair_second[k];
        const std::uint32_t followers = index.followers[k];
        const std::int32_t follower = first_follower(k);
        // Most often the next step is the first follower: start loading it.
        __builtin_prefetch(&pair_second[follower]);
        __builtin_prefetch(&index.followers[follower]);
        writer.write_follower(value);
        current = value;
        current_pair = k;
        // The next pair of this pass: the first after k whose first element
        // is the value just written.
        if (follower > k) {
            k = follower;
        } else if ((followers & more_followers) == 0) {
            k = 0;
        } else {
            k = later_pair_of(index.second_group[k], k);
        }
    }
    return true;
}

// The passes from a head when no value is twice in one role: the pairs then
// form paths and rings, and from a head only a path leads on, each pass
// writing at least one value of it, so that n - 2 passes always reach its
// end. The passes are then one walk along the first followers, two steps per
// miss: a first pass over the pairs, whose misses overlap, gives each pair
// its follower's value and follower beside its own.
void follow_path(const ChainWriter& writer) {
    for (std::int32_t k = 1; k <= indexed_pairs; ++k) {
        const std::int32_t follower = first_follower(k);
        index.steps[k] = {pair_second[k], follower, pair_second[follower],
                          first_follower(follower)};
    }
    std::int32_t k = first_follower(current_pair);
    while (k != 0) {
        const Step step = index.steps[k];
        __builtin_prefetch(&index.steps[step.next_follower]);
        writer.write_follower(step.second);
        current = step.second;
        current_pair = k;
        if (step.follower == 0) return;
        writer.write_follower(step.next_second);
        current = step.next_second;
        current_pair = step.follower;
        k = step.next_follower;
    }
}

}  // namespace

void prefer_large_pages() {
    rt::prefer_large_pages(pair_first, sizeof pair_first);
    rt::prefer_large_pages(pair_second, sizeof pair_second);
    rt::prefer_large_pages(&index, sizeof index);
}

void index_pairs(std::int32_t pair_count) {
    indexed_pairs = std::clamp(pair_count, 0, max_pairs);
    const std::int32_t slots = 2 * indexed_pairs;
    Histograms histograms = {};
    for (std::int32_t k = 1; k <= indexed_pairs; ++k) {
        const auto slot = static_cast<std::uint32_t>(2 * (k - 1));
        const std::uint64_t first_key = slot_key(pair_first[k], slot);
        const std::uint64_t second_key = slot_key(pair_second[k], slot + 1);
        index.slot_keys[slot] = first_key;
        index.slot_keys[slot + 1] = second_key;
        for (int d = 0; d < digit_count; ++d) {
            ++histograms[d][digit_of(first_key, d)];
            ++histograms[d][digit_of(second_key, d)];
        }
    }
    const std::uint64_t* sorted = sort_by_value(slots, histograms);

    first_pair_of_zero = 0;
    some_value_twice = false;
    std::int32_t groups = 0;
    std::int32_t placed = 0;
    for (std::int32_t begin = 0; begin < slots; ++groups) {
        std::int32_t end = begin + 1;
        while (end < slots && value_of(sorted[end]) == value_of(sorted[begin])) ++end;
        enter_group(sorted, begin, end, groups, placed);
        begin = end;
    }
    index.group_start[groups] = placed;
    current = 0;
    current_pair = 0;
}

void search_heads(const ChainWriter& writer) {
    for (std::int32_t k = 1; k <= indexed_pairs; ++k) {
        if (!index.is_head[k]) continue;
        writer.write_head(pair_first[k], pair_second[k]);
        current = pair_second[k];
        current_pair = k;
    }
}

void follow_up(std::int32_t pass_count, const ChainWriter& writer) {
    if (!some_value_twice && current_pair != 0 && pass_count >= 1 &&
        pass_count >= indexed_pairs - 1) {
        follow_path(writer);
        return;
    }
    // 64-bit count: pass_count may be the largest int32.
    for (std::int64_t pass = 1; pass <= pass_count; ++pass) {
        if (!follow_up_pass(writer)) return;
    }
}

}  // namespace chain_scan
