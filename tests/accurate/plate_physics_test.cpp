// Properties of the thin-plate model that need no reference solution.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "opbaff/thin_plate.h"

namespace {

using opbaff::PlateDriver;
using opbaff::PlateOutline;
using opbaff::SpacePoint;
using opbaff::ThinPlate;
constexpr double kPi = 3.14159265358979323846;

double db(std::complex<double> h) {
    return 20.0 * std::log10(std::abs(h));
}

std::vector<double> perOctave(double low, double high, int points) {
    std::vector<double> f;
    for (int i = 0; low * std::pow(2.0, double(i) / points) <= high * 1.0001; ++i) {
        f.push_back(low * std::pow(2.0, double(i) / points));
    }
    return f;
}

ThinPlate plateOf(const PlateOutline& outline) {
    return *ThinPlate::create(outline);
}

// p(x, y, -z) = -p(x, y, z) for the +1 / -1 pair, wherever the listener is.
struct MirrorCase {
    std::string name;
    PlateOutline outline;
    PlateDriver driver;
    SpacePoint listener;
};

void PrintTo(const MirrorCase& c, std::ostream* out) {
    *out << c.name;
}

class DipoleMirror : public testing::TestWithParam<MirrorCase> {};

TEST_P(DipoleMirror, MirrorPositionsHearOppositeValues) {
    const auto& c = GetParam();
    ThinPlate plate = plateOf(c.outline);
    const auto f = perOctave(20.0, 5000.0, 3);
    auto solution = plate.solve({c.driver}, f);
    ASSERT_TRUE(solution);
    const auto front = solution->listen(c.listener);
    const auto back = solution->listen({c.listener.x, c.listener.y, -c.listener.z});
    ASSERT_TRUE(front && back);
    for (std::size_t i = 0; i < f.size(); ++i) {
        EXPECT_LT(std::abs(front->total[i] + back->total[i]), 1e-9 * std::abs(front->total[i]))
            << f[i] << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DipoleMirror,
                         testing::Values(MirrorCase{"OffCentreRectangleOffAxis",
                                                    *PlateOutline::rectangle(0.6, 1.0),
                                                    {{0.22, 0.7}},
                                                    {1.2, 0.4, 1.5}},
                                         MirrorCase{"OctagonNearEdge",
                                                    *PlateOutline::regularPolygon(8, 0.3),
                                                    {{0.05, -0.1}},
                                                    {0.4, 0.1, 0.3}}),
                         [](const auto& info) { return info.param.name; });

// Beyond the outline, close to the plate's plane, a front source alone is heard
// nearly alike just in front and just behind (the geometrical sound's jump is
// made up by the diffraction at the zone boundary), so the dipole's sum there is
// a deep null against either source alone. This needs the higher orders' edge
// waves that go on past an edge into the plane integrated across their apex
// points as well as the first order's.
struct InPlaneCase {
    std::string name;
    PlateOutline outline;
    opbaff::PlatePoint driver;
    opbaff::PlatePoint listener;  // in the plane, beyond the outline
};

void PrintTo(const InPlaneCase& c, std::ostream* out) {
    *out << c.name;
}

class ThinPlateZoneBoundary : public testing::TestWithParam<InPlaneCase> {};

TEST_P(ThinPlateZoneBoundary, InPlaneListenerBeyondOutlineHearsDeepNull) {
    const auto& c = GetParam();
    ThinPlate plate = plateOf(c.outline);
    const auto f = perOctave(50.0, 4000.0, 2);
    PlateDriver frontOnly{c.driver};
    frontOnly.rearOn = false;
    auto single = plate.solve({frontOnly}, f);
    auto dipole = plate.solve({PlateDriver{c.driver}}, f);
    ASSERT_TRUE(single && dipole);
    // 1.2e-16 m is where a listener at 90 degrees lands after rounding.
    for (double z : {1e-3, 1e-6, 1e-12, 1.2246e-16, -1e-18}) {
        const SpacePoint listener{c.listener.x, c.listener.y, z};
        const auto alone = single->listen(listener);
        const auto pair = dipole->listen(listener);
        ASSERT_TRUE(alone && pair);
        for (std::size_t i = 0; i < f.size(); ++i) {
            EXPECT_LT(db(pair->total[i]) - db(alone->total[i]), -30.0) << f[i] << " Hz, z = " << z;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThinPlateZoneBoundary,
    testing::Values(
        InPlaneCase{
            "SquareBeyondAnEdge", *PlateOutline::rectangle(0.5, 0.5), {0.2, 0.3}, {2.25, 0.3}},
        InPlaneCase{
            "OctagonBeyondAnEdge", *PlateOutline::regularPolygon(8, 0.3), {0.05, -0.1}, {1.5, 0.3}},
        InPlaneCase{
            "RectangleBeyondACorner", *PlateOutline::rectangle(0.6, 1.0), {0.22, 0.7}, {1.6, 2.1}}),
    [](const auto& info) { return info.param.name; });

// The apex correction near the plane beyond an edge is faded out between 47 and
// 60 degrees from the plane (|cos(theta / 2)| from 0.4 to 0.5): the response is
// continuous there, no step where the correction starts or stops.
TEST(ThinPlateZoneBoundary, ResponseContinuousWhereTheCorrectionFades) {
    ThinPlate plate = plateOf(*PlateOutline::rectangle(0.5, 0.5));
    const auto f = perOctave(50.0, 4000.0, 2);
    PlateDriver frontOnly{{0.2, 0.3}};
    frontOnly.rearOn = false;
    auto single = plate.solve({frontOnly}, f);
    ASSERT_TRUE(single);
    // 10 cm beyond the edge x = 0.5, where the peaks stay narrow longest.
    const auto at = [&](double elevation) {
        return *single->listen({0.5 + 0.1 * std::cos(elevation), 0.3, 0.1 * std::sin(elevation)});
    };
    constexpr double step = 1e-6;  // radians either side
    for (double a : {0.4, 0.5}) {
        const double elevation = 2.0 * std::asin(a);
        const auto below = at(elevation - step);
        const auto above = at(elevation + step);
        for (std::size_t i = 0; i < f.size(); ++i) {
            EXPECT_LT(std::abs(above.total[i] - below.total[i]), 1e-4 * std::abs(below.total[i]))
                << f[i] << " Hz, |cos(theta / 2)| = " << a;
        }
    }
}

// Swapping a front-face source and a listener just off the front face gives the
// same pressure: the edge-source formulation is reciprocal.
TEST(ThinPlateReciprocity, SwappingSourceAndListenerGivesSameValue) {
    ThinPlate plate = plateOf(*PlateOutline::chamferedRectangle(0.4, 0.7, 0.08));
    const auto f = perOctave(20.0, 3000.0, 2);
    const opbaff::PlatePoint a{0.1, 0.2};
    const opbaff::PlatePoint b{0.3, 0.55};
    constexpr double lift = 1e-7;
    auto forward = plate.solve({{a, 1.0, 0.0, false}}, f);
    auto backward = plate.solve({{b, 1.0, 0.0, false}}, f);
    ASSERT_TRUE(forward && backward);
    const auto pab = forward->listen({b.x, b.y, lift});
    const auto pba = backward->listen({a.x, a.y, lift});
    ASSERT_TRUE(pab && pba);
    for (std::size_t i = 0; i < f.size(); ++i) {
        // Both are relative to 2 G over the same distance, so they compare directly.
        const auto dif = pab->total[i] - pba->total[i];
        EXPECT_LT(std::abs(dif), 0.01 * std::abs(pab->total[i])) << f[i] << " Hz";
    }
}

// Low frequencies: in the far field the dipole falls by 6 dB per octave, and
// near it its phase against the front source's direct sound tends to arctan(kr).
TEST(ThinPlateLowFrequency, DipoleSlopeAndNearFieldPhase) {
    ThinPlate plate = plateOf(*PlateOutline::rectangle(0.5, 0.5));
    const std::vector<double> f{10.0, 20.0};
    auto far = plate.response({PlateDriver{{0.25, 0.25}}}, f, {0.25, 0.25, 60.0});
    ASSERT_TRUE(far);
    EXPECT_NEAR(db(far->total[1]) - db(far->total[0]), 6.02, 0.1);
    auto h = plate.response({PlateDriver{{0.25, 0.25}}}, f, {0.25, 0.25, 3.0});
    ASSERT_TRUE(h);
    for (std::size_t i = 0; i < f.size(); ++i) {
        const double kr = 2.0 * kPi * f[i] / 344.0 * 3.0;
        EXPECT_NEAR(std::arg(h->total[i]) * 180.0 / kPi, std::atan(kr) * 180.0 / kPi, 1.0)
            << f[i] << " Hz";
    }
}

// A plate large against the wavelength and the listening distance: the level
// relative to the infinite baffle tends to 0 dB, the closer the larger the plate.
TEST(ThinPlateLargePlate, TendsToInfiniteBaffle) {
    const auto f = perOctave(1000.0, 2000.0, 6);
    double previous = 1e9;
    for (double side : {1.0, 2.0}) {
        ThinPlate plate = plateOf(*PlateOutline::rectangle(side, side));
        auto h = plate.response({PlateDriver{{side / 2, side / 2}}}, f, {side / 2, side / 2, 0.3});
        ASSERT_TRUE(h);
        double worst = 0.0;
        for (const auto& v : h->total) {
            worst = std::max(worst, std::abs(db(v)));
        }
        EXPECT_LT(worst, 0.5 * previous) << side << " m";
        previous = worst;
    }
    EXPECT_LT(previous, 0.6);
}

// Errors come back as values.
TEST(ThinPlateErrors, BadInputsAreReported) {
    EXPECT_EQ(PlateOutline::polygon({{0, 0}, {0, 1}, {1, 1}, {1, 0}}).error(),
              opbaff::PlateError::outlineNotConvex);
    EXPECT_EQ(PlateOutline::rectangle(-1.0, 1.0).error(), opbaff::PlateError::sizeNotPositive);
    ThinPlate plate = plateOf(*PlateOutline::rectangle(0.5, 0.5));
    EXPECT_EQ(plate.solve({PlateDriver{{0.6, 0.2}}}, {100.0}).error(),
              opbaff::PlateError::driverOffPlate);
    EXPECT_EQ(plate.solve({PlateDriver{{0.2, 0.2}}}, {-1.0}).error(),
              opbaff::PlateError::frequencyNotPositive);
    auto s = plate.solve({PlateDriver{{0.2, 0.2}}}, {100.0});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->listen({0.3, 0.3, 0.0}).error(), opbaff::PlateError::listenerOnPlate);
}

}  // namespace
