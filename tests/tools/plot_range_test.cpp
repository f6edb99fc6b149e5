// What a response plot shows: a y range that follows the responses, not the
// -100 dB reference or floor, and curves that coincide still told apart.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "opbaff/opbaff.h"
#include "plot.h"
#include "response_columns.h"

namespace opbaff::tools {
namespace {

Curve curveOf(std::vector<float> levels, const char* label = "c") {
    std::vector<float> frequencies;
    for (std::size_t i = 0; i < levels.size(); ++i) frequencies.push_back(10.0F * (i + 1));
    return {label, frequencies, std::move(levels), false};
}

struct RangeCase {
    const char* name;
    std::vector<Curve> curves;
    double low, high;
};

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMinusInfinity = -std::numeric_limits<float>::infinity();

const RangeCase kRanges[] = {
    {"levels_rounded_out_to_5_dB_with_a_margin", {curveOf({-12.0F, 3.2F})}, -20.0, 10.0},
    {"the_floor_and_reference_are_left_out",
     {curveOf({-40.0F, -20.0F}), curveOf({-100.0F, -100.0F}), curveOf({-30.0F, -99.95F})},
     -45.0,
     -15.0},
    {"deep_notches_are_cut_60_dB_under_the_top", {curveOf({0.0F, -95.0F, -2.0F})}, -65.0, 5.0},
    {"not_finite_levels_are_left_out", {curveOf({kNaN, -7.0F, kMinusInfinity, -9.0F})}, -15.0, 0.0},
};

void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << c.name;
}

class YRangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(YRangeTest, FollowsTheResponses) {
    const RangeCase& c = GetParam();
    const YRange range = yRangeFor(c.curves);
    EXPECT_EQ(range.low, c.low);
    EXPECT_EQ(range.high, c.high);
}

INSTANTIATE_TEST_SUITE_P(Curves, YRangeTest, testing::ValuesIn(kRanges),
                         [](const testing::TestParamInfo<RangeCase>& info) {
                             return std::string(info.param.name);
                         });

// In a single-path design without a path (round baffle 0, full rear level) the
// bare rear source cancels the driver: the full and bare rear columns can
// coincide, and so can two equal designs in an overlay.
TEST(CoincidingCurvesTest, LaterCopiesAreDashedAndSaySo) {
    std::vector<Curve> curves = {curveOf({-1.0F, -2.0F}, "first"), curveOf({-5.0F, -6.0F}, "other"),
                                 curveOf({-1.0F, -2.004F}, "copy"),
                                 curveOf({-5.0F, -6.0F}, "again")};
    markCoincidingCurves(curves);
    EXPECT_FALSE(curves[0].dashed);
    EXPECT_FALSE(curves[1].dashed);
    EXPECT_TRUE(curves[2].dashed);
    EXPECT_EQ(curves[2].label, "copy (same as first)");
    EXPECT_EQ(curves[3].label, "again (same as other)");
    const std::string script = responsePlotScript(curves, "t", PlotFormat::svg);
    EXPECT_NE(script.find("dashtype 2 title 'copy (same as first)'"), std::string::npos) << script;
}

TEST(CoincidingCurvesTest, CurvesThatDifferStaySolid) {
    std::vector<Curve> curves = {curveOf({-1.0F, -2.0F}), curveOf({-1.0F, -2.02F})};
    markCoincidingCurves(curves);
    EXPECT_FALSE(curves[1].dashed);
}

// The reference level of the single-path model is no response: choosing
// columns leaves it out, so the plot's range ignores it.
TEST(ColumnChoiceTest, TheSinglePathModelsResponsesAreThreeColumns) {
    Design design;
    design.model = Model::singlePath;
    const auto columns = selectColumns(design, "");
    ASSERT_TRUE(columns);
    ASSERT_EQ(columns->size(), 3U);
    EXPECT_EQ((*columns)[2].index, 3U);
}

}  // namespace
}  // namespace opbaff::tools
