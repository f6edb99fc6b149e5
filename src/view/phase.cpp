#include "view/phase.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace opbaff::view {

double phaseDegrees(std::complex<float> value) {
    const double degrees =
        std::atan2(static_cast<double>(value.imag()), static_cast<double>(value.real())) * 180.0 /
        std::numbers::pi;
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

std::string formatPhase(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", degrees);
    if (std::strtod(text, nullptr) <= -180.0) std::snprintf(text, sizeof text, "%.4f", 180.0);
    return text;
}

}  // namespace opbaff::view
