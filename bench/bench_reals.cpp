// The software real against the x87 unit: cube and a million real
// conversions each way, from the build with SOFTWARE_REAL=ON (bench/run
// makes it beside this one) paired with the same programs of this build.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/bench.h"

namespace {

// The software real of a 32-bit target (its 128-bit integers in two
// halves), from the i386 build with SOFTWARE_REAL=ON that bench/run makes
// where the cross compiler is installed, against the 64-bit one.
void run_32_bit_software() {
    const std::string software_64 = std::string(BUILD_DIR) + "-soft/bench/real_conversions";
    const std::string software_32 = std::string(BUILD_DIR) + "-soft32/bench/real_conversions";
    if (access(software_32.c_str(), X_OK) != 0) {
        std::printf("  skipped: no %s; bench/run builds it where i686-linux-gnu-g++ is installed\n",
                    software_32.c_str());
        return;
    }
    const bench::PairedRuns runs =
        bench::run_paired(software_32, bench::scratch_dir("reals-soft32"), software_64,
                          bench::scratch_dir("reals-soft64"), 5);
    bench::print_paired("real_conversions software 32-bit", "real_conversions software 64-bit",
                        runs);
    if (runs.a[0].exit_code != runs.b[0].exit_code)
        std::printf("  MISMATCH between the 32-bit and the 64-bit build\n");
}

void run_reals_group() {
    bench::print_header("reals");
    const std::string software_build = std::string(BUILD_DIR) + "-soft";
    const struct {
        const char* name;
        const char* folder;
        const char* input;
    } programs[] = {
        {"real_conversions", "bench", nullptr},
        {"cube", "programs/cube", "1e40\n1e40 1e40 0\n"},
    };
    for (const auto& p : programs) {
        const std::string hardware = bench::executable(p.name);
        const std::string software = software_build + "/" + p.folder + "/" + p.name;
        if (access(software.c_str(), X_OK) != 0) {
            std::printf("  skipped: no %s; bench/run builds it\n", software.c_str());
            return;
        }
        const std::string hardware_dir = bench::scratch_dir("reals-x87");
        const std::string software_dir = bench::scratch_dir("reals-soft");
        if (p.input != nullptr) {
            bench::write_file(hardware_dir + "/cube.in", p.input);
            bench::write_file(software_dir + "/cube.in", p.input);
        }
        const bench::PairedRuns runs =
            bench::run_paired(software, software_dir, hardware, hardware_dir, 5);
        bench::print_paired(std::string(p.name) + " software", std::string(p.name) + " x87", runs);
        if (runs.a[0].exit_code != runs.b[0].exit_code ||
            (p.input != nullptr && bench::read_file(software_dir + "/cube.out") !=
                                       bench::read_file(hardware_dir + "/cube.out"))) {
            std::printf("  MISMATCH between the software and the x87 build\n");
        }
    }
    run_32_bit_software();
}

const bool registered = bench::register_group("reals", run_reals_group);

}  // namespace
