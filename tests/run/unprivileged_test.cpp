// Runs as an unprivileged user, for the files that such a user may read but
// not write, or write but not read (root may do either).
#include <gtest/gtest.h>
#include <unistd.h>

#include "run_case.h"

namespace opbaff::testing {
namespace {

RunCase unprivileged(RunCase runCase, mode_t directoryMode = 0777) {
    runCase.options.unprivileged = true;
    runCase.directoryMode = directoryMode;
    return runCase;
}

std::vector<RunCase> unprivilegedCases() {
    const std::string input = goldenInput(kReferenceCase);
    return {
        unprivileged(
            {"a read-only parameter file is read normally",
             {file(kParameterName, input, 0444)},
             {file(kResultName, goldenResult(kReferenceCase)), file(kParameterName, input)}}),
        unprivileged({"a read-only result file is left unchanged",
                      {file(kParameterName, input), file(kResultName, olderResult(200), 0444)},
                      {file(kResultName, olderResult(200))},
                      End::aborted,
                      "write start: can't write file\n" + kRowWriteLines}),
        unprivileged({"a write-only parameter file cannot be read",
                      {file(kParameterName, input, 0222)},
                      {file(kResultName, ""), file(kParameterName, input)},
                      End::aborted,
                      "read start: can't read file\n" + kParameterReadLines}),
        unprivileged({"a directory where no file may be created",
                      {},
                      {absent(kResultName), absent(kParameterName)},
                      End::aborted,
                      "open: Permission denied\n" + kResultOpenLines},
                     0555),
    };
}

TEST(UnprivilegedRuns, ReportWhatTheUserMayNotDo) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as nobody";
    for (const RunCase& runCase : unprivilegedCases()) checkRun(runCase);
}

}  // namespace
}  // namespace opbaff::testing
