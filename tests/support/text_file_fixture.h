// A TextFile on files of a scratch folder, for the in-process tests of the
// runtime's file layer and conversions.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/text_file.h"
#include "tests/support/process.h"

namespace testing_support {

class TextFileFixture : public ::testing::Test {
protected:
    void SetUp() override { rt::io_result = 0; }
    void TearDown() override {
        close_if_open();
        rt::io_result = 0;
    }

    void close_if_open() {
        if (file.mode == rt::mode_input || file.mode == rt::mode_output) rt::text_close(file);
    }

    // Opens `file` for reading on a scratch file holding bytes.
    void open_input(const std::string& bytes) {
        close_if_open();
        write_file(scratch.file("in"), bytes);
        rt::io_result = 0;
        rt::text_assign(file, scratch.file("in"));
        rt::text_open_input(file);
        EXPECT_EQ(rt::io_result, 0u);
    }

    // Opens `file` for writing on the scratch file "out".
    void open_output() {
        close_if_open();
        rt::io_result = 0;
        rt::text_assign(file, scratch.file("out"));
        rt::text_open_output(file);
        EXPECT_EQ(rt::io_result, 0u);
    }

    // What the file "out" holds now.
    std::string on_disk() const {
        std::string bytes;
        read_file(scratch.file("out"), bytes);
        return bytes;
    }

    // Closes the output and gives everything it received.
    std::string close_output() {
        rt::text_close(file);
        return on_disk();
    }

    ScratchDir scratch;
    rt::TextFile file{};
};

}  // namespace testing_support
