// queue and chain on large well-formed queues, pairs shuffled, one per line,
// against a hand-written program and the plain quadratic scan.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench.h"

namespace {

// Each output is moved aside and compared with the others at the end.
bench::Measurement run_in(const std::string& program, const std::string& dir, int repeat) {
    const bench::Measurement m = bench::run_timed(bench::executable(program), dir, {}, repeat);
    std::filesystem::rename(dir + "/queue.out", dir + "/queue.out." + program);
    return m;
}

void check_same(const std::string& dir, const std::string& program, const std::string& other) {
    const std::string a = bench::read_file(dir + "/queue.out." + program);
    const std::string b = bench::read_file(dir + "/queue.out." + other);
    if (a != b || a.empty()) {
        std::printf("!! %s and %s write different outputs (%zu and %zu bytes) in %s\n", program.c_str(),
                    other.c_str(), a.size(), b.size(), dir.c_str());
    }
}

std::string queue_dir(std::int32_t n, std::uint32_t seed) {
    const std::string dir = bench::scratch_dir("queue-" + std::to_string(n));
    bench::write_file(dir + "/queue.in", bench::shuffled_queue(n, seed));
    return dir;
}

void run_queue_group() {
    bench::print_header("queue");
    const std::string big = queue_dir(2000000, 1);
    const std::string medium = queue_dir(200001, 2);
    const std::string small = queue_dir(20001, 3);

    const bench::Measurement queue = run_in("queue", big, 3);
    const bench::Measurement by_hand = run_in("reference_queue", big, 3);
    const bench::Measurement chain = run_in("chain", medium, 3);
    run_in("reference_queue", medium, 1);
    const bench::Measurement small_chain = run_in("chain", small, 3);
    const bench::Measurement plain = run_in("reference_chain", small, 1);

    bench::print_row("queue, n = 2,000,000", queue, "hand-written", by_hand);
    bench::print_row("  hand-written reference, n = 2,000,000", by_hand);
    // The plain scan is quadratic: ten times the pairs take a hundred times as long.
    bench::Measurement projected = plain;
    projected.seconds *= 100;
    bench::print_row("chain, n = 200,001", chain, "plain scan (x100 proj.)", projected);
    bench::print_row("chain, n = 20,001", small_chain, "plain scan", plain);
    bench::print_row("  plain scan reference, n = 20,001", plain);

    check_same(big, "queue", "reference_queue");
    check_same(medium, "chain", "reference_queue");
    check_same(small, "chain", "reference_chain");
}

const bool registered = bench::register_group("queue", run_queue_group);

}  // namespace
