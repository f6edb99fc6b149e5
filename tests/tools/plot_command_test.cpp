// Whole runs of the plot command: bad input leaves no file, the FRD files and
// the plot appear together or not at all, and a missing gnuplot is a warning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "plot.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

const std::set<std::string> kRectangularFiles = {
    "opbaff-rectangular-on-axis.frd",
    "opbaff-round-baffle-on-axis.frd",
    "opbaff-rectangular-off-axis.frd",
    "opbaff-no-path.frd",
};

std::string exampleParameters() {
    return test::readFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
}

// A bad parameter file: prepared in `in`, named relative to it.
struct BadInputCase {
    const char* name;
    std::function<std::string(const TempDir&)> prepare;  // returns the parameter file's path
    const char* reason;                                  // after "opbaff-design: <path>: "
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
     "list in: end of file (record 1, line 1). Hint: the file holds no value"},
    {"title_in_first_record",
     [](const TempDir& in) {
         test::writeFile(in.file("Opbaffin.txt"), "My baffle\n" + exampleParameters());
         return in.file("Opbaffin.txt");
     },
     "invalid number: incomprehensible list input (record 1, line 1). Hint: line 1 (\"My "
     "baffle\") looks like a remark on a line of its own at the top: the first line holds the "
     "first value (read and ignored), and a remark may only follow a value on its line"},
    {"fourteen_values_no_line_end",
     [](const TempDir& in) {
         std::string text = exampleParameters();
         text.resize(text.rfind('\n', text.size() - 2));  // drop the last record
         test::writeFile(in.file("Opbaffin.txt"), text);
         return in.file("Opbaffin.txt");
     },
     "read start: end of file (record 15, line 14). Hint: the file holds 14 of the 15 values, one "
     "per line: record 15 "
     "(offAxisAngleDeg) is probably missing"},
    {"fourteen_values_then_a_mebibyte_of_blanks",
     [](const TempDir& in) {
         std::string text = exampleParameters();
         text.resize(text.rfind('\n', text.size() - 2) + 1);  // drop the last record
         test::writeFile(in.file("Opbaffin.txt"), text + std::string(std::size_t{1} << 20, ' '));
         return in.file("Opbaffin.txt");
     },
     "list in: end of file (record 15, line 15). Hint: the file holds 14 of the 15 values, one per "
     "line: record 15 "
     "(offAxisAngleDeg) is probably missing"},
};

void PrintTo(const BadInputCase& c, std::ostream* out) {
    *out << c.name;
}

class BadInputTest : public testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, OneLineStatusTwoAndNoFiles) {
    const BadInputCase& c = GetParam();
    const TempDir in;
    const TempDir out;
    test::writeFile(out.path() / "opbaff-no-path.frd", "older file\n");
    const std::string file = c.prepare(in);
    const test::ToolRun run = test::runTool({"plot", "--output-dir", out.path().string(), file});
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_EQ(run.err, "opbaff-design: " + file + ": " + c.reason + "\n");
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
    const test::ToolRun run =
        test::runTool({"plot", "--output-dir", out.path().string(), in.file("Opbaffin.txt")});
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_EQ(run.err, "opbaff-design: " + in.file("Opbaffin.txt") + ": Permission denied\n");
    EXPECT_TRUE(test::entriesOf(out.path()).empty());
}

// The plot's renderer, and what becomes of the set.
struct RendererCase {
    const char* name;
    const char* gnuplotBody;  // nullptr: no gnuplot on the search path
    PlotFormat format;
    int status;
    const char* message;
    bool frdWritten;
    bool pictureWritten;
};

const RendererCase kRenderers[] = {
    {"missing", nullptr, PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot not found; opbaff-response.svg not written\n", true, false},
    {"failing", "cat >/dev/null; exit 3", PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot failed (exit status 3); opbaff-response.svg not written\n", false,
     false},
    {"killed", "kill -9 $$", PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot failed (killed by signal 9); opbaff-response.svg not written\n", false,
     false},
    {"silent", "cat >/dev/null", PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot wrote no picture; opbaff-response.svg not written\n", false, false},
    {"svg_cut_short", "cat >/dev/null; printf '<?xml version=\"1.0\"?>\\n<svg><g>'",
     PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot wrote an SVG picture cut short (no closing </svg>); "
     "opbaff-response.svg not written\n",
     false, false},
    {"svg_whole", "cat >/dev/null; printf '<svg></svg>\\n'", PlotFormat::svg, kExitDone, "", true,
     true},
    {"error_output",
     "cat >/dev/null; printf '<svg></svg>'; printf '         line 3: undefined variable: x\\n' "
     ">&2",
     PlotFormat::svg, kExitWarning,
     "opbaff-design: gnuplot failed (line 3: undefined variable: x); opbaff-response.svg not "
     "written\n",
     false, false},
    {"warning_output",
     "cat >/dev/null; printf '<svg></svg>'; printf '  line 9: warning: empty y range\\n' >&2",
     PlotFormat::svg, kExitDone, "opbaff-design: gnuplot: line 9: warning: empty y range\n", true,
     true},
    {"png_cut_short", "cat >/dev/null; printf '\\211PNG\\r\\n\\032\\nIHDR'", PlotFormat::png,
     kExitWarning,
     "opbaff-design: gnuplot wrote a PNG picture cut short (no IEND chunk); opbaff-response.png "
     "not written\n",
     false, false},
    {"png_whole", "cat >/dev/null; printf '\\211PNG\\r\\n\\032\\n\\0\\0\\0\\0IEND\\256B`\\202'",
     PlotFormat::png, kExitDone, "", true, true},
    {"png_not_png", "cat >/dev/null; printf '<svg></svg>'", PlotFormat::png, kExitWarning,
     "opbaff-design: gnuplot wrote no PNG picture; opbaff-response.png not written\n", false,
     false},
};

void PrintTo(const RendererCase& c, std::ostream* out) {
    *out << c.name;
}

class RendererTest : public testing::TestWithParam<RendererCase> {};

// A missing gnuplot leaves the FRD files written; a picture counts only when
// gnuplot exited with status 0, reported no error and wrote a whole picture,
// and any other picture makes the whole set fail, which leaves the folder as
// it was.
TEST_P(RendererTest, FrdFilesWithoutAPlotOnlyWhenGnuplotIsMissing) {
    const RendererCase& c = GetParam();
    const TempDir in;
    const TempDir out;
    const TempDir bin;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    if (c.gnuplotBody != nullptr) test::writeScript(bin.path() / "gnuplot", c.gnuplotBody);
    std::vector<std::string> arguments = {"plot", "--output-dir", out.path().string(),
                                          in.file("Opbaffin.txt")};
    if (c.format == PlotFormat::png) arguments.emplace_back("--png");
    const test::ToolRun run = test::runTool(arguments, bin.path().string());
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.message);
    std::set<std::string> expected = c.frdWritten ? kRectangularFiles : std::set<std::string>{};
    if (c.pictureWritten)
        expected.insert(std::string("opbaff-response") + pictureExtension(c.format));
    EXPECT_EQ(test::entriesOf(out.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RendererTest, testing::ValuesIn(kRenderers),
                         [](const testing::TestParamInfo<RendererCase>& info) {
                             return std::string(info.param.name);
                         });

// A missing output folder is made with its parents when the set is written,
// and removed again when it is not.
TEST(OutputTest, MissingOutputFolderIsMadeForTheSetOnly) {
    const TempDir in;
    const TempDir bin;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    const std::string outDir = in.file("new/deeper");
    test::ToolRun run = test::runTool(
        {"plot", "--output-dir", outDir + "/", in.file("Opbaffin.txt")}, test::noGnuplotPath(bin));
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_EQ(test::entriesOf(outDir), kRectangularFiles);

    test::writeScript(bin.path() / "gnuplot", "cat >/dev/null; exit 3");
    run = test::runTool({"plot", "--output-dir", in.file("other/deeper"), in.file("Opbaffin.txt")},
                        bin.path().string());
    EXPECT_EQ(run.status, kExitWarning);
    EXPECT_EQ(test::entriesOf(in.path()), (std::set<std::string>{"Opbaffin.txt", "new"}));
}

TEST(OutputTest, AnOutputFolderBelowAFileIsReported) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    const std::string outDir = in.file("Opbaffin.txt/out");
    const test::ToolRun run =
        test::runTool({"plot", "--output-dir", outDir, in.file("Opbaffin.txt")});
    EXPECT_EQ(run.status, kExitWarning);
    EXPECT_EQ(run.err, "opbaff-design: " + outDir + ": Not a directory\n");
    EXPECT_EQ(test::entriesOf(in.path()), std::set<std::string>{"Opbaffin.txt"});
}

TEST(OutputTest, OlderFilesAreReplacedWhole) {
    const TempDir in;
    const TempDir out;
    const TempDir bin;
    test::writeFile(in.path() / "Opbaffin.txt", exampleParameters());
    test::writeFile(out.path() / "opbaff-no-path.frd", std::string(100000, 'x'));
    const test::ToolRun run =
        test::runTool({"plot", "--output-dir", out.path().string(), in.file("Opbaffin.txt")},
                      test::noGnuplotPath(bin));
    EXPECT_EQ(run.status, kExitWarning);
    const std::string text = test::readFile(out.path() / "opbaff-no-path.frd");
    EXPECT_TRUE(text.starts_with("* front and rear sources")) << text.substr(0, 80);
    EXPECT_EQ(text.find("xxxx"), std::string::npos);
}

struct ColumnsCase {
    const char* name;
    const char* referenceCase;
    const char* columns;
    std::set<std::string> files;
};

const ColumnsCase kColumns[] = {
    {"numbers",
     "rectangular-off-centre",
     "1,4",
     {"opbaff-rectangular-on-axis.frd", "opbaff-no-path.frd"}},
    {"short_names",
     "rectangular-off-centre",
     "off-axis,round-baffle",
     {"opbaff-rectangular-off-axis.frd", "opbaff-round-baffle-on-axis.frd"}},
    {"library_names",
     "single-path-piston",
     "single-path-bare-rear",
     {"opbaff-single-path-bare-rear.frd"}},
    {"single_path_defaults",
     "single-path-piston",
     "",
     {"opbaff-single-path-full-rear.frd", "opbaff-single-path-bare-rear.frd",
      "opbaff-no-path.frd"}},
};

void PrintTo(const ColumnsCase& c, std::ostream* out) {
    *out << c.name;
}

class ColumnsTest : public testing::TestWithParam<ColumnsCase> {};

TEST_P(ColumnsTest, WritesTheChosenColumns) {
    const ColumnsCase& c = GetParam();
    const TempDir out;
    const TempDir bin;
    std::vector<std::string> arguments = {"plot", "--output-dir", out.path().string(),
                                          test::referenceFile(c.referenceCase, "Opbaffin.txt")};
    if (*c.columns != '\0') {
        arguments.push_back("--columns");
        arguments.push_back(c.columns);
    }
    const test::ToolRun run = test::runTool(arguments, test::noGnuplotPath(bin));
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_EQ(test::entriesOf(out.path()), c.files);
}

INSTANTIATE_TEST_SUITE_P(Cases, ColumnsTest, testing::ValuesIn(kColumns),
                         [](const testing::TestParamInfo<ColumnsCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ColumnsTest, TheReferenceLevelIsNoResponse) {
    const test::ToolRun run = test::runTool(
        {"plot", "--columns", "3", test::referenceFile("single-path-piston", "Opbaffin.txt")});
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_EQ(run.err,
              "opbaff-design: no response column '3' in the single-path model (columns: "
              "single-path-full-rear single-path-bare-rear no-path)\n");
}

}  // namespace
}  // namespace opbaff::tools
