#include "tests/support/case_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace {

class LineReader {
public:
    LineReader(std::string line, std::string where) : line_(std::move(line)), where_(std::move(where)) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(where_ + ": " + what);
    }

    void skip_space() {
        while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    }
    bool at_end() {
        skip_space();
        return pos_ >= line_.size();
    }
    std::string word() {
        skip_space();
        const size_t start = pos_;
        while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t') ++pos_;
        if (start == pos_) fail("a word is missing");
        return line_.substr(start, pos_ - start);
    }
    long number() {
        const std::string text = word();
        size_t used = 0;
        long value = 0;
        try {
            value = std::stol(text, &used, 0);
        } catch (const std::exception&) {
            fail("not a number: " + text);
        }
        if (used != text.size()) fail("not a number: " + text);
        return value;
    }
    std::string rest() {
        skip_space();
        return line_.substr(pos_);
    }
    // One or more quoted strings, joined.
    std::string strings() {
        std::string joined;
        if (at_end()) fail("a quoted string is missing");
        while (!at_end()) joined += quoted();
        return joined;
    }

private:
    std::string quoted() {
        if (line_[pos_] != '"') fail("a string must start with a double quote");
        ++pos_;
        std::string value;
        while (true) {
            if (pos_ >= line_.size()) fail("unterminated string");
            const char c = line_[pos_++];
            if (c == '"') return value;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (pos_ >= line_.size()) fail("unterminated escape");
            const char e = line_[pos_++];
            switch (e) {
                case '\\': value += '\\'; break;
                case '"': value += '"'; break;
                case 'r': value += '\r'; break;
                case 'n': value += '\n'; break;
                case 't': value += '\t'; break;
                case '0': value += '\0'; break;
                case 'x': {
                    if (pos_ + 2 > line_.size()) fail("short \\x escape");
                    value += static_cast<char>(std::stoi(line_.substr(pos_, 2), nullptr, 16));
                    pos_ += 2;
                    break;
                }
                default: fail(std::string("unknown escape \\") + e);
            }
        }
    }

    std::string line_;
    std::string where_;
    size_t pos_ = 0;
};

std::string* find_file(ProgramCase& c, const std::string& name) {
    for (auto& [file_name, bytes] : c.files) {
        if (file_name == name) return &bytes;
    }
    return nullptr;
}

}  // namespace

std::vector<ProgramCase> read_case_file(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<ProgramCase> cases;
    std::string text;
    int line_number = 0;
    while (std::getline(in, text)) {
        ++line_number;
        const std::string where = path + ":" + std::to_string(line_number);
        LineReader line(text, where);
        if (line.at_end() || line.rest()[0] == '#') continue;
        const std::string keyword = line.word();
        if (keyword == "case") {
            cases.emplace_back();
            cases.back().title = line.rest();
            cases.back().source = where;
            continue;
        }
        if (cases.empty()) line.fail("a case line must come first");
        ProgramCase& c = cases.back();
        if (keyword == "run") {
            c.program = line.word();
            while (!line.at_end()) c.options.args.push_back(line.word());
        } else if (keyword == "file") {
            const std::string name = line.word();
            c.files.emplace_back(name, line.strings());
        } else if (keyword == "repeat") {
            const std::string name = line.word();
            const long count = line.number();
            const std::string piece = line.strings();
            std::string* bytes = find_file(c, name);
            if (bytes == nullptr) {
                c.files.emplace_back(name, "");
                bytes = &c.files.back().second;
            }
            for (long i = 0; i < count; ++i) *bytes += piece;
        } else if (keyword == "dir") {
            c.dirs.push_back(line.word());
        } else if (keyword == "link") {
            const std::string name = line.word();
            c.links.emplace_back(name, line.word());
        } else if (keyword == "stack") {
            c.options.stack_limit_kib = line.number();
        } else if (keyword == "stdout-closed") {
            c.options.close_stdout = true;
        } else if (keyword == "exit") {
            c.exit_code = static_cast<int>(line.number());
        } else if (keyword == "stdout") {
            c.stdout_bytes = line.strings();
        } else if (keyword == "report") {
            c.report = true;
            c.exit_code = static_cast<int>(line.number());
        } else if (keyword == "expect") {
            const std::string name = line.word();
            c.expected_files.emplace_back(name, line.strings());
        } else if (keyword == "absent") {
            c.absent_files.push_back(line.word());
        } else {
            line.fail("unknown keyword " + keyword);
        }
        if (!line.at_end()) line.fail("unexpected text after the line's values");
    }
    for (const auto& c : cases) {
        if (c.program.empty()) throw std::runtime_error(c.source + ": the case has no run line");
    }
    return cases;
}

std::string run_case(const ProgramCase& c) {
    ScratchDir scratch;
    for (const auto& dir : c.dirs) mkdir(scratch.file(dir).c_str(), 0755);
    for (const auto& [name, bytes] : c.files) write_file(scratch.file(name), bytes);
    for (const auto& [name, target] : c.links) {
        if (symlink(target.c_str(), scratch.file(name).c_str()) != 0) return "cannot create link " + name;
    }
    const RunResult result = run_program(program_path(c.program), scratch.path(), c.options);

    std::ostringstream problems;
    if (result.timed_out) problems << "timed out\n";
    if (result.signal != 0) problems << "ended by signal " << result.signal << "\n";
    if (result.exit_code != c.exit_code) {
        problems << "exit code " << result.exit_code << ", expected " << c.exit_code << "\n";
    }
    if (c.report) {
        if (!is_report_line(result.stdout_bytes, c.exit_code)) {
            problems << "standard output \"" << printable(result.stdout_bytes)
                     << "\" is not the report line of runtime error " << c.exit_code << "\n";
        }
    } else if (result.stdout_bytes != c.stdout_bytes) {
        problems << "standard output \"" << printable(result.stdout_bytes) << "\", expected \""
                 << printable(c.stdout_bytes) << "\"\n";
    }
    for (const auto& [name, expected] : c.expected_files) {
        std::string actual;
        if (!read_file(scratch.file(name), actual)) {
            problems << name << " does not exist\n";
        } else if (actual != expected) {
            problems << name << " holds \"" << printable(actual.substr(0, 400)) << "\", expected \""
                     << printable(expected.substr(0, 400)) << "\"\n";
        }
    }
    for (const auto& name : c.absent_files) {
        if (file_exists(scratch.file(name))) problems << name << " exists\n";
    }
    if (!result.stderr_bytes.empty()) {
        problems << "standard error: " << result.stderr_bytes.substr(0, 2000) << "\n";
    }
    return problems.str();
}

}  // namespace testing_support
