// The software real against the x87 unit on the cases of a level:
//   real_vectors check LEVEL      where the unit is: both sides in this process
//   real_vectors generate LEVEL   where the unit is: the level, then the unit's outcome of each case
//   real_vectors verify FILE      anywhere: this build's software real on the same cases
// REAL_VECTOR_LEVEL in the environment overrides LEVEL. A difference prints
// the case and both outcomes; the count checked is printed at the end.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/differential/real_check.h"

using namespace real_check;

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: real_vectors check|generate LEVEL | verify FILE\n"), 2;
    const std::string mode = argv[1];
    const char* level_text = std::getenv("REAL_VECTOR_LEVEL");
    int level = std::atoi(level_text != nullptr ? level_text : argv[2]);
    std::ifstream file;
    std::string expected;
    if (mode == "verify") file.open(argv[2]), file >> level, std::getline(file, expected);
    if (mode == "generate") std::printf("%d\n", level);
    long checked = 0, different = 0;
    generate(level, [&](const Case& c) {
        if (mode == "verify") {
            // A program ends at a fault, so a conversion that faults has no outcome to compare.
            if (!std::getline(file, expected)) return void(++different);
            if (expected == "fault" && (c.op == from_text || c.op == to_text)) return;
        } else {
            expected = x87_outcome(c);
            if (mode == "generate") return void(std::printf("%s\n", expected.c_str()));
        }
        ++checked;
        const std::string got = soft_outcome(c);
        if (got != expected && ++different <= 20)
            std::printf("%s: x87 %s, software %s\n", line_of(c).c_str(), expected.c_str(), got.c_str());
    });
    if (mode == "generate") return 0;
    if (std::getline(file, expected)) ++different;  // the file is of another generator
    std::printf("%ld cases of the software real checked against the x87 unit, %ld different\n", checked, different);
    return checked > 0 && different == 0 ? 0 : 1;
}
