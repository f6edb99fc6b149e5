// The tools with --baffle-only and --band: plot's FRD files and title are the
// baffle's own response and say so, sweep's figures are those of the baffle's
// own levels against the band asked for, and the options' refusals.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "frd.h"
#include "merit.h"
#include "opbaff/opbaff.h"
#include "polar.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

const std::string kExample = std::string(OPBAFF_TEST_DATA) + "/../../examples/Opbaffin.txt";

Design exampleDesign() {
    return readParameterFile(kExample).value().design;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The FRD file's data lines are the library's baffle-only levels with the
// baffle's phase; its comments and the plot's title say "baffle only".
TEST(BaffleOnlyCommandTest, PlotWritesTheBafflesOwnResponseAndSaysSo) {
    const TempDir out;
    const test::ToolRun run =
        test::runTool({"plot", "--baffle-only", "--grid", "12", "--columns", "on-axis",
                       "--output-dir", out.path().string(), kExample});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const std::string frd = test::readFile(out.path() / "opbaff-rectangular-on-axis.frd");
    const Design design = exampleDesign();
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 12});
    const Response baffle = baffleOnlyResponse(computeResponse(design, *grid), design);
    EXPECT_EQ(test::frdDataText(frd),
              test::frdDataText(frdText(baffle, 0, design, PhaseMode::baffle, {})));
    EXPECT_NE(frd.find("* baffle only: the driver's high-pass is left out of the levels\n"),
              std::string::npos)
        << frd;
    EXPECT_NE(frd.find("without the driver's own high-pass"), std::string::npos) << frd;
    // The baffle alone rises 6 dB an octave below its peak, where the driver
    // adds 12 more: at 10 Hz the whole response lies 24 dB lower.
    EXPECT_GT(baffle.columns[0].levelsDb[0] - computeResponse(design, *grid).columns[0].levelsDb[0],
              23.0F);
    const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / "opbaff-response.svg"));
    EXPECT_NE(svg.text.find("(baffle only)"), std::string::npos) << svg.text;
}

// Each angle's FRD file holds the baffle's own levels; the levels relative
// to on axis, which the pictures draw, stay what they were.
TEST(BaffleOnlyCommandTest, PolarWritesTheBafflesOwnLevelsAtEveryAngle) {
    const TempDir out;
    const test::ToolRun run =
        test::runTool({"polar", "--baffle-only", "--grid", "6", "--angles", "0:60:30",
                       "--output-dir", out.path().string(), kExample});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const Design design = exampleDesign();
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 6});
    const PolarSet whole = computePolarSet(design, *grid, {0.0F, 30.0F, 60.0F}, 1).value();
    const PolarSet baffle = baffleOnlySet(whole, design);
    for (std::size_t k = 0; k < 3; ++k) {
        Design heard = design;
        heard.offAxisAngleDeg = baffle.anglesDeg[k];
        const std::string frd =
            test::readFile(out.path() / polarFileName("opbaff", baffle.anglesDeg[k]));
        EXPECT_EQ(test::frdDataText(frd), test::frdDataText(frdText(offAxisResponse(baffle, k), 2,
                                                                    heard, PhaseMode::baffle, {})));
        EXPECT_NE(frd.find("* baffle only:"), std::string::npos);
        for (std::size_t i = 0; i < baffle.frequenciesHz.size(); ++i) {
            EXPECT_NEAR(baffle.levelsDb[k][i] - baffle.onAxisDb[i],
                        whole.levelsDb[k][i] - whole.onAxisDb[i], 1e-4);
        }
    }
    const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / "opbaff-sonogram.svg"));
    EXPECT_NE(svg.text.find("(baffle only)"), std::string::npos) << svg.text;
}

// Each row's figures are those of the baffle's own levels against the band;
// the overlay's title says whose levels it draws.
TEST(BaffleOnlyCommandTest, SweepJudgesTheBafflesOwnLevelsInTheBandAskedFor) {
    const TempDir out;
    const test::ToolRun run =
        test::runTool({"sweep", "--baffle-only", "--band", "200:2000", "--output-dir",
                       out.path().string(), "--file", kExample, "width=40:80:20"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / "opbaff-sweep.svg"));
    EXPECT_NE(svg.text.find("(baffle only)"), std::string::npos) << svg.text;
    const std::vector<std::string> rows = lines(run.out);
    ASSERT_EQ(rows.size(), 4U) << run.out;
    const Design base = exampleDesign();
    const MeritBand band{200.0F, 2000.0F};
    for (std::size_t v = 0; v < 3; ++v) {
        Design design = base;
        design.baffleWidthCm = 40.0F + 20.0F * static_cast<float>(v);
        const Response baffle = baffleOnlyResponse(computeResponse(design), design);
        const FiguresOfMerit merit =
            figuresOfMerit(baffle.frequenciesHz, baffle.columns[0].levelsDb, band);
        const std::string width = shortNumber(design.baffleWidthCm);
        std::string expected = "width=";
        expected.append(width).append("\t").append(width);
        for (const MeritFigure& figure : kMeritFigures) {
            expected.append("\t").append(meritText(figure.value(merit)));
        }
        EXPECT_EQ(rows[v + 1], expected + "\t");
    }
}

TEST(BaffleOnlyCommandTest, RefusalsAreStatusTwoWithOneLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"sweep", "--band", "2000:200", "--file", kExample, "width=40:50:10"},
         "--band '2000:200': FROM must lie below TO"},
        {{"compare", "--band", "200:2k", kExample}, "--band '200:2k': TO '2k' is not a number"},
        {{"sweep", "--band", "low", "--file", kExample, "width=40:50:10"},
         "--band 'low': expected FROM:TO in Hz"},
        {{"plot", "--baffle-only", "--phase", "driver", kExample}, "excludes --baffle-only"},
    };
    for (const auto& [arguments, message] : cases) {
        const test::ToolRun run = test::runTool(arguments);
        EXPECT_EQ(run.status, kExitBadInput) << arguments.front();
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace opbaff::tools
