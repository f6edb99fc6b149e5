// The result file "OPBAFF.bds": one line of four E16.8 fields and CR LF per
// frequency, written from the start of the file over any older contents.
#pragma once

#include <array>

#include "model/result_row.h"
#include "run/e_field.h"

namespace opbaff {

inline constexpr std::size_t kLineLength = 4 * kFieldWidth + 2;  // with CR LF

using ResultLine = std::array<char, kLineLength>;

// The four levels in column order, then CR LF.
ResultLine formatResultLine(const ResultRow& levels);

// Writes the next line of the result file in one piece. A file that may not
// be written, or a failed write (a full disk), ends the run with a report.
void writeResultRow(const ResultRow& levels);

// Hands every model row to writeResultRow.
class ResultFileSink final : public RowSink {
  public:
    void takeRow(const ModelRow& row) override { writeResultRow(row.levels); }
};

}  // namespace opbaff
