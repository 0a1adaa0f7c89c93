// Tokens, integers and characters as text.
#include "runtime/integer_io.h"

#include <cstring>

namespace rt {

namespace {

constexpr char blank_run[64] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// The one step back a reader may take after a byte that was not the end.
inline void step_back(TextFile& file) { --file.buffer_pos; }

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool decimal_digits(const char* p, bool negative, std::int32_t& value) {
    if (*p == '\0') return false;
    std::uint32_t magnitude = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || magnitude > 214748364u) return false;
        magnitude = magnitude * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    if (magnitude > (negative ? 2147483648u : 2147483647u)) return false;
    value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
    return true;
}

bool hexadecimal_digits(const char* p, bool negative, std::int32_t& value) {
    if (*p == '\0') return false;
    std::uint32_t pattern = 0;
    for (; *p != '\0'; ++p) {
        const int digit = hex_digit(*p);
        if (digit < 0 || pattern > 0x0FFFFFFFu) return false;
        pattern = pattern * 16 + static_cast<std::uint32_t>(digit);
    }
    // The digits are a two's-complement pattern; a '-' negates it with wrap.
    value = static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
    return true;
}

// The common token, one to nine decimal digits whose end lies in the buffer,
// converted in place: the same value and the same input position as reading
// the token and converting it. False, with nothing read, for any other token.
bool read_short_decimal(TextFile& file, std::int32_t& value) {
    const std::uint8_t* bytes = file.buffer_ptr;
    const std::uint32_t start = file.buffer_pos;
    const std::uint32_t last = file.buffer_end - start > 10 ? start + 10 : file.buffer_end;
    std::uint32_t pos = start;
    std::uint32_t magnitude = 0;
    for (; pos < last; ++pos) {
        const std::uint32_t digit = static_cast<std::uint32_t>(bytes[pos]) - '0';
        if (digit > 9) break;
        magnitude = magnitude * 10 + digit;
    }
    if (pos == last || pos == start || bytes[pos] > 32) return false;
    file.buffer_pos = pos;
    value = static_cast<std::int32_t>(magnitude);
    return true;
}

}  // namespace

bool skip_blanks(TextFile& file) {
    while (true) {
        const std::uint16_t c = text_read_char(file);
        if (c > 32 && c < 256) {
            step_back(file);
            return false;
        }
        if (is_end_of_file(c)) return true;
    }
}

void read_token(TextFile& file, char* token, int limit) {
    int length = 0;
    while (length < limit) {
        const std::uint16_t c = text_read_char(file);
        if ((c & 0xFF) <= 32) {
            if (!is_end_of_file(c)) step_back(file);
            break;
        }
        token[length++] = static_cast<char>(c);
    }
    token[length] = '\0';
}

bool text_to_integer(const char* text, std::int32_t& value) {
    value = 0;
    const char* p = text;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    if (*p == '$' || *p == 'x' || *p == 'X') return hexadecimal_digits(p + 1, negative, value);
    if (*p == '0') {
        if (p[1] == 'x' || p[1] == 'X') return hexadecimal_digits(p + 2, negative, value);
        if (p[1] == '\0') return true;
        ++p;  // a leading zero
    }
    return decimal_digits(p, negative, value);
}

std::int32_t read_integer(TextFile& file) {
    if (skip_blanks(file)) return 0;
    std::int32_t value = 0;
    if (read_short_decimal(file, value)) return value;
    char token[integer_token_limit + 1];
    read_token(file, token, integer_token_limit);
    if (!text_to_integer(token, value)) {
        io_result = io_invalid_number;
        return 0;
    }
    return value;
}

void read_line_end(TextFile& file) {
    while (true) {
        std::uint16_t c = text_read_char(file);
        if (c == '\n' || is_end_of_file(c)) return;
        if (c == '\r') {
            c = text_read_char(file);
            if (c == '\n' || is_end_of_file(c)) return;
            step_back(file);
        }
    }
}

void put_chars(TextFile& file, const char* bytes, std::int32_t count) {
    if (file.mode != mode_output && !text_check_output(file)) return;
    if (count <= 0) return;
    auto remaining = static_cast<std::uint32_t>(count);
    while (true) {
        const std::uint32_t room = file.buffer_size - file.buffer_pos;
        if (room > remaining) {
            std::memcpy(file.buffer_ptr + file.buffer_pos, bytes, remaining);
            file.buffer_pos += remaining;
            return;
        }
        // The buffer fills: it is written out within this call.
        std::memcpy(file.buffer_ptr + file.buffer_pos, bytes, room);
        file.buffer_pos += room;
        bytes += room;
        remaining -= room;
        const std::uint32_t result = file.transfer_slot(file);
        if (result != 0) {
            io_result = result;
            return;
        }
    }
}

void put_blanks(TextFile& file, std::int32_t count) {
    while (count > 64) {
        count -= 64;
        put_chars(file, blank_run, 64);
        if (io_result != 0) return;
    }
    if (count > 0) put_chars(file, blank_run, count);
}

void write_padded(TextFile& file, const char* text, std::int32_t length, std::int32_t width) {
    // The difference is taken in 64 bits: a very negative width asks for no
    // field, it must not wrap into two thousand million blanks.
    const std::int64_t blanks = static_cast<std::int64_t>(width) - length;
    if (blanks > 0) put_blanks(file, static_cast<std::int32_t>(blanks));
    put_chars(file, text, length);
}

int integer_to_text(std::int32_t value, char* text) {
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    char reversed[10];
    int digits = 0;
    do {
        reversed[digits++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = 0;
    if (value < 0) text[length++] = '-';
    while (digits > 0) text[length++] = reversed[--digits];
    return length;
}

void write_integer(TextFile& file, std::int32_t value, std::int32_t width) {
    char text[11];
    const int length = integer_to_text(value, text);
    write_padded(file, text, length, width);
}

void write_integer(TextFile& file, std::int32_t value) { write_integer(file, value, 0); }

void write_char(TextFile& file, char ch) {
    if (file.mode != mode_output && !text_check_output(file)) return;
    // A full buffer is written out before the character is stored, not after.
    if (file.buffer_pos >= file.buffer_size) {
        const std::uint32_t result = file.transfer_slot(file);
        if (result != 0) {
            io_result = result;
            return;
        }
    }
    file.buffer_ptr[file.buffer_pos++] = static_cast<std::uint8_t>(ch);
}

void write_line_end(TextFile& file) {
    if ((file.flags & text_flag) != 0) {
        put_chars(file, "\r\n", 2);
    } else {
        put_chars(file, "\n", 1);
    }
    text_flush(file);
}

}  // namespace rt
