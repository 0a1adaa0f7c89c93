// What the machine can do to a run, where a case file cannot say it: FIFOs
// as input and output, a sparse gigabyte of input, signals in the middle of
// a run, a standard output whose reader has gone, and real processes that
// use the same files at once.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

struct ProgramFiles {
    const char* name;
    const char* input;
    const char* output;
    const char* output_of_no_input;  // what an input without numbers gives
};
const ProgramFiles all_programs[] = {
    {"cube", "cube.in", "cube.out", "0.0000\r\n"},
    {"chain", "queue.in", "queue.out", ""},
    {"queue", "queue.in", "queue.out", ""},
    {"factor", "factor.in", "factor.out", "0"},
};

bool wait_until(const std::function<bool()>& condition, double seconds = 20) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string file_bytes(const std::string& path) {
    std::string bytes;
    read_file(path, bytes);
    return bytes;
}

// Limits a run starts under (-1: unchanged).
struct Limits {
    long file_size_bytes = -1;          // RLIMIT_FSIZE
    long open_files = -1;               // RLIMIT_NOFILE
    bool file_size_signal_ignored = false;  // SIGXFSZ ignored from the start
};

void set_limit(int resource, long value) {
    if (value < 0) return;
    rlimit limit{};
    getrlimit(resource, &limit);
    limit.rlim_cur = static_cast<rlim_t>(value);
    setrlimit(resource, &limit);
}

// Sets the process up in dir with standard input from /dev/null and output
// to out_fd (or /dev/null), then runs program. Only for the child of a fork.
[[noreturn]] void exec_in(const std::string& program, const std::string& dir,
                          const std::vector<std::string>& args, int out_fd, int err_fd,
                          const Limits& limits = {}) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(out_fd >= 0 ? out_fd : null_fd, 1);
    dup2(err_fd >= 0 ? err_fd : null_fd, 2);
    // Only the three standard descriptors go on to the program (the test
    // runner may leave others open), so descriptor limits count from 3.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGXFSZ, limits.file_size_signal_ignored ? SIG_IGN : SIG_DFL);
    set_limit(RLIMIT_FSIZE, limits.file_size_bytes);
    set_limit(RLIMIT_NOFILE, limits.open_files);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

// A program running in the background while the test acts on it.
class Background {
public:
    // stdout_fd: the descriptor its standard output gets; -1 captures it.
    Background(const std::string& program, const std::string& dir,
               const std::vector<std::string>& args = {}, int stdout_fd = -1,
               const Limits& limits = {}) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) exec_in(program, dir, args, stdout_fd >= 0 ? stdout_fd : out[1], err[1], limits);
        close(out[1]);
        close(err[1]);
        out_fd_ = out[0];
        err_fd_ = err[0];
    }
    ~Background() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_fd_);
        close(err_fd_);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void send(int signal_number) const { kill(pid_, signal_number); }

    // Blocked in the kernel (waiting on a FIFO, for instance).
    bool sleeping() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text;
        std::getline(stat, text);
        const auto close_paren = text.rfind(')');
        return close_paren != std::string::npos && close_paren + 2 < text.size() &&
               text[close_paren + 2] == 'S';
    }

    // Has a handler of its own for the signal (SigCgt of its status).
    bool catches(int signal_number) const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("SigCgt:", 0) == 0) {
                const unsigned long long caught = std::strtoull(line.c_str() + 7, nullptr, 16);
                return ((caught >> (signal_number - 1)) & 1) != 0;
            }
        }
        return false;
    }

    // Waits for the end; false (and the process killed) after the timeout.
    bool wait(double seconds = 20) {
        int status = 0;
        const bool ended = wait_until([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        ended_ = true;
        if (WIFEXITED(status)) exit_code = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) signal = WTERMSIG(status);
        stdout_bytes = drain(out_fd_);
        stderr_bytes = drain(err_fd_);
        return ended;
    }

    int exit_code = -1;
    int signal = 0;
    std::string stdout_bytes;
    std::string stderr_bytes;

private:
    static std::string drain(int fd) {
        std::string bytes;
        char chunk[4096];
        ssize_t got;
        while ((got = read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(got));
        return bytes;
    }

    pid_t pid_ = -1;
    bool ended_ = false;
    int out_fd_ = -1;
    int err_fd_ = -1;
};

// Opens the writing end of a FIFO once a reader has opened it (no reader:
// ENXIO, tried again); -1 when none comes in time.
int open_fifo_writer(const std::string& path) {
    int fd = -1;
    wait_until([&] {
        fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0 || errno != ENXIO;
    });
    if (fd >= 0) fcntl(fd, F_SETFL, 0);
    return fd;
}

int open_fifo_reader(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }

bool fifo_is_empty(int fd) {
    int waiting = -1;
    return ioctl(fd, FIONREAD, &waiting) == 0 && waiting == 0;
}

void write_all(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string queue_line_input(int n) {
    std::string input = std::to_string(n) + "\n";
    for (int k = 1; k < n; ++k) input += std::to_string(k) + " " + std::to_string(k + 1) + "\n";
    return input;
}

std::string queue_line_output(int n) {
    std::string output = "1";
    for (int k = 2; k <= n; ++k) output += " " + std::to_string(k);
    return output;
}

// ---------------------------------------------------------------------------
// Peak memory, measured exactly: the resident high-water mark of the
// program's own address space, read when it is about to exit. (A fork's
// rusage would count the test process's pages shared at the fork.)

struct Measured {
    int exit_code = -1;
    long peak_kib = -1;
    bool timed_out = false;
};

long high_water_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

Measured run_measured(const std::string& program, const std::string& dir, double seconds = 120) {
    const pid_t pid = fork();
    if (pid == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        exec_in(program, dir, {}, -1, -1);
    }
    Measured measured;
    bool exec_seen = false;
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (true) {
        rusage usage{};
        const pid_t got = wait4(pid, &status, WNOHANG, &usage);
        // Where tracing is not allowed there is no exit stop: the rusage
        // peak then stands in, which also counts this process's pages.
        if (got == pid && !WIFSTOPPED(status) && measured.peak_kib < 0) measured.peak_kib = usage.ru_maxrss;
        if (got == 0) {
            if (Clock::now() > deadline) {
                measured.timed_out = true;
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (got < 0 || WIFEXITED(status) || WIFSIGNALED(status)) break;
        if (!exec_seen) {
            // The stop after the exec: ask for a stop at the exit as well.
            exec_seen = true;
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, static_cast<long>(PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL));
            ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            measured.peak_kib = high_water_kib(pid);
            ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        } else {
            ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(WSTOPSIG(status))));
        }
    }
    if (WIFEXITED(status)) measured.exit_code = WEXITSTATUS(status);
    return measured;
}

// ---------------------------------------------------------------------------
// FIFOs and a sparse gigabyte as input.

class EachProgram : public ::testing::TestWithParam<ProgramFiles> {};

TEST_P(EachProgram, AFifoWhoseWriterClosesAtOnceIsTheEndOfTheData) {
    const ProgramFiles& p = GetParam();
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file(p.input).c_str(), 0600), 0);
    Background run(program_path(p.name), dir.path());
    const int writer = open_fifo_writer(dir.file(p.input));
    ASSERT_GE(writer, 0);
    close(writer);
    ASSERT_TRUE(run.wait());
    EXPECT_EQ(run.exit_code, 0) << printable(run.stdout_bytes) << run.stderr_bytes;
    EXPECT_EQ(run.stdout_bytes, "");
    EXPECT_EQ(file_bytes(dir.file(p.output)), p.output_of_no_input);
}

TEST_P(EachProgram, AGigabyteOfZeroBytesReadsAsTheEndInFlatMemory) {
    const ProgramFiles& p = GetParam();
    constexpr off_t gigabyte = off_t{1} << 30;
    // The read-ahead block and a little more; a program that kept what it
    // read would need the whole gigabyte.
    constexpr long allowed_growth_kib = 1024;
    ScratchDir small;
    write_file(small.file(p.input), "");
    const Measured baseline = run_measured(program_path(p.name), small.path());
    ASSERT_EQ(baseline.exit_code, 0);
    ASSERT_GT(baseline.peak_kib, 0);

    ScratchDir large;
    write_file(large.file(p.input), "");
    ASSERT_EQ(truncate(large.file(p.input).c_str(), gigabyte), 0);
    const Measured measured = run_measured(program_path(p.name), large.path());
    ASSERT_FALSE(measured.timed_out);
    EXPECT_EQ(measured.exit_code, 0);
    EXPECT_EQ(file_bytes(large.file(p.output)), p.output_of_no_input);
    EXPECT_LE(measured.peak_kib, baseline.peak_kib + allowed_growth_kib)
        << "empty input " << baseline.peak_kib << " KiB, a gigabyte " << measured.peak_kib << " KiB";
}

INSTANTIATE_TEST_SUITE_P(Reliability, EachProgram, ::testing::ValuesIn(all_programs),
                         [](const ::testing::TestParamInfo<ProgramFiles>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Signals.

struct PartialInput {
    const char* program;
    const char* before_the_wait;
};

TEST(Interrupt, CtrlCWhileReadingAFifoEndsWith217AndKeepsTheOutputFile) {
    const PartialInput inputs[] = {
        {"cube", "1\n1 "}, {"chain", "5\n1 2\n2 3\n"}, {"queue", "5\n1 2\n2 3\n"}, {"factor", "12 "}};
    for (const auto& [name, partial] : inputs) {
        SCOPED_TRACE(name);
        const ProgramFiles& p = *std::find_if(std::begin(all_programs), std::end(all_programs),
                                              [&](const ProgramFiles& f) { return std::string(f.name) == name; });
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file(p.input).c_str(), 0600), 0);
        Background run(program_path(p.name), dir.path());
        const int writer = open_fifo_writer(dir.file(p.input));
        ASSERT_GE(writer, 0);
        write_all(writer, partial);
        ASSERT_TRUE(wait_until([&] { return fifo_is_empty(writer) && run.sleeping(); }));
        run.send(SIGINT);
        ASSERT_TRUE(run.wait());
        close(writer);
        EXPECT_EQ(run.exit_code, 217);
        EXPECT_TRUE(is_report_line(run.stdout_bytes, 217)) << printable(run.stdout_bytes);
        // The output file was created before the input was read; nothing
        // had been written to it yet.
        EXPECT_TRUE(file_exists(dir.file(p.output)));
        EXPECT_EQ(file_bytes(dir.file(p.output)), "");
    }
}

TEST(Interrupt, CtrlCWhileWaitingToOpenAFifoEndsWith217BeforeTheOutputExists) {
    for (const auto& p : all_programs) {
        SCOPED_TRACE(p.name);
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file(p.input).c_str(), 0600), 0);
        Background run(program_path(p.name), dir.path());
        // No writer: the open waits, with the fault handler in place.
        ASSERT_TRUE(wait_until([&] { return run.catches(SIGINT) && run.sleeping(); }));
        run.send(SIGINT);
        ASSERT_TRUE(run.wait());
        EXPECT_EQ(run.exit_code, 217);
        EXPECT_TRUE(is_report_line(run.stdout_bytes, 217)) << printable(run.stdout_bytes);
        EXPECT_FALSE(file_exists(dir.file(p.output)));
    }
}

// The probe's hold-output scenario writes 200 bytes to its output and then
// waits on hold.fifo: 128 bytes have reached the file, 72 are buffered.
std::string held_lines(size_t bytes) {
    std::string all;
    for (int line = 0; line < 20; ++line) all += "held line\n";
    return all.substr(0, bytes);
}

// The probe holding a file open for output, waiting on hold.fifo.
class OutputHolder {
public:
    OutputHolder(const ScratchDir& dir, const std::string& name) {
        mkfifo(dir.file("hold.fifo").c_str(), 0600);
        probe = std::make_unique<Background>(program_path("probe"), dir.path(),
                                             std::vector<std::string>{"hold-output", name});
        fifo_writer = open_fifo_writer(dir.file("hold.fifo"));
    }
    ~OutputHolder() { release(); }
    bool holding() const { return fifo_writer >= 0; }
    // The end of hold.fifo lets the probe finish.
    void release() {
        if (fifo_writer >= 0) close(fifo_writer);
        fifo_writer = -1;
    }

    std::unique_ptr<Background> probe;
    int fifo_writer = -1;
};

TEST(Interrupt, CtrlCWritesTheBufferedOutputBeforeTheReport) {
    ScratchDir dir;
    OutputHolder holder(dir, "probe.out");
    ASSERT_TRUE(holder.holding());
    ASSERT_TRUE(wait_until([&] { return holder.probe->sleeping(); }));
    holder.probe->send(SIGINT);
    ASSERT_TRUE(holder.probe->wait());
    EXPECT_EQ(holder.probe->exit_code, 217);
    EXPECT_TRUE(is_report_line(holder.probe->stdout_bytes, 217)) << printable(holder.probe->stdout_bytes);
    EXPECT_EQ(file_bytes(dir.file("probe.out")), held_lines(200));
}

TEST(Kill, TerminationKeepsEveryBufferTheRuntimeHadWritten) {
    for (const int signal_number : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal_number);
        ScratchDir dir;
        OutputHolder holder(dir, "probe.out");
        ASSERT_TRUE(holder.holding());
        ASSERT_TRUE(wait_until([&] { return holder.probe->sleeping(); }));
        holder.probe->send(signal_number);
        ASSERT_TRUE(holder.probe->wait());
        EXPECT_EQ(holder.probe->signal, signal_number);
        // The full buffer went to the kernel when it filled; only the 72
        // buffered bytes are lost with the process.
        EXPECT_EQ(file_bytes(dir.file("probe.out")), held_lines(128));
    }
}

TEST(Kill, AProgramKilledWhileWritingLeavesWholeBuffersOfItsOutput) {
    const int n = 100000;
    const std::string expected = queue_line_output(n);
    for (const int signal_number : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal_number);
        ScratchDir dir;
        write_file(dir.file("queue.in"), queue_line_input(n));
        ASSERT_EQ(mkfifo(dir.file("queue.out").c_str(), 0600), 0);
        Background run(program_path("queue"), dir.path());
        const int reader = open_fifo_reader(dir.file("queue.out"));
        ASSERT_GE(reader, 0);
        // Take a little, then stop reading until the program is blocked on
        // the full pipe.
        char first[1000];
        size_t received = 0;
        while (received < sizeof first) {
            const ssize_t got = read(reader, first + received, sizeof first - received);
            ASSERT_GT(got, 0);
            received += static_cast<size_t>(got);
        }
        std::string output(first, received);
        ASSERT_TRUE(wait_until([&] { return run.sleeping(); }));
        run.send(signal_number);
        ASSERT_TRUE(run.wait());
        char chunk[65536];
        ssize_t got;
        while ((got = read(reader, chunk, sizeof chunk)) > 0) output.append(chunk, static_cast<size_t>(got));
        close(reader);
        EXPECT_EQ(run.signal, signal_number);
        EXPECT_LT(output.size(), expected.size());
        EXPECT_EQ(output.size() % 128, 0u) << output.size();
        EXPECT_EQ(output, expected.substr(0, output.size()));
    }
}

// ---------------------------------------------------------------------------
// A standard output whose reader has gone: the report is lost, the exit code
// and the output file are not.

TEST(BrokenPipe, TheExitCodeAndTheOutputFileSurviveALostReport) {
    struct Case {
        const char* program;
        const char* input_name;
        const char* input;  // nullptr: no input file
        int exit_code;
        const char* output_name;
        const char* output;  // nullptr: no output file
    } cases[] = {
        {"queue", "queue.in", "3\n2 3\n1 2\n", 0, "queue.out", "1 2 3"},
        {"chain", "queue.in", nullptr, 2, "queue.out", nullptr},
        {"chain", "queue.in", "3\n1 2\n2 x\n", 106, "queue.out", ""},
        {"queue", "queue.in", "3\n1 2\n2 0\n", 201, "queue.out", ""},
        {"cube", "cube.in", "1e3000\n1e3000 1 0\n", 205, "cube.out", ""},
        {"cube", "cube.in", "1\n1 1 1\n", 0, "cube.out", "2.2361\r\n"},
        {"factor", "factor.in", "12 12", 0, "factor.out", "4"},
        {"factor", "factor.in", "12 1.5", 106, "factor.out", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + (c.input ? c.input : "(no input)"));
        ScratchDir dir;
        if (c.input != nullptr) write_file(dir.file(c.input_name), c.input);
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        close(ends[0]);
        Background run(program_path(c.program), dir.path(), {}, ends[1]);
        close(ends[1]);
        ASSERT_TRUE(run.wait());
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.stderr_bytes;
        if (c.output == nullptr) {
            EXPECT_FALSE(file_exists(dir.file(c.output_name)));
        } else {
            EXPECT_EQ(file_bytes(dir.file(c.output_name)), c.output);
        }
    }
}

// ---------------------------------------------------------------------------
// Limits of the machine: a write the file system refuses (here the file size
// limit, EFBIG, as a full disk would refuse it with ENOSPC) and no
// descriptor left for a file.

struct GoodInput {
    const char* program;
    const char* input_name;
    const char* input;
    const char* output_name;
};
const GoodInput good_inputs[] = {
    {"cube", "cube.in", "1\n1 1 1\n", "cube.out"},
    {"chain", "queue.in", "3\n1 2\n2 3\n", "queue.out"},
    {"queue", "queue.in", "3\n1 2\n2 3\n", "queue.out"},
    {"factor", "factor.in", "12 12", "factor.out"},
};

RunResult run_limited(const GoodInput& c, const ScratchDir& dir, const Limits& limits) {
    write_file(dir.file(c.input_name), c.input);
    Background run(program_path(c.program), dir.path(), {}, -1, limits);
    RunResult result;
    result.timed_out = !run.wait();
    result.exit_code = run.exit_code;
    result.signal = run.signal;
    result.stdout_bytes = run.stdout_bytes;
    result.stderr_bytes = run.stderr_bytes;
    return result;
}

// Every program must report the lost output, factor included, which leaves
// its output for the end of the program to close.
TEST(RefusedWrite, AnOutputTheFileSystemRefusesEndsWith112) {
    for (const auto& c : good_inputs) {
        SCOPED_TRACE(c.program);
        ScratchDir dir;
        const RunResult result = run_limited(c, dir, Limits{0, -1, true});
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_code, 112);
        EXPECT_TRUE(is_report_line(result.stdout_bytes, 112)) << printable(result.stdout_bytes);
        EXPECT_EQ(file_bytes(dir.file(c.output_name)), "");
    }
}

// The file size limit raises SIGXFSZ first; the write must fail with its
// error instead of the signal ending the process.
TEST(RefusedWrite, TheFileSizeLimitSignalDoesNotEndTheProgram) {
    for (const auto& c : good_inputs) {
        SCOPED_TRACE(c.program);
        ScratchDir dir;
        const RunResult result = run_limited(c, dir, Limits{0, -1, false});
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_code, 112);
    }
}

// Four descriptors: the input takes the last one, the output finds none.
// (With fewer the program could not even be loaded.)
TEST(OpenFileLimit, NoDescriptorLeftForTheOutputGives4) {
    for (const auto& c : good_inputs) {
        SCOPED_TRACE(c.program);
        ScratchDir dir;
        const RunResult result = run_limited(c, dir, Limits{-1, 4, false});
        EXPECT_EQ(result.exit_code, 4) << result.stderr_bytes;
        EXPECT_TRUE(is_report_line(result.stdout_bytes, 4)) << printable(result.stdout_bytes);
        EXPECT_FALSE(file_exists(dir.file(c.output_name)));
    }
}

// ---------------------------------------------------------------------------
// Concurrent runs: a file one run writes cannot be opened by another, which
// then fails with 32 before it changes anything; readers share.

TEST(Concurrent, ASecondWriterOfAnOutputFailsWith32AndTruncatesNothing) {
    const struct {
        const char* program;
        const char* input_name;
        const char* input;
        const char* output_name;
    } losers[] = {
        {"cube", "cube.in", "1\n1 1 1\n", "cube.out"},
        {"chain", "queue.in", "3\n1 2\n2 3\n", "queue.out"},
        {"queue", "queue.in", "3\n1 2\n2 3\n", "queue.out"},
        {"factor", "factor.in", "12 12", "factor.out"},
    };
    for (const auto& loser : losers) {
        SCOPED_TRACE(loser.program);
        ScratchDir dir;
        write_file(dir.file(loser.input_name), loser.input);
        OutputHolder holder(dir, loser.output_name);
        ASSERT_TRUE(holder.holding());

        const RunResult second = run_program(program_path(loser.program), dir.path());
        EXPECT_EQ(second.exit_code, 32);
        EXPECT_TRUE(is_report_line(second.stdout_bytes, 32)) << printable(second.stdout_bytes);
        EXPECT_EQ(file_bytes(dir.file(loser.output_name)), held_lines(128));

        holder.release();
        ASSERT_TRUE(holder.probe->wait());
        EXPECT_EQ(holder.probe->exit_code, 0);
        EXPECT_EQ(file_bytes(dir.file(loser.output_name)), held_lines(200));
    }
}

TEST(Concurrent, TwoProgramsOnOneOutputFile) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file("queue.in").c_str(), 0600), 0);
    Background first(program_path("queue"), dir.path());
    const int writer = open_fifo_writer(dir.file("queue.in"));
    ASSERT_GE(writer, 0);
    // queue has opened its output and waits for the count.
    ASSERT_TRUE(wait_until([&] { return file_exists(dir.file("queue.out")) && first.sleeping(); }));

    const RunResult second = run_program(program_path("chain"), dir.path());
    EXPECT_EQ(second.exit_code, 32);
    EXPECT_TRUE(is_report_line(second.stdout_bytes, 32)) << printable(second.stdout_bytes);

    write_all(writer, "4\n3 4\n1 2\n2 3\n");
    close(writer);
    ASSERT_TRUE(first.wait());
    EXPECT_EQ(first.exit_code, 0);
    EXPECT_EQ(file_bytes(dir.file("queue.out")), "1 2 3 4");
}

TEST(Concurrent, AFileBeingWrittenCannotBeOpenedForReading) {
    ScratchDir dir;
    OutputHolder holder(dir, "factor.in");
    ASSERT_TRUE(holder.holding());

    const RunResult reader = run_program(program_path("factor"), dir.path());
    EXPECT_EQ(reader.exit_code, 32);
    EXPECT_TRUE(is_report_line(reader.stdout_bytes, 32)) << printable(reader.stdout_bytes);
    EXPECT_FALSE(file_exists(dir.file("factor.out")));
    EXPECT_EQ(file_bytes(dir.file("factor.in")), held_lines(128));
    holder.release();
    ASSERT_TRUE(holder.probe->wait());
}

TEST(Concurrent, AFileBeingReadCannotBeOpenedForWritingNorIsItTruncated) {
    ScratchDir dir;
    const std::string input = "3\n1 2\n2 3\n";
    write_file(dir.file("queue.in"), input);
    ASSERT_EQ(mkfifo(dir.file("hold.fifo").c_str(), 0600), 0);
    Background holder(program_path("probe"), dir.path(), {"hold-input", "queue.in"});
    const int writer = open_fifo_writer(dir.file("hold.fifo"));
    ASSERT_GE(writer, 0);

    const RunResult second = run_program(program_path("probe"), dir.path(), RunOptions{{"hold-output", "queue.in"}});
    EXPECT_EQ(second.exit_code, 32);
    EXPECT_TRUE(is_report_line(second.stdout_bytes, 32)) << printable(second.stdout_bytes);
    EXPECT_EQ(file_bytes(dir.file("queue.in")), input);
    close(writer);
    ASSERT_TRUE(holder.wait());
    EXPECT_EQ(holder.exit_code, 0);
}

TEST(Concurrent, ReadersOfOneInputDoNotBlockEachOther) {
    ScratchDir dir;
    write_file(dir.file("queue.in"), "3\n2 3\n1 2\n");
    ASSERT_EQ(mkfifo(dir.file("hold.fifo").c_str(), 0600), 0);
    Background holder(program_path("probe"), dir.path(), {"hold-input", "queue.in"});
    const int writer = open_fifo_writer(dir.file("hold.fifo"));
    ASSERT_GE(writer, 0);

    for (const char* program : {"queue", "chain"}) {
        const RunResult result = run_program(program_path(program), dir.path());
        EXPECT_EQ(result.exit_code, 0) << program << " " << printable(result.stdout_bytes);
        EXPECT_EQ(file_bytes(dir.file("queue.out")), "1 2 3") << program;
    }
    close(writer);
    ASSERT_TRUE(holder.wait());
    EXPECT_EQ(holder.exit_code, 0);
}

}  // namespace
