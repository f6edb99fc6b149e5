// The thin-plate model converges as the edges are discretised more finely and
// more orders are summed, at the default accuracy to well within 0.5 dB.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "opbaff/thin_plate.h"

namespace {

using opbaff::PlateAccuracy;
using opbaff::PlateDriver;
using opbaff::PlateOutline;
using opbaff::SpacePoint;

struct ConvergenceCase {
    std::string name;
    PlateOutline outline;
    PlateDriver driver;
    SpacePoint listener;
};

void PrintTo(const ConvergenceCase& c, std::ostream* out) {
    *out << c.name;
}

double worstDb(const opbaff::PlateResponse& a, const opbaff::PlateResponse& b) {
    double w = 0.0;
    for (std::size_t i = 0; i < a.total.size(); ++i) {
        w = std::max(w, std::abs(20.0 * std::log10(std::abs(a.total[i]) / std::abs(b.total[i]))));
    }
    return w;
}

opbaff::PlateResponse responseAt(const ConvergenceCase& c, PlateAccuracy accuracy,
                                 const std::vector<double>& f) {
    auto plate = *opbaff::ThinPlate::create(c.outline, 344.0, accuracy);
    return *plate.response({c.driver}, f, c.listener);
}

class ThinPlateConvergence : public testing::TestWithParam<ConvergenceCase> {};

TEST_P(ThinPlateConvergence, DefaultsCloseToFinerAndCoarseFarther) {
    const auto& c = GetParam();
    const std::vector<double> f{25.0, 60.0, 150.0, 400.0, 1100.0, 2900.0};
    const auto fine = responseAt(c, {6.0, 16, 200, 1e-7}, f);
    const auto defaults = responseAt(c, {}, f);
    const auto coarse = responseAt(c, {1.5, 3, 200, 1e-7}, f);
    const auto twoOrders = responseAt(c, {6.0, 16, 2, 1e-7}, f);
    EXPECT_LT(worstDb(defaults, fine), 0.15);
    EXPECT_GT(worstDb(coarse, fine), worstDb(defaults, fine));
    // Below 200 Hz the orders beyond the second matter by decibels.
    EXPECT_GT(worstDb(twoOrders, fine), 1.0);
    for (int orders : defaults.ordersSummed) {
        EXPECT_LT(orders, PlateAccuracy{}.maxOrder) << "the orders did not converge";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThinPlateConvergence,
    testing::Values(ConvergenceCase{"ChamferedOffCentreBehind",
                                    *PlateOutline::chamferedRectangle(0.45, 0.8, 0.06),
                                    {{0.15, 0.55}, 1.0, -3.0, true},
                                    opbaff::listenerPosition({0.15, 0.55}, {1.5, 150.0, 10.0})},
                    ConvergenceCase{"HexagonFrontOffAxis",
                                    *PlateOutline::regularPolygon(6, 0.3),
                                    {{0.05, 0.0}},
                                    opbaff::listenerPosition({0.0, 0.0}, {2.0, -40.0, 20.0})}),
    [](const auto& info) { return info.param.name; });

}  // namespace
