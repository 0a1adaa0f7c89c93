// Buffered text files. A record reaches the system only through the four
// slot routines it carries; which ones it carries is decided at the open.
#include "runtime/text_file.h"

#include <atomic>
#include <cstddef>
#include <cstring>

#include "platform/system.h"

namespace rt {

const std::uint8_t default_text_flags = text_flag;

std::uint32_t io_result = 0;

TextFile std_input;
TextFile std_output;
TextFile std_error;

namespace {

bool is_mode(std::uint16_t mode) { return mode >= mode_closed && mode <= mode_inout; }
bool is_output_mode(std::uint16_t mode) { return (mode & mode_output) == mode_output; }

// A name that filled the whole field had no room for its terminator.
bool name_fits(const TextFile& file) {
    return std::memchr(file.name, '\0', text_name_size) != nullptr;
}

}  // namespace

std::uint32_t file_open_proc(TextFile& file) {
    file.buffer_pos = 0;
    file.buffer_end = 0;
    const bool input = file.mode == mode_input;
    file.transfer_slot = input ? file_read_proc : file_write_proc;
    file.close_slot = file_close_proc;
    file.flush_slot = file_nop_proc;

    if (file.name[0] != '\0') {
        if (!name_fits(file)) {
            file.mode = mode_closed;
            return platform::ERROR_FILENAME_EXCED_RANGE;
        }
        file.handle = platform::CreateFileA(
            file.name, input ? platform::GENERIC_READ : platform::GENERIC_WRITE,
            platform::FILE_SHARE_READ, input ? platform::OPEN_EXISTING : platform::CREATE_ALWAYS,
            platform::FILE_ATTRIBUTE_NORMAL);
    } else {
        file.buffer_ptr = file.buffer;
        file.buffer_size = text_buffer_size;
        file.close_slot = file_nop_proc;
        file.handle = platform::GetStdHandle(input                 ? platform::STD_INPUT_HANDLE
                                             : &file == &std_error ? platform::STD_ERROR_HANDLE
                                                                   : platform::STD_OUTPUT_HANDLE);
    }
    if (file.handle == platform::INVALID_HANDLE_VALUE) {
        file.mode = mode_closed;
        return platform::GetLastError();
    }
    if (input) return 0;

    switch (platform::GetFileType(file.handle)) {
        case platform::FILE_TYPE_UNKNOWN:
            platform::CloseHandle(file.handle);
            file.mode = mode_closed;
            return io_file_not_output;
        case platform::FILE_TYPE_CHAR:
            // A console sees every line as soon as it is ended.
            file.flush_slot = file_write_proc;
            return 0;
        default: return 0;
    }
}

std::uint32_t file_read_proc(TextFile& file) {
    file.buffer_end = 0;
    file.buffer_pos = 0;
    if (platform::ReadFile(file.handle, file.buffer_ptr, file.buffer_size, &file.buffer_end)) {
        return 0;
    }
    const std::uint32_t error = platform::GetLastError();
    // The writer of a pipe has closed it: that is the end of the data.
    return error == platform::ERROR_BROKEN_PIPE ? 0 : error;
}

std::uint32_t file_write_proc(TextFile& file) {
    const std::uint32_t pending = file.buffer_pos;
    if (pending == 0) return 0;
    // The buffer is emptied before the system takes its bytes, not after: a
    // Ctrl-C or a fault that ends the program inside the write then finds
    // nothing pending, so the halt cannot write the same bytes a second time.
    // At worst the bytes of the interrupted write are missing at the end.
    file.buffer_pos = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    platform::DWORD written = 0;
    const bool ok = platform::WriteFile(file.handle, file.buffer_ptr, pending, &written);
    return ok ? 0 : platform::GetLastError();
}

std::uint32_t file_close_proc(TextFile& file) {
    file.mode = mode_closed;
    return platform::CloseHandle(file.handle) ? 0 : platform::GetLastError();
}

std::uint32_t file_nop_proc(TextFile&) { return 0; }

void text_assign(TextFile& file, std::string_view name) {
    std::memset(&file, 0, offsetof(TextFile, buffer));
    file.buffer_ptr = file.buffer;
    file.mode = mode_closed;
    file.flags = default_text_flags;
    file.buffer_size = text_buffer_size;
    file.open_slot = file_open_proc;
    // A name too long for the field fills it without a terminator, which the
    // open refuses, instead of opening a file of a cut-off name.
    const std::size_t length = name.size() < text_name_size ? name.size() : text_name_size;
    std::memcpy(file.name, name.data(), length);
    if (length < text_name_size) file.name[length] = '\0';
}

std::uint32_t text_open(TextFile& file, std::uint16_t new_mode) {
    if (!is_mode(file.mode)) {
        io_result = io_file_not_assigned;
        return io_file_not_assigned;
    }
    if (file.mode != mode_closed) text_close(file);
    file.mode = new_mode;
    if (file.name[0] == '\0' && file.open_slot == nullptr) file.open_slot = file_open_proc;
    const std::uint32_t result = file.open_slot(file);
    if (result != 0) io_result = result;
    return result;
}

void text_open_input(TextFile& file) { text_open(file, mode_input); }

void text_open_output(TextFile& file) { text_open(file, mode_output); }

void text_close(TextFile& file) {
    if (file.mode == mode_input || file.mode == mode_output || file.mode == mode_inout) {
        // A Ctrl-C can end the program between text_open setting the mode and
        // the open routine installing the slots: the end of the program then
        // closes a record that has no slots yet, and nothing to write or close.
        if (file.transfer_slot == nullptr || file.close_slot == nullptr) return;
        std::uint32_t result = 0;
        if (is_output_mode(file.mode)) result = file.transfer_slot(file);
        // A failed write-out leaves the file open.
        if (result == 0) result = file.close_slot(file);
        if (result != 0) io_result = result;
        return;
    }
    if (&file != &std_input) io_result = io_file_not_open;
}

void text_flush(TextFile& file) {
    if (file.mode == mode_input) return;
    if (file.mode == mode_output || file.mode == mode_inout) {
        const std::uint32_t result = file.flush_slot(file);
        if (result != 0) io_result = result;
        return;
    }
    if (&file != &std_output && &file != &std_error) io_result = io_file_not_open;
}

bool text_check_input(TextFile& file) {
    if (&file == &std_input) {
        file.flags = default_text_flags;
        text_open_input(file);
    }
    if (file.mode == mode_input) return true;
    io_result = io_file_not_input;
    return false;
}

bool text_check_output(TextFile& file) {
    if (&file == &std_output || &file == &std_error) {
        file.flags = default_text_flags;
        text_open_output(file);
    }
    if (file.mode == mode_output) return true;
    io_result = io_file_not_output;
    return false;
}

std::uint16_t text_read_char_refill(TextFile& file) {
    if (file.mode != mode_input && !text_check_input(file)) return end_of_file;
    while (true) {
        if (file.buffer_pos < file.buffer_end) {
            const std::uint8_t c = file.buffer_ptr[file.buffer_pos];
            // The end mark stays where it is, so every later call sees it too.
            if (c == end_mark && (file.flags & text_flag) != 0) return end_of_file;
            ++file.buffer_pos;
            return c;
        }
        const std::uint32_t result = file.transfer_slot(file);
        if (result != 0) {
            io_result = result;
            return end_of_file;
        }
        if (file.buffer_pos < file.buffer_end) continue;
        // End of the data: leave an end mark in the buffer, so later calls
        // answer without asking the system again.
        if ((file.flags & text_flag) != 0) {
            file.buffer_ptr[file.buffer_pos] = end_mark;
            ++file.buffer_end;
        }
        return end_of_file;
    }
}

}  // namespace rt
