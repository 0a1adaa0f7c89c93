// Running the real executables in scratch directories.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct RunOptions {
    std::vector<std::string> args;   // after the program path
    long stack_limit_kib = 0;        // 0: leave the limit as it is
    bool close_stdout = false;       // start with descriptor 1 closed
    double timeout_seconds = 20;
};

struct RunResult {
    int exit_code = -1;     // -1 when the process ended by a signal
    int signal = 0;         // the signal that ended it, 0 when it exited
    bool timed_out = false;
    std::string stdout_bytes;
    std::string stderr_bytes;
};

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

// Runs program in directory dir with standard input from /dev/null.
RunResult run_program(const std::string& program, const std::string& dir,
                      const RunOptions& options = {});

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
