// The Windows services and the x87 unit that the runtime expects, on Linux.
// What depends on the processor (its x87 unit or none, its signal context,
// how it reports a fault) is in platform/arch. Handles are file descriptors;
// every failure leaves a Windows error code for GetLastError, translated from
// errno by the one table below.
#include "platform/machine.h"
#include "platform/system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/arch/processor.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" char __executable_start[];  // NOLINT(bugprone-reserved-identifier): the linker's name

namespace platform {

namespace {

using arch::Processor;

thread_local DWORD last_error = 0;

// errno -> Windows error code. Anything not listed becomes
// ERROR_INVALID_PARAMETER, the code Windows gives for a request it cannot
// carry out as asked.
struct ErrnoMapping {
    int error_number;
    DWORD windows_code;
};
constexpr ErrnoMapping errno_table[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},  // ERROR_PATH_NOT_FOUND when a folder of the path is missing
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},  // as opening a folder is on Windows
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION},  // a lock held by another process
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EPIPE, ERROR_NO_DATA},  // the reader of a pipe has gone
    {EIO, ERROR_IO_DEVICE},
    {ENXIO, ERROR_FILE_NOT_FOUND},  // a device or FIFO end that is not there
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
};

DWORD windows_code(int error_number) {
    for (const auto& mapping : errno_table) {
        if (mapping.error_number == error_number) return mapping.windows_code;
    }
    return ERROR_INVALID_PARAMETER;
}

void fail_with_errno() { last_error = windows_code(errno); }

// ENOENT means "path not found" (3) rather than "file not found" (2) when a
// folder named in the path does not exist.
DWORD missing_file_code(const char* name) {
    const char* slash = std::strrchr(name, '/');
    if (slash == nullptr || slash == name) return ERROR_FILE_NOT_FOUND;
    char folder[4096];
    const std::size_t length = static_cast<std::size_t>(slash - name);
    if (length >= sizeof folder) return ERROR_PATH_NOT_FOUND;
    std::memcpy(folder, name, length);
    folder[length] = '\0';
    struct stat info {};
    if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

// Data files are kept off descriptors 0, 1 and 2, so that a program started
// with a standard handle closed never writes its report into a data file.
int above_standard_descriptors(int fd) {
    if (fd > 2) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int saved = errno;
    close(fd);
    errno = saved;
    return moved;
}

// The share mode every text file passes (read sharing only), kept between
// processes of this runtime with open-file-description locks: readers share,
// a writer excludes everyone. Only regular files are locked.
bool take_share_lock(int fd, DWORD desired_access) {
    flock lock{};
    lock.l_type = (desired_access & GENERIC_WRITE) != 0 ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) errno = EWOULDBLOCK;
    return false;
}

// Read-ahead for handles opened for reading: one ReadFile of 128 bytes is
// served from a block read from the kernel. A block is only read when the
// previous one is used up, so reads of a pipe still return what has arrived
// without waiting for more.
constexpr std::size_t read_ahead_size = std::size_t{64} * 1024;
constexpr int read_ahead_slots = 4;
struct ReadAhead {
    int fd = -1;
    std::size_t pos = 0;
    std::size_t end = 0;
    unsigned char bytes[read_ahead_size];
};
ReadAhead read_ahead[read_ahead_slots];

ReadAhead* read_ahead_of(int fd) {
    for (auto& slot : read_ahead) {
        if (slot.fd == fd) return &slot;
    }
    return nullptr;
}

void attach_read_ahead(int fd) {
    ReadAhead* slot = read_ahead_of(-1);
    if (slot == nullptr) return;  // all in use: this handle reads directly
    slot->fd = fd;
    slot->pos = 0;
    slot->end = 0;
}

ssize_t read_retrying(int fd, void* buffer, std::size_t count) {
    ssize_t got;
    do {
        got = read(fd, buffer, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace

HANDLE CreateFileA(const char* name, DWORD desired_access, DWORD /*share_mode*/,
                   DWORD creation_disposition, DWORD /*flags_and_attributes*/) {
    int flags = O_CLOEXEC | O_NOCTTY;
    const bool reading = (desired_access & GENERIC_READ) != 0;
    const bool writing = (desired_access & GENERIC_WRITE) != 0;
    flags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    if (creation_disposition == CREATE_ALWAYS) flags |= O_CREAT;

    int fd;
    do {
        fd = open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        last_error = errno == ENOENT ? missing_file_code(name) : windows_code(errno);
        return INVALID_HANDLE_VALUE;
    }
    fd = above_standard_descriptors(fd);
    if (fd < 0) {
        fail_with_errno();
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        fail_with_errno();
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (S_ISDIR(info.st_mode)) {
        close(fd);
        last_error = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    if (S_ISREG(info.st_mode)) {
        // The lock comes first, so a process that loses never truncates the
        // winner's file.
        if (!take_share_lock(fd, desired_access)) {
            fail_with_errno();
            close(fd);
            return INVALID_HANDLE_VALUE;
        }
        if (creation_disposition == CREATE_ALWAYS && ftruncate(fd, 0) != 0) {
            fail_with_errno();
            close(fd);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (reading && !writing) attach_read_ahead(fd);
    return static_cast<HANDLE>(fd);
}

bool ReadFile(HANDLE handle, void* buffer, DWORD bytes_to_read, DWORD* bytes_read) {
    *bytes_read = 0;
    const int fd = static_cast<int>(handle);
    ReadAhead* slot = read_ahead_of(fd);
    if (slot == nullptr) {
        const ssize_t got = read_retrying(fd, buffer, bytes_to_read);
        if (got < 0) {
            fail_with_errno();
            return false;
        }
        *bytes_read = static_cast<DWORD>(got);
        return true;
    }
    if (slot->pos == slot->end) {
        const ssize_t got = read_retrying(fd, slot->bytes, read_ahead_size);
        if (got < 0) {
            fail_with_errno();
            return false;
        }
        slot->pos = 0;
        slot->end = static_cast<std::size_t>(got);
    }
    std::size_t count = slot->end - slot->pos;
    if (count > bytes_to_read) count = bytes_to_read;
    std::memcpy(buffer, slot->bytes + slot->pos, count);
    slot->pos += count;
    *bytes_read = static_cast<DWORD>(count);
    return true;
}

bool WriteFile(HANDLE handle, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    DWORD done = 0;
    while (done < bytes_to_write) {
        const ssize_t put = write(static_cast<int>(handle), bytes + done, bytes_to_write - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            *bytes_written = done;
            fail_with_errno();
            return false;
        }
        done += static_cast<DWORD>(put);
    }
    *bytes_written = done;
    if (test_seam::after_system_write != nullptr) test_seam::after_system_write(handle);
    return true;
}

bool CloseHandle(HANDLE handle) {
    const int fd = static_cast<int>(handle);
    if (ReadAhead* slot = read_ahead_of(fd)) slot->fd = -1;
    // Linux releases the descriptor even when close reports EINTR.
    if (close(fd) != 0 && errno != EINTR) {
        fail_with_errno();
        return false;
    }
    return true;
}

DWORD GetFileType(HANDLE handle) {
    struct stat info {};
    if (fstat(static_cast<int>(handle), &info) != 0) {
        fail_with_errno();
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
    if (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode)) return FILE_TYPE_DISK;
    return FILE_TYPE_UNKNOWN;
}

HANDLE GetStdHandle(std::int32_t which) {
    switch (which) {
        case STD_INPUT_HANDLE: return 0;
        case STD_OUTPUT_HANDLE: return 1;
        case STD_ERROR_HANDLE: return 2;
        default: last_error = ERROR_INVALID_HANDLE; return INVALID_HANDLE_VALUE;
    }
}

DWORD GetLastError() { return last_error; }

void ExitProcess(DWORD exit_code) { _exit(static_cast<int>(exit_code & 0xFF)); }

void MessageBoxA(const char* text, const char* caption) {
    DWORD written = 0;
    WriteFile(2, caption, static_cast<DWORD>(std::strlen(caption)), &written);
    WriteFile(2, ": ", 2, &written);
    WriteFile(2, text, static_cast<DWORD>(std::strlen(text)), &written);
    WriteFile(2, "\n", 1, &written);
}

// An ordinary PC keyboard: type 4, no subtype.
std::int32_t GetKeyboardType(std::int32_t which) { return which == 0 ? 4 : 0; }

std::int32_t RegOpenKeyExA(HKEY, const char*, DWORD, DWORD, HKEY*) { return ERROR_FILE_NOT_FOUND; }
std::int32_t RegQueryValueExA(HKEY, const char*, void*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
std::int32_t RegCloseKey(HKEY) { return ERROR_INVALID_HANDLE; }

void fpu_reset(std::uint16_t control_word) { Processor::fpu_reset(control_word); }

void advise_large_pages(void* start, std::size_t bytes) {
    constexpr std::uintptr_t large_page = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t first = (begin + large_page - 1) & ~(large_page - 1);
    const std::uintptr_t last = (begin + bytes + large_page - 1) & ~(large_page - 1);
    if (first >= last) return;
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

std::uint32_t code_address(const void* location) {
    const auto offset = Processor::instruction_address(reinterpret_cast<std::uintptr_t>(location)) -
                        reinterpret_cast<std::uintptr_t>(__executable_start);
    return static_cast<std::uint32_t>(offset + 0x00400000u);
}

std::int32_t UnhandledExceptionFilter(const ExceptionRecord& /*record*/) {
    return EXCEPTION_EXECUTE_HANDLER;
}

// ---------------------------------------------------------------------------
// The program stack and faults.

namespace {

constexpr std::size_t program_stack_size = 67107839;  // 64 MiB less 1,025 bytes
constexpr std::size_t stack_guard_size = std::size_t{1024} * 1024;
constexpr std::size_t alternate_stack_size = std::size_t{256} * 1024;
// The faults the processor or the kernel signals for an instruction of the
// program (SIGSYS: a refused system call), and Ctrl-C.
constexpr int fault_signals[] = {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGSYS, SIGINT};

// An address range [low, high); empty until it is set.
struct AddressRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
    bool holds(std::uintptr_t address) const { return address >= low && address < high; }
};
// The guard pages below the program stack and below the alternate stack: a
// fault there is a stack overflow. The second is met only by a halt that
// recurses after a fault, since the halt of a fault runs on the alternate
// stack; without its guard such a recursion would run on through the
// runtime's tables instead of ending with its own report.
AddressRange program_stack_guard;
AddressRange alternate_stack_guard;
bool in_a_stack_guard(std::uintptr_t address) {
    return program_stack_guard.holds(address) || alternate_stack_guard.holds(address);
}
void (*entry_without_stack)() = nullptr;  // the entry, when its stack could not be mapped
FaultHandler installed_handler = nullptr;
// Set once the halt has begun: a Ctrl-C is then ignored. One store, so that a
// Ctrl-C either comes before it and starts its own halt, which abandons the
// interrupted one, or after it and changes nothing.
volatile sig_atomic_t halt_begun = 0;
// The alternate stack and its guard page, placed in this area at start-up
// where the page size allows it (room for pages of up to 64 KiB).
constexpr std::size_t largest_guarded_page = std::size_t{64} * 1024;
alignas(16) unsigned char alternate_stack_area[alternate_stack_size + 2 * largest_guarded_page];

DWORD arithmetic_fault_code(int si_code, const ucontext_t& context) {
    // Without an x87 unit the status word is 0: the signal's code alone.
    const std::uint16_t status = Processor::x87_status_word(context);
    if (si_code <= 0) return Processor::self_raised_arithmetic_fault;  // SI_USER, SI_TKILL
    switch (si_code) {
        case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND:
            return (status & 0x12) == 0x02 ? EXCEPTION_FLT_DENORMAL_OPERAND
                                           : EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES: return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTINV:
            // An invalid operation with the stack-fault bit is a register
            // stack overflow or underflow.
            return (status & 0x40) != 0 ? EXCEPTION_FLT_STACK_CHECK
                                        : EXCEPTION_FLT_INVALID_OPERATION;
        case FPE_FLTSUB: return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default: return EXCEPTION_FLT_INVALID_OPERATION;
    }
}

DWORD segv_fault_code(const siginfo_t& info, const ucontext_t& context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info.si_addr);
    const std::uintptr_t stack = Processor::stack_pointer(context);
    if (in_a_stack_guard(address) || in_a_stack_guard(stack)) return EXCEPTION_STACK_OVERFLOW;
    if (Processor::is_privileged_instruction(info, context)) return EXCEPTION_PRIV_INSTRUCTION;
    return EXCEPTION_ACCESS_VIOLATION;
}

DWORD fault_code(int signal_number, const siginfo_t& info, const ucontext_t& context) {
    switch (signal_number) {
        case SIGFPE: return arithmetic_fault_code(info.si_code, context);
        case SIGSEGV: return segv_fault_code(info, context);
        case SIGBUS: return EXCEPTION_IN_PAGE_ERROR;
        case SIGILL:
            return info.si_code == ILL_PRVOPC || info.si_code == ILL_PRVREG
                       ? EXCEPTION_PRIV_INSTRUCTION
                       : EXCEPTION_ILLEGAL_INSTRUCTION;
        case SIGTRAP: return EXCEPTION_BREAKPOINT;
        case SIGINT: return STATUS_CONTROL_C_EXIT;
        default: return STATUS_UNSUCCESSFUL;
    }
}

void on_fault_signal(int signal_number, siginfo_t* info, void* raw_context) {
    if (signal_number == SIGINT && halt_begun != 0) return;
    const auto& context = *static_cast<const ucontext_t*>(raw_context);
    ExceptionRecord record{};
    record.code = fault_code(signal_number, *info, context);
    const std::uintptr_t location =
        Processor::fault_location(signal_number, *info, Processor::code_pointer(context));
    record.address = code_address(reinterpret_cast<const void*>(location));
    if (installed_handler != nullptr) installed_handler(record);
    // No handler (or it returned): end as the system would.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// The entry, started on the program stack by the context switch, which
// passes no pointer portably.
void (*program_stack_entry)() = nullptr;
ucontext_t program_stack_context;

[[noreturn]] void start_entry() {
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_finish_switch_fiber(nullptr, nullptr, nullptr);
#endif
    program_stack_entry();
    __builtin_trap();
}

// The alternate stack, with a guard page below it when the page fits the area.
void* guarded_alternate_stack() {
    const auto area = reinterpret_cast<std::uintptr_t>(alternate_stack_area);
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    if (page == 0 || page > largest_guarded_page) return alternate_stack_area;
    const std::uintptr_t guard = (area + page - 1) & ~(page - 1);
    if (mprotect(reinterpret_cast<void*>(guard), page, PROT_NONE) != 0) return alternate_stack_area;
    alternate_stack_guard = AddressRange{guard, guard + page};
    return reinterpret_cast<void*>(guard + page);
}

}  // namespace

void install_fault_handler(FaultHandler handler) {
    installed_handler = handler;
    stack_t alternate{};
    alternate.ss_sp = guarded_alternate_stack();
    alternate.ss_size = alternate_stack_size;
    sigaltstack(&alternate, nullptr);
    struct sigaction action {};
    action.sa_sigaction = on_fault_signal;
    // SA_NODEFER: a fault inside the halt sequence, which runs within the
    // handler, enters the handler again.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (const int signal_number : fault_signals) sigaction(signal_number, &action, nullptr);
    // A program without its own stack ends as soon as a fault can be
    // reported, with a stack overflow at its entry, before it has opened a
    // file: on the process stack its depth would depend on ulimit -s, and
    // running off it could not be told from any other access violation.
    if (entry_without_stack != nullptr) {
        handler(ExceptionRecord{EXCEPTION_STACK_OVERFLOW,
                                code_address(reinterpret_cast<const void*>(entry_without_stack))});
        signal(SIGSEGV, SIG_DFL);
        raise(SIGSEGV);
    }
}

void begin_halt() { halt_begun = 1; }

void remove_fault_handler() {
    installed_handler = nullptr;
    // Only the halt removes them: a Ctrl-C between here and its exit is
    // ignored, instead of ending the process by the signal.
    for (const int signal_number : fault_signals) {
        signal(signal_number, signal_number == SIGINT ? SIG_IGN : SIG_DFL);
    }
    if (test_seam::after_handler_removal != nullptr) test_seam::after_handler_removal();
}

void run_on_program_stack(void (*entry)()) {
    // A write to a pipe whose reader has gone fails with ERROR_NO_DATA
    // instead of ending the process.
    signal(SIGPIPE, SIG_IGN);
    // Likewise a write beyond the file-size limit fails (EFBIG, disk full)
    // instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);

    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t usable = (program_stack_size + page - 1) / page * page;
    void* mapping = mmap(nullptr, stack_guard_size + usable, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) {
        // No room for the reservation (an address-space limit): the entry
        // runs on the process stack until it installs the fault handler,
        // which ends it.
        entry_without_stack = entry;
        entry();
        __builtin_trap();
    }
    mprotect(mapping, stack_guard_size, PROT_NONE);
    program_stack_guard.low = reinterpret_cast<std::uintptr_t>(mapping);
    program_stack_guard.high = program_stack_guard.low + stack_guard_size;
    const std::uintptr_t stack_low = program_stack_guard.high;  // lowest usable address
    const std::uintptr_t top = (stack_low + program_stack_size) & ~std::uintptr_t{15};

#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_start_switch_fiber(nullptr, reinterpret_cast<void*>(stack_low), top - stack_low);
#endif
    // On the new stack: start_entry, which traps should the entry ever
    // return. The switch is the C library's, the same on every processor;
    // the process stack is never returned to.
    program_stack_entry = entry;
    getcontext(&program_stack_context);
    program_stack_context.uc_stack.ss_sp = reinterpret_cast<void*>(stack_low);
    program_stack_context.uc_stack.ss_size = top - stack_low;
    program_stack_context.uc_link = nullptr;
    makecontext(&program_stack_context, start_entry, 0);
    setcontext(&program_stack_context);
    __builtin_unreachable();
}

}  // namespace platform
