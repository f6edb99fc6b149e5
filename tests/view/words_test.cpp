// The words the tool puts around the numbers: plot titles, comment lines,
// gnuplot literals, and the search for gnuplot.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "view/parameter_text.h"
#include "view/plot_script.h"
#include "view/program_search.h"
#include "view_test_support.h"

namespace opbaff::view {
namespace {

Design example(Model model) {
    Design p;
    p.model = model;
    p.baffleHeightCm = 100.0F;
    p.baffleWidthCm = 60.0F;
    p.listenerDistanceM = 2.0F;
    p.roundBaffleDiameterCm = 45.5F;
    p.offAxisAngleDeg = -30.0F;
    return p;
}

struct TitleCase {
    Model model;
    const char* title;
    const char* modelName;
};

class PlotTitleTest : public testing::TestWithParam<TitleCase> {};

TEST_P(PlotTitleTest, NamesModelBaffleAndAngle) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(plotTitle(example(c.model)), c.title);
    EXPECT_EQ(modelWords(c.model), c.modelName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlotTitleTest,
    testing::Values(
        TitleCase{Model::rectangular,
                  "Rectangular baffle 60 \u00d7 100 cm, listener 2 m, -30\u00b0 off axis",
                  "rectangular baffle"},
        TitleCase{Model::singlePath,
                  "Single-path model: round baffle 45.5 cm, listener 2 m on axis",
                  "single-path model"},
        TitleCase{Model::singlePathHalfDelay,
                  "Single-path model (half delay): round baffle 45.5 cm, listener 2 m on axis",
                  "single-path model, half-delay variant"}),
    [](const testing::TestParamInfo<TitleCase>& info) {
        std::string name = modelName(info.param.model);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

struct WordCase {
    std::string input;
    std::string output;
};

class PrintableAsciiTest : public testing::TestWithParam<WordCase> {};

TEST_P(PrintableAsciiTest, KeepsCommentsOnOneLine) {
    const WordCase& c = GetParam();
    EXPECT_EQ(printableAscii(c.input), c.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintableAsciiTest,
                         testing::Values(WordCase{"y  ", "y  "}, WordCase{"a\nb", "a?b"},
                                         WordCase{"\r\t\x7f", "???"}, WordCase{"\u00b0", "??"}));

class GnuplotQuotedTest : public testing::TestWithParam<WordCase> {};

TEST_P(GnuplotQuotedTest, DoublesInnerQuotes) {
    const WordCase& c = GetParam();
    EXPECT_EQ(gnuplotQuoted(c.input), c.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, GnuplotQuotedTest,
                         testing::Values(WordCase{"", "''"}, WordCase{"a b", "'a b'"},
                                         WordCase{"it's", "'it''s'"},
                                         WordCase{"dir/\"x\"", "'dir/\"x\"'"}));

TEST(ShortNumberTest, FewestDigitsThatReadBack) {
    EXPECT_EQ(shortNumber(0.7F), "0.7");
    EXPECT_EQ(shortNumber(22.5F), "22.5");
    EXPECT_EQ(shortNumber(60.0F), "60");
    EXPECT_EQ(shortNumber(-0.005F), "-0.005");
}

TEST(ParameterLinesTest, FifteenInFileOrderWithCodesQuoted) {
    const auto file = readParameterText(
        "0\nr\n100\n60\n22\n70\n20\n40\n0.7\n2\nx\n'y\\\n'\n60\nx\n-30\n");
    ASSERT_TRUE(file) << file.error().message();
    const std::vector<std::string> lines = parameterLines(*file);
    ASSERT_EQ(lines.size(), 15U);
    EXPECT_EQ(lines[1], "modelCode 'r  '");
    EXPECT_EQ(lines[2], "baffleHeightCm 100");
    EXPECT_EQ(lines[11], "pistonCode 'y? '");
    EXPECT_EQ(lines[14], "offAxisAngleDeg -30");
}

TEST(FindProgramTest, FirstExecutableFileOnThePath) {
    const test::TempDir dir;
    const auto a = dir.path() / "a";
    const auto b = dir.path() / "b";
    const auto c = dir.path() / "c";
    std::filesystem::create_directories(a / "tool");  // a folder is not a program
    std::filesystem::create_directories(b);
    std::filesystem::create_directories(c);
    test::writeFile(b / "tool", "not executable");
    test::writeScript(c / "tool", "exit 0");
    const std::string found = (c / "tool").string();
    EXPECT_EQ(findProgram("tool", a.string() + ":" + b.string() + ":" + c.string()), found);
    EXPECT_EQ(findProgram("tool", "::" + c.string()), found);
    EXPECT_EQ(findProgram("tool", a.string() + ":" + b.string()), std::nullopt);
    EXPECT_EQ(findProgram("other", c.string()), std::nullopt);
}

}  // namespace
}  // namespace opbaff::view
