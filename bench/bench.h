// The benchmark runner's shared parts: timing real processes in scratch
// directories and printing rows of figures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Measurement {
    double seconds = 0;  // wall time, process start to exit
    long peak_kib = 0;   // peak resident memory
    int exit_code = -1;
};

// Runs the executable at path with the given arguments in dir, standard
// output and error discarded; the best wall time of `repeat` runs.
Measurement run_timed(const std::string& path, const std::string& dir,
                      const std::vector<std::string>& args = {}, int repeat = 3);

// Runs a in dir_a and b in dir_b in turn, a b a b ..., `pairs` times each:
// pairing keeps the ratio of their times meaningful while the machine's speed
// drifts.
struct PairedRuns {
    std::vector<Measurement> a;
    std::vector<Measurement> b;
};
PairedRuns run_paired(const std::string& path_a, const std::string& dir_a,
                      const std::string& path_b, const std::string& dir_b, int pairs);

// Path of a built executable of this tree by target name.
std::string executable(const std::string& name);

// A fresh scratch directory, removed at the end of the run.
std::string scratch_dir(const std::string& label);
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

// "queue.in" for the people 1 to n in random order, the pairs shuffled, one
// pair per line.
std::string shuffled_queue(std::int32_t n, std::uint32_t seed);

// Prints the group's title and the machine the figures come from: processor,
// cores, memory and the load average when the group starts.
void print_header(const std::string& group);
// Prints the column titles of the rows below.
void print_columns();
// Prints one row: case, measured time and memory, reference time and ratio.
void print_row(const std::string& label, const Measurement& program,
               const std::string& reference_label, const Measurement& reference);
void print_row(const std::string& label, const Measurement& program);
// Prints the median wall times and peaks of paired runs and the ratio a / b:
// its median over the pairs and its spread (smallest and largest).
void print_paired(const std::string& label_a, const std::string& label_b, const PairedRuns& runs);

// Registration of a group of cases; the runner runs the groups in the order
// of their names, or only those named on its command line.
struct Group {
    const char* name;
    void (*run)();
};
bool register_group(const char* name, void (*run)());

}  // namespace bench
