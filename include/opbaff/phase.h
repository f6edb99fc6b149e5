// opbaff: the phase of a response, with or without the driver's own high-pass.
//
// A response's complex values hold the baffle's interference alone (see
// ResponseColumn): the driver's high-pass enters its levels by its magnitude
// only. The calls here add the high-pass's phase back when asked to, so that
// level and phase describe the whole minimum-phase response.
#pragma once

#include <complex>
#include <cstddef>

#include "opbaff/design.h"
#include "opbaff/response.h"

namespace opbaff {

// What a phase holds.
enum class PhaseMode {
    driver,  // the baffle's interference plus the driver's second-order high-pass
    baffle,  // the baffle's interference alone, as the response's values hold it
};

// atan2(im, re) in degrees, wrapped to (-180, 180]: -180 becomes +180. NaN
// where either part is NaN.
double phaseDegrees(std::complex<double> value);

// The phase of one response value at `frequencyHz`: with PhaseMode::driver the
// phase of driverHighPass(design, frequencyHz) is added.
double responsePhaseDegrees(std::complex<float> value, const Design& design, double frequencyHz,
                            PhaseMode mode);

// The phase of column `column` (0 to 3) of a row of the response of `design`
// (Response::row, or a row streamResponse handed on).
double phaseDegrees(const ResponseRow& row, std::size_t column, const Design& design,
                    PhaseMode mode);

}  // namespace opbaff
