// The cookbook's filters where their levels are known exactly: a peaking
// filter's gain at its centre, a shelf's full gain on its side and half of it
// at its corner, a pass's Q at its corner; and the parameters refused.
#include "opbaff/biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace opbaff {
namespace {

constexpr double kRate = 48000.0;

struct LevelCase {
    const char* name;
    Filter filter;
    double frequencyHz;
    double levelDb;
};

void PrintTo(const LevelCase& c, std::ostream* out) {
    *out << c.name;
}

const LevelCase kLevels[] = {
    {"peaking_at_its_centre", {FilterKind::peaking, 1000, 6, 2}, 1000, 6},
    {"peaking_cut_at_its_centre", {FilterKind::peaking, 100, -9.5, 0.7}, 100, -9.5},
    {"peaking_far_below", {FilterKind::peaking, 1000, 6, 4}, 20, 0},
    {"low_shelf_below", {FilterKind::lowShelf, 200, 10, 0.7071}, 5, 10},
    {"low_shelf_at_its_corner", {FilterKind::lowShelf, 200, 10, 0.7071}, 200, 5},
    {"low_shelf_above", {FilterKind::lowShelf, 200, 10, 0.7071}, 10000, 0},
    {"high_shelf_above", {FilterKind::highShelf, 2000, -6, 0.7071}, 23000, -6},
    {"high_shelf_at_its_corner", {FilterKind::highShelf, 2000, -6, 0.7071}, 2000, -3},
    {"high_pass_at_its_corner", {FilterKind::highPass, 50, 0, 2}, 50, 20 * std::log10(2.0)},
    {"high_pass_butterworth_corner",
     {FilterKind::highPass, 50, 0, 0.70710678118654752},
     50,
     -3.0103},
    {"high_pass_far_above", {FilterKind::highPass, 50, 0, 0.7071}, 5000, 0},
    {"low_pass_at_its_corner", {FilterKind::lowPass, 5000, 0, 0.5}, 5000, 20 * std::log10(0.5)},
};

class BiquadLevelTest : public testing::TestWithParam<LevelCase> {};

TEST_P(BiquadLevelTest, KnownLevel) {
    const LevelCase& c = GetParam();
    const auto coefficients = biquadOf(c.filter, kRate);
    ASSERT_TRUE(coefficients);
    const double level =
        20.0 * std::log10(std::abs(biquadResponse(*coefficients, c.frequencyHz, kRate)));
    EXPECT_NEAR(level, c.levelDb, 0.01);
    EXPECT_NEAR(chainLevelDb({c.filter, c.filter}, c.frequencyHz, kRate), 2.0 * level, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, BiquadLevelTest, testing::ValuesIn(kLevels),
                         [](const testing::TestParamInfo<LevelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(BiquadTest, RefusesWhatNoBiquadHolds) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(biquadOf({FilterKind::peaking, 24000, 3, 1}, kRate));  // at half the rate
    EXPECT_FALSE(biquadOf({FilterKind::peaking, 0, 3, 1}, kRate));
    EXPECT_FALSE(biquadOf({FilterKind::peaking, 100, 3, 0}, kRate));
    EXPECT_FALSE(biquadOf({FilterKind::peaking, 100, kNaN, 1}, kRate));
    EXPECT_FALSE(biquadOf({FilterKind::lowShelf, 100, 3, 1}, kNaN));
    // A refused filter counts as nothing in a chain.
    EXPECT_EQ(chainLevelDb({{FilterKind::peaking, 30000, 6, 1}}, 1000, kRate), 0.0);
    for (const FilterKind kind : {FilterKind::peaking, FilterKind::lowShelf, FilterKind::highShelf,
                                  FilterKind::highPass, FilterKind::lowPass}) {
        EXPECT_EQ(filterKindNamed(filterKindName(kind)), kind);
    }
    EXPECT_FALSE(filterKindNamed("notch"));
}

}  // namespace
}  // namespace opbaff
