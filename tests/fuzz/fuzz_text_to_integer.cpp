// libFuzzer target: text_to_integer on any bytes (up to the first zero byte),
// compared with the token rules of token_rules.h; and integer_to_text of the
// first four bytes read back by text_to_integer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/integer_io.h"
#include "tests/fuzz/token_rules.h"

namespace {

// Tokens reach text_to_integer through a 33-byte buffer; longer texts are
// still taken, to show that nothing depends on that limit.
constexpr std::size_t longest_text = 4096;

[[noreturn]] void finding(const char* what, std::string_view text) {
    std::fprintf(stderr, "text_to_integer: %s for \"%.*s\"\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

void check_conversion(std::string_view text) {
    char zero_terminated[longest_text + 1];
    std::memcpy(zero_terminated, text.data(), text.size());
    zero_terminated[text.size()] = '\0';
    std::int32_t value = 0;
    const bool ok = rt::text_to_integer(zero_terminated, value);
    const auto expected = fuzz_rules::integer_token_value(text);
    if (ok != expected.has_value()) finding(ok ? "accepted a malformed token" : "refused a valid token", text);
    if (ok && value != *expected) finding("wrong value", text);
}

void check_round_trip(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return;
    std::uint32_t bits = 0;
    std::memcpy(&bits, data, 4);
    const auto value = static_cast<std::int32_t>(bits);
    char text[12];
    const int length = rt::integer_to_text(value, text);
    if (length < 1 || length > 11) finding("integer_to_text length out of range", {});
    text[length] = '\0';
    std::int32_t back = 0;
    if (!rt::text_to_integer(text, back) || back != value) finding("no round trip", {text, static_cast<std::size_t>(length)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    std::size_t length = 0;
    while (length < size && length < longest_text && chars[length] != '\0') ++length;
    check_conversion(std::string_view(chars, length));
    check_round_trip(data, size);
    return 0;
}
