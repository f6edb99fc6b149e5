#include "tools/phase.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "opbaff/response.h"

namespace opbaff::tools {

double phaseDegrees(std::complex<double> value) {
    const double degrees = std::atan2(value.imag(), value.real()) * 180.0 / std::numbers::pi;
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

double responsePhaseDegrees(std::complex<float> value, const Design& design, double frequencyHz,
                            PhaseMode mode) {
    std::complex<double> wide(value);
    if (mode == PhaseMode::driver) wide *= driverHighPass(design, frequencyHz);
    return phaseDegrees(wide);
}

std::string formatPhase(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", degrees);
    if (std::strtod(text, nullptr) <= -180.0) std::snprintf(text, sizeof text, "%.4f", 180.0);
    return text;
}

}  // namespace opbaff::tools
