// The polar command and its set: each angle's FRD levels are the column 3 the
// program writes for that listening angle, a centred driver radiates the same
// to either side, and what the command cannot draw leaves no file.
#include "polar.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "opbaff/opbaff.h"
#include "program_search.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

// The example design: its driver off centre, so that the two sides differ.
const Design kOffCentre{};

// The column 3 fields of the result file the program writes for `design`.
std::vector<std::string> programColumnThree(const Design& design) {
    const TempDir dir;
    test::writeFile(dir.path() / "Opbaffin.txt", writeParameterText(design).value());
    const std::string command = "cd '" + dir.path().string() + "' && '" OPBAFF_EXE "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string rows = test::readFile(dir.path() / "OPBAFF.bds");
    std::vector<std::string> fields;
    for (std::size_t at = 0; at + kResultLineLength <= rows.size(); at += kResultLineLength) {
        fields.push_back(rows.substr(at + 2 * kFieldWidth, kFieldWidth));
    }
    return fields;
}

// The bits of each level, so that +0 and -0 differ and NaN equals itself.
std::vector<std::uint32_t> bitsOf(const std::vector<float>& levels) {
    std::vector<std::uint32_t> bits(levels.size());
    std::transform(levels.begin(), levels.end(), bits.begin(),
                   [](float level) { return std::bit_cast<std::uint32_t>(level); });
    return bits;
}

struct FrdRow {
    float frequency = 0.0F;
    float level = 0.0F;
};

std::vector<FrdRow> frdRows(const std::string& text) {
    std::istringstream lines(text);
    std::vector<FrdRow> rows;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('*')) continue;
        FrdRow row;
        std::istringstream(line) >> row.frequency >> row.level;
        rows.push_back(row);
    }
    return rows;
}

struct AngleCase {
    const char* name;
    float angleDeg;
    const char* file;
};

const AngleCase kAngles[] = {
    {"minus_30", -30.0F, "opbaff hor -30.frd"},
    {"minus_7_5", -7.5F, "opbaff hor -7.5.frd"},
    {"zero", 0.0F, "opbaff hor 0.frd"},
    {"plus_7_5", 7.5F, "opbaff hor 7.5.frd"},
};

// One run of the command without gnuplot, for the angles of kAngles and the
// one between them, shared by the suite.
class PolarRunTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        in_ = std::make_unique<TempDir>();
        out_ = std::make_unique<TempDir>();
        test::writeFile(in_->path() / "Opbaffin.txt", writeParameterText(kOffCentre).value());
        run_ = test::runTool({"polar", "--angles", "-30:7.5:7.5", "--output-dir",
                              out_->path().string(), in_->file("Opbaffin.txt")},
                             test::noGnuplotPath(*in_));
    }
    static void TearDownTestSuite() {
        in_.reset();
        out_.reset();
    }
    static std::unique_ptr<TempDir> in_;
    static std::unique_ptr<TempDir> out_;
    static test::ToolRun run_;
};

std::unique_ptr<TempDir> PolarRunTest::in_;
std::unique_ptr<TempDir> PolarRunTest::out_;
test::ToolRun PolarRunTest::run_;

void PrintTo(const AngleCase& c, std::ostream* out) {
    *out << c.name;
}

class PolarFilesTest : public PolarRunTest, public testing::WithParamInterface<AngleCase> {};

TEST_F(PolarRunTest, OneFilePerAngleAndAWarningWithoutGnuplot) {
    EXPECT_EQ(run_.status, kExitWarning);
    EXPECT_EQ(run_.err,
              "opbaff-design: gnuplot not found; opbaff-sonogram.svg and opbaff-polar.svg not "
              "written\n");
    EXPECT_EQ(
        test::entriesOf(out_->path()),
        (std::set<std::string>{"opbaff hor -30.frd", "opbaff hor -22.5.frd", "opbaff hor -15.frd",
                               "opbaff hor -7.5.frd", "opbaff hor 0.frd", "opbaff hor 7.5.frd"}));
}

// The E16.8 fields hold eight digits; the levels are also those of the
// library, bit for bit, which the program's rows are made of.
TEST_P(PolarFilesTest, LevelsAreTheProgramsColumnThree) {
    const AngleCase& c = GetParam();
    Design heard = kOffCentre;
    heard.offAxisAngleDeg = c.angleDeg;
    const std::vector<FrdRow> rows = frdRows(test::readFile(out_->path() / c.file));
    const std::vector<std::string> fields = programColumnThree(heard);
    const Response response = computeResponse(heard);
    ASSERT_EQ(rows.size(), kStandardGridSize);
    ASSERT_EQ(fields.size(), kStandardGridSize);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const EField field = formatEField(rows[i].level);
        EXPECT_EQ(std::string(field.begin(), field.end()), fields[i]) << "row " << i;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(rows[i].level),
                  std::bit_cast<std::uint32_t>(response.columns[2].levelsDb[i]))
            << "row " << i;
        EXPECT_EQ(rows[i].frequency, response.frequenciesHz[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, PolarFilesTest, testing::ValuesIn(kAngles),
                         [](const testing::TestParamInfo<AngleCase>& info) {
                             return std::string(info.param.name);
                         });

// A driver in the middle of the baffle's width hears both sides alike at
// mirrored angles; off centre it does not.
TEST(PolarSetTest, OnlyACentredDriverIsSymmetric) {
    Design centred;
    centred.driverXCm = centred.baffleWidthCm / 2;
    const std::vector<float> angles = parseAngles("-90:90:7.5").value();
    const FrequencyGrid grid = FrequencyGrid::perOctave({.pointsPerOctave = 12}).value();
    const auto mirrored = [&](const Design& design) {
        const PolarSet set = computePolarSet(design, grid, angles, 2).value();
        bool same = true;
        for (std::size_t k = 0; k < angles.size(); ++k) {
            same = same && bitsOf(set.levelsDb[k]) == bitsOf(set.levelsDb[angles.size() - 1 - k]);
        }
        return same;
    };
    EXPECT_TRUE(mirrored(centred));
    EXPECT_FALSE(mirrored(kOffCentre));
}

// What the command refuses: exit 2, one line, no file.
struct RefusedCase {
    const char* name;
    std::vector<std::string> options;
    const char* reason;  // after "opbaff-design: ", and the file's path for a single-path file
    bool singlePath;
};

const RefusedCase kRefused[] = {
    {"single_path",
     {},
     "no directivity in the single-path model: only the rectangular baffle (model code r) has one",
     true},
    {"angles_out_of_range",
     {"--angles", "0:270:5"},
     "--angles '0:270:5': 270 lies outside -180 to 180 degrees",
     false},
    {"name_with_a_folder", {"--name", "a/b"}, "--name 'a/b': give a file name without '/'", false},
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, StatusTwoOneLineNoFile) {
    const RefusedCase& c = GetParam();
    const TempDir out;
    const std::string file = test::referenceFile(
        c.singlePath ? "single-path-piston" : "rectangular-off-centre", "Opbaffin.txt");
    std::vector<std::string> arguments = {"polar", "--output-dir", out.path().string(), file};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const test::ToolRun run = test::runTool(arguments);
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_EQ(run.err, "opbaff-design: " + (c.singlePath ? file + ": " : "") + c.reason + "\n");
    EXPECT_TRUE(test::entriesOf(out.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedTest, testing::ValuesIn(kRefused),
                         [](const testing::TestParamInfo<RefusedCase>& info) {
                             return std::string(info.param.name);
                         });

struct AnglesCase {
    const char* name;
    const char* text;
    std::vector<float> angles;  // empty: refused
};

const AnglesCase kAngleTexts[] = {
    {"both_ends", "-10:10:5", {-10.0F, -5.0F, 0.0F, 5.0F, 10.0F}},
    {"tenths_end_on_to", "0:0.5:0.1", {0.0F, 0.1F, 0.2F, 0.3F, 0.4F, 0.5F}},
    {"through_zero_exactly", "-0.3:0.3:0.1", {-0.3F, -0.2F, -0.1F, 0.0F, 0.1F, 0.2F, 0.3F}},
    {"downwards", "90:-90:-90", {90.0F, 0.0F, -90.0F}},
    {"single_angle_with_plus", "+7.5:7.5:1", {7.5F}},
    {"to_between_steps", "0:12:5", {0.0F, 5.0F, 10.0F}},
    {"no_numbers", "a:b:c", {}},
    {"two_parts", "-90:90", {}},
    {"trailing_text", "0:10:5deg", {}},
    {"zero_step", "0:10:0", {}},
    {"step_away_from_to", "0:10:-5", {}},
    {"beyond_a_half_turn", "-190:0:10", {}},
    {"not_a_number", "nan:1:1", {}},
    {"too_many", "-180:180:0.05", {}},
    {"finer_than_a_float", "100:100.0001:0.000001", {}},
};

void PrintTo(const AnglesCase& c, std::ostream* out) {
    *out << c.name;
}

class ParseAnglesTest : public testing::TestWithParam<AnglesCase> {};

TEST_P(ParseAnglesTest, AnglesOrTheTextInTheReason) {
    const AnglesCase& c = GetParam();
    const auto angles = parseAngles(c.text);
    if (c.angles.empty()) {
        ASSERT_FALSE(angles);
        EXPECT_TRUE(angles.error().starts_with("angles '" + std::string(c.text) + "': "));
    } else {
        ASSERT_TRUE(angles) << angles.error();
        EXPECT_EQ(*angles, c.angles);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseAnglesTest, testing::ValuesIn(kAngleTexts),
                         [](const testing::TestParamInfo<AnglesCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(PolarPicturesTest, SonogramAndPolarDiagramAreWellFormedSvg) {
    if (!findProgram("gnuplot", "/usr/bin:/bin")) GTEST_SKIP() << "no gnuplot";
    const TempDir out;
    const test::ToolRun run = test::runTool(
        {"polar", "--name", "b", "--frequencies", "1000,4000", "--output-dir", out.path().string(),
         test::referenceFile("rectangular-centred", "Opbaffin.txt")});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const test::XmlCheck sonogram = test::parseXml(test::readFile(out.path() / "b-sonogram.svg"));
    const test::XmlCheck polar = test::parseXml(test::readFile(out.path() / "b-polar.svg"));
    EXPECT_EQ(sonogram.root, "svg");
    EXPECT_EQ(polar.root, "svg");
    EXPECT_NE(sonogram.text.find("Frequency (Hz)"), std::string::npos);
    EXPECT_NE(sonogram.text.find("Level relative to on axis (dB)"), std::string::npos);
    // The key names the grid frequencies drawn: 970.2 Hz and 4052.7 Hz.
    EXPECT_NE(polar.text.find("970 Hz"), std::string::npos) << polar.text;
    EXPECT_NE(polar.text.find("4.05 kHz"), std::string::npos) << polar.text;
}

}  // namespace
}  // namespace opbaff::tools
