// opbaff: the frequency response of a loudspeaker driver in an open baffle.
// Reads "Opbaffin.txt" and writes 81 rows of four levels to "OPBAFF.bds" in
// the working directory; no arguments, no output on success.

#include <variant>

#include "model/baffle_model.h"
#include "model/run_constants.h"
#include "model/source_spectra.h"
#include "run/exit_processing.h"
#include "run/failure_report.h"
#include "run/parameter_reader.h"
#include "run/result_writer.h"
#include "run/run_units.h"
#include "run/signal_handlers.h"
#include "run/unit_input.h"

namespace {

using opbaff::Statement;

void openOrEnd(opbaff::Unit& unit) {
    const int error = opbaff::openUnit(unit);
    if (error != 0)
        opbaff::endWithReport(unit, Statement::open, opbaff::placeAndError("open", error));
}

opbaff::ParameterSet readParametersOrEnd(opbaff::Real pi) {
    opbaff::UnitInput input(opbaff::parameterUnit());
    opbaff::ReadResult result = opbaff::readParameterFile(input, pi);
    if (const auto* failure = std::get_if<opbaff::ReadFailure>(&result)) {
        const std::string cause = failure->endOfFile
                                      ? opbaff::placeAndEndOfFile(failure->place)
                                      : opbaff::placeAndReason(failure->place, failure->reason);
        opbaff::endWithReport(opbaff::parameterUnit(), Statement::listRead, cause);
    }
    return std::get<opbaff::ParameterSet>(result);
}

// The normal end: both files closed, the result file cut after its last row.
// A failure to cut or close it (a full disk) is reported like a failed row.
void finishRun() {
    const int error = opbaff::closeAllUnits();
    if (error != 0) {
        opbaff::endWithReport(opbaff::resultUnit(), Statement::rowWrite,
                              opbaff::placeAndError("write row", error));
    }
}

}  // namespace

int main() {
    opbaff::installSignalHandlers();
    openOrEnd(opbaff::resultUnit());
    openOrEnd(opbaff::parameterUnit());
    const opbaff::RunConstants constants = opbaff::makeRunConstants();
    const opbaff::ParameterSet parameters = readParametersOrEnd(constants.pi);
    const opbaff::SourceSpectra spectra = opbaff::buildSourceSpectra(parameters, constants);
    opbaff::ResultFileSink sink;
    opbaff::runSelectedModel(parameters, constants, spectra, sink);
    finishRun();
    return 0;
}
