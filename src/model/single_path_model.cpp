#include "model/single_path_model.h"

#include <cmath>

#include "model/levels.h"
#include "model/path_delay.h"

namespace opbaff {

SinglePath singleRearPath(const ParameterSet& parameters) {
    const double distance = parameters.listenerDistanceM;
    // Driver to the edge of the round baffle: its radius in metres.
    const auto radius = static_cast<Real>(parameters.roundBaffleDiameterCm / 2.0 / 100.0);
    const auto edgeToListener =
        static_cast<Real>(std::sqrt(distance * distance + static_cast<double>(radius) * radius));
    const auto extraDistance = static_cast<Real>(edgeToListener - distance);
    SinglePath path;
    path.pathDifference = static_cast<Real>(static_cast<double>(radius) + extraDistance);
    // Spherical spreading: the front wave's way over the rear wave's whole way.
    path.pathWeight = {static_cast<Real>(distance / (distance + path.pathDifference)), 0.0F};
    return path;
}

void runSinglePathModel(const ParameterSet& parameters, const RunConstants& constants,
                        SourceSpectra& spectra, RowSink& sink) {
    const SinglePath path = singleRearPath(parameters);
    const bool halfDelay = codeEquals(parameters.modelCode, makeCode("u")) ||
                           codeEquals(parameters.modelCode, makeCode("U"));
    const Real floorLevel = decibels(kMagnitudeFloor);

    for (std::size_t i = 0; i < spectra.count; ++i) {
        const Real omega = angularFrequency(spectra.frequency[i], constants.pi);
        const Complex pathDelay =
            delayFactor(pathPhase(omega, path.pathDifference, constants.soundSpeed));
        if (halfDelay) {
            const auto halfPhase = static_cast<Real>(
                -((static_cast<double>(omega) * path.pathDifference / constants.soundSpeed) / 2));
            spectra.frontSpectrum[i] = multiply(spectra.frontSpectrum[i], delayFactor(halfPhase));
        }
        const Complex rearTerm =
            weightedRearTerm(spectra.rearSpectrum[i], pathDelay, path.pathWeight);
        const Complex rearTermBare =
            weightedRearTerm(spectra.rearSpectrumBare[i], pathDelay, path.pathWeight);
        const Complex responseSum = add(spectra.driverResponse[i], rearTerm);
        const Complex responseSumBare = add(spectra.driverResponse[i], rearTermBare);
        const FloorLevel fourth = floorLevelOf(spectra.frontSpectrum[i], spectra.rearSpectrum[i]);

        ModelRow row;
        row.levels = {levelOf(responseSum), levelOf(responseSumBare), floorLevel, fourth.level};
        row.sums = {responseSum, responseSumBare, Complex{}, fourth.sum};
        sink.takeRow(row);
    }
}

}  // namespace opbaff
