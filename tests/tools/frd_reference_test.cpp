// The FRD files of every reference case: the levels are the model's floats bit
// for bit, and those floats print as the reference result file's fields; the
// phase holds the driver's high-pass, or on request the baffle alone.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "opbaff/opbaff.h"
#include "parameter_source.h"
#include "phase.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

struct ReferenceCase {
    const char* folder;
    std::vector<std::pair<const char*, std::size_t>> files;  // FRD file, result column
    PhaseMode phase;
};

const std::vector<std::pair<const char*, std::size_t>> kRectangularFiles = {
    {"opbaff-rectangular-on-axis.frd", 0},
    {"opbaff-round-baffle-on-axis.frd", 1},
    {"opbaff-rectangular-off-axis.frd", 2},
    {"opbaff-no-path.frd", 3},
};
const std::vector<std::pair<const char*, std::size_t>> kSinglePathFiles = {
    {"opbaff-single-path-full-rear.frd", 0},
    {"opbaff-single-path-bare-rear.frd", 1},
    {"opbaff-no-path.frd", 3},
};

const ReferenceCase kCases[] = {
    {"rectangular-off-centre", kRectangularFiles, PhaseMode::driver},
    {"rectangular-crlf-forms", kRectangularFiles, PhaseMode::baffle},
    {"rectangular-centred", kRectangularFiles, PhaseMode::driver},
    {"rectangular-bottom-edge", kRectangularFiles, PhaseMode::baffle},
    {"single-path-piston", kSinglePathFiles, PhaseMode::driver},
    {"single-path-half-delay", kSinglePathFiles, PhaseMode::baffle},
    {"single-path-half-delay-phase", kSinglePathFiles, PhaseMode::driver},
};

const char* modeName(PhaseMode mode) {
    return mode == PhaseMode::driver ? "driver" : "baffle";
}

void PrintTo(const ReferenceCase& c, std::ostream* out) {
    *out << c.folder << " with the " << modeName(c.phase) << " phase";
}

struct FrdLine {
    std::string frequency, level, phase;
};

// The data lines; comment lines must all come first.
std::vector<FrdLine> dataLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<FrdLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("*")) {
            EXPECT_TRUE(lines.empty()) << "comment after data: " << line;
            continue;
        }
        std::istringstream fields(line);
        FrdLine data;
        fields >> data.frequency >> data.level >> data.phase;
        std::string extra;
        EXPECT_FALSE(fields >> extra) << line;
        lines.push_back(data);
    }
    return lines;
}

// The digits and the exponent of an E16.8 field for a float, built from the
// eight significant digits of "%.7E": " -0.38225868E+02".
std::string eightDigitField(float value) {
    if (value == 0.0F) return "0.00000000E+00";
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.7E", static_cast<double>(value < 0 ? -value : value));
    const int exponent = std::atoi(digits + 10) + 1;  // d.ddddddd -> 0.dddddddd
    char field[32];
    std::snprintf(field, sizeof field, "%s0.%c%.7s%s%+03d", value < 0 ? "-" : "", digits[0],
                  digits + 2, "E", exponent);
    return field;
}

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

class FrdReferenceTest : public testing::TestWithParam<ReferenceCase> {};

TEST_P(FrdReferenceTest, LevelsAreTheResultFileLevelsBitForBit) {
    const ReferenceCase& c = GetParam();
    const test::TempDir out;
    const test::TempDir bin;
    const std::string parameterFile = test::referenceFile(c.folder, "Opbaffin.txt");
    const test::ToolRun run = test::runTool(
        {"plot", "--phase", modeName(c.phase), "--output-dir", out.path().string(), parameterFile},
        test::noGnuplotPath(bin));
    ASSERT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_EQ(run.err, "opbaff-design: gnuplot not found; opbaff-response.svg not written\n");

    const auto file = loadParameterFile(parameterFile);
    ASSERT_TRUE(file);
    const Design& design = file->design;
    const Response model = computeResponse(design);
    std::istringstream reference(test::readFile(test::referenceFile(c.folder, "OPBAFF.bds")));
    std::vector<std::string> referenceLines;
    for (std::string line; std::getline(reference, line);) referenceLines.push_back(line);
    ASSERT_EQ(referenceLines.size(), 81U);

    std::set<std::string> expectedEntries;
    for (const auto& [name, column] : c.files) {
        expectedEntries.insert(name);
        const std::string text = test::readFile(out.path() / name);
        EXPECT_NE(text.find(c.phase == PhaseMode::driver ? "* phase: the driver's"
                                                         : "* phase: the baffle's"),
                  std::string::npos);
        const std::vector<FrdLine> lines = dataLines(text);
        ASSERT_EQ(lines.size(), 81U) << name;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(std::string(name) + " row " + std::to_string(i + 1));
            const float frequency = std::strtof(lines[i].frequency.c_str(), nullptr);
            const float level = std::strtof(lines[i].level.c_str(), nullptr);
            EXPECT_EQ(bitsOf(frequency), bitsOf(model.frequenciesHz[i]));
            EXPECT_EQ(bitsOf(level), bitsOf(model.columns[column].levelsDb[i]));
            const std::string field = referenceLines[i].substr(16 * column, 16);
            EXPECT_EQ(field.substr(field.find_first_not_of(' ')), eightDigitField(level));
            EXPECT_EQ(lines[i].phase,
                      formatPhase(responsePhaseDegrees(model.columns[column].values[i], design,
                                                       frequency, c.phase)));
            const double phase = std::strtod(lines[i].phase.c_str(), nullptr);
            EXPECT_TRUE(phase > -180.0 && phase <= 180.0) << phase;
            if (i > 0) {
                EXPECT_GT(frequency, std::strtof(lines[i - 1].frequency.c_str(), nullptr));
            }
        }
    }
    EXPECT_EQ(test::entriesOf(out.path()), expectedEntries);
}

INSTANTIATE_TEST_SUITE_P(ReferenceCases, FrdReferenceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReferenceCase>& info) {
                             std::string name = info.param.folder;
                             name += std::string("_") + modeName(info.param.phase);
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace opbaff::tools
