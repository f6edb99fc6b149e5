// The built programs as a user starts them: in a folder, with or without
// arguments; opbaff-view as the earlier name of "opbaff-design plot".
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};

// Runs a program in `dir` (no shell: the arguments are split at blanks), PATH
// as given.
ProcessResult runProgram(const char* program, const test::TempDir& dir,
                         const std::string& arguments, const std::string& path) {
    std::vector<std::string> argv = {program};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) argv.push_back(word);
    const test::ProcessRun run = test::runProcess(argv, dir.path(), {"PATH=" + path});
    return {run.exitStatus, run.out, run.err};
}

TEST(ToolProcessTest, MissingParameterFileInTheWorkingFolder) {
    const test::TempDir dir;
    const ProcessResult result = runProgram(OPBAFF_DESIGN_EXE, dir, "plot", "/usr/bin:/bin");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "opbaff-design: Opbaffin.txt: No such file or directory\n");
    EXPECT_TRUE(test::entriesOf(dir.path()).empty());
}

TEST(ToolProcessTest, ReadsTheWorkingFolderAndWritesIntoIt) {
    const test::TempDir dir;
    const test::TempDir bin;
    test::writeFile(
        dir.path() / "Opbaffin.txt",
        test::readFile(std::string(OPBAFF_TEST_DATA) + "/golden/single-path-piston/Opbaffin.txt"));
    const ProcessResult result = runProgram(OPBAFF_VIEW_EXE, dir, "", test::noGnuplotPath(bin));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "opbaff-view: gnuplot not found; opbaff-response.svg not written\n");
    EXPECT_EQ(test::entriesOf(dir.path()),
              (std::set<std::string>{"Opbaffin.txt", "opbaff-single-path-full-rear.frd",
                                     "opbaff-single-path-bare-rear.frd", "opbaff-no-path.frd"}));
}

struct HelpCase {
    const char* name;
    const char* arguments;
    int status;
    const char* out;  // what standard output starts with
    const char* err;  // what standard error starts with
};

const HelpCase kHelp[] = {
    {"help", "--help", 0, "Designs open baffles", ""},
    {"command_help", "plot --help", 0, "Write one FRD file", ""},
    {"version", "--version", 0, "opbaff-design 1.", ""},
    {"no_command", "", 2, "", "A subcommand is required"},
    {"unknown_command", "draw", 2, "", "opbaff-design: unknown command 'draw' (commands: plot"},
    {"unknown_option", "plot --colour", 2, "", "The following argument was not expected"},
    {"bad_phase", "plot --phase both", 2, "", "--phase: both not in {driver,baffle}"},
};

void PrintTo(const HelpCase& c, std::ostream* out) {
    *out << c.name;
}

class CommandLineTest : public testing::TestWithParam<HelpCase> {};

TEST_P(CommandLineTest, HelpAndVersionGoToStandardOutputMistakesGiveStatusTwo) {
    const HelpCase& c = GetParam();
    const test::TempDir dir;
    const ProcessResult result = runProgram(OPBAFF_DESIGN_EXE, dir, c.arguments, "/usr/bin:/bin");
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.out.starts_with(c.out)) << result.out;
    EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
    EXPECT_EQ(result.out.empty(), *c.out == '\0');
    EXPECT_EQ(result.err.empty(), *c.err == '\0');
    EXPECT_TRUE(test::entriesOf(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLineTest, testing::ValuesIn(kHelp),
                         [](const testing::TestParamInfo<HelpCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
