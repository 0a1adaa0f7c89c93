// Whole-program stress driver. Takes the input files of the test cases
// (tests/cases/*.cases), mutates them, and runs the sanitizer-built programs
// on the results in scratch directories with a time limit, checking what a
// run must do whatever its input:
//
//   - it ends by itself within the limit, never by a signal;
//   - it exits 0 with nothing on standard output, or exits with a runtime
//     error number the program can document for bad input and writes
//     exactly that number's report line;
//   - nothing on standard error (no sanitizer report);
//   - its output file exists and is no larger than the input allows, and
//     holds only the characters the program writes;
//   - the input file and a bystander file are untouched, and no other file
//     appears.
//
//   stress_driver --cases DIR [--corpus DIR] [--seconds S] [--seed N] [--limit S] [--findings DIR]
//   stress_driver --replay PROGRAM FILE      runs one input and shows the verdict
//
// Exits 1 when any run broke a rule; each such input is kept in the findings
// folder with a note of what went wrong.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/fuzz/token_rules.h"
#include "tests/support/case_file.h"
#include "tests/support/process.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;

struct Program {
    const char* name;
    const char* input;
    const char* output;
    std::set<int> exit_codes;   // 0 and the runtime errors bad input may cause
    const char* output_chars;   // every byte the output file may hold
};

// Runtime errors a program may end with on a readable input file:
// 106 a malformed number, 201 a value outside the tables, 205 and 207
// floating-point overflow and invalid operation (infinities in cube).
const Program programs[] = {
    {"cube", "cube.in", "cube.out", {0, 106, 205, 207}, " +-.0123456789EINafn\r\n"},
    {"chain", "queue.in", "queue.out", {0, 106, 201}, " -0123456789"},
    {"queue", "queue.in", "queue.out", {0, 106, 201}, " -0123456789"},
    {"factor", "factor.in", "factor.out", {0, 106}, "-0123456789"},
};

const Program* find_program(const std::string& name) {
    for (const auto& p : programs) {
        if (name == p.name) return &p;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// What the input allows.

// The first integer of the input as the programs read it: blanks (0 to 32
// except 26) skipped, a token of up to 32 bytes; 0 at the end of the input,
// nothing when the token is malformed.
std::optional<std::int32_t> first_integer(const std::string& input) {
    std::size_t i = 0;
    while (i < input.size() && static_cast<unsigned char>(input[i]) <= 32 && input[i] != 26) ++i;
    if (i == input.size() || input[i] == 26) return 0;
    std::size_t end = i;
    while (end < input.size() && end - i < 32 && static_cast<unsigned char>(input[end]) > 32) ++end;
    return fuzz_rules::integer_token_value(input.substr(i, end - i));
}

// Largest value text: "-2147483648" and the blank before it.
constexpr std::uint64_t value_bytes = 12;

// The most output the program can write for this input.
std::uint64_t output_bound(const Program& p, const std::string& input) {
    const std::string name = p.name;
    if (name == "cube") return 255 + 2;
    if (name == "factor") return 11;
    const std::int64_t n = first_integer(input).value_or(0);
    const std::uint64_t pairs = n > 1 ? static_cast<std::uint64_t>(n - 1) : 0;
    if (name == "queue") {
        // Every head starts a chain of at most pairs + 1 values.
        return value_bytes * (pairs + 1) * std::max<std::uint64_t>(pairs, 1);
    }
    // chain: the heads, then n - 2 passes over all pairs.
    const std::uint64_t passes = n > 2 ? static_cast<std::uint64_t>(n - 2) : 0;
    return value_bytes * (2 * pairs + pairs * passes);
}

// chain rebuilds exactly what scanning all pairs once per value would
// write: with a file that ends early the missing pairs read as 0 0, and a
// count in the thousands then asks for millions of values. Such inputs are
// counted and left out, since no time limit would fit them.
bool beyond_time_limit(const Program& p, const std::string& input) {
    if (std::string(p.name) != "chain") return false;
    const std::int64_t n = first_integer(input).value_or(0);
    if (n < 3 || n - 1 > 200000) return false;
    const double work = static_cast<double>(n - 1) * static_cast<double>(n - 2);
    return work > 2e6;
}

// ---------------------------------------------------------------------------
// One run and its verdict.

constexpr const char* bystander_name = "bystander.txt";
constexpr const char* bystander_bytes = "not to be touched\r\n";

struct Verdict {
    std::vector<std::string> problems;
    int exit_code = -1;
};

std::vector<std::string> folder_entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

void check_standard_output(const RunResult& result, Verdict& verdict) {
    if (result.exit_code == 0) {
        if (!result.stdout_bytes.empty()) {
            verdict.problems.push_back("exit 0 with standard output \"" +
                                       testing_support::printable(result.stdout_bytes.substr(0, 200)) + "\"");
        }
    } else if (!testing_support::is_report_line(result.stdout_bytes, result.exit_code)) {
        verdict.problems.push_back("standard output \"" +
                                   testing_support::printable(result.stdout_bytes.substr(0, 200)) +
                                   "\" is not the report line of runtime error " +
                                   std::to_string(result.exit_code));
    }
}

void check_files(const Program& p, const std::string& input, const testing_support::ScratchDir& dir,
                 Verdict& verdict) {
    for (const auto& name : folder_entries(dir.path())) {
        if (name != p.input && name != p.output && name != bystander_name) {
            verdict.problems.push_back("a file appeared: " + name);
        }
    }
    std::string bytes;
    if (!testing_support::read_file(dir.file(bystander_name), bytes) || bytes != bystander_bytes) {
        verdict.problems.push_back("the bystander file changed");
    }
    if (!testing_support::read_file(dir.file(p.input), bytes) || bytes != input) {
        verdict.problems.push_back("the input file changed");
    }
    struct stat info {};
    if (stat(dir.file(p.output).c_str(), &info) != 0) {
        // Every input here opens, so the output is always created.
        verdict.problems.push_back(std::string(p.output) + " was not created");
        return;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > output_bound(p, input)) {
        verdict.problems.push_back(std::string(p.output) + " holds " + std::to_string(size) +
                                   " bytes, more than the input allows (" +
                                   std::to_string(output_bound(p, input)) + ")");
        return;
    }
    if (!testing_support::read_file(dir.file(p.output), bytes)) return;
    if (bytes.find_first_not_of(p.output_chars) != std::string::npos) {
        verdict.problems.push_back(std::string(p.output) + " holds unexpected bytes: \"" +
                                   testing_support::printable(bytes.substr(0, 200)) + "\"");
    }
}

Verdict run_one(const Program& p, const std::string& input, double limit_seconds) {
    testing_support::ScratchDir dir;
    testing_support::write_file(dir.file(p.input), input);
    testing_support::write_file(dir.file(bystander_name), bystander_bytes);
    RunOptions options;
    options.timeout_seconds = limit_seconds;
    const RunResult result = testing_support::run_program(testing_support::program_path(p.name), dir.path(), options);

    Verdict verdict;
    verdict.exit_code = result.exit_code;
    if (result.timed_out) verdict.problems.push_back("did not end within " + std::to_string(limit_seconds) + " s");
    if (result.signal != 0) verdict.problems.push_back("ended by signal " + std::to_string(result.signal));
    if (result.exit_code >= 0 && p.exit_codes.count(result.exit_code) == 0) {
        verdict.problems.push_back("exit code " + std::to_string(result.exit_code) + " is not one bad input can cause");
    }
    if (!result.stderr_bytes.empty()) {
        verdict.problems.push_back("standard error: " + result.stderr_bytes.substr(0, 3000));
    }
    if (!result.timed_out && result.signal == 0) check_standard_output(result, verdict);
    check_files(p, input, dir, verdict);
    return verdict;
}

// ---------------------------------------------------------------------------
// Mutations.

const char* const interesting_tokens[] = {
    "0", "1", "-1", "2", "3", "-0", "+0", "00", "+5", "005", "$0", "$FFFFFFFF", "$80000000",
    "-$80000000", "0x7FFFFFFF", "x1F", "2147483647", "-2147483648", "2147483648", "-2147483649",
    "4294967295", "200000", "200001", "200002", "2000000", "2000001", "1999999", "720", "1000",
    "2095133040", "1102701600", "1073741824", "-1073741824", "1e4932", "1e4933", "1.18e4932",
    "-1e4932", "1e5119", "1e5120", "-1e5120", "1e-5120", "1e-4950", "1e-4951", "1e2466", "1.1e2466",
    "-1.1e2466", "1e40", "1e-40", "0.5", "-0.5", ".", "-.", "E7", "1e999999999", "1e-999999999",
    "1e", "+", "-", "$", "x", "0x", "1,5", "7a", "Inf", "NaN", "2.5e+2", "1E-3",
    "12345678901234567890123456789012345678901234567890123456789012345",
    "000000000000000000000000000000007", "\x1A", "\r\n", "\r", "\n", "\xFF", "\t",
    "",  // stands for a zero byte
};
const unsigned char interesting_bytes[] = {0,   9,   10,  13,  26,  32,  '-', '+', '.',  'e',
                                           'E', '$', 'x', '0', '1', '9', 127, 128, 0xFF, 0x1A};

class Mutator {
public:
    explicit Mutator(std::uint64_t seed) : random_(seed) {}

    std::size_t below(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

    std::string mutate(std::string input, const std::vector<std::string>& pool) {
        const std::size_t rounds = 1 + below(4);
        for (std::size_t r = 0; r < rounds; ++r) mutate_once(input, pool);
        if (input.size() > max_input) input.resize(max_input);
        return input;
    }

private:
    static constexpr std::size_t max_input = 1 << 20;

    unsigned char any_byte() {
        return chance(50) ? interesting_bytes[below(sizeof interesting_bytes)] : static_cast<unsigned char>(below(256));
    }
    std::string any_token() {
        const std::size_t count = sizeof interesting_tokens / sizeof interesting_tokens[0];
        const std::size_t pick = below(count);
        // The zero byte is the one token that is not a C string.
        if (interesting_tokens[pick][0] == '\0') return std::string(1, '\0');
        return interesting_tokens[pick];
    }

    // Start and end of the tokens (runs of bytes above 32).
    static std::vector<std::pair<std::size_t, std::size_t>> tokens_of(const std::string& s) {
        std::vector<std::pair<std::size_t, std::size_t>> tokens;
        std::size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
            const std::size_t start = i;
            while (i < s.size() && static_cast<unsigned char>(s[i]) > 32) ++i;
            if (i > start) tokens.emplace_back(start, i);
        }
        return tokens;
    }

    void mutate_once(std::string& s, const std::vector<std::string>& pool) {
        const auto tokens = tokens_of(s);
        switch (below(11)) {
            case 0:  // flip a bit
                if (!s.empty()) s[below(s.size())] ^= static_cast<char>(1u << below(8));
                break;
            case 1:  // set a byte
                if (!s.empty()) s[below(s.size())] = static_cast<char>(any_byte());
                break;
            case 2:  // insert bytes
                s.insert(below(s.size() + 1), std::string(1 + below(3), static_cast<char>(any_byte())));
                break;
            case 3:  // erase a range
                if (!s.empty()) {
                    const std::size_t at = below(s.size());
                    s.erase(at, 1 + below(std::min<std::size_t>(s.size() - at, 16)));
                }
                break;
            case 4:  // duplicate a range
                if (!s.empty()) {
                    const std::size_t at = below(s.size());
                    const std::string piece = s.substr(at, 1 + below(64));
                    s.insert(below(s.size() + 1), piece);
                }
                break;
            case 5:
            case 6:  // replace a token
                if (!tokens.empty()) {
                    const auto [start, end] = tokens[below(tokens.size())];
                    s.replace(start, end - start, any_token());
                } else {
                    s += any_token();
                }
                break;
            case 7:  // insert a token with blanks around it
                s.insert(below(s.size() + 1), " " + any_token() + (chance(50) ? "\n" : " "));
                break;
            case 8:  // change a number a little or a lot
                if (!tokens.empty()) {
                    const auto [start, end] = tokens[below(tokens.size())];
                    const auto value = fuzz_rules::integer_token_value(s.substr(start, end - start));
                    if (!value) break;
                    const std::int64_t deltas[] = {-1, 1, -2, 2, 10, -10};
                    std::int64_t changed = chance(50) ? *value + deltas[below(6)] : *value * 10;
                    changed = std::clamp<std::int64_t>(changed, INT32_MIN, INT32_MAX);
                    s.replace(start, end - start, std::to_string(changed));
                }
                break;
            case 9:  // cut the input short
                if (!s.empty()) s.resize(below(s.size()));
                break;
            default:  // splice in a piece of another input
                if (!pool.empty()) {
                    const std::string& other = pool[below(pool.size())];
                    const std::size_t at = below(other.size() + 1);
                    s.insert(below(s.size() + 1), other.substr(at, below(other.size() - at + 1)));
                }
                break;
        }
    }

    std::mt19937_64 random_;
};

// ---------------------------------------------------------------------------
// The seeds: every input file of every case of the four programs, and the
// committed stress seeds, files named <program>.<anything>.

struct Seed {
    const Program* program;
    std::string input;
};

constexpr std::size_t largest_seed = 1 << 20;

void add_case_seeds(const std::string& cases_dir, std::vector<Seed>& seeds) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(cases_dir)) {
        if (entry.path().extension() == ".cases") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        for (const auto& c : testing_support::read_case_file(path)) {
            const Program* p = find_program(c.program);
            if (p == nullptr) continue;
            for (const auto& [name, bytes] : c.files) {
                if (name == p->input && bytes.size() <= largest_seed) seeds.push_back({p, bytes});
            }
        }
    }
}

void add_corpus_seeds(const std::string& corpus_dir, std::vector<Seed>& seeds) {
    if (corpus_dir.empty() || !std::filesystem::is_directory(corpus_dir)) return;
    for (const auto& entry : std::filesystem::directory_iterator(corpus_dir)) {
        const std::string file_name = entry.path().filename().string();
        const Program* p = find_program(file_name.substr(0, file_name.find('.')));
        std::string bytes;
        if (p != nullptr && testing_support::read_file(entry.path().string(), bytes) &&
            bytes.size() <= largest_seed) {
            seeds.push_back({p, bytes});
        }
    }
}

// ---------------------------------------------------------------------------

struct Settings {
    std::string cases_dir;
    std::string corpus_dir;
    double seconds = 20;
    std::uint64_t seed = 0;
    double limit = 10;
    std::string findings_dir = "fuzz-findings";
    std::string replay_program;
    std::string replay_file;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: stress_driver --cases DIR [--corpus DIR] [--seconds S] [--seed N] [--limit S] [--findings DIR]\n"
                 "       stress_driver --replay PROGRAM FILE [--limit S]\n");
    std::exit(2);
}

Settings parse_arguments(int argc, char** argv) {
    Settings settings;
    settings.seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        if (arg == "--cases") settings.cases_dir = value();
        else if (arg == "--corpus") settings.corpus_dir = value();
        else if (arg == "--seconds") settings.seconds = std::stod(value());
        else if (arg == "--seed") settings.seed = std::stoull(value());
        else if (arg == "--limit") settings.limit = std::stod(value());
        else if (arg == "--findings") settings.findings_dir = value();
        else if (arg == "--replay") {
            settings.replay_program = value();
            settings.replay_file = value();
        } else {
            usage();
        }
    }
    if (settings.cases_dir.empty() && settings.replay_program.empty()) usage();
    return settings;
}

// The sanitizers must leave the fault signals to the runtime's own handler,
// and any report must end the run.
void set_sanitizer_environment() {
    setenv("ASAN_OPTIONS",
           "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:"
           "allow_user_segv_handler=1:use_sigaltstack=0:detect_leaks=0",
           1);
    setenv("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1", 1);
}

void keep_finding(const Settings& settings, const Program& p, const std::string& input,
                  const Verdict& verdict, int number) {
    std::filesystem::create_directories(settings.findings_dir);
    const std::string base = settings.findings_dir + "/" + p.name + "-" + std::to_string(number);
    testing_support::write_file(base + ".in", input);
    std::string note = std::string(p.name) + " on " + base + ".in:\n";
    for (const auto& problem : verdict.problems) note += "  " + problem + "\n";
    testing_support::write_file(base + ".txt", note);
    std::fprintf(stderr, "FINDING %s", note.c_str());
}

int replay(const Settings& settings) {
    const Program* p = find_program(settings.replay_program);
    std::string input;
    if (p == nullptr || !testing_support::read_file(settings.replay_file, input)) usage();
    set_sanitizer_environment();
    const Verdict verdict = run_one(*p, input, settings.limit);
    std::printf("%s: exit %d\n", p->name, verdict.exit_code);
    for (const auto& problem : verdict.problems) std::printf("  %s\n", problem.c_str());
    return verdict.problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const Settings settings = parse_arguments(argc, argv);
    if (!settings.replay_program.empty()) return replay(settings);
    set_sanitizer_environment();

    std::vector<Seed> seeds;
    add_case_seeds(settings.cases_dir, seeds);
    add_corpus_seeds(settings.corpus_dir, seeds);
    if (seeds.empty()) {
        std::fprintf(stderr, "stress: no case inputs found in %s\n", settings.cases_dir.c_str());
        return 2;
    }
    std::map<const Program*, std::vector<std::string>> pool;
    std::vector<std::string> all_inputs;
    for (const auto& seed : seeds) {
        pool[seed.program].push_back(seed.input);
        all_inputs.push_back(seed.input);
    }
    std::vector<const Program*> available;
    for (const auto& p : programs) {
        const bool built = access(testing_support::program_path(p.name).c_str(), X_OK) == 0;
        if (pool.count(&p) != 0 && built) available.push_back(&p);
    }
    if (available.empty()) {
        std::fprintf(stderr, "stress: none of the programs is built\n");
        return 2;
    }

    Mutator mutator(settings.seed);
    std::map<std::string, int> runs_by_program;
    std::map<int, int> runs_by_exit;
    int runs = 0;
    int skipped = 0;
    int findings = 0;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    while (elapsed() < settings.seconds) {
        const Program& p = *available[mutator.below(available.size())];
        // Mostly the program's own inputs, sometimes another program's.
        const auto& own = pool[&p];
        const std::string& base = mutator.chance(80) ? own[mutator.below(own.size())]
                                                     : all_inputs[mutator.below(all_inputs.size())];
        const std::string input = mutator.mutate(base, all_inputs);
        if (beyond_time_limit(p, input)) {
            ++skipped;
            continue;
        }
        const Verdict verdict = run_one(p, input, settings.limit);
        ++runs;
        ++runs_by_program[p.name];
        ++runs_by_exit[verdict.exit_code];
        if (!verdict.problems.empty()) keep_finding(settings, p, input, verdict, ++findings);
    }

    std::printf("stress: %d runs in %.0f s (seed %llu):", runs, elapsed(),
                static_cast<unsigned long long>(settings.seed));
    for (const auto& [name, count] : runs_by_program) std::printf(" %s %d", name.c_str(), count);
    std::printf("; exit codes:");
    for (const auto& [code, count] : runs_by_exit) std::printf(" %d x%d", code, count);
    std::printf("; %d chain inputs left out as quadratic by contract; %d findings\n", skipped, findings);
    return findings == 0 ? 0 : 1;
}
