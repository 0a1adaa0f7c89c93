// Buffered text files: the TextFile record, its slot routines and the three
// standard files.
#pragma once

#include <cstdint>
#include <string_view>

namespace rt {

// Pending I/O error: 0, a Windows error code or one of the runtime's own
// numbers below. A file or conversion operation that fails sets it (the last
// failure wins) and returns; io_check (frame.h) then ends the program with its
// low byte as the runtime error. One cell for the process, not one per
// thread: a program has one thread, and on Windows the halt of a Ctrl-C runs
// on the console's thread while the program's is suspended. A thread-local
// cell (emulated TLS under mingw) would have that halt run TLS's one-time
// set-up and allocate, waiting on a set-up or a heap lock that the suspended
// thread may hold.
extern std::uint32_t io_result;

// The runtime's own numbers in io_result: a record that was never assigned
// was opened (102); a file that is not open was closed or flushed (103), read
// (104) or written (105), or output went to a standard handle of no file
// type (105); a number token was malformed (106).
inline constexpr std::uint32_t io_file_not_assigned = 102;
inline constexpr std::uint32_t io_file_not_open = 103;
inline constexpr std::uint32_t io_file_not_input = 104;
inline constexpr std::uint32_t io_file_not_output = 105;
inline constexpr std::uint32_t io_invalid_number = 106;

inline constexpr std::uint16_t mode_closed = 0xD7B0;
inline constexpr std::uint16_t mode_input = 0xD7B1;
inline constexpr std::uint16_t mode_output = 0xD7B2;
inline constexpr std::uint16_t mode_inout = 0xD7B3;

// Ctrl-Z, the byte that marks the end of the input in a text file.
inline constexpr std::uint8_t end_mark = 0x1A;
// Bit 0 of flags: CR LF line ends on output, end_mark ends the input.
inline constexpr std::uint16_t text_flag = 1;
extern const std::uint8_t default_text_flags;

inline constexpr std::uint32_t text_buffer_size = 128;
inline constexpr std::uint32_t text_name_size = 260;
// text_read_char's answer at the end of the input: end_mark in both bytes.
inline constexpr std::uint16_t end_of_file = 0x1A1A;

struct TextFile;
// A slot routine returns 0 or an error code.
using SlotProc = std::uint32_t (*)(TextFile& file);

// The fields keep the order of the original record, padding and all.
struct TextFile {  // NOLINT(clang-analyzer-optin.performance.Padding)
    std::uint32_t handle;
    std::uint16_t mode;
    std::uint16_t flags;
    std::uint32_t buffer_size;
    std::uint32_t buffer_pos;
    std::uint32_t buffer_end;
    std::uint8_t* buffer_ptr;
    SlotProc open_slot;
    SlotProc transfer_slot;
    SlotProc flush_slot;
    SlotProc close_slot;
    std::uint8_t user_data[32];
    // Zero-terminated; a name that fills all 260 bytes without a terminator
    // was too long and is refused at the open.
    char name[text_name_size];
    std::uint8_t buffer[text_buffer_size];
};

extern TextFile std_input;
extern TextFile std_output;
extern TextFile std_error;

std::uint32_t file_open_proc(TextFile& file);
std::uint32_t file_read_proc(TextFile& file);
std::uint32_t file_write_proc(TextFile& file);
std::uint32_t file_close_proc(TextFile& file);
std::uint32_t file_nop_proc(TextFile& file);

void text_assign(TextFile& file, std::string_view name);
std::uint32_t text_open(TextFile& file, std::uint16_t new_mode);
void text_open_input(TextFile& file);
void text_open_output(TextFile& file);
void text_close(TextFile& file);
void text_flush(TextFile& file);
bool text_check_input(TextFile& file);
bool text_check_output(TextFile& file);

// Slow path of text_read_char: the file is not open for input or its buffer
// is used up.
std::uint16_t text_read_char_refill(TextFile& file);

// The next input byte (high byte 0), or end_of_file. After a byte that is not
// the end of file, buffer_pos - 1 indexes it and a reader may step back once.
inline std::uint16_t text_read_char(TextFile& file) {
    if (file.mode == mode_input && file.buffer_pos < file.buffer_end) {
        const std::uint8_t c = file.buffer_ptr[file.buffer_pos];
        if (c != end_mark || (file.flags & text_flag) == 0) {
            ++file.buffer_pos;
            return c;
        }
        return end_of_file;
    }
    return text_read_char_refill(file);
}

inline bool is_end_of_file(std::uint16_t c) { return (c >> 8) != 0; }

}  // namespace rt
