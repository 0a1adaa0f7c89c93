// The runtime in-process: text files on a scratch folder, integers and reals
// read and written through them, and the conversions on their own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "runtime/real_io.h"

using namespace rt;
using namespace std::string_literals;

namespace {

constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();
const long double infinity = std::numeric_limits<long double>::infinity();

std::string blanks(std::size_t count) { return std::string(count, ' '); }

std::string times(int count, const std::string& item) {
    std::string joined = item;
    while (--count > 0) (joined += ' ') += item;
    return joined;
}

// The 10-byte memory image as sign-and-exponent word and significand.
RealImage x87_image(long double v) {
    RealImage image;
    std::memcpy(&image.significand, &v, 8);
    std::memcpy(&image.sign_exponent, reinterpret_cast<const char*>(&v) + 8, 2);
    return image;
}
std::string bits_of(long double v) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X:%016llX", x87_image(v).sign_exponent,
                  static_cast<unsigned long long>(x87_image(v).significand));
    return text;
}

long double from_bits(std::uint16_t sign_exponent, std::uint64_t significand) {
    long double v = 0;
    std::memcpy(&v, &significand, 8);
    std::memcpy(reinterpret_cast<char*>(&v) + 8, &sign_exponent, 2);
    return v;
}

// The runtime's real type and the test's x87 values share their 10-byte image.
Real real(long double v) { return real_from_image(x87_image(v)); }
long double x87(Real v) { return from_bits(image_of(v).sign_exponent, image_of(v).significand); }

// One file record on the file "f" of a scratch folder.
class Files : public ::testing::Test {
protected:
    void SetUp() override { io_result = 0; }
    void TearDown() override {
        if (file.mode == mode_input || file.mode == mode_output) text_close(file);
        std::filesystem::remove_all(dir);
    }
    std::string path(const std::string& name = "f") const { return dir + "/" + name; }
    // text_assign forgets an open file without closing it: the record is closed
    // first, so that a test that opens the file a thousand times holds one descriptor.
    void open(const std::string& name, bool input) {
        if (file.mode == mode_input || file.mode == mode_output) text_close(file);
        text_assign(file, name);
        input ? text_open_input(file) : text_open_output(file);
    }
    void open_input(const std::string& bytes) {
        std::ofstream(path(), std::ios::binary) << bytes;
        open(path(), true);
    }
    std::string on_disk() const {
        return {std::istreambuf_iterator<char>(std::ifstream(path(), std::ios::binary).rdbuf()), {}};
    }

    // Runs the reads in ops on input and lists what each gave, blank-separated:
    // i read_integer, r read_real, c text_read_char ("eof" at the end),
    // l read_line_end ("/"). An error follows its value as !number and is
    // cleared. A count before an operation repeats it.
    std::string read_log(const std::string& input, const char* ops) {
        open_input(input);
        std::string log;
        for (const char* p = ops; *p != '\0'; ++p) {
            if (*p == ' ') continue;
            const long repeat = std::isdigit(*p) ? std::strtol(p, const_cast<char**>(&p), 10) : 1;
            for (long i = 0; i < repeat; ++i) {
                char item[48] = "/";
                if (*p == 'i') std::snprintf(item, sizeof item, "%d", read_integer(file));
                if (*p == 'r') std::snprintf(item, sizeof item, "%.21Lg", x87(read_real(file)));
                if (*p == 'l') read_line_end(file);
                const std::uint16_t c = *p == 'c' ? text_read_char(file) : 0;
                if (*p == 'c') std::snprintf(item, sizeof item, is_end_of_file(c) ? "eof" : "%d", c);
                if (io_result != 0) std::snprintf(item + std::strlen(item), 12, "!%u", io_result);
                (log += log.empty() ? "" : " ") += item;
                io_result = 0;
            }
        }
        return log;
    }
    char name_[25] = "/tmp/runtime-test-XXXXXX";
    std::string dir = mkdtemp(name_);
    TextFile file{};
};

TEST_F(Files, ReadsTokensIntegersRealsAndLineEnds) {
    // clang-format off
    const struct { std::string input; const char* ops; std::string log; } cases[] = {
        {"5 +5 005 -05 -0 00 $1F x1F X1F 0x1F 0X1f $1f -$10 +$7FFFFFFF $FFFFFFFF -$80000000", "16i",
         "5 5 5 -5 0 0 31 31 31 31 31 31 -16 2147483647 -1 -2147483648"},
        {"-$FFFFFFFF $0FFFFFFFF 2147483647 -2147483648 00000000000000000002147483647 0x0 $000000000aBc",
         "7i", "1 -1 2147483647 -2147483648 2147483647 0 2748"},
        {"2147483648 -2147483649 4294967296 4294967297 99999999999 $100000000 0x1000000000 12,5 1e3 1.0",
         "10i", times(10, "0!106")},
        {"--1 +-1 + - $ 0x x -$ 7a $G 0x1G 0$1 00x1F $+1 x-1 1- \x80 5\x80", "18i", times(18, "0!106")},
        // A token is cut after 32 bytes for an integer and 64 for a real.
        {std::string(31, '0') + "107 " + std::string(40, '1') + " 5", "5i", "1 7 0!106 11111111 5"},
        {std::string(63, '0') + "1000042 7", "3r", "1 42 7"},
        {"1\r\n2\t3\0 4\f5\x01"s "6\x1F" "7 \x1A 8", "9i", "1 2 3 4 5 6 7 0 0"},
        {blanks(125) + "123456", "i", "123456"},  // a token across the refill
        {blanks(122) + "123456 7", "2i", "123456 7"},  // the step back over the first byte of a refill
        {"\t1.5\r\n\n  -2e1\f\x01" "3 -1.5x\n2 4 \x1A 5", "4r l 3r", "1.5 -20 3 15!106 / 2 4 0"},
        {"3 1 2\r\n4 ab\rcd\n9 x\r\r\n5\r7\n6\n\n8", "il il il il il l i", "3 / 4 / 9 / 5 / 6 / / 8"},
        {"12\r", "ili", "12 / 0"},
        {"1\x1A\n2", "ilic", "1 / 0 eof"},
        {std::string(127, 'a') + "\r7\n5", "li", "/ 5"},
        {std::string(127, 'a') + "\r\n5", "li", "/ 5"},
        {std::string(126, 'a') + "\r\r\n5", "li", "/ 5"},
        {"ab\x1A" "cd", "4c", "97 98 eof eof"},
        {"", "ci", "eof 0"},
    };
    // clang-format on
    // Four other readers hold the blocks of read-ahead, so the file is read directly (the programs'
    // reads through read-ahead are the cases'), where a read error must stay an error too.
    TextFile readers[4]{};
    for (TextFile& reader : readers) text_assign(reader, "/dev/null"), text_open_input(reader);
    for (const auto& c : cases) EXPECT_EQ(read_log(c.input, c.ops), c.log) << c.ops;
    open("/proc/self/mem", true);
    EXPECT_TRUE(is_end_of_file(text_read_char(file)) && io_result == 1117) << io_result;
    for (TextFile& reader : readers) text_close(reader);
}

TEST_F(Files, TheEndOfTheDataStaysInTheBufferAsAMark) {
    EXPECT_EQ(read_log(std::string(128, 'a'), "128c c c"), times(128, "97") + " eof eof");
    EXPECT_EQ(file.buffer_pos, 0u);
    EXPECT_EQ(file.buffer_end, 1u);
    EXPECT_EQ(file.buffer[0], 0x1A);
    text_open_input(file);  // a second open reads again from the start
    EXPECT_EQ(text_read_char(file), 'a');
    open_input(std::string(100000, 'x'));  // read from the kernel ahead, in blocks of 64 KiB
    text_read_char(file);
    EXPECT_EQ(lseek(static_cast<int>(file.handle), 0, SEEK_CUR), 65536);
}

// A pipe, unlike a console, gets the buffer only when it fills or the file closes.
TEST_F(Files, APipeIsNoConsole) {
    int ends[2];
    char bytes[8];
    ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
    open("/proc/self/fd/" + std::to_string(ends[1]), false);
    write_line_end(write_real(file, 12, 0, 0));
    EXPECT_EQ(read(ends[0], bytes, sizeof bytes), -1);
    text_close(file);
    EXPECT_EQ(read(ends[0], bytes, sizeof bytes), 4);
    close(ends[0]), close(ends[1]);
}

// Writes the operations of ops to a new file: pN put_chars of N bytes, wN
// write_char N times, bN put_blanks; logs "on disk/pending" after each.
TEST_F(Files, WritesWholeBuffersWhenTheyFill) {
    // clang-format off
    const struct { const char* ops; const char* log; } cases[] = {
        {"p127 p1 p300 p0 p-1", "0/127 128/0 384/44 384/44 384/44"},
        {"p100 p27 p1 p29", "0/100 0/127 128/0 128/29"},
        // write_char leaves a full buffer and writes it out before the next byte.
        {"w127 w1 w1 p127", "0/127 0/128 128/1 256/0"},
        {"w128 p2 b64 b65 b200", "0/128 128/2 128/66 256/3 384/75"},
    };
    // clang-format on
    for (const auto& c : cases) {
        open(path(), false);
        std::string log, expected;
        for (const char* p = c.ops; *p != '\0';) {
            const char op = *p++;
            const long count = std::strtol(p, const_cast<char**>(&p), 10);
            std::string bytes;
            for (long i = 0; i < count; ++i) bytes += op == 'b' ? ' ' : static_cast<char>('a' + i % 26);
            if (op == 'p') put_chars(file, bytes.data(), static_cast<std::int32_t>(count));
            if (op == 'b') put_blanks(file, static_cast<std::int32_t>(count));
            for (long i = 0; op == 'w' && i < count; ++i) write_char(file, bytes[i]);
            expected += bytes;
            char item[32];
            std::snprintf(item, sizeof item, "%s%zu/%u", log.empty() ? "" : " ", on_disk().size(), file.buffer_pos);
            log += item;
            while (*p == ' ') ++p;
        }
        EXPECT_EQ(log, c.log) << c.ops;
        text_close(file);
        EXPECT_EQ(on_disk(), expected) << c.ops;
        EXPECT_EQ(io_result, 0u);
    }
}

TEST_F(Files, WritesIntegersAndRealsRightJustified) {
    // clang-format off
    const struct { std::int32_t value, width; std::string text; } cases[] = {
        {0, 0, "0"}, {int_min, 0, "-2147483648"}, {int_max, 0, "2147483647"}, {42, 5, "   42"},
        {-42, 5, "  -42"}, {-1, 2, "-1"}, {123456, 3, "123456"}, {7, -3, "7"}, {10, 67, blanks(65) + "10"},
        {1000000009, 0, "1000000009"}, {5, int_min, "5"}, {-12, int_min + 1, "-12"},
    };
    // clang-format on
    for (const auto& c : cases) {
        open(path(), false);
        write_integer(file, c.value, c.width);
        text_close(file);
        EXPECT_EQ(on_disk(), c.text) << c.value << " in " << c.width;
    }
    open(path(), false);
    write_integer(file, -907);
    text_flush(file);  // a disk file's flush writes nothing
    EXPECT_EQ(on_disk(), "");
    EXPECT_EQ(&write_real(file, real(-infinity), 300, 2), &file);
    write_real(file, real(2.5L), -3, 1);
    write_line_end(file);
    text_close(file);
    EXPECT_EQ(on_disk(), "-907" + blanks(296) + "-Inf2.5\r\n");
    EXPECT_EQ(io_result, 0u);
}

TEST_F(Files, FailuresAndMisuseRecordTheirNumbers) {
    std::ofstream(path("plain")) << "x";
    // clang-format off
    const struct { std::string name; bool input; std::uint32_t error; } opens[] = {
        {path("missing"), true, 2}, {path("no-folder/missing"), true, 3}, {path("plain/below"), false, 3},
        {dir, true, 5}, {dir, false, 5}, {std::string(260, 'n'), true, 206}, {std::string(999, 'n'), false, 206},
    };
    // clang-format on
    for (const auto& c : opens) {
        io_result = 0;
        open(c.name, c.input);
        EXPECT_TRUE(io_result == c.error && file.mode == mode_closed) << c.name.substr(0, 80) << " " << io_result;
    }
    const auto number_of = [](auto operation) { return io_result = 0, operation(), io_result; };
    open_input("x");
    // An input file has nothing to flush, nor to write at its close.
    EXPECT_EQ(number_of([&] { text_flush(file), text_close(file); }), 0u);
    TextFile never_prepared{};
    EXPECT_EQ(number_of([&] { text_open_input(never_prepared); }), 102u);
    text_assign(file, path("unopened"));
    EXPECT_EQ(number_of([&] { text_close(file); }), 103u);
    EXPECT_EQ(number_of([&] { text_flush(file); }), 103u);
    EXPECT_EQ(number_of([&] { read_integer(file); }), 104u);
    EXPECT_EQ(number_of([&] { read_line_end(file); }), 104u);
    EXPECT_EQ(number_of([&] { write_integer(file, 5, 3); }), 105u);
    EXPECT_EQ(number_of([&] { write_char(file, 'x'); }), 105u);
    EXPECT_EQ(number_of([&] { write_line_end(file); }), 103u);  // the flush after the 105
    file.mode = mode_output;                                    // as text_open leaves it until the open routine has run
    EXPECT_EQ(number_of([&] { text_close(file); }), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("unopened")));
    // The closed standard files forgive a close of the input and a flush of the output.
    const TextFile saved_input = std_input, saved_output = std_output;
    std_input.mode = std_output.mode = mode_closed;
    EXPECT_EQ(number_of([&] { text_close(std_input), text_flush(std_output); }), 0u);
    EXPECT_EQ(number_of([&] { text_close(std_output); }), 103u);
    std_input = saved_input;
    std_output = saved_output;
}

// A device that refuses every write: a failed write-out drops its bytes and
// the rest of the call, and a failed close leaves the file open.
TEST_F(Files, AFullDeviceDropsWhatCannotBeWritten) {
    // The pending error, the bytes pending and whether the file is still open.
    const auto state = [&] {
        std::string s = std::to_string(io_result) + "/" + std::to_string(file.buffer_pos) + "/" +
                        std::to_string(file.mode == mode_output);
        io_result = 0;
        return s;
    };
    open("/dev/full", false);
    EXPECT_EQ(state(), "0/0/1");
    put_chars(file, std::string(200, 'p').data(), 200);
    text_flush(file);  // succeeds, and keeps the pending error
    EXPECT_EQ(state(), "112/0/1");
    for (int i = 0; i < 129; ++i) write_char(file, 'w');
    EXPECT_EQ(state(), "112/0/1");
    put_chars(file, std::string(100, 'q').data(), 100);
    put_blanks(file, 200);  // the first 64 fill the buffer and fail; nothing follows
    EXPECT_EQ(state(), "112/0/1");
    write_char(file, 'x');
    text_close(file);
    EXPECT_EQ(state(), "112/0/1");
    text_close(file);
    EXPECT_EQ(state(), "0/0/0");
}

TEST(Conversions, TextToIntegerTakesLeadingSpacesOnly) {
    std::int32_t value = -1;
    EXPECT_TRUE(text_to_integer("  12", value) && value == 12);
    EXPECT_TRUE(text_to_integer(" -$A", value) && value == -10);
    for (const char* text : {"12 ", "", "  ", "1 2", "\t12"}) EXPECT_FALSE(text_to_integer(text, value)) << text;
}

// Every table entry is the nearest extended value, as the C library rounds.
TEST(Conversions, PowersOfTenAreTheNearestValues) {
    const auto nearest = [](int n) { return bits_of(std::strtold(("1e" + std::to_string(n)).c_str(), nullptr)); };
    for (int i = 0; i < 32; ++i) EXPECT_EQ(bits_of(x87(pow10_small[i])), nearest(i)) << i;
    for (int k = 1; k < 16; ++k) EXPECT_EQ(bits_of(x87(pow10_mid[k])), nearest(32 * k)) << 32 * k;
    for (int k = 1; k < 10; ++k) EXPECT_EQ(bits_of(x87(pow10_large[k])), nearest(512 * k)) << 512 * k;
}

// Expected patterns from exact arithmetic rounded to 64 bits after every
// multiplication, addition and table operation.
TEST(Conversions, TextToRealBitForBit) {
    // clang-format off
    const struct { const char* text; const char* bits; } cases[] = {
        {"12", "4002:C000000000000000"}, {"-3.5", "C000:E000000000000000"}, {"+.5", "3FFE:8000000000000000"},
        {"5.", "4001:A000000000000000"}, {"  2.5E2", "4006:FA00000000000000"},
        {"2.5e+2", "4006:FA00000000000000"}, {"-0", "8000:0000000000000000"}, {".", "0000:0000000000000000"},
        {"-.", "8000:0000000000000000"}, {"E7", "0000:0000000000000000"}, {"0.1", "3FFB:CCCCCCCCCCCCCCCD"},
        {"1E-3", "3FF5:83126E978D4FDF3B"}, {"1e-27", "3FA5:9E74D1B791E07E48"},
        {"1e-28", "3FA1:FD87B5F28300CA0E"}, {"1e300", "43E3:BF21E44003ACDD2C"},
        {"1e-300", "3C1A:AB70FE17C79AC6CB"}, {"-6.02214076e23", "C04D:FF0C2E52BE28B98C"},
        {"2.7182818284590452353602874713526624977572", "4000:ADF85458A2BB4A9B"},
        {"123456789012345678901234567890", "405F:C77487FB61B9F076"},
        // Past 2^64 every digit step rounds twice: ...AF65, where one rounding gives ...AF64.
        {"55807302157368193036426212997", "405E:B452B7E7FA8AAF65"},
        {"18656907029313758584719540", "4052:F6EC0F4E726F722D"},
        {"18446744073709551617", "403F:8000000000000000"}, {"1e4932", "7FFE:D72CB2A95C7EF6CD"},
        {"1.18973149535723176502e4932", "7FFE:FFFFFFFFFFFFFFFC"},
        {"3.36210314311209350626e-4932", "0001:8000000000000000"}, {"1e-4940", "0000:0000000663278E62"},
        {"1e-4950", "0000:0000000000000003"}, {"1e5120", "7FFF:8000000000000000"},
        {"-1e5120", "FFFF:8000000000000000"}, {"-1e-5120", "8000:0000000000000000"},
        // A zero mantissa stays zero; written exponents saturate instead of wrapping.
        {"-0e6000", "8000:0000000000000000"}, {"0.000e99999999999", "0000:0000000000000000"},
        {"-1e99999999999", "FFFF:8000000000000000"}, {"1e-99999999999", "0000:0000000000000000"},
        {"1e4294967297", "7FFF:8000000000000000"}, {"1e-4294967295", "0000:0000000000000000"},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::int32_t error_position = -1;
        EXPECT_EQ(bits_of(x87(text_to_real(c.text, error_position))), c.bits) << c.text;
        EXPECT_EQ(error_position, 0) << c.text;
    }
    // The first byte that does not fit, and the digits so far as a whole number.
    // clang-format off
    const struct { const char* text; std::int32_t position; long double partial; } malformed[] = {
        {"", 1, 0},     {"+", 2, 0},     {"  -", 4, 0},   {"e", 2, 0},   {"1e", 3, 1},     {"1e+", 4, 1},
        {"1e-x", 4, 1}, {"1.2.3", 4, 12}, {"0x1A", 2, 0}, {"$10", 1, 0}, {"Inf", 1, 0},    {"-1.5x", 5, 15},
        {"2.5e1x", 6, 25}, {"1 ", 2, 1}, {"+-1", 2, 0}, {"1e5 ", 4, 1},  {"12d3", 3, 12},
    };
    // clang-format on
    for (const auto& c : malformed) {
        std::int32_t error_position = 0;
        EXPECT_EQ(x87(text_to_real(c.text, error_position)), c.partial) << c.text;
        EXPECT_EQ(error_position, c.position) << c.text;
    }
}

TEST(Conversions, RealToText) {
    // clang-format off
    const struct { long double value; std::int32_t width, decimals; std::string text; } cases[] = {
        {5, 0, 4, "5.0000"}, {-1, 0, 4, "-1.0000"}, {0, 0, 4, "0.0000"}, {-0.0L, 0, 4, "-0.0000"},
        {-0.00001L, 0, 4, "-0.0000"}, {0.00005L, 0, 4, "0.0001"}, {2.2360679774997896964L, 0, 4, "2.2361"},
        {2.5L, 8, 2, "    2.50"}, {0.125L, 0, 2, "0.13"}, {12.5L, 0, 0, "13"}, {-12.5L, 0, 0, "-13"},
        {123.456L, 0, 1, "123.5"}, {9.999755859375L, 0, 2, "10.00"},
        // 2^-18 * 10^17 and 3 * 2^-18 * 10^17 end in exactly one half: ties to even at the 17th
        // decimal, then half up.
        {0x1p-18L, 0, 17, "0.00000381469726562"}, {0x3p-18L, 0, 17, "0.00001144409179688"},
        {0x1p-18L, 0, 15, "0.000003814697266"}, {3, 5, 0, "    3"}, {5, -10, 2, "5.00"},
        {1.0L / 3, 0, 20, "0.33333333333333333000"}, {4e-18L, 0, 20, "0.00000000000000000000"},
        {1e35L, 0, 0, std::string("1") + std::string(35, '0')}, {-1e36L, 0, 1, std::string("-1") + std::string(36, '0') + ".0"},
        {-1e36L, 0, 1000, std::string("-1") + std::string(36, '0') + "." + std::string(216, '0')},
        {1.0L / 3, 0, 1000, std::string("0.") + std::string(17, '3') + std::string(199, '0')},
        {5, 300, 4, blanks(249) + "5.0000"},
        // Beyond a decimal exponent of 35, and for negative decimals, the
        // notation is scientific with as many digits as the width allows.
        {1e37L, 0, 0, " 1.0E+0037"}, {1e40L, 0, 4, " 1.0E+0040"}, {-1.4142135623730950488e40L, 12, 4, "-1.414E+0040"},
        {1, 0, -1, " 1.0E+0000"}, {0, 0, -1, " 0.0E+0000"}, {-0.0L, 0, -1, "-0.0E+0000"}, {100, 0, -1, " 1.0E+0002"},
        {0.001L, 0, -1, " 1.0E-0003"}, {-1234.5L, 12, -1, "-1.235E+0003"}, {7, 20, -1, " 7.00000000000E+0000"},
        {7, 30, -5, "     7.00000000000000000E+0000"}, {1.25L, 10, -1, " 1.3E+0000"}, {99.96L, 0, -1, " 1.0E+0002"},
        {1e4932L, 0, -1, " 1.0E+4932"}, {0x1p-16445L, 10, -1, " 3.6E-4951"},
        // Values that normalise into [10, 16) round at their last printed digit.
        {12.5L, 10, -1, " 1.3E+0001"}, {12.4L, 10, -1, " 1.2E+0001"}, {15.96L, 0, -1, " 1.6E+0001"},
        {-12.5L, 12, -1, "-1.250E+0001"}, {12.345678901234567891L, 26, -1, " 1.23456789012345679E+0001"},
        {infinity, 6, 4, "  +Inf"}, {-infinity, 0, -1, "-Inf"}, {-infinity, 1000, 4, blanks(251) + "-Inf"},
        {infinity, -7, 4, "+Inf"}, {std::numeric_limits<long double>::quiet_NaN(), int_min, 4, "Nan"},
        {-std::numeric_limits<long double>::quiet_NaN(), 5, 4, "  Nan"},
        // Only the upper half of the significand tells an infinity from a NaN.
        {from_bits(0x7FFF, 0x8000000000000001ULL), 0, 4, "+Inf"}, {from_bits(0xFFFF, 0xC000000000000000ULL), 0, 4, "Nan"},
    };
    // clang-format on
    for (const auto& c : cases) {
        ShortText text;
        real_to_text(real(c.value), c.width, c.decimals, text);
        EXPECT_EQ(std::string(text.chars, text.length), c.text) << static_cast<double>(c.value) << " " << c.width;
    }
}

// Every denormal lands in [1, 16) on its way to scientific notation.
TEST(Conversions, DenormalsNormalise) {
    for (int bit = 0; bit < 64; ++bit) {
        std::int32_t k = 0;
        const long double v = x87(decimal_normalize(real(from_bits(0, 1ULL << bit)), k));
        EXPECT_TRUE(v >= 1 && v < 16) << "denormal bit " << bit;
    }
}

}  // namespace
