// The frequency grid, the driver's high-pass response and the front and rear
// source spectra on it.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "model/parameter_set.h"
#include "model/real.h"
#include "model/result_row.h"
#include "model/run_constants.h"

namespace opbaff {

template <typename T>
using Spectrum = std::array<T, kFrequencyCount>;  // element i-1 belongs to grid point i

// The spectra of up to kFrequencyCount grid points: the standard grid whole, or
// one block of a longer grid.
struct SourceSpectra {
    std::size_t count = kFrequencyCount;  // grid points held, from element 0
    Real rearLevel = 1.0F;
    Real diameterFrequency = 0.0F;  // Hz: wavelength equal to the driver diameter
    Spectrum<Real> frequency{};     // Hz; on the standard grid 10 Hz, then repeatedly times 1.1
    Spectrum<Complex> driverResponse{};
    Spectrum<Complex> frontSpectrum{};
    Spectrum<Complex> rearSpectrum{};
    Spectrum<Complex> rearSpectrumBare{};
};

// The standard grid: 10 Hz, then each frequency the previous one times the
// single-precision 1.1, rounded at every step.
Spectrum<Real> standardFrequencyGrid();

// The spectra at the given frequencies (at most kFrequencyCount), each computed
// exactly as on the standard grid.
SourceSpectra buildSourceSpectra(const ParameterSet& parameters, const RunConstants& constants,
                                 std::span<const Real> frequencies);

}  // namespace opbaff
