// One run of the model kept whole: the frequency grid and, for each grid point,
// the four levels of the result line and the complex sums behind them.
#pragma once

#include <array>

#include "model/parameter_set.h"
#include "model/result_row.h"
#include "model/run_constants.h"
#include "model/source_spectra.h"

namespace opbaff::view {

struct ResponseTable {
    Spectrum<Real> frequency{};  // Hz, ascending
    std::array<ModelRow, kFrequencyCount> rows{};
};

// Runs the model that the parameters choose. The parameters must carry the
// listening angle in radians, as the parameter reader leaves them.
ResponseTable computeResponseTable(const ParameterSet& parameters, const RunConstants& constants);

}  // namespace opbaff::view
