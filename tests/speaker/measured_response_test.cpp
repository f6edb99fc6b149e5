// A measured response between and at its points, across a phase wrap, and
// outside its band.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "opbaff/speaker.h"

namespace opbaff {
namespace {

double db(std::complex<double> v) {
    return 20.0 * std::log10(std::abs(v));
}

double degrees(std::complex<double> v) {
    return std::arg(v) * 180.0 / std::numbers::pi;
}

// The difference of two phases in degrees, wrapped to (-180, 180].
double phaseStep(double a, double b) {
    const double d = std::remainder(a - b, 360.0);
    return d == -180.0 ? 180.0 : d;
}

MeasuredResponse measured() {
    MeasuredResponse m;
    m.frequenciesHz = {100.0, 400.0, 1000.0, 2000.0, 8000.0};
    m.levelsDb = {-6.0, 0.0, 1.5, 3.0, -2.0};
    m.phasesDeg = {90.0, 30.0, 170.0, -170.0, 10.0};  // 170 to -170 is +20 degrees
    return m;
}

TEST(SpeakerMeasured, ExactAtItsPoints) {
    const MeasuredResponse m = measured();
    const std::vector<float> nodes(m.frequenciesHz.begin(), m.frequenciesHz.end());
    const auto v = measuredResponseAt(m, nodes);
    ASSERT_TRUE(v);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_NEAR(db((*v)[i]), m.levelsDb[i], 1e-9) << nodes[i] << " Hz";
        EXPECT_NEAR(phaseStep(degrees((*v)[i]), m.phasesDeg[i]), 0.0, 1e-9) << nodes[i] << " Hz";
    }
}

TEST(SpeakerMeasured, LinearInLogFrequencyBetweenItsPoints) {
    const MeasuredResponse m = measured();
    // A quarter and half of the way, in log frequency, from 100 to 400 Hz.
    const auto v = measuredResponseAt(m, {float(100.0 * std::sqrt(2.0)), 200.0F});
    ASSERT_TRUE(v);
    const double quarter = std::log(float(100.0 * std::sqrt(2.0)) / 100.0) / std::log(4.0);
    EXPECT_NEAR(db((*v)[0]), -6.0 + 6.0 * quarter, 1e-6);
    EXPECT_NEAR(degrees((*v)[0]), 90.0 - 60.0 * quarter, 1e-6);
    EXPECT_NEAR(db((*v)[1]), -3.0, 1e-9);
    EXPECT_NEAR(degrees((*v)[1]), 60.0, 1e-9);
}

TEST(SpeakerMeasured, PhaseContinuousAcrossAWrap) {
    // Between 1000 Hz (170 degrees) and 2000 Hz (-170) the phase passes
    // through 180 degrees in small steps, not through 0.
    std::vector<float> fs;
    for (int i = 0; i <= 40; ++i) fs.push_back(1000.0F * std::pow(2.0F, float(i) / 40.0F));
    const auto v = measuredResponseAt(measured(), fs);
    ASSERT_TRUE(v);
    for (std::size_t i = 1; i < fs.size(); ++i) {
        EXPECT_NEAR(phaseStep(degrees((*v)[i]), degrees((*v)[i - 1])), 0.5, 1e-5) << fs[i];
    }
    EXPECT_NEAR(std::abs(phaseStep(degrees((*v)[20]), 180.0)), 0.0, 1e-4);
}

TEST(SpeakerMeasured, FrequenciesOutsideItsBandAreRefusedWithTheFrequency) {
    for (const float hz : {99.0F, 8001.0F, 20.0F, 20000.0F}) {
        const auto v = measuredResponseAt(measured(), {400.0F, hz});
        ASSERT_FALSE(v) << hz;
        EXPECT_EQ(v.error().error, SpeakerError::measuredOutOfRange);
        EXPECT_EQ(v.error().frequencyHz, hz);
    }
    // Ends that a float grid cannot hold exactly are still inside.
    MeasuredResponse m = measured();
    m.frequenciesHz.front() = 100.0 / 3.0;
    m.frequenciesHz.back() = 20000.0 / 3.0;
    EXPECT_TRUE(measuredResponseAt(m, {float(100.0 / 3.0), float(20000.0 / 3.0)}));
}

struct InvalidCase {
    std::string name;
    void (*spoil)(MeasuredResponse&);
};

void PrintTo(const InvalidCase& c, std::ostream* out) {
    *out << c.name;
}

class MeasuredInvalid : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(MeasuredInvalid, IsRefused) {
    MeasuredResponse m = measured();
    GetParam().spoil(m);
    const auto v = measuredResponseAt(m, {400.0F});
    ASSERT_FALSE(v);
    EXPECT_EQ(v.error().error, SpeakerError::measuredInvalid);
}

INSTANTIATE_TEST_SUITE_P(
    Speaker, MeasuredInvalid,
    ::testing::Values(
        InvalidCase{"OnePoint",
                    [](MeasuredResponse& m) {
                        m.frequenciesHz.resize(1);
                        m.levelsDb.resize(1);
                        m.phasesDeg.resize(1);
                    }},
        InvalidCase{"NotIncreasing", [](MeasuredResponse& m) { m.frequenciesHz[2] = 400.0; }},
        InvalidCase{"ZeroFrequency", [](MeasuredResponse& m) { m.frequenciesHz[0] = 0.0; }},
        InvalidCase{"LevelNotFinite", [](MeasuredResponse& m) { m.levelsDb[3] = NAN; }},
        InvalidCase{"PhaseNotFinite", [](MeasuredResponse& m) { m.phasesDeg[1] = INFINITY; }},
        InvalidCase{"FewerLevels", [](MeasuredResponse& m) { m.levelsDb.pop_back(); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace opbaff
