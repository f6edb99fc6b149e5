// The frequency grid, the driver's high-pass response and the front and rear
// source spectra on it.
#pragma once

#include <array>

#include "model/parameter_set.h"
#include "model/real.h"
#include "model/result_row.h"
#include "model/run_constants.h"

namespace opbaff {

template <typename T>
using Spectrum = std::array<T, kFrequencyCount>;  // element i-1 belongs to grid point i

struct SourceSpectra {
    Real rearLevel = 1.0F;
    Real diameterFrequency = 0.0F;  // Hz: wavelength equal to the driver diameter
    Spectrum<Real> frequency{};     // 10 Hz, then repeatedly times 1.1
    Spectrum<Complex> driverResponse{};
    Spectrum<Complex> frontSpectrum{};
    Spectrum<Complex> rearSpectrum{};
    Spectrum<Complex> rearSpectrumBare{};
};

SourceSpectra buildSourceSpectra(const ParameterSet& parameters, const RunConstants& constants);

}  // namespace opbaff
