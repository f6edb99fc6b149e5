// The spin in the tools: polar --spin writes its table beside the FRD set,
// on-axis column and all, eq --curve fits a spin curve, and both refuse the
// spin without the accurate model.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "opbaff/opbaff.h"
#include "program_search.h"
#include "spin_curves.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

const std::string kExample = std::string(OPBAFF_TEST_DATA) + "/../../examples/Opbaffin.txt";

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

// A table's rows (not its "#" remarks) as fields, the header first.
std::vector<std::vector<std::string>> tableRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#') rows.push_back(fieldsOf(line));
    }
    return rows;
}

// The level text of each data line of an FRD file, by its frequency text.
std::map<std::string, std::string> frdLevels(const std::string& text) {
    std::map<std::string, std::string> levels;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '*') continue;
        std::istringstream fields(line);
        std::string frequency;
        std::string level;
        fields >> frequency >> level;
        levels[frequency] = level;
    }
    return levels;
}

TEST(SpinCommandTest, PolarWritesTheSpinBesideTheSet) {
    const test::TempDir out;
    const test::ToolRun run = test::runTool({"polar", kExample, "--model", "accurate", "--spin",
                                             "--grid", "3", "--output-dir", out.path().string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const auto files = test::entriesOf(out.path());
    EXPECT_TRUE(files.count("opbaff spin.tsv"));
    EXPECT_TRUE(files.count("opbaff hor 0.frd"));
    EXPECT_FALSE(files.count("opbaff hor 170.frd"));  // the spin's orbits are no FRD files
    if (findProgram("gnuplot", "/usr/bin:/bin")) {
        EXPECT_TRUE(files.count("opbaff spin.svg"));
        EXPECT_TRUE(files.count("opbaff spin di.svg"));
    }
    const std::string tsv = test::readFile(out.path() / "opbaff spin.tsv");
    EXPECT_NE(tsv.find("# curves of ANSI/CTA-2034-A"), std::string::npos);
    const auto rows = tableRows(tsv);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (std::vector<std::string>{"frequency_Hz", "on_axis_dB",
                                                 "listening_window_dB", "early_reflections_dB",
                                                 "sound_power_dB", "estimated_in_room_dB",
                                                 "sound_power_di_dB", "early_reflections_di_dB"}));
    const auto onAxis = frdLevels(test::readFile(out.path() / "opbaff hor 0.frd"));
    ASSERT_EQ(rows.size(), onAxis.size() + 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 8U);
        EXPECT_EQ(rows[r][1], onAxis.at(rows[r][0])) << rows[r][0] << " Hz";
        const double frequency = std::strtod(rows[r][0].c_str(), nullptr);
        // The 20 cm driver's piston beams at the top: far more sound ahead
        // than all round.
        if (frequency >= 8000.0) {
            EXPECT_GT(std::strtod(rows[r][6].c_str(), nullptr), 8.0) << rows[r][0] << " Hz";
        }
    }
}

// Two orbits of constant levels, one of them NaN at one angle and frequency:
// every curve averaging it is NaN there, and the table leaves that row out
// and says so.
TEST(SpinCommandTest, TableLeavesOutAFrequencyWithoutAFiniteLevel) {
    PolarSet set;
    set.frequenciesHz = {100.0F, 200.0F, 400.0F};
    set.anglesDeg = spinAnglesDeg();
    set.levelsDb.assign(set.anglesDeg.size(), std::vector<float>(3, -6.0F));
    set.values.assign(set.anglesDeg.size(), std::vector<std::complex<float>>(3));
    PolarSet vertical = set;
    vertical.levelsDb[4][1] = NAN;  // -130 degrees, 200 Hz: in the sound power
    const auto spin = spinOfSets(set, vertical);
    ASSERT_TRUE(spin) << spin.error();
    EXPECT_TRUE(std::isnan(spin->soundPowerDb[1]));
    const std::string tsv = spinTsv(*spin, {"a remark"});
    EXPECT_EQ(tsv.rfind("# a remark\n", 0), 0U) << tsv;
    EXPECT_NE(tsv.find("# 1 frequencies left out"), std::string::npos) << tsv;
    const auto rows = tableRows(tsv);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1][0], "100");
    EXPECT_EQ(rows[2][0], "400");
    EXPECT_EQ(rows[2][4], "-6");  // the sound power of equal levels

    vertical.anglesDeg[4] = -135.0F;
    const auto missing = spinOfSets(set, vertical);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "the spin: the vertical orbit has no curve at -130 degrees");
}

// eq's report: the curve's words, its target at 1 kHz and the filter table.
struct EqReport {
    std::string heading;
    std::string filters;
};

EqReport eqReport(const std::string& curve) {
    const test::ToolRun run =
        test::runTool({"eq", kExample, "--model", "accurate", "--curve", curve, "--grid", "4"});
    EXPECT_NE(run.status, kExitBadInput) << run.err;
    const std::size_t end = run.out.find('\n');
    const std::size_t deviation = run.out.find("deviation");
    if (end == std::string::npos || deviation == std::string::npos) return {};
    return {run.out.substr(0, end), run.out.substr(end + 1, deviation - end - 1)};
}

TEST(SpinCommandTest, EqFitsTheSoundPowerNotTheOnAxisResponse) {
    const EqReport onAxis = eqReport("on-axis");
    const EqReport power = eqReport("sound-power");
    EXPECT_NE(onAxis.heading.find("on axis"), std::string::npos) << onAxis.heading;
    EXPECT_NE(power.heading.find("sound power"), std::string::npos) << power.heading;
    EXPECT_FALSE(power.filters.empty());
    EXPECT_NE(power.filters, onAxis.filters);
    // The sound power lies below the on-axis response in the band, so does
    // its target.
    const auto target = [](const std::string& heading) {
        const std::size_t at = heading.find("target ");
        return at == std::string::npos ? 0.0 : std::strtod(heading.c_str() + at + 7, nullptr);
    };
    EXPECT_LT(target(power.heading), target(onAxis.heading) - 1.0) << power.heading << "\n"
                                                                   << onAxis.heading;
}

struct RefusedCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* words;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

const RefusedCase kRefused[] = {
    {"polar_spin_classic", {"polar", kExample, "--spin"}, "--spin: only the accurate model"},
    {"eq_sound_power_classic",
     {"eq", kExample, "--curve", "sound-power"},
     "--curve sound-power: the spin's curves need"},
    {"eq_listening_window_classic",
     {"eq", kExample, "--curve", "listening-window", "--model", "classic"},
     "(--model accurate)"},
    {"eq_spin_curve_with_column",
     {"eq", kExample, "--curve", "sound-power", "--model", "accurate", "--column", "off-axis"},
     "--column: only with --curve on-axis"},
    {"eq_unknown_curve", {"eq", kExample, "--curve", "in-room"}, "--curve"},
};

class SpinRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(SpinRefusedTest, SaysWhyAndWritesNothing) {
    const RefusedCase& r = GetParam();
    const test::TempDir out;
    std::vector<std::string> arguments = r.arguments;
    arguments.insert(arguments.end(), {"--output-dir", out.path().string()});
    const test::ToolRun run = test::runTool(arguments);
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_NE(run.err.find(r.words), std::string::npos) << run.err;
    EXPECT_TRUE(test::entriesOf(out.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SpinRefusedTest, testing::ValuesIn(kRefused),
                         [](const testing::TestParamInfo<RefusedCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
