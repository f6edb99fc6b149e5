#include "run/result_writer.h"

#include "format/result_row.h"
#include "run/failure_report.h"
#include "run/run_units.h"

namespace opbaff {

void writeResultRow(const ResultRow& levels) {
    Unit& unit = resultUnit();
    if (!prepareForWriting(unit)) {
        endWithReport(unit, Statement::rowWrite, placeAndReason("write start", "can't write file"));
    }
    // Called from the model's rows, inside the library's environment already.
    const ResultLine line = resultLineOf(levels);
    const int error = writeRecord(unit, line.data(), line.size());
    if (error != 0) endWithReport(unit, Statement::rowWrite, placeAndError("write row", error));
}

}  // namespace opbaff
