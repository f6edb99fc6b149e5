// opbaff: second-order filters (biquads) for equalising a baffle's response:
// peaking, low and high shelves, high- and low-passes, by the formulas of R.
// Bristow-Johnson's "Cookbook formulae for audio EQ biquad filter
// coefficients", the ones DSPs and software equalisers compute from the same
// parameters.
#pragma once

#include <complex>
#include <optional>
#include <vector>

namespace opbaff {

enum class FilterKind { peaking, lowShelf, highShelf, highPass, lowPass };

// "peaking", "low-shelf", "high-shelf", "high-pass", "low-pass". Never null.
const char* filterKindName(FilterKind kind);

// The kind of that name, or nothing.
std::optional<FilterKind> filterKindNamed(const char* name);

// One filter by its parameters: the centre (peaking) or corner frequency in Hz,
// the gain in dB (peaking and shelves; ignored by the passes) and Q (for a shelf
// the cookbook's Q; 0.7071 gives its steepest slope without overshoot).
struct Filter {
    FilterKind kind = FilterKind::peaking;
    double frequencyHz = 1000.0;
    double gainDb = 0.0;
    double q = 0.7071;
};

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2): a0 divided out.
struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

// The filter's coefficients at `sampleRateHz`, or nothing when a parameter is
// not finite, the frequency is not between 0 and half the sample rate
// (exclusive), or Q is not above 0.
std::optional<BiquadCoefficients> biquadOf(const Filter& filter, double sampleRateHz);

// H at `frequencyHz`: z = e^(j 2 pi f / fs).
std::complex<double> biquadResponse(const BiquadCoefficients& c, double frequencyHz,
                                    double sampleRateHz);

// The level in dB of the filters in a chain at `frequencyHz` (the sum of their
// levels); a filter biquadOf refuses counts as nothing.
double chainLevelDb(const std::vector<Filter>& filters, double frequencyHz, double sampleRateHz);

}  // namespace opbaff
