// The gnuplot script that draws the response columns against frequency: the
// levels travel inside the script as a data block, so gnuplot reads one input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "opbaff/response.h"
#include "view/response_columns.h"

namespace opbaff::view {

enum class PlotFormat { svg, png };

// "opbaff-response.svg" or "opbaff-response.png".
std::string plotFileName(PlotFormat format);

// A gnuplot string literal in single quotes, inner quotes doubled.
std::string gnuplotQuoted(std::string_view text);

// One line per grid point: the frequency and the four levels; a level that is
// not a finite number is written as NaN, which gnuplot leaves out.
std::string plotData(const Response& response);

// The whole script: terminal, output file, data block, axes and one curve per column.
std::string plotScript(const Response& response, const std::vector<OutputColumn>& columns,
                       const std::string& title, PlotFormat format, const std::string& outputPath);

}  // namespace opbaff::view
