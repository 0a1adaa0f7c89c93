// The integer and real readers over a file whose reads the fuzzer cuts: byte
// 0 gives the count of reads, the next 16 bytes the lengths of the reads
// (used in turn), the next 8 the reads (integer, real, line end), the rest is
// the file. What the reads give must not depend on where the buffer's
// refills fall, and must equal a plain parse of the whole text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/real_io.h"
#include "tests/differential/real_check.h"

using namespace rt;

namespace {

struct Source {
    const std::uint8_t* text;
    std::size_t size, pos;
    const std::uint8_t* lengths;  // 16 of them, used in turn
    std::size_t next;
} source;

std::uint32_t read_part(TextFile& file) {
    const std::size_t wanted = 1 + source.lengths[source.next++ % 16] % text_buffer_size;
    const std::size_t count = std::min(wanted, source.size - source.pos);
    std::memcpy(file.buffer_ptr, source.text + source.pos, count);
    source.pos += count;
    file.buffer_pos = 0;
    file.buffer_end = static_cast<std::uint32_t>(count);
    return 0;
}

std::string integer_text(std::int32_t n) { return std::to_string(n) + (io_result != 0 ? "!" : "") + " "; }
std::string real_text(Real v) {
    return real_check::bits_text({image_of(v).sign_exponent, image_of(v).significand}) + integer_text(0).substr(1);
}

std::string read_through_file(const std::uint8_t* ops, const std::uint8_t* lengths) {
    static TextFile file;
    file = TextFile{};
    file.mode = mode_input, file.flags = text_flag, file.buffer_size = text_buffer_size;
    file.buffer_ptr = file.buffer, file.transfer_slot = read_part;
    source.pos = 0, source.next = 0, source.lengths = lengths;
    std::string log;
    for (int i = 0; i < 8; ++i) {
        io_result = 0;
        if (ops[i] % 3 == 0) log += integer_text(read_integer(file));
        if (ops[i] % 3 == 1) log += real_text(read_real(file));
        if (ops[i] % 3 == 2) read_line_end(file), log += "/ ";
    }
    return log;
}

// The plain parse: one cursor over the whole text, which ends at a byte 26.
struct Plain {
    const std::uint8_t* text;
    std::size_t size, pos = 0;
    int get() { return pos < size && text[pos] != 26 ? text[pos++] : -1; }
    bool skip_blanks() {
        for (int c = get();; c = get()) {
            if (c < 0) return true;
            if (c > 32) return --pos, false;
        }
    }
    std::string token(std::size_t limit) {
        std::string token;
        for (int c = get(); c >= 0; c = get()) {
            if (c <= 32) return --pos, token;
            token += static_cast<char>(c);
            if (token.size() == limit) break;
        }
        return token;
    }
    void line_end() {
        for (int c = get(); c >= 0 && c != '\n'; c = get()) {
            if (c == '\r' && (c = get()) >= 0 && c != '\n') --pos;
            if (c == '\n') return;
        }
    }
};

std::string read_plainly(const std::uint8_t* ops) {
    Plain plain{source.text, source.size};
    std::string log;
    for (int i = 0; i < 8; ++i) {
        io_result = 0;
        std::int32_t value = 0, error_position = 0;
        if (ops[i] % 3 == 2)
            plain.line_end(), log += "/ ";
        else if (plain.skip_blanks())
            log += ops[i] % 3 == 0 ? integer_text(0) : real_text(Real(0));
        else if (ops[i] % 3 == 0) {
            if (!text_to_integer(plain.token(integer_token_limit).c_str(), value))
                io_result = io_invalid_number, value = 0;
            log += integer_text(value);
        } else {
            const Real v = text_to_real(plain.token(real_token_limit).c_str(), error_position);
            if (error_position != 0) io_result = io_invalid_number;
            log += real_text(v);
        }
    }
    return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 25) return 0;
    source.text = data + 25, source.size = size - 25;
    const std::string plain = read_plainly(data + 17), cut = read_through_file(data + 17, data + 1);
    if (cut == plain) return 0;
    std::fprintf(stderr, "plain: %s\ncut:   %s\n", plain.c_str(), cut.c_str());
    std::abort();
}
