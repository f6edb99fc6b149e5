// The driver's chain of analog filters: crossover pairs that sum flat,
// Butterworth corners and slopes, the cookbook's analog filters against their
// digital biquads, and the chain's gain, polarity and delay.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "opbaff/biquad.h"
#include "opbaff/speaker.h"

namespace opbaff {
namespace {

using Kind = SpeakerFilter::Kind;

std::vector<float> sweep(float lowHz, float highHz, int points) {
    std::vector<float> fs;
    fs.reserve(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) {
        fs.push_back(lowHz * std::pow(highHz / lowHz, float(i) / float(points - 1)));
    }
    return fs;
}

SpeakerFilter crossover(Kind kind, int order, double frequencyHz) {
    SpeakerFilter f;
    f.kind = kind;
    f.order = order;
    f.frequencyHz = frequencyHz;
    return f;
}

SpeakerDriver withFilters(std::vector<SpeakerFilter> filters, bool inverted = false) {
    SpeakerDriver d;
    d.filters = std::move(filters);
    d.inverted = inverted;
    return d;
}

std::vector<std::complex<double>> chain(const SpeakerDriver& d, const std::vector<float>& fs) {
    auto values = driverFilterResponse(d, fs);
    EXPECT_TRUE(values);
    return values ? *values : std::vector<std::complex<double>>(fs.size());
}

double db(std::complex<double> v) {
    return 20.0 * std::log10(std::abs(v));
}

struct PairCase {
    std::string name;
    Kind low, high;
    int order;
    bool invertHigh;
};

void PrintTo(const PairCase& c, std::ostream* out) {
    *out << c.name;
}

class CrossoverPair : public ::testing::TestWithParam<PairCase> {};

TEST_P(CrossoverPair, LowPlusHighAtOneCornerIsAllPass) {
    const PairCase& c = GetParam();
    const std::vector<float> fs = sweep(20.0F, 20000.0F, 61);
    const auto low = chain(withFilters({crossover(c.low, c.order, 700.0)}), fs);
    const auto high = chain(withFilters({crossover(c.high, c.order, 700.0)}, c.invertHigh), fs);
    for (std::size_t i = 0; i < fs.size(); ++i) {
        EXPECT_NEAR(std::abs(low[i] + high[i]), 1.0, 1e-9) << fs[i] << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Speaker, CrossoverPair,
                         ::testing::Values(PairCase{"LinkwitzRiley2HighInverted",
                                                    Kind::linkwitzRileyLowPass,
                                                    Kind::linkwitzRileyHighPass, 2, true},
                                           PairCase{"LinkwitzRiley4", Kind::linkwitzRileyLowPass,
                                                    Kind::linkwitzRileyHighPass, 4, false},
                                           PairCase{"LinkwitzRiley8", Kind::linkwitzRileyLowPass,
                                                    Kind::linkwitzRileyHighPass, 8, false}),
                         [](const auto& info) { return info.param.name; });

TEST(SpeakerCrossover, LinkwitzRiley2InPhaseCancelsAtTheCorner) {
    // The second-order pair is in antiphase at its corner: without the
    // inversion the sum has a null there, which the all-pass case relies on.
    const std::vector<float> fs{700.0F};
    const auto low = chain(withFilters({crossover(Kind::linkwitzRileyLowPass, 2, 700.0)}), fs);
    const auto high = chain(withFilters({crossover(Kind::linkwitzRileyHighPass, 2, 700.0)}), fs);
    EXPECT_NEAR(std::abs(low[0] + high[0]), 0.0, 1e-9);
    EXPECT_NEAR(db(low[0]), -6.0206, 1e-4);
}

struct ButterworthCase {
    std::string name;
    Kind kind;
    int order;
};

void PrintTo(const ButterworthCase& c, std::ostream* out) {
    *out << c.name;
}

class Butterworth : public ::testing::TestWithParam<ButterworthCase> {};

TEST_P(Butterworth, MinusThreeDbAndFortyFiveDegreesPerOrderAtTheCornerAndSixDbPerOctaveFarFromIt) {
    const ButterworthCase& c = GetParam();
    const double cornerHz = 1000.0;
    const bool high = c.kind == Kind::butterworthHighPass;
    // Far into the stop band: 6 and 7 octaves from the corner.
    const float near = float(high ? cornerHz / 64.0 : cornerHz * 64.0);
    const float far = float(high ? cornerHz / 128.0 : cornerHz * 128.0);
    const auto v = chain(withFilters({crossover(c.kind, c.order, cornerHz)}),
                         {float(cornerHz), near, far, float(high ? 1e7 : 0.1)});
    EXPECT_NEAR(db(v[0]), 10.0 * std::log10(0.5), 1e-9);
    // Minimum phase, the poles in the left half-plane: the low-pass lags by
    // 45 degrees per order at its corner, the high-pass leads as much.
    const double cornerPhase = (high ? 1.0 : -1.0) * c.order * std::numbers::pi / 4.0;
    EXPECT_NEAR(std::arg(v[0] * std::polar(1.0, -cornerPhase)), 0.0, 1e-9);
    EXPECT_NEAR(db(v[1]) - db(v[2]), 6.0206 * c.order, 0.01);
    EXPECT_NEAR(db(v[3]), 0.0, 1e-6) << "the pass band";
}

std::vector<ButterworthCase> butterworthCases() {
    std::vector<ButterworthCase> cases;
    for (int n = 1; n <= 8; ++n) {
        cases.push_back({"LowPassOrder" + std::to_string(n), Kind::butterworthLowPass, n});
        cases.push_back({"HighPassOrder" + std::to_string(n), Kind::butterworthHighPass, n});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Speaker, Butterworth, ::testing::ValuesIn(butterworthCases()),
                         [](const auto& info) { return info.param.name; });

struct CookbookCase {
    std::string name;
    Filter filter;
    double atZeroDb, atInfinityDb;  // the level far below and far above
};

void PrintTo(const CookbookCase& c, std::ostream* out) {
    *out << c.name;
}

class CookbookAnalog : public ::testing::TestWithParam<CookbookCase> {};

TEST_P(CookbookAnalog, MatchesTheDigitalBiquadWellBelowNyquistAndItsLimits) {
    const CookbookCase& c = GetParam();
    SpeakerFilter f;
    f.kind = Kind::biquad;
    f.biquad = c.filter;
    const std::vector<float> fs{25.0F, 50.0F, 100.0F, 200.0F};
    const auto analog = chain(withFilters({f}), fs);
    const auto digital = biquadOf(c.filter, 48000.0);
    ASSERT_TRUE(digital);
    for (std::size_t i = 0; i < fs.size(); ++i) {
        const auto d = biquadResponse(*digital, fs[i], 48000.0);
        EXPECT_NEAR(db(analog[i]), db(d), 0.01) << fs[i] << " Hz";
        EXPECT_NEAR(std::arg(analog[i] / d), 0.0, 0.01 * std::numbers::pi / 180.0) << fs[i];
    }
    const auto limits = chain(withFilters({f}), {0.01F, 1e7F});
    EXPECT_NEAR(db(limits[0]), c.atZeroDb, 1e-3);
    EXPECT_NEAR(db(limits[1]), c.atInfinityDb, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Speaker, CookbookAnalog,
    ::testing::Values(
        CookbookCase{"PeakingCut", {FilterKind::peaking, 100.0, -9.0, 4.0}, 0.0, 0.0},
        CookbookCase{"PeakingBoost", {FilterKind::peaking, 100.0, 6.0, 0.7}, 0.0, 0.0},
        CookbookCase{"LowShelf", {FilterKind::lowShelf, 100.0, 5.0, 0.7071}, 5.0, 0.0},
        CookbookCase{"HighShelf", {FilterKind::highShelf, 100.0, -4.0, 0.9}, 0.0, -4.0}),
    [](const auto& info) { return info.param.name; });

TEST(SpeakerCookbook, PeakingHasItsGainAtItsCentreAndPassesMatchTheBiquad) {
    for (const double gainDb : {-12.0, -3.0, 2.5, 9.0}) {
        SpeakerFilter f;
        f.kind = Kind::biquad;
        f.biquad = {FilterKind::peaking, 1234.0, gainDb, 2.0};
        EXPECT_NEAR(db(chain(withFilters({f}), {1234.0F})[0]), gainDb, 1e-9);
    }
    for (const FilterKind kind : {FilterKind::highPass, FilterKind::lowPass}) {
        SpeakerFilter f;
        f.kind = Kind::biquad;
        f.biquad = {kind, 100.0, 0.0, 1.3};
        const auto digital = *biquadOf(f.biquad, 48000.0);
        for (const float hz : {30.0F, 100.0F, 150.0F}) {
            EXPECT_NEAR(db(chain(withFilters({f}), {hz})[0]),
                        db(biquadResponse(digital, hz, 48000.0)), 0.01)
                << filterKindName(kind) << " at " << hz;
        }
    }
}

TEST(SpeakerChain, GainPolarityAndDelayLeadOrLagAsStated) {
    SpeakerDriver d;
    d.gainDb = 6.0;
    d.inverted = true;
    d.delayMs = 1.0;
    const std::vector<float> fs{10.0F, 125.0F, 333.0F, 1000.0F, 2600.0F};
    const auto v = chain(d, fs);
    for (std::size_t i = 0; i < fs.size(); ++i) {
        // A 1 ms delay turns the phase by -360 f / 1000 degrees.
        const std::complex<double> expected =
            -std::pow(10.0, 6.0 / 20.0) * std::polar(1.0, -2.0 * std::numbers::pi * fs[i] / 1000.0);
        EXPECT_NEAR(std::abs(v[i] - expected), 0.0, 1e-12) << fs[i] << " Hz";
    }
}

TEST(SpeakerChain, FiltersOutOfRangeAreRefused) {
    SpeakerFilter shelfWithoutQ;
    shelfWithoutQ.kind = Kind::biquad;
    shelfWithoutQ.biquad = {FilterKind::lowShelf, 100.0, 3.0, 0.0};
    const std::vector<SpeakerFilter> bad{
        crossover(Kind::butterworthLowPass, 0, 100.0),
        crossover(Kind::butterworthHighPass, 9, 100.0),
        crossover(Kind::linkwitzRileyLowPass, 3, 100.0),
        crossover(Kind::linkwitzRileyHighPass, 10, 100.0),
        crossover(Kind::butterworthLowPass, 2, 0.0),
        crossover(Kind::linkwitzRileyLowPass, 4, std::nan("")),
        shelfWithoutQ,
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const auto v = driverFilterResponse(withFilters({bad[i]}), {100.0F});
        ASSERT_FALSE(v) << "filter " << i;
        EXPECT_EQ(v.error().error, SpeakerError::filterInvalid) << "filter " << i;
    }
    SpeakerDriver nanDelay;
    nanDelay.delayMs = std::nan("");
    const auto v = driverFilterResponse(nanDelay, {100.0F});
    ASSERT_FALSE(v);
    EXPECT_EQ(v.error().error, SpeakerError::valueNotFinite);
}

}  // namespace
}  // namespace opbaff
