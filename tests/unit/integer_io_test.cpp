// Tokens, integers and characters as text, in-process on files in a scratch
// folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "runtime/integer_io.h"
#include "tests/support/text_file_fixture.h"

namespace {

using namespace rt;
using testing_support::printable;

constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

using IntegerIoTest = testing_support::TextFileFixture;

// Each token is followed by " 77": a rejected token is consumed and reading
// goes on with the next one.
TEST_F(IntegerIoTest, ReadsAcceptedTokens) {
    const struct {
        const char* token;
        std::int32_t value;
    } cases[] = {
        {"5", 5}, {"+5", 5}, {"005", 5}, {"0005", 5}, {"-05", -5},
        {"0", 0}, {"+0", 0}, {"-0", 0}, {"00", 0}, {"-00", 0},
        {"$1F", 31}, {"x1F", 31}, {"X1F", 31}, {"0x1F", 31}, {"0X1f", 31}, {"$1f", 31},
        {"-$10", -16}, {"-0x10", -16}, {"+$7FFFFFFF", int_max}, {"0x0", 0},
        {"$FFFFFFFF", -1}, {"$80000000", int_min}, {"-$80000000", int_min},
        {"-$FFFFFFFF", 1}, {"$000000001", 1}, {"$0FFFFFFFF", -1}, {"$00000000000ABC", 0xABC},
        {"2147483647", int_max}, {"-2147483648", int_min}, {"-2147483647", -int_max},
        {"00000000000000000002147483647", int_max}, {"214748364", 214748364},
    };
    for (const auto& c : cases) {
        io_result = 0;
        open_input(std::string(c.token) + " 77");
        EXPECT_EQ(read_integer(file), c.value) << c.token;
        EXPECT_EQ(io_result, 0u) << c.token;
        EXPECT_EQ(read_integer(file), 77) << c.token;
    }
}

TEST_F(IntegerIoTest, RejectsMalformedTokensWith106AndGoesOn) {
    const char* const cases[] = {
        "2147483648", "-2147483649", "4294967296", "4294967297", "99999999999",
        "$100000000", "-$100000000", "0x1000000000",
        "12,5", "1e3", "1.0", "--1", "+-1", "-+1", "+", "-", "$", "0x", "0X", "x", "X", "-$",
        "7a", "$G", "0x1G", "0$1", "00x1F", "$+1", "$-1", "x-1", "0x-1", "+$", "1-", "5;",
        "\x80", "5\x80", "\xff" "1",
    };
    for (const char* token : cases) {
        io_result = 0;
        open_input(std::string(token) + " 77");
        read_integer(file);
        EXPECT_EQ(io_result, 106u) << printable(token);
        // No read clears a pending error.
        EXPECT_EQ(read_integer(file), 77) << printable(token);
        EXPECT_EQ(io_result, 106u) << printable(token);
    }
}

TEST_F(IntegerIoTest, ConvertsTextWithLeadingSpacesOnly) {
    const struct {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"  12", true, 12}, {" -$A", true, -10}, {"12 ", false, 0},
        {"", false, 0},     {"  ", false, 0},    {"1 2", false, 0}, {"\t12", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 0;
        EXPECT_EQ(text_to_integer(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

// Stands for a token read_integer rejected with 106, in the tables below.
constexpr std::int32_t rejected = -999999999;

// Every read until the input ends, and three more at the end.
TEST_F(IntegerIoTest, ReadsSequencesAndStopsAtTheEnd) {
    const struct {
        std::string content;
        std::vector<std::int32_t> values;
    } cases[] = {
        {"", {}},
        {" \t\r\n  ", {}},
        {"\x1A", {}},
        {"\x1A" "5", {}},
        {"5\x1A" "7", {5}},
        {"12", {12}},
        {"-12\x1A", {-12}},
        {std::string("1\r\n2\t3\0" "4\f5\x01" "6\x1F" "7", 14), {1, 2, 3, 4, 5, 6, 7}},
        // A token of 33 bytes or more is cut after 32; the rest is the next token.
        {std::string(32, '0') + "7", {0, 7}},
        {std::string(30, '0') + "12", {12}},
        {std::string(40, '1') + " 5", {rejected, 11111111, 5}},
        {"1e3 4", {rejected, 4}},
        // A token split across the 128-byte refill.
        {std::string(125, ' ') + "123456", {123456}},
    };
    for (const auto& c : cases) {
        open_input(c.content);
        std::vector<std::int32_t> got;
        for (std::size_t i = 0; i < c.values.size() + 3; ++i) {
            io_result = 0;
            const std::int32_t value = read_integer(file);
            if (io_result == 106) {
                got.push_back(rejected);
            } else {
                EXPECT_EQ(io_result, 0u) << printable(c.content);
                if (i < c.values.size() || value != 0) got.push_back(value);
            }
        }
        EXPECT_EQ(got, c.values) << printable(c.content);
    }
}

TEST_F(IntegerIoTest, TheByteAfterATokenStaysInTheInput) {
    open_input("42\r\n");
    EXPECT_EQ(read_integer(file), 42);
    EXPECT_EQ(text_read_char(file), '\r');
}

// read_line_end from the start of each input, then one read_integer.
TEST_F(IntegerIoTest, LineEndSkipsThroughTheNextLineFeed) {
    const struct {
        std::string content;
        std::int32_t first;  // read before the line end; 0 for none
        std::int32_t next;
    } cases[] = {
        {"3 1 2\r\n4", 3, 4},
        {"3 1 2\n4", 3, 4},
        {"ab\rcd\n9", 0, 9},         // a lone CR does not end the line
        {"x\r\r\n5", 0, 5},
        {"\r7\n5", 0, 5},
        {"\n\n8", 0, 8},
        {"12\r", 12, 0},             // the end of the file ends the line too
        {"12", 12, 0},
        {"1\x1A\n2", 1, 0},
        {std::string(127, 'a') + "\r7\n5", 0, 5},  // CR last in the buffer
        {std::string(127, 'a') + "\r\n5", 0, 5},
        {std::string(126, 'a') + "\r\r\n5", 0, 5},
    };
    for (const auto& c : cases) {
        io_result = 0;
        open_input(c.content);
        if (c.first != 0) {
            EXPECT_EQ(read_integer(file), c.first) << printable(c.content);
        }
        read_line_end(file);
        EXPECT_EQ(read_integer(file), c.next) << printable(c.content);
        EXPECT_EQ(io_result, 0u) << printable(c.content);
    }
}

TEST_F(IntegerIoTest, ReadingAFileThatIsNotOpenGives104) {
    text_assign(file, scratch.file("never-opened"));
    EXPECT_EQ(read_integer(file), 0);
    EXPECT_EQ(io_result, 104u);
    io_result = 0;
    read_line_end(file);
    EXPECT_EQ(io_result, 104u);
}

TEST_F(IntegerIoTest, WritesIntegersRightJustified) {
    const struct {
        std::int32_t value;
        std::int32_t width;
        std::string text;
    } cases[] = {
        {0, 0, "0"},
        {int_min, 0, "-2147483648"},
        {int_max, 0, "2147483647"},
        {42, 0, "42"},
        {42, 5, "   42"},
        {-42, 5, "  -42"},
        {-1, 2, "-1"},
        {123456, 3, "123456"},
        {7, -3, "7"},
        {7, 64, std::string(63, ' ') + "7"},
        {7, 65, std::string(64, ' ') + "7"},
        {7, 66, std::string(65, ' ') + "7"},
        {5, 200, std::string(199, ' ') + "5"},
        {int_min, 300, std::string(289, ' ') + "-2147483648"},
        // A width far below zero must not wrap into a huge field.
        {5, int_min, "5"},
        {-12, int_min + 1, "-12"},
    };
    for (const auto& c : cases) {
        io_result = 0;
        open_output();
        write_integer(file, c.value, c.width);
        EXPECT_EQ(close_output(), c.text) << c.value << " width " << c.width;
        EXPECT_EQ(io_result, 0u);
    }
    open_output();
    write_integer(file, -907);
    write_char(file, ' ');
    write_integer(file, 0);
    write_line_end(file);
    EXPECT_EQ(close_output(), "-907 0\r\n");
}

TEST_F(IntegerIoTest, DecimalTextOfAnInteger) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {{0, "0"}, {9, "9"}, {10, "10"}, {-1, "-1"}, {int_max, "2147483647"},
                 {int_min, "-2147483648"}, {1000000000, "1000000000"}};
    for (const auto& c : cases) {
        char text[12] = {};
        const int length = integer_to_text(c.value, text);
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(length)), c.text);
    }
}

// put_chars writes out a buffer it fills within the same call; write_char
// leaves a full buffer in memory and writes it out before the next byte.
TEST_F(IntegerIoTest, BufferBoundariesOfPutCharsAndWriteChar) {
    enum class Op { put_chars, write_char };
    const struct {
        const char* title;
        std::uint32_t prefill;  // bytes put first with put_chars
        Op op;
        std::int32_t count;  // bytes, or calls of write_char
        std::size_t written;
        std::uint32_t pending;
    } cases[] = {
        {"put 127", 0, Op::put_chars, 127, 0, 127},
        {"put 128", 0, Op::put_chars, 128, 128, 0},
        {"put 129", 0, Op::put_chars, 129, 128, 1},
        {"put 256", 0, Op::put_chars, 256, 256, 0},
        {"put 300", 0, Op::put_chars, 300, 256, 44},
        {"100 then put 27", 100, Op::put_chars, 27, 0, 127},
        {"100 then put 28", 100, Op::put_chars, 28, 128, 0},
        {"100 then put 29", 100, Op::put_chars, 29, 128, 1},
        {"put nothing", 5, Op::put_chars, 0, 0, 5},
        {"put a negative count", 5, Op::put_chars, -1, 0, 5},
        {"write 127", 0, Op::write_char, 127, 0, 127},
        {"write 128", 0, Op::write_char, 128, 0, 128},
        {"write 129", 0, Op::write_char, 129, 128, 1},
        {"write 256", 0, Op::write_char, 256, 128, 128},
        {"127 then write 1", 127, Op::write_char, 1, 0, 128},
        {"127 then write 2", 127, Op::write_char, 2, 128, 1},
    };
    const std::string source(400, 'b');
    for (const auto& c : cases) {
        io_result = 0;
        open_output();
        const std::string prefill(c.prefill, 'a');
        put_chars(file, prefill.data(), static_cast<std::int32_t>(c.prefill));
        if (c.op == Op::put_chars) {
            put_chars(file, source.data(), c.count);
        } else {
            for (std::int32_t i = 0; i < c.count; ++i) write_char(file, 'b');
        }
        EXPECT_EQ(on_disk().size(), c.written) << c.title;
        EXPECT_EQ(file.buffer_pos, c.pending) << c.title;
        const std::size_t total = c.prefill + static_cast<std::size_t>(std::max(c.count, 0));
        EXPECT_EQ(close_output(), prefill + std::string(total - c.prefill, 'b')) << c.title;
        EXPECT_EQ(io_result, 0u) << c.title;
    }
}

// A full buffer followed by write_char's own write-out: the byte after it
// is not lost when put_chars follows.
TEST_F(IntegerIoTest, PutCharsAfterAFullBufferLeftByWriteChar) {
    open_output();
    for (int i = 0; i < 128; ++i) write_char(file, 'c');
    put_chars(file, "xy", 2);
    EXPECT_EQ(on_disk().size(), 128u);
    EXPECT_EQ(file.buffer_pos, 2u);
    EXPECT_EQ(close_output(), std::string(128, 'c') + "xy");
}

TEST_F(IntegerIoTest, WritingAFileThatIsNotOpenGives105) {
    text_assign(file, scratch.file("out"));
    write_integer(file, 5, 3);
    EXPECT_EQ(io_result, 105u);
    io_result = 0;
    put_blanks(file, 10);
    EXPECT_EQ(io_result, 105u);
    io_result = 0;
    write_line_end(file);
    EXPECT_NE(io_result, 0u);
    EXPECT_FALSE(testing_support::file_exists(scratch.file("out")));
}

// On a device that refuses every write: the bytes of the failed write-out
// are dropped, and the rest of the call with them.
TEST_F(IntegerIoTest, AFailedWriteOutDropsTheRest) {
    text_assign(file, "/dev/full");
    text_open_output(file);
    ASSERT_EQ(io_result, 0u);

    put_chars(file, std::string(200, 'p').data(), 200);
    EXPECT_EQ(io_result, 112u);
    EXPECT_EQ(file.buffer_pos, 0u);

    io_result = 0;
    for (int i = 0; i < 129; ++i) write_char(file, 'w');
    EXPECT_EQ(io_result, 112u);
    EXPECT_EQ(file.buffer_pos, 0u);  // the 129th byte went with the buffer

    // put_blanks stops before the next chunk of 64 once a write-out failed:
    // the first chunk fills the buffer from 100 and fails, nothing follows.
    io_result = 0;
    put_chars(file, std::string(100, 'q').data(), 100);
    put_blanks(file, 200);
    EXPECT_EQ(io_result, 112u);
    EXPECT_EQ(file.buffer_pos, 0u);
}

}  // namespace
