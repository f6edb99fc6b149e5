// A driver's chain of filters as analog prototypes: Butterworth high- and
// low-passes from their poles on the unit circle (S. Butterworth, "On the
// theory of filter amplifiers", Wireless Engineer 7, 1930), Linkwitz-Riley
// filters as two cascaded Butterworth filters of half the order (S. H.
// Linkwitz, "Active crossover networks for noncoincident drivers", JAES 24,
// 1976), and the cookbook's filters by their analog H(s) (R. Bristow-Johnson,
// "Cookbook formulae for audio EQ biquad filter coefficients").
#include "speaker/crossover_filters.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "api/fp_environment.h"

namespace opbaff::speaker {
namespace {

constexpr int kMaxButterworthOrder = 8;

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0.0;
}

// The Butterworth polynomial B_n(s) at s (normalised to the corner): the
// poles exp(j pi (2k + n - 1) / (2n)), k = 1..n, in conjugate pairs
// s^2 - 2 cos(theta_k) s + 1, and the real pole s + 1 when n is odd.
std::complex<double> butterworthPolynomial(int order, std::complex<double> s) {
    std::complex<double> value = order % 2 == 1 ? s + 1.0 : std::complex<double>(1.0);
    for (int k = 1; k <= order / 2; ++k) {
        const double theta = std::numbers::pi * (2.0 * k + order - 1.0) / (2.0 * order);
        value *= s * s - 2.0 * std::cos(theta) * s + 1.0;
    }
    return value;
}

// Order n: 1 / B_n(s) for the low-pass, s^n / B_n(s) for the high-pass (the
// high-pass is the low-pass at 1/s; the poles are their own reciprocals).
std::complex<double> butterworth(bool highPass, int order, std::complex<double> s) {
    std::complex<double> numerator = 1.0;
    for (int k = 0; highPass && k < order; ++k) numerator *= s;
    return numerator / butterworthPolynomial(order, s);
}

// The cookbook's analog prototypes, s normalised to the filter's frequency,
// A = 10^(gain / 40).
std::complex<double> cookbookAnalog(const Filter& f, std::complex<double> s) {
    const double a = std::pow(10.0, f.gainDb / 40.0);
    const std::complex<double> s2 = s * s;
    const double shelf = std::sqrt(a) / f.q;
    switch (f.kind) {
        case FilterKind::peaking:
            return (s2 + s * (a / f.q) + 1.0) / (s2 + s / (a * f.q) + 1.0);
        case FilterKind::lowShelf:
            return a * (s2 + shelf * s + a) / (a * s2 + shelf * s + 1.0);
        case FilterKind::highShelf:
            return a * (a * s2 + shelf * s + 1.0) / (s2 + shelf * s + a);
        case FilterKind::highPass:
            return s2 / (s2 + s / f.q + 1.0);
        case FilterKind::lowPass:
            break;
    }
    return 1.0 / (s2 + s / f.q + 1.0);
}

bool cookbookKind(FilterKind kind) {
    switch (kind) {
        case FilterKind::peaking:
        case FilterKind::lowShelf:
        case FilterKind::highShelf:
        case FilterKind::highPass:
        case FilterKind::lowPass:
            return true;
    }
    return false;
}

}  // namespace

bool filterValid(const SpeakerFilter& filter) {
    switch (filter.kind) {
        case SpeakerFilter::Kind::butterworthHighPass:
        case SpeakerFilter::Kind::butterworthLowPass:
            return filter.order >= 1 && filter.order <= kMaxButterworthOrder &&
                   positiveFinite(filter.frequencyHz);
        case SpeakerFilter::Kind::linkwitzRileyHighPass:
        case SpeakerFilter::Kind::linkwitzRileyLowPass:
            return filter.order >= 2 && filter.order <= kMaxButterworthOrder &&
                   filter.order % 2 == 0 && positiveFinite(filter.frequencyHz);
        case SpeakerFilter::Kind::biquad:
            return cookbookKind(filter.biquad.kind) && positiveFinite(filter.biquad.frequencyHz) &&
                   positiveFinite(filter.biquad.q) && std::isfinite(filter.biquad.gainDb);
    }
    return false;
}

std::complex<double> filterAt(const SpeakerFilter& filter, double frequencyHz) {
    using Kind = SpeakerFilter::Kind;
    if (filter.kind == Kind::biquad) {
        return cookbookAnalog(filter.biquad,
                              std::complex<double>(0.0, frequencyHz / filter.biquad.frequencyHz));
    }
    const std::complex<double> s(0.0, frequencyHz / filter.frequencyHz);
    const bool highPass =
        filter.kind == Kind::butterworthHighPass || filter.kind == Kind::linkwitzRileyHighPass;
    if (filter.kind == Kind::butterworthHighPass || filter.kind == Kind::butterworthLowPass) {
        return butterworth(highPass, filter.order, s);
    }
    const std::complex<double> half = butterworth(highPass, filter.order / 2, s);
    return half * half;
}

}  // namespace opbaff::speaker

namespace opbaff {

Result<std::vector<std::complex<double>>, SpeakerFailure> driverFilterResponse(
    const SpeakerDriver& driver, const std::vector<float>& frequenciesHz) {
    const ExactEnvironment environment;
    if (!std::isfinite(driver.gainDb) || !std::isfinite(driver.delayMs)) {
        return SpeakerFailure{.error = SpeakerError::valueNotFinite};
    }
    if (!std::all_of(driver.filters.begin(), driver.filters.end(), speaker::filterValid)) {
        return SpeakerFailure{.error = SpeakerError::filterInvalid};
    }
    const double gain = std::pow(10.0, driver.gainDb / 20.0) * (driver.inverted ? -1.0 : 1.0);
    const double delayS = driver.delayMs / 1000.0;
    std::vector<std::complex<double>> values(frequenciesHz.size());
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const double f = frequenciesHz[i];
        // exp(-j w delay): a positive delay lags, in the time factor exp(+jwt).
        values[i] = std::accumulate(driver.filters.begin(), driver.filters.end(),
                                    std::polar(gain, -2.0 * std::numbers::pi * f * delayS),
                                    [f](std::complex<double> value, const SpeakerFilter& filter) {
                                        return value * speaker::filterAt(filter, f);
                                    });
    }
    return values;
}

Result<std::vector<std::complex<double>>, SpeakerFailure> speakerFilterResponse(
    const Speaker& speaker, const std::vector<float>& frequenciesHz) {
    const ExactEnvironment environment;
    if (!std::all_of(speaker.filters.begin(), speaker.filters.end(), speaker::filterValid)) {
        return SpeakerFailure{.error = SpeakerError::filterInvalid};
    }
    std::vector<std::complex<double>> values(frequenciesHz.size());
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const double f = frequenciesHz[i];
        values[i] = std::accumulate(speaker.filters.begin(), speaker.filters.end(),
                                    std::complex<double>(1.0),
                                    [f](std::complex<double> value, const SpeakerFilter& filter) {
                                        return value * speaker::filterAt(filter, f);
                                    });
    }
    return values;
}

}  // namespace opbaff
