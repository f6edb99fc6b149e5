// Phases in degrees, wrapped to (-180, 180], with and without the driver's
// high-pass.
#include "opbaff/phase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "opbaff/opbaff.h"

namespace opbaff {
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
        const double highPass = 180.0 - std::atan2(x / q, 1.0 - x * x) * 180.0 / std::numbers::pi;
        EXPECT_NEAR(std::remainder(responsePhaseDegrees(baffle, design, f, PhaseMode::driver) -
                                       90.0 - highPass,
                                   360.0),
                    0.0, 1e-9)
            << f;
    }
}

// A row's phase is its value's: the README's recipe for a library user gives
// the phase with the driver, near 172 degrees at 20 Hz for the shipped example
// where the baffle's values alone give about 35.
TEST(DriverPhaseTest, ARowsPhaseIsItsValuesWithTheDriver) {
    const Design design;
    const Response response = computeResponse(design);
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const ResponseRow row = response.row(i);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(phaseDegrees(row, k, design, PhaseMode::driver),
                      responsePhaseDegrees(response.columns[k].values[i], design,
                                           response.frequenciesHz[i], PhaseMode::driver));
        }
    }
    const auto at20 = FrequencyGrid::fromFrequencies({20.0F});
    const ResponseRow row = computeResponse(design, *at20).row(0);
    EXPECT_NEAR(phaseDegrees(row, 0, design, PhaseMode::driver), 172.0, 1.0);
    EXPECT_NEAR(phaseDegrees(row, 0, design, PhaseMode::baffle), 35.0, 1.0);
}

}  // namespace
}  // namespace opbaff
