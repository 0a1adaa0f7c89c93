// factor against the literal scan and recursion, on the numbers with the
// most divisors, a prime, a power of two and the most negative number.
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/bench.h"

namespace {

struct FactorCase {
    std::int32_t n;
    std::int32_t k;
};

void run_factor_group() {
    const std::int32_t largest = 2147483647;
    const FactorCase cases[] = {
        {2095133040, largest},    {2095133040, 2095133040},   {1102701600, largest},
        {1102701600, 1102701600}, {largest, largest},         {1073741824, largest},
        {1073741824, 1073741824}, {-2147483647 - 1, largest}, {-2147483647 - 1, -2147483647 - 1},
    };
    bench::print_header("factor");
    bench::print_columns();
    const std::string program = bench::executable("factor");
    const std::string reference = bench::executable("reference_factor");
    for (const FactorCase& c : cases) {
        const std::string input = std::to_string(c.n) + " " + std::to_string(c.k);
        const std::string program_dir = bench::scratch_dir("factor");
        const std::string reference_dir = bench::scratch_dir("factor-reference");
        bench::write_file(program_dir + "/factor.in", input);
        bench::write_file(reference_dir + "/factor.in", input);
        const bench::Measurement fast = bench::run_timed(program, program_dir, {}, 5);
        // The reference scans up to 2^31 candidates: seconds per run, so once.
        const bench::Measurement slow = bench::run_timed(reference, reference_dir, {}, 1);
        const std::string fast_out = bench::read_file(program_dir + "/factor.out");
        const std::string slow_out = bench::read_file(reference_dir + "/factor.out");
        const std::string label =
            "N=" + std::to_string(c.n) + " K=" + std::to_string(c.k) + " -> " + fast_out;
        bench::print_row(label, fast, "literal scan + recursion", slow);
        if (fast_out != slow_out) {
            std::printf("  MISMATCH: factor wrote \"%s\", the reference \"%s\"\n", fast_out.c_str(),
                        slow_out.c_str());
        }
    }
}

const bool registered = bench::register_group("factor", run_factor_group);

}  // namespace
