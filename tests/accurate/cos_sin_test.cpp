// The vectorisable cos and sin of the first-order sums agree with the standard
// library to rounding over the phases the model meets (a few thousand radians),
// on both sides of every quadrant boundary.
#include "accurate/cos_sin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct PhaseRange {
    std::string name;
    double from, to;
    int steps;
};

void PrintTo(const PhaseRange& c, std::ostream* out) {
    *out << c.name;
}

class CosSinRange : public testing::TestWithParam<PhaseRange> {};

TEST_P(CosSinRange, AgreesWithTheStandardLibrary) {
    const auto& range = GetParam();
    double worst = 0.0;
    for (int i = 0; i <= range.steps; ++i) {
        const double x = range.from + (range.to - range.from) * i / range.steps;
        const auto e = opbaff::accurate::cosSin(x);
        worst = std::max({worst, std::abs(e.c - std::cos(x)), std::abs(e.s - std::sin(x))});
    }
    EXPECT_LT(worst, 1e-15) << range.name;
}

TEST(CosSinQuadrants, BothSidesOfEveryMultipleOfHalfPi) {
    for (int q = -4000; q <= 4000; ++q) {
        const double centre = q * 1.57079632679489661923;
        for (const double x : {std::nextafter(centre, -1e9), centre, std::nextafter(centre, 1e9),
                               centre - 0.78, centre + 0.78}) {
            const auto e = opbaff::accurate::cosSin(x);
            ASSERT_NEAR(e.c, std::cos(x), 1e-15) << "x = " << x;
            ASSERT_NEAR(e.s, std::sin(x), 1e-15) << "x = " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Phases, CosSinRange,
                         testing::Values(PhaseRange{"Small", -10.0, 10.0, 100001},
                                         PhaseRange{"Model", -3000.0, 3000.0, 600001},
                                         PhaseRange{"Far", 1e5, 1e5 + 50.0, 10001}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
