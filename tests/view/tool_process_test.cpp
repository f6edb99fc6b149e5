// The built tool as a user starts it: in a folder, with or without arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "view_test_support.h"

namespace opbaff::view {
namespace {

struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};

// Runs the tool in `dir` through the shell, PATH as given.
ProcessResult runTool(const test::TempDir& dir, const std::string& arguments,
                      const std::string& path) {
    const std::string command = "cd '" + dir.path().string() + "' && PATH='" + path + "' '" +
                                OPBAFF_VIEW_EXE + "' " + arguments + " >.out 2>.err";
    const int raw = std::system(command.c_str());
    ProcessResult result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                         test::readFile(dir.path() / ".out"), test::readFile(dir.path() / ".err")};
    std::filesystem::remove(dir.path() / ".out");
    std::filesystem::remove(dir.path() / ".err");
    return result;
}

TEST(ToolProcessTest, MissingParameterFileInTheWorkingFolder) {
    const test::TempDir dir;
    const ProcessResult result = runTool(dir, "", "/usr/bin:/bin");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "opbaff-view: Opbaffin.txt: No such file or directory\n");
    EXPECT_TRUE(test::entriesOf(dir.path()).empty());
}

TEST(ToolProcessTest, ReadsTheWorkingFolderAndWritesIntoIt) {
    const test::TempDir dir;
    const test::TempDir bin;
    test::writeFile(
        dir.path() / "Opbaffin.txt",
        test::readFile(std::string(OPBAFF_TEST_DATA) + "/golden/single-path-piston/Opbaffin.txt"));
    const ProcessResult result = runTool(dir, "", test::noGnuplotPath(bin));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "opbaff-view: gnuplot not found; plot not written\n");
    EXPECT_EQ(test::entriesOf(dir.path()),
              (std::set<std::string>{"Opbaffin.txt", "opbaff-single-path-full-rear.frd",
                                     "opbaff-single-path-bare-rear.frd", "opbaff-no-path.frd"}));
}

TEST(ToolProcessTest, HelpGoesToStandardOutput) {
    const test::TempDir dir;
    const ProcessResult result = runTool(dir, "--help", "/usr/bin:/bin");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.starts_with("Usage: opbaff-view [--png] [--output-dir DIR]"));
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace opbaff::view
