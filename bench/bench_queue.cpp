// queue and chain on large well-formed queues, pairs shuffled, one per line,
// against a hand-written program and the plain quadratic scan.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench/bench.h"

namespace {

// "queue.in" for the people 1 to n in random order, the pairs shuffled.
std::string shuffled_queue(std::int32_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::int32_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<std::size_t> pair_starts(order.size() - 1);
    std::iota(pair_starts.begin(), pair_starts.end(), 0);
    std::shuffle(pair_starts.begin(), pair_starts.end(), rng);

    std::string text = std::to_string(n) + "\r\n";
    text.reserve(static_cast<std::size_t>(n) * 18);
    for (const std::size_t i : pair_starts) {
        text += std::to_string(order[i]);
        text += ' ';
        text += std::to_string(order[i + 1]);
        text += "\r\n";
    }
    return text;
}

struct Run {
    bench::Measurement measurement;
    std::string output;
};

Run run_in(const std::string& program, const std::string& dir, int repeat) {
    Run run;
    run.measurement = bench::run_timed(bench::executable(program), dir, {}, repeat);
    run.output = bench::read_file(dir + "/queue.out");
    return run;
}

void check_same(const std::string& what, const Run& a, const Run& b) {
    if (a.output != b.output || a.output.empty()) {
        std::printf("!! %s: outputs differ (%zu and %zu bytes)\n", what.c_str(), a.output.size(),
                    b.output.size());
    }
}

void run_queue_group() {
    bench::print_header("queue");

    const std::string big = bench::scratch_dir("queue-2000000");
    bench::write_file(big + "/queue.in", shuffled_queue(2000000, 1));
    const Run queue = run_in("queue", big, 3);
    const Run by_hand = run_in("reference_queue", big, 3);
    check_same("queue n = 2,000,000", queue, by_hand);
    bench::print_row("queue, n = 2,000,000", queue.measurement, "hand-written", by_hand.measurement);
    bench::print_row("  hand-written reference, n = 2,000,000", by_hand.measurement);

    const std::string medium = bench::scratch_dir("chain-200001");
    bench::write_file(medium + "/queue.in", shuffled_queue(200001, 2));
    const Run chain = run_in("chain", medium, 3);
    const Run medium_by_hand = run_in("reference_queue", medium, 1);
    check_same("chain n = 200,001", chain, medium_by_hand);

    const std::string small = bench::scratch_dir("chain-20001");
    bench::write_file(small + "/queue.in", shuffled_queue(20001, 3));
    const Run plain = run_in("reference_chain", small, 1);
    const Run small_chain = run_in("chain", small, 1);
    check_same("chain n = 20,001", small_chain, plain);

    // The plain scan is quadratic: ten times the pairs take a hundred times as long.
    bench::Measurement projected = plain.measurement;
    projected.seconds *= 100;
    bench::print_row("chain, n = 200,001", chain.measurement, "plain scan (x100 proj.)", projected);
    bench::print_row("chain, n = 20,001", small_chain.measurement, "plain scan", plain.measurement);
    bench::print_row("  plain scan reference, n = 20,001", plain.measurement);
}

const bool registered = bench::register_group("queue", run_queue_group);

}  // namespace
