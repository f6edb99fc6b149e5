// Designs whose levels mean nothing: levels that are not numbers (a Q read as 0
// from "0,7") or a driver off its baffle. Every command says so by the design's
// name and values and ends with status 1, an FRD file without a data line fails
// its set, and a plot shows that it has nothing to draw instead of claiming
// that empty curves coincide.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "level_warnings.h"
#include "opbaff/opbaff.h"
#include "plot.h"
#include "program_search.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The off-centre reference design with its Q written "0,7", which reads as 0.
std::string commaQParameters() {
    std::string text =
        test::readFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
    std::size_t line = 0;
    for (int record = 1; record < 9; ++record) line = text.find('\n', line) + 1;
    const std::size_t end = text.find_first_of(" \t\r\n", line);
    return text.replace(line, end - line, "0,7");
}

struct CommandCase {
    const char* name;
    std::vector<std::string> arguments;  // "IN" and "GOOD": the bad and a good file
    const char* message;                 // in standard error
    const char* row;                     // a table row that begins so holds the note ("": none)
    std::set<std::string> files;         // written into the output folder
    const char* picture;                 // of the files, the plot ("": none)
    const char* pictureText;             // what the plot shows
};

const CommandCase kCommands[] = {
    {"plot", {"plot", "IN"}, "bad.txt: no finite level in 3 of 4 columns (q=0)\n", "", {}, "", ""},
    {"plot_one_column",
     {"plot", "IN", "--columns", "off-axis"},
     "bad.txt: no finite level on the grid (q=0)\n",
     "",
     {},
     "",
     ""},
    {"compare_alone",
     {"compare", "IN"},
     "bad.txt: no finite level in 3 of 4 columns (q=0)\n",
     "bad.txt\t",
     {"opbaff-compare.svg"},
     "opbaff-compare.svg",
     "no finite level to draw"},
    {"compare_with_a_good_file",
     {"compare", "GOOD", "IN"},
     "bad.txt: no finite level in 3 of 4 columns (q=0)\n",
     "bad.txt\t",
     {"opbaff-compare.svg"},
     "opbaff-compare.svg",
     "bad.txt (no finite level)"},
    {"compare_frd_fails_the_set",
     {"compare", "GOOD", "IN", "--frd"},
     "bad.txt.frd: no finite line to write; nothing written\n",
     "bad.txt\t",
     {},
     "",
     ""},
    {"sweep_q",
     {"sweep", "--file", "GOOD", "q=0:0.7:0.7"},
     "q=0: no finite level in 3 of 4 columns (q=0)\n",
     "q=0\t",
     {"opbaff-sweep.svg"},
     "opbaff-sweep.svg",
     "q=0 (no finite level)"},
    {"polar", {"polar", "IN"}, "bad.txt: no finite level on the grid (q=0)\n", "", {}, "", ""},
};

void PrintTo(const CommandCase& c, std::ostream* out) {
    *out << c.name;
}

class NonFiniteCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(NonFiniteCommandTest, NamedStatusOneAndNoSilentFile) {
    const CommandCase& c = GetParam();
    if (*c.picture != '\0' && !findProgram("gnuplot", "/usr/bin:/bin"))
        GTEST_SKIP() << "no gnuplot";
    const TempDir in;
    const TempDir out;
    test::writeFile(in.file("bad.txt"), commaQParameters());
    std::vector<std::string> arguments;
    for (const std::string& word : c.arguments) {
        if (word == "IN")
            arguments.push_back(in.file("bad.txt"));
        else if (word == "GOOD")
            arguments.push_back(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
        else
            arguments.push_back(word);
    }
    arguments.insert(arguments.end(), {"--output-dir", out.path().string()});
    const test::ToolRun run = test::runTool(arguments);

    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    if (*c.row != '\0') {
        const std::size_t row = run.out.find(std::string("\n") + c.row);
        ASSERT_NE(row, std::string::npos) << run.out;
        const std::string line = run.out.substr(row + 1, run.out.find('\n', row + 1) - row - 1);
        EXPECT_TRUE(line.ends_with("\tno finite level in 3 of 4 columns (q=0)")) << line;
    }
    EXPECT_EQ(test::entriesOf(out.path()), c.files);
    if (*c.picture != '\0') {
        const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / c.picture));
        EXPECT_EQ(svg.root, "svg");
        EXPECT_NE(svg.text.find(c.pictureText), std::string::npos) << svg.text;
        EXPECT_EQ(svg.text.find("(same as"), std::string::npos) << svg.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NonFiniteCommandTest, testing::ValuesIn(kCommands),
                         [](const testing::TestParamInfo<CommandCase>& info) {
                             return std::string(info.param.name);
                         });

// A good design's row keeps an empty notes cell, and its run status 0.
TEST(NonFiniteCommandTest, AGoodDesignHasNoNote) {
    const TempDir out;
    const test::ToolRun run = test::runTool(
        {"compare", "--no-plot", test::referenceFile("rectangular-off-centre", "Opbaffin.txt")});
    EXPECT_EQ(run.status, kExitDone) << run.err;
    EXPECT_TRUE(
        run.out.starts_with("variant\tmedian_dB\tpeak_over_median_dB\tpeak_Hz\t"
                            "median_minus3_Hz\tmedian_minus6_Hz\tband_ripple_dB\tnotes\n"))
        << run.out;
    EXPECT_TRUE(run.out.ends_with("\t\n")) << run.out;
    EXPECT_TRUE(run.err.empty()) << run.err;
}

// The note counts exactly the levels that are NaN or infinite.
struct NoteCase {
    const char* name;
    std::vector<float> first;
    std::vector<float> second;
    std::optional<std::string> note;
};

const NoteCase kNotes[] = {
    {"all_finite", {1, 2, 3}, {-99.9F, 0, 4}, std::nullopt},
    {"one_nan", {1, kNaN, 3}, {0, 0, 0}, "1 of 6 levels not finite (resonance=40 q=0.7)"},
    {"infinities_both_ways",
     {kInf, 2, -kInf},
     {0, 0, 0},
     "2 of 6 levels not finite (resonance=40 q=0.7)"},
    {"one_column_empty",
     {kNaN, kInf, kNaN},
     {0, 0, 0},
     "no finite level in 1 of 2 columns (resonance=40 q=0.7)"},
    {"all_empty",
     {kNaN, kNaN, kNaN},
     {-kInf, kNaN, kInf},
     "no finite level on the grid (resonance=40 q=0.7)"},
};

void PrintTo(const NoteCase& c, std::ostream* out) {
    *out << c.name;
}

class NonFiniteNoteTest : public testing::TestWithParam<NoteCase> {};

TEST_P(NonFiniteNoteTest, CountsEveryLevelThatIsNoNumber) {
    const NoteCase& c = GetParam();
    Response response;
    response.columns[0].levelsDb = c.first;
    response.columns[2].levelsDb = c.second;
    response.columns[1].levelsDb = {kNaN};  // not asked about
    EXPECT_EQ(nonFiniteNote(response, {0, 2}, Design{}), c.note);
}

INSTANTIATE_TEST_SUITE_P(Cases, NonFiniteNoteTest, testing::ValuesIn(kNotes),
                         [](const testing::TestParamInfo<NoteCase>& info) {
                             return std::string(info.param.name);
                         });

// The values named are the ones that give no number; a sound design's
// driver values otherwise.
TEST(NonFiniteNoteTest, NamesTheValuesThatGiveNoNumber) {
    Design design;
    EXPECT_EQ(suspectValues(design), "resonance=40 q=0.7");
    design.qualityFactor = 0.0F;
    design.listenerDistanceM = -2.0F;
    design.offAxisAngleDeg = 0.0F;  // a fine angle
    design.driverXCm = 0.0F;        // at the edge, but a number
    EXPECT_EQ(suspectValues(design), "distance=-2 q=0");
}

// Curves that draw nothing are never "the same as" each other, and a plot
// where no curve draws anything says so.
TEST(EmptyCurvesTest, NoCoincidenceClaimAndALabelInThePicture) {
    const std::vector<float> frequencies = {100, 200, 400};
    std::vector<Curve> curves = {{"a", frequencies, {kNaN, kNaN, kNaN}, false},
                                 {"b", frequencies, {kNaN, kNaN, kNaN}, false},
                                 {"c", frequencies, {1, 2, 3}, false},
                                 {"d", frequencies, {1, 2, 3}, false}};
    markCoincidingCurves(curves);
    EXPECT_EQ(curves[1].label, "b");
    EXPECT_FALSE(curves[1].dashed);
    EXPECT_EQ(curves[3].label, "d (same as c)");  // real curves still are
    const std::string mixed = responsePlotScript(curves, "t", PlotFormat::svg);
    EXPECT_NE(mixed.find("title 'a (no finite level)'"), std::string::npos) << mixed;
    EXPECT_EQ(mixed.find(kNothingToDraw), std::string::npos) << mixed;

    curves.resize(2);
    const std::string empty = responsePlotScript(curves, "t", PlotFormat::svg);
    EXPECT_NE(empty.find(std::string("set label 1 '") + kNothingToDraw + "'"), std::string::npos)
        << empty;
}

// A driver centre off the rectangular baffle gives numbers that mean nothing:
// the warning names it by the sweep's names and values; the other models have
// no rectangle to be off.
struct PlacementCase {
    const char* name;
    Design design;
    std::optional<std::string> note;
};

Design withPlacement(float widthCm, float xCm, float yCm, Model model = Model::rectangular) {
    Design design;
    design.model = model;
    design.baffleWidthCm = widthCm;
    design.baffleHeightCm = 100.0F;
    design.driverXCm = xCm;
    design.driverYCm = yCm;
    return design;
}

const PlacementCase kPlacements[] = {
    {"on_the_baffle", withPlacement(40, 20, 70), std::nullopt},
    {"on_its_edge", withPlacement(40, 40, 100), std::nullopt},
    {"right_of_it", withPlacement(40, 50, 70), "driver off the 40 x 100 cm baffle (x=50)"},
    {"below_and_left", withPlacement(40, -1, -0.5F),
     "driver off the 40 x 100 cm baffle (x=-1 y=-0.5)"},
    {"no_baffle", withPlacement(0, 20, 70), "baffle cannot be built (width=0)"},
    {"single_path_has_no_rectangle", withPlacement(40, 50, 70, Model::singlePath), std::nullopt},
};

void PrintTo(const PlacementCase& c, std::ostream* out) {
    *out << c.name;
}

class PlacementNoteTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementNoteTest, NamesADriverOffItsBaffle) {
    const PlacementCase& c = GetParam();
    EXPECT_EQ(placementNote(c.design), c.note);
    const Response response = computeResponse(c.design);
    EXPECT_EQ(levelWarning(response, {0, 1, 2, 3}, c.design), c.note);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementNoteTest, testing::ValuesIn(kPlacements),
                         [](const testing::TestParamInfo<PlacementCase>& info) {
                             return std::string(info.param.name);
                         });

// A sweep that moves the driver off a narrow baffle keeps the row, says why in
// its notes cell and in a report, and ends with status 1; the rows on the
// baffle keep an empty cell.
TEST(PlacementCommandTest, SweepKeepsTheRowWithItsNoteAndStatusOne) {
    const test::ToolRun run =
        test::runTool({"sweep", "--no-plot", "--file",
                       test::referenceFile("rectangular-off-centre", "Opbaffin.txt"),
                       "width=40:60:20", "x=10:50:20"});
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_NE(run.out.find("\nwidth=40 x=50\t"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\tdriver off the 40 x 100 cm baffle (x=50)\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("driver off the 40 x 100 cm baffle (x=50)"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("\nwidth=60 x=50\t"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("driver off the 60"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace opbaff::tools
