// Whole runs of the tool: bad input leaves no file, the FRD files appear
// together, and the plot is gnuplot's or missing with a one-line note.
#include "view/view_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "view_test_support.h"

namespace opbaff::view {
namespace {

using test::TempDir;

const std::set<std::string> kRectangularFiles = {
    "opbaff-rectangular-on-axis.frd",
    "opbaff-round-baffle-on-axis.frd",
    "opbaff-rectangular-off-axis.frd",
    "opbaff-no-path.frd",
};

std::string exampleParameters() {
    return test::readFile(std::string(OPBAFF_TEST_DATA) +
                          "/golden/rectangular-off-centre/Opbaffin.txt");
}

struct RunResult {
    int status;
    std::string errors;
};

RunResult runIn(const ViewOptions& options, const std::string& searchPath) {
    std::ostringstream errors;
    const int status = runView(options, searchPath, errors);
    return {status, errors.str()};
}

// A bad parameter file: prepared in `in`, named relative to it.
struct BadInputCase {
    const char* name;
    std::function<std::string(const TempDir&)> prepare;  // returns the parameter file's path
    const char* reason;                                  // after "opbaff-view: <path>: "
};

const BadInputCase kBadInputs[] = {
    {"missing", [](const TempDir& in) { return in.file("Opbaffin.txt"); },
     "No such file or directory"},
    {"directory",
     [](const TempDir& in) {
         std::filesystem::create_directory(in.file("Opbaffin.txt"));
         return in.file("Opbaffin.txt");
     },
     "Is a directory"},
    {"empty",
     [](const TempDir& in) {
         test::writeFile(in.file("Opbaffin.txt"), "");
         return in.file("Opbaffin.txt");
     },
     "list in: end of file"},
    {"title_in_first_record",
     [](const TempDir& in) {
         test::writeFile(in.file("Opbaffin.txt"), "My baffle\n" + exampleParameters());
         return in.file("Opbaffin.txt");
     },
     "invalid number: incomprehensible list input"},
    {"fourteen_values_no_line_end",
     [](const TempDir& in) {
         std::string text = exampleParameters();
         text.resize(text.rfind('\n', text.size() - 2));  // drop the last record
         test::writeFile(in.file("Opbaffin.txt"), text);
         return in.file("Opbaffin.txt");
     },
     "read start: end of file"},
    {"fourteen_values_then_a_mebibyte_of_blanks",
     [](const TempDir& in) {
         std::string text = exampleParameters();
         text.resize(text.rfind('\n', text.size() - 2) + 1);  // drop the last record
         test::writeFile(in.file("Opbaffin.txt"), text + std::string(std::size_t{1} << 20, ' '));
         return in.file("Opbaffin.txt");
     },
     "list in: end of file"},
};

class BadInputTest : public testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, OneLineStatusTwoAndNoFiles) {
    const BadInputCase& c = GetParam();
    SCOPED_TRACE(c.name);
    const TempDir in;
    const TempDir out;
    test::writeFile(out.path() / "opbaff-no-path.frd", "older file\n");
    ViewOptions options;
    options.parameterFile = c.prepare(in);
    options.outputDir = out.path().string();
    const RunResult result = runIn(options, "/usr/bin:/bin");
    EXPECT_EQ(result.status, kExitBadInput);
    EXPECT_EQ(result.errors, "opbaff-view: " + options.parameterFile + ": " + c.reason + "\n");
    EXPECT_EQ(test::entriesOf(out.path()), std::set<std::string>{"opbaff-no-path.frd"});
    EXPECT_EQ(test::readFile(out.path() / "opbaff-no-path.frd"), "older file\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInputCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(BadInputTest, UnreadableFileNamesTheReason) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const TempDir in;
    const TempDir out;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    std::filesystem::permissions(in.path() / "Opbaffin.txt", std::filesystem::perms::none);
    ViewOptions options{in.file("Opbaffin.txt"), out.path().string(), PlotFormat::svg};
    const RunResult result = runIn(options, "/usr/bin:/bin");
    EXPECT_EQ(result.status, kExitBadInput);
    EXPECT_EQ(result.errors, "opbaff-view: " + options.parameterFile + ": Permission denied\n");
    EXPECT_TRUE(test::entriesOf(out.path()).empty());
}

// The plot's renderer, and what becomes of the picture.
struct RendererCase {
    const char* name;
    const char* gnuplotBody;  // nullptr: no gnuplot on the search path
    int status;
    const char* message;
};

const RendererCase kRenderers[] = {
    {"missing", nullptr, kExitDone, "opbaff-view: gnuplot not found; plot not written\n"},
    {"failing", "cat >/dev/null; exit 3", kExitOutputFailed,
     "opbaff-view: gnuplot failed (exit status 3); plot not written\n"},
    {"killed", "kill -9 $$", kExitOutputFailed,
     "opbaff-view: gnuplot failed (killed by signal 9); plot not written\n"},
    {"silent", "cat >/dev/null", kExitOutputFailed,
     "opbaff-view: gnuplot wrote no picture; plot not written\n"},
};

class RendererTest : public testing::TestWithParam<RendererCase> {};

TEST_P(RendererTest, FrdFilesAreWrittenWhateverBecomesOfThePlot) {
    const RendererCase& c = GetParam();
    SCOPED_TRACE(c.name);
    const TempDir in;
    const TempDir out;
    const TempDir bin;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    if (c.gnuplotBody != nullptr) {
        test::writeScript(bin.path() / "gnuplot", c.gnuplotBody);
    }
    const ViewOptions options{in.file("Opbaffin.txt"), out.path().string(), PlotFormat::svg};
    const RunResult result = runIn(options, bin.path().string());
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.errors, c.message);
    EXPECT_EQ(test::entriesOf(out.path()), kRectangularFiles);
}

INSTANTIATE_TEST_SUITE_P(Cases, RendererTest, testing::ValuesIn(kRenderers),
                         [](const testing::TestParamInfo<RendererCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(OutputTest, MissingOutputFolderIsReportedAndNothingIsWritten) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    const std::string outDir = in.file("no-such-folder");
    const ViewOptions options{in.file("Opbaffin.txt"), outDir, PlotFormat::svg};
    const RunResult result = runIn(options, "/usr/bin:/bin");
    EXPECT_EQ(result.status, kExitOutputFailed);
    EXPECT_EQ(result.errors, "opbaff-view: " + outDir +
                                 "/opbaff-rectangular-on-axis.frd: No such file or "
                                 "directory\n");
    EXPECT_EQ(test::entriesOf(in.path()), std::set<std::string>{"Opbaffin.txt"});
}

TEST(OutputTest, OlderFilesAreReplacedWhole) {
    const TempDir in;
    const TempDir out;
    const TempDir bin;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    test::writeFile(out.path() / "opbaff-no-path.frd", std::string(100000, 'x'));
    const ViewOptions options{in.file("Opbaffin.txt"), out.path().string(), PlotFormat::svg};
    EXPECT_EQ(runIn(options, test::noGnuplotPath(bin)).status, kExitDone);
    const std::string text = test::readFile(out.path() / "opbaff-no-path.frd");
    EXPECT_TRUE(text.starts_with("* front and rear sources")) << text.substr(0, 80);
    EXPECT_EQ(text.find("xxxx"), std::string::npos);
}

}  // namespace
}  // namespace opbaff::view
