#include "opbaff/biquad.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <numeric>

namespace opbaff {
namespace {

struct Raw {
    double b0, b1, b2, a0, a1, a2;
};

// The cookbook's coefficients before a0 is divided out; w0 = 2 pi f0 / fs,
// alpha = sin(w0) / (2 Q), A = 10^(gain / 40).
Raw cookbook(const Filter& f, double w0) {
    const double cosW = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * f.q);
    const double a = std::pow(10.0, f.gainDb / 40.0);
    const double shelf = 2.0 * std::sqrt(a) * alpha;
    switch (f.kind) {
        case FilterKind::peaking:
            return {1.0 + alpha * a, -2.0 * cosW, 1.0 - alpha * a,
                    1.0 + alpha / a, -2.0 * cosW, 1.0 - alpha / a};
        case FilterKind::lowShelf:
            return {a * ((a + 1.0) - (a - 1.0) * cosW + shelf),
                    2.0 * a * ((a - 1.0) - (a + 1.0) * cosW),
                    a * ((a + 1.0) - (a - 1.0) * cosW - shelf),
                    (a + 1.0) + (a - 1.0) * cosW + shelf,
                    -2.0 * ((a - 1.0) + (a + 1.0) * cosW),
                    (a + 1.0) + (a - 1.0) * cosW - shelf};
        case FilterKind::highShelf:
            return {a * ((a + 1.0) + (a - 1.0) * cosW + shelf),
                    -2.0 * a * ((a - 1.0) + (a + 1.0) * cosW),
                    a * ((a + 1.0) + (a - 1.0) * cosW - shelf),
                    (a + 1.0) - (a - 1.0) * cosW + shelf,
                    2.0 * ((a - 1.0) - (a + 1.0) * cosW),
                    (a + 1.0) - (a - 1.0) * cosW - shelf};
        case FilterKind::highPass:
            return {(1.0 + cosW) / 2.0, -(1.0 + cosW), (1.0 + cosW) / 2.0,
                    1.0 + alpha,        -2.0 * cosW,   1.0 - alpha};
        case FilterKind::lowPass:
            break;
    }
    return {(1.0 - cosW) / 2.0, 1.0 - cosW,  (1.0 - cosW) / 2.0,
            1.0 + alpha,        -2.0 * cosW, 1.0 - alpha};
}

constexpr struct {
    FilterKind kind;
    const char* name;
} kNames[] = {
    {FilterKind::peaking, "peaking"},      {FilterKind::lowShelf, "low-shelf"},
    {FilterKind::highShelf, "high-shelf"}, {FilterKind::highPass, "high-pass"},
    {FilterKind::lowPass, "low-pass"},
};

}  // namespace

const char* filterKindName(FilterKind kind) {
    const auto* entry = std::find_if(std::begin(kNames), std::end(kNames),
                                     [kind](const auto& e) { return e.kind == kind; });
    return entry == std::end(kNames) ? "peaking" : entry->name;
}

std::optional<FilterKind> filterKindNamed(const char* name) {
    for (const auto& entry : kNames) {
        if (name != nullptr && std::strcmp(entry.name, name) == 0) return entry.kind;
    }
    return std::nullopt;
}

std::optional<BiquadCoefficients> biquadOf(const Filter& filter, double sampleRateHz) {
    const bool finite = std::isfinite(filter.frequencyHz) && std::isfinite(filter.gainDb) &&
                        std::isfinite(filter.q) && std::isfinite(sampleRateHz);
    if (!finite || filter.q <= 0.0 || filter.frequencyHz <= 0.0 ||
        filter.frequencyHz >= sampleRateHz / 2.0) {
        return std::nullopt;
    }
    const Raw r = cookbook(filter, 2.0 * std::numbers::pi * filter.frequencyHz / sampleRateHz);
    return BiquadCoefficients{r.b0 / r.a0, r.b1 / r.a0, r.b2 / r.a0, r.a1 / r.a0, r.a2 / r.a0};
}

std::complex<double> biquadResponse(const BiquadCoefficients& c, double frequencyHz,
                                    double sampleRateHz) {
    const std::complex<double> zInv =
        std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / sampleRateHz);
    return (c.b0 + zInv * (c.b1 + zInv * c.b2)) / (1.0 + zInv * (c.a1 + zInv * c.a2));
}

double chainLevelDb(const std::vector<Filter>& filters, double frequencyHz, double sampleRateHz) {
    return std::accumulate(
        filters.begin(), filters.end(), 0.0, [&](double level, const Filter& filter) {
            const auto c = biquadOf(filter, sampleRateHz);
            if (!c) return level;
            return level +
                   20.0 * std::log10(std::abs(biquadResponse(*c, frequencyHz, sampleRateHz)));
        });
}

}  // namespace opbaff
