#include "model/single_path_model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/levels.h"
#include "model_test_support.h"

namespace opbaff {
namespace {

using test::exampleParameters;
using test::runModel;

const RunConstants kConstants = makeRunConstants();

TEST(SinglePathModel, ChosenForEveryCodeButTheRectangularOnes) {
    for (const char* code : {"r", "R"}) EXPECT_TRUE(isRectangularModel(exampleParameters(code)));
    for (const char* code : {"u", "U", "", "x", "rR", "rec", " r"}) {
        EXPECT_FALSE(isRectangularModel(exampleParameters(code))) << code;
    }
}

TEST(SinglePathModel, ThirdColumnIsMinusOneHundredInBothVariants) {
    for (const char* code : {"x", "u"}) {
        for (const ModelRow& row : runModel(exampleParameters(code))) {
            EXPECT_EQ(row.levels[2], -100.0F);
        }
    }
}

TEST(SinglePathModel, HalfDelayChangesTheFourthColumnOnly) {
    const auto plain = runModel(exampleParameters("x"));
    const auto half = runModel(exampleParameters("U"));
    int fourthDiffers = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        for (int col = 0; col < 3; ++col) EXPECT_EQ(plain[i].levels[col], half[i].levels[col]);
        fourthDiffers += plain[i].levels[3] != half[i].levels[3];
    }
    EXPECT_GT(fourthDiffers, 70);
}

TEST(SinglePathModel, FullRearLevelWithoutFactorsCancelsTheFourthColumn) {
    ParameterSet p = exampleParameters("x");
    p.pistonCode = makeCode("n");
    p.rearPhaseCode = makeCode("n");
    for (const ModelRow& row : runModel(p)) EXPECT_EQ(row.levels[3], -100.0F);
}

TEST(SinglePathModel, FourthColumnIgnoresThePath) {
    const auto reference = runModel(exampleParameters("x"));
    for (auto change : {+[](ParameterSet& p) { p.roundBaffleDiameterCm = 7; },
                        +[](ParameterSet& p) { p.listenerDistanceM = 11; }}) {
        ParameterSet p = exampleParameters("x");
        change(p);
        const auto rows = runModel(p);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].levels[3], reference[i].levels[3]);
        }
    }
}

TEST(SinglePathModel, DegeneratePathsReduceToClosedForms) {
    ParameterSet atBaffle = exampleParameters("x");
    atBaffle.listenerDistanceM = 0;  // weight 0: the rear wave does not count
    EXPECT_EQ(singleRearPath(atBaffle).pathDifference, 0.6F);
    EXPECT_EQ(singleRearPath(atBaffle).pathWeight.re, 0.0F);

    ParameterSet noBaffle = exampleParameters("x");
    noBaffle.roundBaffleDiameterCm = 0;  // no path: weight 1, no delay
    EXPECT_EQ(singleRearPath(noBaffle).pathDifference, 0.0F);
    EXPECT_EQ(singleRearPath(noBaffle).pathWeight.re, 1.0F);

    const SourceSpectra s = buildSourceSpectra(atBaffle, kConstants, standardFrequencyGrid());
    const auto atBaffleRows = runModel(atBaffle);
    const auto noBaffleRows = runModel(noBaffle);
    for (int i = 0; i < kFrequencyCount; ++i) {
        const Real driverLevel = levelOf(s.driverResponse[i]);
        EXPECT_EQ(atBaffleRows[i].levels[0], driverLevel);
        EXPECT_EQ(atBaffleRows[i].levels[1], driverLevel);
        EXPECT_EQ(noBaffleRows[i].levels[0], levelOf(add(s.driverResponse[i], s.rearSpectrum[i])));
        EXPECT_EQ(noBaffleRows[i].levels[1],
                  levelOf(add(s.driverResponse[i], s.rearSpectrumBare[i])));
        // The bare rear source cancels the driver exactly: no floor, minus infinity.
        EXPECT_TRUE(std::isinf(noBaffleRows[i].levels[1]) && noBaffleRows[i].levels[1] < 0);
    }
}

TEST(SinglePathModel, PathWeightIsTheRatioOfTheWays) {
    const SinglePath path = singleRearPath(exampleParameters("x"));
    // r + sqrt(D^2 + r^2) - D with r = 0.3 m, D = 2 m
    EXPECT_NEAR(path.pathDifference, 0.3 + std::sqrt(4.09) - 2.0, 1e-6);
    EXPECT_NEAR(path.pathWeight.re, 2.0 / (2.0 + path.pathDifference), 1e-7);
    EXPECT_EQ(path.pathWeight.im, 0.0F);
}

}  // namespace
}  // namespace opbaff
