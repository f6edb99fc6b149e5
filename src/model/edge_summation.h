// The rectangular-baffle model: the front wave plus each side's 101 delayed
// and weighted rear waves, in three variants, averaged over the two sides.
#pragma once

#include <array>

#include "model/edge_geometry.h"
#include "model/parameter_set.h"
#include "model/result_row.h"
#include "model/run_constants.h"
#include "model/source_spectra.h"

namespace opbaff {

// The three sums of one side, by frequency.
struct SideSums {
    Spectrum<Complex> responseSum{};         // rectangular baffle, on axis
    Spectrum<Complex> responseSumBare{};     // round baffle, on axis
    Spectrum<Complex> responseSumOffAxis{};  // rectangular baffle, off axis
};

void sumSide(const ParameterSet& parameters, const RunConstants& constants,
             const SourceSpectra& spectra, const SideGeometry& side, Real offAxisAngle,
             SideSums& sums);

// Both sides, then the 81 rows: nothing reaches the sink before both sides
// are summed.
void runRectangularModel(const ParameterSet& parameters, const RunConstants& constants,
                         const SourceSpectra& spectra, RowSink& sink);

}  // namespace opbaff
