// The four-line report with which a failed file operation ends the run: the
// place and reason, the unit and its file, the last format, and the kind of
// the last transfer.
#pragma once

#include <string>
#include <string_view>

#include "run/units.h"

namespace opbaff {

// The statement under way when the failure came, which decides lines 3 and 4.
enum class Statement {
    open,      // no format yet; the transfer kind still holds its initial values
    listRead,  // a list-directed read of the parameter file
    rowWrite,  // a formatted write of a result row, "(4E16.8)"
};

// "<place>: <reason>".
std::string placeAndReason(std::string_view place, std::string_view reason);

// "<place>: " and the system's text for the error, as perror prints it.
std::string placeAndError(std::string_view place, int error);

// The whole report, each line ending in a line feed.
std::string failureReportText(const Unit& unit, Statement statement, std::string_view cause);

// Writes the report to standard error in one piece and ends the run
// abnormally; signals are held from the start so no other end intervenes.
[[noreturn]] void endWithReport(const Unit& unit, Statement statement, std::string_view cause);

}  // namespace opbaff
