// The software real against the x87 unit on the cases of a level:
//   real_vectors check LEVEL      where the unit is: both sides in this process
//   real_vectors generate LEVEL   where the unit is: the unit's vectors on stdout
//   real_vectors verify FILE      anywhere: this build's software real on them
// REAL_VECTOR_LEVEL in the environment overrides LEVEL. A difference prints
// the case and both outcomes; the count checked is printed at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/differential/real_check.h"

using namespace real_check;

namespace {

long checked = 0, different = 0;

void compare(const Case& c, const std::string& expected) {
    ++checked;
    const std::string got = soft_outcome(c);
    if (got == expected) return;
    if (++different <= 20) std::printf("%s: x87 %s, software %s\n", line_of(c).c_str(), expected.c_str(), got.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: real_vectors check|generate LEVEL | verify FILE\n"), 2;
    const std::string mode = argv[1];
    const char* level_text = std::getenv("REAL_VECTOR_LEVEL");
    [[maybe_unused]] const int level = std::atoi(level_text != nullptr ? level_text : argv[2]);
    if (mode == "verify") {
        std::ifstream file(argv[2]);
        std::string line;
        Case c;
        while (std::getline(file, line)) {
            const std::size_t mark = line.find(" = ");
            if (mark == std::string::npos || !case_of(line.substr(0, mark), c)) {
                std::printf("not a vector: %s\n", line.c_str());
                return 1;
            }
            compare(c, line.substr(mark + 3));
        }
#if (defined(__x86_64__) || defined(__i386__)) && !defined(RT_SOFTWARE_REAL)
    } else if (mode == "check" || mode == "generate") {
        generate(level, 1332, [&](const Case& c) {
            const std::string expected = x87_outcome(c);
            if (mode == "check") return compare(c, expected);
            // A program that faults ends; only the unit's masked arithmetic has values there.
            if ((c.op == from_text || c.op == to_text) && expected == "fault") return;
            std::printf("%s = %s\n", line_of(c).c_str(), expected.c_str());
        });
        if (mode == "generate") return 0;
#endif
    } else {
        return std::fprintf(stderr, "no mode %s here\n", argv[1]), 2;
    }
    std::printf("%ld cases of the software real checked against the x87 unit, %ld different\n", checked, different);
    return checked > 0 && different == 0 ? 0 : 1;
}
