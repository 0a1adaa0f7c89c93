// The program frame: the floating-point mask override and the report line.
#include <gtest/gtest.h>

#include "runtime/frame.h"
#include "tests/support/process.h"

namespace {

TEST(FpuMaskOverride, OnlyAKeyboardOfType7ChangesTheSixMaskBits) {
    struct Case {
        std::int32_t type;
        std::int32_t subtype;
        bool has_value;
        std::uint32_t value;
        std::uint16_t expected;
    } cases[] = {
        {4, 0x0D00, true, 0x3F, 0x1332},      // an ordinary keyboard: no override
        {7, 0x0100, true, 0x3F, 0x1332},      // type 7 with another subtype
        {7, 0x0D00, true, 0x3F, 0x133F},      // every exception masked
        {7, 0x0400, true, 0x00, 0x1300},      // every exception unmasked
        {7, 0x0DFF, true, 0xFFFFFFC1, 0x1301},  // only the low six bits of the value count
        {7, 0x0D00, false, 0, 0x1332},        // key or value missing: unchanged
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rt::fpu_mask_override(0x1332, c.type, c.subtype, c.has_value, c.value),
                  c.expected)
            << c.type << " " << c.subtype << " " << c.value;
    }
}

TEST(Report, TheCodeAddressIsTheSameFromRunToRun) {
    using namespace testing_support;
    std::string first;
    for (int run = 0; run < 3; ++run) {
        ScratchDir scratch;
        const RunResult result =
            run_program(program_path("probe"), scratch.path(), RunOptions{{"missing-input"}});
        ASSERT_TRUE(is_report_line(result.stdout_bytes, 2)) << printable(result.stdout_bytes);
        if (run == 0) first = result.stdout_bytes;
        EXPECT_EQ(result.stdout_bytes, first);
    }
}

}  // namespace
