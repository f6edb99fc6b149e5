// The phase of a complex response value, in degrees.
#pragma once

#include <complex>
#include <string>

namespace opbaff::view {

// atan2(im, re) in degrees, wrapped to (-180, 180]: -180 becomes +180.
double phaseDegrees(std::complex<float> value);

// The phase as written to an FRD file: four decimals, still inside (-180, 180]
// after rounding (a value that would print as -180.0000 prints as 180.0000).
std::string formatPhase(double degrees);

}  // namespace opbaff::view
