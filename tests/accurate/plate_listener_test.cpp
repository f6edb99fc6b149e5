// A plate solved for one listener hears any drivers as the drivers' own solve
// does: the adjoint orders and the forward ones are the same sum.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "opbaff/thin_plate.h"

namespace {

using opbaff::PlateDriver;
using opbaff::PlateError;
using opbaff::PlateOutline;
using opbaff::SpacePoint;
using opbaff::ThinPlate;
constexpr double kPi = 3.14159265358979323846;

std::vector<double> perOctave(double low, double high, int points) {
    std::vector<double> f;
    for (int i = 0; low * std::pow(2.0, double(i) / points) <= high * 1.0001; ++i) {
        f.push_back(low * std::pow(2.0, double(i) / points));
    }
    return f;
}

struct ListenerCase {
    std::string name;
    PlateOutline outline;
    std::vector<PlateDriver> drivers;
    SpacePoint listener;
};

void PrintTo(const ListenerCase& c, std::ostream* out) {
    *out << c.name;
}

std::string nameOf(const testing::TestParamInfo<ListenerCase>& info) {
    return info.param.name;
}

PlateDriver driverAt(double x, double y, double rearLevelDb = 0.0, bool rearOn = true,
                     double gain = 1.0) {
    return PlateDriver{{x, y}, gain, rearLevelDb, rearOn};
}

class PlateListenerSolution : public testing::TestWithParam<ListenerCase> {};

// Within 1e-4 of the size of the parts (which cancel in a null), and away from
// nulls within 0.01 dB and 0.1 degree of the forward solve; the first order is
// computed alike, to the bit.
TEST_P(PlateListenerSolution, HearsWhatTheDriversSolveHears) {
    const auto& c = GetParam();
    auto plate = *ThinPlate::create(c.outline);
    const auto f = perOctave(20.0, 20000.0, 2);
    const auto forward = plate.solve(c.drivers, f);
    ASSERT_TRUE(forward);
    const auto expected = forward->listen(c.listener);
    ASSERT_TRUE(expected);
    const auto reception = plate.solveForListener(c.listener, f);
    ASSERT_TRUE(reception);
    const auto heard = reception->hear(c.drivers);
    ASSERT_TRUE(heard);
    ASSERT_EQ(heard->total.size(), f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        const double parts = std::abs(expected->geometrical[i]) +
                             std::abs(expected->firstOrder[i]) +
                             std::abs(expected->higherOrders[i]);
        EXPECT_LE(std::abs(heard->total[i] - expected->total[i]), 1e-4 * parts) << f[i] << " Hz";
        EXPECT_EQ(heard->firstOrder[i], expected->firstOrder[i]) << f[i] << " Hz";
        if (std::abs(expected->total[i]) > 0.1 * parts) {
            const std::complex<double> ratio = heard->total[i] / expected->total[i];
            EXPECT_LT(std::abs(20.0 * std::log10(std::abs(ratio))), 0.01) << f[i] << " Hz";
            EXPECT_LT(std::abs(std::arg(ratio)) * 180.0 / kPi, 0.1) << f[i] << " Hz";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlateListenerSolution,
    testing::Values(ListenerCase{"OffCentreDipoleOnAxis",
                                 *PlateOutline::rectangle(0.6, 1.0),
                                 {driverAt(0.22, 0.70)},
                                 {0.3, 0.7, 2.0}},
                    ListenerCase{"BehindAndAside",
                                 *PlateOutline::rectangle(0.6, 1.0),
                                 {driverAt(0.22, 0.70)},
                                 {1.3, 0.4, -1.2}},
                    // Rear sources not in one proportion to the front ones: both faces'
                    // weights count apart.
                    ListenerCase{"TwoDriversUnequalRears",
                                 *PlateOutline::chamferedRectangle(0.5, 0.8, 0.08),
                                 {driverAt(0.25, 0.6, -6.0), driverAt(0.2, 0.25, 0.0, false, 0.7)},
                                 {0.9, 1.1, 1.5}},
                    ListenerCase{"GrazingNearThePlane",
                                 *PlateOutline::regularPolygon(8, 0.3, {0.0, 0.0}),
                                 {driverAt(0.05, -0.02)},
                                 {2.0, 0.1, 0.01}},
                    ListenerCase{"InThePlaneBeyondTheOutline",
                                 *PlateOutline::rectangle(0.5, 0.5),
                                 {driverAt(0.2, 0.3)},
                                 {2.0, 0.25, 0.0}}),
    nameOf);

TEST(PlateListenerSolutionErrors, BadInputsAreReported) {
    auto plate = *ThinPlate::create(*PlateOutline::rectangle(0.5, 0.5));
    const std::vector<double> f{100.0, 1000.0};
    EXPECT_EQ(plate.solveForListener({0.25, 0.25, 0.0}, f).error(), PlateError::listenerOnPlate);
    EXPECT_EQ(plate.solveForListener({0.25, NAN, 1.0}, f).error(), PlateError::valueNotFinite);
    EXPECT_EQ(plate.solveForListener({0.25, 0.25, 1.0}, {}).error(),
              PlateError::gridSizeOutOfRange);
    EXPECT_EQ(plate.solveForListener({0.25, 0.25, 1.0}, {-5.0}).error(),
              PlateError::frequencyNotPositive);
    const auto reception = plate.solveForListener({0.25, 0.25, 1.0}, f);
    ASSERT_TRUE(reception);
    EXPECT_EQ(reception->hear({}).error(), PlateError::noDriver);
    EXPECT_EQ(reception->hear({driverAt(0.6, 0.25)}).error(), PlateError::driverOffPlate);
    EXPECT_EQ(reception->hear({driverAt(0.25, INFINITY)}).error(), PlateError::valueNotFinite);
}

}  // namespace
