// What the machine can do to a run, where a case file cannot say it: FIFOs
// as input and output, a sparse gigabyte of input, signals in the middle of
// a run, a standard output whose reader has gone, and real processes that
// use the same files at once.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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

// The program's own peak memory, measured at its exit.
RunResult run_measured(const std::string& program, const std::string& dir) {
    RunOptions options;
    options.measure_peak = true;
    options.timeout_seconds = 120;
    return run_program(program, dir, options);
}

// ---------------------------------------------------------------------------
// FIFOs and a sparse gigabyte as input.

class EachProgram : public ::testing::TestWithParam<ProgramFiles> {};

TEST_P(EachProgram, AFifoWhoseWriterClosesAtOnceIsTheEndOfTheData) {
    const ProgramFiles& p = GetParam();
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file(p.input).c_str(), 0600), 0);
    RunningProgram run(program_path(p.name), dir.path());
    const int writer = open_fifo_writer(dir.file(p.input));
    ASSERT_GE(writer, 0);
    close(writer);
    const RunResult& result = run.wait();
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0) << printable(result.stdout_bytes) << result.stderr_bytes;
    EXPECT_EQ(result.stdout_bytes, "");
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
    const RunResult baseline = run_measured(program_path(p.name), small.path());
    ASSERT_EQ(baseline.exit_code, 0);
    ASSERT_GT(baseline.peak_kib, 0);

    ScratchDir large;
    write_file(large.file(p.input), "");
    ASSERT_EQ(truncate(large.file(p.input).c_str(), gigabyte), 0);
    const RunResult measured = run_measured(program_path(p.name), large.path());
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
        RunningProgram run(program_path(p.name), dir.path());
        const int writer = open_fifo_writer(dir.file(p.input));
        ASSERT_GE(writer, 0);
        write_all(writer, partial);
        ASSERT_TRUE(wait_until([&] { return fifo_is_empty(writer) && run.sleeping(); }));
        run.send(SIGINT);
        const RunResult& result = run.wait();
        ASSERT_FALSE(result.timed_out);
        close(writer);
        EXPECT_EQ(result.exit_code, 217);
        EXPECT_TRUE(is_report_line(result.stdout_bytes, 217)) << printable(result.stdout_bytes);
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
        RunningProgram run(program_path(p.name), dir.path());
        // No writer: the open waits, with the fault handler in place.
        ASSERT_TRUE(wait_until([&] { return run.catches(SIGINT) && run.sleeping(); }));
        run.send(SIGINT);
        const RunResult& result = run.wait();
        ASSERT_FALSE(result.timed_out);
        EXPECT_EQ(result.exit_code, 217);
        EXPECT_TRUE(is_report_line(result.stdout_bytes, 217)) << printable(result.stdout_bytes);
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
        probe = std::make_unique<RunningProgram>(program_path("probe"), dir.path(),
                                                 RunOptions{{"hold-output", name}});
        fifo_writer = open_fifo_writer(dir.file("hold.fifo"));
    }
    ~OutputHolder() { release(); }
    bool holding() const { return fifo_writer >= 0; }
    // The end of hold.fifo lets the probe finish.
    void release() {
        if (fifo_writer >= 0) close(fifo_writer);
        fifo_writer = -1;
    }

    std::unique_ptr<RunningProgram> probe;
    int fifo_writer = -1;
};

// A signal while the probe holds 200 bytes of output: Ctrl-C writes the
// buffered bytes out before its report; a termination loses them, but the
// full buffer went to the kernel when it filled.
TEST(Signals, ThePendingOutputOfAnInterruptedOrTerminatedRun) {
    const struct {
        int signal_number;
        int exit_code;      // -1: ended by the signal
        size_t file_bytes;  // of the 200 written
    } cases[] = {{SIGINT, 217, 200}, {SIGTERM, -1, 128}, {SIGKILL, -1, 128}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal_number);
        ScratchDir dir;
        OutputHolder holder(dir, "probe.out");
        ASSERT_TRUE(holder.holding());
        ASSERT_TRUE(wait_until([&] { return holder.probe->sleeping(); }));
        holder.probe->send(c.signal_number);
        const RunResult& result = holder.probe->wait();
        ASSERT_FALSE(result.timed_out);
        EXPECT_EQ(result.exit_code, c.exit_code);
        if (c.exit_code < 0) {
            EXPECT_EQ(result.signal, c.signal_number);
        } else {
            EXPECT_TRUE(is_report_line(result.stdout_bytes, c.exit_code)) << printable(result.stdout_bytes);
        }
        EXPECT_EQ(file_bytes(dir.file("probe.out")), held_lines(c.file_bytes));
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
        RunningProgram run(program_path("queue"), dir.path());
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
        const RunResult& result = run.wait();
        ASSERT_FALSE(result.timed_out);
        char chunk[65536];
        ssize_t got;
        while ((got = read(reader, chunk, sizeof chunk)) > 0) output.append(chunk, static_cast<size_t>(got));
        close(reader);
        EXPECT_EQ(result.signal, signal_number);
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
        RunOptions options;
        options.stdout_fd = ends[1];
        RunningProgram run(program_path(c.program), dir.path(), options);
        close(ends[1]);
        const RunResult& result = run.wait();
        ASSERT_FALSE(result.timed_out);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_code, c.exit_code) << result.stderr_bytes;
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

// Limits a run starts under (-1: unchanged).
struct Limits {
    long file_size_bytes = -1;
    long open_files = -1;
    bool file_size_signal_ignored = false;
};

RunResult run_limited(const GoodInput& c, const ScratchDir& dir, const Limits& limits) {
    write_file(dir.file(c.input_name), c.input);
    RunOptions options;
    options.file_size_limit = limits.file_size_bytes;
    options.open_files_limit = limits.open_files;
    options.ignore_file_size_signal = limits.file_size_signal_ignored;
    return run_program(program_path(c.program), dir.path(), options);
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
        const RunResult& result = holder.probe->wait();
        ASSERT_FALSE(result.timed_out);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(file_bytes(dir.file(loser.output_name)), held_lines(200));
    }
}

TEST(Concurrent, TwoProgramsOnOneOutputFile) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file("queue.in").c_str(), 0600), 0);
    RunningProgram first(program_path("queue"), dir.path());
    const int writer = open_fifo_writer(dir.file("queue.in"));
    ASSERT_GE(writer, 0);
    // queue has opened its output and waits for the count.
    ASSERT_TRUE(wait_until([&] { return file_exists(dir.file("queue.out")) && first.sleeping(); }));

    const RunResult second = run_program(program_path("chain"), dir.path());
    EXPECT_EQ(second.exit_code, 32);
    EXPECT_TRUE(is_report_line(second.stdout_bytes, 32)) << printable(second.stdout_bytes);

    write_all(writer, "4\n3 4\n1 2\n2 3\n");
    close(writer);
    EXPECT_EQ(first.wait().exit_code, 0);
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
    EXPECT_FALSE(holder.probe->wait().timed_out);
}

TEST(Concurrent, AFileBeingReadCannotBeOpenedForWritingNorIsItTruncated) {
    ScratchDir dir;
    const std::string input = "3\n1 2\n2 3\n";
    write_file(dir.file("queue.in"), input);
    ASSERT_EQ(mkfifo(dir.file("hold.fifo").c_str(), 0600), 0);
    RunningProgram holder(program_path("probe"), dir.path(), RunOptions{{"hold-input", "queue.in"}});
    const int writer = open_fifo_writer(dir.file("hold.fifo"));
    ASSERT_GE(writer, 0);

    const RunResult second = run_program(program_path("probe"), dir.path(), RunOptions{{"hold-output", "queue.in"}});
    EXPECT_EQ(second.exit_code, 32);
    EXPECT_TRUE(is_report_line(second.stdout_bytes, 32)) << printable(second.stdout_bytes);
    EXPECT_EQ(file_bytes(dir.file("queue.in")), input);
    close(writer);
    EXPECT_EQ(holder.wait().exit_code, 0);
}

TEST(Concurrent, ReadersOfOneInputDoNotBlockEachOther) {
    ScratchDir dir;
    write_file(dir.file("queue.in"), "3\n2 3\n1 2\n");
    ASSERT_EQ(mkfifo(dir.file("hold.fifo").c_str(), 0600), 0);
    RunningProgram holder(program_path("probe"), dir.path(), RunOptions{{"hold-input", "queue.in"}});
    const int writer = open_fifo_writer(dir.file("hold.fifo"));
    ASSERT_GE(writer, 0);

    for (const char* program : {"queue", "chain"}) {
        const RunResult result = run_program(program_path(program), dir.path());
        EXPECT_EQ(result.exit_code, 0) << program << " " << printable(result.stdout_bytes);
        EXPECT_EQ(file_bytes(dir.file("queue.out")), "1 2 3") << program;
    }
    close(writer);
    EXPECT_EQ(holder.wait().exit_code, 0);
}

}  // namespace
