// Phases in degrees, wrapped to (-180, 180], as the FRD files print them.
#include "view/phase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <string>

namespace opbaff::view {
namespace {

struct PhaseCase {
    std::complex<float> value;
    double degrees;
};

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

}  // namespace
}  // namespace opbaff::view
