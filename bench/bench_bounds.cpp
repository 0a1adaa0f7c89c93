// Memory and time bounds: every program on its largest input and on a
// gigabyte of input that holds no number (sparse zero bytes, and real
// blanks), with the peak resident memory of the program's own address space.
//
// The peak is read from /proc/<pid>/status (VmHWM) when the program is about
// to exit, stopped there by ptrace: the rusage of a forked child would also
// count the pages of the runner that the child shared until its exec.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench.h"

namespace {

constexpr off_t gigabyte = off_t{1} << 30;

// The best time of `repeat` runs; the peak is the same in every run.
bench::Measurement best_of(const std::string& program, const std::string& dir, int repeat) {
    return bench::run_timed(bench::executable(program), dir, {}, repeat);
}

// ---------------------------------------------------------------------------
// Inputs. The largest input of each program, as its own group builds it.

struct LargestInput {
    const char* program;
    const char* input_name;
    const char* output_name;
    const char* label;
};

const LargestInput largest_inputs[] = {
    {"cube", "cube.in", "cube.out", "cube, four 64-digit tokens"},
    {"chain", "queue.in", "queue.out", "chain, n = 200,001 shuffled"},
    {"queue", "queue.in", "queue.out", "queue, n = 2,000,000 shuffled"},
    {"factor", "factor.in", "factor.out", "factor, N = 2095133040 K = 2^31-1"},
};

// Written straight to the file, so the runner holds no large text while the
// programs run.
void write_largest_input(const LargestInput& c, const std::string& dir) {
    const std::string program = c.program;
    std::string text;
    if (program == "cube") {
        const std::string digits(64, '7');
        text = digits + "\r\n" + digits + " " + digits + " 0\r\n";
    } else if (program == "chain") {
        text = bench::shuffled_queue(200001, 2);
    } else if (program == "queue") {
        text = bench::shuffled_queue(2000000, 1);
    } else {
        text = "2095133040 2147483647";
    }
    bench::write_file(dir + "/" + c.input_name, text);
}

std::uintmax_t file_size(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
}

std::string with_output(const std::string& label, const std::string& path) {
    return label + " -> " + std::to_string(file_size(path)) + " B";
}

void make_sparse_gigabyte(const std::string& path) {
    bench::write_file(path, "");
    if (truncate(path.c_str(), gigabyte) != 0) std::printf("!! cannot make %s\n", path.c_str());
}

void make_blank_gigabyte(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const std::string blanks(1 << 20, ' ');
    for (off_t written = 0; written < gigabyte; written += static_cast<off_t>(blanks.size())) {
        out.write(blanks.data(), static_cast<std::streamsize>(blanks.size()));
    }
}

void run_bounds_group() {
    bench::print_header("bounds");
    bench::print_columns();
    for (const auto& c : largest_inputs) {
        const std::string dir = bench::scratch_dir(std::string("bounds-") + c.program);
        write_largest_input(c, dir);
        const bench::Measurement m = best_of(c.program, dir, 3);
        bench::print_row(with_output(c.label, dir + "/" + c.output_name), m);
    }
    // A gigabyte without a number: every program reads it to the end.
    const std::string blanks_dir = bench::scratch_dir("bounds-blanks");
    make_blank_gigabyte(blanks_dir + "/blanks");
    for (const auto& c : largest_inputs) {
        const std::string sparse = bench::scratch_dir(std::string("bounds-sparse-") + c.program);
        make_sparse_gigabyte(sparse + "/" + c.input_name);
        bench::print_row(std::string(c.program) + ", 1 GiB of zero bytes (sparse)",
                         best_of(c.program, sparse, 1));

        const std::string blank = bench::scratch_dir(std::string("bounds-blank-") + c.program);
        if (link((blanks_dir + "/blanks").c_str(), (blank + "/" + c.input_name).c_str()) != 0) {
            std::printf("!! cannot link the blank gigabyte\n");
            continue;
        }
        bench::print_row(std::string(c.program) + ", 1 GiB of blanks",
                         best_of(c.program, blank, 1));
    }
    // chain's output grows with the square of n when the pairs are missing
    // (read as 0 0): n - 2 passes over n - 1 pairs.
    const std::string zero_pairs = bench::scratch_dir("bounds-zero-pairs");
    bench::write_file(zero_pairs + "/queue.in", "2001\r\n");
    const bench::Measurement m = best_of("chain", zero_pairs, 1);
    bench::print_row(with_output("chain, n = 2,001 and no pairs", zero_pairs + "/queue.out"), m);
}

const bool registered = bench::register_group("bounds", run_bounds_group);

}  // namespace
