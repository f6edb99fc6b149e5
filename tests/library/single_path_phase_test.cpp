// The phases of the response values against an independent double-precision
// computation of the single-path model: the driver's high-pass plus one
// delayed, weighted rear term, a closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <ostream>

#include "opbaff/opbaff.h"

namespace opbaff {
namespace {

using Wide = std::complex<double>;

struct PhaseCase {
    const char* name;
    Model model;
    float roundBaffleDiameterCm;
    float listenerDistanceM;
    float driverDiameterCm;
    bool piston;
    bool rearPhase;
    bool halfRearLevel;
};

const PhaseCase kCases[] = {
    {"plain", Model::singlePath, 60.0F, 2.0F, 20.0F, false, false, false},
    {"piston_and_rear_phase", Model::singlePath, 60.0F, 2.0F, 20.0F, true, true, false},
    {"small_baffle_near", Model::singlePath, 25.0F, 0.5F, 10.0F, true, false, true},
    {"large_baffle_far", Model::singlePath, 150.0F, 4.0F, 30.0F, false, true, false},
    {"half_delay", Model::singlePathHalfDelay, 45.0F, 1.5F, 16.5F, true, true, true},
};

void PrintTo(const PhaseCase& c, std::ostream* out) {
    *out << c.name;
}

Design designOf(const PhaseCase& c) {
    Design p;
    p.model = c.model;
    p.driverDiameterCm = c.driverDiameterCm;
    p.resonanceHz = 40.0F;
    p.qualityFactor = 0.7F;
    p.listenerDistanceM = c.listenerDistanceM;
    p.rearPhaseFactor = c.rearPhase ? RearPhaseFactor::on : RearPhaseFactor::off;
    p.pistonFactor = c.piston ? PistonFactor::on : PistonFactor::off;
    p.roundBaffleDiameterCm = c.roundBaffleDiameterCm;
    p.rearLevel = c.halfRearLevel ? RearLevel::half : RearLevel::full;
    p.offAxisAngleDeg = 0.0F;
    return p;
}

double phaseDegrees(std::complex<float> value) {
    return std::arg(std::complex<double>(value)) * 180.0 / std::numbers::pi;
}

// Front source, rear source and bare rear source at f, in double precision.
struct Sources {
    double driver;
    Wide front, rear, rearBare;
};

Sources sourcesAt(const PhaseCase& c, double f) {
    const double x = f / 40.0;
    const double highPass = x * x / std::hypot(1.0 - x * x, x / 0.7);
    const double ka = std::numbers::pi * f * c.driverDiameterCm / 100.0 / 344.0;
    const double piston = c.piston ? 2.0 * std::cyl_bessel_j(1.0, ka) / ka : 1.0;
    const double y = f * c.driverDiameterCm / 100.0 / 344.0;
    const Wide rearPhase = c.rearPhase ? std::polar(1.0, -std::atan(y)) : Wide(1.0);
    const double rearLevel = c.halfRearLevel ? 0.5 : 1.0;
    return {highPass, highPass * piston, -rearLevel * highPass * piston * rearPhase,
            Wide(-rearLevel * highPass)};
}

// The three response sums of a row: full rear, bare rear, front plus rear.
std::array<Wide, 3> closedForm(const PhaseCase& c, double f) {
    const Sources s = sourcesAt(c, f);
    const double d = c.listenerDistanceM;
    const double r = c.roundBaffleDiameterCm / 200.0;
    const double extraPath = r + std::hypot(d, r) - d;
    const Wide delay =
        std::polar(d / (d + extraPath), -2.0 * std::numbers::pi * f * extraPath / 344.0);
    const bool halfDelay = c.model == Model::singlePathHalfDelay;
    const Wide frontDelay =
        halfDelay ? std::polar(1.0, -std::numbers::pi * f * extraPath / 344.0) : Wide(1.0);
    return {s.driver + s.rear * delay, s.driver + s.rearBare * delay,
            s.front * frontDelay + s.rear};
}

double wrappedDifference(double a, double b) {
    return std::remainder(a - b, 360.0);
}

class SinglePathPhaseTest : public testing::TestWithParam<PhaseCase> {};

TEST_P(SinglePathPhaseTest, PhasesMatchTheClosedForm) {
    const PhaseCase& c = GetParam();
    const Response table = computeResponse(designOf(c));
    constexpr std::size_t kColumns[] = {0, 1, 3};
    for (std::size_t i = 0; i < table.frequenciesHz.size(); ++i) {
        const std::array<Wide, 3> expected = closedForm(c, table.frequenciesHz[i]);
        const Sources s = sourcesAt(c, table.frequenciesHz[i]);
        // Single-precision sums: an absolute error near 1e-6 of the terms
        // added, which turns the phase by that much over the sum's magnitude.
        const double terms = s.driver + std::abs(s.front) + std::abs(s.rear);
        for (std::size_t k = 0; k < 3; ++k) {
            SCOPED_TRACE("row " + std::to_string(i + 1) + ", column " +
                         std::to_string(kColumns[k] + 1));
            const double tolerance = 1e-4 + 1e-3 * terms / std::abs(expected[k]);
            const double phase = phaseDegrees(table.columns[kColumns[k]].values[i]);
            const double expectedPhase = std::arg(expected[k]) * 180.0 / std::numbers::pi;
            EXPECT_NEAR(wrappedDifference(phase, expectedPhase), 0.0, tolerance);
            EXPECT_TRUE(phase >= -180.0 && phase <= 180.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SinglePathPhaseTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PhaseCase>& info) {
                             return std::string(info.param.name);
                         });

// Column 4 takes no path, so both models give it the same phase.
TEST(NoPathPhaseTest, RectangularModelGivesTheSinglePathPhase) {
    const Design single = designOf(kCases[1]);
    Design rectangular = single;
    rectangular.model = Model::rectangular;
    rectangular.baffleHeightCm = 100.0F;
    rectangular.baffleWidthCm = 60.0F;
    rectangular.driverXCm = 22.0F;
    rectangular.driverYCm = 70.0F;
    const Response a = computeResponse(single);
    const Response b = computeResponse(rectangular);
    EXPECT_EQ(a.columns[3].values, b.columns[3].values);
}

}  // namespace
}  // namespace opbaff
