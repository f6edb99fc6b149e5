#include "model/source_spectra.h"

#include <algorithm>
#include <cmath>

#include "model/libf2c.h"

namespace opbaff {
namespace {

using std::sqrt;

// |s^2 / (s^2 + s/Q + 1)| at s = jx: x^2 / sqrt((1 - x^2)^2 + (x/Q)^2).
Real highPassMagnitude(Real x, Real qualityFactor) {
    const double xd = x;
    const auto p = static_cast<Real>(xd * xd);
    const auto q = static_cast<Real>(1.0 - xd * xd);
    const auto r = static_cast<Real>(xd / qualityFactor);
    const auto s = static_cast<Real>(sqrt(static_cast<double>(q) * q + static_cast<double>(r) * r));
    return static_cast<Real>(static_cast<double>(p) / s);
}

// 2 J1(ka) / ka: the far-field directivity of a rigid piston of radius a.
Real pistonFactor(Real frequency, const ParameterSet& parameters, const RunConstants& constants) {
    const auto pistonKa =
        static_cast<Real>(static_cast<double>(constants.pi) * frequency *
                          parameters.driverDiameterCm / constants.soundSpeed / 100.0);
    const auto bessel = static_cast<Real>(::j1(static_cast<double>(pistonKa)));
    return static_cast<Real>((static_cast<double>(bessel) + bessel) / pistonKa);
}

// Turns the rear source by e^(-j atan y): the phase of a first-order low-pass
// with its corner at the diameter frequency, without its loss of level.
Complex withRearPhaseFactor(Complex rear, Real diameterRatio) {
    const WideComplex divisor{1.0, diameterRatio};
    const Complex rearLowPass = narrow(smithQuotient({1.0, 0.0}, divisor));
    const auto rearLowPassMagnitude = static_cast<Real>(magnitude(rearLowPass));
    return narrow(smithQuotient(smithQuotient(widen(rear), divisor), {rearLowPassMagnitude, 0.0}));
}

}  // namespace

Spectrum<Real> standardFrequencyGrid() {
    Spectrum<Real> frequency{};
    frequency[0] = 10.0F;
    for (std::size_t i = 1; i < frequency.size(); ++i) {
        frequency[i] = static_cast<Real>(static_cast<double>(frequency[i - 1]) * 1.1F);
    }
    return frequency;
}

SourceSpectra buildSourceSpectra(const ParameterSet& parameters, const RunConstants& constants,
                                 std::span<const Real> frequencies) {
    SourceSpectra spectra;
    spectra.count = std::min(frequencies.size(), spectra.frequency.size());
    spectra.rearLevel = codeEquals(parameters.rearLevelCode, makeCode("d")) ? 0.5F : 1.0F;
    spectra.diameterFrequency = static_cast<Real>(static_cast<double>(constants.soundSpeed) *
                                                  100.0 / parameters.driverDiameterCm);
    std::copy_n(frequencies.begin(), spectra.count, spectra.frequency.begin());

    for (std::size_t i = 0; i < spectra.count; ++i) {
        const Real f = spectra.frequency[i];
        const auto frequencyRatio =
            static_cast<Real>(static_cast<double>(f) / parameters.resonanceHz);
        const auto diameterRatio =
            static_cast<Real>(static_cast<double>(f) / spectra.diameterFrequency);

        const Complex response{highPassMagnitude(frequencyRatio, parameters.qualityFactor), 0.0F};
        Complex front = response;
        Complex rear = multiply({-spectra.rearLevel, 0.0F}, response);
        spectra.rearSpectrumBare[i] = rear;

        if (codeEquals(parameters.pistonCode, makeCode("y"))) {
            const Complex piston{pistonFactor(f, parameters, constants), 0.0F};
            rear = multiply(rear, piston);
            front = multiply(front, piston);
        }
        if (!codeEquals(parameters.rearPhaseCode, makeCode("n"))) {
            rear = withRearPhaseFactor(rear, diameterRatio);
        }
        spectra.driverResponse[i] = response;
        spectra.frontSpectrum[i] = front;
        spectra.rearSpectrum[i] = rear;
    }
    return spectra;
}

}  // namespace opbaff
