// The state rules of buffered text files, in-process on files in a scratch folder.
#include <gtest/gtest.h>

#include <string>

#include "runtime/integer_io.h"
#include "tests/support/text_file_fixture.h"

namespace {

using namespace rt;
using testing_support::write_file;

class TextFileTest : public testing_support::TextFileFixture {
protected:
    std::string read_all() {
        std::string bytes;
        for (std::uint16_t c; !is_end_of_file(c = text_read_char(file));) {
            bytes += static_cast<char>(c);
        }
        return bytes;
    }
};

TEST_F(TextFileTest, ReadsUpToTheEndMarkAndStaysThere) {
    struct Case {
        std::string content;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"abc", "abc"},
        {std::string(128, 'x'), std::string(128, 'x')},
        {std::string(300, 'y'), std::string(300, 'y')},
        {std::string("ab\x1A" "cd", 5), "ab"},
        {std::string(127, 'z') + "\x1A" + "rest", std::string(127, 'z')},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
    };
    for (const auto& c : cases) {
        open_input(c.content);
        EXPECT_EQ(read_all(), c.expected);
        // The end stays: later calls answer the same.
        EXPECT_EQ(text_read_char(file), end_of_file);
        EXPECT_EQ(text_read_char(file), end_of_file);
        EXPECT_EQ(io_result, 0u);
        text_close(file);
    }
}

TEST_F(TextFileTest, EndOfDataLeavesAMarkInTheBuffer) {
    // A file of exactly 128 bytes: after the last byte one more read finds
    // nothing and the mark is stored at position 0.
    open_input(std::string(128, 'a'));
    read_all();
    EXPECT_EQ(file.buffer_pos, 0u);
    EXPECT_EQ(file.buffer_end, 1u);
    EXPECT_EQ(file.buffer[0], 0x1A);
}

TEST_F(TextFileTest, AMarkInTheDataIsNotConsumed) {
    open_input("5\x1A" "7");
    EXPECT_EQ(read_integer(file), 5);
    EXPECT_EQ(read_integer(file), 0);
    EXPECT_EQ(file.buffer_pos, 1u);
    EXPECT_EQ(io_result, 0u);
}

TEST_F(TextFileTest, ASecondOpenReadsAgainFromTheStart) {
    open_input("first second");
    EXPECT_EQ(text_read_char(file), 'f');
    text_open_input(file);
    EXPECT_EQ(read_all(), "first second");
    EXPECT_EQ(io_result, 0u);
}

TEST_F(TextFileTest, OpenFailuresLeaveTheRecordClosed) {
    write_file(scratch.file("plain"), "x");
    struct Case {
        std::string name;
        std::uint32_t error;
    } cases[] = {
        {scratch.file("missing"), 2},
        {scratch.file("no-folder/missing"), 3},
        {scratch.file("plain/below"), 3},
        {scratch.path(), 5},
        {std::string(260, 'n'), 206},
        {std::string(1000, 'n'), 206},
    };
    for (const auto& c : cases) {
        io_result = 0;
        text_assign(file, c.name);
        text_open_input(file);
        EXPECT_EQ(io_result, c.error) << c.name.substr(0, 80);
        EXPECT_EQ(file.mode, mode_closed);
    }
}

TEST_F(TextFileTest, MisuseRecordsTheRuntimeNumbers) {
    TextFile never_prepared{};
    text_open_input(never_prepared);
    EXPECT_EQ(io_result, 102u);

    text_assign(file, scratch.file("x"));
    io_result = 0;
    text_close(file);
    EXPECT_EQ(io_result, 103u);
    io_result = 0;
    text_flush(file);
    EXPECT_EQ(io_result, 103u);
    io_result = 0;
    EXPECT_EQ(text_read_char(file), end_of_file);
    EXPECT_EQ(io_result, 104u);
    io_result = 0;
    write_char(file, 'x');
    EXPECT_EQ(io_result, 105u);
    EXPECT_FALSE(testing_support::file_exists(scratch.file("x")));
}

// The buffer boundaries themselves are tested with the writers.
TEST_F(TextFileTest, AnOutputFileIsTruncatedAtTheOpenAndWrittenOnlyByTheClose) {
    write_file(scratch.file("out"), "old content that must go");
    open_output();
    EXPECT_EQ(on_disk(), "");
    put_chars(file, "new", 3);
    text_flush(file);  // a disk file's flush writes nothing
    EXPECT_EQ(on_disk(), "");
    EXPECT_EQ(close_output(), "new");
    EXPECT_EQ(io_result, 0u);
}

TEST_F(TextFileTest, AFailedWriteAtTheCloseLeavesTheFileOpen) {
    text_assign(file, "/dev/full");
    text_open_output(file);
    ASSERT_EQ(io_result, 0u);
    put_chars(file, "lost", 4);
    text_close(file);
    EXPECT_EQ(io_result, 112u);
    EXPECT_EQ(file.mode, mode_output);
    EXPECT_EQ(file.buffer_pos, 0u);
    io_result = 0;
    text_close(file);  // nothing pending now: closes
    EXPECT_EQ(io_result, 0u);
    EXPECT_EQ(file.mode, mode_closed);
}

TEST_F(TextFileTest, StandardFilesForgiveClosesAndFlushesWhenClosed) {
    // std_input and std_output are in mode_closed at start-up.
    TextFile saved_input = std_input;
    TextFile saved_output = std_output;
    std_input.mode = mode_closed;
    std_output.mode = mode_closed;
    text_close(std_input);
    text_flush(std_output);
    EXPECT_EQ(io_result, 0u);
    text_close(std_output);
    EXPECT_EQ(io_result, 103u);
    std_input = saved_input;
    std_output = saved_output;
}

TEST_F(TextFileTest, AReadersStepBackSurvivesARefill) {
    open_input(std::string(128, '1') + " 2");
    EXPECT_TRUE(!skip_blanks(file));
    char token[33];
    read_token(file, token, 32);
    EXPECT_EQ(std::string(token), std::string(32, '1'));
    // 96 more ones, then the blank after a refill is stepped back.
    for (int i = 0; i < 3; ++i) read_token(file, token, 32);
    EXPECT_EQ(text_read_char(file), ' ');
    EXPECT_EQ(read_integer(file), 2);
}

}  // namespace
