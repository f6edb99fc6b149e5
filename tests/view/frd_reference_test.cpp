// The FRD files of every reference case: the levels are the model's floats bit
// for bit, and those floats print as the reference result file's fields.
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

#include "view/parameter_source.h"
#include "view/phase.h"
#include "view/view_run.h"
#include "view_test_support.h"

namespace opbaff::view {
namespace {

struct ReferenceCase {
    const char* folder;
    std::vector<std::pair<const char*, std::size_t>> files;  // FRD file, result column
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
    {"rectangular-off-centre", kRectangularFiles}, {"rectangular-crlf-forms", kRectangularFiles},
    {"rectangular-centred", kRectangularFiles},    {"rectangular-bottom-edge", kRectangularFiles},
    {"single-path-piston", kSinglePathFiles},      {"single-path-half-delay", kSinglePathFiles},
};

void PrintTo(const ReferenceCase& c, std::ostream* out) {
    *out << c.folder;
}

std::string caseFile(const char* folder, const char* name) {
    return std::string(OPBAFF_TEST_DATA) + "/golden/" + folder + "/" + name;
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
    std::ostringstream errors;
    ViewOptions options;
    options.parameterFile = caseFile(c.folder, "Opbaffin.txt");
    options.outputDir = out.path().string();
    ASSERT_EQ(runView(options, test::noGnuplotPath(bin), errors), kExitDone) << errors.str();

    const auto loaded = loadParameters(options.parameterFile);
    ASSERT_TRUE(std::holds_alternative<ParameterFile>(loaded));
    const Response model = computeResponse(std::get<ParameterFile>(loaded).design);
    std::istringstream reference(test::readFile(caseFile(c.folder, "OPBAFF.bds")));
    std::vector<std::string> referenceLines;
    for (std::string line; std::getline(reference, line);) referenceLines.push_back(line);
    ASSERT_EQ(referenceLines.size(), 81U);

    std::set<std::string> expectedEntries;
    for (const auto& [name, column] : c.files) {
        expectedEntries.insert(name);
        const std::vector<FrdLine> lines = dataLines(test::readFile(out.path() / name));
        ASSERT_EQ(lines.size(), 81U) << name;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(std::string(name) + " row " + std::to_string(i + 1));
            const float frequency = std::strtof(lines[i].frequency.c_str(), nullptr);
            const float level = std::strtof(lines[i].level.c_str(), nullptr);
            EXPECT_EQ(bitsOf(frequency), bitsOf(model.frequenciesHz[i]));
            EXPECT_EQ(bitsOf(level), bitsOf(model.columns[column].levelsDb[i]));
            const std::string field = referenceLines[i].substr(16 * column, 16);
            EXPECT_EQ(field.substr(field.find_first_not_of(' ')), eightDigitField(level));
            EXPECT_EQ(lines[i].phase, formatPhase(phaseDegrees(model.columns[column].values[i])));
            const double phase = std::strtod(lines[i].phase.c_str(), nullptr);
            EXPECT_TRUE(phase > -180.0 && phase <= 180.0) << phase;
            if (i > 0) {
                EXPECT_GT(frequency, std::strtof(lines[i - 1].frequency.c_str(), nullptr));
            }
        }
    }
    EXPECT_EQ(test::entriesOf(out.path()), expectedEntries);
    EXPECT_EQ(errors.str(), "opbaff-view: gnuplot not found; plot not written\n");
}

INSTANTIATE_TEST_SUITE_P(ReferenceCases, FrdReferenceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReferenceCase>& info) {
                             std::string name = info.param.folder;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace opbaff::view
