// Runs every whole-program case of tests/cases/*.cases against the built
// executables, each in its own scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/case_file.h"

namespace testing_support {
namespace {

std::vector<ProgramCase> all_cases() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(CASES_DIR)) {
        if (entry.path().extension() == ".cases") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<ProgramCase> cases;
    for (const auto& path : paths) {
        for (auto& c : read_case_file(path)) cases.push_back(std::move(c));
    }
    return cases;
}

}  // namespace

// Names a case by where it is written, instead of dumping its bytes.
void PrintTo(const ProgramCase& c, std::ostream* out) { *out << c.source; }

namespace {

class ProgramCases : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramCases, Run) {
    const ProgramCase& c = GetParam();
    const std::string problems = run_case(c);
    EXPECT_TRUE(problems.empty()) << c.source << " [" << c.title << "]\n" << problems;
}

std::string case_name(const ::testing::TestParamInfo<ProgramCase>& info) {
    std::string name = std::filesystem::path(info.param.source).stem().string() + "_" +
                       std::to_string(info.index) + "_" + info.param.title;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramCases, ::testing::ValuesIn(all_cases()), case_name);

}  // namespace
}  // namespace testing_support
