// The chain program's indexed scan against the plain quadratic scan, and the
// queue program against chain and its own reference, on random inputs of
// every shape: well-formed queues, several heads, rings, repeated values,
// zeros from a file that ends early, negative and large values.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "programs/queue/chain_scan.h"
#include "tests/reference/chain_reference.h"
#include "tests/support/process.h"

namespace {

using reference::Pair;
using testing_support::printable;

struct QueueInput {
    std::int32_t n = 0;
    std::vector<Pair> pairs;  // max(n - 1, 0) pairs, as the program reads them
};

using Rng = std::mt19937;

std::int32_t pick(Rng& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

// A queue of the given values in random order, its pairs shuffled.
std::vector<Pair> queue_pairs(Rng& rng, std::vector<std::int32_t> values) {
    std::shuffle(values.begin(), values.end(), rng);
    std::vector<Pair> pairs;
    for (std::size_t i = 1; i < values.size(); ++i) pairs.push_back({values[i - 1], values[i]});
    std::shuffle(pairs.begin(), pairs.end(), rng);
    return pairs;
}

QueueInput with_count(std::vector<Pair> pairs) {
    return {static_cast<std::int32_t>(pairs.size()) + 1, std::move(pairs)};
}

std::vector<std::int32_t> one_to(std::int32_t n) {
    std::vector<std::int32_t> values(static_cast<std::size_t>(n));
    std::iota(values.begin(), values.end(), 1);
    return values;
}

// Distinct values from a wide signed range, large and negative ones included.
std::vector<std::int32_t> distinct_values(Rng& rng, std::size_t count) {
    std::vector<std::int32_t> values;
    while (values.size() < count) {
        const std::int32_t v = pick(rng, 0, 3) == 0 ? pick(rng, INT32_MIN, INT32_MAX) : pick(rng, -9, 9);
        if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
    }
    return values;
}

QueueInput well_formed(Rng& rng) { return with_count(queue_pairs(rng, one_to(pick(rng, 2, 12)))); }

QueueInput well_formed_any_values(Rng& rng) {
    return with_count(queue_pairs(rng, distinct_values(rng, static_cast<std::size_t>(pick(rng, 2, 12)))));
}

QueueInput several_heads(Rng& rng) {
    std::vector<Pair> pairs;
    std::vector<std::int32_t> values = distinct_values(rng, static_cast<std::size_t>(pick(rng, 4, 14)));
    while (values.size() >= 2) {
        const std::size_t length = std::min<std::size_t>(values.size(), static_cast<std::size_t>(pick(rng, 2, 5)));
        const std::vector<std::int32_t> chain(values.end() - static_cast<std::ptrdiff_t>(length), values.end());
        values.resize(values.size() - length);
        for (const Pair& p : queue_pairs(rng, chain)) pairs.push_back(p);
    }
    std::shuffle(pairs.begin(), pairs.end(), rng);
    return with_count(std::move(pairs));
}

// A closed ring, sometimes through 0 (where the passes start when there is
// no head), sometimes with a chain leading into it.
QueueInput rings(Rng& rng) {
    std::vector<std::int32_t> values = distinct_values(rng, static_cast<std::size_t>(pick(rng, 1, 8)));
    if (pick(rng, 0, 1) == 0 && std::find(values.begin(), values.end(), 0) == values.end()) values[0] = 0;
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < values.size(); ++i) pairs.push_back({values[i], values[(i + 1) % values.size()]});
    if (pick(rng, 0, 1) == 0) pairs.push_back({pick(rng, 100, 103), values[0]});
    std::shuffle(pairs.begin(), pairs.end(), rng);
    return with_count(std::move(pairs));
}

// Values from a tiny range: repeated firsts, repeated seconds, pairs x x.
QueueInput duplicates(Rng& rng) {
    std::vector<Pair> pairs(static_cast<std::size_t>(pick(rng, 1, 12)));
    const std::int32_t low = pick(rng, -2, 1);
    for (Pair& p : pairs) p = {pick(rng, low, low + 3), pick(rng, low, low + 3)};
    return with_count(std::move(pairs));
}

// A file that ends early: the numbers after the cut read as 0.
QueueInput cut_short(Rng& rng) {
    QueueInput input = pick(rng, 0, 1) == 0 ? well_formed(rng) : duplicates(rng);
    const std::size_t numbers = input.pairs.size() * 2;
    const std::size_t kept = static_cast<std::size_t>(pick(rng, 0, static_cast<std::int32_t>(numbers)));
    for (std::size_t i = kept; i < numbers; ++i) {
        Pair& p = input.pairs[i / 2];
        (i % 2 == 0 ? p.first : p.second) = 0;
    }
    return input;
}

// A count that does not match the pairs: fewer pairs read, or none at all.
QueueInput odd_count(Rng& rng) {
    QueueInput input = duplicates(rng);
    input.n = pick(rng, -6, static_cast<std::int32_t>(input.pairs.size()) + 1);
    input.pairs.resize(static_cast<std::size_t>(std::max(input.n - 1, 0)));
    return input;
}

using Generator = QueueInput (*)(Rng&);
struct InputKind {
    const char* name;
    Generator make;
};
const InputKind input_kinds[] = {
    {"well-formed 1..n", well_formed}, {"well-formed, any values", well_formed_any_values},
    {"several heads", several_heads},  {"rings", rings},
    {"duplicates", duplicates},        {"cut short", cut_short},
    {"count not matching", odd_count},
};

std::string describe(const QueueInput& input) {
    std::string text = "n = " + std::to_string(input.n) + ", pairs:";
    for (const Pair& p : input.pairs) text += " " + std::to_string(p.first) + "," + std::to_string(p.second);
    return text;
}

// ---- the indexed scan, in-process ----------------------------------------

std::string captured;

void capture_head(std::int32_t first, std::int32_t second) {
    captured += std::to_string(first) + " " + std::to_string(second);
}
void capture_follower(std::int32_t value) { captured += " " + std::to_string(value); }

std::string indexed_chain_output(const QueueInput& input) {
    for (std::size_t k = 1; k <= input.pairs.size(); ++k) {
        chain_scan::pair_first[k] = input.pairs[k - 1].first;
        chain_scan::pair_second[k] = input.pairs[k - 1].second;
    }
    const chain_scan::ChainWriter writer{capture_head, capture_follower};
    captured.clear();
    chain_scan::index_pairs(reference::wrapped_minus(input.n, 1));
    chain_scan::search_heads(writer);
    chain_scan::follow_up(reference::wrapped_minus(input.n, 2), writer);
    return captured;
}

TEST(ChainScan, WritesThePlainScansBytesOnRandomInputsOfEveryKind) {
    Rng rng(20240601);
    for (const InputKind& kind : input_kinds) {
        for (int round = 0; round < 3000; ++round) {
            const QueueInput input = kind.make(rng);
            const std::string expected = reference::chain_output(input.n, input.pairs);
            ASSERT_EQ(indexed_chain_output(input), expected) << kind.name << ": " << describe(input);
        }
    }
}

TEST(ChainScan, WritesThePlainScansBytesOnLargerInputs) {
    Rng rng(7);
    for (std::int32_t n : {500, 2000}) {
        const QueueInput queue = with_count(queue_pairs(rng, one_to(n)));
        EXPECT_EQ(indexed_chain_output(queue), reference::chain_output(queue.n, queue.pairs)) << n;
    }
    // Every pair 0 0: each of the n - 2 passes writes every pair again.
    const QueueInput zeros = with_count(std::vector<Pair>(150));
    const std::string output = indexed_chain_output(zeros);
    EXPECT_EQ(output.size(), 2u * 150 * 149);
    EXPECT_EQ(output, reference::chain_output(zeros.n, zeros.pairs));
}

TEST(ChainScan, FillsTheTablesWithAWellFormedQueue) {
    Rng rng(11);
    std::vector<std::int32_t> order{INT32_MIN, INT32_MAX, 0, -5};
    for (std::int32_t v = 1; order.size() < chain_scan::max_pairs + 1; ++v) order.push_back(v * 7);
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<Pair> pairs;
    std::string expected = std::to_string(order[0]);
    for (std::size_t i = 1; i < order.size(); ++i) {
        pairs.push_back({order[i - 1], order[i]});
        expected += " " + std::to_string(order[i]);
    }
    std::shuffle(pairs.begin(), pairs.end(), rng);
    EXPECT_TRUE(indexed_chain_output(with_count(std::move(pairs))) == expected);
}

TEST(ChainScan, AnEmptyPassEndsThePasses) {
    // n = -2147483647 reads no pair but asks for 2^31 - 1 passes.
    EXPECT_EQ(indexed_chain_output({-2147483647, {}}), "");
    EXPECT_EQ(indexed_chain_output({3, {{0, 0}, {0, 0}}}), " 0 0");
}

// ---- the real programs ---------------------------------------------------

// The bytes of "queue.in" for an input, laid out at random: extra numbers on
// the first line, pairs spread over lines and blanks of every kind, numbers
// left out at the end where they read as 0 anyway.
std::string queue_file(Rng& rng, const QueueInput& input) {
    static const char* const blanks[] = {" ", "  ", "\t", "\n", "\r\n", " \r\n", "\n\n"};
    std::string text = std::to_string(input.n);
    if (pick(rng, 0, 3) == 0) text += " 99 -1";
    text += "\r\n";
    std::vector<std::int32_t> numbers;
    for (const Pair& p : input.pairs) {
        numbers.push_back(p.first);
        numbers.push_back(p.second);
    }
    const std::size_t all_numbers = numbers.size();
    while (!numbers.empty() && numbers.back() == 0 && pick(rng, 0, 1) == 0) numbers.pop_back();
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += std::to_string(numbers[i]);
        text += i % 2 == 0 ? blanks[pick(rng, 0, 2)] : blanks[pick(rng, 3, 6)];
    }
    // What follows the last pair is never read, not even a malformed number.
    if (numbers.size() == all_numbers && pick(rng, 0, 3) == 0) text += "7 8 x9\n";
    return text;
}

struct ProgramOutput {
    testing_support::RunResult run;
    std::string queue_out;
    bool has_output = false;
};

ProgramOutput run_on(const std::string& program, const std::string& queue_in) {
    testing_support::ScratchDir dir;
    testing_support::write_file(dir.file("queue.in"), queue_in);
    ProgramOutput result;
    result.run = testing_support::run_program(testing_support::program_path(program), dir.path());
    result.has_output = testing_support::read_file(dir.file("queue.out"), result.queue_out);
    return result;
}

void expect_normal_end(const ProgramOutput& result, const std::string& expected, const std::string& context) {
    EXPECT_EQ(result.run.exit_code, 0) << context;
    EXPECT_EQ(result.run.stdout_bytes, "") << context;
    EXPECT_TRUE(result.has_output) << context;
    EXPECT_EQ(result.queue_out, expected) << context;
}

TEST(ChainProgram, WritesThePlainScansBytesOnRandomFiles) {
    Rng rng(31337);
    for (const InputKind& kind : input_kinds) {
        for (int round = 0; round < 15; ++round) {
            const QueueInput input = kind.make(rng);
            const std::string file = queue_file(rng, input);
            const std::string context = std::string(kind.name) + ": " + printable(file);
            expect_normal_end(run_on("chain", file), reference::chain_output(input.n, input.pairs), context);
        }
    }
}

TEST(QueueProgram, AgreesWithChainOnRandomWellFormedQueues) {
    Rng rng(4242);
    for (int round = 0; round < 25; ++round) {
        const QueueInput input = with_count(queue_pairs(rng, one_to(pick(rng, 2, round < 20 ? 40 : 3000))));
        const std::string file = queue_file(rng, input);
        const ProgramOutput chain = run_on("chain", file);
        const std::string context = "n = " + std::to_string(input.n);
        expect_normal_end(chain, reference::chain_output(input.n, input.pairs), context);
        expect_normal_end(run_on("queue", file), chain.queue_out, context);
    }
}

// Inputs near the data model: values 0 to n + 1, so heads, cycles, shared
// tails, values above n and refused zeros all occur.
QueueInput near_queue(Rng& rng) {
    QueueInput input = pick(rng, 0, 1) == 0 ? duplicates(rng) : with_count(queue_pairs(rng, one_to(pick(rng, 2, 9))));
    const std::int32_t top = input.n + 1;
    for (Pair& p : input.pairs) {
        if (pick(rng, 0, 2) == 0) p.first = pick(rng, pick(rng, 0, 4) == 0 ? 0 : 1, top);
        if (pick(rng, 0, 2) == 0) p.second = pick(rng, pick(rng, 0, 4) == 0 ? 0 : 1, top);
    }
    return input;
}

TEST(QueueProgram, FollowsItsTablesOnInputThatIsNoQueue) {
    Rng rng(99);
    for (int round = 0; round < 80; ++round) {
        const QueueInput input = near_queue(rng);
        const std::string file = queue_file(rng, input);
        const std::optional<std::string> expected = reference::queue_output(input.n, input.pairs);
        const ProgramOutput result = run_on("queue", file);
        const std::string context = printable(file);
        if (expected) {
            expect_normal_end(result, *expected, context);
        } else {
            EXPECT_EQ(result.run.exit_code, 201) << context;
            EXPECT_TRUE(testing_support::is_report_line(result.run.stdout_bytes, 201)) << context;
            EXPECT_EQ(result.queue_out, "") << context;
        }
    }
}

}  // namespace
