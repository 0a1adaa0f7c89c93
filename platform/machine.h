// What the runtime needs of the machine beside the Windows services of
// system.h: the x87 unit, code addresses as the report prints them, the
// program stack and large pages. win32.cpp and posix.cpp provide it too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// x87 unit: FNINIT, then load the control word.
void fpu_reset(std::uint16_t control_word);

// A code location as the report prints it: its offset in the executable
// plus 0x00400000, cut to 32 bits, so it does not change from run to run.
std::uint32_t code_address(const void* location);

// Runs entry on the program stack (67,107,839 bytes, whatever the process's
// stack limit), in the process's one thread. entry never returns. When the
// stack cannot be mapped, entry runs on the process stack only until it
// calls install_fault_handler, which hands the handler a stack overflow at
// once, at entry's code address.
[[noreturn]] void run_on_program_stack(void (*entry)());

// Asks for large pages (2 MiB) behind a big table that is not yet touched,
// from the first large-page boundary in it to the end of the large page its
// end falls in, so that walking it at random misses the address cache less
// often and its first touch costs fewer page faults. Only a hint: the memory
// behaves the same without it.
void advise_large_pages(void* start, std::size_t bytes);
// The alignment of such a table: a large page where the hint can take effect.
// Windows has no such hint (and a PE object file allows at most 8 KiB).
#if defined(_WIN32)
inline constexpr std::size_t large_page_alignment = 4096;
#else
inline constexpr std::size_t large_page_alignment = std::size_t{2} << 20;
#endif

}  // namespace platform
