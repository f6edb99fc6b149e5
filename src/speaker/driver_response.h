// A driver's own response on a grid, before the baffle and its filters.
#pragma once

#include <complex>
#include <vector>

#include "opbaff/speaker.h"

namespace opbaff::speaker {

// The ideal second-order high-pass s^2 / (s^2 + s w0 / Q + w0^2), flat (1), or
// the measured response (measuredResponseAt). Errors: filterInvalid (a
// resonance or Q not above 0), valueNotFinite, measuredInvalid,
// measuredOutOfRange; the failure's driver is left at -1.
Result<std::vector<std::complex<double>>, SpeakerFailure> driverOwnResponse(
    const DriverResponse& response, const std::vector<float>& frequenciesHz);

}  // namespace opbaff::speaker
