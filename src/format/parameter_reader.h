// Reading the parameter file: fifteen values, one per record, in list-directed form.
#pragma once

#include <array>
#include <variant>

#include "format/memory_input.h"
#include "model/parameter_set.h"
#include "model/real.h"
#include "opbaff/parameter_file.h"

namespace opbaff {

// Why reading stopped (opbaff/parameter_file.h): line 1 of the report is
// "<place>: end of file" when endOfFile, else "<place>: <reason>".
using ReadResult = std::variant<ParameterSet, ReadFailure>;

// Where each record's value stood, what it looked like and what followed it.
using RecordTrace = std::array<RecordInfo, 15>;

// Reads the fifteen records in file order and converts the listening angle with
// listeningAngleRadians(offAxisAngleDeg, pi) (src/model/run_constants.h).
// A record without a value (a lone comma or slash, or "N*" before a separator)
// leaves a Real at 0 and a code at three blanks.
//
// Without a trace nothing after the fifteenth value is read. With one, each
// record's line, text and rest are filled in, and the rest of the fifteenth
// line is read for its remark.
// The member of the parameter set that a number record (1 to 15) is read into;
// nullptr for a code record.
Real ParameterSet::*numberSlotOfRecord(int record);

ReadResult readParameterRecords(ByteSource& input, Real pi, RecordTrace* trace = nullptr);

}  // namespace opbaff
