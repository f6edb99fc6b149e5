// The phase of a response value, in degrees, with or without the driver's own
// high-pass.
#pragma once

#include <complex>
#include <string>

#include "opbaff/design.h"

namespace opbaff::tools {

// What the phase of an exported response holds.
enum class PhaseMode {
    driver,  // the baffle's interference plus the driver's second-order high-pass
    baffle,  // the baffle's interference alone, as the model's complex sums hold it
};

// atan2(im, re) in degrees, wrapped to (-180, 180]: -180 becomes +180.
double phaseDegrees(std::complex<double> value);

// The phase of a response value at frequency f: with PhaseMode::driver the
// phase of the driver's high-pass (whose magnitude the level already holds) is
// added, so that level and phase describe the whole minimum-phase response.
double responsePhaseDegrees(std::complex<float> value, const Design& design, double frequencyHz,
                            PhaseMode mode);

// The phase as written to an FRD file: four decimals, still inside (-180, 180]
// after rounding (a value that would print as -180.0000 prints as 180.0000).
std::string formatPhase(double degrees);

}  // namespace opbaff::tools
