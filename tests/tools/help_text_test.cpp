// Every command's help names the program and the command as the user typed
// them; opbaff-view, which is plot under its own name, names itself alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

struct HelpCase {
    const char* name;
    const char* program;
    std::vector<std::string> arguments;
    const char* usage;  // the usage line, whole
};

const HelpCase kHelpTexts[] = {
    {"design", OPBAFF_DESIGN_EXE, {"--help"}, "Usage: opbaff-design [OPTIONS] SUBCOMMAND"},
    {"plot", OPBAFF_DESIGN_EXE, {"plot", "--help"}, "Usage: opbaff-design plot [OPTIONS] [FILE]"},
    {"check", OPBAFF_DESIGN_EXE, {"check", "--help"}, "Usage: opbaff-design check [OPTIONS]"},
    {"sweep", OPBAFF_DESIGN_EXE, {"sweep", "--help"}, "Usage: opbaff-design sweep [OPTIONS]"},
    {"compare", OPBAFF_DESIGN_EXE, {"compare", "--help"}, "Usage: opbaff-design compare [OPTIONS]"},
    {"polar",
     OPBAFF_DESIGN_EXE,
     {"polar", "--help"},
     "Usage: opbaff-design polar [OPTIONS] [FILE]"},
    {"serve", OPBAFF_DESIGN_EXE, {"serve", "--help"}, "Usage: opbaff-design serve [OPTIONS]"},
    {"view", OPBAFF_VIEW_EXE, {"--help"}, "Usage: opbaff-view [OPTIONS] [FILE]"},
    {"view_short", OPBAFF_VIEW_EXE, {"-h"}, "Usage: opbaff-view [OPTIONS] [FILE]"},
};

void PrintTo(const HelpCase& c, std::ostream* out) {
    *out << c.name;
}

class HelpTextTest : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpTextTest, NamesItsOwnCommand) {
    const HelpCase& c = GetParam();
    const test::TempDir dir;
    std::vector<std::string> argv = {c.program};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const test::ProcessRun run = test::runProcess(argv, dir.path());
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::string> usages;
    for (std::size_t start = 0; start < run.out.size();) {
        const std::size_t end = std::min(run.out.find('\n', start), run.out.size());
        const std::string line = run.out.substr(start, end - start);
        if (line.starts_with("Usage:")) usages.push_back(line);
        start = end + 1;
    }
    ASSERT_EQ(usages.size(), 1U) << run.out;
    EXPECT_TRUE(usages[0].starts_with(c.usage)) << usages[0];
    const std::string program =
        std::string(c.usage).substr(7, std::string(c.usage).find(' ', 7) - 7);
    EXPECT_EQ(run.out.find(program == "opbaff-view" ? "opbaff-design" : "opbaff-view"),
              std::string::npos)
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpTextTest, testing::ValuesIn(kHelpTexts),
                         [](const testing::TestParamInfo<HelpCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
