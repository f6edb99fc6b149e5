// A run of the program as a table row: the directory before, how the run
// ends, what it writes on standard error, and the files afterwards.
#pragma once

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "program_runner.h"

namespace opbaff::testing {

enum class End {
    normal,     // exit status 0
    statusOne,  // exit status 1 (interrupt, termination request)
    aborted,    // killed by SIGABRT
};

struct RunCase {
    RunCase(std::string caseName, std::vector<Entry> entriesBefore, std::vector<Entry> entriesAfter,
            End expectedEnd = End::normal, std::string expectedError = "")
        : name(std::move(caseName)),
          before(std::move(entriesBefore)),
          after(std::move(entriesAfter)),
          end(expectedEnd),
          standardError(std::move(expectedError)) {}

    std::string name;
    std::vector<Entry> before;
    std::vector<Entry> after;
    End end;
    std::string standardError;
    RunOptions options;
    mode_t directoryMode = 0700;
};

// Runs the case in a fresh directory and checks everything it names.
void checkRun(const RunCase& runCase);

// The parameter and result files of a reference case in tests/data/golden.
std::string goldenInput(const std::string& name);
std::string goldenResult(const std::string& name);

// The reference case that the file-handling tests run.
inline const std::string kReferenceCase = "single-path-piston";

// The first rows of the reference case's result file.
std::string referenceRows(int count);

// An older result file of the given number of lines, none of them 66 bytes
// long, so that a cut in the wrong place shows.
std::string olderResult(int lines);

Entry file(const std::string& name, const std::string& content, mode_t mode = 0644);
Entry directory(const std::string& name);
Entry symlink(const std::string& name, const std::string& target);
Entry absent(const std::string& name);

inline const std::string kResultName = "OPBAFF.bds";
inline const std::string kParameterName = "Opbaffin.txt";

// Lines 2 to 4 of the reports.
inline const std::string kParameterReadLines =
    "apparent state: unit 9 named Opbaffin.txt\n"
    "last format: list io\n"
    "lately reading direct formatted external IO\n";
inline const std::string kRowWriteLines =
    "apparent state: unit 7 named OPBAFF.bds\n"
    "last format: (4E16.8)\n"
    "lately writing sequential formatted external IO\n";
inline const std::string kResultOpenLines =
    "apparent state: unit 7 named OPBAFF.bds\n"
    "lately writing direct unformatted external IO\n";
inline const std::string kParameterOpenLines =
    "apparent state: unit 9 named Opbaffin.txt\n"
    "lately writing direct unformatted external IO\n";

}  // namespace opbaff::testing
