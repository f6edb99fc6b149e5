#include "speaker/driver_response.h"

#include <cmath>

namespace opbaff::speaker {
namespace {

// The driver's mass-and-compliance roll-off below its resonance, a
// second-order high-pass (R. H. Small, "Direct-radiator loudspeaker system
// analysis", JAES 20, 1972), at s = j f / fr.
std::complex<double> idealHighPass(double frequencyHz, double resonanceHz, double q) {
    const std::complex<double> s(0.0, frequencyHz / resonanceHz);
    return s * s / (s * s + s / q + 1.0);
}

}  // namespace

Result<std::vector<std::complex<double>>, SpeakerFailure> driverOwnResponse(
    const DriverResponse& response, const std::vector<float>& frequenciesHz) {
    switch (response.kind) {
        case DriverResponse::Kind::measured:
            return measuredResponseAt(response.measured, frequenciesHz);
        case DriverResponse::Kind::flat:
            return std::vector<std::complex<double>>(frequenciesHz.size(), 1.0);
        case DriverResponse::Kind::idealHighPass:
            break;
    }
    if (!std::isfinite(response.resonanceHz) || !std::isfinite(response.q)) {
        return SpeakerFailure{.error = SpeakerError::valueNotFinite};
    }
    if (!(response.resonanceHz > 0.0) || !(response.q > 0.0)) {
        return SpeakerFailure{.error = SpeakerError::filterInvalid};
    }
    std::vector<std::complex<double>> values(frequenciesHz.size());
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        values[i] = idealHighPass(frequenciesHz[i], response.resonanceHz, response.q);
    }
    return values;
}

}  // namespace opbaff::speaker
