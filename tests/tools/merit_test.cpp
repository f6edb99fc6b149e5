// Figures of merit of small responses worked out by hand: the peak below
// 2 kHz, the -3 and -6 dB frequencies interpolated on log frequency, the
// ripple, and the cases where a figure is undefined.
#include "merit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

namespace opbaff::tools {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct MeritCase {
    const char* name;
    std::vector<float> frequencies;
    std::vector<float> levels;
    double peakDb, peakHz, minus3Hz, minus6Hz, rippleDb;
};

// Between points (f0, L0) and (f1, L1) the level L falls at f0 (f1/f0)^t,
// t = (L - L0) / (L1 - L0).
const MeritCase kCases[] = {
    // -3: between 200 (-4) and 400 (0), t = 1/4: 200 * 2^0.25.
    // -6: between 100 (-10) and 200 (-4), t = 2/3: 100 * 2^(2/3).
    {"interpolated_on_log_frequency",
     {100, 200, 400, 800},
     {-10, -4, 0, -1},
     0,
     400,
     237.84142300054421,
     158.74010519681994,
     1},
    // Points exactly 3 and 6 dB down are the answers themselves.
    {"grid_points_exactly_down", {100, 200, 400}, {-6, -3, 0}, 0, 400, 200, 100, 0},
    // -3: t = 1/2 between 100 and 200: 100 * sqrt 2. Never 6 dB down.
    {"never_falls_6_db",
     {100, 200, 400, 800},
     {-4, -2, 0, -3},
     0,
     400,
     141.42135623730950,
     kNaN,
     3},
    {"peak_at_the_lowest_frequency", {100, 200, 400}, {0, -1, -2}, 0, 100, kNaN, kNaN, 2},
    // 2 kHz and above are not judged: the peak is 1 dB at 1 kHz; -3 (-2 dB):
    // t = 1/2 between 500 and 1000; -6 (-5 dB) is the 500 Hz point; the ripple
    // runs from 1 kHz to 1999 Hz.
    {"judged_below_2_khz",
     {500, 1000, 1999, 2000, 4000},
     {-5, 1, -2, 9, -40},
     1,
     1000,
     707.10678118654752,
     500,
     3},
    // The first of equal peaks counts; the ripple spans the later ones.
    {"first_of_equal_peaks",
     {100, 200, 400, 800},
     {-6, 0, -6, 0},
     0,
     200,
     141.42135623730950,
     100,
     6},
    // Levels that are not finite are left out: the crossings lie between 100
    // and 400, t = 2/3 and 1/3: 100 * 4^(2/3) and 100 * 4^(1/3).
    {"not_finite_levels_left_out",
     {100, 200, 300, 400, 800},
     {-9, kNaN, -kInf, 0, kInf},
     0,
     400,
     251.98420997897463,
     158.74010519681994,
     0},
    {"no_finite_level", {100, 200}, {kNaN, kInf}, kNaN, kNaN, kNaN, kNaN, kNaN},
    {"nothing_below_2_khz", {2000, 4000}, {0, -3}, kNaN, kNaN, kNaN, kNaN, kNaN},
};

void PrintTo(const MeritCase& c, std::ostream* out) {
    *out << c.name;
}

void expectFigure(double actual, double expected, const char* figure) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << figure << " " << actual;
    } else {
        EXPECT_NEAR(actual, expected, 1e-12 * std::fabs(expected) + 1e-12) << figure;
    }
}

class MeritTest : public testing::TestWithParam<MeritCase> {};

TEST_P(MeritTest, MatchesTheFiguresWorkedByHand) {
    const MeritCase& c = GetParam();
    const FiguresOfMerit merit = figuresOfMerit(c.frequencies, c.levels);
    expectFigure(merit.peakLevelDb, c.peakDb, "peak level");
    expectFigure(merit.peakFrequencyHz, c.peakHz, "peak frequency");
    expectFigure(merit.minus3Hz, c.minus3Hz, "-3 dB");
    expectFigure(merit.minus6Hz, c.minus6Hz, "-6 dB");
    expectFigure(merit.rippleDb, c.rippleDb, "ripple");
}

INSTANTIATE_TEST_SUITE_P(Cases, MeritTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<MeritCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
