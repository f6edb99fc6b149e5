// Phases in degrees, wrapped to (-180, 180], as the FRD files print them.
#include "tools/phase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <string>

namespace opbaff::tools {
namespace {

struct PhaseCase {
    std::complex<float> value;
    double degrees;
};

void PrintTo(const PhaseCase& c, std::ostream* out) {
    *out << "(" << c.value.real() << ", " << c.value.imag() << ")";
}

class PhaseDegreesTest : public testing::TestWithParam<PhaseCase> {};

TEST_P(PhaseDegreesTest, AngleOfTheComplexValue) {
    const PhaseCase& c = GetParam();
    EXPECT_NEAR(phaseDegrees(c.value), c.degrees, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PhaseDegreesTest,
    testing::Values(PhaseCase{{1.0F, 0.0F}, 0.0}, PhaseCase{{0.0F, 2.0F}, 90.0},
                    PhaseCase{{0.0F, -0.5F}, -90.0}, PhaseCase{{-1.0F, 1.0F}, 135.0},
                    PhaseCase{{-1.0F, -1.0F}, -135.0}, PhaseCase{{-1.0F, 0.0F}, 180.0},
                    // atan2 gives -180 here: it becomes +180
                    PhaseCase{{-1.0F, -0.0F}, 180.0}, PhaseCase{{-3.0F, -1e-30F}, 180.0},
                    PhaseCase{{0.0F, 0.0F}, 0.0}));

struct FormatCase {
    double degrees;
    const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.degrees;
}

class FormatPhaseTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatPhaseTest, FourDecimalsInsideTheRange) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatPhase(c.degrees), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatPhaseTest,
    testing::Values(FormatCase{0.0, "0.0000"}, FormatCase{12.345678, "12.3457"},
                    FormatCase{-90.00004, "-90.0000"}, FormatCase{179.99996, "180.0000"},
                    FormatCase{180.0, "180.0000"}, FormatCase{-179.9999, "-179.9999"},
                    // would print as -180.0000, outside the range
                    FormatCase{-179.99996, "180.0000"}));

TEST(PhaseDegreesTest, NotANumberStaysNotANumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(phaseDegrees({nan, 1.0F})));
}

// The driver's high-pass turns the phase by 180 degrees far below its
// resonance, 90 at it and 0 far above: a second-order high-pass.
TEST(DriverPhaseTest, TheHighPassAddsItsPhaseToTheBaffles) {
    Design design;
    design.resonanceHz = 40.0F;
    design.qualityFactor = 0.7F;
    const std::complex<float> baffle{0.0F, 1.0F};  // 90 degrees
    struct Point {
        double frequency;
        double degrees;
    };
    for (const Point p : {Point{0.004, -90.0}, Point{40.0, 180.0}, Point{400000.0, 90.0}}) {
        EXPECT_NEAR(responsePhaseDegrees(baffle, design, p.frequency, PhaseMode::driver), p.degrees,
                    0.01)
            << p.frequency;
        EXPECT_EQ(responsePhaseDegrees(baffle, design, p.frequency, PhaseMode::baffle), 90.0);
    }
    // In between, that of s^2 / (s^2 + s/Q + 1) at s = j f/fr.
    for (double f = 10.0; f < 1000.0; f *= 1.3) {
        const double x = f / 40.0;
        const double q = design.qualityFactor;
        const double highPass = 180.0 - std::atan2(x / q, 1.0 - x * x) * 180.0 / M_PI;
        EXPECT_NEAR(std::remainder(responsePhaseDegrees(baffle, design, f, PhaseMode::driver) -
                                       90.0 - highPass,
                                   360.0),
                    0.0, 1e-9)
            << f;
    }
}

}  // namespace
}  // namespace opbaff::tools
