// A design heard on the thin-plate model: the mapping of the design's geometry
// onto the plate, checked by symmetry and physics rather than by figures.
#include "opbaff/design_plate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace opbaff {
namespace {

// Three points per octave keep each solve short; the properties hold at every
// frequency.
FrequencyGrid coarseGrid() {
    GridRequest request;
    request.pointsPerOctave = 3;
    request.lowestHz = 20.0F;
    request.highestHz = 5000.0F;
    return *FrequencyGrid::perOctave(request);
}

Design smallDesign() {
    Design d;
    d.baffleWidthCm = 40.0F;
    d.baffleHeightCm = 60.0F;
    d.driverXCm = 14.0F;
    d.driverYCm = 38.0F;
    d.roundBaffleDiameterCm = 40.0F;
    return d;
}

TEST(DesignPlate, MirroredDesignHeardFromTheMirroredSideIsTheSame) {
    // Side 1 and side 2 swap when the driver is measured from the other edge
    // and the angle changes sign: the listener stands at the mirror place.
    Design near = smallDesign();
    near.offAxisAngleDeg = 35.0F;
    Design mirrored = near;
    mirrored.driverXCm = near.baffleWidthCm - near.driverXCm;
    mirrored.offAxisAngleDeg = -near.offAxisAngleDeg;
    const auto a = computePlateResponse(near, coarseGrid());
    const auto b = computePlateResponse(mirrored, coarseGrid());
    ASSERT_TRUE(a && b);
    for (std::size_t k = 0; k < 3; ++k) {
        for (std::size_t i = 0; i < a->frequenciesHz.size(); ++i) {
            EXPECT_NEAR(a->columns[k].levelsDb[i], b->columns[k].levelsDb[i], 0.01)
                << "column " << k << " at " << a->frequenciesHz[i] << " Hz";
        }
    }
    // And the side matters: the same design heard from the other side differs.
    Design otherSide = near;
    otherSide.offAxisAngleDeg = -near.offAxisAngleDeg;
    const auto c = computePlateResponse(otherSide, coarseGrid());
    ASSERT_TRUE(c);
    double largest = 0.0;
    for (std::size_t i = 0; i < a->frequenciesHz.size(); ++i) {
        largest = std::max(largest,
                           std::abs(double(a->columns[2].levelsDb[i]) - c->columns[2].levelsDb[i]));
    }
    EXPECT_GT(largest, 1.0);
}

TEST(DesignPlate, StraightBehindHearsTheOppositeOfOnAxis) {
    // A thin plate with a dipole of equal faces: the mirror point through the
    // plate's plane hears the opposite pressure.
    const auto plate = DesignPlate::create(smallDesign(), coarseGrid());
    ASSERT_TRUE(plate);
    const auto front = plate->listen(0.0, 0.0);
    const auto behind = plate->listen(180.0, 0.0);
    ASSERT_TRUE(front && behind);
    for (std::size_t i = 0; i < front->values.size(); ++i) {
        const std::complex<float> sum = front->values[i] + behind->values[i];
        EXPECT_LT(std::abs(sum), 1e-3F * std::abs(front->values[i]))
            << plate->frequenciesHz()[i] << " Hz";
    }
}

TEST(DesignPlate, LevelsHoldTheHighPassAndThePistonOffAxisOnly) {
    Design withPiston = smallDesign();
    Design without = withPiston;
    without.pistonFactor = PistonFactor::off;
    const auto a = DesignPlate::create(withPiston, coarseGrid());
    const auto b = DesignPlate::create(without, coarseGrid());
    ASSERT_TRUE(a && b);
    const auto onAxisA = a->listen(0.0, 0.0);
    const auto onAxisB = b->listen(0.0, 0.0);
    const auto upA = a->listen(0.0, 60.0);  // 60 degrees above the axis
    const auto upB = b->listen(0.0, 60.0);
    ASSERT_TRUE(onAxisA && onAxisB && upA && upB);
    for (std::size_t i = 0; i < onAxisA->values.size(); ++i) {
        const double f = a->frequenciesHz()[i];
        EXPECT_EQ(onAxisA->levelsDb[i], onAxisB->levelsDb[i]) << f << " Hz";
        // The levels carry the high-pass's magnitude over the plate's value.
        const double plate = 20.0 * std::log10(std::abs(std::complex<double>(onAxisB->values[i])));
        const double highPass = 20.0 * std::log10(std::abs(driverHighPass(without, f)));
        EXPECT_NEAR(onAxisB->levelsDb[i], plate + highPass, 1e-3) << f << " Hz";
        // A 20 cm piston at 60 degrees: x = k a sin 60.
        const double x = 2.0 * M_PI * f / 344.0 * 0.1 * std::sin(M_PI / 3.0);
        const double piston = 20.0 * std::log10(std::abs(2.0 * std::cyl_bessel_j(1.0, x) / x));
        EXPECT_NEAR(upA->levelsDb[i] - upB->levelsDb[i], piston, 1e-3) << f << " Hz";
    }
}

TEST(DesignPlate, HalfRearLevelCancelsLessAtLowFrequencies) {
    // Single path: column 1 has the design's rear level (half), column 2 a full
    // rear source. Well below the dipole peak a full rear source nearly cancels
    // the front; half of it leaves about half the front's pressure.
    Design d = smallDesign();
    d.model = Model::singlePath;
    d.rearLevel = RearLevel::half;
    const auto response = computePlateResponse(d, coarseGrid());
    ASSERT_TRUE(response);
    EXPECT_GT(response->columns[0].levelsDb[0], response->columns[1].levelsDb[0] + 10.0F);
    const auto classic = computeResponse(d, coarseGrid());
    for (std::size_t k = 2; k < 4; ++k) {
        EXPECT_EQ(response->columns[k].levelsDb, classic.columns[k].levelsDb) << "column " << k;
    }
}

TEST(DesignPlate, DesignsThatAreNoPlateAreRefused) {
    struct Case {
        const char* name;
        void (*change)(Design&);
        PlateError error;
    };
    const Case cases[] = {
        {"driver beyond the side edge", [](Design& d) { d.driverXCm = 45.0F; },
         PlateError::driverOffPlate},
        {"driver on the bottom edge", [](Design& d) { d.driverYCm = 0.0F; },
         PlateError::driverOffPlate},
        {"width of zero", [](Design& d) { d.baffleWidthCm = 0.0F; }, PlateError::sizeNotPositive},
        {"listener at the driver", [](Design& d) { d.listenerDistanceM = 0.0F; },
         PlateError::sizeNotPositive},
        {"height not a number", [](Design& d) { d.baffleHeightCm = NAN; },
         PlateError::valueNotFinite},
        {"round baffle of zero", [](Design& d) { d.roundBaffleDiameterCm = 0.0F; },
         PlateError::sizeNotPositive},
    };
    for (const Case& c : cases) {
        Design d = smallDesign();
        c.change(d);
        const auto response = computePlateResponse(d, coarseGrid());
        ASSERT_FALSE(response) << c.name;
        EXPECT_EQ(response.error(), c.error) << c.name << ": " << plateErrorText(response.error());
    }
}

}  // namespace
}  // namespace opbaff
