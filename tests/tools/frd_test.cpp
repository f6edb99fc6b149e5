// FRD files of degenerate parameters: grid points without a finite level are
// left out and counted, the others stay in ascending order.
#include "frd.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <sstream>
#include <string>

#include "plot.h"

namespace opbaff::tools {
namespace {

Response tableWithLevels(std::size_t column, float (*level)(std::size_t)) {
    Response table;
    const std::array<float, 4> levels = {-1.0F, -2.0F, -3.0F, -4.0F};
    const std::array<std::complex<float>, 4> values = {
        std::complex<float>{1.0F, 1.0F}, {0.0F, -1.0F}, {}, {-1.0F, 0.0F}};
    for (std::size_t i = 0; i < 81; ++i) {
        table.frequenciesHz.push_back(static_cast<float>(10 + i));
        for (std::size_t k = 0; k < 4; ++k) {
            table.columns[k].levelsDb.push_back(k == column ? level(i) : levels[k]);
            table.columns[k].values.push_back(values[k]);
        }
    }
    return table;
}

struct DegenerateCase {
    const char* name;
    float (*level)(std::size_t);
    std::size_t leftOut;
};

void PrintTo(const DegenerateCase& c, std::ostream* out) {
    *out << c.name;
}

const DegenerateCase kCases[] = {
    {"all_finite", [](std::size_t) { return -6.02059984F; }, 0},
    {"exact_cancellation_everywhere",
     [](std::size_t) { return -std::numeric_limits<float>::infinity(); }, 81},
    {"undefined_at_even_points",
     [](std::size_t i) {
         return i % 2 == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(i);
     },
     41},
};

class DegenerateLevelsTest : public testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateLevelsTest, NonFiniteRowsAreLeftOutAndCounted) {
    const DegenerateCase& c = GetParam();
    SCOPED_TRACE(c.name);
    const Response table = tableWithLevels(1, c.level);
    const std::string text = frdText(table, 1, Design{}, PhaseMode::baffle, {"what it holds"});
    std::istringstream in(text);
    std::size_t dataLines = 0;
    bool countSaid = false;
    double previous = 0.0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("*")) {
            countSaid |= line == "* " + std::to_string(c.leftOut) +
                                     " frequencies without a finite level are left out";
            continue;
        }
        ++dataLines;
        std::istringstream fields(line);
        double frequency = 0.0, level = 0.0, phase = 0.0;
        ASSERT_TRUE(fields >> frequency >> level >> phase) << line;
        EXPECT_TRUE(std::isfinite(level)) << line;
        EXPECT_EQ(phase, -90.0) << line;
        EXPECT_GT(frequency, previous);
        previous = frequency;
    }
    EXPECT_EQ(dataLines, 81 - c.leftOut);
    EXPECT_EQ(countSaid, c.leftOut > 0) << text;
    // The plot's data keeps every grid point, with NaN where a level is missing.
    const Curve curve{"label", table.frequenciesHz, table.columns[1].levelsDb, false};
    std::istringstream script(responsePlotScript({curve}, "title", PlotFormat::svg));
    std::size_t nan = 0, rows = 0;
    bool inData = false;
    for (std::string line; std::getline(script, line);) {
        if (line == "EOD") inData = false;
        if (inData) {
            ++rows;
            nan += line.find("NaN") != line.npos;
        }
        if (line.starts_with("$curve0 << EOD")) inData = true;
    }
    EXPECT_EQ(rows, 81U);
    EXPECT_EQ(nan, c.leftOut);
}

INSTANTIATE_TEST_SUITE_P(Cases, DegenerateLevelsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DegenerateCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
