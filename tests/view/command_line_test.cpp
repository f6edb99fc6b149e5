// The command line: [--png] [--output-dir DIR] [PARAMETER_FILE], --help.
#include "view/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace opbaff::view {
namespace {

struct AcceptedCase {
    std::vector<std::string> arguments;
    std::string parameterFile;
    std::string outputDir;
    PlotFormat format;
};

class AcceptedCommandLineTest : public testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedCommandLineTest, GivesTheOptions) {
    const AcceptedCase& c = GetParam();
    const CommandLine result = parseCommandLine(c.arguments);
    ASSERT_TRUE(std::holds_alternative<ViewOptions>(result));
    const ViewOptions& options = std::get<ViewOptions>(result);
    EXPECT_EQ(options.parameterFile, c.parameterFile);
    EXPECT_EQ(options.outputDir, c.outputDir);
    EXPECT_EQ(options.format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AcceptedCommandLineTest,
    testing::Values(
        AcceptedCase{{}, "Opbaffin.txt", ".", PlotFormat::svg},
        AcceptedCase{{"--png"}, "Opbaffin.txt", ".", PlotFormat::png},
        AcceptedCase{{"my.txt"}, "my.txt", ".", PlotFormat::svg},
        AcceptedCase{
            {"--output-dir", "out", "--png", "a/b.txt"}, "a/b.txt", "out", PlotFormat::png},
        AcceptedCase{{"a.txt", "--output-dir", "--png"}, "a.txt", "--png", PlotFormat::svg},
        AcceptedCase{{"--", "--png"}, "--png", ".", PlotFormat::svg},
        AcceptedCase{{"-"}, "-", ".", PlotFormat::svg}));

struct RefusedCase {
    std::vector<std::string> arguments;
    std::string text;
    bool toStandardError;
    int status;
};

class RefusedCommandLineTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedCommandLineTest, SaysWhyAndHowToEnd) {
    const RefusedCase& c = GetParam();
    const CommandLine result = parseCommandLine(c.arguments);
    ASSERT_TRUE(std::holds_alternative<CommandLineExit>(result));
    const CommandLineExit& exit = std::get<CommandLineExit>(result);
    EXPECT_EQ(exit.text, c.text);
    EXPECT_EQ(exit.toStandardError, c.toStandardError);
    EXPECT_EQ(exit.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedCommandLineTest,
    testing::Values(
        RefusedCase{{"--help"}, usageText(), false, 0},
        RefusedCase{{"a.txt", "--help"}, usageText(), false, 0},
        RefusedCase{{"--svg"}, "opbaff-view: unknown option '--svg' (try --help)\n", true, 2},
        RefusedCase{{"-h"}, "opbaff-view: unknown option '-h' (try --help)\n", true, 2},
        RefusedCase{{"a.txt", "b.txt"},
                    "opbaff-view: more than one parameter file (try --help)\n",
                    true,
                    2},
        RefusedCase{
            {"--output-dir"}, "opbaff-view: --output-dir needs a folder (try --help)\n", true, 2}));

}  // namespace
}  // namespace opbaff::view
