// Whole runs of the program: which files it opens, creates, keeps, replaces
// and cuts, and the reports with which it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "run_case.h"

namespace opbaff::testing {
namespace {

std::vector<RunCase> fileHandlingCases() {
    const std::string input = goldenInput(kReferenceCase);
    const std::string result = goldenResult(kReferenceCase);
    return {
        {"no parameter file: created empty, end-of-list report, older result kept",
         {file(kResultName, olderResult(200))},
         {file(kParameterName, ""), file(kResultName, olderResult(200))},
         End::aborted,
         "list in: end of file\n" + kParameterReadLines},
        {"neither file: both created empty",
         {},
         {file(kParameterName, ""), file(kResultName, "")},
         End::aborted,
         "list in: end of file\n" + kParameterReadLines},
        {"unreadable parameters leave a 200-line older result byte for byte",
         {file(kParameterName, "title\n" + input), file(kResultName, olderResult(200))},
         {file(kResultName, olderResult(200))},
         End::aborted,
         "invalid number: incomprehensible list input\n" + kParameterReadLines},
        {"result name is a directory: open report, parameter file untouched",
         {directory(kResultName)},
         {directory(kResultName), absent(kParameterName)},
         End::aborted,
         "open: Is a directory\n" + kResultOpenLines},
        {"parameter name is a directory: open report, older result kept",
         {directory(kParameterName), file(kResultName, olderResult(10))},
         {directory(kParameterName), file(kResultName, olderResult(10))},
         End::aborted,
         "open: Is a directory\n" + kParameterOpenLines},
        {"a 200-line older result is replaced by exactly 81 rows",
         {file(kParameterName, input), file(kResultName, olderResult(200))},
         {file(kResultName, result), file(kParameterName, input)}},
        {"a 10-line older result is overwritten and extended to 81 rows",
         {file(kParameterName, input), file(kResultName, olderResult(10))},
         {file(kResultName, result)}},
        {"a result file on a full disk: write report, abnormal end",
         {file(kParameterName, input), symlink(kResultName, "/dev/full")},
         {symlink(kResultName, "/dev/full")},
         End::aborted,
         "write row: No space left on device\n" + kRowWriteLines},
        {"a result file that is no regular file is written, never cut",
         {file(kParameterName, input), symlink(kResultName, "/dev/null")},
         {symlink(kResultName, "/dev/null")}},
    };
}

TEST(FileHandling, EndsAndLeavesFilesAsExpected) {
    for (const RunCase& runCase : fileHandlingCases()) checkRun(runCase);
}

class GoldenCase : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenCase, WritesTheReferenceResultByteForByte) {
    const std::string& name = GetParam();
    checkRun({name,
              {file(kParameterName, goldenInput(name))},
              {file(kResultName, goldenResult(name)), file(kParameterName, goldenInput(name))}});
}

std::vector<std::string> goldenCaseNames() {
    std::vector<std::string> names;
    const std::filesystem::directory_iterator cases(std::filesystem::path(OPBAFF_TEST_DATA) /
                                                    "golden");
    std::transform(begin(cases), end(cases), std::back_inserter(names),
                   [](const auto& entry) { return entry.path().filename().string(); });
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Reference, GoldenCase, ::testing::ValuesIn(goldenCaseNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace opbaff::testing
