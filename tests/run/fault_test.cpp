// Runs in which a file operation fails or a signal arrives, made
// deterministic by the file-fault preload library.
#include <gtest/gtest.h>

#include "run_case.h"

namespace opbaff::testing {
namespace {

RunOptions fault(const std::string& kind, int row) {
    return {{"LD_PRELOAD=" OPBAFF_FAULT_LIB, "OPBAFF_FAULT=" + kind,
             "OPBAFF_FAULT_ROW=" + std::to_string(row)}};
}

RunCase faultCase(std::string name, const RunOptions& options, End end, std::string report,
                  int rowsLeft) {
    RunCase runCase{
        std::move(name),
        {file(kParameterName, goldenInput(kReferenceCase)), file(kResultName, olderResult(200))},
        {file(kResultName, referenceRows(rowsLeft))},
        end,
        std::move(report)};
    runCase.options = options;
    return runCase;
}

std::vector<RunCase> faultCases() {
    return {
        faultCase("full disk at row 41", fault("enospc", 41), End::aborted,
                  "write row: No space left on device\n" + kRowWriteLines, 40),
        faultCase("full disk at the first row empties the older file", fault("enospc", 1),
                  End::aborted, "write row: No space left on device\n" + kRowWriteLines, 0),
        faultCase("termination request after row 40", fault("sigterm", 40), End::statusOne,
                  "Killed\n", 40),
        faultCase("interrupt after row 40", fault("sigint", 40), End::statusOne, "Interrupt\n", 40),
        faultCase("interrupt after the last row", fault("sigint", 81), End::statusOne,
                  "Interrupt\n", 81),
        faultCase("abort signal from outside after row 40", fault("sigabrt", 40), End::aborted,
                  "IOT Trap\n", 40),
        faultCase("floating-point signal after row 40", fault("sigfpe", 40), End::aborted,
                  "Floating Exception\n", 40),
    };
}

TEST(RowWriteFaults, CutTheResultAfterTheLastCompleteRow) {
    for (const RunCase& runCase : faultCases()) checkRun(runCase);
}

TEST(RunFaults, AnInterruptWhileReadingLeavesTheOlderResultUnchanged) {
    RunCase runCase = faultCase("interrupt before the first row", fault("sigint-reading", 0),
                                End::statusOne, "Interrupt\n", 0);
    runCase.after = {file(kResultName, olderResult(200))};
    checkRun(runCase);
}

TEST(RunFaults, AFailedCutAtTheNormalEndIsReported) {
    RunCase runCase = faultCase("cut fails", fault("cut-eio", 0), End::aborted,
                                "write row: Input/output error\n" + kRowWriteLines, 81);
    const std::string older = olderResult(300);  // longer than 81 rows
    runCase.before = {file(kParameterName, goldenInput(kReferenceCase)), file(kResultName, older)};
    runCase.after = {file(kResultName, referenceRows(81) + older.substr(referenceRows(81).size()))};
    checkRun(runCase);
}

TEST(RowWriteFaults, AnInterruptIgnoredAtStartStaysIgnored) {
    RunCase runCase =
        faultCase("ignored interrupt after row 40", fault("sigint", 40), End::normal, "", 81);
    runCase.options.ignoreInterrupt = true;
    checkRun(runCase);
}

}  // namespace
}  // namespace opbaff::testing
