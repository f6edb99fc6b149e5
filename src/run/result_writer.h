// The result file "OPBAFF.bds": one line of four E16.8 fields and CR LF per
// frequency, written from the start of the file over any older contents.
#pragma once

#include <array>

#include "model/result_row.h"
#include "opbaff/response.h"
#include "opbaff/result_file.h"

namespace opbaff {

// Writes the next line of the result file in one piece. A file that may not
// be written, or a failed write (a full disk), ends the run with a report.
void writeResultRow(const ResultRow& levels);

// Hands every row of a response to writeResultRow.
class ResultFileSink final : public ResponseSink {
  public:
    void takeRow(const ResponseRow& row) override { writeResultRow(row.levelsDb); }
};

}  // namespace opbaff
