#include <gtest/gtest.h>

#include <cmath>

#include "model/edge_geometry.h"
#include "model/edge_summation.h"
#include "model_test_support.h"

namespace opbaff {
namespace {

using test::exampleParameters;
using test::runModel;

const RunConstants kConstants = makeRunConstants();

ParameterSet centredParameters() {
    ParameterSet p = exampleParameters("r");
    p.driverXCm = 30.0F;  // half the width
    return p;
}

SideGeometry side(const ParameterSet& p, int number, Real angle) {
    const EdgeDirections directions = buildEdgeDirections(p, kConstants.pi);
    const Real distance = number == 1 ? p.baffleWidthCm - p.driverXCm : p.driverXCm;
    SideGeometry geometry;
    computeSideGeometry(p, directions, distance, angle, geometry);
    return geometry;
}

TEST(EdgeDirections, SweepFromJustBelowToJustAboveTheDriver) {
    const EdgeDirections d = buildEdgeDirections(exampleParameters(), kConstants.pi);
    EXPECT_EQ(d.edgeAngle.front(), -d.edgeAngle.back());
    EXPECT_GT(d.edgeAngle[50], 1.0e-4F);
    EXPECT_LT(d.edgeAngle[50], 2.0e-4F);
    for (std::size_t i = 1; i < d.edgeAngle.size(); ++i) {
        EXPECT_GT(d.edgeAngle[i], d.edgeAngle[i - 1]);
        EXPECT_NE(d.edgeAngle[i], 0.0F);
    }
    // The last gap is about 2e-4 shorter than the others.
    const double step = kConstants.pi / 100.0;
    EXPECT_NEAR(d.edgeAngle[100] - d.edgeAngle[99], step - 2e-4, 2e-6);
    EXPECT_EQ(d.topDistanceCm, 30.0F);
}

TEST(EdgeGeometry, SymmetricDriverHasEqualSides) {
    const ParameterSet p = centredParameters();
    const Real angle = listeningAngleRadians(p.offAxisAngleDeg, kConstants.pi);
    const SideGeometry one = side(p, 1, angle);
    const SideGeometry two = side(p, 2, -angle);
    const SideGeometry oneMirrored = side(p, 1, -angle);
    EXPECT_EQ(one.pathDifference, two.pathDifference);
    EXPECT_EQ(one.roundPathDifference, two.roundPathDifference);
    EXPECT_EQ(one.pathWeight, two.pathWeight);
    EXPECT_EQ(one.roundPathWeight, two.roundPathWeight);
    EXPECT_EQ(two.offAxisPathDifference, oneMirrored.offAxisPathDifference);
    EXPECT_EQ(two.offAxisPathWeight, oneMirrored.offAxisPathWeight);
}

TEST(EdgeGeometry, DriverOnTheBottomEdgeAndRoundBaffleOfNoSize) {
    ParameterSet p = exampleParameters("r");
    p.driverYCm = 0.0F;
    p.roundBaffleDiameterCm = 0.0F;
    const SideGeometry g = side(p, 1, 0.5F);
    const EdgeDirections d = buildEdgeDirections(p, kConstants.pi);
    const Complex oneShare{1.0F / 101.0F, 0.0F};
    for (std::size_t i = 0; i < d.edgeAngle.size(); ++i) {
        EXPECT_EQ(g.roundPathDifference[i], 0.0F);
        EXPECT_EQ(g.roundPathWeight[i], oneShare);
        if (d.edgeAngle[i] < 0) {
            EXPECT_EQ(g.pathDifference[i], 0.0F) << i;
            EXPECT_EQ(g.pathWeight[i], oneShare) << i;
        } else {
            EXPECT_GT(g.pathDifference[i], 0.0F) << i;
        }
    }
}

TEST(EdgeGeometry, PathsFollowTheNearestEdge) {
    // 60 x 100 cm, driver 22 cm from side 2 and 70 cm up: side 1's edge is 38 cm
    // away horizontally, the top edge 30 cm straight up, the bottom 70 cm down.
    const ParameterSet p = exampleParameters("r");
    const EdgeDirections d = buildEdgeDirections(p, kConstants.pi);
    const Real angle = listeningAngleRadians(p.offAxisAngleDeg, kConstants.pi);
    const SideGeometry g = side(p, 1, angle);
    const double distance = p.listenerDistanceM;
    auto onAxisPath = [&](double edge) {
        return edge + std::sqrt(distance * distance + edge * edge) - distance;
    };
    for (std::size_t i = 0; i < d.edgeAngle.size(); ++i) {
        const double theta = d.edgeAngle[i];
        const double toTop = 0.30 / std::sin(theta);
        const double toBottom = std::fabs(0.70 / std::sin(theta));
        const double toSide = 0.38 / std::cos(theta);
        const double edge = std::min(theta > 0 ? toTop : toBottom, toSide);
        EXPECT_NEAR(g.pathDifference[i], onAxisPath(edge), 2e-6 * (1 + edge)) << i;
        EXPECT_NEAR(g.pathWeight[i].re, distance / (distance + onAxisPath(edge)) / 101, 1e-8) << i;
        EXPECT_NEAR(g.roundPathDifference[i], onAxisPath(0.30), 1e-6);
    }
    // At the smallest listening angle the off-axis path holds the extra way twice.
    const SideGeometry nearAxis = side(p, 1, 1.0e-4F);
    for (std::size_t i = 0; i < d.edgeAngle.size(); ++i) {
        const double theta = d.edgeAngle[i];
        const double edge =
            std::min(theta > 0 ? 0.30 / std::sin(theta) : std::fabs(0.70 / std::sin(theta)),
                     0.38 / std::cos(theta));
        const double extra = std::sqrt(distance * distance + edge * edge) - distance;
        EXPECT_NEAR(nearAxis.offAxisPathDifference[i], edge + 2 * extra, 1e-4) << i;
    }
}

TEST(RectangularModel, SymmetricDriverIgnoresTheSignOfTheAngle) {
    ParameterSet left = centredParameters();
    ParameterSet right = centredParameters();
    right.offAxisAngleDeg = -left.offAxisAngleDeg;
    const auto a = runModel(left);
    const auto b = runModel(right);
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int col = 0; col < 3; ++col) EXPECT_EQ(a[i].levels[col], b[i].levels[col]);
    }
}

TEST(RectangularModel, OnlyTheThirdColumnDependsOnTheAngle) {
    ParameterSet other = exampleParameters("r");
    other.offAxisAngleDeg = 75.0F;
    const auto a = runModel(exampleParameters("r"));
    const auto b = runModel(other);
    int thirdDiffers = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].levels[0], b[i].levels[0]);
        EXPECT_EQ(a[i].levels[1], b[i].levels[1]);
        EXPECT_EQ(a[i].levels[3], b[i].levels[3]);
        thirdDiffers += a[i].levels[2] != b[i].levels[2];
    }
    EXPECT_GT(thirdDiffers, 70);
}

TEST(RectangularModel, FourthColumnIsTheSinglePathModels) {
    const auto rectangular = runModel(exampleParameters("R"));
    const auto singlePath = runModel(exampleParameters("x"));
    for (std::size_t i = 0; i < rectangular.size(); ++i) {
        EXPECT_EQ(rectangular[i].levels[3], singlePath[i].levels[3]);
    }
}

TEST(RectangularModel, NearAxisTheOffAxisColumnStillDiffers) {
    ParameterSet p = exampleParameters("r");
    p.offAxisAngleDeg = 0.0F;
    int differs = 0;
    for (const ModelRow& row : runModel(p)) differs += row.levels[2] != row.levels[0];
    EXPECT_GT(differs, 70);
}

TEST(RectangularModel, DegenerateInputFlowsThroughAsIeeeValues) {
    auto outside = [](ParameterSet& p) {
        p.driverXCm = 90.0F;
        p.driverYCm = -20.0F;
    };
    auto noDistance = [](ParameterSet& p) {
        p.listenerDistanceM = 0.0F;
        p.driverYCm = 0.0F;
    };
    auto noDiameter = [](ParameterSet& p) { p.driverDiameterCm = 0.0F; };
    auto noBaffle = [](ParameterSet& p) {
        p.roundBaffleDiameterCm = 0.0F;
        p.pistonCode = p.rearPhaseCode = makeCode("n");
    };
    for (auto change : {+outside, +noDistance, +noDiameter, +noBaffle}) {
        ParameterSet p = exampleParameters("r");
        change(p);
        EXPECT_EQ(runModel(p).size(), 81U);
    }
    ParameterSet p = exampleParameters("r");
    noDiameter(p);
    EXPECT_TRUE(std::isnan(runModel(p)[0].levels[2]));  // 0/0 directivity
}

}  // namespace
}  // namespace opbaff

namespace opbaff {
namespace {

// A flat driver (resonance far below the grid) in a W x 5W/3 baffle, centred,
// heard from far away.
std::vector<ModelRow> flatDriverIn(Real widthCm) {
    ParameterSet p = test::exampleParameters("r");
    p.resonanceHz = 0.5F;
    p.pistonCode = p.rearPhaseCode = makeCode("n");
    p.listenerDistanceM = 20.0F;
    p.baffleWidthCm = widthCm;
    p.baffleHeightCm = widthCm * 5 / 3;
    p.driverXCm = widthCm / 2;
    p.driverYCm = widthCm * 5 / 6;
    return test::runModel(p);
}

double octaves(int fromIndex, int toIndex) {
    return (toIndex - fromIndex) * std::log2(1.1);
}

TEST(RectangularModelPhysics, RearWaveCancelsTheFrontBelowTheBaffleSize) {
    for (const Real width : {60.0F, 120.0F}) {
        const auto rows = flatDriverIn(width);
        // From 10 Hz over about two octaves: the dipole's rise of 6 dB per octave.
        const double slope = (rows[14].levels[0] - rows[0].levels[0]) / octaves(0, 14);
        EXPECT_NEAR(slope, 6.0, 0.6) << width;
        EXPECT_LT(rows[0].levels[0], -12.0F) << width;
    }
}

TEST(RectangularModelPhysics, LargerBaffleMovesTheFallOffDown) {
    const auto small = flatDriverIn(60.0F);
    const auto large = flatDriverIn(120.0F);
    // Twice the size: the same cancellation an octave lower, so 6 dB more at 10 Hz.
    EXPECT_NEAR(large[0].levels[0] - small[0].levels[0], 6.0, 0.6);
    auto firstPeak = [](const std::vector<ModelRow>& rows) {
        std::size_t i = 0;
        while (i + 1 < rows.size() && rows[i + 1].levels[0] > rows[i].levels[0]) ++i;
        return i;
    };
    EXPECT_LT(firstPeak(large), firstPeak(small));
}

}  // namespace
}  // namespace opbaff
