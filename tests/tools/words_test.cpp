// The words the tool puts around the numbers: plot titles, comment lines,
// gnuplot literals, and the search for gnuplot.
#include "words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plot.h"
#include "program_search.h"
#include "tool_test_support.h"

namespace opbaff::tools {
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

void PrintTo(const TitleCase& c, std::ostream* out) {
    *out << c.modelName;
}

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
    const char* name;
    std::string input;
    std::string output;
};

void PrintTo(const WordCase& c, std::ostream* out) {
    *out << c.name;
}

std::string wordCaseName(const testing::TestParamInfo<WordCase>& info) {
    return info.param.name;
}

class PrintableAsciiTest : public testing::TestWithParam<WordCase> {};

TEST_P(PrintableAsciiTest, KeepsCommentsOnOneLine) {
    const WordCase& c = GetParam();
    EXPECT_EQ(printableAscii(c.input), c.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintableAsciiTest,
                         testing::Values(WordCase{"blanks", "y  ", "y  "},
                                         WordCase{"line_feed", "a\nb", "a?b"},
                                         WordCase{"controls", "\r\t\x7f", "???"},
                                         WordCase{"utf8", "\u00b0", "??"}),
                         wordCaseName);

class VisibleTextTest : public testing::TestWithParam<WordCase> {};

// Well-formed UTF-8 without controls, whatever comes in: an SVG label must be
// XML, and a line end must never reach a script.
TEST_P(VisibleTextTest, ValidUtf8WithoutControls) {
    const WordCase& c = GetParam();
    EXPECT_EQ(visibleText(c.input), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VisibleTextTest,
    testing::Values(WordCase{"unchanged", "60 \u00d7 100 cm \U0001F50A",
                             "60 \u00d7 100 cm \U0001F50A"},
                    WordCase{"c0_and_delete", "a\nb\r\x7f", "a\u240ab\u240d\u2421"},
                    WordCase{"c1", "\u0085", "\ufffd"},
                    WordCase{"overlong_slash", "\xc0\xaf", "\ufffd\ufffd"},
                    WordCase{"surrogate", "\xed\xa0\x80", "\ufffd\ufffd\ufffd"},
                    WordCase{"beyond_unicode", "\xf4\x90\x80\x80", "\ufffd\ufffd\ufffd\ufffd"},
                    WordCase{"not_characters", "\uffff\ufffe", "\ufffd\ufffd"},
                    WordCase{"cut_short", "ok\xe2\x82", "ok\ufffd\ufffd"}),
    wordCaseName);

class GnuplotQuotedTest : public testing::TestWithParam<WordCase> {};

TEST_P(GnuplotQuotedTest, DoublesInnerQuotes) {
    const WordCase& c = GetParam();
    EXPECT_EQ(gnuplotQuoted(c.input), c.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, GnuplotQuotedTest,
                         testing::Values(WordCase{"empty", "", "''"},
                                         WordCase{"blank", "a b", "'a b'"},
                                         WordCase{"apostrophe", "it's", "'it''s'"},
                                         WordCase{"quotes", "dir/\"x\"", "'dir/\"x\"'"},
                                         WordCase{"line_end", "a'\nb", "'a''\u240ab'"}),
                         wordCaseName);

TEST(DesignLinesTest, FourteenValuesInFileOrderWithChoicesInWords) {
    Design design = example(Model::singlePathHalfDelay);
    design.pistonFactor = PistonFactor::off;
    design.rearLevel = RearLevel::half;
    const std::vector<std::string> lines = designLines(design);
    ASSERT_EQ(lines.size(), 14U);
    EXPECT_EQ(lines[0], "model single-path-half-delay");
    EXPECT_EQ(lines[1], "baffleHeightCm 100");
    EXPECT_EQ(lines[9], "rearPhaseFactor on");
    EXPECT_EQ(lines[10], "pistonFactor off");
    EXPECT_EQ(lines[12], "rearLevel half");
    EXPECT_EQ(lines[13], "offAxisAngleDeg -30");
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
}  // namespace opbaff::tools
