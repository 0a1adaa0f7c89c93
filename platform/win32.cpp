// The Windows services of the runtime on 32-bit Windows: each forwards to the
// system's own function, with the system's results and error codes. The
// faults are caught by a structured exception handler, Ctrl-C by a console
// control handler.
//
// <windows.h> is not included: its macros (GENERIC_READ, ERROR_*,
// EXCEPTION_*, ...) would replace the names of the seam. The few system
// functions used here are declared below as the system exports them.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/machine.h"
#include "platform/system.h"

extern "C" char __ImageBase[];  // the image's first byte, as the linker places it

namespace win {

using BOOL = int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using HANDLE = void*;
using HKEY = void*;

// The i386 exception record and the part of the thread context read here.
struct ExceptionRecord {
    DWORD code;
    DWORD flags;
    ExceptionRecord* nested;
    void* address;
    DWORD parameter_count;
    std::uintptr_t parameters[15];
};
struct Context {
    DWORD context_flags;
    DWORD debug_registers[6];
    unsigned char float_save[112];
    DWORD segment_registers[4];
    DWORD integer_registers[6];
    DWORD ebp;
    DWORD eip;
    DWORD cs;
    DWORD eflags;
    DWORD esp;
    DWORD ss;
    unsigned char extended_registers[512];
};
static_assert(offsetof(Context, eip) == 0xB8 && sizeof(Context) == 0x2CC);
struct ExceptionPointers {
    ExceptionRecord* record;
    Context* context;
};

// A registration record of the thread's handler chain (fs:[0]); the system
// calls the handler with the C calling convention.
struct Registration;
using FrameHandler = int(__cdecl*)(ExceptionRecord* record, Registration* frame, Context* context,
                                   void* dispatcher_context);
struct Registration {
    Registration* next;
    FrameHandler handler;
};
using ConsoleHandler = BOOL(__stdcall*)(DWORD control_type);

extern "C" {
__declspec(dllimport) HANDLE
    __stdcall CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                          DWORD disposition, DWORD attributes, HANDLE template_file);
__declspec(dllimport) BOOL
    __stdcall ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* done, void* overlapped);
__declspec(dllimport) BOOL __stdcall WriteFile(HANDLE file, const void* buffer, DWORD count,
                                               DWORD* done, void* overlapped);
__declspec(dllimport) BOOL __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) DWORD __stdcall GetFileType(HANDLE file);
__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD which);
__declspec(dllimport) DWORD __stdcall GetLastError();
__declspec(dllimport) void __stdcall ExitProcess(unsigned exit_code);
__declspec(dllimport) BOOL __stdcall TerminateProcess(HANDLE process, unsigned exit_code);
__declspec(dllimport) DWORD __stdcall GetCurrentThreadId();
__declspec(dllimport) void __stdcall Sleep(DWORD milliseconds);
__declspec(dllimport) unsigned __stdcall SetErrorMode(unsigned mode);
__declspec(dllimport) LONG __stdcall UnhandledExceptionFilter(ExceptionPointers* pointers);
using TopLevelFilter = LONG(__stdcall*)(ExceptionPointers* pointers);
__declspec(dllimport) TopLevelFilter __stdcall SetUnhandledExceptionFilter(TopLevelFilter filter);
__declspec(dllimport) void __stdcall RtlUnwind(Registration* target_frame, void* target_ip,
                                               ExceptionRecord* record, void* return_value);
__declspec(dllimport) BOOL __stdcall SetConsoleCtrlHandler(ConsoleHandler handler, BOOL add);
__declspec(dllimport) DWORD __stdcall SuspendThread(HANDLE thread);
__declspec(dllimport) BOOL __stdcall GetThreadContext(HANDLE thread, Context* context);
__declspec(dllimport) BOOL __stdcall TerminateThread(HANDLE thread, DWORD exit_code);
__declspec(dllimport) DWORD __stdcall WaitForSingleObject(HANDLE object, DWORD milliseconds);
__declspec(dllimport) HANDLE __stdcall GetCurrentProcess();
__declspec(dllimport) HANDLE __stdcall GetCurrentThread();
__declspec(dllimport) BOOL
    __stdcall DuplicateHandle(HANDLE source_process, HANDLE source, HANDLE target_process,
                              HANDLE* target, DWORD access, BOOL inherit, DWORD options);
__declspec(dllimport) BOOL __stdcall SetThreadStackGuarantee(unsigned long* size);
__declspec(dllimport) void* __stdcall VirtualAlloc(void* address, std::size_t size, DWORD type,
                                                   DWORD protect);
__declspec(dllimport) BOOL
    __stdcall VirtualProtect(void* address, std::size_t size, DWORD protect, DWORD* old_protect);
__declspec(dllimport) int __stdcall MessageBoxA(void* owner, const char* text, const char* caption,
                                                unsigned style);
__declspec(dllimport) LONG __stdcall RegOpenKeyExA(HKEY root, const char* sub_key, DWORD options,
                                                   DWORD access, HKEY* result);
__declspec(dllimport) LONG
    __stdcall RegQueryValueExA(HKEY key, const char* value_name, DWORD* reserved, DWORD* type,
                               void* data, DWORD* size);
__declspec(dllimport) LONG __stdcall RegCloseKey(HKEY key);
}

constexpr unsigned SEM_FAILCRITICALERRORS = 0x0001;
constexpr unsigned SEM_NOGPFAULTERRORBOX = 0x0002;
constexpr DWORD EH_UNWINDING = 0x02;
constexpr DWORD EH_EXIT_UNWIND = 0x04;
constexpr int ExceptionContinueExecution = 0;
constexpr int ExceptionContinueSearch = 1;
constexpr LONG EXCEPTION_CONTINUE_EXECUTION = -1;
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CONTEXT_CONTROL = 0x00010001;
constexpr DWORD DUPLICATE_SAME_ACCESS = 0x00000002;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD PAGE_GUARD = 0x100;
constexpr std::uintptr_t page_size = 4096;

}  // namespace win

namespace platform {

namespace {

win::HANDLE system_handle(HANDLE handle) {
    return reinterpret_cast<win::HANDLE>(static_cast<std::uintptr_t>(handle));
}
HANDLE seam_handle(win::HANDLE handle) {
    return static_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(handle));
}
win::HKEY system_key(HKEY key) {
    return reinterpret_cast<win::HKEY>(static_cast<std::uintptr_t>(key));
}

// Which thread runs the halt and ends the process, claimed once: the console's
// thread, for the halt of a Ctrl-C while the program's thread is suspended (or
// ended), or the program's thread, as its halt begins. A Ctrl-C that finds the
// end claimed is ignored; a program thread that finds it claimed by the
// console waits for that halt to end the process. The program's thread must
// not end the process while the console's thread suspends it (Wine delivers a
// suspension after SuspendThread has returned, and a thread that ends the
// process with one pending waits for ever, the console's thread already
// ended), nor the console's thread suspend it once its halt has begun.
enum class Ender { none, console, program };
std::atomic<Ender> ender{Ender::none};
win::DWORD program_thread_id = 0;

}  // namespace

HANDLE CreateFileA(const char* name, DWORD desired_access, DWORD share_mode,
                   DWORD creation_disposition, DWORD flags_and_attributes) {
    return seam_handle(win::CreateFileA(name, desired_access, share_mode, nullptr,
                                        creation_disposition, flags_and_attributes, nullptr));
}

bool ReadFile(HANDLE handle, void* buffer, DWORD bytes_to_read, DWORD* bytes_read) {
    return win::ReadFile(system_handle(handle), buffer, bytes_to_read, bytes_read, nullptr) != 0;
}

bool WriteFile(HANDLE handle, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written) {
    const bool ok =
        win::WriteFile(system_handle(handle), buffer, bytes_to_write, bytes_written, nullptr) != 0;
    if (ok && test_seam::after_system_write != nullptr) test_seam::after_system_write(handle);
    return ok;
}

bool CloseHandle(HANDLE handle) { return win::CloseHandle(system_handle(handle)) != 0; }

DWORD GetFileType(HANDLE handle) { return win::GetFileType(system_handle(handle)); }

HANDLE GetStdHandle(std::int32_t which) {
    return seam_handle(win::GetStdHandle(static_cast<DWORD>(which)));
}

DWORD GetLastError() { return win::GetLastError(); }

void begin_halt() {
    Ender claimed = Ender::none;
    if (ender.compare_exchange_strong(claimed, Ender::program)) return;
    // The halt of a Ctrl-C ends the process: the program's thread waits for it.
    if (claimed == Ender::console && win::GetCurrentThreadId() == program_thread_id) {
        for (;;) win::Sleep(win::INFINITE);
    }
}

void ExitProcess(DWORD exit_code) {
    begin_halt();
    if (ender == Ender::program) win::ExitProcess(exit_code);
    // The halt of a Ctrl-C, on the console's thread. ExitProcess takes the loader lock
    // and the process-environment lock before it ends the other threads, and
    // the suspended program thread may hold either. The halt has written and
    // closed its files by now and needs nothing that ExitProcess adds (the
    // DLLs' notices of the end): it ends every thread at once, with the same
    // exit code.
    win::TerminateProcess(win::GetCurrentProcess(), exit_code);
    __builtin_unreachable();
}

void MessageBoxA(const char* text, const char* caption) {
    win::MessageBoxA(nullptr, text, caption, 0);
}

std::int32_t RegOpenKeyExA(HKEY root, const char* sub_key, DWORD options, DWORD access,
                           HKEY* result) {
    win::HKEY key = nullptr;
    const std::int32_t status =
        win::RegOpenKeyExA(system_key(root), sub_key, options, access, &key);
    *result = static_cast<HKEY>(reinterpret_cast<std::uintptr_t>(key));
    return status;
}

std::int32_t RegQueryValueExA(HKEY key, const char* value_name, void* data, DWORD* size) {
    return win::RegQueryValueExA(system_key(key), value_name, nullptr, nullptr, data, size);
}

std::int32_t RegCloseKey(HKEY key) { return win::RegCloseKey(system_key(key)); }

void fpu_reset(std::uint16_t control_word) {
    asm volatile("fninit\n\tfldcw %0" : : "m"(control_word));
}

// Windows has no such hint for memory that is already reserved.
void advise_large_pages(void*, std::size_t) {}

// The image is linked to load at 0x00400000 without relocations, so this is
// the true address; measured from the image's start it stays right wherever
// the image is loaded.
std::uint32_t code_address(const void* location) {
    const auto offset =
        reinterpret_cast<std::uintptr_t>(location) - reinterpret_cast<std::uintptr_t>(__ImageBase);
    return static_cast<std::uint32_t>(offset + 0x00400000u);
}

// ---------------------------------------------------------------------------
// The program stack and faults.

namespace {

// Cleared by the halt only once it has claimed the end (begin_halt).
std::atomic<FaultHandler> installed_handler{nullptr};
// In run_on_program_stack's frame, which lasts until the process ends: the
// system accepts registration records only on the thread's stack.
win::Registration* program_registration = nullptr;
void (*program_entry_point)() = nullptr;
win::HANDLE main_thread = nullptr;
// How long the halt of a Ctrl-C waits for the end of a program thread that it
// could not suspend.
constexpr win::DWORD thread_end_wait_ms = 5000;
// The system filter's answer for the fault being handled.
std::int32_t filter_answer = EXCEPTION_EXECUTE_HANDLER;
ExceptionRecord pending{};
// Stack kept for the handler of a stack overflow: it asks UnhandledExceptionFilter
// and unwinds with RtlUnwind below the spent guard page, where Windows
// otherwise leaves only a few pages.
constexpr unsigned long overflow_handler_room = 32 * 1024;

int __cdecl on_exception(win::ExceptionRecord* record, win::Registration* frame,
                         win::Context* context, void*);

// Puts the registration record at the head of this thread's handler chain,
// and keeps stack for the handler of an overflow on this thread.
void register_thread_handler(win::Registration& registration) {
    registration.handler = on_exception;
    asm volatile(
        "movl %%fs:0, %%eax\n\t"
        "movl %%eax, (%0)\n\t"
        "movl %0, %%fs:0"
        :
        : "r"(&registration)
        : "eax", "memory");
    unsigned long room = overflow_handler_room;
    win::SetThreadStackGuarantee(&room);
}

// Takes this thread's registration record, the head of its chain while the
// halt sequence runs, out of the chain.
void unregister_thread_handler() {
    win::Registration* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    if (head->handler == on_exception)
        asm volatile("movl %0, %%fs:0" : : "r"(head->next) : "memory");
}

// The system took the guard page of this thread's stack to report an overflow.
// The page below the stack pointer becomes a guard again, so that an overflow
// in the halt sequence, which runs above it, is reported as well.
void rearm_stack_guard() {
    volatile char here = 0;
    const std::uintptr_t page =
        (reinterpret_cast<std::uintptr_t>(&here) & ~(win::page_size - 1)) - win::page_size;
    win::DWORD old_protection = 0;
    void* const guard = reinterpret_cast<void*>(page);
    if (win::VirtualAlloc(guard, win::page_size, win::MEM_COMMIT, win::PAGE_READWRITE) != nullptr) {
        win::VirtualProtect(guard, win::page_size, win::PAGE_READWRITE | win::PAGE_GUARD,
                            &old_protection);
    }
}

[[noreturn]] void run_pending_fault() {
    if (pending.code == EXCEPTION_STACK_OVERFLOW) rearm_stack_guard();
    installed_handler.load()(pending);
    __builtin_trap();  // the handler ends the process
}

// Runs the installed handler on the pending fault with the stack pointer
// moved up to just below the thread's registration record: a stack overflow
// leaves only a few pages below the guard, too few for the halt sequence, and
// the frames in between are abandoned anyway.
[[noreturn]] void handle_pending_fault_at_top(win::Registration* frame) {
    const std::uintptr_t top =
        (reinterpret_cast<std::uintptr_t>(frame) - 256) & ~std::uintptr_t{15};
    asm volatile(
        "mov %0, %%esp\n\t"
        "call *%1\n\t"
        "ud2"
        :
        : "r"(top), "r"(run_pending_fault)
        : "memory");
    __builtin_unreachable();
}

// The outermost structured exception handler, of the program's thread and of
// a Ctrl-C's thread while its halt sequence runs.
int __cdecl on_exception(win::ExceptionRecord* record, win::Registration* frame,
                         win::Context* context, void*) {
    // Nothing to do while the stack is unwound past this frame.
    if ((record->flags & (win::EH_UNWINDING | win::EH_EXIT_UNWIND)) != 0) {
        return win::ExceptionContinueSearch;
    }
    if (installed_handler == nullptr) return win::ExceptionContinueSearch;
    // The system's filter first: with a debugger attached it hands the fault
    // on, and the search goes on to the debugger (continuing here would run
    // the faulting instruction again, for ever). A filter that repaired the
    // fault lets the program go on.
    win::ExceptionPointers pointers{record, context};
    filter_answer = win::UnhandledExceptionFilter(&pointers);
    if (filter_answer == EXCEPTION_CONTINUE_SEARCH) return win::ExceptionContinueSearch;
    if (filter_answer == win::EXCEPTION_CONTINUE_EXECUTION) return win::ExceptionContinueExecution;
    // Pending floating-point exceptions cleared, so that no handler run by the
    // unwinding faults on them; the runtime reloads the control word.
    asm volatile("fnclex");
    win::RtlUnwind(frame, nullptr, record, nullptr);
    pending = ExceptionRecord{record->code, code_address(record->address)};
    handle_pending_fault_at_top(frame);
}

// Stops the program's thread where it is, so that the halt sequence never
// runs beside it, and answers the code address at which it stopped. Its
// suspension takes effect only once GetThreadContext has read its context
// (Wine delivers it after SuspendThread has returned): should either call
// fail, the thread is ended instead, and the address is the program's entry,
// so that the report of a Ctrl-C always has one (0 would mean that no error is
// pending). The wait for that end is bounded, so that a thread the system is
// slow to end cannot keep the process alive, without its report, for ever.
std::uint32_t stop_program_thread() {
    win::Context context{};
    context.context_flags = win::CONTEXT_CONTROL;
    if (win::SuspendThread(main_thread) != 0xFFFFFFFFu &&
        win::GetThreadContext(main_thread, &context)) {
        return code_address(
            reinterpret_cast<const void*>(static_cast<std::uintptr_t>(context.eip)));
    }
    if (win::TerminateThread(main_thread, STATUS_CONTROL_C_EXIT)) {
        win::WaitForSingleObject(main_thread, thread_end_wait_ms);
    }
    return code_address(reinterpret_cast<const void*>(program_entry_point));
}

// Ctrl-C and Ctrl-Break arrive on a thread of their own. The program's thread
// is stopped where it is, and the program ends from here with the interrupted
// instruction's address; a fault in that halt sequence is caught here too.
//
// The program's thread may be stopped anywhere: inside a heap call, the
// loader, msvcrt, a system call, or (in a program with thread-local cells of
// its own) the one-time set-up of mingw's emulated TLS. So nothing from here to
// the end of the process may take a lock of the process, nor allocate. The
// calls, in order, and why each is safe:
// - installed_handler and ender: atomic variables;
// - SuspendThread, GetThreadContext; should either fail, TerminateThread and
//   WaitForSingleObject: system calls on a thread handle;
// - register_thread_handler: a write of fs:[0], and SetThreadStackGuarantee,
//   which sets a field of this thread's own block;
// - the halt (runtime/frame.cpp): begin_halt (ender, and GetCurrentThreadId,
//   this thread's block), UnhandledExceptionFilter (the platform's,
//   which answers a variable), FNINIT and FLDCW; the report, GetStdHandle
//   (the handle kept in the process parameters) and WriteFile (a system
//   call); the finalisations, WriteFile and CloseHandle (system calls) and
//   GetLastError (this thread's block); io_result, a plain variable (a
//   thread-local one would run TLS's set-up and allocate). No msvcrt
//   function is called. (A program without a console would report with
//   MessageBoxA, which is not safe here; every program of the set has one.)
// - remove_fault_handler: installed_handler, and fs:[0]. The console handler
//   stays registered (SetConsoleCtrlHandler frees its entry on the heap) and
//   ignores every later Ctrl-C by those variables instead;
// - ExitProcess: begin_halt again, then
//   TerminateProcess (a system call; GetCurrentProcess is a constant), not
//   ExitProcess, which takes the loader lock and the process-environment lock
//   before it ends the other threads.
// The system's thread that calls this handler allocates as it starts, but
// before the program's thread is stopped, so it waits at worst for the
// program's thread to let go. A fault in the halt (the probe's, none of the
// programs') is dispatched by the system on this thread, which looks at its
// vectored handlers under a lock held only while another exception is being
// dispatched, then by on_exception: UnhandledExceptionFilter with the
// program's own top-level filter, RtlUnwind, and for an overflow
// VirtualAlloc and VirtualProtect, system calls.
win::BOOL __stdcall on_console_control(win::DWORD control_type) {
    if (control_type != win::CTRL_C_EVENT && control_type != win::CTRL_BREAK_EVENT) return 0;
    // Once a halt has begun, by an earlier Ctrl-C or on the program's thread,
    // a Ctrl-C is ignored: the first cause's report and exit code stand. The
    // handler is read first: the halt claims the end before it removes it.
    const FaultHandler handler = installed_handler;
    Ender claimed = Ender::none;
    if (handler == nullptr || !ender.compare_exchange_strong(claimed, Ender::console)) return 1;
    const std::uint32_t at = stop_program_thread();
    win::Registration registration{};
    register_thread_handler(registration);
    filter_answer = EXCEPTION_EXECUTE_HANDLER;  // no exception: nothing for a debugger
    handler(ExceptionRecord{STATUS_CONTROL_C_EXIT, at});
    return 1;
}

// The process's top-level filter, which the system's UnhandledExceptionFilter
// consults when no debugger is attached: a fault is the program's to report,
// so the system starts no debugger and shows no crash dialog (Wine starts
// its debugger whatever the error mode says).
win::LONG __stdcall program_reports_faults(win::ExceptionPointers*) {
    return win::EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

std::int32_t UnhandledExceptionFilter(const ExceptionRecord& /*record*/) { return filter_answer; }

void install_fault_handler(FaultHandler handler) {
    installed_handler = handler;
    program_thread_id = win::GetCurrentThreadId();
    // A handle of the program's thread that another thread can suspend with.
    win::DuplicateHandle(win::GetCurrentProcess(), win::GetCurrentThread(),
                         win::GetCurrentProcess(), &main_thread, 0, 0, win::DUPLICATE_SAME_ACCESS);
    register_thread_handler(*program_registration);
    win::SetUnhandledExceptionFilter(program_reports_faults);
    win::SetConsoleCtrlHandler(on_console_control, 1);
}

void remove_fault_handler() {
    // Both handlers go. The console handler stays registered, since removing
    // it frees on the heap, which the halt of a Ctrl-C must not touch: it
    // ignores a later Ctrl-C during the halt, which has claimed the end.
    installed_handler = nullptr;
    unregister_thread_handler();
    if (test_seam::after_handler_removal != nullptr) test_seam::after_handler_removal();
}

void run_on_program_stack(void (*entry)()) {
    // A fault is the program's to report: no crash dialog or debugger start,
    // and no dialog for a drive without a disk.
    win::SetErrorMode(win::SEM_FAILCRITICALERRORS | win::SEM_NOGPFAULTERRORBOX);
    // The executable's header reserves the program stack; the main thread
    // runs on it already.
    win::Registration registration{};
    program_registration = &registration;
    program_entry_point = entry;
    entry();
    __builtin_trap();
}

}  // namespace platform
