// The two constants of a run and the conversion of the listening angle.
#pragma once

#include "model/real.h"

namespace opbaff {

struct RunConstants {
    Real soundSpeed = 344.0F;  // m/s
    Real pi = 0.0F;            // the single-precision value nearest to pi
};

// pi as 2 acos(0): acos rounded to a Real, that Real added to itself and stored.
RunConstants makeRunConstants();

// Degrees to radians, division first; magnitudes below 1e-4 rad (0 included)
// become +1e-4, so that no later sine of the angle is exactly 0.
Real listeningAngleRadians(Real offAxisAngleDeg, Real pi);

}  // namespace opbaff
