// Reading the parameter file: fifteen values, one per record, in list-directed form.
#pragma once

#include <string>
#include <variant>

#include "model/parameter_set.h"
#include "model/real.h"
#include "run/byte_input.h"

namespace opbaff {

// Why reading stopped: line 1 of the report is "<place>: end of file" when endOfFile,
// else "<place>: <reason>".
struct ReadFailure {
    // "list in", "read start", "invalid number", "exponent field" or "bad repetition count".
    std::string place;
    // "incomprehensible list input", or the system's error text (strerror) for a read
    // error; empty when endOfFile.
    std::string reason;
    bool endOfFile = false;
};

using ReadResult = std::variant<ParameterSet, ReadFailure>;

// Reads the fifteen records in file order and converts the listening angle with
// listeningAngleRadians(offAxisAngleDeg, pi) (src/model/run_constants.h).
// A record without a value (a lone comma or slash, or "N*" before a separator)
// leaves a Real at 0 and a code at three blanks.
ReadResult readParameterFile(ByteInput& input, Real pi);

}  // namespace opbaff
