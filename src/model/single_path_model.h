// The single-path model: the rear wave travels from the centre of a round
// baffle to its edge and on to a listener on the driver's axis.
#pragma once

#include "model/parameter_set.h"
#include "model/result_row.h"
#include "model/run_constants.h"
#include "model/source_spectra.h"

namespace opbaff {

// The one rear path: its length beyond the front wave's, and its weight.
struct SinglePath {
    Real pathDifference = 0.0F;  // m
    Complex pathWeight{};        // (D / (D + pathDifference), 0)
};

SinglePath singleRearPath(const ParameterSet& parameters);

// Hands 81 rows to the sink. In the half-delay variant ("u", "U") the front
// spectrum is delayed by half the path, element by element, in `spectra`.
void runSinglePathModel(const ParameterSet& parameters, const RunConstants& constants,
                        SourceSpectra& spectra, RowSink& sink);

}  // namespace opbaff
