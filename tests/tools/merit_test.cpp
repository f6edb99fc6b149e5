// Figures of merit against the passband level: small responses worked out by
// hand, a Butterworth high-pass and a peak of known height on a dense grid,
// falls that never come, levels that are not finite, and the band's text.
#include "merit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace opbaff::tools {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// An expected fall that never comes ("none"); NaN stands for an undefined one.
constexpr double kNever = -1.0;

struct MeritCase {
    const char* name;
    std::vector<float> frequencies;
    std::vector<float> levels;
    MeritBand band;
    double medianDb, peakDb, peakHz, minus3Hz, minus6Hz, rippleDb;
};

// Between points (f0, L0) and (f1, L1) the level L falls at f0 (f1/f0)^t,
// t = (L - L0) / (L1 - L0).
const MeritCase kHandCases[] = {
    // Band 400..1600: median 0 of {0, -1, 1}; the peak is 1 dB at 1600.
    // -3: t = 1/4 between 200 (-4) and 400 (0); -6: t = 2/3 between 100 and 200.
    {"interpolated_on_log_frequency",
     {100, 200, 400, 800, 1600},
     {-10, -4, 0, -1, 1},
     {400, 1600},
     0,
     1,
     1600,
     237.84142300054421,
     158.74010519681994,
     2},
    // Of an even count the median is the mean of the middle two: (1 + 3) / 2.
    // The walk starts at 800 Hz, the band's first point at or above it;
    // -3 (-1 dB) lies at t = 2/3 between 100 (-3) and 200 (0).
    {"median_of_an_even_count",
     {100, 200, 400, 800, 1600},
     {-3, 0, 1, 3, 5},
     {200, 1600},
     2,
     3,
     1600,
     158.74010519681994,
     kNever,
     5},
    // The comb dip at 400 Hz between the dipole peak (200 Hz) and the band is
    // no roll-off: the walk starts at the peak, -3: t = 7/13, -6: t = 4/13
    // between 100 (-10) and 200 (+3).
    {"dip_between_peak_and_band_is_no_roll_off",
     {100, 200, 400, 800, 1600, 3200},
     {-10, 3, -5, 0, 0, 0},
     {800, 3200},
     0,
     3,
     200,
     145.24228561143252,
     123.7726285305428,
     0},
    // A roll-off that reaches into the band is found there: the walk starts
    // at 400 Hz, the band's first point at the passband level; the 200 Hz
    // point exactly 6 dB down is the answer itself.
    {"roll_off_reaching_into_the_band",
     {100, 200, 400, 800},
     {-12, -6, 0, 0},
     {200, 800},
     0,
     0,
     400,
     282.84271247461901,
     200,
     6},
    // Never 3 dB down on the grid: both falls are "none".
    {"never_falls", {100, 200, 400}, {-2, 0, 0}, {200, 400}, 0, 0, 200, kNever, kNever, 0},
    // Levels that are not finite are left out: the median is that of {0, 0}
    // and the crossings lie between 100 and 400 (t = 2/3 and 1/3).
    {"not_finite_levels_left_out",
     {100, 200, 300, 400, 800},
     {-9, static_cast<float>(kNaN), -kInf, 0, 0},
     {300, 800},
     0,
     0,
     400,
     251.98420997897463,
     158.74010519681994,
     0},
    // Above the band's top nothing counts, not even for the peak.
    {"nothing_above_the_band",
     {100, 200, 400, 800},
     {-6, 0, 0, 9},
     {200, 400},
     0,
     0,
     200,
     141.42135623730950,
     100,
     0},
    {"no_finite_level_in_the_band",
     {100, 200, 400},
     {0, static_cast<float>(kNaN), kInf},
     {200, 400},
     kNaN,
     kNaN,
     kNaN,
     kNaN,
     kNaN,
     kNaN},
};

void PrintTo(const MeritCase& c, std::ostream* out) {
    *out << c.name;
}

void expectNumber(double actual, double expected, double relative, const std::string& figure) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << figure << " " << actual;
    } else {
        EXPECT_NEAR(actual, expected, relative * std::fabs(expected) + 1e-9) << figure;
    }
}

void expectFall(const Fall& fall, double expected, double relative, const std::string& figure) {
    if (std::isnan(expected)) {
        EXPECT_EQ(fall.kind, Fall::Kind::undefined) << figure;
    } else if (expected == kNever) {
        EXPECT_EQ(fall.kind, Fall::Kind::none) << figure;
        EXPECT_EQ(meritText(fallValue(fall)), "none") << figure;
    } else {
        EXPECT_EQ(fall.kind, Fall::Kind::at) << figure;
        expectNumber(fall.frequencyHz, expected, relative, figure);
    }
}

void expectFigures(const MeritCase& c, double relative) {
    const FiguresOfMerit merit = figuresOfMerit(c.frequencies, c.levels, c.band);
    expectNumber(merit.medianDb, c.medianDb, 1e-6, "median");
    expectNumber(merit.peakOverMedianDb, c.peakDb, 1e-6, "peak over median");
    expectNumber(merit.peakFrequencyHz, c.peakHz, 1e-7, "peak frequency");
    expectFall(merit.minus3, c.minus3Hz, relative, "-3 dB");
    expectFall(merit.minus6, c.minus6Hz, relative, "-6 dB");
    expectNumber(merit.rippleDb, c.rippleDb, 1e-6, "ripple");
}

class MeritHandTest : public testing::TestWithParam<MeritCase> {};

TEST_P(MeritHandTest, MatchesTheFiguresWorkedByHand) {
    expectFigures(GetParam(), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Cases, MeritHandTest, testing::ValuesIn(kHandCases),
                         [](const testing::TestParamInfo<MeritCase>& info) {
                             return std::string(info.param.name);
                         });

// Responses on a grid of 96 points per octave from 10 Hz to 20 kHz whose
// figures follow from formulas, not from the code's walk.
struct Shape {
    const char* name;
    double offsetDb;  // a flat level added everywhere: the figures follow the passband
    double cornerHz;  // a second-order Butterworth high-pass, |H|^2 = x^4 / (1 + x^4)
    double bumpDb;    // and a bump of this height at 300 Hz, a Gaussian in log2 f
};

void PrintTo(const Shape& c, std::ostream* out) {
    *out << c.name;
}

std::vector<float> denseGrid() {
    std::vector<float> grid;
    for (int k = 0; grid.empty() || grid.back() < 20000.0F; ++k) {
        grid.push_back(static_cast<float>(10.0 * std::exp2(k / 96.0)));
    }
    return grid;
}

double butterworthDb(double frequencyHz, double cornerHz) {
    const double x4 = std::pow(frequencyHz / cornerHz, 4.0);
    return 10.0 * std::log10(x4 / (1.0 + x4));
}

double shapeDb(const Shape& shape, double frequencyHz) {
    const double octaves = std::log2(frequencyHz / 300.0);
    return shape.offsetDb + butterworthDb(frequencyHz, shape.cornerHz) +
           shape.bumpDb * std::exp(-octaves * octaves / (2.0 * 0.1 * 0.1));
}

// Where the Butterworth high-pass is `depth` dB under `passbandDb - offset`:
// x^4 / (1 + x^4) = a, x = (a / (1 - a))^(1/4).
double butterworthFall(const Shape& shape, double passbandDb, double depth) {
    const double a = std::pow(10.0, (passbandDb - shape.offsetDb - depth) / 10.0);
    return shape.cornerHz * std::pow(a / (1.0 - a), 0.25);
}

const Shape kShapes[] = {
    {"butterworth_at_100_hz", 0.0, 100.0, 0.0},
    {"butterworth_at_40_hz_raised_4_db", 4.0, 40.0, 0.0},
    {"butterworth_with_a_3_db_peak_at_300_hz", 0.0, 60.0, 3.0},
};

class MeritShapeTest : public testing::TestWithParam<Shape> {};

TEST_P(MeritShapeTest, FollowsTheFormulas) {
    const Shape& shape = GetParam();
    const std::vector<float> grid = denseGrid();
    std::vector<float> levels;
    std::vector<float> inBand;
    for (const float f : grid) {
        levels.push_back(static_cast<float>(shapeDb(shape, f)));
        if (f >= 1000.0F && f <= 5000.0F) inBand.push_back(levels.back());
    }
    // The band's levels rise monotonically: its median is the middle point's
    // (or the mean of the middle two).
    const std::size_t middle = inBand.size() / 2;
    const double median = inBand.size() % 2 == 1
                              ? inBand[middle]
                              : (double{inBand[middle - 1]} + double{inBand[middle]}) / 2.0;
    const FiguresOfMerit merit = figuresOfMerit(grid, levels);
    EXPECT_NEAR(merit.medianDb, median, 1e-6);
    EXPECT_NEAR(merit.medianDb, shape.offsetDb, 1e-3);
    // The -3 dB point of a Butterworth high-pass is its corner (where |H|^2 is
    // exactly 1/2, -3.0103 dB: within 0.2 %), the -6 dB point 0.761 times it;
    // both by the formula within the error of a straight line in log f over
    // 1/96 octave: h^2 / 8 |L''| / L' with h = ln 2 / 96, L' = 40 / (ln 10 (1 +
    // x^4)) and L'' = -160 x^4 / (ln 10 (1 + x^4)^2) per neper, 1.3e-5 at most.
    ASSERT_EQ(merit.minus3.kind, Fall::Kind::at);
    ASSERT_EQ(merit.minus6.kind, Fall::Kind::at);
    EXPECT_NEAR(merit.minus3.frequencyHz / shape.cornerHz, 1.0, 2e-3);
    const double expected3 = butterworthFall(shape, median, 3.0);
    const double expected6 = butterworthFall(shape, median, 6.0);
    EXPECT_NEAR(merit.minus3.frequencyHz, expected3, 1.5e-5 * expected3);
    EXPECT_NEAR(merit.minus6.frequencyHz, expected6, 1.5e-5 * expected6);
    EXPECT_NEAR(expected6 / shape.cornerHz, 0.7610, 1e-3);
    if (shape.bumpDb > 0.0) {
        // At 300 Hz the high-pass is flat within 0.01 dB: the bump's top.
        EXPECT_NEAR(merit.peakOverMedianDb, shape.bumpDb, 0.01);
        EXPECT_NEAR(merit.peakFrequencyHz, 300.0, 300.0 * (std::exp2(1.0 / 96.0) - 1.0));
    } else {
        EXPECT_NEAR(merit.peakOverMedianDb, 0.0, 1e-3);  // the top of the grid's band
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, MeritShapeTest, testing::ValuesIn(kShapes),
                         [](const testing::TestParamInfo<Shape>& info) {
                             return std::string(info.param.name);
                         });

struct BandCase {
    const char* text;
    float fromHz, toHz;  // 0, 0: refused with a reason holding `reason`
    const char* reason;
};

const BandCase kBands[] = {
    {"200:2000", 200, 2000, ""},
    {"+31.5:1e4", 31.5F, 10000, ""},
    {"2000:200", 0, 0, "FROM must lie below TO"},
    {"500:500", 0, 0, "FROM must lie below TO"},
    {"0:1000", 0, 0, "FROM must lie above 0 Hz"},
    {"-100:1000", 0, 0, "FROM must lie above 0 Hz"},
    {"low:2000", 0, 0, "FROM 'low' is not a number"},
    {"200:2k", 0, 0, "TO '2k' is not a number"},
    {"200:nan", 0, 0, "TO 'nan' is not a number"},
    {"200:1e39", 0, 0, "TO '1e39' is not a number"},
    {"200", 0, 0, "expected FROM:TO in Hz"},
    {"200:2000:5000", 0, 0, "expected FROM:TO in Hz"},
    {"", 0, 0, "expected FROM:TO in Hz"},
};

TEST(MeritBandTest, ReadsFromToAndSaysWhyItRefuses) {
    for (const BandCase& c : kBands) {
        const auto band = parseMeritBand(c.text);
        if (c.toHz > 0.0F) {
            ASSERT_TRUE(band) << c.text << ": " << band.error();
            EXPECT_EQ(band->fromHz, c.fromHz) << c.text;
            EXPECT_EQ(band->toHz, c.toHz) << c.text;
        } else {
            ASSERT_FALSE(band) << c.text;
            EXPECT_EQ(band.error(), "band '" + std::string(c.text) + "': " + c.reason);
        }
    }
    // The default band reads back from its own text.
    const auto standard = parseMeritBand(meritBandText(MeritBand{}));
    ASSERT_TRUE(standard);
    EXPECT_EQ(standard->fromHz, MeritBand{}.fromHz);
    EXPECT_EQ(standard->toHz, MeritBand{}.toHz);
}

}  // namespace
}  // namespace opbaff::tools
