// One response column as an FRD file: comment lines starting with '*', then
// one line per frequency with the frequency in Hz, the level in dB and the
// phase in degrees, separated by blanks, in the grid's order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "opbaff/response.h"
#include "phase.h"

namespace opbaff::tools {

// "%.9g": nine significant digits read back as the same float, bit for bit.
std::string formatReal(float value);

// The data line of grid point i of a column, or an empty string when the
// level or the phase there is not a finite number (degenerate parameters).
std::string frdDataLine(const Response& response, std::size_t column, std::size_t i,
                        const Design& design, PhaseMode mode);

// The whole file: `comments` (each becomes a "* " line), a line saying what the
// phase holds, then the data. Grid points without a finite level are left out
// and counted in a comment line.
std::string frdText(const Response& response, std::size_t column, const Design& design,
                    PhaseMode mode, const std::vector<std::string>& comments);

// Whether an FRD text holds a data line, not comment lines alone.
bool hasDataLine(const std::string& frd);

// The comment lines that say what a column of a design holds and where it
// came from: its description, the program and the source, the design's values.
std::vector<std::string> frdComments(const std::string& description, const Design& design,
                                     const std::string& source);

}  // namespace opbaff::tools
