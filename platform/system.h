// The operating-system seam of the runtime: the Windows services.
//
// The runtime was designed against a handful of Windows services and the x87
// floating-point unit. This header declares exactly those services, with the
// arguments, results and Windows error codes the runtime relies on; win32.cpp
// forwards them to Windows, posix.cpp provides them on Linux. What else the
// runtime needs of the machine is in machine.h. Nothing above this layer makes
// a system call.
#pragma once

#include <cstdint>

namespace platform {

using HANDLE = std::uint32_t;
using DWORD = std::uint32_t;

inline constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFFu;

// Desired access.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
// Share mode.
inline constexpr DWORD FILE_SHARE_READ = 1;
// Creation disposition.
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
// Attributes.
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// Standard handles, as the signed numbers Windows uses.
inline constexpr std::int32_t STD_INPUT_HANDLE = -10;
inline constexpr std::int32_t STD_OUTPUT_HANDLE = -11;
inline constexpr std::int32_t STD_ERROR_HANDLE = -12;

// File types.
inline constexpr DWORD FILE_TYPE_UNKNOWN = 0;
inline constexpr DWORD FILE_TYPE_DISK = 1;
inline constexpr DWORD FILE_TYPE_CHAR = 2;
inline constexpr DWORD FILE_TYPE_PIPE = 3;

// Windows error codes the runtime looks at or the POSIX layer produces (see
// the errno table in posix.cpp); on Windows every code comes from the system.
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_BROKEN_PIPE = 109;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_NO_DATA = 232;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

// Files. Handles are small integers; a data file never gets 0, 1 or 2.
HANDLE CreateFileA(const char* name, DWORD desired_access, DWORD share_mode,
                   DWORD creation_disposition, DWORD flags_and_attributes);
bool ReadFile(HANDLE handle, void* buffer, DWORD bytes_to_read, DWORD* bytes_read);
bool WriteFile(HANDLE handle, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written);
bool CloseHandle(HANDLE handle);
DWORD GetFileType(HANDLE handle);
HANDLE GetStdHandle(std::int32_t which);
DWORD GetLastError();

// A hook of WriteFile for the tests, null in the programs: the probe sets it
// to stand at an instant that no event from outside can hit exactly.
namespace test_seam {
// Called by WriteFile when the system has taken all the bytes, before WriteFile
// returns to its caller.
inline void (*after_system_write)(HANDLE handle) = nullptr;
// Called by remove_fault_handler once the handlers are gone.
inline void (*after_handler_removal)() = nullptr;
}  // namespace test_seam

// Process.
[[noreturn]] void ExitProcess(DWORD exit_code);
// The report of a program that has no console: a message box with an OK
// button and no owner window (on POSIX, a line on the standard error).
void MessageBoxA(const char* text, const char* caption);
// Keyboard type query (POSIX answers an ordinary PC keyboard, so the
// floating-point mask override never applies there).
std::int32_t GetKeyboardType(std::int32_t which);

// Registry, for the floating-point mask override. POSIX has no registry: no
// key opens there (ERROR_FILE_NOT_FOUND).
using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr DWORD KEY_QUERY_VALUE = 1;
inline constexpr std::int32_t ERROR_SUCCESS = 0;
std::int32_t RegOpenKeyExA(HKEY root, const char* sub_key, DWORD options, DWORD access,
                           HKEY* result);
// Reads the value into data (at most *size bytes); no type is asked for.
std::int32_t RegQueryValueExA(HKEY key, const char* value_name, void* data, DWORD* size);
std::int32_t RegCloseKey(HKEY key);

// Faults. The platform turns processor faults and Ctrl-C into a Windows
// exception code and a code address, and hands them to the installed handler,
// which runs on a stack of its own (an alternate stack on POSIX, the top of
// the program stack on Windows) and does not return.
struct ExceptionRecord {
    DWORD code;
    std::uint32_t address;  // code address, as code_address() (machine.h) reports it
};
using FaultHandler = void (*)(const ExceptionRecord& record);

inline constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003u;
inline constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005u;
// A page that could not be brought in: on POSIX, SIGBUS (such as a mapped
// file cut short).
inline constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006u;
inline constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008Cu;
inline constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008Du;
inline constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008Eu;
inline constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008Fu;
inline constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090u;
inline constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091u;
inline constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092u;
inline constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093u;
inline constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094u;
inline constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095u;
inline constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096u;
inline constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001Du;
inline constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FDu;
inline constexpr DWORD STATUS_CONTROL_C_EXIT = 0xC000013Au;
// A fault of no other kind: on POSIX, a signal that no code above names
// (such as SIGSYS, a system call refused).
inline constexpr DWORD STATUS_UNSUCCESSFUL = 0xC0000001u;

void install_fault_handler(FaultHandler handler);
// The halt sequence has begun, on this thread: from now on until the process
// ends, a Ctrl-C is ignored (a fault still reaches the handler). Called again
// by a halt that a fault in the halt starts. On Windows a program thread whose
// process a Ctrl-C's halt already ends waits here for that halt instead.
void begin_halt();
void remove_fault_handler();

// Answer of the unhandled-exception filter for the fault being handled. POSIX
// has no debugger hand-off, so every fault is handled by the program; on
// Windows it is the answer of the system's filter, which the platform asked
// before it unwound the stack.
inline constexpr std::int32_t EXCEPTION_CONTINUE_SEARCH = 0;
inline constexpr std::int32_t EXCEPTION_EXECUTE_HANDLER = 1;
std::int32_t UnhandledExceptionFilter(const ExceptionRecord& record);

}  // namespace platform
