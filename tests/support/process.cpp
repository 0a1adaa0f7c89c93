#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

void drain(int fd, std::string& into, bool& open) {
    char chunk[65536];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got > 0) {
        into.append(chunk, static_cast<size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        open = false;
    }
}

[[noreturn]] void exec_child(const std::string& program, const std::string& dir,
                             const RunOptions& options, int out_fd, int err_fd) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    close(null_fd);
    dup2(err_fd, 2);
    if (options.close_stdout) {
        close(1);
    } else {
        dup2(out_fd, 1);
    }
    if (options.stack_limit_kib > 0) {
        rlimit limit{};
        getrlimit(RLIMIT_STACK, &limit);
        limit.rlim_cur = static_cast<rlim_t>(options.stack_limit_kib) * 1024;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
        }
        setrlimit(RLIMIT_STACK, &limit);
    }
    signal(SIGPIPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

}  // namespace

RunResult run_program(const std::string& program, const std::string& dir,
                      const RunOptions& options) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) exec_child(program, dir, options, out_pipe[1], err_pipe[1]);
    close(out_pipe[1]);
    close(err_pipe[1]);

    RunResult result;
    bool out_open = true;
    bool err_open = true;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(options.timeout_seconds);
    while (out_open || err_open) {
        pollfd fds[2] = {{out_open ? out_pipe[0] : -1, POLLIN, 0},
                         {err_open ? err_pipe[0] : -1, POLLIN, 0}};
        const int ready = poll(fds, 2, 100);
        if (ready > 0) {
            if (fds[0].revents != 0) drain(out_pipe[0], result.stdout_bytes, out_open);
            if (fds[1].revents != 0) drain(err_pipe[0], result.stderr_bytes, err_open);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
    }
    close(out_pipe[0]);
    close(err_pipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
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
