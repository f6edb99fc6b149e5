// Runs the model that the model code chooses and hands its 81 rows to a sink.
#pragma once

#include "model/parameter_set.h"
#include "model/result_row.h"
#include "model/run_constants.h"
#include "model/source_spectra.h"

namespace opbaff {

// "r" or "R" choose the rectangular-baffle model, every other code the
// single-path model. The spectra are taken by value: the half-delay variant
// changes its front spectrum while it runs.
bool isRectangularModel(const ParameterSet& parameters);

void runSelectedModel(const ParameterSet& parameters, const RunConstants& constants,
                      SourceSpectra spectra, RowSink& sink);

}  // namespace opbaff
