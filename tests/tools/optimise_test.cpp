// The layout search against a known answer: one flat driver on a square baffle.
// Centred, its edge waves all arrive together (equal edge distances) and dig
// the deepest comb; off centre they spread in time and the comb fills in, the
// classic argument for unequal edge distances (H. F. Olson, "Direct radiator
// loudspeaker enclosures", J. Audio Eng. Soc. 17(1), 1969, first given 1951;
// J. Vanderkooy, "A simple theory of cabinet edge diffraction", J. Audio Eng.
// Soc. 39(12), 1991). The search must leave the centre by a margin and beat it;
// the same seed must give the same table on any number of jobs; limits that
// hold no feasible layout are reported, not crashed on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "layout_goal.h"
#include "layout_search.h"
#include "opbaff/speaker_file.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

constexpr const char* kOneDriver = R"(name = "one"
unit = "cm"
[baffle]
width = 40.0
height = 40.0
[listening]
reference = [20.0, 20.0]
distance = 200.0
[[driver]]
name = "d"
centre = [20.0, 20.0]
response = { kind = "flat" }
)";

Speaker oneDriver() {
    auto speaker = parseSpeakerText(kOneDriver, "one.toml");
    EXPECT_TRUE(speaker) << speakerFileErrorText(speaker.error());
    return *speaker;
}

LayoutRequest smoothRequest(const Speaker& speaker, const std::vector<std::string>& vary) {
    LayoutRequest request;
    for (const std::string& text : vary) {
        auto variable = parseLayoutVariable(text, speaker, 0.01);
        EXPECT_TRUE(variable) << variable.error();
        if (variable) request.variables.push_back(*variable);
    }
    request.fromHz = 300.0;
    request.toHz = 3000.0;
    request.pointsPerOctave = 6;
    request.evaluations = 30;
    request.seed = 7;
    request.jobs = 2;
    return request;
}

struct KnownAnswerCase {
    const char* name;
    std::vector<std::string> vary;
};

class OptimiseKnownAnswer : public ::testing::TestWithParam<KnownAnswerCase> {};

TEST_P(OptimiseKnownAnswer, LeavesTheCentreAndBeatsIt) {
    const Speaker speaker = oneDriver();
    const LayoutRequest request = smoothRequest(speaker, GetParam().vary);
    const auto grid = layoutGrid(request);
    ASSERT_TRUE(grid) << grid.error();
    const std::vector<double> centre(request.variables.size(), 0.20);
    const LayoutEvaluation centred = evaluateLayout(speaker, request, *grid, centre);
    ASSERT_TRUE(centred.feasible) << centred.note;

    const LayoutSearch search = searchLayout(speaker, request, *grid);
    EXPECT_EQ(search.evaluations.size(), 30U);
    ASSERT_TRUE(search.best);
    const LayoutEvaluation& best = search.evaluations[*search.best];
    double offCentreM = 0.0;
    for (const double value : best.valuesM)
        offCentreM = std::max(offCentreM, std::abs(value - 0.2));
    EXPECT_GT(offCentreM, 0.04) << "the best layout stays near the centre";
    EXPECT_LT(best.objective, centred.objective - 1.0)
        << "centred " << centred.objective << " dB against the best's " << best.objective;
    // The polish never leaves the limits.
    for (const LayoutEvaluation& e : search.evaluations) {
        for (std::size_t v = 0; v < e.valuesM.size(); ++v) {
            EXPECT_GE(e.valuesM[v], request.variables[v].lowM);
            EXPECT_LE(e.valuesM[v], request.variables[v].highM);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    OneFlatDriver, OptimiseKnownAnswer,
    ::testing::Values(KnownAnswerCase{"AlongX", {"d.x=5:35"}},
                      KnownAnswerCase{"AcrossXAndY", {"d.x=5:35", "d.y=5:35"}}),
    [](const ::testing::TestParamInfo<KnownAnswerCase>& info) { return info.param.name; });

// The figures' definitions, on levels whose answers are known exactly.
TEST(LayoutFiguresTest, AStraightTiltIsSmoothAndADipIsTheBoost) {
    std::vector<float> f;
    std::vector<double> tilted;
    for (int k = 0; k <= 25; ++k) {  // 100 Hz to 1.8 kHz, 6 points per octave
        f.push_back(static_cast<float>(100.0 * std::pow(2.0, k / 6.0)));
        tilted.push_back(3.0 - 2.5 * std::log10(static_cast<double>(f.back())));
    }
    const auto straight = layoutFigures(f, tilted, 100.0, 2000.0);
    ASSERT_TRUE(straight) << straight.error();
    EXPECT_NEAR(straight->smoothDb, 0.0, 1e-9);
    EXPECT_NEAR(straight->tiltDbPerDecade, -2.5, 1e-9);

    std::vector<double> dipped(f.size(), 1.0);
    dipped[5] = -5.0;
    const auto dip = layoutFigures(f, dipped, 100.0, 2000.0);
    ASSERT_TRUE(dip) << dip.error();
    EXPECT_DOUBLE_EQ(dip->boostDb, 6.0);
    EXPECT_GT(dip->smoothDb, 0.5);
    EXPECT_FALSE(layoutFigures(f, dipped, 100.0, 110.0)) << "a band of 1 point has no tilt";
}

class OptimiseCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { test::writeFile(dir.file("one.toml"), kOneDriver); }
    test::ToolRun run(const std::vector<std::string>& extra, const std::string& out) {
        std::vector<std::string> arguments{
            "optimise", dir.file("one.toml"), "--band", "300:3000", "--evaluations",
            "24",       "--output-dir",       out};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return test::runTool(arguments);
    }
    test::TempDir dir;
};

TEST_F(OptimiseCommandTest, TheSameSeedGivesTheSameTableOnAnyJobs) {
    const auto one = run({"--vary", "d.x=5:35", "--seed", "5", "--jobs", "1"}, dir.file("a"));
    const auto two = run({"--vary", "d.x=5:35", "--seed", "5", "--jobs", "2"}, dir.file("b"));
    const auto other = run({"--vary", "d.x=5:35", "--seed", "6", "--jobs", "2"}, dir.file("c"));
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(two.status, 0) << two.err;
    const std::string table = test::readFile(dir.file("a/opbaff-optimise.tsv"));
    EXPECT_EQ(table, test::readFile(dir.file("b/opbaff-optimise.tsv")));
    EXPECT_NE(table, test::readFile(dir.file("c/opbaff-optimise.tsv")));
    EXPECT_EQ(one.out, two.out);
    // The best layout reads back as a speaker file with its driver moved.
    const auto best = readSpeakerFile(dir.file("a/opbaff-optimise-best.toml"));
    ASSERT_TRUE(best) << speakerFileErrorText(best.error());
    EXPECT_GT(std::abs(best->drivers[0].centreM.x - 0.2), 0.04);
    EXPECT_DOUBLE_EQ(best->referenceM.x, best->drivers[0].centreM.x);
}

TEST_F(OptimiseCommandTest, LimitsWithNoFeasibleLayoutAreReported) {
    const auto off = run({"--vary", "d.x=50:60"}, dir.file("off"));
    EXPECT_EQ(off.status, 1);
    EXPECT_NE(off.err.find("no layout within the limits"), std::string::npos) << off.err;
    const std::string table = test::readFile(dir.file("off/opbaff-optimise.tsv"));
    EXPECT_EQ(table.find("\tyes\t"), std::string::npos) << table;
    EXPECT_NE(table.find("beyond the baffle's edge"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("off/opbaff-optimise-best.toml")));
    // An area below the baffle's own, which no width allows.
    const auto small = run({"--vary", "baffle.width=30:60", "--max-area", "900"}, dir.file("s"));
    EXPECT_EQ(small.status, 1) << small.out;
}

TEST_F(OptimiseCommandTest, RefusesLimitsThatMeanNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"--vary", "e.x=5:35"},          {"--vary", "d.z=5:35"},
        {"--vary", "d.x=35:5"},          {"--vary", "d.x=5"},
        {"--vary", "baffle.width=0:40"}, {"--vary", "d.x=5:35", "--vary", "d.x=6:30"},
        {"--vary", "d.x=nan:35"},        {"--vary", "d.x=5:35:1"},
    };
    for (const auto& arguments : bad) {
        const auto refused = run(arguments, dir.file("bad"));
        EXPECT_EQ(refused.status, 2) << arguments[1];
        EXPECT_FALSE(refused.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad")));
}

}  // namespace
}  // namespace opbaff::tools
