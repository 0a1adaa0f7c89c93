// queue and chain on large well-formed queues, pairs shuffled, one per line:
// queue against a hand-written program, chain against queue on the same
// input and against the plain quadratic scan. Each comparison alternates the
// two programs and gives the ratio of their times over the pairs.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/bench.h"

namespace {

constexpr int pair_count = 7;

// A scratch directory with "queue.in" for the people 1 to n.
std::string queue_dir(std::int32_t n, std::uint32_t seed) {
    std::string dir = bench::scratch_dir("queue-" + std::to_string(n));
    bench::write_file(dir + "/queue.in", bench::shuffled_queue(n, seed));
    return dir;
}

// A second directory with the same "queue.in", so that two programs run in
// turn keep their outputs apart.
std::string twin_dir(const std::string& dir) {
    std::string twin = bench::scratch_dir("queue-twin");
    if (link((dir + "/queue.in").c_str(), (twin + "/queue.in").c_str()) != 0) {
        bench::write_file(twin + "/queue.in", bench::read_file(dir + "/queue.in"));
    }
    return twin;
}

void check_same(const std::string& program, const std::string& dir, const std::string& other,
                const std::string& other_dir) {
    const std::string a = bench::read_file(dir + "/queue.out");
    const std::string b = bench::read_file(other_dir + "/queue.out");
    if (a != b || a.empty()) {
        std::printf("!! %s and %s write different outputs (%zu and %zu bytes)\n", program.c_str(),
                    other.c_str(), a.size(), b.size());
    }
}

void run_queue_group() {
    bench::print_header("queue");
    const std::string dir = queue_dir(2000000, 1);
    const std::string reference_dir = twin_dir(dir);
    const bench::PairedRuns runs =
        bench::run_paired(bench::executable("queue"), dir, bench::executable("reference_queue"),
                          reference_dir, pair_count);
    bench::print_paired("queue, n = 2,000,000", "hand-written", runs);
    check_same("queue", dir, "reference_queue", reference_dir);
}

void run_chain_group() {
    bench::print_header("chain");
    const std::string dir = queue_dir(200001, 2);
    const std::string queue_twin = twin_dir(dir);
    const bench::PairedRuns runs = bench::run_paired(
        bench::executable("chain"), dir, bench::executable("queue"), queue_twin, pair_count);
    bench::print_paired("chain, n = 200,001", "queue", runs);
    check_same("chain", dir, "queue", queue_twin);

    // The plain scan is quadratic: a tenth of the pairs.
    const std::string small = queue_dir(20001, 3);
    const std::string plain_twin = twin_dir(small);
    const bench::Measurement chain = bench::run_timed(bench::executable("chain"), small, {}, 3);
    const bench::Measurement plain =
        bench::run_timed(bench::executable("reference_chain"), plain_twin, {}, 1);
    bench::print_columns();
    bench::print_row("chain, n = 20,001", chain, "plain scan", plain);
    check_same("chain", small, "reference_chain", plain_twin);
}

const bool queue_registered = bench::register_group("queue", run_queue_group);
const bool chain_registered = bench::register_group("chain", run_chain_group);

}  // namespace
