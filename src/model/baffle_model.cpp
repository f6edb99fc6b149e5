#include "model/baffle_model.h"

#include "model/edge_summation.h"
#include "model/single_path_model.h"

namespace opbaff {

bool isRectangularModel(const ParameterSet& parameters) {
    return codeEquals(parameters.modelCode, makeCode("r")) ||
           codeEquals(parameters.modelCode, makeCode("R"));
}

void runSelectedModel(const ParameterSet& parameters, const RunConstants& constants,
                      SourceSpectra spectra, RowSink& sink) {
    if (isRectangularModel(parameters)) {
        runRectangularModel(parameters, constants, spectra, sink);
    } else {
        runSinglePathModel(parameters, constants, spectra, sink);
    }
}

}  // namespace opbaff
