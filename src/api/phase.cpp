#include "opbaff/phase.h"

#include <cmath>
#include <numbers>

#include "api/fp_environment.h"

namespace opbaff {
namespace {

double wrappedDegrees(std::complex<double> value) {
    const double degrees = std::atan2(value.imag(), value.real()) * 180.0 / std::numbers::pi;
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

}  // namespace

double phaseDegrees(std::complex<double> value) {
    const ExactEnvironment exact;
    return wrappedDegrees(value);
}

double responsePhaseDegrees(std::complex<float> value, const Design& design, double frequencyHz,
                            PhaseMode mode) {
    const ExactEnvironment exact;
    std::complex<double> wide(value);
    if (mode == PhaseMode::driver) wide *= driverHighPass(design, frequencyHz);
    return wrappedDegrees(wide);
}

double phaseDegrees(const ResponseRow& row, std::size_t column, const Design& design,
                    PhaseMode mode) {
    return responsePhaseDegrees(row.values[column], design, row.frequencyHz, mode);
}

}  // namespace opbaff
