// Tokens, integers and characters as text.
#pragma once

#include <cstdint>

#include "runtime/text_file.h"

namespace rt {

// Token buffers hold the token and a terminating zero byte.
inline constexpr int integer_token_limit = 32;
inline constexpr int real_token_limit = 64;

// A counted text of 0 to 255 bytes, as write_padded takes it.
struct ShortText {
    std::uint8_t length;
    char chars[255];
};

// Skips blanks (bytes 0 to 32 except 26); true when the input has ended.
bool skip_blanks(TextFile& file);
// Collects up to limit token bytes into token (limit + 1 bytes) and ends
// them with a zero byte. The byte that ends the token stays in the input.
void read_token(TextFile& file, char* token, int limit);
// Converts a zero-terminated integer token; false when it is not one.
bool text_to_integer(const char* text, std::int32_t& value);
std::int32_t read_integer(TextFile& file);
void read_line_end(TextFile& file);

void put_chars(TextFile& file, const char* bytes, std::int32_t count);
void put_blanks(TextFile& file, std::int32_t count);
void write_padded(TextFile& file, const char* text, std::int32_t length, std::int32_t width);
// Writes the decimal text of value into text (at least 11 bytes); returns its length.
int integer_to_text(std::int32_t value, char* text);
void write_integer(TextFile& file, std::int32_t value, std::int32_t width);
void write_integer(TextFile& file, std::int32_t value);
void write_char(TextFile& file, char ch);
void write_line_end(TextFile& file);

}  // namespace rt
