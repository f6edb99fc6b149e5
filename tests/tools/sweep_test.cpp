// Sweeps and comparisons: the NAME=FROM:TO:STEP values, the order and the
// exactness of the rows whatever the jobs, the physics of a widening baffle,
// names of compared files, the output set, and the progress bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "program_search.h"
#include "progress_bar.h"
#include "tool_io.h"
#include "tool_test_support.h"
#include "variants.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// The table's rows after the header, each split into its cells.
std::vector<std::vector<std::string>> tableRows(const std::string& out) {
    const std::vector<std::string> lines = split(out, '\n');
    std::vector<std::vector<std::string>> rows(lines.size() -
                                               std::min<std::size_t>(lines.size(), 1));
    std::transform(lines.begin() + static_cast<long>(lines.size() - rows.size()), lines.end(),
                   rows.begin(), [](const std::string& line) { return split(line, '\t'); });
    return rows;
}

// The index of the header row's cell `name`.
std::size_t columnOf(const std::string& out, const std::string& name) {
    const std::vector<std::string> header = split(out.substr(0, out.find('\n')), '\t');
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
}

struct SpecCase {
    const char* name;
    const char* text;
    std::vector<float> values;  // empty: the text is refused with `message`
    const char* message;
};

const SpecCase kSpecs[] = {
    {"both_ends_included", "width=40:120:20", {40, 60, 80, 100, 120}, ""},
    // 0.1 + 6 * 0.1 misses 0.7 by a rounding error; each value is rounded once,
    // where adding 0.1F six times would drift.
    {"to_kept_within_rounding", "x=0.1:0.7:0.1", {0.1F, 0.2F, 0.3F, 0.4F, 0.5F, 0.6F, 0.7F}, ""},
    {"stops_short_of_to", "q=0:1:0.3", {0, 0.3F, 0.6F, 0.9F}, ""},
    {"downwards", "offAxisAngleDeg=0:-30:-15", {0, -15, -30}, ""},
    {"one_value", "round-diameter=45:45:1", {45}, ""},
    {"no_equals", "width", {}, "sweep 'width': expected NAME=FROM:TO:STEP"},
    {"unknown_name",
     "depth=1:2:1",
     {},
     "sweep 'depth=1:2:1': unknown name 'depth' (names: height, width, x, y, diameter, "
     "round-diameter, angle, distance, resonance, q, or the parameter file's names)"},
    {"two_numbers", "width=1:2", {}, "sweep 'width=1:2': expected NAME=FROM:TO:STEP"},
    {"four_numbers", "width=1:2:3:4", {}, "sweep 'width=1:2:3:4': expected NAME=FROM:TO:STEP"},
    {"not_a_number", "width=1:2cm:1", {}, "sweep 'width=1:2cm:1': TO '2cm' is not a finite number"},
    {"infinite", "width=1:2:inf", {}, "sweep 'width=1:2:inf': STEP 'inf' is not a finite number"},
    {"zero_step", "width=1:2:0", {}, "sweep 'width=1:2:0': STEP must not be 0"},
    {"step_away", "width=2:1:1", {}, "sweep 'width=2:1:1': STEP leads away from TO"},
    {"too_many_values", "width=0:1e5:1", {}, "sweep 'width=0:1e5:1': more than 100000 values"},
    {"passes_zero_exactly", "y=-0.3:0.3:0.1", {-0.3F, -0.2F, -0.1F, 0, 0.1F, 0.2F, 0.3F}, ""},
    {"beyond_a_float",
     "resonance=1e39:1e39:1",
     {},
     "sweep 'resonance=1e39:1e39:1': FROM '1e39' lies beyond single precision"},
    {"finer_than_a_float",
     "width=100:100.0001:0.000001",
     {},
     "sweep 'width=100:100.0001:0.000001': STEP is finer than single precision holds"},
};

void PrintTo(const SpecCase& c, std::ostream* out) {
    *out << c.name;
}

class SweepSpecTest : public testing::TestWithParam<SpecCase> {};

TEST_P(SweepSpecTest, ValuesOrOneLineReason) {
    const SpecCase& c = GetParam();
    const auto spec = parseSweepSpec(c.text);
    if (c.values.empty()) {
        ASSERT_FALSE(spec);
        EXPECT_EQ(spec.error(), c.message);
    } else {
        ASSERT_TRUE(spec) << spec.error();
        EXPECT_EQ(spec->values, c.values);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SweepSpecTest, testing::ValuesIn(kSpecs),
                         [](const testing::TestParamInfo<SpecCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SweepCommandTest, BadSweepsAreStatusTwoWithOneLine) {
    const std::string file = test::referenceFile("rectangular-centred", "Opbaffin.txt");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"width=1:2:0"}, "sweep 'width=1:2:0': STEP must not be 0"},
        {{"width=1:2:1", "baffleWidthCm=3:4:1"}, "width is swept twice"},
        {{"width=1:1000:1", "height=1:1000:1"},
         "the sweep gives 1000000 designs, more than the limit of 100000"},
    };
    for (const auto& [specs, message] : cases) {
        std::vector<std::string> arguments = {"sweep", "--file", file};
        arguments.insert(arguments.end(), specs.begin(), specs.end());
        const test::ToolRun run = test::runTool(arguments);
        EXPECT_EQ(run.status, kExitBadInput);
        EXPECT_EQ(run.err, "opbaff-design: " + message + "\n");
        EXPECT_EQ(run.out, "");
    }
}

// The rear wave's way round a wider baffle is longer, so the dipole's
// cancellation sets in at lower frequencies. (Beyond about 1 m the near side
// edge, 15 cm from the driver, and the driver's own high-pass take over.)
TEST(SweepCommandTest, WiderBaffleLowersTheMinus6DbFrequency) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt",
                    "0\nr\n100\n60\n15\n60\n20\n30\n0.7\n2\nx\ny\n60\nx\n0\n");
    const test::ToolRun run =
        test::runTool({"sweep", "--no-plot", "--file", in.file("Opbaffin.txt"), "width=30:100:10"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const auto rows = tableRows(run.out);
    ASSERT_EQ(rows.size(), 8U);
    const std::size_t column = columnOf(run.out, "median_minus6_Hz");
    double previous = INFINITY;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 8U);
        const double minus6 = std::stod(row.at(column));
        EXPECT_LT(minus6, previous) << row[0];
        previous = minus6;
    }
    EXPECT_LT(previous, 0.6 * std::stod(rows.front().at(column)));
}

// Rows stay in the order of the product, first field slowest, and every
// figure and FRD file is the same bit for bit whatever the number of jobs.
TEST(SweepCommandTest, JobsChangeNothingButTheTime) {
    const TempDir one;
    const TempDir three;
    const auto sweep = [](const TempDir& dir, const char* jobs) {
        return test::runTool({"sweep", "--frd", "--no-plot", "--jobs", jobs, "--output-dir",
                              dir.path().string(), "--file",
                              test::referenceFile("rectangular-off-centre", "Opbaffin.txt"),
                              "width=40:80:20", "height=80:100:20"});
    };
    const test::ToolRun runOne = sweep(one, "1");
    const test::ToolRun runThree = sweep(three, "3");
    ASSERT_EQ(runOne.status, kExitDone) << runOne.err;
    EXPECT_EQ(runThree.out, runOne.out);
    const auto rows = tableRows(runOne.out);
    std::vector<std::string> names(rows.size());
    std::transform(rows.begin(), rows.end(), names.begin(),
                   [](const std::vector<std::string>& row) { return row.at(0); });
    EXPECT_EQ(names, (std::vector<std::string>{"width=40 height=80", "width=40 height=100",
                                               "width=60 height=80", "width=60 height=100",
                                               "width=80 height=80", "width=80 height=100"}));
    ASSERT_EQ(test::entriesOf(one.path()), test::entriesOf(three.path()));
    EXPECT_EQ(test::entriesOf(one.path()).size(), 6U);
    for (const std::string& file : test::entriesOf(one.path())) {
        EXPECT_EQ(test::readFile(three.path() / file), test::readFile(one.path() / file)) << file;
    }
}

TEST(CompareNamesTest, TrailingPartsTellFilesApart) {
    EXPECT_EQ(distinctFileNames({"a/x.txt", "b/y.txt"}),
              (std::vector<std::string>{"x.txt", "y.txt"}));
    EXPECT_EQ(distinctFileNames({"/d/a/x.txt", "/d/b/x.txt", "x.txt"}),
              (std::vector<std::string>{"a/x.txt", "b/x.txt", "x.txt"}));
    EXPECT_EQ(distinctFileNames({"d/x.txt", "d/x.txt"}),
              (std::vector<std::string>{"d/x.txt", "d/x.txt"}));
}

// The plot's renderer decides what a comparison with FRD files leaves behind:
// all its files, the FRD files alone, or nothing.
struct CompareOutputCase {
    const char* name;
    const char* gnuplotBody;  // nullptr: none; "real": the system's
    int status;
    std::set<std::string> files;
};

const std::set<std::string> kCompareFrd = {"rectangular-centred_Opbaffin.txt.frd",
                                           "single-path-piston_Opbaffin.txt.frd"};

const CompareOutputCase kCompareOutputs[] = {
    {"gnuplot_draws",
     "real",
     kExitDone,
     {"rectangular-centred_Opbaffin.txt.frd", "single-path-piston_Opbaffin.txt.frd",
      "opbaff-compare.svg"}},
    {"gnuplot_missing", nullptr, kExitWarning, kCompareFrd},
    {"gnuplot_fails", "cat >/dev/null; exit 3", kExitWarning, {}},
};

void PrintTo(const CompareOutputCase& c, std::ostream* out) {
    *out << c.name;
}

class CompareOutputTest : public testing::TestWithParam<CompareOutputCase> {};

TEST_P(CompareOutputTest, TwoFilesTwoRowsAndTheSetWholeOrNothing) {
    const CompareOutputCase& c = GetParam();
    const TempDir out;
    const TempDir bin;
    std::string path = bin.path().string();
    if (c.gnuplotBody != nullptr && std::string(c.gnuplotBody) == "real") {
        path = "/usr/bin:/bin";
    } else if (c.gnuplotBody != nullptr) {
        test::writeScript(bin.path() / "gnuplot", c.gnuplotBody);
    }
    const test::ToolRun run =
        test::runTool({"compare", "--frd", "--output-dir", out.path().string(),
                       test::referenceFile("rectangular-centred", "Opbaffin.txt"),
                       test::referenceFile("single-path-piston", "Opbaffin.txt")},
                      path);
    EXPECT_EQ(run.status, c.status) << run.err;
    const auto rows = tableRows(run.out);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].at(0), "rectangular-centred/Opbaffin.txt");
    EXPECT_EQ(rows[1].at(0), "single-path-piston/Opbaffin.txt");
    EXPECT_EQ(test::entriesOf(out.path()), c.files);
    if (c.files.contains("opbaff-compare.svg")) {
        const test::XmlCheck svg =
            test::parseXml(test::readFile(out.path() / "opbaff-compare.svg"));
        EXPECT_EQ(svg.root, "svg");
        EXPECT_NE(svg.text.find("single-path-piston/Opbaffin.txt"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CompareOutputTest, testing::ValuesIn(kCompareOutputs),
                         [](const testing::TestParamInfo<CompareOutputCase>& info) {
                             return std::string(info.param.name);
                         });

// A sweep's plot names what was swept: a swept listening angle is never
// titled with the base file's angle (the off-centre design: 30 degrees).
struct TitleCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* title;
};

const TitleCase kTitles[] = {
    {"angle_off_axis",
     {"angle=0:60:15", "--column", "off-axis"},
     "Sweep of angle 0 to 60: rectangular-off-axis"},
    {"width_off_axis",
     {"width=40:60:20", "--column", "off-axis"},
     "Sweep of width 40 to 60: Rectangular baffle, 30\u00b0 off axis"},
    {"round_baffle",
     {"round-diameter=40:60:20", "--column", "round-baffle"},
     "Sweep of round-diameter 40 to 60: round-baffle-on-axis"},
    {"two_fields_on_axis",
     {"x=10:20:10", "q=0.5:0.5:1", "--column", "on-axis"},
     "Sweep of x 10 to 20, q 0.5: Rectangular baffle, on axis"},
};

void PrintTo(const TitleCase& c, std::ostream* out) {
    *out << c.name;
}

class SweepTitleTest : public testing::TestWithParam<TitleCase> {};

TEST_P(SweepTitleTest, NamesWhatWasSwept) {
    if (!findProgram("gnuplot", "/usr/bin:/bin")) GTEST_SKIP() << "no gnuplot";
    const TitleCase& c = GetParam();
    const TempDir out;
    std::vector<std::string> arguments = {
        "sweep", "--file", test::referenceFile("rectangular-off-centre", "Opbaffin.txt"),
        "--output-dir", out.path().string()};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const test::ToolRun run = test::runTool(arguments);
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / "opbaff-sweep.svg"));
    EXPECT_NE(svg.text.find(c.title), std::string::npos) << svg.text;
    if (std::string(c.name) == "angle_off_axis") {
        EXPECT_EQ(svg.text.find("30\u00b0"), std::string::npos) << svg.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SweepTitleTest, testing::ValuesIn(kTitles),
                         [](const testing::TestParamInfo<TitleCase>& info) {
                             return std::string(info.param.name);
                         });

// Nothing in the first second, then at most one drawing per 100 ms, and the
// line cleared at the end.
TEST(ProgressBarTest, ShowsLateRedrawsRarelyAndClears) {
    using std::chrono::milliseconds;
    std::ostringstream err;
    const ProgressBar::Clock::time_point start{};
    {
        ProgressBar bar(err, 2000, start);
        bar.update(100, start + milliseconds(900));
        EXPECT_EQ(err.str(), "");
        bar.update(1234, start + milliseconds(1000));
        bar.update(1300, start + milliseconds(1050));
        const std::string line = "[############        ] 1234/2000 variants";
        EXPECT_EQ(err.str(), "\r" + line);
        bar.update(2000, start + milliseconds(1100));
        bar.finish();
        EXPECT_EQ(err.str(), "\r" + line + "\r[####################] 2000/2000 variants\r" +
                                 std::string(line.size(), ' ') + "\r");
    }
}

}  // namespace
}  // namespace opbaff::tools
