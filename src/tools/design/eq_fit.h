// The equaliser a baffle needs: a chain of biquads (a low shelf and peaking
// filters, optionally a fixed high-pass protecting the driver) fitted so that
// the response plus the chain follows a target over a band, within a largest
// boost and a largest Q.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "opbaff/biquad.h"
#include "opbaff/result.h"

namespace opbaff::tools {

// The most filters a fit places: the shelf and the peaking filters.
inline constexpr int kMaxEqFilters = 12;

struct EqRequest {
    double lowHz = 40.0;  // the band fitted
    double highHz = 2000.0;
    double tiltDbPerDecade = 0.0;  // the target's slope; 0: flat
    int filters = 6;               // the shelf and the peaking filters, 1 to 12
    double maxBoostDb = 12.0;      // the chain's highest level anywhere on the grid
    double maxQ = 4.0;
    std::optional<double> highPassHz;  // a second-order high-pass, Q 0.7071, not fitted
    double sampleRateHz = 48000.0;     // of the biquads the fit evaluates
};

struct EqFit {
    std::vector<Filter> filters;  // the high-pass (if asked for) last
    double targetLevelDb = 0.0;   // the target at 1 kHz (the band's median level there)
    double maxDeviationDb = 0.0;  // |response + chain - target|, largest in the band
    double rmsDeviationDb = 0.0;
    double peakBoostDb = 0.0;    // the chain's highest level on the grid
    double neededBoostDb = 0.0;  // the target minus the response, largest in the band
    int evaluations = 0;         // of the fit's objective
};

// The reason a request cannot be fitted ("the band ..."), or nothing.
std::optional<std::string> eqRequestProblem(const EqRequest& request);

// The chain fitted to the levels (dB) at the frequencies (Hz, ascending):
// target(f) = the median of the levels in the band + tilt * log10(f / 1 kHz).
// It starts from the dipole's shelf (the deficit at the band's low end, its
// corner where half of it is left) and peaking filters on the largest
// residuals, then minimises the RMS deviation in the band by NLopt's BOBYQA
// with the boost and Q held to their limits. Levels that are not finite are
// left out; a band with fewer than 4 finite points is an error.
Result<EqFit, std::string> fitEqualiser(const std::vector<float>& frequenciesHz,
                                        const std::vector<float>& levelsDb,
                                        const EqRequest& request);

// The figures of a chain given, not fitted, against the target of the same
// request (its band, tilt and sample rate): the deviation and the boost the
// target needs as fitEqualiser measures its own chain, and the peak boost over
// the whole grid (a chain given may boost anywhere); its evaluations are 0.
Result<EqFit, std::string> measureEqualiser(const std::vector<float>& frequenciesHz,
                                            const std::vector<float>& levelsDb,
                                            const EqRequest& request, std::vector<Filter> filters);

}  // namespace opbaff::tools
