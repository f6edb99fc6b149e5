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

// The curve's name in the logs of the tests it parameterises.
void PrintTo(LayoutCurve curve, std::ostream* out) {
    *out << (curve == LayoutCurve::onAxis            ? "on axis"
             : curve == LayoutCurve::listeningWindow ? "listening window"
                                                     : "sound power");
}

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

void PrintTo(const KnownAnswerCase& c, std::ostream* out) {
    *out << c.name;
}

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

// On a square baffle, a layout and its image through the baffle's centre (x and
// y both mirrored) are heard alike on every curve: each orbit and each group of
// angles holds both sides. An orbit about the wrong point or in the wrong plane
// breaks the likeness.
class OptimiseMirror : public ::testing::TestWithParam<LayoutCurve> {};

TEST_P(OptimiseMirror, AMirroredLayoutScoresTheSame) {
    const Speaker speaker = oneDriver();
    LayoutRequest request = smoothRequest(speaker, {"d.x=5:35", "d.y=5:35"});
    request.curve = GetParam();
    const auto grid = layoutGrid(request);
    ASSERT_TRUE(grid) << grid.error();
    const LayoutEvaluation left = evaluateLayout(speaker, request, *grid, {0.12, 0.26});
    const LayoutEvaluation right = evaluateLayout(speaker, request, *grid, {0.28, 0.14});
    const LayoutEvaluation centred = evaluateLayout(speaker, request, *grid, {0.20, 0.20});
    ASSERT_TRUE(left.feasible && right.feasible && centred.feasible) << left.note << right.note;
    EXPECT_NEAR(left.objective, right.objective, 1e-3);
    EXPECT_NEAR(left.figures.tiltDbPerDecade, right.figures.tiltDbPerDecade, 1e-3);
    EXPECT_GT(std::abs(left.objective - centred.objective), 0.1) << "the layouts differ";
}

std::string curveName(const ::testing::TestParamInfo<LayoutCurve>& info) {
    switch (info.param) {
        case LayoutCurve::listeningWindow:
            return "ListeningWindow";
        case LayoutCurve::soundPower:
            return "SoundPower";
        default:
            return "OnAxis";
    }
}

INSTANTIATE_TEST_SUITE_P(Curves, OptimiseMirror,
                         ::testing::Values(LayoutCurve::onAxis, LayoutCurve::listeningWindow,
                                           LayoutCurve::soundPower),
                         curveName);

// Feasibility is exact: a piston's rim may touch the edge, not cross it, on
// straight and chamfered edges, and the area is the outline's.
struct FeasibleCase {
    const char* name;
    SpeakerBaffle::Corners corners;
    PlatePoint centreM;
    double diameterM;
    double maxAreaM2;
    double offBaffleM;  // expected, 0 when feasible
    bool feasible;
};

void PrintTo(const FeasibleCase& c, std::ostream* out) {
    *out << c.name;
}

class LayoutFeasibility : public ::testing::TestWithParam<FeasibleCase> {};

TEST_P(LayoutFeasibility, MeasuresTheViolation) {
    const FeasibleCase& c = GetParam();
    Speaker speaker = oneDriver();
    speaker.baffle.corners = c.corners;
    speaker.baffle.cornerSizeM = c.corners == SpeakerBaffle::Corners::square ? 0.0 : 0.1;
    speaker.drivers[0].centreM = c.centreM;
    speaker.drivers[0].pistonDiameterM = c.diameterM;
    const LayoutViolation v = layoutViolation(speaker, c.maxAreaM2);
    EXPECT_EQ(v.feasible(), c.feasible) << v.reason;
    EXPECT_NEAR(v.offBaffleM, c.offBaffleM, 1e-9);
}

// On the 40 cm square, chamfered by 10 cm: the chamfer's line x + y = 0.1 lies
// 0.1 / sqrt(2) = 7.07 cm from the corner (0, 0).
INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutFeasibility,
    ::testing::Values(
        FeasibleCase{
            "RimTouchingTheEdge", SpeakerBaffle::Corners::square, {0.1, 0.2}, 0.2, 0.0, 0.0, true},
        FeasibleCase{"RimFiveCentimetresOver",
                     SpeakerBaffle::Corners::square,
                     {0.1, 0.2},
                     0.3,
                     0.0,
                     0.05,
                     false},
        FeasibleCase{"CentreOnTheChamfer",
                     SpeakerBaffle::Corners::chamfered,
                     {0.05, 0.05},
                     0.0,
                     0.0,
                     1e-9,
                     false},
        FeasibleCase{"PistonOverTheChamfer",
                     SpeakerBaffle::Corners::chamfered,
                     {0.1, 0.1},
                     0.2,
                     0.0,
                     0.1 - 0.1 / std::sqrt(2.0),
                     false},
        // 0.16 m^2 less the four chamfers' triangles of 0.005 m^2: 0.14 m^2.
        FeasibleCase{"AreaOfTheChamferedOutlineAllowed",
                     SpeakerBaffle::Corners::chamfered,
                     {0.2, 0.2},
                     0.0,
                     0.14 + 1e-9,
                     0.0,
                     true},
        FeasibleCase{"AreaJustOver",
                     SpeakerBaffle::Corners::chamfered,
                     {0.2, 0.2},
                     0.0,
                     0.14 - 1e-6,
                     0.0,
                     false}),
    [](const ::testing::TestParamInfo<FeasibleCase>& info) { return info.param.name; });

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

// Limits are in the file's unit: in an inch file, d.x=2:6 keeps the driver
// within 2 to 6 inches, and the best layout is written in inches.
TEST_F(OptimiseCommandTest, LimitsAreInTheFilesUnit) {
    std::string inches = kOneDriver;
    inches.replace(inches.find("\"cm\""), 4, "\"in\"");
    test::writeFile(dir.file("one.toml"), inches);  // a 40 inch square, the driver at 20, 20
    const auto done = run({"--vary", "d.x=2:6"}, dir.file("in"));
    ASSERT_EQ(done.status, 0) << done.err;
    const auto best = readSpeakerFile(dir.file("in/opbaff-optimise-best.toml"));
    ASSERT_TRUE(best) << speakerFileErrorText(best.error());
    EXPECT_GE(best->drivers[0].centreM.x, 2 * 0.0254 - 1e-12);
    EXPECT_LE(best->drivers[0].centreM.x, 6 * 0.0254 + 1e-12);
    EXPECT_NE(test::readFile(dir.file("in/opbaff-optimise-best.toml")).find("unit = \"in\""),
              std::string::npos);
    EXPECT_NE(test::readFile(dir.file("in/opbaff-optimise.tsv")).find("lengths in in"),
              std::string::npos);
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
