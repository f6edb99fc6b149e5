// opbaff: the frequency response of a loudspeaker driver in an open baffle.
// Reads "Opbaffin.txt" and writes 81 rows of four levels to "OPBAFF.bds" in
// the working directory; no arguments, no output on success.
//
// The model and both file formats are the library's; what is here is the
// run around them: the two units, the reports with which a failure ends the
// run, the signals, and the exit processing.

#include "opbaff/opbaff.h"
#include "run/exit_processing.h"
#include "run/failure_report.h"
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

// The fifteen values, read as far as the fifteenth and no further.
opbaff::Design readDesignOrEnd() {
    opbaff::UnitInput input(opbaff::parameterUnit());
    const auto design = opbaff::readDesign(input);
    if (!design) {
        opbaff::endWithReport(opbaff::parameterUnit(), Statement::listRead,
                              design.error().message());
    }
    return *design;
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
    const opbaff::Design design = readDesignOrEnd();
    opbaff::ResultFileSink sink;
    opbaff::streamResponse(design, opbaff::FrequencyGrid::standard(), sink);
    finishRun();
    return 0;
}
