#include "model/run_constants.h"

#include <cmath>

namespace opbaff {

RunConstants makeRunConstants() {
    const auto halfPi = static_cast<Real>(std::acos(0.0));
    RunConstants constants;
    constants.pi = static_cast<Real>(static_cast<double>(halfPi) + halfPi);
    return constants;
}

Real listeningAngleRadians(Real offAxisAngleDeg, Real pi) {
    const Real minimumAngle = 1.0e-4F;
    const auto angle = static_cast<Real>(static_cast<double>(offAxisAngleDeg) / 180.0 * pi);
    return std::fabs(angle) < minimumAngle ? minimumAngle : angle;
}

}  // namespace opbaff
