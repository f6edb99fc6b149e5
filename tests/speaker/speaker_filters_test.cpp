// The speaker's own chain of filters: heard after every driver's own filters,
// so that it multiplies each driver and the sum alike.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "opbaff/speaker.h"

namespace opbaff {
namespace {

FrequencyGrid coarseGrid() {
    return *FrequencyGrid::perOctave(
        {.pointsPerOctave = 3, .lowestHz = 50.0F, .highestHz = 4000.0F});
}

Speaker twoWay() {
    Speaker s;
    s.baffle.widthM = 0.3;
    s.baffle.heightM = 0.5;
    SpeakerDriver woofer;
    woofer.name = "woofer";
    woofer.centreM = {0.15, 0.2};
    woofer.pistonDiameterM = 0.2;
    woofer.filters.push_back({SpeakerFilter::Kind::linkwitzRileyLowPass, 4, 1500.0, {}});
    SpeakerDriver tweeter;
    tweeter.name = "tweeter";
    tweeter.centreM = {0.15, 0.4};
    tweeter.response.kind = DriverResponse::Kind::flat;
    tweeter.filters.push_back({SpeakerFilter::Kind::linkwitzRileyHighPass, 4, 1500.0, {}});
    s.drivers = {woofer, tweeter};
    s.referenceM = tweeter.centreM;
    return s;
}

SpeakerFilter peaking(double frequencyHz, double gainDb, double q) {
    return {SpeakerFilter::Kind::biquad, 2, 1000.0, {FilterKind::peaking, frequencyHz, gainDb, q}};
}

double levelDb(std::complex<double> value) {
    return 20.0 * std::log10(std::abs(value));
}

// The cookbook's analog peaking filter, |H(j w)|^2 written out with x = f / f0:
// ((1 - x^2)^2 + (x A / Q)^2) / ((1 - x^2)^2 + (x / (A Q))^2), A = 10^(g / 40).
double peakingLevelDb(double f, double f0, double gainDb, double q) {
    const double x = f / f0;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double d = (1.0 - x * x) * (1.0 - x * x);
    return 10.0 * std::log10((d + std::pow(x * a / q, 2)) / (d + std::pow(x / (a * q), 2)));
}

TEST(SpeakerFilters, APeakingFilterChangesTheSumByItsLevelEverywhere) {
    const Speaker raw = twoWay();
    Speaker equalised = raw;
    equalised.filters = {peaking(400.0, -6.0, 1.4)};
    const auto a = SpeakerModel::create(raw, coarseGrid());
    const auto b = SpeakerModel::create(equalised, coarseGrid());
    ASSERT_TRUE(a && b);
    for (const double angle : {0.0, 40.0, 150.0}) {
        const auto before = a->listen(PlateListener{2.0, angle, 0.0});
        const auto after = b->listen(PlateListener{2.0, angle, 0.0});
        ASSERT_TRUE(before && after);
        for (std::size_t i = 0; i < before->sum.size(); ++i) {
            const double f = before->frequenciesHz[i];
            const double expected = peakingLevelDb(f, 400.0, -6.0, 1.4);
            EXPECT_NEAR(levelDb(after->sum[i]) - levelDb(before->sum[i]), expected, 1e-9)
                << angle << " degrees, " << f << " Hz";
            // Every driver is heard through it alike.
            for (std::size_t d = 0; d < 2; ++d) {
                EXPECT_NEAR(levelDb(after->drivers[d][i]) - levelDb(before->drivers[d][i]),
                            expected, 1e-9);
            }
        }
    }
}

TEST(SpeakerFilters, TheChainIsTheProductOfItsFiltersAndEmptyIsOne) {
    Speaker s = twoWay();
    const std::vector<float> f = {20.0F, 400.0F, 1000.0F, 9000.0F};
    const auto empty = speakerFilterResponse(s, f);
    ASSERT_TRUE(empty);
    for (const auto value : *empty) EXPECT_EQ(value, std::complex<double>(1.0));
    s.filters = {peaking(400.0, 4.0, 2.0), peaking(1000.0, -3.0, 0.7)};
    const auto chain = speakerFilterResponse(s, f);
    ASSERT_TRUE(chain);
    for (std::size_t i = 0; i < f.size(); ++i) {
        EXPECT_NEAR(levelDb((*chain)[i]),
                    peakingLevelDb(f[i], 400.0, 4.0, 2.0) + peakingLevelDb(f[i], 1000.0, -3.0, 0.7),
                    1e-9);
    }
}

TEST(SpeakerFilters, AnInvalidSpeakerFilterIsTheSpeakersFault) {
    Speaker s = twoWay();
    s.filters = {peaking(400.0, 3.0, 0.0)};
    const auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_FALSE(model);
    EXPECT_EQ(model.error().error, SpeakerError::filterInvalid);
    EXPECT_EQ(model.error().driver, -1);
    EXPECT_EQ(speakerFailureText(s, model.error()).rfind("the speaker: a filter", 0), 0U);
}

}  // namespace
}  // namespace opbaff
