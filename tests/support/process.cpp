#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/program_paths.h"

namespace testing_support {

ScratchDir::ScratchDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/batch-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // A test may leave a directory without write permission behind.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

namespace {

// Appends what fd has to offer; false at its end.
bool drain(int fd, std::string& into) {
    char chunk[65536];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got > 0) {
        into.append(chunk, static_cast<size_t>(got));
        return true;
    }
    return got < 0 && (errno == EINTR || errno == EAGAIN);
}

void set_limit(int resource, long value) {
    rlimit limit{};
    getrlimit(resource, &limit);
    limit.rlim_cur = static_cast<rlim_t>(value);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
    }
    setrlimit(resource, &limit);
}

[[noreturn]] void exec_child(const std::string& program, const std::string& dir,
                             const RunOptions& options, int out_fd, int err_fd) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(err_fd, 2);
    if (options.close_stdout) {
        close(1);
    } else {
        dup2(out_fd, 1);
    }
    // Only the standard descriptors go on to the program, so descriptor
    // limits count from 3.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGXFSZ, options.ignore_file_size_signal ? SIG_IGN : SIG_DFL);
    if (options.stack_limit_kib > 0) set_limit(RLIMIT_STACK, options.stack_limit_kib * 1024);
    if (options.file_size_limit >= 0) set_limit(RLIMIT_FSIZE, options.file_size_limit);
    if (options.open_files_limit >= 0) set_limit(RLIMIT_NOFILE, options.open_files_limit);
    if (options.measure_peak) ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

long high_water_kib(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

}  // namespace

RunningProgram::RunningProgram(const std::string& program, const std::string& dir,
                               const RunOptions& options)
    : options_(options) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        exec_child(program, dir, options, options.stdout_fd >= 0 ? options.stdout_fd : out_pipe[1],
                   err_pipe[1]);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
}

RunningProgram::~RunningProgram() {
    if (!ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(out_fd_);
    close(err_fd_);
}

void RunningProgram::send(int signal_number) const { kill(pid_, signal_number); }

bool RunningProgram::sleeping() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto close_paren = text.rfind(')');
    return close_paren != std::string::npos && close_paren + 2 < text.size() &&
           text[close_paren + 2] == 'S';
}

bool RunningProgram::catches(int signal_number) const {
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

// A stop under ptrace: after the exec, ask for a stop at the exit too; at
// the exit, read the peak; pass every other signal on.
void RunningProgram::on_stop(int status) {
    if (!exec_seen_) {
        exec_seen_ = true;
        ptrace(PTRACE_SETOPTIONS, pid_, nullptr,
               static_cast<long>(PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL));
        ptrace(PTRACE_CONT, pid_, nullptr, nullptr);
    } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
        result_.peak_kib = high_water_kib(pid_);
        ptrace(PTRACE_CONT, pid_, nullptr, nullptr);
    } else {
        ptrace(PTRACE_CONT, pid_, nullptr,
               reinterpret_cast<void*>(static_cast<long>(WSTOPSIG(status))));
    }
}

const RunResult& RunningProgram::wait() {
    if (ended_) return result_;
    bool out_open = true;
    bool err_open = true;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(options_.timeout_seconds);
    int status = 0;
    while (true) {
        pollfd fds[2] = {{out_open ? out_fd_ : -1, POLLIN, 0}, {err_open ? err_fd_ : -1, POLLIN, 0}};
        if (poll(fds, 2, out_open || err_open ? 2 : 0) > 0) {
            if (fds[0].revents != 0) out_open = drain(out_fd_, result_.stdout_bytes);
            if (fds[1].revents != 0) err_open = drain(err_fd_, result_.stderr_bytes);
        } else if (!out_open && !err_open) {
            usleep(1000);
        }
        rusage usage{};
        const int got = wait4(pid_, &status, WNOHANG, &usage);
        if (got == pid_ && WIFSTOPPED(status)) {
            on_stop(status);
            continue;
        }
        if (got == pid_ || got < 0) {
            if (result_.peak_kib < 0 && options_.measure_peak) result_.peak_kib = usage.ru_maxrss;
            break;
        }
        if (!result_.timed_out && std::chrono::steady_clock::now() > deadline) {
            result_.timed_out = true;
            kill(pid_, SIGKILL);
        }
    }
    ended_ = true;
    while (out_open) out_open = drain(out_fd_, result_.stdout_bytes);
    while (err_open) err_open = drain(err_fd_, result_.stderr_bytes);
    if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
    return result_;
}

RunResult run_program(const std::string& program, const std::string& dir,
                      const RunOptions& options) {
    RunningProgram running(program, dir, options);
    return running.wait();
}

std::string program_path(const std::string& name) {
    for (const auto& entry : program_paths) {
        if (name == entry.name) return entry.path;
    }
    throw std::runtime_error("unknown program " + name);
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool read_file(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return true;
}

bool file_exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool is_report_line(const std::string& bytes, int number) {
    char expected[40];
    std::snprintf(expected, sizeof expected, "Runtime error%4d at ", number);
    if (bytes.size() != 32 || bytes.compare(0, 21, expected) != 0) return false;
    for (size_t i = 21; i < 29; ++i) {
        const char c = bytes[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return bytes.compare(29, 3, std::string("\0\r\n", 3)) == 0;
}

std::string printable(const std::string& bytes) {
    std::string shown;
    for (const unsigned char c : bytes) {
        if (c == '\\') {
            shown += "\\\\";
        } else if (c >= 32 && c < 127) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}

}  // namespace testing_support
