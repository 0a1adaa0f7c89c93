// Whole-program test cases kept as data.
//
// A case file holds cases one after the other; each starts with a "case" line
// and lasts up to the next one. Lines (# starts a comment line):
//
//   case <title>                  a new case
//   run <program> [args...]       cube, chain, queue, factor or probe
//   file <name> <string>...       create a file with these bytes
//   repeat <name> <count> <string>  append the string count times to a file
//   dir <name>                    create a directory
//   link <name> <target>          create a symbolic link
//   stack <KiB>                   stack limit of the run (ulimit -s)
//   stdout-closed                 start the program with descriptor 1 closed
//   exit <number>                 expected exit code (default 0)
//   stdout <string>...            expected standard output (default empty)
//   report <number>               standard output is the report line of that
//                                 runtime error, and the exit code is number
//   expect <name> <string>...     the file exists and holds exactly these bytes
//   absent <name>                 the file does not exist
//
// A <string> is written in double quotes with the escapes \\ \" \r \n \t \0
// and \xHH; several strings on one line are joined.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/process.h"

namespace testing_support {

struct ProgramCase {
    std::string title;
    std::string source;  // file:line of the case line
    std::string program;
    RunOptions options;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> dirs;
    std::vector<std::pair<std::string, std::string>> links;
    int exit_code = 0;
    bool report = false;           // standard output is a report line
    std::string stdout_bytes;      // when report is false
    std::vector<std::pair<std::string, std::string>> expected_files;
    std::vector<std::string> absent_files;
};

// Reads every case of a case file; throws std::runtime_error with file:line
// on a malformed line.
std::vector<ProgramCase> read_case_file(const std::string& path);

// Runs a case in a fresh scratch directory; returns an empty string when it
// passes, else a description of every difference.
std::string run_case(const ProgramCase& c);

}  // namespace testing_support
