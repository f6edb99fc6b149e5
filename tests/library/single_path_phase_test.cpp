// The phases of the single-path model's values over its options, against the
// closed form of the independent computation: the driver's high-pass plus one
// delayed, weighted rear term.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <ostream>

#include "opbaff/opbaff.h"
#include "reference_model.h"

namespace opbaff {
namespace {

using test::Wide;

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

class SinglePathPhaseTest : public testing::TestWithParam<PhaseCase> {};

TEST_P(SinglePathPhaseTest, PhasesMatchTheClosedForm) {
    const PhaseCase& c = GetParam();
    const Response table = computeResponse(designOf(c));
    constexpr std::size_t kColumns[] = {0, 1, 3};
    for (std::size_t i = 0; i < table.frequenciesHz.size(); ++i) {
        const test::ReferenceValues reference =
            test::referenceValues(designOf(c), table.frequenciesHz[i]);
        for (const std::size_t k : kColumns) {
            SCOPED_TRACE("row " + std::to_string(i + 1) + ", column " + std::to_string(k + 1));
            // Single-precision sums: an absolute error near 1e-6 of the terms
            // added, which turns the phase by that much over the sum's magnitude.
            const Wide expected = reference.values[k];
            const double tolerance = 1e-4 + 1e-3 * reference.scale / std::abs(expected);
            const double phase =
                std::arg(Wide(table.columns[k].values[i])) * 180.0 / std::numbers::pi;
            const double expectedPhase = std::arg(expected) * 180.0 / std::numbers::pi;
            EXPECT_NEAR(std::remainder(phase - expectedPhase, 360.0), 0.0, tolerance);
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
