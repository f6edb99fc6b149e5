#include "model/source_spectra.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model_test_support.h"

namespace opbaff {
namespace {

const RunConstants kConstants = makeRunConstants();

TEST(RunConstants, PiIsTheNearestSinglePrecisionValue) {
    EXPECT_EQ(kConstants.pi, 3.14159274F);
    EXPECT_EQ(kConstants.soundSpeed, 344.0F);
}

TEST(ListeningAngle, ConvertsDegreesAndClampsNearZero) {
    struct Case {
        Real degrees;
        Real radians;
    };
    const Case cases[] = {
        {0.0F, 1.0e-4F},      {-0.005F, 1.0e-4F},     {0.005F, 1.0e-4F},
        {90.0F, 1.57079637F}, {-90.0F, -1.57079637F}, {180.0F, 3.14159274F},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(listeningAngleRadians(c.degrees, kConstants.pi), c.radians) << c.degrees;
    }
    EXPECT_LT(listeningAngleRadians(-30.0F, kConstants.pi), 0.0F);
    // A magnitude equal to the limit is kept, with its sign.
    const Real limitDegrees = 1.0e-4F / kConstants.pi * 180.0F;
    const Real atLimit = listeningAngleRadians(-limitDegrees, kConstants.pi);
    EXPECT_TRUE(atLimit == 1.0e-4F || atLimit <= -1.0e-4F);
}

TEST(FrequencyGrid, RepeatedSinglePrecisionProducts) {
    const SourceSpectra s =
        buildSourceSpectra(test::exampleParameters(), kConstants, standardFrequencyGrid());
    const std::pair<int, Real> expected[] = {
        {1, 10.0F}, {2, 11.0F}, {3, 12.1000004F}, {41, 452.592773F}, {81, 20484.033203125F}};
    for (const auto& [index, value] : expected) {
        EXPECT_EQ(s.frequency[index - 1], value) << "frequency(" << index << ")";
    }
    // Not the same as 10 * 1.1^(i-1) rounded once.
    int differing = 0;
    for (int i = 0; i < kFrequencyCount; ++i) {
        differing += s.frequency[i] != static_cast<Real>(10.0 * std::pow(1.1, i));
    }
    EXPECT_GT(differing, 40);
}

// The worked example: resonance 40 Hz, Q 0.7, 20 cm piston, piston factor and
// rear phase factor on, full rear level; six significant digits.
TEST(SourceSpectra, WorkedExample) {
    struct Row {
        int i;
        double response, front, rearRe, rearIm;
    };
    const Row rows[] = {
        {1, 0.0622992, 0.0622966, -0.0622955, 0.000362183},
        {21, 0.936830, 0.935063, -0.934349, 0.0365455},
        {41, 0.999810, 0.916802, -0.886621, 0.233301},
        {58, 0.999994, -0.0627804, 0.0377284, -0.0501792},
        {81, 0.9999999, -0.00608454, 0.000509114, -0.00606320},
    };
    const SourceSpectra s =
        buildSourceSpectra(test::exampleParameters(), kConstants, standardFrequencyGrid());
    EXPECT_EQ(s.diameterFrequency, 1720.0F);
    auto near6 = [](double actual, double expected) {
        return std::fabs(actual - expected) <= 0.5e-5 * std::fabs(expected) * 1.0001 + 1e-12;
    };
    for (const Row& r : rows) {
        const int k = r.i - 1;
        EXPECT_TRUE(near6(s.driverResponse[k].re, r.response))
            << r.i << " " << s.driverResponse[k].re;
        EXPECT_TRUE(near6(s.frontSpectrum[k].re, r.front)) << r.i << " " << s.frontSpectrum[k].re;
        EXPECT_TRUE(near6(s.rearSpectrum[k].re, r.rearRe)) << r.i << " " << s.rearSpectrum[k].re;
        EXPECT_TRUE(near6(s.rearSpectrum[k].im, r.rearIm)) << r.i << " " << s.rearSpectrum[k].im;
        EXPECT_TRUE(near6(s.rearSpectrumBare[k].re, -r.response)) << r.i;
        EXPECT_EQ(s.driverResponse[k].im, 0.0F);
        EXPECT_EQ(s.frontSpectrum[k].im, 0.0F);
        EXPECT_EQ(s.rearSpectrumBare[k].im, 0.0F);
    }
}

TEST(SourceSpectra, HighPassEqualsQAtResonance) {
    for (const Real q : {0.3F, 0.5F, 0.7F, 1.0F, 1.3F, 2.0F, 3.7F}) {
        ParameterSet p = test::exampleParameters();
        p.resonanceHz = 11.0F;  // the second grid point
        p.qualityFactor = q;
        EXPECT_EQ(buildSourceSpectra(p, kConstants, standardFrequencyGrid()).driverResponse[1].re,
                  q)
            << q;
    }
}

TEST(SourceSpectra, WithoutFactorsTheSourcesAreTheBareResponse) {
    for (const char* level : {"x", "d"}) {
        ParameterSet p = test::exampleParameters();
        p.pistonCode = makeCode("Y");  // another case: off
        p.rearPhaseCode = makeCode("n");
        p.rearLevelCode = makeCode(level);
        const SourceSpectra s = buildSourceSpectra(p, kConstants, standardFrequencyGrid());
        EXPECT_EQ(s.rearLevel, level[0] == 'd' ? 0.5F : 1.0F);
        for (int k = 0; k < kFrequencyCount; ++k) {
            EXPECT_EQ(s.frontSpectrum[k], s.driverResponse[k]);
            EXPECT_EQ(s.rearSpectrum[k], s.rearSpectrumBare[k]);
            EXPECT_EQ(s.rearSpectrumBare[k].re, -s.rearLevel * s.driverResponse[k].re);
        }
    }
}

TEST(SourceSpectra, RearPhaseFactorTurnsThePhaseOnly) {
    ParameterSet p = test::exampleParameters();
    p.pistonCode = makeCode("n");
    p.driverDiameterCm = 344.0F * 100.0F / 110.0F;  // diameterFrequency = 110 Hz
    const SourceSpectra s = buildSourceSpectra(p, kConstants, standardFrequencyGrid());
    for (int k = 0; k < kFrequencyCount; ++k) {
        const Complex rear = s.rearSpectrum[k];
        const double y = s.frequency[k] / s.diameterFrequency;
        EXPECT_NEAR(std::hypot(rear.re, rear.im), std::fabs(s.rearSpectrumBare[k].re), 1e-6) << k;
        EXPECT_NEAR(rear.im, -y * rear.re, 1e-6 * (1 + y)) << k;
        EXPECT_EQ(s.frontSpectrum[k], s.driverResponse[k]);
    }
}

TEST(SourceSpectra, PistonFactorChangesSignAtTheFirstZeroOfJ1) {
    ParameterSet p = test::exampleParameters();
    p.rearPhaseCode = makeCode("n");
    const SourceSpectra s = buildSourceSpectra(p, kConstants, standardFrequencyGrid());
    EXPECT_GT(s.frontSpectrum[56].re, 0.0F);  // frequency(57), ka 3.7985
    EXPECT_LT(s.frontSpectrum[57].re, 0.0F);  // frequency(58), ka 4.1784
    EXPECT_LT(s.rearSpectrum[56].re, 0.0F);
    EXPECT_GT(s.rearSpectrum[57].re, 0.0F);
    for (int k = 0; k < kFrequencyCount; ++k) {
        EXPECT_EQ(s.rearSpectrumBare[k].re, -s.driverResponse[k].re);
    }
}

}  // namespace
}  // namespace opbaff
