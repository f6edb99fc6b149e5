#include "model/edge_summation.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "model/levels.h"
#include "model/path_delay.h"

namespace opbaff {
namespace {

// 2 J1(x) / x towards the off-axis listener, x = ka sin(angle).
Real pistonDirectivity(Real frequency, Real offAxisAngle, const ParameterSet& parameters,
                       const RunConstants& constants) {
    const auto pistonKa =
        static_cast<Real>(static_cast<double>(constants.pi) * frequency *
                          parameters.driverDiameterCm / constants.soundSpeed / 100.0);
    const auto sine = static_cast<Real>(std::sin(static_cast<double>(offAxisAngle)));
    const auto pistonArgument = static_cast<Real>(static_cast<double>(sine) * pistonKa);
    const auto bessel = static_cast<Real>(::j1(static_cast<double>(pistonArgument)));
    return static_cast<Real>((static_cast<double>(bessel) + bessel) / pistonArgument);
}

// The level of the two sides' mean.
Real meanLevel(Complex sum) {
    const auto halfMagnitude =
        static_cast<Real>(static_cast<double>(static_cast<Real>(magnitude(sum))) / 2);
    return decibels(halfMagnitude);
}

// The delay factor of each edge point's path at one angular frequency. Runs of
// equal phases (every round-baffle path, the paths of a driver on an edge) take
// the factor already computed for the same bits.
void fillDelays(Real omega, const EdgeArray<Real>& pathDifference, Real soundSpeed,
                EdgeArray<Complex>& delays) {
    std::uint32_t previousPhase = 0;
    for (std::size_t j = 0; j < delays.size(); ++j) {
        const Real phase = pathPhase(omega, pathDifference[j], soundSpeed);
        const auto bits = std::bit_cast<std::uint32_t>(phase);
        delays[j] = j > 0 && bits == previousPhase ? delays[j - 1] : delayFactor(phase);
        previousPhase = bits;
    }
}

// The front wave plus the delayed, weighted rear waves of the 101 edge points.
Complex sumOfRearTerms(Complex start, Complex rear, const EdgeArray<Complex>& delays,
                       const EdgeArray<Complex>& weights) {
    Complex sum = start;
    for (std::size_t j = 0; j < delays.size(); ++j) {
        sum = add(sum, weightedRearTerm(rear, delays[j], weights[j]));
    }
    return sum;
}

struct ModelState {
    EdgeDirections directions;
    SideGeometry side;
    std::array<SideSums, 2> sums;
};

}  // namespace

void sumSide(const ParameterSet& parameters, const RunConstants& constants,
             const SourceSpectra& spectra, const SideGeometry& side, Real offAxisAngle,
             SideSums& sums) {
    EdgeArray<Complex> delays;
    for (std::size_t i = 0; i < spectra.count; ++i) {
        const Real f = spectra.frequency[i];
        const Complex start = spectra.driverResponse[i];
        const Real omega = angularFrequency(f, constants.pi);
        const Real c = constants.soundSpeed;
        // The three sums are independent, so each is accumulated on its own,
        // still in ascending order of the edge points.
        fillDelays(omega, side.pathDifference, c, delays);
        sums.responseSum[i] =
            sumOfRearTerms(start, spectra.rearSpectrum[i], delays, side.pathWeight);
        fillDelays(omega, side.roundPathDifference, c, delays);
        sums.responseSumBare[i] =
            sumOfRearTerms(start, spectra.rearSpectrumBare[i], delays, side.roundPathWeight);
        fillDelays(omega, side.offAxisPathDifference, c, delays);
        const Complex offAxisStart =
            multiply(start, {pistonDirectivity(f, offAxisAngle, parameters, constants), 0.0F});
        sums.responseSumOffAxis[i] =
            sumOfRearTerms(offAxisStart, spectra.rearSpectrum[i], delays, side.offAxisPathWeight);
    }
}

void runRectangularModel(const ParameterSet& parameters, const RunConstants& constants,
                         const SourceSpectra& spectra, RowSink& sink) {
    ModelState state;
    state.directions = buildEdgeDirections(parameters, constants.pi);
    const Real sideDistances[2] = {
        static_cast<Real>(static_cast<double>(parameters.baffleWidthCm) - parameters.driverXCm),
        parameters.driverXCm};
    const Real angles[2] = {parameters.offAxisAngle, -parameters.offAxisAngle};
    for (std::size_t s = 0; s < 2; ++s) {
        computeSideGeometry(parameters, state.directions, sideDistances[s], angles[s], state.side);
        sumSide(parameters, constants, spectra, state.side, angles[s], state.sums[s]);
    }

    const auto& [side1, side2] = state.sums;
    for (std::size_t i = 0; i < spectra.count; ++i) {
        const Complex onAxis = add(side1.responseSum[i], side2.responseSum[i]);
        const Complex round = add(side1.responseSumBare[i], side2.responseSumBare[i]);
        const Complex offAxis = add(side1.responseSumOffAxis[i], side2.responseSumOffAxis[i]);
        const FloorLevel fourth = floorLevelOf(spectra.frontSpectrum[i], spectra.rearSpectrum[i]);
        ModelRow row;
        row.levels = {meanLevel(onAxis), meanLevel(round), meanLevel(offAxis), fourth.level};
        row.sums = {onAxis, round, offAxis, fourth.sum};
        sink.takeRow(row);
    }
}

}  // namespace opbaff
