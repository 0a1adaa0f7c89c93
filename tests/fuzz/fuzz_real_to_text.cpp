// libFuzzer target: real_to_text and write_real on any 80-bit pattern with
// any width and number of decimals, under the programs' control word. The
// input is ten bytes of the value, four of the width, four of the decimals
// (missing bytes are zero).
//
// Checked: no fault except the invalid-operand fault of an encoding the x87
// unit does not support (runtime error 207); a text of at most 255
// characters, filling the field up to 255; write_real adds exactly the
// blanks of a wider field; the 18-digit scientific text and the fixed text
// read back close to a finite value.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/real_io.h"
#include "tests/fuzz/fpu_trap.h"

namespace {

struct Input {
    long double value = 0;
    std::uint16_t sign_exponent = 0;
    std::uint64_t significand = 0;
    std::int32_t width = 0;
    std::int32_t decimals = 0;
};

std::string describe(const Input& in) {
    char text[160];
    std::snprintf(text, sizeof text, "value %04X:%016llX width %d decimals %d", in.sign_exponent,
                  static_cast<unsigned long long>(in.significand), in.width, in.decimals);
    return text;
}

[[noreturn]] void finding(const char* what, const Input& in, const rt::ShortText* text = nullptr) {
    std::fprintf(stderr, "real_to_text: %s for %s", what, describe(in).c_str());
    if (text != nullptr) std::fprintf(stderr, " text \"%.*s\"", text->length, text->chars);
    std::fprintf(stderr, "\n");
    std::abort();
}

Input decode(const std::uint8_t* data, std::size_t size) {
    std::uint8_t bytes[18] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    Input in;
    std::memcpy(&in.significand, bytes, 8);
    std::memcpy(&in.sign_exponent, bytes + 8, 2);
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, bytes, 10);
    std::memcpy(&in.value, raw, sizeof raw);
    std::memcpy(&in.width, bytes + 10, 4);
    std::memcpy(&in.decimals, bytes + 14, 4);
    return in;
}

// Encodings the x87 unit refuses as operands: a nonzero exponent field
// (not all ones) with the integer bit clear (unnormals, pseudo-zeros).
bool is_unsupported_encoding(const Input& in) {
    const std::uint16_t exponent = in.sign_exponent & 0x7FFF;
    const bool integer_bit = (in.significand >> 63) != 0;
    return exponent != 0 && exponent != 0x7FFF && !integer_bit;
}

bool is_finite_value(const Input& in) { return (in.sign_exponent & 0x7FFF) != 0x7FFF; }

// real_to_text under the programs' control word; false when it faulted.
bool convert(const Input& in, std::int32_t width, std::int32_t decimals, rt::ShortText& text) {
    const int fault = fuzz_fpu::run_trapping([&] { rt::real_to_text(in.value, width, decimals, text); });
    if (fault == 0) return true;
    if (fault != FPE_FLTINV || !is_unsupported_encoding(in)) finding("floating-point fault", in);
    return false;
}

void check_shape(const Input& in, const rt::ShortText& text) {
    const std::int32_t field = in.width < 0 ? 0 : in.width > 255 ? 255 : in.width;
    if (text.length < field) finding("text shorter than its field", in, &text);
    for (int i = 0; i < text.length; ++i) {
        if (std::strchr(" +-.0123456789EINafn", text.chars[i]) == nullptr || text.chars[i] == '\0') {
            finding("unexpected character", in, &text);
        }
    }
}

long double read_back(const rt::ShortText& text, const Input& in) {
    const std::string copy(text.chars, text.length);
    char* end = nullptr;
    const long double back = std::strtold(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) finding("text does not read back as a number", in, &text);
    return back;
}

// Eighteen significant digits in scientific notation.
void check_scientific_read_back(const Input& in) {
    rt::ShortText text;
    if (!convert(in, 26, -1, text)) return;
    const long double back = read_back(text, in);
    // Eighteen digits of the largest values round beyond the extended range.
    if (std::isinf(back) && std::fabs(in.value) >= LDBL_MAX * (1 - 2e-17L)) return;
    const long double tolerance = 2e-17L * std::fabs(in.value) + 2 * LDBL_TRUE_MIN;
    if (!(std::fabs(back - in.value) <= tolerance)) finding("18-digit text too far from the value", in, &text);
}

// Fixed notation with the given decimals, for values it prints in fixed form.
void check_fixed_read_back(const Input& in) {
    if (in.decimals < 0 || in.decimals > 216 || !(std::fabs(in.value) < 1e35L)) return;
    rt::ShortText text;
    if (!convert(in, 0, in.decimals, text)) return;
    const long double back = read_back(text, in);
    const long double magnitude = std::fabs(in.value) > 1 ? std::fabs(in.value) : 1;
    const long double tolerance = 0.5000001L * std::pow(10.0L, -in.decimals) + 2e-17L * magnitude;
    if (!(std::fabs(back - in.value) <= tolerance)) finding("fixed text too far from the value", in, &text);
}

// write_real into a record whose transfer slot only counts the bytes.
std::uint64_t counted_bytes = 0;
std::uint32_t count_bytes(rt::TextFile& file) {
    counted_bytes += file.buffer_pos;
    file.buffer_pos = 0;
    return 0;
}

void check_write_real(const Input& in, const rt::ShortText& text) {
    // Widths in the millions only write blanks more slowly.
    if (in.width > (1 << 16)) return;
    rt::TextFile file{};
    file.mode = rt::mode_output;
    file.flags = rt::text_flag;
    file.buffer_size = rt::text_buffer_size;
    file.buffer_ptr = file.buffer;
    file.transfer_slot = count_bytes;
    file.flush_slot = count_bytes;
    file.close_slot = rt::file_nop_proc;
    counted_bytes = 0;
    const int fault = fuzz_fpu::run_trapping([&] { rt::write_real(file, in.value, in.width, in.decimals); });
    if (fault != 0) finding("write_real faulted where real_to_text did not", in);
    count_bytes(file);
    const std::uint64_t expected = in.width > text.length ? static_cast<std::uint64_t>(in.width) : text.length;
    if (counted_bytes != expected) finding("write_real wrote a field of the wrong size", in, &text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = decode(data, size);
    rt::ShortText text;
    if (!convert(in, in.width, in.decimals, text)) return 0;
    check_shape(in, text);
    check_write_real(in, text);
    if (is_finite_value(in)) {
        check_scientific_read_back(in);
        check_fixed_read_back(in);
    }
    return 0;
}
