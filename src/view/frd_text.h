// One response column as an FRD file: comment lines starting with '*', then
// one line per frequency with the frequency in Hz, the level in dB and the
// phase in degrees, separated by blanks, frequencies ascending.
#pragma once

#include <string>
#include <string_view>

#include "opbaff/parameter_file.h"
#include "opbaff/response.h"
#include "view/response_columns.h"

namespace opbaff::view {

// "%.9g": nine significant digits read back as the same float, bit for bit.
std::string formatReal(float value);

// The data line of grid point i of a column, or an empty string when the
// level or the phase there is not a finite number (degenerate parameters).
std::string frdDataLine(const Response& response, std::size_t column, std::size_t i);

// The whole file. Grid points without a finite level are left out and counted
// in a comment line, so the frequencies stay strictly ascending.
std::string frdText(const Response& response, const OutputColumn& column,
                    const ParameterFile& parameters, std::string_view parameterFile);

}  // namespace opbaff::view
