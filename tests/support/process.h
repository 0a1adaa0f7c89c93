// Running the real executables in scratch directories.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct RunOptions {
    std::vector<std::string> args;       // after the program path
    long stack_limit_kib = 0;            // 0: leave the limit as it is
    long file_size_limit = -1;           // bytes (RLIMIT_FSIZE); -1: unchanged
    long open_files_limit = -1;          // descriptors (RLIMIT_NOFILE); -1: unchanged
    bool ignore_file_size_signal = false;  // start with SIGXFSZ ignored
    bool close_stdout = false;           // start with descriptor 1 closed
    int stdout_fd = -1;                  // give it this descriptor as standard output
                                         // instead of capturing what it writes there
    bool measure_peak = false;           // fill RunResult::peak_kib
    double timeout_seconds = 20;
};

struct RunResult {
    int exit_code = -1;     // -1 when the process ended by a signal
    int signal = 0;         // the signal that ended it, 0 when it exited
    bool timed_out = false;
    std::string stdout_bytes;
    std::string stderr_bytes;
    // The resident high-water mark of the program's own address space, read
    // while it is stopped at its exit under ptrace (the rusage peak of a
    // forked child would also count this process's pages); the rusage peak
    // where tracing is not allowed.
    long peak_kib = -1;
};

// A program started in a directory with standard input from /dev/null and
// only the three standard descriptors; killed if still running when the
// object goes.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& dir,
                   const RunOptions& options = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void send(int signal_number) const;
    // Blocked in the kernel (waiting on a FIFO, for instance).
    bool sleeping() const;
    // Has installed a handler of its own for the signal.
    bool catches(int signal_number) const;
    // Collects its output until it ends (killed after the timeout).
    const RunResult& wait();

private:
    void on_stop(int status);

    RunOptions options_;
    int pid_ = -1;
    bool ended_ = false;
    bool exec_seen_ = false;
    int out_fd_ = -1;
    int err_fd_ = -1;
    RunResult result_;
};

// Runs program in directory dir to its end.
RunResult run_program(const std::string& program, const std::string& dir,
                      const RunOptions& options = {});

// A fresh empty directory under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Path of a built program by its name (cube, chain, queue, factor, probe).
std::string program_path(const std::string& name);

void write_file(const std::string& path, const std::string& bytes);
bool read_file(const std::string& path, std::string& bytes);
bool file_exists(const std::string& path);

// The report line of runtime error number with any code address: true when
// bytes is exactly "Runtime error" + number right-aligned in four places +
// " at " + eight upper-case hex digits, a zero byte, CR, LF.
bool is_report_line(const std::string& bytes, int number);
// Shows bytes with control characters escaped, for failure messages.
std::string printable(const std::string& bytes);

}  // namespace testing_support
