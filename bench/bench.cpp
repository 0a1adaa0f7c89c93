#include "bench/bench.h"

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace {

std::map<std::string, void (*)()>& groups() {
    static std::map<std::string, void (*)()> all;
    return all;
}

std::vector<std::string>& scratch_dirs() {
    static std::vector<std::string> all;
    return all;
}

long high_water_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

[[noreturn]] void exec_traced(const std::string& path, const std::string& dir,
                              const std::vector<std::string>& args) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
}

// One run: wall time from the fork to the end, and the peak resident memory
// of the program itself. The peak is read from /proc/<pid>/status (VmHWM)
// while the program is stopped at its exit under ptrace: the rusage peak of a
// forked child also counts the runner's pages it shared until its exec, and
// stands in only where tracing is not allowed.
Measurement run_once(const std::string& path, const std::string& dir,
                     const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) exec_traced(path, dir, args);
    Measurement m;
    m.peak_kib = -1;
    bool exec_seen = false;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) == pid && WIFSTOPPED(status)) {
        if (!exec_seen) {
            exec_seen = true;
            ptrace(PTRACE_SETOPTIONS, pid, nullptr,
                   static_cast<long>(PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL));
            ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            m.peak_kib = high_water_kib(pid);
            ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        } else {
            ptrace(PTRACE_CONT, pid, nullptr,
                   reinterpret_cast<void*>(static_cast<long>(WSTOPSIG(status))));
        }
    }
    if (m.peak_kib < 0) m.peak_kib = usage.ru_maxrss;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

}  // namespace

Measurement run_timed(const std::string& path, const std::string& dir,
                      const std::vector<std::string>& args, int repeat) {
    Measurement best;
    for (int i = 0; i < std::max(repeat, 1); ++i) {
        const Measurement m = run_once(path, dir, args);
        if (i == 0 || m.seconds < best.seconds) best = m;
    }
    return best;
}

PairedRuns run_paired(const std::string& path_a, const std::string& dir_a,
                      const std::string& path_b, const std::string& dir_b, int pairs) {
    PairedRuns runs;
    for (int i = 0; i < pairs; ++i) {
        runs.a.push_back(run_once(path_a, dir_a, {}));
        runs.b.push_back(run_once(path_b, dir_b, {}));
    }
    return runs;
}

std::string executable(const std::string& name) {
    // The build's folder of each folder of programs/, and bench/'s own.
    const std::filesystem::path build(BUILD_DIR);
    std::vector<std::filesystem::path> folders{build / "bench"};
    for (const auto& entry : std::filesystem::directory_iterator(build / "programs")) {
        folders.push_back(entry.path());
    }
    for (const std::filesystem::path& folder : folders) {
        std::string path = folder / name;
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    throw std::runtime_error("no executable " + name);
}

std::string scratch_dir(const std::string& label) {
    std::string pattern =
        std::filesystem::temp_directory_path().string() + "/bench-" + label + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    scratch_dirs().push_back(pattern);
    return pattern;
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

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

namespace {

// The first value of the line of a /proc file that starts with key.
std::string proc_value(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const std::size_t colon = line.find(':');
        const std::size_t start =
            line.find_first_not_of(" \t", colon == std::string::npos ? key.size() : colon + 1);
        return start == std::string::npos ? "" : line.substr(start);
    }
    return "?";
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double median_seconds(const std::vector<Measurement>& runs) {
    std::vector<double> seconds;
    seconds.reserve(runs.size());
    for (const Measurement& m : runs) seconds.push_back(m.seconds);
    return median(seconds);
}

long largest_peak(const std::vector<Measurement>& runs) {
    long peak = 0;
    for (const Measurement& m : runs) peak = std::max(peak, m.peak_kib);
    return peak;
}

bool all_ended_normally(const std::vector<Measurement>& runs) {
    return std::all_of(runs.begin(), runs.end(),
                       [](const Measurement& m) { return m.exit_code == 0; });
}

}  // namespace

namespace {

void print_machine() {
    std::ifstream load_file("/proc/loadavg");
    double load = 0;
    load_file >> load;
    std::printf("machine: %s, %ld cores, %s memory, load average %.2f\n",
                proc_value("/proc/cpuinfo", "model name").c_str(), sysconf(_SC_NPROCESSORS_ONLN),
                proc_value("/proc/meminfo", "MemTotal").c_str(), load);
}

}  // namespace

void print_paired(const std::string& label_a, const std::string& label_b, const PairedRuns& runs) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < runs.a.size() && i < runs.b.size(); ++i) {
        ratios.push_back(runs.a[i].seconds / runs.b[i].seconds);
    }
    if (ratios.empty()) return;
    std::printf("%s: median %.2fms, peak %ldKiB; %s: median %.2fms, peak %ldKiB\n", label_a.c_str(),
                median_seconds(runs.a) * 1e3, largest_peak(runs.a), label_b.c_str(),
                median_seconds(runs.b) * 1e3, largest_peak(runs.b));
    std::printf(
        "  time ratio %s / %s over %zu alternating pairs: median %.3f (from %.3f to %.3f)%s\n",
        label_a.c_str(), label_b.c_str(), ratios.size(), median(ratios),
        *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()),
        all_ended_normally(runs.a) && all_ended_normally(runs.b) ? "" : "  (nonzero exit!)");
    std::fflush(stdout);
}

void print_header(const std::string& group) {
    std::printf("\n== %s\n", group.c_str());
    print_machine();
}

void print_columns() {
    std::printf("%-44s %11s %10s   %-26s %11s %9s\n", "case", "time", "peak", "reference",
                "ref time", "ref/ours");
}

void print_row(const std::string& label, const Measurement& program,
               const std::string& reference_label, const Measurement& reference) {
    std::printf("%-44s %9.2fms %7ldKiB   %-26s %9.2fms %8.2fx%s\n", label.c_str(),
                program.seconds * 1e3, program.peak_kib, reference_label.c_str(),
                reference.seconds * 1e3, reference.seconds / program.seconds,
                program.exit_code == 0 && reference.exit_code == 0 ? "" : "  (nonzero exit!)");
    std::fflush(stdout);
}

void print_row(const std::string& label, const Measurement& program) {
    std::printf("%-44s %9.2fms %7ldKiB%s\n", label.c_str(), program.seconds * 1e3, program.peak_kib,
                program.exit_code == 0 ? "" : "  (nonzero exit!)");
    std::fflush(stdout);
}

bool register_group(const char* name, void (*run)()) {
    groups()[name] = run;
    return true;
}

}  // namespace bench

int main(int argc, char** argv) {
    std::vector<std::string> wanted(argv + 1, argv + argc);
    for (const auto& [name, run] : bench::groups()) {
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end()) run();
    }
    std::error_code ignored;
    for (const auto& dir : bench::scratch_dirs()) std::filesystem::remove_all(dir, ignored);
    return 0;
}
